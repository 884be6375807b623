// Comparisons of the owned parts of the full records, which tell whether a copy came
// out whole.
#include "foundation/full_records.h"

#include <cstring>

namespace {

// Equal counts and equal elements, by the elements' own equality.
template <class Chain>
bool chains_equal(const Chain& a, const Chain& b) {
  if (a.size() != b.size()) return false;
  for (unsigned i = 0; i < a.size(); ++i)
    if (!(a[i] == b[i])) return false;
  return true;
}

template <class T, int N>
bool arrays_equal(const CDA<T, N>& a, const CDA<T, N>& b) {
  return a.size() == b.size() &&
         (a.size() == 0 || std::memcmp(static_cast<const T*>(a), static_cast<const T*>(b),
                                       sizeof(T) * a.size()) == 0);
}

bool same_bits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool roof_data_equal(const ROOFCALCDATA& a, const ROOFCALCDATA& b) {
  static_assert(sizeof(ROOFCALCDATA) == 4 * sizeof(COORD3D), "no padding to compare");
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

namespace dlist {

bool FullRecordParts::parts_equal(const FullRecordParts& other) const {
  return chains_equal(surf_, other.surf_) && chains_equal(dbmrc_, other.dbmrc_) &&
         chains_equal(dbarc_, other.dbarc_) && arrays_equal(p1_, other.p1_) &&
         arrays_equal(p2_, other.p2_);
}

}  // namespace dlist

bool DBSTAIFULLTYPE::owned_parts_equal(const DBSTAIFULLTYPE& other) const {
  if (!DBSTAITYPE::owned_parts_equal(other) || !parts_equal(other)) return false;
  if (!chains_equal(contours_, other.contours_)) return false;
  if (angles_.size() != other.angles_.size()) return false;
  for (unsigned i = 0; i < angles_.size(); ++i)
    if (!same_bits(angles_[i], other.angles_[i])) return false;
  return true;
}

bool DBSYMBFULLTYPE::owned_parts_equal(const DBSYMBFULLTYPE& other) const {
  return DBSYMBTYPE::owned_parts_equal(other) && parts_equal(other) && contour_ == other.contour_;
}

bool DBROOFFULLTYPE::owned_parts_equal(const DBROOFFULLTYPE& other) const {
  if (!DBROOFTYPE::owned_parts_equal(other)) return false;
  if (calc_.size() != other.calc_.size() || edges_.size() != other.edges_.size() ||
      angles_.size() != other.angles_.size())
    return false;
  for (unsigned i = 0; i < calc_.size(); ++i)
    if (!roof_data_equal(calc_[i], other.calc_[i])) return false;
  if (!chains_equal(edges_, other.edges_)) return false;
  for (unsigned i = 0; i < angles_.size(); ++i)
    if (!same_bits(angles_[i], other.angles_[i])) return false;
  return true;
}
