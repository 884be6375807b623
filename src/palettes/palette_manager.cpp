// The palette manager dialog, its commands and tree procedures, and the small
// dialogs around it.
#include "palettes/palette_manager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_runner.h"
#include "foundation/element_kinds.h"
#include "foundation/fixed_text.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/menu.h"
#include "host/dialog/message_box.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/element_dialogs.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "palettes/clash_dialog.h"
#include "palettes/exchange_reader.h"
#include "palettes/exchange_writer.h"
#include "palettes/host_calls.h"
#include "palettes/manager_procedures.h"
#include "palettes/palette_records.h"
#include "palettes/palette_tree.h"
#include "palettes/prototype_records.h"

namespace dlist {
namespace {

constexpr char kAdapterClass[] = "paldrag_adapter";
constexpr int kAdapterTimer = 1;
constexpr unsigned kAdapterTick = 50;  // milliseconds
constexpr int kNameField = 10436;
constexpr int kDescriptionField = 10437;
constexpr int kCheckBox = 10550;
constexpr int kCheckBox2 = 10551;
constexpr int kCallButton = 10805;
constexpr int kDescriptionLimit = 10000;
constexpr int kNameLimit = 31;

// Texts.
constexpr int kCaptionSelect = 22257;
constexpr int kCaptionManage = 22238;
constexpr int kPagePrototypes = 22258;
constexpr int kPagePalettes = 22259;
constexpr int kCaptionCreate = 22239;
constexpr int kCaptionRegister = 22240;
constexpr int kCaptionDescription = 22241;
constexpr int kCaptionNewFolder = 22244;
constexpr int kCaptionRename = 22253;
constexpr int kCaptionFind = 21065;
constexpr int kLabelName = 20969;
constexpr int kLabelFind = 20274;
constexpr int kLabelMatchCase = 21037;
constexpr int kLabelMatchBeginning = 20905;
constexpr int kTextCancel = 20995;
constexpr int kTextOk = 36;
constexpr int kTextClose = 21725;
constexpr int kMsgEqualPrototype1 = 22275;
constexpr int kMsgEqualPrototype2 = 22276;
constexpr int kMenuEdit = 21701;
constexpr int kMenuShow = 21695;

std::string load(int id) {
  char text[512];
  LoadStr(nullptr, static_cast<unsigned>(id), text, sizeof text);
  return text;
}

std::string name_text(const TreeNode& node) {
  return std::string(field_text(node.name));
}

// ---- the small name dialogs ------------------------------------------------------------

struct NameDialog {
  ModelTree tree = ModelTree::kPalettes;
  NameStep step = NameStep::kNewFolder;
  long given = 0;
  long record = 0;
  char name[32] = {};
  char description[kDescriptionLimit + 1] = {};
  int ask_again = 1;  // check box 10550 of the registering dialog
  long result = 0;
};
NameDialog* g_name = nullptr;

int DLIST_CALL name_ok(void* dialog) {
  if (InputChecking(dialog, 0) == 0) return 0;
  SetErrorId(kNameField);
  const std::string typed = control_text(dialog, kNameField);
  const long node = confirm_node_name(dialog, g_name->tree, g_name->step, g_name->given,
                                      g_name->record, typed.c_str());
  if (node <= 0) return 0;
  g_name->result = node;
  return 1;
}

// Runs a small name dialog: caption, the name field (starting with start), and
// with info the registering dialog's information lines, description and check box.
long run_name_dialog(void* parent, NameDialog& state, int caption, int context, int buffers,
                     const char* start, const char* info_name = nullptr) {
  if (start != nullptr) set_field(state.name, sizeof state.name, start);
  const bool registering = info_name != nullptr;
  const int top = registering ? 66 : 0;
  auto build = [&] {
    bool ok = MakeMainUnit(parent, load(caption).c_str(), "PalName", 260, registering ? 200 : 80) !=
              nullptr;
    if (registering) {
      const std::string line2 = load(22269) + " - " + info_name;
      ok = ok && StaticText(10401, load(22267).c_str(), 5, 5, 250, 18) != 0 &&
           StaticText(10402, line2.c_str(), 5, 25, 250, 18) != 0 &&
           StaticText(10403, load(22268).c_str(), 5, 45, 250, 18) != 0;
    }
    ok = ok && StaticText(10404, load(kLabelName).c_str(), 5, top + 5, 60, 18) != 0 &&
         TextEditInput(kNameField, 70, top + 5, 185, 18) != 0 &&
         SetInpCont_Addres(kNameField, state.name, sizeof state.name) != 0 &&
         SetInpCont_MinMaxN(kNameField, 1, kNameLimit) != 0 &&
         SetInpCont_ToolTip(kNameField, kLabelName) != 0;
    if (registering) {
      ok = ok && TextEditInput(kDescriptionField, 5, top + 28, 250, 50, kEsMultiline) != 0 &&
           SetInpCont_Addres(kDescriptionField, state.description, sizeof state.description) != 0 &&
           SetInpCont_MinMaxN(kDescriptionField, 0, kDescriptionLimit) != 0 &&
           SetInpCont_ToolTip(kDescriptionField, kCaptionDescription) != 0 &&
           CheckBoxInput(kCheckBox, load(20805).c_str(), 5, top + 82, 250, 18) != 0 &&
           SetInpCont_Addres(kCheckBox, &state.ask_again) != 0;
    }
    const int y = registering ? top + 105 : 30;
    ok = ok && CommandButton(kIdReject, registering ? 11503 : kTextCancel, 5, y, 100, 20) != 0 &&
         CommandButton(kIdAccept, registering ? 11502 : kTextOk, 155, y, 100, 20) != 0 &&
         SetIDC_OKProc(name_ok) != 0;
    return ok;
  };
  const std::optional<int> r =
      run_dialog(DialogRun{parent, context, units::kDpalman, buffers}, g_name, &state, build);
  return r.value_or(0) != 0 ? state.result : 0;
}

// ---- the description dialog -------------------------------------------------------------

struct DescriptionDialog {
  char text[kDescriptionLimit + 1] = {};
};
DescriptionDialog* g_description = nullptr;

// Edits text; with store false shows it only (no call button, no cancel button).
bool run_description_dialog(void* parent, std::string& text, bool store) {
  DescriptionDialog state;
  set_field(state.text, sizeof state.text, text.c_str());
  auto build = [&] {
    bool ok =
        MakeMainUnit(parent, load(kCaptionDescription).c_str(), "PalDesc", 300, 200) != nullptr &&
        TextEditInput(kNameField, 5, 5, 290, 150, kEsMultiline) != 0 &&
        SetInpCont_Addres(kNameField, state.text, sizeof state.text) != 0 &&
        SetInpCont_MinMaxN(kNameField, 0, kDescriptionLimit) != 0;
    if (store) {
      ok = ok && CommandButton(kCallButton, kCaptionDescription, 5, 165, 90, 20) != 0 &&
           CommandButton(kIdReject, kTextCancel, 100, 165, 90, 20) != 0;
    }
    return ok && CommandButton(kIdAccept, kTextOk, 205, 165, 90, 20) != 0;
  };
  const std::optional<int> r = run_dialog(
      DialogRun{parent, kDescriptionContext, units::kDpalman, 8}, g_description, &state, build);
  if (r.value_or(0) == 0) return false;
  text = state.text;
  return true;
}

// ---- the manager -----------------------------------------------------------------------

struct Manager {
  MODULTYPE module = 0;
  bool selection = false;
  int kind_filter = 0;
  bool cut_caption = false;
  void* dialog = nullptr;
  void* menu = nullptr;
  long selected = 0;            // the parameter of the selected item
  _TREEITEM* target = nullptr;  // the item a context menu's command applies to
  // the drag running
  int drag_tree = 0;
  _TREEITEM* dragged = nullptr;
  void* drag_image = nullptr;
  long result_node = 0;
  bool result_is_palette = false;  // result_node names a palette without a node
  bool palette_page_last = false;
};
Manager* g_manager = nullptr;

bool palette_page(void* dialog) {
  return control_visible(dialog, kPaletteTreeView);
}
int page_tree_id(void* dialog) {
  return palette_page(dialog) ? kPaletteTreeView : kPrototypeTreeView;
}
ModelTree page_store(void* dialog) {
  return palette_page(dialog) ? ModelTree::kPalettes : ModelTree::kPrototypes;
}
void* page_tree(void* dialog) {
  return GetControlHWND(dialog, page_tree_id(dialog));
}

// The item a command applies to: the context menu's target, else the selection.
_TREEITEM* command_item(void* dialog) {
  void* tree = page_tree(dialog);
  if (g_manager->target != nullptr && tree_has_item(tree, g_manager->target))
    return g_manager->target;
  return tree_get_next(tree, nullptr, TreeRelation::kCaret);
}

long item_param(void* tree, _TREEITEM* item) {
  return item != nullptr ? static_cast<long>(tree_param(tree, item)) : 0;
}

// What an item of the visible tree shows.
struct Shown {
  long param = 0;
  bool node = false;  // a store node
  bool leaf = false;
  bool unregistered = false;  // a palette without a node
  int depth = 0;
  int kind = 0;
  bool protected_name = false;
};

Shown describe_item(void* dialog, _TREEITEM* item) {
  Shown s;
  void* tree = page_tree(dialog);
  s.param = item_param(tree, item);
  if (s.param <= 0) return s;
  if (palette_page(dialog)) {
    PALETTES store;
    DBPALETTENODETYPE n;
    // an unregistered item carries a palette identifier, which may equal a node's
    if (tree_image(tree, item) == kUnregisteredImage) {
      s.unregistered = true;
      s.leaf = true;
      s.kind = store.get_palette_type(s.param);
    } else if (store.get_id_node(s.param, &n) == s.param) {
      s.node = true;
      s.leaf = n.is_leaf();
      s.depth = n.depth();
      s.kind = n.kind;
    }
  } else {
    PROTOTYPES store;
    DBPROTOTYPENODE n;
    if (store.get_id_node(s.param, &n) == s.param) {
      s.node = true;
      s.leaf = n.is_leaf();
      s.depth = n.depth();
      s.kind = n.kind;
      s.protected_name = IsProtectedItem(n.name) != 0;
    }
  }
  return s;
}

int user_level(void* dialog) {
  return palette_page(dialog) ? 3 : 2;
}

// The commands that fit item.
std::vector<std::pair<int, bool>> fitting_commands(void* dialog, _TREEITEM* item) {
  const Shown s = describe_item(dialog, item);
  const bool pal = palette_page(dialog);
  const int ul = user_level(dialog);
  const bool folder = s.node && !s.leaf && s.depth >= ul - 1;
  const bool user = s.node && s.depth >= ul && !s.protected_name;
  return {{kCmdNewFolder, folder || (s.node && s.leaf)},
          {kCmdNew, folder || (s.node && s.leaf)},
          {kCmdRename, user},
          {kCmdDelete, user},
          {kCmdDescription, user},
          {kCmdChange, user && s.leaf},
          {kCmdImportInto, folder},
          {kCmdRegister, pal && s.unregistered},
          {kCmdExportSelected, s.node},
          {kCmdDuplicate, !pal && user}};
}

void update_commands(void* dialog) {
  _TREEITEM* item = tree_get_next(page_tree(dialog), nullptr, TreeRelation::kCaret);
  for (const auto& [command, on] : fitting_commands(dialog, item))
    menu_enable(g_manager->menu, command, on);
}

void show_description(void* dialog) {
  std::string text;
  const Shown s =
      describe_item(dialog, tree_get_next(page_tree(dialog), nullptr, TreeRelation::kCaret));
  if (s.node) node_description(page_store(dialog), s.param, &text);
  set_control_text(dialog, kManagerDescription, text.c_str());
}

void set_caption(void* dialog) {
  std::string caption =
      load(g_manager->selection && !g_manager->cut_caption ? kCaptionSelect : kCaptionManage);
  if (g_manager->cut_caption) {
    std::vector<char> buffer(caption.begin(), caption.end());
    buffer.push_back('\0');
    caption = CutDlgCaption(buffer.data(), 300);
  }
  caption += "  -  " + load(palette_page(dialog) ? kPagePalettes : kPagePrototypes);
  set_dialog_title(dialog, caption.c_str());
}

void show_page(void* dialog, bool palettes) {
  ShowDlgInput(dialog, kPaletteTreeView, palettes ? 1 : 0);
  ShowDlgInput(dialog, kPrototypeTreeView, palettes ? 0 : 1);
  if (palettes) FillPaletteTreeView(dialog, static_cast<short>(g_manager->kind_filter));
  menu_check(g_manager->menu, kCmdShowPalettes, palettes);
  menu_check(g_manager->menu, kCmdShowPrototypes, !palettes);
  LastProtoMode(palettes ? 1 : 0);
  g_manager->selected = item_param(page_tree(dialog),
                                   tree_get_next(page_tree(dialog), nullptr, TreeRelation::kCaret));
  set_caption(dialog);
  show_description(dialog);
  update_commands(dialog);
}

// Selects and shows item.
void select_item(void* tree, _TREEITEM* item) {
  if (item == nullptr) return;
  tree_ensure_visible(tree, item);
  tree_select(tree, item);
}

// The label of an item after its node changed.
void relabel(void* dialog, _TREEITEM* item, long node) {
  void* tree = page_tree(dialog);
  if (palette_page(dialog)) {
    DBPALETTENODETYPE n;
    if (PALETTES().get_id_node(node, &n) != node) return;
    const std::string text = n.is_leaf() ? palette_item_text(&n, PALETTES().get_id_palette(node))
                                         : folder_item_text(n.name);
    tree_set_text(tree, item, text.c_str());
  } else {
    DBPROTOTYPENODE n;
    if (PROTOTYPES().get_id_node(node, &n) != node) return;
    tree_set_text(tree, item,
                  n.is_leaf() ? name_text(n).c_str() : folder_item_text(n.name).c_str());
  }
  tree_sort_children(tree, tree_get_next(tree, item, TreeRelation::kParent));
}

// Every child node of the folder of item that has no item yet gets one, through
// the subfolders.
void add_missing_items(void* dialog, _TREEITEM* item) {
  void* tree = page_tree(dialog);
  const long folder = item_param(tree, item);
  if (folder <= 0) return;
  std::vector<std::pair<long, _TREEITEM*>> pending{{folder, item}};
  while (!pending.empty()) {
    const auto [node, at] = pending.back();
    pending.pop_back();
    PROTOTYPES store;
    if (store.rew_node(node) != node) continue;
    DBPROTOTYPENODE child;
    std::vector<long> ids;
    for (long id; (id = store.get_node(&child)) > 0;) ids.push_back(id);
    for (long id : ids) {
      _TREEITEM* existing = nullptr;
      for (_TREEITEM* c : tree_children(tree, at)) {
        if (item_param(tree, c) == id) existing = c;
      }
      if (existing == nullptr) existing = AddPrototypeItem(dialog, at, id);
      if (existing != nullptr && PROTOTYPES().is_folder(id)) pending.emplace_back(id, existing);
    }
  }
}

// ---- commands -----------------------------------------------------------------------

void new_folder(void* dialog) {
  void* tree = page_tree(dialog);
  _TREEITEM* item = command_item(dialog);
  const bool pal = palette_page(dialog);
  if (item != nullptr) {
    const int image = tree_image(tree, item);
    if (image == kRegisteredImage || image == kPrototypeImage || image == kUnregisteredImage)
      item = tree_get_next(tree, item, TreeRelation::kParent);
  }
  long parent = item_param(tree, item);
  if (item == nullptr && !pal) {
    if (g_manager->kind_filter == 0) return;
    parent = PROTOTYPES().get_root(static_cast<short>(g_manager->kind_filter));
  }
  if (parent <= 0) return;
  NameDialog state;
  state.tree = pal ? ModelTree::kPalettes : ModelTree::kPrototypes;
  state.step = NameStep::kNewFolder;
  state.given = parent;
  const long node =
      run_name_dialog(dialog, state, kCaptionNewFolder, kNewFolderContext, 2, nullptr);
  if (node <= 0) return;
  _TREEITEM* added = pal ? AddPaletteItem(dialog, item != nullptr ? item : kTviRoot, node)
                         : AddPrototypeItem(dialog, item != nullptr ? item : kTviRoot, node);
  select_item(tree, added);
  if (!pal && g_manager->selection && g_manager->kind_filter != 0)
    SetInputActivitet(dialog, kIdAccept, 0);
}

void rename_item(void* dialog) {
  _TREEITEM* item = command_item(dialog);
  const Shown s = describe_item(dialog, item);
  if (!s.node || s.depth < user_level(dialog) || s.protected_name) return;
  NameDialog state;
  state.tree = page_store(dialog);
  state.step = NameStep::kRename;
  state.given = s.param;
  const std::string current = node_name(state.tree, s.param);
  if (run_name_dialog(dialog, state, kCaptionRename, kRenameContext, 3, current.c_str()) <= 0)
    return;
  relabel(dialog, item, s.param);
}

void delete_item(void* dialog) {
  void* tree = page_tree(dialog);
  _TREEITEM* item = command_item(dialog);
  const Shown s = describe_item(dialog, item);
  if (!s.node || s.protected_name) return;
  if (remove_node_asked(dialog, page_store(dialog), s.param) == 0) return;
  tree_delete(tree, item);
  if (!palette_page(dialog)) return;
  // palettes that lost their node join the unregistered folder of their kind
  for (long palette : unregistered_palettes(s.kind)) {
    if (RecFindLPARAMInTree(tree, unregistered_folder(s.kind), palette) == nullptr)
      add_unregistered_item(tree, s.kind, palette);
  }
}

void describe_item_command(void* dialog) {
  const Shown s = describe_item(dialog, command_item(dialog));
  if (!s.node) return;
  std::string text;
  node_description(page_store(dialog), s.param, &text);
  if (!run_description_dialog(dialog, text, true)) return;
  if (set_node_description(page_store(dialog), s.param, text) != 0) show_description(dialog);
}

// Opens the preset dialog of kind on rec; true when confirmed.
template <class K>
bool edit_element(void* dialog, typename K::element& rec) {
  return CrtElementPreset(dialog, K::kind, &rec) != 0;
}

// Mod<Kind>Palette of kind on an element record of it.
int modify_palette(int kind, void* hwnd, long* id, void* rec, DBSURFREFTYPE* surf) {
#define DLIST_MOD_WITH(K, Name, E) \
  case K:                          \
    return Mod##Name##Palette(hwnd, id, static_cast<E*>(rec), surf);
#define DLIST_MOD_WITHOUT(K, Name, E) \
  case K:                             \
    return Mod##Name##Palette(hwnd, id, static_cast<E*>(rec));
  switch (kind) {
    DLIST_KINDS_WITH_SURFACES(DLIST_MOD_WITH)
    DLIST_KINDS_WITHOUT_SURFACES(DLIST_MOD_WITHOUT)
    default:
      return 0;
  }
#undef DLIST_MOD_WITH
#undef DLIST_MOD_WITHOUT
}

// Change (10775): the preset dialog on the stored settings; a palette is changed
// with Mod<Kind>Palette (which asks when the settings equal another palette), a
// prototype's record with MOD_PROTOTYPE.
void change_item(void* dialog) {
  _TREEITEM* item = command_item(dialog);
  const Shown s = describe_item(dialog, item);
  if (!s.node || !s.leaf || s.protected_name) return;
  if (palette_page(dialog)) {
    visit_kind(s.kind, [&](auto k) {
      using K = decltype(k);
      typename K::element rec;
      DBSURFREFTYPE surf;
      long id = s.param;
      if (HostCalls<K::kind>::get_palette(PALETTES().get_id_palette(id), &rec, &surf) == 0) return;
      if (!edit_element<K>(dialog, rec)) return;
      if (modify_palette(K::kind, dialog, &id, &rec, &surf) == 0) return;
      RedrawEndnode(dialog, PALETTES().get_id_palette(s.param));
    });
    return;
  }
  const long recid = PROTOTYPES().get_id_prototype(s.param);
  visit_kind(s.kind, [&](auto k) {
    using K = decltype(k);
    typename K::element rec;
    DBSURFREFTYPE surf;
    DBMATREFCHAIN mat;
    DBATTREFCHAIN attr;
    if (HostCalls<K::kind>::get_record(recid, &rec, &surf, &mat, &attr) <= 0) return;
    if (!edit_element<K>(dialog, rec)) return;
    if (MOD_PROTOTYPE(recid, reinterpret_cast<unsigned long>(&rec), K::kind, &surf, &mat, &attr) ==
        0)
      SpecBeep(0, units::kDpalman, __LINE__);
  });
}

// New palette: the preset dialog of the folder's kind on the kind's default
// settings; the confirmed palette is stored and gets a node in the folder.
void new_palette(void* dialog, _TREEITEM* folder_item, const Shown& folder) {
  visit_kind(folder.kind, [&](auto k) {
    using K = decltype(k);
    typename K::element rec;
    DBSURFREFTYPE surf;
    if (!edit_element<K>(dialog, rec)) return;
    int existed = 0;
    const long palette = HostCalls<K::kind>::cre_palette(rec.palette, &surf, &existed);
    if (palette <= 0) {
      SpecBeep(0, units::kDpalman, __LINE__);
      return;
    }
    DBPALETTENODETYPE node;
    if (existed != 0 && PALETTES().get_palid_node(palette, &node) > 0) {
      // an equal palette has a node already: show that one
      select_item(page_tree(dialog),
                  FindPaletteInTree(dialog, K::kind, reinterpret_cast<char*>(&rec), &surf));
      return;
    }
    const long created = CallCreate(dialog, folder.param, palette, 1);
    if (created <= 0) return;
    void* tree = page_tree(dialog);
    if (_TREEITEM* old = RecFindLPARAMInTree(tree, unregistered_folder(K::kind), palette))
      tree_delete(tree, old);
    select_item(tree, AddPaletteItem(dialog, folder_item, created));
  });
}

// New prototype: the preset dialog of the folder's kind; an equal prototype shown
// already is pointed out and the user asked whether to store anyway; the record is
// then stored and named in the folder.
void new_prototype(void* dialog, _TREEITEM* folder_item, const Shown& folder) {
  visit_kind(folder.kind, [&](auto k) {
    using K = decltype(k);
    typename K::element rec;
    DBSURFREFTYPE surf;
    DBMATREFCHAIN mat;
    DBATTREFCHAIN attr;
    if (!edit_element<K>(dialog, rec)) return;
    void* tree = page_tree(dialog);
    _TREEITEM* equal =
        FindPrototypeInTree(dialog, K::kind, reinterpret_cast<char*>(&rec), &surf, &mat, &attr, 0);
    if (equal != nullptr) {
      const std::string text = load(kMsgEqualPrototype1) + "\n" + tree_text(tree, equal) + "\n" +
                               load(kMsgEqualPrototype2);
      if (MessageBoxA(dialog, text.c_str(), load(kCaptionCreate).c_str(),
                      kMbYesNo | kMbIconExclamation) == kIdNo)
        return;
    }
    const long record =
        CrePrototype(reinterpret_cast<unsigned long>(&rec), K::kind, &surf, &mat, &attr);
    if (record <= 0) {
      SpecBeep(0, units::kDpalman, __LINE__);
      return;
    }
    const long created = CallCreate(dialog, folder.param, record, 0);
    if (created <= 0) {
      PROTOTYPES().del_record(record, 0);  // the user did not name it: nothing stays behind
      return;
    }
    select_item(tree, AddPrototypeItem(dialog, folder_item, created));
  });
}

void new_item(void* dialog) {
  void* tree = page_tree(dialog);
  _TREEITEM* item = command_item(dialog);
  Shown s = describe_item(dialog, item);
  if (s.node && s.leaf) {
    item = tree_get_next(tree, item, TreeRelation::kParent);
    s = describe_item(dialog, item);
  }
  if (!s.node || s.leaf || s.depth < user_level(dialog) - 1) return;
  if (palette_page(dialog)) {
    new_palette(dialog, item, s);
  } else {
    new_prototype(dialog, item, s);
  }
}

void import_file(void* dialog, bool into_selection) {
  const bool pal = palette_page(dialog);
  long target = 0;
  if (into_selection) {
    const Shown s = describe_item(dialog, command_item(dialog));
    if (!s.node) return;
    target = s.param;
  }
  const std::string filter = load(pal ? 21755 : 21752) + (pal ? "|*.pal" : "|*.prt");
  char path[1024] = {};
  R_Get_STRING(kSettingImportPath, path, sizeof path);
  if (SelectImportFileR(dialog, filter.c_str(), path, sizeof path, kSettingImportPath,
                        load(into_selection ? 22273 : 22272).c_str()) == 0)
    return;
  const std::string folder = std::filesystem::path(path).parent_path().string();
  R_Set_STRING(kSettingImportPath, folder.c_str());
  set_clash_choice(kClashOverwriteAsk);
  if (pal) {
    PaletteImport(dialog, target, path);
    if (!into_selection) FillPaletteTreeView(dialog, static_cast<short>(g_manager->kind_filter));
  } else {
    PrototypeImport(dialog, target, path);
    if (!into_selection)
      FillPrototypeTreeView(dialog, static_cast<short>(g_manager->kind_filter), 0);
  }
}

void export_file(void* dialog, bool selected) {
  const bool pal = palette_page(dialog);
  long node = 0;
  if (selected) {
    const Shown s = describe_item(dialog, command_item(dialog));
    if (!s.node) return;
    node = s.param;
  }
  const std::string filter = load(pal ? 21755 : 21752) + (pal ? "|*.pal" : "|*.prt");
  char path[1024] = {};
  char description[1024] = {};
  if (ExportFile(dialog, filter.c_str(), path, sizeof path, load(selected ? 22271 : 22270).c_str(),
                 description, sizeof description) == 0)
    return;
  if (pal) {
    selected ? PaletteExport(dialog, node, path, description, 1)
             : PaletteExport(dialog, static_cast<short>(0), path, description, 1);
  } else {
    selected ? PrototypeExport(dialog, node, path, description, 1)
             : PrototypeExport(dialog, static_cast<short>(0), path, description, 1);
  }
}

void register_item(void* dialog) {
  void* tree = page_tree(dialog);
  _TREEITEM* item = command_item(dialog);
  const Shown s = describe_item(dialog, item);
  if (!palette_page(dialog) || !s.unregistered) return;
  const long folder = PALETTES().get_root(static_cast<short>(s.kind));
  if (folder <= 0) return;
  NameDialog state;
  state.tree = ModelTree::kPalettes;
  state.step = NameStep::kRegister;
  state.given = folder;
  state.record = s.param;
  const long node = run_name_dialog(dialog, state, kCaptionRegister, kRegisterContext, 2, nullptr);
  if (node <= 0) return;
  _TREEITEM* folder_item = find_item(tree, folder, kFolderImage);
  _TREEITEM* added = folder_item != nullptr ? AddPaletteItem(dialog, folder_item, node) : nullptr;
  tree_delete(tree, item);
  select_item(tree, added);
}

void find_command(void* dialog) {
  if (CallFindName(dialog) == 0) return;
  name_search().last = nullptr;
  SearchNameInTree(page_tree(dialog), g_manager->menu);
}

void duplicate_item(void* dialog) {
  void* tree = page_tree(dialog);
  _TREEITEM* item = command_item(dialog);
  const Shown s = describe_item(dialog, item);
  if (palette_page(dialog) || !s.node || s.protected_name) return;
  if (duplicate_prototype(dialog, s.param) <= 0) return;
  _TREEITEM* parent = tree_get_next(tree, item, TreeRelation::kParent);
  if (parent != nullptr) add_missing_items(dialog, parent);
}

void run_command(void* dialog, int command) {
  if (command != kCmdFindNext) EndFindProc();
  switch (command) {
    case kCmdNewFolder:
      return new_folder(dialog);
    case kCmdNew:
      return new_item(dialog);
    case kCmdRename:
      return rename_item(dialog);
    case kCmdDelete:
      return delete_item(dialog);
    case kCmdDescription:
      return describe_item_command(dialog);
    case kCmdChange:
      return change_item(dialog);
    case kCmdImportInto:
    case kCmdImport:
      return import_file(dialog, command == kCmdImportInto);
    case kCmdRegister:
      return register_item(dialog);
    case kCmdExportSelected:
    case kCmdExportAll:
      return export_file(dialog, command == kCmdExportSelected);
    case kCmdShowPrototypes:
      return show_page(dialog, false);
    case kCmdShowPalettes:
      return show_page(dialog, true);
    case kCmdReport:
      SetPalReport(GetPalReport() == 0 ? 1 : 0);
      menu_check(g_manager->menu, kCmdReport, GetPalReport() != 0);
      RedrawEndnode(dialog, 0);
      return;
    case kCmdFind:
      return find_command(dialog);
    case kCmdFindNext:
      SearchNameInTree(page_tree(dialog), g_manager->menu);
      return;
    case kCmdDuplicate:
      return duplicate_item(dialog);
    default:
      return;
  }
}

// ---- tree procedures ------------------------------------------------------------------

void end_drag(void* dialog) {
  Manager& m = *g_manager;
  if (m.dragged == nullptr) return;
  window_kill_timer(GetControlHWND(dialog, kManagerAdapter), kAdapterTimer);
  release_capture();
  image_list_end_drag();
  if (m.drag_image != nullptr) image_list_destroy(m.drag_image);
  tree_select(GetControlHWND(dialog, m.drag_tree), nullptr, TreeSelect::kDropHilite);
  set_cursor(CursorShape::kArrow);
  m.dragged = nullptr;
  m.drag_image = nullptr;
  m.drag_tree = 0;
}

// Whether a palette without a node (kind) may be dropped onto target: a folder of
// its kind at the kind folders' depth or below, or a palette beside which it goes.
bool register_drop_allowed(long target, int kind) {
  PALETTES store;
  DBPALETTENODETYPE n;
  if (target <= 0 || store.get_id_node(target, &n) != target) return false;
  return n.kind == kind && n.depth() >= kPaletteSystemLevels - 1;
}

// The item under the pointer where dropping the dragged item is allowed; null
// when none is.
_TREEITEM* allowed_target(void* dialog) {
  Manager& m = *g_manager;
  void* tree = GetControlHWND(dialog, m.drag_tree);
  _TREEITEM* under = tree_hit_test_at(tree, cursor_pos());
  if (under == nullptr) return nullptr;
  const long dragged = item_param(tree, m.dragged);
  if (m.drag_tree == kPaletteTreeView && tree_image(tree, m.dragged) == kUnregisteredImage) {
    return register_drop_allowed(item_param(tree, under), PALETTES().get_palette_type(dragged))
               ? under
               : nullptr;
  }
  const ModelTree store =
      m.drag_tree == kPaletteTreeView ? ModelTree::kPalettes : ModelTree::kPrototypes;
  return drop_allowed(store, dragged, item_param(tree, under)) ? under : nullptr;
}

void begin_drag(void* dialog, int tree_id, _TREEITEM* item) {
  const Shown s = describe_item(dialog, item);
  const bool movable = s.node && s.depth >= user_level(dialog) && !s.protected_name;
  if (!movable && !s.unregistered) return;
  Manager& m = *g_manager;
  void* tree = GetControlHWND(dialog, tree_id);
  m.drag_image = tree_create_drag_image(tree, item);
  if (m.drag_image == nullptr || !image_list_begin_drag(m.drag_image, 0, 0, 0)) {
    if (m.drag_image != nullptr) image_list_destroy(m.drag_image);
    m.drag_image = nullptr;
    return;
  }
  m.dragged = item;
  m.drag_tree = tree_id;
  void* adapter = GetControlHWND(dialog, kManagerAdapter);
  set_capture(adapter);
  window_set_timer(adapter, kAdapterTimer, kAdapterTick);
}

void drop(void* dialog) {
  Manager& m = *g_manager;
  void* tree = GetControlHWND(dialog, m.drag_tree);
  _TREEITEM* target = allowed_target(dialog);
  const ModelTree store =
      m.drag_tree == kPaletteTreeView ? ModelTree::kPalettes : ModelTree::kPrototypes;
  if (target != nullptr) {
    const long dragged = item_param(tree, m.dragged);
    const long target_node = item_param(tree, target);
    const bool copy =
        notification() != nullptr && notification()->shift && store == ModelTree::kPrototypes;
    _TREEITEM* folder_item = tree_image(tree, target) == kFolderImage
                                 ? target
                                 : tree_get_next(tree, target, TreeRelation::kParent);
    if (store == ModelTree::kPalettes && tree_image(tree, m.dragged) == kUnregisteredImage) {
      // A palette without a node dropped on a folder is registered there.
      _TREEITEM* unregistered = m.dragged;
      end_drag(dialog);
      NameDialog state;
      state.tree = ModelTree::kPalettes;
      state.step = NameStep::kRegister;
      state.given = target_node;
      state.record = dragged;
      const long node =
          run_name_dialog(dialog, state, kCaptionRegister, kRegisterContext, 2, nullptr);
      if (node > 0) {
        tree_delete(tree, unregistered);
        select_item(tree, AddPaletteItem(dialog, folder_item, node));
      }
      return;
    }
    if (copy) {
      // Shift copies a prototype: a duplicate is made and moved into the target folder.
      const long duplicate = duplicate_prototype(dialog, dragged);
      if (duplicate > 0 && move_dropped(store, duplicate, target_node) != 0) {
        // the copy takes the original's name back where that is free
        const std::string original = node_name(store, dragged);
        PROTOTYPES names;
        const long folder = drop_folder(store, target_node);
        if (names.is_usedname(folder, original.c_str(), 0) == 0)
          confirm_node_name(dialog, store, NameStep::kRename, duplicate, 0, original.c_str());
        const int tree_id = m.drag_tree;
        end_drag(dialog);
        refill_children(dialog, tree_id, folder_item);
        return;
      }
      if (duplicate > 0) PROTOTYPES().del_node(duplicate, 1);
    } else if (move_dropped(store, dragged, target_node) != 0) {
      _TREEITEM* moved = m.dragged;
      const int tree_id = m.drag_tree;
      end_drag(dialog);
      tree_delete(tree, moved);
      refill_children(dialog, tree_id, folder_item);
      return;
    }
  }
  end_drag(dialog);
}

// Label editing: allowed on user nodes, at most 31 characters; the new name goes
// through the rename step.
int label_edit(void* dialog, int tree_id, int code) {
  void* tree = GetControlHWND(dialog, tree_id);
  const Notification* n = notification();
  const Shown s = describe_item(dialog, n->item);
  if (code == kTvnBeginLabelEdit) {
    if (!s.node || s.depth < user_level(dialog) || s.protected_name) return 1;
    tree_limit_label(tree, kNameLimit);
    return 0;
  }
  if (n->text == nullptr || !s.node) return 0;
  const long node =
      confirm_node_name(dialog, page_store(dialog), NameStep::kRename, s.param, 0, n->text);
  if (node > 0) relabel(dialog, n->item, s.param);
  return 0;  // the item's label is set by relabel
}

void context_menu(void* dialog, _TREEITEM* item) {
  void* menu = menu_create();
  for (const auto& [command, on] : fitting_commands(dialog, item)) {
    if (!on) continue;
    menu_append(menu, command, menu_text(g_manager->menu, command).c_str());
  }
  g_manager->target = item;
  const int command = menu_track(menu, dialog);
  menu_destroy(menu);
  if (command != 0) run_command(dialog, command);
  g_manager->target = nullptr;
}

// PaletteTreeProc and PrototypeTreeProc: the notifications of the two trees.
int tree_proc(void* dialog, int tree_id, int code) {
  const Notification* n = notification();
  switch (code) {
    case kTvnSelChanged:
      g_manager->selected = n->param;
      show_description(dialog);
      update_commands(dialog);
      return 0;
    case kNmRClick:
      context_menu(dialog, n->item);
      return 0;
    case kNmDblClk:
      if (g_manager->selection && describe_item(dialog, n->item).leaf)
        post_command(dialog, kIdAccept);
      return 0;
    case kTvnBeginLabelEdit:
    case kTvnEndLabelEdit:
      return label_edit(dialog, tree_id, code);
    case kTvnBeginDrag:
      begin_drag(dialog, tree_id, n->item);
      return 0;
    case kDragMouseMove: {
      if (g_manager->dragged == nullptr) return 0;
      _TREEITEM* target = allowed_target(dialog);
      set_cursor(target != nullptr ? CursorShape::kDrop : CursorShape::kNoDrop);
      tree_select(GetControlHWND(dialog, tree_id), target, TreeSelect::kDropHilite);
      return 0;
    }
    case kDragButtonUp:
      if (g_manager->dragged != nullptr) drop(dialog);
      return 0;
    case kDragLeft:
      end_drag(dialog);
      return 0;
    default:
      return 0;
  }
}

int DLIST_CALL manager_action(void* dialog, int control, int code) {
  if (control == kPaletteTreeView || control == kPrototypeTreeView)
    return tree_proc(dialog, control, code);
  if (control >= kCmdNewFolder && control <= kCmdDuplicate && code == kBnClicked)
    run_command(dialog, control);
  return 0;
}

void* build_menu() {
  void* bar = menu_create();
  void* edit = menu_create();
  void* show = menu_create();
  const std::pair<int, int> edit_items[] = {{kCmdNewFolder, kCaptionNewFolder},
                                            {kCmdNew, 50610},
                                            {kCmdRename, 21323},
                                            {kCmdDelete, 50611},
                                            {kCmdDescription, 22241},
                                            {kCmdChange, 50612},
                                            {kCmdRegister, 22240},
                                            {kCmdDuplicate, 50615},
                                            {kCmdImportInto, 22273},
                                            {kCmdImport, 22272},
                                            {kCmdExportSelected, 22271},
                                            {kCmdExportAll, 22270}};
  for (const auto& [id, text] : edit_items) menu_append(edit, id, load(text).c_str());
  const std::pair<int, int> show_items[] = {{kCmdShowPalettes, kPagePalettes},
                                            {kCmdShowPrototypes, kPagePrototypes},
                                            {kCmdReport, 50613},
                                            {kCmdFind, kCaptionFind},
                                            {kCmdFindNext, 50614}};
  for (const auto& [id, text] : show_items) menu_append(show, id, load(text).c_str());
  menu_append_popup(bar, edit, load(kMenuEdit).c_str());
  menu_append_popup(bar, show, load(kMenuShow).c_str());
  menu_enable(bar, kCmdFindNext, false);
  menu_check(bar, kCmdReport, GetPalReport() != 0);
  return bar;
}

int DLIST_CALL manager_init(void* dialog) {
  Manager& m = *g_manager;
  m.dialog = dialog;
  m.menu = build_menu();
  dialog_set_menu(dialog, m.menu);
  CreatePaletteImageList(dialog);  // without the icons the trees show no images
  SetInpCont_Integer(kManagerSelection, m.kind_filter);
  ShowDlgInput(dialog, kManagerSelection, 0);
  FillPrototypeTreeView(dialog, static_cast<short>(m.kind_filter), 0);
  show_page(dialog, LastProtoMode() != 0);
  return 1;
}

int DLIST_CALL manager_ok(void* dialog) {
  Manager& m = *g_manager;
  const Shown s =
      describe_item(dialog, tree_get_next(page_tree(dialog), nullptr, TreeRelation::kCaret));
  // A selection names a palette or a prototype, never a folder.
  if (!s.leaf) {
    SpecBeep(1, units::kDpalman, __LINE__);
    return 0;
  }
  m.result_node = s.param;
  m.result_is_palette = s.unregistered;
  m.palette_page_last = palette_page(dialog);
  return 1;
}

int DLIST_CALL manager_cancel(void* dialog) {
  end_drag(dialog);
  return 1;
}

bool build_manager(void* hwnd, Manager& m) {
  const std::string caption = load(m.selection ? kCaptionSelect : kCaptionManage);
  bool ok = MakeMainUnit(hwnd, caption.c_str(), "PalMan", 400, 330) != nullptr &&
            TreeViewInput(kPaletteTreeView, 5, 5, 390, 200, kTvsEditLabels) != 0 &&
            TreeViewInput(kPrototypeTreeView, 5, 5, 390, 200, kTvsEditLabels) != 0 &&
            DragingInput(kManagerSplitter, 5, 207, 390, 4) != 0 &&
            TextEditInput(kManagerDescription, 5, 213, 390, 80, kEsMultiline | kEsReadOnly) != 0 &&
            IntegerInput(kManagerSelection, 0, 0, 0, 0) != 0 &&
            Item("", kManagerAdapter, kAdapterClass, 0, 0, 0, 0, 0) != 0;
  if (m.selection) {
    ok = ok && CommandButton(kIdReject, kTextCancel, 5, 300, 90, 22) != 0 &&
         CommandButton(kIdAccept, kTextOk, 305, 300, 90, 22) != 0;
  } else {
    ok = ok && CommandButton(kIdReject, kTextClose, 305, 300, 90, 22) != 0;
  }
  return ok && SetDlgInitProc(manager_init) != 0 && SetAllInputProc(manager_action) != 0 &&
         SetIDC_OKProc(manager_ok) != 0 && SetCancelProc(manager_cancel) != 0;
}

// Keeps the adapter's window class registered and the image list alive for a
// run, and removes both on every way out.
class ManagerRun {
 public:
  ManagerRun() { register_window_class(kAdapterClass, PalDragAdapterProc); }
  ~ManagerRun() {
    DestroyPaletteImageList();
    unregister_window_class(kAdapterClass);
    EndFindProc();
  }
  ManagerRun(const ManagerRun&) = delete;
  ManagerRun& operator=(const ManagerRun&) = delete;
};

int run_manager(void* hwnd, Manager& m) {
  StateScope<Manager> scope(g_manager, &m);
  ManagerRun run;
  DialogBuffers buffers(32);
  if (!buffers) {
    SpecBeep(0, units::kDpalman, 3843);
    return 0;
  }
  if (!build_manager(hwnd, m)) {
    SpecBeep(0, units::kDpalman, 3850);
    return 0;
  }
  return RunModalDialog(hwnd, 0, kManagerContext, 0);
}

// ---- the save-as-prototype dialog ---------------------------------------------------

struct SaveAsPrototype {
  ElementToSave* element = nullptr;
  char name[32] = {};
  char description[kDescriptionLimit + 1] = {};
  long node = 0;
};
SaveAsPrototype* g_save = nullptr;

int DLIST_CALL save_init(void* dialog) {
  SetInpCont_Integer(kManagerSelection, g_save->element->kind);
  ShowDlgInput(dialog, kManagerSelection, 0);
  CreatePaletteImageList(dialog);
  FillPrototypeTreeView(dialog, static_cast<short>(g_save->element->kind), 0);
  return 1;
}

int DLIST_CALL save_ok(void* dialog) {
  if (InputChecking(dialog, 0) == 0) return 0;
  void* tree = GetControlHWND(dialog, kPrototypeTreeView);
  _TREEITEM* item = tree_get_next(tree, nullptr, TreeRelation::kCaret);
  long folder = item_param(tree, item);
  PROTOTYPES store;
  if (folder > 0 && store.is_folder(folder) == 0) folder = store.up_node(folder);
  if (folder <= 0) folder = store.get_root(static_cast<short>(g_save->element->kind));
  const std::string name = control_text(dialog, kNameField);
  if (store.is_usedname(folder, name.c_str(), 0) != 0) {
    MessageBoxA(dialog, load(11856).c_str(), name.c_str(), kMbOk | kMbIconExclamation);
    return 0;
  }
  ElementToSave& e = *g_save->element;
  const long record =
      CrePrototype(reinterpret_cast<unsigned long>(e.record), e.kind, e.surf, e.mat, e.attr);
  if (record <= 0) return 0;
  DBPROTOTYPENODE node;
  node.set_name(name.c_str());
  node.description.put(control_text(dialog, kDescriptionField).c_str());
  const long created = store.cre_node(folder, node, record);
  if (created <= 0) {
    store.del_record(record, 0);
    return 0;
  }
  g_save->node = created;
  return 1;
}

int DLIST_CALL save_action(void* dialog, int control, int code) {
  if (code != kBnClicked) return 0;
  if (control == kCmdNewFolder || control == kCmdRename || control == kCmdDelete ||
      control == kCmdDescription) {
    // the folder buttons act on the prototype tree as the manager's commands do
    Manager m;
    m.kind_filter = g_save->element->kind;
    m.menu = menu_create();
    StateScope<Manager> scope(g_manager, &m);
    run_command(dialog, control);
    menu_destroy(m.menu);
  }
  return 0;
}

}  // namespace
}  // namespace dlist

