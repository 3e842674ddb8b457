#include "texts/archive.h"

#include <algorithm>
#include <fstream>
#include <limits>

#include "texts/builtin_texts.h"

namespace kv {
namespace {

bool knownFormat(const TextArchiveHeader& header) {
  return (header.signature == kSignature && header.formatVersion == kFormatVersion) ||
         (header.signature == kSignatureKv5 && header.formatVersion == kFormatVersionKv5);
}

bool allTextCharacters(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return isTextCharacter(static_cast<unsigned char>(c)); });
}

// Case folding of Windows-1252 letters, as the file system sees them.
unsigned char foldCase(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A: return 0x9A;  // S caron
    case 0x8C: return 0x9C;  // OE
    case 0x8E: return 0x9E;  // Z caron
    case 0x9F: return 0xFF;  // Y diaeresis
    default: return c;
  }
}

ArchiveError readFileBytes(std::ifstream& in, std::uint64_t offset, std::uint64_t size,
                           std::string& bytes) {
  if (size > static_cast<std::uint64_t>(std::numeric_limits<std::streamsize>::max()) ||
      offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max())) {
    return ArchiveError::CannotRead;
  }
  bytes.assign(static_cast<std::size_t>(size), '\0');
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (!in || static_cast<std::uint64_t>(in.gcount()) != size) return ArchiveError::CannotRead;
  return ArchiveError::None;
}

// Opens the file and reads and checks its directory; leaves `in` open for the texts.
ArchiveError openAndReadDirectory(const std::filesystem::path& file, std::ifstream& in,
                                  TextArchiveHeader& header) {
  in.open(file, std::ios::binary);
  if (!in) return ArchiveError::CannotRead;
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (end < 0) return ArchiveError::CannotRead;
  const auto fileSize = static_cast<std::uint64_t>(end);
  if (fileSize < kHeaderSize) return ArchiveError::TooShort;
  std::string bytes;
  if (const ArchiveError e = readFileBytes(in, 0, kHeaderSize, bytes); e != ArchiveError::None) {
    return e;
  }
  TextArchiveHeader read;
  const std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                           bytes.size());
  if (!decodeHeader(view, read)) return ArchiveError::BadHeader;
  if (const ArchiveError e = checkArchiveDirectory(read, fileSize); e != ArchiveError::None) {
    return e;
  }
  header = std::move(read);
  return ArchiveError::None;
}

}  // namespace

std::string_view describeArchiveError(ArchiveError error) {
  switch (error) {
    case ArchiveError::None: return "kein Fehler";
    case ArchiveError::CannotRead:
      return "Die Datei lässt sich nicht öffnen oder nicht vollständig lesen.";
    case ArchiveError::TooShort: return "Die Datei ist kürzer als der Archivkopf (51388 Bytes).";
    case ArchiveError::BadHeader:
      return "Der Archivkopf ist beschädigt (eine Längenangabe oder die Zahl der Texte ist zu "
             "groß).";
    case ArchiveError::RecordSize: return "Die Satzlänge im Archivkopf ist nicht 51388.";
    case ArchiveError::Signature:
      return "Die Datei ist kein Klavento-Textarchiv (Kennung oder Formatversion unbekannt).";
    case ArchiveError::EntryCounts:
      return "Die Zeilen- oder Zeichenzahl eines Textes im Verzeichnis ist unmöglich.";
    case ArchiveError::BodySize:
      return "Die Dateilänge passt nicht zu den Zeichenzahlen der Texte (Datei abgeschnitten "
             "oder beschädigt).";
    case ArchiveError::NoSuchText: return "Diesen Text gibt es im Archiv nicht.";
    case ArchiveError::Changed: return "Die Datei wurde verändert, seit sie geöffnet wurde.";
    case ArchiveError::TextBody:
      return "Ein Text passt nicht zu seinen Angaben im Verzeichnis (Zeilen, Zeilenenden oder "
             "Zeichen).";
  }
  return "unbekannter Fehler";
}

