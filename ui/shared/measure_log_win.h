// Measurements for the scripts in bench/ and scripts/: off unless the
// environment variable names a file, which must be a bare file name; the log
// is then kept in the user's temporary folder and nowhere else, so the
// variable can never make the program write over a file the user did not
// mean. Each entry is appended as "<tag> <milliseconds>". A log that cannot
// be written stops measuring and says why on the debug output, where the
// scripts look; the learner's exercise is never disturbed by it.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/strings.h"

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
    path_ = std::wstring(folder, length) + file;
    file_ = _wfopen(path_.c_str(), L"a");
    if (file_ == nullptr) {
      stop();
      return;
    }
    ::QueryPerformanceFrequency(&frequency_);
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
    if (std::fprintf(file_, "%d %.4f\n", tag, ms) < 0 || std::fflush(file_) != 0) stop();
  }
  // The time since the process was created, as the system counts it: what a
  // user waits from the double click on, less the loader's own first steps.
  void addSinceProcessStart(int tag) {
    if (file_ == nullptr) return;
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
      return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    const double ms = static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
    if (std::fprintf(file_, "%d %.4f\n", tag, ms) < 0 || std::fflush(file_) != 0) stop();
  }

 private:
  void stop() {
    const FileProblem problem = problemOfSystemCode(::GetLastError());
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    const std::filesystem::path path(path_);
    const std::string text = w1252("Klavento: Das Messprotokoll \u201E") + cp1252OfPath(path) +
                             w1252("\u201C wird nicht weitergeschrieben. ") +
                             faultSentence(problem, cp1252OfPath(path.parent_path()), cp1252OfPath(path)) + "\n";
    ::OutputDebugStringW(win::widen(text).c_str());
  }

  std::wstring path_;
  std::FILE* file_ = nullptr;
  LARGE_INTEGER frequency_{};
};

}  // namespace kv
