// Reading teachers' text files for an archive: what both kvtool and the
// program's window refuse, and the archive written whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/file_io.h"
#include "texts/archive_builder.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::optional<PackProblem> decoded(const std::string& bytes, std::vector<std::string>& lines,
                                   PackEncoding encoding = PackEncoding::Auto) {
  return decodePackText(bytes, encoding, lines);
}

TEST(ArchiveBuilder, LineEndsEncodingsAndTheirRefusals) {
  std::vector<std::string> lines;
  // CR LF, LF and CR mixed; empty lines inside kept, at the end dropped.
  ASSERT_FALSE(decoded("eins\r\n\nzwei\rdrei\n\n\r\n", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"eins", "", "zwei", "drei"}));
  // Valid UTF-8 is taken as UTF-8, anything else as Windows-1252.
  ASSERT_FALSE(decoded("Gr\xC3\xBC\xC3\x9F" "e", lines));
  EXPECT_EQ(lines.front(), "Gr\xFC\xDF" "e");
  ASSERT_FALSE(decoded("Gr\xFC\xDF" "e", lines));
  EXPECT_EQ(lines.front(), "Gr\xFC\xDF" "e");
  // A byte-order mark makes it UTF-8, so broken bytes after it are named as such.
  const auto broken = decoded("\xEF\xBB\xBFok\nab\xFC", lines);
  ASSERT_TRUE(broken);
  EXPECT_TRUE(broken->notUtf8);
  EXPECT_EQ(packPlace("x.txt", *broken), "x.txt, Zeile 2, Spalte 3: ");
  // A character Windows-1252 lacks is quoted in the reason.
  const auto arrow = decoded("a \xE2\x86\x92 b", lines);
  ASSERT_TRUE(arrow);
  EXPECT_NE(arrow->reason.find("U+2192 \xE2\x80\x9E\xE2\x86\x92\xE2\x80\x9C"), std::string::npos) << arrow->reason;
  EXPECT_EQ(arrow->column, 3u);
  // Only line ends: no text.
  EXPECT_EQ(decoded("\r\n\r\n", lines)->reason, "Die Datei enthält keinen Text.");
  // The limit of the exercise window, exactly.
  EXPECT_FALSE(decoded(std::string(kPackLineMax, 'a'), lines));
  const auto tooLong = decoded("a\n" + std::string(kPackLineMax + 1, 'a'), lines);
  ASSERT_TRUE(tooLong);
  EXPECT_EQ(packPlace("t", *tooLong), "t, Zeile 2: ");
  EXPECT_TRUE(lines.empty()) << "a refused text leaves no lines behind";
}

TEST(ArchiveBuilder, KeyboardCharactersMayNotPushALineOverTheLimit) {
  std::string line = "\x84" "Danke\x93 \x96 sagte er \x85";
  EXPECT_EQ(untypableShown(line), "\xE2\x80\x9E \xE2\x80\x9C \xE2\x80\x93 \xE2\x80\xA6");
  ASSERT_FALSE(useKeyboardCharacters(line));
  EXPECT_EQ(line, "\"Danke\" - sagte er ...");
  EXPECT_TRUE(untypableShown(line).empty());
  // Fits as it is; the ellipsis as three dots would not.
  std::string full(kPackLineMax - 1, 'a');
  full += '\x85';
  const std::string before = full;
  EXPECT_TRUE(useKeyboardCharacters(full));
  EXPECT_EQ(full, before) << "a refused replacement changes nothing";
}

TEST(ArchiveBuilder, NamesTitlesAndCounts) {
  EXPECT_TRUE(archiveNameProblem(""));
  EXPECT_TRUE(archiveNameProblem("a\tb"));
  EXPECT_FALSE(archiveNameProblem(std::string(kArchiveNameMax, 'n')));
  EXPECT_TRUE(archiveNameProblem(std::string(kArchiveNameMax + 1, 'n')));
  EXPECT_EQ(titleFault(""), TitleFault::Empty);
  EXPECT_EQ(titleFault(std::string(kTitleMax, 't')), TitleFault::None);
  EXPECT_EQ(titleFault(std::string(kTitleMax + 1, 't')), TitleFault::TooLong);
  EXPECT_EQ(titleFault("a\x01"), TitleFault::ControlCharacter);
  EXPECT_TRUE(textCountProblem(0));
  EXPECT_FALSE(textCountProblem(kMaxTexts));
  EXPECT_EQ(*textCountProblem(kMaxTexts + 1), "Zu viele Textdateien: 251; ein Archiv fasst höchstens 250 Texte.");
}

TEST(ArchiveBuilder, WritesAnArchiveThatReadsBackOrNothing) {
  const fs::path folder = fs::temp_directory_path() / ("kv-builder-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directories(folder);
  const fs::path target = folder / "neu.kv7";
  const std::vector<ArchiveText> texts = {{"Eins", {"asdf jkl\xF6", ""}}, {"Zwei", {"fj fj"}}};
  const auto written = writeTextArchive(target, "Mein Archiv", texts);
  ASSERT_TRUE(written && written->ok());
  TextArchiveHeader header;
  ASSERT_EQ(readArchiveFile(target, header), ArchiveError::None);
  EXPECT_EQ(header.archiveName, "Mein Archiv");
  ASSERT_EQ(header.textCount, 2);
  std::vector<std::string> lines;
  ASSERT_EQ(readArchiveFileText(target, header, 1, lines), ArchiveError::None);
  EXPECT_EQ(lines, texts[0].lines);
  // Texts that break the format are not written, and the earlier file stays.
  EXPECT_FALSE(writeTextArchive(target, "Anders", {{std::string(kTitleMax + 1, 't'), {"x"}}}));
  ASSERT_EQ(readArchiveFile(target, header), ArchiveError::None);
  EXPECT_EQ(header.archiveName, "Mein Archiv");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1) << "a leftover file";
  // A folder that is not there: refused with the folder named, nothing written.
  const fs::path nowhere = folder / "fehlt" / "neu.kv7";
  const auto refused = writeTextArchive(nowhere, "Mein Archiv", texts);
  ASSERT_TRUE(refused);
  EXPECT_FALSE(refused->ok());
  EXPECT_NE(refused->reason(nowhere).find("fehlt"), std::string::npos) << refused->reason(nowhere);
  EXPECT_FALSE(fs::exists(nowhere.parent_path()));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace kv
