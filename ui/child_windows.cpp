// Stand-ins for the selection dialog, the exercise window and the result
// window: each is a real child of the main window with its caption, the
// controls the main window relies on (the exercise window's typing field, the
// result window's file view) and a button that asks for the next window.
#include <windows.h>

#include <string>

#include "app/settings.h"
#include "app/state.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "platform/win/mdi_child.h"
#include "platform/win/strings.h"
#include "ui/child_window.h"

namespace kv {
namespace {

constexpr int kNextButton = 101;
constexpr int kOpenButton = 102;
constexpr int kField = 103;
constexpr int kLabel = 104;

template <typename Derived>
class SimpleChild : public ChildWindow, public win::MdiChildWindow<Derived> {
 public:
  explicit SimpleChild(ChildHost& host) : host_(host) {}

  HWND hwnd() const override { return this->windowHandle(); }
  void destroy() override { this->destroyWindow(); }
  void refreshFontsAndColours() override {
    applyFont();
    layout();
  }
  SIZE minimumSize() const override {
    const win::DialogUnits du(font_.get());
    return SIZE{du.x(200), du.y(120)};
  }

  bool create(const wchar_t* className, const std::wstring& caption) {
    if (!Base::registerClass(className,
                             ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) {
      return false;
    }
    RECT client{};
    ::GetClientRect(host_.mdiClient(), &client);
    const int width = client.right * 3 / 4;
    const int height = client.bottom * 3 / 4;
    return this->createIn(host_.mdiClient(), className, caption.c_str(),
                          WS_OVERLAPPEDWINDOW | WS_VISIBLE, (client.right - width) / 2,
                          (client.bottom - height) / 2, width, height);
  }

  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    Derived& self = static_cast<Derived&>(*this);
    switch (msg) {
      case WM_CREATE:
        self.createControls();
        applyFont();
        return 0;
      case WM_SIZE:
        layout();
        break;  // the client needs it too
      case WM_WINDOWPOSCHANGED:
        host_.childMoved();
        break;
      case WM_SETFOCUS:
        this->defaultHandling(msg, wParam, lParam);
        if (focusControl_ != nullptr) ::SetFocus(focusControl_);
        return 0;
      case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
          self.onButton(LOWORD(wParam));
          return 0;
        }
        break;
      case WM_CLOSE:
        if (host_.switching() || host_.confirmClose()) break;
        return 0;
      case WM_DESTROY:
        host_.childClosed(*this);
        break;
      case WM_SYSCOLORCHANGE:
      case WM_SETTINGCHANGE:
        refreshFontsAndColours();
        break;
      default:
        break;
    }
    return this->defaultHandling(msg, wParam, lParam);
  }

 protected:
  using Base = win::MdiChildWindow<Derived>;

  HWND addButton(const wchar_t* text, int id) {
    buttons_[buttonCount_] = win::createControl(this->hwnd_, L"BUTTON", text,
                                                WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, id);
    return buttons_[buttonCount_++];
  }

  void applyFont() {
    font_ = win::createDialogFont(appState().settings.fonts);
    if (font_) win::applyDialogFont(this->hwnd_, font_.get());
  }

  // Buttons along the bottom edge, the content above them.
  void layout() {
    if (this->hwnd_ == nullptr) return;
    RECT r{};
    ::GetClientRect(this->hwnd_, &r);
    const win::DialogUnits du(font_.get());
    const int margin = du.x(7);
    const int buttonWidth = du.x(60);
    const int buttonHeight = du.y(14);
    const int buttonTop = r.bottom - margin - buttonHeight;
    int x = r.right - margin - buttonWidth;
    for (int i = buttonCount_ - 1; i >= 0; --i) {
      ::MoveWindow(buttons_[i], x, buttonTop, buttonWidth, buttonHeight, TRUE);
      x -= buttonWidth + du.x(4);
    }
    if (content_ != nullptr) {
      ::MoveWindow(content_, margin, margin, r.right - 2 * margin, buttonTop - 2 * margin, TRUE);
    }
  }

