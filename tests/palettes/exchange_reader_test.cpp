// The exchange file reader: files built byte by byte, round trips of every kind
// between two projects, repeated imports, unique names, the kind filter, the clash
// choice, the manager's tree view, and every refusal of a damaged file.

#include "palettes/exchange_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "host/cursor.h"
#include "host/dialog/framework.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"
#include "host/progress.h"
#include "palettes/clash_dialog.h"
#include "palettes/exchange_writer.h"
#include "tests/palettes/exchange_test_support.h"

namespace exchange_reader_test {
namespace {

using namespace exchange_test;
using dlist::BLOCK_ATTREF;
using dlist::BLOCK_MATREF;
using dlist::BLOCK_NODE;
using dlist::BLOCK_PALETTE;
using dlist::BLOCK_RECORD;
using dlist::BLOCK_SURFREF;
using dlist::BLOCK_TEXT;
using dlist::testing::patterned;

template <class T>
Bytes image_of(const T& record) {
  Bytes b(sizeof(T));
  dlist::to_plain_image(record, b.data());
  return b;
}

class ExchangeReaderTest : public ExchangeTest {
 protected:
  void TearDown() override {
    dlist::set_clash_choice(dlist::kClashOverwriteAsk);
    ExchangeTest::TearDown();
  }

  // A palette file: one wall palette from seed, named name, at the first user level.
  static FileBuilder wall_palette(const std::string& name, int seed = 5) {
    return FileBuilder()
        .description("walls")
        .header(1, -3, 1, 0)
        .block(BLOCK_PALETTE, 7, 70, image_of(patterned<DBWALLPALETTE>(seed)))
        .block(BLOCK_SURFREF, 0, 0, image_of(dlist::testing::surface("Brick", 1)))
        .node(-3, 1, name, 0, 7)
        .end();
  }

  // A prototype file holding wall records with the given names below a folder.
  static FileBuilder wall_prototypes(const char* folder, std::initializer_list<const char*> names) {
    FileBuilder f;
    f.description("").header(-1, 2, 1, 0).node(2, 1, folder, 0, 20);
    long id = 30;
    for (const char* name : names) {
      auto rec = sample<1>(static_cast<int>(id));
      f.block(BLOCK_RECORD, id, 300, dlist::stream_out(rec)).node(-3, 1, name, 20, id);
      ++id;
    }
    return f.end();
  }

  int import(bool palettes, const FileBuilder& f, long target = 0, void* dialog = nullptr) {
    f.write(path("in.bin"));
    std::string p = path("in.bin");
    return palettes ? PaletteImport(dialog, target, p.data()) : PrototypeImport(dialog, target, p.data());
  }

