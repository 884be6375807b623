// The exchange file decoder: files the exporters write, decoded block by block with
// their appendix; damaged files refused with the fault's offset, the blocks before it
// kept; and agreement with the importers on which files they read through.

#include "palettes/exchange_dump.h"

#include <gtest/gtest.h>

#include <random>

#include "palettes/exchange_reader.h"
#include "palettes/exchange_writer.h"
#include "tests/palettes/exchange_test_support.h"

namespace {

using namespace exchange_test;
using dlist::DumpField;
using dlist::ExchangeDump;
using dlist::ExchangeFileKind;

template <class T>
Bytes image_of(const T& record) {
  Bytes b(sizeof(T));
  dlist::to_plain_image(record, b.data());
  return b;
}

// The member at path ("palette/layer") of fields; fails the test when missing.
const DumpField& at(const std::vector<DumpField>& fields, std::initializer_list<const char*> path) {
  static const DumpField missing;
  const std::vector<DumpField>* level = &fields;
  const DumpField* found = nullptr;
  for (const char* name : path) {
    found = nullptr;
    for (const DumpField& f : *level)
      if (f.name == name) found = &f;
    if (!found) {
      ADD_FAILURE() << "no field " << name;
      return missing;
    }
    level = &found->fields;
  }
  return *found;
}

class ExchangeDumpTest : public ExchangeTest {
 protected:
  ExchangeDump decode(const Bytes& b) { return dlist::decode_exchange_file(b); }

  // The importer's answer for bytes, into a fresh project's root.
  int import(bool palettes, const Bytes& bytes) {
    dlist::ModelDatabase fresh;
    EXPECT_TRUE(fresh.open(":memory:"));
    dlist::ActiveModel active(fresh);
    FileBuilder().raw(bytes).write(path("in.bin"));
    std::string p = path("in.bin");
    return palettes ? PaletteImport(nullptr, 0L, p.data()) : PrototypeImport(nullptr, 0L, p.data());
  }

  static std::vector<std::string> names(const ExchangeDump& d) {
    std::vector<std::string> out;
    for (const auto& b : d.blocks) out.push_back(b.name);
    return out;
  }
};

TEST_F(ExchangeDumpTest, DecodesAnExportedPaletteFileWithItsAppendix) {
  const long top = make_folder<PALETTES>(folder(ModelTree::kPalettes, 1), "Outer");
  const long wall = make_palette<1>(top, "Wall A", 5, surfaces({"Brick", "Glass"}));
  make_folder<PALETTES>(top, "Inner");
  std::string file = path("f.pal"), description = "a\\b\n";
  ASSERT_EQ(PaletteExport(nullptr, top, file.data(), description.data(), 1), 1);

  const Bytes bytes = read_file(file);
  const ExchangeDump d = dlist::decode_exchange_file(file);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d.kind, ExchangeFileKind::kPalette);
  EXPECT_EQ(d.file_size, bytes.size());
  EXPECT_EQ(d.description, "a\\\\b\\x0A");  // printable: backslash doubled, others \xNN
  EXPECT_EQ(d.description_length, 4u);
  EXPECT_EQ(names(d), (std::vector<std::string>{"BLOCK_BEGIN", "BLOCK_NODE", "BLOCK_PALETTE",
                                                "BLOCK_SURFREF", "BLOCK_SURFREF", "BLOCK_NODE",
                                                "BLOCK_NODE", "BLOCK_END"}));
  const std::vector<Block> raw = blocks_of(bytes);
  ASSERT_EQ(raw.size(), d.blocks.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    EXPECT_EQ(d.blocks[i].offset + 16, raw[i].at);
    EXPECT_EQ(d.blocks[i].code, raw[i].code);
    EXPECT_EQ(d.blocks[i].a, raw[i].a);
    EXPECT_EQ(d.blocks[i].b, raw[i].b);
  }
  EXPECT_EQ(at(d.blocks[0].fields, {"level"}).integer, 3);
  EXPECT_EQ(at(d.blocks[1].fields, {"name"}).text, "Outer");
  const auto& palette = d.blocks[2];
  EXPECT_EQ(palette.kind, 1);
  EXPECT_EQ(at(palette.fields, {"kind_name"}).text, "wall");
  const auto image = dlist::testing::patterned<DBWALLPALETTE>(5);
  EXPECT_EQ(at(palette.fields, {"layer"}).integer, image.layer);
  EXPECT_EQ(at(palette.fields, {"retegezes", "count"}).integer, image.retegezes.count);
  EXPECT_EQ(at(d.blocks[4].fields, {"name"}).text, "Glass");
  EXPECT_EQ(at(d.blocks[4].fields, {"hatch1"}).fields[0].real, 2.0);
  EXPECT_EQ(at(d.blocks[5].fields, {"level"}).integer, -4);
  EXPECT_EQ(d.blocks[5].b, wall);

