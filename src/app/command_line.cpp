#include "app/command_line.h"

#include <stdexcept>

#include <pugixml.hpp>

#include "platform/process/command_line_source.h"
#include "platform/process/message_box.h"

CommandLine::CommandLine() {
    if (!platform::commandLineArguments(arguments)) throw std::runtime_error("Unable to parse command line");
    argumentCount = static_cast<int>(arguments.size());
    projectFile = nullptr;
    editor = false;
    for (int i = 0; i < argumentCount; ++i) {
        // Both words are checked for every argument: the value after "projectfile" counts as an argument too.
        if (arguments[i] == "projectfile") {
            const bool hasValue = i + 1 < argumentCount;
            platform::showMessageBox(hasValue ? arguments[i + 1] : std::string(), "Arglist contents");
            projectFile = hasValue ? &arguments[i + 1] : nullptr;
        }
        if (arguments[i] == "editor") editor = true;
    }
}

bool checkProjectFile(const std::string& path) {
    pugi::xml_document project;
    const bool parsed = project.load_file(path.c_str());
    (void)project.first_child();
    return parsed;
}
