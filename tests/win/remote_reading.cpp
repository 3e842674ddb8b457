// Reading another process's windows for the tests: the pixels on the
// screen and list views, through memory the program's process lends for
// the answer.
#include "tests/win/program_driver.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace kv::test {

ScreenArea::ScreenArea(const RECT& area) : area_(area) {
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  pixels_.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
  ::SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  copied_ = ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(h), pixels_.data(), &info,
                        DIB_RGB_COLORS) == h;
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
}

COLORREF ScreenArea::at(int x, int y) const {
  if (x < area_.left || x >= area_.right || y < area_.top || y >= area_.bottom) return CLR_INVALID;
  const std::uint32_t bgr = pixels_[static_cast<std::size_t>(y - area_.top) *
                                        static_cast<std::size_t>(area_.right - area_.left) +
                                    static_cast<std::size_t>(x - area_.left)];
  return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
}

RECT ScreenArea::boundsOf(const RECT& part, COLORREF colour, int& count) const {
  RECT found{part.right, part.bottom, part.left, part.top};
  count = 0;
  for (int y = part.top; y < part.bottom; ++y) {
    for (int x = part.left; x < part.right; ++x) {
      if (at(x, y) != colour) continue;
      ++count;
      found.left = std::min<LONG>(found.left, x);
      found.top = std::min<LONG>(found.top, y);
      found.right = std::max<LONG>(found.right, x + 1);
      found.bottom = std::max<LONG>(found.bottom, y + 1);
    }
  }
  return count > 0 ? found : RECT{};
}

int ScreenArea::countOf(const RECT& part, COLORREF colour) const {
  int count = 0;
  boundsOf(part, colour, count);
  return count;
}

namespace {

// A block of memory in the process that owns `window`, freed on every way out.
class RemoteBlock {
 public:
  RemoteBlock(HWND window, SIZE_T size) : size_(size) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_ != nullptr) address_ = ::VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) ::CloseHandle(process_);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;
  bool ok() const { return address_ != nullptr; }
  void* at(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
  bool write(SIZE_T offset, const void* data, SIZE_T size) const {
    return ::WriteProcessMemory(process_, at(offset), data, size, nullptr) != FALSE;
  }
  bool read(SIZE_T offset, void* data, SIZE_T size) const {
    return ::ReadProcessMemory(process_, at(offset), data, size, nullptr) != FALSE;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  SIZE_T size_;
};

}  // namespace

int listViewCount(HWND list) { return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring listViewText(HWND list, int item, int column) {
  constexpr SIZE_T kChars = 512;
  RemoteBlock block(list, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!block.ok()) return L"(nicht lesbar)";
  LVITEMW request{};
  request.iSubItem = column;
  request.cchTextMax = static_cast<int>(kChars);
  request.pszText = static_cast<wchar_t*>(block.at(sizeof(LVITEMW)));
  if (!block.write(0, &request, sizeof request)) return L"(nicht lesbar)";
  const auto length = ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                                     reinterpret_cast<LPARAM>(block.at(0)));
  std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(0, length)), L'\0');
  if (length > 0 && !block.read(sizeof(LVITEMW), text.data(), text.size() * sizeof(wchar_t))) return L"(nicht lesbar)";
  return text;
}

RECT listViewHeaderOnScreen(HWND list, int column) {
  RECT none{};
  const HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  if (header == nullptr) return none;
  RemoteBlock block(header, sizeof(RECT));
  if (!block.ok()) return none;
  if (!::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(block.at(0)))) {
    return none;
  }
  RECT r{};
  if (!block.read(0, &r, sizeof r)) return none;
  ::MapWindowPoints(header, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT listViewCellOnScreen(HWND list, int row, int column) {
  RECT none{};
  RemoteBlock block(list, sizeof(RECT));
  if (!block.ok()) return none;
  RECT asked{LVIR_BOUNDS, column, 0, 0};
  if (!block.write(0, &asked, sizeof asked) ||
      !::SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block.at(0)))) {
    return none;
  }
  RECT r{};
  if (!block.read(0, &r, sizeof r)) return none;
  ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int listViewStringWidth(HWND list, const std::wstring& text) {
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  RemoteBlock block(list, bytes);
  if (!block.ok() || !block.write(0, text.c_str(), bytes)) return -1;
  return static_cast<int>(::SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(block.at(0))));
}

int listViewSelection(HWND list) {
  return static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::vector<TooltipTool> tooltipTools(HWND tooltip) {
  std::vector<TooltipTool> tools;
  constexpr SIZE_T kChars = 256;
  RemoteBlock block(tooltip, sizeof(TOOLINFOW) + kChars * sizeof(wchar_t));
  if (!block.ok()) return tools;
  const int count = static_cast<int>(::SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.lpszText = static_cast<wchar_t*>(block.at(sizeof(TOOLINFOW)));
    std::wstring text(kChars, L'\0');
    if (!block.write(0, &info, sizeof info) ||
        !block.write(sizeof(TOOLINFOW), text.data(), kChars * sizeof(wchar_t)) ||
        !::SendMessageW(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(block.at(0))) ||
        !block.read(0, &info, sizeof info) || !block.read(sizeof(TOOLINFOW), text.data(), kChars * sizeof(wchar_t))) {
      continue;
    }
    text.resize(text.find(L'\0') == std::wstring::npos ? kChars : text.find(L'\0'));
    tools.push_back({info.rect, text});
  }
  return tools;
}

}  // namespace kv::test
