// Little-endian encoding of fixed-width integers: the one place where values become
// bytes and bytes become values. store_/load_ work on a buffer the caller has sized;
// put_ appends to a byte vector; get_ consumes from a pointer that must stay below an
// end, refusing (and not moving) when too few bytes are left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dlist {

inline void store_le16(unsigned char* dst, uint16_t v) {
  dst[0] = static_cast<unsigned char>(v);
  dst[1] = static_cast<unsigned char>(v >> 8);
}

inline void store_le32(unsigned char* dst, uint32_t v) {
  for (int i = 0; i < 4; ++i) dst[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void store_le64(unsigned char* dst, uint64_t v) {
  for (int i = 0; i < 8; ++i) dst[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline uint16_t load_le16(const unsigned char* src) {
  return static_cast<uint16_t>(src[0] | (src[1] << 8));
}

inline uint32_t load_le32(const unsigned char* src) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | src[i];
  return v;
}

inline uint64_t load_le64(const unsigned char* src) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | src[i];
  return v;
}

inline void put_le16(std::vector<unsigned char>& out, uint16_t v) {
  unsigned char b[2];
  store_le16(b, v);
  out.insert(out.end(), b, b + 2);
}

inline void put_le32(std::vector<unsigned char>& out, uint32_t v) {
  unsigned char b[4];
  store_le32(b, v);
  out.insert(out.end(), b, b + 4);
}

inline void put_le64(std::vector<unsigned char>& out, uint64_t v) {
  unsigned char b[8];
  store_le64(b, v);
  out.insert(out.end(), b, b + 8);
}

// Reads a value at p and moves p past it; false (p unchanged) when fewer bytes than
// the value's width lie between p and end.
inline bool get_le16(const unsigned char*& p, const unsigned char* end, uint16_t* v) {
  if (end - p < 2) return false;
  *v = load_le16(p);
  p += 2;
  return true;
}

inline bool get_le32(const unsigned char*& p, const unsigned char* end, uint32_t* v) {
  if (end - p < 4) return false;
  *v = load_le32(p);
  p += 4;
  return true;
}

inline bool get_le64(const unsigned char*& p, const unsigned char* end, uint64_t* v) {
  if (end - p < 8) return false;
  *v = load_le64(p);
  p += 8;
  return true;
}

}  // namespace dlist
