#include "keyboard/key_table.h"

#include <chrono>
#include <initializer_list>
#include <span>
#include <thread>

namespace kv {
namespace {

using M = ModifierCode;
using F = Finger;

constexpr KeyCharacter c(unsigned char ch, M modifier) { return {ch, modifier}; }

constexpr KeyDefinition key(std::string_view caption, F finger,
                            std::initializer_list<KeyCharacter> characters) {
  KeyDefinition d;
  d.caption = caption;
  d.finger = finger;
  for (const KeyCharacter& k : characters) d.characters[d.characterCount++] = k;
  return d;
}

constexpr KeyDefinition symbolKey(KeySymbol symbol, SpecialKey special) {
  KeyDefinition d;
  d.symbol = symbol;
  d.special = special;
  return d;
}

constexpr KeyDefinition bareKey(std::string_view caption, SpecialKey special, F finger) {
  KeyDefinition d;
  d.caption = caption;
  d.special = special;
  d.finger = finger;
  return d;
}

// Windows-1252 bytes that have no plain character literal here.
constexpr unsigned char kDegree = 0xB0, kSquared = 0xB2, kCubed = 0xB3, kSection = 0xA7;
constexpr unsigned char kSharpS = 0xDF, kAcute = 0xB4, kEuro = 0x80, kMicro = 0xB5;
constexpr unsigned char kUeLower = 0xFC, kUeUpper = 0xDC, kOeLower = 0xF6, kOeUpper = 0xD6;
constexpr unsigned char kAeLower = 0xE4, kAeUpper = 0xC4;
constexpr unsigned char kCarriageReturn = 0x0D;

constexpr std::array<KeyDefinition, 14> kRow0 = {
    key("\xB0^", F::Little, {c('^', M::None), c(kDegree, M::RightShift)}),
    key("!1", F::Little, {c('1', M::None), c('!', M::RightShift)}),
    key("\"2", F::Little, {c('2', M::None), c('"', M::RightShift), c(kSquared, M::AltGr)}),
    key("\xA7" "3", F::Ring, {c('3', M::None), c(kSection, M::RightShift), c(kCubed, M::AltGr)}),
    key("$4", F::Middle, {c('4', M::None), c('$', M::RightShift)}),
    key("%5", F::Index, {c('5', M::None), c('%', M::RightShift)}),
    // 6 belongs to the left hand, 7 to the right: their shifted characters
    // take the shift key of the other hand.
    key("&6", F::Index, {c('6', M::None), c('&', M::RightShift)}),
    key("/7", F::Index, {c('7', M::None), c('/', M::LeftShift), c('{', M::CtrlAlt)}),
    key("(8", F::Index, {c('8', M::None), c('(', M::LeftShift), c('[', M::CtrlAlt)}),
    key(")9", F::Middle, {c('9', M::None), c(')', M::LeftShift), c(']', M::CtrlAlt)}),
    key("=0", F::Ring, {c('0', M::None), c('=', M::LeftShift), c('}', M::CtrlAlt)}),
    key("?\xDF", F::Little, {c(kSharpS, M::None), c('?', M::LeftShift), c('\\', M::CtrlAlt)}),
    key("`\xB4", F::Little, {c(kAcute, M::None), c('`', M::LeftShift)}),
    symbolKey(KeySymbol::Backspace, SpecialKey::None),
};

constexpr std::array<KeyDefinition, 14> kRow1 = {
    symbolKey(KeySymbol::Tab, SpecialKey::None),
    key("Q", F::Little, {c('q', M::None), c('Q', M::RightShift), c('@', M::AltGr)}),
    key("W", F::Ring, {c('w', M::None), c('W', M::RightShift)}),
    key("E", F::Middle, {c('e', M::None), c('E', M::RightShift), c(kEuro, M::AltGr)}),
    key("R", F::Index, {c('r', M::None), c('R', M::RightShift)}),
    key("T", F::Index, {c('t', M::None), c('T', M::RightShift)}),
    key("Z", F::Index, {c('z', M::None), c('Z', M::LeftShift)}),
    key("U", F::Index, {c('u', M::None), c('U', M::LeftShift)}),
    key("I", F::Middle, {c('i', M::None), c('I', M::LeftShift)}),
    key("O", F::Ring, {c('o', M::None), c('O', M::LeftShift)}),
    key("P", F::Little, {c('p', M::None), c('P', M::LeftShift)}),
    key("\xDC", F::Little, {c(kUeLower, M::None), c(kUeUpper, M::LeftShift)}),
    key("*+~", F::Little, {c('+', M::None), c('*', M::LeftShift), c('~', M::CtrlAlt)}),
    bareKey("", SpecialKey::EnterUpper, F::Little),
};

constexpr std::array<KeyDefinition, 14> kRow2 = {
    symbolKey(KeySymbol::CapsLock, SpecialKey::None),
    key("A", F::Little, {c('a', M::None), c('A', M::RightShift)}),
    key("S", F::Ring, {c('s', M::None), c('S', M::RightShift)}),
    key("D", F::Middle, {c('d', M::None), c('D', M::RightShift)}),
    key("F", F::Index, {c('f', M::None), c('F', M::RightShift)}),
    key("G", F::Index, {c('g', M::None), c('G', M::RightShift)}),
    key("H", F::Index, {c('h', M::None), c('H', M::LeftShift)}),
    key("J", F::Index, {c('j', M::None), c('J', M::LeftShift)}),
    key("K", F::Middle, {c('k', M::None), c('K', M::LeftShift)}),
    key("L", F::Ring, {c('l', M::None), c('L', M::LeftShift)}),
    key("\xD6", F::Little, {c(kOeLower, M::None), c(kOeUpper, M::LeftShift)}),
    key("\xC4", F::Little, {c(kAeLower, M::None), c(kAeUpper, M::LeftShift)}),
    key("'#", F::Little, {c('#', M::None), c('\'', M::LeftShift)}),
    symbolKey(KeySymbol::Enter, SpecialKey::EnterLower),
};

constexpr std::array<KeyDefinition, 13> kRow3 = {
    symbolKey(KeySymbol::Shift, SpecialKey::LeftShift),
    key("><", F::Little, {c('<', M::None), c('>', M::RightShift), c('|', M::AltGr)}),
    key("Y", F::Little, {c('y', M::None), c('Y', M::RightShift)}),
    key("X", F::Ring, {c('x', M::None), c('X', M::RightShift)}),
    key("C", F::Middle, {c('c', M::None), c('C', M::RightShift)}),
    key("V", F::Index, {c('v', M::None), c('V', M::RightShift)}),
    key("B", F::Index, {c('b', M::None), c('B', M::RightShift)}),
    key("N", F::Index, {c('n', M::None), c('N', M::LeftShift)}),
    key("M", F::Index, {c('m', M::None), c('M', M::LeftShift), c(kMicro, M::CtrlAlt)}),
    key(";,", F::Middle, {c(',', M::None), c(';', M::LeftShift)}),
    key(":.", F::Ring, {c('.', M::None), c(':', M::LeftShift)}),
    key("_-", F::Little, {c('-', M::None), c('_', M::LeftShift)}),
    symbolKey(KeySymbol::Shift, SpecialKey::RightShift),
};

constexpr std::array<KeyDefinition, 5> kRow4 = {
    bareKey("Strg", SpecialKey::LeftCtrl, F::Little),
    bareKey("Alt", SpecialKey::Alt, F::Thumb),
    // The carriage return rides on the space bar only to have an entry: it is
    // always the last one, and Enter lights from its own two rectangles.
    key("", F::Thumb, {c(' ', M::None), c(kCarriageReturn, M::None)}),
    bareKey("AltGr", SpecialKey::AltGr, F::Thumb),
    bareKey("Strg", SpecialKey::None, F::Little),
};

constexpr std::array<std::span<const KeyDefinition>, kKeyRows> kRows = {
    std::span<const KeyDefinition>(kRow0), std::span<const KeyDefinition>(kRow1),
    std::span<const KeyDefinition>(kRow2), std::span<const KeyDefinition>(kRow3),
    std::span<const KeyDefinition>(kRow4),
};

KeyRect* specialRect(KeyTable& table, SpecialKey special) {
  switch (special) {
    case SpecialKey::LeftShift: return &table.LeftShiftRect;
    case SpecialKey::RightShift: return &table.RightShiftRect;
    case SpecialKey::EnterUpper: return &table.EnterUpperRect;
    case SpecialKey::EnterLower: return &table.EnterLowerRect;
    case SpecialKey::LeftCtrl: return &table.LeftCtrlRect;
    case SpecialKey::Alt: return &table.AltRect;
    case SpecialKey::AltGr: return &table.AltGrRect;
    case SpecialKey::None: break;
  }
  return nullptr;
}

void indexKeyTable(KeyTable& table) {
  table.firstEntry = {};
  for (int i = table.count; i >= 1; --i) {
    table.firstEntry[table.entries[static_cast<std::size_t>(i)].ch] = static_cast<std::uint8_t>(i);
  }
  table.indexedCount = table.count;
}

}  // namespace

Colour fingerColour(const FingerColours& colours, Finger finger) {
  switch (finger) {
    case Finger::Little: return colours.little;
    case Finger::Ring: return colours.ring;
    case Finger::Middle: return colours.middle;
    case Finger::Index: return colours.index;
    case Finger::Thumb: return colours.thumb;
  }
  return colours.little;
}

int keysInRow(int row) {
  if (row < 0 || row >= kKeyRows) return 0;
  return static_cast<int>(kRows[static_cast<std::size_t>(row)].size());
}

const KeyDefinition* keyDefinition(int row, int keyIndex) {
  if (keyIndex < 0 || keyIndex >= keysInRow(row)) return nullptr;
  return &kRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(keyIndex)];
}

