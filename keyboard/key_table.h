// The German keyboard behind the on-screen keyboard: which key makes which
// character with which modifier, which finger strikes it, and the key table
// through which a character of the exercise text becomes the keys to light.
// Portable; the drawing is reached only through KeyPainter.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>

#include "core/settings.h"

namespace kv {

// The order matters: lighting compares the code with the lighting step, so
// the modifier keys light one step before the character's key.
enum class ModifierCode : std::uint8_t {
  None = 0,
  LeftShift = 1,   // shifted characters of right-hand keys
  RightShift = 2,  // shifted characters of left-hand keys
  CtrlAlt = 3,     // third level of right-hand keys: left "Strg" and "Alt"
  AltGr = 4,       // third level of left-hand keys
};

// Also the order of the finger colours.
enum class Finger : std::uint8_t { Little = 1, Ring = 2, Middle = 3, Index = 4, Thumb = 5 };

Colour fingerColour(const FingerColours& colours, Finger finger);

// Left, Top, Right, Bottom in pixels of the keyboard image.
struct KeyRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const KeyRect&) const = default;
};

// ---------------------------------------------------------------------------
// The fixed layout.

enum class KeySymbol : std::uint8_t { None, Backspace, Tab, CapsLock, Enter, Shift };

// Keys whose rectangle the table keeps apart, for lighting modifiers and Enter.
enum class SpecialKey : std::uint8_t {
  None,
  LeftShift,
  RightShift,
  EnterUpper,
  EnterLower,
  LeftCtrl,
  Alt,
  AltGr,
};

struct KeyCharacter {
  unsigned char ch = 0;  // Windows-1252
  ModifierCode modifier = ModifierCode::None;
};

struct KeyDefinition {
  // Windows-1252. Two characters: shifted over unshifted; a third one is the
  // third-level character. Empty for symbol keys and bare keys.
  std::string_view caption;
  KeySymbol symbol = KeySymbol::None;
  SpecialKey special = SpecialKey::None;
  Finger finger = Finger::Little;
  std::uint8_t characterCount = 0;
  std::array<KeyCharacter, 3> characters{};  // in registration order

  bool drawsSomething() const { return !caption.empty() || symbol != KeySymbol::None; }
};

inline constexpr int kKeyRows = 5;
// Rows 0-2 have keys 0-13, row 3 keys 0-12, row 4 keys 0-4.
int keysInRow(int row);
// Null outside the keyboard.
const KeyDefinition* keyDefinition(int row, int keyIndex);

// ---------------------------------------------------------------------------
// The key table.

struct KeyEntry {
  unsigned char ch = 0;
  KeyRect rect;  // all zero while the table was built without drawing
  ModifierCode modifier = ModifierCode::None;
};

// The count is one byte: at most 255 entries; the German layout fills 110.
inline constexpr int kMaxKeyEntries = 255;
inline constexpr int kGermanKeyEntries = 110;

struct KeyTable {
  std::array<KeyEntry, kMaxKeyEntries + 1> entries{};  // 1-based; index 0 means no key
  std::uint8_t count = 0;
  // The first entry of every character, kept by RegisterKey and emptied with
  // the table by KeyTableBuild, so a lookup costs no search: the evaluation
  // looks up every typed character. Valid while `indexedCount` equals
  // `count`; entries are written through RegisterKey only.
  std::array<std::uint8_t, 256> firstEntry{};
  std::uint8_t indexedCount = 0;
  // Set while the table is being built; lookups wait for it to clear.
  std::atomic<bool> rebuilding{false};

  KeyRect LeftShiftRect;
  KeyRect RightShiftRect;
  KeyRect EnterUpperRect;
  KeyRect EnterLowerRect;
  KeyRect LeftCtrlRect;
  KeyRect AltRect;
  KeyRect AltGrRect;
};

// The process-wide table.
KeyTable& keyTable();

