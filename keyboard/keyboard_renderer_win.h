// The on-screen keyboard as two pictures drawn in advance: the normal one
// (finger colours, black captions), which the exercise window shows, and the
// lit one (navy keys, white captions), from which single keys are copied to
// light them. In the system's colours ("Systemfarben") the keys are outlined
// in window text on the window colour and light in the highlight colours. Lighting is a rectangle copy, cheap enough for every keystroke;
// keys are drawn only by the layout pass, which also gives the key table its
// rectangles.
//
// Use from the exercise window:
//   KeyboardRenderer keyboard({settings.fingers, settings.fonts.proportionalName});
//   keyboard.layout(S, true);                     // once after creation
//   keyboard.layout(S, false);                    // after every change of text metrics
//   keyboard.paint(dc, left, top);                // WM_PAINT
//   keyboard.showLitKey(dc, left, top, litKey, litStep, on);
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/palette.h"
#include "core/settings.h"
#include "keyboard/key_drawing.h"
#include "keyboard/key_table.h"
#include "keyboard/keyboard_geometry.h"
#include "platform/win/handles.h"

namespace kv::win {

inline constexpr COLORREF kLitKeyColour = palette::kLitKey;  // navy
inline constexpr COLORREF kCaptionColour = palette::kKeyCaption;
inline constexpr COLORREF kLitCaptionColour = palette::kLitKeyCaption;

// Resolves the settings' colour form (system colours by index) for GDI.
COLORREF colourRef(Colour colour);

// A 32-bit picture selected into its own memory device context, so colours
// stay exact on screens of any depth.
class Canvas {
 public:
  Canvas() = default;
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // A new picture of this size, contents undefined; false when the system
  // has no memory for it (the canvas is then empty).
  bool resize(int width, int height);
  void clear();

  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  // CLR_INVALID outside the picture.
  COLORREF pixel(int x, int y) const;

 private:
  MemoryDc dc_;
  Bitmap bitmap_;
  HGDIOBJ original_ = nullptr;
  const std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

struct KeyboardLook {
  FingerColours colours;
  std::string fontName = "Arial";  // Windows-1252; drawn bold
  // The system's colours instead of `colours` and the navy lit key; read
  // from the system at each layout pass.
  bool systemColours = false;
};

class KeyboardRenderer {
 public:
  // The renderer rebuilds `table` on each layout pass; the exercise window
  // uses the process-wide one.
  explicit KeyboardRenderer(KeyboardLook look, KeyTable& table = keyTable());
  KeyboardRenderer(const KeyboardRenderer&) = delete;
  KeyboardRenderer& operator=(const KeyboardRenderer&) = delete;

  // Draws both pictures for size value S and rebuilds the key table with
  // their rectangles. Unforced, a pass runs only when S differs from the
  // last drawn size. Returns whether it drew; when the pictures cannot be
  // made, the table is still rebuilt (without rectangles) so lookups work.
  bool layout(std::uint16_t sizeValue, bool force);
  // The next pass draws in the system's colours or in the look's own.
  void useSystemColours(bool on) { look_.systemColours = on; }
  bool systemColours() const { return look_.systemColours; }
  // The next pass measures the text heights again, e.g. after the screen's
  // density or the fonts changed.
  void remeasureTextHeights() { heightsMeasured_ = false; }

  bool ready() const { return ready_; }
  std::uint16_t drawnSize() const { return drawnSize_; }
  int width() const { return normal_.width(); }
  int height() const { return normal_.height(); }
  const TextHeights& textHeights() const { return heights_; }

  enum class Image { Normal, Lit };
  // The whole picture with its top-left corner at (x, y) of the target.
  void paint(HDC target, int x, int y, Image image = Image::Normal) const;

  // Lights (on) or unlights the keys of key-table entry `key` at lighting
  // step `step`, onto the target where the keyboard's top-left corner is at
  // (x, y). On: the modifier keys light once step reaches the modifier code,
  // the key itself once step passes it. Off: key and modifier keys go dark,
  // whatever the step. Only copies rectangles; the caller checks that the
  // keyboard is shown at all.
  void showLitKey(HDC target, int x, int y, int key, int step, bool on) const;

 private:
  KeyboardLook look_;
  KeyTable& table_;
  Canvas normal_;
  Canvas lit_;
  TextHeights heights_;
  bool heightsMeasured_ = false;
  bool ready_ = false;
  std::uint16_t drawnSize_ = 0;
};

}  // namespace kv::win
