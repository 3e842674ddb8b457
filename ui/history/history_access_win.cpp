#include "ui/history/history_access_win.h"

#include <shlobj.h>

#include <cstdio>
#include <memory>

#include "ui/shared/app_state.h"
#include "platform/file_io.h"
#include "platform/win/later_library.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<HistoryRecorder>& recorderSlot() {
  static std::unique_ptr<HistoryRecorder> recorder;
  return recorder;
}

HistoryRecorder& recorder() {
  std::unique_ptr<HistoryRecorder>& slot = recorderSlot();
  if (!slot) slot = std::make_unique<HistoryRecorder>(historyFile(), waitingHistoryFiles());
  return *slot;
}

std::wstring environmentValue(const wchar_t* name) {
  const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (needed == 0) return {};
  std::wstring value(needed, L'\0');
  const DWORD got = ::GetEnvironmentVariableW(name, value.data(), needed);
  value.resize(got < needed ? got : 0);
  return value;
}

}  // namespace

fs::path historyFile() {
  constexpr const wchar_t* kFileName = L"Lernverlauf.sqlite";
  const std::string& policy = appState().settings.folders.history;
  if (!policy.empty()) return pathFromCp1252(policy) / kFileName;
  if (const std::wstring launcher = environmentValue(L"KLAVENTO_LERNVERLAUF"); !launcher.empty()) {
    return fs::path(launcher) / kFileName;
  }
  wchar_t appData[MAX_PATH] = {};
  if (win::laterLibraryLoaded(win::LaterLibrary::Shell) && SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                   SHGFP_TYPE_CURRENT, appData))) {
    return fs::path(appData) / L"Klavento" / kFileName;
  }
  return fs::path(L"Klavento") / kFileName;
}

std::vector<fs::path> waitingHistoryFiles() {
  constexpr const wchar_t* kFileName = L"Lernverlauf-ausstehend.sqlite";
  std::vector<fs::path> places;
  wchar_t local[MAX_PATH] = {};
  if (win::laterLibraryLoaded(win::LaterLibrary::Shell) && SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                   SHGFP_TYPE_CURRENT, local))) {
    places.push_back(fs::path(local) / L"Klavento" / kFileName);
  }
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  if (length > 0 && length <= MAX_PATH) places.push_back(fs::path(temp) / L"Klavento" / kFileName);
  return places;
}

HistoryStore* openHistory(std::string& notice) {
  recorder().catchUp();
  return recorder().history(notice);
}

RecordOutcome recordExercise(const ExerciseRecord& record) { return recorder().record(record); }

void catchUpHistory() { recorder().catchUp(); }

std::string historyLostOnExit() {
  if (!recorderSlot() || recorderSlot()->waitingInMemory() == 0) return {};
  recorder().catchUp();
  return recorder().lostOnExitNotice();
}

void closeHistory() {
  // Exercises that wait in memory stay with the recorder.
  if (recorderSlot()) recorderSlot()->closeHistory();
}

std::string localTimeText(std::uint32_t millisecondsAgo) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  FILETIME file{};
  ::SystemTimeToFileTime(&now, &file);
  ULARGE_INTEGER t{};
  t.LowPart = file.dwLowDateTime;
  t.HighPart = file.dwHighDateTime;
  t.QuadPart -= static_cast<ULONGLONG>(millisecondsAgo) * 10000ULL;
  file.dwLowDateTime = t.LowPart;
  file.dwHighDateTime = t.HighPart;
  SYSTEMTIME then{};
  ::FileTimeToSystemTime(&file, &then);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", then.wYear, then.wMonth, then.wDay,
                then.wHour, then.wMinute, then.wSecond);
  return text;
}

}  // namespace kv
