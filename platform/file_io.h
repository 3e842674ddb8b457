// File access for the core: whole-file reads and writes that never leave a
// half-written file behind. Paths arrive as Windows-1252 texts, like every
// other text of the program, and are converted explicitly.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

std::filesystem::path pathFromCp1252(std::string_view path);
// The path as the program's texts carry it; characters outside Windows-1252
// are kept as UTF-8, which is still better than losing the name.
std::string cp1252OfPath(const std::filesystem::path& path);

// Reads at most `limit` bytes; false when the file cannot be opened or read.
bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                   std::uintmax_t limit = 64u * 1024u * 1024u);
bool readWholeFile(const std::filesystem::path& path, std::string& bytes,
                   std::uintmax_t limit = 64u * 1024u * 1024u);

// Why the system refused a write, in the terms a learner or teacher can act
// on. School folders live on servers that fill up, turn read-only, drop off
// the network or are held open by another program.
enum class FileFault { None, DiskFull, ReadOnly, FolderMissing, Locked, Other };

struct FileProblem {
  FileFault fault = FileFault::None;
  std::uint32_t systemCode = 0;  // errno, or GetLastError on Windows
  explicit operator bool() const { return fault != FileFault::None; }
};

// The system's own error code of the last failed call, and what it means.
std::uint32_t lastSystemCode();
FileFault faultOfSystemCode(std::uint32_t code);
FileProblem problemOfSystemCode(std::uint32_t code);

// One German sentence for the cause, naming the folder or file concerned
// (Windows-1252 paths): "Der Datenträger ist voll." and the like. The
// system's code is added only where the cause has no name of its own.
std::string faultSentence(const FileProblem& problem, std::string_view folder, std::string_view file = {});

// The operations a whole-file write needs: the system's, or a test's that
// fails the n-th of them. One object writes one file at a time.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Creates `file`, which must not exist yet, and keeps it open for writing.
  virtual FileProblem create(const std::filesystem::path& file) = 0;
  virtual FileProblem write(std::string_view bytes) = 0;
  // Waits until the bytes are on the disk, not only in the system's cache.
  virtual FileProblem sync() = 0;
  virtual FileProblem close() = 0;
  // Puts `from` in the place of `to`, replacing an earlier `to`.
  virtual FileProblem replace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
  virtual void remove(const std::filesystem::path& file) = 0;
};
std::unique_ptr<FileWriter> systemFileWriter();

// Writes, syncs and removes a small file in `folder`: what the system says
// of that is the cause when a library's error named none.
FileProblem probeFolder(const std::filesystem::path& folder, FileWriter* writer = nullptr);

enum class AtomicWriteError { None, Create, Write, Verify, Replace };

struct AtomicWriteResult {
  AtomicWriteError stage = AtomicWriteError::None;
  FileProblem problem;  // the first failure; clean-up never replaces it
  bool ok() const { return stage == AtomicWriteError::None; }
  explicit operator bool() const { return ok(); }
  // The German reason, naming the file: one or two sentences.
  std::string reason(const std::filesystem::path& file) const;
};

// Writes `bytes` to a temporary file beside `path` and puts it in place only
// when it is complete and on the disk, so a failed write never destroys an
// earlier file and a cut in the middle leaves either the old or the new one.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The same, telling where and why it failed; `verify`, when given, reads the
// finished temporary file back before it replaces anything. The temporary
// name ends in ".tmp" and a number, so no program takes a leftover for the
// real file.
AtomicWriteResult writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                      const std::function<bool(const std::filesystem::path&)>& verify,
                                      FileWriter* writer = nullptr);

}  // namespace kv
