#include "platform/file_io.h"

#include <fstream>
#include <random>
#include <system_error>

#include "platform/encoding.h"

namespace kv {

std::filesystem::path pathFromCp1252(std::string_view path) {
#ifdef _WIN32
  const std::u16string wide = cp1252ToUtf16(path);
  return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
#else
  // Paths are written the Windows way throughout the program; on other
  // systems the backslash can only have meant a folder separator.
  std::string native = cp1252ToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::path(native);
#endif
}

namespace {

// Reads straight into the caller's buffer, sized once from the file's length:
// no second copy, and no growth that would copy what was read so far.
template <typename Buffer>
bool readInto(const std::filesystem::path& path, Buffer& bytes, std::uintmax_t limit) {
  bytes.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::error_code unknown;
  const std::uintmax_t expected = std::filesystem::file_size(path, unknown);
  if (!unknown) {
    if (expected > limit) return false;
    // A little room beyond the end lets the read that meets the end happen
    // without growing the buffer.
    bytes.reserve(static_cast<std::size_t>(expected) + 4096);
  }
  while (in) {
    const std::size_t old = bytes.size();
    const std::size_t room = bytes.capacity() > old ? bytes.capacity() - old : 64 * 1024;
    bytes.resize(old + room);
    in.read(reinterpret_cast<char*>(bytes.data() + old), static_cast<std::streamsize>(room));
    bytes.resize(old + static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > limit) return false;
  }
  return in.eof() && !in.bad();
}

}  // namespace

bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                   std::uintmax_t limit) {
  return readInto(path, bytes, limit);
}

bool readWholeFile(const std::filesystem::path& path, std::string& bytes, std::uintmax_t limit) {
  return readInto(path, bytes, limit);
}

std::string cp1252OfPath(const std::filesystem::path& path) {
  const std::u8string u8 = path.u8string();
  const std::string_view bytes(reinterpret_cast<const char*>(u8.data()), u8.size());
  if (auto converted = utf8ToCp1252(bytes)) return *converted;
  return std::string(bytes);
}

FileProblem problemOfSystemCode(std::uint32_t code) { return {faultOfSystemCode(code), code}; }

std::string faultSentence(const FileProblem& problem, std::string_view folder, std::string_view file) {
  const std::string quotedFolder = w1252("\u201E") + std::string(folder) + w1252("\u201C");
  const std::string quotedFile = w1252("\u201E") + std::string(file) + w1252("\u201C");
  switch (problem.fault) {
    case FileFault::None:
      return {};
    case FileFault::DiskFull:
      return w1252("Der Datentr\u00E4ger ist voll.");
    case FileFault::ReadOnly:
      return file.empty() ? w1252("Der Ordner ") + quotedFolder + w1252(" ist schreibgesch\u00FCtzt.")
                          : w1252("Der Ordner ") + quotedFolder + w1252(" oder die Datei ") + quotedFile +
                                w1252(" ist schreibgesch\u00FCtzt.");
    case FileFault::FolderMissing:
      return w1252("Der Ordner ") + quotedFolder + " ist nicht erreichbar.";
    case FileFault::Locked:
      return file.empty() ? w1252("Eine Datei im Ordner ") + quotedFolder +
                                w1252(" wird gerade von einem anderen Programm verwendet.")
                          : w1252("Die Datei ") + quotedFile +
                                w1252(" wird gerade von einem anderen Programm verwendet.");
    case FileFault::Other:
      break;
  }
  return w1252("Das System meldet einen Schreib- oder Lesefehler (Fehlercode ") +
         std::to_string(problem.systemCode) + ").";
}

std::string AtomicWriteResult::reason(const std::filesystem::path& file) const {
  const std::string name = cp1252OfPath(file);
  const std::string folder = cp1252OfPath(file.parent_path());
  if (stage == AtomicWriteError::None) return {};
  if (stage == AtomicWriteError::Verify) {
    return w1252("Die geschriebene Datei \u201E") + name +
           w1252("\u201C l\u00E4sst sich nicht fehlerfrei zur\u00FCcklesen.");
  }
  // Only the replacing step concerns the file itself; before it, the folder.
  return faultSentence(problem, folder, stage == AtomicWriteError::Replace ? name : std::string());
}

FileProblem probeFolder(const std::filesystem::path& folder, FileWriter* writer) {
  std::unique_ptr<FileWriter> system;
  if (writer == nullptr) {
    system = systemFileWriter();
    writer = system.get();
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return {FileFault::FolderMissing, 0};
  std::random_device seed;
  const std::filesystem::path probe = folder / ("~klavento-probe" + std::to_string(seed() % 1000000u) + ".tmp");
  FileProblem problem = writer->create(probe);
  if (problem) return problem;
  problem = writer->write(std::string(4096, '\0'));
  if (!problem) problem = writer->sync();
  const FileProblem closed = writer->close();
  if (!problem) problem = closed;
  writer->remove(probe);
  return problem;
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  return writeFileAtomically(path, bytes, {}).ok();
}

AtomicWriteResult writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                      const std::function<bool(const std::filesystem::path&)>& verify,
                                      FileWriter* writer) {
  std::unique_ptr<FileWriter> system;
  if (writer == nullptr) {
    system = systemFileWriter();
    writer = system.get();
  }
  AtomicWriteResult result;
  // A folder that is gone says so more plainly than the code of whichever
  // call noticed it first.
  const auto fail = [&](AtomicWriteError stage, FileProblem problem) {
    std::error_code ec;
    if (problem.fault != FileFault::DiskFull && problem.fault != FileFault::Locked &&
        path.has_parent_path() && !std::filesystem::is_directory(path.parent_path(), ec)) {
      problem.fault = FileFault::FolderMissing;
    }
    result.stage = stage;
    result.problem = problem;
    return result;
  };
  std::random_device seed;
  std::filesystem::path temp = path;
  temp += ".tmp" + std::to_string(seed() % 1000000u);
  if (FileProblem p = writer->create(temp)) return fail(AtomicWriteError::Create, p);
  FileProblem problem = writer->write(bytes);
  if (!problem) problem = writer->sync();
  // The last bytes may only be written, and fail, when the file is closed.
  const FileProblem closed = writer->close();
  if (!problem) problem = closed;
  if (problem) {
    writer->remove(temp);
    return fail(AtomicWriteError::Write, problem);
  }
  if (verify && !verify(temp)) {
    writer->remove(temp);
    result.stage = AtomicWriteError::Verify;
    result.problem = {FileFault::Other, 0};
    return result;
  }
  if (FileProblem p = writer->replace(temp, path)) {
    std::error_code ec;
    if (p.fault == FileFault::Locked && !std::filesystem::exists(path, ec) && !ec) {
      // Some network mounts refuse to rename a file that is held open, and
      // Wine holds it open while it renames. With no earlier file to keep,
      // the bytes go into a new file of that name, read back before it
      // counts; a failure removes what was begun.
      writer->remove(temp);
      if (FileProblem c = writer->create(path)) return fail(AtomicWriteError::Replace, c);
      FileProblem direct = writer->write(bytes);
      if (!direct) direct = writer->sync();
      const FileProblem shut = writer->close();
      if (!direct) direct = shut;
      if (!direct && verify && !verify(path)) direct = {FileFault::Other, 0};
      if (direct) {
        writer->remove(path);
        return fail(AtomicWriteError::Replace, direct);
      }
      return result;
    }
    writer->remove(temp);
    return fail(AtomicWriteError::Replace, p);
  }
  return result;
}

}  // namespace kv
