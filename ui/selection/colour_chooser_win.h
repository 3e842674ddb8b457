// The colour scheme chooser: nine picture buttons, one per scheme of the
// colour-scheme table, and "Systemfarben" below them. A click on a picture
// applies that scheme to the finger colours (colour target 1) or to the
// keyboard's background (any other target) and leaves the system's colours;
// "Systemfarben" makes every window draw in the system's colours for the
// session. Escape leaves everything as it was.
#pragma once

#include <windows.h>

#include <array>

#include "platform/win/handles.h"
#include "ui/shared/popup_window_win.h"

namespace kv {

class ColourChooser final : public PopupWindow<ColourChooser> {
 public:
  static constexpr const wchar_t* kClassName = L"KlaventoColourChooser";
  static constexpr int kFirstButtonId = 601;  // button k (1-9) is kFirstButtonId + k - 1
  static constexpr int kSystemColoursId = 610;

  // `centre` in screen coordinates: where the dialog's middle goes.
  explicit ColourChooser(POINT centre) : centre_(centre) {}

  // Modal over `owner`; returns when a scheme was chosen or Escape pressed.
  void run(HWND owner) { runModal(owner); }
  // A scheme was chosen or Escape pressed.
  bool finished() const { return done_; }

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class PopupWindow<ColourChooser>;
  std::wstring caption() const { return L"Farbschema wählen"; }
  void placeWindow();
  void onCreate();
  void buildGlyphs();
  void layout();
  void focusMatchingScheme();
  void choose(int scheme);
  void chooseSystemColours();
  void close();

  POINT centre_;
  std::array<win::Bitmap, 9> glyphs_;
  SIZE glyphSize_{};
};

}  // namespace kv
