// The command families of the two trees, `dlist palettes ...` and
// `dlist prototypes ...`, registered once over the tree: `tree [--json]`,
// `new --kind KIND --name NAME [--in NODE]` and `new-folder --name NAME --in NODE`.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/manager_commands.h"
#include "cli/node_commands.h"
#include "cli/project.h"
#include "cli/store_tree.h"
#include "cli/tree_listing.h"

namespace dlist::cli {
namespace {

void add_family(CLI::App& app, Context& context, ModelTree which) {
  const StoreTree tree(which);
  const std::string family = tree.word();
  const std::string leaf = tree.leaf_word();
  CLI::App* group = app.add_subcommand(family, "The " + leaf + " tree of the project");
  group->require_subcommand(1);

  CLI::App* list = group->add_subcommand("tree", "Show the " + leaf + " tree");
  auto json = std::make_shared<bool>(false);
  auto report = std::make_shared<bool>(false);
  list->add_flag("--json", *json,
                 "As JSON: nodes with id, level, kind, name, description, children");
  if (which == ModelTree::kPalettes) {
    list->add_flag("--report", *report, "Each palette with its three reference counts")
        ->excludes("--json");
  }
  list->callback([&context, tree, family, json, report] {
    context.status =
        run_in_project(context, family + " tree", false, [&](ModelDatabase&, Output& out) {
          return *report ? report_tree_command(tree, out) : tree_command(tree, *json, out);
        });
  });

  CLI::App* leaf_cmd =
      group->add_subcommand("new", "Store the default " + leaf + " of a kind under a new node");
  auto request = std::make_shared<NewLeafRequest>();
  leaf_cmd->add_option("--kind", request->kind, "Kind: code 1 to 13, or wall, door, window, ...")
      ->required();
  leaf_cmd->add_option("--name", request->name, "Name of the new node")->required();
  leaf_cmd->add_option("--in", request->in,
                       "Folder: identifier or path of names such as Walls/Outer "
                       "(default: the kind folder)");
  leaf_cmd->callback([&context, tree, family, request] {
    context.status =
        run_in_project(context, family + " new", false, [&](ModelDatabase& project, Output& out) {
          return new_leaf_command(project, tree, *request, out);
        });
  });

  CLI::App* folder_cmd = group->add_subcommand("new-folder", "Create a folder");
  auto name = std::make_shared<std::string>();
  auto in = std::make_shared<std::string>();
  folder_cmd->add_option("--name", *name, "Name of the new folder")->required();
  folder_cmd->add_option("--in", *in, "Folder: identifier or path of names such as Walls/Outer")
      ->required();
  folder_cmd->callback([&context, tree, family, name, in] {
    context.status = run_in_project(context, family + " new-folder", false,
                                    [&](ModelDatabase& project, Output& out) {
                                      return new_folder_command(project, tree, *name, *in, out);
                                    });
  });
}

}  // namespace

void add_tree_commands(CLI::App& app, Context& context) {
  add_family(app, context, ModelTree::kPalettes);
  add_family(app, context, ModelTree::kPrototypes);
}

}  // namespace dlist::cli
