// "Klassenarbeit vorbereiten" itself: its controls and layout, the text, the
// grade key, the class list and the folder chosen, and the messages.
#include "ui/exam/exam_prepare_dialog_win.h"
#include "ui/exam/exam_prepare_parts_win.h"

#include <algorithm>
#include <filesystem>

#include "core/settings.h"
#include "exam/class_list.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/controls.h"
#include "platform/win/file_dialog.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "texts/archive.h"
#include "texts/archive_scan.h"
#include "ui/selection/template_printing_win.h"
#include "ui/shared/folder_picker_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr WPARAM kClassNameMax = 30;

// The form's name with its Alt letter before the first `letter`.
std::wstring withAltLetter(int form, wchar_t letter) {
  std::wstring name = win::widen(formName(form));
  const std::size_t at = name.find(letter);
  if (at != std::wstring::npos) name.insert(at, 1, L'&');
  return name;
}

}  // namespace

using test_preparation::kDefaultMinutes;
using test_preparation::namedLines;
using test_preparation::readField;
using test_preparation::secondsOfMinutes;

void ClassTestPreparation::onCreate() {
  const auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, DWORD ex = 0) {
    return win::createControl(hwnd_, cls, text, style, 0, 0, 10, 10, id, ex);
  };
  const auto label = [&](int id, const wchar_t* text) { add(L"STATIC", text, SS_LEFT, id); };
  const auto edit = [&](int id, const wchar_t* text, DWORD style = 0) {
    return add(L"EDIT", text, WS_TABSTOP | ES_AUTOHSCROLL | style, id, WS_EX_CLIENTEDGE);
  };
  const auto button = [&](int id, const wchar_t* text) { add(L"BUTTON", text, WS_TABSTOP | BS_PUSHBUTTON, id); };
  const AppState& state = appState();

  label(kArchiveLabel, L"Text&archiv:");
  add(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kArchiveBox);
  label(kTextLabel, L"&Text:");
  add(L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, kTextList, WS_EX_CLIENTEDGE);
  add(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kTextInfo);

  add(L"BUTTON", L"Übungsform", BS_GROUPBOX, kFormGroup);
  add(L"BUTTON", withAltLetter(static_cast<int>(ExerciseForm::FromPaper), L'V').c_str(),
      BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, kFormPaper);
  add(L"BUTTON", withAltLetter(static_cast<int>(ExerciseForm::OnScreenText), L'B').c_str(), BS_AUTORADIOBUTTON,
      kFormScreen);
  ::CheckRadioButton(hwnd_, kFormPaper, kFormScreen, kFormPaper);

  add(L"BUTTON", L"Regeln", BS_GROUPBOX, kRulesGroup);
  label(kMinutesLabel, L"&Zeit in Minuten:");
  edit(kMinutes, std::to_wstring(kDefaultMinutes).c_str(), WS_GROUP);
  ::SendMessageW(control(kMinutes), EM_LIMITTEXT, 5, 0);
  add(L"BUTTON", L"Korrektur &erlaubt", WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, kCorrection);
  ::SendMessageW(control(kCorrection), BM_SETCHECK, BST_CHECKED, 0);
  label(kAttemptsLabel, L"Ve&rsuche je Lernendem:");
  edit(kAttempts, L"1", ES_NUMBER);
  ::SendMessageW(control(kAttempts), EM_LIMITTEXT, 1, 0);

  label(kKeyLabel, L"&Notenschlüssel:");
  add(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kKeyBox);
  button(kLoadKey, L"Sc&hlüssel laden …");

  label(kClassLabel, L"&Klasse:");
  edit(kClassField, L"");
  ::SendMessageW(control(kClassField), EM_LIMITTEXT, kClassNameMax, 0);
  label(kListLabel, L"Klassenl&iste: ein Name je Zeile, mehr Zeit mit Minuten dahinter („Müller, Jonas; 12,5“)");
  add(L"EDIT", L"", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, kList,
      WS_EX_CLIENTEDGE);
  button(kLoadList, L"Liste &laden …");
  add(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kListNote);

  label(kFolderLabel, L"&Ordner:");
  const std::string& folder =
      !state.settings.folders.classTests.empty() ? state.settings.folders.classTests : state.settings.folders.teacher;
  edit(kFolder, win::widen(folder).c_str());
  button(kBrowse, L"D&urchsuchen …");

  button(kPrint, L"Vorlage &drucken");
  button(kSave, L"&Speichern");
  button(kCancel, L"Abbrechen");

  applyFont();
  fillArchives();
  offerKeys(state.classGradeKey);
  showListNote();
  layout();
  ::SetFocus(control(kTextList));
}

