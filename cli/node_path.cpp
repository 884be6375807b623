// Resolving node identifiers and paths of names, and writing a node's path.
#include "cli/node_path.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <vector>

namespace dlist::cli {
namespace {

// Deeper than any tree can be (levels are 16-bit): a walk up that goes on longer
// is on damaged parent links and stops.
constexpr int kMaxWalkUp = 40000;

bool all_digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
}

std::vector<std::string_view> split_path(std::string_view node_text) {
  std::vector<std::string_view> names;
  std::size_t start = 0;
  while (start <= node_text.size()) {
    const std::size_t slash = std::min(node_text.find('/', start), node_text.size());
    if (slash > start) names.push_back(node_text.substr(start, slash - start));
    start = slash + 1;
  }
  return names;
}

std::string quoted(std::string_view name) {
  return "\"" + std::string(name) + "\"";
}

// The children of folder named name that may stand for the path's next step.
std::vector<NodeInfo> matching(const std::vector<NodeInfo>& children, std::string_view name,
                               bool folders_only) {
  std::vector<NodeInfo> found;
  for (const NodeInfo& child : children)
    if (child.name == name && (!folders_only || !child.is_leaf())) found.push_back(child);
  return found;
}

// The children of folder id; nothing, with the reason in *error, when unreadable.
std::optional<std::vector<NodeInfo>> contents(const StoreTree& tree, long id, std::string* error) {
  std::optional<std::vector<NodeInfo>> children = tree.children(id);
  if (!children) *error = "cannot read the contents of " + describe_node(tree, id);
  return children;
}

std::optional<NodeInfo> node_by_id(const StoreTree& tree, std::string_view node_text,
                                   std::string* error) {
  int64_t id = 0;
  const auto [end, ec] = std::from_chars(node_text.data(), node_text.data() + node_text.size(), id);
  std::optional<NodeInfo> node;
  if (ec == std::errc() && end == node_text.data() + node_text.size() && id > 0 && id <= kMaxModelId)
    node = tree.node(static_cast<long>(id));
  if (!node)
    *error = "there is no node " + std::string(node_text) + " in the " + tree.leaf_word() + " tree";
  return node;
}

}  // namespace

std::optional<NodeInfo> resolve_node(const StoreTree& tree, std::string_view node_text,
                                     NodeWanted wanted, std::string* error) {
  if (node_text.empty()) {
    *error = "no node given (an identifier or a path of names such as Walls/Outer)";
    return std::nullopt;
  }
  if (all_digits(node_text)) return node_by_id(tree, node_text, error);

  std::optional<NodeInfo> current = tree.node(tree.root());
  if (!current) {
    *error = std::string("cannot read the root of the ") + tree.leaf_word() + " tree";
    return std::nullopt;
  }
  const std::vector<std::string_view> names = split_path(node_text);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const bool last = i + 1 == names.size();
    const bool folders_only = !last || wanted == NodeWanted::kFolder;
    std::optional<std::vector<NodeInfo>> children = contents(tree, current->id, error);
    if (!children) return std::nullopt;
    std::vector<NodeInfo> found = matching(*children, names[i], folders_only);
    if (found.empty() && tree.tree() == ModelTree::kPalettes && current->depth() == 1 &&
        children->size() == 1 && !children->front().is_leaf()) {
      // The kind was named once: look in the kind folder.
      current = children->front();
      children = contents(tree, current->id, error);
      if (!children) return std::nullopt;
      found = matching(*children, names[i], folders_only);
    }
    if (found.empty()) {
      const bool leaf_there = folders_only && !matching(*children, names[i], false).empty();
      *error = leaf_there ? quoted(names[i]) + " in " + describe_node(tree, current->id) +
                                " is a " + tree.leaf_word() + ", not a folder"
                          : "there is no " + std::string(folders_only ? "folder " : "node ") +
                                quoted(names[i]) + " in " + describe_node(tree, current->id);
      return std::nullopt;
    }
    if (found.size() > 1) {
      std::string ids;
      for (const NodeInfo& n : found) ids += (ids.empty() ? "" : ", ") + std::to_string(n.id);
      *error = quoted(names[i]) + " in " + describe_node(tree, current->id) + " names " +
               std::to_string(found.size()) + " nodes (" + ids + "); give the node's identifier";
      return std::nullopt;
    }
    current = found.front();
  }
  return current;
}

std::string path_of(const StoreTree& tree, long id) {
  std::vector<std::string> names;
  long at = id;
  for (int step = 0; step < kMaxWalkUp; ++step) {
    const long up = tree.parent(at);
    if (up <= 0) break;  // at is the root (or not a node)
    std::optional<NodeInfo> node = tree.node(at);
    names.push_back(node ? node->name : "?");
    at = up;
  }
  if (names.empty()) return "/";
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) path += (path.empty() ? "" : "/") + *it;
  return path;
}

std::string describe_node(const StoreTree& tree, long id) {
  return path_of(tree, id) + " (node " + std::to_string(id) + ")";
}

}  // namespace dlist::cli
