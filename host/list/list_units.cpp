// The units of the library (a forest whose roots are the dimensions) and the unit
// references of materials.
#include <cmath>

#include "host/list/list_internal.h"

namespace dlist::list {
namespace {

struct UnitFields {
  std::span<const unsigned char> abbrev, name;
};

// A unit may be written when its abbreviation is not empty, both texts fit their
// widths and its factor is a finite number.
bool unit_fields(const dbunit& rec, UnitFields* f) {
  return field_bytes(rec.abbrev, kUnitAbbrevSize, &f->abbrev) && !f->abbrev.empty() &&
         field_bytes(rec.name, kUnitNameSize, &f->name) && std::isfinite(rec.factor);
}

Read read_unit(ListStore& s, int64_t id, dbunit* rec) {
  if (id == 0) return Read::kMissing;
  Statement q(s.db, "SELECT abbrev, name, usage, factor FROM units WHERE id = ?1");
  if (!q.bind(1, id).row()) return q.ok() ? Read::kMissing : Read::kFailed;
  dbunit r{};
  if (!copy_field(q.blob(0), r.abbrev, kUnitAbbrevSize) ||
      !copy_field(q.blob(1), r.name, kUnitNameSize))
    return Read::kFailed;
  const int64_t usage = q.integer(2);
  if (usage < INT32_MIN || usage > INT32_MAX || !q.is_number(3)) return Read::kFailed;
  r.usage = static_cast<int32_t>(usage);
  r.factor = q.real(3);
  if (!std::isfinite(r.factor) || !q.ok()) return Read::kFailed;
  if (rec) *rec = r;
  return Read::kFound;
}

// Fills rec from the columns abbrev and factor, the first at column first; false
// (rec untouched) when they do not fit.
bool unit_ref_from(const Statement& q, int first, unitref* rec) {
  unitref r{};
  if (!copy_field(q.blob(first), r.abbrev, kUnitAbbrevSize) || !q.is_number(first + 1))
    return false;
  r.factor = q.real(first + 1);
  if (!std::isfinite(r.factor)) return false;
  *rec = r;
  return true;
}

Read read_unit_ref(ListStore& s, int64_t id, unitref* rec) {
  Statement q(s.db, "SELECT abbrev, factor FROM unit_refs WHERE id = ?1");
  if (!q.bind(1, id).row()) return q.ok() ? Read::kMissing : Read::kFailed;
  return unit_ref_from(q, 0, rec) ? Read::kFound : Read::kFailed;
}

}  // namespace
}  // namespace dlist::list

using dlist::Statement;
using dlist::list::Change;
using dlist::list::enter;
using dlist::list::list_id;
using dlist::list::ListStore;
using dlist::list::Read;

// ---- units -------------------------------------------------------------------------

long LISTCONTEXT::rewind_unit(long parent) {
  ListStore* s = enter(impl_.get());
  return dlist::list::start_child_walk(s, s ? s->units : impl_->units, parent, dlist::list::kUnitExists,
                                       "SELECT id FROM units WHERE parent = ?1 ORDER BY id");
}

long LISTCONTEXT::get(dbunit& rec) {
  ListStore* s = enter(impl_.get());
  return dlist::list::walk_next(s, s ? s->units : impl_->units,
                                [&](int64_t id) { return dlist::list::read_unit(*s, id, &rec); });
}

long LISTCONTEXT::get(long id, dbunit& rec) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  return dlist::list::read_unit(*s, list_id(id), &rec) == Read::kFound ? id : 0;
}

long LISTCONTEXT::find_unit(const char* abbrev, dbunit& rec) {
  ListStore* s = enter(impl_.get());
  if (!s || !abbrev) return 0;
  const auto key = dlist::list::text_bytes(abbrev);
  if (key.empty() || key.size() >= static_cast<std::size_t>(kUnitAbbrevSize)) return 0;
  Statement q(s->db, "SELECT id FROM units WHERE abbrev = ?1");
  if (!q.bind(1, key).row()) return 0;
  const int64_t id = q.integer(0);
  return dlist::list::read_unit(*s, id, &rec) == Read::kFound ? static_cast<long>(id) : 0;
}

