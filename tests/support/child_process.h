#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// A program started in the background; killed when the object goes if it is still running.
class ChildProcess {
public:
    // Starts `program` with `arguments` in `directory`; `environment` entries ("NAME=value") are added to the
    // test's own environment. Standard output and error go to `logFile`.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::filesystem::path& directory, const std::vector<std::string>& environment,
                 const std::filesystem::path& logFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The exit code once the program has ended within `timeout` (-1 for an end by signal); nothing on time-out.
    std::optional<int> waitFor(std::chrono::milliseconds timeout);
    bool running();
    int pid() const { return pid_; }

private:
    int pid_ = -1;
    std::optional<int> status_;
};

}  // namespace testing_support
