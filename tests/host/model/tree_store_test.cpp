// The palette and prototype trees of the model database: system levels, nodes and
// folders, names, walks, moves and removals.
#include "host/model/tree_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/model/kind_calls.h"
#include "model_test_support.h"

namespace dlist::testing {
namespace {

using TreeStoreTest = ModelTest;

long wall_palette(int seed) {
  int existed = 0;
  return cre_wallpalette(patterned<DBWALLPALETTE>(seed), nullptr, &existed);
}

TEST_F(TreeStoreTest, NewProjectHasTheSystemLevels) {
  PALETTES pal;
  DBPALETTENODETYPE node;
  const long root = pal.rew_node(0);
  ASSERT_GT(root, 0);
  EXPECT_EQ(pal.get_root(0), root);
  ASSERT_EQ(pal.get_id_node(root, &node), root);
  EXPECT_EQ(node.level, 0);
  EXPECT_EQ(node.kind, 0);
  std::vector<long> groups;
  for (long id; (id = pal.get_node(&node)) > 0;) {
    EXPECT_EQ(node.level, 1);
    EXPECT_EQ(node.kind, static_cast<int>(groups.size()) + 1);
    groups.push_back(id);
  }
  ASSERT_EQ(groups.size(), 13u);
  for (int kind = 1; kind <= 13; ++kind) {
    PALETTES inner;
    ASSERT_EQ(inner.rew_node(groups[kind - 1]), groups[kind - 1]);
    const long folder = inner.get_node(&node);
    EXPECT_EQ(node.level, 2);
    EXPECT_EQ(node.kind, kind);
    EXPECT_EQ(inner.get_node(&node), 0);  // one kind folder per level-1 node
    EXPECT_EQ(pal.get_root(static_cast<short>(kind)), folder);
    EXPECT_EQ(pal.up_node(folder), groups[kind - 1]);
  }
  EXPECT_EQ(pal.get_root(14), 0);
  EXPECT_EQ(pal.up_node(root), 0);

  PROTOTYPES proto;
  DBPROTOTYPENODE pnode;
  const long proot = proto.rew_node(0);
  ASSERT_GT(proot, 0);
  EXPECT_NE(proot, root);
  int kind = 0;
  for (long id; (id = proto.get_node(&pnode)) > 0;) {
    EXPECT_EQ(pnode.level, 1);
    EXPECT_EQ(pnode.kind, ++kind);
    EXPECT_EQ(proto.get_root(static_cast<short>(kind)), id);
  }
  EXPECT_EQ(kind, 13);
  // The trees do not share nodes.
  EXPECT_EQ(proto.is_nodeid(root), 0);
  EXPECT_EQ(pal.is_nodeid(proot), 0);
  EXPECT_EQ(pal.rew_node(proot), -1);
}

TEST_F(TreeStoreTest, NodesAndFoldersRoundTrip) {
  PALETTES pal;
  const long walls = pal.get_root(1);
  auto folder = node_named<DBPALETTENODETYPE>("Outer", "outer walls");
  folder.kind = 5;  // the store takes the kind of the folder
  const long outer = pal.cre_node(walls, folder, 0);
  ASSERT_GT(outer, 0);
  EXPECT_EQ(folder.level, 3);
  EXPECT_EQ(folder.kind, 1);
  auto sub = node_named<DBPALETTENODETYPE>("Brick");
  const long brick = pal.cre_node(outer, sub, 0);
  const long palette = wall_palette(1);
  auto leaf = node_named<DBPALETTENODETYPE>("B30", "thirty");
  leaf.last = 7;
  const long b30 = pal.cre_node(brick, leaf, palette);
  ASSERT_GT(b30, 0);
  EXPECT_EQ(leaf.level, -5);

  DBPALETTENODETYPE back;
  ASSERT_EQ(pal.get_id_node(b30, &back), b30);
  EXPECT_TRUE(back == leaf);
  EXPECT_STREQ(back.description.get(), "thirty");
  EXPECT_EQ(pal.is_folder(b30), 0);
  EXPECT_EQ(pal.is_folder(brick), 1);
  EXPECT_EQ(pal.up_node(b30), brick);
  short kind = 0;
  EXPECT_EQ(pal.get_id_palette(b30, &kind), palette);
  EXPECT_EQ(kind, 1);
  EXPECT_EQ(pal.get_id_palette(brick), 0);
  EXPECT_EQ(pal.is_nodeid(palette), 0);  // records and nodes never share identifiers
  EXPECT_EQ(pal.get_id_node(palette, &back), 0);

  // Refusals: a system level, an empty name, a leaf as parent, a record of
  // another kind, a node that does not exist.
  auto other = node_named<DBPALETTENODETYPE>("X");
  EXPECT_EQ(pal.cre_node(pal.get_root(0), other, 0), -1);
  EXPECT_EQ(pal.cre_node(pal.up_node(walls), other, 0), -1);
  auto empty = node_named<DBPALETTENODETYPE>("");
  EXPECT_EQ(pal.cre_node(walls, empty, 0), -1);
  EXPECT_EQ(pal.cre_node(b30, other, 0), -1);
  EXPECT_EQ(pal.cre_node(pal.get_root(2), other, palette), -1);
  EXPECT_EQ(pal.cre_node(999999, other, 0), -1);
  EXPECT_EQ(pal.cre_node(walls, other, 999999), -1);

  // A name is taken once per class: a second folder Outer is refused with 0, a
  // leaf Outer is not.
  auto again = node_named<DBPALETTENODETYPE>("Outer");
  EXPECT_EQ(pal.cre_node(walls, again, 0), 0);
  EXPECT_GT(pal.cre_node(walls, again, wall_palette(2)), 0);
  EXPECT_EQ(pal.is_usedname(walls, "Outer", 0), 1);
  EXPECT_EQ(pal.is_usedname(walls, "Inner", 1), 0);
  EXPECT_EQ(pal.is_usedname(walls, "", 1), 1);
  EXPECT_EQ(pal.is_usedname(walls, "outer", 1), 0);  // names are case-sensitive
}

TEST_F(TreeStoreTest, CreFolderReportsAnExistingFolder) {
  PROTOTYPES proto;
  const long doors = proto.get_root(2);
  auto node = node_named<DBPROTOTYPENODE>("Entrance");
  int existed = -1;
  const long first = proto.cre_folder(doors, node, &existed);
  ASSERT_GT(first, 0);
  EXPECT_EQ(existed, 0);
  EXPECT_EQ(node.level, 2);
  EXPECT_EQ(proto.cre_folder(doors, node, &existed), first);
  EXPECT_EQ(existed, 1);
  auto other = node_named<DBPROTOTYPENODE>("Entrance~1");
  EXPECT_GT(proto.cre_folder(doors, other, &existed), first);
  EXPECT_EQ(existed, 0);
  auto empty = node_named<DBPROTOTYPENODE>("");
  EXPECT_LT(proto.cre_folder(doors, empty, &existed), 0);
  // A system node of the same name is not a folder to merge with.
  auto system = node_named<DBPROTOTYPENODE>("Doors");
  EXPECT_LT(proto.cre_folder(proto.get_root(0), system, &existed), 0);
  EXPECT_EQ(existed, 0);
}

TEST_F(TreeStoreTest, ModNodeChangesNameDescriptionAndLastOnly) {
  PALETTES pal;
  const long lines = pal.get_root(11);
  auto a = node_named<DBPALETTENODETYPE>("A");
  auto b = node_named<DBPALETTENODETYPE>("B");
  const long ida = pal.cre_node(lines, a, 0);
  pal.cre_node(lines, b, 0);
  auto changed = node_named<DBPALETTENODETYPE>("C", "new text");
  changed.level = -9, changed.kind = 3, changed.last = 12;
  EXPECT_EQ(pal.mod_node(ida, changed), 1);
  DBPALETTENODETYPE back;
  pal.get_id_node(ida, &back);
  EXPECT_STREQ(back.name, "C");
  EXPECT_STREQ(back.description.get(), "new text");
  EXPECT_EQ(back.last, 12);
  EXPECT_EQ(back.level, 3);
  EXPECT_EQ(back.kind, 11);
  EXPECT_EQ(pal.mod_node(ida, b), 0);        // the sibling folder's name
  EXPECT_EQ(pal.mod_node(ida, changed), 1);  // its own name
  EXPECT_EQ(pal.mod_node(999999, changed), 0);
}

TEST_F(TreeStoreTest, FindMatchesLevelKindAndName) {
  PROTOTYPES proto;
  const long walls = proto.get_root(1);
  DBWALLTYPE wall;
  const long rec = cre_wall(&wall, nullptr, nullptr, nullptr, -1, 0);
  auto leaf = node_named<DBPROTOTYPENODE>("Auto", "d");
  const long id = proto.cre_node(walls, leaf, rec);
  auto wanted = node_named<DBPROTOTYPENODE>("Auto");
  wanted.level = -2, wanted.kind = 1;
  EXPECT_EQ(proto.find(wanted), id);
  wanted.kind = 2;
  EXPECT_EQ(proto.find(wanted), 0);
  wanted.kind = 1, wanted.level = 2;
  EXPECT_EQ(proto.find(wanted), 0);
  EXPECT_EQ(proto.get_id_prototype(id), rec);
}

TEST_F(TreeStoreTest, WalksFollowStoreOrder) {
  PALETTES pal;
  const long doors = pal.get_root(2);
  std::vector<long> made;
  for (const char* name : {"Z", "A", "M"}) {
    auto n = node_named<DBPALETTENODETYPE>(name);
    made.push_back(pal.cre_node(doors, n, 0));
  }
  auto inner = node_named<DBPALETTENODETYPE>("inner");
  const long deep = pal.cre_node(made[0], inner, 0);
  ASSERT_EQ(pal.rew_node(doors), doors);
  DBPALETTENODETYPE n;
  std::vector<long> seen;
  for (long id; (id = pal.get_node(&n)) > 0;) seen.push_back(id);
  EXPECT_EQ(seen, made);  // creation order, not name order

  // The whole tree: each folder before its contents, children in store order.
  std::vector<long> all;
  ASSERT_EQ(pal.rew_palettenode(), pal.get_root(0));
  for (long id; (id = pal.get_palettenode(&n)) > 0;) all.push_back(id);
  ASSERT_EQ(all.size(), 1u + 26u + 4u);
  EXPECT_EQ(all[0], pal.get_root(0));
  const auto at = [&all](long id) { return std::find(all.begin(), all.end(), id) - all.begin(); };
  EXPECT_LT(at(doors), at(made[0]));
  EXPECT_EQ(at(made[0]) + 1, at(deep));
  EXPECT_EQ(at(deep) + 1, at(made[1]));
  EXPECT_LT(at(pal.get_root(1)), at(doors));

  // A node removed during a walk is skipped.
  pal.rew_node(doors);
  ASSERT_EQ(pal.get_node(&n), made[0]);
  PALETTES other;
  ASSERT_EQ(other.del_node(made[1], 0), 1);
  EXPECT_EQ(pal.get_node(&n), made[2]);
}

TEST_F(TreeStoreTest, MoveNodeCarriesTheSubtreeAndKeepsTheRules) {
  PALETTES pal;
  const long walls = pal.get_root(1);
  auto a = node_named<DBPALETTENODETYPE>("A");
  auto b = node_named<DBPALETTENODETYPE>("B");
  auto leaf = node_named<DBPALETTENODETYPE>("P");
  const long ida = pal.cre_node(walls, a, 0);
  const long idb = pal.cre_node(walls, b, 0);
  const long idp = pal.cre_node(ida, leaf, wall_palette(3));
  ASSERT_EQ(pal.move_node(ida, idb), 1);
  DBPALETTENODETYPE n;
  pal.get_id_node(ida, &n);
  EXPECT_EQ(n.level, 4);
  pal.get_id_node(idp, &n);
  EXPECT_EQ(n.level, -5);
  EXPECT_EQ(pal.up_node(ida), idb);

  EXPECT_EQ(pal.move_node(idb, ida), 0);  // into its own subtree
  EXPECT_EQ(pal.move_node(idb, idb), 0);
  EXPECT_EQ(pal.move_node(ida, pal.get_root(2)), 0);     // another kind
  EXPECT_EQ(pal.move_node(walls, pal.get_root(1)), 0);   // a system node
  EXPECT_EQ(pal.move_node(ida, pal.up_node(walls)), 0);  // above the kind folder
  EXPECT_EQ(pal.move_node(idp, idp), 1);                 // a leaf stands for its folder

  // Back to the kind folder by dropping on a leaf there; a name taken there refuses.
  auto marker = node_named<DBPALETTENODETYPE>("M");
  const long idm = pal.cre_node(walls, marker, wall_palette(4));
  ASSERT_EQ(pal.move_node(idp, idm), 1);
  pal.get_id_node(idp, &n);
  EXPECT_EQ(n.level, -3);
  auto clash = node_named<DBPALETTENODETYPE>("A");
  const long twin = pal.cre_node(walls, clash, 0);
  ASSERT_GT(twin, 0);
  EXPECT_EQ(pal.move_node(ida, walls), 0);
  EXPECT_EQ(pal.up_node(ida), idb);
}

TEST_F(TreeStoreTest, DelNodeKeepsPalettesAndDropsPrototypeRecords) {
  PALETTES pal;
  const long walls = pal.get_root(1);
  auto f = node_named<DBPALETTENODETYPE>("F");
  auto p = node_named<DBPALETTENODETYPE>("P");
  const long folder = pal.cre_node(walls, f, 0);
  const long palette = wall_palette(5);
  const long leaf = pal.cre_node(folder, p, palette);
  EXPECT_EQ(pal.del_node(folder, 0), 0);  // not empty
  EXPECT_EQ(pal.del_node(walls, 1), 0);   // a system node
  ASSERT_EQ(pal.del_node(folder, 1), 1);
  EXPECT_EQ(pal.is_nodeid(leaf), 0);
  EXPECT_EQ(pal.get_palette_type(palette), 1);
  EXPECT_EQ(pal.get_palid_node(palette, nullptr), 0);
  ASSERT_EQ(pal.rew_palette(1), 1);
  EXPECT_EQ(pal.get_palette(1), palette);  // now without a node

  PROTOTYPES proto;
  DBLINETYPE line;
  const long rec = cre_line(&line, nullptr, nullptr, -1, 0);
  auto n1 = node_named<DBPROTOTYPENODE>("one");
  auto n2 = node_named<DBPROTOTYPENODE>("two");
  const long first = proto.cre_node(proto.get_root(11), n1, rec);
  const long second = proto.cre_node(proto.get_root(11), n2, rec);
  ASSERT_EQ(proto.del_node(first, 0), 1);
  EXPECT_EQ(get_id_line(rec, &line, nullptr, nullptr), rec);  // still carried
  ASSERT_EQ(proto.del_node(second, 0), 1);
  EXPECT_EQ(get_id_line(rec, &line, nullptr, nullptr), 0);
  EXPECT_EQ(rows("elements"), 0);
}

TEST_F(TreeStoreTest, DelRecordRemovesTheRecordAndOnRequestItsNodes) {
  PALETTES pal;
  const long palette = wall_palette(6);
  auto p = node_named<DBPALETTENODETYPE>("P");
  const long node = pal.cre_node(pal.get_root(1), p, palette);
  EXPECT_EQ(pal.del_record(palette, 0), 0);  // carried by a node
  ASSERT_TRUE(db_.add_palette_reference(palette, 0, 77));
  EXPECT_EQ(pal.del_record(palette, 1), 0);  // used by an element
  ASSERT_EQ(pal.move_references(palette, wall_palette(7)), 1);
  ASSERT_EQ(pal.del_record(palette, 1), 1);
  EXPECT_EQ(pal.is_nodeid(node), 0);
  EXPECT_EQ(pal.get_palette_type(palette), 0);
  EXPECT_EQ(pal.del_record(palette, 1), 0);
  EXPECT_EQ(pal.del_record(pal.get_root(1), 1), 0);  // a node is not a record
}

TEST_F(TreeStoreTest, PalettesTheirNodesAndReferences) {
  PALETTES pal;
  const long first = wall_palette(8);
  const long second = wall_palette(9);
  int existed = 0;
  const long hotspot = cre_hotspalette(patterned<DBHOTSPALETTE>(1), &existed);
  auto n = node_named<DBPALETTENODETYPE>("N", "d");
  const long node = pal.cre_node(pal.get_root(1), n, first);
  DBPALETTENODETYPE back;
  EXPECT_EQ(pal.get_palid_node(first, &back), node);
  EXPECT_TRUE(back == n);
  EXPECT_EQ(pal.get_palid_node(second, &back), 0);
  EXPECT_EQ(pal.get_palid_node(999999, &back), -1);
  EXPECT_EQ(pal.get_palette_type(hotspot), 13);
  EXPECT_EQ(pal.get_palette_type(node), 0);

  ASSERT_EQ(pal.rew_palette(1), 2);
  EXPECT_EQ(pal.get_palette(1), second);
  EXPECT_EQ(pal.get_palette(1), 0);
  ASSERT_EQ(pal.rew_palette(0), 3);
  std::vector<long> all;
  for (long id; (id = pal.get_palette(0)) > 0;) all.push_back(id);
  EXPECT_EQ(all, (std::vector<long>{first, second, hotspot}));

  ASSERT_TRUE(db_.add_palette_reference(first, 0, 1));
  ASSERT_TRUE(db_.add_palette_reference(first, 2, 2));
  ASSERT_TRUE(db_.add_palette_reference(first, 2, 3));
  EXPECT_FALSE(db_.add_palette_reference(first, 3, 4));
  EXPECT_FALSE(db_.add_palette_reference(node, 0, 4));
  int a = -1, b = -1, c = -1;
  ASSERT_EQ(pal.get_references_number(first, &a, &b, &c), 1);
  EXPECT_EQ(std::vector<int>({a, b, c}), std::vector<int>({1, 0, 2}));
  EXPECT_EQ(pal.move_references(first, hotspot), 0);  // another kind
  EXPECT_EQ(pal.move_references(first, first), 1);
  ASSERT_EQ(pal.move_references(first, second), 1);
  pal.get_references_number(first, &a, &b, &c);
  EXPECT_EQ(a + b + c, 0);
  pal.get_references_number(second, &a, &b, &c);
  EXPECT_EQ(std::vector<int>({a, b, c}), std::vector<int>({1, 0, 2}));
  EXPECT_EQ(pal.get_references_number(999999, &a, &b, &c), 0);
  EXPECT_EQ(a + b + c, 0);
}

}  // namespace
}  // namespace dlist::testing
