// A learner's round through the real program with real key events: xdotool
// types into the Wine window as a keyboard would, so the keys arrive through
// the system's keyboard filter as physical keystrokes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win/strings.h"
#include "tests/win/program_driver.h"
#include "ui/exercise_window.h"
#include "ui/main_window.h"
#include "ui/result_options_dialog.h"
#include "ui/result_window.h"
#include "ui/selection_dialog.h"

namespace kv {
namespace {

// Runs a Linux program from inside Wine; Wine starts Unix executables as
// they are. Its end is not reported back, so callers wait for its effect.
bool runUnix(const std::wstring& commandLine) {
  std::wstring cmd = commandLine;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return true;
}

// xdotool types one word at a time with its own delay: a single even rhythm
// over 35 keys would rightly void the exercise as machine-made.
bool typeLikeALearner(const std::wstring& text) {
  static const int delays[] = {130, 175, 150, 205, 120, 165};
  std::size_t word = 0;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find(L' ', begin + 1);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring part = text.substr(begin, end - begin);
    const int delay = delays[word++ % 6];
    if (!runUnix(L"/usr/bin/xdotool type --delay " + std::to_wstring(delay) + L" \"" + part + L"\"")) {
      return false;
    }
    ::Sleep(static_cast<DWORD>(delay * static_cast<int>(part.size()) + 400));
    begin = end;
  }
  return true;
}

void click(HWND window, int id) {
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

std::wstring listLine(HWND list, int index) {
  wchar_t line[512] = {};
  ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line));
  return line;
}

TEST(Learner, TypesATextWithRealKeysAndGetsTheEvaluation) {
  test::ProgramProcess program;
  ASSERT_TRUE(program.start(test::besideThisExe(KV_EXE_NAME)));
  const HWND main = test::waitForTopLevelWindow(program.pid(), L"Klavento 7", 20000, kMainWindowClass);
  ASSERT_NE(main, nullptr);
  HWND selection = nullptr;
  ASSERT_TRUE(test::waitUntil(
      [&] {
        const auto children = test::mdiChildren(main);
        selection = children.size() == 1 ? children[0] : nullptr;
        return selection != nullptr && test::className(selection) == SelectionDialog::kClassName;
      },
      15000));
  // "Textvorgabe auf Bildschirm", then the first built-in text, and start.
  click(selection, SelectionDialog::kFormOption1 + 2);
  ::Sleep(300);
  click(selection, SelectionDialog::kNext);
  ::Sleep(500);
  click(selection, SelectionDialog::kNext);

  HWND exercise = nullptr;
  ASSERT_TRUE(test::waitUntil(
      [&] {
        const auto children = test::mdiChildren(main);
        exercise = children.size() == 1 ? children[0] : nullptr;
        return exercise != nullptr && test::className(exercise) == ExerciseWindow::kClassName;
      },
      15000));
  const HWND field = ::GetDlgItem(exercise, ExerciseWindow::kFieldId);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == field; }, 5000));
  // The X window of the program gets the keyboard focus, as a click would.
  ASSERT_TRUE(runUnix(L"/usr/bin/xdotool search --name \"^Klavento 7$\" windowfocus"));
  ::Sleep(500);

  const std::wstring line = L"fded fded fded fded sded sded";
  ASSERT_TRUE(typeLikeALearner(L" " + line));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(field) == line; }, 10000))
      << win::narrowLossy(test::controlText(field));

  click(exercise, ExerciseWindow::kEndButtonId);
  ASSERT_TRUE(test::waitUntil(
      [&] { return test::controlText(field).find(L"*** Ende ***") != std::wstring::npos; }, 5000));
  click(exercise, ExerciseWindow::kEndButtonId);
  const HWND options = test::waitForTopLevelWindow(program.pid(), nullptr, 10000,
                                                   ResultOptionsDialog::kClassName);
  ASSERT_NE(options, nullptr);
  click(options, ResultOptionsDialog::kOk);

  HWND result = nullptr;
  ASSERT_TRUE(test::waitUntil(
      [&] {
        const auto children = test::mdiChildren(main);
        result = children.size() == 1 ? children[0] : nullptr;
        return result != nullptr && test::className(result) == ResultWindow::kClassName;
      },
      20000));
  const HWND list = ::GetDlgItem(result, ResultWindow::kListId);
  const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
  ASSERT_GE(count, 30);
  EXPECT_EQ(listLine(list, 10), line);
  bool softwareKeyboard = false;
  std::wstring errors;
  std::wstring keystrokes;
  for (int i = 0; i < count; ++i) {
    const std::wstring text = listLine(list, i);
    if (text.rfind(L"Eingabemedium", 0) == 0) softwareKeyboard = true;
    if (text.rfind(L"Fehlerzahl", 0) == 0) errors = text;
    if (text.rfind(L"Gesamtanschl.", 0) == 0) keystrokes = text;
  }
  EXPECT_FALSE(softwareKeyboard) << "keys from the keyboard must count as physical";
  EXPECT_EQ(errors, L"Fehlerzahl    0 (0,000 Fehlerprozent)");
  EXPECT_EQ(keystrokes, L"Gesamtanschl. 29");

  // Closing the unsaved evaluation asks; Ja leads back to the selection.
  click(result, ResultWindow::kCloseId);
  HWND box = test::waitForMessageBox(program.pid(), 10000);
  ASSERT_NE(box, nullptr);
  test::pressDialogButton(box, IDYES);
  ASSERT_TRUE(test::waitUntil(
      [&] {
        const auto children = test::mdiChildren(main);
        return children.size() == 1 && test::className(children[0]) == SelectionDialog::kClassName;
      },
      10000));
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  box = test::waitForMessageBox(program.pid(), 10000);
  ASSERT_NE(box, nullptr);
  test::pressDialogButton(box, IDYES);
  DWORD code = 1;
  ASSERT_TRUE(program.waitForExit(10000, code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace kv
