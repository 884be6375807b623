// The exchange file writer: exact bytes of one palette and of a text prototype,
// block sequences and parents, the order of a folder's contents, kind folders, the
// index forms, the resource appendix, and failed exports that keep the old file.

#include "palettes/exchange_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "host/cursor.h"
#include "stream/file_handle.h"
#include "host/resource_appendix.h"
#include "tests/palettes/exchange_test_support.h"

namespace {

using namespace exchange_test;
using dlist::BLOCK_END;
using dlist::BLOCK_NODE;
using dlist::BLOCK_PALETTE;
using dlist::BLOCK_RECORD;
using dlist::BLOCK_SURFREF;
using dlist::BLOCK_TEXT;

class ExchangeWriterTest : public ExchangeTest {
 protected:
  // (code, a, b) of each block.
  static std::vector<std::array<long, 3>> seq(const std::string& file) {
    std::vector<std::array<long, 3>> out;
    for (const Block& b : blocks_of(read_file(file))) out.push_back({b.code, b.a, b.b});
    return out;
  }
};

TEST_F(ExchangeWriterTest, OnePaletteIsWrittenByteForByte) {
  const DBSURFREFTYPE surf = surfaces({"Brick"});
  const long node = make_palette<1>(folder(ModelTree::kPalettes, 1), "Wall A", 5, surf);
  const long pal = PALETTES().get_id_palette(node);
  std::string file = path("one.pal"), description = "d";
  ASSERT_EQ(PaletteExport(nullptr, node, file.data(), description.data(), 0), 1);

  const Bytes b = read_file(file);
  ASSERT_EQ(b.size(), 5u + 16 + 16 + 117 + 16 + 109 + 16 + 42 + 16);
  EXPECT_EQ(le32(b, 0), 1);                   // description: 1 byte
  EXPECT_EQ(b[4], 'd');                       // description text, no zero
  EXPECT_EQ(le32(b, 5), 1);                   // BLOCK_BEGIN of a palette file
  EXPECT_EQ(le32(b, 9), -3);                  // level of the exported node
  EXPECT_EQ(le32(b, 13), 1);                  // its kind: walls
  EXPECT_EQ(le32(b, 17), 0);                  // 0
  EXPECT_EQ(le32(b, 21), BLOCK_PALETTE);      // code
  EXPECT_EQ(le32(b, 25), 117);                // size: a wall palette's image
  EXPECT_EQ(le32(b, 29), node);               // a: the node
  EXPECT_EQ(le32(b, 33), pal);                // b: the palette
  const auto image = dlist::testing::patterned<DBWALLPALETTE>(5);
  EXPECT_EQ(std::memcmp(b.data() + 37, &image, 117), 0);  // the image itself
  EXPECT_EQ(le32(b, 154), BLOCK_SURFREF);     // code
  EXPECT_EQ(le32(b, 158), 109);               // size of one surface entry
  EXPECT_EQ(le32(b, 162), 0);                 // a
  EXPECT_EQ(le32(b, 166), 0);                 // b
  EXPECT_EQ(std::memcmp(b.data() + 170, &surf[0], 109), 0);  // the entry's image
  EXPECT_EQ(le32(b, 279), BLOCK_NODE);        // code
  EXPECT_EQ(le32(b, 283), 42);                // size of the streamed node
  EXPECT_EQ(le32(b, 287), 0);                 // a: parent 0 at the first user level
  EXPECT_EQ(le32(b, 291), node);              // b: the node
  EXPECT_EQ(Bytes(b.begin() + 295, b.begin() + 337), FileBuilder::node_bytes(-3, 1, "Wall A"));
  EXPECT_EQ(le32(b, 337), BLOCK_END);         // code, then three zeros
  EXPECT_EQ(le32(b, 341) | le32(b, 345) | le32(b, 349), 0);
  EXPECT_EQ(dlist::cursor_shape(), dlist::CursorShape::kArrow);
}

TEST_F(ExchangeWriterTest, TextPrototypeCarriesItsTextInABlockOfItsOwn) {
  auto text = sample<9>(1);
  text.set_text("abc");
  DBMATREFCHAIN mat;
  DBATTREFCHAIN attr;
  const long rec = dlist::HostCalls<9>::cre_record(&text, nullptr, &mat, &attr);
  auto n = dlist::testing::node_named<DBPROTOTYPENODE>("Label");
  const long node = PROTOTYPES().cre_node(folder(ModelTree::kPrototypes, 9), n, rec);
  std::string file = path("text.prt");
  ASSERT_EQ(PrototypeExport(nullptr, node, file.data(), nullptr, 0), 1);

  const Bytes b = read_file(file);
  ASSERT_EQ(b.size(), 4u + 16 + 16 + 310 + 16 + 4 + 16 + 42 + 16);
  EXPECT_EQ(le32(b, 0), 0);              // no description
  EXPECT_EQ(le32(b, 4), -1);             // BLOCK_BEGIN of a prototype file
  EXPECT_EQ(le32(b, 8), -2);             // level
  EXPECT_EQ(le32(b, 12), 9);             // kind: texts
  EXPECT_EQ(le32(b, 20), BLOCK_RECORD);  // code
  EXPECT_EQ(le32(b, 24), 310);           // size: the text record's image
  EXPECT_EQ(le32(b, 28), node);          // a: the node
  EXPECT_EQ(le32(b, 32), rec);           // b: the record
  unsigned char image[310];
  text.to_image(image);
  EXPECT_EQ(std::memcmp(b.data() + 36, image, 310), 0);  // image, string slot 0
  EXPECT_EQ(le32(b, 346), BLOCK_TEXT);   // code
  EXPECT_EQ(le32(b, 350), 4);            // size: "abc" and its zero
  EXPECT_EQ(le32(b, 354) | le32(b, 358), 0);
  EXPECT_EQ(Bytes(b.begin() + 362, b.begin() + 366), (Bytes{'a', 'b', 'c', 0}));
  EXPECT_EQ(le32(b, 366), BLOCK_NODE);
  EXPECT_EQ(le32(b, 374), 0);            // parent 0 at the first user level

  // An empty text writes no BLOCK_TEXT.
  text.set_text(nullptr);
  ASSERT_EQ(dlist::HostCalls<9>::mod_record(rec, &text, nullptr, nullptr, nullptr), 1);
  ASSERT_EQ(PrototypeExport(nullptr, node, file.data(), nullptr, 0), 1);
  EXPECT_EQ(seq(file), (std::vector<std::array<long, 3>>{{-1, 9, 0},
                                                        {BLOCK_RECORD, node, rec},
                                                        {BLOCK_NODE, 0, node},
                                                        {BLOCK_END, 0, 0}}));
}

TEST_F(ExchangeWriterTest, RootExportSkipsTheSystemLevelsAndOrdersFolderContents) {
  // F holds, in store order: P1, A, P2, B; A and B hold one palette each.
  const long walls = folder(ModelTree::kPalettes, 1);
  const long f = make_folder<PALETTES>(walls, "F");
  const long p1 = make_palette<1>(f, "P1", 1);
  const long a = make_folder<PALETTES>(f, "A");
  const long p2 = make_palette<1>(f, "P2", 2);
  const long b = make_folder<PALETTES>(f, "B");
  const long pa = make_palette<1>(a, "PA", 3);
  const long pb = make_palette<1>(b, "PB", 4);
  const long door = make_palette<2>(folder(ModelTree::kPalettes, 2), "D", 5);
  std::string file = path("all.pal");
  ASSERT_EQ(PaletteExport(nullptr, 0L, file.data(), nullptr, 0), 1);

  std::vector<std::array<long, 3>> nodes;  // (node, parent) of each BLOCK_NODE
  for (const auto& [code, pa_, nb] : seq(file))
    if (code == BLOCK_NODE) nodes.push_back({nb, pa_, 0});
  EXPECT_EQ(nodes, (std::vector<std::array<long, 3>>{{door, 0, 0},  // the last kind first
                                                     {f, 0, 0},
                                                     {p1, f, 0},
                                                     {a, f, 0},
                                                     {p2, f, 0},
                                                     {b, f, 0},
                                                     {pb, b, 0},  // B's contents before A's
                                                     {pa, a, 0}}));
  EXPECT_EQ(blocks_of(read_file(file)).front().size, 0);  // the root's level
}

TEST_F(ExchangeWriterTest, KindFolderAndIndexFormsWriteTheirNodesOnly) {
  const long walls = folder(ModelTree::kPrototypes, 1);
  const long w1 = make_prototype<1>(walls, "W1", 1);
  const long wf = make_folder<PROTOTYPES>(walls, "WF");
  const long w2 = make_prototype<1>(wf, "W2", 2);
  make_prototype<2>(folder(ModelTree::kPrototypes, 2), "D1", 3);
  std::string file = path("walls.prt");
  ASSERT_EQ(PrototypeExport(nullptr, walls, file.data(), nullptr, 0), 1);
  std::vector<std::array<long, 3>> nodes;
  for (const auto& [code, a, b] : seq(file))
    if (code == BLOCK_NODE) nodes.push_back({code, a, b});
  EXPECT_EQ(nodes, (std::vector<std::array<long, 3>>{
                       {BLOCK_NODE, 0, w1}, {BLOCK_NODE, 0, wf}, {BLOCK_NODE, wf, w2}}));
  EXPECT_EQ(seq(file).front()[0], -1);

  // The first child of the prototype root is the walls' kind folder.
  std::string again = path("again.prt");
  ASSERT_EQ(PrototypeExport(nullptr, short{1}, again.data(), nullptr, 0), 1);
  EXPECT_EQ(read_file(again), read_file(file));
  EXPECT_EQ(PrototypeExport(nullptr, short{99}, again.data(), nullptr, 0), 0);
  EXPECT_EQ(PaletteExport(nullptr, short{99}, again.data(), nullptr, 0), 0);
  EXPECT_EQ(PaletteExport(nullptr, short{1}, again.data(), nullptr, 0), 1);  // "Walls"
  EXPECT_EQ(PrototypeExport(nullptr, 0L, again.data(), nullptr, 0), 0);     // no node 0
}

TEST_F(ExchangeWriterTest, ResourcesFollowTheLastBlock) {
  const long node = make_prototype<1>(folder(ModelTree::kPrototypes, 1), "W", 1);
  std::string file = path("res.prt");
  ASSERT_EQ(PrototypeExport(nullptr, node, file.data(), nullptr, 1), 1);
  APPENDIX appendix;
  ASSERT_EQ(appendix.ReadAppendix(file.c_str()), 1) << appendix.last_error();
  EXPECT_EQ(appendix.surfaces(), (std::vector<std::string>{"Brick", "Glass"}));
  EXPECT_EQ(appendix.materials(), std::vector<std::string>{"A.B.1"});
  EXPECT_EQ(appendix.attributes(), std::vector<std::string>{"fire"});
  const Bytes b = read_file(file);
  EXPECT_EQ(b.size() - appendix.trailer_size(), blocks_of(b).back().at);  // after BLOCK_END
}

TEST_F(ExchangeWriterTest, FailedExportKeepsTheOldFileIntact) {
  const long f = make_folder<PALETTES>(folder(ModelTree::kPalettes, 1), "F");
  make_palette<1>(f, "P1", 1, surfaces({"Brick"}));
  make_palette<1>(make_folder<PALETTES>(f, "A"), "P2", 2);
  std::string file = path("keep.pal");
  FileBuilder().text("the previous file").write(file);
  const Bytes old = read_file(file);

  // Each write in turn fails; the export that gets through every write succeeds.
  int failures = 0;
  for (unsigned n = 1;; ++n) {
    dlist::fail_file_writes_after(n);
    const int result = PaletteExport(nullptr, f, file.data(), nullptr, 1);
    dlist::fail_file_writes_after(0);
    if (result == 1) break;
    ++failures;
    ASSERT_EQ(read_file(file), old) << "write " << n;
    ASSERT_EQ(files_in_dir(), 1u) << "a temporary file was left after write " << n;
    ASSERT_LT(n, 100u);
  }
  EXPECT_GE(failures, 10);  // description, blocks, the appendix
  EXPECT_NE(read_file(file), old);
  EXPECT_TRUE(diagnosed("injected write failure"));

  // A missing node or a target that cannot be replaced leaves everything as it was.
  const Bytes complete = read_file(file);
  EXPECT_EQ(PaletteExport(nullptr, 999999L, file.data(), nullptr, 0), 0);
  std::string folder_target = dir_.string();
  EXPECT_EQ(PaletteExport(nullptr, f, folder_target.data(), nullptr, 0), 0);
  EXPECT_EQ(read_file(file), complete);
  EXPECT_EQ(files_in_dir(), 1u);
  EXPECT_EQ(dlist::cursor_shape(), dlist::CursorShape::kArrow);
}

}  // namespace