bool isTextCharacter(unsigned char c) {
  if (c < 32 || c == 127) return false;
  switch (c) {
    case 0x81: case 0x8D: case 0x8F: case 0x90: case 0x9D: return false;
    default: return true;
  }
}

ArchiveError checkArchiveDirectory(const TextArchiveHeader& header, std::uint64_t fileSize) {
  if (fileSize < kHeaderSize) return ArchiveError::TooShort;
  if (header.recordSize != static_cast<std::int32_t>(kHeaderSize)) return ArchiveError::RecordSize;
  if (!knownFormat(header)) return ArchiveError::Signature;
  if (header.textCount > kMaxTexts) return ArchiveError::BadHeader;
  std::uint64_t bodySize = 0;
  for (std::size_t i = 0; i < header.textCount; ++i) {
    const TextEntry& e = header.entries[i];
    if (e.lineCount < 1 || e.lineCount > kMaxTextLines) return ArchiveError::EntryCounts;
    const std::int64_t least = 2 * static_cast<std::int64_t>(e.lineCount);
    const std::int64_t most = static_cast<std::int64_t>(e.lineCount) *
                              static_cast<std::int64_t>(kMaxLineLength + 2);
    if (e.charCount < least || e.charCount > most) return ArchiveError::EntryCounts;
    bodySize += static_cast<std::uint64_t>(e.charCount);
  }
  if (fileSize - kHeaderSize != bodySize) return ArchiveError::BodySize;
  return ArchiveError::None;
}

ArchiveError readArchiveImage(std::span<const std::uint8_t> image, TextArchiveHeader& header) {
  if (image.size() < kHeaderSize) return ArchiveError::TooShort;
  TextArchiveHeader read;
  if (!decodeHeader(image, read)) return ArchiveError::BadHeader;
  if (const ArchiveError e = checkArchiveDirectory(read, image.size()); e != ArchiveError::None) {
    return e;
  }
  header = std::move(read);
  return ArchiveError::None;
}

ArchiveTextSpan textExtent(const TextArchiveHeader& header, int n) {
  ArchiveTextSpan extent{kHeaderSize, 0};
  if (n < 1 || n > header.textCount) return extent;
  const auto index = static_cast<std::size_t>(n - 1);
  for (std::size_t i = 0; i < index; ++i) {
    extent.offset += static_cast<std::uint64_t>(std::max(0, header.entries[i].charCount));
  }
  extent.size = static_cast<std::uint64_t>(std::max(0, header.entries[index].charCount));
  return extent;
}

ArchiveError splitTextBody(std::string_view body, std::int32_t lineCount,
                           std::vector<std::string>& lines) {
  if (lineCount < 0) return ArchiveError::TextBody;
  const auto expected = static_cast<std::size_t>(lineCount);
  std::vector<std::string> split;
  split.reserve(std::min(expected, body.size() / 2));
  std::size_t pos = 0;
  while (pos < body.size()) {
    const std::size_t start = pos;
    while (pos < body.size() && isTextCharacter(static_cast<unsigned char>(body[pos]))) ++pos;
    if (pos - start > kMaxLineLength) return ArchiveError::TextBody;
    if (body.size() - pos < 2 || body[pos] != '\r' || body[pos + 1] != '\n') {
      return ArchiveError::TextBody;
    }
    if (split.size() == expected) return ArchiveError::TextBody;
    split.emplace_back(body.substr(start, pos - start));
    pos += 2;
  }
  if (split.size() != expected) return ArchiveError::TextBody;
  lines.insert(lines.end(), std::make_move_iterator(split.begin()),
               std::make_move_iterator(split.end()));
  return ArchiveError::None;
}

