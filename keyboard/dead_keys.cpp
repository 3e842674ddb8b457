#include "keyboard/dead_keys.h"

#include <cstdint>

#include "core/common.h"

namespace kv {
namespace {

constexpr char kGrave = '\x60';
constexpr char kAcute = '\xB4';
constexpr char kCircumflex = '\x5E';

// Dead key and base letter of a character, or {0, 0} when it has none.
struct Expansion {
  char dead;
  char base;
};

Expansion expansionOf(unsigned char c) {
  // À Á Â _ _ _ _ _ È É Ê _ Ì Í Î _ / Ò Ó Ô _ _ _ _ Ù Ú Û _ Ý ; lower case 0x20 higher.
  const bool lower = c >= 0xE0;
  const unsigned char u = lower ? static_cast<unsigned char>(c - 0x20) : c;
  char dead = 0;
  char base = 0;
  switch (u) {
    case 0xC0: dead = kGrave; base = 'A'; break;
    case 0xC1: dead = kAcute; base = 'A'; break;
    case 0xC2: dead = kCircumflex; base = 'A'; break;
    case 0xC8: dead = kGrave; base = 'E'; break;
    case 0xC9: dead = kAcute; base = 'E'; break;
    case 0xCA: dead = kCircumflex; base = 'E'; break;
    case 0xCC: dead = kGrave; base = 'I'; break;
    case 0xCD: dead = kAcute; base = 'I'; break;
    case 0xCE: dead = kCircumflex; base = 'I'; break;
    case 0xD2: dead = kGrave; base = 'O'; break;
    case 0xD3: dead = kAcute; base = 'O'; break;
    case 0xD4: dead = kCircumflex; base = 'O'; break;
    case 0xD9: dead = kGrave; base = 'U'; break;
    case 0xDA: dead = kAcute; base = 'U'; break;
    case 0xDB: dead = kCircumflex; base = 'U'; break;
    case 0xDD: dead = kAcute; base = 'Y'; break;
    default: return {0, 0};
  }
  if (lower) base = static_cast<char>(base + ('a' - 'A'));
  return {dead, base};
}

bool endsInPunctuation(std::string_view word) {
  switch (word.back()) {
    case ' ': case '!': case '(': case ')': case ',': case '.': case ':': case ';': case '?':
      return true;
    default:
      return false;
  }
}

std::string lowerAscii(std::string_view word) {
  std::string out(word);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return out;
}

void foldAccentedCapitals(std::string& word) {
  static const std::string_view upper = "\xC4\xC0\xC1\xC2\xC8\xC9\xCA\xCC\xCD\xCE\xD6\xD2\xD3\xD4\xDC\xD9\xDA\xDB\xDD";
  static const std::string_view lower = "\xE4\xE0\xE1\xE2\xE8\xE9\xEA\xEC\xED\xEE\xF6\xF2\xF3\xF4\xFC\xF9\xFA\xFB\xFD";
  for (char& c : word) {
    const auto at = upper.find(c);
    if (at != std::string_view::npos) c = lower[at];
  }
}

}  // namespace

bool deadKeyExpansionActive(int form, bool templateLoadingReached) {
  return form == 2 || templateLoadingReached;
}

std::string ExpandDeadKeys(std::string_view text, bool active) {
  if (!active) return std::string(text);
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    const Expansion e = expansionOf(static_cast<unsigned char>(c));
    if (e.dead != 0) {
      out.push_back(e.dead);
      out.push_back(e.base);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool wordsSimilar(std::string_view templateWord, std::string_view typedWord) {
  if (templateWord.size() < 2 || endsInPunctuation(templateWord)) return false;
  if (typedWord.empty() || endsInPunctuation(typedWord)) return false;
  std::string t = lowerAscii(templateWord);
  std::string y = lowerAscii(typedWord);
  if (t == y) return true;
  foldAccentedCapitals(t);
  foldAccentedCapitals(y);
  if (t == y) return true;
  if (t.front() != y.front() && t.back() != y.back()) return false;
  // Letters of the template missing from the typed word, plus typed letters
  // left over: a transposition costs nothing, a substitution two.
  std::string rest = y;
  std::int64_t d = 0;
  for (char c : t) {
    const auto at = rest.find(c);
    if (at == std::string::npos) {
      ++d;
    } else {
      rest.erase(at, 1);
    }
  }
  d += static_cast<std::int64_t>(rest.size());
  if (t.size() == 2 && y.size() == 2 && d == 2) d = 1;
  return d <= roundHalfEven(static_cast<double>(t.size()) / 2.0);
}

}  // namespace kv
