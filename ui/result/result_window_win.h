// The result window: the evaluated exercise, or a saved one, as a list of
// lines in a fixed-pitch font with the errors underlined; saving, printing,
// opening another saved exercise and closing.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "evaluation/result_layout.h"
#include "evaluation/summary.h"
#include "ui/shared/line_list_access_win.h"
#include "platform/win/handles.h"
#include "ui/shared/hosted_child_window_win.h"

namespace kv {

class ResultWindow final : public HostedChildWindow<ResultWindow> {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoResult";
  enum ControlId : int {
    kListId = 801,
    kSaveId = 802,  // "Ö&ffnen" in the file view
    kPrintId = 803,
    kCloseId = 804,
    kGripId = 805,
    kHandInId = 806,
    kWithoutEvaluationId = 806,  // the check box added to the print dialog
  };

  explicit ResultWindow(ChildHost& host);
  ~ResultWindow() override;

  // Builds the list from appState(): the saved file when fileView is set,
  // otherwise the fresh evaluation (which builds its summary once).
  bool create();

  // ChildWindow
  ChildKind kind() const override { return ChildKind::Result; }
  void refreshFontsAndColours() override;
  bool showsFile() const override { return fileView_; }
  void enableCommands(bool enabled) override;
  SIZE minimumSize() const override;
  void handInChanged() override;

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // The buttons' commands.
  void saveResult();
  void printResult();
  void openAnother();
  void closeResult();

  // Saving and opening once the file name is known (the dialogs' second half).
  bool saveTo(const std::wstring& chosenPath);
  bool openFile(const std::wstring& path);

  // The buttons off for the length of a command, on again on every way out.
  class CommandsOff {
   public:
    explicit CommandsOff(ResultWindow& window) : window_(window) { window_.enableCommands(false); }
    ~CommandsOff() { end(); }
    CommandsOff(const CommandsOff&) = delete;
    CommandsOff& operator=(const CommandsOff&) = delete;
    // On again before the scope ends.
    void end() {
      if (off_) window_.enableCommands(true);
      off_ = false;
    }

   private:
    ResultWindow& window_;
    bool off_ = true;
  };

  // For tests.
  const std::vector<std::string>& lines() const { return lines_; }
  bool unsaved() const { return unsaved_; }
  int fontSize() const { return fontSize_; }
  HWND list() const { return list_; }
  // For tests: the hand-in line of a class test's result; empty otherwise.
  const std::string& handInLine() const { return handInLine_; }
  std::int32_t longestLine() const { return longestLine_; }

 private:
  friend class win::MdiChildWindow<ResultWindow>;

  HWND focusTarget() const override { return list_; }
  void createControls();
  void loadFromState();
  void showLines();
  const wchar_t* caption() const;
  void applyCaptions();
  void applyDialogFont();
  void buildFontTable();
  void setListFontSize(int size);
  win::Font makeListFont(HDC dc, int size, bool underline) const;
  void placeInitially();
  void layout();
  int buttonStripHeight() const;
  int listFrameHeight() const;
  int listChromeWidth() const;
  // Snaps a proposed window rectangle (user sizing) to whole list lines.
  void snapSizingRect(WPARAM edge, RECT& rect);
  void drawLine(const DRAWITEMSTRUCT& item);
  bool listKey(WPARAM key);
  void setButtonsEnabled(bool enabled);
  std::string printTitleLearner() const;
  // Enters a fresh evaluation into the learner's history, unless a policy
  // switched the history off; before the summary frees the typed text.
  void recordInHistory(const SummaryInputs& in);

  // The list as screen readers see it: a line per item, its marks said as
  // errors.
  LineListAccess listAccess_;

  static LRESULT CALLBACK listProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  static LRESULT listMessage(HWND list, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR data);

  std::vector<std::string> lines_;
  std::int32_t longestLine_ = 0;
  std::int32_t typedLineCount_ = 0;
  bool fileView_ = false;
  bool compatibility_ = false;
  bool unsaved_ = true;
  bool withoutEvaluation_ = false;
  std::string historyNotice_;  // shown once the window is visible
  // A class test's hand-in: where it went or why it waits, in a line of its
  // own above the buttons; the reason once more in a message when it failed.
  std::string handInLine_;
  bool handInWaiting_ = false;
  std::string handInMessage_;
  HWND handInLabel_ = nullptr;
  bool historyFailed_ = false;  // the notice tells of an exercise not (yet) recorded

  HWND list_ = nullptr;
  HWND saveButton_ = nullptr;
  HWND printButton_ = nullptr;
  HWND closeButton_ = nullptr;
  HWND grip_ = nullptr;
  win::Font dialogFont_;
  win::Font listFont_;
  win::Font underlineFont_;
  FontTable fontTable_;
  int fontSize_ = kSmallestFontSize;
  int indentPixels_ = 0;
  bool placing_ = false;
};

std::unique_ptr<ChildWindow> createResultWindow(ChildHost& host);

}  // namespace kv
