// What a learner meets at the keyboard, tried with real key events from
// xdotool on the real program: Return in the typing field, Escape, the Alt
// letters, the message boxes, and what the windows show around an exercise.
#include <windows.h>
#include <shlwapi.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/strings.h"
#include "tests/win/learner_fixture.h"
#include "tests/win/program_driver.h"
#include "ui/exercise/exercise_window_win.h"
#include "ui/frame/main_window_win.h"
#include "ui/exercise/result_options_dialog_win.h"
#include "ui/result/result_window_win.h"
#include "ui/selection/selection_dialog_win.h"
#include "ui/frame/splash_window_win.h"

namespace kv {
namespace {

using test::runUnix;
using test::typeLikeALearner;

// Two lines typed with Return in every form with a typing field reach the
// evaluation as two lines without an error; one keystroke per line break.
// Before each later exercise the progress bar starts empty again.
TEST_F(LearnerKeys, ReturnMakesALineBreakInEveryForm) {
  bool first = true;
  for (const int form : {3, 1, 2, 4}) {
    SCOPED_TRACE("form " + std::to_string(form));
    ASSERT_NO_FATAL_FAILURE(openExercise(form));
    if (!first) {
      ::Sleep(800);
      const int fill = progressFillPixels();
      ASSERT_GE(fill, 0) << "the status line could not be read";
      EXPECT_LT(fill, 40) << "the progress bar shows the last exercise's fill";
    }
    first = false;
    // Read once the window has settled its size and drawn the prompt again.
    std::vector<std::pair<int, int>> rows;
    test::waitUntil([&] { return (rows = promptTextRows()).size() == 2; }, 5000);
    EXPECT_EQ(rows.size(), 2u) << "the start prompt is not its two lines";
    ASSERT_NO_FATAL_FAILURE(startTyping());
    ASSERT_TRUE(typeLikeALearner(kLine1));
    ASSERT_NO_FATAL_FAILURE(newLine());
    EXPECT_EQ(test::controlText(field), kLine1 + L"\r\n");
    ASSERT_TRUE(typeLikeALearner(kLine2));
    const std::wstring typed = kLine1 + L"\r\n" + kLine2;
    ASSERT_TRUE(test::waitUntil([&] { return test::controlText(field) == typed; }, 10000))
        << win::narrowLossy(test::controlText(field));

    const std::vector<std::wstring> lines = toEvaluationByKeys(/*typeLearnerLine=*/form == 3);
    ASSERT_GE(lines.size(), 30u);
    EXPECT_EQ(lines[10], kLine1) << test::joinedLines(lines);
    EXPECT_EQ(lines[11], kLine2) << test::joinedLines(lines);
    // Typed once; the dialog offers it again for the next exercises.
    EXPECT_EQ(lines[4], L"Anna Musterfrau, Klasse 8b der Realschule am") << test::joinedLines(lines);
    EXPECT_EQ(test::lineStartingWith(lines, L"Fehlerzahl"), L"Fehlerzahl    0 (0,000 Fehlerprozent)")
        << test::joinedLines(lines);
    // 59 characters of one keystroke each, twice, and the line break between.
    EXPECT_EQ(test::lineStartingWith(lines, L"Gesamtanschl."), L"Gesamtanschl. 119") << test::joinedLines(lines);
    ASSERT_NO_FATAL_FAILURE(closeEvaluation());
  }
}

// Escape in an exercise with correction keeps the exercise; a question shown
// during it (Alt+F4: end the program?) gives the focus back after Nein, so
// the next words land in the typing field.
TEST_F(LearnerKeys, EscapeKeepsTheExerciseAndTheFocusComesBackAfterAQuestion) {
  ASSERT_NO_FATAL_FAILURE(openExercise(4, /*correction=*/true));
  ASSERT_NE(win::windowText(exercise).find(L"(mit Korrektur)"), std::wstring::npos);
  ASSERT_NO_FATAL_FAILURE(startTyping());
  ASSERT_TRUE(typeLikeALearner(L"fded"));
  ASSERT_TRUE(key(L"Escape"));
  EXPECT_EQ(test::waitForMessageBox(program.pid(), 1500), nullptr)
      << "Escape asked to end the program";
  ASSERT_TRUE(typeLikeALearner(L" sded"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(field) == L"fded sded"; }, 5000))
      << win::narrowLossy(test::controlText(field));

