// Palette record operations: the exported calls with which the host's drawing
// modules store the presets of an element as a palette (Cre<Kind>Palette), read a
// palette back into an element record (Get<Kind>Palette) and change a palette
// (Mod<Kind>Palette), for the 13 element kinds; and the small exported helpers of
// the palette and prototype user interface: layer tests, the protected item name,
// the last manager mode, the palette report flag and the database browser entry.
//
// A palette is addressed by a palette record identifier or by the identifier of a
// palette tree node that carries it; Get and Mod accept either. The palettes of
// doors, windows, symbols and stairs go to the store as a copy whose library
// parameters were completed by the object library, so the caller's record is never
// changed by storing or changing them. The other kinds pass the caller's record
// and surface set as they stand. Every operation is written once over the kind;
// the exported names are thin forwarders.
#pragma once

#include "dlist/api.h"
#include "foundation/records.h"
#include "foundation/types.h"

// The kinds as X(code, name in function names, element record): with a surface set
// (kinds 1 to 8) and without one (kinds 9 to 13).
// clang-format off
#define DLIST_KINDS_WITH_SURFACES(X)                                        \
  X(1, Wall, DBWALLTYPE) X(2, Door, DBDOORTYPE) X(3, Wind, DBWINDTYPE)      \
  X(4, Symb, DBSYMBTYPE) X(5, Stai, DBSTAITYPE) X(6, Ceil, DBCEILTYPE)      \
  X(7, Roof, DBROOFTYPE) X(8, Parc, DBPARCTYPE)
#define DLIST_KINDS_WITHOUT_SURFACES(X)                                     \
  X(9, Text, DBTEXTTYPE) X(10, Rast, DBRASTTYPE) X(11, Line, DBLINETYPE)    \
  X(12, Circ, DBCIRCTYPE) X(13, Hots, DBHOTSTYPE)
// clang-format on

// For each kind, with `hwnd` the owner of the message boxes (may be null):
//
// long Cre<Kind>Palette(void* hwnd, DB<KIND>TYPE* rec, DBSURFREFTYPE* surf)
//   Stores the palette member of rec (and surf, kinds 1 to 8) as a palette. Returns
//   the new palette's identifier, silently. When an equal palette was stored
//   already: message 22473 (caption 22471) and that palette's identifier negated.
//   When nothing was stored: message 22470 (caption 22471) and 0. A null rec is
//   refused with 0.
//
// int Mod<Kind>Palette(void* hwnd, long* id, DB<KIND>TYPE* rec, DBSURFREFTYPE* surf)
//   Gives palette *id (palette or node identifier) the settings of rec's palette
//   member (and surf). 1 when the palette kept its identifier, silently. When the
//   store failed: message 22470 (caption 22472) and 0. When the settings equal
//   another stored palette, asks (22473, a line feed, 22474; caption 22472; Yes and
//   No with the exclamation icon) whether the references of the old palette move to
//   that one: on No returns 0; on Yes moves them and returns the move's result, and
//   *id then names the other palette. *id is left as it was whenever 0 is returned.
//
// int Get<Kind>Palette(long id, DB<KIND>TYPE* rec, DBSURFREFTYPE* surf)
//   Fills rec's palette member (and surf) from palette id (palette or node
//   identifier). Non-zero on success; 0, with rec untouched, otherwise.
//
// The kinds 9 to 13 have no surface set and their calls no surf argument.
#define DLIST_DECLARE_PALETTE_CALLS_WITH_SURFACES(K, Name, E)                                     \
  DLIST_API long DLIST_CALL Cre##Name##Palette(void* hwnd, E* rec, DBSURFREFTYPE* surf);          \
  DLIST_API int DLIST_CALL Mod##Name##Palette(void* hwnd, long* id, E* rec, DBSURFREFTYPE* surf); \
  DLIST_API int DLIST_CALL Get##Name##Palette(long id, E* rec, DBSURFREFTYPE* surf);
#define DLIST_DECLARE_PALETTE_CALLS_WITHOUT_SURFACES(K, Name, E)             \
  DLIST_API long DLIST_CALL Cre##Name##Palette(void* hwnd, E* rec);          \
  DLIST_API int DLIST_CALL Mod##Name##Palette(void* hwnd, long* id, E* rec); \
  DLIST_API int DLIST_CALL Get##Name##Palette(long id, E* rec);
DLIST_KINDS_WITH_SURFACES(DLIST_DECLARE_PALETTE_CALLS_WITH_SURFACES)
DLIST_KINDS_WITHOUT_SURFACES(DLIST_DECLARE_PALETTE_CALLS_WITHOUT_SURFACES)
#undef DLIST_DECLARE_PALETTE_CALLS_WITH_SURFACES
#undef DLIST_DECLARE_PALETTE_CALLS_WITHOUT_SURFACES

// 1 when layer (numbered from 1) is active in layer set `layerset` of the module's
// layer-set table, 0 when its byte there is 2 (inactive). A negative layer set means
// none: 1. Whatever the table does not hold answers 1 as well, since nothing marks
// it inactive: layer 0 (no layer has that number), a layer set beyond the table,
// and a module without a table.
DLIST_API int DLIST_CALL IsLayerActive(MODULTYPE module, int layerset, unsigned char layer);

// The host's answer whether layer is a layer number, unchanged.
DLIST_API int DLIST_CALL IsLayerValide(unsigned char layer);

// 1 when name equals text 22265 (the name of the prototype tree item that the
// manager protects) byte for byte, case-sensitively; else 0, also for null.
DLIST_API int DLIST_CALL IsProtectedItem(char* name);

// The last palette manager mode: 1 when the palette tree, 0 when the prototype tree
// was shown last. Module-wide, 0 at load.
DLIST_API int DLIST_CALL LastProtoMode(void);
DLIST_API void DLIST_CALL LastProtoMode(int mode);

// The palette report flag: when non-zero the palette trees label each palette with
// its reference counts. Module-wide, 0 at load.
DLIST_API void DLIST_CALL SetPalReport(int on);
DLIST_API int DLIST_CALL GetPalReport(void);

// Diagnostic entry: passes text (when not null) to DiagnosticOut, then opens the
// host's database browser on record id, owned by the active window.
DLIST_API void DLIST_CALL DBW(long id, char* text);
