#include "ui/exercise/result_options_dialog_win.h"

#include <algorithm>

#include "core/settings.h"
#include "platform/win/strings.h"
#include "ui/shared/minor_window_rules.h"

namespace kv {
namespace {
// The header line's maximum: a longer text would be cut mid-word without the
// learner seeing it, so the field stops taking characters there.
constexpr auto kFieldLimit = static_cast<WPARAM>(kLearnerLineMax);
constexpr const wchar_t* kIntroText =
    L"Angaben für den Kopf der Auswertung (z. B. Name, Klasse):";
}  // namespace

void ResultOptionsDialog::onCreate() {
  const AppState& state = appState();
  win::disableSystemCommand(hwnd_, SC_CLOSE);
  done_ = false;
  const auto label = [&](int id, const wchar_t* text, DWORD extra = 0) {
    win::createControl(hwnd_, L"STATIC", text, SS_LEFT | extra, 0, 0, 10, 10, id);
  };
  const auto edit = [&](int id, const std::string& text) {
    const HWND field = win::createControl(hwnd_, L"EDIT", win::widen(text).c_str(),
                                          WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 10, 10, id,
                                          WS_EX_CLIENTEDGE);
    ::SendMessageW(field, EM_LIMITTEXT, kFieldLimit, 0);
  };
  const auto radio = [&](int id, const wchar_t* text, bool first) {
    win::createControl(hwnd_, L"BUTTON", text,
                       BS_AUTORADIOBUTTON | WS_TABSTOP | (first ? WS_GROUP : 0u), 0, 0, 10, 10,
                       id);
  };
  label(kIntro, kIntroText);
  label(kLine1Label, L"&1. Zeile:");
  edit(kLine1, state.resultOptions.learnerLine1);
  label(kLine2Label, L"&2. Zeile:");
  edit(kLine2, state.resultOptions.learnerLine2);
  label(kTimeCaption, L"Übungszeit angeben:", SS_NOTIFY);
  radio(kTimeYes, L"&Ja", true);
  radio(kTimeNo, L"&Nein", false);
  label(kSpeedCaption, L"Anschläge pro Minute angeben:", SS_NOTIFY);
  radio(kSpeedYes, L"J&a", true);
  radio(kSpeedNo, L"N&ein", false);
  win::createControl(hwnd_, L"BUTTON", L"OK", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 0, 10,
                     10, kOk);

  ::CheckRadioButton(hwnd_, kTimeYes, kTimeNo, kTimeYes);
  ::CheckRadioButton(hwnd_, kSpeedYes, kSpeedNo, kSpeedYes);
  const ExerciseParameters& exercise = state.exercise;
  if (exerciseTimeChoiceLocked(exercise.form, exercise.pace, state.timeLimitReached)) {
    ::EnableWindow(control(kTimeNo), FALSE);
  }
  if (keystrokesChoiceLocked(exercise.form, exercise.pace)) {
    ::EnableWindow(control(kSpeedNo), FALSE);
  }
  applyFont();
  layout();
  ::SetFocus(control(kLine1));
}

void ResultOptionsDialog::layout() {
  const win::DialogUnits du(font_.get());
  const int margin = du.x(7);
  const int labelWidth = std::max<int>(du.x(40), win::textExtent(font_.get(), L"&2. Zeile:").cx);
  const int introWidth = win::textExtent(font_.get(), kIntroText).cx + du.x(2);
  const int fieldWidth = std::max(du.x(190), introWidth - labelWidth - du.x(4));
  const int width = margin + labelWidth + du.x(4) + fieldWidth + margin;
  const int row = du.y(12);
  const int fieldHeight = du.y(12);
  int y = margin;
  ::MoveWindow(control(kIntro), margin, y, width - 2 * margin, du.y(9), FALSE);
  y += du.y(14);
  static constexpr int kFieldRows[][2] = {{kLine1Label, kLine1}, {kLine2Label, kLine2}};
  for (const auto& fieldRow : kFieldRows) {
    ::MoveWindow(control(fieldRow[0]), margin, y + du.y(2), labelWidth, du.y(9), FALSE);
    ::MoveWindow(control(fieldRow[1]), margin + labelWidth + du.x(4), y, fieldWidth, fieldHeight,
                 FALSE);
    y += row + du.y(4);
  }
  y += du.y(4);
  const int captionWidth =
      std::max<int>(win::textExtent(font_.get(), L"Anschläge pro Minute angeben:").cx,
                    win::textExtent(font_.get(), L"Übungszeit angeben:").cx) +
      du.x(4);
  const int choiceWidth = du.x(36);
  static constexpr int kChoiceRows[][3] = {{kTimeCaption, kTimeYes, kTimeNo},
                                          {kSpeedCaption, kSpeedYes, kSpeedNo}};
  for (const auto& choiceRow : kChoiceRows) {
    ::MoveWindow(control(choiceRow[0]), margin, y + du.y(1), captionWidth, du.y(9), FALSE);
    ::MoveWindow(control(choiceRow[1]), margin + captionWidth + du.x(6), y, choiceWidth, du.y(10),
                 FALSE);
    ::MoveWindow(control(choiceRow[2]), margin + captionWidth + du.x(6) + choiceWidth, y,
                 choiceWidth, du.y(10), FALSE);
    y += row;
  }
  y += du.y(6);
  const int buttonWidth = du.x(50);
  const int buttonHeight = du.y(14);
  ::MoveWindow(control(kOk), width - margin - buttonWidth, y, buttonWidth, buttonHeight, FALSE);
  win::setClientSize(hwnd_, width, y + buttonHeight + margin);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

std::string ResultOptionsDialog::fieldText(int id) const {
  return win::narrowLossy(win::windowText(control(id)));
}

void ResultOptionsDialog::onCaptionClicked(int yes) {
  const HWND caption = control(yes == kTimeYes ? kTimeCaption : kSpeedCaption);
  const HWND choice = control(yes);
  if (!::IsWindowEnabled(caption) || !::IsWindowEnabled(choice)) return;
  ::CheckRadioButton(hwnd_, yes, yes + 1, yes);
  ::SetFocus(choice);
}

void ResultOptionsDialog::onOk() {
  AppState& state = appState();
  state.resultOptions = resultOptionsFrom(
      fieldText(kLine1), fieldText(kLine2), ::IsDlgButtonChecked(hwnd_, kTimeYes) == BST_CHECKED,
      ::IsDlgButtonChecked(hwnd_, kSpeedYes) == BST_CHECKED, state.exercise.form,
      state.exercise.pace);
  endDialog();
}

bool ResultOptionsDialog::mayClose() {
  if (done_) return true;
  ::MessageBeep(0xFFFFFFFF);
  return false;
}

LRESULT ResultOptionsDialog::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      onCreate();
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kOk:
        case IDOK:
          onOk();
          return 0;
        case kTimeCaption:
          if (HIWORD(wParam) == STN_CLICKED) onCaptionClicked(kTimeYes);
          return 0;
        case kSpeedCaption:
          if (HIWORD(wParam) == STN_CLICKED) onCaptionClicked(kSpeedYes);
          return 0;
        case IDCANCEL:
          // Escape is a close request like any other.
          ::MessageBeep(0xFFFFFFFF);
          return 0;
        default:
          break;
      }
      break;
    case DM_GETDEFID:
      return MAKELRESULT(kOk, DC_HASDEFID);
    default:
      break;
  }
  return finishMessage(msg, wParam, lParam);
}

}  // namespace kv
