#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// A fresh directory under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `content` to `relative` below the directory (creating folders) and answers the full path.
    std::filesystem::path write(const std::string& relative, const std::string& content) const;

private:
    std::filesystem::path path_;
};

// Changes the working directory for the lifetime of the object.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::filesystem::path& directory);
    ~ScopedWorkingDirectory();

private:
    std::filesystem::path previous_;
};

std::string readFile(const std::filesystem::path& file);

struct CommandResult {
    int exitCode = -1;  // -1 when the command did not exit normally (killed by a signal)
    std::string output; // standard output
};

// Runs a shell command and collects its standard output.
CommandResult runCommand(const std::string& command);

// Quotes a text for the shell.
std::string shellQuote(const std::string& text);

}  // namespace testing_support
