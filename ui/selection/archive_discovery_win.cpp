#include "ui/selection/archive_discovery_win.h"

#include "ui/shared/app_state.h"
#include "platform/win/modal.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "texts/archive.h"
#include "ui/shared/progress_window_win.h"

namespace kv {
namespace {

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Handle h) noexcept { ::FindClose(h); }
};
using FindHandle = win::UniqueHandle<FindHandleTraits>;

DirectoryEntry toEntry(const WIN32_FIND_DATAW& data) {
  DirectoryEntry e;
  e.name = win::narrowLossy(data.cFileName);
  const DWORD a = data.dwFileAttributes;
  e.directory = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  e.encrypted = (a & FILE_ATTRIBUTE_ENCRYPTED) != 0;
  e.offline = (a & FILE_ATTRIBUTE_OFFLINE) != 0;
  e.sparse = (a & FILE_ATTRIBUTE_SPARSE_FILE) != 0;
  e.temporary = (a & FILE_ATTRIBUTE_TEMPORARY) != 0;
  // The scan judges the low 32 bits only, as the size field of old listings did.
  e.size = data.nFileSizeLow;
  return e;
}

class WindowScanProgress final : public ScanProgress {
 public:
  void setMaximum(std::int32_t maximum) override { appState().progressMax = maximum; }
  void setPosition(std::int32_t position) override { appState().progressPosition = position; }
  void runPendingEvents() override { win::processPendingMessages(); }
};

}  // namespace

void Win32DirectoryLister::list(const std::string& pattern,
                                const std::function<bool(const DirectoryEntry&)>& visit) {
  // A name that does not survive the trip to Windows-1252 could not be opened
  // again by its narrowed path; such files are simply not offered.
  WIN32_FIND_DATAW data{};
  FindHandle find(::FindFirstFileW(win::widen(pattern).c_str(), &data));
  if (!find) return;
  do {
    if (!win::narrow(data.cFileName)) continue;
    if (!visit(toEntry(data))) return;
  } while (::FindNextFileW(find.get(), &data));
}

bool localeEntryLess(const std::string& a, const std::string& b) {
  const std::wstring wa = win::widen(a);
  const std::wstring wb = win::widen(b);
  const int order = ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.c_str(),
                                     static_cast<int>(wa.size()), wb.c_str(),
                                     static_cast<int>(wb.size()));
  if (order == 0) return germanEntryLess(a, b);
  return order == CSTR_LESS_THAN;
}

void scanOwnArchives(HWND owner) {
  AppState& state = appState();
  // The scan opens each archive through the current-archive records; what
  // the learner has chosen must survive it.
  const TextArchiveHeader current = state.currentHeader;
  const TextArchiveHeader saved = state.savedHeader;
  const std::string currentPath = state.currentText.archivePath;

  state.evaluationRunning = false;
  runWithProgress(owner, [&state] {
    Win32DirectoryLister lister;
    const TextArchives archives(win::narrowLossy(win::programPath()));
    WindowScanProgress progress;
    ScanContext context{lister,           archives,           progress,          state.archiveScan,
                        state.currentHeader, state.savedHeader, state.currentText, localeEntryLess};
    std::string folder = state.settings.folders.teacher;
    scanArchiveFolder(folder, state.ownArchives, context);
  });

  // The scan copies the last or the preferred archive into the saved
  // directory for the dialog's preselection; keep that, restore the rest.
  const bool scanChoseSaved = !(state.savedHeader == saved);
  state.currentHeader = current;
  state.currentText.archivePath = currentPath;
  if (!scanChoseSaved) state.savedHeader = saved;
}

}  // namespace kv
