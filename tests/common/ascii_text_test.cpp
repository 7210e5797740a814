// The shared ASCII helpers: only A-Z change case, whatever the locale; the trims stop at the
// first kept character on each side and keep inner blanks.
#include "common/ascii_text.h"

#include <gtest/gtest.h>

#include <clocale>

namespace tallowin {
namespace {

TEST(AsciiText, CaseTouchesOnlyAsciiLetters) {
  EXPECT_EQ(LowerAscii("MiXeD-Case_09 @[`{"), "mixed-case_09 @[`{");
  // Bytes above 127 (UTF-8 "Ä", Latin-1 "É") pass through even in a locale that would map them.
  std::setlocale(LC_ALL, "C.UTF-8");
  EXPECT_EQ(LowerAscii("\xC3\x84\xC9Z"), "\xC3\x84\xC9z");
  std::setlocale(LC_ALL, "C");
  EXPECT_TRUE(SameTextAscii("LibX264", "libx264"));
  EXPECT_TRUE(SameTextAscii("", ""));
  EXPECT_FALSE(SameTextAscii("libx264", "libx26"));
  EXPECT_FALSE(SameTextAscii("[", "{"));  // 0x5B and 0x7B differ by the case bit, not letters
  EXPECT_FALSE(SameTextAscii("\xC9", "\xE9"));
}

TEST(AsciiText, TrimAsciiTakesTheGivenBlanksOffBothEnds) {
  EXPECT_EQ(TrimAscii("  \t a b \r\n"), "a b");
  EXPECT_EQ(TrimAscii(" \t\r\n"), "");
  EXPECT_EQ(TrimAscii(""), "");
  EXPECT_EQ(TrimAscii("x"), "x");
  EXPECT_EQ(TrimAscii("\fx\v"), "\fx\v");  // not blanks by default
  EXPECT_EQ(TrimAscii("\f x \v", " \t\r\n\f\v"), "x");
  EXPECT_EQ(TrimAscii(" \t1 \n", " \t"), "1 \n");
}

TEST(AsciiText, TrimControlsTakesEveryByteUpToTheSpace) {
  EXPECT_EQ(TrimControls(std::string_view("\x01\x1f a\tb \x7f\x00", 9)), "a\tb \x7f");
  EXPECT_EQ(TrimControls(" \r\n\t\f\v"), "");
  EXPECT_EQ(TrimControls("!"), "!");
  EXPECT_EQ(TrimControls("\xA0x\xA0"), "\xA0x\xA0");  // bytes above 127 are kept
}

}  // namespace
}  // namespace tallowin
