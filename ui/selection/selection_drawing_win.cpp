// The selection dialog's owner-drawn lists, boxes and buttons.
#include "ui/selection/selection_dialog_win.h"
#include "ui/selection/selection_parts_win.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

#include "ui/shared/app_state.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "ui/shared/window_font_win.h"
#include "keyboard/layout_check_win.h"
#include "platform/win/message_box.h"
#include "platform/win/shell.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "ui/selection/archive_discovery_win.h"
#include "ui/selection/colour_chooser_win.h"
#include "ui/shared/folder_picker_win.h"
#include "ui/selection/selection_pictures_win.h"
#include "ui/shared/themed_button_win.h"

namespace kv {

using selection::BusyCursor;
using selection::fieldText;
using selection::spinOf;

// ---- Drawing ----

void SelectionDialog::drawArchiveItem(const DRAWITEMSTRUCT& di) {
  const HDC dc = di.hDC;
  const bool selected = (di.itemState & ODS_SELECTED) != 0;
  const int index = static_cast<int>(di.itemID);
  if (index < 0 || index >= static_cast<int>(items_.size())) {
    ::FillRect(dc, &di.rcItem, ::GetSysColorBrush(COLOR_WINDOW));
    return;
  }
  const ArchiveItem& it = items_[static_cast<std::size_t>(index)];
  const bool heading = it.kind == ArchiveItemKind::ProgramHeading || it.kind == ArchiveItemKind::OwnHeading;
  const int background = selected ? COLOR_HIGHLIGHT : heading ? COLOR_BTNFACE : COLOR_WINDOW;
  const int foreground = selected ? COLOR_HIGHLIGHTTEXT : heading ? COLOR_BTNTEXT : COLOR_WINDOWTEXT;
  ::FillRect(dc, &di.rcItem, ::GetSysColorBrush(background));
  const int icon = iconSize();
  int x = di.rcItem.left + 2;
  const bool inList = (di.itemState & ODS_COMBOBOXEDIT) == 0;
  if (inList && it.kind == ArchiveItemKind::Archive) x += ::MulDiv(3, ppi(), 96) + icon;
  const int iconTop = di.rcItem.top + (di.rcItem.bottom - di.rcItem.top - icon) / 2;
  const ExerciseParameters& ex = appState().exercise;
  if (heading) {
    drawSelectionIcon(dc, SelectionIcon::Heading, x, iconTop, icon);
    x += icon + 4;
  } else if (it.kind == ArchiveItemKind::Archive) {
    const bool current = index == ex.archiveIndex && it.caption == ex.archiveCaption;
    drawSelectionIcon(dc, current ? SelectionIcon::CurrentArchive : SelectionIcon::Archive, x, iconTop, icon);
    x += icon + 4;
  }
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(foreground));
  RECT text = di.rcItem;
  text.left = x;
  const std::wstring caption = win::widen(it.caption);
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if ((di.itemState & ODS_FOCUS) != 0 && (di.itemState & ODS_NOFOCUSRECT) == 0) {
    ::DrawFocusRect(dc, &di.rcItem);
  }
}

