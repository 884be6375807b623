// The price records of the library: the subprice references of materials, the
// markets and the subprices.
#include <cmath>

#include "host/list/list_internal.h"

namespace dlist::list {
namespace {

// The columns of a subprice; false when it may not be written: its abbreviation is
// empty, a text does not fit its width, its kind is not one of the four or its
// value is not a finite number.
bool subprice_columns(const dbsubprice& rec, Columns* c) {
  std::span<const unsigned char> abbrev, name, formula;
  if (!field_bytes(rec.abbrev, kUnitAbbrevSize, &abbrev) || abbrev.empty() ||
      !field_bytes(rec.name, kSubpriceNameSize, &name) ||
      !field_bytes(rec.formula, kFormulaSize, &formula) || rec.kind < SUBPRICE_FORMULA ||
      rec.kind > SUBPRICE_INFO || !std::isfinite(rec.value))
    return false;
  c->text(abbrev).text(name).integer(static_cast<int64_t>(rec.kind)).real(rec.value).text(formula);
  return true;
}

// The columns of a subprice reference; false when its abbreviation is empty or does
// not fit, or its value is not a finite number.
bool subprice_ref_columns(const subpriceref& rec, Columns* c) {
  std::span<const unsigned char> abbrev;
  if (!field_bytes(rec.abbrev, kUnitAbbrevSize, &abbrev) || abbrev.empty() ||
      !std::isfinite(rec.value))
    return false;
  c->text(abbrev).real(rec.value);
  return true;
}

// The columns of a market; false when its name is empty or does not fit.
bool market_columns(const dbmarket& rec, Columns* c) {
  std::span<const unsigned char> name;
  if (!field_bytes(rec.name, kMarketNameSize, &name) || name.empty()) return false;
  c->text(name);
  return true;
}

// Fills rec from the columns abbrev and value, the first at column first; false
// (rec untouched) when they do not fit.
bool subprice_ref_from(const Statement& q, int first, subpriceref* rec) {
  subpriceref r{};
  if (!copy_field(q.blob(first), r.abbrev, kUnitAbbrevSize) || !q.is_number(first + 1))
    return false;
  r.value = q.real(first + 1);
  if (!std::isfinite(r.value)) return false;
  *rec = r;
  return true;
}

Read read_subprice_ref(ListStore& s, int64_t id, subpriceref* rec) {
  Statement q(s.db, "SELECT abbrev, value FROM subprice_refs WHERE id = ?1");
  if (!q.bind(1, id).row()) return q.ok() ? Read::kMissing : Read::kFailed;
  return subprice_ref_from(q, 0, rec) ? Read::kFound : Read::kFailed;
}

Read read_market(ListStore& s, int64_t id, dbmarket* rec) {
  if (id == 0) return Read::kMissing;
  Statement q(s.db, "SELECT name FROM markets WHERE id = ?1");
  if (!q.bind(1, id).row()) return q.ok() ? Read::kMissing : Read::kFailed;
  dbmarket r{};
  if (!copy_field(q.blob(0), r.name, kMarketNameSize) || !q.ok()) return Read::kFailed;
  *rec = r;
  return Read::kFound;
}

Read read_subprice(ListStore& s, int64_t id, dbsubprice* rec) {
  if (id == 0) return Read::kMissing;
  Statement q(s.db, "SELECT abbrev, name, kind, value, formula FROM subprices WHERE id = ?1");
  if (!q.bind(1, id).row()) return q.ok() ? Read::kMissing : Read::kFailed;
  dbsubprice r{};
  if (!copy_field(q.blob(0), r.abbrev, kUnitAbbrevSize) ||
      !copy_field(q.blob(1), r.name, kSubpriceNameSize) ||
      !copy_field(q.blob(4), r.formula, kFormulaSize) || !q.is_number(3))
    return Read::kFailed;
  const int64_t kind = q.integer(2);
  if (kind < SUBPRICE_FORMULA || kind > SUBPRICE_INFO) return Read::kFailed;
  r.kind = static_cast<SUBPRICETYPE>(kind);
  r.value = q.real(3);
  if (!std::isfinite(r.value) || !q.ok()) return Read::kFailed;
  *rec = r;
  return Read::kFound;
}

// The identifier of the row whose column equals key (a terminated text); 0 when
// none or the key cannot be stored in width, -1 when the read failed.
int64_t find_by_text(ListStore& s, const char* sql, const char* key, int width) {
  if (!key) return 0;
  const auto bytes = text_bytes(key);
  if (bytes.empty() || bytes.size() >= static_cast<std::size_t>(width)) return 0;
  Statement q(s.db, sql);
  const bool found = q.bind(1, bytes).row();
  if (!q.ok()) return -1;
  return found ? q.integer(0) : 0;
}

// The facts of the library's two flat lists: the walk of the context, the rows in
// creation order, the look-up by a key text of its width and the reader.
template <class Rec>
struct FlatList;
template <>
struct FlatList<dbmarket> {
  static constexpr Walk ListStore::*walk = &ListStore::markets;
  static constexpr const char* all = "SELECT id FROM markets ORDER BY id";
  static constexpr const char* find = "SELECT id FROM markets WHERE name = ?1";
  static constexpr int key_width = kMarketNameSize;
  static constexpr auto held = &ListStore::Held::markets;
  static Read read(ListStore& s, int64_t id, dbmarket* rec) { return read_market(s, id, rec); }
};
template <>
struct FlatList<dbsubprice> {
  static constexpr Walk ListStore::*walk = &ListStore::subprices;
  static constexpr const char* all = "SELECT id FROM subprices ORDER BY id";
  static constexpr const char* find = "SELECT id FROM subprices WHERE abbrev = ?1";
  static constexpr int key_width = kUnitAbbrevSize;
  static constexpr auto held = &ListStore::Held::subprices;
  static Read read(ListStore& s, int64_t id, dbsubprice* rec) { return read_subprice(s, id, rec); }
};

// The calls of a flat list, as LISTCONTEXT's rewind_*, get and find_* describe them.
template <class Rec>
long rewind_list(ListStore* s) {
  if (!s) return -1;
  Statement q(s->db, FlatList<Rec>::all);
  return start_walk(q, s->*FlatList<Rec>::walk);
}

template <class Rec>
long next_in_list(ListStore* s, Rec& rec) {
  if (!s) return -1;
  return walk_next(s, s->*FlatList<Rec>::walk,
                   [&](int64_t id) { return FlatList<Rec>::read(*s, id, &rec); });
}

template <class Rec>
long get_from_list(ListStore* s, long id, Rec& rec) {
  if (!s) return 0;
  return FlatList<Rec>::read(*s, list_id(id), &rec) == Read::kFound ? id : 0;
}

// While the write lock is held, what a look-up found (or that it found nothing) is
// remembered until the list changes.
template <class Rec>
long find_in_list(ListStore* s, const char* key, Rec& rec) {
  if (!s) return 0;
  auto& held = s->held.*FlatList<Rec>::held;
  const bool holding = s->holding() && key != nullptr;
  if (holding) {
    if (const auto it = held.find(key); it != held.end()) {
      if (it->second.first != 0) rec = it->second.second;
      return static_cast<long>(it->second.first);
    }
  }
  const int64_t id = find_by_text(*s, FlatList<Rec>::find, key, FlatList<Rec>::key_width);
  Rec found{};
  const Read r = id > 0 ? FlatList<Rec>::read(*s, id, &found) : Read::kMissing;
  if (holding && (id == 0 || r == Read::kFound)) held[key] = {id, found};
  if (r != Read::kFound) return 0;
  rec = found;
  return static_cast<long>(id);
}

}  // namespace
}  // namespace dlist::list

