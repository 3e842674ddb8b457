#include "texts/archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>

#include "ui/shared/app_state.h"
#include "platform/encoding.h"
#include "texts/builtin_texts.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::size_t kEntry0 = 126;
constexpr std::size_t kEntry1 = 126 + 205;
constexpr std::size_t kCharCount = 33;
constexpr std::size_t kLineCount = 37;

// A valid two-text archive built by hand, independent of encodeArchive:
// text 1 "ab", "cd"; text 2 "xyz".
TextArchiveHeader twoTextHeader() {
  std::mt19937 random(1);
  TextArchiveHeader h;
  resetHeader(h, 46000, random);
  h.archiveName = "Probe";
  h.textCount = 2;
  h.entries[0].title = "Eins";
  h.entries[0].lineCount = 2;
  h.entries[0].charCount = 8;
  h.entries[1].title = "Zwei";
  h.entries[1].lineCount = 1;
  h.entries[1].charCount = 5;
  return h;
}

Bytes image(const TextArchiveHeader& h, std::string_view body) {
  const HeaderBytes head = encodeHeader(h);
  Bytes b(head.size() + body.size());
  std::copy(head.begin(), head.end(), b.begin());
  std::copy(body.begin(), body.end(), b.begin() + static_cast<std::ptrdiff_t>(head.size()));
  return b;
}

Bytes twoTextImage() { return image(twoTextHeader(), "ab\r\ncd\r\nxyz\r\n"); }

TEST(ArchiveFormat, TextsFollowTheHeaderAsLinesEndedByCrLf) {
  const Bytes b = twoTextImage();
  TextArchiveHeader h;
  ASSERT_EQ(readArchiveImage(b, h), ArchiveError::None);
  EXPECT_EQ(h.archiveName, "Probe");
  // Text n begins after the character counts of the texts before it.
  EXPECT_EQ(textExtent(h, 1).offset, 51388u);
  EXPECT_EQ(textExtent(h, 1).size, 8u);
  EXPECT_EQ(textExtent(h, 2).offset, 51396u);
  EXPECT_EQ(textExtent(h, 2).size, 5u);
  std::vector<std::string> lines;
  ASSERT_EQ(readImageText(b, h, 2, lines), ArchiveError::None);
  EXPECT_EQ(lines, std::vector<std::string>{"xyz"});
  lines.clear();
  ASSERT_EQ(readImageText(b, h, 1, lines), ArchiveError::None);
  EXPECT_EQ(lines, (std::vector<std::string>{"ab", "cd"}));
}

TEST(ArchiveFormat, ArchivesOfThePreviousVersionDifferOnlyInSignatureAndVersion) {
  TextArchiveHeader h = twoTextHeader();
  h.signature = "Klavento 5.0";
  h.formatVersion = 5;
  const Bytes b = image(h, "ab\r\ncd\r\nxyz\r\n");
  TextArchiveHeader read;
  ASSERT_EQ(readArchiveImage(b, read), ArchiveError::None);
  std::vector<std::string> lines;
  EXPECT_EQ(readImageText(b, read, 1, lines), ArchiveError::None);
  EXPECT_EQ(lines, (std::vector<std::string>{"ab", "cd"}));
}

TEST(ArchiveFormat, AHeaderWithoutTextsIsAWholeArchive) {
  TextArchiveHeader h = twoTextHeader();
  h.textCount = 0;
  const Bytes b = image(h, "");
  ASSERT_EQ(b.size(), 51388u);
  TextArchiveHeader read;
  EXPECT_EQ(readArchiveImage(b, read), ArchiveError::None);
  EXPECT_EQ(read.textCount, 0);
}

