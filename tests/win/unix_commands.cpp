// Commands on the Linux side of Wine for the tests: xdotool's keys and
// typing, the window focus, and knowing when such a command has ended.
#include "tests/win/program_driver.h"

#include <atomic>
#include <string>

#include "platform/win/strings.h"

namespace kv::test {

bool runUnix(const std::wstring& commandLine) {
  std::wstring cmd = commandLine;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return true;
}

namespace {

// One argument of a Windows command line, quoted by the rules Wine also
// follows when it hands the line to a Unix program as its arguments.
std::wstring windowsArgument(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      quoted.append(2 * backslashes + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

}  // namespace

std::wstring shellQuoted(const std::wstring& text) {
  std::wstring quoted = L"'";
  for (const wchar_t c : text) {
    if (c == L'\'') {
      quoted += L"'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + L"'";
}

std::wstring unixFileName(const std::wstring& windowsPath) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return {};
  char* name = unixName(windowsPath.c_str());
  if (name == nullptr) return {};
  std::wstring path = win::widen(name);
  ::HeapFree(::GetProcessHeap(), 0, name);
  return path;
}

UnixCommand::UnixCommand(const std::wstring& shellCommand) {
  static std::atomic<unsigned> counter{0};
  // In this prefix's temporary folder: test runs in other prefixes run at the
  // same time, and their process ids and counters are the same as these.
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  doneFile_ = std::wstring(temp) + L"kv-unix-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
              std::to_wstring(++counter) + L".done";
  ::DeleteFileW(doneFile_.c_str());
  const std::wstring unixDone = unixFileName(doneFile_);
  // On a line of its own, so that nothing in the command can swallow it.
  started_ = !unixDone.empty() &&
             runUnix(L"/bin/sh -c " + windowsArgument(shellCommand + L"\n: > " + shellQuoted(unixDone)));
}

UnixCommand::~UnixCommand() { ::DeleteFileW(doneFile_.c_str()); }

bool UnixCommand::waitForEnd(DWORD timeoutMs) {
  return started_ &&
         waitUntil([&] { return ::GetFileAttributesW(doneFile_.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
}

bool runUnixToEnd(const std::wstring& shellCommand, DWORD timeoutMs) {
  UnixCommand command(shellCommand);
  return command.waitForEnd(timeoutMs);
}

bool focusXWindow(const std::wstring& namePattern, DWORD timeoutMs) {
  // The start picture has the main window's caption: focused while it is still
  // up, the focus leaves with it, and the keys after it reach nothing. A slow
  // start on a loaded machine keeps it up longer.
  waitUntil([] { return ::FindWindowW(L"KlaventoSplash", nullptr) == nullptr; }, 20000);
  if (!runUnixToEnd(L"/usr/bin/xdotool search --name " + shellQuoted(namePattern) + L" windowfocus",
                    timeoutMs)) {
    return false;
  }
  // xdotool has only asked the X server; Wine learns of the new focus from
  // the server's event a moment later, and keys pressed before then go to the
  // window that had it. The pattern is a caption, anchored or not.
  std::wstring caption = namePattern;
  const bool fromStart = !caption.empty() && caption.front() == L'^';
  if (fromStart) caption.erase(0, 1);
  const bool toEnd = !caption.empty() && caption.back() == L'$';
  if (toEnd) caption.pop_back();
  waitUntil(
      [&] {
        const HWND foreground = ::GetForegroundWindow();
        if (foreground == nullptr) return false;
        // Another process's caption, read without a message to its thread.
        wchar_t buffer[256] = {};
        const std::wstring text(buffer, static_cast<std::size_t>(::GetWindowTextW(foreground, buffer, 256)));
        const std::size_t at = text.find(caption);
        return at != std::wstring::npos && (!fromStart || at == 0) &&
               (!toEnd || at + caption.size() == text.size());
      },
      5000);
  return true;
}

bool typeLikeALearner(const std::wstring& text) {
  static const int delays[] = {130, 175, 150, 205, 120, 165};
  std::size_t word = 0;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find(L' ', begin + 1);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring part = text.substr(begin, end - begin);
    const int delay = delays[word++ % 6];
    if (!runUnix(L"/usr/bin/xdotool type --delay " + std::to_wstring(delay) + L" \"" + part + L"\"")) {
      return false;
    }
    ::Sleep(static_cast<DWORD>(delay * static_cast<int>(part.size()) + 400));
    begin = end;
  }
  return true;
}

bool startExerciseWithSpace(HWND typingField) {
  if (!runUnix(L"/usr/bin/xdotool key space")) return false;
  const bool started = waitUntil([&] { return controlText(typingField).empty(); }, 5000);
  ::Sleep(300);
  return started;
}

bool exerciseEnded(HWND typingField) {
  return controlText(typingField).find(L"*** Ende ***") != std::wstring::npos;
}

}  // namespace kv::test
