#include "ui/exam/exam_start_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "core/settings.h"
#include "exam/class_test.h"
#include "exam/hand_in.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "platform/win/file_dialog.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"
#include "texts/text_model.h"
#include "ui/exam/class_test_places_win.h"
#include "ui/shared/app_state.h"
#include "ui/shared/system_colours_win.h"
#include "ui/shared/window_font_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

void moveControl(HWND control, int x, int y, int width, int height) {
  ::MoveWindow(control, x, y, std::max(0, width), std::max(0, height), TRUE);
}

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 128) {
      c = static_cast<char>(std::tolower(u));
    } else if ((u >= 0xC0 && u <= 0xDE && u != 0xD7)) {
      c = static_cast<char>(u + 0x20);  // Windows-1252 capitals with accents and umlauts
    }
  }
  return out;
}

std::string trimmed(std::string text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && static_cast<unsigned char>(text[start]) <= ' ') ++start;
  return text.substr(start);
}

// "Jonas" finds "Müller, Jonas" as well as "Müller" does: learners look for
// their first name as often as for their surname.
bool nameStartsWith(const std::string& name, const std::string& typed) {
  const std::string n = lowered(name), t = lowered(typed);
  if (n.rfind(t, 0) == 0) return true;
  const std::size_t comma = n.find(',');
  if (comma == std::string::npos) return false;
  std::string first = n.substr(comma + 1);
  while (!first.empty() && first.front() == ' ') first.erase(first.begin());
  return first.rfind(t, 0) == 0;
}

std::string formLine(const ClassTest& test) { return formName(test.form); }

std::string rulesText(const ClassTest& test) {
  CurrentText text;
  text.lines = test.lines;
  applyLineSelection(LineSelection{}, text);
  std::string rules;
  rules += w1252("Text:\t") + test.title + " (" + std::to_string(test.lines.size()) +
           (test.lines.size() == 1 ? w1252(" Zeile, ") : w1252(" Zeilen, ")) +
           std::to_string(text.totalKeystrokes) + w1252(" Anschläge)\r\n");
  rules += w1252("Übungsform:\t") + formLine(test) + "\r\n";
  rules += w1252("Zeit:\t") + minutesText(test.seconds) + "\r\n";
  rules += w1252("Korrektur:\t") + (test.correctionAllowed ? w1252("erlaubt") : w1252("nicht erlaubt")) + "\r\n";
  rules += w1252("Versuche:\t") +
           (test.attempts == 1 ? w1252("1 (die Arbeit kann nur einmal geschrieben werden)")
                               : std::to_string(test.attempts));
  return rules;
}

}  // namespace

ClassTestStart::ClassTestStart(ChildHost& host) : HostedChildWindow(host) {}

