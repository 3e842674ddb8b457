// The main window's status line: its panels sized to the dialog font, the
// texts the children put there, and the progress bar drawn into the last one.
#include "ui/frame/main_window_win.h"

#include <commctrl.h>

#include <string>

#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "ui/shared/app_state.h"
#include "ui/shared/window_font_win.h"

namespace kv {

void MainWindow::applyFontAndStatusLayout() {
  FontChoice& fonts = appState().settings.fonts;
  updateDialogFont(fonts);
  win::Font font = createDialogFont(fonts);
  if (font) {
    win::applyDialogFont(hwnd_, font.get());
    dialogFont_ = std::move(font);
  }
  if (statusBar_ == nullptr) return;
  const HFONT statusFont = dialogFont_ ? dialogFont_.get() : nullptr;
  const StatusLayout layout = statusLayout([&](std::string_view text) {
    return static_cast<int>(win::textExtent(statusFont, win::widen(text)).cx);
  });
  const auto edges = layout.rightEdges();
  ::SendMessageW(statusBar_, SB_SETPARTS, kStatusPanels,
                 reinterpret_cast<LPARAM>(edges.data()));
  const int height = statusLineHeight(win::textExtent(statusFont, L"00:00:00").cy);
  ::SendMessageW(statusBar_, SB_SETMINHEIGHT, static_cast<WPARAM>(height), 0);
  ::SendMessageW(statusBar_, SB_SETTEXTW, 4 | SBT_OWNERDRAW, 0);
  ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
  onSize();
}

void MainWindow::setStatusText(int panel, std::string_view text) {
  if (statusBar_ == nullptr || panel < 0 || panel >= kStatusPanels) return;
  if (panel == 4) {
    // The progress bar is drawn by the window itself.
    RECT r{};
    if (::SendMessageW(statusBar_, SB_GETRECT, 4, reinterpret_cast<LPARAM>(&r))) {
      ::InvalidateRect(statusBar_, &r, TRUE);
    }
    return;
  }
  const std::wstring wide = win::widen(text);
  ::SendMessageW(statusBar_, SB_SETTEXTW, static_cast<WPARAM>(panel),
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

void MainWindow::setStatusFivePanels(bool fivePanels) {
  if (statusBar_ == nullptr || fivePanels_ == fivePanels) return;
  fivePanels_ = fivePanels;
  ::SendMessageW(statusBar_, SB_SIMPLE, fivePanels ? FALSE : TRUE, 0);
}

void MainWindow::onDrawStatusItem(const DRAWITEMSTRUCT& item) {
  // Outside an exercise there is no progress to show, not even an empty frame.
  if (item.itemID != 4 || !appState().exercise.statusVisible ||
      childKind() != ChildKind::Exercise) {
    return;
  }
  const AppState& state = appState();
  const ProgressBarShape shape = progressBarShape(
      {item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom},
      ::GetSystemMetrics(SM_CXEDGE), ::GetSystemMetrics(SM_CYEDGE), win::screenPixelsPerInch(),
      state.liveKeystrokes, state.currentText.totalKeystrokes);
  const RECT frame{shape.frame.left, shape.frame.top, shape.frame.right, shape.frame.bottom};
  if (frame.right <= frame.left || frame.bottom <= frame.top) return;
  ::FrameRect(item.hDC, &frame, ::GetSysColorBrush(COLOR_3DDKSHADOW));
  if (shape.fill.width() > 0) {
    const RECT fill{shape.fill.left, shape.fill.top, shape.fill.right, shape.fill.bottom};
    ::FillRect(item.hDC, &fill, ::GetSysColorBrush(COLOR_BTNSHADOW));
  }
}

}  // namespace kv
