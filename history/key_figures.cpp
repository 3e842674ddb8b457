#include "history/key_figures.h"

#include <algorithm>

#include "history/history_views.h"
#include "platform/encoding.h"

namespace kv {
namespace {

bool isCapital(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || c == 0xC4 || c == 0xD6 || c == 0xDC;  // Ä, Ö, Ü
}

std::string strokes(std::uint32_t n) {
  return std::to_string(n) + (n == 1 ? w1252(" Anschlag") : w1252(" Anschläge"));
}

}  // namespace

std::string keyMapName(const std::vector<unsigned char>& chars) {
  if (chars.empty()) return {};
  const auto capital = std::find_if(chars.begin(), chars.end(), isCapital);
  return keyName(capital != chars.end() ? *capital : chars.front());
}

std::string keyMissFigure(const std::vector<unsigned char>& chars, const KeyTally& tally) {
  const std::string head = "Taste " + keyMapName(chars) + ": ";
  if (tally.needed == 0) return head + w1252("noch nicht geübt");
  if (tally.needed < kKeyMapLeast) return head + w1252("zu selten geübt (") + strokes(tally.needed) + ")";
  const std::string rate = germanNumber(100.0 * tally.missed / tally.needed, 1) + " %";
  const std::string missed = tally.missed == 0 ? std::string("nie") : std::to_string(tally.missed) + "-mal";
  return head + missed + w1252(" verfehlt bei ") + std::to_string(tally.needed) + w1252(" Anschlägen (") + rate + ")";
}

}  // namespace kv
