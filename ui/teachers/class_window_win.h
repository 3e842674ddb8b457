// "Ergebnisse einer Klasse", the teachers' window: the saved exercises a
// class handed in, listed with their figures and a grade by the chosen grade
// key, sorted by any column; a result opens in the result window as a saved
// exercise does; the list goes out as CSV and as the Klassenübersicht. On a
// class test it shows one row per learner of the test's list and watches the
// hand-in folder while the test runs. A folder that cannot be read is named,
// and the list read last stays. A thin shell over classroom/ and exam/,
// which kvtool shares.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "classroom/class_scan.h"
#include "classroom/grade_key.h"
#include "exam/class_test.h"
#include "exam/test_status.h"
#include "platform/win/handles.h"
#include "ui/shared/hosted_child_window_win.h"
#include "ui/shared/measure_log_win.h"
#include "ui/teachers/offered_keys_win.h"

namespace kv {

inline constexpr const wchar_t* kClassChildClass = L"KlaventoClassResults";

// One row of the list: a file of the folder, or in a class test a learner of
// its list with or without a hand-in, or a file that belongs to nobody.
struct ClassRow {
  std::optional<ClassResult> result;  // none: nothing handed in
  std::string name;                   // Windows-1252, as the list shows it
  std::string status;
  std::optional<int> grade;  // in a class test, as the test's status has it
  int order = 0;             // place in the folder's or the test list's order
  std::wstring id;           // what the selection follows over a refresh
};

// A file as the folder listing saw it; a file whose size and time stay is
// not read again.
struct ListedFile {
  std::wstring path;
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  bool operator==(const ListedFile&) const = default;
};

struct CachedResult {
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  std::shared_ptr<const ClassResult> result;
};

// What the window read and shows: kept aside while a result opened from the
// list is open, and taken back after it.
struct ClassListState {
  std::wstring folder;    // what is read: the class folder, or the test's hand-in folder
  std::wstring testFile;  // empty: a plain class folder
  std::optional<ClassTest> test;
  std::wstring testNotice;  // the test in the share differs from the teacher's copy
  std::vector<ListedFile> listed;
  std::map<std::wstring, CachedResult> cache;
  std::vector<ClassResult> scanned;
  std::optional<TestStatus> status;
  std::vector<ClassRow> rows;
  bool everRead = false;
  bool unreachable = false;
  SYSTEMTIME lastRead{};
  DWORD readError = ERROR_SUCCESS;
  bool cancelled = false;
  std::size_t filesFound = 0;
  int sortColumn = 0;  // -1: the folder's or the test list's order
  bool ascending = true;
};

class ClassWindow final : public HostedChildWindow<ClassWindow> {
 public:
  enum ControlId : int {
    kFolderLabelId = 1001,
    kFolderId = 1002,
    kChooseId = 1003,
    kKeyLabelId = 1004,
    kKeyBoxId = 1005,
    kLoadKeyId = 1006,
    kListId = 1007,
    kOpenId = 1008,
    kCsvId = 1009,
    kOverviewId = 1010,
    kCloseId = 1011,
    kSummaryId = 1012,
    kEditKeyId = 1013,
    kNoticeId = 1014,
  };
  // The list's columns, in order.
  enum Column : int {
    kName, kClass, kDate, kForm, kText, kTime, kKeystrokes, kErrors, kPercent, kPerMinute, kGrade, kStatus,
    kColumnCount
  };

  explicit ClassWindow(ChildHost& host);
  ~ClassWindow() override;

  bool create();

  ChildKind kind() const override { return ChildKind::ClassResults; }
  void refreshFontsAndColours() override;
  SIZE minimumSize() const override;

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  struct ReadJob;

 private:
  friend class win::MdiChildWindow<ClassWindow>;

  HWND focusTarget() const override { return state_.rows.empty() ? choose_ : list_; }
  void createControls();
  void layout();
  // `testKeyFirst`: the test's own key is chosen, as when the test opens.
  void offerKeys(bool testKeyFirst = false);
  const GradeKey* chosenKey() const;
  void chooseFolder();
  // Opens on the folder: on its test when it holds one or is a test's
  // hand-in folder, else as a class folder.
  void openFolder(std::wstring folder);
  // Opens on the test in this file; false when it cannot be read (said).
  bool openTest(const std::wstring& testFile);
  // By value: the folder given is often the one the state held before.
  void openFolderPlain(std::wstring folder);
  void showTestCaption();
  // The grades follow a key chosen, loaded or edited.
  void keyChanged();
  std::shared_ptr<ReadJob> newJob(bool force) const;
  void loadKeyFile();
  void editKey();
  // Reads the folder now, with the progress window for many files.
  void scan();
  // Starts a reading in the background when none runs.
  void watch();
  void readingDone();
  // Takes a reading in; `forced` rebuilds the rows even when nothing changed.
  void takeReading(ReadJob& job, bool forced);
  void rebuildRows();
  void showSummary();
  void showNotice();
  void keepTimer();
  // Fills the list with the rows, the row `keep` chosen again (else the
  // first) and, with `keepScroll`, scrolled as it was.
  void fillList(const std::wstring& keep, bool keepScroll);
  // Narrows the columns that can give way until the list needs no
  // horizontal scrolling, as far as they can.
  void fitColumns();
  void sortRows();
  void sortBy(int column);
  void openSelected();
  // The list left for a result, taken back, with the row that was chosen;
  // nothing when none waits.
  std::optional<std::wstring> takeWaitingList();
  // A file name from the save dialog, starting in the class folder and
  // "<what> <class> <day>.<extension>" as the name.
  std::optional<std::wstring> askSavePath(const wchar_t* filter, const wchar_t* title, const wchar_t* extension,
                                          std::string_view what) const;
  void exportCsv();
  void exportOverview();
  std::wstring cellText(const ClassRow& row, int column) const;
  std::wstring selectedId() const;

  ClassListState state_;
  std::vector<OfferedKey> keys_;
  std::shared_ptr<ReadJob> job_;  // the reading in the background, if one runs
  bool timerRunning_ = false;
  bool reading_ = false;

  win::Font dialogFont_;
  win::Font noticeFont_;
  HWND folderLabel_ = nullptr;
  HWND folderField_ = nullptr;
  HWND choose_ = nullptr;
  HWND keyLabel_ = nullptr;
  HWND keyBox_ = nullptr;
  HWND loadKey_ = nullptr;
  HWND editKey_ = nullptr;
  HWND list_ = nullptr;
  HWND summary_ = nullptr;
  HWND notice_ = nullptr;
  HWND open_ = nullptr;
  HWND csv_ = nullptr;
  HWND overview_ = nullptr;
  HWND close_ = nullptr;
  // From the request to the filled list, for bench/class_window.sh.
  MeasureLog openLog_{L"KV_MEASURE_CLASS"};
  LARGE_INTEGER opened_ = MeasureLog::now();
};

std::unique_ptr<ChildWindow> createClassWindow(ChildHost& host);
// Whether a result was opened from the teachers' list, which it returns to.
bool classListWaiting();

}  // namespace kv
