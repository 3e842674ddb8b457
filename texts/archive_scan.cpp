#include "texts/archive_scan.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

#include "platform/encoding.h"
#include "texts/archive.h"

namespace kv {
namespace {

std::string lowerExtension(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  const auto dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return foldCaseCp1252(path.substr(dot));
}

// The primary letter of a character in German dictionary order.
std::string collationKey(std::string_view s) {
  std::string key;
  for (char c : foldCaseCp1252(s)) {
    switch (static_cast<unsigned char>(c)) {
      case 0xE4: key += 'a'; break;
      case 0xF6: key += 'o'; break;
      case 0xFC: key += 'u'; break;
      case 0xDF: key += "ss"; break;
      default: key += c;
    }
  }
  return key;
}

}  // namespace

std::string makeArchiveEntry(std::string_view archiveName, std::string_view path) {
  std::string entry(archiveName.substr(0, kEntryNameWidth));
  entry.resize(kEntryNameWidth, ' ');
  entry += path;
  return entry;
}

std::string entryName(std::string_view entry) {
  if (entry.size() <= kEntryNameWidth) return {};
  return trimName(entry.substr(0, kEntryNameWidth));
}

std::string entryPath(std::string_view entry) {
  if (entry.size() <= kEntryNameWidth) return {};
  return std::string(entry.substr(kEntryNameWidth));
}

void FileSystemLister::list(const std::string& pattern,
                            const std::function<bool(const DirectoryEntry&)>& visit) {
  const auto cut = pattern.find_last_of("\\/");
  const std::string folder = cut == std::string::npos ? std::string(".") : pattern.substr(0, cut + 1);
  const std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  const std::string suffix = foldCaseCp1252(mask.substr(mask.find('*') == 0 ? 1 : 0));
  std::error_code ec;
  std::filesystem::directory_iterator it(pathFromCp1252(folder), ec);
  if (ec) return;
  std::vector<DirectoryEntry> entries;
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string utf8 = it->path().filename().string();
    auto name = utf8ToCp1252(utf8);
    if (!name) continue;
    const std::string folded = foldCaseCp1252(*name);
    if (folded.size() < suffix.size() || folded.compare(folded.size() - suffix.size(), suffix.size(), suffix) != 0) {
      continue;
    }
    DirectoryEntry e;
    e.name = *name;
    e.directory = it->is_directory(ec);
    e.size = e.directory ? 0 : it->file_size(ec);
    entries.push_back(std::move(e));
  }
  // Directory order is arbitrary on Linux; a stable order keeps runs alike.
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
  for (const DirectoryEntry& e : entries) {
    if (!visit(e)) break;
  }
}

bool germanEntryLess(const std::string& a, const std::string& b) {
  const std::string ka = collationKey(a);
  const std::string kb = collationKey(b);
  if (ka != kb) return ka < kb;
  return a < b;
}

std::string skipReasonText(const SkippedArchive& skipped) {
  switch (skipped.reason) {
    case SkippedArchive::Reason::NoTexts: return "Das Archiv enthält keine Texte.";
    case SkippedArchive::Reason::Unavailable:
      return "Die Datei ist verschlüsselt, ausgelagert oder nur vorübergehend angelegt.";
    case SkippedArchive::Reason::Unreadable: break;
  }
  return std::string(describeArchiveError(skipped.error));
}

void scanArchiveFolder(std::string& folder, std::vector<std::string>& list, ScanContext& cx) {
  cx.progress.setMaximum(100);
  cx.progress.setPosition(0);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';

  std::string extension = ".kv7";
  if (!cx.state.lastArchivePath.empty()) {
    const std::string last = lowerExtension(cx.state.lastArchivePath);
    if (last != ".kv7" && last != ".kv5" && !last.empty() && last.front() == '.') extension = last;
  }

  list.clear();
  cx.state.skipped.clear();
  auto pass = [&](const std::string& ext) {
    cx.lister.list(folder + "*" + ext, [&](const DirectoryEntry& e) {
      if (e.directory) return list.size() < kMaxScannedFiles;
      if (e.encrypted || e.offline || e.sparse || e.temporary) {
        cx.state.skipped.push_back({folder + e.name, SkippedArchive::Reason::Unavailable});
      } else if ((e.size & 0xFFFFFFFFu) < kHeaderSize) {
        cx.state.skipped.push_back(
            {folder + e.name, SkippedArchive::Reason::Unreadable, ArchiveError::TooShort});
      } else {
        list.push_back(folder + e.name);
      }
      return list.size() < kMaxScannedFiles;
    });
  };
  pass(extension);
  // The older format's first match is still looked at when the first pass
  // filled the list; the lister stops after it.
  if (extension == ".kv7") pass(".kv5");
  if (list.empty()) return;

  cx.progress.setMaximum(static_cast<std::int32_t>(list.size()));
  for (std::size_t i = 0; i < list.size(); ++i) {
    cx.progress.setPosition(static_cast<std::int32_t>(i + 1));
    const std::string name = list[i];
    ArchiveError error = ArchiveError::None;
    try {
      const bool opened = cx.archives.openArchive(name, cx.currentHeader, cx.currentText, &error);
      if (opened && cx.currentHeader.textCount > 0) {
        const bool preferred = !cx.state.preferredArchiveFound &&
                               sameArchivePath(name, cx.state.preferredArchivePath);
        if (preferred || sameArchivePath(name, cx.state.lastArchivePath)) {
          cx.savedHeader = cx.currentHeader;
        }
        if (preferred) cx.state.preferredArchiveFound = true;
        list[i] = makeArchiveEntry(cx.currentHeader.archiveName, name);
      } else {
        if (name == cx.state.lastArchivePath) cx.state.lastArchivePath.clear();
        list[i].clear();
        cx.state.skipped.push_back(opened ? SkippedArchive{name, SkippedArchive::Reason::NoTexts}
                                          : SkippedArchive{name, SkippedArchive::Reason::Unreadable,
                                                           error});
      }
    } catch (const std::exception&) {
      list[i].clear();
      cx.state.skipped.push_back({name, SkippedArchive::Reason::Unreadable, ArchiveError::CannotRead});
    }
    cx.progress.runPendingEvents();
  }
  for (std::size_t i = list.size(); i-- > 0;) {
    if (list[i].empty()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
  }
  std::sort(list.begin(), list.end(), cx.order);
}

}  // namespace kv
