#include "tests/win/program_driver.h"

#include <algorithm>

#include <commctrl.h>
#include <winternl.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/win/strings.h"

namespace kv::test {

std::wstring besideThisExe(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  dir.erase(dir.find_last_of(L"\\/") + 1);
  return dir + name;
}

ProgramProcess::~ProgramProcess() {
  if (running()) {
    ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

bool ProgramProcess::start(const std::wstring& exe, const std::wstring& args) {
  std::wstring commandLine = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
    return false;
  }
  process_.reset(pi.hProcess);
  ::CloseHandle(pi.hThread);
  pid_ = pi.dwProcessId;
  return true;
}

bool ProgramProcess::closeNormally(HWND mainWindow, DWORD timeoutMs) {
  ::PostMessageW(mainWindow, WM_CLOSE, 0, 0);
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < timeoutMs) {
    if (::WaitForSingleObject(process_.get(), 100) == WAIT_OBJECT_0) {
      DWORD code = 1;
      ::GetExitCodeProcess(process_.get(), &code);
      return code == 0;
    }
    if (const HWND box = waitForMessageBox(pid_, 0)) pressDialogButton(box, IDYES);
  }
  return false;
}

bool ProgramProcess::running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool ProgramProcess::waitForExit(DWORD ms, DWORD& code) {
  if (::WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0) return false;
  return ::GetExitCodeProcess(process_.get(), &code) != 0;
}

bool reg(const std::wstring& args) {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring exe = std::wstring(system) + L"\\reg.exe";
  std::wstring commandLine = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  ::WaitForSingleObject(pi.hProcess, 30000);
  DWORD code = 1;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  return code == 0;
}

// How many times the usual time a wait is given: KV_TEST_PATIENCE (1 to 10).
// The test script raises it where several Wine lanes share two processors;
// a wait that succeeds still returns as soon as it does.
DWORD patience() {
  static const DWORD factor = [] {
    wchar_t value[8] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"KV_TEST_PATIENCE", value, 8);
    const long parsed = length > 0 && length < 8 ? std::wcstol(value, nullptr, 10) : 1;
    return static_cast<DWORD>(std::clamp(parsed, 1L, 10L));
  }();
  return factor;
}

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  timeoutMs *= patience();
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
    // Keep this thread's own windows (if any) responsive while polling.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(50);
  }
}

namespace {

// Whether the window or a visible window inside it still has to be drawn; a
// hidden window is not drawn at all. GetUpdateRect without erasing only
// asks; it sends the window nothing.
bool needsPaint(HWND window) {
  if (!::IsWindowVisible(window)) return false;
  if (::GetUpdateRect(window, nullptr, FALSE)) return true;
  bool pending = false;
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM found) CALLBACK -> BOOL {
        if (!::IsWindowVisible(child) || !::GetUpdateRect(child, nullptr, FALSE)) return TRUE;
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&pending));
  return pending;
}

}  // namespace

bool waitUntilPainted(HWND window, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  const auto left = [&] {
    const DWORD spent = ::GetTickCount() - start;
    return spent < timeoutMs ? timeoutMs - spent : 0;
  };
  for (;;) {
    if (!waitUntil([&] { return !::IsWindow(window) || !needsPaint(window); }, left())) return false;
    if (!::IsWindow(window)) return false;
    // The update region is empty as soon as the painting begins; the thread
    // answers a sent message only once it reads messages again, after it.
    DWORD_PTR ignored = 0;
    if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, std::max<DWORD>(left(), 1), &ignored)) {
      return false;
    }
    // Something drawn meanwhile may have made more to draw.
    if (::IsWindow(window) && !needsPaint(window)) return true;
    if (left() == 0) return false;
  }
}

std::wstring className(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

std::wstring controlText(HWND control) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
    return {};
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(copied);
  return text;
}

namespace {

struct Search {
  DWORD pid;
  const wchar_t* caption;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK matchWindow(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hwnd, &owner);
  if (owner != s->pid || !::IsWindowVisible(hwnd)) return TRUE;
  if (s->caption != nullptr && win::windowText(hwnd) != s->caption) return TRUE;
  if (s->className != nullptr && className(hwnd) != s->className) return TRUE;
  s->found = hwnd;
  return FALSE;
}

}  // namespace

