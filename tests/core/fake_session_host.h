// Fakes of the exercise window and the keyboard model for session tests.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "session/exercise_session.h"

namespace kv {

// A window that records what the session asks of it; time is a number the
// test moves.
class FakeHost : public SessionHost {
 public:
  std::uint32_t tick = 1000;
  std::vector<std::string> field;  // the typing field's lines
  bool readOnly = true;
  bool focus = true;
  bool paceRunning = false;
  std::uint32_t period = 0;
  bool clockRunning = false;
  std::map<int, std::string> status;
  bool fivePanels = true;
  int beeps = 0;
  std::uint32_t paused = 0;
  std::string caption;
  std::string prompt;
  bool promptShown = false;
  std::string endButton;
  bool endButtonEnabled = false;
  int redraws = 0;
  std::vector<std::pair<int, int>> lit;  // key, step of each "on"
  int unlit = 0;
  bool mouseFilter = true;
  bool keyboardFilter = true;
  int resultOptions = 0;
  int evaluations = 0;
  std::vector<int> requests;
  bool switching = false;
  bool mayClose = true;
  bool mainClosed = false;
  int charWidth = 7;
  int widest = 400;

  std::uint32_t now() override { return tick; }
  std::string fieldText() override {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
      if (i > 0) text += "\r\n";
      text += field[i];
    }
    return text;
  }
  std::vector<std::string> fieldLines() override { return field; }
  int fieldLineCount() override { return static_cast<int>(field.size()); }
  // What the edit control does with an accepted character: CR starts a new
  // line, anything else goes to the end of the last one.
  void insertIntoField(std::uint8_t c) {
    if (c == '\r') {
      field.emplace_back();
      return;
    }
    if (field.empty()) field.emplace_back();
    field.back().push_back(static_cast<char>(c));
  }

  void clearField() override { field.clear(); }
  void addFieldLine(const std::string& line) override { field.push_back(line); }
  bool fieldReadOnly() override { return readOnly; }
  void setFieldReadOnly(bool value) override { readOnly = value; }
  bool fieldHasFocus() override { return focus; }
  void prepareFieldForTyping() override {}
  void applyTextSize() override {}
  void startPaceTimer(std::uint32_t ms) override {
    paceRunning = true;
    period = ms;
  }
  void stopPaceTimer() override { paceRunning = false; }
  bool paceTimerRunning() override { return paceRunning; }
  std::uint32_t pacePeriod() override { return period; }
  void startClockTimer() override { clockRunning = true; }
  void stopClockTimer() override { clockRunning = false; }
  bool clockTimerRunning() override { return clockRunning; }
  void setStatusText(int panel, const std::string& text) override { status[panel] = text; }
  void setStatusFivePanels(bool value) override { fivePanels = value; }
  void beep() override { ++beeps; }
  void pause(std::uint32_t ms) override {
    paused += ms;
    tick += ms;
  }
  void setCaption(const std::string& text) override { caption = text; }
  void setStartPrompt(const std::string& text) override { prompt = text; }
  void showStartPrompt(bool shown) override { promptShown = shown; }
  void enableStartPrompt(bool) override {}
  void setEndButton(const std::string& text, bool enabled) override {
    endButton = text;
    endButtonEnabled = enabled;
  }
  void redrawDisplay() override { ++redraws; }
  void showLitKey(int key, int step, bool on) override {
    if (on) {
      lit.emplace_back(key, step);
    } else {
      ++unlit;
    }
  }
  void switchCapsLockOff() override {}
  int bannerWidth(const std::string& text) override { return static_cast<int>(text.size()) * charWidth; }
  int widestLineWidth() override { return widest; }
  void removeMouseFilter() override { mouseFilter = false; }
  void removeKeyboardFilter() override { keyboardFilter = false; }
  void runResultOptions() override { ++resultOptions; }
  void runEvaluation() override { ++evaluations; }
  void letPendingMessagesRun() override {}
  void request(int n) override { requests.push_back(n); }
  bool mainWindowSwitching() override { return switching; }
  bool mainWindowMayClose() override { return mayClose; }
  void closeMainWindow() override { mainClosed = true; }
};

// A German keyboard in miniature: letters, digits and the usual signs, with
// the shift side of each capital as on the real keyboard.
class FakeKeys : public KeyboardLookup {
 public:
  void rebuild() override { ++rebuilds; }
  int findKey(unsigned char ch) override {
    if (ch == '\r') return 200;
    if (ch == ' ') return 199;
    if ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == ',' || ch == '.' ||
        ch == 0xB4 || ch == '^' || ch == '-') {
      return ch;
    }
    if (ch >= 'A' && ch <= 'Z') return ch;
    if (ch == '!' || ch == '?' || ch == ':' || ch == '`') return ch;
    if (ch == '@') return ch;
    return 0;
  }
  int modifierOf(int index) override {
    if (index >= 'A' && index <= 'Z') {
      // Keys of the left hand are shifted with the right shift key.
      return std::string("QWERTASDFGYXCVB").find(static_cast<char>(index)) != std::string::npos ? 2 : 1;
    }
    if (index == '!' || index == ':' || index == '?' || index == '`') return 1;
    if (index == '@') return 4;
    return 0;
  }
  int rebuilds = 0;
};


}  // namespace kv
