// The program's frame window: hosts one child window at a time, switches
// between them on numbered requests, carries the status line, opens saved
// exercises and keeps the clipboard empty while an exercise is typed.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/win/clipboard.h"
#include "platform/win/handles.h"
#include "platform/win/window.h"
#include "ui/frame/child_windows_win.h"
#include "ui/shared/child_window_win.h"
#include "ui/frame/frame_rules.h"

namespace kv {

class SplashWindow;
struct HandInsDelivered;

inline constexpr const wchar_t* kMainWindowClass = L"KlaventoMainWindow";
inline constexpr const wchar_t* kAppTitle = L"Klavento 7";

// Children ask for the next window with this message; wParam is the request
// number (1 selection, 2 exercise, 3 result, 4 open a saved exercise).
inline constexpr UINT kRequestMessage = WM_APP + 1;

// Menu commands; tests send them as WM_COMMAND.
enum MainCommand : int {
  kCommandOpen = 201,
  kCommandExit = 202,
  kCommandWebDin = 203,
  kCommandWebSpelling = 204,
  kCommandAbout = 205,
  kCommandHandbook = 206,
  kCommandHistory = 207,
  kCommandClassResults = 208,
  kCommandMakeArchive = 209,
  kCommandOpenClassTest = 210,
  kCommandPrepareClassTest = 211,
};

// A try to hand in waiting class-test results ended; wParam: how many went in,
// lParam: the report, which the main window takes over.
inline constexpr UINT kHandInsDeliveredMessage = WM_APP + 3;
inline constexpr UINT_PTR kHandInTimerId = 401;
// How often results waiting on this PC are tried while the program runs.
inline constexpr UINT kHandInRetryMs = 20000;

// Where the user guide lies, relative to the program's folder: the setup
// installs it there, and the build puts it in the same place beside the
// program it builds.
inline constexpr const wchar_t* kHandbookPath = L"Handbuch\\Benutzerhandbuch.html";

// Child window identifiers inside the frame.
inline constexpr int kStatusBarId = 301;
inline constexpr int kMdiClientId = 302;
inline constexpr int kFirstMdiChildId = 1000;

class MainWindow final : public win::BaseWindow<MainWindow>, public ChildHost {
 public:
  MainWindow();
  ~MainWindow() override;

  // `splash` is closed once its display time is over; it may be null.
  bool create(int showCommand, SplashWindow* splash);
  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // ChildHost
  void request(int n) override;
  bool switching() const override { return !closeFollows_; }
  bool confirmClose() override;
  void childClosed(ChildWindow& child) override;
  void childMoved() override;
  void setStatusText(int panel, std::string_view text) override;
  void setStatusFivePanels(bool fivePanels) override;
  HWND mdiClient() const override { return mdiClient_; }
  HWND frame() const override { return hwnd_; }

  ChildWindow* child() const { return childAlive() ? child_.get() : nullptr; }

 private:
  static bool filterMessage(MSG& msg);

  void onCreate();
  // The menu bar with its popups, and the accelerator table for its keys.
  HMENU createMenuBar();
  void onFirstActivation();
  void onRequest(int n);
  void switchTo(ChildKind kind);
  void closeChild();
  void openSavedExercise();
  // A class test for a learner: from the command line, else from a dialog.
  void openClassTest();
  void prepareClassTest();
  void onHandInsDelivered(const HandInsDelivered& delivered);
  void keepTryingHandIns() override;
  bool onCommand(int id);
  bool historyCommandEnabled() const;
  bool classCommandEnabled() const;
  void addCourseArchive(const std::string& programPath);
  void onClose();
  void onDestroy();
  void onSize();
  void onGetMinMaxInfo(MINMAXINFO& info);
  void onClipboardChanged(WPARAM wParam, LPARAM lParam);
  void onActivateApp(bool active);
  void onDrawStatusItem(const DRAWITEMSTRUCT& item);
  void applyFontAndStatusLayout();
  void updateCommands();
  void showAbout();
  void openHandbook();
  void openWebPath(const char* path);
  void placeInitially(int showCommand);
  bool childAlive() const { return child_ != nullptr && child_->hwnd() != nullptr; }
  ChildKind childKind() const { return childAlive() ? child_->kind() : ChildKind::None; }
  RECT clientArea() const;

  SplashWindow* splash_ = nullptr;
  HWND statusBar_ = nullptr;
  HWND mdiClient_ = nullptr;
  HMENU fileMenu_ = nullptr;
  HMENU helpMenu_ = nullptr;
  HMENU teacherMenu_ = nullptr;  // null when a policy hides it
  HACCEL accelerators_ = nullptr;
  win::Font dialogFont_;
  win::ClipboardWatcher clipboard_;
  std::unique_ptr<ChildWindow> child_;
  std::optional<std::string> commandLineFile_;
  std::optional<std::string> commandLineClassTest_;
  bool firstActivationDone_ = false;
  bool closeFollows_ = true;
  bool switchingNow_ = false;
  int pendingRequest_ = 0;
  bool opening_ = false;
  bool aboutOpen_ = false;
  bool fivePanels_ = true;
  bool resizingForChild_ = false;
};

}  // namespace kv
