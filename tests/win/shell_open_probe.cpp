// Opens a file the way Explorer does (ShellExecuteEx, verb "open"), so the
// registered association decides which program starts. Checks that the
// program that came up is the expected one, that it shows the file view, and
// closes it as a user would. Used by the installer test; exit code 0 only
// when all of that held.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "platform/win/handles.h"
#include "platform/win/strings.h"
#include "tests/win/program_driver.h"
#include "ui/shared/child_window_win.h"
#include "ui/frame/main_window_win.h"

namespace {

int fail(const char* what) {
  std::fprintf(stderr, "shell_open_probe: %s\n", what);
  return 1;
}

std::wstring lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(::towlower(c));
  return s;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return fail("usage: shell_open_probe FILE EXPECTED-EXE");
  const std::wstring file = argv[1];
  const std::wstring expectedExe = argv[2];

  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return fail("ShellExecuteEx failed: no program for this file");
  if (info.hProcess == nullptr) return fail("ShellExecuteEx started no process");
  kv::win::KernelObject process(info.hProcess);
  const DWORD pid = ::GetProcessId(info.hProcess);

  wchar_t image[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  // Vista's function, looked up: the programs are built for XP's headers.
  using QueryImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
  const auto queryImageName = reinterpret_cast<QueryImageName>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
  if (queryImageName == nullptr || !queryImageName(info.hProcess, 0, image, &size)) {
    return fail("cannot read the started program's path");
  }
  if (lower(image) != lower(expectedExe)) {
    std::fprintf(stderr, "shell_open_probe: started %s\n", kv::win::narrowLossy(image).c_str());
    return fail("the association started another program");
  }

  const HWND main =
      kv::test::waitForTopLevelWindow(pid, L"Klavento 7", 30000, kv::kMainWindowClass);
  if (main == nullptr) return fail("no main window");
  const bool fileView = kv::test::waitUntil(
      [&] {
        const auto children = kv::test::mdiChildren(main);
        return children.size() == 1 &&
               kv::test::className(children[0]) == kv::kResultChildClass &&
               kv::win::windowText(children[0]) == L"Dateiansicht";
      },
      15000);

  // Close as a user would, answering the closing question with Ja.
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  bool ended = false;
  for (int i = 0; i < 150 && !ended; ++i) {
    if (::WaitForSingleObject(info.hProcess, 100) == WAIT_OBJECT_0) {
      ended = true;
    } else if (const HWND box = kv::test::waitForMessageBox(pid, 0)) {
      kv::test::pressDialogButton(box, IDYES);
    }
  }
  if (!ended) {
    ::TerminateProcess(info.hProcess, 99);
    return fail("the program did not end after closing");
  }
  if (!fileView) return fail("the program did not show the file view \"Dateiansicht\"");
  std::printf("shell_open_probe: %s zeigt \"Dateiansicht\"\n", kv::win::narrowLossy(image).c_str());
  return 0;
}
