#include "tools/kvtool_builtin.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/encoding.h"
#include "texts/archive_builder.h"
#include "texts/builtin_texts.h"

namespace kv::tool {
namespace {

constexpr std::string_view kCourseKey = "grundkurs";
constexpr std::array<std::string_view, 2> kKeys = {kExamplesKey, kCourseKey};

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// Read and packed by the code that packs the program's copy, so kvtool shows
// the course exactly as the archive box offers it.
std::vector<std::uint8_t> courseImage() {
  std::vector<ArchiveText> texts;
  for (const CourseLesson& lesson : courseLessons()) {
    const std::optional<std::string> title = utf8ToCp1252(lesson.title);
    ArchiveText text;
    // A lesson refused here also fails the build's packing of the program's
    // copy; an empty image then reads as a damaged archive.
    if (!title || decodePackText(std::string(lesson.text), PackEncoding::Utf8, text.lines)) return {};
    text.title = *title;
    texts.push_back(std::move(text));
  }
  TextArchiveHeader header;
  resetHeader(header);
  header.archiveName = "Grundkurs";
  return encodeArchive(header, texts).value_or(std::vector<std::uint8_t>{});
}

// "a, b und c"
std::string knownKeys(std::string_view lastJoint) {
  std::string known;
  for (const std::string_view name : kKeys) {
    if (!known.empty()) known += name == kKeys.back() ? lastJoint : ", ";
    known += name;
  }
  return known;
}

}  // namespace

ArchiveError BuiltinArchive::readText(int n, std::vector<std::string>& lines) const {
  if (key == kExamplesKey) {
    BuiltinTextSource source;
    return source.readLines(n, lines) ? ArchiveError::None : ArchiveError::NoSuchText;
  }
  return readImageText(image, header, n, lines);
}

std::span<const std::string_view> builtinArchiveKeys() { return kKeys; }

std::optional<BuiltinArchive> openBuiltinArchive(std::string_view key) {
  const std::string lower = lowerAscii(key);
  BuiltinArchive archive;
  resetHeader(archive.header);
  if (lower == kExamplesKey) {
    archive.key = kExamplesKey;
    archive.display = "eingebautes Archiv";
    fillBuiltinHeader(archive.header);
    return archive;
  }
  if (lower == kCourseKey) {
    archive.key = kCourseKey;
    archive.display = "eingebauter Grundkurs";
    archive.image = courseImage();
    archive.problem = readArchiveImage(archive.image, archive.header);
    if (archive.problem != ArchiveError::None) resetHeader(archive.header);
    return archive;
  }
  return std::nullopt;
}

std::string builtinArchiveHelp() {
  return "Ein eingebautes Archiv statt einer Datei: " + knownKeys(" oder ") +
         " (mit Inhalt: kvtool archive list --builtin-archives)";
}

std::string unknownBuiltinArchiveMessage(std::string_view key) {
  return "Ein eingebautes Archiv \u201E" + std::string(key) + "\u201C gibt es nicht; es gibt " +
         knownKeys(" und ") + " (kvtool archive list --builtin-archives).";
}

}  // namespace kv::tool
