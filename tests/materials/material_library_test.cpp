// The material library operations on libraries in memory: the questions about
// units and dimensions, the order of the tree walks, removals with the scripted
// user answering (and with a failure injected at every library call), the purge,
// copying prices, display names, and the unit tree of a dialog.
#include "materials/material_library.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"
#include "host/list/list_context.h"
#include "host/model/sqlite_connection.h"
#include "host/resources.h"
#include "host/settings.h"
#include "tests/materials/library_test_support.h"

namespace {

void* const kWindow = reinterpret_cast<void*>(0x1);
using Texts = std::vector<std::string>;

std::vector<long> ids_of(const CRAS<long, 4>& list) {
  const long* first = list;
  return std::vector<long>(first, first + list.size());
}

class MaterialLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlist::reset_dialog_engine();
    ASSERT_TRUE(lib_.open(":memory:")) << lib_.last_error();
  }
  void TearDown() override {
    dlist::fail_list_calls_after(0);
    dlist::reset_dialog_engine();
  }

  long unit(long parent, const char* abbrev, const char* name, double factor) {
    return dlist::testing::add_unit(lib_, parent, abbrev, name, factor);
  }
  long dimension(int n, const char* name) {
    return unit(0, ("##" + std::to_string(n)).c_str(), name, 1.0);
  }
  long material(long parent, const char* code, const char* name = "", double price = 0) {
    return dlist::testing::add_material(lib_, parent, code, name, price);
  }
  // A unit reference; the unit's usage is raised as the material editor does.
  void use_unit(long mat, const char* abbrev, double factor = 1.0) {
    unitref r{};
    std::snprintf(r.abbrev, sizeof r.abbrev, "%s", abbrev);
    r.factor = factor;
    ASSERT_GT(lib_.create(mat, r), 0);
    dbunit u{};
    const long id = lib_.find_unit(abbrev, u);
    ++u.usage;
    ASSERT_NE(lib_.modify(id, u), 0);
  }
  void use_subprice(long mat, const char* abbrev, double value) {
    subpriceref r{};
    std::snprintf(r.abbrev, sizeof r.abbrev, "%s", abbrev);
    r.value = value;
    ASSERT_GT(lib_.create(mat, r), 0);
  }
  int usage(const char* abbrev) {
    dbunit u{};
    return lib_.find_unit(abbrev, u) > 0 ? u.usage : -1;
  }
  Texts unit_refs(long mat) {
    Texts out;
    unitref r{};
    for (lib_.rewind_unit_ref(mat); lib_.get(r) > 0;) out.emplace_back(r.abbrev);
    return out;
  }
  Texts subprice_refs(long mat) {
    Texts out;
    subpriceref r{};
    for (lib_.rewind_subprice_ref(mat); lib_.get(r) > 0;) out.emplace_back(r.abbrev);
    return out;
  }
  bool exists(long mat) {
    dbmaterial m{};
    return lib_.get(mat, m, nullptr) > 0;
  }

  LISTCONTEXT lib_;
};

// ---- units and dimensions ----------------------------------------------------------

TEST_F(MaterialLibraryTest, EmptyLibraryAnswersNothingAndRemovesNothing) {
  CRAS<long, 4> list;
  list.push(99);
  EXPECT_EQ(GetDimensions(&lib_, &list), 1);
  EXPECT_EQ(list.size(), 0u);
  list.push(99);
  EXPECT_EQ(GetMaterialRoots(&lib_, &list), 1);
  EXPECT_EQ(list.size(), 0u);
  PurgeMaterialLibrary(&lib_);
  EXPECT_EQ(lib_.connection().lock_depth(), 0);

  char out[kLinkedNameSize] = "kept";
  LinkedUnitName(&lib_, 5, out);
  EXPECT_STREQ(out, "kept");
  char abbrev[kUnitAbbrevSize] = "";
  EXPECT_EQ(GetDimEtalon(&lib_, 0, abbrev), 0);
  EXPECT_EQ(FirstFreeDimensionAbbrev(&lib_, abbrev), 0);
  EXPECT_STREQ(abbrev, "##0");
}

