#pragma once

#include <vector>

#include "inspect/show_report.h"

// For the show inspector: opens the show's music (the manifest's "audioTrack") on the no-sound device and, for
// each time in `seconds`, sets the clock there and asks the audio manager for the current marker and the progress
// through it, exactly as the player would see them while playing. Fills `report.music` (or a warning when the
// track cannot be read; positions are then taken unclamped) and `report.probes`.
void probeMusic(ShowReport& report, const std::vector<double>& seconds);
