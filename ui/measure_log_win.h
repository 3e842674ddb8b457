// Measurements for the scripts in bench/ and scripts/: off unless the
// environment variable names a file, which must be a bare file name; the log
// is then kept in the user's temporary folder and nowhere else, so the
// variable can never make the program write over a file the user did not
// mean. Each entry is appended as "<tag> <milliseconds>".
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace kv {

class MeasureLog {
 public:
  explicit MeasureLog(const wchar_t* variable) {
    wchar_t name[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableW(variable, name, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    const std::wstring file(name, n);
    if (file.find_first_of(L"\\/:") != std::wstring::npos || file == L"." || file == L"..") return;
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return;
    file_ = _wfopen((std::wstring(folder, length) + file).c_str(), L"a");
    if (file_ != nullptr) ::QueryPerformanceFrequency(&frequency_);
  }
  ~MeasureLog() {
    if (file_ != nullptr) std::fclose(file_);
  }
  MeasureLog(const MeasureLog&) = delete;
  MeasureLog& operator=(const MeasureLog&) = delete;

  bool on() const { return file_ != nullptr; }
  static LARGE_INTEGER now() {
    LARGE_INTEGER t{};
    ::QueryPerformanceCounter(&t);
    return t;
  }
  void add(int tag, const LARGE_INTEGER& start) {
    if (file_ == nullptr) return;
    const LARGE_INTEGER end = now();
    const double ms = static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                      static_cast<double>(frequency_.QuadPart);
    std::fprintf(file_, "%d %.4f\n", tag, ms);
    std::fflush(file_);
  }

 private:
  std::FILE* file_ = nullptr;
  LARGE_INTEGER frequency_{};
};

}  // namespace kv
