#include "keyboard/key_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "keyboard/dead_keys.h"
#include "platform/encoding.h"
#include "texts/text_model.h"

namespace kv {

static void PrintTo(const KeyRect& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

using M = ModifierCode;

// A distinct rectangle per key, so an entry's rectangle tells which key made it.
KeyRect rectFor(int row, int keyIndex) {
  return {keyIndex * 100, row * 100, keyIndex * 100 + 60, row * 100 + 60};
}

std::pair<int, int> keyOf(const KeyRect& rect) { return {rect.top / 100, rect.left / 100}; }

constexpr Colour kNavy = 0x800000;
Colour fingerColourFor(int row, int keyIndex) { return static_cast<Colour>(0x10000 + row * 16 + keyIndex); }

class RecordingPainter final : public KeyPainter {
 public:
  bool paintKey(const KeyPaint& paint) override {
    calls.push_back(paint);
    return answer;
  }
  std::vector<KeyPaint> calls;
  bool answer = true;
};

// What the layout pass does: one build, every key drawn with its rectangle.
void drawnBuild(KeyTable& table, KeyPainter* painter) {
  const KeyTableBuild build(table);
  for (int row = 0; row < kKeyRows; ++row) {
    for (int k = 0; k < keysInRow(row); ++k) {
      RegisterKey(table, rectFor(row, k), k, row, painter, kNavy, fingerColourFor(row, k));
    }
  }
}

const KeyEntry& entry(const KeyTable& table, int index) {
  return table.entries[static_cast<std::size_t>(index)];
}

// ---------------------------------------------------------------------------

// An independent transcription of who strikes what: 1 little .. 5 thumb.
TEST(KeyLayout, FingerOfEveryKey) {
  const char* fingers[kKeyRows] = {
      "11123444432111",  // ^ 1 2 | 3 | 4 | 5 6 7 8 | 9 | 0 | ß ´ Backspace
      "11234444321111",  // Tab Q W E R T Z U I O P Ü + Enter
      "11234444321111",  // Caps A S D F G H J K L Ö Ä # Enter
      "1112344443211",   // Shift < Y X C V B N M , . - Shift
      "15551",           // Strg Alt Space AltGr Strg
  };
  for (int row = 0; row < kKeyRows; ++row) {
    ASSERT_EQ(std::string(fingers[row]).size(), static_cast<std::size_t>(keysInRow(row)));
    for (int k = 0; k < keysInRow(row); ++k) {
      SCOPED_TRACE(testing::Message() << "row " << row << " key " << k);
      EXPECT_EQ(static_cast<int>(keyDefinition(row, k)->finger), fingers[row][k] - '0');
    }
  }
}

// Every key with characters: the unshifted one first; the caption shows
// shifted over unshifted (a letter only its capital, the shifted one) and a
// third character when it has three; and its modifiers belong to one hand,
// right shift and AltGr for the left, left shift and Strg+Alt for the right.
TEST(KeyLayout, CaptionsAndModifiersAgreeWithTheCharacters) {
  for (int row = 0; row < kKeyRows; ++row) {
    for (int k = 0; k < keysInRow(row); ++k) {
      const KeyDefinition& key = *keyDefinition(row, k);
      if (key.characterCount == 0) continue;
      SCOPED_TRACE(testing::Message() << "row " << row << " key " << k);
      const auto ch = [&](std::size_t i) { return static_cast<char>(key.characters[i].ch); };
      const std::string caption(key.caption);
      ASSERT_GE(key.characterCount, 2);
      ASSERT_LE(caption.size(), key.characterCount);
      const std::string shown = {ch(1), ch(0), ch(2)};
      EXPECT_EQ(caption, shown.substr(0, caption.size()));
      EXPECT_EQ(key.characters[0].modifier, M::None);
      bool left = false;
      bool right = false;
      for (std::size_t i = 1; i < key.characterCount; ++i) {
        const M m = key.characters[i].modifier;
        left = left || m == M::RightShift || m == M::AltGr;
        right = right || m == M::LeftShift || m == M::CtrlAlt;
      }
      EXPECT_FALSE(left && right);
    }
  }
}

TEST(KeyLayout, SixIsLeftHandSevenIsRightHand) {
  const KeyDefinition& six = *keyDefinition(0, 6);
  const KeyDefinition& seven = *keyDefinition(0, 7);
  EXPECT_EQ(six.finger, Finger::Index);
  EXPECT_EQ(seven.finger, Finger::Index);
  EXPECT_EQ(six.characters[1].ch, '&');
  EXPECT_EQ(six.characters[1].modifier, M::RightShift);
  EXPECT_EQ(seven.characters[1].ch, '/');
  EXPECT_EQ(seven.characters[1].modifier, M::LeftShift);
}

// ---------------------------------------------------------------------------

TEST(KeyTableBuilds, OneHundredTenEntriesRowByRow) {
  KeyTable table;
  const int perRow[kKeyRows] = {33, 27, 24, 24, 2};
  {
    const KeyTableBuild build(table);
    for (int row = 0; row < kKeyRows; ++row) {
      const int before = table.count;
      for (int k = 0; k < keysInRow(row); ++k) RegisterKey(table, {}, k, row, nullptr, 0, 0);
      EXPECT_EQ(table.count - before, perRow[row]) << "row " << row;
    }
  }
  EXPECT_EQ(table.count, kGermanKeyEntries);

  KeyTable rebuilt;
  RebuildKeyTable(rebuilt);
  EXPECT_EQ(rebuilt.count, kGermanKeyEntries);
  EXPECT_FALSE(rebuilt.rebuilding.load());
}

// FindKey answers with the first entry, so a character registered twice
// would hide its second key.
TEST(KeyTableBuilds, EveryCharacterOnce) {
  KeyTable table;
  RebuildKeyTable(table);
  std::set<unsigned char> seen;
  for (int i = 1; i <= table.count; ++i) {
    EXPECT_TRUE(seen.insert(entry(table, i).ch).second) << "byte " << int(entry(table, i).ch);
  }
}

// The exercise window looks keys up in the table built without drawing; the
// layout pass replaces it with the drawn one. An index must mean the same
// character in both.
TEST(KeyTableBuilds, DrawnAndUndrawnBuildsAgreeOnIndices) {
  KeyTable plain;
  RebuildKeyTable(plain);
  KeyTable drawn;
  RecordingPainter painter;
  drawnBuild(drawn, &painter);
  ASSERT_EQ(drawn.count, plain.count);
  for (int i = 1; i <= plain.count; ++i) {
    EXPECT_EQ(entry(drawn, i).ch, entry(plain, i).ch) << i;
    EXPECT_EQ(entry(drawn, i).modifier, entry(plain, i).modifier) << i;
    EXPECT_EQ(entry(plain, i).rect, KeyRect{}) << i;
  }
}

TEST(KeyTableBuilds, EveryBuildStartsEmpty) {
  KeyTable table;
  RecordingPainter painter;
  drawnBuild(table, &painter);
  drawnBuild(table, &painter);
  EXPECT_EQ(table.count, kGermanKeyEntries);
  // The undrawn build leaves no rectangle of the drawn one behind, Enter's included.
  RebuildKeyTable(table);
  EXPECT_EQ(table.EnterUpperRect, KeyRect{});
  EXPECT_EQ(table.EnterLowerRect, KeyRect{});
  EXPECT_EQ(table.LeftShiftRect, KeyRect{});
}

TEST(KeyTableBuilds, CapacityOfOneByteIsNeverExceeded) {
  KeyTable table;
  for (int pass = 0; pass < 3; ++pass) {  // 330 characters without emptying the table
    for (int row = 0; row < kKeyRows; ++row) {
      for (int k = 0; k < keysInRow(row); ++k) RegisterKey(table, {}, k, row, nullptr, 0, 0);
    }
  }
  EXPECT_EQ(table.count, kMaxKeyEntries);
  EXPECT_EQ(entry(table, 0).ch, 0) << "index 0 must stay the empty entry";
}

TEST(KeyTableBuilds, KeysOutsideTheKeyboardRegisterNothing) {
  KeyTable table;
  RecordingPainter painter;
  const std::pair<int, int> outside[] = {{-1, 0}, {5, 0}, {3, 13}, {4, 5}, {0, 14}, {0, -1}};
  for (const auto& [row, k] : outside) {
    EXPECT_FALSE(RegisterKey(table, rectFor(0, 0), k, row, &painter, kNavy, 0));
  }
  EXPECT_EQ(table.count, 0);
  EXPECT_TRUE(painter.calls.empty());
}

// ---------------------------------------------------------------------------

TEST(RegisterKey, RecordsTheSevenSpecialRectangles) {
  KeyTable table;
  RecordingPainter painter;
  drawnBuild(table, &painter);
  EXPECT_EQ(table.LeftShiftRect, rectFor(3, 0));
  EXPECT_EQ(table.RightShiftRect, rectFor(3, 12));
  EXPECT_EQ(table.EnterUpperRect, rectFor(1, 13));
  EXPECT_EQ(table.EnterLowerRect, rectFor(2, 13));
  EXPECT_EQ(table.LeftCtrlRect, rectFor(4, 0));
  EXPECT_EQ(table.AltRect, rectFor(4, 1));
  EXPECT_EQ(table.AltGrRect, rectFor(4, 3));
}

TEST(RegisterKey, PainterGetsEveryKeyWithCaptionOrSymbol) {
  KeyTable table;
  RecordingPainter painter;
  drawnBuild(table, &painter);

  std::map<std::pair<int, int>, KeyPaint> painted;
  for (const KeyPaint& p : painter.calls) painted.emplace(keyOf(p.rect), p);
  // 60 keys less the space bar and Enter's upper part, which show nothing.
  EXPECT_EQ(painter.calls.size(), 58u);
  EXPECT_EQ(painted.size(), painter.calls.size()) << "a key was painted twice";
  EXPECT_FALSE(painted.count({4, 2})) << "space bar";
  EXPECT_FALSE(painted.count({1, 13})) << "Enter, upper part";

  const struct {
    int row, key;
    std::string caption;
    KeySymbol symbol;
  } rows[] = {
      {0, 0, "\xB0^", KeySymbol::None},     {0, 12, "`\xB4", KeySymbol::None},
      {0, 13, "", KeySymbol::Backspace},    {1, 0, "", KeySymbol::Tab},
      {1, 11, "\xDC", KeySymbol::None},     {1, 12, "*+~", KeySymbol::None},
      {2, 0, "", KeySymbol::CapsLock},      {2, 13, "", KeySymbol::Enter},
      {3, 0, "", KeySymbol::Shift},         {3, 9, ";,", KeySymbol::None},
      {3, 12, "", KeySymbol::Shift},        {4, 0, "Strg", KeySymbol::None},
      {4, 1, "Alt", KeySymbol::None},       {4, 3, "AltGr", KeySymbol::None},
      {4, 4, "Strg", KeySymbol::None},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << row.row << " key " << row.key);
    ASSERT_TRUE(painted.count({row.row, row.key}));
    const KeyPaint& p = painted.at({row.row, row.key});
    EXPECT_EQ(std::string(p.key.caption), row.caption);
    EXPECT_EQ(p.key.symbol, row.symbol);
    EXPECT_EQ(p.litColour, kNavy);
    EXPECT_EQ(p.fingerColour, fingerColourFor(row.row, row.key));
  }
  // The Enter symbol goes into the upper part, recorded one row earlier.
  EXPECT_EQ(painted.at({2, 13}).enterUpper, rectFor(1, 13));
}

TEST(RegisterKey, ReturnsWhetherItDrew) {
  RecordingPainter painter;
  const struct {
    int row, key;
    bool painterAnswer;
    bool drew;
  } rows[] = {
      {2, 1, true, true},    // A: drawn
      {2, 1, false, false},  // the painter could not draw: the caller fills
      {4, 2, true, false},   // space bar: nothing to draw
      {1, 13, true, false},  // Enter, upper part
      {4, 4, true, true},    // right "Strg": caption, though no rectangle recorded
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << row.row << " key " << row.key);
    KeyTable table;
    painter.answer = row.painterAnswer;
    EXPECT_EQ(RegisterKey(table, rectFor(row.row, row.key), row.key, row.row, &painter, kNavy, 0),
              row.drew);
    KeyTable undrawn;
    EXPECT_FALSE(RegisterKey(undrawn, rectFor(row.row, row.key), row.key, row.row, nullptr, 0, 0));
    EXPECT_EQ(undrawn.count, table.count);
  }
}

