// The "Adaptiv üben" window: where the learner stands before and after each
// adaptive lesson. It names the keys that are open, the focus key of the
// next lesson and the key that comes next with a forecast, shows them on the
// keyboard and lists each open key's speed against the learner's target and
// its misses. "Nächste Lektion" (Return) makes the next lesson from
// everything typed so far and starts it in the chosen exercise form.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "adaptive/adaptive_lesson.h"
#include "keyboard/key_table.h"
#include "keyboard/keyboard_renderer_win.h"
#include "platform/win/handles.h"
#include "ui/shared/hosted_child_window_win.h"

namespace kv {

inline constexpr const wchar_t* kAdaptiveChildClass = L"KlaventoAdaptive";

class AdaptiveWindow final : public HostedChildWindow<AdaptiveWindow> {
 public:
  enum ControlId : int {
    kSummaryId = 1501,
    kKeysListId,
    kFormLabelId,
    kFormId,
    kTargetLabelId,
    kTargetId,
    kTargetSpinId,
    kTargetUnitId,
    kNextId,
    kCloseId,
  };

  explicit AdaptiveWindow(ChildHost& host);
  ~AdaptiveWindow() override;
  bool create();

  ChildKind kind() const override { return ChildKind::Adaptive; }
  void refreshFontsAndColours() override;
  SIZE minimumSize() const override;

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // For tests: the figures the window shows.
  const AdaptiveProgress& progress() const { return progress_; }

 private:
  friend class win::MdiChildWindow<AdaptiveWindow>;

  HWND focusTarget() const override { return next_; }
  void load();
  void createControls();
  void fillControls();
  void layout();
  void paint(HDC dc);
  void paintKeyboard(HDC dc, const RECT& area);
  void targetChanged();
  void formChosen();
  void startLesson();
  void close();

  AdaptiveProgress progress_;
  int lessonsTyped_ = 0;  // adaptive lessons in the records read
  std::string loadNotice_;
  KeyTable keys_;
  win::KeyboardRenderer keyboard_;

  win::Font dialogFont_;
  win::Font headingFont_;
  HWND summary_ = nullptr;
  HWND keysList_ = nullptr;
  HWND formLabel_ = nullptr;
  HWND form_ = nullptr;
  HWND targetLabel_ = nullptr;
  HWND target_ = nullptr;
  HWND targetSpin_ = nullptr;
  HWND targetUnit_ = nullptr;
  HWND next_ = nullptr;
  HWND close_ = nullptr;
  RECT headingRect_{};
  RECT keyboardRect_{};
  bool filling_ = false;
  bool starting_ = false;
};

std::unique_ptr<ChildWindow> createAdaptiveWindow(ChildHost& host);

}  // namespace kv
