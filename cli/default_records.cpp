// Storing the default record of a kind, through the exported palette and
// prototype calls, as the suite's drawing modules would.
#include "cli/default_records.h"

#include "foundation/element_kinds.h"
#include "foundation/records.h"
#include "palettes/palette_records.h"
#include "palettes/prototype_records.h"

namespace dlist::cli {
namespace {

// Cre<Kind>Palette of a default element; its result (negated for an equal
// palette stored already, 0 when nothing was stored).
long create_palette(int kind) {
  switch (kind) {
#define DLIST_CREATE_WITH_SURFACES(K, Name, E)       \
  case K: {                                          \
    E rec;                                           \
    DBSURFREFTYPE surf;                              \
    return Cre##Name##Palette(nullptr, &rec, &surf); \
  }
#define DLIST_CREATE_WITHOUT_SURFACES(K, Name, E) \
  case K: {                                       \
    E rec;                                        \
    return Cre##Name##Palette(nullptr, &rec);     \
  }
    DLIST_KINDS_WITH_SURFACES(DLIST_CREATE_WITH_SURFACES)
    DLIST_KINDS_WITHOUT_SURFACES(DLIST_CREATE_WITHOUT_SURFACES)
#undef DLIST_CREATE_WITH_SURFACES
#undef DLIST_CREATE_WITHOUT_SURFACES
    default:
      return 0;
  }
}

}  // namespace

StoredRecord store_default_palette(int kind) {
  const long id = create_palette(kind);
  if (id < 0) return {-id, true};
  return {id, false};
}

StoredRecord store_default_prototype(int kind) {
  long id = 0;
  visit_kind(kind, [&](auto k) {
    typename decltype(k)::element rec;
    DBSURFREFTYPE surf;
    DBMATREFCHAIN mat;
    DBATTREFCHAIN attr;
    id = CrePrototype(reinterpret_cast<unsigned long>(&rec), kind,
                      decltype(k)::facts.has_surfaces ? &surf : nullptr, &mat, &attr);
  });
  return {id > 0 ? id : 0, false};
}

}  // namespace dlist::cli
