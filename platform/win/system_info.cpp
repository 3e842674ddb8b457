#include "platform/win/system_info.h"

#include <cwchar>
#include <vector>

#include "platform/win/handles.h"
#include "platform/win/strings.h"

namespace kv::win {

std::optional<Expansion> expandEnvironment(std::string_view text) {
  const std::wstring source = widen(text);
  const DWORD needed = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring expanded(needed, L'\0');
  const DWORD written = ::ExpandEnvironmentStringsW(source.c_str(), expanded.data(), needed);
  if (written == 0 || written > needed) return std::nullopt;
  expanded.resize(std::wcslen(expanded.c_str()));
  const std::optional<std::string> narrowed = narrow(expanded);
  if (!narrowed) return std::nullopt;
  // Windows-1252 holds one byte per character, so the bytes are the characters.
  return Expansion{*narrowed, narrowed->size() + 1};
}

std::string knownFolder(int csidl) {
  using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
  const Library shfolder(::LoadLibraryW(L"shfolder.dll"));
  if (!shfolder) return {};
  const auto function = reinterpret_cast<GetFolderPath>(
      reinterpret_cast<void*>(::GetProcAddress(shfolder.get(), "SHGetFolderPathW")));
  if (function == nullptr) return {};
  wchar_t path[MAX_PATH] = {};
  if (FAILED(function(nullptr, csidl, nullptr, 0, path))) return {};
  return narrowLossy(path);
}

FileVersion fixedFileVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return {};
  }
  return {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS)};
}

VersionStrings readVersionStrings(const std::wstring& path) {
  VersionStrings strings;
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return strings;
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return strings;
  WORD* translation = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
      translation == nullptr || length < 2 * sizeof(WORD)) {
    return strings;
  }
  wchar_t prefix[40];
  std::swprintf(prefix, 40, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  const auto value = [&](const wchar_t* name) -> std::optional<std::wstring> {
    const std::wstring key = std::wstring(prefix) + name;
    wchar_t* text = nullptr;
    UINT chars = 0;
    if (!::VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &chars) ||
        text == nullptr) {
      return std::nullopt;
    }
    return std::wstring(text);
  };
  strings.productName = value(L"ProductName");
  strings.productVersion = value(L"ProductVersion");
  strings.fileVersion = value(L"FileVersion");
  strings.legalCopyright = value(L"LegalCopyright");
  return strings;
}

bool compatibilityLayerPresent() {
  const Library kernel(::LoadLibraryW(L"kernel32.dll"));
  return kernel && ::GetProcAddress(kernel.get(), "wine_get_unix_file_name") != nullptr;
}

std::wstring programPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::uint64_t physicalMemoryBytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return 0;
  return status.ullTotalPhys;
}

std::wstring thousandsSeparator() {
  wchar_t separator[8] = {};
  if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8) == 0) return L".";
  return separator;
}

int screenPixelsPerInch() {
  WindowDc screen(nullptr);
  if (screen.get() == nullptr) return 96;
  const int ppi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  return ppi > 0 ? ppi : 96;
}

}  // namespace kv::win
