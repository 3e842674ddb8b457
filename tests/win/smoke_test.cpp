// Starts the real program as a separate process and treats it as a black box.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/handles.h"
#include "platform/win/strings.h"

namespace kv::win {
namespace {

std::wstring besideThisExe(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  dir.erase(dir.find_last_of(L"\\/") + 1);
  return dir + name;
}

struct Found {
  DWORD pid;
  const wchar_t* caption;
  HWND window;
};

HWND waitForTopLevelWindow(DWORD pid, const wchar_t* caption, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < timeoutMs) {
    Found found{pid, caption, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
          auto* f = reinterpret_cast<Found*>(lp);
          DWORD owner = 0;
          ::GetWindowThreadProcessId(hwnd, &owner);
          if (owner == f->pid && ::IsWindowVisible(hwnd) && ::GetParent(hwnd) == nullptr &&
              windowText(hwnd) == f->caption) {
            f->window = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found.window != nullptr) return found.window;
    ::Sleep(100);
  }
  return nullptr;
}

class ProgramProcess {
 public:
  bool start(const std::wstring& exe, const std::wstring& args = L"") {
    std::wstring commandLine = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &si, &pi)) {
      return false;
    }
    process_.reset(pi.hProcess);
    ::CloseHandle(pi.hThread);
    pid_ = pi.dwProcessId;
    return true;
  }
  ~ProgramProcess() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process_.get(), 99);
    }
  }
  DWORD pid() const { return pid_; }
  bool waitForExit(DWORD ms, DWORD& code) {
    if (::WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0) return false;
    return ::GetExitCodeProcess(process_.get(), &code) != 0;
  }

 private:
  KernelObject process_;
  DWORD pid_ = 0;
};

TEST(Smoke, ProgramShowsItsWindowAndEndsCleanlyWhenClosed) {
  ProgramProcess program;
  ASSERT_TRUE(program.start(besideThisExe(KV_EXE_NAME)));
  HWND window = waitForTopLevelWindow(program.pid(), L"Klavento 7", 20000);
  ASSERT_NE(window, nullptr) << "no visible top-level window captioned \"Klavento 7\"";
  EXPECT_TRUE(::IsWindowVisible(window));
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD code = 1234;
  ASSERT_TRUE(program.waitForExit(15000, code)) << "program did not end after WM_CLOSE";
  EXPECT_EQ(code, 0u);
}

TEST(Smoke, ExecutableCarriesAGermanVersionResource) {
  const std::wstring exe = besideThisExe(KV_EXE_NAME);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> data(size);
  ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));
  auto value = [&](const wchar_t* name) {
    std::wstring key = std::wstring(L"\\StringFileInfo\\040704B0\\") + name;
    wchar_t* text = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &length)) {
      return std::wstring();
    }
    return std::wstring(text);
  };
  EXPECT_EQ(value(L"ProductName"), L"Klavento 7");
  EXPECT_EQ(value(L"ProductVersion"), L"7.0.0.0");
  EXPECT_EQ(value(L"FileVersion"), L"7.0.0.0");
  EXPECT_EQ(value(L"LegalCopyright").rfind(L"© 2026", 0), 0u) << "copyright must survive as UTF-16";
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 7);
}

TEST(Smoke, ExecutableCarriesTheManifest) {
  HMODULE exe = ::LoadLibraryExW(besideThisExe(KV_EXE_NAME).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  HRSRC res = ::FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(res, nullptr);
  const char* text = static_cast<const char*>(::LockResource(::LoadResource(exe, res)));
  const std::string manifest(text, ::SizeofResource(exe, res));
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("<dpiAware"), std::string::npos);
  ::FreeLibrary(exe);
}

}  // namespace
}  // namespace kv::win
