#include "platform/win/printing.h"

namespace kv::win {

bool printPages(HDC dc, const std::wstring& title, int pageCount,
                const std::function<void(int page)>& drawPage) {
  DOCINFOW doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = title.c_str();
  if (::StartDocW(dc, &doc) <= 0) return false;
  bool ok = true;
  for (int page = 0; ok && page < pageCount; ++page) {
    ok = ::StartPage(dc) > 0;
    if (!ok) break;
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);
    drawPage(page);
    ok = ::EndPage(dc) > 0;
  }
  if (ok) return ::EndDoc(dc) > 0;
  ::AbortDoc(dc);
  return false;
}

}  // namespace kv::win