// ---------------------------------------------------------------------------

class FindKeyTest : public testing::Test {
 protected:
  void SetUp() override { drawnBuild(table, &painter); }
  KeyTable table;
  RecordingPainter painter;
};

TEST_F(FindKeyTest, CharactersFindTheirKeyAndModifier) {
  const struct {
    unsigned char ch;
    int row, key;
    M modifier;
  } rows[] = {
      {'Z', 1, 6, M::LeftShift},   {'T', 1, 5, M::RightShift}, {'@', 1, 1, M::AltGr},
      {'{', 0, 7, M::CtrlAlt},     {'&', 0, 6, M::RightShift}, {'/', 0, 7, M::LeftShift},
      {'z', 1, 6, M::None},        {'y', 3, 2, M::None},       {'|', 3, 1, M::AltGr},
      {0xB5, 3, 8, M::CtrlAlt},    {0x80, 1, 3, M::AltGr},     {0xB4, 0, 12, M::None},
      {'`', 0, 12, M::LeftShift},  {'^', 0, 0, M::None},       {0xDF, 0, 11, M::None},
      {'\\', 0, 11, M::CtrlAlt},   {0xC4, 2, 11, M::LeftShift}, {'\'', 2, 12, M::LeftShift},
      {'_', 3, 11, M::LeftShift},  {0xB3, 0, 3, M::AltGr},     {'"', 0, 2, M::RightShift},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "byte " << int(row.ch));
    const int index = FindKey(table, row.ch);
    ASSERT_NE(index, 0);
    EXPECT_EQ(entry(table, index).ch, row.ch);
    EXPECT_EQ(keyOf(entry(table, index).rect), std::make_pair(row.row, row.key));
    EXPECT_EQ(ModifierOf(table, index), row.modifier);
  }
}