  ASSERT_TRUE(key(L"alt+F4"));
  const HWND box = test::waitForMessageBox(program.pid(), 10000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(test::messageBoxText(box), L"Klavento 7 wirklich beenden?");
  ASSERT_TRUE(key(L"n"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(box); }, 5000)) << "N did not answer Nein";
  EXPECT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == field; }, 3000))
      << "the typing field lost the focus to the question";
  ASSERT_TRUE(typeLikeALearner(L" aded"));
  EXPECT_TRUE(test::waitUntil([&] { return test::controlText(field) == L"fded sded aded"; }, 5000))
      << win::narrowLossy(test::controlText(field));
  EXPECT_FALSE(ended());
}

// On the second page Alt+Z goes back, as on every wizard page; Alt+A and
// Alt+N move to the field after their labels.
TEST_F(LearnerKeys, AltLettersOfTheSecondPage) {
  const HWND dialog = selection();
  ASSERT_TRUE(key(L"alt+w"));
  ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungstext wählen"));
  ASSERT_TRUE(key(L"alt+a"));
  EXPECT_TRUE(test::waitUntil(
      [&] { return test::focusOfThread(main) == ::GetDlgItem(dialog, SelectionDialog::kArchiveBox); },
      3000))
      << "Alt+A: not in the archive box";
  ASSERT_TRUE(key(L"alt+n"));
  EXPECT_TRUE(test::waitUntil(
      [&] { return test::focusOfThread(main) == ::GetDlgItem(dialog, SelectionDialog::kRepetitions); },
      3000))
      << "Alt+N: not in the repetitions field";
  ASSERT_TRUE(key(L"alt+z"));
  EXPECT_TRUE(selectionCaptionIs(dialog, L"Übungsform wählen")) << "Alt+Z did not go back";
}

// While the start picture is shown it is in front of the main window, which
// appears behind it: its area of the screen is not the main window's grey.
TEST(StartPicture, IsInFrontOfTheMainWindow) {
  test::ProgramProcess program;
  ASSERT_TRUE(program.start(test::besideThisExe(KV_EXE_NAME)));
  HWND splash = nullptr;
  HWND main = nullptr;
  ASSERT_TRUE(test::waitUntil(
      [&] {
        splash = test::findTopLevelWindow(program.pid(), nullptr, SplashWindow::kClassName);
        main = test::findTopLevelWindow(program.pid(), L"Klavento 7", kMainWindowClass);
        return splash != nullptr && main != nullptr;
      },
      20000))
      << "the picture and the main window are never shown together";
  ::Sleep(700);
  RECT r{};
  ASSERT_TRUE(::GetWindowRect(splash, &r));
  const test::ScreenArea area(r);
  ASSERT_TRUE(area.copied());
  const int all = (r.right - r.left) * (r.bottom - r.top);
  const int grey = area.countOf(r, ::GetSysColor(COLOR_APPWORKSPACE));
  EXPECT_LT(grey, all / 10) << "the main window covers the start picture";
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(splash); }, 15000));
  ASSERT_NE(test::waitForOnlyChild(main, SelectionDialog::kClassName, 15000), nullptr);
  EXPECT_TRUE(program.closeNormally(main));
}