bool ClassTestStart::create() {
  if (!registerClass(kClassTestChildClass, ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) return false;
  RECT client{};
  ::GetClientRect(host_.mdiClient(), &client);
  if (!createIn(host_.mdiClient(), kClassTestChildClass, L"Klassenarbeit", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                0, client.right, client.bottom)) {
    return false;
  }
  ::ShowWindow(hwnd_, SW_SHOW);
  ::UpdateWindow(hwnd_);
  return true;
}

void ClassTestStart::createControls() {
  const ClassTest& test = appState().classTest.test;
  const std::wstring heading = win::widen(w1252("Klassenarbeit der Klasse ") + test.className);
  heading_ = win::createControl(hwnd_, L"STATIC", heading.c_str(), SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, kHeadingId);
  rules_ = win::createControl(hwnd_, L"EDIT", win::widen(rulesText(test)).c_str(),
                              ES_MULTILINE | ES_READONLY | WS_TABSTOP, 0, 0, 10, 10, kRulesId);
  win::labelForScreenReaders(rules_, L"Regeln der Klassenarbeit");
  const bool listed = !test.learners.empty();
  nameLabel_ = win::createControl(hwnd_, L"STATIC",
                                  listed ? L"&Ihr Name (tippen oder aus der Liste wählen):" : L"&Ihr Name:",
                                  SS_LEFT, 0, 0, 10, 10, kNameLabelId);
  name_ = win::createControl(hwnd_, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 10, 10, kNameId,
                             WS_EX_CLIENTEDGE);
  ::SendMessageW(name_, EM_LIMITTEXT, kLearnerLineMax, 0);
  ::SetWindowSubclass(name_, &ClassTestStart::nameFieldProc, 1, reinterpret_cast<DWORD_PTR>(this));
  if (listed) {
    list_ = win::createControl(hwnd_, L"LISTBOX", L"",
                               WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, 0, 0,
                               10, 10, kListId, WS_EX_CLIENTEDGE);
    win::labelForScreenReaders(list_, L"Namen der Klasse");
    for (const TestLearner& learner : test.learners) {
      const std::wstring shown = win::widen(learner.name);
      ::SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
  }
  note_ = win::createControl(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, kNoteId);
  begin_ = win::createControl(hwnd_, L"BUTTON", L"&Beginnen", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 10, 10, kBeginId);
  cancel_ = win::createControl(hwnd_, L"BUTTON", L"&Abbrechen", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, kCancelId);
  refreshFontsAndColours();
  showLearnerTime();
}

void ClassTestStart::refreshFontsAndColours() {
  dialogFont_ = createDialogFont(appState().settings.fonts);
  if (dialogFont_) win::applyDialogFont(hwnd_, dialogFont_.get());
  // The heading in the dialog font's face, larger and bold.
  headingFont_ = createHeadingFont(dialogFont_.get());
  if (headingFont_) ::SendMessageW(heading_, WM_SETFONT, reinterpret_cast<WPARAM>(headingFont_.get()), TRUE);
  // Tab stops line the rules' values up behind their labels.
  const int stops = 60;
  ::SendMessageW(rules_, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stops));
  layout();
}

SIZE ClassTestStart::minimumSize() const {
  const win::DialogUnits du(dialogFont_.get());
  return SIZE{du.x(260), du.y(200)};
}

void ClassTestStart::layout() {
  if (cancel_ == nullptr) return;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const win::DialogUnits du(dialogFont_.get());
  const int m = du.x(10), gap = du.y(6);
  const int width = std::min<int>(client.right - 2 * m, du.x(320));
  const int rowH = du.y(14), labelH = du.y(9);
  int y = m;
  const int headingH = du.y(16);
  moveControl(heading_, m, y, width, headingH);
  y += headingH + gap;
  moveControl(rules_, m, y, width, du.y(8) * 5 + du.y(4));
  y += du.y(8) * 5 + du.y(4) + gap;
  moveControl(nameLabel_, m, y, width, labelH);
  y += labelH + du.y(2);
  moveControl(name_, m, y, std::min(width, du.x(200)), du.y(12));
  y += du.y(12) + du.y(3);
  const int buttonsTop = client.bottom - m - rowH;
  const int noteH = labelH * 2;
  if (list_ != nullptr) {
    // A class's names at most: a list longer than that only looks empty.
    const int listH = std::clamp(buttonsTop - gap - noteH - gap - y, du.y(40), du.y(150));
    moveControl(list_, m, y, std::min(width, du.x(200)), listH);
    y += listH + gap;
  }
  moveControl(note_, m, y, width, noteH);
  int buttonW = du.x(60);
  for (HWND button : {begin_, cancel_}) {
    buttonW = std::max<int>(buttonW, win::textExtent(dialogFont_.get(), win::windowText(button)).cx + du.x(12));
  }
  moveControl(begin_, m, buttonsTop, buttonW, rowH);
  moveControl(cancel_, m + buttonW + du.x(4), buttonsTop, buttonW, rowH);
}

std::string ClassTestStart::chosenLearner() const {
  const std::optional<std::string> typed = win::narrow(win::windowText(name_));
  if (!typed) return {};
  const std::string name = trimmed(*typed);
  const ClassTest& test = appState().classTest.test;
  if (test.learners.empty()) return name;
  for (const TestLearner& learner : test.learners) {
    if (lowered(learner.name) == lowered(name)) return learner.name;
  }
  // The name the first letters found, which the list shows chosen.
  const LRESULT row = list_ != nullptr ? ::SendMessageW(list_, LB_GETCURSEL, 0, 0) : LB_ERR;
  if (!name.empty() && row >= 0 && static_cast<std::size_t>(row) < test.learners.size() &&
      nameStartsWith(test.learners[static_cast<std::size_t>(row)].name, name)) {
    return test.learners[static_cast<std::size_t>(row)].name;
  }
  return {};
}

LRESULT CALLBACK ClassTestStart::nameFieldProc(HWND field, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR data) {
  auto* self = reinterpret_cast<ClassTestStart*>(data);
  // The arrow keys walk the list from the name field, as in a combo box.
  if (msg == WM_KEYDOWN && (wParam == VK_DOWN || wParam == VK_UP) && self->list_ != nullptr) {
    const LRESULT count = ::SendMessageW(self->list_, LB_GETCOUNT, 0, 0);
    LRESULT row = ::SendMessageW(self->list_, LB_GETCURSEL, 0, 0);
    row = row < 0 ? 0 : std::clamp<LRESULT>(row + (wParam == VK_DOWN ? 1 : -1), 0, count - 1);
    if (count > 0) {
      ::SendMessageW(self->list_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
      self->listChosen();
      ::SendMessageW(field, EM_SETSEL, 0, -1);
    }
    return 0;
  }
  return ::DefSubclassProc(field, msg, wParam, lParam);
}

void ClassTestStart::nameTyped() {
  if (settingName_ || list_ == nullptr) return;
  const std::optional<std::string> typed = win::narrow(win::windowText(name_));
  const std::string text = typed ? trimmed(*typed) : std::string();
  const ClassTest& test = appState().classTest.test;
  int found = -1;
  if (!text.empty()) {
    for (std::size_t i = 0; i < test.learners.size(); ++i) {
      if (nameStartsWith(test.learners[i].name, text)) {
        found = static_cast<int>(i);
        break;
      }
    }
  }
  ::SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
  showLearnerTime();
}

void ClassTestStart::listChosen() {
  const LRESULT row = ::SendMessageW(list_, LB_GETCURSEL, 0, 0);
  const ClassTest& test = appState().classTest.test;
  if (row < 0 || static_cast<std::size_t>(row) >= test.learners.size()) return;
  settingName_ = true;
  ::SetWindowTextW(name_, win::widen(test.learners[static_cast<std::size_t>(row)].name).c_str());
  settingName_ = false;
  showLearnerTime();
}

void ClassTestStart::showLearnerTime() {
  const ClassTest& test = appState().classTest.test;
  std::string note;
  std::string learner = chosenLearner();
  if (learner.empty() && list_ != nullptr) {
    const LRESULT row = ::SendMessageW(list_, LB_GETCURSEL, 0, 0);
    if (row >= 0 && static_cast<std::size_t>(row) < test.learners.size()) {
      learner = test.learners[static_cast<std::size_t>(row)].name;
    }
  }
  if (!learner.empty() && learnerSeconds(test, learner) != test.seconds) {
    note = w1252("Ihre Zeit: ") + minutesText(learnerSeconds(test, learner)) + w1252(" (Nachteilsausgleich). ");
  }
  note += w1252("Die Zeit läuft ab dem ersten Anschlag. Am Ende wird das Ergebnis von selbst abgegeben.");
  ::SetWindowTextW(note_, win::widen(note).c_str());
}

void ClassTestStart::begin() {
  AppState& state = appState();
  AppState::ClassTestRun& run = state.classTest;
  const std::string learner = chosenLearner();
  if (learner.empty()) {
    win::showError(hwnd_, run.test.learners.empty()
                              ? w1252("Bitte geben Sie Ihren Namen ein.")
                              : w1252("Bitte wählen Sie Ihren Namen aus der Liste. Fehlt er dort, sagen Sie "
                                      "es bitte Ihrer Lehrkraft."));
    ::SetFocus(name_);
    return;
  }
  const fs::path testFile = pathFromCp1252(run.testFile);
  const std::vector<EarlierHandIn> earlier =
      earlierHandIns(run.test, handInFolderOf(testFile), waitingHandInFolder(), learner);
  if (static_cast<int>(earlier.size()) >= run.test.attempts) {
    win::showError(hwnd_, furtherAttemptRefusal(run.test, earlier));
    return;
  }
  if (!run.replacedExercise) {
    run.exerciseBefore = state.exercise;
    run.textBefore = state.currentText;
    run.replacedExercise = true;
  }
  const std::int32_t seconds = learnerSeconds(run.test, learner);
  ExerciseParameters& exercise = state.exercise;
  exercise.form = static_cast<std::uint8_t>(run.test.form);
  exercise.pace = (seconds + 59) / 60;
  exercise.limitSeconds = seconds;
  exercise.correctionAllowed = run.test.correctionAllowed;
  exercise.statusVisible = true;
  exercise.selection = LineSelection{};
  exercise.textTitle = run.test.title;
  exercise.archiveCaption = w1252("Klassenarbeit ") + run.test.className;
  CurrentText& text = state.currentText;
  text.archivePath = run.testFile;
  text.lines = run.test.lines;
  text.longestLine = 0;
  for (const std::string& line : text.lines) {
    text.longestLine = std::max(text.longestLine, static_cast<std::int32_t>(line.size()));
  }
  applyLineSelection(LineSelection{}, text);
  run.learner = learner;
  run.active = true;
  run.handedIn = false;
  run.handInNotice.clear();
  run.waitingFileName.clear();
  host_.request(static_cast<int>(Request::Exercise));
}

LRESULT ClassTestStart::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      createControls();
      return 0;
    case WM_SIZE:
      layout();
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return controlOnFace(wParam);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kNameId:
          if (HIWORD(wParam) == EN_CHANGE) nameTyped();
          return 0;
        case kListId:
          if (HIWORD(wParam) == LBN_SELCHANGE) listChosen();
          if (HIWORD(wParam) == LBN_DBLCLK) {
            listChosen();
            begin();
          }
          return 0;
        case kBeginId:
          begin();
          return 0;
        case IDOK:
          if (::GetFocus() == cancel_) {
            host_.request(static_cast<int>(Request::Selection));
          } else {
            begin();
          }
          return 0;
        case kCancelId:
        case IDCANCEL:
          host_.request(static_cast<int>(Request::Selection));
          return 0;
        default:
          break;
      }
      break;
    case WM_SYSCOMMAND:
      if (systemCommandLeadsToSelection(host_, wParam)) return 0;
      break;
    default:
      break;
  }
  return finishMessage(msg, wParam, lParam);
}

