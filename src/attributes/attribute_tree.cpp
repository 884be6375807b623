// The filtered attribute tree and the attribute selection dialog.
#include "attributes/attribute_tree.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/dialog_runner.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/tree_view.h"
#include "host/model/attribute_store.h"
#include "host/report.h"
#include "host/resources.h"

namespace dlist {
namespace {

struct Entry {
  long id = 0;
  std::string name;
  int image = kAttrImageDummy;
  std::vector<Entry> children;
};

std::string node_name(const DBATTRIBUTENODETYPE& node) {
  return std::string(node.name, strnlen(node.name, sizeof node.name));
}

// Reads the entries under group, keeping the attributes that meet filter and the
// groups that lead to one; whether anything under group was kept. depth bounds a
// damaged store whose groups would form a cycle.
bool read_group(long group, uint32_t filter, std::vector<Entry>* out, int depth) {
  if (depth > 64) return false;
  std::vector<std::pair<long, DBATTRIBUTENODETYPE>> listed;
  {
    ATTRIBUTES walk;
    if (walk.rew_node(group) == 0) return false;
    DBATTRIBUTENODETYPE node{};
    while (long id = walk.get_node(&node)) listed.emplace_back(id, node);
  }
  for (const auto& [id, node] : listed) {
    Entry e;
    e.id = id;
    e.name = node_name(node);
    if (node.kind < 0) {
      DBATTRIBUTETYPE def{};
      if (ATTRIBUTES().get_id_attribute(id, &def) < 1 || (def.Filter() & filter) == 0) continue;
      const int kind = def.kind_index();
      if (kind < 0) continue;
      e.image = kAttrImageFormula + kind;
    } else {
      if (!read_group(id, filter, &e.children, depth + 1)) continue;
      e.image = kAttrImageGroup;
    }
    out->push_back(std::move(e));
  }
  std::stable_sort(out->begin(), out->end(),
                   [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return !out->empty();
}

bool insert_entries(void* tree, _TREEITEM* parent, const std::vector<Entry>& entries) {
  for (const Entry& e : entries) {
    _TREEITEM* item = tree_insert(tree, parent, kTviLast, e.name.c_str(), e.image, e.image, e.id);
    if (item == nullptr || !insert_entries(tree, item, e.children)) return false;
  }
  return true;
}

}  // namespace

bool add_attribute_images(void* image_list) {
  if (image_list == nullptr) return false;
  for (const char* icon : {"aroot", "material", "formula", "text", "file", "dummy"})
    if (image_list_add_icon(image_list, icon) < 0) return false;
  return image_list_count(image_list) >= 6;
}

_TREEITEM* build_attribute_tree(void* tree, uint32_t filter) {
  if (tree == nullptr) return nullptr;
  tree_delete_all(tree);
  const long root = ATTRIBUTES().rew_node(0);
  DBATTRIBUTENODETYPE node{};
  if (root == 0 || ATTRIBUTES().get_id_node(root, &node) == 0) return nullptr;
  std::vector<Entry> entries;
  read_group(root, filter, &entries, 0);
  _TREEITEM* item =
      tree_insert(tree, kTviRoot, kTviLast, node_name(node).c_str(), kAttrImageRoot,
                  kAttrImageRoot, root);
  if (item == nullptr || !insert_entries(tree, item, entries)) return nullptr;
  tree_expand(tree, item, kTveExpand);
  return item;
}

namespace {

struct SelState {
  uint32_t filter = 0;
  long chosen = 0;
  DialogImages images;
};
SelState* g_sel = nullptr;

// The attribute the tree's selection names, 0 for a group, the root or none.
long selected_attribute(void* dialog) {
  void* tree = GetControlHWND(dialog, kAttributeSelTree);
  _TREEITEM* item = tree_get_next(tree, nullptr, TreeRelation::kCaret);
  if (item == nullptr || !is_attribute_image(tree_image(tree, item))) return 0;
  return static_cast<long>(tree_param(tree, item));
}

void show_ok(void* dialog) {
  g_sel->chosen = selected_attribute(dialog);
  SetInputActivitet(dialog, kIdAccept, g_sel->chosen != 0);
}

}  // namespace
}  // namespace dlist

using namespace dlist;

int DLIST_CALL AttributeSel_Init_Proc(void* dialog) {
  void* images = g_sel->images.create(16, 16);
  if (!add_attribute_images(images)) return 0;
  void* tree = GetControlHWND(dialog, kAttributeSelTree);
  tree_set_image_list(tree, images);
  if (build_attribute_tree(tree, g_sel->filter) == nullptr) return 0;
  show_ok(dialog);
  return 1;
}

int DLIST_CALL AttributeSel_ExtAction_Proc(void* dialog, int control, int code) {
  if (control == kAttributeSelTree && code == kTvnSelChanged) show_ok(dialog);
  return 0;
}

int DLIST_CALL AttributeSel_KeyEnter_Proc(void* dialog, int /*control*/) {
  if (g_sel->chosen != 0 && control_enabled(dialog, kIdAccept)) {
    post_command(dialog, kIdAccept);
  } else {
    SpecBeep(1, units::kDattrsel, 229);
  }
  return 1;
}

int DLIST_CALL AttributeSel_IDC_OK_Proc(void* dialog) {
  show_ok(dialog);
  return g_sel->chosen != 0 ? 1 : 0;
}

long CallAttributeSel(void* window, long filter) {
  SelState state;
  state.filter = static_cast<uint32_t>(filter);
  const std::string title = load_string(21353);
  const int w = 260, h = 320, bh = 24, bw = 80;
  const std::optional<int> accepted = run_dialog(
      DialogRun{window, kAttributeSelContext, units::kDattrsel, 2, &state.images}, g_sel, &state,
      [&] {
        return MakeMainUnit(window, title.c_str(), "AttributeSel", w, h) != nullptr &&
               TreeViewInput(kAttributeSelTree, 8, 8, w - 16, h - bh - 24) != 0 &&
               CommandButton(kIdReject, 20995, w - 2 * bw - 16, h - bh - 8, bw, bh) != 0 &&
               CommandButton(kIdAccept, 36, w - bw - 8, h - bh - 8, bw, bh) != 0 &&
               SetDlgInitProc(AttributeSel_Init_Proc) != 0 &&
               SetAllInputProc(AttributeSel_ExtAction_Proc) != 0 &&
               SetKeyEnterProc(AttributeSel_KeyEnter_Proc) != 0 &&
               SetIDC_OKProc(AttributeSel_IDC_OK_Proc) != 0;
      },
      143);
  if (!accepted || *accepted == 0) return 0;
  return state.chosen;
}
