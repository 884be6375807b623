// `dlist attributes ...`: the attribute library of the project. This file registers
// `tree [--json]` and `new-group --name NAME [--in NODE]`; further commands of the
// family register on the same subcommand (attributes_subcommand).
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "cli/attribute_library.h"
#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/node_commands.h"
#include "cli/project.h"
#include "foundation/code_page.h"
#include "host/model/attribute_store.h"

namespace dlist::cli {
namespace {

void print_entry(const nlohmann::ordered_json& j, std::size_t depth, std::ostream& out) {
  const std::string indent(2 * depth, ' ');
  const std::string type = j.value("type", "");
  out << indent << j["id"].get<long>() << ' ' << type << ' '
      << escape_controls(j.value("name", ""));
  if (type == "group") {
    out << '\n';
    for (const auto& child : j["children"]) print_entry(child, depth + 1, out);
    return;
  }
  out << " [" << escape_controls(j.value("abbrev", "")) << "]\n";
  for (const auto& ref : j["references"]) {
    out << indent << "  - " << escape_controls(ref.value("name", ""))
        << (ref.value("indirect", false) ? " -> " : " = ");
    if (ref.contains("file")) {
      const auto& file = ref["file"];
      out << (file["name"].is_string() ? escape_controls(file["name"].get<std::string>()) : "?");
      if (file["size"].is_number()) out << " (" << file["size"].get<uint64_t>() << " bytes)";
      if (ref.value("held", false)) out << ", held";
    } else {
      out << escape_controls(ref.value("value", ""));
    }
    out << '\n';
  }
}

int tree_body(bool json, Output& out) {
  std::string error;
  const std::optional<nlohmann::ordered_json> tree = attribute_tree_json(0, &error);
  if (!tree) return out.fail(error);
  if (json)
    out.out() << tree->dump(2) << '\n';
  else
    print_entry(*tree, 0, out.out());
  return 0;
}

int new_attribute_group_command(ModelDatabase& project, const std::string& name,
                                const std::string& in, Output& out) {
  std::string error;
  if (!check_node_name(name, &error)) return out.fail(error);
  const std::optional<AttributeEntry> group =
      in.empty() ? attribute_root() : resolve_attribute_entry(in, true, &error);
  if (!group) return out.fail(in.empty() ? "cannot read the root of the attribute library" : error);
  const std::optional<std::string> stored = stored_text(name, &error);
  if (!stored) return out.fail(error);
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  DBATTRIBUTENODETYPE node;
  node.set_name(stored->c_str());
  const long id = ATTRIBUTES().cre_node(group->id, &node);
  if (id == ATTRIBUTES::kNameTaken)
    return out.fail("a group named \"" + escape_controls(name) + "\" is in " +
                    describe_attribute_entry(group->id) + " already");
  if (id <= 0) {
    const std::string cause = project.connection().failure_cause();
    return out.fail("the group \"" + escape_controls(name) + "\" could not be created in " +
                    describe_attribute_entry(group->id) + (cause.empty() ? "" : ": " + cause));
  }
  if (!change.commit()) return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  out.note("created group " + std::to_string(id) + " " + escape_controls(attribute_path(id)));
  return 0;
}

}  // namespace

CLI::App* attributes_subcommand(CLI::App& app) {
  try {
    return app.get_subcommand("attributes");
  } catch (const CLI::OptionNotFound&) {
    // not registered yet
  }
  CLI::App* group = app.add_subcommand("attributes", "The attribute library of the project");
  group->require_subcommand(1);
  return group;
}

void add_attribute_commands(CLI::App& app, Context& context) {
  CLI::App* group = attributes_subcommand(app);

  CLI::App* tree = group->add_subcommand("tree", "Show the attribute library");
  auto json = std::make_shared<bool>(false);
  tree->add_flag("--json", *json,
                 "As JSON: entries with id, type, name; attributes with their definition and "
                 "references; groups with children");
  tree->callback([&context, json] {
    context.status = run_in_project(context, "attributes tree", false,
                                    [&](ModelDatabase&, Output& out) { return tree_body(*json, out); });
  });

  CLI::App* new_group = group->add_subcommand("new-group", "Create a group in the library");
  auto name = std::make_shared<std::string>();
  auto in = std::make_shared<std::string>();
  new_group->add_option("--name", *name, "Name of the new group")->required();
  new_group->add_option("--in", *in,
                        "Group: identifier or path of names such as Doors/Fire (default: the root)");
  new_group->callback([&context, name, in] {
    context.status = run_in_project(context, "attributes new-group", false,
                                    [&](ModelDatabase& project, Output& out) {
                                      return new_attribute_group_command(project, *name, *in, out);
                                    });
  });
}

}  // namespace dlist::cli
