// The owned string of the text record and its 310-byte image codec.
#include "foundation/text_element.h"

#include <cassert>
#include <cstring>
#include <utility>

#include "foundation/memory.h"
#include "foundation/record_image.h"

namespace {

// A copy of text in a block of the base library; null when memory is short.
char* copy_string(const char* text) {
  const std::size_t n = std::strlen(text) + 1;
  char* block = static_cast<char*>(ORB_calloc(n, 1));
  if (block) std::memcpy(block, text, n);
  return block;
}

}  // namespace

DBTEXTTYPE::DBTEXTTYPE(const DBTEXTTYPE& other)
    : status(other.status),
      angle(other.angle),
      width(other.width),
      height(other.height),
      recid(other.recid),
      line_count(other.line_count),
      palette(other.palette),
      tipus_(other.tipus_),
      xalign_(other.xalign_),
      yalign_(other.yalign_),
      alignment_(other.alignment_),
      pontszam_(other.pontszam_),
      klikk_(other.klikk_) {
  std::memcpy(reserved, other.reserved, sizeof reserved);
  std::memcpy(loc_, other.loc_, sizeof loc_);
  std::memcpy(tegla_, other.tegla_, sizeof tegla_);
  if (other.text_) text_ = copy_string(other.text_);
}

DBTEXTTYPE& DBTEXTTYPE::operator=(const DBTEXTTYPE& other) {
  if (this == &other) return *this;
  DBTEXTTYPE copy(other);
  if (other.text_ && !copy.text_) return *this;
  return *this = std::move(copy);
}

DBTEXTTYPE::DBTEXTTYPE(DBTEXTTYPE&& other) noexcept : DBTEXTTYPE() {
  *this = std::move(other);
}

DBTEXTTYPE& DBTEXTTYPE::operator=(DBTEXTTYPE&& other) noexcept {
  if (this == &other) return *this;
  ORB_free(text_);
  text_ = std::exchange(other.text_, nullptr);
  status = other.status;
  angle = other.angle;
  width = other.width;
  height = other.height;
  recid = other.recid;
  line_count = other.line_count;
  std::memcpy(reserved, other.reserved, sizeof reserved);
  palette = other.palette;
  tipus_ = other.tipus_;
  xalign_ = other.xalign_;
  yalign_ = other.yalign_;
  alignment_ = other.alignment_;
  pontszam_ = other.pontszam_;
  std::memcpy(loc_, other.loc_, sizeof loc_);
  std::memcpy(tegla_, other.tegla_, sizeof tegla_);
  klikk_ = other.klikk_;
  return *this;
}

DBTEXTTYPE::~DBTEXTTYPE() {
  ORB_free(text_);
}

bool DBTEXTTYPE::set_text(const char* text) {
  char* block = nullptr;
  if (text) {
    block = copy_string(text);
    if (!block) return false;
  }
  ORB_free(text_);
  text_ = block;
  return true;
}

void DBTEXTTYPE::mod_char(int i, char c) {
  if (text_ && i >= 0 && static_cast<std::size_t>(i) < std::strlen(text_)) text_[i] = c;
}

void DBTEXTTYPE::zero_length() {
  ORB_free(text_);
  text_ = nullptr;
}

void DBTEXTTYPE::to_image(std::span<unsigned char, kImageSize> image) const {
  dlist::ImageWriter w(image.data(), image.size());
  w.u8(status);
  w.zeros(4);  // the string pointer
  w.u8(static_cast<uint8_t>(tipus_));
  w.u8(static_cast<uint8_t>(xalign_));
  w.u8(static_cast<uint8_t>(yalign_));
  w.u8(static_cast<uint8_t>(alignment_));
  w.i16(pontszam_);
  for (const COORD2D& p : loc_) w.coord(p);
  for (const COORD2D& p : tegla_) w.coord(p);
  w.coord(klikk_);
  w.f64(angle);
  w.f64(width);
  w.f64(height);
  w.recid(recid);
  w.i32(line_count);
  w.bytes(reserved, sizeof reserved);
  unsigned char pal[DBTEXTPALETTE::kImageSize];
  dlist::to_plain_image(palette, pal);
  w.bytes(pal, sizeof pal);
  assert(w.complete());
}

void DBTEXTTYPE::from_image(std::span<const unsigned char, kImageSize> image) {
  dlist::ImageReader r(image.data(), image.size());
  zero_length();
  status = r.u8();
  r.skip(4);  // the string pointer of the writer
  tipus_ = static_cast<char>(r.u8());
  xalign_ = static_cast<char>(r.u8());
  yalign_ = static_cast<char>(r.u8());
  alignment_ = static_cast<char>(r.u8());
  pontszam_ = r.i16();
  for (COORD2D& p : loc_) p = r.coord2();
  for (COORD2D& p : tegla_) p = r.coord2();
  klikk_ = r.coord2();
  angle = r.f64();
  width = r.f64();
  height = r.f64();
  recid = r.recid();
  line_count = r.i32();
  r.bytes(reserved, sizeof reserved);
  unsigned char pal[DBTEXTPALETTE::kImageSize];
  r.bytes(pal, sizeof pal);
  dlist::from_plain_image(palette, pal);
  assert(r.complete());
}

bool operator==(const DBTEXTTYPE& a, const DBTEXTTYPE& b) {
  unsigned char ia[DBTEXTTYPE::kImageSize];
  unsigned char ib[DBTEXTTYPE::kImageSize];
  a.to_image(ia);
  b.to_image(ib);
  if (std::memcmp(ia, ib, sizeof ia) != 0) return false;
  if (a.has_text() != b.has_text()) return false;
  return !a.has_text() || std::strcmp(a.text(), b.text()) == 0;
}
