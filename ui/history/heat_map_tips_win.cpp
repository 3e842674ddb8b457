#include "ui/history/heat_map_tips_win.h"

#include <commctrl.h>

#include "platform/win/strings.h"

namespace kv {

HeatMapTips::~HeatMapTips() {
  if (tip_ != nullptr && ::IsWindow(tip_)) ::DestroyWindow(tip_);
}

void HeatMapTips::attach(HWND owner) {
  owner_ = owner;
  tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
  // Long enough to read a figure, and never wrapped mid-figure.
  if (tip_ != nullptr) ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 600);
}

void HeatMapTips::update(const std::vector<HeatKeySpot>& spots) {
  if (tip_ == nullptr) return;
  for (std::size_t id = 0; id < tools_; ++id) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = owner_;
    tool.uId = id;
    ::SendMessageW(tip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  tools_ = 0;
  for (const HeatKeySpot& spot : spots) {
    std::wstring text = win::widen(spot.text);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = owner_;
    tool.uId = tools_;
    tool.rect = spot.rect;
    tool.lpszText = text.data();  // the tooltip keeps its own copy
    if (::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE) ++tools_;
  }
}

}  // namespace kv
