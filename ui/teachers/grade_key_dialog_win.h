// "Notenschlüssel bearbeiten": the teacher changes a grade key field by field,
// starting from the one chosen in the teachers' window. The fields are read
// as the key file is, so the dialog and a file refuse the same things.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "classroom/grade_key.h"
#include "ui/shared/popup_window_win.h"

namespace kv {

class GradeKeyDialog final : public PopupWindow<GradeKeyDialog> {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoGradeKey";
  enum ControlId : int {
    kNameLabel = 1101, kName,
    kLimitsLabel, kLimit1, kLimit2, kLimit3, kLimit4, kLimit5,
    kMinimumLabel, kMinimumKind, kMinimum,
    kStepLabel, kStep, kMaxStepsLabel, kMaxSteps, kReductionLabel, kReduction,
    kBonusLabel, kBonusFrom, kBonusEveryLabel, kBonusEvery,
    kSaveAs, kOk, kCancel,
  };

  explicit GradeKeyDialog(GradeKey start, std::wstring folder)
      : start_(std::move(start)), folder_(std::move(folder)) {}

  // The key as changed; nothing when the teacher cancelled.
  std::optional<GradeKey> run(HWND owner) {
    runModal(owner);
    return result_;
  }

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class PopupWindow<GradeKeyDialog>;
  std::wstring caption() const { return L"Notenschlüssel bearbeiten"; }

  void onCreate();
  void layout();
  // The key the fields describe; a German message naming the field when not.
  std::optional<GradeKey> keyOfFields(std::string& why, int& field) const;
  void showRefusal(const std::string& why, int field);
  void onOk();
  void onSaveAs();

  GradeKey start_;
  std::wstring folder_;
  std::optional<GradeKey> result_;
};

}  // namespace kv
