#include "tests/core/fault_vfs.h"

#include <sqlite3.h>

#include <atomic>
#include <mutex>

namespace kv::test {
namespace {

struct State {
  FaultPlan plan;
  std::atomic<int> calls{0};
  std::atomic<bool> hit{false};
  std::atomic<std::uint32_t> lastSystemCode{0};
};
State& state() {
  static State s;
  return s;
}

sqlite3_vfs* real() { return sqlite3_vfs_find(nullptr); }

struct FaultFile {
  sqlite3_file base;
  sqlite3_file* inner;
};
sqlite3_file* innerOf(sqlite3_file* f) { return reinterpret_cast<FaultFile*>(f)->inner; }

// True when this call of `op` is planned to fail.
bool fails(FaultOp op) {
  State& s = state();
  if (s.plan.failFrom <= 0 || s.plan.op != op) return false;
  const int n = ++s.calls;
  if (n < s.plan.failFrom) return false;
  s.hit = true;
  s.lastSystemCode = s.plan.systemCode;
  return true;
}

int faultClose(sqlite3_file* f) {
  const int rc = innerOf(f)->pMethods != nullptr ? innerOf(f)->pMethods->xClose(innerOf(f)) : SQLITE_OK;
  return rc;
}
int faultRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  return innerOf(f)->pMethods->xRead(innerOf(f), buffer, amount, offset);
}
int faultWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (fails(FaultOp::Write)) return state().plan.resultCode;
  return innerOf(f)->pMethods->xWrite(innerOf(f), buffer, amount, offset);
}
int faultTruncate(sqlite3_file* f, sqlite3_int64 size) { return innerOf(f)->pMethods->xTruncate(innerOf(f), size); }
int faultSync(sqlite3_file* f, int flags) {
  if (fails(FaultOp::Sync)) return state().plan.resultCode;
  return innerOf(f)->pMethods->xSync(innerOf(f), flags);
}
int faultFileSize(sqlite3_file* f, sqlite3_int64* size) { return innerOf(f)->pMethods->xFileSize(innerOf(f), size); }
int faultLock(sqlite3_file* f, int level) {
  if (fails(FaultOp::Lock)) return state().plan.resultCode;
  return innerOf(f)->pMethods->xLock(innerOf(f), level);
}
int faultUnlock(sqlite3_file* f, int level) { return innerOf(f)->pMethods->xUnlock(innerOf(f), level); }
int faultCheckReserved(sqlite3_file* f, int* out) {
  return innerOf(f)->pMethods->xCheckReservedLock(innerOf(f), out);
}
int faultControl(sqlite3_file* f, int op, void* arg) { return innerOf(f)->pMethods->xFileControl(innerOf(f), op, arg); }
int faultSectorSize(sqlite3_file* f) { return innerOf(f)->pMethods->xSectorSize(innerOf(f)); }
int faultCharacteristics(sqlite3_file* f) {
  return innerOf(f)->pMethods->xDeviceCharacteristics(innerOf(f));
}

// Version 1: no shared memory and no memory mapping, which a rollback
// journal does not need, so every byte goes through xWrite.
const sqlite3_io_methods kMethods = {
    1,           faultClose,    faultRead,         faultWrite,         faultTruncate,
    faultSync,   faultFileSize, faultLock,         faultUnlock,        faultCheckReserved,
    faultControl, faultSectorSize, faultCharacteristics, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

int faultOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
  auto* file = reinterpret_cast<FaultFile*>(f);
  file->base.pMethods = nullptr;
  file->inner = reinterpret_cast<sqlite3_file*>(file + 1);
  const int rc = real()->xOpen(real(), name, file->inner, flags, outFlags);
  if (rc == SQLITE_OK) file->base.pMethods = &kMethods;
  return rc;
}
int faultDelete(sqlite3_vfs*, const char* name, int syncDir) { return real()->xDelete(real(), name, syncDir); }
int faultAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
  return real()->xAccess(real(), name, flags, out);
}
int faultFullPath(sqlite3_vfs*, const char* name, int size, char* out) {
  return real()->xFullPathname(real(), name, size, out);
}
void* faultDlOpen(sqlite3_vfs*, const char* name) { return real()->xDlOpen(real(), name); }
void faultDlError(sqlite3_vfs*, int size, char* out) { real()->xDlError(real(), size, out); }
void (*faultDlSym(sqlite3_vfs*, void* lib, const char* symbol))(void) { return real()->xDlSym(real(), lib, symbol); }
void faultDlClose(sqlite3_vfs*, void* lib) { real()->xDlClose(real(), lib); }
int faultRandomness(sqlite3_vfs*, int size, char* out) { return real()->xRandomness(real(), size, out); }
int faultSleep(sqlite3_vfs*, int micro) { return real()->xSleep(real(), micro); }
int faultCurrentTime(sqlite3_vfs*, double* out) { return real()->xCurrentTime(real(), out); }
int faultLastError(sqlite3_vfs*, int, char*) {
  if (state().hit) return static_cast<int>(state().lastSystemCode.load());
  return 0;
}

}  // namespace

void registerFaultVfs() {
  static std::once_flag once;
  std::call_once(once, [] {
    static sqlite3_vfs vfs{};
    vfs.iVersion = 1;
    vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + real()->szOsFile;
    vfs.mxPathname = real()->mxPathname;
    vfs.zName = kFaultVfs;
    vfs.xOpen = faultOpen;
    vfs.xDelete = faultDelete;
    vfs.xAccess = faultAccess;
    vfs.xFullPathname = faultFullPath;
    vfs.xDlOpen = faultDlOpen;
    vfs.xDlError = faultDlError;
    vfs.xDlSym = faultDlSym;
    vfs.xDlClose = faultDlClose;
    vfs.xRandomness = faultRandomness;
    vfs.xSleep = faultSleep;
    vfs.xCurrentTime = faultCurrentTime;
    vfs.xGetLastError = faultLastError;
    sqlite3_vfs_register(&vfs, 0);
  });
}

void armFaults(const FaultPlan& plan) {
  State& s = state();
  s.plan = plan;
  s.calls = 0;
  s.hit = false;
}

void disarmFaults() { state().plan.failFrom = 0; }

int faultCalls() { return state().calls; }
bool faultHit() { return state().hit; }

}  // namespace kv::test
