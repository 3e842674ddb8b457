// Records exercises into the learner's history so that none is lost when its
// folder fails. An exercise that cannot be written waits in a second store
// in another folder (the user's own, where the history lies on a server), or
// in memory when that fails too; every later recording, and the next start,
// writes what waits first. Tokens keep an exercise from arriving twice, also
// when two programs of one user catch up at the same moment.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "history/history_store.h"

namespace kv {

enum class RecordFate {
  Recorded,        // in the history
  Kept,            // waits in the store beside, written later
  KeptWhileOpen,   // waits in memory only: lost if the program ends first
  NotRecorded,     // the history comes from a newer program and is never written
};

struct RecordOutcome {
  RecordFate fate = RecordFate::Recorded;
  // For the learner: empty when all went well; otherwise the cause, with what
  // became of the exercise. A damaged history set aside is told here too.
  std::string notice;
};

class HistoryRecorder {
 public:
  // `waitingPlaces`: files for exercises that wait, in the order of choice;
  // one that is the history itself or lies in its folder is skipped.
  HistoryRecorder(std::filesystem::path history, std::vector<std::filesystem::path> waitingPlaces,
                  StoreOptions options = {});

  RecordOutcome record(ExerciseRecord record);

  // Writes every waiting exercise into the history; the number written.
  // Quietly leaves them waiting while the history still cannot be written.
  int catchUp();

  // Exercises that wait: in memory, and in the first waiting file that can
  // be read. Only looks at files that exist, so it costs nothing at a start
  // where nothing waits.
  int waiting();
  bool anythingWaiting() const;

  // The history, opened on first use; null with the reason in `notice`.
  HistoryStore* history(std::string& notice);
  void closeHistory();

  // The sentence for exercises that wait in memory when the program ends.
  std::string lostOnExitNotice() const;
  int waitingInMemory() const { return static_cast<int>(inMemory_.size()); }

 private:
  // Opens the history once; what opening had to say waits in openNotice_
  // for the first caller that shows it.
  HistoryStore* ensureHistory();
  bool keep(const ExerciseRecord& record);
  std::string causeOfLastFailure() const;

  std::filesystem::path historyFile_;
  std::vector<std::filesystem::path> places_;
  StoreOptions options_;
  std::unique_ptr<HistoryStore> history_;
  std::vector<ExerciseRecord> inMemory_;
  std::string lastCause_;
  std::string openNotice_;
};

}  // namespace kv
