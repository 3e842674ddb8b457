// File access for the core: whole-file reads and writes that never leave a
// half-written file behind. Paths arrive as Windows-1252 texts, like every
// other text of the program, and are converted explicitly.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

std::filesystem::path pathFromCp1252(std::string_view path);

// Reads at most `limit` bytes; false when the file cannot be opened or read.
bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                   std::uintmax_t limit = 64u * 1024u * 1024u);
bool readWholeFile(const std::filesystem::path& path, std::string& bytes,
                   std::uintmax_t limit = 64u * 1024u * 1024u);

// Writes `bytes` to a temporary file beside `path` and puts it in place only
// when it is complete, so a failed write never destroys an earlier file.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The same, telling where it failed; `verify`, when given, reads the finished
// temporary file back before it replaces anything. The temporary name ends in
// ".tmp" and a number, so no program takes a leftover for the real file.
enum class AtomicWriteError { None, Create, Write, Verify, Replace };
AtomicWriteError writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                     const std::function<bool(const std::filesystem::path&)>& verify);

}  // namespace kv
