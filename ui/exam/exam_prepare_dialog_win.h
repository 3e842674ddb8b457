// "Klassenarbeit vorbereiten": the teacher chooses the text, the form, the
// rules, the class with its list, the grade key and the folder on the
// school's server; saving writes the sealed test file there, makes the
// hand-in folder beside it and keeps the teacher's own copy on this PC.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "exam/class_test.h"
#include "texts/text_model.h"
#include "ui/shared/popup_window_win.h"
#include "ui/teachers/offered_keys_win.h"

namespace kv {

class ClassTestPreparation final : public PopupWindow<ClassTestPreparation> {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoClassTestPreparation";
  enum ControlId : int {
    kArchiveLabel = 1301, kArchiveBox, kTextLabel, kTextList, kTextInfo,
    kFormGroup, kFormPaper, kFormScreen,
    kRulesGroup, kMinutesLabel, kMinutes, kCorrection, kAttemptsLabel, kAttempts,
    kKeyLabel, kKeyBox, kLoadKey,
    kClassLabel, kClassField, kListLabel, kList, kLoadList, kListNote,
    kFolderLabel, kFolder, kBrowse,
    kPrint, kSave, kCancel,
  };

  // The test file written; nothing when the teacher cancelled.
  std::optional<std::wstring> run(HWND owner) {
    runModal(owner);
    return written_;
  }

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class PopupWindow<ClassTestPreparation>;
  std::wstring caption() const { return L"Klassenarbeit vorbereiten"; }

  // An archive the box offers: its caption, name and path (Windows-1252).
  struct Archive {
    std::string caption;
    std::string name;
    std::string path;
  };

  void onCreate();
  void layout();
  void fillArchives();
  void chooseArchive(int index);
  void chooseText(int position);
  void showTextInfo();
  void offerKeys(const std::string& remembered);
  void loadKeyFile();
  void loadClassList();
  void showListNote();
  void browseFolder();
  void printTemplateSheet();
  void save();
  // The parts of the test the fields describe; a German refusal naming the
  // field when they do not make one.
  bool testOfFields(ClassTest& test, std::wstring& why, int& field);
  // The folder field's folder once it is there, or nothing after telling why.
  std::optional<std::wstring> reachableFolder();
  // The time field in seconds; 0 when it holds no time.
  std::int32_t fieldSeconds() const;
  void refuse(const std::wstring& why, int field);

  std::vector<Archive> archives_;
  TextArchiveHeader header_;
  CurrentText text_;
  bool textLoaded_ = false;
  std::vector<OfferedKey> keys_;
  // What the last list file left out, shown until the list is typed in.
  std::vector<std::string> fileNotUnderstood_;
  std::wstring listFile_;
  bool fillingList_ = false;
  std::optional<std::wstring> written_;
};

}  // namespace kv
