// kvtool class: a class's handed-in exercises as the teacher window shows
// them, for scripts.
#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>

namespace kv::tool {

// Writes the Klassenübersicht of `folder` to `output` (HTML); 0 on success.
int runClassReport(const std::string& folder, const std::string& output, const std::string& gradeKeyPath,
                   std::ostream& out, std::ostream& err);

void addClassCommands(CLI::App& app);

}  // namespace kv::tool
