#pragma once

#include <string>

#include "inspect/shader_report.h"
#include "inspect/show_report.h"

// The report as one JSON document on one line, ending with a newline.
std::string reportJson(const ShowReport& report);

// One shader's reflection as one JSON document, in the same layout.
std::string shaderReportJson(const ShaderReport& report);
