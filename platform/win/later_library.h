// The DLLs the program loads on first use (delay_loaded.txt beside this file):
// asked for before the first call, so that one that cannot be loaded ends
// only its own feature, with a German message, never the program. A call
// into a DLL that is not loaded would end the program with the system's
// delay-load exception.
#pragma once

#include <windows.h>

#include <string_view>

namespace kv::win {

enum class LaterLibrary { CommonDialogs, Charts, Com, Shell };

// Loads the DLL the first time; true while it is there.
bool laterLibraryLoaded(LaterLibrary which);

// The same, and when it cannot be loaded the user reads why and what does not
// work: "<feature> ist auf diesem Rechner nicht möglich: …" (Windows-1252).
bool laterLibraryReady(HWND owner, LaterLibrary which, std::string_view feature);

}  // namespace kv::win
