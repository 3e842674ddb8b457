#include "ui/teachers/archive_maker_win.h"

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/file_dialog.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"
#include "texts/archive_builder.h"
#include "texts/text_model.h"
#include "ui/result/saved_exercise_dialog_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr win::ListColumn kColumns[ArchiveMakerDialog::kColumnCount] = {
    {L"Nr.", 18, true},    {L"Titel", 86, false},   {L"Datei", 86, false},
    {L"Zeilen", 30, true}, {L"Zeichen", 36, true}, {L"Hinweis", 150, false},
};

// From this many lines on, a text's note stops naming them.
constexpr std::size_t kNamedLines = 3;

std::wstring fileNameOf(const std::wstring& path) { return fs::path(path).filename().wstring(); }

std::size_t characterCount(const ArchiveMakerDialog::Text& text) {
  std::size_t n = 0;
  for (const std::string& line : text.lines) n += line.size();
  return n;
}

// The lines (from 1) that hold a character no key types.
std::vector<std::size_t> untypableLines(const ArchiveMakerDialog::Text& text) {
  std::vector<std::size_t> found;
  for (std::size_t n = 0; n < text.lines.size(); ++n) {
    if (!untypableShown(text.lines[n]).empty()) found.push_back(n + 1);
  }
  return found;
}

// Each untypable character of the text once, as the teacher reads it.
std::wstring untypableCharacters(const ArchiveMakerDialog::Text& text) {
  return win::widenUtf8(untypableShown(text.lines));
}

std::wstring lineList(const std::vector<std::size_t>& lines) {
  std::wstring text = lines.size() == 1 ? L"Zeile " : L"Zeilen ";
  for (std::size_t i = 0; i < lines.size() && i < kNamedLines; ++i) {
    text += (i == 0 ? L"" : L", ") + std::to_wstring(lines[i]);
  }
  if (lines.size() > kNamedLines) text += L" und " + std::to_wstring(lines.size() - kNamedLines) + L" weitere";
  return text;
}

// What keeps the text out of an archive, or what the teacher should know.
std::wstring noteOf(const ArchiveMakerDialog::Text& text) {
  std::wstring note;
  const auto add = [&note](const std::wstring& part) { note += (note.empty() ? L"" : L"; ") + part; };
  const std::optional<std::string> title = win::narrow(text.title);
  if (!title) {
    add(L"Titel mit Zeichen außerhalb von Windows-1252");
  } else {
    switch (titleFault(*title)) {
      case TitleFault::Empty: add(L"Titel fehlt"); break;
      case TitleFault::ControlCharacter: add(L"Titel mit Steuerzeichen"); break;
      case TitleFault::TooLong:
        add(L"Titel zu lang (höchstens " + std::to_wstring(kTitleMax) + L" Zeichen)");
        break;
      case TitleFault::None: break;
    }
  }
  const std::vector<std::size_t> lines = untypableLines(text);
  if (!lines.empty()) {
    add(L"nicht auf der Tastatur: " + untypableCharacters(text) + L" (" + lineList(lines) + L")");
  }
  return note;
}

}  // namespace