HWND findTopLevelWindow(DWORD pid, const wchar_t* caption, const wchar_t* cls) {
  Search search{pid, caption, cls, nullptr};
  ::EnumWindows(&matchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND waitForTopLevelWindow(DWORD pid, const wchar_t* caption, DWORD timeoutMs,
                           const wchar_t* cls) {
  HWND found = nullptr;
  waitUntil([&] { return (found = findTopLevelWindow(pid, caption, cls)) != nullptr; },
            timeoutMs);
  return found;
}

HWND waitForMessageBox(DWORD pid, DWORD timeoutMs) {
  HWND box = nullptr;
  waitUntil(
      [&] {
        box = findTopLevelWindow(pid, nullptr, L"#32770");
        return box != nullptr && !messageBoxText(box).empty();
      },
      timeoutMs);
  if (box == nullptr) return nullptr;
  // Let the box finish appearing: closing it while Wine is still mapping it
  // has cost the display connection (BadWindow) in our runs.
  ::Sleep(300);
  return box;
}

std::wstring messageBoxText(HWND box) {
  // Message boxes keep their text in the static control 0xFFFF.
  const HWND text = ::GetDlgItem(box, 0xFFFF);
  return text != nullptr ? win::windowText(text) : std::wstring();
}

void becomeDpiAware() {
  using SetAware = BOOL(WINAPI*)();
  if (const auto set = reinterpret_cast<SetAware>(reinterpret_cast<void*>(
          ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware")))) {
    set();
  }
}

void pressDialogButton(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

bool answerWithReturn(HWND box, DWORD timeoutMs) {
  RECT r{};
  if (!::GetWindowRect(box, &r)) return !::IsWindow(box);
  const std::wstring over =
      std::to_wstring((r.left + r.right) / 2) + L" " + std::to_wstring((r.top + r.bottom) / 2);
  return waitUntil(
      [&] {
        runUnixToEnd(L"xdotool mousemove " + over + L" key Return");
        return !::IsWindow(box);
      },
      timeoutMs);
}

std::vector<HWND> mdiChildren(HWND mainWindow) {
  std::vector<HWND> children;
  const HWND client = ::FindWindowExW(mainWindow, nullptr, L"MDICLIENT", nullptr);
  if (client == nullptr) return children;
  for (HWND c = ::GetWindow(client, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    children.push_back(c);
  }
  return children;
}

std::wstring listLine(HWND list, int index) {
  wchar_t line[512] = {};
  ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line));
  return line;
}

std::wstring lineStartingWith(const std::vector<std::wstring>& lines, const std::wstring& start) {
  for (const auto& line : lines) {
    if (line.rfind(start, 0) == 0) return line;
  }
  return {};
}

std::string joinedLines(const std::vector<std::wstring>& lines) {
  std::string out;
  for (const auto& line : lines) out += win::narrowLossy(line) + "\n";
  return out;
}

HWND fileNameField(HWND dialog) {
  HWND edit = nullptr;
  ::EnumChildWindows(
      dialog,
      [](HWND child, LPARAM found) CALLBACK -> BOOL {
        if (className(child) != L"Edit" || !::IsWindowVisible(child)) return TRUE;
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&edit));
  return edit;
}

HWND folderPickerTree(HWND picker) {
  HWND tree = nullptr;
  ::EnumChildWindows(
      picker,
      [](HWND child, LPARAM found) CALLBACK -> BOOL {
        if (className(child) != WC_TREEVIEWW) return TRUE;
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&tree));
  return tree;
}

bool waitForFolderTree(HWND picker, DWORD timeoutMs) {
  return waitUntil(
      [&] {
        const HWND tree = folderPickerTree(picker);
        if (tree == nullptr) return false;
        DWORD_PTR count = 0;
        DWORD_PTR caret = 0;
        return ::SendMessageTimeoutW(tree, TVM_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &count) && count > 0 &&
               ::SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, 5000, &caret) &&
               caret != 0;
      },
      timeoutMs);
}

bool photographForGuide(HWND mainWindow, const std::wstring& picture) {
  ::RedrawWindow(mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  ::Sleep(500);
  RECT r{};
  if (!::GetWindowRect(mainWindow, &r)) return false;
  const std::size_t slash = picture.rfind(L'/') + 1;
  const std::wstring partial = picture.substr(0, slash) + L"." + picture.substr(slash);
  std::wstring windowsPath = L"Z:" + picture;
  std::replace(windowsPath.begin(), windowsPath.end(), L'/', L'\\');
  ::DeleteFileW(windowsPath.c_str());
  const std::wstring crop = std::to_wstring(r.right - r.left) + L"x" + std::to_wstring(r.bottom - r.top) + L"+" +
                            std::to_wstring(r.left) + L"+" + std::to_wstring(r.top);
  if (!runUnixToEnd(L"/usr/bin/import -window root png:- | /usr/bin/convert png:- -crop " + crop + L" +repage '" +
                    partial + L"' && mv '" + partial + L"' '" + picture + L"'")) {
    return false;
  }
  return waitUntil([&] { return ::GetFileAttributesW(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000);
}

void saveWindowPicture(HWND window, const std::wstring& path) {
  RECT r{};
  ::GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  const win::WindowDc screen(nullptr);
  const win::MemoryDc dc(::CreateCompatibleDC(screen.get()));
  const win::Bitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
  {
    const win::ScopedSelect select(dc.get(), bitmap.get());
    ::BitBlt(dc.get(), 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY);
  }
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  const int stride = (width * 3 + 3) & ~3;
  std::string pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), '\0');
  ::GetDIBits(dc.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(std::filesystem::path(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out << pixels;
}

namespace {

// The Alt letter of a caption: the character after a single "&", lower case.
std::optional<wchar_t> altLetter(const std::wstring& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] == L'&') {
      ++i;
      continue;
    }
    return static_cast<wchar_t>(::towlower(caption[i + 1]));
  }
  return std::nullopt;
}

std::map<wchar_t, std::vector<std::wstring>> onlyShared(
    std::map<wchar_t, std::vector<std::wstring>> all) {
  for (auto it = all.begin(); it != all.end();) {
    it = it->second.size() > 1 ? std::next(it) : all.erase(it);
  }
  return all;
}

}  // namespace

std::map<wchar_t, std::vector<std::wstring>> sharedAltLetters(HWND window) {
  std::map<wchar_t, std::vector<std::wstring>> all;
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM p) CALLBACK -> BOOL {
        auto& found = *reinterpret_cast<std::map<wchar_t, std::vector<std::wstring>>*>(p);
        const std::wstring cls = className(child);
        const bool caption = ::_wcsicmp(cls.c_str(), L"Button") == 0 || ::_wcsicmp(cls.c_str(), L"Static") == 0;
        if (!caption || !::IsWindowVisible(child)) return TRUE;
        if (::_wcsicmp(cls.c_str(), L"Static") == 0 && (::GetWindowLongW(child, GWL_STYLE) & SS_NOPREFIX) != 0) {
          return TRUE;
        }
        const std::wstring text = win::windowText(child);
        if (const auto letter = altLetter(text)) found[*letter].push_back(text);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return onlyShared(std::move(all));
}

std::map<wchar_t, std::vector<std::wstring>> sharedAltLetters(HMENU menu) {
  std::map<wchar_t, std::vector<std::wstring>> all;
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    if (::GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION) <= 0) continue;
    if (const auto letter = altLetter(text)) all[*letter].push_back(text);
  }
  return onlyShared(std::move(all));
}

std::wstring describeShared(const std::map<wchar_t, std::vector<std::wstring>>& shared) {
  std::wstring out;
  for (const auto& [letter, captions] : shared) {
    out += L"Alt+";
    out += static_cast<wchar_t>(::towupper(letter));
    out += L":";
    for (const auto& caption : captions) out += L" \"" + caption + L"\"";
    out += L"; ";
  }
  return out;
}

std::vector<std::wstring> comboItems(HWND box) {
  std::vector<std::wstring> items;
  const int count = static_cast<int>(::SendMessageW(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    if (::SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 255) {
      ::SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    }
    items.emplace_back(text);
  }
  return items;
}

bool comboDropped(HWND box) {
  DWORD_PTR dropped = 0;
  return ::SendMessageTimeoutW(box, CB_GETDROPPEDSTATE, 0, 0, SMTO_NORMAL, 5000, &dropped) && dropped != 0;
}

int comboSelection(HWND box) {
  DWORD_PTR chosen = 0;
  if (!::SendMessageTimeoutW(box, CB_GETCURSEL, 0, 0, SMTO_NORMAL, 5000, &chosen)) return CB_ERR;
  return static_cast<int>(static_cast<LRESULT>(chosen));
}

bool allTextSelected(HWND edit) {
  DWORD_PTR range = 0;
  if (!::SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_NORMAL, 5000, &range)) return false;
  const std::size_t first = LOWORD(range);
  const std::size_t last = HIWORD(range);
  return first == 0 && last == controlText(edit).size();
}

bool inMenuMode(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  return thread != 0 && ::GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMENUMODE) != 0;
}

HWND waitForMenu(DWORD pid, DWORD timeoutMs) {
  HWND popup = nullptr;
  // The popup can be on the screen a moment before its loop takes the keys.
  waitUntil(
      [&] {
        popup = findTopLevelWindow(pid, nullptr, L"#32768");
        return popup != nullptr && inMenuMode(popup);
      },
      timeoutMs);
  if (popup == nullptr) return nullptr;
  // The loop reads the menu's messages; a sent one is answered from there.
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(popup, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
  return popup;
}

HWND focusOfThread(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  if (!::GetGUIThreadInfo(thread, &info)) return nullptr;
  return info.hwndFocus;
}

MessageBoxAnswerer::MessageBoxAnswerer(int button, DWORD timeoutMs)
    : button_(button), timeoutMs_(timeoutMs) {
  thread_.reset(::CreateThread(nullptr, 0, &MessageBoxAnswerer::threadMain, this, 0, nullptr));
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
}

std::wstring MessageBoxAnswerer::text() {
  if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
  return text_;
}

DWORD WINAPI MessageBoxAnswerer::threadMain(void* param) {
  auto* self = static_cast<MessageBoxAnswerer*>(param);
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < self->timeoutMs_) {
    const HWND box = findTopLevelWindow(::GetCurrentProcessId(), nullptr, L"#32770");
    if (box != nullptr && !messageBoxText(box).empty()) {
      ::Sleep(300);  // see waitForMessageBox
      self->text_ = messageBoxText(box);
      pressDialogButton(box, self->button_);
      return 0;
    }
    ::Sleep(50);
  }
  return 0;
}

// Wine answers GetGuiResources with 0 (not implemented). There the counts are
// taken from what Wine does keep: the GDI handle table it maps into every
// process and points the PEB to, as Windows did, and the windows themselves.
constexpr std::size_t kGdiTableEntries = 0x10000;
#pragma pack(push, 1)
struct GdiTableEntry {
  std::uint64_t object;
  std::uint32_t owner;
  std::uint16_t unique;
  std::uint8_t type;  // 0 for a free entry
  std::uint8_t flags;
  std::uint64_t userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiTableEntry) == 24);
