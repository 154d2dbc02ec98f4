#pragma once

#include <string>

#include "inspect/show_report.h"

// The report as the lines demo-inspect prints without --json.
std::string reportText(const ShowReport& report);
