#include "exam/class_list.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "platform/encoding.h"

namespace kv {
namespace {

enum class Column { Unknown, Last, First, Full, Class, Time, Other };

unsigned char lowerByte(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<unsigned char>(c + 32);
  return c;
}

std::string folded(std::string_view cp1252) {
  std::string out;
  bool blank = false;
  for (const char c : cp1252) {
    const auto b = static_cast<unsigned char>(c);
    if (b == ' ' || b == 0xA0 || b == '\t') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += static_cast<char>(lowerByte(b));
  }
  return out;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (static_cast<unsigned char>(s.front()) <= ' ' || static_cast<unsigned char>(s.front()) == 0xA0)) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (static_cast<unsigned char>(s.back()) <= ' ' || static_cast<unsigned char>(s.back()) == 0xA0)) {
    s.remove_suffix(1);
  }
  return s;
}

// One line's cells; quoted cells may hold the separator and doubled quotes.
std::vector<std::string> cellsOf(std::string_view line, char separator) {
  std::vector<std::string> cells;
  std::string cell;
  bool quoted = false;
  bool wasQuoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"' && trimmed(cell).empty() && !wasQuoted) {
      cell.clear();
      quoted = true;
      wasQuoted = true;
    } else if (separator != 0 && c == separator) {
      cells.emplace_back(trimmed(cell));
      cell.clear();
      wasQuoted = false;
    } else {
      cell += c;
    }
  }
  cells.emplace_back(trimmed(cell));
  return cells;
}

Column columnOf(std::string_view cell) {
  const std::string name = folded(cell);
  const auto has = [&](std::string_view part) { return name.find(part) != std::string::npos; };
  if (name.empty()) return Column::Unknown;
  if (name == "nachname" || name == "familienname" || name == "zuname" || name == "name") return Column::Last;
  if (name == "vorname" || name == "rufname" || name == "vornamen") return Column::First;
  if (name == "name, vorname" || name == "sch\xfcler" || name == "sch\xfclerin" || name == "sch\xfcler/in" ||
      name == "sch\xfclerinnen und sch\xfcler" || name == "lernende" || name == "vollst\xe4ndiger name" ||
      name == "sch\xfcler*in" || name == "sch\xfcler:in") {
    return Column::Full;
  }
  if (name == "klasse" || name == "lerngruppe" || name == "kurs") return Column::Class;
  if (has("zeit") || has("minute") || has("nachteilsausgleich")) return Column::Time;
  if (name == "nr" || name == "nr." || name == "geburtsdatum" || name == "geschlecht" || has("mail") ||
      name == "id" || name == "kennung") {
    return Column::Other;
  }
  return Column::Unknown;
}

bool isHeader(const std::vector<Column>& columns) {
  const bool named = std::any_of(columns.begin(), columns.end(), [](Column c) {
    return c == Column::Last || c == Column::First || c == Column::Full;
  });
  const bool allKnown = std::none_of(columns.begin(), columns.end(), [](Column c) { return c == Column::Unknown; });
  return named && (allKnown || columns.size() > 1);
}

// Minutes as a teacher writes them: "12,5", "12.5", "15 min", "15 Minuten".
std::optional<double> minutesOf(std::string_view cell) {
  std::string text = folded(cell);
  for (const std::string_view unit : {"minuten", "minute", "min.", "min"}) {
    if (text.size() > unit.size() && text.compare(text.size() - unit.size(), unit.size(), unit) == 0) {
      text.erase(text.size() - unit.size());
      break;
    }
  }
  text = std::string(trimmed(text));
  if (text.empty() || text.size() > 8) return std::nullopt;
  double value = 0;
  double scale = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      if (scale == 0) {
        value = value * 10 + (c - '0');
      } else {
        value += (c - '0') * scale;
        scale /= 10;
      }
    } else if ((c == ',' || c == '.') && scale == 0) {
      scale = 0.1;
    } else {
      return std::nullopt;
    }
  }
  if (value <= 0 || value > 600) return std::nullopt;
  return value;
}

