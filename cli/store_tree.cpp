// StoreTree over the two store handles.
#include "cli/store_tree.h"

#include <string_view>

#include "foundation/code_page.h"
#include "foundation/element_kinds.h"
#include "foundation/tree_nodes.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"

namespace dlist::cli {
namespace {

// Calls f(store, node) with a new handle of the tree's store and a node record of
// its type; returns f's result.
template <class F>
auto with_store(ModelTree tree, F&& f) {
  if (tree == ModelTree::kPalettes) {
    PALETTES store;
    DBPALETTENODETYPE node;
    return f(store, node);
  }
  PROTOTYPES store;
  DBPROTOTYPENODE node;
  return f(store, node);
}

NodeInfo info_of(long id, const TreeNode& node) {
  NodeInfo info;
  info.id = id;
  info.level = node.level;
  info.kind = node.kind;
  info.name = utf8_text(std::string_view(node.name, field_length(node.name, sizeof node.name)));
  info.description = utf8_text(node.description.get());
  return info;
}

}  // namespace

const char* StoreTree::word() const {
  return tree_ == ModelTree::kPalettes ? "palettes" : "prototypes";
}

const char* StoreTree::leaf_word() const {
  return tree_ == ModelTree::kPalettes ? "palette" : "prototype";
}

int StoreTree::kind_folder_depth() const {
  return (tree_ == ModelTree::kPalettes ? kPaletteUserLevel : kPrototypeUserLevel) - 1;
}

long StoreTree::root() const {
  return with_store(tree_, [](auto& store, auto&) { return store.get_root(0); });
}

long StoreTree::kind_folder(int kind) const {
  if (kind < kFirstKind || kind > kLastKind) return 0;
  return with_store(
      tree_, [kind](auto& store, auto&) { return store.get_root(static_cast<short>(kind)); });
}

std::optional<NodeInfo> StoreTree::node(long id) const {
  return with_store(tree_, [id](auto& store, auto& node) -> std::optional<NodeInfo> {
    if (id <= 0 || store.get_id_node(id, &node) != id) return std::nullopt;
    return info_of(id, node);
  });
}

std::optional<std::vector<NodeInfo>> StoreTree::children(long id) const {
  return with_store(tree_, [id](auto& store, auto& node) -> std::optional<std::vector<NodeInfo>> {
    if (id <= 0 || store.rew_node(id) != id) return std::nullopt;
    std::vector<NodeInfo> list;
    while (const long child = store.get_node(&node)) {
      if (child < 0) break;
      list.push_back(info_of(child, node));
    }
    return list;
  });
}

long StoreTree::parent(long id) const {
  return with_store(tree_, [id](auto& store, auto&) { return id > 0 ? store.up_node(id) : 0L; });
}

bool StoreTree::name_used(long parent, const std::string& name) const {
  std::string ignored;
  const std::optional<std::string> stored = stored_text(name, &ignored);
  if (!stored) return false;  // no stored name can equal it
  return with_store(tree_, [&](auto& store, auto&) {
    return store.is_usedname(parent, stored->c_str(), 0) != 0;
  });
}

long StoreTree::create_node(long parent, const std::string& name, long record) const {
  std::string ignored;
  const std::optional<std::string> stored = stored_text(name, &ignored);
  if (!stored) return -1;
  return with_store(tree_, [&](auto& store, auto& node) {
    node.set_name(stored->c_str());
    return store.cre_node(parent, node, record);
  });
}

StoredRecord StoreTree::store_default_record(int kind) const {
  return tree_ == ModelTree::kPalettes ? store_default_palette(kind)
                                       : store_default_prototype(kind);
}

}  // namespace dlist::cli
