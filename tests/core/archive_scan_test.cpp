#include "texts/archive_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "texts/archive.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class RecordingProgress : public ScanProgress {
 public:
  void setMaximum(std::int32_t m) override { maximum = m; }
  void setPosition(std::int32_t p) override { positions.push_back(p); }
  void runPendingEvents() override { ++pumps; }
  std::int32_t maximum = 0;
  std::vector<std::int32_t> positions;
  int pumps = 0;
};

class ArchiveScan : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kv-scan-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void writeArchive(const std::string& file, const std::string& name, int texts = 1) {
    TextArchiveHeader header;
    header.archiveName = name;
    std::vector<ArchiveText> list;
    for (int i = 0; i < texts; ++i) list.push_back({"Text " + std::to_string(i + 1), {"asdf jkl\xF6"}});
    const auto bytes = encodeArchive(header, list);
    ASSERT_TRUE(bytes.has_value());
    std::ofstream(dir_ / file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
  }
  void writeBytes(const std::string& file, std::size_t size, char fill = 'x') {
    std::ofstream(dir_ / file, std::ios::binary) << std::string(size, fill);
  }

  std::vector<std::string> scan(std::string folder) {
    ScanContext cx{lister_, archives_, progress_, state_, current_, saved_, text_};
    std::vector<std::string> list;
    scanArchiveFolder(folder, list, cx);
    folderAfter_ = folder;
    return list;
  }
  std::string folder() const { return dir_.string(); }

  fs::path dir_;
  FileSystemLister lister_;
  TextArchives archives_{"C:\\Programme\\Klavento\\klavento.exe"};
  RecordingProgress progress_;
  ArchiveScanState state_;
  TextArchiveHeader current_;
  TextArchiveHeader saved_;
  CurrentText text_;
  std::string folderAfter_;
};

TEST(ArchiveEntries, NamePaddedThenPath) {
  const std::string entry = makeArchiveEntry("Klasse 8b", "C:\\Texte\\8b.kv7");
  EXPECT_EQ(entry.size(), 64u + 15u);
  EXPECT_EQ(entry.substr(0, 10), "Klasse 8b ");
  EXPECT_EQ(entryName(entry), "Klasse 8b");
  EXPECT_EQ(entryPath(entry), "C:\\Texte\\8b.kv7");
  EXPECT_EQ(entryName(std::string(64, 'x')), "") << "no path, no entry";
  EXPECT_EQ(entryPath(std::string(64, 'x')), "");
  EXPECT_EQ(entryName(makeArchiveEntry("\"Zitat\"", "p")), "Zitat");
}

TEST(ArchiveEntries, GermanOrderIgnoresCaseAndPlacesUmlautsWithTheirLetters) {
  std::vector<std::string> names = {"\xDC" "bungen", "apfel", "Zebra", "Birne", "\xC4pfel"};
  std::sort(names.begin(), names.end(), germanEntryLess);
  EXPECT_EQ(names, (std::vector<std::string>{"apfel", "\xC4pfel", "Birne", "\xDC" "bungen", "Zebra"}));
}

