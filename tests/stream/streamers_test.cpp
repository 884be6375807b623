// The record streamers: exact bytes of the text buffer, the tree node, the outline
// headers and the symbol's identifier block; a round trip of every record kind; and
// damaged input (short blocks, inflated counts, memory that runs out), which must be
// refused with StreamError before anything large is allocated.
#include "stream/streamers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <utility>

#include "foundation/memory.h"

using ::testing::ElementsAre;
using Bytes = std::vector<unsigned char>;
using dlist::StreamError;

namespace {

// A plain record filled with a byte pattern that starts at seed.
template <class T>
T patterned(unsigned seed) {
  unsigned char image[sizeof(T)];
  for (std::size_t i = 0; i < sizeof image; ++i)
    image[i] = static_cast<unsigned char>(seed + 7 * i);
  T record;
  dlist::from_plain_image(record, image);
  return record;
}

void fill_points(DBPOLYPOINT* points, int n) {
  for (int i = 0; i < n; ++i) points[i] = DBPOLYPOINT{i + 0.5, -i - 0.25, 100 + i};
}

void fill_outline(DBMULTIPOLYGON& m, int clips, int points) {
  ASSERT_TRUE(m.set_sizes(clips, points));
  for (int i = 0; i < m.clip_index_count(); ++i) m.clip(i) = static_cast<int16_t>(2 * i);
  fill_points(m.points(), points);
  m.set_attr(77);
}

void fill_hotspots(HOTSPOTCHAIN& h) {
  ASSERT_TRUE(h.set_count(3));
  for (unsigned i = 0; i < 3; ++i) h[i] = COORD3D(i, i + 0.5, -1.0 * i);
}

DBCEILTYPE ceiling() {
  DBCEILTYPE c;
  c.status = 1, c.elevation = 2.5, c.hatch_origin = COORD2D(3, 4), c.frame_color = 5;
  c.show_3d = 6, c.reserved = 7, c.recid = RECIDTYPE(17, RT_CEIL);
  fill_outline(c.outline, 1, 5);
  c.palette = patterned<DBCEILPALETTE>(9);
  return c;
}

// A placed record with every streamed member set.
template <class T>
void place(T& r) {
  r.status = 2, r.mirror_y = 1, r.show_3d = 4;
  r.set_pos(COORD3D(1, 2, 3));
  r.set_eltol(COORD3D(-1, 0.5, 0));
  r.set_xangle(0.25), r.set_yangle(0.5), r.set_zangle(0.75);
  std::fill(std::begin(r.settings), std::end(r.settings), 9);
  r.recid = RECIDTYPE(17, T::rttype());
  fill_hotspots(r.hotspots);
  r.palette = patterned<decltype(r.palette)>(3);
}

template <class T>
struct Counting : T {
  void recalculate_geometry() override { ++calls; }
  int calls = 0;
};

// Equal when every streamed member, the owned part and the palette are equal.
template <class T>
bool same_streamed(T& a, T& b) {
  return dlist::stream_out(a) == dlist::stream_out(b) && a.owned_parts_equal(b) &&
         a.palette == b.palette;
}

// Written, counted and read back into a fresh record; the size is the sum of the
// members' widths, so a member left out shows.
template <class T, class Same>
void expect_round_trip(T& original, Same same, std::size_t size) {
  const Bytes bytes = dlist::stream_out(original);
  EXPECT_EQ(bytes.size(), size);
  EXPECT_EQ(dlist::streamed_size(original), bytes.size());
  T fresh;
  dlist::stream_in(fresh, bytes);
  EXPECT_TRUE(same(original, fresh));
}

const auto equal = [](const auto& a, const auto& b) { return a == b; };

template <class T>
void expect_plain_round_trip(unsigned seed) {
  T r = patterned<T>(seed);
  expect_round_trip(r, equal, T::kImageSize);
}

double double_at(const Bytes& b, std::size_t at) {
  return std::bit_cast<double>(dlist::load_le64(b.data() + at));
}

}  // namespace

TEST(Streamers, TextBufferIsLengthThenBlock) {
  TEXTBUFFER empty;
  EXPECT_THAT(dlist::stream_out(empty), ElementsAre(0, 0, 0, 0));
  TEXTBUFFER text("ab");
  EXPECT_THAT(dlist::stream_out(text), ElementsAre(3, 0, 0, 0, 'a', 'b', 0));
  dlist::stream_in(text, Bytes{0, 0, 0, 0});
  EXPECT_TRUE(text.empty());
  EXPECT_STREQ(text.get(), "");
}

