#include "platform/gpu/resource_thread.h"

#include <epoxy/gl.h>

#include "platform/gpu/gl_contexts.h"

namespace gpu {

struct ResourceThread::Job {
    const std::function<void()>* work = nullptr;
    bool done = false;
    bool ran = false;
    std::condition_variable finished;
};

ResourceThread::ResourceThread(GlContexts& contexts) : contexts_(contexts), thread_([this] { loop(); }) {}

ResourceThread::~ResourceThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool ResourceThread::run(const std::function<void()>& work) {
    Job job;
    job.work = &work;
    std::unique_lock lock(mutex_);
    if (!usable_ || stopping_) return false;
    queue_.push_back(&job);
    wake_.notify_one();
    job.finished.wait(lock, [&] { return job.done; });
    return job.ran;
}

void ResourceThread::loop() {
    bool bound = contexts_.bindResourceContext();
    std::unique_lock lock(mutex_);
    usable_ = bound;
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) break;
        Job* job = queue_.front();
        queue_.pop_front();
        lock.unlock();
        if (bound) {
            (*job->work)();
            glFinish();  // the immediate context may use the objects as soon as the caller returns
        }
        lock.lock();
        job->ran = bound;
        job->done = true;
        job->finished.notify_all();
    }
    lock.unlock();
    if (bound) contexts_.unbindResourceContext();
}

}  // namespace gpu
