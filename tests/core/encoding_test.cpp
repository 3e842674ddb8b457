#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Encoding, UmlautsAndEuroRoundTripThroughUtf8AndUtf16) {
  const std::string utf8 = "Übung: Grüße, 5 € – „gut“";
  const auto cp = utf8ToCp1252(utf8);
  ASSERT_TRUE(cp.has_value());
  EXPECT_EQ(static_cast<unsigned char>((*cp)[0]), 0xDC);  // Ü
  EXPECT_NE(cp->find('\x80'), std::string::npos);        // €
  EXPECT_NE(cp->find('\x96'), std::string::npos);        // en dash
  EXPECT_EQ(cp1252ToUtf8(*cp), utf8);
  const std::u16string wide = cp1252ToUtf16(*cp);
  EXPECT_EQ(wide[0], u'Ü');
  EXPECT_EQ(utf16ToCp1252(wide), cp);
}

TEST(Encoding, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
  EXPECT_EQ(utf16ToCp1252(cp1252ToUtf16(all)), all);
}

TEST(Encoding, CharactersOutsideTheCodePageAreReportedWithTheirPosition) {
  ConversionError error;
  EXPECT_FALSE(utf8ToCp1252("abč", &error).has_value());
  EXPECT_EQ(error.character, 2u);
  EXPECT_EQ(error.offset, 2u);
  EXPECT_EQ(error.codePoint, U'č');
  EXPECT_FALSE(error.malformed);

  EXPECT_FALSE(utf8ToCp1252("äö😀", &error).has_value());
  EXPECT_EQ(error.character, 2u);
  EXPECT_EQ(error.offset, 4u);
  EXPECT_EQ(error.codePoint, U'😀');

  EXPECT_FALSE(utf16ToCp1252(u"x\u0416", &error).has_value());
  EXPECT_EQ(error.character, 1u);
  EXPECT_EQ(error.codePoint, U'\u0416');
}

TEST(Encoding, MalformedInputIsRefusedNotGuessed) {
  ConversionError error;
  const char* bad[] = {"\xC3", "a\xC3(", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                       "\xFF"};
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(utf8ToCp1252(text, &error).has_value());
    EXPECT_TRUE(error.malformed);
    EXPECT_FALSE(isValidUtf8(text));
  }
  EXPECT_FALSE(utf16ToCp1252(std::u16string(1, char16_t(0xD800)), &error).has_value());
  EXPECT_TRUE(error.malformed);
  EXPECT_TRUE(isValidUtf8(""));
  EXPECT_TRUE(isValidUtf8("Grüße"));
}

// Long stretches of plain ASCII are taken in blocks; whatever follows or
// interrupts them, at any distance from a block's edge, must come out as if
// the text were read character by character.
TEST(Encoding, AsciiStretchesOfEveryLengthAroundOtherCharacters) {
  for (std::size_t before = 0; before <= 18; ++before) {
    for (std::size_t after = 0; after <= 10; after += 5) {
      SCOPED_TRACE(testing::Message() << before << " before, " << after << " after");
      const std::string head(before, 'a');
      const std::string tail(after, 'z');
      EXPECT_EQ(utf8ToCp1252(head + "\xC3\xA4" + tail), head + "\xE4" + tail);
      EXPECT_EQ(cp1252ToUtf8(head + "\x80" + tail), head + "\xE2\x82\xAC" + tail);
      EXPECT_EQ(cp1252ToUtf8(head + tail), head + tail);
      EXPECT_TRUE(isValidUtf8(head + "\xE2\x82\xAC" + tail));
      EXPECT_FALSE(isValidUtf8(head + "\xE2\x82" + tail));
      EXPECT_FALSE(isValidUtf8(head + "\x80" + tail));

      ConversionError error;
      EXPECT_FALSE(utf8ToCp1252(head + "\xC3\xA4" + "\xC4\x8D" + tail, &error).has_value());
      EXPECT_EQ(error.offset, before + 2);
      EXPECT_EQ(error.character, before + 1);
      EXPECT_EQ(error.codePoint, U'\u010D');
      EXPECT_FALSE(utf8ToCp1252(head + "\xC3" + tail, &error).has_value());
      EXPECT_EQ(error.offset, before);
      EXPECT_TRUE(error.malformed);
    }
  }
}

TEST(Encoding, LiteralHelperGivesWindows1252Bytes) {
  EXPECT_EQ(w1252("März"), std::string("M\xE4rz"));
  EXPECT_EQ(w1252("Übungsform"), std::string("\xDC") + "bungsform");
}

}  // namespace
}  // namespace kv