void ArchiveMakerDialog::onCreate() {
  const auto label = [&](int id, const wchar_t* text) {
    win::createControl(hwnd_, L"STATIC", text, SS_LEFT, 0, 0, 10, 10, id);
  };
  const auto button = [&](int id, const wchar_t* text) {
    win::createControl(hwnd_, L"BUTTON", text, WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, id);
  };
  label(kNameLabel, L"Archiv&name:");
  win::createControl(hwnd_, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 10, 10, kName, WS_EX_CLIENTEDGE);
  ::SendMessageW(control(kName), EM_LIMITTEXT, kArchiveNameMax, 0);
  label(kListLabel, L"Te&xte, in der Reihenfolge des Archivs:");
  win::createControl(hwnd_, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 10,
                     10, kList, WS_EX_CLIENTEDGE);
  ::SendMessageW(control(kList), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  button(kAdd, L"Texte &hinzufügen …");
  button(kRemove, L"&Entfernen");
  button(kUp, L"Nach &oben");
  button(kDown, L"Nach &unten");
  button(kReplace, L"Zeichen e&rsetzen");
  label(kTitleLabel, L"&Titel des gewählten Textes:");
  win::createControl(hwnd_, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 10, 10, kTitle, WS_EX_CLIENTEDGE);
  ::SendMessageW(control(kTitle), EM_LIMITTEXT, kTitleMax, 0);
  win::createControl(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, kSummary);
  button(kSave, L"Archiv &speichern …");
  button(kClose, L"Sch&ließen");
  applyFont();
  const win::DialogUnits du(font_.get());
  win::addListColumns(control(kList), du, kColumns, kColumnCount);
  layout();
  fillList(-1);
  ::SetFocus(control(kAdd));
}

void ArchiveMakerDialog::layout() {
  const win::DialogUnits du(font_.get());
  const int m = du.x(7), gap = du.x(4), rowH = du.y(12), labelH = du.y(9), buttonH = du.y(14);
  // Wide enough for the longest caption in the dialog font, whatever the dpi.
  int buttonW = du.x(70);
  for (int id : {kAdd, kRemove, kUp, kDown, kReplace, kSave, kClose}) {
    buttonW = std::max<int>(buttonW, win::textExtent(font_.get(), win::windowText(control(id))).cx + du.x(12));
  }
  int columnsW = 0;
  for (const win::ListColumn& c : kColumns) columnsW += du.x(c.width);
  int listW = columnsW + ::GetSystemMetrics(SM_CXVSCROLL) + du.x(4);
  // On a small screen at a high dpi the dialog keeps to the screen: the
  // "Hinweis" column, the last and widest, gives up the difference.
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int room = (work.right - work.left) - 2 * ::GetSystemMetrics(SM_CXDLGFRAME) - du.x(8);
  const int excess = std::min(m + listW + gap + buttonW + m - room, du.x(kColumns[kNote].width) - du.x(60));
  if (excess > 0) listW -= excess;
  ListView_SetColumnWidth(control(kList), kNote, du.x(kColumns[kNote].width) - std::max(0, excess));
  const int width = m + listW + gap + buttonW + m;
  const int labelW = du.x(60);
  int y = m;
  ::MoveWindow(control(kNameLabel), m, y + du.y(2), labelW, labelH, FALSE);
  ::MoveWindow(control(kName), m + labelW, y, du.x(180), rowH, FALSE);
  y += rowH + du.y(6);
  ::MoveWindow(control(kListLabel), m, y, listW, labelH, FALSE);
  y += labelH + du.y(2);
  const int listH = du.y(150);
  ::MoveWindow(control(kList), m, y, listW, listH, FALSE);
  int by = y;
  for (int id : {kAdd, kRemove, kUp, kDown, kReplace}) {
    ::MoveWindow(control(id), m + listW + gap, by, buttonW, buttonH, FALSE);
    by += buttonH + (id == kAdd || id == kDown ? du.y(8) : gap);
  }
  y += listH + du.y(5);
  ::MoveWindow(control(kTitleLabel), m, y + du.y(2), du.x(110), labelH, FALSE);
  ::MoveWindow(control(kTitle), m + du.x(110), y, du.x(130), rowH, FALSE);
  y += rowH + du.y(5);
  ::MoveWindow(control(kSummary), m, y, listW, labelH, FALSE);
  y += labelH + du.y(7);
  ::MoveWindow(control(kSave), m, y, buttonW, buttonH, FALSE);
  ::MoveWindow(control(kClose), width - m - buttonW, y, buttonW, buttonH, FALSE);
  win::setClientSize(hwnd_, width, y + buttonH + m);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

int ArchiveMakerDialog::selected() const {
  return static_cast<int>(::SendMessageW(control(kList), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ArchiveMakerDialog::select(int row) {
  if (row < 0 || row >= static_cast<int>(texts_.size())) return;
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(control(kList), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  ::SendMessageW(control(kList), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void ArchiveMakerDialog::showRow(std::size_t i) {
  const Text& t = texts_[i];
  const std::wstring cells[kColumnCount] = {
      std::to_wstring(i + 1),          t.title, fileNameOf(t.file), std::to_wstring(t.lines.size()),
      std::to_wstring(characterCount(t)), noteOf(t)};
  for (int c = 0; c < kColumnCount; ++c) {
    LVITEMW item{};
    item.iSubItem = c;
    item.pszText = const_cast<wchar_t*>(cells[c].c_str());
    ::SendMessageW(control(kList), LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
  }
}

void ArchiveMakerDialog::fillList(int select) {
  saved_ = false;
  const HWND list = control(kList);
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t i = 0; i < texts_.size(); ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    showRow(i);
  }
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  if (!texts_.empty()) this->select(std::clamp(select, 0, static_cast<int>(texts_.size()) - 1));
  showSummary();
}

void ArchiveMakerDialog::showSummary() {
  std::size_t lines = 0, characters = 0;
  bool untypable = false;
  for (const Text& t : texts_) {
    lines += t.lines.size();
    characters += characterCount(t);
    untypable = untypable || !untypableLines(t).empty();
  }
  std::wstring summary;
  if (texts_.empty()) {
    summary = L"Noch kein Text. Ein Archiv fasst höchstens " + std::to_wstring(kMaxTexts) + L" Texte.";
  } else {
    summary = std::to_wstring(texts_.size()) + (texts_.size() == 1 ? L" Text, " : L" Texte, ") +
              std::to_wstring(lines) + L" Zeilen, " + std::to_wstring(characters) +
              L" Zeichen; ein Archiv fasst höchstens " + std::to_wstring(kMaxTexts) + L" Texte.";
  }
  ::SetWindowTextW(control(kSummary), summary.c_str());
  const int row = selected();
  const bool any = row >= 0;
  fillingTitle_ = true;
  ::SetWindowTextW(control(kTitle), any ? texts_[static_cast<std::size_t>(row)].title.c_str() : L"");
  fillingTitle_ = false;
  ::EnableWindow(control(kTitle), any);
  ::EnableWindow(control(kRemove), any);
  ::EnableWindow(control(kUp), row > 0);
  ::EnableWindow(control(kDown), any && row + 1 < static_cast<int>(texts_.size()));
  ::EnableWindow(control(kReplace), untypable);
  ::EnableWindow(control(kSave), !texts_.empty());
}

void ArchiveMakerDialog::addFiles() {
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Open;
  request.filter = L"Textdateien (*.txt)\0*.txt\0Alle Dateien (*.*)\0*.*\0";
  request.title = L"Textdateien für das Archiv wählen";
  request.defaultExtension = L"txt";
  request.several = true;
  const win::FileDialogAnswer answer = win::askForFile(hwnd_, request);
  if (answer.outcome == win::FileDialogAnswer::Outcome::Failed) showFileDialogFailure(hwnd_, answer.error);
  if (answer.outcome != win::FileDialogAnswer::Outcome::Chosen) return;
  std::vector<std::wstring> files = answer.paths;
  // The dialog lists them as the folder shows them; the teacher expects that order.
  std::sort(files.begin(), files.end(), [](const std::wstring& a, const std::wstring& b) {
    return ::lstrcmpiW(a.c_str(), b.c_str()) < 0;
  });
  add(files);
}

void ArchiveMakerDialog::add(const std::vector<std::wstring>& files) {
  std::wstring refused;
  std::vector<std::size_t> untypable;
  const std::size_t before = texts_.size();
  std::size_t tooMany = 0;
  for (const std::wstring& file : files) {
    Text text;
    text.file = file;
    std::wstring title = fs::path(file).stem().wstring();
    text.title = std::move(title);
    if (const std::optional<PackProblem> problem = readPackText(fs::path(file), PackEncoding::Auto, text.lines)) {
      refused += fileNameOf(file) + win::widenUtf8(packPlace("", *problem) + problem->reason) + L"\n";
      continue;
    }
    if (texts_.size() >= kMaxTexts) {
      ++tooMany;
      continue;
    }
    if (!untypableLines(text).empty()) untypable.push_back(texts_.size());
    texts_.push_back(std::move(text));
  }
  if (tooMany > 0) {
    refused += win::widenUtf8(*textCountProblem(texts_.size() + tooMany)) + L" " + std::to_wstring(tooMany) +
               (tooMany == 1 ? L" Datei wurde" : L" Dateien wurden") + L" nicht aufgenommen.\n";
  }
  fillList(texts_.size() > before ? static_cast<int>(before) : selected());
  if (!refused.empty()) {
    win::showError(hwnd_, L"Nicht ins Archiv aufgenommen:\n\n" + refused);
  }
  if (!untypable.empty()) {
    std::wstring which;
    for (std::size_t i = 0; i < untypable.size() && i < 5; ++i) {
      const Text& t = texts_[untypable[i]];
      which += L"\n" + fileNameOf(t.file) + L": " + untypableCharacters(t) + L" (" + lineList(untypableLines(t)) + L")";
    }
    if (untypable.size() > 5) which += L"\nund " + std::to_wstring(untypable.size() - 5) + L" weitere Texte";
    const std::wstring question =
        L"Diese Texte enthalten Zeichen, die es auf der deutschen Tastatur nicht gibt:\n" + which +
        L"\n\nLernende können sie nicht tippen. Sollen sie durch Zeichen der Tastatur ersetzt werden"
        L" (\" ' - ...)?";
    if (win::askYesNo(hwnd_, question)) replaceCharacters(untypable);
  }
}

void ArchiveMakerDialog::replaceCharacters(const std::vector<std::size_t>& which) {
  std::wstring kept;
  for (const std::size_t i : which) {
    Text& t = texts_[i];
    for (std::size_t n = 0; n < t.lines.size(); ++n) {
      if (untypableShown(t.lines[n]).empty()) continue;
      if (const std::optional<std::string> problem = useKeyboardCharacters(t.lines[n])) {
        kept += fileNameOf(t.file) + L", Zeile " + std::to_wstring(n + 1) + L": " + win::widenUtf8(*problem) + L"\n";
      }
    }
  }
  const int row = selected();
  fillList(row);
  if (!kept.empty()) win::showError(hwnd_, L"Nicht ersetzt:\n\n" + kept);
}

void ArchiveMakerDialog::remove() {
  const int row = selected();
  if (row < 0) return;
  texts_.erase(texts_.begin() + row);
  fillList(row);
  ::SetFocus(texts_.empty() ? control(kAdd) : control(kList));
}

void ArchiveMakerDialog::move(int by) {
  const int row = selected();
  const int to = row + by;
  if (row < 0 || to < 0 || to >= static_cast<int>(texts_.size())) return;
  std::swap(texts_[static_cast<std::size_t>(row)], texts_[static_cast<std::size_t>(to)]);
  fillList(to);
  // The button stays where the teacher pressed it unless it has just gone grey.
  if (!::IsWindowEnabled(::GetFocus())) ::SetFocus(control(kList));
}

void ArchiveMakerDialog::titleEdited() {
  const int row = selected();
  if (fillingTitle_ || row < 0) return;
  texts_[static_cast<std::size_t>(row)].title = win::windowText(control(kTitle));
  showRow(static_cast<std::size_t>(row));
}

void ArchiveMakerDialog::save() {
  if (texts_.empty()) return;
  const std::wstring wideName = win::windowText(control(kName));
  const std::optional<std::string> name = win::narrow(wideName);
  std::optional<std::wstring> refusal;
  if (!name) {
    refusal = L"Der Archivname „" + wideName + L"“ enthält Zeichen außerhalb von Windows-1252.";
  } else if (name->empty()) {
    refusal = L"Bitte einen Archivnamen eingeben; unter ihm steht das Archiv in der Auswahl.";
  } else if (const std::optional<std::string> problem = archiveNameProblem(*name)) {
    refusal = win::widenUtf8(*problem);
  }
  if (refusal) {
    win::showError(hwnd_, *refusal);
    ::SetFocus(control(kName));
    ::SendMessageW(control(kName), EM_SETSEL, 0, -1);
    return;
  }
  if (const std::optional<std::string> problem = textCountProblem(texts_.size())) {
    win::showError(hwnd_, win::widenUtf8(*problem));
    return;
  }
  std::vector<ArchiveText> texts;
  for (std::size_t i = 0; i < texts_.size(); ++i) {
    const Text& t = texts_[i];
    const std::optional<std::string> title = win::narrow(t.title);
    std::wstring why;
    if (!title) {
      why = L"Der Titel „" + t.title + L"“ enthält Zeichen außerhalb von Windows-1252.";
    } else if (const TitleFault fault = titleFault(*title); fault == TitleFault::Empty) {
      why = L"Der Titel ist leer.";
    } else if (fault == TitleFault::ControlCharacter) {
      why = L"Der Titel enthält ein Steuerzeichen.";
    } else if (fault == TitleFault::TooLong) {
      why = win::widenUtf8(titleTooLongReason(*title));
    }
    if (!why.empty()) {
      select(static_cast<int>(i));
      win::showError(hwnd_, L"Text " + std::to_wstring(i + 1) + L" (" + fileNameOf(t.file) + L"): " + why);
      ::SetFocus(control(kTitle));
      ::SendMessageW(control(kTitle), EM_SETSEL, 0, -1);
      return;
    }
    texts.push_back(ArchiveText{*title, t.lines});
  }

  AppState& state = appState();
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Save;
  request.filter = L"Klavento-Textarchiv (*.kv7)\0*.kv7\0";
  request.title = L"Textarchiv speichern";
  request.defaultExtension = L"kv7";
  request.folder = win::widen(state.settings.folders.teacher);
  // The name offered: the archive's, without what no file name may hold.
  for (wchar_t c : wideName) request.name += std::wcschr(L"\\/:*?\"<>|", c) != nullptr ? L'-' : c;
  request.name += L".kv7";
  const win::FileDialogAnswer answer = win::askForFile(hwnd_, request);
  if (answer.outcome == win::FileDialogAnswer::Outcome::Failed) showFileDialogFailure(hwnd_, answer.error);
  if (answer.outcome != win::FileDialogAnswer::Outcome::Chosen) return;
  const fs::path target(answer.path);
  if (::lstrcmpiW(target.extension().c_str(), L".kv7") != 0) {
    win::showError(hwnd_, target.wstring() + L": Die Datei muss auf .kv7 enden, sonst findet Klavento sie nicht.");
    return;
  }
  const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  const std::optional<AtomicWriteResult> written = writeTextArchive(target, *name, texts);
  ::SetCursor(previous);
  if (!written || !written->ok()) {
    win::showError(hwnd_, w1252("Das Archiv wurde nicht als „") + cp1252OfPath(target) + w1252("“ gespeichert. ") +
                              (written ? written->reason(target) : w1252("Die Texte passen nicht in ein Archiv.")));
    return;
  }
  std::wstring told = L"Das Archiv „" + wideName + L"“ mit " + std::to_wstring(texts.size()) +
                      (texts.size() == 1 ? L" Text" : L" Texten") + L" ist gespeichert:\n" + target.wstring();
  std::error_code ec;
  const fs::path teacher(win::widen(state.settings.folders.teacher));
  if (!state.settings.folders.teacher.empty() && fs::equivalent(target.parent_path(), teacher, ec)) {
    told += L"\n\nIn der Auswahl steht es unter den eigenen Textarchiven, sobald sie neu eingelesen sind "
            L"(Menü der Auswahl: „Eigene Textarchive neu einlesen“).";
  } else {
    told += L"\n\nDie Auswahl findet eigene Textarchive im Ordner für eigene Textarchive"
            L" (Menü der Auswahl: „Ordner für eigene Textarchive wählen …“).";
  }
  win::showInformation(hwnd_, told);
  saved_ = true;
}

LRESULT ArchiveMakerDialog::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      onCreate();
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == kList && header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if ((change->uChanged & LVIF_STATE) != 0 && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) != 0) {
          showSummary();
        }
        return 0;
      }
      if (header->idFrom == kList && header->code == LVN_KEYDOWN &&
          reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE) {
        remove();
        return 0;
      }
      break;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kAdd: addFiles(); return 0;
        case kRemove: remove(); return 0;
        case kUp: move(-1); return 0;
        case kDown: move(1); return 0;
        case kReplace: {
          std::vector<std::size_t> all;
          for (std::size_t i = 0; i < texts_.size(); ++i) all.push_back(i);
          replaceCharacters(all);
          return 0;
        }
        case kSave: save(); return 0;
        case kTitle:
          if (HIWORD(wParam) == EN_CHANGE) {
            saved_ = false;
            titleEdited();
          }
          return 0;
        case kName:
          if (HIWORD(wParam) == EN_CHANGE) saved_ = false;
          return 0;
        case IDOK: {
          // Return presses the focused button; in a field it does nothing.
          const HWND focus = ::GetFocus();
          const int id = focus != nullptr && ::GetParent(focus) == hwnd_ ? ::GetDlgCtrlID(focus) : 0;
          if ((id >= kAdd && id <= kReplace) || id == kSave || id == kClose) {
            ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(focus));
          }
          return 0;
        }
        case kClose:
        case IDCANCEL:
          ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
          return 0;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return finishMessage(msg, wParam, lParam);
}

bool ArchiveMakerDialog::mayClose() {
  return texts_.empty() || saved_ ||
         win::askYesNo(hwnd_, L"Die Texte sind noch nicht als Archiv gespeichert. Trotzdem schließen?");
}

}  // namespace kv
