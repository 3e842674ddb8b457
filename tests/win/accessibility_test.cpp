// The program as a screen reader and a magnifier meet it: this test process
// is the other process, asking through oleacc as they do. The windows are
// opened with real keys; what is asked is only what clients can ask.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "classroom/grade_key.h"
#include "exam/class_test.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "tests/win/accessible_objects.h"
#include "tests/win/learner_fixture.h"
#include "ui/exam/exam_start_win.h"
#include "ui/exam/exam_prepare_dialog_win.h"
#include "ui/frame/about_window_win.h"
#include "ui/history/history_window_win.h"
#include "ui/teachers/archive_maker_win.h"
#include "ui/teachers/grade_key_dialog_win.h"
#include "ui/selection/colour_chooser_win.h"
#include "ui/teachers/class_window_win.h"

namespace kv {
namespace {

using test::Acc;
using test::Objects;

bool inside(const RECT& inner, const RECT& outer) {
  return inner.right > inner.left && inner.bottom > inner.top && inner.left >= outer.left &&
         inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

std::wstring className(HWND w) {
  wchar_t name[64] = {};
  ::GetClassNameW(w, name, 64);
  return name;
}

bool sameClass(const std::wstring& a, const wchar_t* b) { return ::lstrcmpiW(a.c_str(), b) == 0; }

// Controls a learner can reach with the keyboard: what a screen reader names
// as the focus arrives.
bool takesFocus(HWND w) {
  if (!::IsWindowVisible(w) || !::IsWindowEnabled(w)) return false;
  const LONG style = ::GetWindowLongW(w, GWL_STYLE);
  const std::wstring cls = className(w);
  const HWND parent = ::GetParent(w);
  if (parent != nullptr && sameClass(className(parent), L"ComboBox")) return false;  // the box's own edit
  if (sameClass(cls, L"Button")) {
    const LONG type = style & BS_TYPEMASK;
    if (type == BS_GROUPBOX) return false;
    if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON) return true;  // reached by arrow keys
  }
  if (sameClass(cls, L"Static") || sameClass(cls, L"msctls_updown32") || sameClass(cls, L"msctls_statusbar32") ||
      sameClass(cls, L"msctls_progress32") || sameClass(cls, L"MDIClient")) {
    return false;
  }
  return (style & WS_TABSTOP) != 0;
}

bool namesByLabel(const std::wstring& cls) {
  for (const wchar_t* c : {L"Edit", L"ListBox", L"ComboBox", L"SysListView32", L"SysTreeView32"}) {
    if (sameClass(cls, c)) return true;
  }
  return false;
}

// The text of the static just before the control in the z-order, without
// its mnemonic mark.
std::wstring labelBefore(HWND control) {
  const HWND before = ::GetWindow(control, GW_HWNDPREV);
  if (before == nullptr || !sameClass(className(before), L"Static")) return {};
  std::wstring text = win::windowText(before);
  text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
  return text;
}

// The objects a window paints itself: each with a name and a role of its own.
void checkOwnObjects(Objects& objects, const Acc& parent, const std::wstring& where, int depth,
                     std::wstring& failures, int& seen) {
  for (const Acc& c : objects.children(parent)) {
    const long role = c.role();
    // A child window (Wine's window objects give no role): checked as a control.
    if (role == ROLE_SYSTEM_WINDOW || role == 0) continue;
    if (++seen > 400) return;
    const std::wstring name = c.name();
    if (name.empty() || role == 0 || role == ROLE_SYSTEM_CLIENT) {
      failures += L"\n  " + where + L": eigenes Objekt „" + name + L"“ mit Rolle " + std::to_wstring(role);
    }
    if (depth > 0) checkOwnObjects(objects, c, where + L" › " + name, depth - 1, failures, seen);
  }
}

BOOL CALLBACK collectWindow(HWND w, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
  return TRUE;
}

// Every control that takes the focus has a German name, and every object the
// window paints has a name and a fitting role. The failures, one per line.
std::wstring walk(HWND window) {
  Objects objects;
  std::wstring failures;
  const std::wstring where = win::windowText(window) + L" (" + className(window) + L")";
  std::vector<HWND> all;
  ::EnumChildWindows(window, &collectWindow, reinterpret_cast<LPARAM>(&all));
  all.insert(all.begin(), window);
  int seen = 0;
  for (const HWND w : all) {
    const std::wstring cls = className(w);
    if (w != window && takesFocus(w)) {
      const Acc control = objects.ofWindow(w);
      if (control.object == nullptr) {
        failures += L"\n  " + where + L": " + cls + L" " + std::to_wstring(::GetDlgCtrlID(w)) + L" antwortet nicht";
      } else if (namesByLabel(cls)) {
        // Windows names these by the static text just before them; Wine
        // says their contents instead, so the label is what is checked.
        if (labelBefore(w).empty()) {
          failures += L"\n  " + where + L": " + cls + L" " + std::to_wstring(::GetDlgCtrlID(w)) +
                      L" ohne Beschriftung davor";
        }
      } else if (control.name().empty()) {
        failures += L"\n  " + where + L": " + cls + L" " + std::to_wstring(::GetDlgCtrlID(w)) + L" „" +
                    win::windowText(w) + L"“ ohne Namen";
      }
    }
    if (cls.rfind(L"Klavento", 0) == 0 && ::IsWindowVisible(w)) {
      checkOwnObjects(objects, objects.ofWindow(w), where, 3, failures, seen);
    }
  }
  return failures;
}

class Accessible : public LearnerKeys {
 protected:
  // A click in the middle of the window, as the learner makes it.
  static bool clickOn(HWND window) {
    RECT r{};
    if (window == nullptr || !::GetWindowRect(window, &r)) return false;
    return test::runUnixToEnd(L"/usr/bin/xdotool mousemove " + std::to_wstring((r.left + r.right) / 2) + L" " +
                              std::to_wstring((r.top + r.bottom) / 2) + L" click 1");
  }

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    LearnerKeys::SetUp();
  }
  void TearDown() override {
    LearnerKeys::TearDown();
    ::OleUninitialize();
  }

