#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "app/player_options.h"
#include "platform/window/window.h"

// What the start-up dialog offers and how its keys move through it, apart from how it is drawn: one row for each
// setting (the display only when there are several) and a Start row. Up and Down choose a row, Left and Right
// (Home and End) change its value, Space changes it too or starts on the Start row, Enter starts, Escape quits.
class SetupChoices {
public:
    enum class Row { Display, Resolution, Mode, Vsync, Quality, Start };
    enum class Key { Up, Down, Left, Right, First, Last, Activate, Start, Quit };
    enum class Outcome { Open, Started, Quit };

    // Starts from the options the player would use without the dialog.
    SetupChoices(const PlayerOptions& options, std::vector<platform::DisplayInfo> displays);

    void press(Key key);
    // Moves the value of `row` by `delta` steps, stopping at either end.
    void step(Row row, int delta);
    void start() { outcome_ = Outcome::Started; }
    void quit() { outcome_ = Outcome::Quit; }

    const std::vector<Row>& rows() const { return rows_; }
    Row selectedRow() const { return rows_[selected_]; }
    Outcome outcome() const { return outcome_; }
    size_t displayIndex() const { return display_; }
    static const char* label(Row row);
    std::string valueText(Row row) const;

    // The choices as the command line's options, appended after the others they override them.
    std::vector<std::string> optionWords() const;

private:
    void listResolutions();

    std::vector<platform::DisplayInfo> displays_;
    std::pair<int, int> showSize_;
    std::vector<Row> rows_;
    size_t selected_ = 0;
    size_t display_ = 0;
    std::vector<std::pair<int, int>> resolutions_;  // the display's modes and the show's own size, smallest first
    size_t resolution_ = 0;
    size_t mode_ = 1;     // 0 full screen, 1 windowed, 2 borderless: the window modes' own numbers
    bool vsync_ = true;
    size_t quality_ = 0;  // index into the --scale steps
    Outcome outcome_ = Outcome::Open;
};