using namespace dlist;

int CrtPaletteManager(void* hwnd, MODULTYPE module, int* kind, long* node) {
  if ((kind == nullptr) != (node == nullptr)) return 0;
  Manager m;
  m.module = module;
  m.selection = kind != nullptr;
  m.kind_filter = kind != nullptr ? std::abs(*kind) : 0;
  if (m.kind_filter > kLastKind) m.kind_filter = 0;
  const int result = run_manager(hwnd, m);
  if (result != 0 && m.selection) {
    long chosen = m.result_node;
    PALETTES store;
    if (m.palette_page_last) {
      if (!m.result_is_palette) chosen = store.get_id_palette(chosen);
    } else {
      *kind = -std::abs(*kind);
    }
    *node = chosen;
  }
  return result;
}

int CrtSelectPrototype(void* hwnd, MODULTYPE module, int* kind, long* node) {
  LastProtoMode(1);
  if ((kind == nullptr) != (node == nullptr)) return 0;
  Manager m;
  m.module = module;
  m.selection = kind != nullptr;
  m.cut_caption = true;
  m.kind_filter = kind != nullptr ? std::abs(*kind) : 0;
  if (m.kind_filter > kLastKind) m.kind_filter = 0;
  const int result = run_manager(hwnd, m);
  if (result != 0 && m.selection) {
    long chosen = m.result_node;
    PALETTES store;
    if (m.palette_page_last) {
      if (!m.result_is_palette) chosen = store.get_id_palette(chosen);
    } else {
      *kind = -std::abs(*kind);
    }
    *node = chosen;
  }
  return result;
}

