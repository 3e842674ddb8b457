#include "ui/teachers/grade_key_dialog_win.h"

#include <algorithm>

#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/file_dialog.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"

namespace kv {
namespace {

constexpr const wchar_t* kMinimumKinds[] = {L"keine", L"gesamt", L"je Minute"};

std::wstring number(std::int64_t v) { return std::to_wstring(v); }

}  // namespace

void GradeKeyDialog::onCreate() {
  const auto label = [&](int id, const wchar_t* text) {
    win::createControl(hwnd_, L"STATIC", text, SS_LEFT, 0, 0, 10, 10, id);
  };
  const auto edit = [&](int id, const std::wstring& text) {
    win::createControl(hwnd_, L"EDIT", text.c_str(), WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 10, 10, id,
                       WS_EX_CLIENTEDGE);
  };
  label(kNameLabel, L"&Name:");
  edit(kName, win::widen(start_.name));
  label(kLimitsLabel, L"&Höchste Fehlerquote in % für Note 1 bis 5:");
  for (int g = 0; g < 5; ++g) edit(kLimit1 + g, win::widen(limitText(start_.limits[static_cast<std::size_t>(g)])));
  // One visible label stands for the row; screen readers get each field's own.
  for (int g = 1; g < 5; ++g) {
    win::labelForScreenReaders(control(kLimit1 + g),
                               (L"Höchste Fehlerquote in % für Note " + std::to_wstring(g + 1)).c_str());
  }
  label(kMinimumLabel, L"&Mindestanschläge:");
  win::createControl(hwnd_, L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWNLIST, 0, 0, 10, 100, kMinimumKind);
  for (const wchar_t* kind : kMinimumKinds) {
    ::SendMessageW(control(kMinimumKind), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kind));
  }
  ::SendMessageW(control(kMinimumKind), CB_SETCURSEL, static_cast<WPARAM>(start_.minimumKind), 0);
  edit(kMinimum, start_.minimum > 0 ? number(start_.minimum) : L"");
  win::labelForScreenReaders(control(kMinimum), L"Mindestanschläge");
  label(kStepLabel, L"je &Stufe von Anschlägen eine Note schlechter:");
  edit(kStep, number(start_.step));
  label(kMaxStepsLabel, L"höchstens S&tufen, darüber Note 6:");
  edit(kMaxSteps, number(start_.maxSteps));
  label(kReductionLabel, L"Nachteilsausgleich in % (&Minimum gesenkt):");
  edit(kReduction, number(start_.reductionPercent));
  label(kBonusLabel, L"&Bonus: über so vielen Anschlägen");
  edit(kBonusFrom, start_.bonus ? number(start_.bonusFrom) : L"");
  label(kBonusEveryLabel, L"je so vielen weiteren ein Fehler frei:");
  edit(kBonusEvery, start_.bonus ? number(start_.bonusEvery) : L"");
  win::createControl(hwnd_, L"BUTTON", L"Speichern &unter …", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, kSaveAs);
  win::createControl(hwnd_, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 10, 10, kOk);
  win::createControl(hwnd_, L"BUTTON", L"Abbrechen", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, kCancel);
  applyFont();
  layout();
  ::SetFocus(control(kLimit1));
  ::SendMessageW(control(kLimit1), EM_SETSEL, 0, -1);
}

