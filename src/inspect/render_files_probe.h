#pragma once

#include "inspect/show_report.h"

// Checks the files that the frame renderer reads before the first frame the way the player reads them, and adds
// a warning for each that will fail: a shader of the manifest that does not compile (with the compiler's first
// error), a shader the effect chain or the scenes look up that a manifest naming shaders lacks, and a preload or
// logo image in the texture directory that is missing or cannot be decoded (the player would stop). Files that
// do not exist are left to showWarnings.
void probeRenderFiles(ShowReport& report);