TEST_F(FindKeyTest, CarriageReturnIsLastAndSpaceSecondToLast) {
  const int cr = FindKey(table, '\r');
  EXPECT_EQ(cr, table.count);
  EXPECT_EQ(entry(table, cr).rect, KeyRect{});
  const int space = FindKey(table, ' ');
  EXPECT_EQ(space, table.count - 1);
  EXPECT_EQ(keyOf(entry(table, space).rect), std::make_pair(4, 2));
}

TEST_F(FindKeyTest, CharactersWithoutAKey) {
  // Accented letters before the dead-key expansion, tab, line feed, byte 0.
  for (int ch : {0xE9, 0xE0, 0x09, 0x0A, 0x00, 0xFF, 0x7F}) {
    EXPECT_EQ(FindKey(table, static_cast<unsigned char>(ch)), 0) << ch;
  }
  EXPECT_EQ(ModifierOf(table, 0), M::None);
  EXPECT_EQ(ModifierOf(table, table.count + 1), M::None);
  EXPECT_EQ(ModifierOf(table, -1), M::None);
}

// The dead-key expansion promises that both halves have keys.
TEST_F(FindKeyTest, EveryDeadKeyExpansionIsTypeable) {
  for (int c = 0x80; c < 256; ++c) {
    const std::string expanded = ExpandDeadKeys(std::string(1, static_cast<char>(c)), true);
    if (expanded.size() != 2) continue;
    for (char part : expanded) {
      EXPECT_NE(FindKey(table, static_cast<unsigned char>(part)), 0) << "byte " << c;
    }
  }
}

