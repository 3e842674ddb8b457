// Ownership lives in the type: one move-only handle template for everything
// the program creates and must release, on every way out.
#pragma once

#include <windows.h>

#include <utility>

namespace kv::win {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle h) noexcept : handle_(h) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }

  Handle release() noexcept { return std::exchange(handle_, Traits::invalid()); }
  void reset(Handle h = Traits::invalid()) noexcept {
    Handle old = std::exchange(handle_, h);
    if (old != Traits::invalid()) Traits::close(old);
  }
  // For APIs that return a handle through an out parameter.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::invalid();
};

template <typename H>
struct GdiObjectTraits {
  using Handle = H;
  static constexpr Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::DeleteObject(h); }
};

struct MemoryDcTraits {
  using Handle = HDC;
  static constexpr Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::DeleteDC(h); }
};

struct HookTraits {
  using Handle = HHOOK;
  static constexpr Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::UnhookWindowsHookEx(h); }
};

struct RegKeyTraits {
  using Handle = HKEY;
  static constexpr Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::RegCloseKey(h); }
};

struct FileTraits {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Handle h) noexcept { ::CloseHandle(h); }
};

struct KernelObjectTraits {
  using Handle = HANDLE;
  static constexpr Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::CloseHandle(h); }
};

struct LibraryTraits {
  using Handle = HMODULE;
  static constexpr Handle invalid() noexcept { return nullptr; }
  static void close(Handle h) noexcept { ::FreeLibrary(h); }
};

using Font = UniqueHandle<GdiObjectTraits<HFONT>>;
using Bitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using Brush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using Pen = UniqueHandle<GdiObjectTraits<HPEN>>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;
using Hook = UniqueHandle<HookTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using File = UniqueHandle<FileTraits>;
using KernelObject = UniqueHandle<KernelObjectTraits>;
using Library = UniqueHandle<LibraryTraits>;

// Restores the previously selected object when it goes out of scope.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~ScopedSelect() {
    if (old_ != nullptr && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A window's device context from GetDC, released with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace kv::win
