#pragma once

namespace platform {

// The console window beside the main window. On Windows a console of the program's own (a window program has
// none), with the C runtime's standard streams moved onto it, each unbuffered; a stream that cannot be moved stays
// as it was. Elsewhere the terminal the program runs in is its console: the streams only become unbuffered.
void openConsoleStreams();

// Moves the console window's top-left corner to (x, y) on the screen and to the top; nothing where the console
// is a terminal.
void moveConsoleWindow(int x, int y);

}  // namespace platform