long LISTCONTEXT::get_parent(long id) {
  ListStore* s = enter(impl_.get());
  if (!s) return -1;
  const int64_t unit = list_id(id);
  if (unit == 0) return -1;
  Statement q(s->db, "SELECT parent FROM units WHERE id = ?1");
  if (!q.bind(1, unit).row()) return -1;
  const int64_t parent = q.integer(0);
  return parent >= 0 && parent <= dlist::list::kMaxListId ? static_cast<long>(parent) : -1;
}

long LISTCONTEXT::create(long parent, const dbunit& rec) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  const int64_t parent_id = list_id(parent);
  if (parent < 0 || (parent != 0 && parent_id == 0)) return 0;
  dlist::list::UnitFields f;
  if (!dlist::list::unit_fields(rec, &f)) return 0;
  Change change(*s);
  if (!change) return 0;
  if (parent_id != 0 && dlist::list::row_exists(s->db, dlist::list::kUnitExists, parent_id) != 1)
    return 0;
  // An abbreviation already used makes the insert fail (unique column).
  Statement q(s->db,
              "INSERT INTO units (parent, abbrev, name, usage, factor) VALUES (?1, ?2, ?3, ?4, ?5)");
  q.bind(1, parent_id).bind(2, f.abbrev).bind(3, f.name).bind(4, rec.usage);
  if (!q.bind_double(5, rec.factor).run()) return 0;
  const int64_t id = s->db.last_insert_id();
  if (id <= 0 || id > dlist::list::kMaxListId) return 0;
  return change.finish() ? static_cast<long>(id) : 0;
}

int LISTCONTEXT::modify(long id, const dbunit& rec) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  const int64_t unit = list_id(id);
  dlist::list::UnitFields f;
  if (unit == 0 || !dlist::list::unit_fields(rec, &f)) return 0;
  Change change(*s);
  if (!change) return 0;
  if (dlist::list::row_exists(s->db, dlist::list::kUnitExists, unit) != 1) return 0;
  Statement q(s->db,
              "UPDATE units SET abbrev = ?2, name = ?3, usage = ?4, factor = ?5 WHERE id = ?1");
  q.bind(1, unit).bind(2, f.abbrev).bind(3, f.name).bind(4, rec.usage);
  if (!q.bind_double(5, rec.factor).run()) return 0;
  return change.finish() ? 1 : 0;
}

int LISTCONTEXT::remove_unit(long id) {
  return dlist::list::remove_row(enter(impl_.get()), id, dlist::list::kUnitExists,
                                 "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION "
                                 "SELECT u.id FROM units u JOIN sub ON u.parent = sub.id) "
                                 "DELETE FROM units WHERE id IN sub");
}

// ---- unit references -----------------------------------------------------------------

long LISTCONTEXT::rewind_unit_ref(long material) {
  ListStore* s = enter(impl_.get());
  if (!s) return -1;
  s->unit_refs.reset();
  const int64_t id = list_id(material);
  if (id == 0) return -1;
  return dlist::list::start_ref_walk(
      s, s->unit_refs, "SELECT id, abbrev, factor FROM unit_refs WHERE material = ?1 ORDER BY id", id,
      dlist::list::unit_ref_from);
}

long LISTCONTEXT::get(unitref& rec) {
  ListStore* s = enter(impl_.get());
  return dlist::list::row_walk_next(s, s ? s->unit_refs : impl_->unit_refs, &rec,
                                    [&](int64_t id, unitref* r) {
                                      return dlist::list::read_unit_ref(*s, id, r);
                                    });
}

long LISTCONTEXT::create(long material, const unitref& rec) {
  ListStore* s = enter(impl_.get());
  std::span<const unsigned char> abbrev;
  if (!dlist::list::field_bytes(rec.abbrev, kUnitAbbrevSize, &abbrev) || abbrev.empty() ||
      !std::isfinite(rec.factor))
    return 0;
  return dlist::list::insert_ref(s, material, abbrev, rec.factor,
                                 "INSERT INTO unit_refs (material, abbrev, factor) VALUES (?1, ?2, ?3)");
}

int LISTCONTEXT::remove_unit_ref(long id) {
  return dlist::list::remove_row(enter(impl_.get()), id, dlist::list::kUnitRefExists,
                                 "DELETE FROM unit_refs WHERE id = ?1");
}
