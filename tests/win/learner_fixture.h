// The learner at the real program: started, driven through selection,
// exercise and evaluation with real key events from xdotool. Shared by the
// tests of what a learner meets.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/strings.h"
#include "tests/win/program_driver.h"
#include "ui/exercise/exercise_window_win.h"
#include "ui/frame/main_window_win.h"
#include "ui/exercise/result_options_dialog_win.h"
#include "ui/result/result_window_win.h"
#include "ui/selection/selection_dialog_win.h"

namespace kv {

using test::runUnix;
using test::typeLikeALearner;

inline bool key(const std::wstring& keys) { return runUnix(L"/usr/bin/xdotool key " + keys); }

// The first two lines of the first built-in text.
inline const std::wstring kLine1 = L"fded fded fded fded sded sded sded sded aded aded aded aded";
inline const std::wstring kLine2 = L"efef efef eded eded eses eses eaea eaea fede dese sede aede";
inline const std::wstring kLearnerName = L"Anna Musterfrau, Klasse 8b der Realschule am Nordpark";

class LearnerKeys : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program.start(test::besideThisExe(KV_EXE_NAME)));
    main = test::waitForTopLevelWindow(program.pid(), L"Klavento 7", 20000, kMainWindowClass);
    ASSERT_NE(main, nullptr);
    ASSERT_NE(selection(), nullptr);
    // The X window of the program gets the keyboard focus, as a click would.
    ASSERT_TRUE(runUnix(L"/usr/bin/xdotool search --name \"^Klavento 7$\" windowfocus"));
    ::Sleep(500);
  }

  void TearDown() override {
    if (main != nullptr && program.running()) {
      EXPECT_TRUE(program.closeNormally(main));
    }
  }

  HWND selection() { return test::waitForOnlyChild(main, SelectionDialog::kClassName, 15000); }

  bool selectionCaptionIs(HWND dialog, const wchar_t* caption) {
    return test::waitUntil([&] { return win::windowText(dialog) == caption; }, 5000);
  }

  // From the first page: the form, then on the second page the lines 1 to 2
  // of the first built-in text through the Alt letter of "bis", and the start.
  void openExercise(int form, bool correction = false) {
    const HWND dialog = selection();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungsform wählen"));
    test::pressDialogButton(dialog, SelectionDialog::kFormOption1 + form - 1);
    ::Sleep(300);
    if (correction) {
      ASSERT_TRUE(key(L"alt+m"));
      ASSERT_TRUE(test::waitUntil(
          [&] {
            return ::SendMessageW(::GetDlgItem(dialog, SelectionDialog::kCorrectionYes), BM_GETCHECK,
                                  0, 0) == BST_CHECKED;
          },
          3000))
          << "Alt+M did not choose correction";
    }
    ASSERT_TRUE(key(L"alt+w"));
    ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungstext wählen"));
    const HWND last = ::GetDlgItem(dialog, SelectionDialog::kLastLine);
    ASSERT_TRUE(key(L"alt+b"));
    ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == last; }, 3000))
        << "Alt+B did not move to the field after \"bis\"";
    ASSERT_TRUE(key(L"2"));
    ASSERT_TRUE(test::waitUntil([&] { return test::controlText(last) == L"2"; }, 3000))
        << "the field's text was not replaced: " << win::narrowLossy(test::controlText(last));
    ASSERT_TRUE(key(L"alt+s"));
    exercise = test::waitForOnlyChild(main, ExerciseWindow::kClassName, 15000);
    ASSERT_NE(exercise, nullptr);
    field = ::GetDlgItem(exercise, ExerciseWindow::kFieldId);
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == field; }, 5000));
  }

  // The start prompt's rows of text as they are on the screen: its two
  // lines, each whole inside the box (none wrapped, none cut off).
  std::vector<std::pair<int, int>> promptTextRows() {
    std::vector<std::pair<int, int>> rows;
    const HWND prompt = ::GetDlgItem(exercise, ExerciseWindow::kPromptId);
    RECT r{};
    if (prompt == nullptr || !::IsWindowVisible(prompt) || !::GetWindowRect(prompt, &r)) return rows;
    const test::ScreenArea area(r);
    if (!area.copied()) return rows;
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    bool inText = false;
    for (int y = r.top + 2; y < r.bottom - 2; ++y) {
      bool ink = false;
      for (int x = r.left + 2; x < r.right - 2 && !ink; ++x) {
        const COLORREF c = area.at(x, y);
        ink = GetRValue(c) + GetGValue(c) + GetBValue(c) + 240 <
              GetRValue(face) + GetGValue(face) + GetBValue(face);
      }
      if (ink && !inText) rows.emplace_back(y - r.top, y - r.top + 1);
      if (ink) rows.back().second = y - r.top + 1;
      inText = ink;
    }
    return rows;
  }

  // The Datei menu opened with Alt+D, as its popup window; null when none opens.
  HWND openFileMenu() { return openMenu(L"alt+d"); }

  // The menu's popup, once it is on screen: a letter pressed before that
  // would go to the window behind it.
  HWND openMenu(const wchar_t* keys) {
    if (!key(keys)) return nullptr;
    HWND popup = nullptr;
    test::waitUntil(
        [&] {
          popup = test::findTopLevelWindow(program.pid(), nullptr, L"#32768");
          return popup != nullptr;
        },
        5000);
    return popup;
  }

  // "Weitere Befehle" beside the start button, reached by Tab and opened
  // with the space bar; true once its menu is on the screen.
  bool openSelectionMenu(HWND dialog) {
    const HWND menuButton = ::GetDlgItem(dialog, SelectionDialog::kMenu);
    for (int tries = 0; tries < 30 && test::focusOfThread(main) != menuButton; ++tries) {
      if (!key(L"Tab")) return false;
      ::Sleep(150);
    }
    if (test::focusOfThread(main) != menuButton) {
      ADD_FAILURE() << "Tab did not reach the menu button";
      return false;
    }
    if (!key(L"space")) return false;
    return test::waitUntil([&] { return test::findTopLevelWindow(program.pid(), nullptr, L"#32768") != nullptr; },
                           5000);
  }

  void startTyping() { ASSERT_TRUE(test::startExerciseWithSpace(field)) << "the exercise did not start"; }

  // Return in the typing field. Each xdotool is a process of its own, so the
  // next line's keys could overtake it: waits until the line break is in.
  void newLine() {
    const auto breaks = [&] {
      const std::wstring text = test::controlText(field);
      return std::count(text.begin(), text.end(), L'\n');
    };
    const auto before = breaks();
    ASSERT_TRUE(key(L"Return"));
    ASSERT_TRUE(test::waitUntil([&] { return breaks() > before; }, 5000))
        << "Return made no line break: " << win::narrowLossy(test::controlText(field));
  }
  bool ended() const { return test::exerciseEnded(field); }

  // Alt+B ends, Alt+W hands over; the learner line takes at most 45
  // characters; OK with Return. The lines of the evaluation.
  std::vector<std::wstring> toEvaluationByKeys(bool typeLearnerLine) {
    std::vector<std::wstring> lines;
    EXPECT_TRUE(key(L"alt+b"));
    if (!test::waitUntil([&] { return ended(); }, 5000)) {
      ADD_FAILURE() << "Alt+B did not end the exercise";
      return lines;
    }
    EXPECT_TRUE(key(L"alt+w"));
    const HWND options = test::waitForTopLevelWindow(program.pid(), nullptr, 10000,
                                                     ResultOptionsDialog::kClassName);
    if (options == nullptr) {
      ADD_FAILURE() << "no result options";
      return lines;
    }
    const HWND line1 = ::GetDlgItem(options, ResultOptionsDialog::kLine1);
    EXPECT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == line1; }, 5000));
    if (typeLearnerLine) {
      const std::wstring& name = kLearnerName;
      EXPECT_GT(name.size(), 45u);
      EXPECT_TRUE(runUnix(L"/usr/bin/xdotool type --delay 40 \"" + name + L"\""));
      EXPECT_TRUE(
          test::waitUntil([&] { return test::controlText(line1) == name.substr(0, 45); }, 10000))
          << "the learner line takes more than it keeps: "
          << win::narrowLossy(test::controlText(line1));
    }
    EXPECT_TRUE(key(L"Return"));
    result = test::waitForOnlyChild(main, ResultWindow::kClassName, 20000);
    if (result == nullptr) {
      ADD_FAILURE() << "no result window";
      return lines;
    }
    const HWND list = ::GetDlgItem(result, ResultWindow::kListId);
    const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) lines.push_back(test::listLine(list, i));
    return lines;
  }

  // Schließen asks about the unsaved evaluation; Ja leads back to the selection.
  void closeEvaluation() {
    ASSERT_TRUE(key(L"alt+s"));
    const HWND box = test::waitForMessageBox(program.pid(), 10000);
    ASSERT_NE(box, nullptr);
    test::pressDialogButton(box, IDYES);
    ASSERT_NE(selection(), nullptr);
  }

  // Pixels of the status line's progress bar fill: the last panel, without
  // the size grip.
  int progressFillPixels() {
    const HWND status = ::FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
    RECT r{};
    if (status == nullptr || !::GetWindowRect(status, &r)) return -1;
    const int width = r.right - r.left;
    const RECT panel{r.left + width * 3 / 5, r.top + 2, r.right - 24, r.bottom - 2};
    const test::ScreenArea area(panel);
    if (!area.copied()) return -1;
    return area.countOf(panel, ::GetSysColor(COLOR_BTNSHADOW));
  }

  test::ProgramProcess program;
  HWND main = nullptr;
  HWND exercise = nullptr;
  HWND field = nullptr;
  HWND result = nullptr;
};

}  // namespace kv