TEST(Streamers, PaletteNodeLayout) {
  DBPALETTENODETYPE node;
  node.level = -2, node.kind = 1, node.set_name("Walls"), node.description.put("ab");
  const Bytes b = dlist::stream_out(node);
  ASSERT_EQ(b.size(), 45u);
  EXPECT_THAT(Bytes(b.begin(), b.begin() + 4), ElementsAre(0xFE, 0xFF, 1, 0));  // level -2, kind 1
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[4])), "Walls");        // name at 4
  EXPECT_TRUE(std::all_of(b.begin() + 9, b.begin() + 36, [](int c) { return c == 0; }));
  EXPECT_THAT(Bytes(b.begin() + 36, b.end()), ElementsAre(3, 0, 0, 0,  // description length 3 at 36
                                                          'a', 'b', 0,   // its bytes at 40
                                                          0xFF, 0xFF));  // last field -1 at 43
}

TEST(Streamers, MultiPolygonClipIndicesOnlyWithClips) {
  DBMULTIPOLYGON none, two;
  fill_outline(none, 0, 2);
  fill_outline(two, 2, 4);
  EXPECT_EQ(dlist::stream_out(none).size(), 8u + 2 * 20);
  const Bytes b = dlist::stream_out(two);
  ASSERT_EQ(b.size(), 8u + 3 * 2 + 4 * 20);
  EXPECT_THAT(Bytes(b.begin(), b.begin() + 14),
              ElementsAre(2, 0, 4, 0, 77, 0, 0, 0, 0, 0, 2, 0, 4, 0));
}

TEST(Streamers, CeilingHeaderIsZerosAndCountsAndOutlineFollows) {
  DBCEILTYPE c = ceiling();
  const Bytes b = dlist::stream_out(c);
  // state; two pointer slots; clip and point counts; trailing member as 0.
  EXPECT_THAT(Bytes(b.begin(), b.begin() + 17),
              ElementsAre(1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 5, 0, 0, 0, 0, 0));
  ASSERT_EQ(b.size(), 55u + 8 + 2 * 2 + 5 * 20 + 117);
  EXPECT_THAT(Bytes(b.begin() + 55, b.begin() + 63), ElementsAre(1, 0, 5, 0, 77, 0, 0, 0));

  DBCEILTYPE back;
  fill_outline(back.outline, 3, 9);  // what the receiving record held is replaced
  dlist::stream_in(back, b);
  EXPECT_TRUE(back.outline == c.outline);
  EXPECT_TRUE(back.palette == c.palette);
  EXPECT_TRUE(back.recid == c.recid);
}

TEST(Streamers, PlacedRecordsBlocksAndSetters) {
  DBSYMBTYPE symb;
  place(symb);
  symb.recid_tail = 5;
  const Bytes b = dlist::stream_out(symb);
  // The 32-byte block in front of the identifier: four copies of its 8 bytes.
  for (int copy = 0; copy < 4; ++copy) {
    EXPECT_THAT(Bytes(b.begin() + 85 + 8 * copy, b.begin() + 93 + 8 * copy),
                ElementsAre(17, 0, 0, 0, RT_SYMB, 0, 5, 0));
  }
  EXPECT_THAT(Bytes(b.begin() + 117, b.begin() + 123), ElementsAre(17, 0, 0, 0, RT_SYMB, 0));

  Counting<DBSYMBTYPE> back;
  std::fill(std::begin(back.extent), std::end(back.extent), 8.5);
  back.recid_tail = 9;
  dlist::stream_in<DBSYMBTYPE>(back, b);
  EXPECT_THAT(back.extent, ElementsAre(8.5, 8.5, 8.5, 8.5));  // never streamed
  EXPECT_EQ(back.calls, 5);  // position, offset and three angles through their setters
  EXPECT_EQ(back.recid_tail, 9);  // the 32-byte block is read and discarded
  back.recid_tail = symb.recid_tail;
  EXPECT_TRUE(same_streamed<DBSYMBTYPE>(symb, back));

  DBSTAITYPE stair;
  for (int i = 0; i < 4; ++i) stair.corner[i] = COORD2D(i, 10 + i);
  const Bytes s = dlist::stream_out(stair);
  EXPECT_EQ(double_at(s, 90 + 8 * 3), 3.0);    // four x values from 90
  EXPECT_EQ(double_at(s, 122 + 8 * 1), 11.0);  // then four y values
}

