// "Textarchiv erstellen": a teacher turns text files into an archive for the
// selection without a command line. The files are read and refused exactly
// as `kvtool archive pack` reads and refuses them; characters the keyboard
// cannot type are shown per text and can be replaced.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/shared/popup_window_win.h"

namespace kv {

class ArchiveMakerDialog final : public PopupWindow<ArchiveMakerDialog> {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoArchiveMaker";
  enum ControlId : int {
    kNameLabel = 1201, kName, kListLabel, kList, kAdd, kRemove, kUp, kDown, kReplace,
    kTitleLabel, kTitle, kSummary, kSave, kClose,
  };
  enum Column : int { kNumber, kTitleColumn, kFile, kLines, kCharacters, kNote, kColumnCount };

  // One text of the archive to be: its file, its title and its lines, all
  // Windows-1252 but the file's path.
  struct Text {
    std::wstring file;
    std::wstring title;
    std::vector<std::string> lines;
  };

  void run(HWND owner) { runModal(owner); }

  // For tests: the texts in the archive's order.
  const std::vector<Text>& texts() const { return texts_; }

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class PopupWindow<ArchiveMakerDialog>;
  std::wstring caption() const { return L"Textarchiv erstellen"; }

  void onCreate();
  void layout();
  void addFiles();
  void add(const std::vector<std::wstring>& files);
  void remove();
  void move(int by);
  void replaceCharacters(const std::vector<std::size_t>& which);
  void save();
  // Texts not yet saved as an archive are lost only when the teacher says so.
  bool mayClose();
  void fillList(int select);
  void showRow(std::size_t i);
  void showSummary();
  void titleEdited();
  int selected() const;
  void select(int row);

  std::vector<Text> texts_;
  bool fillingTitle_ = false;
  bool saved_ = false;
};

}  // namespace kv