using dlist::Statement;
using dlist::list::Change;
using dlist::list::enter;
using dlist::list::list_id;
using dlist::list::ListStore;
using dlist::list::Read;

// ---- subprice references ---------------------------------------------------------------

long LISTCONTEXT::rewind_subprice_ref(long material) {
  ListStore* s = enter(impl_.get());
  if (!s) return -1;
  s->subprice_refs.reset();
  const int64_t id = list_id(material);
  if (id == 0) return -1;
  return dlist::list::start_ref_walk(
      s, s->subprice_refs, "SELECT id, abbrev, value FROM subprice_refs WHERE material = ?1 ORDER BY id", id,
      dlist::list::subprice_ref_from);
}

long LISTCONTEXT::get(subpriceref& rec) {
  ListStore* s = enter(impl_.get());
  return dlist::list::row_walk_next(s, s ? s->subprice_refs : impl_->subprice_refs, &rec,
                                    [&](int64_t id, subpriceref* r) {
                                      return dlist::list::read_subprice_ref(*s, id, r);
                                    });
}

long LISTCONTEXT::create(long material, const subpriceref& rec) {
  ListStore* s = enter(impl_.get());
  dlist::list::Columns columns;
  if (!dlist::list::subprice_ref_columns(rec, &columns)) return 0;
  return dlist::list::create_row(s, dlist::list::kSubpriceRefRows, material, columns);
}

