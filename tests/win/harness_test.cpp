// The test prefix must look like a German Windows with the program's fonts;
// every later Windows-side test relies on that.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(Harness, GermanKeyboardLayoutAndCodePage) {
  wchar_t name[KL_NAMELENGTH] = {};
  ASSERT_TRUE(::GetKeyboardLayoutNameW(name));
  EXPECT_STREQ(name, L"00000407");
  EXPECT_EQ(::GetACP(), 1252u);
}

TEST(Harness, ArialAndCourierNewAreListed) {
  std::set<std::wstring> families;
  HDC dc = ::GetDC(nullptr);
  LOGFONTW filter{};
  filter.lfCharSet = DEFAULT_CHARSET;
  ::EnumFontFamiliesExW(
      dc, &filter,
      [](const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM lp) CALLBACK -> int {
        reinterpret_cast<std::set<std::wstring>*>(lp)->insert(lf->lfFaceName);
        return 1;
      },
      reinterpret_cast<LPARAM>(&families), 0);
  ::ReleaseDC(nullptr, dc);
  EXPECT_TRUE(families.count(L"Arial")) << "font replacement Arial missing";
  EXPECT_TRUE(families.count(L"Courier New")) << "font replacement Courier New missing";
}

}  // namespace
