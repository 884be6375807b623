// The material link: the modeless dialog in which the user builds the chain of
// material references of an element or preset (library materials in a tree, the
// links in a list, quantities, parameters and named groups of links), the
// parameter selection dialog, and the in-memory table of library materials that
// marks the tree for a parameter.
//
// The working state (links, group lists, parameters) is module-wide: one material
// link dialog at a time. The dialog works on the active material library and the
// active model (its groups).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/references.h"

class LISTCONTEXT;
class TEXTBUFFERCHAIN;
namespace dlist {
struct DrawItem;
}
struct _TREEITEM;

// Dialog contexts and controls.
inline constexpr int kMaterialLinkContext = 22289;
inline constexpr int kSelParameterContext = 22371;
inline constexpr int kMlFlag = 10771;         // the caller's linking flag
inline constexpr int kMlParameter = 10824;    // opens the parameter selection
inline constexpr int kMlParameterText = 10825;  // the chosen parameter, shown
inline constexpr int kMlGroupName = 10701;    // group name combo (group mode)
inline constexpr int kMlTree = 10770;         // library materials
inline constexpr int kMlLinks = 10750;        // the links
inline constexpr int kMlQuantity = 10436;     // quantity of the selected link
inline constexpr int kMlGroupLinks = 10751;   // links of the selected group
inline constexpr int kMlGroupQuantity = 10437;
inline constexpr int kMlLocations = 10752;    // the location tree (link mode)
inline constexpr int kMlSplitTree = 10817;    // between the material tree and the lists
inline constexpr int kMlSplitLists = 10823;   // between the link list and the pane below
inline constexpr int kMlLinkMode = 10480;     // link mode / group mode
inline constexpr int kMlLabelMode = 10481;    // label mode of the tree items
inline constexpr int kMlView = 10809;  // the tree shows only linkable materials
inline constexpr int kMlAdd = 10808;
inline constexpr int kMlRemove = 10810;
inline constexpr int kMlLocation = 10819;
inline constexpr int kMlGroupNew = 10811;
inline constexpr int kMlGroupReplace = 10814;
inline constexpr int kMlGroupDelete = 10815;
inline constexpr int kMlGroupAdd = 10812;
inline constexpr int kMlGroupOverwrite = 10813;
inline constexpr int kMlMatMode = 10816;
inline constexpr int kMlSelMode = 10818;
// Menu commands of the dialog (also reachable through its context menus).
inline constexpr int kMlMenuAdd = 10777;
inline constexpr int kMlMenuRemove = 10774;
inline constexpr int kMlMenuRemoveAll = 10775;
inline constexpr int kMlMenuAuto = 10778;
inline constexpr int kMlMenuLocation = 10782;
inline constexpr int kMlRefresh = 31776;
// The location tree's context menu: the selected link's location (double click as
// well), the location dialog for a new or changed location, deletion, no location.
inline constexpr int kMlLocUse = 10785;
inline constexpr int kMlLocNewBeside = 10786;
inline constexpr int kMlLocNewUnder = 10787;
inline constexpr int kMlLocEdit = 10788;
inline constexpr int kMlLocDelete = 10789;
inline constexpr int kMlLocNone = 10790;
inline constexpr int kMlLocCancel = 10793;
// The group list's context menu: the selected link leaves the group, or takes the
// automatic quantity.
inline constexpr int kMlMenuGroupRemove = 10795;
inline constexpr int kMlMenuGroupAuto = 10796;
// The parameter selection dialog's list.
inline constexpr int kSpList = 10760;

// The material selection: its context and commands.
inline constexpr int kMaterialSelectContext = 22323;
inline constexpr int kMsTree = 10770;
inline constexpr int kMsMark = 10805;      // "pen": marks or unmarks the selected item
inline constexpr int kMsView = 10806;      // shows the selected material
inline constexpr int kMsNext = 10807;      // "wandering": the next marked item
inline constexpr int kMsAllOff = 10808;    // unmarks every material
inline constexpr int kMsLabelMode = 10481;
inline constexpr int kMsSelMode = 10818;
inline constexpr int kMsMenuMark = 10777;
inline constexpr int kMsMenuView = 10776;

// Byte of the caller's element record that switches material linking on.
inline constexpr int kLinkFlagOffset = 29;

