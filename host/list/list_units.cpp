// The units of the library (a forest whose roots are the dimensions) and the unit
// references of materials.
#include <cmath>
#include <cstring>

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

// Fills rec from the columns abbrev, name, usage and factor, the first at column
// first; false (rec untouched) when they do not fit.
bool unit_from(const Statement& q, int first, dbunit* rec) {
  dbunit r{};
  if (!copy_field(q.blob(first), r.abbrev, kUnitAbbrevSize) ||
      !copy_field(q.blob(first + 1), r.name, kUnitNameSize))
    return false;
  const int64_t usage = q.integer(first + 2);
  if (usage < INT32_MIN || usage > INT32_MAX || !q.is_number(first + 3)) return false;
  r.usage = static_cast<int32_t>(usage);
  r.factor = q.real(first + 3);
  if (!std::isfinite(r.factor) || !q.ok()) return false;
  *rec = r;
  return true;
}

// Remembers unit id (below parent) while the write lock is held.
// A usage that waits to be written stays: the row read is older.
void hold_unit(ListStore& s, int64_t id, int64_t parent, const dbunit& rec) {
  if (!s.holding()) return;
  ListStore::Held::Unit& unit = s.held.units[id];
  const int32_t usage = unit.rec.usage;
  unit.parent = parent;
  unit.rec = rec;
  if (unit.usage_unwritten) unit.rec.usage = usage;
  s.held.unit_abbrevs[std::string(rec.abbrev)] = id;
}

// Reads unit id into rec and its parent into *parent (when given).
Read read_unit(ListStore& s, int64_t id, dbunit* rec, int64_t* parent = nullptr) {
  if (id == 0) return Read::kMissing;
  if (s.holding()) {
    if (const auto it = s.held.units.find(id); it != s.held.units.end()) {
      if (rec) *rec = it->second.rec;
      if (parent) *parent = it->second.parent;
      return Read::kFound;
    }
  }
  Statement q(s.db, "SELECT abbrev, name, usage, factor, parent FROM units WHERE id = ?1");
  if (!q.bind(1, id).row()) return q.ok() ? Read::kMissing : Read::kFailed;
  dbunit r{};
  if (!unit_from(q, 0, &r)) return Read::kFailed;
  const int64_t up = q.integer(4);
  if (!q.ok()) return Read::kFailed;
  hold_unit(s, id, up, r);
  if (rec) *rec = r;
  if (parent) *parent = up;
  return Read::kFound;
}

// The unit of an abbreviation (the bytes of a terminated text that fits): its
// identifier, 0 when there is none or its row does not fit a record.
int64_t unit_by_abbrev(ListStore& s, std::span<const unsigned char> key, dbunit* rec) {
  const std::string text(key.begin(), key.end());
  if (s.holding()) {
    if (const auto it = s.held.unit_abbrevs.find(text); it != s.held.unit_abbrevs.end()) {
      return it->second != 0 && read_unit(s, it->second, rec) == Read::kFound ? it->second : 0;
    }
  }
  Statement q(s.db,
              "SELECT id, abbrev, name, usage, factor, parent FROM units WHERE abbrev = ?1");
  if (!q.bind(1, key).row()) {
    if (q.ok() && s.holding()) s.held.unit_abbrevs[text] = 0;
    return 0;
  }
  const int64_t id = q.integer(0);
  dbunit r{};
  if (id == 0 || !unit_from(q, 1, &r)) return 0;
  const int64_t parent = q.integer(5);
  if (!q.ok()) return 0;
  hold_unit(s, id, parent, r);
  *rec = r;
  return id;
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
  return static_cast<long>(dlist::list::unit_by_abbrev(*s, key, &rec));
}

long LISTCONTEXT::get_parent(long id) {
  ListStore* s = enter(impl_.get());
  if (!s) return -1;
  const int64_t unit = list_id(id);
  if (unit == 0) return -1;
  int64_t parent = -1;
  if (s->holding()) {
    if (const auto it = s->held.units.find(unit); it != s->held.units.end()) parent = it->second.parent;
  }
  if (parent < 0) {
    Statement q(s->db, "SELECT parent FROM units WHERE id = ?1");
    if (!q.bind(1, unit).row()) return -1;
    parent = q.integer(0);
  }
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
  if (!s) return 0;
  const int64_t unit = list_id(id);
  auto& held = s->held;
  const auto known = s->holding() ? held.units.find(unit) : held.units.end();
  const bool is_known = known != held.units.end();
  if (is_known && std::strcmp(known->second.rec.abbrev, rec.abbrev) == 0 &&
      std::strcmp(known->second.rec.name, rec.name) == 0 && known->second.rec.factor == rec.factor) {
    // Only the usage changes (an import counting the references): it is kept with
    // the held unit and written once, when the lock is given back.
    Change change(*s);
    if (!change) return 0;
    s->keep_usage(known->second, rec.usage);
    return change.finish() ? 1 : 0;
  }
  const int done = dlist::list::modify_row(s, dlist::list::kUnitRows, id, columns, is_known);
  if (done == 0 || !s->holding()) return done;
  if (!is_known) {
    dlist::list::forget(*s, dlist::list::kUnitRows);
    return done;
  }
  // The record as it now stands, as a read would give it.
  dbunit stored{};
  std::span<const unsigned char> abbrev, name;
  dlist::list::field_bytes(rec.abbrev, kUnitAbbrevSize, &abbrev);
  dlist::list::field_bytes(rec.name, kUnitNameSize, &name);
  if (!dlist::list::copy_field(abbrev, stored.abbrev, kUnitAbbrevSize) ||
      !dlist::list::copy_field(name, stored.name, kUnitNameSize)) {
    dlist::list::forget(*s, dlist::list::kUnitRows);
    return done;
  }
  stored.usage = rec.usage;
  stored.factor = rec.factor;
  const int64_t parent = known->second.parent;
  if (known->second.usage_unwritten) {  // the row now holds the usage
    known->second.usage_unwritten = false;
    --held.unwritten_usages;
  }
  held.unit_abbrevs.erase(std::string(known->second.rec.abbrev));
  dlist::list::hold_unit(*s, unit, parent, stored);
  return done;
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