// Every way a directory can be wrong is caught when the archive is opened.
TEST(ArchiveFormat, BadDirectoriesAreRefusedOnOpening) {
  struct Case {
    const char* name;
    void (*damage)(Bytes&);
    ArchiveError expected;
  };
  const Case cases[] = {
      {"empty file", [](Bytes& b) { b.clear(); }, ArchiveError::TooShort},
      {"one byte short of a header", [](Bytes& b) { b.resize(51387); }, ArchiveError::TooShort},
      {"record size", [](Bytes& b) { put32(b, 0, 51387); }, ArchiveError::RecordSize},
      {"signature", [](Bytes& b) { std::memcpy(b.data() + 4, "Klavento 6.0", 12); }, ArchiveError::Signature},
      {"version", [](Bytes& b) { put32(b, 16, 8); }, ArchiveError::Signature},
      {"old signature, new version", [](Bytes& b) { std::memcpy(b.data() + 4, "Klavento 5.0", 12); },
       ArchiveError::Signature},
      {"new signature, old version", [](Bytes& b) { put32(b, 16, 5); }, ArchiveError::Signature},
      {"text count above 250", [](Bytes& b) { b[125] = 251; }, ArchiveError::BadHeader},
      {"title longer than 32", [](Bytes& b) { b[kEntry0] = 33; }, ArchiveError::BadHeader},
      {"name longer than 64", [](Bytes& b) { b[20] = 65; }, ArchiveError::BadHeader},
      {"no lines", [](Bytes& b) { put32(b, kEntry0 + kLineCount, 0); }, ArchiveError::EntryCounts},
      {"negative lines", [](Bytes& b) { put32(b, kEntry1 + kLineCount, 0xFFFFFFFF); },
       ArchiveError::EntryCounts},
      {"32768 lines", [](Bytes& b) { put32(b, kEntry0 + kLineCount, 32768); }, ArchiveError::EntryCounts},
      {"fewer characters than line breaks", [](Bytes& b) { put32(b, kEntry0 + kCharCount, 3); },
       ArchiveError::EntryCounts},
      {"negative characters", [](Bytes& b) { put32(b, kEntry0 + kCharCount, 0x80000000); },
       ArchiveError::EntryCounts},
      {"absurd characters", [](Bytes& b) { put32(b, kEntry1 + kCharCount, 0x7FFFFFFF); },
       ArchiveError::EntryCounts},
      {"body cut short", [](Bytes& b) { b.pop_back(); }, ArchiveError::BodySize},
      {"bytes after the last text", [](Bytes& b) { b.push_back('\n'); }, ArchiveError::BodySize},
      {"text count beyond the body", [](Bytes& b) {
         b[125] = 3;
         put32(b, kEntry1 + 205 + kLineCount, 1);
         put32(b, kEntry1 + 205 + kCharCount, 2);
       }, ArchiveError::BodySize},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes b = twoTextImage();
    c.damage(b);
    TextArchiveHeader h;
    h.archiveName = "unverändert";
    EXPECT_EQ(readArchiveImage(b, h), c.expected);
    EXPECT_EQ(h.archiveName, "unverändert") << "a failed read leaves the header alone";
  }
}

// Texts whose bytes disagree with their entry pass the opening (their sizes
// add up) and fail when the text is read.
TEST(ArchiveFormat, BadTextsAreRefusedWhenRead) {
  struct Case {
    const char* name;
    std::int32_t lines1, chars1;
    std::string body;
    int text;
  };
  const std::string longLine(256, 'x');
  const Case cases[] = {
      {"more lines claimed", 3, 8, "ab\r\ncd\r\nxyz\r\n", 1},
      {"fewer lines claimed", 1, 8, "ab\r\ncd\r\nxyz\r\n", 1},
      {"counts shifted between texts", 2, 9, "ab\r\ncd\r\nxyz\r\n", 1},
      {"counts shifted, second text", 2, 7, "ab\r\ncd\r\nxyz\r\n", 2},
      {"LF line ends", 2, 8, "ab\ncd\n\r\nxyz\r\n", 1},
      {"lone CR inside a line", 2, 8, "a\rb\r\nc\r\nxyz\r\n", 1},
      {"last line without line end", 2, 8, "abcd\r\nxyxyz\r\n", 1},
      {"NUL in a line", 2, 8, std::string("a\0b\r\nc\r\nxyz\r\n", 13), 1},
      {"tab in a line", 2, 8, "a\tb\r\nc\r\nxyz\r\n", 1},
      {"DEL in a line", 2, 8, "a\x7F" "b\r\nc\r\nxyz\r\n", 1},
      {"undefined code page byte", 2, 8, "a\x81" "b\r\nc\r\nxyz\r\n", 1},
      {"line longer than 255", 2, 262, longLine + "\r\nab\r\nxyz\r\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextArchiveHeader h = twoTextHeader();
    h.entries[0].lineCount = c.lines1;
    h.entries[0].charCount = c.chars1;
    h.entries[1].charCount = static_cast<std::int32_t>(c.body.size()) - c.chars1;
    const Bytes b = image(h, c.body);
    TextArchiveHeader read;
    ASSERT_EQ(readArchiveImage(b, read), ArchiveError::None);
    std::vector<std::string> lines{"vorher"};
    EXPECT_EQ(readImageText(b, read, c.text, lines), ArchiveError::TextBody);
    EXPECT_EQ(lines, std::vector<std::string>{"vorher"}) << "nothing appended on failure";
  }
}

TEST(ArchiveFormat, LineLengthLimitAndEmptyLines) {
  TextArchiveHeader h = twoTextHeader();
  const std::string longest(255, '\xE4');  // a-umlaut, a text character
  h.entries[0].lineCount = 2;
  h.entries[0].charCount = 255 + 2 + 2;
  const Bytes b = image(h, longest + "\r\n\r\nxyz\r\n");
  TextArchiveHeader read;
  ASSERT_EQ(readArchiveImage(b, read), ArchiveError::None);
  std::vector<std::string> lines;
  ASSERT_EQ(readImageText(b, read, 1, lines), ArchiveError::None);
  EXPECT_EQ(lines, (std::vector<std::string>{longest, ""}));
}

TEST(ArchiveFormat, TextNumbersOutsideTheDirectory) {
  const Bytes b = twoTextImage();
  TextArchiveHeader h;
  ASSERT_EQ(readArchiveImage(b, h), ArchiveError::None);
  for (int n : {-1, 0, 3, 251}) {
    SCOPED_TRACE(n);
    std::vector<std::string> lines;
    EXPECT_EQ(readImageText(b, h, n, lines), ArchiveError::NoSuchText);
    EXPECT_TRUE(lines.empty());
  }
}

TEST(ArchiveFormat, ADirectoryFromAnotherImageIsNotTrusted) {
  const Bytes b = twoTextImage();
  TextArchiveHeader h;
  ASSERT_EQ(readArchiveImage(b, h), ArchiveError::None);
  const Bytes shorter(b.begin(), b.end() - 3);
  std::vector<std::string> lines;
  EXPECT_EQ(readImageText(shorter, h, 2, lines), ArchiveError::BodySize);
}

TEST(ArchiveFormat, EveryTruncationIsRefused) {
  const Bytes b = twoTextImage();
  for (std::size_t size = 0; size < b.size(); ++size) {
    const Bytes cut(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size));
    TextArchiveHeader h;
    EXPECT_NE(readArchiveImage(cut, h), ArchiveError::None) << size;
  }
}

