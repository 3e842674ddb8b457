// Opens a file the way Explorer does (ShellExecuteEx, verb "open"), so the
// registered association decides which program starts. Checks that the
// program that came up is the expected one, that it shows the file view, and
// closes it as a user would. A Start menu shortcut (.lnk) is opened the same
// way, through its target; then the right program with its main window is
// what counts.
// Used by the installer tests; exit code 0 only when all of that held.
#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shellapi.h>
#include <shobjidl.h>

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

// What Explorer starts for a shortcut: its target, arguments and working
// folder. Wine's ShellExecuteEx starts a shortcut's target without handing
// back the process, so the probe reads the shortcut as Explorer does.
struct ShortcutTarget {
  std::wstring path, arguments, folder;
};

bool readShortcut(const std::wstring& file, ShortcutTarget& target) {
  static constexpr CLSID kShellLink = {
      0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  if (FAILED(::CoInitialize(nullptr))) return false;
  bool ok = false;
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(::CoCreateInstance(kShellLink, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                   reinterpret_cast<void**>(&link)))) {
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&persist)))) {
      wchar_t path[MAX_PATH] = {}, arguments[1024] = {}, folder[MAX_PATH] = {};
      if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ)) &&
          SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)) && path[0] != 0) {
        link->GetArguments(arguments, 1024);
        link->GetWorkingDirectory(folder, MAX_PATH);
        target = {path, arguments, folder};
        ok = true;
      }
      persist->Release();
    }
    link->Release();
  }
  ::CoUninitialize();
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return fail("usage: shell_open_probe FILE EXPECTED-EXE");
  const std::wstring file = argv[1];
  const std::wstring expectedExe = argv[2];

  const bool shortcut = file.size() > 4 && lower(file.substr(file.size() - 4)) == L".lnk";
  ShortcutTarget target;
  if (shortcut && !readShortcut(file, target)) return fail("cannot read the shortcut");

  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = shortcut ? target.path.c_str() : file.c_str();
  if (shortcut) {
    info.lpParameters = target.arguments.empty() ? nullptr : target.arguments.c_str();
    info.lpDirectory = target.folder.empty() ? nullptr : target.folder.c_str();
  }
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
  const bool fileView = !shortcut && kv::test::waitUntil(
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
  if (shortcut) {
    std::printf("shell_open_probe: %s startet aus der Verknüpfung\n",
                kv::win::narrowLossy(image).c_str());
    return 0;
  }
  if (!fileView) return fail("the program did not show the file view \"Dateiansicht\"");
  std::printf("shell_open_probe: %s zeigt \"Dateiansicht\"\n", kv::win::narrowLossy(image).c_str());
  return 0;
}
