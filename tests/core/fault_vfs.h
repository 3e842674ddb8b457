// An SQLite file layer for tests that passes everything to the system's own
// and fails the n-th write, sync or lock, and every one after it, the way a
// disk that filled up or a server that went away keeps failing. SQLite tests
// itself with loops over n like this.
#pragma once

#include <cstdint>

namespace kv::test {

inline constexpr const char* kFaultVfs = "kv-fault";

enum class FaultOp { Write, Sync, Lock };

struct FaultPlan {
  FaultOp op = FaultOp::Write;
  int failFrom = 0;              // the first call that fails, counted from 1; 0 arms nothing
  int resultCode = 0;            // what SQLite is told
  std::uint32_t systemCode = 0;  // what the system's last error then reads
};

// Registers the layer once; SQLite opens files with it by name.
void registerFaultVfs();
void armFaults(const FaultPlan& plan);  // counting starts anew
void disarmFaults();
// Calls of the planned kind since arming, and whether any of them failed.
int faultCalls();
bool faultHit();

}  // namespace kv::test
