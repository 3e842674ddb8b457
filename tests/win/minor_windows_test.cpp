// The progress window, the result-options dialog, the about and splash
// windows and their pictures, created in this process on the real screen.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <set>
#include <vector>
#include <string>

#include "ui/shared/app_state.h"
#include "platform/win/handles.h"
#include "platform/win/modal.h"
#include "platform/win/strings.h"
#include "tests/win/program_driver.h"
#include "ui/frame/about_window_win.h"
#include "ui/shared/pictures_win.h"
#include "ui/selection/selection_pictures_win.h"
#include "ui/shared/progress_window_win.h"
#include "ui/exercise/result_options_dialog_win.h"
#include "ui/frame/splash_window_win.h"

namespace kv {
namespace {

// Every test starts from the program's initial state.
class MinorWindows : public testing::Test {
 protected:
  void SetUp() override { appState() = AppState{}; }
  void TearDown() override { appState() = AppState{}; }
};

struct ProgressRun {
  std::wstring caption;
  bool closeRefused = false;
  bool closeGreyed = false;
  int taskRuns = 0;
  DWORD elapsed = 0;
};

ProgressRun runProgress(bool evaluating) {
  AppState& state = appState();
  state.evaluationRunning = evaluating;
  ProgressRun run;
  const DWORD start = ::GetTickCount();
  runWithProgress(nullptr, [&] {
    ++run.taskRuns;
    const HWND window = test::findTopLevelWindow(::GetCurrentProcessId(), nullptr,
                                                 ProgressWindow::kClassName);
    if (window == nullptr) return;
    run.caption = win::windowText(window);
    const UINT closeState = ::GetMenuState(::GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);
    run.closeGreyed = (closeState & MF_GRAYED) != 0;
    state.progressMax = 3;
    for (int i = 1; i <= 3; ++i) {
      state.progressPosition = i;
      win::processPendingMessages();
    }
    // The user (or anything else) asks it to close while the task runs.
    ::SendMessageW(window, WM_CLOSE, 0, 0);
    ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    win::processPendingMessages();
    run.closeRefused = ::IsWindow(window) != FALSE;
  });
  run.elapsed = ::GetTickCount() - start;
  return run;
}

TEST_F(MinorWindows, ProgressWindowScanStaysItsMinimumAndCannotBeClosed) {
  ProgressRun run = runProgress(false);
  // A stall of the shared test machine is not the window's doing: only a
  // window that overstays every time fails.
  for (int again = 0; again < 2 && run.elapsed >= 5000u; ++again) run = runProgress(false);
  EXPECT_EQ(run.taskRuns, 1);
  EXPECT_EQ(run.caption, L"Verzeichnis wird geladen");
  EXPECT_TRUE(run.closeRefused);
  EXPECT_TRUE(run.closeGreyed);
  EXPECT_GE(run.elapsed, 750u);
  EXPECT_LT(run.elapsed, 5000u);
  EXPECT_EQ(appState().progressMax, 0) << "counters are zeroed on closing";
  EXPECT_EQ(appState().progressPosition, 0);
  EXPECT_EQ(test::findTopLevelWindow(::GetCurrentProcessId(), nullptr, ProgressWindow::kClassName),
            nullptr);
}

TEST_F(MinorWindows, ProgressWindowEvaluationStaysASecond) {
  const ProgressRun run = runProgress(true);
  EXPECT_EQ(run.caption, L"Text wird ausgewertet");
  EXPECT_TRUE(run.closeRefused);
  EXPECT_GE(run.elapsed, 1000u);
}

// The dialog shown without its modal loop, so the test can work it.
class OptionsDialog : public MinorWindows {
 protected:
  HWND open() {
    EXPECT_TRUE(dialog.createPopup(nullptr));
    return dialog.hwnd();
  }
  HWND item(int id) { return ::GetDlgItem(dialog.hwnd(), id); }
  bool checked(int id) { return ::IsDlgButtonChecked(dialog.hwnd(), id) == BST_CHECKED; }
  bool enabled(int id) { return ::IsWindowEnabled(item(id)) != FALSE; }
  void click(int id, WORD code = BN_CLICKED) {
    ::SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(id, code),
                   reinterpret_cast<LPARAM>(item(id)));
  }
  ResultOptionsDialog dialog;
  using D = ResultOptionsDialog;
};

TEST_F(OptionsDialog, EveryAltLetterLeadsToOnePlace) {
  const auto shared = test::sharedAltLetters(open());
  EXPECT_TRUE(shared.empty()) << win::narrowLossy(test::describeShared(shared));
}

TEST_F(OptionsDialog, NoChoicesLockedByTheExercise) {
  struct Row {
    int form;
    int pace;
    bool limitReached;
    bool timeNoEnabled;
    bool speedNoEnabled;
  };
  const Row rows[] = {
      {1, 0, false, true, true},
      {1, 150, false, true, false},
      {2, 60, false, true, false},
      {3, 5, false, true, true},
      {3, 5, true, false, true},
      {4, 10, true, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.form << "/" << row.pace << "/" << row.limitReached);
    appState().exercise.form = static_cast<std::uint8_t>(row.form);
    appState().exercise.pace = row.pace;
    appState().timeLimitReached = row.limitReached;
    ResultOptionsDialog d;
    ASSERT_TRUE(d.createPopup(nullptr));
    const auto on = [&](int id) { return ::IsWindowEnabled(::GetDlgItem(d.hwnd(), id)) != FALSE; };
    EXPECT_EQ(on(D::kTimeNo), row.timeNoEnabled);
    EXPECT_EQ(on(D::kSpeedNo), row.speedNoEnabled);
    EXPECT_TRUE(on(D::kTimeYes));
    EXPECT_TRUE(on(D::kSpeedYes));
    EXPECT_EQ(::IsDlgButtonChecked(d.hwnd(), D::kTimeYes), BST_CHECKED);
    EXPECT_EQ(::IsDlgButtonChecked(d.hwnd(), D::kSpeedYes), BST_CHECKED);
    ::DestroyWindow(d.hwnd());
  }
}

TEST_F(OptionsDialog, OnlyOkClosesIt) {
  open();
  ::SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  ::SendMessageW(dialog.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  click(IDCANCEL);
  EXPECT_TRUE(::IsWindow(dialog.hwnd()));
  EXPECT_FALSE(dialog.done());
  click(D::kOk);
  EXPECT_TRUE(dialog.done());
  EXPECT_EQ(dialog.hwnd(), nullptr);
}

TEST_F(OptionsDialog, CaptionClickChoosesAndFocusesYes) {
  open();
  click(D::kTimeNo);
  ::CheckRadioButton(dialog.hwnd(), D::kTimeYes, D::kTimeNo, D::kTimeNo);
  ASSERT_FALSE(checked(D::kTimeYes));
  click(D::kTimeCaption, STN_CLICKED);
  EXPECT_TRUE(checked(D::kTimeYes));
  EXPECT_FALSE(checked(D::kTimeNo));
  EXPECT_EQ(::GetFocus(), item(D::kTimeYes));
  // A disabled caption does nothing.
  ::CheckRadioButton(dialog.hwnd(), D::kSpeedYes, D::kSpeedNo, D::kSpeedNo);
  ::EnableWindow(item(D::kSpeedCaption), FALSE);
  click(D::kSpeedCaption, STN_CLICKED);
  EXPECT_TRUE(checked(D::kSpeedNo));
  ::DestroyWindow(dialog.hwnd());
}

TEST_F(OptionsDialog, OkStoresCleanedLinesAndChoices) {
  appState().resultOptions.learnerLine1 = "Vorher";
  open();
  EXPECT_EQ(win::windowText(item(D::kLine1)), L"Vorher") << "fields start with the stored lines";
  ::SetWindowTextW(item(D::kLine1), L"  \"Lena Müller\"  ");
  ::SetWindowTextW(item(D::kLine2), std::wstring(50, L'x').c_str());
  ::CheckRadioButton(dialog.hwnd(), D::kTimeYes, D::kTimeNo, D::kTimeNo);
  click(D::kOk);
  const ResultOptions& stored = appState().resultOptions;
  EXPECT_EQ(stored.learnerLine1, "Lena M\xFCller");
  EXPECT_EQ(stored.learnerLine2, std::string(45, 'x'));
  EXPECT_FALSE(stored.showExerciseTime);
  EXPECT_TRUE(stored.showKeystrokesPerMinute);
}

TEST_F(OptionsDialog, ClockedExerciseStoresNoSpeedLine) {
  appState().exercise.form = 1;
  appState().exercise.pace = 200;
  open();
  click(D::kOk);
  EXPECT_FALSE(appState().resultOptions.showKeystrokesPerMinute);
  EXPECT_TRUE(appState().resultOptions.showExerciseTime);
}

std::set<DWORD> browserProcesses() {
  std::set<DWORD> found;
  win::KernelObject snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    const std::wstring name = entry.szExeFile;
    if (name.find(L"browser") != std::wstring::npos) found.insert(entry.th32ProcessID);
  }
  return found;
}

TEST_F(MinorWindows, AboutWithoutVersionResourceKeepsItsDesignAndDisabledLinkDoesNothing) {
  appState().settings.policies.webLinksEnabled = false;
  AboutWindow about;
  ASSERT_TRUE(about.createPopup(nullptr));
  const auto label = [&](int id) { return win::windowText(::GetDlgItem(about.hwnd(), id)); };
  // This test program carries no version resource.
  EXPECT_EQ(label(AboutWindow::kName), L"Klavento 7");
  EXPECT_EQ(label(AboutWindow::kVersion), L"Version %s (Build %d)");
  EXPECT_EQ(label(AboutWindow::kMemory).rfind(L"Arbeitsspeicher: ", 0), 0u);

  const HWND link = ::GetDlgItem(about.hwnd(), AboutWindow::kLink);
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(link, WM_GETFONT, 0, 0)), sizeof font,
               &font);
  EXPECT_FALSE(font.lfUnderline) << "a disabled link is plain text";
  const std::set<DWORD> before = browserProcesses();
  ::SendMessageW(about.hwnd(), WM_COMMAND, MAKEWPARAM(AboutWindow::kLink, STN_CLICKED),
                 reinterpret_cast<LPARAM>(link));
  test::waitUntil([] { return false; }, 700);
  EXPECT_EQ(browserProcesses(), before) << "the click opened a web page";
  ::SendMessageW(about.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(about.hwnd(), nullptr);
}

