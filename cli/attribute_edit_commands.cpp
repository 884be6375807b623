// `dlist attributes new`: an attribute created through the attribute editor, filled
// as the user would fill it (name, abbreviation, kind, element kinds, unit,
// options and one value dialog per reference) and confirmed, so that every
// refusal of the editor applies and is printed.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "attributes/attribute_editor.h"
#include "attributes/attribute_editor_ids.h"
#include "attributes/held_file.h"
#include "cli/attribute_library.h"
#include "cli/commands.h"
#include "cli/console_window.h"
#include "cli/dialog_filler.h"
#include "cli/material_library_file.h"
#include "cli/project.h"
#include "foundation/code_page.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/notify_codes.h"
#include "host/list/list_context.h"
#include "host/model/attribute_store.h"

namespace dlist::cli {
namespace {

struct AttributeRequest {
  std::string in;
  std::string name;
  std::string abbrev;
  std::string kind;
  std::string kinds;
  std::string unit;
  std::string description;
  std::optional<int> precision;
  bool summarizable = false;
  std::vector<std::string> refs;
  std::vector<std::string> file_refs;
  std::vector<std::string> held_files;
};

constexpr const char* kKindWords[] = {"formula", "text", "file"};

// The user of the editor: the script for its dialogs, and its own answers for the
// file reference dialogs; other file choosers and questions go to the console.
class AttributeFiller : public DialogFiller {
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

FieldNames attribute_fields() {
  return {{kAttrName, "--name"},
          {kAttrAbbrev, "--abbrev"},
          {kAttrDescription, "--description"},
          {kAttrKind, "--kind"},
          {kAttrPrecision, "--precision"},
          {kAttrKinds, "--for"},
          {kAttrUnits, "--unit"},
          {kAttrChoiceOnly, "--choice-only"},
          {kAttrSummarizable, "--summarizable"}};
}

std::string split_pair(const std::string& option, const std::string& text, std::string* left,
                       std::string* right) {
  const std::size_t at = text.find('=');
  if (at == std::string::npos) return option + ": no \"=\" in \"" + text + "\" (NAME=VALUE)";
  *left = text.substr(0, at);
  *right = text.substr(at + 1);
  return {};
}

// The dimension and units above unit, outermost first: the items to expand.
std::vector<long> unit_ancestors(LISTCONTEXT& library, long unit) {
  std::vector<long> chain;
  for (long id = library.get_parent(unit); id >= 1 && chain.size() < 64;
       id = library.get_parent(id))
    chain.insert(chain.begin(), id);
  return chain;
}

// Fills the script of the editor and its value dialogs; the refusal line, or empty.
std::string build_script(const AttributeRequest& r, int kind, uint32_t filter, LISTCONTEXT* library,
                         AttributeFiller& filler, std::size_t* references) {
  std::string error;
  const auto name = stored_field("--name", r.name, &error);
  const auto abbrev = name ? stored_field("--abbrev", r.abbrev, &error) : std::nullopt;
  if (!name || !abbrev) return error;
  Script& s = filler.on(kAttributeEditContext);
  s.type(kAttrName, *name).type(kAttrAbbrev, *abbrev);
  if (kind != 0) s.choose_combo(kAttrKind, kind);
  if (!r.description.empty()) {
    const auto description = stored_field("--description", r.description, &error);
    if (!description) return error;
    s.type(kAttrDescription, *description);
  }
  for (int bit = 0; bit < 22; ++bit)
    if ((filter & (1u << bit)) != 0) s.double_click(kAttrKinds, static_cast<intptr_t>(1u << bit));
  if (!r.unit.empty()) {
    if (library == nullptr) return "--unit: no material library (--materials names it)";
    const long unit = find_unit(*library, r.unit);
    if (unit == 0) return "--unit: no unit \"" + r.unit + "\" in the material library";
    for (long parent : unit_ancestors(*library, unit)) s.expand(kAttrUnits, parent);
    s.select_item(kAttrUnits, unit);
  }
  if (r.precision) {
    if (kind != 0) return "--precision: only a formula attribute has a precision";
    s.type(kAttrPrecision, std::to_string(*r.precision));
  }
  if (r.summarizable) {
    if (kind != 0) return "--summarizable: only a formula attribute can be summed up";
    s.check(kAttrSummarizable);
  }
  if (!r.refs.empty() && kind == 2)
    return "--ref: a file attribute takes --file-ref or --held-file";
  if ((!r.file_refs.empty() || !r.held_files.empty()) && kind != 2)
    return "--file-ref: only a file attribute takes files";
  for (const std::string& option : r.refs) {
    std::string ref;
    std::string value;
    std::string bad = split_pair("--ref", option, &ref, &value);
    if (!bad.empty()) return bad;
    const auto stored_name = stored_field("--ref", ref, &error);
    const auto stored_value =
        stored_name ? stored_field("--ref " + ref, value, &error) : std::nullopt;
    if (!stored_value) return error;
    s.press(kAttrAdd);
    filler.on(kind == 0 ? kFormulaContext : kTextValueContext)
        .type(kValueName, *stored_name)
        .type(kValueText, *stored_value)
        .press(kIdAccept);
    ++*references;
  }
  for (int held = 0; held < 2; ++held) {
    for (const std::string& option : held ? r.held_files : r.file_refs) {
      const std::string flag = held ? "--held-file" : "--file-ref";
      std::string ref;
      std::string path;
      std::string bad = split_pair(flag, option, &ref, &path);
      if (!bad.empty()) return bad;
      const auto stored_name = stored_field(flag, ref, &error);
      if (!stored_name) return error;
      std::error_code ec;
      const std::filesystem::path file = std::filesystem::absolute(path, ec);
      if (ec || !std::filesystem::is_regular_file(file, ec))
        return flag + " " + ref + ": no file \"" + path + "\"";
      s.press(kAttrAdd);
      filler.choose_file(file.string(), FileExtrasAnswer{*stored_name, held, -1});
      ++*references;
    }
  }
  s.press(kIdAccept);
  return {};
}

// The number of references of attribute id.
std::size_t reference_count(long id) {
  DBATTRIBUTETYPE d;
  const long list = ATTRIBUTES().get_id_attribute(id, &d);
  ATTR_REF refs;
  if (list < 1) return 0;
  const long n = refs.rew(list, 0);
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

int new_attribute_command(ModelDatabase& project, const AttributeRequest& r, LISTCONTEXT* library,
                          Output& out) {
  int kind = -1;
  for (int i = 0; i < 3; ++i)
    if (r.kind == kKindWords[i]) kind = i;
  if (kind < 0) return out.fail("--kind: \"" + r.kind + "\" is none of formula, text, file");
  std::string error;
  const uint32_t filter = parse_kind_filter(r.kinds, &error);
  if (filter == 0) return out.fail("--for: " + error);
  const std::optional<AttributeEntry> group = resolve_attribute_entry(r.in, true, &error);
  if (!group) return out.fail("--in: " + error);

  AttributeFiller filler(attribute_fields());
  filler.name_fields(kFormulaContext, {{kValueName, "--ref"}, {kValueText, "--ref"}});
  filler.name_fields(kTextValueContext, {{kValueName, "--ref"}, {kValueText, "--ref"}});
  std::size_t references = 0;
  const std::string bad = build_script(r, kind, filter, library, filler, &references);
  if (!bad.empty()) return out.fail(bad);

  Transaction change(project);
  if (!change) return out.fail("cannot change the project " + std::string(project.fullpath()));
  const long id = filler.run(
      [&] { return CallAttributeEdit(console_window(), group->id, dlist::kAttributeCreate); });
  if (filler.refused_action() || filler.warned() || id <= 0) {
    const std::string why = filler.refusal();
    return out.fail(why.empty() ? "the attribute could not be created; the project is unchanged"
                                : why);
  }
  if (reference_count(id) != references) {
    const std::string why = filler.last_diagnostic();
    return out.fail("a reference was refused" + (why.empty() ? std::string() : ": " + why) +
                    "; the project is unchanged");
  }
  if (!change.commit())
    return out.fail("cannot save the project " + std::string(project.fullpath()));
  out.note("created attribute " + std::to_string(id) + " " + attribute_path(id));
  return 0;
}

}  // namespace

void add_attribute_edit_commands(CLI::App& app, Context& context) {
  CLI::App* group = attributes_subcommand(app);
  CLI::App* cmd = group->add_subcommand(
      "new", "Create an attribute through the attribute editor, filled as a user would");
  auto r = std::make_shared<AttributeRequest>();
  cmd->add_option("--in", r->in, "Group: identifier or path of names such as Doors/Fire")
      ->required();
  cmd->add_option("--name", r->name, "Its name, 1 to 31 characters")->required();
  cmd->add_option("--abbrev", r->abbrev,
                  "Its abbreviation, 1 to 6 characters, used by no other attribute and no "
                  "element parameter")
      ->required();
  cmd->add_option("--kind", r->kind, "formula, text or file")->required();
  cmd->add_option("--for", r->kinds, "KIND[,KIND...]: the element kinds it applies to")->required();
  cmd->add_option("--unit", r->unit,
                  "Abbreviation of a unit of the material library (--materials)");
  cmd->add_option("--precision", r->precision, "Decimals of a formula attribute, -9 to 9");
  cmd->add_option("--description", r->description, "Free text, at most 99 characters");
  cmd->add_flag("--summarizable", r->summarizable, "A formula attribute whose values add up");
  cmd->add_option("--ref", r->refs, "NAME=VALUE: a reference (formula or text); repeatable")
      ->allow_extra_args(false);
  cmd->add_option("--file-ref", r->file_refs, "NAME=PATH: a reference to a file; repeatable")
      ->allow_extra_args(false);
  cmd->add_option("--held-file", r->held_files,
                  "NAME=PATH: a reference whose file's content the project holds; repeatable")
      ->allow_extra_args(false);
  cmd->callback([&context, r] {
    context.status =
        run_in_project(context, "attributes new", false, [&](ModelDatabase& project, Output& out) {
          // The unit tree of the editor shows the material library when there is one.
          LISTCONTEXT library;
          std::string error;
          const std::string path = materials_path(context.options);
          std::error_code ec;
          const bool have =
              std::filesystem::exists(path, ec) && open_library(library, path, false, &error);
          if (!have && !r->unit.empty())
            return out.fail("--unit: " + (error.empty() ? "no material library " + path : error));
          std::optional<ActiveLibrary> active;
          if (have) active.emplace(library);
          return new_attribute_command(project, *r, have ? &library : nullptr, out);
        });
  });
}

}  // namespace dlist::cli