TEST(FindKeyProcessTable, OneCharacterStringsAndTheProcessWideTable) {
  RebuildKeyTable();
  EXPECT_EQ(keyTable().count, kGermanKeyEntries);
  EXPECT_EQ(FindKey("Zebra"), FindKey(static_cast<unsigned char>('Z')));
  EXPECT_EQ(FindKey(""), 0);
  EXPECT_EQ(ModifierOf(FindKey("@")), M::AltGr);
  EXPECT_EQ(KeystrokeWeight(static_cast<unsigned char>('@')), 2);
}

// ---------------------------------------------------------------------------
// FindKey answers from an index of first entries; it must answer as a search
// through the entries would, however the table came about.

int firstEntrySearched(const KeyTable& table, unsigned char ch) {
  for (int i = 1; i <= table.count; ++i) {
    if (entry(table, i).ch == ch) return i;
  }
  return 0;
}

void expectLookupsAgreeWithTheEntries(const KeyTable& table) {
  for (int b = 0; b < 256; ++b) {
    const auto ch = static_cast<unsigned char>(b);
    EXPECT_EQ(FindKey(table, ch, nullptr), firstEntrySearched(table, ch)) << "byte " << b;
  }
}

TEST(FindKeyIndex, AgreesWithTheEntriesAfterEveryKindOfBuild) {
  KeyTable table;
  {
    SCOPED_TRACE("never built");
    expectLookupsAgreeWithTheEntries(table);
  }
  RecordingPainter painter;
  drawnBuild(table, &painter);
  {
    SCOPED_TRACE("drawn build");
    expectLookupsAgreeWithTheEntries(table);
  }
  RebuildKeyTable(table);
  {
    SCOPED_TRACE("rebuilt without drawing");
    expectLookupsAgreeWithTheEntries(table);
  }
  {
    SCOPED_TRACE("a build of the lower rows only, after a full one");
    const KeyTableBuild build(table);
    for (int row = 2; row < kKeyRows; ++row) {
      for (int k = 0; k < keysInRow(row); ++k) RegisterKey(table, {}, k, row, nullptr, 0, 0);
    }
    EXPECT_EQ(FindKey(table, 'q', nullptr), 0) << "a key of the previous build";
    expectLookupsAgreeWithTheEntries(table);
  }
  {
    SCOPED_TRACE("registered three times over without emptying, up to the capacity");
    for (int pass = 0; pass < 3; ++pass) {
      for (int row = 0; row < kKeyRows; ++row) {
        for (int k = 0; k < keysInRow(row); ++k) RegisterKey(table, {}, k, row, nullptr, 0, 0);
      }
    }
    ASSERT_EQ(table.count, kMaxKeyEntries);
    expectLookupsAgreeWithTheEntries(table);
  }
}

