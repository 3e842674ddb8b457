// The teachers' window reading its folder: listing it, reading what is new in
// the background while a test runs, and opening a folder or a test.
#include "ui/teachers/class_window_win.h"
#include "ui/teachers/class_window_parts_win.h"

#include <algorithm>
#include <cwchar>
#include <functional>
#include <utility>

#include "evaluation/saved_file.h"
#include "exam/class_test.h"
#include "exam/test_status.h"
#include "platform/encoding.h"
#include "platform/win/message_box.h"
#include "platform/win/modal.h"
#include "platform/win/strings.h"
#include "ui/exam/class_test_places_win.h"
#include "ui/shared/app_state.h"
#include "ui/shared/progress_window_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// From this many files on, the scan shows the progress window.
constexpr std::size_t kFilesWithoutProgress = 150;

std::uint64_t joined(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

bool isResultName(const wchar_t* name) {
  const std::size_t length = std::wcslen(name);
  return length > 4 && ::lstrcmpiW(name + length - 4, L".kvw") == 0;
}

bool isDots(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

// The folder's ".kvw" files and those of its subfolders one level down, as
// classFiles finds them, with their size and time from the listing itself:
// one request per folder, not one per file, which counts on a network share.
// False when the folder cannot be listed; `error` then holds the reason.
bool listClassFolder(const std::wstring& folder, std::vector<ListedFile>& files, DWORD& error) {
  files.clear();
  std::vector<std::wstring> subfolders;
  const auto list = [&](const std::wstring& dir, bool descend) {
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = (fs::path(dir) / L"*").wstring();
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      error = ::GetLastError();
      // A drive's root holds no "." entry: empty, not unreachable.
      return error == ERROR_FILE_NOT_FOUND;
    }
    do {
      if (isDots(found.cFileName)) continue;
      const std::wstring path = (fs::path(dir) / found.cFileName).wstring();
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (descend && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) subfolders.push_back(path);
      } else if (isResultName(found.cFileName)) {
        files.push_back({path, joined(found.nFileSizeHigh, found.nFileSizeLow),
                         joined(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime)});
      }
    } while (::FindNextFileW(search, &found));
    error = ::GetLastError();
    ::FindClose(search);
    return error == ERROR_NO_MORE_FILES;
  };
  if (!list(folder, true)) return false;
  for (const std::wstring& sub : subfolders) {
    // A learner's folder that cannot be read is left out, as the class scan
    // does; one that fails because the whole folder went is not.
    if (!list(sub, false) && ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
      error = ::GetLastError();
      return false;
    }
  }
  std::sort(files.begin(), files.end(),
            [](const ListedFile& a, const ListedFile& b) { return fs::path(a.path) < fs::path(b.path); });
  error = ERROR_SUCCESS;
  return true;
}

// The single test file in `folder`, or the test whose hand-in folder it is;
// empty when there is none or more than one.
std::wstring testOfFolder(const std::wstring& folder) {
  const auto testsIn = [](const fs::path& dir) {
    std::vector<fs::path> tests;
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = (dir / (L"*" + win::widen(kClassTestExtension))).wstring();
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return tests;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) tests.push_back(dir / found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return tests;
  };
  const fs::path place = fs::path(folder).lexically_normal();
  const std::vector<fs::path> here = testsIn(place);
  if (here.size() == 1) return here.front().wstring();
  if (!here.empty()) return {};
  const fs::path trimmed = place.has_filename() ? place : place.parent_path();
  std::vector<fs::path> owners;
  for (const fs::path& test : testsIn(trimmed.parent_path())) {
    if (::lstrcmpiW(handInFolderOf(test).lexically_normal().wstring().c_str(), trimmed.wstring().c_str()) == 0) {
      owners.push_back(test);
    }
  }
  return owners.size() == 1 ? owners.front().wstring() : std::wstring();
}

}  // namespace

using teachers::kReadingDone;
using teachers::kWatchEveryMs;
using teachers::kWatchTimer;

// One reading of the folder: what it starts from and what it found. A
// reading in the background works on copies only, so the window may close
// or read again meanwhile; it posts kReadingDone when it is done.
struct ClassWindow::ReadJob {
  std::wstring folder;
  std::map<std::wstring, CachedResult> cache;
  std::vector<ListedFile> before;
  std::optional<ClassTest> test;
  std::optional<GradeKey> key;
  HWND notify = nullptr;
  bool force = false;  // read and judge even when the listing is as before

  bool reachable = false;
  DWORD error = ERROR_SUCCESS;
  bool changed = false;
  bool cancelled = false;
  std::vector<ListedFile> listed;
  std::vector<ClassResult> scanned;
  std::optional<TestStatus> status;
  SYSTEMTIME readAt{};
  volatile LONG done = 0;