int LISTCONTEXT::modify(long id, const subpriceref& rec) {
  ListStore* s = enter(impl_.get());
  dlist::list::Columns columns;
  if (!dlist::list::subprice_ref_columns(rec, &columns)) return 0;
  return dlist::list::modify_row(s, dlist::list::kSubpriceRefRows, id, columns);
}

int LISTCONTEXT::remove_subprice_ref(long id) {
  return dlist::list::remove_row(enter(impl_.get()), dlist::list::kSubpriceRefRows, id);
}

// ---- markets ---------------------------------------------------------------------------

long LISTCONTEXT::rewind_market() {
  return dlist::list::rewind_list<dbmarket>(enter(impl_.get()));
}

long LISTCONTEXT::get(dbmarket& rec) {
  return dlist::list::next_in_list(enter(impl_.get()), rec);
}

long LISTCONTEXT::get(long id, dbmarket& rec) {
  return dlist::list::get_from_list(enter(impl_.get()), id, rec);
}

long LISTCONTEXT::find_market(const char* name, dbmarket& rec) {
  return dlist::list::find_in_list(enter(impl_.get()), name, rec);
}

long LISTCONTEXT::create(const dbmarket& rec) {
  ListStore* s = enter(impl_.get());
  dlist::list::Columns columns;
  if (!dlist::list::market_columns(rec, &columns)) return 0;
  return dlist::list::create_row(s, dlist::list::kMarketRows, 0, columns);
}

int LISTCONTEXT::modify(long id, const dbmarket& rec) {
  ListStore* s = enter(impl_.get());
  dlist::list::Columns columns;
  if (!dlist::list::market_columns(rec, &columns)) return 0;
  return dlist::list::modify_row(s, dlist::list::kMarketRows, id, columns);
}

int LISTCONTEXT::remove_market(long id) {
  return dlist::list::remove_row(enter(impl_.get()), dlist::list::kMarketRows, id);
}

// ---- subprices -------------------------------------------------------------------------

long LISTCONTEXT::rewind_subprice() {
  return dlist::list::rewind_list<dbsubprice>(enter(impl_.get()));
}

long LISTCONTEXT::get(dbsubprice& rec) {
  return dlist::list::next_in_list(enter(impl_.get()), rec);
}

long LISTCONTEXT::get(long id, dbsubprice& rec) {
  return dlist::list::get_from_list(enter(impl_.get()), id, rec);
}

long LISTCONTEXT::find_subprice(const char* abbrev, dbsubprice& rec) {
  return dlist::list::find_in_list(enter(impl_.get()), abbrev, rec);
}

long LISTCONTEXT::create(const dbsubprice& rec) {
  ListStore* s = enter(impl_.get());
  dlist::list::Columns columns;
  if (!dlist::list::subprice_columns(rec, &columns)) return 0;
  return dlist::list::create_row(s, dlist::list::kSubpriceRows, 0, columns);
}

int LISTCONTEXT::modify(long id, const dbsubprice& rec) {
  ListStore* s = enter(impl_.get());
  dlist::list::Columns columns;
  if (!dlist::list::subprice_columns(rec, &columns)) return 0;
  return dlist::list::modify_row(s, dlist::list::kSubpriceRows, id, columns);
}

int LISTCONTEXT::remove_subprice(long id) {
  return dlist::list::remove_row(enter(impl_.get()), dlist::list::kSubpriceRows, id);
}
