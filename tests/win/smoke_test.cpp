// Starts the real program as a separate process and treats it as a black box.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/handles.h"
#include "platform/win/strings.h"
#include "tests/win/program_driver.h"

namespace kv::win {
namespace {

using test::besideThisExe;

TEST(Smoke, ProgramShowsItsWindowAndEndsCleanlyWhenClosed) {
  test::ProgramProcess program;
  ASSERT_TRUE(program.start(besideThisExe(KV_EXE_NAME)));
  HWND window = test::waitForTopLevelWindow(program.pid(), L"Klavento 7", 20000,
                                            L"KlaventoMainWindow");
  ASSERT_NE(window, nullptr) << "no visible top-level window captioned \"Klavento 7\"";
  EXPECT_TRUE(::IsWindowVisible(window));
  // After the splash the selection window opens; closing then asks first.
  ASSERT_TRUE(test::waitUntil([&] { return test::mdiChildren(window).size() == 1; }, 15000))
      << "no child window after the start";
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  const HWND question = test::waitForMessageBox(program.pid(), 10000);
  ASSERT_NE(question, nullptr) << "closing with a child open must ask";
  EXPECT_EQ(test::messageBoxText(question), L"Klavento 7 wirklich beenden?");
  test::pressDialogButton(question, IDYES);
  DWORD code = 1234;
  ASSERT_TRUE(program.waitForExit(15000, code)) << "program did not end after Ja";
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
  // The program's own architecture: Windows refuses to start it otherwise
  // (Wine does not check).
#if defined(__x86_64__)
  const std::string architecture = "amd64";
#else
  const std::string architecture = "x86";
#endif
  EXPECT_NE(manifest.find("name=\"Klavento.Klavento7\" version=\"7.0.0.0\" processorArchitecture=\"" +
                          architecture + "\""),
            std::string::npos);
  ::FreeLibrary(exe);
}

}  // namespace
}  // namespace kv::win
