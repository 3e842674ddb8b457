// Facts about the system the program runs on, each from one Win32 call and
// converted to the program's texts at this boundary.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system_records.h"

namespace kv::win {

// ExpandEnvironmentStrings with the size the expansion needs.
std::optional<Expansion> expandEnvironment(std::string_view text);

// SHGetFolderPath, loaded at run time from shfolder.dll so systems without it
// still start; empty when the library, the function or the folder is missing.
std::string knownFolder(int csidl);
inline constexpr int kFolderSystem = 37;    // CSIDL_SYSTEM
inline constexpr int kFolderDocuments = 5;  // CSIDL_PERSONAL

// Major and minor of a file's fixed version; 0.0 when it has none.
struct FileVersion {
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
};
FileVersion fixedFileVersion(const std::wstring& path);

// The strings of a file's version resource under its first translation.
struct VersionStrings {
  std::optional<std::wstring> productName;
  std::optional<std::wstring> productVersion;
  std::optional<std::wstring> fileVersion;
  std::optional<std::wstring> legalCopyright;
};
VersionStrings readVersionStrings(const std::wstring& path);

// Wine reveals itself by an export of kernel32.
bool compatibilityLayerPresent();

std::wstring programPath();

std::uint64_t physicalMemoryBytes();
// The user's thousands separator, "." on a German system.
std::wstring thousandsSeparator();

// Pixels per inch of the screen, vertically.
int screenPixelsPerInch();

}  // namespace kv::win