  ASSERT_TRUE(d.has_appendix);
  EXPECT_TRUE(d.ended);
  EXPECT_EQ(d.bytes_after_end, 0u);
  EXPECT_EQ(d.appendix.offset + d.appendix.size, bytes.size());
  EXPECT_EQ(d.appendix.offset, d.blocks.back().offset + 16);
  ASSERT_EQ(d.appendix.sections.size(), 1u);
  EXPECT_EQ(d.appendix.sections[0].name, "surface names");
  EXPECT_EQ(d.appendix.sections[0].entries, (std::vector<std::string>{"Brick", "Glass"}));
}

TEST_F(ExchangeDumpTest, DecodesTheRecordsOfEveryKindAtTheirNodes) {
  dlist::for_each_kind([&](auto k) {
    constexpr int K = decltype(k)::kind;
    make_prototype<K>(folder(ModelTree::kPrototypes, K), dlist::Kind<K>::facts.cli_name, K);
  });
  std::string file = path("all.prt");
  ASSERT_EQ(PrototypeExport(nullptr, db_.root(ModelTree::kPrototypes), file.data(), nullptr, 0), 1);
  const ExchangeDump d = dlist::decode_exchange_file(file);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d.kind, ExchangeFileKind::kPrototype);
  EXPECT_FALSE(d.has_appendix);

  int records = 0;
  for (const auto& b : d.blocks) {
    if (b.code != dlist::BLOCK_RECORD) continue;
    ++records;
    SCOPED_TRACE(b.kind);
    EXPECT_EQ(at(b.fields, {"kind"}).integer, b.kind);
    EXPECT_EQ(at(b.fields, {"palette", "layer"}).type, DumpField::Type::kInteger);
  }
  EXPECT_EQ(records, 13);
  auto block_of_kind = [&](int code, int kind) -> const dlist::DumpBlock& {
    for (const auto& b : d.blocks)
      if (b.code == code && b.kind == kind) return b;
    static const dlist::DumpBlock none;
    ADD_FAILURE() << "no block " << code << " of kind " << kind;
    return none;
  };
  const auto& ceiling = block_of_kind(dlist::BLOCK_RECORD, 6);
  EXPECT_EQ(at(ceiling.fields, {"outline", "point_count"}).integer, 4);
  EXPECT_EQ(at(ceiling.fields, {"outline", "points"}).fields[3].fields[0].real, 3.5);
  EXPECT_EQ(at(ceiling.fields, {"outline", "clips"}).fields.size(), 2u);
  EXPECT_EQ(at(block_of_kind(dlist::BLOCK_RECORD, 5).fields, {"hotspots"}).fields[1].fields[2].real,
            3.0);
  EXPECT_EQ(at(block_of_kind(dlist::BLOCK_NODE, 9).fields, {"name"}).text, "text");

  std::vector<std::string> texts, codes, attributes;
  for (const auto& b : d.blocks) {
    if (b.code == dlist::BLOCK_TEXT) texts.push_back(at(b.fields, {"text"}).text);
    if (b.code == dlist::BLOCK_MATREF) codes.push_back(at(b.fields, {"code"}).text);
    if (b.code == dlist::BLOCK_ATTREF) {
      attributes.push_back(at(b.fields, {"name"}).text + "=" + at(b.fields, {"value"}).text);
    }
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"text 9"}));
  EXPECT_EQ(codes.size(), 13u);
  EXPECT_EQ(codes[0], "A.B.1");
  EXPECT_EQ(attributes[12], "fire=R60");
}

