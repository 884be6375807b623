// Comparisons of the reference records.
#include "foundation/references.h"

#include <cmath>
#include <cstring>

bool DBMATREF::is_auto_quantity() const {
  return std::fabs(quantity - kAutoQuantity) < 1e-10;
}

bool operator==(const DBMATREF& a, const DBMATREF& b) {
  return a.code == b.code && std::memcmp(&a.quantity, &b.quantity, sizeof a.quantity) == 0 &&
         a.location == b.location &&
         std::memcmp(a.parameter, b.parameter, sizeof a.parameter) == 0 && a.reserved == b.reserved;
}

bool operator==(const DBATTREFTYPE& a, const DBATTREFTYPE& b) {
  return std::memcmp(a.name, b.name, sizeof a.name) == 0 && a.flags == b.flags &&
         std::memcmp(a.abbrev, b.abbrev, sizeof a.abbrev) == 0 && a.reference == b.reference &&
         a.value == b.value && a.reserved == b.reserved;
}
