#include "exam/class_test.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/encoding.h"
#include "platform/file_io.h"

namespace kv {
namespace {

// The file is text a teacher may look at; the seal only tells a changed
// file from the one that was prepared, which is all the learner's side needs
// (the teacher keeps a copy of their own).
constexpr std::string_view kFirstLine = "Klavento-Klassenarbeit 1";
constexpr std::string_view kSealLabel = "Siegel: ";
constexpr std::size_t kLongestValue = 2000;
constexpr std::size_t kMostTextLines = 5000;
constexpr std::int32_t kLongestTest = 10 * 3600;
constexpr int kMostAttempts = 9;

std::uint64_t sealOf(std::string_view bytes) {
  std::uint64_t h = 0xcbf29ce484222325ULL ^ 0x4b6c6176656e746fULL;  // FNV-1a, started apart
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3ULL;
  }
  return h;
}

std::string hex16(std::uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

// Values stay on one line: backslash, line ends and control characters are
// written as escapes.
std::string escaped(std::string_view utf8) {
  std::string out;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (b < 32 || b == 127) {
      char code[5];
      std::snprintf(code, sizeof code, "\\x%02x", b);
      out += code;
    } else {
      out += c;
    }
  }
  return out;
}

bool unescaped(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i >= text.size()) return false;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 'x': {
        if (i + 2 >= text.size()) return false;
        unsigned value = 0;
        for (int k = 1; k <= 2; ++k) {
          const char h = text[i + static_cast<std::size_t>(k)];
          value *= 16;
          if (h >= '0' && h <= '9') value += static_cast<unsigned>(h - '0');
          else if (h >= 'a' && h <= 'f') value += static_cast<unsigned>(h - 'a' + 10);
          else return false;
        }
        out += static_cast<char>(value);
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

std::string clockText(const ClockTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.date.year, t.date.month, t.date.day, t.hour,
                t.minute, t.second);
  return text;
}

bool parseClock(std::string_view text, ClockTime& t) {
  if (text.size() != 19) return false;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  const std::string copy(text);
  char tail = 0;
  if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6) return false;
  if (y < 1899 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 ||
      mi < 0 || s < 0) {
    return false;
  }
  t = {{y, mo, d}, h, mi, s};
  return true;
}

bool parseInt(std::string_view text, std::int64_t low, std::int64_t high, std::int64_t& value) {
  if (text.empty() || text.size() > 12) return false;
  std::int64_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < low || v > high) return false;
  value = v;
  return true;
}

// Reads "Label: value" lines in their order; any deviation is damage.
class Reader {
 public:
  explicit Reader(std::string_view body) : rest_(body) {}

  bool next(std::string_view labelText, std::string& value) {
    if (rest_.empty()) return fail(std::string("es fehlt „") + std::string(labelText) + "“");
    const std::size_t end = rest_.find('\n');
    if (end == std::string_view::npos) return fail("eine Zeile ist nicht abgeschlossen");
    const std::string_view line = rest_.substr(0, end);
    rest_.remove_prefix(end + 1);
    ++line_;
    if (line.size() < labelText.size() + 2 || line.substr(0, labelText.size()) != labelText ||
        line.substr(labelText.size(), 2) != ": ") {
      return fail("Zeile " + std::to_string(line_) + " ist nicht „" + std::string(labelText) + "“");
    }
    if (line.size() - labelText.size() - 2 > kLongestValue) {
      return fail("Zeile " + std::to_string(line_) + " ist zu lang");
    }
    if (!unescaped(line.substr(labelText.size() + 2), value)) {
      return fail("Zeile " + std::to_string(line_) + " ist nicht lesbar");
    }
    return true;
  }
  // A Windows-1252 text field.
  bool text(std::string_view labelText, std::string& value, bool mayHaveControls = false) {
    std::string utf8;
    if (!next(labelText, utf8)) return false;
    auto converted = utf8ToCp1252(utf8);
    if (!converted) return fail("„" + std::string(labelText) + "“ enthält ein Zeichen außerhalb von Windows-1252");
    if (!mayHaveControls) {
      for (const char c : *converted) {
        if (static_cast<unsigned char>(c) < 32) return fail("„" + std::string(labelText) + "“ enthält Steuerzeichen");
      }
    }
    value = std::move(*converted);
    return true;
  }
  bool number(std::string_view labelText, std::int64_t low, std::int64_t high, std::int64_t& value) {
    std::string text;
    if (!next(labelText, text)) return false;
    if (!parseInt(text, low, high, value)) return fail("„" + std::string(labelText) + "“ ist keine gültige Zahl");
    return true;
  }
  bool done() const { return rest_.empty(); }
  bool fail(const std::string& utf8) {
    if (problem_.empty()) problem_ = utf8;
    return false;
  }
  const std::string& problem() const { return problem_; }

