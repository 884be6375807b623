// The element records placed as a library part: stairs (`DBSTAITYPE`) and symbols
// (`DBSYMBTYPE`). Both hold a position, an offset vector and three angles behind
// setters that store the value and then call the record's virtual recalculation of
// its geometry; then their own members, the record identifier, a chain of 3D
// hotspots and the palette with the library part and its parameters.
//
// Their members come in the order in which prototype files carry them. The records
// own their hotspot chains; copies are deep, and a copy assignment that runs short
// of memory leaves the target as it was.
#pragma once

#include <cstdint>
#include <span>

#include "dlist/api.h"
#include "foundation/geometry.h"
#include "foundation/hotspot_chain.h"
#include "foundation/palettes.h"
#include "foundation/record_copy.h"
#include "foundation/record_id.h"
#include "foundation/type_codes.h"

namespace dlist {

// The placement shared by stairs and symbols.
class DLIST_API PlacedElement {
 public:
  PlacedElement() = default;
  PlacedElement(const PlacedElement&) = default;
  PlacedElement(PlacedElement&&) noexcept = default;
  PlacedElement& operator=(const PlacedElement&) = default;
  PlacedElement& operator=(PlacedElement&&) noexcept = default;
  virtual ~PlacedElement();

  COORD3D pos() const { return pos_; }
  COORD3D eltol() const { return eltol_; }
  double xangle() const { return xangle_; }
  double yangle() const { return yangle_; }
  double zangle() const { return zangle_; }

  // Each setter stores the value, then calls recalculate_geometry().
  void set_pos(const COORD3D& p);
  void set_eltol(const COORD3D& v);
  void set_xangle(double a);
  void set_yangle(double a);
  void set_zangle(double a);

  // Recomputes the geometry that follows from the placement. Here it does nothing:
  // the geometry belongs to the host's modules, whose records override it.
  virtual void recalculate_geometry();

  uint8_t status = 0;  // state byte of the host

 private:
  COORD3D pos_;  // insertion point

 public:
  uint8_t mirror_x = 0;  // 1: mirrored across the part's x axis
  uint8_t mirror_y = 0;  // 1: mirrored across the part's y axis
  uint8_t show_2d = 0;   // display flags of the host
  uint8_t show_3d = 0;

 private:
  COORD3D eltol_;        // offset vector of the library part
  double xangle_ = 0.0;  // rotation about x
  double yangle_ = 0.0;  // rotation about y
  double zangle_ = 0.0;  // rotation about z
};

}  // namespace dlist

// ---- stairs -----------------------------------------------------------------------

class DLIST_API DBSTAITYPE : public dlist::PlacedElement {
 public:
  static constexpr short streamedtype() { return ST_DBSTAITYPE; }
  static constexpr short rttype() { return RT_STAI; }
  static constexpr int32_t let_type() { return LET_STAI; }

  DBSTAITYPE() = default;
  DBSTAITYPE(const DBSTAITYPE&) = default;
  DBSTAITYPE(DBSTAITYPE&&) noexcept = default;
  DBSTAITYPE& operator=(DBSTAITYPE&&) noexcept = default;
  DBSTAITYPE& operator=(const DBSTAITYPE& source) {
    full_copy(source);
    return *this;
  }

  uint8_t settings[11] = {};  // display settings of the host, in their order
  COORD2D corner[4];          // corners of the stair's plan box
  RECIDTYPE recid;            // the record's identifier
  HOTSPOTCHAIN hotspots;      // 3D hotspots
  DBSTAIPALETTE palette;      // the stair's presets and library part

  unsigned nhotspot() const { return hotspots.count(); }

  double param(int i) const { return palette.param(i); }
  bool set_param(int i, double v) { return palette.set_param(i, v); }
  double common_param(STAI_COMMON_PARAM id) const { return palette.common_param(id); }
  bool set_common_param(STAI_COMMON_PARAM id, double v) { return palette.set_common_param(id, v); }

  // Whole or not at all: false, with this record unchanged, when memory is short.
  bool full_copy(const DBSTAITYPE& source) { return dlist::copy_whole(*this, source); }
  bool owned_parts_equal(const DBSTAITYPE& other) const { return hotspots == other.hotspots; }
};

// ---- symbols ----------------------------------------------------------------------

class DLIST_API DBSYMBTYPE : public dlist::PlacedElement {
 public:
  static constexpr short rttype() { return RT_SYMB; }
  static constexpr std::size_t kIdBlockSize = 8;

  DBSYMBTYPE() = default;
  DBSYMBTYPE(const DBSYMBTYPE&) = default;
  DBSYMBTYPE(DBSYMBTYPE&&) noexcept = default;
  DBSYMBTYPE& operator=(DBSYMBTYPE&&) noexcept = default;
  DBSYMBTYPE& operator=(const DBSYMBTYPE& source) {
    full_copy(source);
    return *this;
  }

  uint8_t settings[6] = {};  // display settings of the host, in their order
  double extent[4] = {};     // plan extent (x min, y min, x max, y max), recomputed, never stored
  RECIDTYPE recid;           // the record's identifier
  int16_t recid_tail = 0;    // 16-bit field of the host after the identifier
  HOTSPOTCHAIN hotspots;     // 3D hotspots
  DBSYMBPALETTE palette;     // the symbol's presets and library part

  unsigned nhotspot() const { return hotspots.count(); }

  // The 8 bytes that begin at the record identifier, as they stand in an image: the
  // identifier (32-bit), its type (16-bit) and recid_tail (16-bit), little-endian.
  void id_block(std::span<unsigned char, kIdBlockSize> out) const;

  double param(int i) const { return palette.param(i); }
  bool set_param(int i, double v) { return palette.set_param(i, v); }
  double common_param(SYMB_COMMON_PARAM id) const { return palette.common_param(id); }
  bool set_common_param(SYMB_COMMON_PARAM id, double v) { return palette.set_common_param(id, v); }

  bool full_copy(const DBSYMBTYPE& source) { return dlist::copy_whole(*this, source); }
  bool owned_parts_equal(const DBSYMBTYPE& other) const { return hotspots == other.hotspots; }
};
