// The start page of a class test: what the test asks (class, text, form,
// time, rules), the learner's name picked from the class list or typed where
// there is none, and "Beginnen", which starts the exercise with the test's
// settings. The learner's own choices in the selection come back afterwards.
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/win/handles.h"
#include "ui/shared/hosted_child_window_win.h"

namespace kv {

inline constexpr const wchar_t* kClassTestChildClass = L"KlaventoClassTest";

class ClassTestStart final : public HostedChildWindow<ClassTestStart> {
 public:
  enum ControlId : int {
    kHeadingId = 1401, kRulesId, kNameLabelId, kNameId, kListId, kNoteId, kBeginId, kCancelId,
  };

  explicit ClassTestStart(ChildHost& host);
  bool create();

  ChildKind kind() const override { return ChildKind::ClassTest; }
  void refreshFontsAndColours() override;
  SIZE minimumSize() const override;

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class win::MdiChildWindow<ClassTestStart>;

  HWND focusTarget() const override { return name_; }
  void createControls();
  void layout();
  void nameTyped();
  void listChosen();
  void showLearnerTime();
  void begin();
  std::string chosenLearner() const;
  static LRESULT CALLBACK nameFieldProc(HWND field, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data);

  bool settingName_ = false;
  win::Font dialogFont_;
  win::Font headingFont_;
  HWND heading_ = nullptr;
  HWND rules_ = nullptr;
  HWND nameLabel_ = nullptr;
  HWND name_ = nullptr;
  HWND list_ = nullptr;
  HWND note_ = nullptr;
  HWND begin_ = nullptr;
  HWND cancel_ = nullptr;
};

std::unique_ptr<ChildWindow> createClassTestStart(ChildHost& host);

// The open dialog for a test file, starting in the student folder.
std::optional<std::wstring> askForClassTest(HWND owner);
// Reads a test file for a learner; false after telling why (owner: the frame).
bool openClassTestFile(HWND owner, const std::wstring& file);
// The learner's own exercise settings come back once a class test is over
// (handed in, or left before it began).
void endClassTestRun();

}  // namespace kv
