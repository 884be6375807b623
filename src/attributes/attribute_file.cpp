// The attribute file's reader: each header read whole before it is used, each
// payload checked against its type's size and the bytes left, each text against
// its field, each record against the records before it.
#include "attributes/attribute_file.h"

#include <cstring>

#include "foundation/byte_order.h"
#include "foundation/fixed_text.h"
#include "foundation/record_image.h"

namespace dlist {
namespace {

std::string str(long long v) {
  return std::to_string(v);
}

std::string record_of(const AttributeRecordHeader& h) {
  return std::string(attribute_record_name(h.type)) + " (type " + str(h.type) + ")";
}

// Whether the n bytes of a text field hold their terminating zero.
bool ends_inside(const char* field, std::size_t n) {
  return std::memchr(field, 0, n) != nullptr;
}

int kind_bits(uint32_t flags) {
  int n = 0;
  for (uint32_t bit : {DBATTRIBUTETYPE::kFormula, DBATTRIBUTETYPE::kText, DBATTRIBUTETYPE::kFile})
    n += (flags & bit) ? 1 : 0;
  return n;
}

}  // namespace

const char* attribute_record_name(int32_t type) {
  switch (type) {
    case kAtrStart:
      return "file start";
    case kAtrGroup:
      return "group node";
    case kAtrAttribute:
      return "attribute start";
    case kAtrDefinition:
      return "attribute definition";
    case kAtrKey:
      return "reference key";
    case kAtrValue:
      return "reference value";
    case kAtrEnd:
      return "end";
    default:
      break;
  }
  return "unknown";
}

AttributeRecordHeader decode_attribute_header(const unsigned char* b) {
  AttributeRecordHeader h;
  h.code = static_cast<int32_t>(load_le32(b));
  h.type = static_cast<int32_t>(load_le32(b + 4));
  h.length = load_le32(b + 8);
  h.parent = static_cast<int32_t>(load_le32(b + 12));
  h.id = static_cast<int32_t>(load_le32(b + 16));
  return h;
}

void encode_attribute_header(const AttributeRecordHeader& h, unsigned char* b) {
  store_le32(b, static_cast<uint32_t>(h.code));
  store_le32(b + 4, static_cast<uint32_t>(h.type));
  store_le32(b + 8, h.length);
  store_le32(b + 12, static_cast<uint32_t>(h.parent));
  store_le32(b + 16, static_cast<uint32_t>(h.id));
}

std::string AttributeFileFault::describe() const {
  const std::size_t colon = what.find(':');
  const std::string head = colon == std::string::npos ? what : what.substr(0, colon);
  const std::string rest = colon == std::string::npos ? std::string() : what.substr(colon);
  return head + " at offset " + str(static_cast<long long>(offset)) + rest;
}

std::string check_embedded_file(std::span<const unsigned char> value, EmbeddedFile* file) {
  const void* zero = std::memchr(value.data(), 0, value.size());
  if (zero == nullptr) return "the embedded file's name does not end inside the value";
  const std::size_t name =
      static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - value.data());
  if (name == 0) return "the embedded file's name is empty";
  const std::size_t after = value.size() - name - 1;
  if (after < 4) {
    return "the embedded file's length is cut short: " + str(static_cast<long long>(after)) +
           " bytes follow its name";
  }
  const uint32_t length = load_le32(value.data() + name + 1);
  if (length != after - 4) {
    return "the embedded file gives length " + str(length) + ", but " +
           str(static_cast<long long>(after - 4)) + " bytes follow";
  }
  if (file) {
    file->name = std::string_view(reinterpret_cast<const char*>(value.data()), name);
    file->bytes = value.subspan(name + 5);
  }
  return {};
}

void AttributeFileReader::fail(uint64_t at, const AttributeRecordHeader& h,
                               const std::string& detail) const {
  throw AttributeFileFault{at, record_of(h) + ": " + detail};
}

AttributeRecordHeader AttributeFileReader::header(uint64_t* at) {
  *at = pos_;
  if (left() < kAtrHeaderSize) {
    throw AttributeFileFault{pos_, "record header: cut short, " +
                                       str(static_cast<long long>(left())) + " bytes are left"};
  }
  const AttributeRecordHeader h = decode_attribute_header(file_.data() + pos_);
  pos_ += kAtrHeaderSize;
  return h;
}

// The payload of h (header at `at`), checked against the bytes left.
std::span<const unsigned char> AttributeFileReader::payload(const AttributeRecordHeader& h,
                                                            uint64_t at) {
  if (h.length > left()) {
    fail(at, h,
         "gives length " + str(h.length) + ", " + str(static_cast<long long>(left())) +
             " bytes are left");
  }
  const auto bytes = file_.subspan(static_cast<std::size_t>(pos_), h.length);
  pos_ += h.length;
  return bytes;
}