TEST_F(MaterialLibraryTest, DimensionNumbersNamesAndFreeSlots) {
  long dim3 = 0;
  for (int n = 0; n < kMaxDimensions; ++n) {
    if (n == 7) continue;
    const long id = dimension(n, ("Dim" + std::to_string(n)).c_str());
    if (n == 3) dim3 = id;
  }
  char abbrev[kUnitAbbrevSize] = "";
  EXPECT_EQ(FirstFreeDimensionAbbrev(&lib_, abbrev), 7);
  EXPECT_STREQ(abbrev, "##7");
  const long seventh = dimension(7, dlist::dimension_name(1));
  EXPECT_EQ(FirstFreeDimensionAbbrev(&lib_, abbrev), -1);

  const long m = unit(seventh, "m", "Metre", 1.0);
  const long cm = unit(m, "cm", "Centimetre", 100.0);
  char cm_text[] = "cm";
  EXPECT_EQ(GetUnitDimension(&lib_, cm), seventh);
  EXPECT_EQ(GetUnitDimension(&lib_, cm_text), seventh);
  EXPECT_EQ(DimensionNumber(&lib_, "cm"), 7);
  EXPECT_EQ(DimensionNumber(&lib_, "none"), -1);
  EXPECT_EQ(get_unit_dimension(&lib_, cm_text), DIMENSION_SECOND);
  EXPECT_EQ(IsDimensionId(&lib_, seventh), 1);
  EXPECT_EQ(IsDimensionId(&lib_, m), 0);
  EXPECT_EQ(FindDimensionByName(&lib_, "Dim3"), dim3);
  EXPECT_EQ(FindDimensionByName(&lib_, "Dim"), 0);

  CRAS<long, 4> dims;
  ASSERT_EQ(GetDimensions(&lib_, &dims), 1);
  EXPECT_EQ(dims.size(), 32u);
  EXPECT_EQ(dims[31], seventh);  // walk order is creation order

  // Only "##" and the digits as "%d" writes them name a dimension: no sign.
  unit(0, "##-0", "Signed", 1.0);
  unit(0, "##01", "Padded", 1.0);
  EXPECT_EQ(DimensionNumber(&lib_, "##-0"), -1);
  EXPECT_EQ(DimensionNumber(&lib_, "##01"), -1);
}

TEST_F(MaterialLibraryTest, BasicUnitLiesStrictlyWithinTheTolerance) {
  const long near = dimension(0, "Near");
  unit(near, "a", "A", 1.0000005);
  unit(near, "b", "B", 2.0);
  const long far = dimension(1, "Far");
  unit(far, "c", "C", 1.000002);
  unit(far, "d", "D", 2.0);
  char abbrev[kUnitAbbrevSize] = "x";
  EXPECT_EQ(GetDimEtalon(&lib_, 0, abbrev), 1);
  EXPECT_STREQ(abbrev, "a");
  std::strcpy(abbrev, "x");
  EXPECT_EQ(GetDimEtalon(&lib_, 1, abbrev), 0);
  EXPECT_STREQ(abbrev, "x");

}

// Children are searched before their levels; the levels from the last child first.
TEST_F(MaterialLibraryTest, BasicUnitSearchOrder) {
  const long dim = dimension(0, "D");
  const long first = unit(dim, "f", "F", 3.0);
  const long last = unit(dim, "l", "L", 4.0);
  unit(first, "f1", "F1", 1.0);
  const long deep = unit(last, "l1", "L1", 5.0);
  const long deepest = unit(deep, "l2", "L2", 1.0);
  EXPECT_EQ(GetBasicUnitProc(&lib_, dim), deepest);
  const long direct = unit(dim, "d", "Direct", 1.0);
  EXPECT_EQ(GetBasicUnitProc(&lib_, dim), direct);
  EXPECT_EQ(GetBasicUnitProc(&lib_, 0), 0);
}

