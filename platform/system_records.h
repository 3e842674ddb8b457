// What the system layer hands to the rules above it: the records it fills
// and the interfaces it implements. Portable, so the rules that use them are
// built and tested without a window system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// Expanding environment references: the expanded text and how many bytes it
// needs with its terminator.
struct Expansion {
  std::string text;
  std::size_t bytesNeeded = 0;
};

// One registry root's policy values, already checked for their types: a
// value of another type reads as absent.
class PolicyStore {
 public:
  virtual ~PolicyStore() = default;
  virtual std::optional<std::uint32_t> readDword(std::string_view key, std::string_view name) = 0;
  virtual std::optional<std::string> readString(std::string_view key, std::string_view name) = 0;
};

// Measuring for the dialog-font rule, so the rule itself is testable without
// a screen. The Win32 side measures with GDI on a real device context.
class FontMeasurer {
 public:
  virtual ~FontMeasurer() = default;
  virtual int pixelsPerInchY() const = 0;
  // Height in pixels of the text "X" in the given font.
  virtual int heightOfX(const std::string& face, int height, bool bold) = 0;
};

// The system's menu font, from which the dialog font is derived.
struct MenuFont {
  std::string faceName;
  int height = 0;
};

}  // namespace kv
