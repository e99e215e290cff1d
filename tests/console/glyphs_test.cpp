// What each screen byte puts on the terminal: never a control byte, never a
// broken UTF-8 sequence.
#include "platform/terminalglyphs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string glyph(uint8_t byte, bool utf8) {
  char out[4];
  return std::string(out, terminalGlyph(byte, utf8, out));
}

bool validUtf8Character(const std::string& s) {
  if (s.empty()) return false;
  unsigned char first = static_cast<unsigned char>(s[0]);
  size_t length = first < 0x80 ? 1 : (first & 0xE0) == 0xC0 ? 2 : (first & 0xF0) == 0xE0 ? 3 : 0;
  if (length != s.size()) return false;
  for (size_t i = 1; i < length; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return false;
  return true;
}

TEST(TerminalGlyphs, FrameBytesAreBoxDrawingInUtf8) {
  EXPECT_EQ(glyph(0xDA, true), "┌");
  EXPECT_EQ(glyph(0xC4, true), "─");
  EXPECT_EQ(glyph(0xC2, true), "┬");
  EXPECT_EQ(glyph(0xBF, true), "┐");
  EXPECT_EQ(glyph(0xB3, true), "│");
  EXPECT_EQ(glyph(0xC0, true), "└");
  EXPECT_EQ(glyph(0xC1, true), "┴");
  EXPECT_EQ(glyph(0xD9, true), "┘");
  EXPECT_EQ(glyph('A', true), "A");
}

TEST(TerminalGlyphs, EveryByteIsShownAsOneSafeCharacter) {
  for (int b = 0; b < 256; ++b) {
    std::string utf8 = glyph(static_cast<uint8_t>(b), true);
    EXPECT_TRUE(validUtf8Character(utf8)) << b;
    unsigned char first = static_cast<unsigned char>(utf8[0]);
    EXPECT_TRUE(first >= 0x20 && first != 0x7F) << b;
    // C1 controls (U+0080..U+009F) are not allowed either.
    if (utf8.size() == 2) {
      EXPECT_FALSE(first == 0xC2 && static_cast<unsigned char>(utf8[1]) < 0xA0) << b;
    }

    std::string plain = glyph(static_cast<uint8_t>(b), false);
    ASSERT_EQ(plain.size(), 1u);
    unsigned char c = static_cast<unsigned char>(plain[0]);
    EXPECT_TRUE((c >= 0x20 && c < 0x7F) || c >= 0xA0) << b;
  }
  // Control bytes are shown, with the glyphs of the PC character set.
  EXPECT_EQ(glyph(13, true), "♪");
  EXPECT_EQ(glyph(10, true), "◙");
  EXPECT_EQ(glyph(0, true), " ");
  EXPECT_EQ(glyph(13, false), "?");
  // Outside UTF-8 (the tests run in the C locale) nothing beyond ASCII.
  EXPECT_EQ(glyph(0xC4, false), "?");
  EXPECT_EQ(glyph(0xE9, false), "?");
}

}  // namespace