KeyTable& keyTable() {
  static KeyTable table;
  return table;
}

KeyTableBuild::KeyTableBuild(KeyTable& table) : table_(table) {
  table_.rebuilding.store(true, std::memory_order_release);
  table_.count = 0;
  table_.firstEntry = {};
  table_.indexedCount = 0;
  // A build records every special rectangle afresh; none survives from the
  // previous one.
  for (SpecialKey s : {SpecialKey::LeftShift, SpecialKey::RightShift, SpecialKey::EnterUpper,
                       SpecialKey::EnterLower, SpecialKey::LeftCtrl, SpecialKey::Alt,
                       SpecialKey::AltGr}) {
    *specialRect(table_, s) = KeyRect{};
  }
}

KeyTableBuild::~KeyTableBuild() { table_.rebuilding.store(false, std::memory_order_release); }

bool RegisterKey(KeyTable& table, const KeyRect& rect, int keyIndex, int row,
                 KeyPainter* painter, Colour litColour, Colour fingerColour) {
  const KeyDefinition* key = keyDefinition(row, keyIndex);
  if (key == nullptr) return false;

  int count = table.count;
  // A table filled without a build, or changed behind RegisterKey's back,
  // has its index made afresh from the entries.
  if (table.indexedCount != table.count) indexKeyTable(table);
  for (std::uint8_t i = 0; i < key->characterCount && count < kMaxKeyEntries; ++i) {
    const KeyCharacter& k = key->characters[i];
    KeyEntry& entry = table.entries[static_cast<std::size_t>(++count)];
    entry.ch = k.ch;
    entry.rect = k.ch == kCarriageReturn ? KeyRect{} : rect;
    entry.modifier = k.modifier;
    if (table.firstEntry[k.ch] == 0) table.firstEntry[k.ch] = static_cast<std::uint8_t>(count);
  }
  table.count = static_cast<std::uint8_t>(count);
  table.indexedCount = table.count;

  if (KeyRect* special = specialRect(table, key->special)) *special = rect;

  if (painter == nullptr || !key->drawsSomething()) return false;
  return painter->paintKey({rect, *key, table.EnterUpperRect, litColour, fingerColour});
}