constexpr std::size_t kPebGdiTableOffset = 0xF8;  // x64 PEB

std::optional<DWORD> gdiHandleTableCount(HANDLE process, std::map<int, int>* byType) {
  PROCESS_BASIC_INFORMATION basic{};
  ULONG length = 0;
  if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  &length) != 0) {
    return std::nullopt;
  }
  std::uint64_t table = 0;
  SIZE_T read = 0;
  const auto* peb = static_cast<const char*>(static_cast<void*>(basic.PebBaseAddress));
  if (!::ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof table, &read) ||
      table == 0) {
    return std::nullopt;
  }
  std::vector<GdiTableEntry> entries(kGdiTableEntries);
  if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size() * sizeof(GdiTableEntry), &read) ||
      read != entries.size() * sizeof(GdiTableEntry)) {
    return std::nullopt;
  }
  DWORD used = 0;
  for (const GdiTableEntry& e : entries) {
    if (e.type == 0) continue;
    ++used;
    if (byType != nullptr) ++(*byType)[e.type];
  }
  return used;
}

DWORD gdiObjectCount(HANDLE process) {
  const DWORD reported = ::GetGuiResources(process, GR_GDIOBJECTS);
  if (reported != 0) return reported;
  return gdiHandleTableCount(process).value_or(0);
}


HWND waitForOnlyChild(HWND mainWindow, const wchar_t* cls, DWORD timeoutMs) {
  HWND child = nullptr;
  waitUntil(
      [&] {
        const auto children = mdiChildren(mainWindow);
        child = children.size() == 1 ? children[0] : nullptr;
        return child != nullptr && className(child) == cls;
      },
      timeoutMs);
  if (child == nullptr || className(child) != cls) return nullptr;
  // Another process sees the child as soon as it exists, before its creation
  // has run; the window's thread answers only once it is done.
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(child, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored);
  return child;
}

bool setClassesRootDefault(const wchar_t* key, const std::wstring& value) {
  HKEY k = nullptr;
  if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG rc = ::RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(k);
  return rc == ERROR_SUCCESS;
}

}  // namespace kv::test
