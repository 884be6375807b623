// The node model of list definitions: flag bytes, filter entries, tree cells,
// building a tree from editor records, the placement rules and streaming of trees.
#include <gtest/gtest.h>

#include <cstring>

#include "foundation/list_nodes.h"
#include "foundation/stream_error.h"
#include "listspec/list_tree.h"
#include "stream/stream.h"

namespace {

using namespace dlist::listspec;

TEST(ListNodes, FlagByteAndLevel) {
  DL_MATERIAL_LOOP m;
  EXPECT_EQ(m.FlagByte(), 1);
  m.SetLevel(20);
  EXPECT_EQ(m.Level(), 4u);
  m.SetFlagByte(0x35);
  EXPECT_EQ(m.Level(), 3u);
  EXPECT_TRUE(m.Enabled());
  EXPECT_TRUE(m.PrototypeOnly());
  EXPECT_FALSE(m.IsSummary());
  m.SetSummary(true);
  EXPECT_EQ(m.FlagByte(), 0x3D);
  DL_MATERIAL_LOOP copy(m);
  EXPECT_EQ(copy.FlagByte(), 0x3D);
  // Element loops start without PrototypeOnly.
  DL_ELEMENT_LOOP e(32);
  EXPECT_EQ(e.FlagByte(), 1);
}

TEST(ListNodes, FilterEntryBitsAndResourceKey) {
  DL_FILTER_ENTRY e("MATCODE", 1.5, 2.5, true);
  EXPECT_EQ(e.Type(), 1);
  EXPECT_STREQ(e.Key(), "MATCOD");
  e.SetFlags(0x1F);
  e.SetRequired(false);
  EXPECT_EQ(e.Flags(), 0x1E);
  e.SetStringSearchType(0);
  EXPECT_EQ(e.Flags(), 0x10);
  e.SetStringSearchType(7);
  EXPECT_EQ(e.StringSearchType(), 7u);
  e.Set("K", "a", "b", true);  // keeps the other bits
  EXPECT_EQ(e.Flags(), 0x1F);
  EXPECT_EQ(e.Type(), 2);
  // Field 6 is text 16265 ("MATNAM"); field 0 is "ID".
  DL_FILTER_ENTRY f(6u, 1, 9, false);
  EXPECT_STREQ(f.Key(), "MATNAM");
  EXPECT_EQ(f.Type(), 0);
  EXPECT_STREQ(DL_FILTER_ENTRY(0u, "a", "z", true).Key(), "ID");
}

TEST(ListNodes, SiblingLinksAreCircular) {
  DL_TREE_CELL root(std::make_unique<DL_ROOT_NODE>());
  auto* a = new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(0, true));
  EXPECT_EQ(a->next, a);
  EXPECT_EQ(a->prev, a);
  auto* b = new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(1, true));
  auto* c = new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(2, true));
  root.Append(a);
  root.Append(b);
  EXPECT_EQ(root.child, a);
  EXPECT_EQ(a->next, b);
  EXPECT_EQ(a->prev, b);
  EXPECT_EQ(b->next, a);
  root.Append(c);
  EXPECT_EQ(b->next, c);
  EXPECT_EQ(a->prev, c);
  EXPECT_EQ(c->parent, &root);
}

TEST(ListNodes, KeysArePackedAndCorrected) {
  DL_ELEMENT_LOOP e(1);
  e.SetKey(0, "", 0);
  e.SetKey(1, "ID", 1);
  EXPECT_FALSE(e.Valid());
  DL_REPORT_LIST texts;
  EXPECT_EQ(e.Report(texts), 1u);
  e.Correct();
  EXPECT_TRUE(e.Valid());
  EXPECT_STREQ(e.Key(0), "ID");
  EXPECT_EQ(e.KeyFlag(0), 1);
  EXPECT_STREQ(e.Key(1), "");
  EXPECT_FALSE(DL_ELEMENT_LOOP(3).Valid());  // two kinds at once
}

TEST(ListNodes, NamesFromEditorTexts) {
  const std::string title = KindTitle(9);
  EXPECT_EQ(LabelFromText(title, title), "");
  EXPECT_EQ(LabelFromText("Concrete (" + title + ")", title), "Concrete");
  EXPECT_EQ(KindTitle(16), "Wall");
}

TEST(ListNodes, TreeFromEditorRecords) {
  EditorRecord start;
  start.kind = kKindSection;
  start.numbers = {0};
  start.flags[0] = 1;
  EditorRecord walls;
  walls.kind = 16;
  walls.text = "Outer (Wall)";
  walls.prototype_only = 1;
  std::strcpy(walls.keys[0], "ID");
  walls.flags[0] = 1;  // a ticked box is stored as 0
  EditorRecord mat;
  mat.kind = 9;
  mat.text = KindTitle(9);
  mat.value_type_or_level = 3;
  mat.flags[0] = 1;
  walls.sons.push_back(mat);
  EditorRecord unknown;
  unknown.kind = 7;  // no node class
  DL_LISTSPEC_LIST set;
  DL_LISTSPEC list_def(set);
  BuildTree(list_def, {start, walls, unknown});
  auto top = list_def.Tree()->Sons();
  ASSERT_EQ(top.size(), 2u);
  const auto& s = static_cast<const DL_SECTION_NODE&>(*top[0]->node);
  EXPECT_TRUE(s.SectionFlag());
  const auto& e = static_cast<const DL_ELEMENT_LOOP&>(*top[1]->node);
  EXPECT_EQ(e.Mask(), 1);
  EXPECT_EQ(e.Name().view(), "Outer");
  EXPECT_TRUE(e.PrototypeOnly());
  EXPECT_EQ(e.KeyFlag(0), 0);
  const auto& m = *top[1]->Sons().at(0)->node;
  EXPECT_EQ(m.Level(), 3u);
  EXPECT_TRUE(m.IsSummary());
  EXPECT_EQ(static_cast<const DL_LOOP&>(m).Name().length(), 0u);
}

