// Exporting and importing palette and prototype files from the command line, and
// the console's answers to the clash dialog of a palette import.
#include "cli/exchange_commands.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
#include <set>
#include <ostream>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/file_checks.h"
#include "cli/node_path.h"
#include "cli/overwrite_prompt.h"
#include "cli/report_collector.h"
#include "cli/tree_listing.h"
#include "foundation/code_page.h"
#include "host/dialog/dialog_user.h"
#include "host/dialog/engine.h"
#include "palettes/clash_dialog.h"
#include "palettes/exchange_reader.h"
#include "palettes/exchange_writer.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;


// Answers the clash dialog of palette imports as asked, and hands everything else
// to the user who was active before.
class ClashUser : public DialogUser {
 public:
  ClashUser(ClashAnswer answer, const ClashConsole& console)
      : inner_(active_dialog_user()), answer_(answer), console_(console) {}

  void dialog_opened(const DialogInfo& d) override {
    if (d.context != kClashContext) inner_.dialog_opened(d);
  }
  void dialog_closed(const DialogInfo& d) override {
    if (d.context != kClashContext) return inner_.dialog_closed(d);
    answered_.erase(d.dialog);
  }

  // In the clash dialog: Enter on the chosen button, which confirms the dialog
  // with that button focused (the dialog reads the choice from the focus).
  std::optional<UserAction> next_action(const DialogInfo& d) override {
    if (d.context != kClashContext) return inner_.next_action(d);
    if (!answered_.insert(d.dialog).second) return std::nullopt;
    UserAction action;
    action.kind = UserAction::Kind::kEnter;
    action.control = choose(d.dialog);
    return action;
  }
  std::optional<int> choose_from_menu(const DialogInfo& d, const std::vector<int>& c) override {
    return inner_.choose_from_menu(d, c);
  }
  std::optional<int> answer_message_box(const MessageBoxRequest& r) override {
    return inner_.answer_message_box(r);
  }
  std::optional<FileAnswer> choose_file(const FileRequest& r) override {
    return inner_.choose_file(r);
  }
  void show_warning(const WarningRecord& w) override { inner_.show_warning(w); }

 private:
  // The button for this clash.
  int choose(void* dialog) {
    switch (answer_) {
      case ClashAnswer::kOverwriteAll:
        return kClashButtonOverwriteAll;
      case ClashAnswer::kKeepAll:
        return kClashButtonKeepAll;
      case ClashAnswer::kAsk:
        break;
    }
    if (!console_.terminal) return kClashButtonKeep;
    std::ostream& p = console_.prompt;
    p << "The imported node \"" << shown_text(control_text(dialog, kClashImportedName))
      << "\" differs from the node \""
      << shown_text(control_text(dialog, kClashExistingName))
      << "\" of the same palette.\n";
    switch (ask_overwrite(console_.in, p)) {
      case OverwriteAnswer::kOverwrite:
        return kClashButtonOverwrite;
      case OverwriteAnswer::kOverwriteAll:
        return kClashButtonOverwriteAll;
      case OverwriteAnswer::kKeepAll:
        return kClashButtonKeepAll;
      case OverwriteAnswer::kKeep:
        break;
    }
    return kClashButtonKeep;
  }

  DialogUser& inner_;
  ClashAnswer answer_;
  ClashConsole console_;
  std::set<const void*> answered_;  // open clash dialogs given their answer
};

// Restores the clash choice when the import ends.
class ClashChoiceScope {
 public:
  explicit ClashChoiceScope(short choice) : previous_(clash_choice()) { set_clash_choice(choice); }
  ~ClashChoiceScope() { set_clash_choice(previous_); }
  ClashChoiceScope(const ClashChoiceScope&) = delete;
  ClashChoiceScope& operator=(const ClashChoiceScope&) = delete;

 private:
  short previous_;
};

bool palettes(const StoreTree& tree) { return tree.tree() == ModelTree::kPalettes; }

