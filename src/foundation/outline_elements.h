// The element records drawn over an outline that they own: ceilings, roofs and
// rasters (a polygon with holes) and parcels (a simple polygon). Their members come
// in the order in which prototype files carry them: the leading members, the
// outline, then the palette. The records own their outlines; copies are deep, and a
// copy assignment that runs short of memory leaves the target as it was.
#pragma once

#include <cstdint>

#include "foundation/geometry.h"
#include "foundation/palettes.h"
#include "foundation/polygon.h"
#include "foundation/record_copy.h"
#include "foundation/record_id.h"
#include "foundation/type_codes.h"

// ---- ceilings ---------------------------------------------------------------------

class DBCEILTYPE {
 public:
  static constexpr short streamedtype() { return ST_DBCEILTYPE; }
  static constexpr short rttype() { return RT_CEIL; }
  static constexpr int32_t let_type() { return LET_CEIL; }

  DBCEILTYPE() = default;
  DBCEILTYPE(const DBCEILTYPE&) = default;
  DBCEILTYPE(DBCEILTYPE&&) noexcept = default;
  DBCEILTYPE& operator=(DBCEILTYPE&&) noexcept = default;
  DBCEILTYPE& operator=(const DBCEILTYPE& source) {
    full_copy(source);
    return *this;
  }

  uint8_t status = 0;           // state byte of the host
  DBMULTIPOLYGON outline;       // the slab's outline with its holes
  double elevation = 0.0;       // elevation of the slab's top above its storey
  COORD2D hatch_origin;         // origin of the fill pattern
  uint8_t frame_color = 0;      // frame colour
  uint8_t frame_pen = 0;        // pen of the frame
  uint8_t frame_line_type = 0;  // line type of the frame
  uint8_t show_frame = 0;       // 1: the frame is drawn
  uint8_t hatch_kind = 0;       // fill kind of the host
  uint8_t show_2d = 0;          // display flags of the host
  uint8_t show_3d = 0;
  uint8_t reserved = 0;   // kept as it stands
  RECIDTYPE recid;        // the record's identifier
  DBCEILPALETTE palette;  // the ceiling's presets, with its layer structure

  int clipszam() const { return outline.clipszam(); }
  int pontszam() const { return outline.pontszam(); }
  bool set_clipszam(int n) { return outline.set_clipszam(n); }
  bool has_points() const { return outline.has_points(); }
  DBPOLYPOINT& polypoint(int i) { return outline.polypoint(i); }
  const DBPOLYPOINT& polypoint(int i) const { return outline.polypoint(i); }
  bool set_sizes(int clips, int points) { return outline.set_sizes(clips, points); }

  // The layer structure (kept in the palette) and its thickness.
  RETEGEZESTYPE& retegezes() { return palette.retegezes; }
  const RETEGEZESTYPE& retegezes() const { return palette.retegezes; }
  double height() const { return palette.retegezes.thickness(); }

  int nhotspot2D() const { return pontszam(); }
  int nhotspot3D() const { return 2 * pontszam(); }

  // Whole or not at all: false, with this record unchanged, when memory is short.
  bool full_copy(const DBCEILTYPE& source) { return dlist::copy_whole(*this, source); }
  bool owned_parts_equal(const DBCEILTYPE& other) const { return outline == other.outline; }
};

// ---- roofs ------------------------------------------------------------------------

class DBROOFTYPE {
 public:
  static constexpr short streamedtype() { return ST_DBROOFTYPE; }
  static constexpr short rttype() { return RT_ROOF; }
  static constexpr int32_t let_type() { return LET_ROOF; }

  DBROOFTYPE() = default;
  DBROOFTYPE(const DBROOFTYPE&) = default;
  DBROOFTYPE(DBROOFTYPE&&) noexcept = default;
  DBROOFTYPE& operator=(DBROOFTYPE&&) noexcept = default;
  DBROOFTYPE& operator=(const DBROOFTYPE& source) {
    full_copy(source);
    return *this;
  }

  uint8_t status = 0;           // state byte of the host
  DBMULTIPOLYGON outline;       // the roof's outline with its holes
  COORD2D pivot_beg;            // start of the pivot line
  COORD2D pivot_end;            // end of the pivot line
  double slope = 0.0;           // slope angle of the roof plane
  double pivot_height = 0.0;    // elevation of the pivot line above its storey
  uint8_t frame_color = 0;      // frame colour
  uint8_t frame_pen = 0;        // pen of the frame
  uint8_t frame_line_type = 0;  // line type of the frame
  uint8_t show_frame = 0;       // 1: the frame is drawn
  uint8_t hatch_kind = 0;       // fill kind of the host
  uint8_t show_3d = 0;          // display flag of the host
  double overhang = 0.0;        // eaves overhang beyond the outline
  uint8_t eaves_pen = 0;        // pens and line type of the roof's edges
  uint8_t ridge_pen = 0;
  uint8_t cut_pen = 0;
  uint8_t cut_line_type = 0;
  uint8_t gutter = 0;     // 1: the eaves carry a gutter
  uint8_t reserved = 0;   // kept as it stands
  RECIDTYPE recid;        // the record's identifier
  DBROOFPALETTE palette;  // the roof's presets

