#include "history/history_recorder.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <utility>

#include "platform/encoding.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// Folders compared as Windows compares them: case does not matter.
std::string folderKey(const fs::path& file) {
  std::string key = file.parent_path().lexically_normal().generic_string();
  while (!key.empty() && key.back() == '/') key.pop_back();
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return key;
}

const char* kKeptSentence =
    "Die \u00DCbung ist aufbewahrt und wird eingetragen, sobald der Lernverlauf wieder geschrieben "
    "werden kann, sp\u00E4testens beim n\u00E4chsten Start von Klavento.";
const char* kInMemorySentence =
    "Auch an anderer Stelle lie\u00DF sich die \u00DCbung nicht aufbewahren. Klavento tr\u00E4gt sie ein, "
    "sobald der Lernverlauf wieder geschrieben werden kann, solange das Programm ge\u00F6ffnet bleibt; "
    "beim Beenden wird es ein letztes Mal versucht.";

}  // namespace

HistoryRecorder::HistoryRecorder(fs::path history, std::vector<fs::path> waitingPlaces, StoreOptions options)
    : historyFile_(std::move(history)), options_(options) {
  const std::string own = folderKey(historyFile_);
  for (fs::path& place : waitingPlaces) {
    // Waiting in the folder that failed would only fail again.
    if (!place.empty() && folderKey(place) != own) places_.push_back(std::move(place));
  }
}

HistoryStore* HistoryRecorder::ensureHistory() {
  if (!history_) history_ = HistoryStore::open(historyFile_, openNotice_, options_);
  return history_.get();
}

HistoryStore* HistoryRecorder::history(std::string& notice) {
  HistoryStore* store = ensureHistory();
  // A damaged file set aside while catching up is still told, once.
  notice = std::exchange(openNotice_, std::string());
  return store;
}

void HistoryRecorder::closeHistory() { history_.reset(); }

bool HistoryRecorder::anythingWaiting() const {
  if (!inMemory_.empty()) return true;
  std::error_code ec;
  return std::any_of(places_.begin(), places_.end(), [&](const fs::path& p) { return fs::exists(p, ec); });
}

int HistoryRecorder::waiting() {
  int count = static_cast<int>(inMemory_.size());
  std::error_code ec;
  for (const fs::path& place : places_) {
    if (!fs::exists(place, ec)) continue;
    std::string ignored;
    if (auto store = HistoryStore::open(place, ignored)) count += static_cast<int>(std::max<std::int64_t>(0, store->count()));
  }
  return count;
}

bool HistoryRecorder::keep(const ExerciseRecord& record) {
  for (const fs::path& place : places_) {
    std::string ignored;
    auto store = HistoryStore::open(place, ignored);
    if (store && !store->readOnly() && store->record(record, ignored)) return true;
  }
  return false;
}

int HistoryRecorder::catchUp() {
  if (!anythingWaiting()) return 0;
  std::string notice;
  HistoryStore* store = ensureHistory();
  if (store == nullptr || store->readOnly()) return 0;
  int written = 0;
  // Those in memory are the older ones when the places beside failed too.
  while (!inMemory_.empty()) {
    if (!store->record(inMemory_.front(), notice)) {
      lastCause_ = notice;
      return written;
    }
    inMemory_.erase(inMemory_.begin());
    ++written;
  }
  std::error_code ec;
  for (const fs::path& place : places_) {
    if (!fs::exists(place, ec)) continue;
    std::string ignored;
    auto waitingStore = HistoryStore::open(place, ignored);
    if (!waitingStore) continue;
    for (const ExerciseRecord& r : waitingStore->records(ignored)) {
      if (!store->record(r, notice)) {
        lastCause_ = notice;
        return written;
      }
      // Written (or found written by another program): it waits no longer.
      // Should forgetting fail, the token keeps it from arriving twice.
      waitingStore->forget(r.token, ignored);
      ++written;
    }
  }
  return written;
}

RecordOutcome HistoryRecorder::record(ExerciseRecord record) {
  if (record.token.empty()) record.token = newRecordToken();
  catchUp();
  RecordOutcome outcome;
  std::string notice;
  HistoryStore* store = history(notice);
  if (store != nullptr && store->readOnly()) {
    outcome.fate = RecordFate::NotRecorded;
    store->record(record, outcome.notice);
    return outcome;
  }
  const std::string opened = notice;
  if (store != nullptr && store->record(record, notice)) {
    outcome.notice = notice.empty() ? opened : notice;  // a damaged file set aside, or nothing
    return outcome;
  }
  lastCause_ = notice;
  if (keep(record)) {
    outcome.fate = RecordFate::Kept;
    outcome.notice = notice + " " + w1252(kKeptSentence);
  } else {
    inMemory_.push_back(std::move(record));
    outcome.fate = RecordFate::KeptWhileOpen;
    outcome.notice = notice + " " + w1252(kInMemorySentence);
  }
  return outcome;
}

std::string HistoryRecorder::lostOnExitNotice() const {
  if (inMemory_.empty()) return {};
  const std::string count = inMemory_.size() == 1 ? w1252("Eine \u00DCbung konnte")
                                                  : std::to_string(inMemory_.size()) + w1252(" \u00DCbungen konnten");
  return count + w1252(" nicht in den Lernverlauf eingetragen werden und gehen beim Beenden verloren. ") +
         lastCause_;
}

}  // namespace kv