void SelectionDialog::drawTextItem(const DRAWITEMSTRUCT& di) {
  const HDC dc = di.hDC;
  const bool selected = (di.itemState & ODS_SELECTED) != 0;
  ::FillRect(dc, &di.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (di.itemID == static_cast<UINT>(-1)) return;
  const int icon = iconSize();
  drawSelectionIcon(dc, SelectionIcon::Text, di.rcItem.left + 2,
                    di.rcItem.top + (di.rcItem.bottom - di.rcItem.top - icon) / 2, icon);
  const auto length = static_cast<int>(::SendMessageW(di.hwndItem, LB_GETTEXTLEN, di.itemID, 0));
  std::wstring title(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  if (length > 0) {
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    ::SendMessageW(di.hwndItem, LB_GETTEXT, di.itemID, reinterpret_cast<LPARAM>(buffer.data()));
    title.assign(buffer.data(), static_cast<std::size_t>(length));
  }
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT text = di.rcItem;
  text.left += icon + 6;
  ::DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if ((di.itemState & ODS_FOCUS) != 0 && (di.itemState & ODS_NOFOCUSRECT) == 0) {
    ::DrawFocusRect(dc, &di.rcItem);
  }
}

void SelectionDialog::drawPreviewItem(const DRAWITEMSTRUCT& di) {
  const HDC dc = di.hDC;
  const CurrentText& text = appState().currentText;
  const auto lineIndex = static_cast<int>(di.itemData);
  const int count = static_cast<int>(text.lines.size());
  if (di.itemID == static_cast<UINT>(-1) || lineIndex < 0 || lineIndex >= count) {
    ::FillRect(dc, &di.rcItem, ::GetSysColorBrush(COLOR_WINDOW));
    return;
  }
  const int line = lineIndex + 1;
  const bool inRange = line >= range_.first && line <= range_.last;
  const COLORREF back = ::GetSysColor(inRange ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  const COLORREF fore = ::GetSysColor(inRange ? COLOR_HIGHLIGHTTEXT : COLOR_GRAYTEXT);
  win::Brush brush(::CreateSolidBrush(back));
  ::FillRect(dc, &di.rcItem, brush.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, fore);
  const std::wstring number = win::widen(previewLineNumber(line, count) + " ");
  int x = di.rcItem.left + 2;
  SIZE numberSize{};
  {
    win::ScopedSelect bold(dc, previewBold_ ? previewBold_.get() : previewFont_.get());
    ::TextOutW(dc, x, di.rcItem.top + 1, number.c_str(), static_cast<int>(number.size()));
    ::GetTextExtentPoint32W(dc, number.c_str(), static_cast<int>(number.size()), &numberSize);
  }
  x += numberSize.cx;
  win::Pen pen(::CreatePen(PS_SOLID, 1, fore));
  {
    win::ScopedSelect keep(dc, pen.get());
    ::MoveToEx(dc, x, di.rcItem.top, nullptr);
    ::LineTo(dc, x, di.rcItem.bottom);
  }
  std::string padded = text.lines[static_cast<std::size_t>(lineIndex)];
  if (static_cast<int>(padded.size()) < text.longestLine) {
    padded.resize(static_cast<std::size_t>(text.longestLine), ' ');
  }
  const std::wstring wide = L" " + win::widen(padded);
  win::ScopedSelect normal(dc, previewFont_.get());
  ::TextOutW(dc, x + 1, di.rcItem.top + 1, wide.c_str(), static_cast<int>(wide.size()));
}

void SelectionDialog::drawFormPicture(const DRAWITEMSTRUCT& di) {
  const int width = di.rcItem.right - di.rcItem.left;
  const int height = di.rcItem.bottom - di.rcItem.top;
  const win::Bitmap strip = drawFormStrip(width, height, appState().settings.fingers);
  win::MemoryDc source(::CreateCompatibleDC(di.hDC));
  if (!strip || !source) return;
  win::ScopedSelect keep(source.get(), strip.get());
  ::BitBlt(di.hDC, di.rcItem.left, di.rcItem.top, width, height, source.get(), 0, (form_ - 1) * height,
           SRCCOPY);
}

void SelectionDialog::drawPreviewSwitch(const DRAWITEMSTRUCT& di) {
  const RECT area = drawButtonFace(di, previewOn_);
  const int icon = iconSize();
  drawSelectionIcon(di.hDC, SelectionIcon::Preview, (area.left + area.right - icon) / 2,
                    (area.top + area.bottom - icon) / 2, icon);
}

bool SelectionDialog::drawItem(const DRAWITEMSTRUCT& di) {
  switch (di.CtlID) {
    case kArchiveBox: drawArchiveItem(di); return true;
    case kTextList: drawTextItem(di); return true;
    case kPreviewList: drawPreviewItem(di); return true;
    case kFormPicture: drawFormPicture(di); return true;
    case kPreviewSwitch: drawPreviewSwitch(di); return true;
    case kMenu: drawMenuButton(di); return true;
    default: return false;
  }
}

// A downward arrow: the menu drops down from here.
void SelectionDialog::drawMenuButton(const DRAWITEMSTRUCT& di) {
  const RECT area = drawButtonFace(di, false);
  const int half = std::max(2, ::MulDiv(4, ppi(), 96));
  const int cx = (area.left + area.right) / 2;
  const int cy = (area.top + area.bottom) / 2 - half / 2;
  const POINT arrow[3] = {{cx - half, cy}, {cx + half + 1, cy}, {cx, cy + half + 1}};
  const int colour = (di.itemState & ODS_DISABLED) != 0 ? COLOR_GRAYTEXT : COLOR_BTNTEXT;
  win::Brush brush(::CreateSolidBrush(::GetSysColor(colour)));
  win::ScopedSelect keepBrush(di.hDC, brush.get());
  win::ScopedSelect keepPen(di.hDC, ::GetStockObject(NULL_PEN));
  ::Polygon(di.hDC, arrow, 3);
}

}  // namespace kv
