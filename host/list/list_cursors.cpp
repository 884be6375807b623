// The cursors of the material library: a record at hand and the identifier it was
// read from, moved by walks that the cursor keeps itself (so they never disturb a
// walk of the context).
#include <algorithm>

#include "host/list/list_internal.h"

namespace {

// The next identifier of a cursor's walk whose record reads; 0 at the end or when a
// record that still exists cannot be read. Records removed since the walk began are
// skipped (exists(id) tells).
template <class Read, class Exists>
long next_readable(const std::vector<long>& walk, std::size_t* next, Read read, Exists exists) {
  while (*next < walk.size()) {
    const long id = walk[(*next)++];
    if (read(id) > 0) return id;
    if (exists(id)) return 0;
  }
  return 0;
}

// Whether id is among the identifiers that list(ids) gives now.
template <class List>
bool listed(long id, List list) {
  std::vector<long> ids;
  return list(ids) >= 0 && std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

// ---- Material ------------------------------------------------------------------------

Material::Material(LISTCONTEXT* task, long id) : ListElem(task), DBElem(id) {}

int Material::read() {
  if (!task() || elemid() <= 0) return 0;
  return task()->get(elemid(), data, texts) > 0 ? 1 : 0;
}

int Material::root() {
  walk_.clear();
  next_ = 0;
  if (!task() || task()->material_ids(walk_) < 0) return 0;
  return get();
}

int Material::get() {
  if (!task()) return 0;
  LISTCONTEXT& library = *task();
  const long id = next_readable(
      walk_, &next_, [&](long m) { return library.get(m, data, texts); },
      [&](long m) { return library.get_parent_material(m) >= 0; });
  if (id <= 0) return 0;
  elemid(id);
  return 1;
}

int Material::parent() {
  if (!task() || elemid() <= 0) return 0;
  const long up = task()->get_parent_material(elemid());
  if (up <= 0 || task()->get(up, data, texts) <= 0) return 0;
  elemid(up);
  return 1;
}

int Material::create() {
  if (!task() || elemid() < 0) return 0;
  const long id = task()->create(elemid(), data, texts);
  if (id <= 0) return 0;
  for (int i = 0; i < kLongTextCount; ++i)
    data.long_text_length[i] = static_cast<int32_t>(texts[i].size());
  elemid(id);
  return 1;
}

int Material::update() {
  if (!task() || elemid() <= 0) return 0;
  if (task()->modify(elemid(), data, texts) == 0) return 0;
  for (int i = 0; i < kLongTextCount; ++i)
    data.long_text_length[i] = static_cast<int32_t>(texts[i].size());
  return 1;
}

int Material::remove() {
  if (!task() || elemid() <= 0 || task()->remove_material(elemid()) == 0) return 0;
  elemid(0);
  return 1;
}

// ---- Unit ------------------------------------------------------------------------------

Unit::Unit(LISTCONTEXT* task, long id) : ListElem(task), DBElem(id) {}

int Unit::read() {
  if (!task() || elemid() <= 0) return 0;
  return task()->get(elemid(), data) > 0 ? 1 : 0;
}

int Unit::root() {
  walk_.clear();
  next_ = 0;
  if (!task() || task()->unit_ids(walk_) < 0) return 0;
  return get();
}

int Unit::get() {
  if (!task()) return 0;
  LISTCONTEXT& library = *task();
  const long id = next_readable(
      walk_, &next_, [&](long u) { return library.get(u, data); },
      [&](long u) { return library.get_parent(u) >= 0; });
  if (id <= 0) return 0;
  elemid(id);
  return 1;
}

int Unit::rewind() {
  children_.clear();
  next_child_ = 0;
  if (!task() || elemid() < 0) return 0;
  return task()->unit_children(elemid(), children_) >= 0 ? 1 : 0;
}

int Unit::next() {
  if (!task()) return 0;
  LISTCONTEXT& library = *task();
  const long id = next_readable(
      children_, &next_child_, [&](long u) { return library.get(u, data); },
      [&](long u) { return library.get_parent(u) >= 0; });
  if (id <= 0) return 0;
  elemid(id);
  return 1;
}

int Unit::create(long parent) {
  if (!task()) return 0;
  const long id = task()->create(parent, data);
  if (id <= 0) return 0;
  elemid(id);
  return 1;
}

int Unit::update() {
  if (!task() || elemid() <= 0) return 0;
  return task()->modify(elemid(), data) != 0 ? 1 : 0;
}

int Unit::remove() {
  if (!task() || elemid() <= 0 || task()->remove_unit(elemid()) == 0) return 0;
  elemid(0);
  return 1;
}

// ---- Market ----------------------------------------------------------------------------

Market::Market(LISTCONTEXT* task, long id) : ListElem(task), DBElem(id) {}

int Market::read() {
  if (!task() || elemid() <= 0) return 0;
  return task()->get(elemid(), data) > 0 ? 1 : 0;
}

int Market::rewind() {
  walk_.clear();
  next_ = 0;
  return task() && task()->market_ids(walk_) >= 0 ? 1 : 0;
}

int Market::next() {
  if (!task()) return 0;
  LISTCONTEXT& library = *task();
  const long id = next_readable(
      walk_, &next_, [&](long m) { return library.get(m, data); },
      [&](long m) { return listed(m, [&](std::vector<long>& ids) { return library.market_ids(ids); }); });
  if (id <= 0) return 0;
  elemid(id);
  return 1;
}

int Market::create() {
  if (!task()) return 0;
  const long id = task()->create(data);
  if (id <= 0) return 0;
  elemid(id);
  return 1;
}

int Market::update() {
  if (!task() || elemid() <= 0) return 0;
  return task()->modify(elemid(), data) != 0 ? 1 : 0;
}

int Market::remove() {
  if (!task() || elemid() <= 0 || task()->remove_market(elemid()) == 0) return 0;
  elemid(0);
  return 1;
}

// ---- Subprice --------------------------------------------------------------------------

Subprice::Subprice(LISTCONTEXT* task, long id) : ListElem(task), DBElem(id) {}

int Subprice::read() {
  if (!task() || elemid() <= 0) return 0;
  return task()->get(elemid(), data) > 0 ? 1 : 0;
}

int Subprice::rewind() {
  walk_.clear();
  next_ = 0;
  return task() && task()->subprice_ids(walk_) >= 0 ? 1 : 0;
}

int Subprice::next() {
  if (!task()) return 0;
  LISTCONTEXT& library = *task();
  const long id = next_readable(
      walk_, &next_, [&](long m) { return library.get(m, data); },
      [&](long m) { return listed(m, [&](std::vector<long>& ids) { return library.subprice_ids(ids); }); });
  if (id <= 0) return 0;
  elemid(id);
  return 1;
}

int Subprice::create() {
  if (!task()) return 0;
  const long id = task()->create(data);
  if (id <= 0) return 0;
  elemid(id);
  return 1;
}

int Subprice::update() {
  if (!task() || elemid() <= 0) return 0;
  return task()->modify(elemid(), data) != 0 ? 1 : 0;
}

int Subprice::remove() {
  if (!task() || elemid() <= 0 || task()->remove_subprice(elemid()) == 0) return 0;
  elemid(0);
  return 1;
}
