// "Systemfarben" at the real program: a high-contrast scheme written to the
// registry as the control panel writes it, the scheme chosen with real keys
// in the colour scheme chooser, and the windows' pixels read off the screen.
// Wine cannot switch high contrast itself, so the chosen scheme is what these
// tests can see; the automatic switch is only read in the code.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/contrast.h"
#include "history/history_store.h"
#include "history/key_figures.h"
#include "platform/win/strings.h"
#include "tests/win/learner_fixture.h"
#include "tests/win/program_driver.h"
#include "ui/exercise/exercise_window_win.h"
#include "ui/history/history_window_win.h"
#include "ui/result/result_window_win.h"
#include "ui/selection/colour_chooser_win.h"
#include "ui/selection/selection_dialog_win.h"

namespace kv {
namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
// Button face apart from the window's black, so a panel drawn in the wrong
// role shows.
constexpr COLORREF kFace = RGB(0, 0, 96);
constexpr COLORREF kGreyText = RGB(63, 242, 63);

struct SchemeValue {
  const wchar_t* name;
  COLORREF colour;
};
// Black window, white text, yellow highlight with black text: the shape of
// Windows' "Kontrast Schwarz".
constexpr SchemeValue kHighContrast[] = {
    {L"Window", kBlack},        {L"WindowText", kWhite},  {L"Hilight", kYellow},   {L"HilightText", kBlack},
    {L"ButtonFace", kFace},     {L"ButtonText", kWhite},  {L"GrayText", kGreyText},   {L"Menu", kBlack},
    {L"MenuText", kWhite},      {L"AppWorkspace", kBlack}, {L"InfoWindow", kBlack}, {L"InfoText", kWhite},
};

constexpr const wchar_t* kColoursKey = L"Control Panel\\Colors";

// Writes the scheme as "R G B" strings and puts the old values back after.
class RegistryScheme {
 public:
  RegistryScheme() {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kColoursKey, 0, nullptr, 0, KEY_READ | KEY_SET_VALUE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
      return;
    }
    bool written = true;
    for (const SchemeValue& v : kHighContrast) {
      wchar_t old[64] = {};
      DWORD size = sizeof old;
      DWORD type = 0;
      const bool had = ::RegQueryValueExW(key, v.name, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                       ERROR_SUCCESS;
      saved_.push_back({v.name, had ? std::optional<std::wstring>(old) : std::nullopt});
      wchar_t text[32] = {};
      std::swprintf(text, 32, L"%d %d %d", GetRValue(v.colour), GetGValue(v.colour), GetBValue(v.colour));
      written &= ::RegSetValueExW(key, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                  static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    ::RegCloseKey(key);
    written_ = written;
  }
  ~RegistryScheme() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kColoursKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    for (const auto& [name, old] : saved_) {
      if (old) {
        ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(old->c_str()),
                         static_cast<DWORD>((old->size() + 1) * sizeof(wchar_t)));
      } else {
        ::RegDeleteValueW(key, name.c_str());
      }
    }
    ::RegCloseKey(key);
  }
  RegistryScheme(const RegistryScheme&) = delete;
  RegistryScheme& operator=(const RegistryScheme&) = delete;
  bool written() const { return written_; }

 private:
  std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved_;
  bool written_ = false;
};

// The colours of a part of the screen, with how often each occurs.
struct Census {
  std::map<COLORREF, int> counts;
  int total = 0;