  // The children of parent in a tree, by name.
  template <class Store>
  std::vector<std::string> names_below(long parent) {
    Store store;
    std::vector<std::string> out;
    std::conditional_t<std::is_same_v<Store, PALETTES>, DBPALETTENODETYPE, DBPROTOTYPENODE> n;
    if (store.rew_node(parent) != parent) return out;
    while (store.get_node(&n) > 0) out.push_back(n.name);
    return out;
  }
  template <class Store>
  long child(long parent, const std::string& name) {
    Store store;
    std::conditional_t<std::is_same_v<Store, PALETTES>, DBPALETTENODETYPE, DBPROTOTYPENODE> n;
    store.rew_node(parent);
    for (long id; (id = store.get_node(&n)) > 0;)
      if (name == n.name) return id;
    return 0;
  }
};

TEST_F(ExchangeReaderTest, ReadsAPaletteFileBuiltByteByByte) {
  ASSERT_EQ(import(true, wall_palette("Wall A")), 1);
  EXPECT_EQ(diagnostics(), (std::vector<std::string>{"BLOCK_BEGIN", "BLOCK_PALETTE",
                                                     "BLOCK_SURFREF", "BLOCK_NODE", "BLOCK_END"}));
  const long walls = folder(ModelTree::kPalettes, 1);
  const long node = child<PALETTES>(walls, "Wall A");
  ASSERT_GT(node, 0);
  DBWALLTYPE rec;
  DBSURFREFTYPE surf;
  ASSERT_EQ(get_wallpal(PALETTES().get_id_palette(node), &rec, &surf), 1);
  EXPECT_TRUE(rec.palette == patterned<DBWALLPALETTE>(5));
  ASSERT_EQ(surf.size(), 1u);
  EXPECT_STREQ(surf[0].name, "Brick");

  // Into a palette: its folder takes the file.
  const long f = make_folder<PALETTES>(walls, "F");
  const long leaf = make_palette<1>(f, "Leaf", 8);
  ASSERT_EQ(import(true, wall_palette("Wall B", 9), leaf), 1);
  EXPECT_EQ(names_below<PALETTES>(f), (std::vector<std::string>{"Leaf", "Wall B"}));
  EXPECT_EQ(dlist::cursor_shape(), dlist::CursorShape::kArrow);
}

// Exports the first leaf of each kind folder's tree of the active project and
// gives its bytes: the record, its text, surface set and chains.
template <int K>
Bytes fingerprint(bool palettes) {
  Bytes out;
  auto add = [&](const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); };
  typename dlist::Kind<K>::element rec;
  DBSURFREFTYPE surf;
  DBMATREFCHAIN mat;
  DBATTREFCHAIN attr;
  if (palettes) {
    PALETTES store;
    DBPALETTENODETYPE n;
    store.rew_node(store.get_root(K));
    const long node = store.get_node(&n);
    if (node <= 0 || !dlist::HostCalls<K>::get_palette(store.get_id_palette(node), &rec, &surf)) return {};
    add(image_of(rec.palette));
  } else {
    PROTOTYPES store;
    DBPROTOTYPENODE n;
    store.rew_node(store.get_root(K));
    const long node = store.get_node(&n);
    if (node <= 0 || !dlist::HostCalls<K>::get_record(store.get_id_prototype(node), &rec, &surf, &mat, &attr)) return {};
    add(dlist::stream_out(rec));
    if constexpr (K == 9) add(FileBuilder().text(rec.text() ? rec.text() : "").bytes());
  }
  for (unsigned i = 0; i < surf.size(); ++i) add(image_of(surf[i]));
  for (unsigned i = 0; i < mat.size(); ++i) add(dlist::stream_out(mat[i]));
  for (unsigned i = 0; i < attr.size(); ++i) add(dlist::stream_out(attr[i]));
  return out;
}

TEST_F(ExchangeReaderTest, EveryKindRoundTripsBetweenProjects) {
  std::string pal = path("all.pal"), prt = path("all.prt");
  std::vector<Bytes> expected;
  dlist::for_each_kind([&](auto k) {
    constexpr int K = decltype(k)::kind;
    const DBSURFREFTYPE surf = K <= 8 ? surfaces({"Brick", "Tile"}) : DBSURFREFTYPE();
    make_palette<K>(folder(ModelTree::kPalettes, K), "P", K, surf);
    make_prototype<K>(folder(ModelTree::kPrototypes, K), "R", K);
    expected.push_back(fingerprint<K>(true));
    expected.push_back(fingerprint<K>(false));
  });
  ASSERT_EQ(PaletteExport(nullptr, 0L, pal.data(), nullptr, 1), 1);
  ASSERT_EQ(PrototypeExport(nullptr, db_.root(ModelTree::kPrototypes), prt.data(), nullptr, 1), 1);

  dlist::ModelDatabase other;
  ASSERT_TRUE(other.open(":memory:"));
  dlist::ActiveModel active(other);
  ASSERT_EQ(PaletteImport(nullptr, 0L, pal.data()), 1);
  ASSERT_EQ(PrototypeImport(nullptr, 0L, prt.data()), 1);
  std::size_t i = 0;
  dlist::for_each_kind([&](auto k) {
    constexpr int K = decltype(k)::kind;
    SCOPED_TRACE("kind " + std::to_string(K));
    EXPECT_FALSE(expected[i].empty());
    EXPECT_EQ(fingerprint<K>(true), expected[i++]);
    EXPECT_EQ(fingerprint<K>(false), expected[i++]);
  });
}

TEST_F(ExchangeReaderTest, ImportingTwice) {
  // Palettes: the folder and the palette are found, nothing changes.
  FileBuilder pal = FileBuilder()
                        .description("")
                        .header(1, 3, 1, 0)
                        .node(3, 1, "F", 0, 20)
                        .block(BLOCK_PALETTE, 21, 70, image_of(patterned<DBWALLPALETTE>(3)))
                        .node(-4, 1, "Wall A", 20, 21)
                        .end();
  ASSERT_EQ(import(true, pal), 1);
  const int64_t nodes = rows("nodes"), palettes = rows("palettes");
  const auto before = diagnostics().size();
  ASSERT_EQ(import(true, pal), 1);
  const auto lines = diagnostics();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(before), lines.end()),
            (std::vector<std::string>{"BLOCK_BEGIN", "BLOCK_NODE", "exist", "BLOCK_PALETTE",
                                      "BLOCK_NODE", "bExist", "registered", "BLOCK_END"}));
  EXPECT_EQ(rows("nodes"), nodes);
  EXPECT_EQ(rows("palettes"), palettes);

  // Prototypes: a second folder "F~1" and second records.
  ASSERT_EQ(import(false, wall_prototypes("F", {"W"})), 1);
  ASSERT_EQ(import(false, wall_prototypes("F", {"W"})), 1);
  const long walls = folder(ModelTree::kPrototypes, 1);
  EXPECT_EQ(names_below<PROTOTYPES>(walls), (std::vector<std::string>{"F", "F~1"}));
  EXPECT_EQ(names_below<PROTOTYPES>(child<PROTOTYPES>(walls, "F~1")), std::vector<std::string>{"W"});
  EXPECT_EQ(rows("elements"), 2);
}

