// The window a learner types in. It turns window messages, hook events and
// timer ticks into calls on the exercise session and the session's answers
// into pixels; the decisions all stay in the session. It owns the session's
// host (exercise_host_win.h) and is, to that host, the view it lays out and
// draws.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/accessible.h"
#include "platform/win/handles.h"
#include "platform/win/mdi_child.h"
#include "session/exercise_session.h"
#include "session/layout.h"
#include "ui/exercise/exercise_host_win.h"
#include "ui/shared/child_window_win.h"

namespace kv {

struct AppState;

namespace win {
class KeyboardRenderer;
}

class MeasureLog;

class ExerciseWindow final : public ChildWindow,
                             public win::MdiChildWindow<ExerciseWindow>,
                             private ExerciseView,
                             private win::AccessibleSource {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoExercise";
  enum ControlId : int { kFieldId = 701, kEndButtonId = 702, kPromptId = 703 };
  enum TimerId : UINT_PTR { kPaceTimer = ExerciseHost::kPaceTimer, kClockTimer = ExerciseHost::kClockTimer };

  explicit ExerciseWindow(ChildHost& host);
  ~ExerciseWindow() override;

  bool create();

  // ChildWindow
  HWND hwnd() const override { return windowHandle(); }
  ChildKind kind() const override { return ChildKind::Exercise; }
  void destroy() override { destroyWindow(); }
  void refreshFontsAndColours() override;
  void applicationActivated(bool active) override;
  bool typingFieldHasFocus() const override;
  SIZE minimumSize() const override;

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // The accessible parts of the client area, by node number.
  enum AccessNode : int { kDisplayNode = 1, kNextCharacterNode = 2, kKeyboardNode = 3, kLitKeyNode = 4,
                          kFirstKeyNode = 100 };

  // For tests: the session and the typing field.
  const ExerciseSession& session() const { return session_; }
  HWND typingField() const { return field_; }

 private:
  friend class win::MdiChildWindow<ExerciseWindow>;

  // ExerciseView
  void applyTextSize() override;
  void setStartPrompt(const std::string& text) override;
  void showStartPrompt(bool shown) override;
  void redrawDisplay() override;
  void showLitKey(int key, int step, bool on) override;
  int bannerWidth(const std::string& text) override;
  int widestLineWidth() override;
  void removeMouseFilter() override;
  void removeKeyboardFilter() override;

  // AccessibleSource (exercise_access_win.cpp)
  std::vector<int> accessibleChildren(int node) override;
  win::AccessibleFacts accessibleFacts(int node) override;
  // The learner's place and the lit key moved: clients are told.
  void announcePlace();
  void announceLitKeys();
  RECT nextCharacterOnScreen();
  RECT keyOnScreen(int left, int top, int right, int bottom) const;
  struct AccessKey {
    std::wstring name;
    int left, top, right, bottom;
  };
  const std::vector<AccessKey>& accessKeys();
  bool accessKeyLit(const AccessKey& key) const;
  // Where painted text rows start in the display, and their height.
  POINT displayTextOrigin() const;
  int displayRowHeight() const;

  void onCreate();
  void onShowFirstTime();
  void measureMetrics();
  void computeSizes();
  void applyLayout();
  void setFieldFont(int points);
  void onPaint();
  void paintPrompt(const DRAWITEMSTRUCT& item);
  void paintDisplayOn(HDC target, int width, int height, ExerciseForm form);
  void paintDisplay(HDC dc);
  void paintPanel(HDC dc, const RECT& area);
  void prepareCornerPicture();
  void installFilters();
  void onWindowPosChanging(WINDOWPOS& pos);
  bool mainMaximised() const;
  RECT mainClientRect() const;

  static LRESULT CALLBACK fieldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR data);
  LRESULT onFieldMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK lowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT lowLevelKeyboardProcGuarded(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK threadKeyboardProc(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT threadKeyboardProcGuarded(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK mouseProc(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT mouseProcGuarded(int code, WPARAM wParam, LPARAM lParam);
  bool fieldActiveAndFocused() const;
  static ExerciseWindow* active_;

  ChildHost& host_;
  // The process-wide record, taken once: the exercise, its text, the typed
  // record and the settings the window reads and the session fills.
  AppState& state_;
  ExerciseHost sessionHost_;
  // The key-path measurement for scripts/measure_keys.sh (KV_MEASURE_KEYS).
  std::unique_ptr<MeasureLog> keyPathLog_;
  KeyTableLookup keys_;
  ExerciseSession session_;

  HWND field_ = nullptr;
  HWND endButton_ = nullptr;
  HWND prompt_ = nullptr;
  win::Font dialogFont_;
  win::Font fieldFont_;
  win::Font promptFont_;
  int fieldFontPoints_ = 0;
  std::string fixedFontName_;
  bool fieldBold_ = true;

  win::Hook keyboardHook_;
  win::Hook mouseHook_;
  bool lowLevelHook_ = false;

  SizeRules rules_;
  LayoutMetrics metrics_;
  ControlLayout layout_;
  int textSize_ = kMinTextSize;
  bool shownOnce_ = false;
  bool negotiating_ = false;
  bool filtersInstalled_ = false;
  bool promptShown_ = false;

  win::Bitmap corner_;  // 22 x 24, recoloured
  std::unique_ptr<win::KeyboardRenderer> keyboard_;
  win::AccessibleAnswer access_;
  std::vector<AccessKey> accessKeys_;
  std::uint16_t accessKeysSize_ = 0;
  std::vector<int> litBefore_;
  void layoutKeyboard(bool force);
  std::string promptText_;
};

std::unique_ptr<ChildWindow> createExerciseWindow(ChildHost& host);

}  // namespace kv
