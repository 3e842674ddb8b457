// The selection dialog's second page: the archive box, the text list, the
// line range and the preview.
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

// ---- Second page: archives and texts ----

void SelectionDialog::fillArchiveBox() {
  const AppState& state = appState();
  items_ = archiveBoxItems(state.programArchives, state.ownArchives);
  const HWND box = item(kArchiveBox);
  ::SendMessageW(box, CB_RESETCONTENT, 0, 0);
  for (const ArchiveItem& it : items_) {
    ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::widen(it.caption).c_str()));
  }
}

void SelectionDialog::selectArchiveItem(int index) {
  archiveShown_ = index;
  ::SendMessageW(item(kArchiveBox), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void SelectionDialog::makeCurrent(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  AppState& state = appState();
  const ArchiveItem& it = items_[static_cast<std::size_t>(index)];
  state.exercise.archiveCaption = it.caption;
  state.exercise.archiveIndex = index;
  state.currentText.archivePath = it.path;
  // The saved directory may belong to another archive than this item (the
  // scan keeps the last one it read there); read the item's own directory
  // and fall back to the saved one only when that fails.
  TextArchiveHeader header;
  CurrentText probe;
  if (!it.path.empty() && archives_.openArchive(it.path, header, probe) && header.textCount > 0) {
    state.savedHeader = header;
  }
  state.currentHeader = state.savedHeader;
}

void SelectionDialog::onArchiveChosen(int index) {
  AppState& state = appState();
  ExerciseParameters& ex = state.exercise;
  const int count = static_cast<int>(items_.size());
  if (index < 0 || index >= count) {
    selectArchiveItem(ex.archiveIndex);
    return;
  }
  if (items_[static_cast<std::size_t>(index)].kind == ArchiveItemKind::Browse) {
    selectArchiveItem(ex.archiveIndex);
    if (shown_) browseForFolder();
    return;
  }
  if (isHeadingItem(items_, index)) {
    selectArchiveItem(ex.archiveIndex);
    return;
  }
  const ArchiveItem& chosen = items_[static_cast<std::size_t>(index)];
  setPreview(false);
  BusyCursor busy(shown_);
  if (!(index == ex.archiveIndex && chosen.caption == ex.archiveCaption &&
        state.currentHeader.textCount > 0)) {
    std::string message;
    if (!archives_.switchArchive(state, chosen.path, index, chosen.caption, message)) {
      const int back = ex.archiveIndex;
      const bool stillThere = back >= 0 && back < count &&
                              items_[static_cast<std::size_t>(back)].caption == ex.archiveCaption;
      selectArchiveItem(stillThere ? back : 0);
      ::InvalidateRect(item(kArchiveBox), nullptr, TRUE);
      win::showError(host_.frame(), message);
      return;
    }
  }
  selectArchiveItem(index);
  ::InvalidateRect(item(kArchiveBox), nullptr, TRUE);
  fillTextList();
  if (shown_) {
    ::SendMessageW(item(kTextList), LB_SETCURSEL, 0, 0);
    onTextChosen(0);
  }
}

void SelectionDialog::fillTextList() {
  const TextArchiveHeader& header = appState().currentHeader;
  const HWND list = item(kTextList);
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (int i = 0; i < header.textCount; ++i) {
    const std::wstring title = win::widen(header.entries[static_cast<std::size_t>(i)].title);
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
  }
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

int SelectionDialog::textPosition() const {
  const auto sel = static_cast<int>(::SendMessageW(item(kTextList), LB_GETCURSEL, 0, 0));
  return sel == LB_ERR ? -1 : sel;
}

void SelectionDialog::onTextChosen(int position) {
  AppState& state = appState();
  const TextArchiveHeader& header = state.currentHeader;
  if (position < 0 || position >= header.textCount) return;
  const TextEntry& entry = header.entries[static_cast<std::size_t>(position)];
  state.exercise.textTitle = entry.title;
  writing_ = true;
  ::SetDlgItemInt(hwnd_, kRepetitions, static_cast<UINT>(kMinRepetitions), FALSE);
  writing_ = false;
  check(kModeEachLine, true);
  check(kModeWholeText, false);
  setRange(wholeText(entry.lineCount), 0);
  if (previewOn_) fillPreview();
}

void SelectionDialog::restoreTextChoice() {
  const AppState& state = appState();
  const ExerciseParameters& ex = state.exercise;
  const TextArchiveHeader& header = state.currentHeader;
  int found = -1;
  for (int i = 0; i < header.textCount && found < 0; ++i) {
    if (header.entries[static_cast<std::size_t>(i)].title == ex.textTitle) found = i;
  }
  if (found < 0) {
    if (header.textCount > 0) {
      ::SendMessageW(item(kTextList), LB_SETCURSEL, 0, 0);
      onTextChosen(0);
    }
    return;
  }
  const LineSelection selection = ex.selection;
  ::SendMessageW(item(kTextList), LB_SETCURSEL, static_cast<WPARAM>(found), 0);
  onTextChosen(found);
  if (selection.firstLine >= 1 && selection.firstLine <= selection.lastLine) {
    LineRange range = wholeText(header.entries[static_cast<std::size_t>(found)].lineCount);
    range = withLastLine(range, selection.lastLine);
    range = withFirstLine(range, selection.firstLine);
    setRange(range, 0);
    if ((selection.repeatMode == 0 || selection.repeatMode == 1) && selection.repetitions > 0) {
      check(kModeEachLine, selection.repeatMode == 0);
      check(kModeWholeText, selection.repeatMode == 1);
      writing_ = true;
      ::SetDlgItemInt(hwnd_, kRepetitions,
                      static_cast<UINT>(std::clamp(selection.repetitions, kMinRepetitions, kMaxRepetitions)),
                      FALSE);
      writing_ = false;
    }
  }
}

// `changedEnd`: 1 the first line, 2 the last line, 0 both (a new text).
void SelectionDialog::setRange(const LineRange& range, int changedEnd) {
  range_ = range;
  writing_ = true;
  ::SendMessageW(item(kFirstSpin), UDM_SETRANGE32, 1, range_.last);
  ::SendMessageW(item(kLastSpin), UDM_SETRANGE32, static_cast<WPARAM>(range_.first), range_.lineCount);
  const auto digits = static_cast<WPARAM>(digitCount(range_.lineCount));
  ::SendMessageW(item(kFirstLine), EM_LIMITTEXT, digits, 0);
  ::SendMessageW(item(kLastLine), EM_LIMITTEXT, digits, 0);
  if (changedEnd != 2) ::SetDlgItemInt(hwnd_, kFirstLine, static_cast<UINT>(range_.first), FALSE);
  if (changedEnd != 1) ::SetDlgItemInt(hwnd_, kLastLine, static_cast<UINT>(range_.last), FALSE);
  writing_ = false;
  if (previewOn_) {
    ::InvalidateRect(item(kPreviewList), nullptr, FALSE);
    if (changedEnd == 1) scrollPreviewTo(range_.first);
    if (changedEnd == 2) scrollPreviewTo(range_.last);
  }
}

void SelectionDialog::onRangeFieldChanged(int id, bool leaving) {
  if (writing_) return;
  const std::string text = win::narrowLossy(fieldText(item(id)));
  if (!leaving && text.empty()) return;  // still being typed
  const std::int32_t value = parseDigits(text);
  if (id == kFirstLine) {
    const LineRange next = withFirstLine(range_, value);
    range_ = next;
    setRange(next, leaving ? 0 : 1);
  } else {
    const LineRange next = withLastLine(range_, value);
    range_ = next;
    setRange(next, leaving ? 0 : 2);
  }
}

void SelectionDialog::onNumberFieldLeft(int id) {
  if (id == kFirstLine || id == kLastLine) {
    onRangeFieldChanged(id, true);
    return;
  }
  int low = 0;
  int high = 0;
  ::SendMessageW(item(spinOf(id)), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                 reinterpret_cast<LPARAM>(&high));
  const int value = clampField(win::narrowLossy(fieldText(item(id))), low, high);
  writing_ = true;
  ::SetDlgItemInt(hwnd_, id, static_cast<UINT>(value), FALSE);
  writing_ = false;
}

// ---- Preview ----

void SelectionDialog::setPreview(bool on) {
  AppState& state = appState();
  if (on && !previewOn_) {
    const int n = textPosition() + 1;
    bool loaded = false;
    {
      BusyCursor busy(true);
      // Loading with the selection first proves the text can be exercised;
      // the preview then shows all of its lines.
      loaded = n >= 1 &&
               archives_.loadText(state.currentHeader, n, true, state.exercise.selection, state.currentText) &&
               archives_.loadText(state.currentHeader, n, false, state.exercise.selection, state.currentText);
    }
    if (!loaded) {
      win::showError(host_.frame(), archiveReadErrorMessage(state.currentText.archivePath));
      on = false;
    }
  }
  previewOn_ = on;
  if (previewOn_) fillPreview();
  setTooltip(item(kPreviewSwitch), previewOn_ ? L"Hier klicken, um Textvorschau zu beenden."
                                              : L"Hier klicken, um Textvorschau anzuzeigen.");
  if (page_ == 2) {
    const bool previewHadFocus = ::GetFocus() == item(kPreviewList);
    ::ShowWindow(item(kTextList), previewOn_ ? SW_HIDE : SW_SHOW);
    ::ShowWindow(item(kPreviewList), previewOn_ ? SW_SHOW : SW_HIDE);
    if (previewHadFocus && !previewOn_) ::SetFocus(item(kTextList));
  }
  ::InvalidateRect(item(kPreviewSwitch), nullptr, FALSE);
  previewAccess_.changed();
}

void SelectionDialog::fillPreview() {
  const CurrentText& text = appState().currentText;
  const HWND list = item(kPreviewList);
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  RECT r{};
  ::GetClientRect(list, &r);
  const auto row = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  const int page = row > 0 ? r.bottom / row : 0;
  const int count = std::max(static_cast<int>(text.lines.size()), page);
  for (int i = 0; i < count; ++i) ::SendMessageW(list, LB_ADDSTRING, 0, static_cast<LPARAM>(i));
  // Room to scroll sideways to the end of the longest line.
  const SIZE one = win::textExtent(previewFont_.get(), L"0");
  const int columns = std::max(2, digitCount(static_cast<int>(text.lines.size()))) + 2 + text.longestLine;
  ::SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(one.cx * (columns + 1)), 0);
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

void SelectionDialog::scrollPreviewTo(int line) {
  const HWND list = item(kPreviewList);
  RECT r{};
  ::GetClientRect(list, &r);
  const auto row = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  const int page = std::max<int>(1, row > 0 ? r.bottom / row : 1);
  const auto top = static_cast<int>(::SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  const int index = line - 1;
  if (index < top) ::SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
  if (index >= top + page) ::SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index - page + 1), 0);
}

}  // namespace kv
