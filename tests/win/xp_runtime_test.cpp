#include "platform/win/xp_runtime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kv::win {
namespace {

// The stand-in for XP keeps pace with the system's own millisecond count and
// never runs backwards.
TEST(XpRuntime, CounterTicksKeepPaceWithTheSystem) {
  const ULONGLONG counterBefore = tickCountFromCounter();
  const DWORD systemBefore = ::GetTickCount();
  ULONGLONG previous = counterBefore;
  for (int i = 0; i < 20; ++i) {
    ::Sleep(10);
    const ULONGLONG now = tickCountFromCounter();
    EXPECT_GE(now, previous);
    previous = now;
  }
  ::Sleep(100);
  const ULONGLONG counterSpan = tickCountFromCounter() - counterBefore;
  const DWORD systemSpan = ::GetTickCount() - systemBefore;
  EXPECT_GE(counterSpan, 250u);
  // Both clocks read a few milliseconds apart; the slack covers a loaded machine.
  EXPECT_LT(counterSpan > systemSpan ? counterSpan - systemSpan : systemSpan - counterSpan, 100u);
}

// The threads library times its waits through the import this program
// provides itself; a timed wait must still end on time, not at once or never.
TEST(XpRuntime, TimedWaitsOfTheThreadsLibraryStillWork) {
  std::mutex mutex;
  std::condition_variable never;
  std::unique_lock lock(mutex);
  const auto start = std::chrono::steady_clock::now();
  const bool woken = never.wait_for(lock, std::chrono::milliseconds(200), [] { return false; });
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(woken);
  EXPECT_GE(waited, std::chrono::milliseconds(150));
  EXPECT_LT(waited, std::chrono::seconds(5));
}

}  // namespace
}  // namespace kv::win