void ClassTestPreparation::layout() {
  const win::DialogUnits du(font_.get());
  const int m = du.x(7), gap = du.x(4), rowH = du.y(12), labelH = du.y(9), buttonH = du.y(14);
  int buttonW = du.x(60);
  for (int id : {kLoadKey, kLoadList, kBrowse, kPrint, kSave, kCancel}) {
    buttonW = std::max<int>(buttonW, win::textExtent(font_.get(), win::windowText(control(id))).cx + du.x(12));
  }
  const int leftW = du.x(170), rightW = du.x(180);
  const int width = m + leftW + du.x(10) + rightW + m;
  const int inner = width - 2 * m;
  const auto place = [&](int id, int x, int y, int w, int h) { ::MoveWindow(control(id), x, y, w, h, FALSE); };

  // Left: the text.
  int y = m;
  place(kArchiveLabel, m, y + du.y(2), du.x(40), labelH);
  place(kArchiveBox, m + du.x(40), y, leftW - du.x(40), du.y(120));
  y += rowH + du.y(5);
  place(kTextLabel, m, y, leftW, labelH);
  y += labelH + du.y(1);
  const int listH = du.y(92);
  place(kTextList, m, y, leftW, listH);
  y += listH + du.y(3);
  place(kTextInfo, m, y, leftW, 2 * labelH);
  const int leftBottom = y + 2 * labelH;

  // Right: form, rules, grade key.
  const int rx = m + leftW + du.x(10);
  y = m - du.y(2);
  const int formH = du.y(40);
  place(kFormGroup, rx, y, rightW, formH);
  place(kFormPaper, rx + du.x(8), y + du.y(11), rightW - du.x(16), du.y(10));
  place(kFormScreen, rx + du.x(8), y + du.y(24), rightW - du.x(16), du.y(10));
  y += formH + du.y(4);
  const int rulesH = du.y(58);
  place(kRulesGroup, rx, y, rightW, rulesH);
  const int fieldX = rx + du.x(100), fieldW = du.x(30);
  place(kMinutesLabel, rx + du.x(8), y + du.y(14), du.x(90), labelH);
  place(kMinutes, fieldX, y + du.y(12), fieldW, rowH);
  place(kCorrection, rx + du.x(8), y + du.y(28), rightW - du.x(16), du.y(10));
  place(kAttemptsLabel, rx + du.x(8), y + du.y(43), du.x(90), labelH);
  place(kAttempts, fieldX, y + du.y(41), fieldW, rowH);
  y += rulesH + du.y(5);
  place(kKeyLabel, rx, y, rightW, labelH);
  y += labelH + du.y(1);
  place(kKeyBox, rx, y, rightW, du.y(100));
  y += rowH + du.y(4);
  place(kLoadKey, rx + rightW - buttonW, y, buttonW, buttonH);
  y += buttonH;

  // Below, the whole width: the class, the folder, the buttons.
  y = std::max(y, leftBottom) + du.y(8);
  const int labelW = du.x(40);
  place(kClassLabel, m, y + du.y(2), labelW, labelH);
  place(kClassField, m + labelW, y, du.x(70), rowH);
  y += rowH + du.y(5);
  place(kListLabel, m, y, inner, labelH);
  y += labelH + du.y(1);
  const int namesH = du.y(62);
  place(kList, m, y, inner - buttonW - gap, namesH);
  place(kLoadList, m + inner - buttonW, y, buttonW, buttonH);
  y += namesH + du.y(2);
  place(kListNote, m, y, inner, 2 * labelH);
  y += 2 * labelH + du.y(5);
  place(kFolderLabel, m, y + du.y(2), labelW, labelH);
  place(kFolder, m + labelW, y, inner - labelW - buttonW - gap, rowH);
  place(kBrowse, m + inner - buttonW, y, buttonW, buttonH);
  y += buttonH + du.y(10);
  place(kPrint, m, y, buttonW, buttonH);
  place(kCancel, width - m - buttonW, y, buttonW, buttonH);
  place(kSave, width - m - 2 * buttonW - gap, y, buttonW, buttonH);
  win::setClientSize(hwnd_, width, y + buttonH + m);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

// ---- The text ----

void ClassTestPreparation::fillArchives() {
  const AppState& state = appState();
  archives_.clear();
  for (const std::string& entry : state.programArchives) {
    archives_.push_back({entryName(entry), entryName(entry), entryPath(entry)});
  }
  for (const std::string& entry : state.ownArchives) {
    archives_.push_back({entryName(entry) + w1252(" (eigenes Textarchiv)"), entryName(entry), entryPath(entry)});
  }
  const HWND box = control(kArchiveBox);
  ::SendMessageW(box, CB_RESETCONTENT, 0, 0);
  int chosen = 0;
  for (std::size_t i = 0; i < archives_.size(); ++i) {
    ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::widen(archives_[i].caption).c_str()));
    if (sameArchivePath(archives_[i].path, state.currentText.archivePath)) chosen = static_cast<int>(i);
  }
  if (archives_.empty()) {
    showTextInfo();
    return;
  }
  ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
  chooseArchive(chosen);
  // The text the selection shows, when it is in this archive.
  const auto position = ::SendMessageW(control(kTextList), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(win::widen(state.exercise.textTitle).c_str()));
  if (position != LB_ERR && !state.exercise.textTitle.empty()) {
    ::SendMessageW(control(kTextList), LB_SETCURSEL, static_cast<WPARAM>(position), 0);
    chooseText(static_cast<int>(position));
  }
}