  COLORREF commonest() const {
    COLORREF best = CLR_INVALID;
    int most = -1;
    for (const auto& [c, n] : counts) {
      if (n > most) {
        best = c;
        most = n;
      }
    }
    return best;
  }
  int of(COLORREF c) const {
    const auto it = counts.find(c);
    return it == counts.end() ? 0 : it->second;
  }
  // The ink: of the colours that make up more than a few pixels, the one
  // farthest in contrast from the ground. Smoothed glyph edges are blends of
  // the two and never win.
  COLORREF inkOn(COLORREF ground, int least = 20) const {
    COLORREF best = ground;
    double strongest = 1.0;
    for (const auto& [c, n] : counts) {
      if (n < least) continue;
      const double ratio = contrastRatio(c, ground);
      if (ratio > strongest) {
        strongest = ratio;
        best = c;
      }
    }
    return best;
  }
  std::string describe() const {
    std::string text;
    int shown = 0;
    for (const auto& [c, n] : counts) {
      if (n * 200 < total || ++shown > 12) continue;
      char one[48];
      std::snprintf(one, sizeof one, "%02X%02X%02X:%d ", GetRValue(c), GetGValue(c), GetBValue(c), n);
      text += one;
    }
    return text;
  }
};

Census census(const RECT& r) {
  Census c;
  const test::ScreenArea area(r);
  if (!area.copied()) return c;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      ++c.counts[area.at(x, y)];
      ++c.total;
    }
  }
  return c;
}

