#pragma once

#include <string>

#include "inspect/shader_report.h"
#include "inspect/show_report.h"

// The report as the lines demo-inspect prints without --json.
std::string reportText(const ShowReport& report);

// One shader's reflection as lines: constant buffers with their variables, resources, inputs, messages.
std::string shaderReportText(const ShaderReport& report);