TEST(ListNodes, PlacementRules) {
  auto allowed = [](DL_TREE_NODEPATH path, DL_TREE_NODETYPE t, uint32_t scope) {
    return DL_LISTSPEC_LIST::IsSonAllowed(path, {t, scope});
  };
  const DL_TREE_NODEPATH wall{{DL_ELEMENT, 1}};
  const DL_TREE_NODEPATH roof{{DL_ELEMENT, 64}};
  const DL_TREE_NODEPATH floor{{DL_FLOOR, kScopeFloor}};
  const DL_TREE_NODEPATH material{{DL_MATERIAL, kScopeMaterial}, {DL_ELEMENT, 1}};
  EXPECT_TRUE(allowed({}, DL_MATERIAL, kScopeMaterial));  // the top level asks nothing
  EXPECT_TRUE(allowed(wall, DL_MATERIAL, kScopeMaterial));
  EXPECT_FALSE(allowed(floor, DL_MATERIAL, kScopeMaterial));
  EXPECT_TRUE(allowed(material, DL_SUBPRICE, kScopeSubprice));
  EXPECT_FALSE(allowed(wall, DL_SUBPRICE, kScopeSubprice));
  EXPECT_TRUE(allowed(roof, DL_EDGE, kScopeEdge));
  EXPECT_FALSE(allowed(wall, DL_EDGE, kScopeEdge));
  EXPECT_FALSE(allowed(wall, DL_FLOOR, kScopeFloor));
  EXPECT_TRUE(allowed(floor, DL_ELEMENT, 1));
  EXPECT_FALSE(allowed(wall, DL_ELEMENT, 2));
  EXPECT_TRUE(allowed(wall, DL_SECTION, 1));
  EXPECT_FALSE(allowed(floor, DL_SECTION, kScopeMaterial));
  EXPECT_FALSE(allowed(floor, DL_ROOT, 0));
  // A sibling's path starts at the target's parent.
  DL_TREE_CELL root(std::make_unique<DL_ROOT_NODE>());
  auto* e = new DL_TREE_CELL(std::make_unique<DL_ELEMENT_LOOP>(1));
  root.Append(e);
  EXPECT_TRUE(PlacementAllowed(e, true, DL_MATERIAL_LOOP()));
  EXPECT_TRUE(PlacementAllowed(e, false, DL_MATERIAL_LOOP()));  // top level
}

TEST(ListNodes, TreesStreamBackEqualAndDamageIsRefused) {
  DL_TREE_CELL* root = NewListTree();
  auto* e = new DL_TREE_CELL(std::make_unique<DL_ELEMENT_LOOP>(32));
  auto a = std::make_unique<DL_STRING_ATTRIBUTE_LOOP>("LOCAT");
  a->Add("north");
  a->Filters().Add(DL_FILTER_ENTRY("NAME", "a", "m", true));
  root->Append(e);
  e->Append(new DL_TREE_CELL(std::move(a)));
  StreamOutputMemory out;
  DL_WriteTree(out, root);
  StreamInputMemory in(out.bytes().data(), out.bytes().size());
  std::unique_ptr<DL_TREE_CELL> back(DL_ReadTree(in));
  EXPECT_TRUE(DL_TreesEqual(root, back.get()));
  // Every cut of the bytes is refused.
  for (std::size_t n = 0; n < out.bytes().size(); ++n) {
    StreamInputMemory cut(out.bytes().data(), n);
    EXPECT_THROW(delete DL_ReadTree(cut), dlist::StreamError) << n;
  }
  delete root;
}

TEST(ListNodes, DeepTreesAreRefusedNotFollowed) {
  // A chain of conditional groups far deeper than the cap, written by hand.
  StreamOutputMemory out;
  DL_INFO info;
  for (unsigned i = 0; i < 10000; ++i) {
    unsigned char type = i == 0 ? DL_ROOT : DL_CONDITIONAL_GROUP;
    out.io(type);
    std::unique_ptr<DL_LIST_TREE_NODE> n = DL_MakeNode(type);
    n->io(out, info, 0);
    unsigned sons = i + 1 < 10000 ? 1 : 0;
    out.io(sons);
  }
  StreamInputMemory in(out.bytes().data(), out.bytes().size());
  EXPECT_THROW(delete DL_ReadTree(in), dlist::StreamError);
}

}  // namespace
