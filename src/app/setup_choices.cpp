#include "app/setup_choices.h"

#include <algorithm>
#include <cmath>

#include "base/frame_size.h"

namespace {

constexpr double kScales[] = {1.0, 0.75, 0.5};
constexpr const char* kScaleWords[] = {"1", "0.75", "0.5"};
constexpr const char* kScaleTexts[] = {"full (--scale 1)", "0.75 (--scale 0.75)", "half (--scale 0.5)"};
constexpr const char* kModeWords[] = {"--fullscreen", "--windowed", "--borderless"};
constexpr const char* kModeTexts[] = {"full screen", "windowed", "borderless"};

size_t clampedStep(size_t value, int delta, size_t count) {
    const long moved = static_cast<long>(value) + delta;
    return static_cast<size_t>(std::clamp(moved, 0L, static_cast<long>(count) - 1));
}

}  // namespace

SetupChoices::SetupChoices(const PlayerOptions& options, std::vector<platform::DisplayInfo> displays)
    : displays_(std::move(displays)) {
    showSize_ = options.width && options.height
                    ? std::pair{static_cast<int>(*options.width), static_cast<int>(*options.height)}
                    : std::pair{static_cast<int>(kPlayerFrameSize.width), static_cast<int>(kPlayerFrameSize.height)};
    if (displays_.size() > 1) rows_.push_back(Row::Display);
    rows_.insert(rows_.end(), {Row::Resolution, Row::Mode, Row::Vsync, Row::Quality, Row::Start});
    if (options.display && static_cast<size_t>(*options.display) <= displays_.size()) display_ = *options.display - 1;
    if (options.windowMode) mode_ = static_cast<size_t>(std::clamp(*options.windowMode, 0, 2));
    if (options.vsync) vsync_ = *options.vsync != 0;
    for (size_t i = 1; i < std::size(kScales); ++i) {
        if (std::abs(options.scale - kScales[i]) < std::abs(options.scale - kScales[quality_])) quality_ = i;
    }
    listResolutions();
    // The first row to change is the resolution: the display is chosen rarely.
    selected_ = displays_.size() > 1 ? 1 : 0;
}

void SetupChoices::listResolutions() {
    const std::pair<int, int> kept = resolutions_.empty() ? showSize_ : resolutions_[resolution_];
    resolutions_ = display_ < displays_.size() ? displays_[display_].modes : std::vector<std::pair<int, int>>{};
    if (std::find(resolutions_.begin(), resolutions_.end(), showSize_) == resolutions_.end())
        resolutions_.push_back(showSize_);
    std::sort(resolutions_.begin(), resolutions_.end(), [](const auto& a, const auto& b) {
        return std::pair{int64_t(a.first) * a.second, a.first} < std::pair{int64_t(b.first) * b.second, b.first};
    });
    // A size the new display also offers stays chosen; otherwise the show's own size.
    auto found = std::find(resolutions_.begin(), resolutions_.end(), kept);
    if (found == resolutions_.end()) found = std::find(resolutions_.begin(), resolutions_.end(), showSize_);
    resolution_ = static_cast<size_t>(found - resolutions_.begin());
}

void SetupChoices::step(Row row, int delta) {
    switch (row) {
        case Row::Display: {
            const size_t before = display_;
            display_ = clampedStep(display_, delta, std::max<size_t>(displays_.size(), 1));
            if (display_ != before) listResolutions();
            break;
        }
        case Row::Resolution: resolution_ = clampedStep(resolution_, delta, resolutions_.size()); break;
        case Row::Mode: mode_ = clampedStep(mode_, delta, std::size(kModeWords)); break;
        case Row::Vsync: vsync_ = delta == 0 ? vsync_ : delta > 0; break;  // off, on
        case Row::Quality: quality_ = clampedStep(quality_, delta, std::size(kScales)); break;
        case Row::Start: break;
    }
}

void SetupChoices::press(Key key) {
    const Row row = selectedRow();
    constexpr int kFar = 1 << 20;
    switch (key) {
        case Key::Up: selected_ = clampedStep(selected_, -1, rows_.size()); break;
        case Key::Down: selected_ = clampedStep(selected_, 1, rows_.size()); break;
        case Key::Left: step(row, -1); break;
        case Key::Right: step(row, 1); break;
        case Key::First: step(row, -kFar); break;
        case Key::Last: step(row, kFar); break;
        case Key::Activate:
            if (row == Row::Start) {
                start();
            } else if (row == Row::Vsync) {
                vsync_ = !vsync_;
            } else {
                // Space walks through the values and comes round again.
                const std::string before = valueText(row);
                step(row, 1);
                if (valueText(row) == before) step(row, -kFar);
            }
            break;
        case Key::Start: start(); break;
        case Key::Quit: quit(); break;
    }
}

const char* SetupChoices::label(Row row) {
    switch (row) {
        case Row::Display: return "Display";
        case Row::Resolution: return "Resolution";
        case Row::Mode: return "Window";
        case Row::Vsync: return "Vsync";
        case Row::Quality: return "Quality";
        case Row::Start: return "Start";
    }
    return "";
}

std::string SetupChoices::valueText(Row row) const {
    switch (row) {
        case Row::Display: {
            if (display_ >= displays_.size()) return "the first";
            const platform::DisplayInfo& display = displays_[display_];
            return std::to_string(display_ + 1) + ": " + display.name + " (" + std::to_string(display.width) + " x " +
                   std::to_string(display.height) + ")";
        }
        case Row::Resolution: {
            const auto [width, height] = resolutions_[resolution_];
            std::string text = std::to_string(width) + " x " + std::to_string(height);
            if (resolutions_[resolution_] == showSize_) text += " (the show's own)";
            return text;
        }
        case Row::Mode: return kModeTexts[mode_];
        case Row::Vsync: return vsync_ ? "on" : "off";
        case Row::Quality: return kScaleTexts[quality_];
        case Row::Start: return "";
    }
    return "";
}

std::vector<std::string> SetupChoices::optionWords() const {
    std::vector<std::string> words;
    if (displays_.size() > 1) words.insert(words.end(), {"--display", std::to_string(display_ + 1)});
    const auto [width, height] = resolutions_[resolution_];
    words.insert(words.end(), {"--size", std::to_string(width) + "x" + std::to_string(height), kModeWords[mode_],
                               "--vsync", vsync_ ? "1" : "0", "--scale", kScaleWords[quality_]});
    return words;
}