// Answers "stop" once `steps` nodes were shown.
class StoppingSink : public dlist::ProgressSink {
 public:
  explicit StoppingSink(int steps) : steps_(steps) {}
  void open(std::string_view, long) override {}
  void step(std::string_view) override { ++shown; }
  void close() override {}
  bool cancelled() override { return shown >= steps_; }
  int shown = 0;

 private:
  int steps_;
};

TEST_F(ExchangeReaderTest, StoppedInTheProgressWindowChangesNothing) {
  ASSERT_EQ(import(false, wall_prototypes("F", {"W"})), 1);
  const int64_t nodes = rows("nodes"), elements = rows("elements");
  std::string out = path("out.pro");
  ASSERT_EQ(PrototypeExport(nullptr, folder(ModelTree::kPrototypes, 1), out.data(), nullptr, 0), 1);
  const Bytes exported = read_file(out);
  {
    // The import stops after the folder and one prototype: both are undone.
    StoppingSink stop(2);
    dlist::ProgressSinkScope scope(&stop);
    EXPECT_EQ(import(false, wall_prototypes("G", {"A", "B", "C"})), 0);
    EXPECT_EQ(stop.shown, 2);
    // The export stops after its first node: the previous file stays.
    StoppingSink stop_export(1);
    dlist::ProgressSinkScope export_scope(&stop_export);
    EXPECT_EQ(PrototypeExport(nullptr, folder(ModelTree::kPrototypes, 1), out.data(), nullptr, 0), 0);
  }
  EXPECT_EQ(rows("nodes"), nodes);
  EXPECT_EQ(rows("elements"), elements);
  EXPECT_EQ(read_file(out), exported);
  EXPECT_EQ(import(false, wall_prototypes("G", {"A", "B", "C"})), 1);
  EXPECT_EQ(rows("elements"), elements + 3);
}