bool hasDigit(std::string_view s) { return std::any_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }); }
bool hasLetter(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= 0xC0 && b != 0xD7 && b != 0xF7);
  });
}

std::string collapsed(std::string_view s) {
  std::string out;
  for (const char c : trimmed(s)) {
    const bool blank = c == ' ' || c == '\t' || static_cast<unsigned char>(c) == 0xA0;
    if (blank && !out.empty() && out.back() == ' ') continue;
    out += blank ? ' ' : c;
  }
  return out;
}

// "Jonas Müller" → "Müller, Jonas"; a particle stays with the surname
// ("Lena von Berg" → "von Berg, Lena"). One word stays as it is.
std::string listName(std::string_view written) {
  const std::string name = collapsed(written);
  if (const std::size_t comma = name.find(','); comma != std::string::npos) {
    return collapsed(name.substr(0, comma)) + ", " + collapsed(name.substr(comma + 1));
  }
  std::size_t split = name.rfind(' ');
  if (split == std::string::npos) return name;
  for (;;) {
    const std::size_t before = split == 0 ? std::string::npos : name.rfind(' ', split - 1);
    const std::string word = folded(name.substr(before == std::string::npos ? 0 : before + 1,
                                                split - (before == std::string::npos ? 0 : before + 1)));
    if (before == std::string::npos ||
        (word != "von" && word != "van" && word != "de" && word != "zu" && word != "der" && word != "den" &&
         word != "da" && word != "di" && word != "el" && word != "al")) {
      break;
    }
    split = before;
  }
  return name.substr(split + 1) + ", " + name.substr(0, split);
}

std::string joinedName(std::string_view last, std::string_view first) {
  const std::string l = collapsed(last);
  const std::string f = collapsed(first);
  if (f.empty()) return l;
  if (l.empty()) return f;
  return l + ", " + f;
}

// Why a name cannot be one; empty when it can.
std::string nameProblem(std::string_view name) {
  if (!hasLetter(name)) return w1252("kein Name");
  if (hasDigit(name)) return w1252("ein Name enthält keine Ziffern");
  if (name.size() > 80) return w1252("zu lang für einen Namen");
  for (const char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b == 127 || c == '<' || c == '>' || c == '"' || c == ';' || c == '|') {
      return w1252("enthält Zeichen, die in keinem Namen stehen");
    }
  }
  if (std::count(name.begin(), name.end(), ',') > 1) return w1252("mehr als ein Komma");
  return {};
}

std::string quotedLine(std::string_view line) {
  std::string shown;
  for (const char c : line) shown += static_cast<unsigned char>(c) < 32 ? ' ' : c;
  if (shown.size() > 60) shown = shown.substr(0, 57) + "...";
  return w1252("\u201E") + shown + w1252("\u201C");
}

// The bytes as Windows-1252 lines; false with a refusal for what no list is.
bool decodedLines(std::string_view bytes, std::vector<std::string>& lines, std::string& refusal) {
  std::string text;
  if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
    // Spreadsheets save "Unicode text" as UTF-16.
    const bool little = bytes[0] == '\xFF';
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto a = static_cast<unsigned char>(bytes[i]);
      const auto b = static_cast<unsigned char>(bytes[i + 1]);
      units += static_cast<char16_t>(little ? (a | (b << 8)) : ((a << 8) | b));
    }
    for (const char16_t u : units) {
      if (u == 0) {
        refusal = w1252("Die Datei ist keine Klassenliste: Sie enthält Binärdaten.");
        return false;
      }
    }
    std::string converted;
    for (const char16_t u : units) {
      const std::optional<std::string> one = utf16ToCp1252(std::u16string_view(&u, 1));
      converted += one ? *one : std::string("?");
    }
    text = std::move(converted);
  } else {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::size_t controls = 0;
    for (const char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      if (b == 0) {
        refusal = w1252("Die Datei ist keine Klassenliste: Sie enthält Binärdaten.");
        return false;
      }
      if (b < 32 && c != '\n' && c != '\r' && c != '\t' && c != '\f') ++controls;
    }
    if (controls > 8 && controls * 50 > bytes.size()) {
      refusal = w1252("Die Datei ist keine Klassenliste: Sie enthält Binärdaten.");
      return false;
    }
    if (isValidUtf8(bytes)) {
      // Characters the code page lacks become "?", and the name is still read.
      std::string part;
      std::size_t i = 0;
      while (i < bytes.size()) {
        std::size_t length = 1;
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead >= 0xF0) length = 4;
        else if (lead >= 0xE0) length = 3;
        else if (lead >= 0xC0) length = 2;
        const std::optional<std::string> one = utf8ToCp1252(bytes.substr(i, length));
        text += one ? *one : std::string("?");
        i += length;
      }
    } else {
      text.assign(bytes);
    }
  }
  std::size_t begin = 0;
  while (begin <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    if (lines.size() > kMostClassListLines + 1) break;
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    begin = end + 1;
  }
  while (!lines.empty() && trimmed(lines.back()).empty()) lines.pop_back();
  if (lines.size() > kMostClassListLines) {
    refusal = w1252("Die Klassenliste hat mehr als ") + std::to_string(kMostClassListLines) +
              w1252(" Zeilen; so lang ist keine Klassenliste.");
    return false;
  }
  return true;
}