TEST_F(MaterialLibraryTest, DimensionMaskOfAMaterial) {
  unit(dimension(0, "Zero"), "m", "M", 1.0);
  unit(dimension(3, "Three"), "kg", "Kg", 1.0);
  unit(0, "lo", "Loose", 1.0);
  const long a = material(0, "A");
  EXPECT_EQ(MaterialDimensionMask(&lib_, a), 0u);
  use_unit(a, "m");
  use_unit(a, "kg");
  EXPECT_EQ(MaterialDimensionMask(&lib_, a), 0b1001u);
  use_unit(a, "lo");
  EXPECT_EQ(MaterialDimensionMask(&lib_, a), 0u);
}

// ---- the material tree -----------------------------------------------------------------

TEST_F(MaterialLibraryTest, SubtreeOrderAndScope) {
  const long a = material(0, "A");
  const long b = material(a, "B");
  const long c = material(a, "C");
  const long b1 = material(b, "B1");
  const long b2 = material(b, "B2");
  const long c1 = material(c, "C1");
  const long c1x = material(c1, "X");
  const long other = material(0, "O");
  CRAS<long, 4> list;
  list.push(-1);  // appended to, not cleared
  ASSERT_EQ(CollectMaterialSubtree(&lib_, a, &list), 1);
  EXPECT_EQ(ids_of(list), (std::vector<long>{-1, b, c, c1, c1x, b1, b2}));
  ASSERT_EQ(GetMaterialRoots(&lib_, &list), 1);
  EXPECT_EQ(ids_of(list), (std::vector<long>{a, other}));

  EXPECT_EQ(IsMaterialInScope(&lib_, a, a), 1);
  EXPECT_EQ(IsMaterialInScope(&lib_, a, c1x), 1);
  EXPECT_EQ(IsMaterialInScope(&lib_, c1x, a), 0);
  EXPECT_EQ(IsMaterialInScope(&lib_, b, c1), 0);
}

// ---- removals ------------------------------------------------------------------------------

TEST_F(MaterialLibraryTest, RemoveMaterialAsksAndGivesBackUsage) {
  unit(dimension(0, "Len"), "m", "M", 1.0);
  const long a = material(0, "A", "Brick");
  const long a11 = material(material(a, "A1"), "A11");
  use_unit(a, "m");
  use_unit(a11, "m");
  use_subprice(a11, "PR", 2.0);
  const long keep = material(0, "K");
  use_unit(keep, "m");

  dlist::ScriptedUser user;
  user.no().yes();
  dlist::DialogUserScope scope(user);
  Material cursor(&lib_, a);
  ASSERT_NE(cursor.read(), 0);
  EXPECT_EQ(RemoveMaterial(kWindow, &cursor, 1), 0);
  EXPECT_TRUE(exists(a11));
  EXPECT_EQ(usage("m"), 3);
  EXPECT_EQ(subprice_refs(a11), Texts{"PR"});
  EXPECT_EQ(lib_.connection().lock_depth(), 0);

  EXPECT_NE(RemoveMaterial(kWindow, &cursor, 1), 0);
  EXPECT_FALSE(exists(a11));
  EXPECT_EQ(usage("m"), 1);
  EXPECT_EQ(lib_.connection().lock_depth(), 0);

  const auto& boxes = dlist::dialog_log().message_boxes;
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, dlist::load_string(21328));
  EXPECT_EQ(boxes[0].caption, "Brick");
  EXPECT_EQ(boxes[0].flags, 52u);

  Material no_question(&lib_, keep);  // no flag: no question
  EXPECT_NE(RemoveMaterial(kWindow, &no_question, 0), 0);
  EXPECT_EQ(usage("m"), 0);
  EXPECT_EQ(boxes.size(), 2u);
}