  // Lists the folder: whether it can be reached and whether anything changed.
  void list() {
    reachable = listClassFolder(folder, listed, error);
    ::GetLocalTime(&readAt);
    changed = reachable && listed != before;
  }
  bool needsReading() const { return reachable && (changed || force); }
  bool cached(const ListedFile& f) const {
    const auto at = cache.find(f.path);
    return at != cache.end() && at->second.size == f.size && at->second.written == f.written;
  }
  std::size_t toRead() const {
    return static_cast<std::size_t>(std::count_if(listed.begin(), listed.end(), [&](const ListedFile& f) { return !cached(f); }));
  }
  // Reads what is new or changed, takes the rest from the cache, and judges
  // the test's hand-ins. `progress(done, total)` over the files read; false
  // stops early.
  void readListed(const std::function<bool(std::size_t, std::size_t)>& progress = {}) {
    const std::size_t total = toRead();
    std::map<std::wstring, CachedResult> kept;
    std::size_t read = 0;
    const fs::path base(folder);
    scanned.reserve(listed.size());
    for (const ListedFile& f : listed) {
      if (cached(f)) {
        const CachedResult& c = cache.at(f.path);
        scanned.push_back(*c.result);
        kept.emplace(f.path, c);
        continue;
      }
      auto result = std::make_shared<const ClassResult>(readClassResult(fs::path(f.path), base));
      scanned.push_back(*result);
      ++read;
      // A file that could not be read at all is tried again next time.
      if (result->valid ||
          result->refusedMessage != resultFileErrorMessage(ResultFileError::CannotRead, result->shownName)) {
        kept.emplace(f.path, CachedResult{f.size, f.written, std::move(result)});
      }
      if (progress && !progress(read, total)) {
        cancelled = true;
        break;
      }
    }
    // Files that failed because the folder went are no refusals.
    if (std::any_of(scanned.begin(), scanned.end(), [](const ClassResult& r) { return !r.valid; }) &&
        ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
      error = ::GetLastError();
      reachable = false;
      return;
    }
    cache = std::move(kept);
    if (test) status = testStatus(*test, scanned, key ? &*key : nullptr);
  }
  void run() {
    list();
    if (needsReading()) readListed();
  }

  static DWORD WINAPI inBackground(void* parameter) {
    auto* held = static_cast<std::shared_ptr<ReadJob>*>(parameter);
    ReadJob& job = **held;
    job.run();
    ::InterlockedExchange(&job.done, 1);
    ::PostMessageW(job.notify, kReadingDone, 0, 0);
    delete held;
    return 0;
  }
};

void ClassWindow::openFolder(std::wstring folder) {
  if (!folder.empty()) {
    const std::wstring test = testOfFolder(folder);
    if (!test.empty() && openTest(test)) return;
  }
  openFolderPlain(folder);
}

void ClassWindow::openFolderPlain(std::wstring folder) {
  const bool wasTest = state_.test.has_value();
  const int sortColumn = state_.sortColumn < 0 ? kName : state_.sortColumn;
  const bool ascending = state_.sortColumn < 0 ? true : state_.ascending;
  job_.reset();
  state_ = ClassListState{};
  state_.folder = folder;
  state_.sortColumn = sortColumn;
  state_.ascending = ascending;
  ::SetWindowTextW(folderField_, folder.c_str());
  if (!folder.empty()) appState().classFolder = win::narrowLossy(folder);
  showTestCaption();
  if (wasTest) offerKeys();
  // The rows of the folder before are no rows of this one, reached or not.
  fillList({}, false);
  if (folder.empty()) {
    showNotice();
    showSummary();
    return;
  }
  scan();
}

bool ClassWindow::openTest(const std::wstring& testFile) {
  const fs::path file(testFile);
  ClassTest shared;
  std::string why;
  if (readClassTestFile(file, shared, why) != TestFileError::None) {
    win::showError(host_.frame(), testFileMessage(cp1252OfPath(file), why));
    return false;
  }
  // The share is writable by many; the copy the teacher prepared is not.
  ClassTest used = shared;
  std::string notice;
  std::error_code ec;
  if (const fs::path copy = teachersCopyOf(shared.id); fs::exists(copy, ec)) {
    ClassTest own;
    std::string ownWhy;
    if (readClassTestFile(copy, own, ownWhy) != TestFileError::None) {
      notice = w1252("Ihre eigene Fassung dieser Klassenarbeit ist nicht lesbar (") + ownWhy +
               w1252("); es gilt die Klassenarbeit im Ordner.");
    } else if (!(own == shared)) {
      used = std::move(own);
      notice = w1252("Die Klassenarbeit im Ordner wurde verändert. Es gilt Ihre eigene Fassung, "
                     "wie Sie sie vorbereitet haben.");
    }
  }
  if (!notice.empty()) win::showError(host_.frame(), notice);
  job_.reset();
  state_ = ClassListState{};
  state_.folder = handInFolderOf(file).wstring();
  state_.testFile = testFile;
  state_.test = std::move(used);
  state_.testNotice = win::widen(notice);
  state_.sortColumn = -1;
  ::SetWindowTextW(folderField_, state_.folder.c_str());
  appState().classFolder = win::narrowLossy(state_.folder);
  showTestCaption();
  offerKeys(true);
  fillList({}, false);
  scan();
  return true;
}

