// Full records: an element with everything that belongs to it. Stairs and symbols
// (`DBSTAIFULLTYPE`, `DBSYMBFULLTYPE`) add their contour polygons, surface set,
// material and attribute chains, storey, two index arrays and a 3D hotspot count;
// roofs (`DBROOFFULLTYPE`) add their computed geometry, edge presets and angles.
// Copies are deep and whole: a copy assignment that runs short of memory leaves
// the target as it was.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "foundation/arrays.h"
#include "foundation/edges.h"
#include "foundation/outline_elements.h"
#include "foundation/placed_elements.h"
#include "foundation/polygon.h"
#include "foundation/record_copy.h"
#include "foundation/references.h"
#include "foundation/surfaces.h"

// A list of polygons, two to a page (the contours of a stair).
class DLIST_API DBPOLYGONCHAIN : public PRAS<DBPOLYGONTYPE, 2, 2> {
 public:
  using PRAS<DBPOLYGONTYPE, 2, 2>::PRAS;
};

// The angles that belong to a stair's contours, in their order.
class ANGLECHAIN : public PRAS<double, 5, 5> {
 public:
  using PRAS<double, 5, 5>::PRAS;
};

namespace dlist {

// What full stair and symbol records add beside their element and contours.
class DLIST_API FullRecordParts {
 public:
  DBSURFREFTYPE& surf() { return surf_; }
  const DBSURFREFTYPE& surf() const { return surf_; }
  DBMATREFCHAIN& dbmrc() { return dbmrc_; }
  const DBMATREFCHAIN& dbmrc() const { return dbmrc_; }
  DBATTREFCHAIN& dbarc() { return dbarc_; }
  const DBATTREFCHAIN& dbarc() const { return dbarc_; }

  // Replace the whole set or chain by a copy. False, unchanged, when memory is short.
  bool set_surf(const DBSURFREFTYPE& s) { return surf_.clone(s); }
  bool set_dbmrc(const DBMATREFCHAIN& c) { return dbmrc_.clone(c); }
  bool set_dbarc(const DBATTREFCHAIN& c) { return dbarc_.clone(c); }

  // Record identifier of the storey.
  int32_t storid() const { return storid_; }
  void set_storid(int32_t id) { storid_ = id; }

  // The two index arrays: entry i (unchecked), and the arrays for sizing.
  int& p1(int i) { return p1_[i]; }
  int p1(int i) const { return p1_[i]; }
  int& p2(int i) { return p2_[i]; }
  int p2(int i) const { return p2_[i]; }
  CDA<int, 6>& p1_array() { return p1_; }
  CDA<int, 6>& p2_array() { return p2_; }
  const CDA<int, 6>& p1_array() const { return p1_; }
  const CDA<int, 6>& p2_array() const { return p2_; }

  int32_t nhotspot3D() const { return nhotspot3d_; }
  void set_nhotspot3D(int32_t n) { nhotspot3d_ = n; }

  // True when every owned part of other equals this one's.
  bool parts_equal(const FullRecordParts& other) const;

 private:
  DBSURFREFTYPE surf_;      // surfaces of the element's faces
  DBMATREFCHAIN dbmrc_;     // material references
  DBATTREFCHAIN dbarc_;     // attribute references
  int32_t storid_ = 0;      // storey record identifier
  CDA<int, 6> p1_;          // first index array
  CDA<int, 6> p2_;          // second index array
  int32_t nhotspot3d_ = 0;  // number of 3D hotspots
};

}  // namespace dlist

class DLIST_API DBSTAIFULLTYPE : public DBSTAITYPE, public dlist::FullRecordParts {
 public:
  DBSTAIFULLTYPE() = default;
  DBSTAIFULLTYPE(const DBSTAIFULLTYPE&) = default;
  DBSTAIFULLTYPE(DBSTAIFULLTYPE&&) noexcept = default;
  DBSTAIFULLTYPE& operator=(DBSTAIFULLTYPE&&) noexcept = default;
  DBSTAIFULLTYPE& operator=(const DBSTAIFULLTYPE& source) {
    full_copy(source);
    return *this;
  }

