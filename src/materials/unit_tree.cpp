// The unit tree of the material dialogs: every dimension as a top item with its
// units below it, each unit under the item of its parent unit, and a table that
// maps each item back to its unit.

#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/database_task.h"
#include "host/dialog/framework.h"
#include "host/dialog/tree_view.h"
#include "host/list/list_context.h"
#include "materials/material_library.h"
#include "materials/material_library_internal.h"

namespace dlist {
namespace {

// Adds an item for unit below parent and its entry in items; null on failure.
_TREEITEM* add_unit_item(void* tree, _TREEITEM* parent, const std::string& label, int image,
                         long unit, int flags, UnitTreeItems* items) {
  _TREEITEM* item = tree_insert(tree, parent, kTviLast, label.c_str(), image, image, unit);
  if (item == nullptr) return nullptr;
  const unsigned before = items->size();
  items->push(UnitTreeItem{item, unit, flags});
  return items->size() == before ? nullptr : item;
}

// Adds the units below dimension under its item, depth first, each unit before
// the units below it. Returns false on a failed walk or insertion.
bool add_units_below(void* tree, LISTCONTEXT* library, long dimension, _TREEITEM* dimension_item,
                     int image, UnitTreeItems* items) {
  struct Level {
    std::vector<UnitChild> units;
    std::size_t next = 0;
    _TREEITEM* item = nullptr;
  };
  std::vector<Level> levels(1);
  levels[0].item = dimension_item;
  if (!unit_children(library, dimension, levels[0].units)) return false;
  std::unordered_set<long> seen{dimension};
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.units.size()) {
      levels.pop_back();
      continue;
    }
    const UnitChild unit = level.units[level.next++];
    if (!seen.insert(unit.id).second) continue;
    _TREEITEM* item = add_unit_item(tree, level.item, linked_unit_label(unit.record), image, unit.id,
                                    0, items);
    if (item == nullptr) return false;
    Level below;
    below.item = item;
    if (!unit_children(library, unit.id, below.units)) return false;
    if (!below.units.empty()) levels.push_back(std::move(below));
  }
  return true;
}

}  // namespace
}  // namespace dlist

int FillUnitTree(void* dialog, LISTCONTEXT* library, UnitTreeItems* items, short control,
                 int dimension_image, int unit_image) {
  if (dialog == nullptr || items == nullptr) return 0;
  void* tree = GetControlHWND(dialog, control);
  if (tree == nullptr) return 0;
  items->resize(0);
  dlist::ReadLock lock(library);
  if (!lock) return 0;
  std::vector<dlist::UnitChild> dimensions;
  if (!dlist::unit_children(library, 0, dimensions)) return 0;
  for (const dlist::UnitChild& dimension : dimensions) {
    _TREEITEM* item = dlist::add_unit_item(tree, dlist::kTviRoot,
                                           std::string(dlist::field_text(dimension.record.name)),
                                           dimension_image, dimension.id, kUnitTreeDimension, items);
    if (item == nullptr ||
        !dlist::add_units_below(tree, library, dimension.id, item, unit_image, items)) {
      return 0;
    }
  }
  return 1;
}
