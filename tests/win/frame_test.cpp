// The main window from outside, as a user and the child windows drive it:
// numbered requests, the closing question, the command-line file, the
// clipboard guard and the about window.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "evaluation/saved_file.h"
#include "evaluation/summary.h"
#include "platform/file_io.h"
#include "platform/win/clipboard.h"
#include "platform/win/strings.h"
#include "ui/shared/app_state.h"
#include "tests/win/program_driver.h"
#include "ui/frame/about_window_win.h"
#include "ui/exercise/exercise_window_win.h"
#include "ui/frame/main_window_win.h"
#include "ui/exercise/result_options_dialog_win.h"
#include "ui/result/result_window_win.h"
#include "ui/selection/selection_dialog_win.h"

namespace kv {
namespace {

using test::ProgramProcess;

// A started program with its main window and first child up.
class Program : public testing::Test {
 protected:
  void start(const std::wstring& args = L"", const wchar_t* firstChild = kSelectionChildClass) {
    ASSERT_TRUE(program.start(test::besideThisExe(KV_EXE_NAME), args));
    main = test::waitForTopLevelWindow(program.pid(), L"Klavento 7", 20000, kMainWindowClass);
    ASSERT_NE(main, nullptr) << "no main window";
    ASSERT_TRUE(waitForOnlyChild(firstChild)) << "first child: " << win::narrowLossy(firstChild);
  }

  // True once the main window holds exactly one child, of this class.
  bool waitForOnlyChild(const wchar_t* className, DWORD timeoutMs = 10000) {
    return test::waitForOnlyChild(main, className, timeoutMs) != nullptr;
  }
  HWND onlyChild() {
    const auto children = test::mdiChildren(main);
    return children.size() == 1 ? children[0] : nullptr;
  }
  void post(int request) { ::PostMessageW(main, kRequestMessage, static_cast<WPARAM>(request), 0); }
  void clickChildButton(HWND child, int id) {
    ::PostMessageW(child, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(child, id)));
  }
  // Ends the program through the closing question.
  void closeWithYes() {
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    const HWND box = test::waitForMessageBox(program.pid(), 10000);
    ASSERT_NE(box, nullptr);
    test::pressDialogButton(box, IDYES);
    DWORD code = 1;
    ASSERT_TRUE(program.waitForExit(10000, code));
    EXPECT_EQ(code, 0u);
  }

  ProgramProcess program;
  HWND main = nullptr;
};

TEST_F(Program, RequestsLeaveExactlyOneChild) {
  start();
  EXPECT_EQ(win::windowText(onlyChild()), L"Übungsform wählen");
  // A burst of requests, some arriving while the window is still switching.
  for (const int request : {2, 3, 1, 0, 5, 3, 2}) post(request);
  ASSERT_TRUE(waitForOnlyChild(kExerciseChildClass));
  // The first exercise child may come from the burst's first request: looked
  // at once all of them are handled, which is when the outcome is drawn.
  // The last switches of the burst may still be under way when the window
  // first paints: what counts is that it settles on exactly one child.
  test::waitUntilPainted(main, 10000);
  EXPECT_TRUE(test::waitUntil(
      [&] {
        return test::mdiChildren(main).size() == 1u && win::windowText(onlyChild()) == L"Laufschrift (individuell)";
      },
      10000))
      << test::mdiChildren(main).size() << " children";
  post(3);
  ASSERT_TRUE(waitForOnlyChild(kResultChildClass));
  EXPECT_EQ(win::windowText(onlyChild()), L"Auswertung");
  post(1);
  ASSERT_TRUE(waitForOnlyChild(kSelectionChildClass));
  closeWithYes();
}

// A whole round as a learner makes it: start a text, type, end, hand over,
// see the evaluation, close it and come back to the selection.
TEST_F(Program, EachChildsButtonsLeadToTheNext) {
  start();
  HWND selection = onlyChild();
  clickChildButton(selection, SelectionDialog::kNext);  // to the second page
  test::waitUntil([&] { return win::windowText(selection) == L"Übungstext wählen"; }, 5000);
  clickChildButton(selection, SelectionDialog::kNext);  // "Übung starten"
  ASSERT_TRUE(waitForOnlyChild(kExerciseChildClass));
  const HWND exercise = onlyChild();
  const HWND field = ::GetDlgItem(exercise, ExerciseWindow::kFieldId);
  ASSERT_NE(field, nullptr);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == field; }, 5000));
  for (const wchar_t c : std::wstring(L" fded")) {
    ::PostMessageW(field, WM_CHAR, c, 1);
    test::waitUntil([] { return false; }, 120);
  }
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(field) == L"fded"; }, 5000))
      << win::narrowLossy(test::controlText(field));
  clickChildButton(exercise, ExerciseWindow::kEndButtonId);  // end
  ASSERT_TRUE(test::waitUntil(
      [&] { return test::controlText(field).find(L"*** Ende ***") != std::wstring::npos; }, 5000));
  clickChildButton(exercise, ExerciseWindow::kEndButtonId);  // "Weiter >"
  const HWND options = test::waitForTopLevelWindow(program.pid(), nullptr, 10000,
                                                   ResultOptionsDialog::kClassName);
  ASSERT_NE(options, nullptr) << "the result options come before the evaluation";
  clickChildButton(options, ResultOptionsDialog::kOk);
  ASSERT_TRUE(waitForOnlyChild(kResultChildClass, 20000));
  EXPECT_EQ(win::windowText(onlyChild()), L"Auswertung");
  // The status line has its five panels.
  const HWND status = ::FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(::SendMessageW(status, SB_GETPARTS, 0, 0), 5);
  // Closing the unsaved evaluation asks first.
  clickChildButton(onlyChild(), ResultWindow::kCloseId);
  const HWND box = test::waitForMessageBox(program.pid(), 10000);
  ASSERT_NE(box, nullptr);
  test::pressDialogButton(box, IDYES);
  ASSERT_TRUE(waitForOnlyChild(kSelectionChildClass));
  closeWithYes();
}

