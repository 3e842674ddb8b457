#include "platform/win/handles.h"

#include <gtest/gtest.h>

#include "tests/win/program_driver.h"

namespace kv::win {
namespace {

// GDI objects still alive in this process; a leak shows up as a rising count.
DWORD gdiObjects() { return test::gdiObjectCount(::GetCurrentProcess()); }

TEST(Handles, ReleaseOnScopeExitAndMoveTransfersOwnership) {
  Brush outer;
  {
    Brush brush(::CreateSolidBrush(RGB(1, 2, 3)));
    ASSERT_TRUE(brush);
    const HBRUSH raw = brush.get();
    outer = std::move(brush);
    EXPECT_FALSE(brush);
    EXPECT_EQ(outer.get(), raw);
  }
  EXPECT_NE(::GetObjectType(outer.get()), 0u) << "moved-to handle must still be alive";
  const HBRUSH raw = outer.get();
  outer.reset();
  EXPECT_EQ(::GetObjectType(raw), 0u) << "reset must delete the brush";
}

TEST(Handles, ReleaseGivesUpOwnership) {
  Pen pen(::CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  const HPEN raw = pen.release();
  EXPECT_FALSE(pen);
  EXPECT_NE(::GetObjectType(raw), 0u);
  ::DeleteObject(raw);
}

TEST(Handles, ScopedSelectRestoresAndNothingLeaks) {
  const DWORD before = gdiObjects();
  ASSERT_GT(before, 0u) << "the count must see this process's objects";
  for (int i = 0; i < 50; ++i) {
    MemoryDc dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    Bitmap bitmap(::CreateCompatibleBitmap(dc.get(), 8, 8));
    const HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_BITMAP);
    {
      ScopedSelect select(dc.get(), bitmap.get());
      EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
    }
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_BITMAP), original);
  }
  EXPECT_LE(gdiObjects(), before + 1);
}

TEST(Handles, FileHandleUsesInvalidHandleValue) {
  File missing(::CreateFileW(L"C:\\gibt\\es\\nicht.kv7", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             0, nullptr));
  EXPECT_FALSE(missing);
  RegKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
  EXPECT_TRUE(key);
}

}  // namespace
}  // namespace kv::win
