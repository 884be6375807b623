// The palette and prototype exchange file ("*.pal", "*.prt"): the block codes, the
// 16-byte block header and its encoding, and the limits its reader applies. The
// writer is exchange_writer.h; the one reader of the file's structure is
// exchange_blocks.h, under the importers (exchange_reader.h) and the dump
// (exchange_dump.h); the layout, with a worked example, is in docs/formats.md,
// "Palette and prototype files".
//
// A file is the description header (host/file_description.h), then blocks, each a
// header of four signed 32-bit little-endian integers (code, size, a, b) and size
// bytes of content, up to BLOCK_END; then, when asked for, the resource appendix
// (host/resource_appendix.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/byte_order.h"
#include "foundation/surfaces.h"
#include "foundation/text_element.h"

namespace dlist {

// Block codes. The opening block is BLOCK_BEGIN in a palette file and -BLOCK_BEGIN
// in a prototype file.
inline constexpr int32_t BLOCK_BEGIN = 1;    // size: level, a: kind of the exported node
inline constexpr int32_t BLOCK_NODE = 2;     // a: parent node or 0, b: node; the streamed node
inline constexpr int32_t BLOCK_PALETTE = 3;  // a: node, b: palette; the palette's image
inline constexpr int32_t BLOCK_RECORD = 4;   // a: node, b: record; the streamed element record
inline constexpr int32_t BLOCK_SURFREF = 5;  // one surface entry's 109-byte image
inline constexpr int32_t BLOCK_MATREF = 6;   // one streamed material reference
inline constexpr int32_t BLOCK_ATTREF = 7;   // one streamed attribute reference
inline constexpr int32_t BLOCK_END = 12;     // closes the blocks
inline constexpr int32_t BLOCK_TEXT = 13;    // the text of a text element with its zero

inline constexpr int32_t kPaletteFileCode = BLOCK_BEGIN;
inline constexpr int32_t kPrototypeFileCode = -BLOCK_BEGIN;

inline constexpr std::size_t kBlockHeaderSize = 16;
inline constexpr std::size_t kSurfaceBlockSize = DBSURFHATCH::kImageSize;   // 109
inline constexpr std::size_t kTextRecordBlockSize = DBTEXTTYPE::kImageSize;  // 310
// The longest text of a text element, its terminating zero included (BLOCK_TEXT).
inline constexpr uint32_t kMaxTextBlockBytes = 64u * 1024u;

// One block header.
struct BlockHeader {
  int32_t code = 0;  // block code
  int32_t size = 0;  // bytes of content; in the opening block the exported node's level
  int32_t a = 0;     // first value: parent, node or kind, by code
  int32_t b = 0;     // second value: node, palette or record identifier, by code
};

inline void encode_block_header(const BlockHeader& h, unsigned char out[kBlockHeaderSize]) {
  store_le32(out, static_cast<uint32_t>(h.code));
  store_le32(out + 4, static_cast<uint32_t>(h.size));
  store_le32(out + 8, static_cast<uint32_t>(h.a));
  store_le32(out + 12, static_cast<uint32_t>(h.b));
}

inline BlockHeader decode_block_header(const unsigned char in[kBlockHeaderSize]) {
  BlockHeader h;
  h.code = static_cast<int32_t>(load_le32(in));
  h.size = static_cast<int32_t>(load_le32(in + 4));
  h.a = static_cast<int32_t>(load_le32(in + 8));
  h.b = static_cast<int32_t>(load_le32(in + 12));
  return h;
}

// The block's name for the diagnostic output ("BLOCK_NODE"); both opening codes give
// "BLOCK_BEGIN". Null for a code that names no block.
inline const char* block_name(int32_t code) {
  switch (code) {
    case BLOCK_BEGIN:
    case -BLOCK_BEGIN: return "BLOCK_BEGIN";
    case BLOCK_NODE: return "BLOCK_NODE";
    case BLOCK_PALETTE: return "BLOCK_PALETTE";
    case BLOCK_RECORD: return "BLOCK_RECORD";
    case BLOCK_SURFREF: return "BLOCK_SURFREF";
    case BLOCK_MATREF: return "BLOCK_MATREF";
    case BLOCK_ATTREF: return "BLOCK_ATTREF";
    case BLOCK_END: return "BLOCK_END";
    case BLOCK_TEXT: return "BLOCK_TEXT";
    default: return nullptr;
  }
}

}  // namespace dlist