  // The typing field's caret on the screen, as a magnifier reads it.
  RECT caret() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(main, nullptr);
    if (!::GetGUIThreadInfo(thread, &info) || info.hwndCaret == nullptr) return RECT{};
    RECT r = info.rcCaret;
    ::MapWindowPoints(info.hwndCaret, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
};

TEST_F(Accessible, TheTemplateItsNextCharacterAndTheCaretFollowTheTyping) {
  ASSERT_NO_FATAL_FAILURE(openExercise(3));
  ASSERT_NO_FATAL_FAILURE(startTyping());
  Objects objects;
  const Acc window = objects.ofWindow(exercise);
  ASSERT_NE(window.object, nullptr) << "the exercise window answers no accessibility request: " << std::hex
                                    << objects.lastError;
  const Acc shown = objects.find(window, L"Vorlage");
  ASSERT_NE(shown.object, nullptr) << "no object named Vorlage";
  EXPECT_EQ(shown.role(), ROLE_SYSTEM_TEXT);
  EXPECT_NE(shown.state() & STATE_SYSTEM_READONLY, 0);
  EXPECT_EQ(shown.value().rfind(kLine1 + L"\r\n" + kLine2, 0), 0u) << win::narrowLossy(shown.value());
  EXPECT_EQ(shown.description(), L"Als Nächstes: f");
  const Acc next = objects.find(window, L"Nächstes Zeichen");
  ASSERT_NE(next.object, nullptr) << "no object for the next character";
  EXPECT_EQ(next.value(), L"f");
  RECT display = shown.location();
  const RECT first = next.location();
  EXPECT_TRUE(inside(first, display)) << first.left << "," << first.top << " not in the template";
  const RECT caretBefore = caret();
  ASSERT_GT(caretBefore.bottom, caretBefore.top) << "the typing field shows no caret";

  // "fded " typed: the next one is the second group's f, further right.
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 120 'fded '"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(field) == L"fded "; }, 10000))
      << win::narrowLossy(test::controlText(field));
  EXPECT_TRUE(test::waitUntil([&] { return next.location().left > first.left; }, 5000));
  const RECT moved = next.location();
  EXPECT_EQ(moved.top, first.top);
  EXPECT_EQ(next.value(), L"f");
  EXPECT_GT(caret().left, caretBefore.left) << "the caret did not follow";
  // One character further the next is a "d".
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 120 'f'"));
  EXPECT_TRUE(test::waitUntil([&] { return next.value() == L"d"; }, 5000)) << win::narrowLossy(next.value());
  EXPECT_EQ(shown.description(), L"Als Nächstes: d");

  // A line typed to its end asks for the line break.
  // In a learner's rhythm: an even one would void the exercise as machine-made.
  ASSERT_TRUE(test::typeLikeALearner(kLine1.substr(6)));
  EXPECT_TRUE(test::waitUntil([&] { return next.value() == L"Zeilenschaltung"; }, 10000))
      << win::narrowLossy(next.value());
  ASSERT_NO_FATAL_FAILURE(newLine());
  EXPECT_TRUE(test::waitUntil([&] { return next.value() == L"e"; }, 5000)) << win::narrowLossy(next.value());
  const RECT secondRow = next.location();
  EXPECT_GT(secondRow.top, first.top) << "the next character did not move to the second row";
  EXPECT_EQ(secondRow.left, first.left);
}

TEST_F(Accessible, TheOnScreenKeyboardHasItsKeysAndTheLitOneIsFound) {
  ASSERT_NO_FATAL_FAILURE(openExercise(2));
  ASSERT_NO_FATAL_FAILURE(startTyping());
  Objects objects;
  const Acc window = objects.ofWindow(exercise);
  ASSERT_NE(window.object, nullptr);
  const Acc keyboard = objects.find(window, L"Bildschirmtastatur");
  ASSERT_NE(keyboard.object, nullptr);
  EXPECT_EQ(keyboard.role(), ROLE_SYSTEM_GROUPING);
  std::set<std::wstring> names;
  Acc keyF;
  for (const Acc& k : objects.children(keyboard)) {
    names.insert(k.name());
    if (k.name() == L"Taste F") keyF = k;
  }
  for (const wchar_t* wanted : {L"Taste F", L"Taste J", L"Taste Ä", L"Leertaste", L"Umschalttaste links",
                                L"Eingabetaste", L"Alt Gr", L"Taste Komma"}) {
    EXPECT_TRUE(names.count(wanted)) << "no key " << win::narrowLossy(wanted);
  }
  ASSERT_NE(keyF.object, nullptr);
  EXPECT_EQ(keyF.role(), ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_TRUE(inside(keyF.location(), keyboard.location()));
  // The first character is an f: its key is lit, and the lit key's object
  // lies on it.
  const Acc lit = objects.find(window, L"Leuchtende Taste");
  ASSERT_NE(lit.object, nullptr);
  EXPECT_TRUE(test::waitUntil([&] { return (keyF.state() & STATE_SYSTEM_PRESSED) != 0; }, 5000))
      << "Taste F is not lit";
  EXPECT_EQ(lit.value(), L"Taste F");
  const RECT onF = lit.location();
  const RECT keyFArea = keyF.location();
  EXPECT_TRUE(::EqualRect(&onF, &keyFArea) != 0);
  // Typed, the light moves to the d.
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 120 'f'"));
  EXPECT_TRUE(test::waitUntil([&] { return lit.value() == L"Taste D"; }, 5000)) << win::narrowLossy(lit.value());
  EXPECT_EQ(keyF.state() & STATE_SYSTEM_PRESSED, 0) << "Taste F is still lit";
  EXPECT_LT(lit.location().left, onF.left) << "the lit key's object did not move to the left";
}

TEST_F(Accessible, EveryWindowNamesItsControlsAndItsOwnObjects) {
  std::wstring failures;
  HWND page = selection();
  ASSERT_NE(page, nullptr);
  failures += walk(page);
  // The colour chooser, a window of its own.
  ASSERT_TRUE(key(L"alt+f"));
  const HWND chooser = test::waitForTopLevelWindow(program.pid(), nullptr, 10000, ColourChooser::kClassName);
  ASSERT_NE(chooser, nullptr) << "Alt+F opened no colour chooser";
  failures += walk(chooser);
  ASSERT_TRUE(key(L"Escape"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(chooser) || !::IsWindowVisible(chooser); }, 5000));
  ASSERT_TRUE(key(L"alt+w"));
  ASSERT_TRUE(selectionCaptionIs(page, L"Übungstext wählen"));
  failures += walk(page);
  {
    // The preview's toggle says whether it is switched on.
    Objects objects;
    const HWND toggle = ::GetDlgItem(page, SelectionDialog::kPreviewSwitch);
    const Acc button = objects.ofWindow(toggle);
    EXPECT_EQ(button.role(), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(button.name(), L"Vorschau des Textes");
    EXPECT_EQ(button.state() & STATE_SYSTEM_PRESSED, 0);
    ASSERT_TRUE(clickOn(toggle));
    EXPECT_TRUE(test::waitUntil([&] { return (button.state() & STATE_SYSTEM_PRESSED) != 0; }, 5000))
        << "switched on, the preview's button is not pressed";
    // The preview's painted lines are items with their text.
    const Acc preview = objects.ofWindow(::GetDlgItem(page, SelectionDialog::kPreviewList));
    EXPECT_EQ(preview.role(), ROLE_SYSTEM_LIST);
    const std::vector<Acc> lines = objects.children(preview);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].name(), kLine1);
    EXPECT_EQ(lines[1].name(), kLine2);
    EXPECT_EQ(lines[0].role(), ROLE_SYSTEM_LISTITEM);
    ::Sleep(::GetDoubleClickTime() + 300);  // not a double click
    ASSERT_TRUE(clickOn(toggle));
    EXPECT_TRUE(test::waitUntil([&] { return (button.state() & STATE_SYSTEM_PRESSED) == 0; }, 5000));
  }
  ASSERT_TRUE(key(L"alt+z"));
  ASSERT_TRUE(selectionCaptionIs(page, L"Übungsform wählen"));