int CrtSaveAsPrototype(void* hwnd, long record) {
  auto* element = reinterpret_cast<ElementToSave*>(record);
  if (element == nullptr || element->record == nullptr || kind_facts(element->kind) == nullptr)
    return 0;
  SaveAsPrototype state;
  state.element = element;
  DialogBuffers buffers(10);
  if (!buffers) {
    SpecBeep(0, units::kDpalman, 3945);
    return 0;
  }
  StateScope<SaveAsPrototype> scope(g_save, &state);
  const bool built =
      MakeMainUnit(hwnd, load(kCaptionCreate).c_str(), "PalSave", 300, 330) != nullptr &&
      StaticText(10404, load(kLabelName).c_str(), 5, 5, 60, 18) != 0 &&
      TextEditInput(kNameField, 70, 5, 225, 18) != 0 &&
      SetInpCont_Addres(kNameField, state.name, sizeof state.name) != 0 &&
      SetInpCont_MinMaxN(kNameField, 1, kNameLimit) != 0 &&
      SetInpCont_ToolTip(kNameField, 20969) != 0 &&
      TextEditInput(kDescriptionField, 5, 28, 290, 50, kEsMultiline) != 0 &&
      SetInpCont_Addres(kDescriptionField, state.description, sizeof state.description) != 0 &&
      SetInpCont_MinMaxN(kDescriptionField, 0, kDescriptionLimit) != 0 &&
      SetInpCont_ToolTip(kDescriptionField, 22241) != 0 &&
      TreeViewInput(kPrototypeTreeView, 5, 82, 290, 180) != 0 &&
      SetInpCont_ToolTip(kPrototypeTreeView, kPagePrototypes) != 0 &&
      IntegerInput(kManagerSelection, 0, 0, 0, 0) != 0 &&
      SetInpCont_Extern(kManagerSelection, static_cast<intptr_t>(record)) != 0 &&
      CommandButton(kCmdNewFolder, kCaptionNewFolder, 5, 266, 70, 20) != 0 &&
      CommandButton(kCmdRename, 21323, 78, 266, 70, 20) != 0 &&
      CommandButton(kCmdDelete, 50611, 151, 266, 70, 20) != 0 &&
      CommandButton(kCmdDescription, 22241, 224, 266, 70, 20) != 0 &&
      CommandButton(kIdReject, kTextCancel, 5, 300, 90, 22) != 0 &&
      CommandButton(kIdAccept, kTextOk, 205, 300, 90, 22) != 0 && SetDlgInitProc(save_init) != 0 &&
      SetIDC_OKProc(save_ok) != 0 && SetAllInputProc(save_action) != 0;
  if (!built) {
    SpecBeep(0, units::kDpalman, 3952);
    DestroyPaletteImageList();
    return 0;
  }
  const int r = RunModalDialog(hwnd, 0, kSaveAsPrototypeContext, 0);
  DestroyPaletteImageList();
  return r != 0 && state.node > 0 ? 1 : 0;
}

