#include "log_capture.h"

#include <ostream>

#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>

namespace audio_tests {

struct DemoLogCapture::Sink : spdlog::sinks::base_sink<std::mutex> {
    std::vector<LogLine> snapshot() {
        std::lock_guard lock(mutex_);
        return recorded;
    }

protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        recorded.push_back({message.level, std::string(message.payload.begin(), message.payload.end())});
    }
    void flush_() override {}

private:
    std::vector<LogLine> recorded;  // guarded by the base's mutex_
};

DemoLogCapture::DemoLogCapture() : sink_(std::make_shared<Sink>()) {
    spdlog::drop("demo");
    auto logger = std::make_shared<spdlog::logger>("demo", sink_);
    logger->set_level(spdlog::level::trace);
    spdlog::register_logger(logger);
}

DemoLogCapture::~DemoLogCapture() { spdlog::drop("demo"); }

std::vector<LogLine> DemoLogCapture::lines() const {
    return sink_->snapshot();
}

void PrintTo(const LogLine& line, std::ostream* out) {
    *out << spdlog::level::to_string_view(line.level).data() << " \"" << line.text << "\"";
}

}  // namespace audio_tests
