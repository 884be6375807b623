// The string table, LoadStr and the checked completion of message texts.
#include "host/resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(StringTable, IdsAreSortedUniqueAndEveryTextIsFound) {
  auto table = dlist::string_table();
  ASSERT_GT(table.size(), 400u);
  for (size_t i = 0; i < table.size(); ++i) {
    ASSERT_NE(table[i].text, nullptr);
    EXPECT_GT(std::strlen(table[i].text), 0u) << table[i].id;
    if (i > 0) {
      EXPECT_LT(table[i - 1].id, table[i].id) << "at " << table[i].id;
    }
    EXPECT_EQ(dlist::find_string(table[i].id), table[i].text) << table[i].id;
    // The number just past an entry is found only when it is the next entry.
    bool next_is_entry = i + 1 < table.size() && table[i + 1].id == table[i].id + 1;
    EXPECT_EQ(dlist::find_string(table[i].id + 1) != nullptr, next_is_entry) << table[i].id;
  }
  EXPECT_EQ(dlist::find_string(0), nullptr);
  EXPECT_EQ(dlist::load_string(99999), "");
}

// Texts that end up in fixed-size record fields or are compared with stored names.
TEST(StringTable, TextsFitTheFieldsTheyFill) {
  auto fits = [](unsigned id, size_t max) {
    const char* text = dlist::find_string(id);
    return text != nullptr && std::strlen(text) <= max;
  };
  for (unsigned id : {22264u, 22265u, 20410u, 20411u, 20412u, 20413u, 20414u, 20423u}) {
    EXPECT_TRUE(fits(id, 31)) << id;  // node and group names
  }
  for (unsigned id : {438u, 439u, 447u, 456u, 466u, 16621u, 16622u, 16623u, 16662u, 16665u}) {
    EXPECT_TRUE(fits(id, 24)) << id;  // dimension, unit and long text names
  }
  for (unsigned id = 440; id <= 465; ++id) {
    if (id == 447 || id == 456) continue;
    if (dlist::find_string(id)) {
      EXPECT_TRUE(fits(id, 4)) << id;  // unit abbreviations
    }
  }
  for (unsigned id = 16259; id <= 16272; ++id) EXPECT_TRUE(fits(id, 6)) << id;  // field keys
  EXPECT_STREQ(dlist::find_string(16621), dlist::find_string(447));  // one name per dimension
}

TEST(LoadStr, CopiesTruncatesAndLeavesUnknownIdsEmpty) {
  char buffer[8];
  EXPECT_EQ(LoadStr(nullptr, 36, buffer, sizeof buffer), 2);
  EXPECT_STREQ(buffer, "OK");

  EXPECT_EQ(LoadStr(nullptr, 22238, buffer, 5), 4);  // "Palette manager" cut to 4
  EXPECT_STREQ(buffer, "Pale");
  EXPECT_EQ(LoadStr(nullptr, 36, buffer, 1), 0);
  EXPECT_STREQ(buffer, "");

  std::memcpy(buffer, "xxxxxxx", 8);
  EXPECT_EQ(LoadStr(nullptr, 1, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");

  std::memcpy(buffer, "xxxxxxx", 8);
  EXPECT_EQ(LoadStr(nullptr, 36, buffer, 0), 0);
  EXPECT_EQ(LoadStr(nullptr, 36, buffer, -3), 0);
  EXPECT_EQ(LoadStr(nullptr, 36, nullptr, 8), 0);
  EXPECT_STREQ(buffer, "xxxxxxx");
}

TEST(FormatText, CompletesPlaceholdersThatFitTheirArguments) {
  EXPECT_EQ(dlist::format_text("%d items in %s", {3, "Walls"}), "3 items in Walls");
  EXPECT_EQ(dlist::format_text("[%5d|%-4s|%05ld|%x|%X|%c|%%]", {42, "ab", -7L, 255, 255u, 'Q'}),
            "[   42|ab  |-0007|ff|FF|Q|%]");
  EXPECT_EQ(dlist::format_text("%.2s/%4.1s", {std::string("abcdef"), std::string_view("xyz")}),
            "ab/   x");
  EXPECT_EQ(dlist::format_text("%u", {-1}), "4294967295");  // the target's 32-bit unsigned
  EXPECT_EQ(dlist::format_text("%s", {static_cast<const char*>(nullptr)}), "(null)");
  EXPECT_EQ(dlist::format_text("no placeholders", {}), "no placeholders");
}

TEST(FormatText, RefusesTextsThatDoNotFitAndFallsBackToTheBareText) {
  const std::string refused[] = {"%s", "%d %d",   "%n",       "%p",    "%f", "%*d",
                                 "%",  "%12345d", "%.99999s", "%lld%", "%hs"};
  for (const std::string& text : refused) {
    EXPECT_FALSE(dlist::try_format_text(text, std::initializer_list<dlist::FormatArg>{7})) << text;
    EXPECT_EQ(dlist::format_text(text, {7}), text);
  }
  EXPECT_FALSE(dlist::try_format_text("%d", std::initializer_list<dlist::FormatArg>{"seven"}));
  EXPECT_FALSE(dlist::try_format_text("plain", std::initializer_list<dlist::FormatArg>{1}));
}

TEST(FormatMessage, CompletesTableTexts) {
  EXPECT_EQ(dlist::format_message(21691, 12), "Error 12 in the import file.");
  EXPECT_EQ(dlist::format_message(21692, 59, std::string("dim:A;B")),
            "Error 59 in the dimension line:\ndim:A;B");
  EXPECT_EQ(dlist::format_message(21691, "twelve"), dlist::load_string(21691));
  EXPECT_EQ(dlist::format_message(36), "OK");
  EXPECT_EQ(dlist::format_message(1, 5), "");
}
