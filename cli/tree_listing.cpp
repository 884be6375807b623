// Listing a tree: a walk in pre-order, then text or JSON.
#include "cli/tree_listing.h"

#include <utility>

#include "cli/kind_word.h"

namespace dlist::cli {

std::optional<std::vector<ListedNode>> list_tree(const StoreTree& tree, std::string* error) {
  std::optional<NodeInfo> root = tree.node(tree.root());
  if (!root) {
    *error = std::string("cannot read the root of the ") + tree.leaf_word() + " tree";
    return std::nullopt;
  }
  std::vector<ListedNode> listed;
  // Each node has one parent, so the walk from the root meets every node once.
  std::vector<ListedNode> pending{{std::move(*root), 0}};
  while (!pending.empty()) {
    ListedNode entry = std::move(pending.back());
    pending.pop_back();
    if (!entry.node.is_leaf()) {
      std::optional<std::vector<NodeInfo>> children = tree.children(entry.node.id);
      if (!children) {
        *error = "cannot read the contents of node " + std::to_string(entry.node.id);
        return std::nullopt;
      }
      for (auto it = children->rbegin(); it != children->rend(); ++it)
        pending.push_back({std::move(*it), entry.depth + 1});
    }
    listed.push_back(std::move(entry));
  }
  return listed;
}

nlohmann::ordered_json tree_json(const std::vector<ListedNode>& nodes) {
  nlohmann::ordered_json root;
  // The objects from the root down to the last one added; a new node's parent is
  // the one at its depth - 1. Adding to a children array moves only the earlier
  // siblings, which are off this path by then.
  std::vector<nlohmann::ordered_json*> path;
  for (const ListedNode& entry : nodes) {
    nlohmann::ordered_json object = {{"id", entry.node.id},
                                     {"level", entry.node.level},
                                     {"kind", entry.node.kind},
                                     {"name", entry.node.name},
                                     {"description", entry.node.description},
                                     {"children", nlohmann::ordered_json::array()}};
    if (path.empty() || entry.depth == 0) {
      root = std::move(object);
      path.assign(1, &root);
      continue;
    }
    path.resize(static_cast<std::size_t>(entry.depth));
    nlohmann::ordered_json& children = (*path.back())["children"];
    children.push_back(std::move(object));
    path.push_back(&children.back());
  }
  return root;
}

void print_tree(const std::vector<ListedNode>& nodes, std::ostream& out) {
  for (const ListedNode& entry : nodes)
    out << std::string(2 * static_cast<std::size_t>(entry.depth), ' ') << entry.node.id << ' '
        << kind_word(entry.node.kind) << ' ' << entry.node.name << '\n';
}

int tree_command(const StoreTree& tree, bool json, Output& out) {
  std::string error;
  std::optional<std::vector<ListedNode>> nodes = list_tree(tree, &error);
  if (!nodes) return out.fail(error);
  if (json) {
    // Names are bytes as the store keeps them; what is not UTF-8 is replaced
    // rather than refused, so the listing never fails on an imported name.
    out.out() << tree_json(*nodes).dump(2, ' ', false,
                                        nlohmann::ordered_json::error_handler_t::replace)
              << '\n';
  } else {
    print_tree(*nodes, out.out());
  }
  return 0;
}

}  // namespace dlist::cli