void GradeKeyDialog::layout() {
  const win::DialogUnits du(font_.get());
  const int m = du.x(7), gap = du.x(4), rowH = du.y(12), labelH = du.y(9);
  const int labelW = du.x(190), smallW = du.x(34);
  const int width = m + labelW + gap + 5 * (smallW + gap) + m;
  int y = m;
  const auto row = [&](int labelId, std::initializer_list<int> fields) {
    ::MoveWindow(control(labelId), m, y + du.y(2), labelW, labelH, FALSE);
    int x = m + labelW + gap;
    for (const int id : fields) {
      const int w = id == kName ? 5 * smallW + 4 * gap : id == kMinimumKind ? 2 * smallW + gap : smallW;
      ::MoveWindow(control(id), x, y, w, id == kMinimumKind ? du.y(60) : rowH, FALSE);
      x += w + gap;
    }
    y += rowH + du.y(4);
  };
  row(kNameLabel, {kName});
  row(kLimitsLabel, {kLimit1, kLimit2, kLimit3, kLimit4, kLimit5});
  row(kMinimumLabel, {kMinimumKind, kMinimum});
  row(kStepLabel, {kStep});
  row(kMaxStepsLabel, {kMaxSteps});
  row(kReductionLabel, {kReduction});
  row(kBonusLabel, {kBonusFrom});
  row(kBonusEveryLabel, {kBonusEvery});
  y += du.y(4);
  const int buttonW = du.x(70), buttonH = du.y(14);
  ::MoveWindow(control(kSaveAs), m, y, buttonW, buttonH, FALSE);
  ::MoveWindow(control(kCancel), width - m - buttonW, y, buttonW, buttonH, FALSE);
  ::MoveWindow(control(kOk), width - m - 2 * buttonW - gap, y, buttonW, buttonH, FALSE);
  win::setClientSize(hwnd_, width, y + buttonH + m);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

std::optional<GradeKey> GradeKeyDialog::keyOfFields(std::string& why, int& field) const {
  // The control of each line of the text below.
  static constexpr int kFieldOfLine[] = {kName,    kLimit1,    kLimit2,   kLimit3,    kLimit4, kLimit5,
                                         kMinimum, kStep, kMaxSteps, kReduction, kBonusFrom};
  field = kLimit1;
  const auto text = [&](int id) { return cp1252ToUtf8(win::narrowLossy(win::windowText(control(id)))); };
  // Written as the key file is, line by line; an error's line names the field.
  const wchar_t* const fieldNames[] = {L"Name",          L"Note 1", L"Note 2", L"Note 3", L"Note 4", L"Note 5",
                                       L"Mindestanschläge", L"Stufe", L"Höchstens Stufen", L"Nachteilsausgleich",
                                       L"Bonus"};
  const auto kind = ::SendMessageW(control(kMinimumKind), CB_GETCURSEL, 0, 0);
  const std::string minimum = text(kMinimum);
  std::string file = "Name = " + text(kName) + "\n";
  for (int g = 0; g < 5; ++g) file += "Note " + std::to_string(g + 1) + " = " + text(kLimit1 + g) + "\n";
  file += "Mindestanschläge = " +
          (kind <= 0 ? std::string("keine") : minimum + (kind == 1 ? " gesamt" : " je Minute")) + "\n";
  file += "Stufe = " + text(kStep) + "\n";
  file += "Höchstens Stufen = " + text(kMaxSteps) + "\n";
  file += "Nachteilsausgleich = " + text(kReduction) + "\n";
  const std::string from = text(kBonusFrom), every = text(kBonusEvery);
  file += "Bonus = " + (from.empty() && every.empty() ? std::string("keiner") : "ab " + from + " je " + every) + "\n";
  GradeKeyError error;
  std::optional<GradeKey> key = parseGradeKey(file, error);
  if (!key) {
    std::string message = error.message;
    // "Zeile n: …" becomes the field's name, as the teacher sees it.
    if (error.line >= 1 && error.line <= static_cast<int>(std::size(fieldNames))) {
      const std::string prefix = "Zeile " + std::to_string(error.line) + ": ";
      if (message.rfind(prefix, 0) == 0) message.erase(0, prefix.size());
      message = win::narrowLossy(fieldNames[error.line - 1]) + ": " + message;
      field = kFieldOfLine[error.line - 1];
    } else if (message.find("Note ") != std::string::npos) {
      // Limits out of order: the limit named first.
      const std::size_t at = message.find("Note ");
      if (at + 5 < message.size() && message[at + 5] >= '1' && message[at + 5] <= '5') field = kLimit1 + (message[at + 5] - '1');
    }
    why = message;
  }
  return key;
}

void GradeKeyDialog::showRefusal(const std::string& why, int field) {
  win::showError(hwnd_, why);
  // Back to the field to mend, its text selected for typing over.
  ::SetFocus(control(field));
  ::SendMessageW(control(field), EM_SETSEL, 0, -1);
}

void GradeKeyDialog::onOk() {
  std::string why;
  int field = 0;
  std::optional<GradeKey> key = keyOfFields(why, field);
  if (!key) {
    showRefusal(why, field);
    return;
  }
  result_ = std::move(key);
  endDialog();
}

void GradeKeyDialog::onSaveAs() {
  std::string why;
  int field = 0;
  const std::optional<GradeKey> key = keyOfFields(why, field);
  if (!key) {
    showRefusal(why, field);
    return;
  }
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Save;
  request.filter = L"Notenschlüssel (*.txt)\0*.txt\0";
  request.title = L"Notenschlüssel speichern";
  request.defaultExtension = L"txt";
  request.folder = folder_;
  const win::FileDialogAnswer answer = win::askForFile(hwnd_, request);
  if (answer.outcome != win::FileDialogAnswer::Outcome::Chosen) return;
  const std::filesystem::path target(answer.path);
  const AtomicWriteResult written = writeFileAtomically(target, formatGradeKey(*key), {});
  if (!written) {
    win::showError(hwnd_, w1252("Der Notenschlüssel wurde nicht als „") + cp1252OfPath(target) +
                              w1252("“ gespeichert. ") + written.reason(target));
  }
}

LRESULT GradeKeyDialog::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
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
        case kSaveAs:
          onSaveAs();
          return 0;
        case kCancel:
        case IDCANCEL:
          endDialog();
          return 0;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return finishMessage(msg, wParam, lParam);
}

}  // namespace kv