  ASSERT_NO_FATAL_FAILURE(openExercise(3));
  failures += walk(exercise);
  ASSERT_NO_FATAL_FAILURE(startTyping());
  // The first line with one mistake, so the evaluation marks it.
  std::wstring mistyped = kLine1;
  mistyped[5] = L'd';
  ASSERT_TRUE(test::typeLikeALearner(mistyped));
  failures += walk(exercise);
  // Alt+B ends, Alt+W asks for the result's options, Return shows it.
  ASSERT_TRUE(key(L"alt+b"));
  ASSERT_TRUE(test::waitUntil([&] { return ended(); }, 5000));
  ASSERT_TRUE(key(L"alt+w"));
  const HWND options = test::waitForTopLevelWindow(program.pid(), nullptr, 10000, ResultOptionsDialog::kClassName);
  ASSERT_NE(options, nullptr) << "no result options";
  ASSERT_TRUE(test::waitUntilPainted(options, 10000));
  failures += walk(options);
  ASSERT_TRUE(key(L"Return"));
  result = test::waitForOnlyChild(main, ResultWindow::kClassName, 20000);
  ASSERT_NE(result, nullptr);
  failures += walk(result);
  {
    // Each line an item with its text; a marked stretch is read as an error.
    Objects objects;
    const Acc list = objects.ofWindow(::GetDlgItem(result, ResultWindow::kListId));
    EXPECT_EQ(list.role(), ROLE_SYSTEM_LIST);
    std::wstring errors;
    std::wstring all;
    int items = 0;
    for (const Acc& line : objects.children(list)) {
      ++items;
      EXPECT_EQ(line.role(), ROLE_SYSTEM_LISTITEM);
      const std::wstring said = line.description();
      all += line.name() + L" | " + said + L"\n";
      if (said.rfind(L"Fehler: ", 0) == 0) {
        errors += line.name();
        errors += L" -> ";
        errors += said;
      }
    }
    EXPECT_GT(items, 5);
    EXPECT_NE(errors.find(L"Fehler: „"), std::wstring::npos) << "no line names its error:\n" << win::narrowLossy(all);
  }
  ASSERT_NO_FATAL_FAILURE(closeEvaluation());

