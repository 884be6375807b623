// Creating palettes, prototypes and folders from the command line.
#include "cli/node_commands.h"

#include <functional>
#include <optional>

#include "cli/file_checks.h"
#include "cli/kind_word.h"
#include "cli/node_path.h"
#include "foundation/code_page.h"
#include "foundation/node_name.h"

namespace dlist::cli {
namespace {

std::string quoted(const std::string& name) {
  return "\"" + name + "\"";
}

// The folder that new nodes go into: a folder of the tree at the kind folders'
// depth or below (of kind, when kind is not 0), named by `in`, or the kind folder
// when `in` is empty. Nothing, with the reason in *error, otherwise.
std::optional<NodeInfo> target_folder(const StoreTree& tree, const std::string& in, int kind,
                                      std::string* error) {
  std::optional<NodeInfo> folder;
  if (in.empty()) {
    folder = tree.node(tree.kind_folder(kind));
    if (!folder) *error = std::string("the project has no ") + kind_word(kind) + " kind folder";
  } else {
    folder = resolve_node(tree, in, NodeWanted::kFolder, error);
  }
  if (!folder) return std::nullopt;
  if (!folder->is_leaf() && folder->kind != 0 && folder->depth() < tree.kind_folder_depth()) {
    // A system node of one kind above its kind folder ("Walls" in the palette
    // tree) stands for that kind folder.
    std::optional<NodeInfo> kind_folder = tree.node(tree.kind_folder(folder->kind));
    if (kind_folder) folder = kind_folder;
  }
  const std::string where = describe_node(tree, folder->id);
  if (folder->is_leaf())
    *error = where + " is a " + tree.leaf_word() + ", not a folder";
  else if (folder->depth() < tree.kind_folder_depth())
    *error = where + " is a system folder; new nodes go into a kind folder or below it";
  else if (kind != 0 && folder->kind != kind)
    *error = where + " holds " + kind_word(folder->kind) + " " + tree.word() + ", not " +
             kind_word(kind) + " ones";
  else
    return folder;
  return std::nullopt;
}

// Creates the node name below folder in one transaction: record() stores the
// leaf's record first (nothing for a folder: it returns 0 then), or fails with
// the reason in *error (answering -1). The new node's identifier, 0 when refused.
long create_in(ModelDatabase& project, const StoreTree& tree, const NodeInfo& folder,
               const std::string& name, const std::function<long(std::string*)>& record,
               std::string* error) {
  const std::string where = describe_node(tree, folder.id);
  if (tree.name_used(folder.id, name)) {
    *error = "the name " + quoted(name) + " is used in " + where + " already";
    return 0;
  }
  Transaction change(project);
  if (!change) {
    *error = cannot_change(project.connection(), "project", project.fullpath());
    return 0;
  }
  const long stored = record(error);
  if (stored < 0) return 0;
  const long node = tree.create_node(folder.id, name, stored);
  if (node <= 0) {
    const std::string cause = project.connection().failure_cause();
    *error = "the node " + quoted(name) + " could not be created in " + where +
             (cause.empty() ? std::string() : ": " + cause);
    return 0;
  }
  if (!change.commit()) {
    *error = cannot_save(project.connection(), "project", project.fullpath());
    return 0;
  }
  return node;
}

}  // namespace

bool check_node_name(const std::string& name, std::string* error) {
  if (name.empty()) {
    *error = "the name is empty";
    return false;
  }
  std::string why;
  const std::optional<std::string> stored = stored_text(name, &why);
  if (!stored) {
    *error = "the name " + quoted(name) + " cannot be stored: " + why;
    return false;
  }
  const std::string fault = node_name_fault(*stored);
  if (fault.empty()) return true;
  *error = "the name " + quoted(name) + " " + fault;
  return false;
}

int new_leaf_command(ModelDatabase& project, const StoreTree& tree, const NewLeafRequest& request,
                     Output& out) {
  std::string error;
  const int kind = parse_kind(request.kind, &error);
  if (kind == 0 || !check_node_name(request.name, &error)) return out.fail(error);
  std::optional<NodeInfo> folder = target_folder(tree, request.in, kind, &error);
  if (!folder) return out.fail(error);

  const std::string what = std::string(kind_word(kind)) + " " + tree.leaf_word();
  long record_id = 0;
  const long node = create_in(
      project, tree, *folder, request.name,
      [&](std::string* why) -> long {
        const StoredRecord stored = tree.store_default_record(kind);
        if (stored.existed) {
          *why = "an identical " + what + " is stored already (" + tree.leaf_word() + " " +
                 std::to_string(stored.id) + "); no node was created";
          return -1;
        }
        if (stored.id <= 0) {
          const std::string cause = project.connection().failure_cause();
          *why = "the " + what + " could not be stored" + (cause.empty() ? "" : ": " + cause);
          return -1;
        }
        record_id = stored.id;
        return stored.id;
      },
      &error);
  if (node == 0) return out.fail(error);
  out.note("created " + what + " " + std::to_string(record_id) + " as node " +
           std::to_string(node) + " " + path_of(tree, node));
  return 0;
}

int new_folder_command(ModelDatabase& project, const StoreTree& tree, const std::string& name,
                       const std::string& in, Output& out) {
  std::string error;
  if (!check_node_name(name, &error)) return out.fail(error);
  if (in.empty()) return out.fail("no folder given to create " + quoted(name) + " in (--in)");
  std::optional<NodeInfo> folder = target_folder(tree, in, 0, &error);
  if (!folder) return out.fail(error);
  const long node = create_in(
      project, tree, *folder, name, [](std::string*) -> long { return 0; }, &error);
  if (node == 0) return out.fail(error);
  out.note("created folder " + std::to_string(node) + " " + path_of(tree, node));
  return 0;
}

}  // namespace dlist::cli
