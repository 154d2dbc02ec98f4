#pragma once

// PNG files of a frame sequence, encoded on worker threads over all cores while the frames after them draw. Each
// file appears under its name complete, and in the order the frames were given: a file that exists has every
// earlier one beside it. Frame buffers are a fixed pool, reused, so a capture's memory does not grow with length.

#include <condition_variable>
#include <cstdint>
#include <limits>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PngSequenceWriter {
public:
    // workers 0: one per core.
    PngSequenceWriter(std::uint32_t width, std::uint32_t height, unsigned workers = 0);
    ~PngSequenceWriter();  // finishes what was queued
    PngSequenceWriter(const PngSequenceWriter&) = delete;
    PngSequenceWriter& operator=(const PngSequenceWriter&) = delete;

    // A buffer of width x height x 4 bytes to fill with the next frame; waits while every buffer is queued.
    // Null once a write has failed.
    std::uint8_t* acquire();
    // Queues the buffer that acquire() gave, to be written as `file`.
    void submit(std::uint8_t* frame, std::string file);
    // Waits for every queued file. False with the error of the earliest frame that could not be written; the
    // frames before it are written, the ones after it are not.
    bool finish(std::string* error);

private:
    struct Job {
        std::vector<std::uint8_t>* pixels = nullptr;
        std::string file;
        std::uint64_t sequence = 0;
        bool encoded = false;  // written under its temporary name, waiting for its turn to be renamed
    };

    void work();
    void renameInOrder();  // with the lock held
    void fail(std::uint64_t sequence, const std::string& error);  // the earliest failure wins

    std::uint32_t width_, height_;
    std::vector<std::vector<std::uint8_t>> buffers_;
    std::vector<std::vector<std::uint8_t>*> free_;
    std::deque<Job*> queued_;          // waiting for a worker
    std::deque<Job> inFlight_;         // by sequence, from the oldest not yet renamed
    std::uint64_t nextSequence_ = 0;
    std::string error_;                   // of the earliest frame that failed
    std::uint64_t failedSequence_ = UINT64_MAX;  // that frame: the ones before it are still written
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> workers_;
};