TEST(Streamers, EveryRecordKindRoundTrips) {
  // clang-format off
  const std::pair<const char*, std::function<void()>> cases[] = {
    {"wall", [] { expect_plain_round_trip<DBWALLTYPE>(1); }},
    {"door", [] { expect_plain_round_trip<DBDOORTYPE>(2); }},
    {"window", [] { expect_plain_round_trip<DBWINDTYPE>(3); }},
    {"line", [] { expect_plain_round_trip<DBLINETYPE>(4); }},
    {"circle", [] { expect_plain_round_trip<DBCIRCTYPE>(5); }},
    {"hotspot", [] { expect_plain_round_trip<DBHOTSTYPE>(6); }},
    {"symbol", [] { DBSYMBTYPE r; place(r); expect_round_trip(r, same_streamed<DBSYMBTYPE>, 1069); }},
    {"stair", [] { DBSTAITYPE r; place(r); expect_round_trip(r, same_streamed<DBSTAITYPE>, 1106); }},
    {"ceiling", [] { DBCEILTYPE r = ceiling(); expect_round_trip(r, same_streamed<DBCEILTYPE>, 284); }},
    {"roof", [] {
      DBROOFTYPE r;
      fill_outline(r.outline, 0, 4);
      r.slope = 0.5, r.pivot_end = COORD2D(4, 0), r.gutter = 1, r.palette = patterned<DBROOFPALETTE>(2);
      expect_round_trip(r, same_streamed<DBROOFTYPE>, 91 + 88 + 117); }},
    {"raster", [] {
      DBRASTTYPE r;
      fill_outline(r.outline, 2, 6);
      r.origin_mode = 2, r.box_max = COORD2D(6, 7), r.palette = patterned<DBRASTPALETTE>(4);
      expect_round_trip(r, same_streamed<DBRASTTYPE>, 78 + 134 + 14); }},
    {"parcel", [] {
      DBPARCTYPE r;
      ASSERT_TRUE(r.set_size(4));
      fill_points(r.outline.points(), 4);
      r.outline.set_attr(5), r.axis = COORD3D(0, 1, 0), r.box[3] = COORD2D(9, 9), r.show_label = 1;
      r.palette = patterned<DBPARCPALETTE>(8);
      expect_round_trip(r, same_streamed<DBPARCTYPE>, 179 + 86 + 14); }},
    {"text", [] {
      DBTEXTTYPE r;
      r.set_pontszam(), r.set_loc(8, COORD2D(1, 2)), r.set_xalign('C'), r.angle = 0.5;
      r.palette = patterned<DBTEXTPALETTE>(5);
      expect_round_trip(r, equal, 310); }},
    {"palette node", [] {
      DBPALETTENODETYPE n;
      n.level = 3, n.kind = 13, n.set_name("Hotspots"), n.description.put("x"), n.last = 4;
      expect_round_trip(n, equal, 44); }},
    {"prototype node", [] {
      DBPROTOTYPENODE n;
      n.level = -1, n.kind = 6, n.set_name("Slab");
      expect_round_trip(n, equal, 42); }},
    {"material reference", [] {
      DBMATREF m;
      m.code.put("01.02"), m.quantity = DBMATREF::kAutoQuantity, m.location = 9, m.reserved = 3;
      expect_round_trip(m, equal, 31); }},
    {"attribute reference", [] {
      DBATTREFTYPE a;
      a.set_name("fire"), a.flags = DBATTREFTYPE::kMarked, a.reference = 12, a.reserved = -1;
      a.value.assign("\0\1\2", 3);
      expect_round_trip(a, equal, 38); }},
  };
  // clang-format on
  for (const auto& [name, check] : cases) {
    SCOPED_TRACE(name);
    check();
  }
}

// The plain records that stream member by member from their declared fields give
// exactly their packed images, and read them back: a member left out or out of order
// shows.
template <class T>
void expect_declared_image(unsigned seed) {
  Bytes image(T::kImageSize);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<unsigned char>(seed + 7 * i);
  T record;
  dlist::from_plain_image(record, image.data());
  EXPECT_EQ(dlist::stream_out(record), image);
  T fresh;
  dlist::stream_in(fresh, image);
  EXPECT_EQ(dlist::stream_out(fresh), image);
}