// The node that node_text names (empty: the tree's root), or nothing with the reason.
std::optional<NodeInfo> node_or_root(const StoreTree& tree, const std::string& node_text,
                                     std::string* error) {
  if (!node_text.empty()) return resolve_node(tree, node_text, NodeWanted::kAny, error);
  std::optional<NodeInfo> root = tree.node(tree.root());
  if (!root) *error = std::string("cannot read the root of the ") + tree.leaf_word() + " tree";
  return root;
}

std::string with_reason(const std::string& what, const std::string& reason) {
  return reason.empty() ? what : what + ": " + reason;
}

// The number of nodes of the tree; 0 when it cannot be read.
std::size_t node_count(const StoreTree& tree) {
  std::string ignored;
  std::optional<std::vector<ListedNode>> nodes = list_tree(tree, &ignored);
  return nodes ? nodes->size() : 0;
}

}  // namespace

bool parse_clash_answer(const std::string& word, ClashAnswer* answer) {
  if (word == "ask")
    *answer = ClashAnswer::kAsk;
  else if (word == "overwrite" || word == "overwrite-all")
    *answer = ClashAnswer::kOverwriteAll;
  else if (word == "keep" || word == "keep-all")
    *answer = ClashAnswer::kKeepAll;
  else
    return false;
  return true;
}

int export_command(ModelDatabase& project, const StoreTree& tree, const ExportRequest& request,
                   Output& out) {
  std::string error;
  std::optional<NodeInfo> start = node_or_root(tree, request.node, &error);
  if (!start) return out.fail(error);
  const ExportKind kind = palettes(tree) ? ExportKind::kPaletteFile : ExportKind::kPrototypeFile;
  if (!check_export_target(request.file, kind, {{project.fullpath(), "project"}}, request.force,
                           &error))
    return out.fail(error);
  std::string file = request.file;
  std::optional<std::string> stored = stored_text(request.description, &error);
  if (!stored) return out.fail("the description cannot be stored: " + error);
  std::string description = *stored;
  // A palette export of node 0 is the whole tree; the prototype export takes the root.
  const long node = palettes(tree) && request.node.empty() ? 0L : start->id;
  const int resources = request.resources ? 1 : 0;
  ReportCollector reports;
  const int done = palettes(tree)
                       ? PaletteExport(nullptr, node, file.data(), description.data(), resources)
                       : PrototypeExport(nullptr, node, file.data(), description.data(), resources);
  const char* function = palettes(tree) ? "PaletteExport" : "PrototypeExport";
  if (done != 1) return out.fail(with_reason("cannot write " + file, reports.reason_of(function)));
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  out.note("exported " +
           (request.node.empty() ? std::string("the ") + tree.leaf_word() + " tree"
                                 : describe_node(tree, start->id)) +
           " to " + file + (ec ? std::string() : " (" + std::to_string(size) + " bytes)"));
  return 0;
}