TEST(ArchiveWriter, WritesWhatTheReaderReadsBack) {
  std::vector<ArchiveText> texts;
  for (int i = 0; i < 250; ++i) {
    ArchiveText t{"Text " + std::to_string(i + 1), {}};
    for (int k = 0; k <= i % 7; ++k) t.lines.push_back(w1252("Zeile mit Ümlaut ") + std::string(static_cast<std::size_t>(k * i % 60), 'x'));
    texts.push_back(std::move(t));
  }
  texts[3].lines.insert(texts[3].lines.begin() + 1, "");
  TextArchiveHeader h;
  std::mt19937 random(5);
  resetHeader(h, 46500, random);
  h.archiveName = std::string(64, 'N');
  const auto encoded = encodeArchive(h, texts);
  ASSERT_TRUE(encoded);

  TextArchiveHeader read;
  ASSERT_EQ(readArchiveImage(*encoded, read), ArchiveError::None);
  EXPECT_EQ(read.textCount, 250);
  EXPECT_EQ(read.archiveName, h.archiveName);
  EXPECT_EQ(read.archiveId, h.archiveId) << "identifiers come from the header given";
  EXPECT_EQ(read.entries[249].textId, h.entries[249].textId);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(read.entries[i].title, texts[i].title);
    std::int32_t chars = 0;
    for (const std::string& line : texts[i].lines) chars += static_cast<std::int32_t>(line.size()) + 2;
    EXPECT_EQ(read.entries[i].charCount, chars);
    std::vector<std::string> lines;
    ASSERT_EQ(readImageText(*encoded, read, static_cast<int>(i + 1), lines), ArchiveError::None);
    EXPECT_EQ(lines, texts[i].lines);
  }
}

