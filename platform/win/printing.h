// One print job on a printer device context: the document, its pages, and
// an abort that leaves no half job in the spooler when anything fails.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kv::win {

// Starts the document `title`, draws each of `pageCount` pages through
// `drawPage` (0-based), and ends it. Text is black on a transparent
// background on every page, since some drivers reset the DC per page.
// False when the spooler refused any step; the job is aborted then.
bool printPages(HDC dc, const std::wstring& title, int pageCount,
                const std::function<void(int page)>& drawPage);

}  // namespace kv::win