TEST_F(ExchangeReaderTest, TakenNamesGetTheNextSuffix) {
  make_prototype<1>(folder(ModelTree::kPrototypes, 1), "Wall~7", 1);
  make_prototype<2>(folder(ModelTree::kPrototypes, 2), "Door", 2);
  auto wall = sample<1>(3);
  auto door = sample<2>(4);
  FileBuilder f;
  f.description("").header(-1, 0, 0, 0);
  f.block(BLOCK_RECORD, 5, 50, dlist::stream_out(wall)).node(-2, 1, "Wall~7", 0, 5);
  f.block(BLOCK_RECORD, 6, 60, dlist::stream_out(door)).node(-2, 2, "Door", 0, 6);
  ASSERT_EQ(import(false, f.end()), 1);
  EXPECT_EQ(names_below<PROTOTYPES>(folder(ModelTree::kPrototypes, 1)),
            (std::vector<std::string>{"Wall~7", "Wall~8"}));
  EXPECT_EQ(names_below<PROTOTYPES>(folder(ModelTree::kPrototypes, 2)),
            (std::vector<std::string>{"Door", "Door~1"}));
}

TEST_F(ExchangeReaderTest, TheTargetsKindFiltersTheNodes) {
  const int64_t nodes = rows("nodes");
  EXPECT_EQ(import(true, wall_palette("Wall A"), folder(ModelTree::kPalettes, 2)), 1);
  EXPECT_EQ(import(false, wall_prototypes("F", {"W"}), folder(ModelTree::kPrototypes, 2)), 1);
  EXPECT_EQ(rows("nodes"), nodes);
  EXPECT_EQ(rows("palettes"), 0);
  EXPECT_EQ(rows("elements"), 0);
}

TEST_F(ExchangeReaderTest, TheClashChoiceDecidesOverAnExistingNode) {
  const long walls = folder(ModelTree::kPalettes, 1);
  const long node = make_palette<1>(walls, "Wall A", 5, surfaces({"Brick"}));
  auto name = [&] {
    DBPALETTENODETYPE n;
    PALETTES().get_id_node(node, &n);
    return std::string(n.name);
  };
  dlist::ScriptedUser user;
  user.on(dlist::kClashContext).focus(10772).press(10772);  // overwrite all
  user.on(dlist::kClashContext).press(2);                   // cancel: keep this one
  dlist::DialogUserScope scope(user);

  dlist::set_clash_choice(-1);
  ASSERT_EQ(import(true, wall_palette("Wall B")), 1);
  EXPECT_EQ(name(), "Wall B");
  EXPECT_EQ(dlist::clash_choice(), 1);
  ASSERT_EQ(import(true, wall_palette("Wall C")), 1);  // asks no more
  EXPECT_EQ(name(), "Wall C");
  dlist::set_clash_choice(2);
  ASSERT_EQ(import(true, wall_palette("Wall D")), 1);
  EXPECT_EQ(name(), "Wall C");
  dlist::set_clash_choice(-1);
  ASSERT_EQ(import(true, wall_palette("Wall E")), 1);
  EXPECT_EQ(name(), "Wall C");
  EXPECT_EQ(dlist::clash_choice(), -2);
  EXPECT_TRUE(user.finished()) << user.leftovers();

  // A dialog that cannot be shown overwrites nothing.
  dlist::set_clash_choice(-1);
  dlist::fail_next_buffer_reservation();
  ASSERT_EQ(import(true, wall_palette("Wall F")), 1);
  EXPECT_EQ(name(), "Wall C");
  EXPECT_EQ(dlist::clash_choice(), -1);
  EXPECT_EQ(names_below<PALETTES>(walls), std::vector<std::string>{"Wall C"});
}