// Code that fills the entries itself, without RegisterKey, still finds them.
TEST(FindKeyIndex, EntriesWrittenDirectlyAreFound) {
  KeyTable table;
  RebuildKeyTable(table);
  table.entries[static_cast<std::size_t>(table.count) + 1] = {'', {}, M::AltGr};
  ++table.count;
  EXPECT_EQ(FindKey(table, '', nullptr), table.count);
  expectLookupsAgreeWithTheEntries(table);
  // The next registration takes the table over into its index.
  RegisterKey(table, {}, 1, 0, nullptr, 0, 0);
  EXPECT_EQ(FindKey(table, '', nullptr), table.count - 2);
  expectLookupsAgreeWithTheEntries(table);
}

// The lookup while a rebuild is under way reads the table as far as it is
// built: what the build registered so far, nothing of the table before it.
TEST(FindKeyIndex, ALookupDuringABuildSeesOnlyWhatIsRegistered) {
  KeyTable table;
  RebuildKeyTable(table);
  const KeyTableBuild build(table);
  RegisterKey(table, {}, 1, 1, nullptr, 0, 0);  // Q
  EXPECT_EQ(FindKey(table, 'Q', nullptr), 2);
  EXPECT_EQ(FindKey(table, 'a', nullptr), 0);
  expectLookupsAgreeWithTheEntries(table);
}

// ---------------------------------------------------------------------------
// Waiting for a build: the sleep is the test's, so nothing really sleeps.

struct SleepLog {
  KeyTable* table = nullptr;
  int calls = 0;
  int totalMs = 0;
  int clearAfter = -1;  // never
} sleepLog;

void fakeSleep(int milliseconds) {
  ++sleepLog.calls;
  sleepLog.totalMs += milliseconds;
  if (sleepLog.calls == sleepLog.clearAfter) sleepLog.table->rebuilding.store(false);
}

TEST(FindKeyWaits, WhileTheTableIsRebuilt) {
  const struct {
    const char* name;
    bool flagSet;
    int clearAfter;
    int expectedSleeps;
  } rows[] = {
      {"flag clear: no wait", false, -1, 0},
      {"cleared by the third sleep", true, 3, 3},
      {"cleared by the first sleep", true, 1, 1},
      {"never cleared: bounded", true, -1, kRebuildPollLimit},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    KeyTable table;
    RebuildKeyTable(table);
    table.rebuilding.store(row.flagSet);
    sleepLog = {&table, 0, 0, row.clearAfter};
    const int index = FindKey(table, 'Z', fakeSleep);
    EXPECT_EQ(sleepLog.calls, row.expectedSleeps);
    EXPECT_EQ(sleepLog.totalMs, row.expectedSleeps * 10);
    EXPECT_EQ(entry(table, index).ch, 'Z');
  }
}

TEST(FindKeyWaits, TheBuildGuardClearsTheFlagOnEveryWayOut) {
  KeyTable table;
  try {
    const KeyTableBuild build(table);
    EXPECT_TRUE(table.rebuilding.load());
    throw 1;
  } catch (int) {
  }
  EXPECT_FALSE(table.rebuilding.load());
}

// ---------------------------------------------------------------------------

