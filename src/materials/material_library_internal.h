// Helpers shared by the material library operations: fixed fields read as texts,
// texts written into buffers of a given room, the test for a basic unit's factor,
// the children of one level collected before anything acts on them, and the walk
// below a record that visits deeper levels from the last child to the first.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "foundation/fixed_text.h"
#include "host/list/list_context.h"
#include "materials/material_library.h"

namespace dlist {

// Confirmation texts of the removals.
inline constexpr unsigned kMsgRemoveMarket = 21325;
inline constexpr unsigned kMsgRemoveSubprice = 21326;
inline constexpr unsigned kMsgRemoveUnit = 21327;
inline constexpr unsigned kMsgRemoveMaterial = 21328;
inline constexpr unsigned kMsgRemoveDimension = 21432;
// The three dimension names, in order.
inline constexpr unsigned kMsgFirstDimensionName = 16621;

// Room of a message text.
inline constexpr int kMessageSize = 512;

// A factor within the tolerance of 1 (strictly) makes the basic unit of a dimension.
inline bool is_basic_factor(double factor) {
  return std::fabs(factor - 1.0) < kBasicUnitTolerance;
}

// An abbreviation that begins with "##" names a dimension.
inline bool has_dimension_prefix(std::string_view abbrev) {
  return abbrev.size() >= 2 && abbrev[0] == '#' && abbrev[1] == '#';
}

// "name ( abbrev )", with a leading "*" for a basic unit.
std::string linked_unit_label(const dbunit& unit);

// The children of material parent (0: the roots) / of unit parent (0: the
// dimensions), in walk order, collected before anyone acts on them. False when
// the library refuses the walk.
bool material_children(LISTCONTEXT* library, long parent, std::vector<long>& out);
struct UnitChild {
  long id;
  dbunit record;
};
bool unit_children(LISTCONTEXT* library, long parent, std::vector<UnitChild>& out);

// The number n of a dimension's abbreviation "##n" as "%d" writes it (no sign, no
// leading zero), or -1; numbers beyond the 32 dimensions are -1 too.
int dimension_number_of(std::string_view abbrev);

// The dimension above unit (unit itself when it is one); 0 when there is none.
long dimension_above(LISTCONTEXT* library, long unit);

enum class WalkStep { kGoOn, kStop, kFail };

// Walks the subtree below root one level at a time: the children of a record are
// collected (collect(id, children) false: the walk fails) and handed to act(children)
// in walk order; then the subtrees of these children are walked, from the last child
// to the first. A record met twice (a damaged tree) is not walked again. Returns
// kStop as soon as act does, kFail when collecting fails or act does.
template <class Collect, class Act>
WalkStep walk_levels(long root, Collect collect, Act act) {
  std::vector<long> pending{root};
  std::unordered_set<long> seen{root};
  std::vector<long> children;
  while (!pending.empty()) {
    const long id = pending.back();
    pending.pop_back();
    children.clear();
    if (!collect(id, children)) return WalkStep::kFail;
    const WalkStep step = act(static_cast<const std::vector<long>&>(children));
    if (step != WalkStep::kGoOn) return step;
    for (long child : children) {
      if (seen.insert(child).second) pending.push_back(child);
    }
  }
  return WalkStep::kGoOn;
}

}  // namespace dlist