  int clipszam() const { return outline.clipszam(); }
  int pontszam() const { return outline.pontszam(); }
  bool has_points() const { return outline.has_points(); }
  DBPOLYPOINT& polypoint(int i) { return outline.polypoint(i); }
  const DBPOLYPOINT& polypoint(int i) const { return outline.polypoint(i); }
  bool set_sizes(int clips, int points) { return outline.set_sizes(clips, points); }

  int nhotspot2D() const { return 2 * pontszam() + 2; }

  // Whole or not at all: false, with this record unchanged, when memory is short.
  bool full_copy(const DBROOFTYPE& source) { return dlist::copy_whole(*this, source); }
  bool owned_parts_equal(const DBROOFTYPE& other) const { return outline == other.outline; }
};

// ---- rasters ----------------------------------------------------------------------

class DBRASTTYPE {
 public:
  static constexpr short streamedtype() { return ST_DBRASTTYPE; }
  static constexpr short rttype() { return RT_RAST; }
  static constexpr int32_t let_type() { return LET_RAST; }

  DBRASTTYPE() = default;
  DBRASTTYPE(const DBRASTTYPE&) = default;
  DBRASTTYPE(DBRASTTYPE&&) noexcept = default;
  DBRASTTYPE& operator=(DBRASTTYPE&&) noexcept = default;
  DBRASTTYPE& operator=(const DBRASTTYPE& source) {
    full_copy(source);
    return *this;
  }

  uint8_t status = 0;       // state byte of the host
  DBMULTIPOLYGON outline;   // the area's outline with its holes
  COORD2D origin;           // origin of the fill pattern
  uint8_t origin_mode = 0;  // how the origin follows the outline (host's)
  COORD2D box_min;          // bounding box, computed by the host
  COORD2D box_max;
  uint8_t frame_color = 0;      // frame colour
  uint8_t frame_pen = 0;        // pen of the frame
  uint8_t frame_line_type = 0;  // line type of the frame
  uint8_t show_frame = 0;       // 1: the frame is drawn
  uint8_t hatch_kind = 0;       // fill kind of the host
  uint8_t reserved = 0;         // kept as it stands
  RECIDTYPE recid;              // the record's identifier
  DBRASTPALETTE palette;        // the raster's presets

  int clipszam() const { return outline.clipszam(); }
  int pontszam() const { return outline.pontszam(); }
  bool has_points() const { return outline.has_points(); }
  DBPOLYPOINT& polypoint(int i) { return outline.polypoint(i); }
  const DBPOLYPOINT& polypoint(int i) const { return outline.polypoint(i); }
  bool set_sizes(int clips, int points) { return outline.set_sizes(clips, points); }

  // Whole or not at all: false, with this record unchanged, when memory is short.
  bool full_copy(const DBRASTTYPE& source) { return dlist::copy_whole(*this, source); }
  bool owned_parts_equal(const DBRASTTYPE& other) const { return outline == other.outline; }
};

// ---- parcels ----------------------------------------------------------------------

class DBPARCTYPE {
 public:
  static constexpr short streamedtype() { return ST_DBPARCTYPE; }
  static constexpr short rttype() { return RT_PARC; }
  static constexpr int32_t let_type() { return LET_PARC; }

  DBPARCTYPE() = default;
  DBPARCTYPE(const DBPARCTYPE&) = default;
  DBPARCTYPE(DBPARCTYPE&&) noexcept = default;
  DBPARCTYPE& operator=(DBPARCTYPE&&) noexcept = default;
  DBPARCTYPE& operator=(const DBPARCTYPE& source) {
    full_copy(source);
    return *this;
  }

  uint8_t status = 0;           // state byte of the host
  int16_t number = 0;           // parcel number of the host
  COORD3D origin;               // reference point of the parcel
  COORD3D axis;                 // direction of the parcel's axis
  double area = 0.0;            // area, computed by the host
  double perimeter = 0.0;       // perimeter, computed by the host
  COORD2D label_pos;            // position of the label
  uint8_t label_flags = 0;      // label display flags of the host
  COORD2D box[4];               // corners of the bounding box, computed by the host
  int16_t label_style = 0;      // label style of the host
  DBPOLYGON outline;            // the parcel's outline
  uint8_t frame_color = 0;      // frame colour
  uint8_t frame_pen = 0;        // pen of the frame
  double elevation = 0.0;       // elevation above its storey
  uint8_t frame_line_type = 0;  // line type of the frame
  uint8_t show_frame = 0;       // 1: the frame is drawn
  uint8_t show_label = 0;       // 1: the label is drawn
  RECIDTYPE recid;              // the record's identifier
  DBPARCPALETTE palette;        // the parcel's presets

  COORD2D pont(int i) const { return outline.pont(i); }
  int pontszam() const { return outline.pontszam(); }
  bool has_points() const { return outline.has_points(); }
  DBPOLYPOINT& polypoint(int i) { return outline.polypoint(i); }
  const DBPOLYPOINT& polypoint(int i) const { return outline.polypoint(i); }
  bool set_size(int n) { return outline.set_size(n); }
  bool set_pontszam(int n) { return outline.set_pontszam(n); }
  void set_pont(int i, const COORD2D& p) { outline.set_pont(i, p); }
  void set_pont(int i, const COORD2D& p, int32_t flags) { outline.set_pont(i, p, flags); }

  // Whole or not at all: false, with this record unchanged, when memory is short.
  bool full_copy(const DBPARCTYPE& source) { return dlist::copy_whole(*this, source); }
  bool owned_parts_equal(const DBPARCTYPE& other) const { return outline == other.outline; }
};
