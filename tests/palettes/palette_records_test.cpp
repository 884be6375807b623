// Palette record operations through the exported names of every kind, on a project
// in memory, with the scripted user answering the message boxes.

#include "palettes/palette_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/dialog/engine.h"
#include "host/dialog/scripted_user.h"
#include "host/modul.h"
#include "host/report.h"
#include "host/resources.h"
#include "tests/host/model/model_test_support.h"

namespace {

using dlist::Kind;
using dlist::load_string;

// The exported calls of kind K under one argument list.
template <int K>
struct Exported;
#define ROW_WITH_SURFACES(K, Name, E)                                                        \
  template <>                                                                                \
  struct Exported<K> {                                                                       \
    static long cre(E* r, DBSURFREFTYPE* s) { return Cre##Name##Palette(nullptr, r, s); }    \
    static int mod(long* id, E* r) { return Mod##Name##Palette(nullptr, id, r, nullptr); }   \
    static int get(long id, E* r, DBSURFREFTYPE* s) { return Get##Name##Palette(id, r, s); } \
  };
#define ROW_WITHOUT_SURFACES(K, Name, E)                                                \
  template <>                                                                           \
  struct Exported<K> {                                                                  \
    static long cre(E* r, DBSURFREFTYPE*) { return Cre##Name##Palette(nullptr, r); }    \
    static int mod(long* id, E* r) { return Mod##Name##Palette(nullptr, id, r); }       \
    static int get(long id, E* r, DBSURFREFTYPE*) { return Get##Name##Palette(id, r); } \
  };
DLIST_KINDS_WITH_SURFACES(ROW_WITH_SURFACES)
DLIST_KINDS_WITHOUT_SURFACES(ROW_WITHOUT_SURFACES)
#undef ROW_WITH_SURFACES
#undef ROW_WITHOUT_SURFACES

class PaletteRecordsTest : public dlist::testing::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    dlist::reset_dialog_engine();
  }
  void TearDown() override {
    dlist::reset_dialog_engine();
    dlist::clear_layer_sets();
    ModelTest::TearDown();
  }

  // An element of kind K on layer; library parts carry a count beyond their block.
  template <int K>
  typename Kind<K>::element element(int layer) {
    typename Kind<K>::element e;
    e.palette.layer = static_cast<uint8_t>(layer);
    if constexpr (Kind<K>::facts.expands_library_params) e.palette.params.count = 200;
    return e;
  }

  long node_for(int kind, long palette) {
    auto n = dlist::testing::node_named<DBPALETTENODETYPE>("Stored");
    return PALETTES().cre_node(db_.kind_folder(dlist::ModelTree::kPalettes, kind), n, palette);
  }

  // Expects the message boxes so far to be exactly one, with text and caption.
  void expect_box(const std::string& text, unsigned caption, unsigned flags) {
    auto& boxes = dlist::dialog_log().message_boxes;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].caption, load_string(caption));
    EXPECT_EQ(boxes[0].flags, flags);
    boxes.clear();
  }

  dlist::ReportLogScope reports_;
};

TEST_F(PaletteRecordsTest, EveryKindStoresReadsAndRefusesAnEqualPalette) {
  dlist::for_each_kind([&](auto k) {
    constexpr int K = decltype(k)::kind;
    SCOPED_TRACE(k.facts.name);
    auto rec = element<K>(7);
    const auto before = rec.palette;
    DBSURFREFTYPE surf;
    surf.push(dlist::testing::surface("brick", 0.5));
    const long id = Exported<K>::cre(&rec, &surf);
    ASSERT_GT(id, 0);
    EXPECT_TRUE(dlist::dialog_log().message_boxes.empty());
    EXPECT_EQ(Exported<K>::cre(&rec, &surf), -id);
    expect_box(load_string(22473), 22471, 0);

    // A node and the palette that it carries read the same.
    typename Kind<K>::element by_palette, by_node;
    DBSURFREFTYPE surf_back;
    EXPECT_NE(Exported<K>::get(id, &by_palette, &surf_back), 0);
    EXPECT_NE(Exported<K>::get(node_for(K, id), &by_node, nullptr), 0);
    EXPECT_EQ(by_palette.palette.layer, 7);
    EXPECT_EQ(std::memcmp(&by_node.palette, &by_palette.palette, sizeof before), 0);
    EXPECT_EQ(surf_back.size(), k.facts.has_surfaces ? 1u : 0u);

    // Library part palettes are stored as a completed copy; the caller's stays.
    EXPECT_EQ(std::memcmp(&rec.palette, &before, sizeof before), 0);
    if constexpr (Kind<K>::facts.expands_library_params) {
      EXPECT_EQ(int{by_palette.palette.params.count}, LIBPARAMS::kCapacity);
    }
  });
}

TEST_F(PaletteRecordsTest, ChangeKeepsTheIdentifierOrAsksToMoveTheReferences) {
  const std::string question = load_string(22473) + "\n" + load_string(22474);
  dlist::for_each_kind([&](auto k) {
    constexpr int K = decltype(k)::kind;
    SCOPED_TRACE(k.facts.name);
    auto rec = element<K>(3);
    auto other_rec = element<K>(4);
    const long old_id = Exported<K>::cre(&rec, nullptr);
    const long other = Exported<K>::cre(&other_rec, nullptr);
    ASSERT_TRUE(db_.add_palette_reference(old_id, 0, 1000 + K));

    // Silent under the same identifier, given as palette or as node.
    long id = old_id;
    long node = node_for(K, old_id);
    const long node_id = node;
    rec.palette.layer = 5;
    EXPECT_EQ(Exported<K>::mod(&id, &rec), 1);
    EXPECT_EQ(Exported<K>::mod(&node, &rec), 1);
    EXPECT_EQ(id, old_id);
    EXPECT_EQ(node, node_id);
    EXPECT_TRUE(dlist::dialog_log().message_boxes.empty());

    // Onto the other palette: declined, then accepted.
    dlist::ScriptedUser user;
    user.no().yes();
    dlist::DialogUserScope scope(user);
    EXPECT_EQ(Exported<K>::mod(&id, &other_rec), 0);
    EXPECT_EQ(id, old_id);
    expect_box(question, 22472, 52);
    EXPECT_EQ(Exported<K>::mod(&node, &other_rec), 1);
    EXPECT_EQ(node, other);
    expect_box(question, 22472, 52);
    int a = 0, b = 0, c = 0;
    PALETTES().get_references_number(other, &a, &b, &c);
    EXPECT_EQ(a, 1);
    EXPECT_TRUE(user.finished()) << user.leftovers();
  });
  EXPECT_EQ(dlist::buffer_accounting().reservations, 0);  // message boxes only
}

TEST_F(PaletteRecordsTest, StoreFailuresAreReportedAndChangeNothing) {
  auto wall = element<1>(3);
  dlist::fail_model_calls_after(1);
  EXPECT_EQ(CreWallPalette(nullptr, &wall, nullptr), 0);
  expect_box(load_string(22470), 22471, 0);
  dlist::fail_model_statements_after(1);
  EXPECT_EQ(CreWallPalette(nullptr, &wall, nullptr), 0);
  expect_box(load_string(22470), 22471, 0);
  EXPECT_EQ(rows("palettes"), 0);

  long id = CreWallPalette(nullptr, &wall, nullptr);
  const long stored = id;
  wall.palette.layer = 9;
  dlist::fail_model_calls_after(2);  // is_nodeid, then the change
  EXPECT_EQ(ModWallPalette(nullptr, &id, &wall, nullptr), 0);
  expect_box(load_string(22470), 22472, 0);
  long folder = db_.kind_folder(dlist::ModelTree::kPalettes, 1);  // carries no palette
  EXPECT_EQ(ModWallPalette(nullptr, &folder, &wall, nullptr), 0);
  expect_box(load_string(22470), 22472, 0);

  DBWALLTYPE back;
  back.palette.layer = 42;
  dlist::fail_model_calls_after(2);  // is_nodeid, then the reader
  EXPECT_EQ(GetWallPalette(stored, &back, nullptr), 0);
  EXPECT_EQ(GetWallPalette(folder, &back, nullptr), 0);
  EXPECT_EQ(back.palette.layer, 42);

  // The user accepts moving the references but the move fails: *id stays.
  auto other = element<1>(4);
  ASSERT_GT(CreWallPalette(nullptr, &other, nullptr), 0);
  dlist::ScriptedUser user;
  user.yes();
  dlist::DialogUserScope scope(user);
  dlist::fail_model_calls_after(3);  // is_nodeid, the change, the move
  EXPECT_EQ(ModWallPalette(nullptr, &id, &other, nullptr), 0);
  EXPECT_EQ(id, stored);
  EXPECT_EQ(reports_.entries().size(), 1u);

  // Null records and identifiers are refused as internal failures.
  EXPECT_EQ(CreWallPalette(nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(ModTextPalette(nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(GetHotsPalette(1, nullptr), 0);
  EXPECT_EQ(reports_.entries().size(), 3u);
}

TEST_F(PaletteRecordsTest, IsLayerActiveReadsTheModulesLayerSets) {
  dlist::LayerSetRow row{0, 1, 2, 3};  // layers 1 to 4; layer 3 inactive
  row[254] = 2;
  dlist::LayerSetRow second{2};
  dlist::set_layer_sets(5, {row, second});
  const int answers[] = {IsLayerActive(5, 0, 1), IsLayerActive(5, 0, 2), IsLayerActive(5, 0, 3),
                         IsLayerActive(5, 0, 4), IsLayerActive(5, 0, 255)};
  EXPECT_EQ(std::vector<int>(std::begin(answers), std::end(answers)),
            std::vector<int>({1, 1, 0, 1, 0}));
  EXPECT_EQ(IsLayerActive(5, 1, 1), 0);
  EXPECT_EQ(IsLayerActive(5, -1, 3), 1);
  // What the table does not hold answers 1: layer 0, a set beyond it, no table.
  EXPECT_EQ(IsLayerActive(5, 0, 0), 1);
  EXPECT_EQ(IsLayerActive(5, 2, 3), 1);
  EXPECT_EQ(IsLayerActive(6, 0, 3), 1);
}

// The module-wide manager mode and report flag keep what was set last; a layer
// number is valid from 1 on.
TEST_F(PaletteRecordsTest, ManagerModeReportFlagAndLayerNumbers) {
  LastProtoMode(1);
  EXPECT_EQ(LastProtoMode(), 1);
  LastProtoMode(0);
  EXPECT_EQ(LastProtoMode(), 0);
  SetPalReport(1);
  EXPECT_EQ(GetPalReport(), 1);
  SetPalReport(0);
  EXPECT_EQ(GetPalReport(), 0);
  EXPECT_EQ(IsLayerValide(0), 0);
  EXPECT_EQ(IsLayerValide(1), 1);
  EXPECT_EQ(IsLayerValide(255), 1);
}

TEST_F(PaletteRecordsTest, ProtectedNameAndDiagnosticEntry) {
  std::string name = load_string(22265);
  std::string other = name;
  other[0] = static_cast<char>(other[0] ^ 0x20);  // the other case
  EXPECT_EQ(IsProtectedItem(name.data()), 1);
  EXPECT_EQ(IsProtectedItem(other.data()), 0);
  EXPECT_EQ(IsProtectedItem(nullptr), 0);

  char text[] = "checking walls";
  DBW(42, text);
  DBW(7, nullptr);
  const auto entries = reports_.entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].text, "checking walls");
  EXPECT_EQ(entries[1].text, "database browser: record 42");
  EXPECT_EQ(entries[2].text, "database browser: record 7");
}

}  // namespace