void RebuildKeyTable(KeyTable& table) {
  const KeyTableBuild build(table);
  for (int row = 0; row < kKeyRows; ++row) {
    for (int keyIndex = 0; keyIndex < keysInRow(row); ++keyIndex) {
      RegisterKey(table, KeyRect{}, keyIndex, row, nullptr, 0, 0);
    }
  }
}

void RebuildKeyTable() { RebuildKeyTable(keyTable()); }

void sleepMilliseconds(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int FindKey(const KeyTable& table, unsigned char ch, SleepFunction sleep) {
  for (int looks = 0; looks < kRebuildPollLimit && table.rebuilding.load(std::memory_order_acquire);
       ++looks) {
    if (sleep != nullptr) sleep(kRebuildPollMilliseconds);
  }
  if (table.indexedCount == table.count) return table.firstEntry[ch];
  const int count = table.count;
  for (int i = 1; i <= count; ++i) {
    if (table.entries[static_cast<std::size_t>(i)].ch == ch) return i;
  }
  return 0;
}

int FindKey(unsigned char ch) { return FindKey(keyTable(), ch); }

int FindKey(std::string_view text) {
  if (text.empty()) return 0;
  return FindKey(static_cast<unsigned char>(text.front()));
}

ModifierCode ModifierOf(const KeyTable& table, int index) {
  if (index < 1 || index > table.count) return ModifierCode::None;
  return table.entries[static_cast<std::size_t>(index)].modifier;
}

ModifierCode ModifierOf(int index) { return ModifierOf(keyTable(), index); }

int KeystrokeWeight(const KeyTable& table, unsigned char ch, SleepFunction sleep) {
  const int index = FindKey(table, ch, sleep);
  if (index == 0) return 3;
  return ModifierOf(table, index) == ModifierCode::None ? 1 : 2;
}

int KeystrokeWeight(unsigned char ch) { return KeystrokeWeight(keyTable(), ch); }

LitRects LitRectsOf(const KeyTable& table, int index) {
  LitRects lit;
  if (index < 1 || index > table.count) return lit;

  if (index == table.count) {
    // Enter is one L-shaped key drawn as two rectangles; the upper one is
    // stretched over the row gap so the lit key shows no seam.
    KeyRect upper = table.EnterUpperRect;
    upper.bottom = table.EnterLowerRect.top;
    lit.keys = {table.EnterLowerRect, upper};
    lit.keyCount = 2;
  } else {
    lit.keys[0] = table.entries[static_cast<std::size_t>(index)].rect;
    lit.keyCount = 1;
  }

  switch (table.entries[static_cast<std::size_t>(index)].modifier) {
    case ModifierCode::None:
      break;
    case ModifierCode::LeftShift:
      lit.modifiers[lit.modifierCount++] = table.LeftShiftRect;
      break;
    case ModifierCode::RightShift:
      lit.modifiers[lit.modifierCount++] = table.RightShiftRect;
      break;
    case ModifierCode::CtrlAlt:
      lit.modifiers[lit.modifierCount++] = table.LeftCtrlRect;
      lit.modifiers[lit.modifierCount++] = table.AltRect;
      break;
    case ModifierCode::AltGr:
      lit.modifiers[lit.modifierCount++] = table.AltGrRect;
      break;
  }
  return lit;
}

bool CheckKeyboardLayout(std::string_view layoutId) {
  return layoutId.size() == 8 && layoutId.substr(5) == "407";
}

}  // namespace kv