void ClassTestPreparation::chooseArchive(int index) {
  const HWND list = control(kTextList);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  textLoaded_ = false;
  header_ = TextArchiveHeader{};
  if (index < 0 || index >= static_cast<int>(archives_.size())) {
    showTextInfo();
    return;
  }
  const TextArchives reader(win::narrowLossy(win::programPath()));
  text_ = CurrentText{};
  if (!reader.openArchive(archives_[static_cast<std::size_t>(index)].path, header_, text_) ||
      header_.textCount <= 0) {
    showTextInfo();
    win::showError(hwnd_, archiveReadErrorMessage(archives_[static_cast<std::size_t>(index)].path));
    return;
  }
  for (int i = 0; i < header_.textCount; ++i) {
    const std::wstring title = win::widen(header_.entries[static_cast<std::size_t>(i)].title);
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
  }
  ::SendMessageW(list, LB_SETCURSEL, 0, 0);
  chooseText(0);
}

void ClassTestPreparation::chooseText(int position) {
  textLoaded_ = false;
  if (position >= 0 && position < header_.textCount) {
    // All of the text's lines: a class test copies the whole text.
    textLoaded_ = TextArchives(win::narrowLossy(win::programPath()))
                      .loadText(header_, position + 1, false, LineSelection{}, text_) &&
                  !text_.lines.empty();
    if (textLoaded_) {
      // The keystrokes of the whole text, as an exercise over it counts them.
      LineSelection all;
      all.firstLine = 1;
      all.lastLine = static_cast<std::int32_t>(text_.lines.size());
      CurrentText counted = text_;
      applyLineSelection(all, counted);
      text_.totalKeystrokes = counted.totalKeystrokes;
    } else {
      win::showError(hwnd_, archiveReadErrorMessage(text_.archivePath));
    }
  }
  showTextInfo();
}