// Whichever library call fails, the removal is whole or nothing happened: no
// reference is given back while its material stays.
TEST_F(MaterialLibraryTest, FailedRemovalKeepsReferencesAndUsage) {
  int failures = 0;
  for (unsigned n = 1; n < 60; ++n) {
    lib_.close();
    ASSERT_TRUE(lib_.open(":memory:"));
    unit(dimension(0, "Len"), "m", "M", 1.0);
    const long a = material(0, "A");
    const long a1 = material(a, "A1");
    use_unit(a, "m");
    use_unit(a1, "m");
    use_subprice(a1, "PR", 1.0);
    Material cursor(&lib_, a);
    dlist::fail_list_calls_after(n);
    const int result = RemoveMaterial(nullptr, &cursor, 0);
    dlist::fail_list_calls_after(0);
    EXPECT_EQ(lib_.connection().lock_depth(), 0);
    if (result != 0) {
      // (A failed unit look-up reads as a unit that does not exist: its usage stays.)
      EXPECT_FALSE(exists(a1)) << n;
      EXPECT_LE(usage("m"), 1) << n;
      continue;
    }
    ++failures;
    EXPECT_TRUE(exists(a1)) << n;
    EXPECT_EQ(usage("m"), 2) << n;
    EXPECT_EQ(unit_refs(a), Texts{"m"}) << n;
    EXPECT_EQ(subprice_refs(a1), Texts{"PR"}) << n;
  }
  EXPECT_GT(failures, 5);
}

TEST_F(MaterialLibraryTest, RemoveRecordsAskTheirOwnQuestions) {
  dbmarket market{"Local"};
  dbsubprice sub{"TR", "Transport", SUBPRICE_ADD, 1.0, ""};
  Market market_cursor(&lib_, lib_.create(market));
  Subprice sub_cursor(&lib_, lib_.create(sub));  // not read: the stored name is the caption
  Unit dim_cursor(&lib_, dimension(0, "Len"));
  Unit unit_cursor(&lib_, unit(dim_cursor.elemid(), "m", "Metre", 1.0));
  market_cursor.read();
  dim_cursor.read();

  dlist::ScriptedUser user;
  user.no().yes().yes().no();
  dlist::DialogUserScope scope(user);
  EXPECT_EQ(RemoveMarket(nullptr, &market_cursor), 0);  // asked even without a window
  EXPECT_NE(RemoveMarket(nullptr, &market_cursor), 0);
  EXPECT_NE(RemoveSubprice(kWindow, &sub_cursor), 0);
  EXPECT_EQ(RemoveUnit(kWindow, &dim_cursor), 0);
  EXPECT_NE(RemoveUnit(nullptr, &unit_cursor), 0);  // no window: no question
  EXPECT_TRUE(user.finished()) << user.leftovers();

  std::vector<std::string> seen;
  for (const auto& box : dlist::dialog_log().message_boxes) seen.push_back(box.caption + ": " + box.text);
  EXPECT_EQ(seen, (Texts{"Local: " + dlist::load_string(21325), "Local: " + dlist::load_string(21325),
                         "Transport: " + dlist::load_string(21326),
                         "Len: " + dlist::load_string(21432)}));
  EXPECT_EQ(lib_.rewind_market(), 0);
  EXPECT_EQ(lib_.rewind_subprice(), 0);
  EXPECT_EQ(usage("m"), -1);
  EXPECT_EQ(IsDimensionId(&lib_, dim_cursor.elemid()), 1);
}

