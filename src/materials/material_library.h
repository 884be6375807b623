// The material library operations: removing records with the user's confirmation,
// purging a library, copying one material's prices onto another, the questions
// about units and dimensions, the display names of materials and units, and the
// internal operations that the list files and the material dialogs build on
// (releasing references, collecting a subtree, dimension numbers and masks, the
// unit tree of a dialog).
//
// A dimension is a root unit whose abbreviation is "##" followed by its number 0 to
// 31; its basic unit is a child whose factor lies within kBasicUnitTolerance of 1
// (strictly). Lists of identifiers are CRAS<long,4>, cleared first.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "foundation/arrays.h"
#include "foundation/material_records.h"

class LISTCONTEXT;
class Market;
class Subprice;
class Unit;
class Material;
struct _TREEITEM;

inline constexpr double kBasicUnitTolerance = 1e-6;
inline constexpr int kMaxDimensions = 32;
// Room the display-name operations need in their output buffer: the text is cut
// to fit, terminator included.
inline constexpr int kLinkedNameSize = 512;
// Room of GetActMaterialDbPath's output, terminator included.
inline constexpr int kMaterialDbPathSize = 260;
// Room of GetCurrencySymbol's output, terminator included.
inline constexpr int kCurrencySymbolSize = 16;

// ---- removing records ------------------------------------------------------------
// The user is asked first (Yes/No, exclamation icon, the record's name as caption,
// the stored one when the cursor's record is empty); No returns 0 and changes
// nothing. Otherwise the host's result.

// Always ask, also without a window.
DLIST_API int DLIST_CALL RemoveMarket(void* window, Market* market);
DLIST_API int DLIST_CALL RemoveSubprice(void* window, Subprice* subprice);
// Asks only when a window is given: one question for a unit, another for a
// dimension.
DLIST_API int DLIST_CALL RemoveUnit(void* window, Unit* unit);
// Under the write lock: asks when a window is given and ask is non-zero, then
// releases the references of the material and of its subtree and removes it. When
// a step fails the transaction (also an enclosing one) is abandoned, so no
// reference stays released while its material stays.
DLIST_API int DLIST_CALL RemoveMaterial(void* window, Material* material, int ask);
// Each under the write lock, without questions. RemoveAllMaterial stops at the
// first material that cannot be removed (the transaction is then abandoned).
DLIST_API void DLIST_CALL RemoveAllMaterial(LISTCONTEXT* library);
DLIST_API void DLIST_CALL RemoveAllDimension(LISTCONTEXT* library);
DLIST_API void DLIST_CALL RemoveAllSubprice(LISTCONTEXT* library);
DLIST_API void DLIST_CALL RemoveAllMarket(LISTCONTEXT* library);
// Removes materials, dimensions, subprices and markets, in this order, under one
// write lock.
DLIST_API void DLIST_CALL PurgeMaterialLibrary(LISTCONTEXT* library);

// ---- copying ------------------------------------------------------------------------

// Gives material target the price, native unit, market, long texts and references of
// material source (target keeps its code and name); the target's own references are
// released first, the copies do not raise the usage of their units. 1 on success
// (a material copied onto itself stays as it is); 0 when either cannot be read or
// target cannot be written, and then nothing changed. The window is not used.
DLIST_API int DLIST_CALL CopyListIn(LISTCONTEXT* library, void* window, long source, long target);

// ---- units and dimensions -------------------------------------------------------------

