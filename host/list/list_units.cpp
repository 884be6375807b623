// The units of the library (a forest whose roots are the dimensions) and the unit
// references of materials.
#include <cmath>

#include "host/list/list_internal.h"

namespace dlist::list {
namespace {

// The columns of a unit; false when it may not be written: its abbreviation is
// empty, a text does not fit its width or its factor is not a finite number.
bool unit_columns(const dbunit& rec, Columns* c) {
  std::span<const unsigned char> abbrev, name;
  if (!field_bytes(rec.abbrev, kUnitAbbrevSize, &abbrev) || abbrev.empty() ||
      !field_bytes(rec.name, kUnitNameSize, &name) || !std::isfinite(rec.factor))
    return false;
  c->text(abbrev).text(name).integer(rec.usage).real(rec.factor);
  return true;
}

// The columns of a unit reference; false when its abbreviation is empty or does not
// fit, or its factor is not a finite number.
bool unit_ref_columns(const unitref& rec, Columns* c) {
  std::span<const unsigned char> abbrev;
  if (!field_bytes(rec.abbrev, kUnitAbbrevSize, &abbrev) || abbrev.empty() ||
      !std::isfinite(rec.factor))
    return false;
  c->text(abbrev).real(rec.factor);
  return true;
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
  dlist::list::Columns columns;
  if (!dlist::list::unit_columns(rec, &columns)) return 0;
  return dlist::list::create_row(s, dlist::list::kUnitRows, parent, columns);
}

int LISTCONTEXT::modify(long id, const dbunit& rec) {
  ListStore* s = enter(impl_.get());
  dlist::list::Columns columns;
  if (!dlist::list::unit_columns(rec, &columns)) return 0;
  return dlist::list::modify_row(s, dlist::list::kUnitRows, id, columns);
}

int LISTCONTEXT::remove_unit(long id) {
  return dlist::list::remove_row(enter(impl_.get()), dlist::list::kUnitRows, id);
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
  dlist::list::Columns columns;
  if (!dlist::list::unit_ref_columns(rec, &columns)) return 0;
  return dlist::list::create_row(s, dlist::list::kUnitRefRows, material, columns);
}

int LISTCONTEXT::remove_unit_ref(long id) {
  return dlist::list::remove_row(enter(impl_.get()), dlist::list::kUnitRefRows, id);
}
