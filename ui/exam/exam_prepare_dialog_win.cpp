#include "ui/exam/exam_prepare_dialog_win.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>

#include "core/settings.h"
#include "exam/class_list.h"
#include "exam/hand_in.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/controls.h"
#include "platform/win/file_dialog.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "texts/archive.h"
#include "texts/archive_scan.h"
#include "ui/exam/class_test_places_win.h"
#include "ui/selection/template_printing_win.h"
#include "ui/shared/folder_picker_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr int kDefaultMinutes = 10;
// A lesson's double period is the longest a school test runs.
constexpr int kMostMinutes = 180;
constexpr int kMostAttempts = 9;
constexpr WPARAM kClassNameMax = 30;
// Lines a message names before it counts the rest.
constexpr std::size_t kNamedLines = 12;

// The form's name with its Alt letter before the first `letter`.
std::wstring withAltLetter(int form, wchar_t letter) {
  std::wstring name = win::widen(formName(form));
  const std::size_t at = name.find(letter);
  if (at != std::wstring::npos) name.insert(at, 1, L'&');
  return name;
}

// "12,5" or "10": minutes with a decimal comma (or point); nothing otherwise.
std::optional<std::int32_t> secondsOfMinutes(const std::wstring& text) {
  std::wstring t = text;
  while (!t.empty() && t.back() == L' ') t.pop_back();
  while (!t.empty() && t.front() == L' ') t.erase(0, 1);
  if (t.empty() || t.size() > 8) return std::nullopt;
  std::int64_t whole = 0, fraction = 0, scale = 1;
  bool afterComma = false;
  for (const wchar_t c : t) {
    if ((c == L',' || c == L'.') && !afterComma) {
      afterComma = true;
    } else if (c >= L'0' && c <= L'9') {
      if (afterComma) {
        fraction = fraction * 10 + (c - L'0');
        scale *= 10;
      } else {
        whole = whole * 10 + (c - L'0');
      }
    } else {
      return std::nullopt;
    }
  }
  return static_cast<std::int32_t>(whole * 60 + (fraction * 60 + scale / 2) / scale);
}

std::string utf8Of(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(0, size)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// The list field's names as the class list reader takes them.
ClassListReading readField(const std::wstring& text, std::int32_t seconds) {
  return readClassList("\xEF\xBB\xBF" + utf8Of(text), seconds > 0 ? seconds : kDefaultMinutes * 60);
}

std::wstring namedLines(const std::vector<std::string>& lines) {
  std::wstring text;
  for (std::size_t i = 0; i < lines.size() && i < kNamedLines; ++i) text += L"\n" + win::widen(lines[i]);
  if (lines.size() > kNamedLines) text += L"\nund " + std::to_wstring(lines.size() - kNamedLines) + L" weitere";
  return text;
}

ClockTime now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return ClockTime{CalendarDate{t.wYear, t.wMonth, t.wDay}, t.wHour, t.wMinute, t.wSecond};
}

// Two tests prepared in the same second on two PCs still get two ids.
std::uint64_t randomBits() {
  std::random_device device;
  LARGE_INTEGER counter{};
  ::QueryPerformanceCounter(&counter);
  const auto wall = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
  std::seed_seq seeds{device(), device(), static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32),
                      static_cast<unsigned>(wall), static_cast<unsigned>(wall >> 32),
                      static_cast<unsigned>(::GetCurrentProcessId())};
  std::mt19937_64 random(seeds);
  return random();
}

std::wstring systemFault(DWORD code, const std::wstring& folder) {
  return win::widen(faultSentence(problemOfSystemCode(code), win::narrowLossy(folder)));
}

}  // namespace

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