TEST_F(Program, ClosingWithAChildAsksAndNoKeepsEverything) {
  start();
  post(2);
  ASSERT_TRUE(waitForOnlyChild(kExerciseChildClass));
  const HWND child = onlyChild();
  const HWND field = ::FindWindowExW(child, nullptr, L"Edit", nullptr);
  ASSERT_NE(field, nullptr);
  ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Die Idee zum Bau"));

  ::PostMessageW(main, WM_CLOSE, 0, 0);
  HWND box = test::waitForMessageBox(program.pid(), 10000);
  ASSERT_NE(box, nullptr) << "closing with a child open must ask";
  EXPECT_EQ(test::messageBoxText(box), L"Klavento 7 wirklich beenden?");
  test::pressDialogButton(box, IDNO);
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(box); }, 5000));
  test::waitUntil([] { return false; }, 300);
  EXPECT_TRUE(program.running());
  EXPECT_EQ(onlyChild(), child) << "No must keep the same child";
  EXPECT_EQ(test::controlText(field), L"Die Idee zum Bau");

  // The child's own close box asks the same, and Yes ends the program.
  ::PostMessageW(child, WM_CLOSE, 0, 0);
  box = test::waitForMessageBox(program.pid(), 10000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(test::messageBoxText(box), L"Klavento 7 wirklich beenden?");
  test::pressDialogButton(box, IDYES);
  DWORD code = 1;
  ASSERT_TRUE(program.waitForExit(10000, code)) << "a child closed by itself ends the program";
  EXPECT_EQ(code, 0u);
}

TEST_F(Program, ClipboardIsEmptiedOnlyWhileTheTypingFieldHasTheFocus) {
  start();
  // The selection window is open: a copy elsewhere stays.
  win::emptyClipboard(nullptr);
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  const char text[] = "kopiert";
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, sizeof text);
  std::memcpy(::GlobalLock(memory), text, sizeof text);
  ::GlobalUnlock(memory);
  ::SetClipboardData(CF_TEXT, memory);
  ::CloseClipboard();
  test::waitUntil([] { return false; }, 700);
  EXPECT_TRUE(::IsClipboardFormatAvailable(CF_TEXT)) << "emptied outside an exercise";

  post(2);
  ASSERT_TRUE(waitForOnlyChild(kExerciseChildClass));
  const HWND field = ::FindWindowExW(onlyChild(), nullptr, L"Edit", nullptr);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == field; }, 5000))
      << "the typing field does not have the focus";
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  memory = ::GlobalAlloc(GMEM_MOVEABLE, sizeof text);
  std::memcpy(::GlobalLock(memory), text, sizeof text);
  ::GlobalUnlock(memory);
  ::SetClipboardData(CF_TEXT, memory);
  ::CloseClipboard();
  EXPECT_TRUE(test::waitUntil([] { return ::CountClipboardFormats() == 0; }, 5000))
      << "the copy survived while the typing field had the focus";
  closeWithYes();
}

