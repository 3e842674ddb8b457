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

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  return writeFileAtomically(path, bytes, {}) == AtomicWriteError::None;
}

AtomicWriteError writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                     const std::function<bool(const std::filesystem::path&)>& verify) {
  std::random_device seed;
  std::filesystem::path temp = path;
  temp += ".tmp" + std::to_string(seed() % 1000000u);
  const auto discard = [&temp] {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
  };
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return AtomicWriteError::Create;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    const bool written = static_cast<bool>(out);
    // The last bytes may only be written, and fail, when the file is closed.
    out.close();
    if (!written || out.fail()) {
      discard();
      return AtomicWriteError::Write;
    }
  }
  if (verify && !verify(temp)) {
    discard();
    return AtomicWriteError::Verify;
  }
  std::error_code error;
  std::filesystem::rename(temp, path, error);
  if (error) {
    discard();
    return AtomicWriteError::Replace;
  }
  return AtomicWriteError::None;
}

}  // namespace kv