TEST_F(MaterialLibraryTest, PurgeEmptiesEverything) {
  unit(unit(dimension(0, "Len"), "m", "M", 1.0), "cm", "Cm", 100.0);
  const long a = material(material(0, "A"), "B");
  use_unit(a, "cm");
  use_subprice(a, "PR", 1.0);
  dbmarket market{"Local"};
  dbsubprice sub{"PR", "Price", SUBPRICE_MULTIPLY, 1.0, ""};
  ASSERT_GT(lib_.create(market), 0);
  ASSERT_GT(lib_.create(sub), 0);

  PurgeMaterialLibrary(&lib_);
  EXPECT_EQ(lib_.connection().lock_depth(), 0);
  EXPECT_EQ(lib_.rewind_material(0), 0);
  EXPECT_EQ(lib_.rewind_unit(0), 0);
  EXPECT_EQ(lib_.rewind_market(), 0);
  EXPECT_EQ(lib_.rewind_subprice(), 0);
}

// ---- copying -----------------------------------------------------------------------------

TEST_F(MaterialLibraryTest, CopyListInTakesPricesAndReferences) {
  const long dim = dimension(0, "Len");
  unit(dim, "m", "M", 1.0);
  unit(dim, "cm", "Cm", 100.0);
  unit(dim, "mm", "Mm", 1000.0);
  dbmaterial rec{"S", "Source", 12.5, "m", "Local", {}};
  LONGTEXT texts[kLongTextCount];
  for (char ch : std::string("first\r\nline")) texts[0].push(ch);
  const long source = lib_.create(0, rec, texts);
  ASSERT_GT(source, 0);
  use_subprice(source, "S2", 2.0);
  use_subprice(source, "S1", 1.0);
  use_unit(source, "mm", 1000.0);
  use_unit(source, "m");
  const long target = material(0, "T", "Target", 3.0);
  use_unit(target, "cm", 100.0);
  use_subprice(target, "OLD", 9.0);

  EXPECT_EQ(CopyListIn(&lib_, nullptr, source, target), 1);
  dbmaterial out{};
  LONGTEXT out_texts[kLongTextCount];
  ASSERT_GT(lib_.get(target, out, out_texts), 0);
  EXPECT_STREQ(out.id, "T");
  EXPECT_STREQ(out.name, "Target");
  EXPECT_EQ(out.unit_price, 12.5);
  EXPECT_STREQ(out.native_unit, "m");
  EXPECT_STREQ(out.market, "Local");
  const char* text = out_texts[0];
  EXPECT_EQ(std::string(text, out_texts[0].size()), "first\r\nline");
  EXPECT_EQ(subprice_refs(target), (Texts{"S2", "S1"}));
  EXPECT_EQ(unit_refs(target), (Texts{"mm", "m"}));
  // Usage counts follow the references: the target's own gave its unit back, the
  // copies use theirs once more.
  EXPECT_EQ(usage("cm"), 0);
  EXPECT_EQ(usage("mm"), 2);
  EXPECT_EQ(usage("m"), 2);

  EXPECT_EQ(CopyListIn(&lib_, nullptr, source, source), 1);  // onto itself: unchanged
  EXPECT_EQ(unit_refs(source), (Texts{"mm", "m"}));
  EXPECT_EQ(usage("m"), 2);
  // Copied again over the copy: the old copies are given back first.
  EXPECT_EQ(CopyListIn(&lib_, nullptr, source, target), 1);
  EXPECT_EQ(usage("mm"), 2);
  EXPECT_EQ(usage("m"), 2);
  EXPECT_EQ(CopyListIn(&lib_, nullptr, 999, target), 0);
  EXPECT_EQ(CopyListIn(&lib_, nullptr, source, 999), 0);
  EXPECT_EQ(lib_.connection().lock_depth(), 0);
}

// ---- names and settings ---------------------------------------------------------------------

