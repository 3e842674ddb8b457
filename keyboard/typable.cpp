#include "keyboard/typable.h"

#include "keyboard/dead_keys.h"
#include "keyboard/key_table.h"

namespace kv {
namespace {

const KeyTable& germanKeys() {
  static KeyTable table;
  static const bool built = [] {
    RebuildKeyTable(table);
    return true;
  }();
  (void)built;
  return table;
}

bool onAKey(unsigned char ch) { return ch == ' ' || FindKey(germanKeys(), ch) != 0; }

}  // namespace

bool typableOnGermanKeyboard(unsigned char ch) {
  if (ch == '\r' || ch == '\n' || ch == '\t') return true;
  if (onAKey(ch)) return true;
  const std::string one(1, static_cast<char>(ch));
  const std::string expanded = ExpandDeadKeys(one, true);
  if (expanded == one) return false;
  for (const char c : expanded) {
    if (!onAKey(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::vector<std::size_t> untypablePositions(std::string_view line) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (!typableOnGermanKeyboard(static_cast<unsigned char>(line[i]))) at.push_back(i);
  }
  return at;
}

std::string withKeyboardCharacters(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (const char c : line) {
    switch (static_cast<unsigned char>(c)) {
      case 0x84: case 0x93: case 0x94: case 0xAB: case 0xBB:  // „ “ ” « »
        out += '"';
        break;
      case 0x82: case 0x91: case 0x92: case 0x8B: case 0x9B:  // ‚ ‘ ’ ‹ ›
        out += '\'';
        break;
      case 0x96: case 0x97:  // – —
        out += '-';
        break;
      case 0x85:  // …
        out += "...";
        break;
      case 0xA0:  // non-breaking space
        out += ' ';
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace kv
