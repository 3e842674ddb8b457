// Windows XP lacks GetTickCount64, and the threads library under the C++
// runtime imports it for its timeouts, so a program linked as it is would not
// start there. This file defines the import slot itself, so the linker never
// takes it from kernel32: the first call looks the function up and falls back
// to the performance counter, which every Windows has.
//
// It must be linked into each program as an object, not from a library: the
// threads library is searched after the program's own libraries.
#include "platform/win/xp_runtime.h"

namespace kv::win {

ULONGLONG WINAPI tickCountFromCounter() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  if (!::QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 ||
      !::QueryPerformanceCounter(&counter)) {
    return ::GetTickCount();
  }
  const auto ticks = static_cast<ULONGLONG>(counter.QuadPart);
  const auto perSecond = static_cast<ULONGLONG>(frequency.QuadPart);
  // Split so that a fast counter cannot overflow in the multiplication.
  return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

}  // namespace kv::win

namespace {

using TickCount64 = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI firstTickCount64();

}  // namespace

#if defined(__x86_64__)
#define KV_IMPORT_SLOT "__imp_GetTickCount64"
#else
#define KV_IMPORT_SLOT "__imp__GetTickCount64@0"
#endif

// Two threads may race through the first call; both store the same value.
extern "C" {
extern TickCount64 kvGetTickCount64Slot __asm__(KV_IMPORT_SLOT);
TickCount64 kvGetTickCount64Slot __asm__(KV_IMPORT_SLOT) = &firstTickCount64;
}

namespace {

ULONGLONG WINAPI firstTickCount64() {
  auto found = reinterpret_cast<TickCount64>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
  if (found == nullptr) found = &kv::win::tickCountFromCounter;
  kvGetTickCount64Slot = found;
  return found();
}

}  // namespace