void ClassTestPreparation::showTextInfo() {
  std::wstring info = L"Kein Text gewählt.";
  const auto position = ::SendMessageW(control(kTextList), LB_GETCURSEL, 0, 0);
  if (textLoaded_ && position >= 0 && position < header_.textCount) {
    const std::size_t lines = text_.lines.size();
    info = L"„" + win::widen(header_.entries[static_cast<std::size_t>(position)].title) + L"“: " +
           std::to_wstring(lines) + (lines == 1 ? L" Zeile, " : L" Zeilen, ") +
           std::to_wstring(text_.totalKeystrokes) + L" Anschläge";
  }
  ::SetWindowTextW(control(kTextInfo), info.c_str());
  ::EnableWindow(control(kPrint), textLoaded_);
}

void ClassTestPreparation::printTemplateSheet() {
  const auto position = ::SendMessageW(control(kTextList), LB_GETCURSEL, 0, 0);
  const auto archive = ::SendMessageW(control(kArchiveBox), CB_GETCURSEL, 0, 0);
  if (!textLoaded_ || position < 0 || position >= header_.textCount || archive < 0 ||
      archive >= static_cast<LRESULT>(archives_.size())) {
    return;
  }
  printTemplate(hwnd_, header_.entries[static_cast<std::size_t>(position)].title,
                archives_[static_cast<std::size_t>(archive)].name, text_.lines);
}

// ---- Grade key ----

void ClassTestPreparation::offerKeys(const std::string& remembered) {
  KeyOffer offer = offerGradeKeys(appState().settings.folders.gradeKey, remembered);
  if (!offer.schoolKeyProblem.empty()) win::showError(hwnd_, offer.schoolKeyProblem);
  showKeyOffer(control(kKeyBox), offer);
  keys_ = std::move(offer.keys);
}

void ClassTestPreparation::loadKeyFile() {
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Open;
  request.filter = L"Notenschlüssel (*.txt)\0*.txt\0Alle Dateien (*.*)\0*.*\0";
  request.title = L"Notenschlüssel laden";
  request.defaultExtension = L"txt";
  request.folder = win::widen(appState().settings.folders.teacher);
  const win::FileDialogAnswer answer = win::askForFile(hwnd_, request);
  if (answer.outcome != win::FileDialogAnswer::Outcome::Chosen) return;
  std::string why;
  const std::optional<GradeKey> key = loadGradeKey(fs::path(answer.path), why);
  if (!key) {
    win::showError(hwnd_, why);
    return;
  }
  offerKeys(formatGradeKey(*key));
}

// ---- The class ----

std::int32_t ClassTestPreparation::fieldSeconds() const {
  return secondsOfMinutes(win::windowText(control(kMinutes))).value_or(0);
}

void ClassTestPreparation::loadClassList() {
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Open;
  request.filter = L"Klassenlisten (*.csv; *.txt)\0*.csv;*.txt\0Alle Dateien (*.*)\0*.*\0";
  request.title = L"Klassenliste laden";
  request.folder = win::widen(appState().settings.folders.teacher);
  const win::FileDialogAnswer answer = win::askForFile(hwnd_, request);
  if (answer.outcome == win::FileDialogAnswer::Outcome::Failed) {
    win::showError(hwnd_, L"Der Dialog zum Öffnen ließ sich nicht zeigen (Fehlercode " +
                              std::to_wstring(answer.error) + L").");
  }
  if (answer.outcome != win::FileDialogAnswer::Outcome::Chosen) return;
  const fs::path file(answer.path);
  const std::wstring shown = L"„" + file.filename().wstring() + L"“";
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file, ec);
  std::string bytes;
  std::string refusal;
  if (!ec && size > kLargestClassList) {
    refusal = readClassList(std::string(kLargestClassList + 1, ' ')).refusal;
  } else if (!readWholeFile(file, bytes, kLargestClassList + 1)) {
    win::showError(hwnd_, L"Die Klassenliste " + shown + L" lässt sich nicht lesen.");
    return;
  }
  const std::int32_t seconds = fieldSeconds() > 0 ? fieldSeconds() : kDefaultMinutes * 60;
  ClassListReading reading;
  if (refusal.empty()) {
    reading = readClassList(bytes, seconds);
    refusal = reading.refusal;
  }
  if (!refusal.empty()) {
    win::showError(hwnd_, L"Die Klassenliste " + shown + L" wurde nicht übernommen. " + win::widen(refusal));
    return;
  }
  fillingList_ = true;
  ::SetWindowTextW(control(kList), win::widen(classListText(reading.learners, seconds)).c_str());
  fillingList_ = false;
  fileNotUnderstood_ = reading.notUnderstood;
  listFile_ = file.filename().wstring();
  showListNote();
  if (!reading.notUnderstood.empty()) {
    win::showError(hwnd_, L"Aus " + shown + L" wurden " + std::to_wstring(reading.learners.size()) +
                              L" Namen übernommen. Diese Zeilen wurden nicht verstanden und fehlen in der Liste:\n" +
                              namedLines(reading.notUnderstood));
  }
}

