// The exercise window as screen readers and magnifiers see it: the template
// or running text with its next character, and the on-screen keyboard with
// its keys and the lit one. Everything here is painted, so without these
// objects an accessibility client would find only the typing field.
#include <algorithm>
#include <string>
#include <vector>

#include "keyboard/key_table.h"
#include "keyboard/keyboard_renderer_win.h"
#include "platform/encoding.h"
#include "platform/win/strings.h"
#include "session/next_character.h"
#include "ui/exercise/exercise_window_win.h"
#include "ui/shared/app_state.h"

namespace kv {
namespace {

constexpr unsigned char kMiddleDot = 0xB7;

std::vector<std::string> lines(const std::wstring& field) {
  std::vector<std::string> out;
  const std::string text = win::narrowLossy(field);
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", begin);
    out.push_back(text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    if (end == std::string::npos) break;
    begin = end + 2;
  }
  return out;
}

std::wstring shownText(const std::vector<std::string>& rows) {
  std::string joined;
  for (const std::string& row : rows) {
    if (!joined.empty()) joined += "\r\n";
    joined += row;
  }
  // The running text shows its blanks as middle dots; read aloud they are blanks.
  std::replace(joined.begin(), joined.end(), static_cast<char>(kMiddleDot), ' ');
  return win::widen(joined);
}

std::wstring keyName(unsigned char ch) {
  if (ch == ' ') return L"Leertaste";
  NextCharacter one;
  one.kind = NextCharacter::Kind::Character;
  one.ch = ch;
  std::string spoken = spokenCharacter(one);
  if (spoken.size() == 1) {
    // Keys carry capitals, as printed on them.
    const unsigned char c = static_cast<unsigned char>(spoken[0]);
    if ((c >= 'a' && c <= 'z') || c == 0xE4 || c == 0xF6 || c == 0xFC) spoken[0] = static_cast<char>(c - 0x20);
  }
  return L"Taste " + win::widen(spoken);
}

}  // namespace

RECT ExerciseWindow::keyOnScreen(int left, int top, int right, int bottom) const {
  POINT corner{layout_.display.left, layout_.display.top};
  ::ClientToScreen(hwnd_, &corner);
  return RECT{corner.x + left, corner.y + top, corner.x + right, corner.y + bottom};
}

const std::vector<ExerciseWindow::AccessKey>& ExerciseWindow::accessKeys() {
  if (!keyboard_ || !keyboard_->ready()) {
    accessKeys_.clear();
    return accessKeys_;
  }
  if (accessKeysSize_ == keyboard_->drawnSize() && !accessKeys_.empty()) return accessKeys_;
  accessKeys_.clear();
  const KeyTable& table = keyTable();
  auto add = [&](std::wstring name, const KeyRect& r) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    for (const AccessKey& k : accessKeys_) {
      if (k.left == r.left && k.top == r.top && k.right == r.right && k.bottom == r.bottom) return;
    }
    accessKeys_.push_back({std::move(name), r.left, r.top, r.right, r.bottom});
  };
  for (int i = 1; i <= table.count; ++i) {
    const KeyEntry& e = table.entries[static_cast<std::size_t>(i)];
    if (e.modifier == ModifierCode::None) add(keyName(e.ch), e.rect);
  }
  add(L"Umschalttaste links", table.LeftShiftRect);
  add(L"Umschalttaste rechts", table.RightShiftRect);
  add(L"Eingabetaste", table.EnterUpperRect);
  add(L"Strg", table.LeftCtrlRect);
  add(L"Alt", table.AltRect);
  add(L"Alt Gr", table.AltGrRect);
  // Reading order: row by row, left to right.
  std::stable_sort(accessKeys_.begin(), accessKeys_.end(), [](const AccessKey& a, const AccessKey& b) {
    return a.top != b.top ? a.top < b.top : a.left < b.left;
  });
  accessKeysSize_ = keyboard_->drawnSize();
  return accessKeys_;
}

