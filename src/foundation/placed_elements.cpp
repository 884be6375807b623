// The setters of the placement, which recalculate the geometry after each value, and
// the identifier block of symbols.
#include "foundation/placed_elements.h"

#include "foundation/record_image.h"

namespace dlist {

PlacedElement::~PlacedElement() = default;

void PlacedElement::set_pos(const COORD3D& p) {
  pos_ = p;
  recalculate_geometry();
}

void PlacedElement::set_eltol(const COORD3D& v) {
  eltol_ = v;
  recalculate_geometry();
}

void PlacedElement::set_xangle(double a) {
  xangle_ = a;
  recalculate_geometry();
}

void PlacedElement::set_yangle(double a) {
  yangle_ = a;
  recalculate_geometry();
}

void PlacedElement::set_zangle(double a) {
  zangle_ = a;
  recalculate_geometry();
}

void PlacedElement::recalculate_geometry() {}

}  // namespace dlist

void DBSYMBTYPE::id_block(std::span<unsigned char, kIdBlockSize> out) const {
  dlist::ImageWriter w(out.data(), out.size());
  w.recid(recid);
  w.i16(recid_tail);
}