  ASSERT_TRUE(key(L"ctrl+l"));
  const HWND history = test::waitForOnlyChild(main, kHistoryChildClass, 15000);
  ASSERT_NE(history, nullptr) << "Strg+L opened no Lernverlauf";
  ASSERT_TRUE(test::waitUntilPainted(history, 10000));
  failures += walk(history);
  {
    // The charts described in words, the keys of the map with their figures.
    Objects objects;
    const Acc window = objects.ofWindow(history);
    const Acc speed = objects.find(window, L"Anschläge pro Minute");
    ASSERT_NE(speed.object, nullptr) << "the speed chart has no object";
    EXPECT_EQ(speed.role(), ROLE_SYSTEM_CHART);
    // However many exercises this prefix has seen: the trend over them.
    const std::wstring said = speed.description();
    EXPECT_TRUE(said.rfind(L"Anschläge pro Minute de", 0) == 0 && said.find(L": ") != std::wstring::npos)
        << win::narrowLossy(said);
    const Acc errors = objects.find(window, L"Fehlerprozent");
    ASSERT_NE(errors.object, nullptr);
    EXPECT_EQ(errors.description().rfind(L"Fehlerprozent de", 0), 0u) << win::narrowLossy(errors.description());
    const Acc map = objects.find(window, L"Verfehlte Tasten");
    ASSERT_NE(map.object, nullptr);
    const Acc keyF = objects.find(map, L"Taste F", 0);
    ASSERT_NE(keyF.object, nullptr) << "the map has no Taste F";
    EXPECT_EQ(keyF.description().rfind(L"Taste F: ", 0), 0u) << win::narrowLossy(keyF.description());
    EXPECT_TRUE(inside(keyF.location(), map.location()));
  }
  ASSERT_TRUE(key(L"alt+s"));
  ASSERT_NE(selection(), nullptr);