TEST(ArchiveWriter, RefusesWhatTheFormatCannotHold) {
  const ArchiveText good{"Titel", {"eine Zeile"}};
  struct Case {
    const char* name;
    std::vector<ArchiveText> texts;
    std::string archiveName;
  };
  const Case cases[] = {
      {"251 texts", std::vector<ArchiveText>(251, good), "Name"},
      {"name of 65", {good}, std::string(65, 'n')},
      {"control character in the name", {good}, "Na\tme"},
      {"title of 33", {{std::string(33, 't'), {"x"}}}, "Name"},
      {"text without lines", {{"Titel", {}}}, "Name"},
      {"line of 256", {{"Titel", {std::string(256, 'x')}}}, "Name"},
      {"line break inside a line", {{"Titel", {"a\r\nb"}}}, "Name"},
      {"too many lines", {{"Titel", std::vector<std::string>(32768, "x")}}, "Name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextArchiveHeader h;
    h.archiveName = c.archiveName;
    EXPECT_FALSE(encodeArchive(h, c.texts));
  }
  TextArchiveHeader h;
  EXPECT_TRUE(encodeArchive(h, std::vector<ArchiveText>(250, good)));
}

TEST(ArchivePaths, EqualWithoutRegardToLetterCase) {
  struct Case {
    std::string a, b;
    bool same;
  };
  const Case cases[] = {
      {"C:\\Texte\\Uebung.kv7", "c:\\TEXTE\\uebung.KV7", true},
      {w1252("C:\\Übungen\\ÄÖ.kv7"), w1252("c:\\übungen\\äö.kv7"), true},
      {"C:\\Texte\\a.kv7", "C:\\Texte\\b.kv7", false},
      {"C:\\Texte\\a.kv7", "C:\\Texte\\a.kv7x", false},
      {w1252("ß"), "ss", false},
      {"", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a + " / " + c.b);
    EXPECT_EQ(sameArchivePath(c.a, c.b), c.same);
  }
}

TEST(ArchiveMessages, ReadErrorNamesThePath) {
  EXPECT_EQ(archiveReadErrorMessage(w1252("C:\\Lehrer\\Übungen.kv7")),
            w1252("Fehler beim Lesen der Datei \"C:\\Lehrer\\Übungen.kv7\"."));
}

class ArchiveFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device device;
    folder_ = fs::temp_directory_path() / ("kv_archive_test_" + std::to_string(device()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  // A Windows-1252 path inside the test folder, as the program holds paths.
  std::string pathOf(std::string_view utf8Name) const {
    const std::u8string folder = folder_.u8string();
    return w1252(std::string(folder.begin(), folder.end())) + static_cast<char>(fs::path::preferred_separator) +
           w1252(utf8Name);
  }

  std::string write(std::string_view utf8Name, const Bytes& bytes) const {
    const std::string path = pathOf(utf8Name);
    std::ofstream out(pathFromCp1252(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  fs::path folder_;
  TextArchives archives_{"C:\\Programme\\Klavento\\klavento.exe"};
};

TEST_F(ArchiveFiles, OpensAndLoadsFromAFileWithAnUmlautInItsName) {
  const std::string path = write("Übungen.kv7", twoTextImage());
  TextArchiveHeader header;
  CurrentText text;
  ASSERT_TRUE(archives_.openArchive(path, header, text));
  EXPECT_EQ(text.archivePath, path);
  EXPECT_EQ(header.archiveName, "Probe");
  EXPECT_EQ(header.textCount, 2);

  LineSelection selection;
  selection.firstLine = 2;
  ASSERT_TRUE(archives_.loadText(header, 1, false, selection, text));
  EXPECT_EQ(text.lines, (std::vector<std::string>{"ab", "cd"}));
  EXPECT_EQ(text.longestLine, 2);
  ASSERT_TRUE(archives_.loadText(header, 1, true, selection, text));
  EXPECT_EQ(text.lines, std::vector<std::string>{"cd"});
  EXPECT_EQ(text.totalKeystrokes, 2);
  EXPECT_FALSE(archives_.loadText(header, 3, false, selection, text));
  EXPECT_TRUE(text.lines.empty());
}

TEST_F(ArchiveFiles, AFailedOpenLeavesAnEmptyHeaderAndThePath) {
  Bytes cut = twoTextImage();
  cut.pop_back();
  const std::vector<std::pair<const char*, Bytes>> files = {
      {"kurz.kv7", Bytes(51387, 0)},
      {"nullen.kv7", Bytes(51388, 0)},
      {"abgeschnitten.kv7", cut},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const std::string path = write(name, bytes);
    TextArchiveHeader header = twoTextHeader();
    CurrentText text;
    EXPECT_FALSE(archives_.openArchive(path, header, text));
    EXPECT_EQ(header.textCount, 0);
    EXPECT_EQ(header.archiveName, "");
    EXPECT_EQ(text.archivePath, path);
  }
  TextArchiveHeader header;
  CurrentText text;
  EXPECT_FALSE(archives_.openArchive(pathOf("fehlt.kv7"), header, text));
  EXPECT_FALSE(archives_.openArchive(pathOf(""), header, text)) << "a folder is no archive";
}

TEST_F(ArchiveFiles, AFileReplacedAfterOpeningIsNotReadWithTheOldDirectory) {
  const std::string path = write("wechsel.kv7", twoTextImage());
  TextArchiveHeader header;
  CurrentText text;
  ASSERT_TRUE(archives_.openArchive(path, header, text));

  TextArchiveHeader other = twoTextHeader();
  other.entries[0].title = "Anders";
  write("wechsel.kv7", image(other, "ab\r\ncd\r\nxyz\r\n"));
  ArchiveFileSource source(pathFromCp1252(path), header);
  std::vector<std::string> lines;
  EXPECT_FALSE(source.readLines(1, lines));
  EXPECT_EQ(source.lastError(), ArchiveError::Changed);

  write("wechsel.kv7", Bytes(100, 0));
  EXPECT_FALSE(source.readLines(1, lines));
  EXPECT_EQ(source.lastError(), ArchiveError::TooShort);
  EXPECT_TRUE(lines.empty());
}

TEST_F(ArchiveFiles, TheProgramsOwnPathNamesTheBuiltInArchiveInAnyLetterCase) {
  TextArchiveHeader header;
  CurrentText text;
  ASSERT_TRUE(archives_.openArchive("c:\\programme\\KLAVENTO\\klavento.EXE", header, text));
  EXPECT_EQ(header.textCount, 5);
  EXPECT_EQ(header.archiveName, builtinArchiveName());
  ASSERT_TRUE(archives_.loadText(header, 2, false, LineSelection{}, text));
  EXPECT_EQ(text.lines, builtinTexts()[1].lines);

  const TextArchives noProgram{""};
  EXPECT_FALSE(noProgram.isBuiltin(""));
  EXPECT_FALSE(noProgram.openArchive("", header, text));
}

class ArchiveSwitch : public ArchiveFiles {
 protected:
  void SetUp() override {
    ArchiveFiles::SetUp();
    ASSERT_TRUE(archives_.openArchive(archives_.programPath(), state_.currentHeader, state_.currentText));
    state_.savedHeader = state_.currentHeader;
    state_.exercise.archiveIndex = 1;
    state_.exercise.archiveCaption = builtinArchiveName();
  }
  AppState state_;
};

TEST_F(ArchiveSwitch, AFailedOpenRestoresHeaderPathAndIndex) {
  TextArchiveHeader empty = twoTextHeader();
  empty.textCount = 0;
  const std::vector<std::pair<std::string, std::string>> targets = {
      {"unreadable", write("kaputt.kv7", Bytes(60000, 7))},
      {"missing", pathOf("gibtsnicht.kv7")},
      {"without texts", write("leer.kv7", image(empty, ""))},
  };
  for (const auto& [why, path] : targets) {
    SCOPED_TRACE(why);
    const TextArchiveHeader before = state_.currentHeader;
    std::string message;
    EXPECT_FALSE(archives_.switchArchive(state_, path, 4, "Fremd", message));
    EXPECT_EQ(state_.currentHeader, before);
    EXPECT_EQ(state_.savedHeader, before);
    EXPECT_EQ(state_.currentText.archivePath, archives_.programPath());
    EXPECT_EQ(state_.exercise.archiveIndex, 1);
    EXPECT_EQ(state_.exercise.archiveCaption, builtinArchiveName());
    EXPECT_EQ(message, "Fehler beim Lesen der Datei \"" + path + "\".");
  }
}

TEST_F(ArchiveSwitch, ASuccessfulOpenMakesTheArchiveCurrent) {
  const std::string path = write("gut.kv7", twoTextImage());
  std::string message = "alt";
  ASSERT_TRUE(archives_.switchArchive(state_, path, 4, "Probe", message));
  EXPECT_TRUE(message.empty());
  EXPECT_EQ(state_.currentHeader.archiveName, "Probe");
  EXPECT_EQ(state_.savedHeader, state_.currentHeader) << "the archive last opened successfully";
  EXPECT_EQ(state_.currentText.archivePath, path);
  EXPECT_EQ(state_.exercise.archiveIndex, 4);
  EXPECT_EQ(state_.exercise.archiveCaption, "Probe");

  // And back to the built-in archive after a failure in between.
  EXPECT_FALSE(archives_.switchArchive(state_, pathOf("fehlt.kv7"), 7, "x", message));
  EXPECT_EQ(state_.currentHeader.archiveName, "Probe");
  EXPECT_EQ(state_.exercise.archiveIndex, 4);
  EXPECT_TRUE(archives_.loadText(state_.currentHeader, 2, false, LineSelection{}, state_.currentText));
  EXPECT_EQ(state_.currentText.lines, std::vector<std::string>{"xyz"});
}

}  // namespace
}  // namespace kv
