// The system's file operations on POSIX systems, for the native build.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_io.h"

namespace kv {

std::uint32_t lastSystemCode() { return static_cast<std::uint32_t>(errno); }

FileFault faultOfSystemCode(std::uint32_t code) {
  switch (static_cast<int>(code)) {
    case 0:
      return FileFault::None;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileFault::DiskFull;
    case EROFS:
    case EACCES:
    case EPERM:
      return FileFault::ReadOnly;
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
    case EHOSTUNREACH:
      return FileFault::FolderMissing;
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
      return FileFault::Locked;
    default:
      return FileFault::Other;
  }
}

namespace {

FileProblem lastProblem() { return problemOfSystemCode(lastSystemCode()); }

class PosixFileWriter final : public FileWriter {
 public:
  ~PosixFileWriter() override {
    if (fd_ >= 0) ::close(fd_);
  }
  FileProblem create(const std::filesystem::path& file) override {
    fd_ = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return fd_ < 0 ? lastProblem() : FileProblem{};
  }
  FileProblem write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return n < 0 ? lastProblem() : problemOfSystemCode(ENOSPC);
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
  }
  FileProblem sync() override { return ::fsync(fd_) != 0 ? lastProblem() : FileProblem{}; }
  FileProblem close() override {
    const int fd = fd_;
    fd_ = -1;
    return fd >= 0 && ::close(fd) != 0 ? lastProblem() : FileProblem{};
  }
  FileProblem replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
    if (std::rename(from.c_str(), to.c_str()) != 0) return lastProblem();
    // The new name itself must survive a power cut, not only the bytes.
    const std::filesystem::path folder = to.has_parent_path() ? to.parent_path() : ".";
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return {};
  }
  void remove(const std::filesystem::path& file) override { ::unlink(file.c_str()); }

 private:
  int fd_ = -1;
};

}  // namespace

std::unique_ptr<FileWriter> systemFileWriter() { return std::make_unique<PosixFileWriter>(); }

}  // namespace kv