  ASSERT_TRUE(key(L"ctrl+k"));
  const HWND teachers = test::waitForOnlyChild(main, kClassChildClass, 15000);
  ASSERT_NE(teachers, nullptr) << "Strg+K opened no teachers' window";
  failures += walk(teachers);
  // The teachers' dialogs, each opened by keys and left with Escape.
  const auto dialog = [&](const wchar_t* menu, const wchar_t* item, const wchar_t* cls) {
    // A closed dialog leaves the X focus where the window manager puts it:
    // back to the program's window, as a click on it would.
    if (!test::waitUntil([&] { return ::IsChild(main, test::focusOfThread(main)); }, 2000)) {
      // The form's picture does nothing when clicked; the click activates the window.
      EXPECT_TRUE(clickOn(::GetDlgItem(selection(), SelectionDialog::kFormPicture)));
    }
    if (menu != nullptr && openMenu(menu) == nullptr) {
      ADD_FAILURE() << win::narrowLossy(menu) << " opened no menu; focus on "
                    << win::narrowLossy(className(test::focusOfThread(main)));
      test::runUnixToEnd(L"import -window root /tmp/kv-menu.png");
      return;
    }
    EXPECT_TRUE(key(item));
    const HWND opened = test::waitForTopLevelWindow(program.pid(), nullptr, 15000, cls);
    if (opened == nullptr) {
      ADD_FAILURE() << win::narrowLossy(item) << " opened no " << win::narrowLossy(cls);
      return;
    }
    EXPECT_TRUE(test::waitUntilPainted(opened, 10000));
    failures += walk(opened);
    EXPECT_TRUE(key(L"Escape"));
    EXPECT_TRUE(test::waitUntil([&] { return !::IsWindow(opened) || !::IsWindowVisible(opened); }, 10000))
        << "Escape did not close " << win::narrowLossy(cls);
    // The keys go on where they were: a learner without a mouse is not left
    // without a focus.
    EXPECT_TRUE(test::waitUntil([&] { return ::IsChild(main, test::focusOfThread(main)); }, 5000))
        << "after " << win::narrowLossy(cls) << " no control has the focus";
  };
  dialog(nullptr, L"alt+b", GradeKeyDialog::kClassName);
  // From the selection: the teachers' window has Alt letters of its own.
  // A click into the window gives it the focus back, as a teacher would.
  ASSERT_TRUE(clickOn(::GetDlgItem(teachers, ClassWindow::kFolderId)));
  ASSERT_TRUE(test::waitUntil([&] { return ::IsChild(teachers, test::focusOfThread(main)); }, 5000));
  ASSERT_TRUE(key(L"alt+s"));
  ASSERT_NE(selection(), nullptr);
  // F10 to the menu bar: on the first page Alt+L is "Zeitlimit"'s letter.
  dialog(L"F10 l", L"t", ArchiveMakerDialog::kClassName);
  dialog(L"F10 l", L"v", ClassTestPreparation::kClassName);
  dialog(L"F10 h", L"Udiaeresis", AboutWindow::kClassName);

