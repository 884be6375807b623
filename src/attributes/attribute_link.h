// The attribute link panel: the attribute values that one element or preset
// carries (its chain of link records), edited beside the library tree filtered to
// the element's kind. The host embeds the panel as a modeless dialog in its element
// dialogs and asks whether the chain is complete before it accepts.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "dlist/api.h"
#include "foundation/references.h"

namespace dlist {

// Context and controls of the panel.
inline constexpr int kAttributeLinkContext = 22203;
inline constexpr int kLinkTree = 10750;
inline constexpr int kLinkList = 10751;
inline constexpr int kLinkSplitter = 10770;
inline constexpr int kLinkCheck = 10771;       // the option record's on/off state
inline constexpr int kLinkCheckLabel = 10396;
inline constexpr int kLinkAdd = 10805;
inline constexpr int kLinkChange = 10806;
inline constexpr int kLinkDelete = 10807;
inline constexpr int kLinkViewMode = 10480;    // on: indirect values shown resolved
inline constexpr int kLinkViewFile = 10815;
inline constexpr int kLinkAttMode = 10816;     // link mode 4
inline constexpr int kLinkSelMode = 10819;     // other link modes
inline constexpr int kLinkTimer = 8;
// Commands of the list's context menu.
inline constexpr int kLinkStoreRef = 10808;
inline constexpr int kLinkEdit = 10810;
inline constexpr int kLinkDeleteRow = 10809;
inline constexpr int kLinkMakeDirect = 10820;
inline constexpr int kLinkDeleteAll = 10818;
inline constexpr int kLinkMark = 10811;
inline constexpr int kLinkSaveFile = 10813;
inline constexpr int kLinkHoldFile = 10812;
inline constexpr int kLinkViewCommand = 10814;
inline constexpr int kLinkCloseMenu = 10817;
// Commands of the tree's context menu.
inline constexpr int kLinkTreeAdd = 10823;
inline constexpr int kLinkTreeNewGroup = 10824;
inline constexpr int kLinkTreeNewAttribute = 10825;
inline constexpr int kLinkTreeNewAttribute2 = 10826;
inline constexpr int kLinkTreeShow = 10827;
// The name dialog of a new reference and the choice dialog.
inline constexpr int kNewRefContext = 22264;
inline constexpr int kNewRefName = 10436;
inline constexpr int kChoiceContext = 50830;
inline constexpr int kChoiceList = 10752;

// The element-kind filter bit of an element kind (0 for a kind without one).
uint32_t link_filter_bit(int kind);

// The names of attributes by abbreviation, read once from the active model.
class AttributeNames {
 public:
  const std::string& name(const char* abbrev);

 private:
  std::map<std::string, std::string, std::less<>> names_;
};

// The value bytes of a link record (empty for none).
std::string_view link_value(const DBATTREFTYPE& row);

// Moves row of chain one place at a time until the chain is ordered around it by
// the attribute's name and, within one attribute, by the value. Its new index;
// row itself when it is no index of the chain.
unsigned settle_link_row(DBATTREFCHAIN& chain, unsigned row, AttributeNames& names);

// The completeness check over a chain in a link mode: kChainComplete, kChainIncomplete
// (no row to blame) or the index of the first offending row.
inline constexpr int kChainComplete = -1;
inline constexpr int kChainIncomplete = -2;
int check_link_chain(const DBATTREFCHAIN& chain, int mode);

// The text drawn for a value: one of 256 characters or more is cut after 251 and
// " ..." is appended.
std::string cut_link_value(std::string text);

// The value of row as the list shows it: an indirect value as "< name >" (with
// resolved, the value of the reference it names), a held file by its name.
std::string shown_link_value(const DBATTREFTYPE& row, bool resolved);

// The host dialog's selection field (the sub-type of its control 10057) that the
// mode buttons read and write; null (the default) lets the panel keep its own.
void set_link_selection_field(int* subtype);
// The selection value n (0, 1 or 2) of a sub-type, and the sub-type with n written.
int selection_value(int subtype);
int with_selection_value(int subtype, int n);
// The bitmap the panel's mode button shows ("attmode%d" or "selmode%d").
std::string link_mode_bitmap();
// The open panel, null when none.
void* open_attribute_link();

}  // namespace dlist

// Builds the panel over chain for an element of kind in link mode and starts it
// modeless. options, when given, is the host's option record (its byte 28 is the
// check button's state). The panel's window; null on failure.
DLIST_API void* AttributeLink(void* parent, DBATTREFCHAIN* chain, int kind, int mode, char* options,
                              int width, int height);
// 1 when the chain of the open panel is complete, else 0; with panel the offending
// row is selected. Without an open panel there is no chain to check: 1.
DLIST_API int IsAttRefChainComplette(void* panel);
// Destroys the image list of the panel's tree.
DLIST_API void DestroyAttributeImageList();
