#pragma once

#include "inspect/show_report.h"

// Fills every probe of the report with the effect parameter blocks that the frame at its position uploads:
// the marker's effects over the defaults, and the overlay the music time chooses.
void probeEffectParameters(ShowReport& report);
