// The block reader in its two places: a damaged file is refused at the same offset
// for the importers (the offset inside the text) and for the dump (apart from it), and
// a handler that takes nothing still gets every block checked.

#include "palettes/exchange_blocks.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/palettes/exchange_test_support.h"

namespace {

using namespace exchange_test;
using dlist::ExchangeBlockReader;
using dlist::ExchangeFault;
using dlist::ExchangeFileKind;
using dlist::FaultPlace;

// The fault that reading bytes through gives, or none.
std::optional<ExchangeFault> fault_of(const Bytes& bytes, FaultPlace place, ExchangeFileKind kind) {
  dlist::ExchangeBlockHandler ignore_all;
  try {
    ExchangeBlockReader reader(bytes, place, "in.pal");
    if (auto f = reader.appendix_fault()) return f;
    std::string_view description;
    reader.read_description(&description);
    reader.read_blocks(ignore_all, kind);
  } catch (const ExchangeFault& f) {
    return f;
  }
  return std::nullopt;
}

TEST(ExchangeBlocksTest, BothPlacesRefuseAtTheSameOffset) {
  auto start = [](int code) { return FileBuilder().description("").header(code, 0, 0, 0); };
  const Bytes wall(dlist::Kind<1>::facts.palette_image_size, 0);
  struct Case {
    Bytes file;
    uint64_t offset;
    const char* in_text;  // the importers' message
    const char* apart;    // the dump's
  };
  const Case cases[] = {
      {start(1).block(dlist::BLOCK_SURFREF, 0, 0, Bytes(108, 0)).end().bytes(), 20,
       "BLOCK_SURFREF at offset 20 has size 108; a surface entry has 109",
       "BLOCK_SURFREF has size 108; a surface entry has 109"},
      {start(1).block(dlist::BLOCK_PALETTE, 5, 1, Bytes(871, 0)).end().bytes(), 20,
       "BLOCK_PALETTE at offset 20 gives size 871, more than 870",
       "BLOCK_PALETTE gives size 871, more than 870"},
      {start(1).block(dlist::BLOCK_PALETTE, 5, 1, Bytes(118, 1)).node(-3, 1, "W", 0, 5).end().bytes(),
       20, "BLOCK_PALETTE at offset 20 has 118 bytes; a wall palette has 117",
       "BLOCK_PALETTE has 118 bytes; a wall palette has 117"},
      {start(1).block(dlist::BLOCK_PALETTE, 5, 1, wall).node(-3, 1, "W\\\xE9", 9, 5).end().bytes(),
       153, "BLOCK_NODE at offset 153: no folder of kind 1 with identifier 9 precedes it",
       "BLOCK_NODE: no folder of kind 1 with identifier 9 precedes it"},
      {start(1).node(-3, 1, "W\\\xE9", 0, 5).end().bytes(), 20,
       "BLOCK_NODE of the leaf 'W\\\xE9' at offset 20 follows no BLOCK_PALETTE",
       "BLOCK_NODE of the leaf 'W\\\\\\xE9' follows no BLOCK_PALETTE"},
      {start(1).i32(12).bytes(), 20, "block header at offset 20 is cut short: 4 bytes are left",
       "block header is cut short: 4 bytes are left"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.apart);
    const auto in_text = fault_of(c.file, FaultPlace::kInText, ExchangeFileKind::kPalette);
    const auto apart = fault_of(c.file, FaultPlace::kApart, ExchangeFileKind::kUnknown);
    ASSERT_TRUE(in_text && apart);
    EXPECT_EQ(in_text->what, c.in_text);
    EXPECT_EQ(apart->what, c.apart);
    EXPECT_EQ(in_text->offset, c.offset);
    EXPECT_EQ(apart->offset, c.offset);
  }
  // The wrong opening block: the importer names the code it wanted.
  const Bytes prototype_file = start(-1).end().bytes();
  EXPECT_EQ(fault_of(prototype_file, FaultPlace::kInText, ExchangeFileKind::kPalette)->what,
            "the first block at offset 4 has code -1; a palette file opens with 1");
  EXPECT_FALSE(fault_of(prototype_file, FaultPlace::kApart, ExchangeFileKind::kUnknown));
}

}  // namespace
