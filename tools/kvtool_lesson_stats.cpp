#include "tools/kvtool_lesson_stats.h"

#include <nlohmann/json.hpp>

#include <cmath>

#include "keyboard/typable.h"
#include "platform/encoding.h"

namespace kv::tool {
namespace {

using Json = nlohmann::json;

std::string inQuotes(std::string_view text) { return "\u201E" + std::string(text) + "\u201C"; }

// A whole number from 0 to `most`; false with the reason otherwise.
bool wholeNumber(const Json& value, std::uint64_t most, const std::string& what, std::uint64_t& out,
                 std::string& error) {
  // Past 2^64 the reader takes a whole number for a decimal one.
  const bool hugeWhole = value.is_number_float() && std::isfinite(value.get<double>()) &&
                         std::abs(value.get<double>()) > static_cast<double>(most) &&
                         std::floor(value.get<double>()) == value.get<double>();
  if (hugeWhole && value.get<double>() > 0.0) {
    error = what + " ist zu gro\u00DF (h\u00F6chstens " + std::to_string(most) + ").";
    return false;
  }
  if (!value.is_number_integer() && !hugeWhole) {
    error = what + " muss eine ganze Zahl sein.";
    return false;
  }
  if (!value.is_number_unsigned()) {
    error = what + " darf nicht negativ sein.";
    return false;
  }
  out = value.get<std::uint64_t>();
  if (out > most) {
    error = what + " ist zu gro\u00DF (h\u00F6chstens " + std::to_string(most) + ").";
    return false;
  }
  return true;
}

// The Windows-1252 character a key's name stands for.
bool keyOfName(const std::string& name, unsigned char& ch, std::string& error) {
  const std::optional<std::string> converted = isValidUtf8(name) ? utf8ToCp1252(name) : std::nullopt;
  if (!converted || converted->size() != 1) {
    error = "Die Taste " + inQuotes(isValidUtf8(name) ? name : "?") + " ist kein einzelnes Zeichen.";
    return false;
  }
  ch = static_cast<unsigned char>((*converted)[0]);
  if (!typableOnGermanKeyboard(ch) || ch < ' ') {
    error = inQuotes(name) + " gibt es auf der deutschen Tastatur nicht.";
    return false;
  }
  if (!isCapitalLetter(ch) && coursePosition(ch) >= courseOrder().size()) {
    error = inQuotes(name) + " geh\u00F6rt nicht zu den Tasten von \u201EAdaptiv \u00FCben\u201C.";
    return false;
  }
  return true;
}

bool readFigure(const std::string& name, const Json& value, KeyFigure& figure, std::string& error) {
  const std::string where = "Bei der Taste " + inQuotes(name) + ": ";
  if (!value.is_object()) {
    error = where + "Erwartet werden \u201Ecount\u201C, \u201Emissed\u201C und \u201EmeanMs\u201C.";
    return false;
  }
  std::uint64_t count = 0;
  std::uint64_t missed = 0;
  double meanMs = 0.0;
  for (const auto& [field, entry] : value.items()) {
    if (field == "count") {
      if (!wholeNumber(entry, kMostKeyCount, where + inQuotes("count"), count, error)) return false;
    } else if (field == "missed") {
      if (!wholeNumber(entry, kMostKeyCount, where + inQuotes("missed"), missed, error)) return false;
    } else if (field == "meanMs") {
      if (!entry.is_number()) {
        error = where + inQuotes("meanMs") + " muss eine Zahl sein.";
        return false;
      }
      meanMs = entry.get<double>();
      if (!std::isfinite(meanMs) || meanMs < 0.0 || meanMs > kSlowestMeanMs ||
          (meanMs > 0.0 && meanMs < kFastestKeyMs)) {
        error = where + inQuotes("meanMs") + " muss 0 oder zwischen 20 und 60000 Millisekunden liegen.";
        return false;
      }
    } else {
      error = where + "unbekanntes Feld " + inQuotes(field) + ".";
      return false;
    }
  }
  if (missed > count) {
    error = where + "mehr Fehler als Anschl\u00E4ge.";
    return false;
  }
  // A capital's figures join Shift's, as the key it stands for.
  const double timed = meanMs > 0.0 ? static_cast<double>(count) : 0.0;
  const double before = figure.timed;
  if (timed + before > 0.0) figure.meanMs = (figure.meanMs * before + meanMs * timed) / (before + timed);
  figure.strokes += static_cast<std::uint32_t>(count);
  figure.missed += static_cast<std::uint32_t>(missed);
  figure.timed += static_cast<std::uint32_t>(timed);
  return true;
}

bool readKeys(const Json& keys, LessonStats& stats, std::string& error) {
  if (!keys.is_object()) {
    error = inQuotes("keys") + " muss ein Objekt sein, je Taste ein Eintrag.";
    return false;
  }
  for (const auto& [name, value] : keys.items()) {
    unsigned char ch = 0;
    if (!keyOfName(name, ch, error)) return false;
    const unsigned char key = isCapitalLetter(ch) ? kShiftKey : ch;
    if (!readFigure(name, value, stats.figures[key], error)) return false;
    stats.open.add(key);
  }
  return true;
}

}  // namespace

bool readLessonStats(std::string_view json, LessonStats& stats, std::string& error) {
  stats = LessonStats{};
  if (json.size() > kMostStatsBytes) {
    error = "Die Kennzahlen sind zu gro\u00DF (h\u00F6chstens 1 MB).";
    return false;
  }
  const Json root = Json::parse(json.begin(), json.end(), nullptr, false);
  if (root.is_discarded()) {
    error = "Die Kennzahlen sind kein g\u00FCltiges JSON.";
    return false;
  }
  if (!root.is_object()) {
    error = "Die Kennzahlen m\u00FCssen ein JSON-Objekt sein.";
    return false;
  }
  bool hasKeys = false;
  for (const auto& [field, value] : root.items()) {
    if (field == "target") {
      std::uint64_t target = 0;
      if (!wholeNumber(value, kMostTarget, inQuotes("target"), target, error)) return false;
      if (target < static_cast<std::uint64_t>(kLeastTarget)) {
        error = inQuotes("target") + " muss mindestens " + std::to_string(kLeastTarget) + " sein.";
        return false;
      }
      stats.target = static_cast<int>(target);
    } else if (field == "keys") {
      if (!readKeys(value, stats, error)) return false;
      hasKeys = true;
    } else {
      error = "Unbekanntes Feld " + inQuotes(field) + " in den Kennzahlen.";
      return false;
    }
  }
  if (!hasKeys) {
    error = "In den Kennzahlen fehlt " + inQuotes("keys") + ".";
    return false;
  }
  return true;
}

}  // namespace kv::tool