std::optional<std::wstring> ClassTestPreparation::reachableFolder() {
  std::wstring folder = win::windowText(control(kFolder));
  while (!folder.empty() && folder.back() == L' ') folder.pop_back();
  while (!folder.empty() && folder.front() == L' ') folder.erase(0, 1);
  if (folder.empty()) {
    refuse(L"Bitte den Ordner angeben, in den die Klassenarbeit gelegt wird, etwa T:\\Klasse 8b oder "
           L"\\\\server\\freigabe\\Klasse 8b.",
           kFolder);
    return std::nullopt;
  }
  if (!fs::path(folder).is_absolute()) {
    refuse(L"„" + folder + L"“ ist kein vollständiger Ordner. Bitte mit Laufwerk (T:\\Klasse 8b) oder als "
           L"Netzwerkpfad (\\\\server\\freigabe\\Klasse 8b) angeben.",
           kFolder);
    return std::nullopt;
  }
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = ::GetLastError();
    const fs::path parent = fs::path(folder).parent_path();
    const DWORD parentAttributes = ::GetFileAttributesW(parent.c_str());
    const bool parentThere = parent != fs::path(folder) && parentAttributes != INVALID_FILE_ATTRIBUTES &&
                             (parentAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) && parentThere) {
      if (!win::askYesNo(hwnd_, L"Den Ordner „" + folder + L"“ gibt es noch nicht. Soll er angelegt werden?")) {
        ::SetFocus(control(kFolder));
        return std::nullopt;
      }
      if (!::CreateDirectoryW(folder.c_str(), nullptr)) {
        refuse(L"Der Ordner „" + folder + L"“ wurde nicht angelegt. " + systemFault(::GetLastError(), parent.wstring()),
               kFolder);
        return std::nullopt;
      }
      return folder;
    }
    std::wstring why = L"Der Ordner „" + folder + L"“ ist nicht erreichbar.";
    const FileProblem problem = problemOfSystemCode(code);
    if (problem.fault != FileFault::FolderMissing) why += L" " + systemFault(code, folder);
    refuse(why + L" Ist das Laufwerk verbunden und der Server erreichbar?", kFolder);
    return std::nullopt;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    refuse(L"„" + folder + L"“ ist eine Datei, kein Ordner.", kFolder);
    return std::nullopt;
  }
  return folder;
}

// ---- Saving ----

void ClassTestPreparation::refuse(const std::wstring& why, int field) {
  win::showError(hwnd_, why);
  ::SetFocus(control(field));
  if (field != kTextList && field != kList) ::SendMessageW(control(field), EM_SETSEL, 0, -1);
}

bool ClassTestPreparation::testOfFields(ClassTest& test, std::wstring& why, int& field) {
  const auto position = ::SendMessageW(control(kTextList), LB_GETCURSEL, 0, 0);
  if (!textLoaded_ || position < 0 || position >= header_.textCount) {
    why = L"Bitte einen Text wählen.";
    field = kTextList;
    return false;
  }
  test.title = header_.entries[static_cast<std::size_t>(position)].title;
  test.lines = text_.lines;
  test.form = ::SendMessageW(control(kFormScreen), BM_GETCHECK, 0, 0) == BST_CHECKED
                  ? static_cast<int>(ExerciseForm::OnScreenText)
                  : static_cast<int>(ExerciseForm::FromPaper);

  const std::wstring minutes = win::windowText(control(kMinutes));
  const std::optional<std::int32_t> seconds = secondsOfMinutes(minutes);
  field = kMinutes;
  if (!seconds || *seconds <= 0 || *seconds > kMostMinutes * 60) {
    why = L"Die Zeit „" + minutes + L"“ ist keine Zeit für eine Klassenarbeit. Bitte Minuten zwischen 1 und " +
          std::to_wstring(kMostMinutes) + L" angeben, halbe als 12,5.";
    return false;
  }
  test.seconds = *seconds;
  test.correctionAllowed = ::SendMessageW(control(kCorrection), BM_GETCHECK, 0, 0) == BST_CHECKED;
  const std::wstring attempts = win::windowText(control(kAttempts));
  field = kAttempts;
  if (attempts.size() != 1 || attempts[0] < L'1' || attempts[0] > L'0' + kMostAttempts) {
    why = L"Bitte als Versuche eine Zahl von 1 bis " + std::to_wstring(kMostAttempts) + L" angeben.";
    return false;
  }
  test.attempts = attempts[0] - L'0';

  std::wstring className = win::windowText(control(kClassField));
  while (!className.empty() && className.back() == L' ') className.pop_back();
  while (!className.empty() && className.front() == L' ') className.erase(0, 1);
  field = kClassField;
  const std::optional<std::string> narrowed = win::narrow(className);
  if (className.empty()) {
    why = L"Bitte die Klasse angeben, zum Beispiel 8b.";
    return false;
  }
  if (!narrowed || fileNamePart(*narrowed) != *narrowed) {
    why = L"Die Klasse „" + className + L"“ enthält Zeichen, die in keinem Dateinamen stehen dürfen (\\ / : * ? \" < > |).";
    return false;
  }
  test.className = *narrowed;

  const ClassListReading reading = readField(win::windowText(control(kList)), test.seconds);
  field = kList;
  if (!reading.refusal.empty()) {
    why = win::widen(reading.refusal);
    return false;
  }
  if (!reading.notUnderstood.empty() &&
      !win::askYesNo(hwnd_, L"Diese Zeilen der Klassenliste wurden nicht verstanden und fehlen in der Klassenarbeit:\n" +
                                namedLines(reading.notUnderstood) + L"\n\nTrotzdem speichern?")) {
    why.clear();
    return false;
  }
  test.learners = reading.learners;

  const auto key = ::SendMessageW(control(kKeyBox), CB_GETCURSEL, 0, 0);
  if (key >= 0 && static_cast<std::size_t>(key) < keys_.size() && keys_[static_cast<std::size_t>(key)].key) {
    test.gradeKey = formatGradeKey(*keys_[static_cast<std::size_t>(key)].key);
  }
  return true;
}

