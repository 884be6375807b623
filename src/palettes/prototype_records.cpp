// Prototype record operations, written once over the element kind: the untyped
// calls dispatch on the kind code, the typed readers are forwarders of one template,
// and the automatic prototypes are found or made in the kind folder.

#include "palettes/prototype_records.h"

#include <type_traits>

#include "foundation/element_kinds.h"
#include "host/model/prototype_store.h"
#include "host/resources.h"
#include "palettes/host_calls.h"

// The untyped calls carry an element's address in an unsigned long.
static_assert(sizeof(unsigned long) >= sizeof(void*),
              "an unsigned long must hold the address of an element record");

namespace dlist {
namespace {

// Names of the automatic prototypes.
constexpr unsigned kAutomaticName0 = 22265;
constexpr unsigned kAutomaticName2 = 22264;
// Level of a prototype directly in its kind folder.
constexpr int16_t kAutomaticLevel = -2;

template <int K>
using ElementOf = typename Kind<K>::element;

template <int K>
ElementOf<K>* element_at(unsigned long rec) {
  return reinterpret_cast<ElementOf<K>*>(rec);
}

// Runs call(Kind<K>{}) for the kind code and returns its result; `refused` for a
// kind outside 1 to 13.
template <class R, class F>
R for_kind(int kind, R refused, F&& call) {
  R result = refused;
  visit_kind(kind, [&](auto k) { result = call(k); });
  return result;
}

// Copies source whole into target; false, with target as it was, when the copy
// could not be made.
template <class E>
bool copy_into(E& target, const E& source) {
  if constexpr (std::is_same_v<decltype(target.full_copy(source)), bool>) {
    return target.full_copy(source);
  } else {
    target.full_copy(source);
    return target == source;
  }
}

template <int K>
int read_prototype(long node, ElementOf<K>* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                   DBATTREFCHAIN* attr) {
  if (!rec) return 0;
  PROTOTYPES store;
  const long recid = store.get_id_prototype(node);
  if (recid <= 0) return 0;
  ElementOf<K> local;
  if (HostCalls<K>::get_record(recid, &local, surf, mat, attr) <= 0) return 0;
  return copy_into(*rec, local) ? 1 : 0;
}

// Stores the element as the automatic prototype `mode` of kind (1 to 13).
int store_automatic_prototype(unsigned long rec, int kind, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                              DBATTREFCHAIN* attr, int mode) {
  DBPROTOTYPENODE node;
  node.level = kAutomaticLevel;
  node.kind = static_cast<int16_t>(kind);
  LoadStr(nullptr, mode == 0 ? kAutomaticName0 : kAutomaticName2, node.name, sizeof node.name);

  PROTOTYPES store;
  const long found = store.find(node);
  if (found > 0) {
    const long record = store.get_id_prototype(found);
    return record > 0 && MOD_PROTOTYPE(record, rec, kind, surf, mat, attr) != 0 ? 1 : 0;
  }
  const long folder = store.get_root(static_cast<short>(kind));
  if (folder <= 0) return 0;
  const long record = CrePrototype(rec, kind, surf, mat, attr);
  if (record <= 0) return 0;
  if (store.cre_node(folder, node, record) > 0) return 1;
  // A record that no node carries is never reached again: take it back.
  store.del_record(record, 0);
  return 0;
}

}  // namespace
}  // namespace dlist

long DLIST_CALL CrePrototype(unsigned long rec, int kind, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                             DBATTREFCHAIN* attr) {
  return dlist::for_kind(kind, 0L, [&](auto k) -> long {
    constexpr int K = decltype(k)::kind;
    auto* element = dlist::element_at<K>(rec);
    if (!element) return 0;
    const long id = dlist::HostCalls<K>::cre_record(element, surf, mat, attr);
    return id > 0 ? id : 0;
  });
}

int DLIST_CALL MOD_PROTOTYPE(long recid, unsigned long rec, int kind, DBSURFREFTYPE* surf,
                             DBMATREFCHAIN* mat, DBATTREFCHAIN* attr) {
  return dlist::for_kind(kind, 0, [&](auto k) -> int {
    constexpr int K = decltype(k)::kind;
    auto* element = dlist::element_at<K>(rec);
    return element ? dlist::HostCalls<K>::mod_record(recid, element, surf, mat, attr) : 0;
  });
}

long DLIST_CALL get_id_record(long recid, unsigned long rec, int kind, DBSURFREFTYPE* surf,
                              DBMATREFCHAIN* mat, DBATTREFCHAIN* attr) {
  return dlist::for_kind(kind, 0L, [&](auto k) -> long {
    constexpr int K = decltype(k)::kind;
    auto* element = dlist::element_at<K>(rec);
    return element ? dlist::HostCalls<K>::get_record(recid, element, surf, mat, attr) : 0;
  });
}

int DLIST_CALL ModPrototype(long node, unsigned long rec, int kind, DBSURFREFTYPE* surf,
                            DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, int mode) {
  if (!dlist::kind_facts(kind)) return 0;
  if (node != 0) {
    PROTOTYPES store;
    const long record = store.get_id_prototype(node);
    return record > 0 ? MOD_PROTOTYPE(record, rec, kind, surf, mat, attr) : 0;
  }
  if (mode != 0 && mode != 2) return 0;
  return dlist::store_automatic_prototype(rec, kind, surf, mat, attr, mode);
}

#define DLIST_DEFINE_PROTOTYPE_READER_WITH_SURFACES(K, Name, E)                                   \
  int DLIST_CALL Get##Name##Prototype(long node, E* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat, \
                                      DBATTREFCHAIN* attr, int) {                                 \
    return dlist::read_prototype<K>(node, rec, surf, mat, attr);                                  \
  }
#define DLIST_DEFINE_PROTOTYPE_READER_WITHOUT_SURFACES(K, Name, E)                                \
  int DLIST_CALL Get##Name##Prototype(long node, E* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, \
                                      int) {                                                      \
    return dlist::read_prototype<K>(node, rec, nullptr, mat, attr);                               \
  }
DLIST_KINDS_WITH_SURFACES(DLIST_DEFINE_PROTOTYPE_READER_WITH_SURFACES)
DLIST_KINDS_WITHOUT_SURFACES(DLIST_DEFINE_PROTOTYPE_READER_WITHOUT_SURFACES)
#undef DLIST_DEFINE_PROTOTYPE_READER_WITH_SURFACES
#undef DLIST_DEFINE_PROTOTYPE_READER_WITHOUT_SURFACES

long DLIST_CALL GetTypeRoot(short kind) {
  PROTOTYPES store;
  return store.get_root(kind);
}
