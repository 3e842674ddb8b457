// "Ergebnisse einer Klasse", the teachers' window: the saved exercises a
// class handed in, listed with their figures and a grade by the chosen grade
// key, sorted by any column; a result opens in the result window as a saved
// exercise does; the list goes out as CSV and as the Klassenübersicht. A thin
// shell over classroom/, which kvtool shares.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "classroom/class_scan.h"
#include "classroom/grade_key.h"
#include "platform/win/handles.h"
#include "ui/shared/hosted_child_window_win.h"
#include "ui/shared/measure_log_win.h"
#include "ui/teachers/offered_keys_win.h"

namespace kv {

inline constexpr const wchar_t* kClassChildClass = L"KlaventoClassResults";

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

  // For tests: the results in the list's order.
  const std::vector<ClassResult>& results() const { return results_; }

 private:
  friend class win::MdiChildWindow<ClassWindow>;

  HWND focusTarget() const override { return results_.empty() ? choose_ : list_; }
  void createControls();
  void layout();
  void offerKeys();
  const GradeKey* chosenKey() const;
  void chooseFolder();
  void loadKeyFile();
  void editKey();
  void scan();
  void fillList();
  void sortBy(int column);
  void openSelected();
  // The list left for a result, taken back; false when none waits.
  bool takeWaitingList();
  // A file name from the save dialog, starting in the class folder.
  std::optional<std::wstring> askSavePath(const wchar_t* filter, const wchar_t* title,
                                          const wchar_t* extension) const;
  void exportCsv();
  void exportOverview();
  std::wstring cellText(const ClassResult& r, int column) const;

  std::wstring folder_;
  std::vector<ClassResult> results_;
  std::vector<OfferedKey> keys_;
  int sortColumn_ = kName;
  bool sortAscending_ = true;

  win::Font dialogFont_;
  HWND folderLabel_ = nullptr;
  HWND folderField_ = nullptr;
  HWND choose_ = nullptr;
  HWND keyLabel_ = nullptr;
  HWND keyBox_ = nullptr;
  HWND loadKey_ = nullptr;
  HWND editKey_ = nullptr;
  HWND list_ = nullptr;
  HWND summary_ = nullptr;
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
