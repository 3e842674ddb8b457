#include "texts/text_model.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "core/bytes.h"
#include "core/common.h"
#include "texts/checksum.h"

namespace kv {
namespace {

static_assert(kEntriesOffset + kMaxTexts * kEntrySize == 51376);

constexpr std::size_t kRecordSizeAt = 0;
constexpr std::size_t kSignatureAt = 4;
constexpr std::size_t kVersionAt = 16;
constexpr std::size_t kNameAt = 20;
constexpr std::size_t kCreatedAt = 85;
constexpr std::size_t kModifiedAt = 93;
constexpr std::size_t kTextCountAt = 125;
constexpr std::size_t kArchiveIdAt = 51376;

constexpr std::size_t kTitleAt = 0;
constexpr std::size_t kCharCountAt = 33;
constexpr std::size_t kLineCountAt = 37;
constexpr std::size_t kTextIdAt = 193;

void putDouble(HeaderBytes& b, std::size_t at, double d) {
  const auto bits = std::bit_cast<std::uint64_t>(d);
  putLe32(b, at, static_cast<std::uint32_t>(bits));
  putLe32(b, at + 4, static_cast<std::uint32_t>(bits >> 32));
}

double getDouble(std::span<const std::uint8_t> b, std::size_t at) {
  const std::uint64_t bits = getLe32(b, at) | (static_cast<std::uint64_t>(getLe32(b, at + 4)) << 32);
  return std::bit_cast<double>(bits);
}

void putShortString(HeaderBytes& b, std::size_t at, std::string_view s, std::size_t capacity) {
  const std::size_t n = std::min(s.size(), capacity);
  b[at] = static_cast<std::uint8_t>(n);
  std::memcpy(b.data() + at + 1, s.data(), n);
}

bool getShortString(std::span<const std::uint8_t> b, std::size_t at, std::size_t capacity,
                    std::string& s) {
  const std::size_t n = b[at];
  if (n > capacity) return false;
  s.assign(reinterpret_cast<const char*>(b.data() + at + 1), n);
  return true;
}

std::uint32_t randomIdentifier(std::int32_t createdDays, std::mt19937& random) {
  std::uniform_int_distribution<int> pick(0, 222);
  std::string chars(255, '\0');
  for (char& c : chars) c = static_cast<char>(pick(random) + 32);
  return stringChecksum(static_cast<std::uint32_t>(createdDays), chars);
}

}  // namespace

HeaderBytes encodeHeader(const TextArchiveHeader& h) {
  HeaderBytes b{};
  putLe32(b, kRecordSizeAt, static_cast<std::uint32_t>(h.recordSize));
  std::memcpy(b.data() + kSignatureAt, h.signature.data(), std::min<std::size_t>(h.signature.size(), 12));
  putLe32(b, kVersionAt, static_cast<std::uint32_t>(h.formatVersion));
  putShortString(b, kNameAt, h.archiveName, kArchiveNameMax);
  putDouble(b, kCreatedAt, h.created);
  putDouble(b, kModifiedAt, h.modified);
  b[kTextCountAt] = h.textCount;
  for (std::size_t i = 0; i < kMaxTexts; ++i) {
    const TextEntry& e = h.entries[i];
    const std::size_t at = kEntriesOffset + i * kEntrySize;
    putShortString(b, at + kTitleAt, e.title, kTitleMax);
    putLe32(b, at + kCharCountAt, static_cast<std::uint32_t>(e.charCount));
    putLe32(b, at + kLineCountAt, static_cast<std::uint32_t>(e.lineCount));
    putLe32(b, at + kTextIdAt, e.textId);
  }
  putLe32(b, kArchiveIdAt, h.archiveId);
  return b;
}

bool decodeHeader(std::span<const std::uint8_t> b, TextArchiveHeader& h) {
  if (b.size() < kHeaderSize) return false;
  TextArchiveHeader out;
  out.recordSize = static_cast<std::int32_t>(getLe32(b, kRecordSizeAt));
  out.signature.assign(reinterpret_cast<const char*>(b.data() + kSignatureAt), 12);
  out.formatVersion = static_cast<std::int32_t>(getLe32(b, kVersionAt));
  if (!getShortString(b, kNameAt, kArchiveNameMax, out.archiveName)) return false;
  out.created = getDouble(b, kCreatedAt);
  out.modified = getDouble(b, kModifiedAt);
  out.textCount = b[kTextCountAt];
  if (out.textCount > kMaxTexts) return false;
  for (std::size_t i = 0; i < kMaxTexts; ++i) {
    TextEntry& e = out.entries[i];
    const std::size_t at = kEntriesOffset + i * kEntrySize;
    if (!getShortString(b, at + kTitleAt, kTitleMax, e.title)) return false;
    e.charCount = static_cast<std::int32_t>(getLe32(b, at + kCharCountAt));
    e.lineCount = static_cast<std::int32_t>(getLe32(b, at + kLineCountAt));
    e.textId = getLe32(b, at + kTextIdAt);
  }
  out.archiveId = getLe32(b, kArchiveIdAt);
  h = std::move(out);
  return true;
}

void resetHeader(TextArchiveHeader& header, std::int32_t createdDays, std::mt19937& random) {
  header = TextArchiveHeader{};
  header.created = createdDays;
  header.modified = header.created;
  for (TextEntry& e : header.entries) e.textId = randomIdentifier(createdDays, random);
  header.archiveId = randomIdentifier(createdDays, random);
}

void resetHeader(TextArchiveHeader& header) {
  static std::mt19937 random{std::random_device{}()};
  resetHeader(header, daysSince1899(todayLocal()), random);
}

bool loadText(TextSource& source, int n, bool withSelection, const LineSelection& selection,
              CurrentText& text) {
  text.longestLine = 0;
  text.totalKeystrokes = 0;
  text.lines.clear();
  const bool ok = source.readLines(n, text.lines);
  for (const std::string& line : text.lines) {
    text.longestLine = std::max(text.longestLine, static_cast<std::int32_t>(line.size()));
  }
  if (!ok) return false;
  if (withSelection) applyLineSelection(selection, text);
  return true;
}

void applyLineSelection(const LineSelection& sel, CurrentText& text) {
  text.totalKeystrokes = 0;
  std::vector<std::string>& lines = text.lines;
  if (lines.empty()) return;
  if (sel.lastLine > 0 && lines.size() > static_cast<std::size_t>(sel.lastLine)) {
    lines.resize(static_cast<std::size_t>(sel.lastLine));
  }
  if (sel.firstLine > 1 && !lines.empty()) {
    const auto drop = std::min(lines.size(), static_cast<std::size_t>(sel.firstLine - 1));
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(drop));
  }
  if (sel.repetitions > 1 && !lines.empty()) {
    const std::size_t m = lines.size();
    const auto reps = static_cast<std::size_t>(sel.repetitions);
    if (sel.repeatMode == static_cast<std::int32_t>(TextRepeatMode::EachLine)) {
      for (std::size_t i = 0; i < m && lines.size() < kMaxExerciseLines; ++i) {
        const std::size_t at = i * reps;
        const std::string line = lines[at];
        for (std::size_t k = 1; k < reps && lines.size() < kMaxExerciseLines; ++k) {
          lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
        }
      }
    } else if (sel.repeatMode == static_cast<std::int32_t>(TextRepeatMode::WholeText)) {
      for (std::size_t r = 1; r < reps && lines.size() < kMaxExerciseLines; ++r) {
        for (std::size_t i = 0; i < m && lines.size() < kMaxExerciseLines; ++i) {
          lines.push_back(lines[i]);
        }
      }
    }
  }
  std::int64_t total = 0;
  for (const std::string& line : lines) total += countKeystrokes(line);
  total += static_cast<std::int64_t>(lines.size()) - 1;
  text.totalKeystrokes = static_cast<std::int32_t>(
      std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
}

int countKeystrokes(unsigned char c) {
  if (c == 13) return 1;
  if (c < 32) return 0;
  if (c == ' ' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')) return 1;
  switch (c) {
    case 35: case 43: case 44: case 45: case 46: case 60: case 94:
    case 180: case 223: case 228: case 246: case 252:
      return 1;
    case 33: case 34: case 36: case 37: case 38: case 39: case 40: case 41:
    case 42: case 47: case 58: case 59: case 61: case 62: case 63: case 95:
    case 96: case 167: case 176: case 196: case 214: case 220:
      return 2;
    default:
      break;
  }
  if (c >= 'A' && c <= 'Z') return 2;
  return 3;
}

std::int32_t countKeystrokes(std::string_view line) {
  std::int64_t sum = 0;
  for (char c : line) sum += countKeystrokes(static_cast<unsigned char>(c));
  return static_cast<std::int32_t>(std::min<std::int64_t>(sum, std::numeric_limits<std::int32_t>::max()));
}

std::int32_t parseDigits(std::string_view text) {
  std::int64_t value = 0;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  for (char c : text) {
    if (c < '0' || c > '9') continue;
    value = std::min(kMax, value * 10 + (c - '0'));
  }
  return static_cast<std::int32_t>(value);
}

std::string trimName(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  return std::string(text);
}

std::string archiveEntry(std::string_view archiveName, std::string_view path) {
  std::string name = trimName(archiveName).substr(0, kArchiveNameMax);
  name.resize(kArchiveNameMax, ' ');
  return name + std::string(path);
}

}  // namespace kv
