#include "platform/process/file_helper.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <new>
#include <stdexcept>

#include "platform/process/file_helper_channel.h"

namespace platform {

namespace {

std::atomic<bool> servingJobs{false};

std::string encodeRequest(const std::vector<std::string>& words, std::string_view input) {
    std::string request;
    appendU32(request, static_cast<uint32_t>(words.size()));
    for (const std::string& word : words) {
        appendU32(request, static_cast<uint32_t>(word.size()));
        request += word;
    }
    appendU64(request, input.size());
    request += input;
    return request;
}

// Helpers that finished their last job, ready for the next; each is used by one thread at a time.
// Never destroyed: a job on another thread may still end while the process does.
struct IdleHelpers {
    std::mutex mutex;
    std::vector<HelperProcess> helpers;
};
IdleHelpers& idle() {
    static auto* instance = new IdleHelpers;
    return *instance;
}

bool takeIdle(HelperProcess* helper) {
    std::lock_guard lock(idle().mutex);
    if (idle().helpers.empty()) return false;
    *helper = idle().helpers.back();
    idle().helpers.pop_back();
    return true;
}

void putIdle(const HelperProcess& helper) {
    std::lock_guard lock(idle().mutex);
    idle().helpers.push_back(helper);
}

// The first start also starts a second helper, ready for the next thread that asks (scenes load on several):
// its start overlaps with the first job.
void startSpareOnce() {
    static std::once_flag started;
    std::call_once(started, [] {
        HelperProcess spare;
        if (startHelper(&spare)) putIdle(spare);
    });
}

}  // namespace

void appendU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

void appendU64(std::string& out, uint64_t value) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

bool readU32(std::string_view& in, uint32_t* value) {
    if (in.size() < 4) return false;
    *value = 0;
    for (int i = 0; i < 4; ++i) *value |= uint32_t(static_cast<unsigned char>(in[i])) << (8 * i);
    in.remove_prefix(4);
    return true;
}

bool readU64(std::string_view& in, uint64_t* value) {
    if (in.size() < 8) return false;
    *value = 0;
    for (int i = 0; i < 8; ++i) *value |= uint64_t(static_cast<unsigned char>(in[i])) << (8 * i);
    in.remove_prefix(8);
    return true;
}

std::chrono::milliseconds fileJobLimit(uint64_t bytes) {
    long long base = 10000;
    if (const char* asked = std::getenv("DEMO_FILE_TIME_LIMIT_MS")) {
        char* end = nullptr;
        const long long value = std::strtoll(asked, &end, 10);
        if (end != asked && value > 0) base = value;
    }
    const uint64_t megabytes = bytes >> 20;
    return std::chrono::milliseconds(base + static_cast<long long>(std::min<uint64_t>(megabytes, 1u << 20)) * 5000);
}

std::chrono::milliseconds fileJobLimit(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(std::filesystem::path(path), error);
    return fileJobLimit(error ? 0 : static_cast<uint64_t>(size));
}

bool inFileHelper() { return servingJobs.load(); }

void reportContainedFailure(const std::string& path, const char* library, const std::string& failure) {
    std::fprintf(stderr, "'%s': the %s %s while reading it; the file is treated as one that does not load\n",
                 path.c_str(), library, failure.c_str());
    std::fflush(stderr);
}

namespace {

// One job's answer from a helper that has its request; the helper goes back to the idle ones when it answered.
HelperAnswer awaitAnswer(const HelperProcess& helper, std::chrono::milliseconds limit) {
    HelperAnswer answer;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char header[9];
    ReadResult got = readFromHelper(helper, header, sizeof header, deadline);
    if (got == ReadResult::Ok) {
        std::string_view view(header + 1, 8);
        uint64_t length = 0;
        readU64(view, &length);
        answer.bytes.reset(length <= SIZE_MAX ? new (std::nothrow) char[std::max<uint64_t>(length, 1)] : nullptr);
        if (!answer.bytes) {
            answer.outcome = HelperOutcome::Crashed;
            answer.failure = "answered with more than this program can hold";
            endHelper(helper);
            return answer;
        }
        answer.size = static_cast<std::size_t>(length);
        got = readFromHelper(helper, answer.bytes.get(), answer.size, deadline);
    }
    if (got == ReadResult::TimedOut) {
        answer.outcome = HelperOutcome::TimedOut;
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", double(limit.count()) / 1000.0);
        answer.failure = std::string("gave no answer within ") + seconds + " s";
        endHelper(helper);
        return answer;
    }
    if (got == ReadResult::Closed) {
        answer.outcome = HelperOutcome::Crashed;
        answer.failure = endHelper(helper);
        return answer;
    }
    putIdle(helper);
    if (header[0] != 0) {
        answer.outcome = HelperOutcome::Crashed;
        answer.failure = "stopped with an error (" + std::string(answer.output()) + ")";
        return answer;
    }
    answer.outcome = HelperOutcome::Done;
    return answer;
}

}  // namespace

HelperAnswer runInFileHelper(const std::vector<std::string>& words, std::string_view input,
                             std::chrono::milliseconds limit) {
    if (servingJobs) return {};  // the helper runs its work in place
    const std::string request = encodeRequest(words, input);
    // A helper that waited idle may have gone meanwhile, or been harmed by an earlier file that damaged its memory
    // without crashing it: a job that fails to reach it or crashes it is tried once more on a fresh one, and only
    // a crash there is the file's.
    for (int attempt = 0;; ++attempt) {
        HelperProcess helper;
        const bool reused = attempt == 0 && takeIdle(&helper);
        if (!reused && !startHelper(&helper)) return {};  // NoHelper: the caller does the work itself
        startSpareOnce();
        if (!sendToHelper(helper, request)) {
            endHelper(helper);
            if (reused) continue;
            return {};
        }
        HelperAnswer answer = awaitAnswer(helper, limit);
        if (answer.outcome == HelperOutcome::Crashed && reused && answer.failure.rfind("stopped", 0) != 0) continue;
        return answer;
    }
}

int serveFileHelperJobs(const std::map<std::string, HelperJobHandler>& handlers) {
    servingJobs = true;
    HelperChannel channel = openHelperChannel();
    for (;;) {
        std::string head(4, '\0');
        if (!channel.read(head.data(), 4)) return 0;  // the program closed its end
        std::string_view view(head);
        uint32_t count = 0;
        readU32(view, &count);
        std::vector<std::string> words;
        for (uint32_t i = 0; i < count; ++i) {
            std::string size(4, '\0');
            uint32_t length = 0;
            std::string_view sizeView(size);
            if (!channel.read(size.data(), 4) || !readU32(sizeView, &length)) return 1;
            std::string word(length, '\0');
            if (!channel.read(word.data(), length)) return 1;
            words.push_back(std::move(word));
        }
        std::string size(8, '\0');
        uint64_t inputLength = 0;
        std::string_view sizeView(size);
        if (!channel.read(size.data(), 8) || !readU64(sizeView, &inputLength)) return 1;
        std::string input(inputLength, '\0');
        if (!channel.read(input.data(), input.size())) return 1;

        char status = 0;
        std::string output;
        try {
            const auto handler = words.empty() ? handlers.end() : handlers.find(words[0]);
            if (handler == handlers.end()) throw std::runtime_error("unknown job");
            output = handler->second(words, input);
        } catch (const std::exception& error) {
            status = 1;
            output = error.what();
        }
        std::string header(1, status);
        appendU64(header, output.size());
        if (!channel.write(header.data(), header.size()) || !channel.write(output.data(), output.size())) return 1;
    }
}

}  // namespace platform