TEST_F(ExchangeDumpTest, RefusesWhatTheImportersRefuseAtTheFaultsOffset) {
  const Bytes wall = image_of(dlist::testing::patterned<DBWALLPALETTE>(1));
  auto start = [](int code) { return FileBuilder().description("").header(code, 0, 0, 0); };
  auto wall_record = [] {
    auto rec = sample<1>(1);
    return dlist::stream_out(rec);
  };
  Bytes long_record = wall_record();
  long_record.push_back(0);
  struct Case {
    const char* what;
    Bytes file;
    uint64_t offset;
    const char* says;
    std::size_t kept;  // blocks listed, the faulty one included
  };
  const Case cases[] = {
      {"no opening block", start(5).end().bytes(), 4, "first block has code 5", 1},
      {"description beyond the file", FileBuilder().i32(500).text("abc").bytes(), 0,
       "description header gives 500 bytes", 0},
      {"palette of another size",
       start(1).block(dlist::BLOCK_PALETTE, 5, 1, Bytes(118, 1)).node(-3, 1, "W", 0, 5).end().bytes(),
       20, "BLOCK_PALETTE has 118 bytes; a wall palette has 117", 3},
      {"short surface entry",
       start(1).block(dlist::BLOCK_PALETTE, 5, 1, wall).block(dlist::BLOCK_SURFREF, 0, 0, Bytes(108, 0)).end().bytes(),
       153, "BLOCK_SURFREF has size 108", 3},
      {"size beyond the file", start(1).header(dlist::BLOCK_PALETTE, 1000, 5, 1).raw(wall).bytes(), 20,
       "gives size 1000, 117 bytes are left", 2},
      {"record not consumed",
       start(-1).block(dlist::BLOCK_RECORD, 5, 1, long_record).node(-2, 1, "W", 0, 5).end().bytes(),
       20, "BLOCK_RECORD: streamed record followed by 1 unread bytes", 3},
      {"text without its zero", start(-1).block(dlist::BLOCK_TEXT, 0, 0, Bytes{'a', 'b'}).end().bytes(),
       20, "BLOCK_TEXT does not end with its only zero", 2},
      {"record block in a palette file", start(1).block(dlist::BLOCK_RECORD, 0, 0, wall).end().bytes(),
       20, "block code 4 is not read in a palette file", 2},
      {"leaf without its record", start(-1).node(-2, 1, "W", 0, 5).end().bytes(), 20,
       "BLOCK_NODE of the leaf 'W' follows no BLOCK_RECORD", 2},
      {"parent never given",
       start(1).block(dlist::BLOCK_PALETTE, 5, 1, wall).node(-4, 1, "W", 55, 5).end().bytes(), 153,
       "no folder of kind 1 with identifier 55", 3},
      {"no end block", start(1).block(dlist::BLOCK_PALETTE, 5, 1, wall).i32(12).bytes(), 153,
       "block header is cut short: 4 bytes are left", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ExchangeDump d = decode(c.file);
    EXPECT_FALSE(d.ok());
    EXPECT_NE(d.error.find(c.says), std::string::npos) << d.error;
    EXPECT_EQ(d.error_offset, c.offset);
    EXPECT_EQ(d.blocks.size(), c.kept);
    const bool palettes = d.kind != ExchangeFileKind::kPrototype;
    EXPECT_EQ(import(palettes, c.file), 0);
  }

  // A damaged appendix: the blocks are still decoded, the fault is the entry's.
  const long node = make_palette<1>(folder(ModelTree::kPalettes, 1), "W", 1, surfaces({"Brick"}));
  std::string file = path("res.pal");
  ASSERT_EQ(PaletteExport(nullptr, node, file.data(), nullptr, 1), 1);
  Bytes b = read_file(file);
  const std::size_t entry = b.size() - 16 - 9;  // the entry "Brick": its length, then 5 bytes
  b[entry + 4 + 2] = 0;
  const ExchangeDump d = decode(b);
  EXPECT_TRUE(d.ended);
  EXPECT_EQ(d.error_offset, entry);
  EXPECT_NE(d.error.find("entry holds a zero byte"), std::string::npos) << d.error;
  EXPECT_EQ(import(true, b), 0);
}

TEST_F(ExchangeDumpTest, AgreesWithTheImportersOnMutatedFiles) {
  Bytes good[2];
  const auto kind_6 = [&] { make_prototype<6>(folder(ModelTree::kPrototypes, 6), "C", 3); };
  ASSERT_NO_FATAL_FAILURE(export_samples(good, kind_6));
  std::mt19937 random(20240611);
  int refused = 0;
  for (int round = 0; round < 300; ++round) {
    Bytes b = good[round % 2];
    for (unsigned k = 1 + random() % 3; k > 0; --k) {
      b[random() % b.size()] = static_cast<unsigned char>(random());
    }
    if (round % 5 == 0) b.resize(random() % b.size());
    const bool palettes = round % 2 == 0;
    const ExchangeDump d = decode(b);
    const int imported = import(palettes, b);
    const bool readable =
        d.ok() && d.kind == (palettes ? ExchangeFileKind::kPalette : ExchangeFileKind::kPrototype);
    ASSERT_EQ(readable, imported == 1) << "round " << round << ": " << d.error;
    refused += imported == 0;
  }
  EXPECT_GT(refused, 50);
  EXPECT_LT(refused, 250);
}

}  // namespace