void ClassTestPreparation::save() {
  ClassTest test;
  std::wstring why;
  int field = kTextList;
  if (!testOfFields(test, why, field)) {
    if (!why.empty()) {
      refuse(why, field);
    } else {
      ::SetFocus(control(field));
    }
    return;
  }
  const std::optional<std::wstring> folder = reachableFolder();
  if (!folder) return;
  test.id = testIdOf(randomBits());
  test.prepared = now();
  const std::string bytes = encodeClassTest(test);
  // What learners will read is read back here first: a test the program
  // itself would refuse never reaches the class.
  ClassTest check;
  std::string reason;
  if (decodeClassTest(bytes, check, reason) != TestFileError::None) {
    win::showError(hwnd_, L"Diese Klassenarbeit lässt sich so nicht speichern: " + win::widen(reason));
    return;
  }

  const fs::path target = fs::path(*folder) / pathFromCp1252(testFileName(test.className, test.title));
  if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
      !win::askYesNo(hwnd_, L"Die Klassenarbeit „" + target.filename().wstring() + L"“ liegt schon im Ordner „" +
                                *folder + L"“. Soll sie ersetzt werden?\n\nAbgaben zur bisherigen Arbeit bleiben im "
                                L"Abgabeordner liegen, gehören aber nicht zur neuen.")) {
    return;
  }

  const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  std::wstring failure;
  // The teacher's copy first: a test in the share without it could not be
  // checked for changes.
  const fs::path copy = teachersCopyOf(test.id);
  std::error_code ec;
  fs::create_directories(copy.parent_path(), ec);
  if (const AtomicWriteResult kept = writeFileAtomically(copy, bytes, {}); !kept) {
    failure = L"Die Klassenarbeit wurde nicht gespeichert: Die eigene Kopie auf diesem PC ließ sich nicht "
              L"anlegen. " + win::widen(kept.reason(copy));
  } else if (const AtomicWriteResult written = writeFileAtomically(target, bytes, {}); !written) {
    failure = L"Die Klassenarbeit wurde nicht als „" + target.wstring() + L"“ gespeichert. " +
              win::widen(written.reason(target));
    fs::remove(copy, ec);
  } else {
    const fs::path handIn = handInFolderOf(target);
    if (!::CreateDirectoryW(handIn.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      failure = L"Die Klassenarbeit ist gespeichert, aber der Abgabeordner „" + handIn.wstring() +
                L"“ ließ sich nicht anlegen. " + systemFault(::GetLastError(), *folder) +
                L" Bitte den Ordner von Hand anlegen, bevor die Klasse beginnt.";
    }
  }
  ::SetCursor(previous);
  if (!failure.empty()) {
    win::showError(hwnd_, failure);
    if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  }
  appState().classGradeKey = test.gradeKey;
  written_ = target.wstring();
  endDialog();
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