  ChildHost& host_;
  win::Font font_;
  HWND content_ = nullptr;
  HWND focusControl_ = nullptr;
  HWND buttons_[2] = {};
  int buttonCount_ = 0;
};

class SelectionChild final : public SimpleChild<SelectionChild> {
 public:
  using SimpleChild::SimpleChild;
  ChildKind kind() const override { return ChildKind::Selection; }

  void createControls() {
    const std::wstring text =
        L"Übungsform: " + win::widen(formName(appState().exercise.form));
    content_ = win::createControl(hwnd_, L"STATIC", text.c_str(), SS_LEFT, 0, 0, 10, 10, kLabel);
    focusControl_ = addButton(L"Übung &starten", kNextButton);
  }
  void onButton(int id) {
    if (id == kNextButton) host_.request(static_cast<int>(Request::Exercise));
  }
};

class ExerciseChild final : public SimpleChild<ExerciseChild> {
 public:
  using SimpleChild::SimpleChild;
  ChildKind kind() const override { return ChildKind::Exercise; }
  bool typingFieldHasFocus() const override {
    return content_ != nullptr && ::GetFocus() == content_;
  }
  void applicationActivated(bool active) override {
    if (active && content_ != nullptr) ::SetFocus(content_);
  }

  void createControls() {
    content_ = win::createControl(
        hwnd_, L"EDIT", L"",
        WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0, 0, 10, 10,
        kField, WS_EX_CLIENTEDGE);
    focusControl_ = content_;
    addButton(L"&Weiter >", kNextButton);
  }
  void onButton(int id) {
    if (id == kNextButton) host_.request(static_cast<int>(Request::Result));
  }
};

class ResultChild final : public SimpleChild<ResultChild> {
 public:
  using SimpleChild::SimpleChild;
  ChildKind kind() const override { return ChildKind::Result; }
  bool showsFile() const override { return fileView_; }
  void enableCommands(bool enabled) override {
    for (int i = 0; i < buttonCount_; ++i) ::EnableWindow(buttons_[i], enabled);
  }

  static std::wstring captionFor(const AppState& state) {
    if (!state.fileView) return L"Auswertung";
    return state.openedFile.compatibility ? L"Klavento 5.0 Kompatibilitätsansicht"
                                          : L"Dateiansicht";
  }

  void createControls() {
    const AppState& state = appState();
    fileView_ = state.fileView;
    std::string text;
    if (fileView_) {
      for (const std::string& line : state.openedFile.lines) {
        // Error marks are shown as nothing here; the real result window underlines.
        for (const char c : line) {
          if (c != '\x08') text += c;
        }
        text += "\r\n";
      }
    }
    content_ = win::createControl(hwnd_, L"EDIT", win::widen(text).c_str(),
                                  WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0, 10,
                                  10, kField, WS_EX_CLIENTEDGE);
    if (fileView_) addButton(L"Ö&ffnen", kOpenButton);
    focusControl_ = addButton(L"&Schließen", kNextButton);
  }
  void onButton(int id) {
    if (id == kNextButton) host_.request(static_cast<int>(Request::Selection));
    if (id == kOpenButton) host_.request(static_cast<int>(Request::OpenSaved));
  }

 private:
  bool fileView_ = false;
};

template <typename Child>
std::unique_ptr<ChildWindow> make(ChildHost& host, const wchar_t* className,
                                  const std::wstring& caption) {
  auto child = std::make_unique<Child>(host);
  if (!child->create(className, caption)) return nullptr;
  return child;
}

}  // namespace

std::unique_ptr<ChildWindow> createSelectionChild(ChildHost& host) {
  return make<SelectionChild>(host, kSelectionChildClass, L"Übungsform wählen");
}

std::unique_ptr<ChildWindow> createExerciseChild(ChildHost& host) {
  return make<ExerciseChild>(host, kExerciseChildClass,
                             win::widen(formName(appState().exercise.form)));
}

std::unique_ptr<ChildWindow> createResultChild(ChildHost& host) {
  return make<ResultChild>(host, kResultChildClass, ResultChild::captionFor(appState()));
}

}  // namespace kv
