#pragma once

// Libraries that parse files (the scene importer, the shader compiler, the image and music decoders) can crash or
// hang on damaged bytes. Work on such a file runs first in a helper process, the program "demo-file-helper" beside
// this one: a crash or a hang there ends the helper (it is killed and replaced), and the file counts as one that
// does not load. Helpers stay running between jobs, one per thread that asks at once, so a job costs a round trip
// and not a process start.
//
// A job is a list of words, the first naming it, plus optional bytes; the helper answers with bytes.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class HelperOutcome {
    Done,      // the job ran to its end: `output` is its answer
    Crashed,   // the helper died during the job (or the job threw)
    TimedOut,  // no answer within the limit: the helper was killed
    NoHelper,  // no helper program beside this one (or it cannot start): the caller runs the work itself
};

struct HelperAnswer {
    HelperOutcome outcome = HelperOutcome::NoHelper;
    // The job's answer when Done. Held as it arrived (decoded music is tens of megabytes: no second pass over it).
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::string_view output() const { return {bytes.get(), size}; }
    std::string failure;  // what happened, for messages: "crashed (signal 11, Segmentation fault)"
};

HelperAnswer runInFileHelper(const std::vector<std::string>& words, std::string_view input,
                             std::chrono::milliseconds limit);

// How long a job on a file of `bytes` bytes may take: 10 s plus 5 s per MB. DEMO_FILE_TIME_LIMIT_MS, when set,
// replaces the 10 s.
std::chrono::milliseconds fileJobLimit(uint64_t bytes);
// The same for a file by its path (its size, 0 when it cannot be read).
std::chrono::milliseconds fileJobLimit(const std::string& path);

// Whether this process is the helper: there the work runs in place.
bool inFileHelper();

// The one line on standard error for a file whose reading a library could not survive: names the file, the
// library and what happened, and says the file is treated as one that does not load.
void reportContainedFailure(const std::string& path, const char* library, const std::string& failure);

// The helper's side: serves jobs from standard input until it closes, answering on standard output, each job by
// the handler its first word names. Returns the process's exit code.
using HelperJobHandler = std::function<std::string(const std::vector<std::string>& words, std::string_view input)>;
int serveFileHelperJobs(const std::map<std::string, HelperJobHandler>& handlers);

// Little-endian packing for jobs' answers.
void appendU32(std::string& out, uint32_t value);
void appendU64(std::string& out, uint64_t value);
bool readU32(std::string_view& in, uint32_t* value);
bool readU64(std::string_view& in, uint64_t* value);

}  // namespace platform
