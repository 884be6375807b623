// The fixed text fields: reading never passes the field, writing always leaves a
// terminator and no bytes of an earlier text.
#include "foundation/fixed_text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace dlist {
namespace {

TEST(FixedTextTest, ReadsUpToTheTerminatorOrTheFieldsEnd) {
  char field[4] = {'a', 'b', '\0', 'z'};
  EXPECT_EQ(field_text(field), "ab");
  char full[4] = {'w', 'x', 'y', 'z'};  // a record read from a file may hold no terminator
  EXPECT_EQ(field_string(full), "wxyz");
  EXPECT_EQ(field_text(full, 2), "wx");
}

TEST(FixedTextTest, WritesCutTerminatedAndZeroed) {
  char field[5];
  std::memset(field, 'q', sizeof field);
  put_field(field, "abcdefg");
  EXPECT_EQ(std::memcmp(field, "abcd", 5), 0);
  put_field(field, "x");
  EXPECT_EQ(std::memcmp(field, "x\0\0\0", 5), 0);
  set_field(field, sizeof field, static_cast<const char*>(nullptr));
  EXPECT_EQ(std::memcmp(field, "\0\0\0\0", 5), 0);

  char buffer[3] = {'p', 'p', 'p'};
  copy_cut(buffer, 0, "abc");  // no room: nothing written
  EXPECT_EQ(buffer[0], 'p');
  copy_cut(buffer, sizeof buffer, "abc");
  EXPECT_STREQ(buffer, "ab");
}

}  // namespace
}  // namespace dlist