TEST_F(Program, AboutWindowShowsTheVersionResourceAndClosesWithoutAsking) {
  start();
  ::PostMessageW(main, WM_COMMAND, kCommandAbout, 0);
  const HWND about =
      test::waitForTopLevelWindow(program.pid(), L"Über Klavento 7", 10000, L"KlaventoAbout");
  ASSERT_NE(about, nullptr);
  const auto label = [&](int id) { return win::windowText(::GetDlgItem(about, id)); };
  EXPECT_EQ(label(AboutWindow::kName), L"Klavento®");
  EXPECT_EQ(label(AboutWindow::kVersion), L"Version 7.0.0.0 (Build 0)");
  EXPECT_EQ(label(AboutWindow::kLegal).rfind(L"© 2026", 0), 0u);
  const std::wstring memory = label(AboutWindow::kMemory);
  EXPECT_EQ(memory.rfind(L"Arbeitsspeicher: ", 0), 0u) << win::narrowLossy(memory);
  EXPECT_NE(memory.find(L"."), std::wstring::npos) << "thousands separators expected";
  EXPECT_EQ(memory.find(L"%"), std::wstring::npos);
  EXPECT_EQ(label(AboutWindow::kLink), L"www.klavento.de");

  // With the about window in front the program closes without the question.
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(program.waitForExit(10000, code));
  EXPECT_EQ(code, 0u);
}

TEST_F(Program, OpeningASavedExerciseOnlyFromSelectionOrFileView) {
  start();
  post(2);
  ASSERT_TRUE(waitForOnlyChild(kExerciseChildClass));
  // During an exercise the open command (menu item or Ctrl+O) does nothing.
  ::PostMessageW(main, WM_COMMAND, kCommandOpen, 0);
  test::waitUntil([] { return false; }, 700);
  EXPECT_EQ(test::findTopLevelWindow(program.pid(), nullptr, L"#32770"), nullptr)
      << "open dialog during an exercise";
  EXPECT_EQ(test::className(onlyChild()), kExerciseChildClass);

  post(1);
  ASSERT_TRUE(waitForOnlyChild(kSelectionChildClass));
  ::PostMessageW(main, WM_COMMAND, kCommandOpen, 0);
  const HWND dialog = test::waitForTopLevelWindow(program.pid(), L"Gespeicherte Übung öffnen",
                                                  10000, L"#32770");
  ASSERT_NE(dialog, nullptr) << "no open dialog from the selection window";
  EXPECT_TRUE(test::mdiChildren(main).empty()) << "the selection closes for the open";
  test::pressDialogButton(dialog, IDCANCEL);
  // Cancelling leaves no child, so the selection comes back.
  ASSERT_TRUE(waitForOnlyChild(kSelectionChildClass));
  closeWithYes();
}

class UnmaximisedProgram : public Program {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::reg(L"add \"HKCU\\Software\\Policies\\Klavento\\7.0\\Allgemein\" /v "
                          L"\"Programmfenster maximieren\" /t REG_DWORD /d 0 /f"));
  }
  void TearDown() override {
    test::reg(L"delete \"HKCU\\Software\\Policies\\Klavento\" /f");
  }
  RECT childInClient(HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  RECT clientOf(HWND child) {
    RECT r{};
    ::GetClientRect(::GetParent(child), &r);
    return r;
  }
};