// The store answers 0 both for a taken name and for a failure: an overwrite that
// the store could not make fails the import; success means the node was changed.
TEST_F(ExchangeReaderTest, AnOverwriteTheStoreCannotMakeFailsTheImport) {
  const long walls = folder(ModelTree::kPalettes, 1);
  const long node = make_palette<1>(walls, "Wall A", 5, surfaces({"Brick"}));
  DBPALETTENODETYPE original;
  ASSERT_EQ(PALETTES().get_id_node(node, &original), node);
  auto name = [&] {
    DBPALETTENODETYPE n;
    PALETTES().get_id_node(node, &n);
    return std::string(n.name);
  };
  dlist::set_clash_choice(dlist::kClashOverwriteAll);
  int failures = 0;
  for (unsigned n = 1; n < 150; ++n) {
    SCOPED_TRACE(n);
    dlist::fail_model_calls_after(n);
    const int result = import(true, wall_palette("Wall B"));
    dlist::fail_model_calls_after(0);
    if (result == 1) {
      EXPECT_EQ(name(), "Wall B");
    } else {
      ++failures;
    }
    ASSERT_EQ(PALETTES().mod_node(node, original), 1);
  }
  EXPECT_GT(failures, 0);
  ASSERT_EQ(import(true, wall_palette("Wall B")), 1);
  // A name that a sibling holds keeps the node as it was, and the import goes on.
  make_palette<1>(walls, "Wall C", 6);
  ASSERT_EQ(import(true, wall_palette("Wall C")), 1);
  EXPECT_EQ(name(), "Wall B");
}

TEST_F(ExchangeReaderTest, TheManagersTreeViewFollowsTheImport) {
  const long walls = folder(ModelTree::kPalettes, 1);
  DBWALLTYPE rec;
  rec.palette = patterned<DBWALLPALETTE>(5);
  int existed = 0;
  const long unregistered = cre_wallpalette(rec.palette, nullptr, &existed);
  ASSERT_EQ(AllocTmpBuffers(1), 1);
  ASSERT_NE(MakeModlessHeader(nullptr, "Manager", "Manager", 200, 200), nullptr);
  ASSERT_EQ(TreeViewInput(10750, 0, 0, 100, 100), 1);
  void* dialog = RunModlessDialog(nullptr, 22374);
  PurgeTmpBuffers();
  ASSERT_NE(dialog, nullptr);
  void* tree = GetControlHWND(dialog, 10750);
  _TREEITEM* walls_item = dlist::tree_insert(tree, nullptr, dlist::kTviLast, " Walls", 0, 0, walls);
  _TREEITEM* loose = dlist::tree_insert(tree, nullptr, dlist::kTviLast, "PALETTE_1", 2, 2, unregistered);

  // The unregistered palette gets a node in the new folder F, beside a new palette.
  FileBuilder f = FileBuilder()
                      .description("")
                      .header(1, 3, 1, 0)
                      .node(3, 1, "F", 0, 20)
                      .block(BLOCK_PALETTE, 21, 1, image_of(patterned<DBWALLPALETTE>(9)))
                      .node(-4, 1, "Wall N", 20, 21)
                      .block(BLOCK_PALETTE, 22, 2, image_of(patterned<DBWALLPALETTE>(5)))
                      .node(-4, 1, "Wall A", 20, 22)
                      .end();
  ASSERT_EQ(import(true, f, 0, dialog), 1);
  EXPECT_FALSE(dlist::tree_has_item(tree, loose));
  _TREEITEM* f_item = dlist::tree_get_next(tree, walls_item, dlist::TreeRelation::kChild);
  ASSERT_NE(f_item, nullptr);
  EXPECT_EQ(dlist::tree_text(tree, f_item), " F");
  std::vector<std::string> items;
  for (_TREEITEM* i = dlist::tree_get_next(tree, f_item, dlist::TreeRelation::kChild); i;
       i = dlist::tree_get_next(tree, i, dlist::TreeRelation::kNext)) {
    items.push_back(dlist::tree_text(tree, i));
    EXPECT_EQ(dlist::tree_image(tree, i), 1);
  }
  EXPECT_EQ(items, (std::vector<std::string>{"Wall A", "Wall N"}));  // sorted
  EXPECT_EQ(dlist::tree_param(tree, f_item), child<PALETTES>(walls, "F"));
  dlist::destroy_dialog(dialog);
}