bool ExerciseWindow::accessKeyLit(const AccessKey& key) const {
  if (!session_.keyLit()) return false;
  const KeyTable& table = keyTable();
  const int lit = session_.litKey();
  if (lit < 1 || lit > table.count) return false;
  const KeyEntry& e = table.entries[static_cast<std::size_t>(lit)];
  auto is = [&](const KeyRect& r) {
    return r.left == key.left && r.top == key.top && r.right == key.right && r.bottom == key.bottom;
  };
  if (is(e.rect)) return true;
  switch (e.modifier) {
    case ModifierCode::LeftShift: return is(table.LeftShiftRect);
    case ModifierCode::RightShift: return is(table.RightShiftRect);
    case ModifierCode::CtrlAlt: return is(table.LeftCtrlRect) || is(table.AltRect);
    case ModifierCode::AltGr: return is(table.AltGrRect);
    default: return false;
  }
}

RECT ExerciseWindow::nextCharacterOnScreen() {
  const ExerciseForm form = formOf(state_.exercise.form);
  const NextCharacter next = nextCharacter(state_.currentText.lines, lines(win::windowText(field_)), form,
                                           session_.firstShownLine(), session_.lineIndex());
  if (next.kind == NextCharacter::Kind::None || next.row < 0 || !fieldFont_ || !session_.running()) return RECT{};
  const std::vector<std::string> rows =
      form == ExerciseForm::RunningText ? session_.runningTextRows() : session_.templateRows();
  if (next.row >= static_cast<int>(rows.size())) return RECT{};
  const std::wstring row = win::widen(rows[static_cast<std::size_t>(next.row)]);
  const int column = std::min<int>(next.column, static_cast<int>(row.size()));
  win::WindowDc dc(hwnd_);
  win::ScopedSelect font(dc.get(), fieldFont_.get());
  SIZE before{};
  ::GetTextExtentPoint32W(dc.get(), row.c_str(), column, &before);
  SIZE one{};
  const wchar_t* cell = next.kind == NextCharacter::Kind::Character && column < static_cast<int>(row.size())
                            ? row.c_str() + column
                            : L" ";
  ::GetTextExtentPoint32W(dc.get(), cell, 1, &one);
  const POINT origin = displayTextOrigin();
  const int h = displayRowHeight();
  POINT topLeft{origin.x + before.cx, origin.y + next.row * h};
  ::ClientToScreen(hwnd_, &topLeft);
  return RECT{topLeft.x, topLeft.y, topLeft.x + std::max<int>(one.cx, 1), topLeft.y + h};
}

std::vector<int> ExerciseWindow::accessibleChildren(int node) {
  const ExerciseForm form = formOf(state_.exercise.form);
  std::vector<int> children;
  if (node == 0) {
    if (form == ExerciseForm::RunningText || form == ExerciseForm::OnScreenText) children.push_back(kDisplayNode);
    if (form == ExerciseForm::LitKeys && keyboard_) children.push_back(kKeyboardNode);
  } else if (node == kDisplayNode) {
    children.push_back(kNextCharacterNode);
  } else if (node == kKeyboardNode) {
    children.push_back(kLitKeyNode);
    const std::size_t keys = accessKeys().size();
    for (std::size_t k = 0; k < keys; ++k) children.push_back(kFirstKeyNode + static_cast<int>(k));
  }
  return children;
}

