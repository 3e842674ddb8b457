// The floor for bench/startup_memory.sh: one window and a message loop, built
// with the same compiler, runtime and link options as the program. It notes
// the time from process creation to its first paint as the program does.
#include <windows.h>

#include <cstdio>

namespace {

// Both lines the program writes: its first window (1) and its dialog (0).
void noteFirstPaint() {
  wchar_t name[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"KV_MEASURE_START", name, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  wchar_t folder[MAX_PATH + 1] = {};
  if (::GetTempPathW(MAX_PATH + 1, folder) == 0) return;
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
  ::GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  wchar_t path[2 * MAX_PATH + 2] = {};
  ::lstrcpyW(path, folder);
  ::lstrcatW(path, name);
  std::FILE* log = _wfopen(path, L"a");
  if (log == nullptr) return;
  const double ms = static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
  std::fprintf(log, "1 %.4f\n0 %.4f\n", ms, ms);
  std::fclose(log);
}

LRESULT CALLBACK windowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  static bool painted = false;
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      ::BeginPaint(window, &ps);
      ::EndPaint(window, &ps);
      if (!painted) {
        painted = true;
        noteFirstPaint();
      }
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, msg, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"KlaventoMinimalWindow";
  if (!::RegisterClassW(&wc)) return 1;
  const HWND window = ::CreateWindowW(wc.lpszClassName, L"Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                      640, 480, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ::ShowWindow(window, show);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
