#pragma once
// What the programs use in place of functions Windows XP lacks.
#include <windows.h>

namespace kv::win {

// Milliseconds since the system started, from the performance counter:
// GetTickCount64 for systems without it.
ULONGLONG WINAPI tickCountFromCounter();

}  // namespace kv::win
