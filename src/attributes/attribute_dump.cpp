// Listing an attribute file: a handler of the reader that turns each record into
// the dump's fields.
#include "attributes/attribute_dump.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "attributes/attribute_file.h"
#include "foundation/fixed_text.h"
#include "palettes/exchange_blocks.h"  // printable

namespace dlist {
namespace {

DumpField integer(std::string name, int64_t v) {
  DumpField f;
  f.name = std::move(name);
  f.type = DumpField::Type::kInteger;
  f.integer = v;
  return f;
}

DumpField text(std::string name, const char* field, std::size_t n) {
  DumpField f;
  f.name = std::move(name);
  f.type = DumpField::Type::kText;
  f.text = printable(field, field_length(field, n));
  return f;
}

DumpField bytes_text(std::string name, const void* data, std::size_t n) {
  DumpField f;
  f.name = std::move(name);
  f.type = DumpField::Type::kText;
  f.text = printable(data, n);
  return f;
}

const char* kind_word(int index) {
  switch (index) {
    case 0:
      return "formula";
    case 1:
      return "text";
    case 2:
      return "file";
    default:
      break;
  }
  return "none";
}

class Lister : public AttributeRecordHandler {
 public:
  explicit Lister(AttributeDump& dump) : dump_(dump) {}

  void header(const AttributeRecordHeader& h, uint64_t at) override {
    AttributeDumpRecord r;
    r.offset = at;
    r.code = h.code;
    r.type = h.type;
    r.length = h.length;
    r.parent = h.parent;
    r.id = h.id;
    r.name = attribute_record_name(h.type);
    dump_.records.push_back(std::move(r));
  }

  void group(const AttributeRecordHeader&, uint64_t, const DBATTRIBUTENODETYPE& node) override {
    auto& f = dump_.records.back().fields;
    f.push_back(integer("kind", node.kind));
    f.push_back(text("name", node.name, sizeof node.name));
  }

  void attribute(const AttributeRecordHeader&, uint64_t, const AttributeRecordHeader&, uint64_t,
                 const DBATTRIBUTETYPE& d) override {
    auto& f = dump_.records.back().fields;
    f.push_back(text("abbrev", d.abbrev, sizeof d.abbrev));
    f.push_back(integer("unused", d.unused));
    f.push_back(integer("flags", d.flags));
    DumpField kind;
    kind.name = "kind";
    kind.type = DumpField::Type::kText;
    kind.text = kind_word(d.kind_index());
    f.push_back(kind);
    f.push_back(integer("filter", d.Filter()));
    f.push_back(text("name", d.name, sizeof d.name));
    f.push_back(integer("options", d.options));
    f.push_back(integer("precision", d.precision));
    f.push_back(text("description", d.description, sizeof d.description));
    f.push_back(text("unit", d.unit, sizeof d.unit));
    if (d.kind_index() == 2) {
      file_lists_.insert(dump_.records.back().id);
    } else {
      file_lists_.erase(dump_.records.back().id);
    }
  }

  void reference(const AttributeRecordHeader& key, uint64_t, const char* name, uint8_t flags,
                 uint64_t, std::span<const unsigned char> value) override {
    // the key is the record before the value
    auto& k = dump_.records[dump_.records.size() - 2].fields;
    k.push_back(text("name", name, kAtrRefNameSize));
    k.push_back(integer("flags", flags));
    auto& v = dump_.records.back().fields;
    EmbeddedFile file;
    if (file_lists_.count(key.parent) && !(flags & kRefIndirect) &&
        check_embedded_file(value, &file).empty()) {
      v.push_back(bytes_text("file", file.name.data(), file.name.size()));
      v.push_back(integer("size", static_cast<int64_t>(file.bytes.size())));
      constexpr std::size_t kShown = 64;
      v.push_back(bytes_text("head", file.bytes.data(), std::min(kShown, file.bytes.size())));
    } else {
      v.push_back(bytes_text("text", value.data(), value.empty() ? 0 : value.size() - 1));
    }
  }

  void end(uint64_t) override { dump_.ended = true; }

 private:
  AttributeDump& dump_;
  std::set<int32_t> file_lists_;
};

}  // namespace

AttributeDump decode_attribute_bytes(const unsigned char* data, std::size_t size) {
  AttributeDump dump;
  dump.file_size = size;
  AttributeFileReader reader(std::span<const unsigned char>(data, size));
  Lister lister(dump);
  try {
    reader.read(lister);
    dump.bytes_after_end = reader.left();
  } catch (const AttributeFileFault& f) {
    dump.error = f.what;
    dump.error_offset = f.offset;
  }
  return dump;
}

AttributeDump decode_attribute_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    AttributeDump dump;
    dump.error = "cannot open the file";
    return dump;
  }
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
  return decode_attribute_bytes(bytes.data(), bytes.size());
}

}  // namespace dlist