std::string minutesNumber(std::int32_t seconds) {
  std::string text = minutesText(seconds);
  return text.substr(0, text.find(' '));
}

}  // namespace

ClassListReading readClassList(std::string_view bytes, std::int32_t defaultSeconds) {
  ClassListReading out;
  if (bytes.size() > kLargestClassList) {
    out.refusal = w1252("Die Klassenliste ist zu groß (mehr als 10 MB); so groß ist keine Klassenliste.");
    return out;
  }
  std::vector<std::string> lines;
  if (!decodedLines(bytes, lines, out.refusal)) return out;

  // The separator: the one that makes a header of the first line, else the
  // one most lines hold. A comma alone separates surname and first name.
  std::size_t firstUsed = 0;
  while (firstUsed < lines.size() && trimmed(lines[firstUsed]).empty()) ++firstUsed;
  char separator = 0;
  std::vector<Column> columns;
  if (firstUsed < lines.size()) {
    for (const char candidate : {';', '\t', ','}) {
      const std::vector<std::string> cells = cellsOf(lines[firstUsed], candidate);
      if (cells.size() < 2) continue;
      std::vector<Column> found;
      for (const std::string& cell : cells) found.push_back(columnOf(cell));
      if (isHeader(found)) {
        separator = candidate;
        columns = std::move(found);
        break;
      }
    }
    if (columns.empty()) {
      const std::vector<std::string> cells = cellsOf(lines[firstUsed], 0);
      if (columnOf(cells[0]) == Column::Full || columnOf(cells[0]) == Column::Last) columns = {Column::Full};
    }
    if (separator == 0) {
      std::size_t semicolons = 0, tabs = 0, used = 0;
      for (const std::string& line : lines) {
        if (trimmed(line).empty()) continue;
        ++used;
        semicolons += line.find(';') != std::string::npos;
        tabs += line.find('\t') != std::string::npos;
      }
      if (semicolons * 2 >= used && semicolons > 0) separator = ';';
      else if (tabs * 2 >= used && tabs > 0) separator = '\t';
    }
  }
  const bool header = !columns.empty();
  if (header) {
    // A lone "Name" beside no "Vorname" holds the whole name.
    const bool hasFirst = std::find(columns.begin(), columns.end(), Column::First) != columns.end();
    if (!hasFirst) std::replace(columns.begin(), columns.end(), Column::Last, Column::Full);
  }

  std::map<std::string, std::size_t> seen;  // folded name → line number
  for (std::size_t index = header ? firstUsed + 1 : 0; index < lines.size(); ++index) {
    const std::string& line = lines[index];
    const std::size_t number = index + 1;
    if (trimmed(line).empty()) continue;
    const auto notUnderstood = [&](const std::string& why) {
      out.notUnderstood.push_back(w1252("Zeile ") + std::to_string(number) + ": " + quotedLine(line) +
                                  w1252(" \u2013 ") + why);
    };
    // A typed list has a time after only a few names: such a line is split
    // where it is, even when most lines hold no separator at all.
    char lineSeparator = separator;
    if (lineSeparator == 0 && !header) {
      if (line.find(';') != std::string::npos) lineSeparator = ';';
      else if (line.find('\t') != std::string::npos) lineSeparator = '\t';
    }
    const std::vector<std::string> cells = cellsOf(line, lineSeparator);
    if (lineSeparator != separator && cells.size() >= 2 && !minutesOf(cells.back())) {
      // Split here only for a time after the name; anything else is no time.
      notUnderstood(w1252("„") + std::string(trimmed(cells.back())) + w1252("“ ist keine Zeit in Minuten"));
      continue;
    }
    std::string name;
    std::string timeCell;
    if (header) {
      std::string last, first, full;
      for (std::size_t c = 0; c < cells.size() && c < columns.size(); ++c) {
        switch (columns[c]) {
          case Column::Last: last = cells[c]; break;
          case Column::First: first = cells[c]; break;
          case Column::Full: full = cells[c]; break;
          case Column::Time: timeCell = cells[c]; break;
          default: break;
        }
      }
      name = !full.empty() ? listName(full) : joinedName(last, first);
      if (cells.size() > columns.size() && !std::all_of(cells.begin() + static_cast<std::ptrdiff_t>(columns.size()),
                                                        cells.end(), [](const std::string& c) { return c.empty(); })) {
        notUnderstood(w1252("mehr Spalten als die Kopfzeile"));
        continue;
      }
    } else if (cells.size() == 1) {
      name = listName(cells[0]);
    } else {
      // Without a header: "Müller, Jonas; 12,5", "Müller; Jonas; 12,5" or
      // "Müller; Jonas; 8b"; a last cell that is a number is the time.
      std::vector<std::string> rest(cells.begin(), cells.end());
      while (!rest.empty() && rest.back().empty()) rest.pop_back();
      if (rest.size() >= 2 && minutesOf(rest.back())) {
        timeCell = rest.back();
        rest.pop_back();
      }
      if (rest.size() >= 2 && hasDigit(rest.back()) && rest.back().size() <= 6) rest.pop_back();  // the class
      if (rest.size() == 1) {
        name = listName(rest[0]);
      } else if (rest.size() == 2 && rest[0].find(',') == std::string::npos) {
        name = joinedName(rest[0], rest[1]);
      } else {
        notUnderstood(w1252("zu viele Angaben für einen Namen"));
        continue;
      }
    }
    if (const std::string why = nameProblem(name); !why.empty()) {
      notUnderstood(why);
      continue;
    }
    std::int32_t seconds = 0;
    if (!timeCell.empty()) {
      const std::optional<double> minutes = minutesOf(timeCell);
      if (!minutes) {
        notUnderstood(w1252("„") + timeCell + w1252("“ ist keine Zeit in Minuten"));
        continue;
      }
      seconds = static_cast<std::int32_t>(std::lround(*minutes * 60.0));
      if (seconds == defaultSeconds) seconds = 0;
    }
    const std::string key = folded(name);
    if (const auto earlier = seen.find(key); earlier != seen.end()) {
      notUnderstood(w1252("doppelt, steht schon in Zeile ") + std::to_string(earlier->second) +
                    w1252("; hier ausgelassen"));
      continue;
    }
    if (out.learners.size() >= kMostLearners) {
      notUnderstood(w1252("mehr als ") + std::to_string(kMostLearners) + w1252(" Lernende; ausgelassen"));
      continue;
    }
    seen.emplace(key, number);
    out.learners.push_back({name, seconds});
  }
  return out;
}

std::string classListText(const std::vector<TestLearner>& learners, std::int32_t defaultSeconds) {
  std::string text;
  for (const TestLearner& l : learners) {
    text += l.name;
    if (l.seconds > 0 && l.seconds != defaultSeconds) text += "; " + minutesNumber(l.seconds);
    text += "\r\n";
  }
  return text;
}

}  // namespace kv
