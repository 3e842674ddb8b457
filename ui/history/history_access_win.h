// Where the learner's history lives and the one open handle to it: the
// result window records into it, the history window reads from it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "history/history_recorder.h"
#include "history/history_store.h"

namespace kv {

// The policy's folder, else the folder in KLAVENTO_LERNVERLAUF (the Linux
// launcher keeps the history outside the Wine prefix with it), else the
// user's application data folder, each with "Klavento"'s file in it.
std::filesystem::path historyFile();

// Where an exercise waits while the history cannot be written: the user's
// local application data, else the temporary folder; never the history's
// own folder, which is the one that failed.
std::vector<std::filesystem::path> waitingHistoryFiles();

// The history, opened on first use, with any exercise that waited written
// into it first. Null when it cannot be opened; then `notice` says why. A
// notice also comes when a damaged file was replaced.
HistoryStore* openHistory(std::string& notice);

// Records an evaluated exercise; what waited is written first.
RecordOutcome recordExercise(const ExerciseRecord& record);

// Writes exercises that waited from an earlier run. Costs a look at two
// file names when nothing waits.
void catchUpHistory();

// At the end of the program: a last try for exercises that wait in memory
// only; the sentence for the learner when some are lost, else empty.
std::string historyLostOnExit();

// Closes the handle, so that the next use opens the file anew (tests, and a
// changed policy folder).
void closeHistory();

// "JJJJ-MM-TT hh:mm:ss" of the local time `millisecondsAgo` before now.
std::string localTimeText(std::uint32_t millisecondsAgo);

}  // namespace kv