std::shared_ptr<ClassWindow::ReadJob> ClassWindow::newJob(bool force) const {
  auto job = std::make_shared<ReadJob>();
  job->folder = state_.folder;
  job->cache = state_.cache;
  job->before = state_.listed;
  job->test = state_.test;
  if (const GradeKey* key = chosenKey()) job->key = *key;
  job->notify = hwnd_;
  job->force = force || !state_.everRead;
  return job;
}

void ClassWindow::scan() {
  if (reading_) return;
  reading_ = true;
  job_.reset();
  const std::shared_ptr<ReadJob> job = newJob(true);
  job->list();
  bool cancelled = false;
  if (job->needsReading()) {
    const std::size_t files = job->toRead();
    if (files >= kFilesWithoutProgress) {
      AppState& state = appState();
      runWithProgress(
          host_.frame(),
          [&] {
            state.progressMax = static_cast<std::int32_t>(files);
            job->readListed([&](std::size_t done, std::size_t) {
              state.progressPosition = static_cast<std::int32_t>(done);
              if (done % 25 == 0) win::processPendingMessages();
              return hwnd_ != nullptr && !cancelled;
            });
          },
          cancelled);
    } else {
      job->readListed();
    }
  }
  reading_ = false;
  takeReading(*job, true);
}

void ClassWindow::watch() {
  if (reading_ || state_.folder.empty()) return;
  if (job_ && job_->done == 0) return;  // the one under way answers first
  job_ = newJob(false);
  auto* held = new std::shared_ptr<ReadJob>(job_);
  const HANDLE thread = ::CreateThread(nullptr, 0, &ReadJob::inBackground, held, 0, nullptr);
  if (thread != nullptr) {
    ::CloseHandle(thread);
    return;
  }
  delete held;
  job_->run();
  ::InterlockedExchange(&job_->done, 1);
  readingDone();
}

void ClassWindow::readingDone() {
  if (!job_ || job_->done == 0) return;
  const std::shared_ptr<ReadJob> job = std::move(job_);
  // A folder that could not be reached when it was chosen may hold a test.
  if (!state_.test && !state_.everRead && job->reachable) {
    openFolder(state_.folder);
    keepTimer();
    return;
  }
  takeReading(*job, false);
}

void ClassWindow::takeReading(ReadJob& job, bool forced) {
  if (!job.reachable) {
    state_.unreachable = true;
    state_.readError = job.error;
  } else {
    const bool fresh = forced || job.changed || !state_.everRead;
    state_.unreachable = false;
    state_.lastRead = job.readAt;
    if (fresh && (job.changed || job.force)) {
      const std::wstring keep = selectedId();
      // A reading stopped early is finished by the next one.
      state_.listed = job.cancelled ? std::vector<ListedFile>() : std::move(job.listed);
      state_.filesFound = job.cancelled ? job.listed.size() : state_.listed.size();
      state_.cache = std::move(job.cache);
      state_.scanned = std::move(job.scanned);
      state_.status = std::move(job.status);
      state_.cancelled = job.cancelled;
      state_.everRead = true;
      rebuildRows();
      fillList(keep, !keep.empty());
    }
  }
  showNotice();
  showSummary();
  keepTimer();
}

void ClassWindow::keepTimer() {
  if (hwnd_ == nullptr) return;
  // A test is watched while the window is open; a class folder only while
  // it cannot be reached.
  const bool wanted = !state_.folder.empty() && (state_.test.has_value() || state_.unreachable);
  if (wanted && !timerRunning_) {
    timerRunning_ = ::SetTimer(hwnd_, kWatchTimer, kWatchEveryMs, nullptr) != 0;
  } else if (!wanted && timerRunning_) {
    ::KillTimer(hwnd_, kWatchTimer);
    timerRunning_ = false;
  }
}

void ClassWindow::rebuildRows() {
  state_.rows.clear();
  if (state_.test && state_.status) {
    const TestStatus& status = *state_.status;
    for (std::size_t i = 0; i < status.rows.size(); ++i) {
      const TestRow& t = status.rows[i];
      ClassRow row;
      row.result = t.result;
      row.name = t.learner;
      if (row.name.empty() && t.result) row.name = t.result->line1.empty() ? t.result->shownName : t.result->line1;
      if (t.ownTime) row.name += " (" + minutesText(t.seconds) + ")";
      row.status = t.statusText;
      row.grade = t.grade;
      row.order = static_cast<int>(i);
      row.id = static_cast<int>(i) < status.listed ? L"L:" + win::widen(t.learner)
                                                   : L"F:" + (t.result ? t.result->file.wstring() : std::wstring());
      state_.rows.push_back(std::move(row));
    }
  } else {
    for (std::size_t i = 0; i < state_.scanned.size(); ++i) {
      const ClassResult& r = state_.scanned[i];
      ClassRow row;
      row.result = r;
      row.name = r.line1.empty() && !r.valid ? r.shownName : r.line1;
      row.status = r.status;
      row.order = static_cast<int>(i);
      row.id = L"F:" + r.file.wstring();
      state_.rows.push_back(std::move(row));
    }
  }
  sortRows();
}

}  // namespace kv