// Sets the rebuilding flag and empties the table (count and special
// rectangles) for a build; clears the flag again on every way out.
class KeyTableBuild {
 public:
  explicit KeyTableBuild(KeyTable& table);
  ~KeyTableBuild();
  KeyTableBuild(const KeyTableBuild&) = delete;
  KeyTableBuild& operator=(const KeyTableBuild&) = delete;

 private:
  KeyTable& table_;
};

// What the painter is asked to draw for one key.
struct KeyPaint {
  KeyRect rect;
  KeyDefinition key;
  // The Enter symbol is registered by Enter's lower part but drawn in the
  // upper part's rectangle, which is recorded by then.
  KeyRect enterUpper;
  Colour litColour = 0;
  Colour fingerColour = 0;
};

// Draws a key's caption or symbol onto both keyboard images.
class KeyPainter {
 public:
  virtual ~KeyPainter() = default;
  // True when it drew (and filled) the key.
  virtual bool paintKey(const KeyPaint& paint) = 0;
};

// Appends the characters of the key at (row, keyIndex), each with `rect` and
// its modifier, and records the key's special rectangle. With a painter, keys
// with a caption or symbol are handed to it; returns whether it drew, so the
// caller fills bare keys itself. Keys outside the keyboard register nothing;
// characters beyond the table's capacity are dropped.
bool RegisterKey(KeyTable& table, const KeyRect& rect, int keyIndex, int row,
                 KeyPainter* painter, Colour litColour, Colour fingerColour);

// Builds the table with empty rectangles and no drawing, in the order that the
// drawn build uses too, so indices agree between the two.
void RebuildKeyTable(KeyTable& table);
void RebuildKeyTable();

using SleepFunction = void (*)(int milliseconds);
void sleepMilliseconds(int milliseconds);

inline constexpr int kRebuildPollMilliseconds = 10;
// Everything runs on one thread, so a flag still set after this many looks is
// not going to clear while we wait; the lookup then reads what is there.
inline constexpr int kRebuildPollLimit = 50;

// The first entry for `ch`, or 0 when no key makes it.
int FindKey(const KeyTable& table, unsigned char ch, SleepFunction sleep = sleepMilliseconds);
int FindKey(unsigned char ch);
// The first character of the text; 0 for an empty text.
int FindKey(std::string_view text);

// None for index 0 and indices past the count.
ModifierCode ModifierOf(const KeyTable& table, int index);
ModifierCode ModifierOf(int index);

// 1 for an unshifted key, 2 with any modifier, 3 when no key makes it.
int KeystrokeWeight(const KeyTable& table, unsigned char ch,
                    SleepFunction sleep = sleepMilliseconds);
int KeystrokeWeight(unsigned char ch);

// The rectangles that light up for entry `index`: the key (both parts of Enter
// for the last entry, the upper one reaching down to the lower) and the
// modifier keys its code names. Nothing for index 0 or past the count.
struct LitRects {
  std::array<KeyRect, 2> keys{};
  int keyCount = 0;
  std::array<KeyRect, 2> modifiers{};
  int modifierCount = 0;
};
LitRects LitRectsOf(const KeyTable& table, int index);

// ---------------------------------------------------------------------------
// The layout check before an exercise.

// Supported are the German layouts: an 8-character identifier ending in 407.
bool CheckKeyboardLayout(std::string_view layoutId);

inline constexpr std::string_view kLayoutWarningCaption = "Klavento 7";
// Windows-1252. The blank before the colon is part of the message.
inline constexpr std::string_view kLayoutWarning =
    "Das aktuell gew\xE4hlte Tastaturlayout wird von dieser Version von Klavento 7 nicht "
    "unterst\xFCtzt. Bitte w\xE4hlen Sie in der Systemsteuerung eines der folgenden "
    "Tastaturlayouts : Deutsch (Deutschland), Deutsch (\xD6sterreich)";

}  // namespace kv