// Two independent definitions of the same idea: the fixed rule of the text
// model and the lookup in the key table. They differ by design in two places,
// listed here; any other difference means one of them is wrong.
TEST(KeystrokeWeight, AgreesWithTheTextModelExceptKnownBytes) {
  KeyTable table;
  RebuildKeyTable(table);
  std::map<int, std::pair<int, int>> expected;  // byte -> {countKeystrokes, KeystrokeWeight}
  // Control characters: the text model counts them as nothing, the keyboard
  // has no key for them.
  for (int b = 0; b < 32; ++b) {
    if (b != '\r') expected[b] = {0, 3};
  }
  // Third-level characters: three keystrokes for the text model, one
  // modifier (weight 2) for the key table.
  for (unsigned char b : {'@', '[', ']', '{', '}', '\\', '|', '~'}) expected[b] = {3, 2};
  for (int b : {0x80, 0xB2, 0xB3, 0xB5}) expected[b] = {3, 2};

  std::map<int, std::pair<int, int>> actual;
  for (int b = 0; b < 256; ++b) {
    const int text = countKeystrokes(static_cast<unsigned char>(b));
    const int keys = KeystrokeWeight(table, static_cast<unsigned char>(b));
    if (text != keys) actual[b] = {text, keys};
  }
  EXPECT_EQ(actual, expected);
}

// ---------------------------------------------------------------------------

TEST_F(FindKeyTest, LitRectanglesPerModifier) {
  const struct {
    unsigned char ch;
    std::vector<KeyRect> keys;
    std::vector<KeyRect> modifiers;
  } rows[] = {
      {'a', {rectFor(2, 1)}, {}},
      {'Z', {rectFor(1, 6)}, {rectFor(3, 0)}},
      {'T', {rectFor(1, 5)}, {rectFor(3, 12)}},
      {'{', {rectFor(0, 7)}, {rectFor(4, 0), rectFor(4, 1)}},
      {'@', {rectFor(1, 1)}, {rectFor(4, 3)}},
      {' ', {rectFor(4, 2)}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "byte " << int(row.ch));
    const LitRects lit = LitRectsOf(table, FindKey(table, row.ch));
    EXPECT_EQ(std::vector<KeyRect>(lit.keys.begin(), lit.keys.begin() + lit.keyCount), row.keys);
    EXPECT_EQ(std::vector<KeyRect>(lit.modifiers.begin(), lit.modifiers.begin() + lit.modifierCount),
              row.modifiers);
  }
}

TEST_F(FindKeyTest, LitEnterIsBothPartsWithoutTheRowGap) {
  const LitRects lit = LitRectsOf(table, FindKey(table, '\r'));
  ASSERT_EQ(lit.keyCount, 2);
  EXPECT_EQ(lit.modifierCount, 0);
  EXPECT_EQ(lit.keys[0], rectFor(2, 13));
  KeyRect upper = rectFor(1, 13);
  upper.bottom = rectFor(2, 13).top;
  EXPECT_EQ(lit.keys[1], upper);
  EXPECT_EQ(table.EnterUpperRect, rectFor(1, 13)) << "lighting must not change the table";
}

TEST_F(FindKeyTest, NothingLitWithoutAKey) {
  for (int index : {0, -1, table.count + 1}) {
    const LitRects lit = LitRectsOf(table, index);
    EXPECT_EQ(lit.keyCount + lit.modifierCount, 0) << index;
  }
}

// ---------------------------------------------------------------------------

TEST(CheckKeyboardLayout, OnlyIdentifiersEndingIn407) {
  const struct {
    const char* id;
    bool supported;
  } rows[] = {
      {"00000407", true},  {"00010407", true},  {"00020407", true}, {"00000807", false},
      {"00000409", false}, {"0000040", false},  {"407", false},     {"", false},
      {"000004070", false}, {"00000C07", false},
  };
  for (const auto& row : rows) EXPECT_EQ(CheckKeyboardLayout(row.id), row.supported) << row.id;
}

TEST(CheckKeyboardLayout, WarningTextIsExact) {
  std::string text = w1252(
      "Das aktuell gewählte Tastaturlayout wird von dieser Version von %s nicht unterstützt. "
      "Bitte wählen Sie in der Systemsteuerung eines der folgenden Tastaturlayouts : "
      "Deutsch (Deutschland), Deutsch (Österreich)");
  text.replace(text.find("%s"), 2, "Klavento 7");
  EXPECT_EQ(std::string(kLayoutWarning), text);
  EXPECT_EQ(std::string(kLayoutWarningCaption), "Klavento 7");
}

}  // namespace
}  // namespace kv
