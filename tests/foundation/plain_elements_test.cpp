#include "foundation/plain_elements.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "foundation/byte_order.h"
#include "foundation/record_image.h"

namespace {

template <class T>
std::vector<unsigned char> image_of(const T& record) {
  std::vector<unsigned char> image(T::kImageSize);
  dlist::to_plain_image(record, image.data());
  return image;
}

double f64_at(const std::vector<unsigned char>& image, std::size_t offset) {
  return std::bit_cast<double>(dlist::load_le64(&image[offset]));
}

}  // namespace

TEST(WallRecord, FlagBitsKeepTheirPlaces) {
  DBWALLTYPE w;
  w.flags = 3;
  w.set_szerk_flags(1, 0, 0, 0, 0, 1);
  EXPECT_EQ(w.flags, 135);
  EXPECT_EQ(w.mirrored(), 1);
  EXPECT_EQ(w.szerk_valid(), 1);
  int f[6] = {9, 9, 9, 9, 9, 9};
  w.szerk_flags(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5]);
  EXPECT_EQ(f[0], 1);
  EXPECT_EQ(f[1], 0);
  EXPECT_EQ(f[5], 1);
  w.set_mirrored(0);
  w.set_szerk_valid(0);
  EXPECT_EQ(w.flags, 132);
  w.set_szerk_flags(0, 0, 0, 0, 0, 0);
  EXPECT_EQ(w.flags, 0);
}

TEST(DoorRecord, DimensionModeAndReferenceCircleRules) {
  DBDOORTYPE d;
  d.SetDimOwnMode(0);
  EXPECT_EQ(d.dim_mode_stored(), 3);
  EXPECT_EQ(d.DimOwnMode(), 0);
  std::vector<unsigned char> image = image_of(d);
  image[68] = 5;  // the stored mode byte
  dlist::from_plain_image(d, image.data());
  EXPECT_EQ(d.DimOwnMode(), 2);

  d.SetRefCircRadius(2.5);
  EXPECT_FALSE(d.IsRefCircDivided());
  d.SetRefCircDivided(true);
  EXPECT_EQ(d.refcirc_stored(), -2.5);
  EXPECT_EQ(d.RefCircRadius(), 2.5);
  EXPECT_TRUE(d.IsRefCircDivided());
  d.SetRefCircRadius(4.0);
  EXPECT_EQ(d.refcirc_stored(), -4.0);
  d.SetRefCircDivided(false);
  EXPECT_EQ(d.refcirc_stored(), 4.0);
  d.SetRefCircRadius(0.0);
  d.SetRefCircDivided(true);  // a zero radius reads as not divided
  EXPECT_FALSE(d.IsRefCircDivided());
}

TEST(PlainRecords, ImagesHoldTheirFieldsAtTheDocumentedOffsets) {
  DBDOORTYPE d;
  d.recid = RECIDTYPE(0x01020304, 9);
  d.wall = 77;
  d.set_eltol(COORD3D(1.5, 2.5, 3.5));
  d.set_zangle(0.25);
  d.SetRefCircRadius(6.0);
  d.set_nhotspot(2);
  d.set_hotspot(1, COORD3D(7.0, 8.0, 9.0));
  d.palette.layer = 42;
  d.palette.origname.set("Door 1");
  d.set_common_param(DOOR_HEIGHT, 2.1);
  d.set_param(3, 0.75);
  const std::vector<unsigned char> image = image_of(d);
  EXPECT_EQ(dlist::load_le32(&image[2]), 0x01020304u);  // record identifier
  EXPECT_EQ(dlist::load_le16(&image[6]), 9u);           // its type
  EXPECT_EQ(dlist::load_le32(&image[8]), 77u);          // wall
  EXPECT_EQ(f64_at(image, 20), 1.5);                    // eltol.x
  EXPECT_EQ(f64_at(image, 60), 0.25);                   // z angle
  EXPECT_EQ(f64_at(image, 69), 6.0);                    // reference circle
  EXPECT_EQ(dlist::load_le16(&image[77]), 2u);          // hotspot count
  EXPECT_EQ(f64_at(image, 79 + 24), 7.0);               // hotspot 1
  EXPECT_EQ(image[799], 42);                            // palette: layer
  EXPECT_EQ(std::memcmp(&image[813], "Door 1", 7), 0);  // palette: library part
  EXPECT_EQ(f64_at(image, 877 + 8), 2.1);               // palette: common parameter 1
  EXPECT_EQ(dlist::load_le16(&image[941]), 4u);         // palette: parameter count
  EXPECT_EQ(f64_at(image, 943 + 3 * 8), 0.75);          // palette: parameter 3
  EXPECT_EQ(d.param(3), 0.75);
  EXPECT_EQ(d.param(4), 0.0);
  EXPECT_FALSE(d.set_param(LIBPARAMS::kCapacity, 1.0));

  DBWALLTYPE w;
  w.palette.layer = 7;
  w.palette.retegezes.count = 2;
  EXPECT_EQ(image_of(w)[309], 7);
  EXPECT_EQ(image_of(w)[309 + 14], 2);  // layer structure count
  DBLINETYPE l;
  l.palette.layer = 8;
  EXPECT_EQ(image_of(l)[42], 8);
  DBCIRCTYPE c;
  c.set_fajta(ELLIPSE_ARC);
  c.palette.layer = 9;
  EXPECT_EQ(c.fajta(), ELLIPSE_ARC);
  EXPECT_EQ(image_of(c)[7], ELLIPSE_ARC);
  EXPECT_EQ(image_of(c)[161], 9);
  DBHOTSTYPE h;
  h.palette.layer = 10;
  EXPECT_EQ(image_of(h)[35], 10);
}

TEST(PlainRecords, CopiesAndComparisonsAreByBytes) {
  DBWINDTYPE a;
  a.palette.origname.set("Window");
  a.set_xangle(1.0);
  DBWINDTYPE b;
  EXPECT_FALSE(a == b);
  EXPECT_TRUE(b.full_copy(a));
  EXPECT_TRUE(a == b);
  EXPECT_EQ(b.xangle(), 1.0);
  EXPECT_EQ(a.hotspot(5), COORD3D());  // beyond the count
}
