// Finding the teacher's archives: the entries of the archive box and the scan
// of the own-archive folder that fills them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/archive.h"
#include "texts/text_model.h"

namespace kv {

class TextArchives;

// An archive entry: the archive name padded with blanks to 64 characters,
// then the archive's full path.
inline constexpr std::size_t kEntryNameWidth = 64;
std::string makeArchiveEntry(std::string_view archiveName, std::string_view path);
std::string entryName(std::string_view entry);
std::string entryPath(std::string_view entry);

// The scan reads no more names than this in a pass.
inline constexpr std::size_t kMaxScannedFiles = 256;

struct DirectoryEntry {
  std::string name;  // file name without folder, Windows-1252
  bool directory = false;
  bool encrypted = false;
  bool offline = false;
  bool sparse = false;
  bool temporary = false;
  std::uint64_t size = 0;
};

// Lists the entries matching a pattern ("folder\*.kv7"), in the order the
// file system gives them; the callback returns false to stop early.
class DirectoryLister {
 public:
  virtual ~DirectoryLister() = default;
  virtual void list(const std::string& pattern,
                    const std::function<bool(const DirectoryEntry&)>& visit) = 0;
};

// The portable lister over std::filesystem, for kvtool and the tests:
// patterns of the form "folder\*.ext", matched without regard to case.
class FileSystemLister final : public DirectoryLister {
 public:
  void list(const std::string& pattern,
            const std::function<bool(const DirectoryEntry&)>& visit) override;
};

// The scan's view of the progress window.
class ScanProgress {
 public:
  virtual ~ScanProgress() = default;
  virtual void setMaximum(std::int32_t maximum) = 0;
  virtual void setPosition(std::int32_t position) = 0;
  virtual void runPendingEvents() = 0;
};

// A file of the folder that looked like an archive but is not offered.
struct SkippedArchive {
  enum class Reason { Unreadable, NoTexts, Unavailable };
  std::string path;  // Windows-1252
  Reason reason = Reason::Unreadable;
  ArchiveError error = ArchiveError::None;  // for Unreadable
};
// Why, in German (UTF-8), for the program's notice and for kvtool.
std::string skipReasonText(const SkippedArchive& skipped);

struct ArchiveScanState {
  std::string lastArchivePath;       // its extension is the search pattern
  std::string preferredArchivePath;  // to be preselected once by the dialog
  bool preferredArchiveFound = false;
  // The last scan's files that are not offered, in the order found: a
  // teacher must be able to learn why an archive does not appear.
  std::vector<SkippedArchive> skipped;
};

// Orders two archive entries; the Windows side compares by the user's locale.
using EntryOrder = std::function<bool(const std::string&, const std::string&)>;
// Without regard to letter case, umlauts with their base letters (German
// dictionary order), then by the bytes.
bool germanEntryLess(const std::string& a, const std::string& b);

struct ScanContext {
  DirectoryLister& lister;
  const TextArchives& archives;
  ScanProgress& progress;
  ArchiveScanState& state;
  TextArchiveHeader& currentHeader;
  TextArchiveHeader& savedHeader;
  CurrentText& currentText;
  EntryOrder order = germanEntryLess;
};

// Fills `list` with the entries of the readable archives in `folder`, which
// gets a trailing backslash when it has none.
void scanArchiveFolder(std::string& folder, std::vector<std::string>& list, ScanContext& context);

}  // namespace kv
