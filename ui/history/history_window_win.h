// The "Lernverlauf" window: speed and errors over time as a chart, the
// keyboard as a heat map of missed keys, the weakest keys and the most often
// mistyped words, the totals, and "Schwächen üben", which makes an exercise
// of them and hands it to the selection dialog.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "history/course_progress.h"
#include "history/history_store.h"
#include "history/history_views.h"
#include "history/key_figures.h"
#include "keyboard/key_table.h"
#include "keyboard/keyboard_renderer_win.h"
#include "platform/win/accessible.h"
#include "platform/win/handles.h"
#include "ui/history/heat_map_tips_win.h"
#include "ui/shared/hosted_child_window_win.h"
#include "ui/shared/measure_log_win.h"

namespace kv {

inline constexpr const wchar_t* kHistoryChildClass = L"KlaventoHistory";

// GDI+ for the charts, loaded and started on the first ask; false when it is
// not there, and the charts say so in plain GDI instead.
bool startGdiplus();

// Colours of the four exercise forms in the chart, and of a key's miss rate
// in the heat map (no colour below kHeatLeast needed keystrokes).
COLORREF formColour(int form);
inline constexpr std::uint32_t kHeatLeast = kKeyMapLeast;
COLORREF heatColour(double missRate);

// Keys drawn white with black captions on a light ground, so that colours
// ANDed over a key tint it and leave its caption black.
win::KeyboardLook whiteKeysLook();

// Draws into `dc` (GDI+, anti-aliased), in pixels. Kept apart from the window
// so that a test can draw them into a bitmap.
struct ChartLook {
  HFONT font = nullptr;  // the dialog font
  int dpi = 96;
};
void drawChart(HDC dc, const RECT& area, const ChartData& data, ChartScale scale, const ChartLook& look);
// Where drawChart puts its two panels (speed above, errors below), titles
// excluded; `fits` is false when the area is too small for them.
struct ChartPanels {
  float left = 0, right = 0, top = 0, bottom = 0, titleHeight = 0, speedHeight = 0, errorsTop = 0, errorsHeight = 0;
  bool fits = false;
};
ChartPanels chartPanels(const RECT& area, int dpi);
// The keyboard in `picture` (drawn by a renderer over `table`) with each key
// tinted by its miss rate, scaled into `area`, and the colour legend below.
void drawHeatMap(HDC dc, const RECT& area, const win::KeyboardRenderer& picture, const KeyTable& table,
                 const std::array<KeyTally, 256>& keys, const ChartLook& look);

class HistoryWindow final : public HostedChildWindow<HistoryWindow>, private win::AccessibleSource {
 public:
  enum ControlId : int {
    kPerExerciseId = 901,
    kPerDayId = 902,
    kKeysListId = 903,
    kWordsListId = 904,
    kPractiseId = 905,
    kCloseId = 906,
    kGripId = 907,
    kCourseListId = 908,
    kNextLessonId = 909,
    kKeysEmptyId = 910,
    kWordsEmptyId = 911,
    kAdaptiveId = 912,
  };

  explicit HistoryWindow(ChildHost& host);
  ~HistoryWindow() override;

  bool create();

  // ChildWindow
  ChildKind kind() const override { return ChildKind::History; }
  void refreshFontsAndColours() override;
  SIZE minimumSize() const override;

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // For tests.
  const HistoryOverview& overview() const { return overview_; }
  ChartScale scale() const { return scale_; }
  double lastPaintMilliseconds() const { return lastPaintMs_; }

 private:
  friend class win::MdiChildWindow<HistoryWindow>;

  HWND focusTarget() const override { return empty() ? close_ : practise_; }
  // The charts and the map of missed keys, described for screen readers
  // (history_accessible_win.cpp).
  enum AccessNode : int { kSpeedChartNode = 1, kErrorChartNode = 2, kKeyMapNode = 3, kFirstMapKeyNode = 100 };
  std::vector<int> accessibleChildren(int node) override;
  win::AccessibleFacts accessibleFacts(int node) override;
  RECT chartInner() const;
  RECT onScreen(RECT r) const;
  win::AccessibleAnswer access_;
  std::vector<HeatKeySpot> spots_;
  void load();
  void createControls();
  void fillLists();
  void layout();
  void paint(HDC dc, const RECT& client);
  void paintEmpty(HDC dc, const RECT& client);
  void setScale(ChartScale scale);
  void practiseWeaknesses();
  // The Grundkurs: its lessons' progress, and the next lesson to the selection.
  void loadCourse();
  void startNextLesson();
  std::vector<std::string> textsAtHand() const;
  bool empty() const { return overview_.totals.exercises == 0; }

  HistoryOverview overview_;
  std::string loadNotice_;
  ChartScale scale_ = ChartScale::PerDay;
  ChartData chart_;
  KeyTable keys_;
  win::KeyboardRenderer keyboard_;
  HeatMapTips tips_;

  win::Font dialogFont_;
  win::Font headingFont_;
  HWND perExercise_ = nullptr;
  HWND perDay_ = nullptr;
  HWND keysList_ = nullptr;
  HWND wordsList_ = nullptr;
  // In place of an empty list: what kvtool says there.
  HWND keysEmpty_ = nullptr;
  HWND wordsEmpty_ = nullptr;
  HWND practise_ = nullptr;
  HWND courseList_ = nullptr;
  HWND nextLesson_ = nullptr;
  HWND adaptive_ = nullptr;
  HWND close_ = nullptr;
  HWND grip_ = nullptr;
  // Where layout put the drawn parts.
  RECT totalsRect_{};
  RECT chartRect_{};
  RECT heatRect_{};
  RECT keysLabel_{};
  RECT wordsLabel_{};
  RECT courseLabel_{};
  std::string coursePath_;  // empty without the course
  std::vector<LessonProgress> course_;
  double lastPaintMs_ = 0;
  // From the request to the first finished picture, for bench/history_window.sh.
  MeasureLog openLog_{L"KV_MEASURE_HISTORY"};
  LARGE_INTEGER opened_ = MeasureLog::now();
  bool shown_ = false;
};

std::unique_ptr<ChildWindow> createHistoryWindow(ChildHost& host);

}  // namespace kv
