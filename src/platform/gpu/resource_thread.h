#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace gpu {

class GlContexts;

// Runs GL creation work for threads that have no context of the device: one thread with the device's shared
// resource context. Callers block until their job and its GL commands have finished, so the objects are complete
// when the immediate context first uses them. The queue lock is held only to push and pop.
class ResourceThread {
public:
    explicit ResourceThread(GlContexts& contexts);
    ~ResourceThread();
    ResourceThread(const ResourceThread&) = delete;
    ResourceThread& operator=(const ResourceThread&) = delete;

    // False when the thread has no context: the job did not run.
    bool run(const std::function<void()>& job);

private:
    struct Job;
    void loop();

    GlContexts& contexts_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job*> queue_;
    bool stopping_ = false;
    bool usable_ = true;
    std::thread thread_;
};

}  // namespace gpu