RECT onScreen(HWND window, RECT r) {
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT screenRectOf(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

bool isGrey(COLORREF c) { return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c); }

// On the black window every smoothed edge is some share of one of the
// scheme's colours: c = t · s, channel by channel, give or take rounding.
bool blendOnBlack(COLORREF c) {
  for (const COLORREF s : {kWhite, kYellow, kFace, kGreyText}) {
    const int sr = GetRValue(s), sg = GetGValue(s), sb = GetBValue(s);
    const int top = std::max({sr, sg, sb});
    const double t = static_cast<double>(std::max({GetRValue(c), GetGValue(c), GetBValue(c)})) / top;
    if (t > 1.0) continue;
    if (std::abs(GetRValue(c) - sr * t) <= 4 && std::abs(GetGValue(c) - sg * t) <= 4 &&
        std::abs(GetBValue(c) - sb * t) <= 4) {
      return true;
    }
  }
  return false;
}

// The learner at the real program with a Lernverlauf of the test's own.
class OwnHistoryKeys : public LearnerKeys {
 protected:
  void SetUp() override {
    // A Lernverlauf of this test's own, which the program inherits.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    history_ = std::filesystem::path(temp) / (L"Systemfarben " + std::to_wstring(::GetCurrentProcessId()));
    std::error_code ec;
    std::filesystem::remove_all(history_, ec);
    std::filesystem::create_directories(history_, ec);
    ::SetEnvironmentVariableW(L"KLAVENTO_LERNVERLAUF", history_.c_str());
    LearnerKeys::SetUp();
  }
  void TearDown() override {
    LearnerKeys::TearDown();
    ::SetEnvironmentVariableW(L"KLAVENTO_LERNVERLAUF", nullptr);
    std::error_code ec;
    std::filesystem::remove_all(history_, ec);
  }

  // Textvorgabe, the first line with one wrong word ("fxed"), to the result;
  // `open`: the exercise window is opened first, else it is open already.
  std::vector<std::wstring> exerciseWithASlip(bool open = true) {
    std::vector<std::wstring> lines;
    if (open) openExercise(3);
    if (HasFatalFailure()) return lines;
    startTyping();
    std::wstring line = kLine1;
    line[1] = L'x';
    EXPECT_TRUE(typeLikeALearner(line));
    EXPECT_TRUE(test::waitUntil([&] { return test::controlText(field).find(line) != std::wstring::npos; }, 10000));
    lines = toEvaluationByKeys(false);
    if (result != nullptr) test::waitUntilPainted(result, 5000);
    ::Sleep(300);
    return lines;
  }

  // Keys that are pressed by the time this returns: the next step may look
  // at what they did.
  static bool press(const std::wstring& keys) { return test::runUnixToEnd(L"/usr/bin/xdotool key " + keys); }

  // Strg+L, once the window has drawn itself.
  HWND openHistory() {
    if (!press(L"ctrl+l")) return nullptr;
    const HWND history = test::waitForOnlyChild(main, kHistoryChildClass, 10000);
    if (history == nullptr) return nullptr;
    test::waitUntilPainted(history, 5000);
    ::Sleep(500);
    return history;
  }

  // The D key's strokes in this Lernverlauf, d and D together, as the map
  // counts them.
  KeyTally keyD() {
    std::string notice;
    auto store = HistoryStore::open(history_ / L"Lernverlauf.sqlite", notice);
    KeyTally d;
    if (!store) {
      ADD_FAILURE() << notice;
      return d;
    }
    const HistoryOverview o = store->overview(notice);
    for (const unsigned char c : {'d', 'D'}) {
      d.needed += o.keys[c].needed;
      d.missed += o.keys[c].missed;
    }
    return d;
  }

  // Where the map of missed keys lies: left of the lists, above the buttons.
  static RECT heatMapArea(HWND history) {
    RECT client{};
    ::GetClientRect(history, &client);
    const RECT all = onScreen(history, client);
    const RECT keysList = screenRectOf(::GetDlgItem(history, HistoryWindow::kKeysListId));
    const RECT close = screenRectOf(::GetDlgItem(history, HistoryWindow::kCloseId));
    return RECT{all.left + 8, keysList.top, keysList.left - 8, close.top - 8};
  }

  // For the user guide: the main window as the X screen shows it, into the
  // PNG file that the environment variable names (a Linux path); nothing
  // without it.
  void photographMain(const wchar_t* variable) {
    wchar_t shot[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(variable, shot, MAX_PATH) == 0) return;
    const RECT w = screenRectOf(main);
    const std::wstring crop = std::to_wstring(w.right - w.left) + L"x" + std::to_wstring(w.bottom - w.top) + L"+" +
                              std::to_wstring(w.left) + L"+" + std::to_wstring(w.top);
    EXPECT_TRUE(test::runUnixToEnd(L"/usr/bin/import -window root -crop " + crop + L" +repage " +
                                   test::shellQuoted(shot)));
  }

  std::filesystem::path history_;
};

class SystemColours : public OwnHistoryKeys {
 protected:
  void SetUp() override {
    scheme_.emplace();
    ASSERT_TRUE(scheme_->written()) << "the colour scheme could not be written to the registry";
    OwnHistoryKeys::SetUp();
  }
  void TearDown() override {
    OwnHistoryKeys::TearDown();
    scheme_.reset();
  }

  // On the first page with `form` chosen: Alt+F opens the chooser, Tab goes
  // through the nine pictures to "Systemfarben", and the space bar presses
  // it; or `altS` presses it by its letter.
  void chooseSystemColoursByKeys(int form, bool altS = false) {
    const HWND dialog = selection();
    ASSERT_NE(dialog, nullptr);
    test::pressDialogButton(dialog, SelectionDialog::kFormOption1 + form - 1);
    ASSERT_TRUE(test::waitUntil(
        [&] { return ::IsWindowVisible(::GetDlgItem(dialog, SelectionDialog::kColourButton1 + form - 1)) != FALSE; },
        5000));
    ASSERT_TRUE(press(L"alt+f"));
    HWND chooser = nullptr;
    ASSERT_TRUE(test::waitUntil(
        [&] {
          chooser = test::findTopLevelWindow(program.pid(), nullptr, ColourChooser::kClassName);
          return chooser != nullptr;
        },
        10000))
        << "Alt+F opened no colour scheme chooser";
    ASSERT_TRUE(test::waitUntilPainted(chooser, 5000));
    const HWND button = ::GetDlgItem(chooser, ColourChooser::kSystemColoursId);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(win::windowText(button), L"&Systemfarben");
    // The chooser puts the focus on the current scheme once it is shown.
    ASSERT_TRUE(test::waitUntil([&] { return ::IsChild(chooser, test::focusOfThread(chooser)) != FALSE; }, 5000));
    if (altS) {
      ASSERT_TRUE(press(L"alt+s"));
      ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(chooser); }, 5000)) << "Alt+S left the chooser open";
      return;
    }
    for (int presses = 0; presses < 10 && test::focusOfThread(chooser) != button; ++presses) {
      const HWND before = test::focusOfThread(chooser);
      ASSERT_TRUE(press(L"Tab"));
      test::waitUntil([&] { return test::focusOfThread(chooser) != before; }, 3000);
    }
    ASSERT_EQ(test::focusOfThread(chooser), button) << "Tab never reached \"Systemfarben\"";
    photographMain(L"KV_SYSTEM_COLOURS_CHOOSER_SHOT");
    ASSERT_TRUE(press(L"space"));
    ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(chooser); }, 5000)) << "the chooser stayed open";
    test::waitUntilPainted(dialog, 5000);
    photographMain(L"KV_SYSTEM_COLOURS_SELECTION_SHOT");
  }

  // The exercise window's display: above the typing field, inside the window.
  RECT displayOnScreen() {
    RECT client{};
    ::GetClientRect(exercise, &client);
    const RECT all = onScreen(exercise, client);
    const RECT typing = screenRectOf(field);
    return RECT{all.left + 4, all.top + 4, all.right - 4, typing.top - 4};
  }

  std::optional<RegistryScheme> scheme_;
};

