// The clipboard of defaults: copying a drawing's layer settings, its layer names and
// the default edges of ceilings, roofs, parcels and rasters (with their material and
// attribute references) to the clipboard, and pasting them into another drawing,
// possibly in another process of the same user. The clipboard classes that keep the
// blocks are the host's (host/clipboard_store.h); these operations pick the class and
// move the data between the caller's records and the class's block.
#pragma once

#include "dlist/api.h"
#include "foundation/edges.h"
#include "foundation/references.h"

// With which non-zero the layer settings (a dlist::LayerSettingsBlock), with 0 the
// layer names (a DBFOLIANAMES), at address data: saved to the clipboard when save is
// non-zero, else loaded from it. The class's result: non-zero on success; 0 for a
// null address, and for a clipboard that is empty or holds something else (the
// block is then left as it was).
DLIST_API int DLIST_CALL LayerCopyPaste(int which, int save, unsigned long data);

// The default edges of element kind (6 ceilings, 7 roofs, 8 parcels, 10 rasters):
// with save non-zero the three chains are copied to the clipboard; with 0 the chains
// are replaced by the clipboard's, record by record in their stored order. 0, with
// the chains as they were, for another kind, a null chain, a failed save, and a
// clipboard that is empty, damaged or holds something else; 1 otherwise.
DLIST_API int DLIST_CALL EdgeDefaultsCopyPaste(int save, DBEDGECHAIN* edges,
                                               DBMATREFCHAIN* materials,
                                               DBATTREFCHAIN* attributes, int kind);
