// The state of the list output dialog and of its tree editor, shared by the files
// of the dialog (list_output.cpp, list_editor.cpp, list_editor_dialogs.cpp). One
// dialog runs at a time; its state is module-wide for the length of the run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_runner.h"
#include "foundation/list_nodes.h"
#include "host/dialog/framework.h"
#include "host/dialog/notify_codes.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/list_sets/list_set_store.h"
#include "listspec/list_tree.h"

namespace dlist::listspec {

// Image positions: a disabled variant is its normal icon's position plus 7.
enum Icon : int {
  kIconLoop = 0,
  kIconLoopInvalid = 1,
  kIconSection = 2,
  kIconSectionInvalid = 3,
  kIconStart = 4,
  kIconFinal = 5,
  kIconGroup = 6,
  kIconDisabled = 7,  // offset of the disabled variants
  kIconOn = 14,
  kIconOff = 15,
  kIconMaterial = 16,
  kIconOnSelected = 17,
  kIconOffSelected = 18,
};
inline constexpr int kIconCount = 19;
// The icon names in image list order.
extern const char* const kIconNames[kIconCount];

// The palette item that holds the element loops.
inline constexpr intptr_t kElementGroupParam = 5;

// A record in the editor's clipboard, with the clipboard position of its parent
// (-1 for the copied node itself).
struct ClipRecord {
  EditorRecord record;
  int parent = -1;
};

struct OutputState {
  void* dialog = nullptr;
  void* images = nullptr;
  void* file_menu = nullptr;
  void* list_menu = nullptr;
  void* node_menu = nullptr;

  DL_LISTSPEC_LIST set;
  std::string ini;   // the open set file; empty when none
  int current = -1;  // the current list definition
  bool set_changed = false;
  bool tree_edited = false;
  list_sets::DL_TEMPLATE sections;  // the set's template; empty when it could not be read

  // The editor: one record an item of the tree, the item's parameter its index.
  std::vector<EditorRecord> records;
  std::vector<ClipRecord> clipboard;

  // A drag in progress: the tree it started in (0: none), the item and its image.
  int drag_source = 0;
  _TREEITEM* dragged = nullptr;
  void* drag_image = nullptr;
  _TREEITEM* context_target = nullptr;  // the item a context menu's command works on
};

extern OutputState* g_output;

// ---- what the dialogs share ----
inline std::string load_text(int id) { return load_string(static_cast<unsigned>(id)); }
// How a dialog of the list output dialog runs (its failures report DLISTGEN).
inline DialogRun run_of(void* parent, int context) { return DialogRun{parent, context, units::kDlistgen}; }
// The OK (text 36) and Cancel (text 20995) buttons at the right end of row y.
inline bool ok_cancel_buttons(int width, int y) {
  return CommandButton(kIdAccept, 36, width - 190, y, 90, 22) != 0 &&
         CommandButton(kIdReject, 20995, width - 95, y, 90, 22) != 0;
}
inline void copy_text(char* out, std::size_t size, const std::string& text) {
  std::snprintf(out, size, "%s", text.c_str());
}

// The Node commands with their texts, in menu order.
struct NodeCommand {
  int command;
  int text;
};
extern const NodeCommand kNodeCommands[13];

// ---- the editor (list_editor.cpp) ----
void* spec_tree(void* dialog);
// Fills the node-kind palette and the section palette.
void fill_palette(void* dialog);
void fill_sections(void* dialog);
// Shows the current list definition's tree (or none), its records rebuilt.
void show_tree(void* dialog);
// Replaces the current list definition's tree by the editor's.
void store_tree(void* dialog);
// Builds list_def's tree from the editor's tree (the current one, or a copy).
void build_from_editor(void* dialog, DL_LISTSPEC& list_def);
// Enables the Node menu's commands for the selected item.
void update_node_menu(void* dialog);
void node_command(void* dialog, int command);
// The tree views' notifications: the list definition's tree and the two palettes.
int editor_notify(void* dialog, int control, int code);
// Ends a drag in progress; false when none was.
bool cancel_drag(void* dialog);

// ---- the editor's dialogs (list_editor_dialogs.cpp) ----
// Each edits record in place and answers true when the user confirmed.
bool edit_label(void* parent, EditorRecord& record);
bool edit_properties(void* parent, EditorRecord& record);
bool edit_filters(void* parent, EditorRecord& record, uint32_t scope);
// Shows the reported texts; true when the user asks to correct them.
bool confirm_report(void* parent, const DL_REPORT_LIST& texts);
// The attribute chooser: fixed_scope 0 lets the user choose the element kinds.
struct ChosenAttribute {
  std::string key;
  int value_type = 0;  // 0 integer, 1 real, 2 text
};
std::optional<ChosenAttribute> choose_attribute(void* parent, const std::string& key, uint32_t fixed_scope);

}  // namespace dlist::listspec