TEST_F(MinorWindows, AboutLinkIsUnderlinedWhenWebLinksAreAllowed) {
  AboutWindow about;
  ASSERT_TRUE(about.createPopup(nullptr));
  const HWND link = ::GetDlgItem(about.hwnd(), AboutWindow::kLink);
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(link, WM_GETFONT, 0, 0)), sizeof font,
               &font);
  EXPECT_TRUE(font.lfUnderline);
  ::SendMessageW(about.hwnd(), WM_CLOSE, 0, 0);
}

TEST_F(MinorWindows, SplashStaysUntilFinishedAndFitsItsPicture) {
  SplashWindow splash;
  ASSERT_TRUE(splash.show());
  EXPECT_TRUE(splash.timerRunning());
  RECT client{};
  ::GetClientRect(splash.hwnd(), &client);
  const PictureChoice choice = choosePicture(96);
  ASSERT_EQ(choice.variant, 100) << "the test screen has 96 ppi";
  EXPECT_EQ(client.right, 420);
  EXPECT_EQ(client.bottom, 260);

  ::SendMessageW(splash.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_NE(splash.hwnd(), nullptr) << "closed before its time";
  ASSERT_TRUE(test::waitUntil([&] { return !splash.timerRunning(); },
                              SplashWindow::kDisplayMs + 3000));
  ::SendMessageW(splash.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_NE(splash.hwnd(), nullptr) << "only the main window may close it";
  splash.finish();
  EXPECT_EQ(splash.hwnd(), nullptr);
}

COLORREF pixelOf(const Picture& picture, int x, int y) {
  win::MemoryDc dc(::CreateCompatibleDC(nullptr));
  win::ScopedSelect select(dc.get(), picture.bitmap.get());
  return ::GetPixel(dc.get(), x, y);
}

TEST(Pictures, ChoiceByDensityAndTealReplacedByTheFaceColour) {
  const COLORREF face = RGB(0xF0, 0xE0, 0xD0);
  struct Row {
    int ppi;
    SIZE bitmap;
    SIZE shown;
  };
  const Row rows[] = {
      {96, {96, 96}, {96, 96}},      {120, {120, 120}, {120, 120}},
      {144, {144, 144}, {144, 144}}, {168, {168, 168}, {168, 168}},
      {192, {96, 96}, {192, 192}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.ppi);
    const Picture about = loadPicture(PictureSet::About, row.ppi, face);
    ASSERT_TRUE(about.bitmap);
    EXPECT_EQ(about.size.cx, row.bitmap.cx);
    EXPECT_EQ(about.size.cy, row.bitmap.cy);
    EXPECT_EQ(about.shownSize().cx, row.shown.cx);
    EXPECT_EQ(pixelOf(about, 0, 0), face) << "the teal corner must show the face colour";
    EXPECT_NE(pixelOf(about, about.size.cx / 2, about.size.cy / 4), face);
  }
  const Picture splash = loadPicture(PictureSet::Splash, 144);
  ASSERT_TRUE(splash.bitmap);
  EXPECT_EQ(splash.size.cx, 630);
  const Picture untouched = loadPicture(PictureSet::About, 96);
  EXPECT_EQ(pixelOf(untouched, 0, 0), kTransparentPictureColour);
}

// The chooser's finger strip at every picture size: eight keys, each at
// least six pixels of its colour at 100 % and outlined, and all of them
// inside the sunken screen (at 150 % the row once ran out of it).
TEST(Pictures, ChooserFingerKeysStayInsideAndApart) {
  for (const int percent : {100, 125, 150, 175}) {
    SCOPED_TRACE(percent);
    const GlyphTemplate t = drawGlyphTemplate(percent);
    ASSERT_TRUE(t.bitmap);
    win::MemoryDc dc(::CreateCompatibleDC(nullptr));
    win::ScopedSelect select(dc.get(), t.bitmap.get());
    const auto fingerAt = [&](int x, int y) {
      const COLORREF c = ::GetPixel(dc.get(), x, t.stripHeight + y);
      return c == 0x00FF00 || c == 0x0000FF || c == 0x00FFFF || c == 0xFFFF00;
    };
    const int frame = ::MulDiv(kGlyphFrame, percent, 100);
    for (int y = 0; y < t.stripHeight; ++y) {
      for (int x = 0; x < t.width; ++x) {
        if (fingerAt(x, y)) {
          ASSERT_GE(x, frame) << "a key on the frame at " << x << "," << y;
          ASSERT_LT(x, t.width - frame) << "a key on the frame at " << x << "," << y;
        }
      }
    }
    // Across the middle of the row: eight runs of a finger colour, each
    // between dark outlines.
    const int middle = ::MulDiv(kGlyphKeysTop * 2 + kGlyphKeyStep, percent, 200);
    std::vector<int> runs;
    COLORREF before = CLR_INVALID;
    for (int x = 0; x < t.width; ++x) {
      const COLORREF c = ::GetPixel(dc.get(), x, t.stripHeight + middle);
      if (fingerAt(x, middle)) {
        if (runs.empty() || c != before) {
          EXPECT_EQ(::GetPixel(dc.get(), x - 1, t.stripHeight + middle), 0x000000u)
              << "no outline before the key at " << x;
          runs.push_back(0);
        }
        ++runs.back();
      }
      before = fingerAt(x, middle) ? c : CLR_INVALID;
    }
    ASSERT_EQ(runs.size(), 8u);
    for (const int width : runs) EXPECT_GE(width, ::MulDiv(6, percent, 100) - 1);
  }
}

}  // namespace
}  // namespace kv