// The panel, the template on it and the typing field in the system's colours;
// the contrast of the text as the screen shows it.
TEST_F(SystemColours, ExerciseWindowDrawsInTheSchemesColours) {
  ASSERT_NO_FATAL_FAILURE(chooseSystemColoursByKeys(3));
  ASSERT_NO_FATAL_FAILURE(openExercise(3));
  ASSERT_TRUE(test::waitUntilPainted(exercise, 5000));
  ::Sleep(300);

  const RECT display = displayOnScreen();
  const Census panel = census(display);
  ASSERT_GT(panel.total, 1000);
  EXPECT_EQ(panel.commonest(), kBlack) << panel.describe();
  const COLORREF ink = panel.inkOn(kBlack);
  EXPECT_EQ(ink, kWhite) << panel.describe();
  const double ratio = contrastRatio(ink, panel.commonest());
  EXPECT_GE(ratio, kTextContrast);
  std::printf("Systemfarben, Übungstext: %.2f:1 (%d Pixel Schrift)\n", ratio, panel.of(kWhite));
  // Nothing of the program's own colours: not the keyboard's teal, and no
  // colour but the scheme's and the greys that smooth the letters' edges.
  EXPECT_EQ(panel.of(RGB(0, 128, 128)), 0);
  for (const auto& [c, n] : panel.counts) {
    if (isGrey(c) || c == kFace || c == kYellow) continue;
    ADD_FAILURE() << "a colour outside the scheme: " << panel.describe();
    break;
  }

  // What the learner types: white on black as well.
  startTyping();
  ASSERT_TRUE(typeLikeALearner(L"fded fded"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(field).find(L"fded fded") != std::wstring::npos; },
                              5000));
  ::Sleep(300);
  RECT fieldArea = screenRectOf(field);
  ::InflateRect(&fieldArea, -3, -3);
  const Census typed = census(fieldArea);
  EXPECT_EQ(typed.commonest(), kBlack) << typed.describe();
  EXPECT_EQ(typed.inkOn(kBlack), kWhite) << typed.describe();
  EXPECT_GE(contrastRatio(typed.inkOn(kBlack), typed.commonest()), kTextContrast);
  // Once typing, the next character of the template stands on the highlight;
  // before, nothing did (checked above with the rest of the panel's colours).
  EXPECT_EQ(panel.of(kYellow), 0) << panel.describe();
  const Census typing = census(display);
  EXPECT_GT(typing.of(kYellow), 20) << "no next character on the highlight: " << typing.describe();

  photographMain(L"KV_SYSTEM_COLOURS_SHOT");
}