TEST_F(UnmaximisedProgram, ChildStaysInsideAndTheWindowGrowsForIt) {
  start();
  ASSERT_FALSE(::IsZoomed(main));
  const HWND child = onlyChild();
  // The main window shrinks: the child moves towards the top left to stay inside.
  RECT frame{};
  ::GetWindowRect(main, &frame);
  const RECT before = clientOf(child);
  ::SetWindowPos(child, nullptr, before.right - 310, before.bottom - 210, 300, 200,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(main, nullptr, 0, 0, (frame.right - frame.left) - 200,
                 (frame.bottom - frame.top) - 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(test::waitUntil(
      [&] {
        const RECT c = childInClient(child);
        const RECT client = clientOf(child);
        return c.right <= client.right && c.bottom <= client.bottom && c.left >= 0 && c.top >= 0;
      },
      5000))
      << "the child was left outside the client area";

  // The child grows beyond the client area: the main window grows with it.
  const RECT client = clientOf(child);
  ::SetWindowPos(child, nullptr, 0, 0, client.right + 60, client.bottom + 40,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(test::waitUntil(
      [&] {
        RECT c{};
        ::GetWindowRect(child, &c);
        const RECT now = clientOf(child);
        return now.right >= c.right - c.left && now.bottom >= c.bottom - c.top &&
               now.right > client.right;
      },
      5000))
      << "the main window did not grow for its child";
  closeWithYes();
}

// The menu as the main window builds it, in this process (menus of another
// process cannot be read under Wine).
TEST(MainWindowMenu, WebLinksGreyedByPolicyAndOpenOnlyWithASelection) {
  AppState& state = appState();
  state = AppState{};
  state.settings.policies.webLinksEnabled = false;
  {
    MainWindow window;
    ASSERT_TRUE(window.create(SW_SHOWNOACTIVATE, nullptr));
    const HMENU menu = ::GetMenu(window.hwnd());
    ASSERT_NE(menu, nullptr);
    const auto greyed = [&](int command) {
      return (::GetMenuState(menu, command, MF_BYCOMMAND) & MF_GRAYED) != 0;
    };
    EXPECT_TRUE(greyed(kCommandWebDin));
    EXPECT_TRUE(greyed(kCommandWebSpelling));
    EXPECT_FALSE(greyed(kCommandAbout));
    EXPECT_TRUE(greyed(kCommandOpen)) << "no child yet";
    // Every Alt letter of the menu bar and of each menu leads to one item.
    EXPECT_TRUE(test::sharedAltLetters(menu).empty()) << win::narrowLossy(test::describeShared(test::sharedAltLetters(menu)));
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
      const auto shared = test::sharedAltLetters(::GetSubMenu(menu, i));
      EXPECT_TRUE(shared.empty()) << win::narrowLossy(test::describeShared(shared));
    }
    window.request(1);
    ASSERT_TRUE(test::waitUntil([&] { return window.child() != nullptr; }, 10000));
    EXPECT_FALSE(greyed(kCommandOpen));
    window.request(2);
    ASSERT_TRUE(test::waitUntil(
        [&] { return window.child() != nullptr && window.child()->kind() == ChildKind::Exercise; },
        10000));
    EXPECT_TRUE(greyed(kCommandOpen));
    state.settings.policies.webLinksEnabled = true;
    ::SendMessageW(window.hwnd(), WM_INITMENUPOPUP, 0, 0);
    EXPECT_FALSE(greyed(kCommandWebDin));
    ::DestroyWindow(window.hwnd());
  }
  // The window ended the (test's) message loop; take the quit request back.
  MSG msg;
  ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  state = AppState{};
}

// A saved exercise in a folder named by an environment variable.
class CommandLine : public Program {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    folder = std::filesystem::path(temp) / L"klavento-test";
    std::filesystem::create_directories(folder);
    ::SetEnvironmentVariableW(L"KV_TEST_FOLDER", folder.wstring().c_str());
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    ::SetEnvironmentVariableW(L"KV_TEST_FOLDER", nullptr);
  }
  void writeSavedExercise(const wchar_t* name) {
    TypedExercise record;
    record.typedText = "Die Idee zum Bau einer Schreibmaschine\r\n";
    record.typedLineCount = 1;
    record.keystrokes = 40;
    SummaryInputs in;
    in.today = {2026, 12, 7};
    in.learnerLine1 = "Lena";
    const std::vector<std::string> lines = buildSummary(record, in);
    const std::string bytes = encodeResultFile(lines, record, 40);
    ASSERT_TRUE(writeFileAtomically(folder / name, bytes));
  }
  std::filesystem::path folder;
};

TEST_F(CommandLine, KvwArgumentWithEnvironmentVariableOpensTheFileView) {
  writeSavedExercise(L"ergebnis.KVW");
  start(L"\"%KV_TEST_FOLDER%\\ergebnis.KVW\"", kResultChildClass);
  EXPECT_EQ(win::windowText(onlyChild()), L"Dateiansicht");
  const HWND view = ::GetDlgItem(onlyChild(), ResultWindow::kListId);
  ASSERT_NE(view, nullptr);
  const int lines = static_cast<int>(::SendMessageW(view, LB_GETCOUNT, 0, 0));
  ASSERT_GE(lines, 30);
  wchar_t line[256] = {};
  ::SendMessageW(view, LB_GETTEXT, 10, reinterpret_cast<LPARAM>(line));
  EXPECT_NE(std::wstring(line).find(L"Die Idee zum Bau"), std::wstring::npos);
  closeWithYes();
}

TEST_F(CommandLine, OtherExtensionsAreIgnored) {
  writeSavedExercise(L"ergebnis.txt");
  start(L"\"%KV_TEST_FOLDER%\\ergebnis.txt\"", kSelectionChildClass);
  closeWithYes();
}

TEST_F(CommandLine, BrokenFileIsReportedAndTheSelectionOpens) {
  ASSERT_TRUE(writeFileAtomically(folder / L"kaputt.kvw", std::string(100, 'x')));
  ASSERT_TRUE(program.start(test::besideThisExe(KV_EXE_NAME),
                            L"\"" + (folder / L"kaputt.kvw").wstring() + L"\""));
  const HWND box = test::waitForMessageBox(program.pid(), 20000);
  ASSERT_NE(box, nullptr) << "an unreadable file must be reported";
  const std::string expected = resultFileErrorMessage(
      ResultFileError::UnknownIdentification, win::narrowLossy((folder / L"kaputt.kvw").wstring()));
  EXPECT_EQ(test::messageBoxText(box), win::widen(expected));
  test::pressDialogButton(box, IDOK);
  main = test::waitForTopLevelWindow(program.pid(), L"Klavento 7", 5000, kMainWindowClass);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(waitForOnlyChild(kSelectionChildClass));
  closeWithYes();
}

}  // namespace
}  // namespace kv
