// Prototype record operations: the exported calls that store, change and read a
// whole element (its record, surface set, material and attribute chains) in the
// prototype store, for the 13 element kinds; the automatic prototypes of a kind
// (ModPrototype with node 0); and the kind folders of the prototype tree.
//
// The untyped calls take the element record as an `unsigned long` holding the
// address of the DB<KIND>TYPE that the kind code names; a kind outside 1 to 13 is
// refused with 0, and so is a null record. Every operation is written once over
// the kind; the exported names are thin forwarders.
#pragma once

#include "dlist/api.h"
#include "foundation/records.h"
#include "palettes/palette_records.h"

// Stores the element as a new record. The new record's identifier; 0 for a kind
// outside 1 to 13, a null record, or when the store failed.
DLIST_API long DLIST_CALL CrePrototype(unsigned long rec, int kind, DBSURFREFTYPE* surf,
                                       DBMATREFCHAIN* mat, DBATTREFCHAIN* attr);

// Replaces stored record recid (a record identifier, not a node) by the element.
// The store's result, non-zero on success; 0 for a kind outside 1 to 13 or a null
// record.
DLIST_API int DLIST_CALL MOD_PROTOTYPE(long recid, unsigned long rec, int kind, DBSURFREFTYPE* surf,
                                       DBMATREFCHAIN* mat, DBATTREFCHAIN* attr);

// Reads stored record recid into the element and its surface set and chains. The
// store's result, recid on success; 0 for a kind outside 1 to 13 or a null record.
DLIST_API long DLIST_CALL get_id_record(long recid, unsigned long rec, int kind,
                                        DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                                        DBATTREFCHAIN* attr);

// With node not 0: changes the record that prototype node carries (0 when it
// carries none). With node 0: stores the element as the automatic prototype `mode`
// of its kind, named by text 22265 (mode 0) or 22264 (mode 2), directly in the kind
// folder: the first call creates it, later calls change it. Any other mode gives 0.
// Non-zero on success. When the node of a new automatic prototype cannot be made,
// its record is removed again and 0 returned, so the store is left as it was.
DLIST_API int DLIST_CALL ModPrototype(long node, unsigned long rec, int kind, DBSURFREFTYPE* surf,
                                      DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, int mode);

// For each kind:
//   int Get<Kind>Prototype(long node, DB<KIND>TYPE* rec, DBSURFREFTYPE* surf,
//                          DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, int flag)
// (kinds 9 to 13 without surf) fills rec completely, and surf, mat and attr, from
// the record that prototype node carries. 1 on success; 0 when the node carries no
// record (a folder), the record is of another kind or cannot be read, or the copy
// cannot be made; rec is then left as it was. flag has no effect.
#define DLIST_DECLARE_PROTOTYPE_READER_WITH_SURFACES(K, Name, E) \
  DLIST_API int DLIST_CALL Get##Name##Prototype(                 \
      long node, E* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, int flag);
#define DLIST_DECLARE_PROTOTYPE_READER_WITHOUT_SURFACES(K, Name, E)                    \
  DLIST_API int DLIST_CALL Get##Name##Prototype(long node, E* rec, DBMATREFCHAIN* mat, \
                                                DBATTREFCHAIN* attr, int flag);
DLIST_KINDS_WITH_SURFACES(DLIST_DECLARE_PROTOTYPE_READER_WITH_SURFACES)
DLIST_KINDS_WITHOUT_SURFACES(DLIST_DECLARE_PROTOTYPE_READER_WITHOUT_SURFACES)
#undef DLIST_DECLARE_PROTOTYPE_READER_WITH_SURFACES
#undef DLIST_DECLARE_PROTOTYPE_READER_WITHOUT_SURFACES

// The node of kind in the prototype store: the kind folder for 1 to 13, the root for
// 0, else 0.
DLIST_API long DLIST_CALL GetTypeRoot(short kind);