// The administrator's policy value switches "Systemfarben" on from the
// start, with no choice in the chooser.
class SystemColoursByPolicy : public SystemColours {
 protected:
  void SetUp() override {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kPolicyKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD on = 1;
    const LONG written = ::RegSetValueExW(key, L"Systemfarben", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                                          sizeof on);
    ::RegCloseKey(key);
    ASSERT_EQ(written, ERROR_SUCCESS);
    SystemColours::SetUp();
  }
  void TearDown() override {
    SystemColours::TearDown();
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kPolicyKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      ::RegDeleteValueW(key, L"Systemfarben");
      ::RegCloseKey(key);
    }
  }
  static constexpr const wchar_t* kPolicyKey = L"Software\\Policies\\Klavento\\7.0\\Allgemein";
};

TEST_F(SystemColoursByPolicy, ExerciseDrawsInTheSchemesColoursFromTheStart) {
  ASSERT_NO_FATAL_FAILURE(openExercise(3));
  ASSERT_TRUE(test::waitUntilPainted(exercise, 5000));
  ::Sleep(300);
  const Census panel = census(displayOnScreen());
  EXPECT_EQ(panel.commonest(), kBlack) << panel.describe();
  EXPECT_EQ(panel.inkOn(kBlack), kWhite) << panel.describe();
  EXPECT_EQ(panel.of(RGB(0, 128, 128)), 0) << panel.describe();
}

// Laufschrift in the system's colours: the running text in window text on
// the window, its next character on the highlight as it runs.
TEST_F(SystemColours, RunningTextShowsItsNextCharacterOnTheHighlight) {
  ASSERT_NO_FATAL_FAILURE(chooseSystemColoursByKeys(1, true));
  ASSERT_NO_FATAL_FAILURE(openExercise(1));
  startTyping();
  ASSERT_TRUE(typeLikeALearner(L"fded"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(field).find(L"fded") != std::wstring::npos; }, 5000));
  ::Sleep(300);
  const Census running = census(displayOnScreen());
  EXPECT_EQ(running.commonest(), kBlack) << running.describe();
  EXPECT_EQ(running.inkOn(kBlack), kWhite) << running.describe();
  EXPECT_GT(running.of(kYellow), 20) << "no next character on the highlight: " << running.describe();
  EXPECT_EQ(running.of(RGB(0, 128, 128)), 0) << running.describe();
}

// The on-screen keyboard: keys outlined in white on black, the lit key in
// the yellow highlight with black captions, no finger colour and no navy.
TEST_F(SystemColours, LitKeyShinesInTheHighlight) {
  ASSERT_NO_FATAL_FAILURE(chooseSystemColoursByKeys(2, true));
  // The selection's picture of the form already shows it: the home row in
  // the highlight on the window's black, no keyboard teal.
  {
    const HWND dialog = selection();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(test::waitUntilPainted(dialog, 5000));
    const Census picture = census(screenRectOf(::GetDlgItem(dialog, SelectionDialog::kFormPicture)));
    EXPECT_GT(picture.of(kYellow), 20) << picture.describe();
    EXPECT_GT(picture.of(kBlack), 100) << picture.describe();
    EXPECT_EQ(picture.of(RGB(0, 128, 128)), 0) << picture.describe();
  }
  ASSERT_NO_FATAL_FAILURE(openExercise(2));
  startTyping();
  ASSERT_TRUE(test::waitUntilPainted(exercise, 5000));
  ::Sleep(500);
  const Census keyboard = census(displayOnScreen());
  ASSERT_GT(keyboard.total, 1000);
  EXPECT_GT(keyboard.of(kYellow), 50) << "no lit key in the highlight: " << keyboard.describe();
  EXPECT_GT(keyboard.of(kWhite), 200) << "no outlines or captions in window text: " << keyboard.describe();
  // Navy, then the finger colours but yellow, which is the highlight here.
  for (const COLORREF own : {RGB(0, 0, 128), RGB(0, 255, 0), RGB(255, 0, 0), RGB(0, 255, 255), RGB(128, 128, 0),
                             RGB(0, 128, 128)}) {
    EXPECT_EQ(keyboard.of(own), 0) << "a colour of the program's own: " << keyboard.describe();
  }
  // The lit key's caption against the highlight, from the pixels: black on
  // yellow.
  const RECT d = displayOnScreen();
  const test::ScreenArea area(d);
  int count = 0;
  const RECT lit = area.boundsOf(d, kYellow, count);
  ASSERT_GT(count, 0);
  const int litCaption = area.countOf(lit, kBlack);
  EXPECT_GT(litCaption, 0) << "the lit key shows no caption in the highlight text";
  photographMain(L"KV_SYSTEM_COLOURS_KEYS_SHOT");
  const double ratio = contrastRatio(kBlack, kYellow);
  std::printf("Systemfarben, leuchtende Taste: Beschriftung %.2f:1, gegen die Tastatur %.2f:1\n", ratio,
              contrastRatio(kYellow, kBlack));
}

