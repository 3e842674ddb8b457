#include "platform/win/strings.h"

#include <gtest/gtest.h>

namespace kv::win {
namespace {

TEST(WideBoundary, UmlautsSurviveTheRoundTripThroughAWindow) {
  const std::string text = "Gr\xFC\xDF" "e aus M\xFCnchen \x80 \x84" "Anf\xFChrung\x93";
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  ::SetWindowTextW(edit, widen(text).c_str());
  EXPECT_EQ(windowText(edit), L"Grüße aus München € „Anführung“");
  EXPECT_EQ(narrow(windowText(edit)), text);
  ::DestroyWindow(edit);
}

TEST(WideBoundary, ForeignCharactersAreReportedOrReplaced) {
  ConversionError error;
  EXPECT_FALSE(narrow(L"Ελλάδα", &error).has_value());
  EXPECT_EQ(error.character, 0u);
  EXPECT_EQ(narrowLossy(L"a\u0416b\U0001F600c"), "a?b?c");
}

}  // namespace
}  // namespace kv::win