TEST_F(MaterialLibraryTest, DisplayNamesAndCurrency) {
  char out[kLinkedNameSize];
  LinkedMaterialName("A.1", "Brick", out, 0);
  EXPECT_STREQ(out, "A.1  -  Brick");
  LinkedMaterialName("A.1", "Brick", out, 1);
  EXPECT_STREQ(out, "Brick");
  LinkedMaterialName("A.1", "Brick", out, 2);
  EXPECT_STREQ(out, "A.1");
  LinkedMaterialName("A", std::string(600, 'n').c_str(), out, 0);
  EXPECT_EQ(std::strlen(out), static_cast<size_t>(kLinkedNameSize - 1));
  LinkedMaterialName(&lib_, material(material(0, "A"), "7", "Tile"), out, 3);
  EXPECT_STREQ(out, "7  -  Tile");
  LinkedMaterialName(&lib_, 99, out, 0);
  EXPECT_STREQ(out, "");

  dlist::ScopedSettings settings;
  char symbol[kCurrencySymbolSize];
  GetCurrencySymbol(symbol);
  EXPECT_STREQ(symbol, "$");
  ASSERT_TRUE(dlist::set_setting("intl.sCurrency", "EUR"));
  GetCurrencySymbol(symbol);
  EXPECT_STREQ(symbol, "EUR");
  ASSERT_TRUE(dlist::set_setting("intl.sCurrency", std::string(40, 'c')));
  GetCurrencySymbol(symbol);
  EXPECT_EQ(std::string(symbol), std::string(15, 'c'));
}

// ---- the unit tree ---------------------------------------------------------------------------

constexpr int kTree = 10750;
LISTCONTEXT* g_library = nullptr;
UnitTreeItems g_items;
Texts g_lines;  // each item: indented label and image

void describe(void* tree, _TREEITEM* item, int depth) {
  for (; item != nullptr; item = dlist::tree_get_next(tree, item, dlist::TreeRelation::kNext)) {
    g_lines.push_back(std::string(depth * 2, ' ') + dlist::tree_text(tree, item) + " #" +
                      std::to_string(dlist::tree_image(tree, item)));
    describe(tree, dlist::tree_get_next(tree, item, dlist::TreeRelation::kChild), depth + 1);
  }
}

int DLIST_CALL fill_init(void* dialog) {
  EXPECT_EQ(FillUnitTree(dialog, g_library, &g_items, kTree, 4, 5), 1);
  void* tree = GetControlHWND(dialog, kTree);
  describe(tree, dlist::tree_get_next(tree, nullptr, dlist::TreeRelation::kRoot), 0);
  return 0;
}

TEST_F(MaterialLibraryTest, FillUnitTreeShowsDimensionsAndUnits) {
  const long len = dimension(0, "Length");
  const long m = unit(len, "m", "Metre", 1.0);
  const long cm = unit(m, "cm", "Centimetre", 100.0);
  const long km = unit(len, "km", "Kilometre", 0.001);
  const long area = dimension(1, "Area");
  g_library = &lib_;
  g_items.push(UnitTreeItem{nullptr, 99, 0});  // cleared first
  ASSERT_NE(AllocTmpBuffers(2), 0);
  ASSERT_NE(MakeMainUnit(nullptr, "Units", "Units", 200, 100), nullptr);
  ASSERT_NE(TreeViewInput(kTree, 0, 0, 100, 100), 0);
  SetDlgInitProc(fill_init);
  RunModalDialog(nullptr, 0, 31001, 0);
  PurgeTmpBuffers();

  EXPECT_EQ(g_lines, (Texts{"Length #4", "  *Metre ( m ) #5", "    Centimetre ( cm ) #5",
                            "  Kilometre ( km ) #5", "Area #4"}));
  ASSERT_EQ(g_items.size(), 5u);
  const std::vector<long> units = {len, m, cm, km, area};
  for (unsigned i = 0; i < 5; ++i) {
    EXPECT_EQ(g_items[i].unit, units[i]);
    EXPECT_EQ(g_items[i].flags, (i == 0 || i == 4) ? kUnitTreeDimension : 0);
  }
  EXPECT_EQ(FillUnitTree(nullptr, &lib_, &g_items, kTree, 0, 0), 0);
}

}  // namespace
