#include "texts/archive_builder.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "keyboard/typable.h"
#include "platform/encoding.h"
#include "texts/text_model.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string inGermanQuotes(std::string_view utf8) { return "\u201E" + std::string(utf8) + "\u201C"; }

// The whole UTF-8 sequence that starts at `offset`.
std::string utf8SequenceAt(std::string_view text, std::size_t offset) {
  std::size_t end = offset + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return std::string(text.substr(offset, end - offset));
}

std::string codePointText(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

std::string describeNonText(unsigned char c) {
  if (c == '\t') return "Tabulatorzeichen; bitte durch Leerzeichen ersetzen.";
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(c));
  if (c < 32 || c == 127) return std::string("Steuerzeichen (Byte ") + buf + ").";
  return std::string("Das Byte ") + buf + " ist in Windows-1252 kein Zeichen.";
}

PackProblem problemAt(std::size_t line, std::size_t column, std::string reason) {
  PackProblem p;
  p.line = line;
  p.column = column;
  p.reason = std::move(reason);
  return p;
}

}  // namespace

std::string packPlace(const std::string& display, const PackProblem& problem) {
  std::string text = display;
  if (problem.line > 0) text += ", Zeile " + std::to_string(problem.line);
  if (problem.line > 0 && problem.column > 0) text += ", Spalte " + std::to_string(problem.column);
  return text + ": ";
}

std::optional<PackProblem> readPackFile(const fs::path& path, std::string& bytes) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return problemAt(0, 0, "Die Datei gibt es nicht oder sie ist keine Datei.");
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return problemAt(0, 0, "Die Datei lässt sich nicht lesen.");
  if (size > kPackFileMax) {
    return problemAt(0, 0, "Die Datei ist zu groß für einen Übungstext (" + std::to_string(size) + " Bytes).");
  }
  std::ifstream in(path, std::ios::binary);
  bytes.assign(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (!in || static_cast<std::uintmax_t>(in.gcount()) != size) {
    return problemAt(0, 0, "Die Datei lässt sich nicht lesen.");
  }
  return std::nullopt;
}

std::optional<PackProblem> decodePackText(std::string bytes, PackEncoding encoding, std::vector<std::string>& lines) {
  lines.clear();
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (encoding != PackEncoding::Windows1252 && bytes.starts_with(kBom)) {
    bytes.erase(0, kBom.size());
    encoding = PackEncoding::Utf8;
  }
  if (encoding == PackEncoding::Auto) {
    encoding = isValidUtf8(bytes) ? PackEncoding::Utf8 : PackEncoding::Windows1252;
  }
  std::vector<std::string> raw;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    raw.push_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) raw.push_back(bytes.substr(start));
  while (!raw.empty() && raw.back().empty()) raw.pop_back();
  if (raw.empty()) return problemAt(0, 0, "Die Datei enthält keinen Text.");
  if (raw.size() > static_cast<std::size_t>(kMaxTextLines)) {
    return problemAt(0, 0, "Der Text hat " + std::to_string(raw.size()) + " Zeilen; erlaubt sind höchstens " +
                               std::to_string(kMaxTextLines) + ".");
  }

  std::vector<std::string> decoded;
  decoded.reserve(raw.size());
  for (std::size_t k = 0; k < raw.size(); ++k) {
    std::string line = std::move(raw[k]);
    if (encoding == PackEncoding::Utf8) {
      ConversionError error;
      std::optional<std::string> converted = utf8ToCp1252(line, &error);
      if (!converted) {
        if (error.malformed) {
          PackProblem p = problemAt(k + 1, error.character + 1,
                                    "Ungültige UTF-8-Bytefolge. Ist die Datei in einer anderen Kodierung gespeichert?");
          p.notUtf8 = true;
          return p;
        }
        const std::string shown = error.codePoint >= 0x20 ? " " + inGermanQuotes(utf8SequenceAt(line, error.offset)) : "";
        return problemAt(k + 1, error.character + 1,
                         "Das Zeichen " + codePointText(error.codePoint) + shown +
                             " gibt es in Windows-1252 nicht; Übungstexte können es nicht enthalten.");
      }
      line = std::move(*converted);
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
      const auto c = static_cast<unsigned char>(line[i]);
      if (!isTextCharacter(c)) return problemAt(k + 1, i + 1, describeNonText(c));
    }
    if (line.size() > kPackLineMax) {
      return problemAt(k + 1, 0,
                       "Die Zeile hat " + std::to_string(line.size()) + " Zeichen; für das Übungsfenster sind höchstens " +
                           std::to_string(kPackLineMax) + " erlaubt.");
    }
    decoded.push_back(std::move(line));
  }
  lines = std::move(decoded);
  return std::nullopt;
}

