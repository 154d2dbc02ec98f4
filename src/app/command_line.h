#pragma once

#include <string>
#include <vector>

// The parsed command line: "projectfile PATH" names a project file (shown in a message box first), "editor"
// switches on editor mode. Arguments are compared whole and case-sensitively; everything else is ignored.
class CommandLine {
public:
    // Throws std::runtime_error("Unable to parse command line") when the command line cannot be split.
    CommandLine();

    const std::string* projectFile = nullptr;
    bool editor = false;
    int argumentCount = 0;
    std::vector<std::string> arguments;
};

// The project file is only checked for being XML; nothing of it is used. True when it parses.
bool checkProjectFile(const std::string& path);
