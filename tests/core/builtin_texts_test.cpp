#include "texts/builtin_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/encoding.h"
#include "texts/archive.h"

namespace kv {
namespace {

TextArchiveHeader builtinHeader() {
  TextArchiveHeader h;
  std::mt19937 random(3);
  resetHeader(h, 46000, random);
  fillBuiltinHeader(h);
  return h;
}

// The letters each lesson may use: every lesson adds to the one before.
std::string lessonCharacters(int text) {
  std::string allowed = w1252("asdfjklöei ");
  if (text >= 2) allowed += "gh";
  if (text >= 3) allowed += ",";
  if (text >= 4) allowed += w1252("ASDFJKLÖEIGH.");
  return allowed;
}

bool inFullSet(char c) {
  const std::string extra = w1252("äöüÄÖÜß.,:;-!?()'\"");
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
         extra.find(c) != std::string::npos;
}

TEST(BuiltinTexts, DirectoryHasTheFiveTitlesAndCounts) {
  struct Row {
    const char* title;
    std::int32_t lines;
    std::int32_t chars;
  };
  const Row rows[] = {
      {"Beispiel 01: Erarbeitung e und i", 4, 244},
      {"Beispiel 02: Wörter", 10, 610},
      {"Beispiel 03: Wendungen", 12, 732},
      {"Beispiel 04: Sätze", 10, 610},
      {"Beispiel 05: Übungstext", 32, 1912},
  };
  const TextArchiveHeader h = builtinHeader();
  ASSERT_EQ(h.textCount, 5);
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(rows[i].title);
    EXPECT_EQ(h.entries[i].title, w1252(rows[i].title));
    EXPECT_EQ(h.entries[i].lineCount, rows[i].lines);
    EXPECT_EQ(h.entries[i].charCount, rows[i].chars);
    EXPECT_EQ(builtinTexts()[i].lines.size(), static_cast<std::size_t>(rows[i].lines));
  }
  EXPECT_EQ(h.entries[5].title, "");
  EXPECT_EQ(h.entries[5].lineCount, 0);
}

TEST(BuiltinTexts, CharacterCountsAreTheLinesPlusTwoPerLine) {
  const TextArchiveHeader h = builtinHeader();
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i + 1);
    std::int32_t sum = 0;
    for (const std::string& line : builtinTexts()[i].lines) sum += static_cast<std::int32_t>(line.size()) + 2;
    EXPECT_EQ(sum, h.entries[i].charCount);
  }
}

TEST(BuiltinTexts, EveryLineHasItsLengthAndNoStrayBlanks) {
  for (int n = 1; n <= 5; ++n) {
    const auto& lines = builtinTexts()[static_cast<std::size_t>(n - 1)].lines;
    for (std::size_t k = 0; k < lines.size(); ++k) {
      const std::string& line = lines[k];
      SCOPED_TRACE("text " + std::to_string(n) + " line " + std::to_string(k + 1) + ": " + cp1252ToUtf8(line));
      if (n < 5) {
        EXPECT_EQ(line.size(), 59u);
      } else {
        EXPECT_GE(line.size(), 56u);
        EXPECT_LE(line.size(), 59u);
      }
      ASSERT_FALSE(line.empty());
      EXPECT_NE(line.front(), ' ');
      EXPECT_NE(line.back(), ' ');
      EXPECT_EQ(line.find("  "), std::string::npos);
    }
  }
}

TEST(BuiltinTexts, EachLessonStaysWithinItsLetters) {
  for (int n = 1; n <= 4; ++n) {
    const std::string allowed = lessonCharacters(n);
    for (const std::string& line : builtinTexts()[static_cast<std::size_t>(n - 1)].lines) {
      for (char c : line) {
        EXPECT_NE(allowed.find(c), std::string::npos)
            << "text " << n << ": '" << cp1252ToUtf8(std::string(1, c)) << "' in " << cp1252ToUtf8(line);
      }
    }
  }
  for (const std::string& line : builtinTexts()[4].lines) {
    for (char c : line) EXPECT_TRUE(inFullSet(c)) << cp1252ToUtf8(line);
  }
}

