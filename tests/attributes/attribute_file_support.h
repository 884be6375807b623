// Shared by the attribute file tests: a byte builder for attribute files (numbers
// little-endian, fixed texts zero-filled) and sample definitions.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "attributes/attribute_file.h"
#include "foundation/attribute_records.h"
#include "foundation/record_image.h"

namespace attribute_test {

using Bytes = std::vector<unsigned char>;

inline DBATTRIBUTETYPE definition(const char* abbrev, const char* name,
                                  uint32_t kind = DBATTRIBUTETYPE::kText, uint32_t filter = 3,
                                  const char* description = "", const char* unit = "") {
  DBATTRIBUTETYPE d;
  d.set_abbrev(abbrev);
  d.set_name(name);
  d.flags = kind | filter;
  d.set_description(description);
  d.set_unit(unit);
  return d;
}

class AtrBuilder {
 public:
  AtrBuilder& i32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return *this;
  }
  AtrBuilder& raw(const Bytes& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }
  AtrBuilder& header(int32_t code, int32_t type, uint32_t length, int32_t parent, int32_t id) {
    return i32(static_cast<uint32_t>(code))
        .i32(static_cast<uint32_t>(type))
        .i32(length)
        .i32(static_cast<uint32_t>(parent))
        .i32(static_cast<uint32_t>(id));
  }
  AtrBuilder& record(int32_t code, int32_t type, int32_t parent, int32_t id,
                     const Bytes& payload = {}) {
    return header(code, type, static_cast<uint32_t>(payload.size()), parent, id).raw(payload);
  }
  AtrBuilder& start() { return record(0, dlist::kAtrStart, 0, 0); }
  AtrBuilder& end() { return record(0, dlist::kAtrEnd, 0, 0); }
  AtrBuilder& group(const char* name, int32_t parent, int32_t id, int32_t code = 0) {
    DBATTRIBUTENODETYPE n;
    n.set_name(name);
    return record(code, dlist::kAtrGroup, parent, id, image(n));
  }
  // An attribute: its start (id) and its definition (list).
  AtrBuilder& attribute(const DBATTRIBUTETYPE& d, int32_t parent, int32_t id, int32_t list,
                        int32_t code = 0) {
    return record(code, dlist::kAtrAttribute, parent, id)
        .record(code, dlist::kAtrDefinition, id, list, image(d));
  }
  AtrBuilder& reference(const char* name, uint8_t flags, int32_t list, int32_t id,
                        const Bytes& value) {
    Bytes key(18, 0);
    std::memcpy(key.data(), name, std::min<std::size_t>(std::strlen(name), 16));
    key[17] = flags;
    return record(0, dlist::kAtrKey, list, id, key).record(0, dlist::kAtrValue, 0, 0, value);
  }
  AtrBuilder& text_ref(const char* name, const std::string& text, int32_t list, int32_t id,
                       uint8_t flags = 0) {
    Bytes v(text.begin(), text.end());
    v.push_back(0);
    return reference(name, flags, list, id, v);
  }

  template <class T>
  static Bytes image(const T& r) {
    Bytes b(sizeof(T));
    dlist::to_plain_image(r, b.data());
    return b;
  }
  static Bytes embedded(const std::string& name, const std::string& content) {
    Bytes v(name.begin(), name.end());
    v.push_back(0);
    const auto n = static_cast<uint32_t>(content.size());
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(n >> (8 * i)));
    v.insert(v.end(), content.begin(), content.end());
    return v;
  }

  Bytes& bytes() { return bytes_; }
  const Bytes& bytes() const { return bytes_; }
  void write(const std::string& path) const {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes_.data()),
               static_cast<std::streamsize>(bytes_.size()));
  }

 private:
  Bytes bytes_;
};

inline Bytes read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace attribute_test
