// The built-in typing course: a lesson that asks for a key the learner has
// not been shown yet, or for a modifier no lesson has taught, teaches the
// wrong habit in the first weeks. The texts are edited by hand, so every
// lesson is checked against the keyboard model the program lights up.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "keyboard/key_table.h"
#include "platform/encoding.h"
#include "texts/archive.h"
#include "texts/text_model.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// Where the course's stages begin. Before the capitals no finger has learnt
// to hold Shift, before the third-level lessons nobody reaches for AltGr.
constexpr int kLeftCapitalsLesson = 13;   // capitals of left-hand keys: right Shift
constexpr int kRightCapitalsLesson = 14;  // capitals of right-hand keys: left Shift
constexpr int kFirstAltGrLesson = 24;

// The course's own rule, well inside the archive's: a line is taken in at a
// glance and never wraps in a narrow window.
constexpr std::size_t kMaxCourseLineLength = 60;

// A drill lesson practises a few keys; a text lesson (nothing new) is longer.
constexpr std::size_t kMinDrillLines = 8;
constexpr std::size_t kMaxDrillLines = 16;
constexpr std::size_t kMinTextLines = 15;
constexpr std::size_t kMaxTextLines = 30;

const fs::path kCourseFolder = fs::path(KV_SOURCE_DIR) / "texts" / "grundkurs";

struct Lesson {
  int number = 0;
  std::string file;
  std::vector<std::string> rawLines;  // UTF-8 as stored, header included
  // Windows-1252, filled when the header parsed and every line converted.
  bool parsed = false;
  std::string title;
  std::string introduced;
  std::vector<std::string> lines;
};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// For messages: the Windows-1252 byte as the reader sees it in the file.
std::string shown(unsigned char ch) {
  if (ch == '\r') return "CR";
  if (ch == '\t') return "TAB";
  return "'" + cp1252ToUtf8(std::string(1, static_cast<char>(ch))) + "'";
}

std::string where(const Lesson& lesson, std::size_t bodyLine) {
  // Body line 0 is line 4 of the file.
  return lesson.file + ":" + std::to_string(bodyLine + 4);
}

// Parses what it can and reports every format fault it meets, so one run
// shows all broken lessons instead of stopping at the first.
Lesson parseLesson(int number, const fs::path& path) {
  Lesson lesson;
  lesson.number = number;
  lesson.file = path.filename().string();
  lesson.rawLines = splitLines(readFile(path));
  const auto& raw = lesson.rawLines;

  bool ok = true;
  std::vector<std::string> converted;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    ConversionError error;
    const std::optional<std::string> line = utf8ToCp1252(raw[i], &error);
    if (!line) {
      ADD_FAILURE() << lesson.file << ":" << i + 1 << ": character " << error.character + 1
                    << (error.malformed ? " is not valid UTF-8" : " is not in Windows-1252");
      ok = false;
      converted.emplace_back();
      continue;
    }
    converted.push_back(*line);
  }
  if (!ok) return lesson;
  if (converted.size() < 3) {
    ADD_FAILURE() << lesson.file << ": no header";
    return lesson;
  }

  const std::string titlePrefix = "Titel: ";
  if (converted[0].rfind(titlePrefix, 0) != 0) {
    ADD_FAILURE() << lesson.file << ":1 does not start with \"" << titlePrefix << "\"";
    return lesson;
  }
  lesson.title = converted[0].substr(titlePrefix.size());

  // "Neu:" alone for the text lessons, otherwise one blank and the keys.
  const std::string& neu = converted[1];
  if (neu == "Neu:") {
    lesson.introduced.clear();
  } else if (neu.rfind("Neu: ", 0) == 0 && neu.size() > 5) {
    lesson.introduced = neu.substr(5);
  } else {
    ADD_FAILURE() << lesson.file << ":2 is not \"Neu:\" followed by the new keys";
    return lesson;
  }
  if (!converted[2].empty()) {
    ADD_FAILURE() << lesson.file << ":3 is not empty";
    return lesson;
  }

  lesson.lines.assign(converted.begin() + 3, converted.end());
  lesson.parsed = true;
  return lesson;
}

