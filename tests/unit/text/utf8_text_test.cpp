// Text leaving korva: UTF-8 kept, anything else read as Windows-1252, never invalid UTF-8 out.
#include "text/utf8_text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace korva::text {
namespace {

struct Utf8Case {
  const char* what;
  std::string bytes;
  std::string text;
};

const Utf8Case kCases[] = {
    {"ASCII", "hook_mesh", "hook_mesh"},
    {"UTF-8 kept", "\xE6\xB1\x89\xE5\xAD\x97 caf\xC3\xA9", "\xE6\xB1\x89\xE5\xAD\x97 caf\xC3\xA9"},
    {"four-byte UTF-8 kept", "\xF0\x9F\x90\xA6", "\xF0\x9F\x90\xA6"},
    {"a code page's double bytes", "\xB9\xFA", "\xC2\xB9\xC3\xBA"},
    {"Windows-1252 letters", "\x80\x8A\x9F\xE9", "\xE2\x82\xAC\xC5\xA0\xC5\xB8\xC3\xA9"},
    {"the five undefined bytes", "\x81\x8D\x8F\x90\x9D",
     "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
    {"one bad byte turns the whole text", "\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9"},
    {"overlong form", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
    {"surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
    {"past U+10FFFF", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
    {"cut short", "\xE6\xB1", "\xC3\xA6\xC2\xB1"},
    {"a zero byte stays", std::string("a\0b", 3), std::string("a\0b", 3)},
};

TEST(Utf8Text, KeepsUtf8AndReadsAnythingElseAsWindows1252) {
  for (const Utf8Case& c : kCases) {
    const std::string text = Utf8Text(c.bytes);
    EXPECT_EQ(text, c.text) << c.what;
    EXPECT_TRUE(IsUtf8(text)) << c.what;
    EXPECT_EQ(Utf8Text(text), text) << c.what;
  }
}

TEST(Utf8Text, EveryHighByteAloneBecomesOneCharacterOfItsOwn) {
  std::set<std::string> distinct;
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    const std::string text = Utf8Text(std::string(1, static_cast<char>(byte)));
    EXPECT_TRUE(IsUtf8(text)) << byte;
    EXPECT_GE(text.size(), 2u) << byte;
    distinct.insert(text);
  }
  EXPECT_EQ(distinct.size(), 128u);
}

}  // namespace
}  // namespace korva::text