  // A class test's start page, opened from the Datei menu as a learner does.
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring examFile =
      std::wstring(temp) + L"Barrierefrei " + std::to_wstring(::GetCurrentProcessId()) + L".kvk";
  ClassTest exam;
  exam.id = testIdOf(0xacce55ULL + ::GetCurrentProcessId());
  exam.className = "8b";
  exam.title = "Lesbar";
  exam.lines = {"Jede Taste hat ihren Namen."};
  exam.form = 3;
  exam.learners = {{"Adler, Anna", 0}, {w1252("Öztürk, Aylin"), 750}};
  exam.gradeKey = formatGradeKey(gradeKeyPresets().front());
  exam.prepared = {{2026, 12, 9}, 9, 55, 0};
  ASSERT_TRUE(writeFileAtomically(std::filesystem::path(examFile), encodeClassTest(exam)));
  if (!test::waitUntil([&] { return ::IsChild(main, test::focusOfThread(main)); }, 2000)) {
    ASSERT_TRUE(clickOn(::GetDlgItem(selection(), SelectionDialog::kFormPicture)));
  }
  ASSERT_NE(openMenu(L"F10 d"), nullptr);
  ASSERT_TRUE(key(L"k"));
  const HWND open = test::waitForTopLevelWindow(program.pid(), L"Klassenarbeit öffnen", 15000, L"#32770");
  ASSERT_NE(open, nullptr) << "no file dialog for the class test";
  const HWND fileName = test::fileNameField(open);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == fileName; }, 10000));
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 40 " + test::shellQuoted(examFile), 60000));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(fileName) == examFile; }, 15000));
  ASSERT_TRUE(key(L"Return"));
  const HWND start = test::waitForOnlyChild(main, kClassTestChildClass, 20000);
  ASSERT_NE(start, nullptr) << "the class test did not open";
  ASSERT_TRUE(test::waitUntilPainted(start, 10000));
  failures += walk(start);
  ::DeleteFileW(examFile.c_str());
  EXPECT_TRUE(failures.empty()) << "Ohne Namen oder Rolle:" << win::narrowLossy(failures);
}

std::vector<HWND>& focusEvents() {
  static std::vector<HWND> windows;
  return windows;
}

void CALLBACK onFocusEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG, DWORD, DWORD) {
  if (object == OBJID_CLIENT) focusEvents().push_back(hwnd);
}

// Tabbing through a window tells clients of every control that gets the focus.
TEST_F(Accessible, TabbingSendsAFocusEventForEachControl) {
  std::vector<HWND>& focused = focusEvents();
  focused.clear();
  const HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, &onFocusEvent,
                                               program.pid(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  // Events come as messages to this thread.
  const auto pumpUntil = [](const std::function<bool()>& done, DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      if (::GetTickCount() - start > ms) return false;
      ::Sleep(20);
    }
    return true;
  };
  HWND page = selection();
  ASSERT_NE(page, nullptr);
  std::wstring missing;
  std::set<HWND> visited;
  for (int i = 0; i < 8; ++i) {
    const HWND before = test::focusOfThread(main);
    ASSERT_TRUE(key(L"Tab"));
    ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) != before; }, 5000)) << "Tab moved nothing";
    const HWND now = test::focusOfThread(main);
    visited.insert(now);
    if (!pumpUntil([&] { return std::find(focused.begin(), focused.end(), now) != focused.end(); }, 3000)) {
      missing += L" " + className(now) + L" " + std::to_wstring(::GetDlgCtrlID(now));
    }
  }
  ::UnhookWinEvent(hook);
  EXPECT_GE(visited.size(), 4u);
  EXPECT_TRUE(missing.empty()) << "no focus event for:" << win::narrowLossy(missing);
}

}  // namespace
}  // namespace kv
