// The attribute manager's procedures from the command line: `dlist attributes
// rename NODE NAME`, `remove NODE` (asks first; when presets use the entry the
// question is the manager's second one, and Yes removes those uses too) and `move
// NODE TARGET` (as dropping NODE onto TARGET in the manager: onto a group it goes
// into it, onto an attribute into that attribute's group). Each runs the procedure
// the manager runs (attributes/attribute_manager_procedures.h) in one transaction;
// the questions and refusals reach the console user as message boxes.
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "attributes/attribute_manager_procedures.h"
#include "cli/attribute_library.h"
#include "cli/commands.h"
#include "cli/console_window.h"
#include "cli/file_checks.h"
#include "cli/material_library_file.h"
#include "cli/node_commands.h"
#include "cli/project.h"
#include "foundation/code_page.h"
#include "host/dialog/engine.h"

namespace dlist::cli {
namespace {

// The entry that text names, when the manager lets the user change it.
std::optional<AttributeEntry> changeable_entry(const std::string& text, std::string* error) {
  std::optional<AttributeEntry> entry = resolve_attribute_entry(text, false, error);
  if (!entry) return std::nullopt;
  if (attribute_entry_protected(entry->id)) {
    *error = describe_attribute_entry(entry->id) +
             " is protected (the root or a predefined group); it keeps its name and place";
    return std::nullopt;
  }
  return entry;
}

int rename_command(ModelDatabase& project, const std::string& node, const std::string& name,
                   Output& out) {
  std::string error;
  const std::optional<AttributeEntry> entry = changeable_entry(node, &error);
  if (!entry) return out.fail(error);
  if (!check_node_name(name, &error)) return out.fail(error);
  const std::optional<std::string> stored = stored_text(name, &error);
  if (!stored) return out.fail(error);
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  const std::size_t before = dialog_log().message_boxes.size();
  if (rename_attribute_entry(console_window(), entry->id, stored->c_str()) == 0) {
    const bool refused = dialog_log().message_boxes.size() > before;
    return out.fail(refused ? "the name \"" + escape_controls(name) + "\" is used beside " +
                                  describe_attribute_entry(entry->id) + " already"
                            : "cannot rename " + describe_attribute_entry(entry->id));
  }
  if (!change.commit())
    return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  out.note("renamed entry " + std::to_string(entry->id) + " to " +
           escape_controls(attribute_path(entry->id)));
  return 0;
}

int remove_command(ModelDatabase& project, const std::string& node, bool can_answer, Output& out) {
  std::string error;
  const std::optional<AttributeEntry> entry = changeable_entry(node, &error);
  if (!entry) return out.fail(error);
  const std::string what = describe_attribute_entry(entry->id);
  if (!can_answer)
    return out.fail("removing " + what +
                    " asks for a confirmation: use --yes to go ahead (or --no), or run it on a "
                    "terminal");
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  switch (remove_attribute_entry(console_window(), entry->id)) {
    case RemoveResult::kRemoved:
      break;
    case RemoveResult::kDeclined:
      return out.fail("kept " + what + ": the answer was No");
    default:
      return out.fail("cannot remove " + what);
  }
  if (!change.commit())
    return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  out.note("removed " + what);
  return 0;
}

int move_command(ModelDatabase& project, const std::string& node, const std::string& target_text,
                 Output& out) {
  std::string error;
  const std::optional<AttributeEntry> entry = changeable_entry(node, &error);
  if (!entry) return out.fail(error);
  const std::optional<AttributeEntry> target = resolve_attribute_entry(target_text, false, &error);
  if (!target) return out.fail(error);
  const std::string what = describe_attribute_entry(entry->id);
  const std::string where = describe_attribute_entry(target->id);
  if (!attribute_drop_allowed(entry->id, target->id))
    return out.fail("cannot move " + what + " onto " + where +
                    ": it is the entry itself, its group, or an attribute beside it");
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  long onto = target->id;
  if (move_attribute_entry(entry->id, &onto) == 0)
    return out.fail("cannot move " + what + " onto " + where +
                    ": the target lies inside it, or its name is taken there");
  if (!change.commit())
    return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  out.note("moved entry " + std::to_string(entry->id) + " to " +
           escape_controls(attribute_path(entry->id)));
  return 0;
}

}  // namespace

void add_attribute_manager_commands(CLI::App& app, Context& context) {
  CLI::App* group = attributes_subcommand(app);
  auto run = [&context](const std::string& name, ProjectBody body) {
    context.status = run_in_project(context, "attributes " + name, false, body);
  };

  CLI::App* rename = group->add_subcommand("rename", "Rename a group or an attribute");
  auto node = std::make_shared<std::string>();
  auto name = std::make_shared<std::string>();
  rename->add_option("NODE", *node, "Entry: identifier or path of names such as Doors/Fire")
      ->required();
  rename->add_option("NAME", *name, "New name (1 to 31 characters)")->required();
  rename->callback([node, name, run] {
    run("rename",
        [&](ModelDatabase& p, Output& out) { return rename_command(p, *node, *name, out); });
  });

  CLI::App* remove = group->add_subcommand(
      "remove",
      "Remove a group with everything in it, or an attribute with its values (asks first; when "
      "presets use it, Yes also removes those uses; --yes, --no)");
  auto removed = std::make_shared<std::string>();
  remove->add_option("NODE", *removed, "Entry: identifier or path")->required();
  remove->callback([&context, removed, run] {
    const bool can_answer = can_answer_questions(context);
    run("remove", [&](ModelDatabase& p, Output& out) {
      return remove_command(p, *removed, can_answer, out);
    });
  });

  CLI::App* move = group->add_subcommand(
      "move", "Move an entry as dropping it in the manager: into a group, or beside an attribute");
  auto moved = std::make_shared<std::string>();
  auto target = std::make_shared<std::string>();
  move->add_option("NODE", *moved, "Entry: identifier or path")->required();
  move->add_option("TARGET", *target, "Group or attribute: identifier or path")->required();
  move->callback([moved, target, run] {
    run("move",
        [&](ModelDatabase& p, Output& out) { return move_command(p, *moved, *target, out); });
  });
}

}  // namespace dlist::cli