TEST(Streamers, DeclaredPlainRecordsStreamTheirImages) {
  expect_declared_image<DBSURFHATCH>(20);
  DBPOLYPOINT point{1.5, -2.25, 7};
  Bytes point_image(sizeof point);
  std::memcpy(point_image.data(), &point, sizeof point);
  EXPECT_EQ(dlist::stream_out(point), point_image);
  expect_declared_image<DBWALLTYPE>(13);
  expect_declared_image<DBDOORTYPE>(18);
  expect_declared_image<DBWINDTYPE>(19);
  expect_declared_image<DBLINETYPE>(5);
  expect_declared_image<DBCIRCTYPE>(7);
  expect_declared_image<DBHOTSTYPE>(6);
  expect_declared_image<DBWALLPALETTE>(8);
  expect_declared_image<DBCEILPALETTE>(9);
  expect_declared_image<DBROOFPALETTE>(10);
  expect_declared_image<DBPARCPALETTE>(11);
  expect_declared_image<DBRASTPALETTE>(12);
  expect_declared_image<DBDOORPALETTE>(14);
  expect_declared_image<DBWINDPALETTE>(15);
  expect_declared_image<DBSYMBPALETTE>(16);
  expect_declared_image<DBSTAIPALETTE>(17);
  expect_declared_image<DBTEXTPALETTE>(1);
  expect_declared_image<DBLINEPALETTE>(2);
  expect_declared_image<DBCIRCPALETTE>(3);
  expect_declared_image<DBHOTSPALETTE>(4);
  expect_declared_image<DBEDGEPALETTE>(21);
}

TEST(Streamers, DamagedInputIsRefusedWithoutLargeAllocations) {
  dlist::AllocationLog log;
  DBCEILTYPE c = ceiling();
  Bytes good = dlist::stream_out(c);
  for (std::size_t n = 0; n < good.size(); ++n) {
    DBCEILTYPE r;
    EXPECT_THROW(dlist::stream_in(r, std::span(good.data(), n)), StreamError) << n;
  }
  good.push_back(0);
  EXPECT_THROW(dlist::stream_in(c, good), StreamError);  // a byte left over

  TEXTBUFFER t;
  EXPECT_THROW(dlist::stream_in(t, Bytes{0xF0, 0xFF, 0xFF, 0xFF, 'a'}), StreamError);
  DBPOLYGON p;
  Bytes poly{0xE8, 0x03, 0, 0, 0, 0};  // 1000 points announced, two present
  poly.resize(6 + 2 * 20);
  EXPECT_THROW(dlist::stream_in(p, poly), StreamError);
  EXPECT_THROW(dlist::stream_in(p, Bytes{0xFF, 0xFF, 0, 0, 0, 0}), StreamError);  // count -1
  DBMULTIPOLYGON m;
  EXPECT_THROW(dlist::stream_in(m, Bytes{2, 0, 0, 0, 0, 0, 0, 0, 0, 0}), StreamError);
  HOTSPOTCHAIN h;
  EXPECT_THROW(dlist::stream_in(h, Bytes{0, 0, 0, 0x80, 1, 2, 3}), StreamError);  // 2^31
  EXPECT_EQ(p.pontszam() + m.clipszam() + static_cast<int>(h.count()), 0);
  for (std::size_t bytes : log.requests()) EXPECT_LT(bytes, 4096u);

  dlist::AllocationFailureScope no_memory(0, true);
  EXPECT_THROW(dlist::stream_in(t, Bytes{3, 0, 0, 0, 'a', 'b', 0}), StreamError);
  Bytes one_hotspot(4 + 24);
  one_hotspot[0] = 1;
  EXPECT_THROW(dlist::stream_in(h, one_hotspot), StreamError);
}

// The outlines and the hotspot chain check their counts in their declarations: each
// refusal names the count it refuses.
TEST(Streamers, OutlineAndHotspotRefusalsNameTheirCount) {
  const auto message = [](auto& record, const Bytes& bytes) {
    try {
      dlist::stream_in(record, bytes);
    } catch (const StreamError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  DBPOLYGON p;
  EXPECT_THAT(message(p, Bytes{0xFF, 0xFF, 0, 0, 0, 0}), ::testing::HasSubstr("polygon point count"));
  DBMULTIPOLYGON m;
  EXPECT_THAT(message(m, Bytes{0xFF, 0xFF, 0, 0, 0, 0, 0, 0}),
              ::testing::HasSubstr("outline clip count"));
  EXPECT_THAT(message(m, Bytes{0, 0, 0xFF, 0xFF, 0, 0, 0, 0}),
              ::testing::HasSubstr("outline point count"));
  Bytes clips_short{1, 0, 1, 0, 7, 0, 0, 0};  // one clip, one point: 24 bytes due, 20 there
  clips_short.resize(8 + 20);
  EXPECT_THAT(message(m, clips_short), ::testing::HasSubstr("outline clip indices and points"));
  HOTSPOTCHAIN h;
  EXPECT_THAT(message(h, Bytes{2, 0, 0, 0, 1, 2, 3}), ::testing::HasSubstr("hotspot count"));
}