long CrtRegistering(void* hwnd, char* name, long a, long b) {
  if (R_Get_BOOL(kSettingRegisterPalettes) == 0) return 1;
  NameDialog state;
  state.tree = ModelTree::kPalettes;
  state.step = NameStep::kRegister;
  state.given = a;
  state.record = b;
  const long node = run_name_dialog(hwnd, state, kCaptionRegister, kRegisterContext, 3, nullptr,
                                    name != nullptr ? name : "");
  if (node <= 0) return 0;
  // the description typed in goes with the new node
  if (state.description[0] != '\0')
    set_node_description(ModelTree::kPalettes, node, state.description);
  if (state.ask_again == 0) R_Set_BOOL(kSettingRegisterPalettes, 0);
  return node;
}

long CallCreate(void* hwnd, long a, long b, int mode) {
  NameDialog state;
  state.tree = mode != 0 ? ModelTree::kPalettes : ModelTree::kPrototypes;
  state.step = NameStep::kCreate;
  state.given = a;
  state.record = b;
  return run_name_dialog(hwnd, state, kCaptionCreate,
                         mode != 0 ? kCreatePaletteNodeContext : kCreatePrototypeNodeContext, 2,
                         nullptr);
}

void CallPaletteDescription(void* hwnd, long node) {
  std::string text;
  if (!node_description(ModelTree::kPalettes, node, &text)) return;
  run_description_dialog(hwnd, text, false);
}

