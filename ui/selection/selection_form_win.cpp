// The selection dialog's first page: the exercise form, the speed or time
// limit that goes with it, the finger colours and the correction choice.
#include "ui/selection/selection_dialog_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/win/strings.h"
#include "ui/selection/colour_chooser_win.h"
#include "ui/shared/app_state.h"

namespace kv {

void SelectionDialog::chooseOption(int id) {
  static constexpr int kGroups[][2] = {{kFormOption1, kFormOption1 + 3},
                                       {kPaceNone, kPaceValue},
                                       {kCorrectionNo, kCorrectionYes},
                                       {kModeEachLine, kModeWholeText}};
  for (const auto& group : kGroups) {
    if (id < group[0] || id > group[1]) continue;
    if (!::IsWindowEnabled(item(id))) return;
    for (int other = group[0]; other <= group[1]; ++other) check(other, other == id);
    return;
  }
}

int SelectionDialog::chosenForm() const {
  for (int form = 1; form <= 4; ++form) {
    if (checked(kFormOption1 + form - 1)) return form;
  }
  return form_;
}

void SelectionDialog::showColourButtons() {
  for (int form = 1; form <= 3; ++form) {
    ::ShowWindow(item(kColourButton1 + form - 1), page_ == 1 && form == form_ ? SW_SHOW : SW_HIDE);
  }
}

void SelectionDialog::onFormChosen(int form, bool shown) {
  AppState& state = appState();
  ExerciseParameters& ex = state.exercise;
  form_ = validForm(form);
  state.settings.fingers.colourTarget = form_ - 1;
  showColourButtons();
  // The picture is painted; its text is what a screen reader says of it.
  ::SetWindowTextW(item(kFormPicture), (L"Bild der Übungsform " + win::widen(formName(form_))).c_str());
  ::InvalidateRect(item(kFormPicture), nullptr, FALSE);

  const PaceGroup group = paceGroup(form_);
  ::SetWindowTextW(item(kPaceGroup), win::widen(group.caption).c_str());
  ::SetWindowTextW(item(kPaceNone), (L"&" + win::widen(group.noLimit)).c_str());
  std::wstring valueCaption = win::widen(group.valueOption);
  valueCaption.insert(std::min(group.valueMnemonic, valueCaption.size()), L"&");
  ::SetWindowTextW(item(kPaceValue), valueCaption.c_str());
  const HWND spin = item(kPaceSpin);
  ::SendMessageW(spin, UDM_SETRANGE32, static_cast<WPARAM>(group.minimum), group.maximum);
  UDACCEL accel{0, static_cast<UINT>(group.step)};
  ::SendMessageW(spin, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  ::SendMessageW(item(kPaceField), EM_LIMITTEXT, static_cast<WPARAM>(digitCount(group.maximum)), 0);

  const FormChoice choice = chooseForm(form_, ex.pace, ex.correctionAllowed, shown);
  ex.pace = choice.pace;
  ex.correctionAllowed = choice.correctionAllowed;
  if (!shown) {
    writing_ = true;
    ::SetDlgItemInt(hwnd_, kPaceField, static_cast<UINT>(choice.fieldValue), FALSE);
    writing_ = false;
    ::EnableWindow(item(kPaceField), choice.fieldEnabled);
    ::EnableWindow(spin, choice.fieldEnabled);
  }
  check(kPaceValue, choice.valueChosen);
  check(kPaceNone, !choice.valueChosen);
  ::EnableWindow(item(kCorrectionNo), choice.correction.enabled);
  ::EnableWindow(item(kCorrectionYes), choice.correction.enabled);
  check(kCorrectionYes, choice.correction.withCorrection);
  check(kCorrectionNo, !choice.correction.withCorrection);
  if (shown) onPaceOptionToggled();
}

void SelectionDialog::onPaceOptionToggled() {
  const bool value = checked(kPaceValue);
  ::EnableWindow(item(kPaceField), value);
  ::EnableWindow(item(kPaceSpin), value);
  writing_ = true;
  ::SetDlgItemInt(hwnd_, kPaceField, static_cast<UINT>(paceGroup(form_).minimum), FALSE);
  writing_ = false;
  if (form_ == 1) {
    ::EnableWindow(item(kCorrectionNo), value);
    ::EnableWindow(item(kCorrectionYes), value);
    check(kCorrectionNo, true);
    check(kCorrectionYes, false);
  }
}

void SelectionDialog::onColourButton() {
  if (form_ > 3) return;
  appState().settings.fingers.colourTarget = form_ - 1;
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  ColourChooser chooser(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  chooser.run(host_.frame());
  ::InvalidateRect(item(kFormPicture), nullptr, FALSE);
}

void SelectionDialog::onFormRightClick(int form) {
  if (form < 1 || form > 3 || !::IsWindowEnabled(item(kFormOption1 + form - 1))) return;
  if (form != form_) {
    for (int f = 1; f <= 4; ++f) check(kFormOption1 + f - 1, f == form);
    onFormChosen(form, shown_);
  }
  onColourButton();
}

}  // namespace kv
