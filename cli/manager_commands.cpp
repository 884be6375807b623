// The palette manager's procedures from the command line, registered once for both
// trees: `rename NODE NAME`, `remove NODE`, `move NODE FOLDER`, `describe NODE
// [--text TEXT]`, `find TEXT [--match-case] [--prefix] [--all]`; for palettes
// `unregistered [--json]` and `register ID --in FOLDER --name NAME`; for
// prototypes `duplicate NODE`. Each runs the procedure the manager's command runs
// (palettes/manager_procedures.h, the name search of palettes/palette_tree.h), in
// one transaction; the questions and refusals of the procedures reach the console
// user as message boxes.
#include "cli/manager_commands.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "cli/console_window.h"
#include "cli/json_stream.h"
#include "cli/kind_word.h"
#include "cli/material_library_file.h"
#include "cli/node_commands.h"
#include "cli/node_path.h"
#include "foundation/code_page.h"
#include "foundation/element_kinds.h"
#include "foundation/fixed_text.h"
#include "host/dialog/engine.h"
#include "host/dialog/tree_view.h"
#include "host/model/palette_store.h"
#include "palettes/manager_procedures.h"
#include "palettes/palette_records.h"
#include "palettes/palette_tree.h"

namespace dlist::cli {
namespace {

std::string quoted(const std::string& s) {
  return "\"" + s + "\"";
}

// The node named by text that the manager lets the user change: a node below the
// kind folders. Nothing, with the reason in *error, otherwise.
std::optional<NodeInfo> user_node(const StoreTree& tree, const std::string& text,
                                  std::string* error) {
  std::optional<NodeInfo> node = resolve_node(tree, text, NodeWanted::kAny, error);
  if (!node) return std::nullopt;
  if (node->depth() <= tree.kind_folder_depth()) {
    *error = describe_node(tree, node->id) + " is a system folder; it stays as it is";
    return std::nullopt;
  }
  return node;
}

// The name as the store keeps it; nothing, with the reason, when it cannot be a
// node's name.
std::optional<std::string> stored_name(const std::string& name, std::string* error) {
  if (!check_node_name(name, error)) return std::nullopt;
  return stored_text(name, error);
}

// Whether the last message box since `before` was answered No.
bool answered_no(std::size_t before) {
  const auto& boxes = dialog_log().message_boxes;
  return boxes.size() > before && boxes.back().answer == kIdNo;
}

bool refused_by_message(std::size_t before) {
  return dialog_log().message_boxes.size() > before;
}

int rename_command(ModelDatabase& project, const StoreTree& tree, const std::string& node_text,
                   const std::string& name, Output& out) {
  std::string error;
  const std::optional<NodeInfo> node = user_node(tree, node_text, &error);
  if (!node) return out.fail(error);
  const std::optional<std::string> stored = stored_name(name, &error);
  if (!stored) return out.fail(error);
  Transaction change(project);
  if (!change) return out.fail("the project cannot be changed now");
  const std::size_t before = dialog_log().message_boxes.size();
  if (confirm_node_name(console_window(), tree.tree(), NameStep::kRename, node->id, 0,
                        stored->c_str()) <= 0) {
    return out.fail(refused_by_message(before) ? "the name " + quoted(name) + " is used beside " +
                                                     describe_node(tree, node->id) + " already"
                                               : "cannot rename " + describe_node(tree, node->id));
  }
  if (!change.commit()) return out.fail("the project could not be saved");
  out.note("renamed node " + std::to_string(node->id) + " to " + path_of(tree, node->id));
  return 0;
}

int remove_command(ModelDatabase& project, const StoreTree& tree, const std::string& node_text,
                   bool can_answer, Output& out) {
  std::string error;
  const std::optional<NodeInfo> node = user_node(tree, node_text, &error);
  if (!node) return out.fail(error);
  if (!can_answer)
    return out.fail("removing " + describe_node(tree, node->id) +
                    " asks for a confirmation: use --yes to go ahead (or --no), or run it on a "
                    "terminal");
  const std::string what = describe_node(tree, node->id);
  Transaction change(project);
  if (!change) return out.fail("the project cannot be changed now");
  const std::size_t before = dialog_log().message_boxes.size();
  if (remove_node_asked(console_window(), tree.tree(), node->id) == 0) {
    if (answered_no(before)) return out.fail("kept " + what + ": the answer was No");
    return out.fail("cannot remove " + what);
  }
  if (!change.commit()) return out.fail("the project could not be saved");
  out.note("removed " + what);
  return 0;
}

int move_command(ModelDatabase& project, const StoreTree& tree, const std::string& node_text,
                 const std::string& folder_text, Output& out) {
  std::string error;
  const std::optional<NodeInfo> node = user_node(tree, node_text, &error);
  if (!node) return out.fail(error);
  const std::optional<NodeInfo> target =
      resolve_node(tree, folder_text, NodeWanted::kFolder, &error);
  if (!target) return out.fail(error);
  const std::string what = describe_node(tree, node->id);
  const std::string where = describe_node(tree, target->id);
  if (!drop_allowed(tree.tree(), node->id, target->id)) {
    return out.fail("cannot move " + what + " into " + where +
                    ": it is its folder already, holds other kinds, lies inside the node, or "
                    "holds that name already");
  }
  Transaction change(project);
  if (!change) return out.fail("the project cannot be changed now");
  if (move_dropped(tree.tree(), node->id, target->id) == 0) return out.fail("cannot move " + what);
  if (!change.commit()) return out.fail("the project could not be saved");
  out.note("moved node " + std::to_string(node->id) + " to " + path_of(tree, node->id));
  return 0;
}

int describe_command(ModelDatabase& project, const StoreTree& tree, const std::string& node_text,
                     const std::optional<std::string>& text, Output& out) {
  std::string error;
  const std::optional<NodeInfo> node = resolve_node(tree, node_text, NodeWanted::kAny, &error);
  if (!node) return out.fail(error);
  if (!text) {
    out.out() << escape_controls(node->description) << '\n';
    return 0;
  }
  const std::optional<std::string> stored = stored_text(*text, &error);
  if (!stored) return out.fail("the description cannot be stored: " + error);
  if (stored->size() > 10000) return out.fail("the description is longer than 10000 characters");
  Transaction change(project);
  if (!change) return out.fail("the project cannot be changed now");
  if (set_node_description(tree.tree(), node->id, *stored) == 0)
    return out.fail("cannot describe " + describe_node(tree, node->id));
  if (!change.commit()) return out.fail("the project could not be saved");
  out.note("described " + describe_node(tree, node->id));
  return 0;
}

struct FindRequest {
  std::string text;
  bool match_case = false;
  bool prefix = false;
  bool all = false;
};

int find_command(const StoreTree& tree, const FindRequest& request, Output& out) {
  std::string error;
  const std::optional<std::string> stored = stored_text(request.text, &error);
  if (request.text.empty() || !stored || stored->size() > 31)
    return out.fail("the search text must be 1 to 31 characters of the project's code page");
  TreeViewHost view;
  if (view.dialog() == nullptr) return out.fail("the trees cannot be shown");
  const bool palettes = tree.tree() == ModelTree::kPalettes;
  if (palettes) {
    FillPaletteTreeView(view.dialog(), 0);
  } else {
    FillPrototypeTreeView(view.dialog(), 0, 0);
  }
  void* shown = view.tree(palettes ? kPaletteTreeView : kPrototypeTreeView);
  NameSearch& search = name_search();
  set_field(search.text, sizeof search.text, *stored);
  search.match_case = request.match_case ? 1 : 0;
  search.match_beginning = request.prefix ? 1 : 0;
  const std::vector<_TREEITEM*> found = search_names(shown, request.all);
  for (_TREEITEM* item : found) {
    const long param = static_cast<long>(tree_param(shown, item));
    const std::string text = utf8_text(tree_text(shown, item));
    if (palettes && tree_image(shown, item) == kUnregisteredImage) {
      out.out() << "palette " << param << ' ' << escape_controls(text) << '\n';
    } else {
      out.out() << param << ' ' << escape_controls(path_of(tree, param)) << '\n';
    }
  }
  if (found.empty()) return out.fail("no name matches " + quoted(request.text));
  return 0;
}

int unregistered_command(bool json, Output& out) {
  const std::vector<long> palettes = unregistered_palettes(0);
  PALETTES store;
  if (json) {
    JsonStream writer(out.out());
    writer.begin_array();
    for (long palette : palettes) {
      int a = 0, b = 0, c = 0;
      store.get_references_number(palette, &a, &b, &c);
      writer.value(nlohmann::ordered_json{{"id", palette},
                                          {"kind", kind_word(store.get_palette_type(palette))},
                                          {"text", utf8_text(palette_item_text(nullptr, palette))},
                                          {"references", {a, b, c}}});
    }
    writer.end_array();
    writer.finish();
    return 0;
  }
  for (long palette : palettes) {
    int a = 0, b = 0, c = 0;
    store.get_references_number(palette, &a, &b, &c);
    out.out() << palette << ' ' << kind_word(store.get_palette_type(palette)) << ' '
              << escape_controls(utf8_text(palette_item_text(nullptr, palette))) << " (" << a << ','
              << b << ',' << c << ")\n";
  }
  return 0;
}

int register_command(ModelDatabase& project, const StoreTree& tree, long palette,
                     const std::string& folder_text, const std::string& name, Output& out) {
  std::string error;
  PALETTES store;
  const int kind = store.get_palette_type(palette);
  if (palette <= 0 || kind == 0) return out.fail("there is no palette " + std::to_string(palette));
  DBPALETTENODETYPE carrier;
  if (store.get_palid_node(palette, &carrier) > 0)
    return out.fail("palette " + std::to_string(palette) + " has a node already");
  const std::optional<NodeInfo> folder =
      resolve_node(tree, folder_text, NodeWanted::kFolder, &error);
  if (!folder) return out.fail(error);
  if (folder->depth() < tree.kind_folder_depth() || folder->kind != kind)
    return out.fail(describe_node(tree, folder->id) + " cannot hold " + kind_word(kind) +
                    " palettes");
  const std::optional<std::string> stored = stored_name(name, &error);
  if (!stored) return out.fail(error);
  Transaction change(project);
  if (!change) return out.fail("the project cannot be changed now");
  const std::size_t before = dialog_log().message_boxes.size();
  const long node = confirm_node_name(console_window(), ModelTree::kPalettes, NameStep::kRegister,
                                      folder->id, palette, stored->c_str());
  if (node <= 0) {
    return out.fail(refused_by_message(before)
                        ? "the name " + quoted(name) + " is used in " +
                              describe_node(tree, folder->id) + " already"
                        : "cannot register palette " + std::to_string(palette));
  }
  if (!change.commit()) return out.fail("the project could not be saved");
  out.note("registered palette " + std::to_string(palette) + " as node " + std::to_string(node) +
           " " + path_of(tree, node));
  return 0;
}

int duplicate_command(ModelDatabase& project, const StoreTree& tree, const std::string& node_text,
                      Output& out) {
  std::string error;
  const std::optional<NodeInfo> node = user_node(tree, node_text, &error);
  if (!node) return out.fail(error);
  if (IsProtectedItem(const_cast<char*>(stored_text(node->name, &error).value_or("").c_str())) != 0)
    return out.fail(describe_node(tree, node->id) + " is protected and is not duplicated");
  Transaction change(project);
  if (!change) return out.fail("the project cannot be changed now");
  const long copy = duplicate_prototype(console_window(), node->id);
  if (copy <= 0) return out.fail("cannot duplicate " + describe_node(tree, node->id));
  if (!change.commit()) return out.fail("the project could not be saved");
  out.note("duplicated " + describe_node(tree, node->id) + " as node " + std::to_string(copy) +
           " " + path_of(tree, copy));
  return 0;
}

void add_family(CLI::App& app, Context& context, ModelTree which) {
  const StoreTree tree(which);
  const std::string family = tree.word();
  CLI::App* group = app.get_subcommand(family);
  auto run = [&context, family](const std::string& name, ProjectBody body) {
    context.status = run_in_project(context, family + " " + name, false, body);
  };

  CLI::App* rename = group->add_subcommand("rename", "Rename a node (the manager's rename)");
  auto node = std::make_shared<std::string>();
  auto name = std::make_shared<std::string>();
  rename->add_option("NODE", *node, "Identifier or path")->required();
  rename->add_option("NAME", *name, "New name")->required();
  rename->callback([tree, node, name, run] {
    run("rename",
        [&](ModelDatabase& p, Output& out) { return rename_command(p, tree, *node, *name, out); });
  });

  CLI::App* remove = group->add_subcommand(
      "remove", "Remove a node with everything below it (asks first; --yes, --no)");
  auto removed = std::make_shared<std::string>();
  remove->add_option("NODE", *removed, "Identifier or path")->required();
  remove->callback([&context, tree, removed, run] {
    const bool can_answer = can_answer_questions(context);
    run("remove", [&](ModelDatabase& p, Output& out) {
      return remove_command(p, tree, *removed, can_answer, out);
    });
  });

  CLI::App* move = group->add_subcommand("move", "Move a node into a folder (as dragging it does)");
  auto moved = std::make_shared<std::string>();
  auto folder = std::make_shared<std::string>();
  move->add_option("NODE", *moved, "Identifier or path")->required();
  move->add_option("FOLDER", *folder, "Identifier or path of the folder")->required();
  move->callback([tree, moved, folder, run] {
    run("move",
        [&](ModelDatabase& p, Output& out) { return move_command(p, tree, *moved, *folder, out); });
  });

  CLI::App* describe = group->add_subcommand("describe", "Show a node's description, or set it");
  auto described = std::make_shared<std::string>();
  auto text = std::make_shared<std::optional<std::string>>();
  describe->add_option("NODE", *described, "Identifier or path")->required();
  describe->add_option_function<std::string>(
      "--text", [text](const std::string& t) { *text = t; }, "The new description");
  describe->callback([tree, described, text, run] {
    run("describe", [&](ModelDatabase& p, Output& out) {
      return describe_command(p, tree, *described, *text, out);
    });
  });

  CLI::App* find = group->add_subcommand(
      "find", "Find names as the manager's search does, in its visiting order");
  auto request = std::make_shared<FindRequest>();
  find->add_option("TEXT", request->text, "Text to find (1 to 31 characters)")->required();
  find->add_flag("--match-case", request->match_case, "Compare with case");
  find->add_flag("--prefix", request->prefix, "Match the beginning of the name");
  find->add_flag("--all", request->all, "Every match, not only the first");
  find->callback([tree, request, run] {
    run("find", [&](ModelDatabase&, Output& out) { return find_command(tree, *request, out); });
  });

  if (which == ModelTree::kPalettes) {
    CLI::App* list = group->add_subcommand("unregistered", "List the palettes without a node");
    auto json = std::make_shared<bool>(false);
    list->add_flag("--json", *json, "As JSON: id, kind, text, references");
    list->callback([json, run] {
      run("unregistered",
          [&](ModelDatabase&, Output& out) { return unregistered_command(*json, out); });
    });

    CLI::App* reg = group->add_subcommand("register", "Give a palette without a node its node");
    auto id = std::make_shared<long>(0);
    auto in = std::make_shared<std::string>();
    auto reg_name = std::make_shared<std::string>();
    reg->add_option("ID", *id, "The palette's identifier")->required();
    reg->add_option("--in", *in, "Folder: identifier or path")->required();
    reg->add_option("--name", *reg_name, "Name of the node")->required();
    reg->callback([tree, id, in, reg_name, run] {
      run("register", [&](ModelDatabase& p, Output& out) {
        return register_command(p, tree, *id, *in, *reg_name, out);
      });
    });
  } else {
    CLI::App* dup = group->add_subcommand("duplicate", "Copy a prototype or folder beside itself");
    auto dup_node = std::make_shared<std::string>();
    dup->add_option("NODE", *dup_node, "Identifier or path")->required();
    dup->callback([tree, dup_node, run] {
      run("duplicate", [&](ModelDatabase& p, Output& out) {
        return duplicate_command(p, tree, *dup_node, out);
      });
    });
  }
}

}  // namespace

int report_tree_command(const StoreTree& tree, Output& out) {
  std::string error;
  PALETTES store;
  const bool walked = walk_tree(
      tree,
      [&](const ListedNode& entry) {
        out.out() << std::string(2 * static_cast<std::size_t>(entry.depth), ' ') << entry.node.id
                  << ' ' << kind_word(entry.node.kind) << ' ' << escape_controls(entry.node.name);
        if (entry.node.is_leaf() && tree.tree() == ModelTree::kPalettes) {
          int a = 0, b = 0, c = 0;
          store.get_references_number(store.get_id_palette(entry.node.id), &a, &b, &c);
          out.out() << " (" << a << ',' << b << ',' << c << ')';
        }
        out.out() << '\n';
      },
      &error);
  return walked ? 0 : out.fail(error);
}

void add_manager_commands(CLI::App& app, Context& context) {
  add_family(app, context, ModelTree::kPalettes);
  add_family(app, context, ModelTree::kPrototypes);
}

}  // namespace dlist::cli
