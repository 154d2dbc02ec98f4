#include "inspect/png_sequence_writer.h"

#include <algorithm>
#include <filesystem>

#include "base/png_encoding.h"

PngSequenceWriter::PngSequenceWriter(std::uint32_t width, std::uint32_t height, unsigned workers)
    : width_(width), height_(height) {
    if (workers == 0) workers = std::max(1u, std::thread::hardware_concurrency());
    // Two buffers a worker: one encoding, one filled and waiting, so the drawing thread rarely waits.
    buffers_.resize(std::size_t(workers) * 2 + 1, std::vector<std::uint8_t>(std::size_t(width) * height * 4));
    for (std::vector<std::uint8_t>& buffer : buffers_) free_.push_back(&buffer);
    for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { work(); });
}

PngSequenceWriter::~PngSequenceWriter() {
    std::string ignored;
    finish(&ignored);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

std::uint8_t* PngSequenceWriter::acquire() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty() || !error_.empty(); });
    if (!error_.empty()) return nullptr;
    std::vector<std::uint8_t>* buffer = free_.back();
    free_.pop_back();
    return buffer->data();
}

void PngSequenceWriter::submit(std::uint8_t* frame, std::string file) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::uint8_t>* buffer = nullptr;
    for (std::vector<std::uint8_t>& candidate : buffers_) {
        if (candidate.data() == frame) buffer = &candidate;
    }
    if (!buffer) return;
    inFlight_.push_back(Job{buffer, std::move(file), nextSequence_++, false});
    queued_.push_back(&inFlight_.back());
    changed_.notify_all();
}

bool PngSequenceWriter::finish(std::string* error) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return inFlight_.empty(); });
    if (error_.empty()) return true;
    *error = error_;
    return false;
}

void PngSequenceWriter::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
        if (queued_.empty()) return;
        Job* job = queued_.front();
        queued_.pop_front();
        // Frames after one that failed are not written; the ones before it still are.
        const bool skip = job->sequence > failedSequence_;
        std::string error;
        bool written = false;
        if (!skip) {
            lock.unlock();
            std::vector<std::uint8_t> png;
            written = encodePng(job->pixels->data(), width_, height_, &png, &error) &&
                      writeFileBytes(job->file + ".partial", png, &error);
            lock.lock();
        }
        if (!skip && !written) fail(job->sequence, error);
        job->encoded = true;
        renameInOrder();
        changed_.notify_all();
    }
}

void PngSequenceWriter::fail(std::uint64_t sequence, const std::string& error) {
    if (sequence >= failedSequence_) return;
    failedSequence_ = sequence;
    error_ = error;
}

void PngSequenceWriter::renameInOrder() {
    // Jobs live in a deque, so the addresses that queued_ holds stay valid while the front is popped.
    while (!inFlight_.empty() && inFlight_.front().encoded) {
        Job& job = inFlight_.front();
        const std::string written = job.file + ".partial";
        std::error_code failure;
        if (job.sequence < failedSequence_) {
            std::filesystem::rename(written, job.file, failure);
            if (failure) fail(job.sequence, "cannot write '" + job.file + "'");
        }
        if (job.sequence >= failedSequence_) std::filesystem::remove(written, failure);
        free_.push_back(job.pixels);
        inFlight_.pop_front();
    }
}