int CallFindName(void* dialog) {
  NameSearch& search = name_search();
  NameSearch edited = search;
  auto build = [&] {
    return MakeMainUnit(dialog, load(kCaptionFind).c_str(), "PalFind", 260, 100) != nullptr &&
           StaticText(10404, load(kLabelFind).c_str(), 5, 5, 70, 18) != 0 &&
           TextEditInput(kNameField, 80, 5, 175, 18) != 0 &&
           SetInpCont_Addres(kNameField, edited.text, sizeof edited.text) != 0 &&
           SetInpCont_MinMaxN(kNameField, 1, kNameLimit) != 0 &&
           CheckBoxInput(kCheckBox, load(kLabelMatchCase).c_str(), 5, 28, 250, 18) != 0 &&
           SetInpCont_Addres(kCheckBox, &edited.match_case) != 0 &&
           CheckBoxInput(kCheckBox2, load(kLabelMatchBeginning).c_str(), 5, 48, 250, 18) != 0 &&
           SetInpCont_Addres(kCheckBox2, &edited.match_beginning) != 0 &&
           CommandButton(kIdReject, kTextCancel, 5, 72, 90, 22) != 0 &&
           CommandButton(kIdAccept, kTextOk, 165, 72, 90, 22) != 0;
  };
  const int r = run_dialog(DialogRun{dialog, kFindContext, units::kDpalman, 4}, build).value_or(0);
  if (r != 0) {
    std::memcpy(search.text, edited.text, sizeof search.text);
    search.match_case = edited.match_case;
    search.match_beginning = edited.match_beginning;
  }
  return r;
}

void EndFindProc() {
  name_search().last = nullptr;
  if (g_manager != nullptr && g_manager->menu != nullptr)
    menu_enable(g_manager->menu, kCmdFindNext, false);
}
