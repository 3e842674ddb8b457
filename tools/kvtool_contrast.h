// kvtool kontrast: the contrast figures of the program's colours, as the
// table the accessibility notes carry.
#pragma once

#include <CLI/CLI.hpp>

#include <ostream>

namespace kv::tool {

// The table in Markdown (UTF-8): scheme, what is drawn on what, ratio,
// needed ratio, met or not.
void writeContrastTable(std::ostream& out);

void addContrastCommand(CLI::App& app);

}  // namespace kv::tool