// The Datei menu, opened with Alt+D: its first item's shortcut stands apart
// from the item's text, as in any Windows menu, not one letter's width away.
TEST_F(LearnerKeys, MenuShortcutsStandApartFromTheirItems) {
  const HWND popup = openFileMenu();
  ASSERT_NE(popup, nullptr) << "Alt+D opened no menu";
  ::Sleep(500);
  RECT r{};
  ASSERT_TRUE(::GetWindowRect(popup, &r));
  // Opened by its key, the menu highlights its first item: the highlighted
  // rows are that item, and its text is what is not the highlight colour.
  const test::ScreenArea area(r);
  ASSERT_TRUE(area.copied());
  const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  int top = -1;
  int bottom = -1;
  for (int y = r.top; y < r.bottom; ++y) {
    if (area.at(r.left + 5, y) != highlight) continue;
    if (top < 0) top = y;
    bottom = y + 1;
  }
  ASSERT_GE(top, 0) << "no highlighted item in the menu";
  std::vector<int> ink;
  for (int x = r.left + 5; x < r.right - 5; ++x) {
    for (int y = top; y < bottom; ++y) {
      if (area.at(x, y) != highlight) {
        ink.push_back(x);
        break;
      }
    }
  }
  ASSERT_GE(ink.size(), 20u) << "no text in the first item of the menu at " << r.left << ","
                             << r.top << " " << r.right - r.left << "x" << r.bottom - r.top;
  int widestGap = 0;
  for (std::size_t i = 1; i < ink.size(); ++i) widestGap = std::max(widestGap, ink[i] - ink[i - 1]);
  TEXTMETRICW tm{};
  HDC dc = ::GetDC(nullptr);
  ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
  ::GetTextMetricsW(dc, &tm);
  ::ReleaseDC(nullptr, dc);
  EXPECT_GE(widestGap, 2 * tm.tmAveCharWidth + 2) << "Strg+O stands against the item's text";
  ASSERT_TRUE(key(L"Escape"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindowVisible(popup); }, 3000));
  ASSERT_TRUE(key(L"Escape"));
  ::Sleep(500);
}

// Hilfe, Benutzerhandbuch, by keys: the guide beside the program opens with
// the program registered for web pages (here a stand-in that notes the file).
TEST_F(LearnerKeys, HelpMenuOpensTheUserGuide) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring note = std::wstring(temp) + L"kv-handbuch-geoeffnet.txt";
  ::DeleteFileW(note.c_str());
  // The shell finds the program for .html files in the classes root.
  const auto setDefault = test::setClassesRootDefault;
  wchar_t before[128] = {};
  LONG size = sizeof before;
  ASSERT_EQ(::RegQueryValueW(HKEY_CLASSES_ROOT, L".html", before, &size), ERROR_SUCCESS)
      << "the prefix knows no .html files";
  ASSERT_TRUE(setDefault(L".html", L"KlaventoTestSeite"));
  ASSERT_TRUE(setDefault(L"KlaventoTestSeite\\shell\\open\\command",
                         L"C:\\windows\\system32\\cmd.exe /c echo %1> \"" + note + L"\""));
  const HWND popup = openMenu(L"alt+h");
  ASSERT_NE(popup, nullptr) << "Alt+H opened no menu";
  ::Sleep(300);
  ASSERT_TRUE(key(L"b"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindowVisible(popup); }, 5000)) << "B did not choose from the menu";
  // The shell starts a console program for it: slow on a loaded machine. The
  // note appears when cmd opens it, before its line is written, and cmd may
  // still hold it open for writing.
  std::string written;
  const bool opened = test::waitUntil(
      [&] {
        HANDLE file = ::CreateFileW(note.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        char buffer[2048] = {};
        DWORD got = 0;
        ::ReadFile(file, buffer, sizeof buffer - 1, &got, nullptr);
        ::CloseHandle(file);
        written.assign(buffer, got);
        return written.find('\n') != std::string::npos;
      },
      30000);
  setDefault(L".html", before);
  ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L"KlaventoTestSeite");
  if (!opened) {
    const HWND box = test::waitForMessageBox(program.pid(), 100);
    FAIL() << "the guide was not opened"
           << (box ? ": " + win::narrowLossy(test::messageBoxText(box)) : std::string());
  }
  std::wstring guide = test::besideThisExe(L"Handbuch\\Benutzerhandbuch.html");
  std::transform(guide.begin(), guide.end(), guide.begin(), ::towlower);
  std::transform(written.begin(), written.end(), written.begin(), ::tolower);
  EXPECT_NE(written.find(win::narrowLossy(guide)), std::string::npos) << written;
  EXPECT_NE(::GetFileAttributesW(test::besideThisExe(L"Handbuch\\bilder").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the guide's pictures are not beside it";
  ::DeleteFileW(note.c_str());
}

}  // namespace
}  // namespace kv
