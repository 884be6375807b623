// The code pages of stored texts: every byte round-trips through UTF-8, characters
// outside the code page and malformed UTF-8 are refused with their reason, and
// control characters are escaped for the terminal.

#include "foundation/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using dlist::CodePage;

TEST(CodePageTest, EveryByteRoundTripsThroughUtf8) {
  for (const CodePage* page : {&CodePage::windows_1252(), &CodePage::latin1()}) {
    SCOPED_TRACE(page->name());
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string utf8 = page->to_utf8(all);
    std::string error;
    const auto back = page->from_utf8(utf8, &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(*back, all);
  }
  const CodePage& cp = CodePage::windows_1252();
  EXPECT_EQ(cp.to_utf8("Caf\xE9 \x80 \x9F"), "Caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8");
  // The undefined bytes stand for the C1 controls of their value.
  for (const unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(cp.decode(b), b);
  EXPECT_EQ(cp.encode(0x80), -1) << "U+0080 has no byte in Windows-1252";
  EXPECT_EQ(CodePage::latin1().to_utf8("\x80"), "\xC2\x80");
  EXPECT_EQ(CodePage::named("CP1252"), &cp);
  EXPECT_EQ(CodePage::named("Latin1"), &CodePage::latin1());
  EXPECT_EQ(CodePage::named("utf-8"), nullptr);
}

TEST(CodePageTest, RefusesWhatItCannotHoldWithTheReason) {
  const CodePage& cp = CodePage::windows_1252();
  struct Case {
    std::string text;
    std::string says;
  };
  const Case cases[] = {
      {"\xC5\x90", "the character \"\xC5\x90\" (U+0150) has no place in the code page windows-1252"},
      {"a\xF0\x9F\x98\x80", "(U+1F600) has no place"},
      {"ab\xE9", "byte 0xE9 at position 3 is not UTF-8"},        // a Latin-1 byte
      {"\xC0\x80", "byte 0xC0 at position 1 is not UTF-8"},      // overlong zero
      {"\xED\xA0\x80", "byte 0xED at position 1 is not UTF-8"},  // a surrogate
      {"\x80x", "byte 0x80 at position 1 is not UTF-8"},         // a lone continuation
      {"x\xE2\x82", "byte 0xE2 at position 2 is not UTF-8"},     // cut short
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(cp.from_utf8(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
  std::string error;
  EXPECT_FALSE(CodePage::latin1().from_utf8("\xE2\x82\xAC", &error)) << "no euro in Latin-1";
}

TEST(CodePageTest, TerminalTextEscapesControlsAndFollowsTheSetting) {
  EXPECT_EQ(dlist::escape_controls("a\x1B[2J\nb\tc\x7F"), "a\\x1B[2J\\x0Ab\\x09c\\x7F");
  EXPECT_EQ(dlist::escape_controls("\xC2\x85 \xC3\xA9 \xFF"), "\\x85 \xC3\xA9 \\xFF");
  EXPECT_EQ(dlist::shown_text("W\x1B\x81\xE9"), "W\\x1B\\x81\xC3\xA9");
  // A message in UTF-8 (a typed path) stays; one with stored bytes is converted.
  EXPECT_EQ(dlist::shown_message("/tmp/\xC3\xA9.pal"), "/tmp/\xC3\xA9.pal");
  EXPECT_EQ(dlist::shown_message("node 'Caf\xE9\x1B'\r\nline 2"),
            "node 'Caf\xC3\xA9\\x1B'\\x0D\nline 2");

  EXPECT_EQ(dlist::utf8_text("\x80"), "\xE2\x82\xAC");
  {
    dlist::TextCodePageScope latin1(CodePage::latin1());
    EXPECT_EQ(dlist::utf8_text("\x80"), "\xC2\x80");
  }
  EXPECT_EQ(&dlist::text_code_page(), &CodePage::windows_1252());
}

}  // namespace
