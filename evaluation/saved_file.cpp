#include "evaluation/saved_file.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "core/bytes.h"
#include "core/settings.h"
#include "evaluation/summary.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "texts/checksum.h"

namespace kv {
namespace {

constexpr std::size_t kDateAt = 12;
constexpr std::size_t kPlainAt = 20;
constexpr std::size_t kStoredAt = 24;
constexpr std::size_t kProductAt = 28;
constexpr std::size_t kWidthAt = 32;
constexpr std::size_t kKeyCheckAt = 36;

// Years 1 to 9999 in days since 30 December 1899.
constexpr double kFirstDay = -693593;
constexpr double kLastDay = 2958465;

std::uint32_t checksumOf(std::span<const std::uint8_t> bytes) {
  return stringChecksum(0, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

ResultKeystream::ResultKeystream(std::uint32_t dateSeal, std::uint32_t keySeal,
                                 std::uint32_t summarySeal)
    : state_(dateSeal),
      keySeal_(keySeal),
      // A summary seal of 0 cannot divide; such a result (one in 2^32) is
      // scrambled with divisor 1 on writing and reading alike.
      summarySeal_(summarySeal == 0 ? 1 : summarySeal) {}

std::uint8_t ResultKeystream::next() {
  ++counter_;
  state_ = ((keySeal_ * counter_ + counter_ + state_) / summarySeal_ + counter_ * summarySeal_) %
           4294967295u;
  return static_cast<std::uint8_t>(state_ & 0xFF);
}

std::string encodeResultFile(const std::vector<std::string>& lines, const TypedExercise& seals,
                             std::int32_t longestLine) {
  std::string file(kResultFileHeaderSize, '\0');
  std::memcpy(file.data(), kResultIdentification.data(), kResultIdentification.size());
  std::memcpy(file.data() + kDateAt, seals.headerBlock.data() + kDateAt, 8);
  std::memcpy(file.data() + kProductAt, seals.headerBlock.data() + kProductAt, 4);

  ResultKeystream keystream(seals.dateSeal, seals.keySeal, seals.summarySeal);
  std::uint32_t plain = 0;
  std::uint32_t stored = 0;
  for (const std::string& line : lines) {
    const std::string withEnd = line + "\r\n";
    plain = stringChecksum(plain, withEnd);
    std::string scrambled = withEnd;
    for (char& c : scrambled) c = static_cast<char>(static_cast<std::uint8_t>(c) ^ keystream.next());
    stored = stringChecksum(stored, scrambled);
    file += scrambled;
  }
  putLe32(file, kPlainAt, plain);
  putLe32(file, kStoredAt, stored);
  putLe32(file, kWidthAt, static_cast<std::uint32_t>(longestLine) ^ plain ^ stored);
  putLe32(file, kKeyCheckAt, stringChecksum(seals.keySeal, "0"));
  return file;
}

std::string encodeTextExport(const std::vector<std::string>& lines, std::int32_t typedLineCount) {
  std::string out;
  if (lines.size() <= kResultHeaderLines) return out;
  const std::size_t count = typedLineCount > 0 ? static_cast<std::size_t>(typedLineCount) : 0;
  const std::size_t end = std::min(lines.size(), kResultHeaderLines + count);
  for (std::size_t i = kResultHeaderLines; i < end; ++i) {
    std::string line;
    for (char c : lines[i]) {
      if (c != kMarkByte) line.push_back(c);
    }
    if (line.empty()) continue;
    out += line;
    out += "\r\n";
  }
  return out;
}

ResultFileError decodeResultFile(std::span<const std::uint8_t> bytes, OpenedResult& result) {
  if (bytes.size() < kResultFileHeaderSize) return ResultFileError::TooShort;
  const std::string_view id(reinterpret_cast<const char*>(bytes.data()), 12);
  const bool old = id == kOldResultIdentification;
  if (id != kResultIdentification && !old) return ResultFileError::UnknownIdentification;

  const std::uint32_t base = old ? stringChecksum(0, uiWord(23))
                                 : productSealBase(kResultIdentification);
  const std::uint32_t keySeal = getLe32(bytes, kProductAt) ^ base;

  const auto body = bytes.subspan(kResultFileHeaderSize);
  const std::uint32_t stored = getLe32(bytes, kStoredAt);
  if (checksumOf(body) != stored) return ResultFileError::StoredChecksum;
  if (stringChecksum(keySeal, "0") != getLe32(bytes, kKeyCheckAt)) return ResultFileError::KeyCheck;

  const std::uint64_t dayBits = (getLe32(bytes, kDateAt) ^ keySeal) |
                                (static_cast<std::uint64_t>(getLe32(bytes, kDateAt + 4) ^ keySeal) << 32);
  const double day = std::bit_cast<double>(dayBits);
  if (!std::isfinite(day) || day < kFirstDay || day > kLastDay) return ResultFileError::BadDate;
  const CalendarDate date = dateFromDays(static_cast<std::int32_t>(std::floor(day)));
  const std::uint32_t dateSeal = computeDateSeal(date);
  const std::uint32_t summarySeal = computeSummarySeal(dateSeal, keySeal);

  ResultKeystream keystream(dateSeal, keySeal, summarySeal);
  std::string text(body.size(), '\0');
  for (std::size_t i = 0; i < body.size(); ++i) {
    text[i] = static_cast<char>(body[i] ^ keystream.next());
  }
  const std::uint32_t plain = getLe32(bytes, kPlainAt);
  if (stringChecksum(0, text) != plain) return ResultFileError::PlainChecksum;

  OpenedResult out;
  out.compatibility = old;
  out.longestLine = static_cast<std::int32_t>(getLe32(bytes, kWidthAt) ^ plain ^ stored);
  out.date = date;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find("\r\n", begin);
    if (end == std::string::npos) end = text.size();
    out.lines.push_back(text.substr(begin, end - begin));
    begin = end + 2;
  }
  if (out.lines.size() < kMinResultLines) out.lines.resize(kMinResultLines);
  result = std::move(out);
  return ResultFileError::None;
}

std::string compatibilityViewNotice() {
  return w1252("Diese Datei wurde mit Klavento 5.0 erzeugt. In der Kompatibilitätsansicht stehen nicht alle "
               "Funktionen zur Verfügung.");
}

std::string resultFileErrorMessage(ResultFileError error, std::string_view path) {
  const std::string name(path);
  switch (error) {
    case ResultFileError::None:
      return {};
    case ResultFileError::CannotRead:
      return w1252("Die Datei \"") + name + w1252("\" kann nicht gelesen werden.");
    case ResultFileError::TooShort:
    case ResultFileError::UnknownIdentification:
      return w1252("Die Datei \"") + name + w1252("\" ist keine Klavento-Übungsdatei.");
    default:
      return w1252("Die Datei \"") + name +
             w1252("\" ist beschädigt oder wurde verändert und kann nicht geöffnet werden.");
  }
}

namespace {

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

// The extension with its dot, of the last path component; empty when none.
std::string_view extensionOf(std::string_view name) {
  const auto slash = name.find_last_of("\\/");
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return name.substr(dot);
}

}  // namespace

std::string completeSaveName(std::string_view name) {
  std::string out(name);
  const std::string ext = lowerAscii(extensionOf(name));
  if (ext.empty()) return out + ".kvw";
  if (ext == ".") return out + "kvw";
  if (ext == ".kvw" || ext == ".txt") return out;
  return out + ".kvw";
}

bool isTextExportName(std::string_view name) { return lowerAscii(extensionOf(name)) == ".txt"; }

AtomicWriteResult saveResultFile(std::string_view path, const std::vector<std::string>& lines,
                    const TypedExercise& seals, std::int32_t longestLine,
                    std::int32_t typedLineCount) {
  std::string bytes;
  if (isTextExportName(path)) {
    // A list of only header lines has no typed text to export.
    if (lines.size() > kResultHeaderLines) bytes = encodeTextExport(lines, typedLineCount);
  } else {
    bytes = encodeResultFile(lines, seals, longestLine);
  }
  return writeFileAtomically(pathFromCp1252(path), bytes, {});
}

ResultFileError openResultFile(std::string_view path, OpenedResult& result) {
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(pathFromCp1252(path), bytes)) return ResultFileError::CannotRead;
  return decodeResultFile(bytes, result);
}

}  // namespace kv