// The marks of the result: underlined as always, and on the highlight; then
// the Lernverlauf with the exercise in it.
TEST_F(SystemColours, ResultAndLernverlaufInTheSchemesColours) {
  ASSERT_NO_FATAL_FAILURE(chooseSystemColoursByKeys(3));
  const std::vector<std::wstring> lines = exerciseWithASlip();
  ASSERT_NE(result, nullptr);
  const HWND list = ::GetDlgItem(result, ResultWindow::kListId);
  RECT r = screenRectOf(list);
  ::InflateRect(&r, -3, -3);
  const Census marks = census(r);
  EXPECT_EQ(marks.commonest(), kBlack) << marks.describe();
  EXPECT_EQ(marks.inkOn(kBlack), kWhite) << marks.describe();
  EXPECT_GT(marks.of(kYellow), 20) << "no mark on the highlight: " << marks.describe();
  // The typed line is there, its wrong word between the marks.
  EXPECT_NE(test::joinedLines(lines).find(" fded fded fded sded"), std::string::npos) << test::joinedLines(lines);
  ASSERT_NO_FATAL_FAILURE(closeEvaluation());

  // The Lernverlauf: the chart in window text on the window, the missed key
  // with its bar in the highlight, and each key's figures in its tooltip.
  const HWND history = openHistory();
  ASSERT_NE(history, nullptr) << "Strg+L did not open the Lernverlauf";
  RECT client{};
  ::GetClientRect(history, &client);
  const RECT all = onScreen(history, client);
  const RECT radio = screenRectOf(::GetDlgItem(history, HistoryWindow::kPerDayId));
  const RECT keysList = screenRectOf(::GetDlgItem(history, HistoryWindow::kKeysListId));
  const Census chart = census(RECT{all.left + 16, radio.bottom + 12, all.right - 16, keysList.top - 48});
  ASSERT_GT(chart.total, 10000);
  EXPECT_EQ(chart.commonest(), kBlack) << chart.describe();
  EXPECT_GT(chart.of(kWhite), 100) << "no lines or words in window text: " << chart.describe();
  int outside = 0;
  for (const auto& [c, n] : chart.counts) {
    if (!blendOnBlack(c)) outside += n;
  }
  EXPECT_LT(outside * 200, chart.total) << "colours outside the scheme in the chart: " << chart.describe();
  const Census heat = census(heatMapArea(history));
  EXPECT_GT(heat.of(kYellow), 10) << "no missed key's bar in the highlight: " << heat.describe();

  HWND tip = nullptr;
  for (HWND w = ::FindWindowW(TOOLTIPS_CLASSW, nullptr); w != nullptr;
       w = ::FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr)) {
    // Owned by the frame, as a popup of a child window is; the one with a
    // tool for each key.
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid == program.pid() && ::SendMessageW(w, TTM_GETTOOLCOUNT, 0, 0) >= 40) tip = w;
  }
  ASSERT_NE(tip, nullptr) << "the map of missed keys has no tooltip";
  const std::vector<test::TooltipTool> tools = test::tooltipTools(tip);
  EXPECT_GE(tools.size(), 40u);
  // The figures are the history's own: the D key, missed once in "fxed".
  const std::wstring expected = win::widen(keyMissFigure({'d', 'D'}, keyD()));
  EXPECT_EQ(expected.rfind(L"Taste D: 1-mal verfehlt bei ", 0), 0u) << win::narrowLossy(expected);
  const test::TooltipTool* keyD = nullptr;
  for (const test::TooltipTool& t : tools) {
    if (t.text == expected) keyD = &t;
  }
  ASSERT_NE(keyD, nullptr) << "no tooltip says " << win::narrowLossy(expected);
  // The mouse on the key shows it.
  const RECT onKey = onScreen(history, keyD->rect);
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool mousemove " + std::to_wstring((onKey.left + onKey.right) / 2) +
                                 L" " + std::to_wstring((onKey.top + onKey.bottom) / 2)));
  EXPECT_TRUE(test::waitUntil([&] { return ::IsWindowVisible(tip) != FALSE; }, 5000))
      << "the tooltip did not show over the key";
  photographMain(L"KV_SYSTEM_COLOURS_HISTORY_SHOT");
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool mousemove 1 1"));
}