ArchiveError readImageText(std::span<const std::uint8_t> image, const TextArchiveHeader& header,
                           int n, std::vector<std::string>& lines) {
  if (n < 1 || n > header.textCount) return ArchiveError::NoSuchText;
  // The directory may not be this image's; only a directory that fits the
  // image keeps every text inside it.
  if (const ArchiveError e = checkArchiveDirectory(header, image.size()); e != ArchiveError::None) {
    return e;
  }
  const ArchiveTextSpan extent = textExtent(header, n);
  const std::string_view body(reinterpret_cast<const char*>(image.data()) + extent.offset,
                              static_cast<std::size_t>(extent.size));
  return splitTextBody(body, header.entries[static_cast<std::size_t>(n - 1)].lineCount, lines);
}

std::optional<std::vector<std::uint8_t>> encodeArchive(TextArchiveHeader header,
                                                       const std::vector<ArchiveText>& texts) {
  if (texts.size() > kMaxTexts) return std::nullopt;
  if (header.archiveName.size() > kArchiveNameMax || !allTextCharacters(header.archiveName)) {
    return std::nullopt;
  }
  header.recordSize = static_cast<std::int32_t>(kHeaderSize);
  header.signature = std::string(kSignature);
  header.formatVersion = kFormatVersion;
  header.textCount = static_cast<std::uint8_t>(texts.size());
  std::string body;
  for (std::size_t i = 0; i < kMaxTexts; ++i) {
    TextEntry& entry = header.entries[i];
    entry.title.clear();
    entry.charCount = 0;
    entry.lineCount = 0;
    if (i >= texts.size()) continue;
    const ArchiveText& text = texts[i];
    if (text.title.size() > kTitleMax || !allTextCharacters(text.title)) return std::nullopt;
    if (text.lines.empty() || text.lines.size() > static_cast<std::size_t>(kMaxTextLines)) {
      return std::nullopt;
    }
    std::int64_t chars = 0;
    for (const std::string& line : text.lines) {
      if (line.size() > kMaxLineLength || !allTextCharacters(line)) return std::nullopt;
      body += line;
      body += "\r\n";
      chars += static_cast<std::int64_t>(line.size()) + 2;
    }
    entry.title = text.title;
    entry.lineCount = static_cast<std::int32_t>(text.lines.size());
    entry.charCount = static_cast<std::int32_t>(chars);
  }
  const HeaderBytes head = encodeHeader(header);
  std::vector<std::uint8_t> image(head.begin(), head.end());
  image.insert(image.end(), body.begin(), body.end());
  return image;
}

ArchiveError readArchiveFile(const std::filesystem::path& file, TextArchiveHeader& header) {
  std::ifstream in;
  return openAndReadDirectory(file, in, header);
}

ArchiveError readArchiveFileText(const std::filesystem::path& file, const TextArchiveHeader& header,
                                 int n, std::vector<std::string>& lines) {
  if (n < 1 || n > header.textCount) return ArchiveError::NoSuchText;
  std::ifstream in;
  TextArchiveHeader now;
  if (const ArchiveError e = openAndReadDirectory(file, in, now); e != ArchiveError::None) return e;
  if (now.textCount != header.textCount ||
      !std::equal(header.entries.begin(), header.entries.begin() + header.textCount,
                  now.entries.begin())) {
    return ArchiveError::Changed;
  }
  const ArchiveTextSpan extent = textExtent(now, n);
  std::string body;
  if (const ArchiveError e = readFileBytes(in, extent.offset, extent.size, body);
      e != ArchiveError::None) {
    return e;
  }
  return splitTextBody(body, now.entries[static_cast<std::size_t>(n - 1)].lineCount, lines);
}

bool ArchiveFileSource::readLines(int n, std::vector<std::string>& lines) {
  error_ = readArchiveFileText(file_, header_, n, lines);
  return error_ == ArchiveError::None;
}

bool sameArchivePath(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return foldCase(static_cast<unsigned char>(x)) == foldCase(static_cast<unsigned char>(y));
         });
}

std::string foldCaseCp1252(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(foldCase(static_cast<unsigned char>(c)));
  return folded;
}

