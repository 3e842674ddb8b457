// Runs one long task (the evaluation of an exercise or the scan of the
// teacher folder) while showing its progress. The user cannot close it; it
// closes itself when the task is done and it has been seen long enough.
// A task that may stop early (reading a class's folder) gets an "Abbrechen"
// button, which Escape presses too; the task asks the flag it sets.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/shared/popup_window_win.h"

namespace kv {

// The work to run. It runs on the window's thread, advances the progress
// counters of the application state and lets pending messages run now and
// then (win::processPendingMessages) so the window stays painted.
using ProgressTask = std::function<void()>;

class ProgressWindow final : public PopupWindow<ProgressWindow> {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoProgress";
  static constexpr int kBarId = 501;
  static constexpr int kCancelId = 502;
  static constexpr UINT kRefreshMs = 100;

  // Whether the task is an evaluation comes from the application state's
  // evaluation-running flag; it chooses the caption and the minimum time.
  explicit ProgressWindow(ProgressTask task, bool* cancelled = nullptr)
      : task_(std::move(task)), cancelled_(cancelled) {}

  void run(HWND owner) { runModal(owner); }
  bool done() const { return done_; }

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class PopupWindow<ProgressWindow>;
  std::wstring caption() const;
  void placeWindow();
  void onCreate();
  void runTask();
  void refreshBar();

  ProgressTask task_;
  bool* cancelled_ = nullptr;
  bool evaluating_ = false;
  bool firstActivation_ = true;
  bool refreshing_ = false;
};

// Shows the progress window over `owner` and runs the task in it.
void runWithProgress(HWND owner, ProgressTask task);
// The same with "Abbrechen"; `cancelled` is set when it is pressed.
void runWithProgress(HWND owner, ProgressTask task, bool& cancelled);

}  // namespace kv