TEST_F(ArchiveScan, OnlyFilesOfAtLeastHeaderSizeThatOpen) {
  writeArchive("gut.kv7", "Gute Texte");
  writeBytes("klein.kv7", 1000);
  writeBytes("kaputt.kv7", kHeaderSize);  // big enough, but no archive
  writeArchive("leer.kv7", "Ohne Texte", 0);
  writeArchive("andere.txt", "Falsche Endung");
  fs::create_directories(dir_ / "ordner.kv7");
  const auto list = scan(folder());
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(entryName(list[0]), "Gute Texte");
  EXPECT_EQ(entryPath(list[0]), folder() + "\\gut.kv7");
  EXPECT_EQ(folderAfter_, folder() + "\\");
  EXPECT_EQ(progress_.maximum, 3) << "three candidates of header size";
  EXPECT_EQ(progress_.positions, (std::vector<std::int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(progress_.pumps, 3);
}

TEST_F(ArchiveScan, HeaderSizeIsTheBoundary) {
  writeBytes("genau.kv7", kHeaderSize);
  writeBytes("knapp.kv7", kHeaderSize - 1);
  scan(folder());
  EXPECT_EQ(progress_.maximum, 1);
}

TEST_F(ArchiveScan, AtMost256NamesInTheFirstPass) {
  writeArchive("vorlage.kv7", "Viele");
  for (int i = 0; i < 300; ++i) fs::copy_file(dir_ / "vorlage.kv7", dir_ / ("a" + std::to_string(1000 + i) + ".kv7"));
  writeArchive("alt.kv5", "Alt");
  const auto list = scan(folder());
  EXPECT_EQ(list.size(), 257u) << "256 of the first pass and the first match of the second";
  EXPECT_EQ(progress_.maximum, 257);
}

TEST_F(ArchiveScan, EqualNamesAreOrderedByPathAndOldArchivesAreFound) {
  writeArchive("b.kv7", "Diktate");
  writeArchive("a.kv7", "Diktate");
  writeArchive("c.KV5", "Alte Sammlung");
  state_.lastArchivePath = folder() + "\\x.kv5";
  const auto list = scan(folder());
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(entryName(list[0]), "Alte Sammlung");
  EXPECT_EQ(entryPath(list[1]), folder() + "\\a.kv7");
  EXPECT_EQ(entryPath(list[2]), folder() + "\\b.kv7");
}

TEST_F(ArchiveScan, AnOtherExtensionOfTheLastArchiveIsSearchedAlone) {
  writeArchive("eigen.kvx", "Eigene Endung");
  writeArchive("normal.kv7", "Normal");
  state_.lastArchivePath = "C:\\irgendwo\\letztes.KVX";
  const auto list = scan(folder());
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(entryName(list[0]), "Eigene Endung");
}

TEST_F(ArchiveScan, UnreadableLastArchiveIsForgottenPreferredOneIsRemembered) {
  writeBytes("kaputt.kv7", kHeaderSize + 10);
  writeArchive("wunsch.kv7", "Wunsch", 3);
  writeArchive("zuletzt.kv7", "Zuletzt", 2);
  state_.lastArchivePath = folder() + "\\kaputt.kv7";
  state_.preferredArchivePath = folder() + "\\WUNSCH.kv7";
  scan(folder());
  EXPECT_EQ(state_.lastArchivePath, "");
  EXPECT_TRUE(state_.preferredArchiveFound);
  EXPECT_EQ(saved_.archiveName, "Wunsch");
  EXPECT_EQ(saved_.textCount, 3);

  state_.lastArchivePath = folder() + "\\zuletzt.kv7";
  scan(folder());
  EXPECT_EQ(saved_.archiveName, "Zuletzt") << "the preferred one was found before";
}

TEST_F(ArchiveScan, MissingFolderGivesAnEmptyList) {
  EXPECT_TRUE(scan(folder() + "\\gibt-es-nicht").empty());
  EXPECT_EQ(progress_.maximum, 100);
}

TEST_F(ArchiveScan, EmptyFolderSearchesTheCurrentDirectory) {
  writeArchive("hier.kv7", "Hier");
  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  const auto list = scan("");
  fs::current_path(before);
  EXPECT_EQ(folderAfter_, "") << "an empty folder gets no backslash";
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(entryPath(list[0]), "hier.kv7");
}

// A teacher whose archive does not appear must be able to learn why: every
// file the scan passes over is named with its reason, and a new scan starts
// the list afresh.
TEST_F(ArchiveScan, FilesPassedOverAreNamedWithTheirReason) {
  writeArchive("gut.kv7", "Gut");
  writeArchive("leer.kv7", "Leer", 0);
  writeBytes("klein.kv7", 1000);
  writeBytes("fremd.kv7", 60000);
  writeArchive("kaputt.kv7", "Kaputt");
  fs::resize_file(dir_ / "kaputt.kv7", fs::file_size(dir_ / "kaputt.kv7") - 3);
  fs::create_directories(dir_ / "ordner.kv7");

  const auto list = scan(folder());
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(entryName(list[0]), "Gut");

  std::map<std::string, std::string> reasons;
  for (const SkippedArchive& s : state_.skipped) {
    reasons[s.path.substr(s.path.find_last_of("\\/") + 1)] = skipReasonText(s);
  }
  const std::map<std::string, std::string> expected = {
      {"klein.kv7", std::string(describeArchiveError(ArchiveError::TooShort))},
      {"fremd.kv7", std::string(describeArchiveError(ArchiveError::BadHeader))},
      {"kaputt.kv7", std::string(describeArchiveError(ArchiveError::BodySize))},
      {"leer.kv7", "Das Archiv enthält keine Texte."},
  };
  EXPECT_EQ(reasons, expected) << "a folder is never a file passed over";

  fs::remove(dir_ / "klein.kv7");
  fs::remove(dir_ / "fremd.kv7");
  fs::remove(dir_ / "kaputt.kv7");
  fs::remove(dir_ / "leer.kv7");
  scan(folder());
  EXPECT_TRUE(state_.skipped.empty()) << "the last scan's files stay listed";
}

}  // namespace
}  // namespace kv