void AttributeFileReader::read(AttributeRecordHandler& handler) {
  pos_ = 0;
  groups_ = {0};
  definitions_.clear();
  file_kinds_.clear();
  auto exact = [&](const AttributeRecordHeader& h, uint64_t at, std::size_t n) {
    if (h.length != n)
      fail(at, h, "gives length " + str(h.length) + ", not " + str(static_cast<long long>(n)));
  };

  uint64_t at = 0;
  AttributeRecordHeader h = header(&at);
  handler.header(h, at);
  if (h.type != kAtrStart) fail(at, h, "the file does not open with a file start (type 0)");
  if (h.id != 0) fail(at, h, "gives id " + str(h.id) + ", not 0");
  exact(h, at, 0);

  for (;;) {
    h = header(&at);
    handler.header(h, at);
    switch (h.type) {
      case kAtrGroup: {
        exact(h, at, kAtrGroupSize);
        const auto bytes = payload(h, at);
        if (!groups_.count(h.parent))
          fail(at, h, "no group with id " + str(h.parent) + " precedes it");
        DBATTRIBUTENODETYPE node;
        from_plain_image(node, bytes.data());
        if (!ends_inside(node.name, sizeof node.name))
          fail(at, h, "the name does not end inside its field");
        if (node.name[0] == 0) fail(at, h, "the name is empty");
        if (node.kind < 0) fail(at, h, "kind " + str(node.kind) + " is no group");
        handler.group(h, at, node);
        groups_.insert(h.id);
        break;
      }
      case kAtrAttribute: {
        exact(h, at, 0);
        if (!groups_.count(h.parent))
          fail(at, h, "no group with id " + str(h.parent) + " precedes it");
        uint64_t def_at = 0;
        const AttributeRecordHeader d = header(&def_at);
        handler.header(d, def_at);
        if (d.type != kAtrDefinition)
          fail(def_at, d, "an attribute definition (type 3) must follow the attribute start");
        exact(d, def_at, kAtrDefinitionSize);
        const auto bytes = payload(d, def_at);
        if (d.parent != h.id) {
          fail(def_at, d,
               "gives parent " + str(d.parent) + ", not the attribute " + str(h.id) + " before it");
        }
        DBATTRIBUTETYPE def;
        from_plain_image(def, bytes.data());
        if (!ends_inside(def.abbrev, sizeof def.abbrev))
          fail(def_at, d, "the abbreviation does not end inside its field");
        if (!ends_inside(def.name, sizeof def.name))
          fail(def_at, d, "the name does not end inside its field");
        if (!ends_inside(def.description, sizeof def.description))
          fail(def_at, d, "the description does not end inside its field");
        if (!ends_inside(def.unit, sizeof def.unit))
          fail(def_at, d, "the unit does not end inside its field");
        if (def.abbrev[0] == 0) fail(def_at, d, "the abbreviation is empty");
        if (def.name[0] == 0) fail(def_at, d, "the name is empty");
        if (kind_bits(def.flags) != 1) fail(def_at, d, "the flags do not give exactly one kind");
        handler.attribute(h, at, d, def_at, def);
        definitions_.insert(d.id);
        if (def.kind_index() == 2) {
          file_kinds_.insert(d.id);
        } else {
          file_kinds_.erase(d.id);
        }
        break;
      }
      case kAtrKey: {
        exact(h, at, kAtrKeySize);
        const auto key = payload(h, at);
        if (!definitions_.count(h.parent))
          fail(at, h, "no attribute definition with id " + str(h.parent) + " precedes it");
        char name[kAtrRefNameSize];
        std::memcpy(name, key.data(), sizeof name);
        const uint8_t flags = key[kAtrRefNameSize];
        if (!ends_inside(name, sizeof name)) fail(at, h, "the name does not end inside its field");
        if (name[0] == 0) fail(at, h, "the name is empty");
        uint64_t value_at = 0;
        const AttributeRecordHeader v = header(&value_at);
        handler.header(v, value_at);
        if (v.type != kAtrValue)
          fail(value_at, v, "a reference value (type 5) must follow the reference key");
        if (v.id != 0) fail(value_at, v, "gives id " + str(v.id) + ", not 0");
        if (v.length > kMaxAtrValue)
          fail(value_at, v, "gives length " + str(v.length) + ", more than " + str(kMaxAtrValue));
        const auto value = payload(v, value_at);
        const bool file = file_kinds_.count(h.parent) && !(flags & kRefIndirect);
        if (file) {
          const std::string why = check_embedded_file(value);
          if (!why.empty()) fail(value_at, v, why);
        } else {
          const void* zero = std::memchr(value.data(), 0, value.size());
          if (value.empty() || zero != value.data() + (value.size() - 1))
            fail(value_at, v, "the text does not end with its only zero");
        }
        handler.reference(h, at, name, flags, value_at, value);
        break;
      }
      case kAtrEnd:
        exact(h, at, 0);
        handler.end(at);
        return;
      default:
        fail(at, h, "does not stand here");
    }
  }
}

}  // namespace dlist
