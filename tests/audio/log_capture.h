#pragma once

#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <spdlog/common.h>

namespace audio_tests {

struct LogLine {
    spdlog::level::level_enum level;
    std::string text;
    bool operator==(const LogLine&) const = default;
};
void PrintTo(const LogLine& line, std::ostream* out);

// Registers a "demo" logger that records every line, at the lowest level, for the lifetime of the object.
class DemoLogCapture {
public:
    DemoLogCapture();
    ~DemoLogCapture();
    DemoLogCapture(const DemoLogCapture&) = delete;
    DemoLogCapture& operator=(const DemoLogCapture&) = delete;

    std::vector<LogLine> lines() const;

private:
    struct Sink;
    std::shared_ptr<Sink> sink_;
};

}  // namespace audio_tests
