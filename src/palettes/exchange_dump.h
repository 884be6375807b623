// The decoder behind `dlist dump`: it reads a palette or prototype exchange file
// (exchange_format.h, layout in docs/formats.md) without a project and describes
// everything it holds - the description header, every block with its offset, header
// and decoded content, and the sections of a resource appendix - as plain data that a
// front end prints as text or JSON.
//
// The file is walked by the importers' block reader (exchange_blocks.h), so it is
// checked exactly as the importers check it: the opening code, the codes each
// file kind carries, every size against the bytes left and its cap, palette images
// against their node's kind, 109-byte surface entries, streamed blocks consumed
// exactly, texts with one zero at their end, parents given before their children,
// and the appendix trailer. A file the importers would refuse gets an error with the
// offset of the fault; everything decoded before it is kept. Nothing is allocated
// beyond what the file holds: every count is checked against the bytes left first.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "palettes/exchange_blocks.h"  // ExchangeFileKind

namespace dlist {

// One decoded value: a number, a text, or a group of values. A group whose members
// have empty names is a list (points, parameters, layers).
//
// Texts are the file's bytes made printable: characters 0x20 to 0x7E stand as they
// are except the backslash, which is doubled; every other byte is written as \xNN.
// So a text is always plain ASCII, and the file's bytes can be recovered from it.
struct DLIST_API DumpField {
  enum class Type { kInteger, kReal, kText, kGroup };

  std::string name;
  Type type = Type::kInteger;
  int64_t integer = 0;            // kInteger
  double real = 0.0;              // kReal (may be a NaN or an infinity)
  std::string text;               // kText, printable as above
  std::vector<DumpField> fields;  // kGroup: the members, in order

  // The member called name, null when there is none (or this is no group).
  const DumpField* find(const std::string& member) const;
};

// One block of the file.
struct DLIST_API DumpBlock {
  uint64_t offset = 0;  // of the block's header; its content follows 16 bytes later
  int32_t code = 0;     // the four integers of the header as they stand
  int32_t size = 0;
  int32_t a = 0;
  int32_t b = 0;
  std::string name;  // "BLOCK_NODE", ...; empty for a code that names no block
  int kind = 0;      // element kind of a palette, record or node once known, else 0
  std::vector<DumpField> fields;  // the decoded content
};

// One section of a resource appendix.
struct DLIST_API DumpAppendixSection {
  uint64_t offset = 0;  // of the section's header
  uint32_t kind = 0;    // 1 surface names, 2 material codes, 3 attribute names
  std::string name;     // "surface names", ...; "unknown" for a kind a reader skips
  uint32_t count = 0;   // entries, as the header gives them
  uint32_t length = 0;  // bytes of the entries
  std::vector<std::string> entries;  // the names, printable as above
};

struct DLIST_API DumpAppendix {
  uint64_t offset = 0;  // where the trailer begins (the file's own content ends)
  uint32_t size = 0;    // bytes of the trailer, its 16-byte footer included
  uint32_t version = 0;
  std::vector<DumpAppendixSection> sections;
};

// What a file holds, as far as it could be read.
struct DLIST_API ExchangeDump {
  ExchangeFileKind kind = ExchangeFileKind::kUnknown;  // from the opening block
  uint64_t file_size = 0;
  bool has_description = false;     // the description header could be read
  uint32_t description_length = 0;  // its byte count
  std::string description;          // printable as above
  std::vector<DumpBlock> blocks;    // from the opening block on, in file order
  bool ended = false;               // BLOCK_END was reached
  uint64_t bytes_after_end = 0;     // between BLOCK_END and the appendix (or the end)
  bool has_appendix = false;        // the file ends with a trailer a reader recognises
  DumpAppendix appendix;

  // Empty when the importers would read the file through; otherwise what was wrong
  // ("BLOCK_SURFREF has size 100; a surface entry has 109") and the offset of the
  // block or part of the file at fault. The first fault in file order is given.
  std::string error;
  uint64_t error_offset = 0;

  bool ok() const { return error.empty(); }
};

// Decodes an exchange file held in memory.
DLIST_API ExchangeDump decode_exchange_file(std::span<const unsigned char> bytes);
// Decodes the file at path; a file that cannot be read gives an error at offset 0.
DLIST_API ExchangeDump decode_exchange_file(const std::string& path);

}  // namespace dlist