TEST_F(ExchangeReaderTest, RefusesTheWrongFileAndALeafWithoutItsRecord) {
  EXPECT_EQ(import(false, wall_palette("Wall A")), 0);
  EXPECT_EQ(diagnostics().back(), "HIBA");
  EXPECT_EQ(import(true, wall_prototypes("F", {"W"})), 0);
  EXPECT_TRUE(diagnosed("a palette file opens with 1"));
  EXPECT_EQ(import(true, FileBuilder().description("").header(1, 3, 0, 0).node(-3, 1, "W", 0, 5).end()), 0);
  EXPECT_TRUE(diagnosed("follows no BLOCK_PALETTE"));
  EXPECT_EQ(import(false, FileBuilder().description("").header(-1, 0, 0, 0).node(-2, 1, "W", 0, 5).end()), 0);
  EXPECT_TRUE(diagnosed("follows no BLOCK_RECORD"));
  EXPECT_EQ(rows("nodes"), 1 + 13 + 13 + 1 + 13);  // the system levels alone
  EXPECT_EQ(dlist::cursor_shape(), dlist::CursorShape::kArrow);
}

TEST_F(ExchangeReaderTest, DamagedBlocksAreRefusedWithTheirOffset) {
  const Bytes wall = image_of(patterned<DBWALLPALETTE>(1));
  const Bytes node = FileBuilder::node_bytes(-3, 1, "W");
  Bytes long_node = node;
  long_node.push_back(0);
  auto start = [](int code) { return FileBuilder().description("").header(code, 0, 0, 0); };
  struct Case {
    const char* what;
    bool palettes;
    FileBuilder file;
    const char* says;
  };
  const Case cases[] = {
      {"palette of another size", true,
       start(1).block(BLOCK_PALETTE, 5, 1, Bytes(118, 1)).node(-3, 1, "W", 0, 5).end(),
       "BLOCK_PALETTE at offset 20 has 118 bytes; a wall palette has 117"},
      {"palette beyond every kind", true, start(1).block(BLOCK_PALETTE, 5, 1, Bytes(871, 1)).end(),
       "BLOCK_PALETTE at offset 20 gives size 871, more than 870"},
      {"short surface entry", true,
       start(1).block(BLOCK_PALETTE, 5, 1, wall).block(BLOCK_SURFREF, 0, 0, Bytes(108, 0)).end(),
       "BLOCK_SURFREF at offset 153 has size 108"},
      {"node not consumed", true, start(1).block(BLOCK_PALETTE, 5, 1, wall).block(BLOCK_NODE, 0, 5, long_node).end(),
       "BLOCK_NODE at offset 153: streamed record followed by 1 unread bytes"},
      {"size beyond the file", true, start(1).header(BLOCK_PALETTE, 1000, 5, 1).raw(wall),
       "BLOCK_PALETTE at offset 20 gives size 1000, 117 bytes are left"},
      {"negative size", false, start(-1).header(BLOCK_RECORD, -5, 5, 1).end(),
       "BLOCK_RECORD at offset 20 gives size -5"},
      {"text without its zero", false, start(-1).block(BLOCK_TEXT, 0, 0, Bytes{'a', 'b'}).end(),
       "BLOCK_TEXT at offset 20 does not end with its only zero"},
      {"text with two zeros", false, start(-1).block(BLOCK_TEXT, 0, 0, Bytes{'a', 0, 'b', 0}).end(),
       "does not end with its only zero"},
      {"text beyond its cap", false, start(-1).block(BLOCK_TEXT, 0, 0, Bytes(65537, 'a')).end(),
       "more than 65536"},
      {"material reference cut short", false, start(-1).block(BLOCK_MATREF, 0, 0, Bytes(10, 0)).end(),
       "BLOCK_MATREF at offset 20"},
      {"attribute reference cut short", false, start(-1).block(BLOCK_ATTREF, 0, 0, Bytes(3, 0)).end(),
       "BLOCK_ATTREF at offset 20"},
      {"record block in a palette file", true, start(1).block(BLOCK_RECORD, 0, 0, wall).end(),
       "block code 4 at offset 20 is not read here"},
      {"unknown code", false, start(-1).header(9, 0, 0, 0).end(), "block code 9 at offset 20"},
      {"no end block", true, start(1).block(BLOCK_PALETTE, 5, 1, wall).i32(12), "block header at offset 153 is cut short"},
      {"parent never given", true, start(1).block(BLOCK_PALETTE, 5, 1, wall).node(-4, 1, "W", 55, 5).end(),
       "no folder of kind 1 with identifier 55"},
      {"folder without identifier", true, start(1).node(3, 1, "F", 0, 0).end(), "gives the folder identifier 0"},
      {"description beyond the file", true, FileBuilder().i32(500).text("abc"), "description header"},
      {"leaf of no kind", true, start(1).block(BLOCK_PALETTE, 5, 1, wall).node(-3, 0, "W", 0, 5).end(),
       "no folder of kind 0"},
      // Names obey the rules of typed ones.
      {"name with an escape sequence", true,
       start(1).block(BLOCK_PALETTE, 5, 1, wall).node(-3, 1, "W\x1b[2J", 0, 5).end(),
       "BLOCK_NODE at offset 153: the name 'W\\x1B[2J' holds the control character 0x1B at position 2"},
      {"name with a newline", false, start(-1).node(2, 1, "a\nb", 0, 7).end(),
       "BLOCK_NODE at offset 20: the name 'a\\x0Ab' holds the control character 0x0A"},
      {"name with a slash", true, start(1).node(3, 1, "in/out", 0, 7).end(),
       "the name 'in/out' holds \"/\", which separates the names of a path"},
      {"name without its terminator", false, start(-1).node(2, 1, std::string(32, 'x'), 0, 7).end(),
       "has no terminator within its 32 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(import(c.palettes, c.file), 0);
    EXPECT_TRUE(diagnosed(c.says)) << diagnostics().back();
  }

  // What was created before the damage stays.
  FileBuilder partly = wall_palette("Kept");
  Bytes bytes = partly.bytes();
  bytes.resize(bytes.size() - 16);  // the end block
  EXPECT_EQ(import(true, FileBuilder().raw(bytes).header(BLOCK_SURFREF, 5, 0, 0).end()), 0);
  EXPECT_GT(child<PALETTES>(folder(ModelTree::kPalettes, 1), "Kept"), 0);
}

TEST_F(ExchangeReaderTest, ADamagedAppendixRefusesTheFile) {
  const long node = make_palette<1>(folder(ModelTree::kPalettes, 1), "W", 1, surfaces({"Brick"}));
  std::string file = path("res.pal");
  ASSERT_EQ(PaletteExport(nullptr, node, file.data(), nullptr, 1), 1);
  Bytes b = read_file(file);
  EXPECT_EQ(import(true, FileBuilder().raw(b)), 1);
  b[b.size() - 16 - 9] = 0xff;  // the length of the entry Brick
  EXPECT_EQ(import(true, FileBuilder().raw(b)), 0);
  EXPECT_TRUE(diagnosed("resource appendix"));
}

TEST_F(ExchangeReaderTest, RandomAndMutatedFilesAreRefusedCleanly) {
  Bytes good[2];
  ASSERT_NO_FATAL_FAILURE(export_samples(good, [] {}));
  std::mt19937 random(20240601);
  int refused = 0;
  for (int round = 0; round < 200; ++round) {
    Bytes b = good[round % 2];
    if (round % 8 < 2) {
      b.resize(random() % 200);
      for (auto& c : b) c = static_cast<unsigned char>(random());
    } else {
      for (unsigned k = 1 + random() % 4; k > 0; --k) b[random() % b.size()] = static_cast<unsigned char>(random());
      if (round % 3 == 0) b.resize(random() % b.size());
    }
    dlist::ReportLogScope round_log;
    const int result = import(round % 2 == 0, FileBuilder().raw(b));
    ASSERT_TRUE(result == 0 || result == 1);
    if (result == 0) {
      ++refused;
      ASSERT_FALSE(round_log.entries().empty()) << "round " << round;
    }
  }
  EXPECT_GT(refused, 50);
  EXPECT_LT(refused, 200);
}

}  // namespace
}  // namespace exchange_reader_test