int import_command(ModelDatabase& project, const StoreTree& tree, const ImportRequest& request,
                   const ClashConsole& console, Output& out) {
  std::string error;
  std::optional<NodeInfo> target = node_or_root(tree, request.into, &error);
  if (!target) return out.fail(error);
  // The file is checked before the project is locked: a FIFO without a writer
  // would hold the lock while it waits.
  if (!check_import_input(request.file, &error)) return out.fail(error);
  if (!check_writable(project.connection(), "project", project.fullpath(), &error))
    return out.fail(error);
  std::string file = request.file;
  const std::size_t before = node_count(tree);

  // One transaction: an import that fails half-way leaves the project as it was.
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  ReportCollector reports;
  int done = 0;
  if (palettes(tree)) {
    const short choice = request.on_clash == ClashAnswer::kOverwriteAll ? kClashOverwriteAll
                         : request.on_clash == ClashAnswer::kKeepAll    ? kClashKeepAll
                                                                        : kClashOverwriteAsk;
    ClashChoiceScope clash(choice);
    ClashUser user(request.on_clash, console);
    DialogUserScope answering(user);
    // The root stands for the whole tree: target 0.
    const long into = request.into.empty() ? 0L : target->id;
    done = PaletteImport(nullptr, into, file.data());
  } else {
    done = PrototypeImport(nullptr, target->id, file.data());
  }
  const char* function = palettes(tree) ? "PaletteImport" : "PrototypeImport";
  if (done != 1) {
    // A failure of the project's file says its cause; the import's own reason else.
    const std::string cause = project.connection().failure_cause();
    return out.fail(with_reason("cannot import " + file,
                                cause.empty() ? reports.reason_of(function)
                                              : "the project " + std::string(project.fullpath()) + ": " + cause) +
                    "; the project is unchanged");
  }
  if (!change.commit())
    return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  const std::size_t after = node_count(tree);
  out.note("imported " + file + " into " + describe_node(tree, target->id) + ": " +
           std::to_string(after >= before ? after - before : 0) + " new nodes");
  return 0;
}

void add_exchange_commands(CLI::App& app, Context& context) {
  for (const ModelTree which : {ModelTree::kPalettes, ModelTree::kPrototypes}) {
    const StoreTree tree(which);
    const std::string family = tree.word();
    const std::string leaf = tree.leaf_word();
    CLI::App* group = app.get_subcommand(family);
    const std::string suffix = which == ModelTree::kPalettes ? ".pal" : ".prt";

    CLI::App* exp = group->add_subcommand("export", "Write " + leaf + "s to a " + leaf +
                                                        " file (" + suffix + ")");
    auto export_request = std::make_shared<ExportRequest>();
    exp->add_option("--node", export_request->node,
                    "Node to export with everything below it: identifier or path of names "
                    "(default: the whole tree)");
    exp->add_option("--description", export_request->description, "Description of the file");
    exp->add_flag("--resources", export_request->resources,
                  "Append the resources of the surface sets, materials and attributes");
    exp->add_flag("--force", export_request->force,
                  "Write over FILE also when it holds something other than a " + leaf +
                      " file (never over the open project)");
    exp->add_option("FILE", export_request->file, "The file to write")->required();
    exp->callback([&context, tree, family, export_request] {
      context.status = run_in_project(context, family + " export", false,
                                      [&](ModelDatabase& project, Output& out) {
                                        return export_command(project, tree, *export_request,
                                                              out);
                                      });
    });

    CLI::App* imp =
        group->add_subcommand("import", "Read a " + leaf + " file (" + suffix + ") into the tree");
    auto import_request = std::make_shared<ImportRequest>();
    auto clash = std::make_shared<std::string>("ask");
    imp->add_option("--into", import_request->into,
                    "Target folder (a " + leaf +
                        " stands for its folder): identifier or path of names "
                        "(default: the root; every node goes to its kind folder)");
    if (which == ModelTree::kPalettes) {
      imp->add_option("--on-clash", *clash,
                      "When an imported palette exists under a node that differs: ask (on a "
                      "terminal; otherwise keep), overwrite-all, keep-all; overwrite and keep "
                      "are the same as overwrite-all and keep-all, since nothing is asked")
          ->check(CLI::IsMember({"ask", "overwrite", "keep", "overwrite-all", "keep-all"}));
    }
    imp->add_option("FILE", import_request->file, "The file to read")->required();
    imp->callback([&context, tree, family, import_request, clash] {
      parse_clash_answer(*clash, &import_request->on_clash);
      // Refused before the project is opened: a missing default project is not made.
      if (refuse_input(context, family + " import", import_request->file)) return;
      context.status = run_in_project(
          context, family + " import", false, [&](ModelDatabase& project, Output& out) {
            const ClashConsole console{context.console.in, context.console.err,
                                       context.console.terminal};
            return import_command(project, tree, *import_request, console, out);
          });
    });
  }
}

}  // namespace dlist::cli
