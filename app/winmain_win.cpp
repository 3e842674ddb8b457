// Entry point of klavento.exe: settings, splash, main window, message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/startup_win.h"
#include "ui/shared/app_state.h"
#include "platform/win/modal.h"
#include "ui/frame/main_window_win.h"
#include "ui/frame/splash_window_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  // A refusal has told the user why; it is a normal end.
  if (!kv::prepareSettings(kv::appState().settings)) return 0;

  // The picture first: the common controls are needed by the windows behind it.
  kv::SplashWindow splash;
  splash.show();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  kv::MainWindow mainWindow;
  if (!mainWindow.create(showCommand, &splash)) return 1;

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) kv::win::dispatchMessage(msg);
  return static_cast<int>(msg.wParam);
}