void ClassTestPreparation::showListNote() {
  const ClassListReading reading = readField(win::windowText(control(kList)), fieldSeconds());
  std::wstring note;
  if (!reading.refusal.empty()) {
    note = win::widen(reading.refusal);
  } else if (reading.learners.empty()) {
    note = L"Ohne Liste tippen die Lernenden ihren Namen selbst.";
  } else {
    note = std::to_wstring(reading.learners.size()) + (reading.learners.size() == 1 ? L" Name" : L" Namen");
    const auto longer = std::count_if(reading.learners.begin(), reading.learners.end(),
                                      [](const TestLearner& l) { return l.seconds > 0; });
    if (longer > 0) note += L", davon " + std::to_wstring(longer) + L" mit eigener Zeit";
    note += L".";
  }
  std::vector<std::string> left = fileNotUnderstood_;
  left.insert(left.end(), reading.notUnderstood.begin(), reading.notUnderstood.end());
  if (!left.empty()) {
    note += L" Nicht verstanden" + (fileNotUnderstood_.empty() ? L"" : L" (aus „" + listFile_ + L"“)") + L": ";
    for (std::size_t i = 0; i < left.size() && i < 3; ++i) note += (i == 0 ? L"" : L"; ") + win::widen(left[i]);
    if (left.size() > 3) note += L"; und " + std::to_wstring(left.size() - 3) + L" weitere";
  }
  ::SetWindowTextW(control(kListNote), note.c_str());
}

// ---- The folder ----

void ClassTestPreparation::browseFolder() {
  const std::optional<std::wstring> chosen =
      pickFolder(hwnd_, L"Ordner der Klasse auf dem Schulserver, in den die Klassenarbeit gelegt wird:",
                 win::windowText(control(kFolder)));
  if (chosen) ::SetWindowTextW(control(kFolder), chosen->c_str());
}

LRESULT ClassTestPreparation::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      onCreate();
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kArchiveBox:
          if (HIWORD(wParam) == CBN_SELCHANGE) {
            chooseArchive(static_cast<int>(::SendMessageW(control(kArchiveBox), CB_GETCURSEL, 0, 0)));
          }
          return 0;
        case kTextList:
          if (HIWORD(wParam) == LBN_SELCHANGE) {
            chooseText(static_cast<int>(::SendMessageW(control(kTextList), LB_GETCURSEL, 0, 0)));
          }
          return 0;
        case kList:
          if (HIWORD(wParam) == EN_CHANGE && !fillingList_) {
            fileNotUnderstood_.clear();
            showListNote();
          }
          return 0;
        case kMinutes:
          if (HIWORD(wParam) == EN_CHANGE) showListNote();
          return 0;
        case kLoadKey: loadKeyFile(); return 0;
        case kLoadList: loadClassList(); return 0;
        case kBrowse: browseFolder(); return 0;
        case kPrint: printTemplateSheet(); return 0;
        case kSave: save(); return 0;
        case IDOK: {
          // Return presses the focused button; in a field it does nothing.
          const HWND focus = ::GetFocus();
          const int id = focus != nullptr && ::GetParent(focus) == hwnd_ ? ::GetDlgCtrlID(focus) : 0;
          if (id == kLoadKey || id == kLoadList || id == kBrowse || id == kPrint || id == kSave || id == kCancel) {
            ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(focus));
          }
          return 0;
        }
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
