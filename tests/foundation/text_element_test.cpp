#include "foundation/text_element.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "foundation/byte_order.h"
#include "foundation/memory.h"

namespace {

DBTEXTTYPE sample_text() {
  DBTEXTTYPE t;
  EXPECT_TRUE(t.set_text("Room 12"));
  t.status = 1;
  t.set_tipus('T');
  t.set_xalign('L');
  t.set_yalign('B');
  t.set_alignment('A');
  t.set_pontszam();
  for (int i = 0; i < DBTEXTTYPE::kLocations; ++i) t.set_loc(i, COORD2D(i, 2 * i));
  t.set_tegla(1, COORD2D(5.0, 6.0));
  t.set_klikk(COORD2D(-1.0, -2.0));
  t.angle = 0.5;
  t.recid = RECIDTYPE(1234, 3);
  t.line_count = 2;
  t.palette.layer = 17;
  t.palette.justify = -3;
  t.palette.set_font("Sans");
  return t;
}

}  // namespace

TEST(TextRecord, ImageRoundTripWithAnEmptyPointerSlot) {
  const DBTEXTTYPE t = sample_text();
  unsigned char image[DBTEXTTYPE::kImageSize];
  std::memset(image, 0xEE, sizeof image);
  t.to_image(image);
  EXPECT_EQ(image[0], 1);                      // status
  EXPECT_EQ(dlist::load_le32(&image[1]), 0u);  // string pointer slot
  EXPECT_EQ(image[5], 'T');                    // tipus
  EXPECT_EQ(image[8], 'A');                    // alignment
  EXPECT_EQ(dlist::load_le16(&image[9]), 9u);  // point count
  EXPECT_EQ(std::bit_cast<double>(dlist::load_le64(&image[11 + 8 * 16 + 8])), 16.0);  // loc 8 y
  EXPECT_EQ(std::bit_cast<double>(dlist::load_le64(&image[187])), -1.0);  // click point x
  EXPECT_EQ(dlist::load_le32(&image[227]), 1234u);                        // record identifier
  EXPECT_EQ(image[245], 17);                                              // palette: layer
  EXPECT_EQ(std::memcmp(&image[249], "Sans", 5), 0);                      // palette: font

  DBTEXTTYPE back;
  ASSERT_TRUE(back.set_text("old"));
  back.from_image(image);
  EXPECT_FALSE(back.has_text());  // an image carries no text
  ASSERT_TRUE(back.set_text(t.text()));
  EXPECT_EQ(back, t);
  EXPECT_EQ(back.get_loc(4), COORD2D(4.0, 8.0));
  EXPECT_EQ(back.tegla(1), COORD2D(5.0, 6.0));
  EXPECT_EQ(back.palette.get_justify(), -3);
}

TEST(TextRecord, StringRulesAndDeepCopies) {
  DBTEXTTYPE t = sample_text();
  t.mod_char(0, 'r');
  t.mod_char(7, '!');  // at the length: nothing
  t.mod_char(-1, '!');
  EXPECT_STREQ(t.text(), "room 12");
  EXPECT_EQ(t.get_loc(9), COORD2D());

  DBTEXTTYPE copy(t);
  DBTEXTTYPE assigned;
  assigned = t;
  t.mod_char(1, 'X');
  EXPECT_STREQ(copy.text(), "room 12");
  EXPECT_STREQ(assigned.text(), "room 12");
  EXPECT_NE(copy.text(), t.text());

  t.zero_length();
  EXPECT_FALSE(t.has_text());
  EXPECT_EQ(t.text(), nullptr);

  DBTEXTTYPE keep = sample_text();
  {
    dlist::AllocationFailureScope fail(0);
    keep = copy;  // the string cannot be copied: nothing changes
  }
  EXPECT_STREQ(keep.text(), "Room 12");
}
