// Record images: the bytes of a record as they reach exchange files (layouts in
// docs/formats.md, "Record images").
//
// A plain record is a byte-packed struct of fixed-width fields with no pointer; its
// memory is its image, and `sizeof` is checked against the image size where the
// record is declared. Images are little-endian, and so are the targets that copy
// plain records as bytes (checked below). A record that owns memory has an explicit
// codec instead, written field by field with `ImageWriter` and read back with
// `ImageReader`; a pointer of such a record is a 4-byte slot written as 0.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "foundation/byte_order.h"
#include "foundation/fixed_text.h"
#include "foundation/geometry.h"
#include "foundation/record_id.h"

static_assert(std::endian::native == std::endian::little,
              "plain record images are copied as memory: little-endian targets only");
static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559,
              "record images hold IEEE-754 doubles");

namespace dlist {

// True for a record whose memory is its image of N bytes.
template <class T, std::size_t N>
inline constexpr bool is_plain_image_v = std::is_trivially_copyable_v<T> && sizeof(T) == N;

// A plain record that declares its image size (`kImageSize`) and matches it.
template <class T>
concept PlainRecord = requires {
  T::kImageSize;
}
&&is_plain_image_v<T, T::kImageSize>;

// Copies a plain record to its image (sizeof(T) bytes at out) and back.
template <class T>
void to_plain_image(const T& record, unsigned char* out) {
  static_assert(std::is_trivially_copyable_v<T>, "only plain records have a memory image");
  std::memcpy(out, &record, sizeof(T));
}
template <class T>
void from_plain_image(T& record, const unsigned char* in) {
  static_assert(std::is_trivially_copyable_v<T>, "only plain records have a memory image");
  std::memcpy(static_cast<void*>(&record), in, sizeof(T));
}

// Whole-record byte equality of a plain record (doubles compare by their bits).
template <class T>
bool same_image(const T& a, const T& b) {
  static_assert(std::is_trivially_copyable_v<T>, "only plain records have a memory image");
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Writes fields one after another into a caller's image of fixed size. A write that
// would pass the end writes nothing and marks the writer as overrun.
class ImageWriter {
 public:
  ImageWriter(unsigned char* image, std::size_t size) : p_(image), end_(image + size) {}

  void u8(uint8_t v) {
    if (room(1)) *p_++ = v;
  }
  void i16(int16_t v) {
    if (room(2)) store_le16(advance(2), static_cast<uint16_t>(v));
  }
  void i32(int32_t v) {
    if (room(4)) store_le32(advance(4), static_cast<uint32_t>(v));
  }
  void f64(double v) {
    if (room(8)) store_le64(advance(8), std::bit_cast<uint64_t>(v));
  }
  void coord(const COORD2D& v) {
    f64(v.x);
    f64(v.y);
  }
  void coord(const COORD3D& v) {
    f64(v.x);
    f64(v.y);
    f64(v.z);
  }
  void recid(const RECIDTYPE& v) {
    i32(v.id);
    i16(v.type);
  }
  void bytes(const void* src, std::size_t n) {
    if (room(n)) std::memcpy(advance(n), src, n);
  }
  void zeros(std::size_t n) {
    if (room(n)) std::memset(advance(n), 0, n);
  }

  // True when every write fitted and the image is filled to its end.
  bool complete() const { return !overrun_ && p_ == end_; }

 private:
  bool room(std::size_t n) {
    if (overrun_ || static_cast<std::size_t>(end_ - p_) < n) overrun_ = true;
    return !overrun_;
  }
  unsigned char* advance(std::size_t n) {
    unsigned char* at = p_;
    p_ += n;
    return at;
  }

  unsigned char* p_;
  unsigned char* end_;
  bool overrun_ = false;
};

// Reads fields one after another from an image of fixed size; a read past the end
// gives 0 and marks the reader as overrun.
class ImageReader {
 public:
  ImageReader(const unsigned char* image, std::size_t size) : p_(image), end_(image + size) {}

  uint8_t u8() { return room(1) ? *p_++ : 0; }
  int16_t i16() { return room(2) ? static_cast<int16_t>(load_le16(advance(2))) : 0; }
  int32_t i32() { return room(4) ? static_cast<int32_t>(load_le32(advance(4))) : 0; }
  double f64() { return room(8) ? std::bit_cast<double>(load_le64(advance(8))) : 0.0; }
  COORD2D coord2() {
    const double x = f64();
    return COORD2D(x, f64());
  }
  COORD3D coord3() {
    const double x = f64();
    const double y = f64();
    return COORD3D(x, y, f64());
  }
  RECIDTYPE recid() {
    const int32_t id = i32();
    return RECIDTYPE(id, i16());
  }
  void bytes(void* dst, std::size_t n) {
    if (room(n)) std::memcpy(dst, advance(n), n);
  }
  void skip(std::size_t n) {
    if (room(n)) advance(n);
  }

  bool complete() const { return !overrun_ && p_ == end_; }

 private:
  bool room(std::size_t n) {
    if (overrun_ || static_cast<std::size_t>(end_ - p_) < n) overrun_ = true;
    return !overrun_;
  }
  const unsigned char* advance(std::size_t n) {
    const unsigned char* at = p_;
    p_ += n;
    return at;
  }

  const unsigned char* p_;
  const unsigned char* end_;
  bool overrun_ = false;
};

}  // namespace dlist

// Plain records (palettes and the plain element records) compare by their bytes.
template <dlist::PlainRecord T>
bool operator==(const T& a, const T& b) {
  return dlist::same_image(a, b);
}
