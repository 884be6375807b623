// Entry points into the model database that the system passes on, so that the
// host's modules need only this library: element identifiers in lists, the
// database browser and the views dialog, the storey of an element, the name of a
// storey, a plan's layer names, and whether a name is taken in the palette or
// prototype tree.
#pragma once

#include "dlist/api.h"
#include "foundation/plan_records.h"

// Room of ElemidToStorey's output ("number. name"), terminator included; a longer
// text is cut.
inline constexpr int kStoreyTextSize = 48;

// The text form of element into out (kListIdSize of host/model/element_ids.h);
// the host's result.
DLIST_API int DLIST_CALL _ElemidToListId(long element, char* out);
// The element that a text form names; 0 for none.
DLIST_API long DLIST_CALL _ListIdToElemid(char* text);
DLIST_API int DLIST_CALL _CrtDatabaseWandler(void* parent, long id);
// The host's views dialog; its result.
DLIST_API int DLIST_CALL Views(void* parent, char* text);

// "number. name" of the storey that element stands on into out (kStoreyTextSize
// bytes): 1; 0, with out untouched, when it stands on none.
DLIST_API int DLIST_CALL ElemidToStorey(long element, char* out);
// The name of storey number of the plan named plan into out (kStoreyNameSize
// bytes): 1; 0, with out untouched, when there is no such storey.
DLIST_API int DLIST_CALL GetFloorName(char* plan, short number, char* out);
// The layer names of the plan named plan: 1; 0 when there is no such plan or its
// names cannot be read.
DLIST_API int DLIST_CALL GetLayerNames(char* plan, DBFOLIANAMES* names);

// 1 when parent of the palette / prototype tree has a child named name (or the name
// is empty); the flag is passed on.
DLIST_API int DLIST_CALL IsPaletteItemName(long parent, char* name, int flag);
DLIST_API int DLIST_CALL IsPrototypeItemName(long parent, char* name, int flag);
