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

// What the cursors of a kind of record call on their context: the removal and, for
// the kinds whose records form one flat list, the identifiers of that list.
template <class Rec>
struct CursorKind;
template <>
struct CursorKind<dbunit> {
  static constexpr int (LISTCONTEXT::*remove)(long) = &LISTCONTEXT::remove_unit;
};
template <>
struct CursorKind<dbmarket> {
  static constexpr int (LISTCONTEXT::*remove)(long) = &LISTCONTEXT::remove_market;
  static constexpr long (LISTCONTEXT::*ids)(std::vector<long>&) = &LISTCONTEXT::market_ids;
};
template <>
struct CursorKind<dbsubprice> {
  static constexpr int (LISTCONTEXT::*remove)(long) = &LISTCONTEXT::remove_subprice;
  static constexpr long (LISTCONTEXT::*ids)(std::vector<long>&) = &LISTCONTEXT::subprice_ids;
};

// The steps of a cursor over records of type Rec, the same for every kind: the
// cursor passes its context, the identifier it stands on (`at`), its record and
// its walk.
template <class Rec>
struct CursorSteps {
  using Kind = CursorKind<Rec>;

  static int read(LISTCONTEXT* task, const DBElem& at, Rec& data) {
    if (!task || at.elemid() <= 0) return 0;
    return task->get(at.elemid(), data) > 0 ? 1 : 0;
  }
  static int update(LISTCONTEXT* task, const DBElem& at, const Rec& data) {
    if (!task || at.elemid() <= 0) return 0;
    return task->modify(at.elemid(), data) != 0 ? 1 : 0;
  }
  static int remove(LISTCONTEXT* task, DBElem& at) {
    if (!task || at.elemid() <= 0 || (task->*Kind::remove)(at.elemid()) == 0) return 0;
    at.elemid(0);
    return 1;
  }

  // The walk over the whole flat list.
  static int rewind(LISTCONTEXT* task, std::vector<long>& walk, std::size_t& next) {
    walk.clear();
    next = 0;
    return task && (task->*Kind::ids)(walk) >= 0 ? 1 : 0;
  }
  static int next(LISTCONTEXT* task, const std::vector<long>& walk, std::size_t& next, DBElem& at,
                  Rec& data) {
    if (!task) return 0;
    LISTCONTEXT& library = *task;
    const long id = next_readable(
        walk, &next, [&](long r) { return library.get(r, data); },
        [&](long r) {
          return listed(r, [&](std::vector<long>& ids) { return (library.*Kind::ids)(ids); });
        });
    if (id <= 0) return 0;
    at.elemid(id);
    return 1;
  }
  // Creates a record of a flat list and moves onto it.
  static int create(LISTCONTEXT* task, DBElem& at, const Rec& data) {
    if (!task) return 0;
    const long id = task->create(data);
    if (id <= 0) return 0;
    at.elemid(id);
    return 1;
  }
};

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

int Unit::read() { return CursorSteps<dbunit>::read(task(), *this, data); }

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

int Unit::update() { return CursorSteps<dbunit>::update(task(), *this, data); }

int Unit::remove() { return CursorSteps<dbunit>::remove(task(), *this); }

// ---- Market ----------------------------------------------------------------------------

Market::Market(LISTCONTEXT* task, long id) : ListElem(task), DBElem(id) {}

int Market::read() { return CursorSteps<dbmarket>::read(task(), *this, data); }
int Market::rewind() { return CursorSteps<dbmarket>::rewind(task(), walk_, next_); }
int Market::next() { return CursorSteps<dbmarket>::next(task(), walk_, next_, *this, data); }
int Market::create() { return CursorSteps<dbmarket>::create(task(), *this, data); }
int Market::update() { return CursorSteps<dbmarket>::update(task(), *this, data); }
int Market::remove() { return CursorSteps<dbmarket>::remove(task(), *this); }

// ---- Subprice --------------------------------------------------------------------------

Subprice::Subprice(LISTCONTEXT* task, long id) : ListElem(task), DBElem(id) {}

int Subprice::read() { return CursorSteps<dbsubprice>::read(task(), *this, data); }
int Subprice::rewind() { return CursorSteps<dbsubprice>::rewind(task(), walk_, next_); }
int Subprice::next() { return CursorSteps<dbsubprice>::next(task(), walk_, next_, *this, data); }
int Subprice::create() { return CursorSteps<dbsubprice>::create(task(), *this, data); }
int Subprice::update() { return CursorSteps<dbsubprice>::update(task(), *this, data); }
int Subprice::remove() { return CursorSteps<dbsubprice>::remove(task(), *this); }
