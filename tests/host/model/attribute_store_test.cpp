// The attribute library of the model database: the tree of groups and attributes,
// its name rules, references per element kind, held files and the uses by presets.
#include "host/model/attribute_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/material_records.h"
#include "foundation/references.h"
#include "host/model/element_parameters.h"
#include "host/model/kind_calls.h"
#include "model_test_support.h"

namespace dlist::testing {
namespace {

using AttributeStoreTest = ModelTest;

DBATTRIBUTENODETYPE group(const char* name) {
  DBATTRIBUTENODETYPE n;
  n.set_name(name);
  return n;
}

DBATTRIBUTETYPE definition(const char* name, const char* abbrev, uint32_t kind,
                           uint32_t filter = 0x3) {
  DBATTRIBUTETYPE d;
  d.set_name(name);
  d.set_abbrev(abbrev);
  d.flags = kind | filter;
  return d;
}

long new_attribute(long parent, const char* name, const char* abbrev,
                   uint32_t kind = DBATTRIBUTETYPE::kText, uint32_t filter = 0x3) {
  DBATTRIBUTETYPE d = definition(name, abbrev, kind, filter);
  return ATTRIBUTES().cre_attribute(parent, &d);
}

long list_of(long attribute) {
  DBATTRIBUTETYPE d;
  return ATTRIBUTES().get_id_attribute(attribute, &d);
}

std::vector<std::string> walk_refs(long list, long bit) {
  ATTR_REF refs;
  std::vector<std::string> names;
  if (refs.rew(list, bit) < 1) return names;
  char name[17];
  TEXTBUFFER value;
  char flags = 0;
  while (refs.get(name, &value, &flags) > 0) names.emplace_back(name);
  return names;
}

std::vector<unsigned char> embedded(const char* name, const std::string& content) {
  return make_embedded_file(
      name, {reinterpret_cast<const unsigned char*>(content.data()), content.size()});
}

TEST_F(AttributeStoreTest, NewProjectHoldsTheNamedRootAndEntriesWalkInOrder) {
  ATTRIBUTES store;
  DBATTRIBUTENODETYPE node;
  const long root = store.rew_node(0);
  ASSERT_GT(root, 0);
  long parent = -1;
  ASSERT_EQ(store.get_id_node(root, &node, &parent), root);
  EXPECT_STREQ(node.name, "Attributes");
  EXPECT_EQ(node.kind, 0);
  EXPECT_EQ(parent, 0);
  EXPECT_EQ(store.get_node(&node), 0);

  DBATTRIBUTENODETYPE g = group("Doors");
  const long doors = store.cre_node(root, &g);
  ASSERT_GT(doors, 0);
  EXPECT_GT(g.kind, 0);
  const long fire = new_attribute(root, "Fire rating", "FIRE");
  ASSERT_GT(fire, 0);
  ASSERT_EQ(store.rew_node(0), root);
  ASSERT_EQ(store.get_node(&node), doors);
  EXPECT_TRUE(node.is_group());
  ASSERT_EQ(store.get_node(&node), fire);
  EXPECT_LT(node.kind, 0);
  EXPECT_STREQ(node.name, "Fire rating");
  EXPECT_EQ(store.rew_node(fire), 0);  // an attribute holds no entries
  // The list identifier differs from the entry's.
  const long list = list_of(fire);
  EXPECT_GT(list, 0);
  EXPECT_NE(list, fire);
  EXPECT_EQ(store.get_abbrev_attribute("FIRE", nullptr), fire);
  EXPECT_EQ(store.get_abbrev_attribute("fire", nullptr), 0);

  // The tables are made again where missing, and a reopened file keeps its root.
  const auto path = std::filesystem::temp_directory_path() / "dlist_attr_store_test.dlist";
  std::filesystem::remove(path);
  {
    ModelDatabase file;
    ASSERT_TRUE(file.open(path.string()));
    file.connection().exec("DROP TABLE attr_nodes; DROP TABLE attr_defs; DROP TABLE attr_refs;");
  }
  ModelDatabase file;
  ASSERT_TRUE(file.open(path.string()));
  ActiveModel active(file);
  EXPECT_GT(ATTRIBUTES().rew_node(0), 0);
  file.close();
  std::filesystem::remove(path);
}

TEST_F(AttributeStoreTest, NameAndAbbreviationRules) {
  ATTRIBUTES store;
  const long root = store.rew_node(0);
  DBATTRIBUTENODETYPE g = group("Doors");
  const long doors = store.cre_node(root, &g);
  EXPECT_EQ(store.cre_node(root, &g), ATTRIBUTES::kNameTaken);
  DBATTRIBUTENODETYPE empty = group("");
  EXPECT_EQ(store.cre_node(root, &empty), 0);

  // A group and an attribute may share a name; two attributes of one group not.
  ASSERT_GT(new_attribute(root, "Doors", "DR"), 0);
  EXPECT_EQ(new_attribute(root, "Doors", "DR2"), ATTRIBUTES::kNameTaken);
  EXPECT_GT(new_attribute(doors, "Doors", "DR3"), 0);
  EXPECT_EQ(new_attribute(doors, "Other", "DR"), ATTRIBUTES::kAbbrevTaken);
  EXPECT_EQ(new_attribute(doors, "Kindless", "KL", 0), 0);
  EXPECT_EQ(new_attribute(doors, "Two kinds", "TK",
                          DBATTRIBUTETYPE::kText | DBATTRIBUTETYPE::kFile),
            0);
  DBATTRIBUTETYPE unterminated = definition("x", "ABC", DBATTRIBUTETYPE::kText);
  std::memset(unterminated.abbrev, 'A', sizeof unterminated.abbrev);
  EXPECT_EQ(store.cre_attribute(root, &unterminated), 0);

  // Renames: a group by mod_node, an attribute by mod_node or mod_attribute.
  const long a = new_attribute(doors, "Finish", "FIN");
  DBATTRIBUTENODETYPE rename = group("Doors");
  EXPECT_EQ(store.mod_node(a, &rename), 0);  // "Doors" is an attribute of that group
  rename.set_name("Surface");
  EXPECT_NE(store.mod_node(a, &rename), 0);
  DBATTRIBUTETYPE d;
  ASSERT_GT(store.get_id_attribute(a, &d), 0);
  EXPECT_STREQ(d.name, "Surface");
  d.set_abbrev("DR3");
  EXPECT_EQ(store.mod_attribute(a, &d), 0);  // abbreviation of another attribute
  d.set_abbrev("SRF");
  d.set_name("Surface finish");
  EXPECT_NE(store.mod_attribute(a, &d), 0);
  EXPECT_EQ(store.get_abbrev_attribute("SRF", nullptr), a);
  EXPECT_EQ(store.mod_node(root, &rename), 0);  // the root keeps its name
}

TEST_F(AttributeStoreTest, MoveNodeResults) {
  ATTRIBUTES store;
  const long root = store.rew_node(0);
  DBATTRIBUTENODETYPE g = group("A");
  const long a = store.cre_node(root, &g);
  g.set_name("B");
  const long b = store.cre_node(a, &g);
  const long x = new_attribute(root, "X", "X");
  const long y = new_attribute(b, "Y", "Y");

  long moved = x, target = a;
  EXPECT_EQ(store.move_node(&moved, &target), 1);
  EXPECT_EQ(target, a);
  long parent = 0;
  store.get_id_node(x, nullptr, &parent);
  EXPECT_EQ(parent, a);
  // Onto an attribute: beside it, and the target becomes its group.
  target = y;
  EXPECT_EQ(store.move_node(&moved, &target), 2);
  EXPECT_EQ(target, b);
  store.get_id_node(x, nullptr, &parent);
  EXPECT_EQ(parent, b);
  // Refused: the root, a group into itself or below itself, a taken name.
  moved = root, target = a;
  EXPECT_EQ(store.move_node(&moved, &target), 0);
  moved = a, target = b;
  EXPECT_EQ(store.move_node(&moved, &target), 0);
  moved = a, target = a;
  EXPECT_EQ(store.move_node(&moved, &target), 0);
  const long other_x = new_attribute(root, "X", "X2");
  moved = other_x, target = b;
  EXPECT_EQ(store.move_node(&moved, &target), 0);
  EXPECT_EQ(target, b);
}

TEST_F(AttributeStoreTest, ReferencesPerKindBitAndTheirRules) {
  const long root = ATTRIBUTES().rew_node(0);
  const long doors_only = new_attribute(root, "Handle", "HDL", DBATTRIBUTETYPE::kText, 0x2);
  const long list = list_of(doors_only);
  ATTR_REF refs;
  EXPECT_GT(refs.cre(list, "steel", TEXTBUFFER("Steel"), 0), 0);
  const long brass = refs.cre(list, "brass", TEXTBUFFER("Brass"), 0);
  EXPECT_GT(brass, 0);
  EXPECT_EQ(refs.cre(list, "steel", TEXTBUFFER("again"), 0), 0);
  EXPECT_EQ(refs.cre(list, "", TEXTBUFFER("x"), 0), 0);
  EXPECT_EQ(refs.cre(list, "seventeen-chars-x", TEXTBUFFER("x"), 0), 0);
  EXPECT_EQ(refs.cre(list + 1000, "n", TEXTBUFFER("x"), 0), 0);

  EXPECT_EQ(walk_refs(list, 0), (std::vector<std::string>{"brass", "steel"}));  // name order
  EXPECT_EQ(walk_refs(list, 2), (std::vector<std::string>{"brass", "steel"}));
  EXPECT_TRUE(walk_refs(list, 1).empty());
  EXPECT_EQ(refs.rew(list, 1), 0);

  // A new filter carries the references along.
  DBATTRIBUTETYPE d;
  ATTRIBUTES().get_id_attribute(doors_only, &d);
  d.flags = DBATTRIBUTETYPE::kText | 0x1;
  ASSERT_NE(ATTRIBUTES().mod_attribute(doors_only, &d), 0);
  EXPECT_EQ(walk_refs(list, 1).size(), 2u);
  EXPECT_TRUE(walk_refs(list, 2).empty());

  // An indirect reference follows a rename through the walk's last read.
  const long pointer = refs.cre(list, "default", TEXTBUFFER("brass"), DBATTREFTYPE::kIndirect);
  ASSERT_GT(pointer, 0);
  EXPECT_NE(refs.mod_name(brass, "bronze"), 0);
  ASSERT_EQ(refs.rew(list, 0), 3);
  char name[17];
  TEXTBUFFER value;
  char flags = 0;
  EXPECT_EQ(refs.mod_indirect_name("bronze"), 0);  // nothing read yet
  while (refs.get(name, &value, &flags) > 0 && std::string(name) != "default") {
  }
  EXPECT_NE(refs.mod_indirect_name("bronze"), 0);
  long in_list = 0;
  ASSERT_EQ(refs.get_id(pointer, name, &value, &flags, &in_list), pointer);
  EXPECT_STREQ(value.get(), "bronze");
  EXPECT_EQ(in_list, list);
  EXPECT_NE(refs.del(pointer), 0);
  EXPECT_EQ(refs.del(pointer), 0);
}

TEST_F(AttributeStoreTest, HeldFilesAreCheckedAndWrittenOut) {
  const long root = ATTRIBUTES().rew_node(0);
  const long list = list_of(new_attribute(root, "Manual", "MAN", DBATTRIBUTETYPE::kFile));
  ATTR_REF refs;
  const std::vector<unsigned char> good = embedded("manual.txt", "hello\n");
  TEXTBUFFER value;
  ASSERT_TRUE(value.assign(good.data(), static_cast<uint32_t>(good.size())));
  const long held = refs.filepred_import(list, "manual", value);
  ASSERT_GT(held, 0);
  char flags = 0;
  refs.get_id(held, nullptr, nullptr, &flags);
  EXPECT_EQ(flags, DBATTREFTYPE::kInDatabase);

  // Refused: a length that is not the bytes that follow, a name without its zero,
  // an empty name; and the same checks for cre with the held flag.
  std::vector<unsigned char> bad = good;
  bad.push_back('!');
  value.assign(bad.data(), static_cast<uint32_t>(bad.size()));
  EXPECT_EQ(refs.filepred_import(list, "long", value), 0);
  EXPECT_EQ(refs.cre(list, "long", value, DBATTREFTYPE::kInDatabase), 0);
  value.assign("abc", 3);
  EXPECT_EQ(refs.filepred_import(list, "noname", value), 0);
  const std::vector<unsigned char> nameless = {0, 0, 0, 0, 0};
  value.assign(nameless.data(), 5);
  EXPECT_EQ(refs.filepred_import(list, "empty", value), 0);

  const auto folder = std::filesystem::temp_directory_path() / "dlist_attr_fpop";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string out = (folder / "manual.txt").string();
  ASSERT_EQ(refs.fpop(held, out.c_str(), 0), 1);
  std::ifstream in(out, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "hello\n");
  EXPECT_EQ(refs.fpop(held, out.c_str(), 1), 0);  // not replaced with the flag
  const long by_path = refs.cre(list, "path", TEXTBUFFER("/tmp/x"), 0);
  EXPECT_EQ(refs.fpop(by_path, out.c_str(), 0), 0);  // nothing held
  std::filesystem::remove_all(folder);
}

TEST_F(AttributeStoreTest, DeletionForceAndUsesByPresets) {
  ATTRIBUTES store;
  const long root = store.rew_node(0);
  DBATTRIBUTENODETYPE g = group("G");
  const long grp = store.cre_node(root, &g);
  const long used = new_attribute(grp, "Used", "USED");
  const long list = list_of(used);
  ASSERT_GT(ATTR_REF().cre(list, "v", TEXTBUFFER("1"), 0), 0);

  DBWALLTYPE wall{};
  DBATTREFCHAIN chain;
  DBATTREFTYPE link;
  link.set_abbrev("USED");
  link.set_name("v");
  chain.push(link);
  link.set_abbrev("OTHER");
  chain.push(link);
  const long element = cre_wall(&wall, nullptr, nullptr, &chain, 0, 0);
  ASSERT_GT(element, 0);

  EXPECT_EQ(store.is_deleteable_node(used), 0);
  EXPECT_EQ(store.is_deleteable_node(grp), 0);
  EXPECT_EQ(store.del_node(used, 0), 0);  // presets use it
  EXPECT_EQ(store.del_node(grp, 0), 0);   // not empty
  EXPECT_EQ(store.del_node(root, 1), 0);  // never the root
  ASSERT_NE(store.del_palrefs(grp), 0);
  EXPECT_NE(store.is_deleteable_node(used), 0);
  DBATTREFCHAIN left;
  ASSERT_GT(get_id_wall(element, &wall, nullptr, nullptr, &left), 0);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_STREQ(left[0].abbrev, "OTHER");

  const int64_t ids_before = rows("ids");
  EXPECT_NE(store.del_node(grp, 1), 0);
  EXPECT_EQ(rows("attr_refs"), 0);
  EXPECT_EQ(rows("attr_defs"), 0);
  EXPECT_EQ(rows("ids"), ids_before - 4);  // group, attribute, list, reference
  EXPECT_EQ(store.get_id_node(used, nullptr), 0);
}

TEST_F(AttributeStoreTest, FailedCallsChangeNothing) {
  const long root = ATTRIBUTES().rew_node(0);
  fail_model_calls_after(1);
  EXPECT_EQ(new_attribute(root, "A", "A"), 0);
  for (unsigned n = 1; n < 12; ++n) {
    fail_model_statements_after(n);
    const long id = new_attribute(root, "A", "A");
    fail_model_statements_after(0);
    if (id > 0) break;
    EXPECT_EQ(rows("attr_nodes"), 1) << n;
    EXPECT_EQ(rows("attr_defs"), 0) << n;
  }
  EXPECT_EQ(rows("attr_defs"), 1);
  fail_model_calls_after(1);
  EXPECT_EQ(ATTRIBUTES().rew_node(0), 0);
}

TEST_F(AttributeStoreTest, ProjectAttributesFollowTheLibrary) {
  const long root = ATTRIBUTES().rew_node(0);
  new_attribute(root, "Zed", "ZZ");
  new_attribute(root, "Alpha", "AA");
  const auto& list = ProjectAttributes();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[0].definition.abbrev, "AA");
  new_attribute(root, "Mid", "MM");
  EXPECT_EQ(ProjectAttributes().size(), 3u);
  ModelDatabase other;
  ASSERT_TRUE(other.open(":memory:"));
  ActiveModel active(other);
  EXPECT_TRUE(ProjectAttributes().empty());
}

TEST(ElementParameters, TableAndClasses) {
  EXPECT_EQ(ElementClassBit(1), 0x1u);
  EXPECT_EQ(ElementClassBit(9), 0x80000u);
  EXPECT_EQ(ElementClassBit(51), 0x1000u);
  EXPECT_EQ(ElementClassBit(-3), 0x200000u);
  EXPECT_EQ(ElementClassBit(14), 0u);
  // A wall has count, length, height, thickness, area, volume; with doors the
  // shared ones are offered once.
  const int walls = nParameter(0x1);
  EXPECT_EQ(walls, 6);
  EXPECT_EQ(nParameter(0x3), walls + 1);  // + width
  ELEMPARAMETER p;
  std::vector<std::string> abbrevs;
  for (int i = 0; i < walls; ++i) {
    ASSERT_EQ(GetParameter(0x1, i, &p), 1);
    EXPECT_LE(std::strlen(p.abbrev), 6u);
    abbrevs.emplace_back(p.abbrev);
  }
  EXPECT_EQ(GetParameter(0x1, walls, &p), 0);
  EXPECT_EQ(GetParameter(0x1, -1, &p), 0);
  EXPECT_NE(std::find(abbrevs.begin(), abbrevs.end(), "VOL"), abbrevs.end());
  TEXTBUFFERCHAIN names;
  EXPECT_EQ(ElemAttributeNames(0x1, &names), walls);
  EXPECT_STREQ(names[0].get(), "Count");
}

}  // namespace
}  // namespace dlist::testing