std::string archiveReadErrorMessage(std::string_view path) {
  return "Fehler beim Lesen der Datei \"" + std::string(path) + "\".";
}

namespace {

std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& imageArchives() {
  static std::vector<std::pair<std::string, std::vector<std::uint8_t>>> images;
  return images;
}

class ImageSource : public TextSource {
 public:
  ImageSource(const std::vector<std::uint8_t>& image, const TextArchiveHeader& header)
      : image_(image), header_(header) {}
  bool readLines(int n, std::vector<std::string>& lines) override {
    return readImageText(image_, header_, n, lines) == ArchiveError::None;
  }

 private:
  const std::vector<std::uint8_t>& image_;
  const TextArchiveHeader& header_;
};

}  // namespace

void registerImageArchive(std::string path, std::vector<std::uint8_t> image) {
  auto& images = imageArchives();
  std::erase_if(images, [&](const auto& entry) { return sameArchivePath(entry.first, path); });
  images.emplace_back(std::move(path), std::move(image));
}

const std::vector<std::uint8_t>* imageArchive(std::string_view path) {
  for (const auto& [name, image] : imageArchives()) {
    if (sameArchivePath(name, path)) return &image;
  }
  return nullptr;
}

bool TextArchives::isBuiltin(std::string_view path) const {
  return !programPath_.empty() && sameArchivePath(path, programPath_);
}

bool TextArchives::openArchive(std::string_view path, TextArchiveHeader& header,
                               CurrentText& text, ArchiveError* why) const {
  resetHeader(header);
  text.archivePath = std::string(path);
  if (why != nullptr) *why = ArchiveError::None;
  if (isBuiltin(path)) {
    fillBuiltinHeader(header);
    return true;
  }
  if (const std::vector<std::uint8_t>* image = imageArchive(path)) {
    TextArchiveHeader read;
    const ArchiveError error = readArchiveImage(*image, read);
    if (error != ArchiveError::None) {
      if (why != nullptr) *why = error;
      return false;
    }
    header = std::move(read);
    return true;
  }
  TextArchiveHeader read;
  if (const ArchiveError error = readArchiveFile(pathFromCp1252(path), read);
      error != ArchiveError::None) {
    if (why != nullptr) *why = error;
    return false;
  }
  header = std::move(read);
  return true;
}

bool TextArchives::loadText(const TextArchiveHeader& header, int n, bool withSelection,
                            const LineSelection& selection, CurrentText& text) const {
  if (isBuiltin(text.archivePath)) {
    BuiltinTextSource source;
    return kv::loadText(source, n, withSelection, selection, text);
  }
  if (const std::vector<std::uint8_t>* image = imageArchive(text.archivePath)) {
    ImageSource source(*image, header);
    return kv::loadText(source, n, withSelection, selection, text);
  }
  ArchiveFileSource source(pathFromCp1252(text.archivePath), header);
  return kv::loadText(source, n, withSelection, selection, text);
}

bool TextArchives::switchArchive(ArchiveSwitch state, std::string_view path, std::int32_t index,
                                 std::string_view caption, std::string& message) const {
  state.savedHeader = state.currentHeader;
  const std::string rememberedPath = state.currentText.archivePath;
  const std::int32_t rememberedIndex = state.archiveIndex;
  if (openArchive(path, state.currentHeader, state.currentText) &&
      state.currentHeader.textCount > 0) {
    // savedHeader is also "the archive last opened successfully": the dialog
    // makes an item current from it when it is set up again.
    state.savedHeader = state.currentHeader;
    state.archiveIndex = index;
    state.archiveCaption = std::string(caption);
    message.clear();
    return true;
  }
  state.currentHeader = state.savedHeader;
  state.currentText.archivePath = rememberedPath;
  state.archiveIndex = rememberedIndex;
  message = archiveReadErrorMessage(path);
  return false;
}

}  // namespace kv
