#include "ui/result/saved_exercise_dialog_win.h"

#include <cstdio>

#include "ui/shared/app_state.h"
#include "platform/encoding.h"
#include "platform/win/file_dialog.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"

namespace kv {

std::optional<std::wstring> askForSavedExercise(HWND owner) {
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Open;
  request.filter = L"Text mit Auswertung (*.kvw)\0*.kvw\0";
  request.title = L"Gespeicherte Übung öffnen";
  request.defaultExtension = L"kvw";
  request.folder = win::widen(appState().openDialogFolder);
  const win::FileDialogAnswer answer = win::askForFile(owner, request);
  if (answer.outcome == win::FileDialogAnswer::Outcome::Failed) showFileDialogFailure(owner, answer.error);
  if (answer.outcome != win::FileDialogAnswer::Outcome::Chosen) return std::nullopt;
  return answer.path;
}

void showFileDialogFailure(HWND owner, unsigned long error) {
  char code[16];
  std::snprintf(code, sizeof code, "%04lX", error);
  win::showError(owner, w1252("Das Dateifenster konnte nicht geöffnet werden (Fehler ") + code +
                            w1252("). Bitte prüfen Sie den Ordner für Übungsdateien."));
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace kv
