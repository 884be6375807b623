// `dlist prototypes attributes|link-attribute|unlink-attribute|check`: the attribute
// rows of a prototype through the attribute link panel.
#include "cli/prototype_attributes.h"

#include <CLI/CLI.hpp>
#include <cstring>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "attributes/attribute_editor_ids.h"
#include "attributes/attribute_link.h"
#include "attributes/attribute_tree.h"
#include "cli/attribute_library.h"
#include "cli/commands.h"
#include "cli/console_window.h"
#include "cli/dialog_filler.h"
#include "cli/json_stream.h"
#include "cli/node_path.h"
#include "cli/prototype_record.h"
#include "foundation/code_page.h"
#include "foundation/element_kinds.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/model/attribute_store.h"
#include "host/model/prototype_store.h"
#include "palettes/prototype_records.h"

namespace dlist::cli {
namespace {

// The user of the panel: the script for its dialogs and its own answers for the
// file reference dialog; other file choosers and questions go to the console.
class LinkFiller : public DialogFiller {
 public:
  using DialogFiller::DialogFiller;
  using ScriptedUser::choose_file;
  std::optional<FileAnswer> choose_file(const FileRequest& request) override {
    if (request.chooser == FileChooser::kOpenFileTemplate)
      return ScriptedUser::choose_file(request);
    return DialogFiller::choose_file(request);
  }
  std::optional<FileExtrasAnswer> file_extras(const FileRequest& request) override {
    return ScriptedUser::file_extras(request);
  }
};

struct Row {
  std::string abbrev, name, value;
  bool indirect = false, held = false, marked = false;
};

Row row_of(const DBATTREFTYPE& r, AttributeNames& names) {
  Row row;
  row.abbrev = utf8_text(std::string_view(r.abbrev, strnlen(r.abbrev, sizeof r.abbrev)));
  row.name = utf8_text(names.name(r.abbrev));
  row.indirect = (r.flags & DBATTREFTYPE::kIndirect) != 0;
  row.held = (r.flags & DBATTREFTYPE::kInDatabase) != 0;
  row.marked = (r.flags & DBATTREFTYPE::kMarked) != 0;
  std::string shown = shown_link_value(r, false);
  if (row.indirect && shown.size() >= 4) shown = shown.substr(2, shown.size() - 4);
  row.value = utf8_text(shown);
  return row;
}

std::string describe_row(const DBATTREFTYPE& r, unsigned index) {
  AttributeNames names;
  const Row row = row_of(r, names);
  return "row " + std::to_string(index + 1) + " (" + row.abbrev + " \"" + row.value + "\")";
}

// Opens the panel over chain as the filler's user and lets the user act.
std::string work_panel(DialogFiller& filler, DBATTREFCHAIN& chain, int kind, int mode) {
  std::string refusal;
  filler.run([&] {
    void* panel = AttributeLink(console_window(), &chain, kind, mode, nullptr, 640, 320);
    if (panel == nullptr) {
      refusal = "the attribute link panel could not be opened";
      return 0;
    }
    drive_dialog(panel);
    destroy_dialog(panel);
    return 1;
  });
  if (refusal.empty() && (filler.refused_action() || filler.warned()))
    refusal = filler.refusal();
  if (refusal.empty() && !filler.finished()) refusal = "the panel did not take the value";
  return refusal;
}

// The reference names of an attribute, in the order the dialogs list them.
std::vector<std::string> reference_names(long entry) {
  std::vector<std::string> names;
  DBATTRIBUTETYPE def{};
  const long list = ATTRIBUTES().get_id_attribute(entry, &def);
  ATTR_REF walk;
  if (list < 1 || walk.rew(list, 0) < 1) return names;
  for (;;) {
    char name[17] = {};
    TEXTBUFFER value;
    char flags = 0;
    const long id = walk.get(name, &value, &flags);
    if (id == 0) break;
    if (id > 0) names.emplace_back(name, strnlen(name, sizeof name));
  }
  return names;
}

}  // namespace

std::string link_prototype_attribute(long node, int kind, const std::string& abbrev,
                                     const LinkRequest& request) {
  std::string error;
  std::optional<LoadedPrototype> loaded = load_prototype(node, kind, &error);
  if (!loaded) return error;
  const std::optional<std::string> stored_abbrev = stored_field("ABBR", abbrev, &error);
  if (!stored_abbrev) return error;
  DBATTRIBUTETYPE def{};
  const long entry = ATTRIBUTES().get_abbrev_attribute(stored_abbrev->c_str(), &def);
  if (entry <= 0) return "no attribute has the abbreviation \"" + abbrev + "\"";
  if ((def.Filter() & link_filter_bit(kind)) == 0)
    return "attribute \"" + abbrev + "\" does not apply to this kind of element";
  const int given = (request.value ? 1 : 0) + (request.ref ? 1 : 0) + (request.file ? 1 : 0);
  if (given != 1) return "give exactly one of --value, --ref and --file";
  const int attr_kind = def.kind_index();
  if (request.file && attr_kind != 2) return "--file: only a file attribute takes a file";
  if (request.value && attr_kind == 2) return "--value: a file attribute takes --file or --ref";
  if (request.hold && !request.file) return "--hold goes with --file";
  const bool choice_only = (def.options & DBATTRIBUTETYPE::kOptionChoiceOnly) != 0;
  if (choice_only && !request.ref)
    return "attribute \"" + abbrev + "\" takes its values only from its references (--ref)";

  int ref_index = -1;
  const std::vector<std::string> refs = reference_names(entry);
  if (request.ref) {
    const std::optional<std::string> ref = stored_field("--ref", *request.ref, &error);
    if (!ref) return error;
    for (std::size_t i = 0; i < refs.size(); ++i)
      if (refs[i] == *ref) ref_index = static_cast<int>(i);
    if (ref_index < 0) return "--ref: attribute \"" + abbrev + "\" has no value \"" + *request.ref + "\"";
  }

  LinkFiller filler({{kValueText, "--value"}});
  Script& s = filler.on(kAttributeLinkContext);
  std::vector<long> groups;
  for (std::optional<AttributeEntry> e = attribute_entry(entry); e && e->parent != 0 && groups.size() < 64;
       e = attribute_entry(e->parent))
    groups.insert(groups.begin(), e->parent);
  if (!groups.empty()) groups.erase(groups.begin());  // the root stands expanded
  for (long g : groups) s.expand(kLinkTree, g);
  s.select_item(kLinkTree, entry).press(kLinkAdd);
  const int context = attr_kind == 0 ? kFormulaContext : kTextValueContext;
  if (choice_only) {
    if (refs.size() != 1) {
      s.enter(kLinkList);
      filler.on(kChoiceContext).select_row(kChoiceList, ref_index).press(kIdAccept);
    }
  } else if (request.value) {
    const std::optional<std::string> value = stored_field("--value", *request.value, &error);
    if (!value) return error;
    filler.on(context).type(kValueText, *value).press(kIdAccept);
  } else if (request.ref && attr_kind != 2) {
    filler.on(context).double_click_row(kValueReferences, ref_index);
  } else if (request.ref) {
    filler.choose_file(refs[static_cast<std::size_t>(ref_index)],
                       FileExtrasAnswer{std::nullopt, std::nullopt, ref_index});
  } else {
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::absolute(*request.file, ec);
    if (ec || !std::filesystem::is_regular_file(file, ec))
      return "--file: no file \"" + *request.file + "\"";
    filler.choose_file(file.string(), FileExtrasAnswer{std::nullopt, request.hold ? 1 : 0, -1});
  }
  const unsigned before = loaded->record->attr.size();
  const std::string refusal = work_panel(filler, loaded->record->attr, kind, 2);
  if (!refusal.empty()) return refusal;
  const DBATTREFCHAIN& chain = loaded->record->attr;
  if (chain.size() != before + 1) return "the panel did not add the value";
  for (unsigned i = 0; i < chain.size(); ++i)
    if (strncmp(chain[i].abbrev, stored_abbrev->c_str(), sizeof chain[i].abbrev) == 0 &&
        link_value(chain[i]).empty())
      return "the value was not given";
  if (!loaded->record->write(loaded->recid)) return "the prototype record could not be stored";
  return {};
}

int prototype_attributes_command(ModelDatabase&, const std::string& node_text, bool json,
                                 Output& out) {
  std::string error;
  const std::optional<LoadedPrototype> loaded = load_prototype(node_text, &error);
  if (!loaded) return out.fail(error);
  AttributeNames names;
  const DBATTREFCHAIN& chain = loaded->record->attr;
  if (json) {
    JsonStream j(out.out());
    j.begin_array();
    for (unsigned i = 0; i < chain.size(); ++i) {
      const Row r = row_of(chain[i], names);
      j.value(nlohmann::ordered_json{{"abbrev", r.abbrev},
                                     {"name", r.name},
                                     {"value", r.value},
                                     {"indirect", r.indirect},
                                     {"held", r.held},
                                     {"marked", r.marked}});
    }
    j.end_array();
    j.finish();
    return 0;
  }
  for (unsigned i = 0; i < chain.size(); ++i) {
    const Row r = row_of(chain[i], names);
    out.out() << escape_controls(r.abbrev) << "\t" << escape_controls(r.name) << "\t"
              << escape_controls(r.value) << (r.indirect ? "\t(reference)" : "")
              << (r.held ? "\t(held)" : "") << (r.marked ? "\t(marked)" : "") << "\n";
  }
  return 0;
}

int link_attribute_command(ModelDatabase& project, const std::string& node_text,
                           const std::string& abbrev, const LinkRequest& request, Output& out) {
  std::string error;
  const StoreTree tree(ModelTree::kPrototypes);
  const std::optional<NodeInfo> node = resolve_node(tree, node_text, NodeWanted::kAny, &error);
  if (!node) return out.fail(error);
  if (!node->is_leaf()) return out.fail(describe_node(tree, node->id) + " is a folder, not a prototype");
  Transaction change(project);
  if (!change) return out.fail("the project cannot be changed now");
  const std::string refusal = link_prototype_attribute(node->id, node->kind, abbrev, request);
  if (!refusal.empty()) return out.fail(refusal);
  if (!change.commit()) return out.fail("the project could not be saved");
  out.note("linked a value of " + abbrev + " to " + describe_node(tree, node->id));
  return 0;
}

int unlink_attribute_command(ModelDatabase& project, const std::string& node_text,
                             const std::string& abbrev, const std::optional<std::string>& value,
                             Output& out) {
  std::string error;
  std::optional<LoadedPrototype> loaded = load_prototype(node_text, &error);
  if (!loaded) return out.fail(error);
  DBATTREFCHAIN& chain = loaded->record->attr;
  AttributeNames names;
  std::vector<int> rows;
  for (unsigned i = 0; i < chain.size(); ++i) {
    const Row r = row_of(chain[i], names);
    if (r.abbrev == abbrev && (!value || r.value == *value)) rows.insert(rows.begin(), static_cast<int>(i));
  }
  if (rows.empty())
    return out.fail("the prototype has no value of " + abbrev + (value ? " \"" + *value + "\"" : ""));
  DialogFiller filler({});
  Script& s = filler.on(kAttributeLinkContext);
  for (int row : rows) s.select_row(kLinkList, row).press(kLinkDelete);  // last first
  Transaction change(project);
  if (!change) return out.fail("the project cannot be changed now");
  const unsigned before = chain.size();
  const std::string refusal = work_panel(filler, chain, loaded->kind, 2);
  if (!refusal.empty()) return out.fail(refusal);
  if (chain.size() + rows.size() != before) return out.fail("the panel did not remove the values");
  if (!loaded->record->write(loaded->recid) || !change.commit())
    return out.fail("the project could not be saved");
  out.note("removed " + std::to_string(rows.size()) + " value(s) of " + abbrev);
  return 0;
}

int check_prototype_command(ModelDatabase&, const std::string& node_text, int mode, Output& out) {
  std::string error;
  std::optional<LoadedPrototype> loaded = load_prototype(node_text, &error);
  if (!loaded) return out.fail(error);
  DBATTREFCHAIN& chain = loaded->record->attr;
  int complete = 1;
  DialogFiller filler({});
  filler.run([&] {
    void* panel = AttributeLink(console_window(), &chain, loaded->kind, mode, nullptr, 640, 320);
    if (panel == nullptr) return 0;
    complete = IsAttRefChainComplette(panel);
    destroy_dialog(panel);
    return 1;
  });
  if (complete != 0) {
    out.note("complete: " + std::to_string(chain.size()) + " value(s) in link mode " +
             std::to_string(mode));
    return 0;
  }
  const int row = check_link_chain(chain, mode);
  if (row >= 0) return out.fail("incomplete at " + describe_row(chain[row], static_cast<unsigned>(row)));
  // Modes 1 and 5 name no row: the first empty value beside another of its attribute.
  for (unsigned i = 0; i < chain.size(); ++i)
    if (link_value(chain[i]).empty())
      return out.fail("incomplete at " + describe_row(chain[i], i) +
                      ": an empty value beside other values of its attribute");
  return out.fail("incomplete");
}

void add_prototype_attribute_commands(CLI::App& app, Context& context) {
  CLI::App* group = app.get_subcommand("prototypes");
  auto run = [&context](const std::string& name, ProjectBody body) {
    context.status = run_in_project(context, "prototypes " + name, false, body);
  };
  auto node = std::make_shared<std::string>();
  auto abbrev = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  CLI::App* list = group->add_subcommand("attributes", "List the attribute values of a prototype");
  list->add_option("NODE", *node, "Identifier or path")->required();
  list->add_flag("--json", *json, "Rows as JSON (abbrev, name, value, indirect, held, marked)");
  list->callback([node, json, run] {
    run("attributes", [&](ModelDatabase& p, Output& out) {
      return prototype_attributes_command(p, *node, *json, out);
    });
  });

  auto request = std::make_shared<LinkRequest>();
  CLI::App* link = group->add_subcommand(
      "link-attribute", "Link a value of an attribute to a prototype (through the link panel)");
  link->add_option("NODE", *node, "Identifier or path")->required();
  link->add_option("ABBR", *abbrev, "The attribute's abbreviation")->required();
  link->add_option_function<std::string>(
      "--value", [request](const std::string& v) { request->value = v; }, "A value to type");
  link->add_option_function<std::string>(
      "--ref", [request](const std::string& v) { request->ref = v; },
      "A value of the attribute, by name (linked indirectly)");
  link->add_option_function<std::string>(
      "--file", [request](const std::string& v) { request->file = v; }, "A file (file attribute)");
  link->add_flag("--hold", request->hold, "Hold the file's content in the project");
  link->callback([node, abbrev, request, run] {
    run("link-attribute", [&](ModelDatabase& p, Output& out) {
      return link_attribute_command(p, *node, *abbrev, *request, out);
    });
  });

  auto value = std::make_shared<std::optional<std::string>>();
  CLI::App* unlink = group->add_subcommand(
      "unlink-attribute", "Remove the values of an attribute from a prototype (all, or --value)");
  unlink->add_option("NODE", *node, "Identifier or path")->required();
  unlink->add_option("ABBR", *abbrev, "The attribute's abbreviation")->required();
  unlink->add_option_function<std::string>(
      "--value", [value](const std::string& v) { *value = v; }, "Only the row of this value");
  unlink->callback([node, abbrev, value, run] {
    run("unlink-attribute", [&](ModelDatabase& p, Output& out) {
      return unlink_attribute_command(p, *node, *abbrev, *value, out);
    });
  });

  auto mode = std::make_shared<int>(2);
  CLI::App* check = group->add_subcommand(
      "check", "Check that a prototype's attribute values are complete (exit 1 naming a row)");
  check->add_option("NODE", *node, "Identifier or path")->required();
  check->add_option("--mode", *mode, "The link mode (default 2)");
  check->callback([node, mode, run] {
    run("check", [&](ModelDatabase& p, Output& out) {
      return check_prototype_command(p, *node, *mode, out);
    });
  });
}

}  // namespace dlist::cli
