// Prototype record operations of every kind on a project in memory: the untyped
// calls, the automatic prototypes, the typed readers and injected store failures.

#include "palettes/prototype_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/element_kinds.h"
#include "host/resources.h"
#include "tests/host/model/model_test_support.h"

namespace {

using dlist::Kind;

// Get<Kind>Prototype under one argument list.
template <int K>
struct Reader;
#define ROW_WITH_SURFACES(K, Name, E)                                                       \
  template <>                                                                               \
  struct Reader<K> {                                                                        \
    static int get(long node, E* r, DBSURFREFTYPE* s, DBMATREFCHAIN* m, DBATTREFCHAIN* a) { \
      return Get##Name##Prototype(node, r, s, m, a, 0);                                     \
    }                                                                                       \
  };
#define ROW_WITHOUT_SURFACES(K, Name, E)                                                  \
  template <>                                                                             \
  struct Reader<K> {                                                                      \
    static int get(long node, E* r, DBSURFREFTYPE*, DBMATREFCHAIN* m, DBATTREFCHAIN* a) { \
      return Get##Name##Prototype(node, r, m, a, 0);                                      \
    }                                                                                     \
  };
DLIST_KINDS_WITH_SURFACES(ROW_WITH_SURFACES)
DLIST_KINDS_WITHOUT_SURFACES(ROW_WITHOUT_SURFACES)
#undef ROW_WITH_SURFACES
#undef ROW_WITHOUT_SURFACES

template <class E>
unsigned long address(E& rec) {
  return reinterpret_cast<unsigned long>(&rec);
}

class PrototypeRecordsTest : public dlist::testing::ModelTest {
 protected:
  template <int K>
  typename Kind<K>::element element(int layer) {
    typename Kind<K>::element e;
    e.palette.layer = static_cast<uint8_t>(layer);
    if constexpr (K == 9) e.set_text("label");
    return e;
  }

  long folder(int kind) { return db_.kind_folder(dlist::ModelTree::kPrototypes, kind); }

