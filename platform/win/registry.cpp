#include "platform/win/registry.h"

#include <vector>

#include "platform/win/handles.h"
#include "platform/win/strings.h"

namespace kv::win {
namespace {

// KEY_READ: query, enumerate, notify and read control; never more.
constexpr REGSAM kReadOnly = 0x20019;

RegKey openKey(HKEY root, std::string_view key) {
  RegKey opened;
  if (::RegOpenKeyExW(root, widen(key).c_str(), 0, kReadOnly, opened.put()) != ERROR_SUCCESS) {
    opened.release();
    return RegKey();
  }
  return opened;
}

}  // namespace

std::optional<std::uint32_t> RegistryPolicyStore::readDword(std::string_view key,
                                                            std::string_view name) {
  const RegKey opened = openKey(root_, key);
  if (!opened) return std::nullopt;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (::RegQueryValueExW(opened.get(), widen(name).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (type != REG_DWORD || size != sizeof value) return std::nullopt;
  return value;
}

std::optional<std::string> RegistryPolicyStore::readString(std::string_view key,
                                                           std::string_view name) {
  const RegKey opened = openKey(root_, key);
  if (!opened) return std::nullopt;
  const std::wstring valueName = widen(name);
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(opened.get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  // Room for a terminator the writer may have left out.
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
  DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  if (::RegQueryValueExW(opened.get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  const std::wstring_view text(buffer.data());  // up to the first terminator
  return narrow(text);
}

}  // namespace kv::win
