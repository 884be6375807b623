// Owned blocks of the polygons: allocated zero-filled through the base library's
// memory calls, replaced only once the new blocks exist.
#include "foundation/polygon.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "foundation/memory.h"

namespace {

bool valid_count(int n) {
  return n >= 0 && n <= kMaxPolygonCount;
}

// A zero-filled block of n elements holding the first min(n, old_n) of old; null for
// n 0. *ok is false when memory is short.
template <class T>
T* resized_copy(const T* old, int old_n, int n, bool* ok) {
  *ok = true;
  if (n == 0) return nullptr;
  T* block = static_cast<T*>(ORB_calloc(static_cast<std::size_t>(n), sizeof(T)));
  if (!block) {
    *ok = false;
    return nullptr;
  }
  const int keep = std::min(n, old_n);
  if (keep > 0) std::memcpy(static_cast<void*>(block), old, sizeof(T) * keep);
  return block;
}

template <class T>
bool same_block(const T* a, const T* b, int n) {
  return n == 0 || std::memcmp(a, b, sizeof(T) * static_cast<std::size_t>(n)) == 0;
}

}  // namespace

// ---- DBPOLYGON ----------------------------------------------------------------------

DBPOLYGON::DBPOLYGON(const DBPOLYGON& other) : attr_(other.attr_) {
  if (set_size(other.pontszam_) && pontszam_ > 0)
    std::memcpy(static_cast<void*>(pont_), other.pont_, sizeof(DBPOLYPOINT) * pontszam_);
}

DBPOLYGON::DBPOLYGON(DBPOLYGON&& other) noexcept
    : pontszam_(std::exchange(other.pontszam_, 0)),
      attr_(other.attr_),
      pont_(std::exchange(other.pont_, nullptr)) {}

DBPOLYGON& DBPOLYGON::operator=(const DBPOLYGON& other) {
  if (this == &other) return *this;
  bool ok = false;
  DBPOLYPOINT* block = resized_copy(other.pont_, other.pontszam_, other.pontszam_, &ok);
  if (!ok) return *this;
  release();
  pont_ = block;
  pontszam_ = other.pontszam_;
  attr_ = other.attr_;
  return *this;
}

DBPOLYGON& DBPOLYGON::operator=(DBPOLYGON&& other) noexcept {
  if (this != &other) {
    release();
    pont_ = std::exchange(other.pont_, nullptr);
    pontszam_ = std::exchange(other.pontszam_, 0);
    attr_ = other.attr_;
  }
  return *this;
}

DBPOLYGON::~DBPOLYGON() {
  release();
}

void DBPOLYGON::release() {
  ORB_free(pont_);
  pont_ = nullptr;
  pontszam_ = 0;
}

bool DBPOLYGON::set_size(int n) {
  if (!valid_count(n)) return false;
  bool ok = false;
  DBPOLYPOINT* block = resized_copy(pont_, pontszam_, n, &ok);
  if (!ok) return false;
  ORB_free(pont_);
  pont_ = block;
  pontszam_ = static_cast<int16_t>(n);
  return true;
}

bool operator==(const DBPOLYGON& a, const DBPOLYGON& b) {
  return a.pontszam() == b.pontszam() && a.attr() == b.attr() &&
         same_block(a.points(), b.points(), a.pontszam());
}

// ---- DBMULTIPOLYGON -----------------------------------------------------------------

DBMULTIPOLYGON::DBMULTIPOLYGON(const DBMULTIPOLYGON& other) : attr_(other.attr_) {
  *this = other;
}

DBMULTIPOLYGON::DBMULTIPOLYGON(DBMULTIPOLYGON&& other) noexcept
    : clips_(std::exchange(other.clips_, nullptr)),
      pont_(std::exchange(other.pont_, nullptr)),
      clipszam_(std::exchange(other.clipszam_, 0)),
      pontszam_(std::exchange(other.pontszam_, 0)),
      attr_(other.attr_) {}

DBMULTIPOLYGON& DBMULTIPOLYGON::operator=(const DBMULTIPOLYGON& other) {
  if (this == &other) return *this;
  bool ok_clips = false;
  bool ok_points = false;
  const int nclips = other.clip_index_count();
  int16_t* clips = resized_copy(other.clips_, nclips, nclips, &ok_clips);
  DBPOLYPOINT* points = resized_copy(other.pont_, other.pontszam_, other.pontszam_, &ok_points);
  if (!ok_clips || !ok_points) {
    ORB_free(clips);
    ORB_free(points);
    return *this;
  }
  release();
  clips_ = clips;
  pont_ = points;
  clipszam_ = other.clipszam_;
  pontszam_ = other.pontszam_;
  attr_ = other.attr_;
  return *this;
}

DBMULTIPOLYGON& DBMULTIPOLYGON::operator=(DBMULTIPOLYGON&& other) noexcept {
  if (this != &other) {
    release();
    clips_ = std::exchange(other.clips_, nullptr);
    pont_ = std::exchange(other.pont_, nullptr);
    clipszam_ = std::exchange(other.clipszam_, 0);
    pontszam_ = std::exchange(other.pontszam_, 0);
    attr_ = other.attr_;
  }
  return *this;
}

DBMULTIPOLYGON::~DBMULTIPOLYGON() {
  release();
}

void DBMULTIPOLYGON::release() {
  ORB_free(clips_);
  ORB_free(pont_);
  clips_ = nullptr;
  pont_ = nullptr;
  clipszam_ = 0;
  pontszam_ = 0;
}

bool DBMULTIPOLYGON::set_sizes(int nclips, int npoints) {
  if (!valid_count(nclips) || !valid_count(npoints)) return false;
  bool ok_clips = false;
  bool ok_points = false;
  const int new_index_count = nclips > 0 ? nclips + 1 : 0;
  int16_t* clips = resized_copy(clips_, clip_index_count(), new_index_count, &ok_clips);
  DBPOLYPOINT* points = resized_copy(pont_, pontszam_, npoints, &ok_points);
  if (!ok_clips || !ok_points) {
    ORB_free(clips);
    ORB_free(points);
    return false;
  }
  ORB_free(clips_);
  ORB_free(pont_);
  clips_ = clips;
  pont_ = points;
  clipszam_ = static_cast<int16_t>(nclips);
  pontszam_ = static_cast<int16_t>(npoints);
  return true;
}

bool operator==(const DBMULTIPOLYGON& a, const DBMULTIPOLYGON& b) {
  return a.clipszam() == b.clipszam() && a.pontszam() == b.pontszam() && a.attr() == b.attr() &&
         same_block(a.clips(), b.clips(), a.clip_index_count()) &&
         same_block(a.points(), b.points(), a.pontszam());
}
