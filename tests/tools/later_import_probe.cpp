// Imports GetTickCount64, which Windows XP lacks, the way a careless call
// would: the import check must refuse this program.
#include <windows.h>

extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

int main() { return GetTickCount64() == 0 ? 1 : 0; }
