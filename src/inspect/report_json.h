#pragma once

#include <string>

#include "inspect/show_report.h"

// The report as one JSON document on one line, ending with a newline.
std::string reportJson(const ShowReport& report);