// Every lesson of the folder in course order. A file that looks like a lesson
// but is not named like one would silently drop out of the course: it fails.
const std::vector<Lesson>& course() {
  static const std::vector<Lesson> lessons = [] {
    std::map<int, fs::path> found;
    const std::regex name("lektion-([0-9]{2})\\.txt");
    for (const fs::directory_entry& entry : fs::directory_iterator(kCourseFolder)) {
      const std::string file = entry.path().filename().string();
      std::smatch match;
      if (!entry.is_regular_file() || !std::regex_match(file, match, name)) {
        ADD_FAILURE() << "not a lesson file: " << file;
        continue;
      }
      found[std::stoi(match[1].str())] = entry.path();
    }
    std::vector<Lesson> result;
    int expected = 1;
    for (const auto& [number, path] : found) {
      if (number != expected) {
        ADD_FAILURE() << "lesson " << expected << " is missing before " << path.filename();
      }
      result.push_back(parseLesson(number, path));
      expected = number + 1;
    }
    return result;
  }();
  return lessons;
}

const KeyTable& germanKeys() {
  static KeyTable table;
  static const bool built = [] {
    RebuildKeyTable(table);
    return true;
  }();
  (void)built;
  return table;
}

bool needsShift(ModifierCode code) {
  return code == ModifierCode::LeftShift || code == ModifierCode::RightShift;
}

bool needsAltGr(ModifierCode code) {
  return code == ModifierCode::AltGr || code == ModifierCode::CtrlAlt;
}

// ---------------------------------------------------------------------------

TEST(Grundkurs, FolderHoldsANumberedCourse) {
  ASSERT_TRUE(fs::is_directory(kCourseFolder)) << kCourseFolder;
  const std::vector<Lesson>& lessons = course();
  // The numbering check sees gaps, not lessons lost at the end.
  EXPECT_GE(lessons.size(), 30u);
  for (const Lesson& lesson : lessons) EXPECT_TRUE(lesson.parsed) << lesson.file;
}

TEST(Grundkurs, EveryLessonKeepsTheFileFormat) {
  for (const Lesson& lesson : course()) {
    if (!lesson.parsed) continue;
    SCOPED_TRACE(lesson.file);

    const std::string number = (lesson.number < 10 ? "0" : "") + std::to_string(lesson.number);
    const std::string prefix = "Lektion " + number + ": ";
    EXPECT_EQ(lesson.title.rfind(prefix, 0), 0u) << "title \"" << cp1252ToUtf8(lesson.title)
                                                 << "\" does not start with \"" << prefix << "\"";
    EXPECT_GT(lesson.title.size(), prefix.size()) << "the title names nothing";
    EXPECT_LE(lesson.title.size(), kTitleMax) << cp1252ToUtf8(lesson.title);

    for (std::size_t i = 0; i < 2; ++i) {
      const std::string& header = lesson.rawLines[i];
      EXPECT_TRUE(header.empty() || header.back() != ' ')
          << lesson.file << ":" << i + 1 << " ends with a blank";
    }

    const bool drill = !lesson.introduced.empty();
    const std::size_t lineCount = lesson.lines.size();
    if (drill) {
      EXPECT_GE(lineCount, kMinDrillLines);
      EXPECT_LE(lineCount, kMaxDrillLines);
    } else {
      EXPECT_GE(lineCount, kMinTextLines);
      EXPECT_LE(lineCount, kMaxTextLines);
    }

    for (std::size_t i = 0; i < lineCount; ++i) {
      const std::string& line = lesson.lines[i];
      // An empty line would be a bare Enter to type; the file's closing
      // newline makes none, a blank line at the end does.
      EXPECT_FALSE(line.empty()) << where(lesson, i) << " is empty";
      if (line.empty()) continue;
      EXPECT_LE(line.size(), kMaxCourseLineLength) << where(lesson, i);
      // Blanks at either end are invisible on screen but still have to be typed.
      EXPECT_NE(line.front(), ' ') << where(lesson, i) << " starts with a blank";
      EXPECT_NE(line.back(), ' ') << where(lesson, i) << " ends with a blank";
    }
  }
}

// The heart of the course: each lesson practises only what has been shown.
TEST(Grundkurs, LessonsUseOnlyKeysTaughtSoFar) {
  std::map<unsigned char, int> taughtIn;
  for (const Lesson& lesson : course()) {
    if (!lesson.parsed) continue;
    SCOPED_TRACE(lesson.file);

    for (const char c : lesson.introduced) {
      const auto ch = static_cast<unsigned char>(c);
      EXPECT_NE(ch, ' ') << "the space bar is always allowed and never listed";
      const auto [it, inserted] = taughtIn.emplace(ch, lesson.number);
      EXPECT_TRUE(inserted) << shown(ch) << " was already introduced in lesson " << it->second;
    }

    for (std::size_t i = 0; i < lesson.lines.size(); ++i) {
      std::string unknown;  // each character once, however often the line has it
      for (const char c : lesson.lines[i]) {
        const auto ch = static_cast<unsigned char>(c);
        if (ch == ' ' || taughtIn.contains(ch) || unknown.find(c) != std::string::npos) continue;
        unknown += c;
      }
      EXPECT_EQ(unknown, "") << where(lesson, i) << ": not introduced yet: "
                             << cp1252ToUtf8(unknown);
    }

    // A key that is announced but never typed is not learnt in this lesson.
    for (const char c : lesson.introduced) {
      const bool practised =
          std::any_of(lesson.lines.begin(), lesson.lines.end(), [c](const std::string& line) {
            return line.find(c) != std::string::npos;
          });
      EXPECT_TRUE(practised) << shown(static_cast<unsigned char>(c)) << " is new but never typed";
    }
  }
}

