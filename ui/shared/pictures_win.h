// The splash and about pictures: the design for the screen's scale, loaded
// from the program's resources and drawn magnified by whole multiples.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/win/handles.h"
#include "ui/shared/minor_window_rules.h"

namespace kv {

enum class PictureSet { Splash, About };

// The colour the about picture treats as see-through (0x00BBGGRR teal).
inline constexpr COLORREF kTransparentPictureColour = 0x808000;

struct Picture {
  win::Bitmap bitmap;
  SIZE size{};  // of the bitmap itself
  PictureChoice choice;
  // The size on screen: the bitmap magnified.
  SIZE shownSize() const {
    return SIZE{size.cx * choice.magnification, size.cy * choice.magnification};
  }
};

// `background`, when given, replaces the transparent colour.
Picture loadPicture(PictureSet set, int ppi, std::optional<COLORREF> background = std::nullopt);

void drawPicture(HDC dc, const Picture& picture, int x, int y);

}  // namespace kv
