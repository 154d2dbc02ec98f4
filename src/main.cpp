#include "app/demo.h"
#include "platform/process/command_line_source.h"

int main(int argc, char** argv) {
    platform::recordCommandLine(argc, argv);
    Demo demo;
    return demo.run();
}
