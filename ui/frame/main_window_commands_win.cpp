// The main window's menus and their commands: building the menu bar and its
// keys, greying what may not run in the present child, and running a command.
#include "ui/frame/main_window_win.h"

#include <iterator>
#include <string>

#include "core/settings.h"
#include "platform/encoding.h"
#include "platform/win/message_box.h"
#include "platform/win/shell.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "ui/exam/exam_prepare_dialog_win.h"
#include "ui/frame/about_window_win.h"
#include "ui/shared/app_state.h"
#include "ui/shared/requests.h"
#include "ui/teachers/archive_maker_win.h"

namespace kv {

HMENU MainWindow::createMenuBar() {
  const HMENU menu = ::CreateMenu();
  fileMenu_ = ::CreatePopupMenu();
  helpMenu_ = ::CreatePopupMenu();
  // Wine leaves one character's width between an item and its shortcut; the
  // blanks keep the shortcut clear of the text there as on Windows.
  ::AppendMenuW(fileMenu_, MF_STRING, kCommandOpen, L"Gespeicherte Übung ö&ffnen...   \tStrg+O");
  // Unless a policy keeps class tests off this PC.
  if (appState().settings.policies.classTestsEnabled) {
    ::AppendMenuW(fileMenu_, MF_STRING, kCommandOpenClassTest, L"&Klassenarbeit öffnen...");
  }
  // The learning history is there unless a policy switched it off.
  if (appState().settings.policies.historyEnabled) {
    ::AppendMenuW(fileMenu_, MF_STRING, kCommandHistory, L"&Lernverlauf...   \tStrg+L");
  }
  ::AppendMenuW(fileMenu_, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(fileMenu_, MF_STRING, kCommandExit, L"&Beenden\tAlt+F4");
  ::AppendMenuW(helpMenu_, MF_STRING, kCommandHandbook, L"&Benutzerhandbuch   \tF1");
  ::AppendMenuW(helpMenu_, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(helpMenu_, MF_STRING, kCommandWebDin, L"Hinweise zur &DIN 5008 im Internet");
  ::AppendMenuW(helpMenu_, MF_STRING, kCommandWebSpelling,
                L"Hinweise zur &Rechtschreibung im Internet");
  ::AppendMenuW(helpMenu_, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(helpMenu_, MF_STRING, kCommandAbout, L"&Über Klavento 7...");
  ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu_), L"&Datei");
  // What teachers do, unless a policy keeps it off the learners' PCs.
  if (appState().settings.policies.teacherFunctions) {
    teacherMenu_ = ::CreatePopupMenu();
    ::AppendMenuW(teacherMenu_, MF_STRING, kCommandClassResults, L"&Ergebnisse einer Klasse...   \tStrg+K");
    ::AppendMenuW(teacherMenu_, MF_STRING, kCommandMakeArchive, L"&Textarchiv erstellen...");
    if (appState().settings.policies.classTestsEnabled) {
      ::AppendMenuW(teacherMenu_, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(teacherMenu_, MF_STRING, kCommandPrepareClassTest, L"Klassenarbeit &vorbereiten...");
    }
    ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(teacherMenu_), L"&Lehrkräfte");
  }
  ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(helpMenu_), L"&Hilfe");

  ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'O', kCommandOpen},
                  {FVIRTKEY, VK_F1, kCommandHandbook},
                  {FCONTROL | FVIRTKEY, 'L', kCommandHistory},
                  {FCONTROL | FVIRTKEY, 'K', kCommandClassResults}};
  accelerators_ = ::CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
  return menu;
}