// The program's own colours, measured the same way: the first scheme's teal
// under white text; the missed key in its step of the scale that darkens
// from pale yellow to dark orange.
using DefaultColours = OwnHistoryKeys;
TEST_F(DefaultColours, ContrastIsMeasuredFromThePixels) {
  ASSERT_NO_FATAL_FAILURE(openExercise(3));
  ASSERT_TRUE(test::waitUntilPainted(exercise, 5000));
  ::Sleep(300);
  RECT client{};
  ::GetClientRect(exercise, &client);
  const RECT all = onScreen(exercise, client);
  const RECT typing = screenRectOf(field);
  const Census panel = census(RECT{all.left + 4, all.top + 4, all.right - 4, typing.top - 4});
  const COLORREF ground = panel.commonest();
  EXPECT_EQ(ground, RGB(0, 128, 128)) << panel.describe();
  const COLORREF ink = panel.inkOn(ground);
  EXPECT_EQ(ink, kWhite) << panel.describe();
  const double ratio = contrastRatio(ink, ground);
  std::printf("Standardfarben, Übungstext: %.2f:1\n", ratio);
  // The figure the contrast table gives for the first scheme.
  EXPECT_EQ(contrastText(ratio), "4,7:1");

  ASSERT_NO_FATAL_FAILURE(exerciseWithASlip(false));
  ASSERT_NE(result, nullptr);
  ASSERT_NO_FATAL_FAILURE(closeEvaluation());
  const HWND history = openHistory();
  ASSERT_NE(history, nullptr) << "Strg+L did not open the Lernverlauf";
  const KeyTally d = keyD();
  ASSERT_GE(d.needed, kKeyMapLeast);
  const COLORREF step = heatColour(static_cast<double>(d.missed) / d.needed);
  const Census heat = census(heatMapArea(history));
  EXPECT_GT(heat.of(step), 30) << "the D key is not in its step of the scale: " << heat.describe();
  const double captions = contrastRatio(kBlack, step);
  std::printf("Standardfarben, verfehlte Taste D: Beschriftung %.2f:1\n", captions);
  EXPECT_GE(captions, kTextContrast);
  photographMain(L"KV_DEFAULT_COLOURS_HISTORY_SHOT");
}

}  // namespace
}  // namespace kv
