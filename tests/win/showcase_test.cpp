// Puts the splash, about and result-options windows on screen one after the
// other for scripts/screenshots.sh, which photographs them for the user
// guide. Not part of the test run: it waits for the script between windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ui/shared/app_state.h"
#include "platform/win/dialog_font.h"
#include "ui/shared/window_font_win.h"
#include "platform/win/strings.h"
#include "tests/win/program_driver.h"
#include "ui/frame/main_window_win.h"
#include "ui/exercise/result_options_dialog_win.h"

namespace kv {
namespace {

// Announces the window's place on stdout and waits until the script has
// taken its picture (it creates "<name>.done" in the signal folder).
void photograph(const char* name, HWND window) {
  ASSERT_NE(window, nullptr) << name;
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(::GetEnvironmentVariableW(L"KV_SHOWCASE_DIR", folder, MAX_PATH), 0u);
  const std::wstring done = std::wstring(folder) + L"\\" + win::widen(name) + L".done";
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT r{};
  ::GetWindowRect(window, &r);
  std::printf("SHOW %s %ld %ld %ld %ld\n", name, r.left, r.top, r.right, r.bottom);
  std::fflush(stdout);
  EXPECT_TRUE(test::waitUntil(
      [&] { return ::GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000))
      << "no picture taken of " << name;
}

TEST(Showcase, DISABLED_WindowsForTheUserGuide) {
  test::becomeDpiAware();
  test::ProgramProcess program;
  ASSERT_TRUE(program.start(test::besideThisExe(KV_EXE_NAME)));
  photograph("start", test::waitForTopLevelWindow(program.pid(), nullptr, 20000,
                                                  L"KlaventoSplash"));
  const HWND main =
      test::waitForTopLevelWindow(program.pid(), L"Klavento 7", 20000, kMainWindowClass);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(test::waitUntil([&] { return test::mdiChildren(main).size() == 1; }, 20000));
  ::PostMessageW(main, WM_COMMAND, kCommandAbout, 0);
  const HWND about = test::waitForTopLevelWindow(program.pid(), L"Über Klavento 7", 10000,
                                                 L"KlaventoAbout");
  photograph("info", about);
  ::PostMessageW(about, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.closeNormally(main));

  AppState& state = appState();
  updateDialogFont(state.settings.fonts);  // as the program's splash does
  state.resultOptions.learnerLine1 = "Lena Weber";
  state.resultOptions.learnerLine2 = "Klasse 8b";
  state.exercise.form = 1;    // Laufschrift at a set speed: the speed line is fixed
  state.exercise.pace = 150;
  ResultOptionsDialog dialog;
  ASSERT_TRUE(dialog.createPopup(nullptr));
  photograph("auswertungsangaben", dialog.hwnd());
  ::DestroyWindow(dialog.hwnd());
}

}  // namespace
}  // namespace kv
