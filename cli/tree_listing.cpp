// Listing a tree: a walk in pre-order that writes text or JSON node by node.
#include "cli/tree_listing.h"

#include <utility>

#include "cli/json_stream.h"
#include "cli/kind_word.h"
#include "foundation/code_page.h"

namespace dlist::cli {
namespace {

// Writes the nodes of a walk as nested objects; a node's object stays open, with
// its children array, until a node at its depth or above comes.
class TreeJson {
 public:
  explicit TreeJson(std::ostream& out) : json_(out) {}

  void add(const ListedNode& entry) {
    tree_.add(entry.depth, [&](JsonStream& json) {
      json.member("id", entry.node.id);
      json.member("level", entry.node.level);
      json.member("kind", entry.node.kind);
      json.member("name", entry.node.name);
      json.member("description", entry.node.description);
    });
  }

  // Closes what is open; writes nothing when no node came (an unreadable root).
  void finish() {
    if (tree_.empty()) return;
    tree_.close_to(0);
    json_.finish();
  }

 private:
  JsonStream json_;
  JsonTree tree_{json_};
};

}  // namespace

bool walk_tree(const StoreTree& tree, const std::function<void(const ListedNode&)>& visit,
               std::string* error) {
  std::optional<NodeInfo> root = tree.node(tree.root());
  if (!root) {
    *error = std::string("cannot read the root of the ") + tree.leaf_word() + " tree";
    return false;
  }
  // Each node has one parent, so the walk from the root meets every node once.
  std::vector<ListedNode> pending{{std::move(*root), 0}};
  while (!pending.empty()) {
    ListedNode entry = std::move(pending.back());
    pending.pop_back();
    visit(entry);
    if (entry.node.is_leaf()) continue;
    std::optional<std::vector<NodeInfo>> children = tree.children(entry.node.id);
    if (!children) {
      *error = "cannot read the contents of node " + std::to_string(entry.node.id);
      return false;
    }
    for (auto it = children->rbegin(); it != children->rend(); ++it)
      pending.push_back({std::move(*it), entry.depth + 1});
  }
  return true;
}

std::optional<std::vector<ListedNode>> list_tree(const StoreTree& tree, std::string* error) {
  std::vector<ListedNode> listed;
  if (!walk_tree(tree, [&](const ListedNode& entry) { listed.push_back(entry); }, error))
    return std::nullopt;
  return listed;
}

int tree_command(const StoreTree& tree, bool json, Output& out) {
  std::string error;
  bool walked = false;
  if (json) {
    TreeJson writer(out.out());
    walked = walk_tree(tree, [&](const ListedNode& entry) { writer.add(entry); }, &error);
    writer.finish();
  } else {
    walked = walk_tree(
        tree,
        [&](const ListedNode& entry) {
          out.out() << std::string(2 * static_cast<std::size_t>(entry.depth), ' ')
                    << entry.node.id << ' ' << kind_word(entry.node.kind) << ' '
                    << escape_controls(entry.node.name) << '\n';
        },
        &error);
  }
  return walked ? 0 : out.fail(error);
}

}  // namespace dlist::cli
