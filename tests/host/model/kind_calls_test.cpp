// The per-kind calls of the model database: palettes with their existed flag and
// equality, the palette change of the drawing modules, and element records with
// their surface sets and chains for every kind.
#include "host/model/kind_calls.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model_test_support.h"
#include "stream/streamers.h"

namespace dlist::testing {
namespace {

using KindCallsTest = ModelTest;
using model_calls::ElementOf;
using model_calls::PaletteOf;

DBSURFREFTYPE surfaces(std::initializer_list<double> values) {
  DBSURFREFTYPE set;
  for (double v : values) set.push(surface("brick", v));
  return set;
}

bool same_surfaces(const DBSURFREFTYPE& a, const DBSURFREFTYPE& b) {
  if (a.size() != b.size()) return false;
  for (unsigned i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(DBSURFHATCH)) != 0) return false;
  return true;
}

TEST_F(KindCallsTest, PalettesAreStoredOnceAndReadBack) {
  const DBWALLPALETTE wall = patterned<DBWALLPALETTE>(1);
  DBSURFREFTYPE two = surfaces({1.0, 2.0});
  int existed = -1;
  const long id = cre_wallpalette(wall, &two, &existed);
  ASSERT_GT(id, 0);
  EXPECT_EQ(existed, 0);
  EXPECT_EQ(cre_wallpalette(wall, &two, &existed), id);
  EXPECT_EQ(existed, 1);
  EXPECT_EQ(get_wallpalette(wall, &two), id);

  // Another surface set, or none, is another palette; so is another image.
  DBSURFREFTYPE reordered = surfaces({2.0, 1.0});
  const long other = cre_wallpalette(wall, &reordered, &existed);
  EXPECT_GT(other, id);
  EXPECT_EQ(existed, 0);
  EXPECT_GT(cre_wallpalette(wall, nullptr, &existed), other);
  EXPECT_EQ(get_wallpalette(patterned<DBWALLPALETTE>(2), &two), 0);
  // The same bytes under another kind are not the same palette.
  const DBCEILPALETTE ceil = patterned<DBCEILPALETTE>(1);
  EXPECT_GT(cre_ceilpalette(ceil, &two, &existed), 0);
  EXPECT_EQ(existed, 0);

  DBWALLTYPE rec;
  DBSURFREFTYPE back = surfaces({9.0, 9.0, 9.0});
  ASSERT_EQ(get_wallpal(id, &rec, &back), 1);
  EXPECT_TRUE(rec.palette == wall);
  EXPECT_TRUE(same_surfaces(back, two));
  DBCEILTYPE ceiling;
  EXPECT_EQ(get_ceilpal(id, &ceiling, &back), 0);  // a wall palette is not a ceiling's
  EXPECT_EQ(get_wallpal(999999, &rec, &back), 0);

  // Kinds with library parts and kinds without surfaces.
  const DBDOORPALETTE door = patterned<DBDOORPALETTE>(3);
  const long door_id = cre_doorpalette(door, &two, &existed);
  DBDOORTYPE door_rec;
  ASSERT_EQ(get_doorpal(door_id, &door_rec, &back, 1), 1);
  EXPECT_TRUE(door_rec.palette == door);
  const DBTEXTPALETTE text = patterned<DBTEXTPALETTE>(4);
  const long text_id = cre_textpalette(text, &existed);
  EXPECT_EQ(cre_textpalette(text, &existed), text_id);
  EXPECT_EQ(existed, 1);
  DBTEXTTYPE text_rec;
  ASSERT_EQ(get_textpal(text_id, &text_rec), 1);
  EXPECT_TRUE(text_rec.palette == text);
  EXPECT_EQ(get_textpalette(text), text_id);
}

TEST_F(KindCallsTest, ModPrototypeChangesInPlaceOrAnswersTheEqualPalette) {
  int existed = 0;
  DBSURFREFTYPE one = surfaces({1.0});
  const long a = cre_wallpalette(patterned<DBWALLPALETTE>(1), &one, &existed);
  const long b = cre_wallpalette(patterned<DBWALLPALETTE>(2), &one, &existed);
  DBWALLTYPE rec;
  rec.palette = patterned<DBWALLPALETTE>(3);
  DBSURFREFTYPE two = surfaces({1.0, 2.0});
  ASSERT_EQ(ModWallPrototype(a, &rec, &two), a);
  DBWALLTYPE back;
  DBSURFREFTYPE back_surf;
  get_wallpal(a, &back, &back_surf);
  EXPECT_TRUE(back.palette == rec.palette);
  EXPECT_TRUE(same_surfaces(back_surf, two));
  EXPECT_EQ(ModWallPrototype(a, &rec, &two), a);  // unchanged settings

  rec.palette = patterned<DBWALLPALETTE>(2);
  EXPECT_EQ(ModWallPrototype(a, &rec, &one), b);  // equal to b: a stays as it was
  get_wallpal(a, &back, &back_surf);
  EXPECT_TRUE(back.palette == patterned<DBWALLPALETTE>(3));
  EXPECT_EQ(ModWallPrototype(999999, &rec, &one), 0);
  DBLINETYPE line;
  EXPECT_EQ(ModLinePrototype(a, &line), 0);  // a wall palette
  const long l = cre_linepalette(line.palette, &existed);
  line.palette.pen = 9;
  EXPECT_EQ(ModLinePrototype(l, &line), l);
}

// ---- element records of every kind ----

void fill_outline(DBMULTIPOLYGON& m, int points) {
  ASSERT_TRUE(m.set_sizes(0, points));
  for (int i = 0; i < points; ++i) m.points()[i] = DBPOLYPOINT{i + 0.5, -i - 0.25, 100 + i};
}

// A record of kind K with something in it beyond its defaults.
template <int K>
ElementOf<K> sample(int seed) {
  ElementOf<K> r;
  r.palette = patterned<PaletteOf<K>>(seed);
  if constexpr (K == 6 || K == 7 || K == 10) fill_outline(r.outline, 4 + seed);
  if constexpr (K == 9) r.set_text(("text " + std::to_string(seed)).c_str());
  return r;
}

template <class E>
bool same_record(E& a, E& b) {
  if constexpr (std::is_same_v<E, DBTEXTTYPE>) {
    return a == b;
  } else {
    return stream_out(a) == stream_out(b);
  }
}

DBMATREFCHAIN materials(int n) {
  DBMATREFCHAIN chain;
  for (int i = 0; i < n; ++i) {
    DBMATREF m;
    m.code.put(("A.B." + std::to_string(i)).c_str());
    m.quantity = 1.5 * i;
    m.set_parameter("VOL");
    chain.push(m);
  }
  return chain;
}

DBATTREFCHAIN attributes(int n) {
  DBATTREFCHAIN chain;
  for (int i = 0; i < n; ++i) {
    DBATTREFTYPE a;
    a.set_name(("fire " + std::to_string(i)).c_str());
    a.value.put("R60");
    a.reference = i;
    chain.push(a);
  }
  return chain;
}

// The suite's per-kind calls are generated from one macro list; through the
// templates every kind takes the same path, checked here with its own records.
template <int K>
void check_element_round_trip() {
  SCOPED_TRACE("kind " + std::to_string(K));
  constexpr bool kSurfaces = Kind<K>::facts.has_surfaces;
  ElementOf<K> rec = sample<K>(1);
  DBSURFREFTYPE surf = surfaces({1.0, 2.0, 3.0});
  DBMATREFCHAIN mat = materials(2);
  DBATTREFCHAIN attr = attributes(3);
  const long id = model_calls::create_element<K>(&rec, &surf, &mat, &attr);
  ASSERT_GT(id, 0);

  ElementOf<K> back;
  DBSURFREFTYPE back_surf;
  DBMATREFCHAIN back_mat = materials(5);
  DBATTREFCHAIN back_attr;
  ASSERT_EQ(model_calls::read_element<K>(id, &back, true, &back_surf, &back_mat, &back_attr), id);
  EXPECT_TRUE(same_record(back, rec));
  EXPECT_EQ(back_surf.size(), kSurfaces ? 3u : 0u);
  ASSERT_EQ(back_mat.size(), 2u);
  EXPECT_TRUE(back_mat[1] == mat[1]);
  ASSERT_EQ(back_attr.size(), 3u);
  EXPECT_TRUE(back_attr[2] == attr[2]);

  // A change replaces what is given and keeps what is not.
  ElementOf<K> changed = sample<K>(2);
  DBMATREFCHAIN one = materials(1);
  ASSERT_EQ(model_calls::change_element<K>(id, &changed, nullptr, &one, nullptr), 1);
  ASSERT_EQ(model_calls::read_element<K>(id, &back, true, &back_surf, &back_mat, &back_attr), id);
  EXPECT_TRUE(same_record(back, changed));
  EXPECT_EQ(back_surf.size(), kSurfaces ? 3u : 0u);
  EXPECT_EQ(back_mat.size(), 1u);
  EXPECT_EQ(back_attr.size(), 3u);

  // Another kind's reader and changer refuse the record.
  constexpr int kOther = K == 1 ? 2 : 1;
  ElementOf<kOther> other;
  EXPECT_EQ(model_calls::read_element<kOther>(id, &other, true, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(model_calls::change_element<kOther>(id, &other, nullptr, nullptr, nullptr), 0);
}

TEST_F(KindCallsTest, ElementRecordsOfEveryKindRoundTripWithTheirChains) {
  for_each_kind([](auto k) { check_element_round_trip<decltype(k)::kind>(); });
}

TEST_F(KindCallsTest, SuiteNamesReachTheirKinds) {
  DBDOORTYPE door = sample<2>(1);
  DBSURFREFTYPE surf = surfaces({4.0});
  DBMATREFCHAIN mat = materials(1);
  DBATTREFCHAIN attr = attributes(1);
  const long d = cre_door(&door, -1, &surf, &mat, &attr, 0);
  DBDOORTYPE door_back;
  EXPECT_EQ(get_id_door(d, &door_back, &surf, &mat, &attr), d);
  EXPECT_EQ(mod_door_prototype(d, &door, &surf, &mat, &attr), 1);
  DBPARCTYPE parc;
  const long p = cre_parc(&parc, &surf, &mat, &attr, 0, 0);
  EXPECT_EQ(get_id_parc(p, &parc, false, &surf, &mat, &attr), p);
  DBTEXTTYPE text = sample<9>(3);
  const long t = cre_text(&text, &mat, &attr, -1, 0);
  DBTEXTTYPE text_back;
  ASSERT_EQ(get_id_text(t, &text_back, true, nullptr, nullptr), t);
  EXPECT_STREQ(text_back.text(), "text 3");
  ASSERT_EQ(get_id_text(t, &text_back, false, nullptr, nullptr), t);
  EXPECT_FALSE(text_back.has_text());
  // An empty string stays an empty string, no string stays none.
  text.set_text("");
  ASSERT_EQ(mod_text_prototype(t, &text, nullptr, nullptr), 1);
  get_id_text(t, &text_back, true, nullptr, nullptr);
  ASSERT_TRUE(text_back.has_text());
  EXPECT_STREQ(text_back.text(), "");
  text.set_text(nullptr);
  mod_text_prototype(t, &text, nullptr, nullptr);
  get_id_text(t, &text_back, true, nullptr, nullptr);
  EXPECT_FALSE(text_back.has_text());
  DBHOTSTYPE hots;
  EXPECT_GT(cre_hots(&hots, nullptr, nullptr, -1, 0), 0);
}

// ---- damaged rows ----

TEST_F(KindCallsTest, DamagedRowsAreFailedReadsThatLeaveTheCallerAlone) {
  int existed = 0;
  DBSURFREFTYPE one = surfaces({1.0});
  const long pal = cre_wallpalette(patterned<DBWALLPALETTE>(1), &one, &existed);
  DBWALLTYPE rec = sample<1>(7);
  DBMATREFCHAIN mat = materials(2);
  DBATTREFCHAIN attr = attributes(2);
  const long wall = cre_wall(&rec, &one, &mat, &attr, -1, 0);
  DBCEILTYPE ceil_rec = sample<6>(1);
  const long ceil = cre_ceil(&ceil_rec, nullptr, nullptr, nullptr, -1, 0);

  auto damage = [this](const std::string& sql) {
    ASSERT_TRUE(db_.connection().exec(sql.c_str())) << sql;
  };
  const DBWALLTYPE keep = sample<1>(9);
  auto check_wall_read_fails = [&] {
    DBWALLTYPE target = keep;
    DBMATREFCHAIN target_mat = materials(4);
    EXPECT_EQ(get_id_wall(wall, &target, nullptr, &target_mat, nullptr), 0);
    EXPECT_TRUE(target == keep);
    EXPECT_EQ(target_mat.size(), 4u);
  };

  damage("UPDATE matrefs SET bytes = x'0102' WHERE pos = 1");
  check_wall_read_fails();
  damage("UPDATE matrefs SET bytes = zeroblob(40000) WHERE pos = 1");
  check_wall_read_fails();
  damage("UPDATE elements SET image = substr(image, 1, 100) WHERE kind = 1");
  check_wall_read_fails();
  damage("UPDATE elements SET image = x'' WHERE kind = 1");
  check_wall_read_fails();
  // A ceiling whose outline count promises more points than the row holds.
  damage("UPDATE elements SET image = substr(image, 1, 60) WHERE kind = 6");
  DBCEILTYPE ceil_back;
  EXPECT_EQ(get_id_ceil(ceil, &ceil_back, false, nullptr, nullptr, nullptr), 0);

  DBWALLTYPE pal_rec = keep;
  DBSURFREFTYPE pal_surf;
  damage("UPDATE surfaces SET image = x'00' WHERE owner = " + std::to_string(pal));
  EXPECT_EQ(get_wallpal(pal, &pal_rec, &pal_surf), 0);
  EXPECT_TRUE(pal_rec == keep);
  damage("UPDATE palettes SET image = x'0102' WHERE id = " + std::to_string(pal));
  EXPECT_EQ(get_wallpal(pal, &pal_rec, nullptr), 0);
  // A name longer than a node's field is refused on reading.
  PALETTES store;
  DBPALETTENODETYPE node;
  node.set_name("N");
  const long id = store.cre_node(store.get_root(1), node, 0);
  damage("UPDATE nodes SET name = zeroblob(40) WHERE id = " + std::to_string(id));
  EXPECT_EQ(store.get_id_node(id, &node), 0);
  EXPECT_STREQ(node.name, "N");
}

}  // namespace
}  // namespace dlist::testing
