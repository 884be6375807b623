// The material tree: its roots and levels, whether a material lies in the subtree
// of another, the subtree below a material in the order the list files rely on,
// and the release of the references that materials hold (giving back the usage
// counts of their units).

#include <unordered_set>
#include <vector>

#include "host/database_task.h"
#include "materials/material_library.h"
#include "materials/material_library_internal.h"

namespace dlist {

bool material_children(LISTCONTEXT* library, long parent, std::vector<long>& out) {
  out.clear();
  if (library->rewind_material(parent) < 0) return false;
  dbmaterial record{};
  long id = library->get(record, nullptr);
  for (; id > 0; id = library->get(record, nullptr)) out.push_back(id);
  return id == 0;  // a step below 0 is a failed read, not the end of the walk
}

namespace {

// Appends ids to out; false when out cannot grow.
bool append_ids(CRAS<long, 4>* out, const std::vector<long>& ids) {
  for (long id : ids) {
    const unsigned before = out->size();
    out->push(id);
    if (out->size() == before) return false;
  }
  return true;
}

}  // namespace

}  // namespace dlist

using dlist::ReadLock;
using dlist::WriteLock;
using dlist::WalkStep;

int GetMaterialRoots(LISTCONTEXT* library, CRAS<long, 4>* out) {
  if (out == nullptr) return 0;
  out->resize(0);
  ReadLock lock(library);
  if (!lock) return 0;
  std::vector<long> roots;
  if (!dlist::material_children(library, 0, roots)) return 0;
  return dlist::append_ids(out, roots) ? 1 : 0;
}

int IsMaterialInScope(LISTCONTEXT* library, long scope, long id) {
  if (id == scope) return 1;
  ReadLock lock(library);
  if (!lock) return 0;
  std::unordered_set<long> seen;
  for (long up = library->get_parent_material(id); up > 0 && seen.insert(up).second;
       up = library->get_parent_material(up)) {
    if (up == scope) return 1;
  }
  return 0;
}

int CollectMaterialSubtree(LISTCONTEXT* library, long material, CRAS<long, 4>* out) {
  if (out == nullptr) return 0;
  ReadLock lock(library);
  if (!lock) return 0;
  const WalkStep step = dlist::walk_levels(
      material,
      [library](long id, std::vector<long>& children) {
        return dlist::material_children(library, id, children);
      },
      [out](const std::vector<long>& children) {
        return dlist::append_ids(out, children) ? WalkStep::kGoOn : WalkStep::kFail;
      });
  return step == WalkStep::kGoOn ? 1 : 0;
}

// Every reference of the material is collected before any is removed, so the
// removals do not disturb the walks. A failure abandons the transaction: a
// reference removed while its unit kept the usage (or the other way round) would
// leave the counts wrong.
int ReleaseMaterialRefs(LISTCONTEXT* library, long material) {
  WriteLock lock(library);
  if (!lock) return 0;
  auto fail = [&lock] {
    lock.abandon();
    return 0;
  };

  std::vector<long> subprice_refs;
  if (library->rewind_subprice_ref(material) < 0) return fail();
  subpriceref subprice{};
  long step = library->get(subprice);
  for (; step > 0; step = library->get(subprice)) subprice_refs.push_back(step);
  if (step < 0) return fail();
  for (long id : subprice_refs) {
    if (library->remove_subprice_ref(id) == 0) return fail();
  }

  struct UnitUse {
    long id;
    unitref record;
  };
  std::vector<UnitUse> unit_refs;
  if (library->rewind_unit_ref(material) < 0) return fail();
  unitref ref{};
  for (step = library->get(ref); step > 0; step = library->get(ref)) unit_refs.push_back({step, ref});
  if (step < 0) return fail();
  for (const UnitUse& use : unit_refs) {
    dbunit unit{};
    const std::string abbrev(dlist::field_text(use.record.abbrev));
    const long unit_id = library->find_unit(abbrev.c_str(), unit);
    if (unit_id > 0 && unit.usage > 0) {
      --unit.usage;
      if (library->modify(unit_id, unit) == 0) return fail();
    }
    if (library->remove_unit_ref(use.id) == 0) return fail();
  }
  return 1;
}

int ReleaseSubtreeRefs(LISTCONTEXT* library, long material) {
  WriteLock lock(library);
  if (!lock) return 0;
  const WalkStep step = dlist::walk_levels(
      material,
      [library](long id, std::vector<long>& children) {
        return dlist::material_children(library, id, children);
      },
      [library](const std::vector<long>& children) {
        for (long child : children) {
          if (ReleaseMaterialRefs(library, child) == 0) return WalkStep::kFail;
        }
        return WalkStep::kGoOn;
      });
  if (step != WalkStep::kGoOn) {
    lock.abandon();
    return 0;
  }
  return 1;
}
