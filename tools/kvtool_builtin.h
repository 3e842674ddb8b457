// The archives kvtool carries, chosen by name on the command line: the example
// texts the program has built in ("beispiele", which --builtin alone has always
// meant) and the Grundkurs ("grundkurs"), so that teachers can list, print and
// extract the course their learners practise.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "texts/archive.h"
#include "texts/text_model.h"

namespace kv::tool {

// One lesson as texts/grundkurs holds it, the file's header taken apart:
// UTF-8, the text exactly as scripts/pack_grundkurs.py hands it to
// kvtool archive pack for the program's copy.
struct CourseLesson {
  std::string_view title;
  std::string_view text;
};

// The lessons in course order. The build writes this table from the lesson
// files (scripts/pack_grundkurs.py), the same files it packs into the program.
std::span<const CourseLesson> courseLessons();

struct BuiltinArchive {
  std::string key;      // its name on the command line
  std::string display;  // what messages call it, UTF-8
  TextArchiveHeader header;
  // The archive's bytes; empty for the example texts, which the program keeps
  // as texts rather than as an archive.
  std::vector<std::uint8_t> image;
  // Why the header could not be read from the image; it is reset then.
  ArchiveError problem = ArchiveError::None;

  // Text n (1-based), Windows-1252.
  ArchiveError readText(int n, std::vector<std::string>& lines) const;
};

// The names --builtin-archive takes, in the order kvtool lists them.
std::span<const std::string_view> builtinArchiveKeys();
// The key --builtin alone stands for.
inline constexpr std::string_view kExamplesKey = "beispiele";

// Nothing for a name kvtool does not know; letter case does not matter.
std::optional<BuiltinArchive> openBuiltinArchive(std::string_view key);

// The help text of --builtin-archive, naming the archives, UTF-8.
std::string builtinArchiveHelp();

// "Ein eingebautes Archiv „x“ gibt es nicht; …" naming the known ones, UTF-8.
std::string unknownBuiltinArchiveMessage(std::string_view key);

}  // namespace kv::tool
