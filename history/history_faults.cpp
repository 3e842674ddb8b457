// When the history file fails: what the failure means for the learner's
// folder, the sentence that tells it, and a damaged file set aside so that a
// new history can begin.
#include "history/history_store.h"

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <system_error>

#include "platform/encoding.h"

namespace kv {

namespace fs = std::filesystem;

namespace {

// Paths go into the learner's sentences, which are Windows-1252.
std::string textOfPath(const fs::path& path) {
  const std::u8string u8 = path.u8string();
  const std::string_view bytes(reinterpret_cast<const char*>(u8.data()), u8.size());
  if (auto converted = utf8ToCp1252(bytes)) return *converted;
  return std::string(bytes);
}

}  // namespace

FileProblem problemOfStoreError(int sqliteCode, std::uint32_t systemCode, const fs::path& file) {
  FileProblem problem{FileFault::Other, systemCode};
  switch (sqliteCode & 0xFF) {
    case SQLITE_FULL:
      problem.fault = FileFault::DiskFull;
      break;
    case SQLITE_READONLY:
      problem.fault = FileFault::ReadOnly;
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      problem.fault = FileFault::Locked;
      break;
    default:
      if (const FileFault fault = faultOfSystemCode(systemCode); fault != FileFault::None) problem.fault = fault;
      break;
  }
  // A server folder that dropped away gives whatever code the last call met;
  // the folder itself tells the truth.
  std::error_code ec;
  const bool folderThere = !file.has_parent_path() || fs::is_directory(file.parent_path(), ec);
  if (problem.fault != FileFault::DiskFull && problem.fault != FileFault::Locked && !folderThere) {
    problem.fault = FileFault::FolderMissing;
  }
  // SQLite retries a file it cannot create by opening it read-only, and
  // reports what that second try met: "not found" in a folder that is there.
  if (problem.fault == FileFault::FolderMissing && folderThere) problem.fault = FileFault::Other;
  return problem;
}

std::string damagedHistoryNotice(const fs::path& movedTo) {
  return w1252("Der Lernverlauf war beschädigt; er wurde als \u201E") +
         textOfPath(movedTo.filename()) + w1252("\u201C beiseitegelegt, und ein neuer Lernverlauf beginnt.");
}

void HistoryStore::noteFailure(int error) {
  std::uint32_t system = db_ != nullptr ? static_cast<std::uint32_t>(sqlite3_system_errno(db_)) : 0;
  const int primary = error & 0xFF;
  if (system == 0 && (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN)) {
    // A failed COMMIT does not keep the system's code; its file layer still
    // has it, as nothing has run since.
    if (sqlite3_vfs* vfs = sqlite3_vfs_find(options_.vfs); vfs != nullptr && vfs->xGetLastError != nullptr) {
      system = static_cast<std::uint32_t>(vfs->xGetLastError(vfs, 0, nullptr));
    }
  }
  failure_.sqliteCode = error;
  failure_.problem = problemOfStoreError(error, system, file_);
  if (failure_.problem.fault == FileFault::Other) {
    // Nothing names the cause: ask the folder itself, as a small file would.
    if (const FileProblem probed = probeFolder(file_.parent_path())) failure_.problem = probed;
  }
}

std::string HistoryStore::failureNotice(bool writing) const {
  std::string text = w1252("Der Lernverlauf \u201E") + textOfPath(file_) +
                     (writing ? w1252("\u201C konnte nicht geschrieben werden. ")
                              : w1252("\u201C konnte nicht gelesen werden. "));
  text += faultSentence(failure_.problem, textOfPath(file_.parent_path()), textOfPath(file_.filename()));
  if (failure_.problem.fault != FileFault::Other) {
    text += " (SQLite-Fehler " + std::to_string(failure_.sqliteCode) + ")";
  }
  return text;
}

bool HistoryStore::replaceDamaged(std::string& notice) {
  if (untrusted_) {
    // Someone else's file is never moved or replaced.
    notice = w1252("Der Lernverlauf ist beschädigt.");
    return false;
  }
  disconnect();
  fs::path aside;
  std::error_code ec;
  for (int n = 1; n < 1000; ++n) {
    fs::path candidate = file_;
    candidate.replace_filename(file_.stem().u8string() + u8"-beschädigt-" +
                               std::u8string(reinterpret_cast<const char8_t*>(std::to_string(n).c_str())) +
                               file_.extension().u8string());
    if (!fs::exists(candidate, ec)) {
      aside = candidate;
      break;
    }
  }
  if (aside.empty()) {
    notice = w1252("Der Lernverlauf ist beschädigt und konnte nicht beiseitegelegt werden.");
    return false;
  }
  fs::rename(file_, aside, ec);
  if (ec) {
    notice = w1252("Der Lernverlauf ist beschädigt und konnte nicht beiseitegelegt werden.");
    return false;
  }
  // Its journal belongs to the old file; left in place it would be played
  // into the new one.
  for (const char* suffix : {"-journal", "-wal", "-shm"}) {
    fs::path side = file_;
    side += suffix;
    if (fs::exists(side, ec)) {
      fs::path sideAside = aside;
      sideAside += suffix;
      fs::rename(side, sideAside, ec);
      if (ec) fs::remove(side, ec);
    }
  }
  std::string ignored;
  readOnly_ = false;
  if (!connect(ignored)) {
    notice = ignored;
    return false;
  }
  notice = damagedHistoryNotice(aside);
  return true;
}

}  // namespace kv