  // Contour polygon i (unchecked) and the number of contours.
  DBPOLYGONTYPE& contour(int i) { return contours_[i]; }
  const DBPOLYGONTYPE& contour(int i) const { return contours_[i]; }
  int ncontour() const { return static_cast<int>(contours_.size()); }
  DBPOLYGONCHAIN& contours() { return contours_; }
  const DBPOLYGONCHAIN& contours() const { return contours_; }
  ANGLECHAIN& angles() { return angles_; }
  const ANGLECHAIN& angles() const { return angles_; }

  // True when both the contours and the angle chain hold entries.
  bool has_contour() const { return contours_.size() > 0 && angles_.size() > 0; }

  bool full_copy(const DBSTAIFULLTYPE& source) { return dlist::copy_whole(*this, source); }
  bool owned_parts_equal(const DBSTAIFULLTYPE& other) const;

 private:
  DBPOLYGONCHAIN contours_;  // contour polygons
  ANGLECHAIN angles_;        // angles of the contours
};

class DLIST_API DBSYMBFULLTYPE : public DBSYMBTYPE, public dlist::FullRecordParts {
 public:
  DBSYMBFULLTYPE() = default;
  DBSYMBFULLTYPE(const DBSYMBFULLTYPE&) = default;
  DBSYMBFULLTYPE(DBSYMBFULLTYPE&&) noexcept = default;
  DBSYMBFULLTYPE& operator=(DBSYMBFULLTYPE&&) noexcept = default;
  DBSYMBFULLTYPE& operator=(const DBSYMBFULLTYPE& source) {
    full_copy(source);
    return *this;
  }

  DBPOLYGONTYPE& contour() { return contour_; }
  const DBPOLYGONTYPE& contour() const { return contour_; }

  // True when the contour has at least one point.
  bool has_contour() const { return contour_.pontszam() >= 1; }

  bool full_copy(const DBSYMBFULLTYPE& source) { return dlist::copy_whole(*this, source); }
  bool owned_parts_equal(const DBSYMBFULLTYPE& other) const;

 private:
  DBPOLYGONTYPE contour_;  // contour polygon
};

class DLIST_API DBROOFFULLTYPE : public DBROOFTYPE {
 public:
  DBROOFFULLTYPE() = default;
  DBROOFFULLTYPE(const DBROOFFULLTYPE&) = default;
  DBROOFFULLTYPE(DBROOFFULLTYPE&&) noexcept = default;
  DBROOFFULLTYPE& operator=(DBROOFFULLTYPE&&) noexcept = default;
  DBROOFFULLTYPE& operator=(const DBROOFFULLTYPE& source) {
    full_copy(source);
    return *this;
  }

  // The computed points and normal of edge i; (0, 0, 0) outside the computed data.
  COORD3D bottom(int i) const { return valid(i) ? calc_[i].bottom : COORD3D(); }
  COORD3D top(int i) const { return valid(i) ? calc_[i].top : COORD3D(); }
  COORD3D top3d(int i) const { return valid(i) ? calc_[i].top3d : COORD3D(); }
  COORD3D normal(int i) const { return valid(i) ? calc_[i].normal : COORD3D(); }
  ROOFCALCCHAIN& calc() { return calc_; }
  const ROOFCALCCHAIN& calc() const { return calc_; }

  DBEDGECHAIN& edges() { return edges_; }
  const DBEDGECHAIN& edges() const { return edges_; }
  ROOFEDGEANGLELIST& angle_list() { return angles_; }
  const ROOFEDGEANGLELIST& angle_list() const { return angles_; }

  bool has_angle() const { return has_angle_ != 0; }
  void set_has_angle(bool on) { has_angle_ = on ? 1 : 0; }
  int32_t elemid() const { return elemid_; }
  void set_elemid(int32_t id) { elemid_ = id; }

  bool full_copy(const DBROOFFULLTYPE& source) { return dlist::copy_whole(*this, source); }
  bool owned_parts_equal(const DBROOFFULLTYPE& other) const;

 private:
  bool valid(int i) const { return i >= 0 && static_cast<unsigned>(i) < calc_.size(); }

  ROOFCALCCHAIN calc_;        // computed geometry per edge
  DBEDGECHAIN edges_;         // edge presets
  ROOFEDGEANGLELIST angles_;  // slope angles per edge
  uint8_t has_angle_ = 0;     // 1: the angle list holds the edges' own angles
  int32_t elemid_ = 0;        // element identifier
};

extern template class PDA<DBPOLYGONTYPE, 2, 2>;
extern template class PRAS<DBPOLYGONTYPE, 2, 2>;
