// ORB::String, MsgHandler and SETASIMTYPE: validity, substrings, put_at, case mapping,
// concatenation and comparison; the handler's switches; the settings record's defaults.
#include "foundation/orb_string.h"

#include <gtest/gtest.h>

#include <cstring>

#include "foundation/msg_handler.h"
#include "foundation/setasim.h"

using ORB::String;

TEST(OrbString, ValidityAndConstruction) {
  String none;
  EXPECT_FALSE(none.valid());
  EXPECT_TRUE(!none);
  EXPECT_EQ(static_cast<const char*>(none), nullptr);
  EXPECT_STREQ(none.c_str(), "");
  EXPECT_FALSE(String(static_cast<const char*>(nullptr)).valid());

  String empty("");
  EXPECT_TRUE(empty.valid());
  EXPECT_EQ(empty.length(), 0u);

  EXPECT_EQ(String("abcdef", 3), "abc");
  EXPECT_EQ(String("ab\0cd", 5).length(), 2u);  // stops at the terminator
  EXPECT_EQ(String('x', 3), "xxx");
  EXPECT_TRUE(String('x', 0).valid());
  EXPECT_FALSE(String('x', String::kAll).valid());  // too long: holds nothing, no crash

  String copy(none);
  EXPECT_FALSE(copy.valid());  // a copy keeps "holds nothing"
}

TEST(OrbString, Substrings) {
  String s("hello");
  EXPECT_EQ(String(s, 1, 3), "ell");
  EXPECT_EQ(String(s, 2, String::kAll), "llo");
  EXPECT_EQ(String(s, 3, 100), "lo");
  EXPECT_EQ(String(s, 0, 0), "");
  String beyond(s, 9, 2);
  EXPECT_TRUE(beyond.valid());
  EXPECT_EQ(beyond.length(), 0u);
  EXPECT_TRUE(String(s, 5, 1).valid());
  EXPECT_FALSE(String(String(), 0, 1).valid());
}

TEST(OrbString, PutAtAndIndexing) {
  String s("ab");
  s.put_at(0, 'x');
  EXPECT_EQ(s, "xb");
  s.put_at(2, 'c');  // at the length: appended
  EXPECT_EQ(s, "xbc");
  EXPECT_EQ(s.length(), 3u);
  s.put_at(5, 'z');  // beyond: nothing changes
  EXPECT_EQ(s, "xbc");

  String none;
  none.put_at(0, 'q');
  EXPECT_EQ(none, "q");

  EXPECT_EQ(s[1], 'b');
  s(1) = 'y';
  EXPECT_EQ(s, "xyc");
  s[10] = 'k';  // out of range: a scratch character, the string is untouched
  EXPECT_EQ(s, "xyc");
  const String& cs = s;
  EXPECT_EQ(cs[3], '\0');
  EXPECT_EQ(cs(100), '\0');
}

TEST(OrbString, CaseMapping) {
  String s("Hello, World 42\xE9");
  EXPECT_EQ(s.upper(), "HELLO, WORLD 42\xE9");
  EXPECT_EQ(s.lower(), "hello, world 42\xE9");
  EXPECT_EQ(s, "Hello, World 42\xE9");  // the original is unchanged
  EXPECT_FALSE(String().upper().valid());
}

TEST(OrbString, AssignmentAndConcatenation) {
  String a("abc");
  a = a;  // self-assignment keeps the text
  EXPECT_EQ(a, "abc");
  a += a;
  EXPECT_EQ(a, "abcabc");
  a += "d";
  EXPECT_EQ(a, "abcabcd");
  a = static_cast<const char*>(nullptr);
  EXPECT_FALSE(a.valid());
  a += String("x");
  EXPECT_EQ(a, "x");

  String b = String("x") + "y";
  EXPECT_EQ(b, "xy");
  EXPECT_EQ("<" + b + ">", "<xy>");
  EXPECT_EQ(String() + String(), "");
  EXPECT_TRUE((String() + String()).valid());

  String big;
  for (int i = 0; i < 1000; ++i) big += "0123456789";
  EXPECT_EQ(big.length(), 10000u);
  EXPECT_EQ(std::strlen(big.c_str()), 10000u);

  String moved(std::move(b));
  EXPECT_EQ(moved, "xy");
}

TEST(OrbString, Comparison) {
  EXPECT_TRUE(String("abc") == "abc");
  EXPECT_TRUE("abc" == String("abc"));
  EXPECT_FALSE(String("abc") == "abd");
  EXPECT_FALSE(String("ab") == String("abc"));
  EXPECT_TRUE(String() == "");
  EXPECT_TRUE(String("ab") < String("abc"));
  EXPECT_TRUE(String("abc") < "abd");
  EXPECT_TRUE("ab" < String("b"));
  EXPECT_FALSE(String("b") < String("b"));
  EXPECT_TRUE(String("a") < String("\xE9"));  // bytes compare unsigned
}

TEST(MsgHandler, Switches) {
  ORB::MsgHandler h(3, false, true, 7);
  EXPECT_EQ(h.Indent(), 3);
  EXPECT_EQ(h.Protect2(), 7);
  EXPECT_TRUE(h.LogFile());
  EXPECT_FALSE(h.LogFile());  // twice: back to the first state
  EXPECT_FALSE(h.LogWindow());
  EXPECT_TRUE(h.LogWindow(true));
  EXPECT_FALSE(h.LogFile(false));
  ORB::MsgHandler copy;
  copy = h;
  EXPECT_EQ(copy.Indent(), 3);
  EXPECT_TRUE(copy.LogWindow(true));
}

TEST(Setasim, DefaultsAndSetters) {
  SETASIMTYPE s;
  EXPECT_EQ(s.get_modul(), 0);
  EXPECT_EQ(s.get_output(), 1);
  EXPECT_EQ(s.get_trafo(), 0);
  EXPECT_EQ(s.get_skala(), 0.0);
  EXPECT_EQ(s.get_faktor(), 0.0);
  s.set_motsf(4, 2, 3, 100.0, 0.5);
  EXPECT_EQ(s.get_modul(), 4);
  EXPECT_EQ(s.get_trafo(), 3);
  EXPECT_EQ(s.get_faktor(), 0.5);
  SETASIMTYPE t(1, 2, 3, 4.0, 5.0);
  t.set_skala(9.0);
  EXPECT_EQ(t.get_skala(), 9.0);
  EXPECT_EQ(t.get_output(), 2);
}
