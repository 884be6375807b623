// The library's side of the list-list definition tree: the records the tree editor keeps
// (one for each item of its tree view), building a list definition's tree from them,
// the label-to-name rule and the placement check the editor asks before it places a
// node. The node classes themselves are shared with the generator module
// (foundation/list_nodes.h).
#pragma once

#include <string>
#include <vector>

#include "foundation/list_nodes.h"

namespace dlist::listspec {

// Editor record kinds: -1 attribute loop, 1 section, 2 plan, 3 floor, 4 layer, 9 material,
// 10 subprice, 11 coating, 12 object parameter, 13 conditional group, 14 element
// attribute, 15 edge, 16 to 28 the element loop of element kind (kind - 16).
inline constexpr short kKindAttribute = -1;
inline constexpr short kKindSection = 1;
inline constexpr short kKindFirstElement = 16;
inline constexpr short kKindLastElement = 28;

struct EditorRecord {
  short kind = 0;
  int may_have_sons = 1;
  int valid = 1;
  int fixed_section = 0;
  int opened = 0;
  int prototype_only = 0;
  std::string text;  // the item's text: the title, or "label (title)"
  int enabled = 1;
  int final_section = 0;
  int flags[3] = {0, 0, 0};
  char keys[3][7] = {};
  unsigned char value_type_or_level = 0;
  std::vector<ORB::String> texts;  // string values; names of the chosen plans
  std::vector<long> numbers;       // integer values; floor or layer ids; a section's number
  std::vector<double> reals;
  std::vector<long> plans;         // layout-sheet records of the chosen plans
  DL_FILTER_PACKET filters;
  std::vector<EditorRecord> sons;  // the items below, in display order
};

// The element kind of a mask bit: index in palette order, or -1.
int ElementKindIndex(long bit);
// The mask bit of element kind index (0 to 12), or 0.
long ElementKindBit(int index);
// The title text of a record kind ("" for a kind without one).
std::string KindTitle(short kind);

// The label within an item's text: the text without its final " (title)"; empty when
// the text is the title alone.
std::string LabelFromText(const std::string& text, const std::string& title);

// The node for a record, or null for a kind without a node class.
std::unique_ptr<DL_LIST_TREE_NODE> NodeFromRecord(const EditorRecord& record);

// Replaces list_def's tree by one built from the editor's top-level records.
void BuildTree(DL_LISTSPEC& list_def, const std::vector<EditorRecord>& top);

// The tree of a new list definition: sections 0 and 1, enabled, with the section flag.
DL_TREE_CELL* NewListTree();

// Whether candidate may be placed under target: as its son (as_son) or following it.
// section_scope is the candidate section's definition scope.
bool PlacementAllowed(const DL_TREE_CELL* target, bool as_son, const DL_LIST_TREE_NODE& candidate,
                      uint32_t section_scope = 0);

}  // namespace dlist::listspec