 private:
  std::string_view rest_;
  int line_ = 1;
  std::string problem_;
};

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    const auto lower = [](unsigned char c) -> unsigned char {
      if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<unsigned char>(c + 32);
      return c;
    };
    if (lower(x) != lower(y)) return false;
  }
  return true;
}

}  // namespace

std::int32_t learnerSeconds(const ClassTest& test, std::string_view learner) {
  for (const TestLearner& l : test.learners) {
    if (l.seconds > 0 && sameName(l.name, learner)) return l.seconds;
  }
  return test.seconds;
}

std::string minutesText(std::int32_t seconds) {
  if (seconds % 60 == 0) {
    const std::int32_t minutes = seconds / 60;
    return std::to_string(minutes) + (minutes == 1 ? " Minute" : " Minuten");
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", seconds / 60.0);
  std::string out = text;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  std::replace(out.begin(), out.end(), '.', ',');
  return out + " Minuten";
}

std::string encodeClassTest(const ClassTest& test) {
  const auto u8 = [](std::string_view cp1252) { return escaped(cp1252ToUtf8(cp1252)); };
  std::string out(kFirstLine);
  out += "\n";
  out += "Kennung: " + escaped(test.id) + "\n";
  out += "Klasse: " + u8(test.className) + "\n";
  out += "Titel: " + u8(test.title) + "\n";
  out += "Form: " + std::to_string(test.form) + "\n";
  out += "Sekunden: " + std::to_string(test.seconds) + "\n";
  out += std::string("Korrektur: ") + (test.correctionAllowed ? "1" : "0") + "\n";
  out += "Versuche: " + std::to_string(test.attempts) + "\n";
  out += "Vorbereitet: " + clockText(test.prepared) + "\n";
  out += "Lernende: " + std::to_string(test.learners.size()) + "\n";
  for (const TestLearner& l : test.learners) {
    out += "Zeit: " + std::to_string(l.seconds) + "\n";
    out += "Name: " + u8(l.name) + "\n";
  }
  out += "Zeilen: " + std::to_string(test.lines.size()) + "\n";
  for (const std::string& line : test.lines) out += "Text: " + u8(line) + "\n";
  out += "Notenschl\xC3\xBCssel: " + escaped(test.gradeKey) + "\n";
  out += std::string(kSealLabel) + hex16(sealOf(out)) + "\n";
  return out;
}

TestFileError decodeClassTest(std::string_view bytes, ClassTest& test, std::string& reason) {
  const auto refuse = [&](TestFileError error, std::string_view utf8) {
    reason = w1252(utf8);
    return error;
  };
  if (bytes.size() > kLargestTestFile) return refuse(TestFileError::TooLarge, "Die Datei ist zu groß für eine Klassenarbeit.");
  if (bytes.substr(0, kFirstLine.size()) != kFirstLine || bytes.size() <= kFirstLine.size() ||
      bytes[kFirstLine.size()] != '\n' || bytes.find('\0') != std::string_view::npos) {
    return refuse(TestFileError::NotATest, "Die Datei ist keine Klassenarbeit von Klavento.");
  }
  // The seal is the last line and covers every byte before it.
  if (bytes.back() != '\n') return refuse(TestFileError::Altered, "Die Datei ist unvollständig oder wurde verändert.");
  const std::size_t sealLine = bytes.rfind('\n', bytes.size() - 2) + 1;
  const std::string_view seal = bytes.substr(sealLine, bytes.size() - 1 - sealLine);
  if (seal.substr(0, kSealLabel.size()) != kSealLabel) {
    return refuse(TestFileError::Altered, "Die Datei ist unvollständig oder wurde verändert.");
  }
  if (seal.substr(kSealLabel.size()) != hex16(sealOf(bytes.substr(0, sealLine)))) {
    return refuse(TestFileError::Altered,
                  "Die Datei wurde nach dem Vorbereiten verändert; ihr Siegel passt nicht mehr.");
  }
  if (!isValidUtf8(bytes)) return refuse(TestFileError::Invalid, "Die Datei ist beschädigt: kein gültiger Text.");

  ClassTest t;
  Reader r(bytes.substr(kFirstLine.size() + 1, sealLine - kFirstLine.size() - 1));
  std::int64_t n = 0;
  const auto invalid = [&]() {
    return refuse(TestFileError::Invalid, "Die Datei ist beschädigt: " + r.problem() + ".");
  };
  std::string value;
  if (!r.next("Kennung", t.id)) return invalid();
  if (t.id.size() != 16 || t.id.find_first_not_of("0123456789abcdef") != std::string::npos) {
    r.fail("die Kennung ist ungültig");
    return invalid();
  }
  if (!r.text("Klasse", t.className) || !r.text("Titel", t.title, true)) return invalid();
  if (t.className.empty() || t.className.size() > 40) {
    r.fail("der Name der Klasse fehlt oder ist zu lang");
    return invalid();
  }
  if (!r.number("Form", 3, 4, n)) return invalid();
  t.form = static_cast<int>(n);
  if (!r.number("Sekunden", 1, kLongestTest, n)) return invalid();
  t.seconds = static_cast<std::int32_t>(n);
  if (!r.number("Korrektur", 0, 1, n)) return invalid();
  t.correctionAllowed = n == 1;
  if (!r.number("Versuche", 1, kMostAttempts, n)) return invalid();
  t.attempts = static_cast<int>(n);
  if (!r.next("Vorbereitet", value)) return invalid();
  if (!parseClock(value, t.prepared)) {
    r.fail("der Zeitpunkt der Vorbereitung ist ungültig");
    return invalid();
  }
  if (!r.number("Lernende", 0, static_cast<std::int64_t>(kMostLearners), n)) return invalid();
  t.learners.resize(static_cast<std::size_t>(n));
  for (TestLearner& l : t.learners) {
    std::int64_t seconds = 0;
    if (!r.number("Zeit", 0, kLongestTest, seconds) || !r.text("Name", l.name)) return invalid();
    if (l.name.empty()) {
      r.fail("ein Name ist leer");
      return invalid();
    }
    l.seconds = static_cast<std::int32_t>(seconds);
  }
  if (!r.number("Zeilen", 1, static_cast<std::int64_t>(kMostTextLines), n)) return invalid();
  t.lines.resize(static_cast<std::size_t>(n));
  for (std::string& line : t.lines) {
    if (!r.text("Text", line, true)) return invalid();
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
      r.fail("eine Textzeile enthält einen Zeilenumbruch");
      return invalid();
    }
  }
  if (!r.next("Notenschl\xC3\xBCssel", t.gradeKey)) return invalid();
  if (!r.done()) {
    r.fail("nach dem Notenschlüssel folgt noch etwas");
    return invalid();
  }
  test = std::move(t);
  reason.clear();
  return TestFileError::None;
}

TestFileError readClassTestFile(const std::filesystem::path& file, ClassTest& test, std::string& reason) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (!ec && size > kLargestTestFile) {
    reason = w1252("Die Datei ist zu groß für eine Klassenarbeit.");
    return TestFileError::TooLarge;
  }
  std::string bytes;
  if (!readWholeFile(file, bytes, kLargestTestFile + 1)) {
    reason = w1252("Die Datei lässt sich nicht lesen.");
    return TestFileError::CannotRead;
  }
  return decodeClassTest(bytes, test, reason);
}

std::string testFileMessage(std::string_view shownPath, std::string_view reason) {
  return w1252("Die Klassenarbeit \u201E") + std::string(shownPath) + w1252("\u201C kann nicht geöffnet werden: ") +
         std::string(reason);
}

std::filesystem::path handInFolderOf(const std::filesystem::path& testFile) {
  std::filesystem::path name = testFile.stem();
  name += std::filesystem::path(std::u8string_view(u8" \u2013 Abgaben"));
  return testFile.parent_path() / name;
}

std::string testIdOf(std::uint64_t randomBits) { return hex16(randomBits); }

}  // namespace kv