// Every character must be one the on-screen keyboard can show, and must not
// need a modifier before the lessons that teach holding it.
TEST(Grundkurs, EveryCharacterHasAKeyAndATaughtModifier) {
  const KeyTable& keys = germanKeys();
  ASSERT_EQ(keys.count, kGermanKeyEntries);
  for (const Lesson& lesson : course()) {
    if (!lesson.parsed) continue;
    SCOPED_TRACE(lesson.file);

    std::vector<std::string> texts = lesson.lines;
    texts.push_back(lesson.introduced);
    for (const std::string& text : texts) {
      for (const char c : text) {
        const auto ch = static_cast<unsigned char>(c);
        const int index = FindKey(keys, ch);
        if (index == 0) {
          ADD_FAILURE() << shown(ch) << " has no key on the German keyboard";
          continue;
        }
        const ModifierCode modifier = ModifierOf(keys, index);
        EXPECT_FALSE(needsShift(modifier) && lesson.number < kLeftCapitalsLesson)
            << shown(ch) << " needs Shift before the capitals lessons";
        EXPECT_FALSE(needsAltGr(modifier) && lesson.number < kFirstAltGrLesson)
            << shown(ch) << " needs AltGr before the AltGr lessons";
      }
    }
  }
}

// Capitals are taught with the Shift key of the other hand. Each capitals
// lesson must hold only the capitals of one hand, or the learner practises
// both Shift keys at once; the model decides which hand a key belongs to.
TEST(Grundkurs, CapitalsLessonsTeachOneShiftKeyEach) {
  const KeyTable& keys = germanKeys();
  const struct {
    int lesson;
    ModifierCode shift;
    const char* name;
  } stages[] = {
      {kLeftCapitalsLesson, ModifierCode::RightShift, "right"},
      {kRightCapitalsLesson, ModifierCode::LeftShift, "left"},
  };
  for (const auto& stage : stages) {
    const auto found = std::find_if(course().begin(), course().end(), [&](const Lesson& l) {
      return l.number == stage.lesson;
    });
    ASSERT_NE(found, course().end()) << "lesson " << stage.lesson;
    ASSERT_TRUE(found->parsed);
    SCOPED_TRACE(found->file);
    EXPECT_FALSE(found->introduced.empty());
    for (const char c : found->introduced) {
      const auto ch = static_cast<unsigned char>(c);
      EXPECT_TRUE(ModifierOf(keys, FindKey(keys, ch)) == stage.shift)
          << shown(ch) << " is not typed with the " << stage.name << " Shift key";
    }
  }
}

// The course is shipped as one archive; the writer refuses what the format
// cannot hold, and then the whole course would be missing, not one lesson.
TEST(Grundkurs, CourseFitsIntoOneArchive) {
  std::vector<ArchiveText> texts;
  for (const Lesson& lesson : course()) {
    if (lesson.parsed) texts.push_back({lesson.title, lesson.lines});
  }
  ASSERT_FALSE(texts.empty());
  std::mt19937 random(7);
  TextArchiveHeader header;
  resetHeader(header, 46000, random);
  header.archiveName = "Grundkurs";
  EXPECT_TRUE(encodeArchive(header, texts).has_value());
}

TEST(Grundkurs, CourseTeachesTheWholeKeyboard) {
  std::string taught;
  for (const Lesson& lesson : course()) taught += lesson.introduced;

  std::string required = w1252("äöüßÄÖÜ,.-?!:;\"()@€{}[]\\~|");
  for (char c = 'a'; c <= 'z'; ++c) required += c;
  for (char c = 'A'; c <= 'Z'; ++c) required += c;
  for (char c = '0'; c <= '9'; ++c) required += c;
  for (const char c : required) {
    EXPECT_NE(taught.find(c), std::string::npos)
        << shown(static_cast<unsigned char>(c)) << " is taught in no lesson";
  }
}

}  // namespace
}  // namespace kv
