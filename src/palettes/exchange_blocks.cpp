// The exchange file's block reader: the trailer from the end, the description header
// and the blocks from the front, each length checked against its cap and the bytes
// left before it is used. Every refusal is composed here, in the two places the
// readers name their offsets.
#include "palettes/exchange_blocks.h"

#include <algorithm>
#include <cstring>

#include "foundation/byte_order.h"
#include "foundation/fixed_text.h"
#include "foundation/node_name.h"
#include "host/file_description.h"

namespace dlist {
namespace {

std::string str(long long v) { return std::to_string(v); }

}  // namespace

const char* exchange_file_kind_name(ExchangeFileKind kind) {
  switch (kind) {
    case ExchangeFileKind::kPalette: return "palette";
    case ExchangeFileKind::kPrototype: return "prototype";
    case ExchangeFileKind::kUnknown: break;
  }
  return "unknown";
}

std::string printable(const void* data, std::size_t n) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto* p = static_cast<const unsigned char*>(data);
  std::string out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = p[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c <= 0x7E) {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

ExchangeBlockReader::ExchangeBlockReader(std::span<const unsigned char> file, FaultPlace place,
                                         std::string name)
    : file_(file), place_(place), name_(std::move(name)), end_(file.size()) {
  const uint64_t n = file_.size();
  if (n < kAppendixFooterSize) return;
  uint32_t size = 0;
  if (!decode_appendix_footer(file_.data() + (n - kAppendixFooterSize), n, &size).empty()) return;
  trailer_size_ = size;
  end_ = n - size;
  appendix_ = parse_appendix_sections(file_.data() + end_, size - kAppendixFooterSize, end_);
}

std::optional<ExchangeFault> ExchangeBlockReader::appendix_fault() const {
  if (appendix_.ok) return std::nullopt;
  const AppendixFault& f = appendix_.fault;
  if (place_ == FaultPlace::kInText) {
    return ExchangeFault{f.offset, "resource appendix: trailer " + f.what + " at offset " +
                                       str(static_cast<long long>(f.offset)) + f.detail};
  }
  return ExchangeFault{f.offset, "resource appendix: " + f.what + f.detail};
}

void ExchangeBlockReader::fail(uint64_t at, const std::string& subject,
                               const std::string& detail) const {
  if (place_ == FaultPlace::kInText) {
    throw ExchangeFault{at, subject + " at offset " + str(static_cast<long long>(at)) + detail};
  }
  throw ExchangeFault{at, subject + detail};
}

// A node's name as a refusal shows it: the importers give it as it stands (control
// characters escaped where the name itself is refused), the dump as printable bytes.
std::string ExchangeBlockReader::shown(std::string_view name) const {
  return place_ == FaultPlace::kInText ? std::string(name) : printable(name.data(), name.size());
}

// ---- the description header ---------------------------------------------------------

void ExchangeBlockReader::read_description(std::string_view* text) {
  const uint64_t n = file_.size();
  const bool in_text = place_ == FaultPlace::kInText;
  if (n < 4) {
    throw ExchangeFault{0, in_text ? "short read from '" + name_ + "': 4 bytes wanted, " +
                                         str(static_cast<long long>(n)) + " left"
                                   : "the description header is cut short: " +
                                         str(static_cast<long long>(n)) + " bytes"};
  }
  const uint32_t count = load_le32(file_.data());
  const uint64_t follow = n - 4;
  if (count > kMaxDescriptionBytes || count > follow) {
    const std::string detail =
        " gives " + str(count) + " bytes, but at most " +
        str(static_cast<long long>(std::min<uint64_t>(kMaxDescriptionBytes, follow))) +
        " can follow";
    fail(0, in_text ? "description header" : "the description header", detail);
  }
  *text = std::string_view(reinterpret_cast<const char*>(file_.data()) + 4, count);
  pos_ = 4 + uint64_t{count};
  if (pos_ > end_) throw ExchangeFault{0, "the description header runs into the resource appendix"};
}

// ---- the blocks -----------------------------------------------------------------------

BlockHeader ExchangeBlockReader::header() {
  if (left() < kBlockHeaderSize) {
    fail(pos_, "block header", " is cut short: " + str(static_cast<long long>(left())) +
                                   " bytes are left");
  }
  const BlockHeader h = decode_block_header(file_.data() + pos_);
  pos_ += kBlockHeaderSize;
  return h;
}

// The content of block h (header at `at`): refused when its size is negative, beyond
// the bytes left or above cap.
std::span<const unsigned char> ExchangeBlockReader::content(const BlockHeader& h, uint64_t at,
                                                           uint64_t cap) {
  const char* name = block_name(h.code);
  if (h.size < 0 || static_cast<uint64_t>(h.size) > left()) {
    fail(at, name, " gives size " + str(h.size) + ", " + str(static_cast<long long>(left())) +
                       " bytes are left");
  }
  if (static_cast<uint64_t>(h.size) > cap) {
    fail(at, name, " gives size " + str(h.size) + ", more than " +
                       str(static_cast<long long>(cap)));
  }
  const auto bytes = file_.subspan(pos_, static_cast<std::size_t>(h.size));
  pos_ += static_cast<uint64_t>(h.size);
  return bytes;
}

bool ExchangeBlockReader::carries(int32_t code) const {
  const bool palettes = kind_ == ExchangeFileKind::kPalette;
  switch (code) {
    case BLOCK_NODE:
    case BLOCK_SURFREF:
    case BLOCK_END: return true;
    case BLOCK_PALETTE: return palettes;
    case BLOCK_RECORD:
    case BLOCK_MATREF:
    case BLOCK_ATTREF:
    case BLOCK_TEXT: return !palettes;
    default: return false;
  }
}

void ExchangeBlockReader::read_blocks(ExchangeBlockHandler& handler, ExchangeFileKind expected) {
  const uint64_t first_at = pos_;
  const BlockHeader first = header();
  handler.header(first, first_at);
  if (first.code == kPaletteFileCode && expected != ExchangeFileKind::kPrototype) {
    kind_ = ExchangeFileKind::kPalette;
  } else if (first.code == kPrototypeFileCode && expected != ExchangeFileKind::kPalette) {
    kind_ = ExchangeFileKind::kPrototype;
  } else if (expected == ExchangeFileKind::kUnknown) {
    fail(first_at, "the first block", " has code " + str(first.code) +
                                          "; a palette file opens with " + str(kPaletteFileCode) +
                                          ", a prototype file with " + str(kPrototypeFileCode));
  } else {
    const bool palettes = expected == ExchangeFileKind::kPalette;
    fail(first_at, "the first block",
         " has code " + str(first.code) + "; a " + exchange_file_kind_name(expected) +
             " file opens with " + str(palettes ? kPaletteFileCode : kPrototypeFileCode));
  }
  handler.accepted(first, first_at);

  has_record_ = false;
  folders_.clear();
  for (int k = kFirstKind; k <= kLastKind; ++k) folders_.insert({k, 0});
  for (;;) {
    const uint64_t at = pos_;
    const BlockHeader h = header();
    handler.header(h, at);
    if (!carries(h.code)) {
      if (place_ == FaultPlace::kInText) {
        fail(at, "block code " + str(h.code), " is not read here");
      }
      fail(at, "block code " + str(h.code),
           std::string(" is not read in a ") + exchange_file_kind_name(kind_) + " file");
    }
    handler.accepted(h, at);
    if (h.code == BLOCK_END) return;
    block(handler, h, at);
  }
}

void ExchangeBlockReader::block(ExchangeBlockHandler& handler, const BlockHeader& h,
                                uint64_t at) {
  switch (h.code) {
    case BLOCK_PALETTE:
    case BLOCK_RECORD: {
      record_ = content(h, at, h.code == BLOCK_PALETTE ? kMaxPaletteImage : UINT32_MAX);
      record_at_ = at;
      has_record_ = true;
      handler.record(h, at, record_);
      break;
    }
    case BLOCK_SURFREF: {
      if (h.size != static_cast<int32_t>(kSurfaceBlockSize)) {
        fail(at, "BLOCK_SURFREF", " has size " + str(h.size) + "; a surface entry has " +
                                      str(static_cast<long long>(kSurfaceBlockSize)));
      }
      const auto bytes = content(h, at, kSurfaceBlockSize);
      DBSURFHATCH entry;
      restore(entry, bytes, "BLOCK_SURFREF", at);
      handler.surface(entry, at);
      break;
    }
    case BLOCK_MATREF: {
      DBMATREF ref;
      restore(ref, content(h, at, UINT32_MAX), "BLOCK_MATREF", at);
      handler.material(ref, at);
      break;
    }
    case BLOCK_ATTREF: {
      DBATTREFTYPE ref;
      restore(ref, content(h, at, UINT32_MAX), "BLOCK_ATTREF", at);
      handler.attribute(ref, at);
      break;
    }
    case BLOCK_TEXT: {
      const auto bytes = content(h, at, kMaxTextBlockBytes);
      if (bytes.empty() ||
          std::memchr(bytes.data(), 0, bytes.size()) != bytes.data() + bytes.size() - 1) {
        fail(at, "BLOCK_TEXT", " does not end with its only zero");
      }
      handler.text(bytes.first(bytes.size() - 1), at);
      break;
    }
    case BLOCK_NODE: {
      const auto bytes = content(h, at, UINT32_MAX);
      if (kind_ == ExchangeFileKind::kPalette) {
        DBPALETTENODETYPE node;
        restore(node, bytes, "BLOCK_NODE", at);
        this->node(handler, node, h, at);
      } else {
        DBPROTOTYPENODE node;
        restore(node, bytes, "BLOCK_NODE", at);
        this->node(handler, node, h, at);
      }
      break;
    }
  }
}

void ExchangeBlockReader::node(ExchangeBlockHandler& handler, TreeNode& node,
                               const BlockHeader& h, uint64_t at) {
  handler.node_read(node, at);
  // A name from a file obeys the rules of a typed one, whether or not its node is
  // taken.
  const std::string name_fault = node_field_fault(node.name, sizeof node.name);
  if (!name_fault.empty()) {
    const std::string_view name = field_text(node.name, sizeof node.name);
    fail(at, "BLOCK_NODE",
         ": the name '" +
             (place_ == FaultPlace::kInText ? escaped_name(name) : printable(name.data(), name.size())) +
             "' " + name_fault);
  }
  if (!handler.takes(node)) {
    if (node.is_leaf()) has_record_ = false;
    return;
  }
  // The folders known are of the kinds 1 to 13 only, so a node found below one has a
  // kind.
  if (!folders_.count({node.kind, h.a})) {
    fail(at, "BLOCK_NODE", ": no folder of kind " + str(node.kind) + " with identifier " +
                               str(h.a) + " precedes it");
  }
  if (!node.is_leaf()) {
    if (h.b <= 0) fail(at, "BLOCK_NODE", " gives the folder identifier " + str(h.b));
    handler.folder(node, h, at);
    folders_.insert({node.kind, h.b});
    return;
  }
  const bool palettes = kind_ == ExchangeFileKind::kPalette;
  if (!has_record_) {
    const std::string name(node.name, field_length(node.name, sizeof node.name));
    fail(at, "BLOCK_NODE of the leaf '" + shown(name) + "'",
         std::string(" follows no ") + (palettes ? "BLOCK_PALETTE" : "BLOCK_RECORD"));
  }
  if (palettes) {
    const KindFacts& facts = *kind_facts(node.kind);
    if (record_.size() != facts.palette_image_size) {
      fail(record_at_, "BLOCK_PALETTE",
           " has " + str(static_cast<long long>(record_.size())) + " bytes; a " + facts.cli_name +
               " palette has " + str(static_cast<long long>(facts.palette_image_size)));
    }
  }
  handler.leaf(node, h, at, record_, record_at_);
  has_record_ = false;
}

}  // namespace dlist