  // The children of a node, in store order.
  std::vector<std::pair<long, DBPROTOTYPENODE>> children(long parent) {
    PROTOTYPES store;
    std::vector<std::pair<long, DBPROTOTYPENODE>> out;
    store.rew_node(parent);
    DBPROTOTYPENODE n;
    for (long id; (id = store.get_node(&n)) > 0;) out.emplace_back(id, n);
    return out;
  }
};

TEST_F(PrototypeRecordsTest, EveryKindIsStoredChangedAndReadWithItsChains) {
  dlist::for_each_kind([&](auto k) {
    constexpr int K = decltype(k)::kind;
    SCOPED_TRACE(k.facts.name);
    auto rec = element<K>(5);
    DBSURFREFTYPE surf, surf_back;
    surf.push(dlist::testing::surface("oak", 0.25));
    DBMATREFCHAIN mat, mat_back;
    mat.push(DBMATREF{{}, 2.5});
    DBATTREFCHAIN attr, attr_back;
    attr.push(DBATTREFTYPE{});

    const long id = CrePrototype(address(rec), K, &surf, &mat, &attr);
    ASSERT_GT(id, 0);
    typename Kind<K>::element back;
    EXPECT_EQ(get_id_record(id, address(back), K, &surf_back, &mat_back, &attr_back), id);
    EXPECT_EQ(back.palette.layer, 5);
    EXPECT_EQ(surf_back.size(), k.facts.has_surfaces ? 1u : 0u);
    ASSERT_EQ(mat_back.size(), 1u);
    EXPECT_EQ(mat_back[0].quantity, 2.5);
    EXPECT_EQ(attr_back.size(), 1u);
    if constexpr (K == 9) {
      EXPECT_STREQ(back.text(), "label");
    }

    rec.palette.layer = 6;
    EXPECT_NE(MOD_PROTOTYPE(id, address(rec), K, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(get_id_record(id, address(back), K, nullptr, &mat_back, nullptr), id);
    EXPECT_EQ(back.palette.layer, 6);
    EXPECT_EQ(mat_back.size(), 1u);  // a null chain leaves the stored one
    // Another kind's call does not reach this record.
    const int other = K == 1 ? 2 : 1;
    EXPECT_EQ(MOD_PROTOTYPE(id, address(rec), other, nullptr, nullptr, nullptr), 0);
  });
}

TEST_F(PrototypeRecordsTest, KindsOutsideTheTableAndNullRecordsAreRefused) {
  const int64_t nodes = rows("nodes");
  DBWALLTYPE wall;
  for (int kind : {0, 14, -1}) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(CrePrototype(address(wall), kind, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(MOD_PROTOTYPE(1, address(wall), kind, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(get_id_record(1, address(wall), kind, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ModPrototype(0, address(wall), kind, nullptr, nullptr, nullptr, 0), 0);
  }
  EXPECT_EQ(CrePrototype(0, 1, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(get_id_record(1, 0, 1, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(GetWallPrototype(1, nullptr, nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(rows("elements"), 0);
  EXPECT_EQ(rows("nodes"), nodes);
  EXPECT_EQ(GetTypeRoot(3), folder(3));
  EXPECT_EQ(GetTypeRoot(14), 0);
}

TEST_F(PrototypeRecordsTest, AutomaticPrototypesAreMadeOnceAndThenChanged) {
  const std::string name0 = dlist::load_string(22265);
  const std::string name2 = dlist::load_string(22264);
  dlist::for_each_kind([&](auto k) {
    constexpr int K = decltype(k)::kind;
    SCOPED_TRACE(k.facts.name);
    auto rec = element<K>(3);
    EXPECT_EQ(ModPrototype(0, address(rec), K, nullptr, nullptr, nullptr, 1), 0);
    EXPECT_TRUE(children(folder(K)).empty());

    EXPECT_EQ(ModPrototype(0, address(rec), K, nullptr, nullptr, nullptr, 0), 1);
    rec.palette.layer = 4;
    EXPECT_EQ(ModPrototype(0, address(rec), K, nullptr, nullptr, nullptr, 0), 1);
    auto nodes = children(folder(K));
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].second.level, -2);
    EXPECT_EQ(nodes[0].second.name, name0);
    typename Kind<K>::element back;
    EXPECT_EQ(Reader<K>::get(nodes[0].first, &back, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(back.palette.layer, 4);

    EXPECT_EQ(ModPrototype(0, address(rec), K, nullptr, nullptr, nullptr, 2), 1);
    nodes = children(folder(K));
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[1].second.name, name2);

    // A node names the prototype to change; a folder carries none.
    rec.palette.layer = 9;
    EXPECT_NE(ModPrototype(nodes[1].first, address(rec), K, nullptr, nullptr, nullptr, 1), 0);
    EXPECT_EQ(Reader<K>::get(nodes[1].first, &back, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(back.palette.layer, 9);
    EXPECT_EQ(ModPrototype(folder(K), address(rec), K, nullptr, nullptr, nullptr, 0), 0);
  });
  EXPECT_EQ(rows("elements"), 26);
}

TEST_F(PrototypeRecordsTest, ReadingWhatCarriesNoRecordLeavesTheCallersRecord) {
  DBWALLTYPE wall;
  wall.palette.layer = 8;
  ASSERT_EQ(ModPrototype(0, address(wall), 1, nullptr, nullptr, nullptr, 0), 1);
  const long node = children(folder(1)).at(0).first;

  DBDOORTYPE door;
  door.palette.layer = 42;
  door.palette.origname.set("kept");
  const DBDOORTYPE before = door;
  EXPECT_EQ(GetDoorPrototype(folder(2), &door, nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(GetDoorPrototype(node, &door, nullptr, nullptr, nullptr, 0), 0);  // a wall
  EXPECT_EQ(GetDoorPrototype(0, &door, nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(std::memcmp(&door, &before, sizeof door), 0);

  DBTEXTTYPE text;
  ASSERT_TRUE(text.set_text("untouched"));
  EXPECT_EQ(GetTextPrototype(folder(9), &text, nullptr, nullptr, 0), 0);
  EXPECT_STREQ(text.text(), "untouched");
}

TEST_F(PrototypeRecordsTest, FailingStoreCallsLeaveTheStoreAsItWas) {
  DBCEILTYPE ceil;
  // Fail each store call, then each statement, of making the first automatic
  // prototype and of changing it: every outcome is all or nothing.
  for (auto inject : {dlist::fail_model_calls_after, dlist::fail_model_statements_after}) {
    for (const bool exists : {false, true}) {
      int failures = 0;
      for (unsigned n = 1; n <= 40; ++n) {
        SCOPED_TRACE(testing::Message() << "call " << n << (exists ? ", existing" : ", new"));
        if (exists) {
          ASSERT_EQ(ModPrototype(0, address(ceil), 6, nullptr, nullptr, nullptr, 0), 1);
        }
        inject(n);
        const int result = ModPrototype(0, address(ceil), 6, nullptr, nullptr, nullptr, 0);
        inject(0);
        const auto nodes = children(folder(6));
        EXPECT_EQ(nodes.size(), result == 1 || exists ? 1u : 0u);
        EXPECT_EQ(rows("elements"), static_cast<int64_t>(nodes.size()));
        if (result != 1) ++failures;
        PROTOTYPES store;
        for (const auto& node : nodes) ASSERT_EQ(store.del_node(node.first, 0), 1);
        ASSERT_EQ(rows("elements"), 0);
      }
      EXPECT_GT(failures, 0);
    }
  }

  DBLINETYPE line;
  dlist::fail_model_calls_after(1);
  EXPECT_EQ(CrePrototype(address(line), 11, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(rows("elements"), 0);
}

}  // namespace
