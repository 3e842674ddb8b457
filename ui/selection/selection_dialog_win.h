// The selection dialog, where every exercise begins: on the first page the
// exercise form with its speed or time limit, the colours and the correction
// choice; on the second the archive, the text, the line range and the
// repetitions, with a preview of the text. Starting stores the exercise
// parameters, loads the text and asks the main window for the exercise
// window (request 2).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/win/handles.h"
#include "platform/win/mdi_child.h"
#include "texts/archive.h"
#include "ui/shared/child_window_win.h"
#include "ui/selection/selection_rules.h"
#include "ui/shared/line_list_access_win.h"
#include "ui/shared/themed_button_win.h"

namespace kv {

class SelectionDialog final : public ChildWindow, public win::MdiChildWindow<SelectionDialog> {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoSelection";

  enum Id : int {
    kFormGroup = 1100,
    kFormOption1 = 1101,  // form n is kFormOption1 + n - 1
    kColourButton1 = 1111,  // forms 1-3
    kFormPicture = 1120,
    kPaceGroup = 1130,
    kPaceNone = 1131,
    kPaceValue = 1132,
    kPaceField = 1133,
    kPaceSpin = 1134,
    kCorrectionGroup = 1140,
    kCorrectionNo = 1141,
    kCorrectionYes = 1142,
    kArchiveLabel = 1200,
    kArchiveBox = 1201,
    kTextLabel = 1202,
    kTextList = 1203,
    kPreviewSwitch = 1204,
    kPreviewList = 1205,
    kRangeGroup = 1209,
    kFirstLine = 1210,
    kFirstSpin = 1211,
    kLastLine = 1212,
    kLastSpin = 1213,
    kFirstLabel = 1214,
    kLastLabel = 1215,
    kRepeatGroup = 1219,
    kModeEachLine = 1220,
    kModeWholeText = 1221,
    kRepetitions = 1222,
    kRepetitionsSpin = 1223,
    kRepetitionsLabel = 1224,
    kBack = 1300,
    kNext = 1301,
    kMenu = 1302,
  };
  // Commands of the menu beside the start button.
  enum MenuCommand : int { kMenuRescan = 1, kMenuFolder = 2, kMenuWeb = 3, kMenuPrintTemplate = 4, kMenuAdaptive = 5 };
  // Posted by a form option's right click: the dialog opens that form's colours.
  static constexpr UINT kFormRightClick = WM_APP + 30;

  explicit SelectionDialog(ChildHost& host);
  ~SelectionDialog() override;

  bool create();

  // ChildWindow
  HWND hwnd() const override { return windowHandle(); }
  ChildKind kind() const override { return ChildKind::Selection; }
  void destroy() override { destroyWindow(); }
  void refreshFontsAndColours() override;
  void enableCommands(bool enabled) override;
  void storeParameters() override;
  SIZE minimumSize() const override;

  int page() const { return page_; }
  bool previewShown() const { return previewOn_; }

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  HWND item(int id) const { return ::GetDlgItem(hwnd_, id); }
  bool checked(int id) const { return ::IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
  void check(int id, bool on) { ::CheckDlgButton(hwnd_, id, on ? BST_CHECKED : BST_UNCHECKED); }

  void createControls();
  void applyFont();
  void layout();
  void setUp();
  void placeInHost();
  void showPage(int page);
  void addTooltip(HWND control, const wchar_t* text);
  void setTooltip(HWND control, const wchar_t* text);

  // First page.
  void chooseOption(int id);
  void onFormChosen(int form, bool shown);
  void onPaceOptionToggled();
  void onColourButton();
  void onFormRightClick(int form);
  void showColourButtons();
  int chosenForm() const;

  // Second page.
  void fillArchiveBox();
  void selectArchiveItem(int index);
  void makeCurrent(int index);
  void onArchiveChosen(int index);
  void fillTextList();
  void onTextChosen(int position);
  void restoreTextChoice();
  void setRange(const LineRange& range, int changedEnd);
  void onRangeFieldChanged(int id, bool leaving);
  void onNumberFieldLeft(int id);
  void setPreview(bool on);
  void fillPreview();
  void scrollPreviewTo(int line);
  void browseForFolder();
  // Scans the folder of own archives again; `tellSkipped` names the files
  // that are not offered, for a scan the user asked for.
  void rescan(bool tellSkipped);
  void showMenu();
  void printTemplateSheet();

  void onNext();
  void onBack();
  void start();

  void drawArchiveItem(const DRAWITEMSTRUCT& item);
  void drawTextItem(const DRAWITEMSTRUCT& item);
  void drawPreviewItem(const DRAWITEMSTRUCT& item);
  void drawFormPicture(const DRAWITEMSTRUCT& item);
  void drawPreviewSwitch(const DRAWITEMSTRUCT& item);
  void drawMenuButton(const DRAWITEMSTRUCT& di);
  bool drawItem(const DRAWITEMSTRUCT& di);
  bool onCommand(int id, int code);
  void keepInsideHost(WINDOWPOS& pos);
  void onDestroy();

  static LRESULT CALLBACK controlProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
  bool controlMessage(HWND control, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  int ppi() const;
  int iconSize() const;
  int textPosition() const;  // the selected title, -1 without one

  ChildHost& host_;
  TextArchives archives_;
  win::Font font_;
  win::Font previewFont_;
  win::Font previewBold_;
  HWND tooltip_ = nullptr;
  std::vector<ArchiveItem> items_;
  LineRange range_;
  int page_ = 1;
  int form_ = 1;
  int archiveShown_ = 0;  // the item the closed box shows
  bool shown_ = false;
  bool previewOn_ = false;
  ToggleButtonAccess previewAccess_;
  LineListAccess previewLines_;
  bool writing_ = false;  // the dialog itself is changing a field
  bool starting_ = false;
};

// The dialog for request 1; nothing when it could not be created.
std::unique_ptr<ChildWindow> createSelectionDialog(ChildHost& host);

}  // namespace kv
