// Reading the administrator's policy values: one registry root at a time,
// read-only, each value checked for its type before it is used.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/system_records.h"

namespace kv::win {

class RegistryPolicyStore final : public PolicyStore {
 public:
  explicit RegistryPolicyStore(HKEY root) : root_(root) {}
  // A DWORD value only; anything else reads as absent.
  std::optional<std::uint32_t> readDword(std::string_view key, std::string_view name) override;
  // REG_SZ or REG_EXPAND_SZ, not expanded; absent when the text holds a
  // character outside Windows-1252.
  std::optional<std::string> readString(std::string_view key, std::string_view name) override;

 private:
  HKEY root_;
};

}  // namespace kv::win
