// Outlines of elements: the polygon point (`DBPOLYPOINT`, a plain 20-byte record),
// the simple polygon (`DBPOLYGON`: owned points and their count) and the polygon
// with holes (`DBMULTIPOLYGON`: owned points, owned clip indices and both counts).
//
// Counts are 16-bit, as the records store them: a size outside 0..32767 is refused.
// Resizing keeps the leading points (and clip indices) and zero-fills the new ones;
// when memory is short it reports false and leaves the polygon as it was.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "foundation/geometry.h"

// Largest count a polygon can hold in its 16-bit count.
inline constexpr int kMaxPolygonCount = 32767;

#pragma pack(push, 1)
// One corner of an outline.
struct DBPOLYPOINT {
  double x;  // plane coordinates of the point
  double y;
  int32_t flags;  // per-point flags of the host (arc and edge marks), kept as they stand

  COORD2D pont() const { return COORD2D(x, y); }
  void set_pont(const COORD2D& p) {
    x = p.x;
    y = p.y;
  }
};
#pragma pack(pop)

static_assert(sizeof(DBPOLYPOINT) == 20, "DBPOLYPOINT image is 20 bytes");

inline bool operator==(const DBPOLYPOINT& a, const DBPOLYPOINT& b) {
  return a.x == b.x && a.y == b.y && a.flags == b.flags;
}

// A simple polygon: the point count, a 32-bit member of the host, and the points.
class DLIST_API DBPOLYGON {
 public:
  DBPOLYGON() = default;
  // Deep copy; on allocation failure the copy has no points (but the same attr).
  DBPOLYGON(const DBPOLYGON& other);
  DBPOLYGON(DBPOLYGON&& other) noexcept;
  // Deep copy; on allocation failure this polygon is left as it was.
  DBPOLYGON& operator=(const DBPOLYGON& other);
  DBPOLYGON& operator=(DBPOLYGON&& other) noexcept;
  ~DBPOLYGON();

  int pontszam() const { return pontszam_; }
  bool has_points() const { return pontszam_ > 0; }

  // Resizes to n points (0 frees them). False, unchanged, for n outside
  // 0..kMaxPolygonCount or when memory is short.
  bool set_size(int n);
  bool set_pontszam(int n) { return set_size(n); }

  // Point i, 0 <= i < pontszam() (unchecked).
  DBPOLYPOINT& polypoint(int i) { return pont_[i]; }
  const DBPOLYPOINT& polypoint(int i) const { return pont_[i]; }
  COORD2D pont(int i) const { return pont_[i].pont(); }
  void set_pont(int i, const COORD2D& p) { pont_[i].set_pont(p); }
  void set_pont(int i, const COORD2D& p, int32_t flags) {
    pont_[i].set_pont(p);
    pont_[i].flags = flags;
  }

  // The points as one block, null when there are none.
  const DBPOLYPOINT* points() const { return pont_; }
  DBPOLYPOINT* points() { return pont_; }

  // The 32-bit member that follows the count (the host's; carried as it stands).
  int32_t attr() const { return attr_; }
  void set_attr(int32_t a) { attr_ = a; }

 private:
  void release();

  int16_t pontszam_ = 0;
  int32_t attr_ = 0;
  DBPOLYPOINT* pont_ = nullptr;  // pontszam_ points, or null
};

DLIST_API bool operator==(const DBPOLYGON& a, const DBPOLYGON& b);

// The contour polygons of symbols and stairs have the layout of a simple polygon.
using DBPOLYGONTYPE = DBPOLYGON;

// A polygon with holes: the clip indices (when there are clips, clipszam + 1 of
// them: where each contour begins, then the end), the points, the clip count, the
// point count and a trailing 32-bit member of the host.
class DLIST_API DBMULTIPOLYGON {
 public:
  DBMULTIPOLYGON() = default;
  DBMULTIPOLYGON(const DBMULTIPOLYGON& other);
  DBMULTIPOLYGON(DBMULTIPOLYGON&& other) noexcept;
  DBMULTIPOLYGON& operator=(const DBMULTIPOLYGON& other);
  DBMULTIPOLYGON& operator=(DBMULTIPOLYGON&& other) noexcept;
  ~DBMULTIPOLYGON();

  int clipszam() const { return clipszam_; }
  int pontszam() const { return pontszam_; }
  bool has_points() const { return pontszam_ > 0; }
  // Number of clip indices held: clipszam() + 1, or 0 without clips.
  int clip_index_count() const { return clipszam_ > 0 ? clipszam_ + 1 : 0; }

  // Resizes to the given clip and point counts; the indices and points that remain
  // are kept, new ones are 0. False, unchanged, for a count outside
  // 0..kMaxPolygonCount or when memory is short.
  bool set_sizes(int clips, int points);
  bool set_clipszam(int clips) { return set_sizes(clips, pontszam_); }
  bool set_pontszam(int points) { return set_sizes(clipszam_, points); }

  // Clip index i, 0 <= i < clip_index_count() (unchecked).
  int16_t& clip(int i) { return clips_[i]; }
  int16_t clip(int i) const { return clips_[i]; }
  const int16_t* clips() const { return clips_; }
  int16_t* clips() { return clips_; }

  DBPOLYPOINT& polypoint(int i) { return pont_[i]; }
  const DBPOLYPOINT& polypoint(int i) const { return pont_[i]; }
  COORD2D pont(int i) const { return pont_[i].pont(); }
  void set_pont(int i, const COORD2D& p) { pont_[i].set_pont(p); }
  const DBPOLYPOINT* points() const { return pont_; }
  DBPOLYPOINT* points() { return pont_; }

  int32_t attr() const { return attr_; }
  void set_attr(int32_t a) { attr_ = a; }

 private:
  void release();

  int16_t* clips_ = nullptr;     // clip_index_count() indices, or null
  DBPOLYPOINT* pont_ = nullptr;  // pontszam_ points, or null
  int16_t clipszam_ = 0;
  int16_t pontszam_ = 0;
  int32_t attr_ = 0;
};

DLIST_API bool operator==(const DBMULTIPOLYGON& a, const DBMULTIPOLYGON& b);