// Opens the material link beside the host's element dialog: the links of chain,
// the parameters of kind (negative: its absolute value, with the class mask
// 0x200000) and of attrs. mode 4 is the material mode; mode 1 or 5 lets the
// quantity editor take the automatic text. state, when given, is the caller's
// element record whose byte kLinkFlagOffset the flag button shows and toggles.
// The dialog's handle; null when it cannot be built (reported through SpecBeep).
DLIST_API void* DLIST_CALL MaterialLink(void* parent, DBMATREFCHAIN* chain, DBATTREFCHAIN* attrs,
                                        int kind, int mode, char* state, int width, int height);
// Empties chain and, unless the caller's flag is off, appends one reference per
// link in list order. Codes no longer in the library were dropped on loading.
DLIST_API void DLIST_CALL SpecUpdate_MaterialRef(DBMATREFCHAIN* chain);
// Appends the names of the built-in parameters of kind's class to out; how many.
DLIST_API int DLIST_CALL GetBuiltins(TEXTBUFFERCHAIN* out, long kind);
// The modal material selection (title 21858 with flag, else 21859): the user marks
// materials of the library's tree; on OK the code path of every marked material is
// appended to out, in the order of the material table. The dialog's result; 0 when
// it cannot be built.
DLIST_API int DLIST_CALL CrtMaterialSelect(void* parent, TEXTBUFFERCHAIN* out, int flag);
// Empties the material table; the next dialog fills it again.
DLIST_API void DLIST_CALL PurgeMaterialsFromMemory();
// Frees the image list of the tree icons.
DLIST_API void DLIST_CALL DestroyMaterialImageList();

// Callbacks of the dialogs.
DLIST_API int DLIST_CALL MaterialLink_Init_Proc(void* dialog);
DLIST_API int DLIST_CALL MaterialLink_ExtAction_Proc(void* dialog, int control, int code);
DLIST_API int DLIST_CALL MaterialLink_KeyEnter_Proc(void* dialog, int control);
DLIST_API int DLIST_CALL MaterialLink_Cancel_Proc(void* dialog);
DLIST_API int DLIST_CALL MaterialLink_Draw_Proc(void* dialog, const dlist::DrawItem* item);
DLIST_API int DLIST_CALL MaterialSelect_Init_Proc(void* dialog);
DLIST_API int DLIST_CALL MaterialSelect_ExtAction_Proc(void* dialog, int control, int code);
DLIST_API int DLIST_CALL MaterialSelect_KeyEnter_Proc(void* dialog, int control);
DLIST_API int DLIST_CALL SelParameter_Init_Proc(void* dialog);
DLIST_API int DLIST_CALL SelParameter_ExtAction_Proc(void* dialog, int control, int code);

namespace dlist::matlink {

// Icons of the tree, by index in the image list.
enum MaterialMark { kMarkInvalid = 0, kMarkMaterial = 1, kMarkCover = 2, kMarkCoverInvalid = 3 };

// One library material in the table.
struct MaterialEntry {
  int mark = kMarkMaterial;  // MaterialMark
  long id = 0;
  long parent = 0;
  _TREEITEM* item = nullptr;
  uint32_t mask = 0;  // bit n: a unit reference of dimension n
  bool has_children = false;
};

// Every material of the library, hashed by identifier (multiplier 0x9e3dbf6d, the
// top bits for 2^k buckets), in the order of the levels of the tree.
class MaterialTable {
 public:
  static constexpr uint32_t kMultiplier = 0x9e3dbf6du;

  bool filled() const { return filled_; }
  // Fills the table from library, walking the tree level by level. False (and an
  // empty table) when a walk fails.
  bool fill(LISTCONTEXT& library);
  void clear();
  MaterialEntry* find(long id);
  // Marks every material for a parameter of dimension n (-1: every one linkable).
  void mark(int dimension);
  std::vector<MaterialEntry>& entries() { return entries_; }
  std::size_t size() const { return entries_.size(); }

 private:
  void rehash(std::size_t count);
  uint32_t bucket(long id) const {
    return static_cast<uint32_t>(static_cast<uint32_t>(id) * kMultiplier) >> (32 - bits_);
  }
  std::vector<MaterialEntry> entries_;
  std::vector<int32_t> heads_;
  std::vector<int32_t> next_;
  int bits_ = 1;
  bool filled_ = false;
};

// The path of names of the location whose key is key ("" for none).
DLIST_API std::string location_path(long key);

// The module's table.
MaterialTable& material_table();

// The abbreviations of the parameters that the parameter selection offers for kind
// and attrs, in the rows it shows them (its current sorting).
DLIST_API std::vector<std::string> offered_parameters(DBATTREFCHAIN* attrs, int kind);

}  // namespace dlist::matlink
