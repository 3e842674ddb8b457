// Where the learner's history lives and the one open handle to it: the
// result window records into it, the history window reads from it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "history/history_store.h"

namespace kv {

// The policy's folder, else the folder in KLAVENTO_LERNVERLAUF (the Linux
// launcher keeps the history outside the Wine prefix with it), else the
// user's application data folder, each with "Klavento"'s file in it.
std::filesystem::path historyFile();

// The history, opened on first use. Null when it cannot be opened; then
// `notice` says why. A notice also comes when a damaged file was replaced.
HistoryStore* openHistory(std::string& notice);

// Closes the handle, so that the next use opens the file anew (tests, and a
// changed policy folder).
void closeHistory();

// "JJJJ-MM-TT hh:mm:ss" of the local time `millisecondsAgo` before now.
std::string localTimeText(std::uint32_t millisecondsAgo);

}  // namespace kv
