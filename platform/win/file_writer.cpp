// The system's file operations on Windows, with the system's own error codes,
// which tell a locked file from a read-only one where the C library's errno
// cannot.
#include <windows.h>

#include "platform/file_io.h"

namespace kv {

std::uint32_t lastSystemCode() { return ::GetLastError(); }

FileFault faultOfSystemCode(std::uint32_t code) {
  switch (code) {
    case ERROR_SUCCESS:
      return FileFault::None;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileFault::DiskFull;
    case ERROR_WRITE_PROTECT:
    case ERROR_ACCESS_DENIED:
      return FileFault::ReadOnly;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_DRIVE_LOCKED:
      return FileFault::Locked;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_NET_NAME:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_DIRECTORY:
      return FileFault::FolderMissing;
    default:
      return FileFault::Other;
  }
}

namespace {

FileProblem lastProblem() { return problemOfSystemCode(::GetLastError()); }

class WindowsFileWriter final : public FileWriter {
 public:
  ~WindowsFileWriter() override {
    if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
  }
  FileProblem create(const std::filesystem::path& file) override {
    file_ = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file_ == INVALID_HANDLE_VALUE ? lastProblem() : FileProblem{};
  }
  FileProblem write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const DWORD chunk = bytes.size() > (1u << 20) ? (1u << 20) : static_cast<DWORD>(bytes.size());
      DWORD written = 0;
      if (!::WriteFile(file_, bytes.data(), chunk, &written, nullptr)) return lastProblem();
      if (written == 0) return problemOfSystemCode(ERROR_DISK_FULL);
      bytes.remove_prefix(written);
    }
    return {};
  }
  FileProblem sync() override { return ::FlushFileBuffers(file_) ? FileProblem{} : lastProblem(); }
  FileProblem close() override {
    const HANDLE file = file_;
    file_ = INVALID_HANDLE_VALUE;
    return file != INVALID_HANDLE_VALUE && !::CloseHandle(file) ? lastProblem() : FileProblem{};
  }
  FileProblem replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? FileProblem{}
               : lastProblem();
  }
  void remove(const std::filesystem::path& file) override { ::DeleteFileW(file.c_str()); }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<FileWriter> systemFileWriter() { return std::make_unique<WindowsFileWriter>(); }

}  // namespace kv
