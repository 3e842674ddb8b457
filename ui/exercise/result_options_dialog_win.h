// Asked after an exercise, before the evaluation: two free lines for the
// result's header (name, class) and whether the exercise time and the
// keystrokes per minute are stated. Only OK closes it.
#pragma once

#include <windows.h>

#include <string>

#include "ui/shared/popup_window_win.h"

namespace kv {

class ResultOptionsDialog final : public PopupWindow<ResultOptionsDialog> {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoResultOptions";
  enum ControlId : int {
    kIntro = 601,
    kLine1Label = 602,
    kLine1 = 603,
    kLine2Label = 604,
    kLine2 = 605,
    kTimeCaption = 606,
    kTimeYes = 607,
    kTimeNo = 608,
    kSpeedCaption = 609,
    kSpeedYes = 610,
    kSpeedNo = 611,
    kOk = 612,
  };

  // Reads the exercise from the application state, writes its result options.
  void run(HWND owner) { runModal(owner); }
  bool done() const { return done_; }

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class PopupWindow<ResultOptionsDialog>;
  std::wstring caption() const { return L"Angaben zur Auswertung"; }

  void onCreate();
  void layout();
  void onCaptionClicked(int yes);
  void onOk();
  // Only OK closes it: any other way out beeps.
  bool mayClose();

  std::string fieldText(int id) const;
};

}  // namespace kv
