#include "core/Text.h"

#include <gtest/gtest.h>

TEST(Text, Cp1252DecodesTheWindowsRangeAndLatin1) {
  struct {
    std::string bytes;
    std::string utf8;
  } cases[] = {
      {"NES", "NES"},
      {"\x80", "€"},
      {"\x8A\x9F", "ŠŸ"},
      {"\x93x\x94", "“x”"},
      {"\x99", "™"},
      {"\xE7\xE3", "çã"},
      {"\xA0\xFF", "\xC2\xA0ÿ"},
      {"\x81\x9D", "\xC2\x81\xC2\x9D"},  // unassigned: the control character of that number
      {std::string("P\0K", 3), std::string("P\0K", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(Cp1252ToUtf8(c.bytes), c.utf8) << c.utf8;
}

TEST(Text, SanitizeKeepsValidUtf8AndReplacesEachBadByte) {
  struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"jogo.nes", "jogo.nes"},
      {"ação 🎮.nes", "ação 🎮.nes"},
      {"a\xE7o", "a\uFFFDo"},                            // Latin-1 byte
      {"\xC3", "\uFFFD"},                                // cut short at the end
      {"\xC0\xAF", "\uFFFD\uFFFD"},                      // overlong slash
      {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},            // surrogate
      {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\x80x", "\uFFFDx"},                              // stray continuation byte
  };
  for (const auto& c : cases) EXPECT_EQ(SanitizeUtf8(c.in), c.out) << c.in;
}
