// Filling and labelling the attribute manager's library tree.
#include "attributes/attribute_library_tree.h"

#include <utility>
#include <vector>

#include "foundation/fixed_text.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/model/attribute_store.h"

namespace dlist {
namespace {

constexpr const char* kIcons[] = {"aroot", "material", "formula", "text", "file"};

// The entries of group in one walk.
std::vector<std::pair<long, DBATTRIBUTENODETYPE>> entries_of(long group) {
  std::vector<std::pair<long, DBATTRIBUTENODETYPE>> out;
  ATTRIBUTES store;
  if (store.rew_node(group) != group) return out;
  DBATTRIBUTENODETYPE node;
  for (long id; (id = store.get_node(&node)) > 0;) out.emplace_back(id, node);
  return out;
}

// Fills the subtree of group below item, level by level; each level is appended
// and then sorted once.
void fill_below(void* tree, long group, _TREEITEM* item) {
  std::vector<std::pair<long, _TREEITEM*>> pending{{group, item}};
  while (!pending.empty()) {
    const auto [parent, parent_item] = pending.back();
    pending.pop_back();
    for (const auto& [id, child] : entries_of(parent)) {
      _TREEITEM* it = AddTreeViewItem(parent_item, attribute_item_text(child).c_str(), kTviLast,
                                      attribute_item_image(id, child), tree, id);
      if (it != nullptr && child.is_group()) pending.emplace_back(id, it);
    }
    tree_sort_children(tree, parent_item);
  }
}

_TREEITEM* find_below(void* tree, _TREEITEM* start, long id) {
  for (_TREEITEM* c : tree_children(tree, start)) {
    if (tree_param(tree, c) == id) return c;
    if (_TREEITEM* found = find_below(tree, c, id)) return found;
  }
  return nullptr;
}

}  // namespace

void* make_attribute_image_list() {
  void* list = image_list_create(16, 16);
  if (list == nullptr) return nullptr;
  int loaded = 0;
  for (const char* icon : kIcons) {
    if (image_list_add_icon(list, icon) >= 0) ++loaded;
  }
  if (loaded < 5) {
    image_list_destroy(list);
    return nullptr;
  }
  return list;
}

std::string attribute_item_text(const DBATTRIBUTENODETYPE& node) {
  if (node.kind > 0) return " " + field_string(node.name);
  return field_string(node.name);
}

int attribute_item_image(long id, const DBATTRIBUTENODETYPE& node) {
  if (node.kind == 0) return kAttrRootImage;
  if (node.kind > 0) return kAttrGroupImage;
  DBATTRIBUTETYPE definition;
  if (ATTRIBUTES().get_id_attribute(id, &definition) < 1) return kAttrTextImage;
  switch (definition.kind_index()) {
    case 0:
      return kAttrFormulaImage;
    case 2:
      return kAttrFileImage;
    default:
      return kAttrTextImage;
  }
}

_TREEITEM* fill_attribute_library_tree(void* tree) {
  if (tree == nullptr) return nullptr;
  tree_delete_all(tree);
  ATTRIBUTES store;
  const long root = store.rew_node(0);
  DBATTRIBUTENODETYPE node;
  if (root <= 0 || store.get_id_node(root, &node) != root) return nullptr;
  _TREEITEM* item = AddTreeViewItem(kTviRoot, attribute_item_text(node).c_str(), kTviLast,
                                    attribute_item_image(root, node), tree, root);
  if (item == nullptr) return nullptr;
  fill_below(tree, root, item);
  tree_expand(tree, item, kTveExpand);
  return item;
}

void refill_attribute_children(void* tree, _TREEITEM* item, long group) {
  if (tree == nullptr || item == nullptr) return;
  for (_TREEITEM* c : tree_children(tree, item)) tree_delete(tree, c);
  fill_below(tree, group, item);
  tree_expand(tree, item, kTveExpand);
}

_TREEITEM* add_attribute_item(void* tree, _TREEITEM* parent, long id) {
  DBATTRIBUTENODETYPE node;
  if (tree == nullptr || id <= 0 || ATTRIBUTES().get_id_node(id, &node) != id) return nullptr;
  _TREEITEM* item = AddTreeViewItem(parent, attribute_item_text(node).c_str(), kTviSort,
                                    attribute_item_image(id, node), tree, id);
  if (item != nullptr && node.is_group()) fill_below(tree, id, item);
  return item;
}

_TREEITEM* find_attribute_item(void* tree, long id) {
  return tree != nullptr ? find_below(tree, nullptr, id) : nullptr;
}

}  // namespace dlist