win::AccessibleFacts ExerciseWindow::accessibleFacts(int node) {
  win::AccessibleFacts facts;
  const ExerciseForm form = formOf(state_.exercise.form);
  const NextCharacter next = nextCharacter(state_.currentText.lines, lines(win::windowText(field_)), form,
                                           session_.firstShownLine(), session_.lineIndex());
  const std::wstring spoken = win::widen(spokenCharacter(next));
  const Bounds& d = layout_.display;
  switch (node) {
    case 0: {
      facts.name = win::windowText(hwnd_);
      facts.role = win::AccRole::Client;
      RECT r{};
      ::GetClientRect(hwnd_, &r);
      ::MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
      facts.screen = r;
      break;
    }
    case kDisplayNode:
      facts.name = form == ExerciseForm::RunningText ? L"Laufschrift" : L"Vorlage";
      facts.role = win::AccRole::Text;
      facts.state = win::AccState::ReadOnly;
      facts.value = shownText(form == ExerciseForm::RunningText ? session_.runningTextRows() : session_.templateRows());
      if (!spoken.empty() && session_.running()) facts.description = L"Als Nächstes: " + spoken;
      facts.screen = keyOnScreen(0, 0, d.width, d.height);
      break;
    case kNextCharacterNode:
      facts.name = L"Nächstes Zeichen";
      facts.role = win::AccRole::StaticText;
      facts.state = win::AccState::ReadOnly;
      facts.value = session_.running() ? spoken : std::wstring();
      facts.screen = nextCharacterOnScreen();
      if (facts.screen.right <= facts.screen.left) facts.state |= win::AccState::Invisible;
      break;
    case kKeyboardNode:
      facts.name = L"Bildschirmtastatur";
      facts.role = win::AccRole::Grouping;
      if (keyboard_) facts.screen = keyOnScreen(0, 0, keyboard_->width(), keyboard_->height());
      if (!spoken.empty() && session_.running()) facts.description = L"Als Nächstes: " + spoken;
      break;
    case kLitKeyNode: {
      facts.name = L"Leuchtende Taste";
      facts.role = win::AccRole::StaticText;
      facts.state = win::AccState::ReadOnly;
      std::wstring lit;
      for (const AccessKey& k : accessKeys()) {
        if (!accessKeyLit(k)) continue;
        lit += (lit.empty() ? L"" : L" und ") + k.name;
        // The key itself, not its modifier, is where the learner looks.
        if (facts.screen.right <= facts.screen.left || k.name.rfind(L"Taste ", 0) == 0 || k.name == L"Leertaste") {
          facts.screen = keyOnScreen(k.left, k.top, k.right, k.bottom);
        }
      }
      facts.value = lit;
      if (lit.empty()) facts.state |= win::AccState::Invisible;
      break;
    }
    default: {
      const std::vector<AccessKey>& keys = accessKeys();
      const int k = node - kFirstKeyNode;
      if (k < 0 || k >= static_cast<int>(keys.size())) break;
      const AccessKey& key = keys[static_cast<std::size_t>(k)];
      facts.name = key.name;
      facts.role = win::AccRole::PushButton;
      facts.state = win::AccState::ReadOnly | (accessKeyLit(key) ? win::AccState::Pressed : 0);
      if (accessKeyLit(key)) facts.value = L"leuchtet";
      facts.screen = keyOnScreen(key.left, key.top, key.right, key.bottom);
      break;
    }
  }
  return facts;
}

void ExerciseWindow::announcePlace() {
  const ExerciseForm form = formOf(state_.exercise.form);
  if (form == ExerciseForm::RunningText || form == ExerciseForm::OnScreenText) {
    win::announce(hwnd_, EVENT_OBJECT_VALUECHANGE, kDisplayNode);
    win::announce(hwnd_, EVENT_OBJECT_VALUECHANGE, kNextCharacterNode);
    win::announce(hwnd_, EVENT_OBJECT_LOCATIONCHANGE, kNextCharacterNode);
  }
}

void ExerciseWindow::announceLitKeys() {
  if (formOf(state_.exercise.form) != ExerciseForm::LitKeys) return;
  std::vector<int> lit;
  const std::vector<AccessKey>& keys = accessKeys();
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (accessKeyLit(keys[k])) lit.push_back(kFirstKeyNode + static_cast<int>(k));
  }
  if (lit == litBefore_) return;
  for (const int node : litBefore_) win::announce(hwnd_, EVENT_OBJECT_STATECHANGE, node);
  for (const int node : lit) win::announce(hwnd_, EVENT_OBJECT_STATECHANGE, node);
  litBefore_ = std::move(lit);
  win::announce(hwnd_, EVENT_OBJECT_VALUECHANGE, kLitKeyNode);
  win::announce(hwnd_, EVENT_OBJECT_LOCATIONCHANGE, kLitKeyNode);
}

}  // namespace kv
