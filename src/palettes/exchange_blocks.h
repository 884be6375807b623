// The one reader of the palette and prototype file's structure (exchange_format.h,
// layout in docs/formats.md): the resource appendix recognised from the end of the
// file, the description header, and the walk over the blocks up to BLOCK_END with
// every check a block gets. The importers (exchange_reader.h) and the decoder behind
// `dlist dump` (exchange_dump.h) both read through it, so a file is refused for the
// same faults at the same offsets whoever reads it; the fuzz targets reach it through
// both.
//
// The reader decodes each block and hands it to an ExchangeBlockHandler; what a
// block means for a project (or for the dump's listing) is the handler's business.
// It keeps the bookkeeping that decides whether the blocks hold together: the
// folders already given (a node's parent must precede it) and the record that
// precedes the node of a leaf. Every refusal is thrown as an ExchangeFault.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "dlist/api.h"
#include "foundation/element_kinds.h"
#include "foundation/records.h"
#include "host/resource_appendix.h"
#include "palettes/exchange_format.h"
#include "stream/streamers.h"

namespace dlist {

enum class ExchangeFileKind { kUnknown = 0, kPalette = 1, kPrototype = 2 };

// "palette", "prototype" or "unknown".
DLIST_API const char* exchange_file_kind_name(ExchangeFileKind kind);

// The largest palette image of any kind: BLOCK_PALETTE is refused beyond it at once,
// before its node names the kind.
inline constexpr std::size_t kMaxPaletteImage = [] {
  std::size_t n = 0;
  for (const KindFacts& f : kKinds) n = f.palette_image_size > n ? f.palette_image_size : n;
  return n;
}();

// Bytes made printable: 0x20 to 0x7E stand as they are except the backslash, which is
// doubled; every other byte is written as \xNN.
std::string printable(const void* data, std::size_t n);

// Where a refusal names its offset: inside its text ("BLOCK_TEXT at offset 120 does
// not end with its only zero", the importers' diagnostic output) or apart from it
// ("BLOCK_TEXT does not end with its only zero" at 120, the dump).
enum class FaultPlace { kInText, kApart };

// A refusal: what was wrong, and the offset of the block or part of the file at fault.
struct ExchangeFault {
  uint64_t offset = 0;
  std::string what;
};

// What the reader hands on, block by block, in file order. Every call may throw an
// ExchangeFault (or anything else, which the reader lets pass).
class ExchangeBlockHandler {
 public:
  virtual ~ExchangeBlockHandler() = default;

  // Every block header as it was read, before anything about it is checked.
  virtual void header(const BlockHeader&, uint64_t /*at*/) {}
  // A block whose code the file kind carries (the opening block among them).
  virtual void accepted(const BlockHeader&, uint64_t /*at*/) {}
  // BLOCK_PALETTE or BLOCK_RECORD: the image or the streamed record, still undecoded.
  virtual void record(const BlockHeader&, uint64_t /*at*/, std::span<const unsigned char>) {}
  virtual void surface(const DBSURFHATCH&, uint64_t /*at*/) {}
  virtual void material(DBMATREF&, uint64_t /*at*/) {}
  virtual void attribute(DBATTREFTYPE&, uint64_t /*at*/) {}
  // BLOCK_TEXT without its terminating zero.
  virtual void text(std::span<const unsigned char>, uint64_t /*at*/) {}
  // A node as streamed, before its name or place is checked.
  virtual void node_read(const TreeNode&, uint64_t /*at*/) {}
  // Whether the node (its name checked) is taken; a node not taken is skipped whole,
  // and the record before a leaf not taken is dropped.
  virtual bool takes(const TreeNode&) { return true; }
  // A folder whose parent precedes it: h.a is its parent's identifier in the file,
  // h.b its own. node is a DBPALETTENODETYPE or a DBPROTOTYPENODE, by the file.
  virtual void folder(TreeNode& /*node*/, const BlockHeader&, uint64_t /*at*/) {}
  // A leaf whose parent precedes it, with the record block before it; a palette image
  // has the size of the node's kind. record_at is the offset of the record's block.
  virtual void leaf(TreeNode& /*node*/, const BlockHeader&, uint64_t /*at*/,
                    std::span<const unsigned char> /*record*/, uint64_t /*record_at*/) {}
};

class ExchangeBlockReader {
 public:
  // Reads the file's bytes, which outlive the reader. name is the file's name as the
  // importer opened it (it appears in the importer's message for a file too short to
  // hold the description's count). The trailer is recognised and its sections read
  // at once; a damaged one is kept as appendix_fault().
  ExchangeBlockReader(std::span<const unsigned char> file, FaultPlace place,
                      std::string name = {});

  // ---- the resource appendix ----
  bool has_appendix() const { return trailer_size_ != 0; }
  uint64_t appendix_offset() const { return file_.size() - trailer_size_; }
  uint32_t appendix_size() const { return trailer_size_; }
  const AppendixRead& appendix() const { return appendix_; }
  // The first fault of the trailer's sections, if any.
  std::optional<ExchangeFault> appendix_fault() const;

  // ---- the description header ----
  // Reads the description header at the start and sets *text to its text as the file
  // holds it, before checking that the header ends ahead of the appendix.
  void read_description(std::string_view* text);

  // ---- the blocks ----
  // Walks the blocks that follow the description through BLOCK_END. expected is the
  // file kind the caller reads (kUnknown: either, by the opening block).
  void read_blocks(ExchangeBlockHandler& handler, ExchangeFileKind expected);
  // The kind that the opening block gave.
  ExchangeFileKind kind() const { return kind_; }
  // Bytes between the position reached and the appendix (or the end of the file).
  uint64_t left() const { return end_ - pos_; }

  // Fills object from a streamed block that it must consume exactly.
  template <class T>
  void restore(T& object, std::span<const unsigned char> bytes, const char* name,
               uint64_t at) const {
    try {
      stream_in(object, bytes);
    } catch (const StreamError& e) {
      fail(at, name, std::string(": ") + e.what());
    }
  }

  // Throws the refusal subject + detail of the part at offset at, the offset named as
  // the reader's place says ("BLOCK_NODE" + " at offset 52" + ": ...").
  [[noreturn]] void fail(uint64_t at, const std::string& subject, const std::string& detail) const;

 private:
  BlockHeader header();
  std::span<const unsigned char> content(const BlockHeader& h, uint64_t at, uint64_t cap);
  bool carries(int32_t code) const;
  void block(ExchangeBlockHandler& handler, const BlockHeader& h, uint64_t at);
  void node(ExchangeBlockHandler& handler, TreeNode& node, const BlockHeader& h, uint64_t at);
  std::string shown(std::string_view name) const;

  std::span<const unsigned char> file_;
  FaultPlace place_;
  std::string name_;
  uint32_t trailer_size_ = 0;
  AppendixRead appendix_;
  uint64_t pos_ = 0;
  uint64_t end_ = 0;  // where the blocks must end: the trailer, or the end of the file
  ExchangeFileKind kind_ = ExchangeFileKind::kUnknown;
  std::set<std::pair<int, int32_t>> folders_;  // (kind, file identifier) of known folders
  // The record block that precedes the node of a leaf.
  bool has_record_ = false;
  uint64_t record_at_ = 0;
  std::span<const unsigned char> record_;
};

}  // namespace dlist
