// Finding the archives in the own-archive folder on Windows: the directory
// listing, the order of the user's locale, and the scan inside the progress
// window ("Verzeichnis wird geladen").
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "texts/archive_scan.h"

namespace kv {

// FindFirstFileW / FindNextFileW over a pattern such as "T:\Archive\*.kv7".
class Win32DirectoryLister final : public DirectoryLister {
 public:
  void list(const std::string& pattern,
            const std::function<bool(const DirectoryEntry&)>& visit) override;
};

// Whole entries compared without regard to case by the user's locale.
bool localeEntryLess(const std::string& a, const std::string& b);

// Rebuilds appState().ownArchives from the own-archive folder (the teacher
// folder of the settings) while the progress window is shown over `owner`.
// The scan opens every archive it finds; the current archive, its directory
// and the saved directory are what they were before.
void scanOwnArchives(HWND owner);

}  // namespace kv