TEST(BuiltinTexts, EachLessonPractisesWhatItIntroduces) {
  const auto uses = [](int n, std::string_view what) {
    for (const std::string& line : builtinTexts()[static_cast<std::size_t>(n - 1)].lines) {
      if (line.find_first_of(w1252(what)) != std::string::npos) return true;
    }
    return false;
  };
  // Text 1: e on the left, i on the right, two lines each.
  const auto& t1 = builtinTexts()[0].lines;
  for (std::size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const std::string& line = t1[k];
    const bool left = k < 2;
    EXPECT_EQ(line.find_first_of(left ? w1252("jklöi") : "asdfe"), std::string::npos);
    EXPECT_NE(line.find(left ? 'e' : 'i'), std::string::npos);
  }
  EXPECT_TRUE(uses(2, "g") && uses(2, "h"));
  // Text 2: each line a word three times, another three times, then the two in turn.
  for (const std::string& line : builtinTexts()[1].lines) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at <= line.size();) {
      const std::size_t end = std::min(line.find(' ', at), line.size());
      words.push_back(line.substr(at, end - at));
      at = end + 1;
    }
    SCOPED_TRACE(line);
    ASSERT_GE(words.size(), 8u);
    EXPECT_NE(words[0], words[3]);
    for (std::size_t w = 0; w < words.size(); ++w) {
      const bool first = w < 3 || (w >= 6 && (w - 6) % 2 == 0);
      EXPECT_EQ(words[w], first ? words[0] : words[3]) << w;
    }
  }
  for (const std::string& line : builtinTexts()[2].lines) EXPECT_EQ(line.back(), ',') << line;
  for (const std::string& line : builtinTexts()[3].lines) EXPECT_EQ(line.back(), '.') << line;
  for (const char* mark : {"0123456789", ":", "-", "ß", "ä", "ö", "ü"}) {
    SCOPED_TRACE(mark);
    EXPECT_TRUE(uses(5, mark));
  }
}

TEST(BuiltinTexts, QuotedLinesAreVerbatim) {
  EXPECT_EQ(builtinTexts()[0].lines[0], "fded fded fded fded sded sded sded sded aded aded aded aded");
  EXPECT_EQ(builtinTexts()[2].lines[0], "es lief, lese alles, fasse es, sage das, sei agil, jage es,");
  EXPECT_EQ(builtinTexts()[3].lines[0], "Lies die Sage. Sie lief Ski. Sage es Lisa. Das Lied gefiel.");
  EXPECT_EQ(builtinTexts()[4].lines[0].rfind(w1252("Die Idee zum Bau einer Schreibmaschine hatte der Engländer"), 0), 0u);
  const std::string text2 = [] {
    std::string all;
    for (const std::string& line : builtinTexts()[1].lines) all += " " + line + " ";
    return all;
  }();
  for (const char* word : {"des", "öde", "ade", "die", "sie", "sei", "lade", "jede", "edel", "feil",
                           "lief", "jedes", "ledig"}) {
    EXPECT_NE(text2.find(" " + w1252(word) + " "), std::string::npos) << word;
  }
}

TEST(BuiltinTexts, LoadingThroughTheArchiveOperations) {
  const TextArchives archives("C:\\Klavento\\klavento.exe");
  TextArchiveHeader header;
  CurrentText text;
  ASSERT_TRUE(archives.openArchive(archives.programPath(), header, text));
  EXPECT_EQ(text.archivePath, archives.programPath());

  ASSERT_TRUE(archives.loadText(header, 1, false, LineSelection{}, text));
  EXPECT_EQ(text.lines.size(), 4u);
  EXPECT_EQ(text.longestLine, 59);
  EXPECT_EQ(text.totalKeystrokes, 0);

  LineSelection lastTwo;
  lastTwo.firstLine = 31;
  lastTwo.lastLine = 32;
  ASSERT_TRUE(archives.loadText(header, 5, true, lastTwo, text));
  ASSERT_EQ(text.lines.size(), 2u);
  EXPECT_EQ(text.lines[0], builtinTexts()[4].lines[30]);
  EXPECT_EQ(text.lines[1], builtinTexts()[4].lines[31]);
  EXPECT_EQ(text.longestLine, 59) << "of the text as loaded";

  for (int n : {0, 6, -1}) {
    SCOPED_TRACE(n);
    EXPECT_FALSE(archives.loadText(header, n, false, LineSelection{}, text));
    EXPECT_TRUE(text.lines.empty());
  }
}

TEST(BuiltinTexts, FormAValidArchiveFileToo) {
  std::vector<ArchiveText> texts;
  for (const BuiltinText& t : builtinTexts()) texts.push_back({t.title, t.lines});
  TextArchiveHeader h = builtinHeader();
  const auto bytes = encodeArchive(h, texts);
  ASSERT_TRUE(bytes);
  TextArchiveHeader read;
  ASSERT_EQ(readArchiveImage(*bytes, read), ArchiveError::None);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(read.entries[i], h.entries[i]);
  }
}

}  // namespace
}  // namespace kv
