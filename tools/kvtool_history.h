// kvtool history: a learner's history for teachers and administrators.
#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>

namespace kv::tool {

// Where the program keeps the history when no file is named: the folder in
// KLAVENTO_LERNVERLAUF, else the user's application data (Windows) or data
// folder (Linux).
std::string defaultHistoryFile();

int runHistoryShow(const std::string& file, std::ostream& out, std::ostream& err);
// Writes to `output`, or to `out` when it is empty.
int runHistoryExport(const std::string& file, const std::string& output, std::ostream& out,
                     std::ostream& err);

void addHistoryCommands(CLI::App& app);

}  // namespace kv::tool
