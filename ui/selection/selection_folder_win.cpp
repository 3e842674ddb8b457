// The selection dialog's folder of own archives: choosing it, scanning it
// again, and the menu beside the start button.
#include "ui/selection/selection_dialog_win.h"
#include "ui/selection/template_printing_win.h"
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

// ---- Folder of own archives ----

void SelectionDialog::browseForFolder() {
  AppState& state = appState();
  const std::optional<std::wstring> path =
      pickFolder(host_.frame(), L"Ordner mit eigenen Textarchiven wählen:",
                 win::widen(state.settings.folders.teacher));
  if (!path) return;
  const auto narrowed = win::narrow(*path);
  if (!narrowed) {
    // A folder whose name leaves Windows-1252 could not be read back.
    win::showError(host_.frame(), archiveReadErrorMessage(win::narrowLossy(*path)));
    return;
  }
  state.settings.folders.teacher = *narrowed;
  rescan(/*tellSkipped=*/true);
}

void SelectionDialog::rescan(bool tellSkipped) {
  AppState& state = appState();
  scanOwnArchives(host_.frame());
  fillArchiveBox();
  if (tellSkipped) {
    const std::string notice =
        skippedArchivesNotice(state.settings.folders.teacher, state.archiveScan.skipped);
    if (!notice.empty()) win::showInformation(host_.frame(), notice);
  }
  ExerciseParameters& ex = state.exercise;
  // The archive in use keeps its place if the new list still has it.
  for (int i = 1; i < static_cast<int>(items_.size()); ++i) {
    const ArchiveItem& it = items_[static_cast<std::size_t>(i)];
    if (it.kind == ArchiveItemKind::Archive && it.caption == ex.archiveCaption &&
        sameArchivePath(it.path, state.currentText.archivePath)) {
      ex.archiveIndex = i;
      selectArchiveItem(i);
      ::InvalidateRect(item(kArchiveBox), nullptr, TRUE);
      return;
    }
  }
  int first = 1;
  while (first < static_cast<int>(items_.size()) && isHeadingItem(items_, first)) ++first;
  if (first < static_cast<int>(items_.size()) &&
      items_[static_cast<std::size_t>(first)].kind == ArchiveItemKind::Archive) {
    ex.archiveIndex = -1;  // forces the open: the old index means nothing now
    onArchiveChosen(first);
  } else {
    selectArchiveItem(0);
  }
}

void SelectionDialog::showMenu() {
  HMENU menu = ::CreatePopupMenu();
  if (menu == nullptr) return;
  ::AppendMenuW(menu, MF_STRING, kMenuRescan, L"Eigene Textarchive &neu einlesen");
  ::AppendMenuW(menu, MF_STRING, kMenuFolder, L"&Ordner für eigene Textarchive wählen...");
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  // The text is chosen on the second page; there it can go on paper.
  ::AppendMenuW(menu, MF_STRING | (page_ == 2 ? 0 : MF_GRAYED), kMenuPrintTemplate, L"&Vorlage drucken...");
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  // Lessons made for the learner, in the form chosen here; unless a policy
  // keeps the class on the same lessons.
  if (appState().settings.policies.adaptiveLessons) {
    ::AppendMenuW(menu, MF_STRING, kMenuAdaptive, L"&Adaptiv üben...");
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  }
  const bool web = appState().settings.policies.webLinksEnabled;
  ::AppendMenuW(menu, MF_STRING | (web ? 0 : MF_GRAYED), kMenuWeb, L"Klavento im &Internet");
  RECT r{};
  ::GetWindowRect(item(kMenu), &r);
  const int command = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_TOPALIGN,
                                       r.right, r.bottom, 0, hwnd_, nullptr);
  ::DestroyMenu(menu);
  switch (command) {
    case kMenuRescan: rescan(/*tellSkipped=*/true); break;
    case kMenuFolder: browseForFolder(); break;
    case kMenuPrintTemplate: printTemplateSheet(); break;
    case kMenuAdaptive:
      if (appState().settings.policies.adaptiveLessons && win::CheckKeyboardLayout(host_.frame())) host_.request(static_cast<int>(Request::Adaptive));
      break;
    case kMenuWeb:
      if (appState().settings.policies.webLinksEnabled) win::openWebPage(hwnd_, kProductWebPage);
      break;
    default: break;
  }
}

void SelectionDialog::printTemplateSheet() {
  if (page_ != 2) return;
  for (int id : {static_cast<int>(kFirstLine), static_cast<int>(kLastLine), static_cast<int>(kRepetitions)}) {
    onNumberFieldLeft(id);
  }
  storeParameters();
  const AppState& state = appState();
  const int n = textPosition() + 1;
  // The lines as the exercise would present them: range and repetitions.
  CurrentText text;
  text.archivePath = state.currentText.archivePath;
  if (n < 1 || n > state.currentHeader.textCount ||
      !archives_.loadText(state.currentHeader, n, true, state.exercise.selection, text)) {
    win::showError(host_.frame(), archiveReadErrorMessage(state.currentText.archivePath));
    return;
  }
  enableCommands(false);
  printTemplate(host_.frame(), state.currentHeader.entries[static_cast<std::size_t>(n - 1)].title,
                state.currentHeader.archiveName, text.lines);
  enableCommands(true);
}

}  // namespace kv