std::unique_ptr<ChildWindow> createClassTestStart(ChildHost& host) { return createChildWindow<ClassTestStart>(host); }

std::optional<std::wstring> askForClassTest(HWND owner) {
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Open;
  request.filter = L"Klassenarbeit (*.kvk)\0*.kvk\0";
  request.title = L"Klassenarbeit öffnen";
  request.defaultExtension = L"kvk";
  request.folder = win::widen(appState().settings.folders.student);
  const win::FileDialogAnswer answer = win::askForFile(owner, request);
  if (answer.outcome == win::FileDialogAnswer::Outcome::Failed) {
    win::showError(owner, w1252("Das Dateifenster konnte nicht geöffnet werden (Fehler ") +
                              std::to_string(answer.error) + w1252("). Bitte prüfen Sie den Ordner für Übungsdateien."));
  }
  if (answer.outcome != win::FileDialogAnswer::Outcome::Chosen) return std::nullopt;
  return answer.path;
}

bool openClassTestFile(HWND owner, const std::wstring& file) {
  AppState& state = appState();
  const std::string shown = win::narrowLossy(file);
  if (!state.settings.policies.classTestsEnabled) {
    win::showError(owner, w1252("Klassenarbeiten sind auf diesem PC abgeschaltet (Richtlinie „Klassenarbeiten“)."));
    return false;
  }
  ClassTest test;
  std::string reason;
  const fs::path path(file);
  if (readClassTestFile(path, test, reason) != TestFileError::None) {
    win::showError(owner, testFileMessage(shown, reason));
    return false;
  }
  endClassTestRun();
  AppState::ClassTestRun& run = state.classTest;
  run.test = std::move(test);
  run.testFile = cp1252OfPath(path);
  run.learner.clear();
  return true;
}

void endClassTestRun() {
  AppState& state = appState();
  AppState::ClassTestRun& run = state.classTest;
  if (run.replacedExercise) {
    state.exercise = run.exerciseBefore;
    state.currentText = run.textBefore;
  }
  run = AppState::ClassTestRun{};
}

}  // namespace kv
