// What the player reads besides the show: the project file named on the command line (checked for being XML) and
// the option words of the command line, one a line of the input, through to the display settings and the
// picture size they give.
#include <cstdlib>

#include "app/command_line.h"
#include "app/player_options.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::writeInput("project.xml", data, size);
    (void)checkProjectFile(path);

    std::vector<std::string> arguments{"demo"};
    std::string word;
    for (std::size_t i = 0; i < size && arguments.size() < 64; ++i) {
        if (data[i] == '\n' || data[i] == ' ') {
            if (!word.empty()) arguments.push_back(word);
            word.clear();
        } else {
            word += char(data[i]);
        }
    }
    if (!word.empty()) arguments.push_back(word);
    const PlayerOptions options = parsePlayerOptions(arguments);
    fuzz::Draws draws(data, size);
    ConfigValues config;
    config.setDefaults();
    const std::pair<int, int> desktop{int(draws.next() % 8192), int(draws.next() % 8192)};
    applyPlayerOptions(options, config, draws.next() & 1 ? std::optional(desktop) : std::nullopt);
    const FrameSize picture =
        pictureSize(std::uint32_t(config.numericSettings["width"]), std::uint32_t(config.numericSettings["height"]),
                    options.scale);
    if (picture.width < 1 || picture.height < 1) std::abort();
    return 0;
}
