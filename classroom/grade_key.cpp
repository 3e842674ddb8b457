#include "classroom/grade_key.h"

#include <algorithm>
#include <cctype>

#include "platform/encoding.h"
#include "platform/file_io.h"

namespace kv {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Keys compare without case and with any run of blanks as one.
std::string normalKey(std::string_view s) {
  std::string out;
  bool blank = false;
  for (const char c : trim(s)) {
    if (c == ' ' || c == '\t') {
      blank = true;
      continue;
    }
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

std::optional<std::int64_t> parseCount(std::string_view text) {
  text = trim(text);
  if (text.empty() || text.size() > 9) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  s = trim(s);
  while (!s.empty()) {
    const std::size_t end = s.find_first_of(" \t");
    out.push_back(s.substr(0, end));
    if (end == std::string_view::npos) break;
    s = trim(s.substr(end));
  }
  return out;
}

// A text from a teacher's file for a message: what Windows-1252 lacks, or
// what is no UTF-8 at all, becomes "?".
std::string readable(std::string_view utf8) {
  std::string rest(utf8);
  for (int tries = 0; tries < 200; ++tries) {
    ConversionError at;
    if (auto text = utf8ToCp1252(rest, &at)) return *text;
    std::size_t length = 1;
    const auto lead = static_cast<unsigned char>(rest[at.offset]);
    if (!at.malformed) length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    rest.replace(at.offset, std::min(length, rest.size() - at.offset), "?");
  }
  return "?";
}

// a / b rounded up, for b > 0 and a >= 0.
std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

}  // namespace

std::vector<GradeKey> gradeKeyPresets() {
  GradeKey beginners;
  beginners.name = w1252("Anfänger");
  beginners.limits = {125, 250, 375, 500, 1000};
  GradeKey secondary;
  secondary.name = "Sekundarstufe I";
  secondary.limits = {100, 200, 300, 400, 500};
  secondary.minimumKind = MinimumKind::Total;
  secondary.minimum = 1200;
  secondary.step = 50;
  secondary.maxSteps = 4;
  return {beginners, secondary};
}

std::optional<int> gradeOf(const GradeKey& key, const GradeInput& in) {
  if (in.impossible || in.keystrokes <= 0 || in.errors < 0) return std::nullopt;
  std::int64_t counted = in.errors;
  if (key.bonus && key.bonusEvery > 0 && in.keystrokes > key.bonusFrom) {
    counted = std::max<std::int64_t>(0, counted - (in.keystrokes - key.bonusFrom) / key.bonusEvery);
  }
  // counted × 100 / keystrokes ≤ limit / 1000, in whole numbers: a result
  // exactly at a limit gets the better grade.
  int grade = 6;
  for (int g = 0; g < 5; ++g) {
    if (counted * 100000 <= key.limits[static_cast<std::size_t>(g)] * in.keystrokes) {
      grade = g + 1;
      break;
    }
  }
  if (key.minimumKind == MinimumKind::None || key.minimum <= 0) return grade;
  const std::int64_t kept = 100 - std::clamp<std::int64_t>(key.reductionPercent, 0, 100);
  const std::int64_t step = std::max<std::int64_t>(1, key.step);
  // The shortfall as a fraction short / scale, so that no rounding decides.
  std::int64_t short100 = 0;
  std::int64_t scale = 100;
  if (key.minimumKind == MinimumKind::Total) {
    short100 = key.minimum * kept - in.keystrokes * 100;
  } else if (in.seconds > 0) {
    short100 = key.minimum * kept * in.seconds - in.keystrokes * 6000;
    scale = 100 * in.seconds;
  } else if (in.keystrokesPerMinute >= 0) {
    short100 = key.minimum * kept - in.keystrokesPerMinute * 100;
  } else {
    return std::nullopt;
  }
  if (short100 <= 0) return grade;
  const std::int64_t steps = ceilDiv(short100, step * scale);
  if (steps > key.maxSteps) return 6;
  return static_cast<int>(std::min<std::int64_t>(6, grade + steps));
}

std::string gradeText(std::optional<int> grade) {
  return grade ? std::to_string(*grade) : w1252("\u2013");
}

std::string limitText(std::int64_t thousandths) {
  std::string out = std::to_string(thousandths / 1000);
  std::int64_t rest = thousandths % 1000;
  if (rest == 0) return out + ",0";
  std::string decimals = std::to_string(1000 + rest).substr(1);
  while (decimals.back() == '0') decimals.pop_back();
  return out + "," + decimals;
}

std::optional<std::int64_t> parseLimit(std::string_view text) {
  text = trim(text);
  if (!text.empty() && text.back() == '%') text = trim(text.substr(0, text.size() - 1));
  const std::size_t point = text.find_first_of(",.");
  const auto whole = parseCount(text.substr(0, point));
  if (!whole || *whole > 100) return std::nullopt;
  std::int64_t value = *whole * 1000;
  if (point != std::string_view::npos) {
    const std::string_view decimals = text.substr(point + 1);
    if (decimals.empty() || decimals.size() > 3) return std::nullopt;
    std::int64_t scale = 100;
    for (const char c : decimals) {
      if (c < '0' || c > '9') return std::nullopt;
      value += (c - '0') * scale;
      scale /= 10;
    }
  }
  return value;
}

std::optional<GradeKey> parseGradeKey(std::string_view utf8, GradeKeyError& error) {
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  GradeKey key;
  std::array<bool, 5> seen{};
  int number = 0;
  const auto fail = [&](const std::string& what) {
    error.line = number;
    error.message = (number > 0 ? "Zeile " + std::to_string(number) + ": " : std::string()) + readable(what);
    return std::nullopt;
  };
  while (!utf8.empty()) {
    ++number;
    const std::size_t end = utf8.find('\n');
    const std::string_view raw = utf8.substr(0, end);
    utf8 = end == std::string_view::npos ? std::string_view() : utf8.substr(end + 1);
    if (!isValidUtf8(raw)) return fail("Die Zeile ist kein UTF-8-Text.");
    std::string_view line = raw;
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    line = trim(line);
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return fail("Es fehlt das Gleichheitszeichen (Eintrag = Wert).");
    const std::string name = normalKey(line.substr(0, equals));
    const std::string_view value = trim(line.substr(equals + 1));
    const std::string shown = "\u201E" + std::string(trim(line.substr(0, equals))) + "\u201C";
    if (name == "name") {
      const auto text = utf8ToCp1252(value);
      if (!text || text->size() > 64) return fail("Der Name ist zu lang oder enthält Zeichen außerhalb von Windows-1252.");
      key.name = *text;
    } else if (name.size() == 6 && name.rfind("note ", 0) == 0 && name[5] >= '1' && name[5] <= '5') {
      const auto limit = parseLimit(value);
      if (!limit) {
        return fail("\u201E" + std::string(value) +
                    "\u201C ist keine Prozentzahl von 0 bis 100 mit höchstens drei Nachkommastellen.");
      }
      const auto g = static_cast<std::size_t>(name[5] - '1');
      key.limits[g] = *limit;
      seen[g] = true;
    } else if (name == "mindestanschläge") {
      const std::vector<std::string_view> parts = words(value);
      if (parts.size() == 1 && normalKey(parts[0]) == "keine") {
        key.minimumKind = MinimumKind::None;
        key.minimum = 0;
        continue;
      }
      const auto count = parts.empty() ? std::nullopt : parseCount(parts[0]);
      std::string rest;
      for (std::size_t i = 1; i < parts.size(); ++i) rest += (i > 1 ? " " : "") + normalKey(parts[i]);
      if (!count || (rest != "gesamt" && rest != "je minute")) {
        return fail("Mindestanschläge: erwartet „keine“, „1200 gesamt“ oder „120 je Minute“.");
      }
      key.minimum = *count;
      key.minimumKind = rest == "gesamt" ? MinimumKind::Total : MinimumKind::PerMinute;
    } else if (name == "stufe" || name == "höchstens stufen" || name == "nachteilsausgleich") {
      std::string_view number_text = value;
      if (name == "nachteilsausgleich" && !number_text.empty() && number_text.back() == '%') {
        number_text = trim(number_text.substr(0, number_text.size() - 1));
      }
      const auto count = parseCount(number_text);
      if (!count || (name == "stufe" && *count == 0) || (name == "nachteilsausgleich" && *count > 100)) {
        return fail(shown + " braucht eine ganze Zahl" +
                    (name == "stufe" ? std::string(" größer als 0.")
                                     : name == "nachteilsausgleich" ? std::string(" von 0 bis 100 (Prozent).")
                                                                    : std::string(".")));
      }
      (name == "stufe" ? key.step : name == "höchstens stufen" ? key.maxSteps : key.reductionPercent) = *count;
    } else if (name == "bonus") {
      const std::vector<std::string_view> parts = words(value);
      if (parts.size() == 1 && normalKey(parts[0]) == "keiner") {
        key.bonus = false;
        continue;
      }
      const auto from = parts.size() == 4 ? parseCount(parts[1]) : std::nullopt;
      const auto every = parts.size() == 4 ? parseCount(parts[3]) : std::nullopt;
      if (!from || !every || *every == 0 || normalKey(parts[0]) != "ab" || normalKey(parts[2]) != "je") {
        return fail("Bonus: erwartet „keiner“ oder „ab 1600 je 200“.");
      }
      key.bonus = true;
      key.bonusFrom = *from;
      key.bonusEvery = *every;
    } else {
      return fail(shown + " ist kein Eintrag eines Notenschlüssels.");
    }
  }
  number = 0;
  for (std::size_t g = 0; g < 5; ++g) {
    if (!seen[g]) return fail("Die Grenze für Note " + std::to_string(g + 1) + " fehlt.");
    if (g > 0 && key.limits[g] < key.limits[g - 1]) {
      return fail("Die Grenze für Note " + std::to_string(g + 1) + " ist kleiner als die für Note " +
                  std::to_string(g) + ".");
    }
  }
  return key;
}

std::optional<GradeKey> loadGradeKey(const std::filesystem::path& file, std::string& why) {
  std::string text;
  GradeKeyError error;
  std::optional<GradeKey> key;
  if (readWholeFile(file, text, 1024 * 1024)) key = parseGradeKey(text, error);
  if (!key) {
    why = w1252("Der Notenschlüssel „") + cp1252OfPath(file) + w1252("“ wird nicht verwendet. ") +
          (error.message.empty() ? w1252("Die Datei lässt sich nicht lesen.") : error.message);
  }
  return key;
}

std::string formatGradeKey(const GradeKey& key) {
  std::string out =
      "# Klavento 7 – Notenschlüssel\n"
      "# Je Zeile „Eintrag = Wert“; „#“ leitet eine Bemerkung ein.\n"
      "# Note 1 bis Note 5: die höchste Fehlerquote (Fehler × 100 / Anschläge) in Prozent,\n"
      "# jeweils einschließlich, mit höchstens drei Nachkommastellen. Darüber: Note 6.\n";
  out += "Name = " + cp1252ToUtf8(key.name) + "\n";
  for (std::size_t g = 0; g < 5; ++g) {
    out += "Note " + std::to_string(g + 1) + " = " + limitText(key.limits[g]) + "\n";
  }
  out +=
      "# Mindestanschläge: „keine“, „1200 gesamt“ oder „120 je Minute“. Für jede Stufe,\n"
      "# die jemand darunter bleibt, eine Note schlechter; mehr als „Höchstens Stufen“: Note 6.\n"
      "# Nachteilsausgleich: die Mindestanschläge um so viel Prozent gesenkt.\n";
  switch (key.minimumKind) {
    case MinimumKind::None:
      out += "Mindestanschläge = keine\n";
      break;
    case MinimumKind::Total:
      out += "Mindestanschläge = " + std::to_string(key.minimum) + " gesamt\n";
      break;
    case MinimumKind::PerMinute:
      out += "Mindestanschläge = " + std::to_string(key.minimum) + " je Minute\n";
      break;
  }
  out += "Stufe = " + std::to_string(key.step) + "\n";
  out += "Höchstens Stufen = " + std::to_string(key.maxSteps) + "\n";
  out += "Nachteilsausgleich = " + std::to_string(key.reductionPercent) + "\n";
  out += "# Bonus: „keiner“ oder „ab 1600 je 200“: über 1600 Anschlägen je weitere 200 ein Fehler frei.\n";
  out += key.bonus ? "Bonus = ab " + std::to_string(key.bonusFrom) + " je " + std::to_string(key.bonusEvery) + "\n"
                   : std::string("Bonus = keiner\n");
  return out;
}

}  // namespace kv
