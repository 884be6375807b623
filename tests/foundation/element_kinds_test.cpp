#include "foundation/element_kinds.h"

#include <gtest/gtest.h>

#include "foundation/records.h"

TEST(ElementKinds, TableDrivesEveryKind) {
  EXPECT_EQ(dlist::kind_facts(0), nullptr);
  EXPECT_EQ(dlist::kind_facts(14), nullptr);
  EXPECT_STREQ(dlist::kind_facts(3)->name, "Wind");
  EXPECT_EQ(dlist::kind_from_cli_name("hotspot"), 13);
  EXPECT_EQ(dlist::kind_from_cli_name("chair"), 0);

  // Every palette begins with its layer byte, and every table entry names its kind.
  int visited = 0;
  dlist::for_each_kind([&](auto kind) {
    using K = decltype(kind);
    typename K::palette palette{};
    palette.layer = 0x5A;
    unsigned char image[sizeof palette];
    EXPECT_EQ(sizeof palette, K::facts.palette_image_size);
    dlist::to_plain_image(palette, image);
    EXPECT_EQ(image[0], 0x5A) << K::facts.name;
    EXPECT_EQ(K::facts.has_surfaces, K::kind <= 8);
    ++visited;
  });
  EXPECT_EQ(visited, 13);

  int seen = 0;
  EXPECT_TRUE(dlist::visit_kind(12, [&](auto kind) { seen = decltype(kind)::kind; }));
  EXPECT_EQ(seen, 12);
  EXPECT_FALSE(dlist::visit_kind(0, [&](auto) { seen = -1; }));
  EXPECT_EQ(seen, 12);
}

TEST(ElementKinds, TypeCodesAndNewTreeNodes) {
  EXPECT_EQ(DBTEXTTYPE::streamedtype(), 15);
  EXPECT_EQ(DBTEXTTYPE::let_type(), 0x80000);
  EXPECT_EQ(DBSTAITYPE::rttype(), 13);
  EXPECT_EQ(DBWALLPALETTE::streamedtype(), 29);
  EXPECT_EQ(DBEDGEPALETTE::streamedtype(), 72);
  EXPECT_EQ(DBSURFREFTYPE::streamedtype(), 49);

  DBPALETTENODETYPE node;
  EXPECT_EQ(node.level, 0);
  EXPECT_EQ(node.kind, 0);
  EXPECT_EQ(node.last, -1);
  EXPECT_STREQ(node.name, "");
  node.set_name("Walls");
  node.level = -3;
  EXPECT_TRUE(node.is_leaf());
  DBPALETTENODETYPE other = node;
  EXPECT_EQ(other, node);
  other.description.put("x");
  EXPECT_FALSE(other == node);
}