// 1 when text begins with "##".
DLIST_API int DLIST_CALL IsDimensionAbbrev(const char* text);
// 1 when unit id is a dimension.
DLIST_API int DLIST_CALL IsDimensionId(LISTCONTEXT* library, long id);
// The dimension above a unit (the unit itself when it is one); 0 when the unit does
// not exist or no ancestor is a dimension.
DLIST_API long DLIST_CALL GetUnitDimension(LISTCONTEXT* library, char* abbrev);
DLIST_API long DLIST_CALL GetUnitDimension(LISTCONTEXT* library, long id);
// 1 with the abbreviation of the basic unit of dimension number n in out (at least
// kUnitAbbrevSize bytes); 0 when the dimension or its basic unit does not exist.
DLIST_API int DLIST_CALL GetDimEtalon(LISTCONTEXT* library, short n, char* out);
// The basic unit below unit: its first child within the tolerance of 1, else
// searched below each child with children, from the last to the first; 0 if none.
DLIST_API long DLIST_CALL GetBasicUnitProc(LISTCONTEXT* library, long unit);
// Which of the three named dimensions (messages 16621 to 16623) holds the unit.
DLIST_API DIMENSION_TYPE DLIST_CALL get_unit_dimension(LISTCONTEXT* library, char* abbrev);
// Every dimension / every root material, in walk order; non-zero on success.
DLIST_API int DLIST_CALL GetDimensions(LISTCONTEXT* library, CRAS<long, 4>* out);
DLIST_API int DLIST_CALL GetMaterialRoots(LISTCONTEXT* library, CRAS<long, 4>* out);
// 1 when id is scope or lies below it.
DLIST_API int DLIST_CALL IsMaterialInScope(LISTCONTEXT* library, long scope, long id);
// Long text name index (0 to 3) into out (at least kLongTextNameSize bytes); empty
// for another index.
DLIST_API void DLIST_CALL GetLongTextName(LISTCONTEXT* library, short index, char* out);
// The file of the active material library into out (kMaterialDbPathSize bytes);
// empty when there is none or its path does not fit.
DLIST_API void DLIST_CALL GetActMaterialDbPath(char* out);
// The currency symbol of the user's settings into out (kCurrencySymbolSize bytes);
// "$" when none is set.
DLIST_API void DLIST_CALL GetCurrencySymbol(char* out);

// ---- display names (out: kLinkedNameSize bytes) --------------------------------------

// Mode 1: the name; mode 2: the code; any other: code, "  -  ", name.
DLIST_API void DLIST_CALL LinkedMaterialName(const char* id, const char* name, char* out, short mode);
// The same from the stored material's own code and name; empty when it cannot be
// read.
DLIST_API void DLIST_CALL LinkedMaterialName(LISTCONTEXT* library, long id, char* out, short mode);
// "*name ( abbrev )" for a basic unit, "name ( abbrev )" for another; out is left
// unchanged when the unit cannot be read.
DLIST_API void DLIST_CALL LinkedUnitName(LISTCONTEXT* library, long id, char* out);

// ---- internal operations of the material library --------------------------------------

// Removes every subprice reference of the material, then every unit reference,
// giving back the usage it held of its unit (a unit that cannot be found keeps
// its count). Non-zero on success; a failure abandons the transaction (also an
// enclosing one), as the counts would not match the references.
DLIST_API int ReleaseMaterialRefs(LISTCONTEXT* library, long material);
// ReleaseMaterialRefs on every material below material (not on itself): the
// children in walk order, then their levels from the last child to the first.
DLIST_API int ReleaseSubtreeRefs(LISTCONTEXT* library, long material);
// Appends the subtree below material to out (not cleared): its children in walk
// order, then the subtrees of these children from the last child to the first.
DLIST_API int CollectMaterialSubtree(LISTCONTEXT* library, long material, CRAS<long, 4>* out);
// The first free dimension number, its abbreviation "##n" into out (at least
// kUnitAbbrevSize bytes); -1 when all 32 exist.
DLIST_API int FirstFreeDimensionAbbrev(LISTCONTEXT* library, char* out);
// The first dimension named exactly name; 0 if none.
DLIST_API long FindDimensionByName(LISTCONTEXT* library, const char* name);
// The number of the dimension above the unit of abbrev, or -1 (also for a
// dimension whose abbreviation is not "##" and a number 0 to 31 as "%d" writes it).
DLIST_API int DimensionNumber(LISTCONTEXT* library, const char* abbrev);
// Bit n for each dimension n of the material's unit references; 0 when it has none
// or one of their units has no dimension.
DLIST_API uint32_t MaterialDimensionMask(LISTCONTEXT* library, long material);

// One item of a unit tree: the tree item, the unit it shows and flags.
struct UnitTreeItem {
  _TREEITEM* item;
  long unit;
  int flags;  // kUnitTreeDimension for a dimension's item
};
inline constexpr int kUnitTreeDimension = 1;
using UnitTreeItems = CRAS<UnitTreeItem, 4>;

// Fills tree control `control` of dialog with every dimension (its name) and, below
// it, its units (LinkedUnitName), each child under its parent unit's item; items
// receives one entry per item. Non-zero on success.
DLIST_API int FillUnitTree(void* dialog, LISTCONTEXT* library, UnitTreeItems* items, short control,
                           int dimension_image, int unit_image);

namespace dlist {
// The three dimension names that classify dimensions, loaded once.
DLIST_API const char* dimension_name(int index);  // index 0 to 2
}  // namespace dlist