void MainWindow::updateCommands() {
  if (fileMenu_ == nullptr) return;
  const bool open = openCommandEnabled(childKind(), childAlive() && child_->showsFile(), opening_);
  ::EnableMenuItem(fileMenu_, kCommandOpen, MF_BYCOMMAND | (open ? MF_ENABLED : MF_GRAYED));
  ::EnableMenuItem(fileMenu_, kCommandHistory,
                   MF_BYCOMMAND | (historyCommandEnabled() ? MF_ENABLED : MF_GRAYED));
  if (teacherMenu_ != nullptr) {
    for (const int command : {kCommandClassResults, kCommandMakeArchive, kCommandPrepareClassTest}) {
      ::EnableMenuItem(teacherMenu_, static_cast<UINT>(command),
                       MF_BYCOMMAND | (classCommandEnabled() ? MF_ENABLED : MF_GRAYED));
    }
  }
  ::EnableMenuItem(fileMenu_, kCommandOpenClassTest,
                   MF_BYCOMMAND | (childKind() == ChildKind::Selection && !opening_ ? MF_ENABLED : MF_GRAYED));
  const bool web = appState().settings.policies.webLinksEnabled;
  ::EnableMenuItem(helpMenu_, kCommandWebDin, MF_BYCOMMAND | (web ? MF_ENABLED : MF_GRAYED));
  ::EnableMenuItem(helpMenu_, kCommandWebSpelling,
                   MF_BYCOMMAND | (web ? MF_ENABLED : MF_GRAYED));
}

bool MainWindow::classCommandEnabled() const {
  return appState().settings.policies.teacherFunctions && !opening_ && childKind() == ChildKind::Selection;
}

bool MainWindow::historyCommandEnabled() const {
  return appState().settings.policies.historyEnabled && !opening_ && childKind() == ChildKind::Selection;
}

void MainWindow::prepareClassTest() {
  ClassTestPreparation preparation;
  const std::optional<std::wstring> saved = preparation.run(hwnd_);
  if (!saved) return;
  // The teachers' window opens on the test just saved, to watch it.
  appState().classTestFile = win::narrowLossy(*saved);
  request(static_cast<int>(Request::ClassResults));
}

void MainWindow::openWebPath(const char* path) {
  if (!appState().settings.policies.webLinksEnabled) return;
  win::openWebPage(hwnd_, std::string(kProductWebPage) + path);
}

void MainWindow::openHandbook() {
  std::wstring folder = win::programPath();
  folder.resize(folder.find_last_of(L"\\/") + 1);
  const std::wstring guide = folder + kHandbookPath;
  if (::GetFileAttributesW(guide.c_str()) == INVALID_FILE_ATTRIBUTES) {
    win::showError(hwnd_, w1252("Das Benutzerhandbuch wurde nicht gefunden (") +
                              win::narrowLossy(guide) +
                              w1252("). Es wird beim Einrichten mit installiert, wenn es dort "
                                    "ausgewählt ist."));
    return;
  }
  if (!win::openWithShell(hwnd_, guide)) {
    win::showError(hwnd_, w1252("Das Benutzerhandbuch konnte nicht geöffnet werden (") +
                              win::narrowLossy(guide) + w1252(")."));
  }
}

void MainWindow::showAbout() {
  aboutOpen_ = true;
  AboutWindow about;
  about.showModal(hwnd_);
  aboutOpen_ = false;
}

bool MainWindow::onCommand(int id) {
  switch (id) {
    case kCommandOpen:
      // The menu item is greyed when opening is not allowed; the key is not.
      if (openCommandEnabled(childKind(), childAlive() && child_->showsFile(), opening_)) {
        request(static_cast<int>(Request::OpenSaved));
      }
      break;
    case kCommandExit:
      ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      break;
    case kCommandWebDin:
      openWebPath(kWebPathDin5008);
      break;
    case kCommandWebSpelling:
      openWebPath(kWebPathSpelling);
      break;
    case kCommandAbout:
      showAbout();
      break;
    case kCommandHandbook:
      openHandbook();
      break;
    case kCommandMakeArchive:
      if (classCommandEnabled()) {
        ArchiveMakerDialog maker;
        maker.run(hwnd_);
      }
      break;
    case kCommandOpenClassTest:
      if (appState().settings.policies.classTestsEnabled && childKind() == ChildKind::Selection && !opening_) {
        request(static_cast<int>(Request::ClassTest));
      }
      break;
    case kCommandPrepareClassTest:
      if (classCommandEnabled() && appState().settings.policies.classTestsEnabled) prepareClassTest();
      break;
    case kCommandClassResults:
      // Only from the selection, as the Lernverlauf.
      if (classCommandEnabled()) request(static_cast<int>(Request::ClassResults));
      break;
    case kCommandHistory:
      // Only from the selection: an exercise or an unsaved result would be lost.
      if (historyCommandEnabled()) request(static_cast<int>(Request::History));
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace kv