std::optional<PackProblem> readPackText(const fs::path& path, PackEncoding encoding, std::vector<std::string>& lines) {
  std::string bytes;
  if (auto problem = readPackFile(path, bytes)) return problem;
  return decodePackText(std::move(bytes), encoding, lines);
}

std::optional<std::string> archiveNameProblem(const std::string& name) {
  if (name.empty()) return "Das Archiv hat keinen Namen.";
  if (!std::all_of(name.begin(), name.end(), [](char c) { return isTextCharacter(static_cast<unsigned char>(c)); })) {
    return "Der Archivname enthält ein Steuerzeichen.";
  }
  if (name.size() > kArchiveNameMax) {
    return "Der Archivname " + inGermanQuotes(cp1252ToUtf8(name)) + " hat " + std::to_string(name.size()) +
           " Zeichen; erlaubt sind höchstens " + std::to_string(kArchiveNameMax) + ".";
  }
  return std::nullopt;
}

TitleFault titleFault(const std::string& title) {
  if (title.empty()) return TitleFault::Empty;
  for (char c : title) {
    if (!isTextCharacter(static_cast<unsigned char>(c))) return TitleFault::ControlCharacter;
  }
  return title.size() > kTitleMax ? TitleFault::TooLong : TitleFault::None;
}

std::string titleTooLongReason(const std::string& title) {
  return "Der Titel " + inGermanQuotes(cp1252ToUtf8(title)) + " hat " + std::to_string(title.size()) +
         " Zeichen; erlaubt sind höchstens " + std::to_string(kTitleMax) + ".";
}

std::optional<std::string> textCountProblem(std::size_t count) {
  if (count == 0) return "Keine Textdateien angegeben.";
  if (count > kMaxTexts) {
    return "Zu viele Textdateien: " + std::to_string(count) + "; ein Archiv fasst höchstens " +
           std::to_string(kMaxTexts) + " Texte.";
  }
  return std::nullopt;
}

namespace {

void addUntypable(std::string_view line, std::string& shown) {
  for (const std::size_t at : untypablePositions(line)) {
    const std::string c = cp1252ToUtf8(line.substr(at, 1));
    if (shown.find(c) == std::string::npos) shown += (shown.empty() ? "" : " ") + c;
  }
}

}  // namespace

std::string untypableShown(std::string_view line) {
  std::string shown;
  addUntypable(line, shown);
  return shown;
}

std::string untypableShown(const std::vector<std::string>& lines) {
  std::string shown;
  for (const std::string& line : lines) addUntypable(line, shown);
  return shown;
}

std::optional<std::string> useKeyboardCharacters(std::string& line) {
  std::string replaced = withKeyboardCharacters(line);
  if (replaced.size() > kPackLineMax) {
    return "Mit den Ersatzzeichen wird die Zeile länger als " + std::to_string(kPackLineMax) + " Zeichen.";
  }
  line = std::move(replaced);
  return std::nullopt;
}

std::optional<AtomicWriteResult> writeTextArchive(const fs::path& path, const std::string& name,
                                                  const std::vector<ArchiveText>& texts) {
  TextArchiveHeader header;
  resetHeader(header);
  header.archiveName = name;
  const std::optional<std::vector<std::uint8_t>> image = encodeArchive(header, texts);
  if (!image) return std::nullopt;
  const auto readsBack = [&texts](const fs::path& temp) {
    TextArchiveHeader written;
    bool same = readArchiveFile(temp, written) == ArchiveError::None && written.textCount == texts.size();
    for (std::size_t i = 0; same && i < texts.size(); ++i) {
      std::vector<std::string> lines;
      same = readArchiveFileText(temp, written, static_cast<int>(i + 1), lines) == ArchiveError::None &&
             lines == texts[i].lines && written.entries[i].title == texts[i].title;
    }
    return same;
  };
  const std::string_view bytes(reinterpret_cast<const char*>(image->data()), image->size());
  return writeFileAtomically(path, bytes, readsBack);
}

}  // namespace kv
