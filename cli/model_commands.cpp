// `dlist model import|show|find`: the placed elements of the project's model, brought
// in and out as model files (docs/model_file.md) and searched by attribute value.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/material_library_file.h"
#include "cli/project.h"
#include "foundation/code_page.h"
#include "foundation/element_kinds.h"
#include "foundation/fixed_text.h"
#include "host/list/list_context.h"
#include "host/model/element_parameters.h"
#include "host/model/model_elements.h"
#include "host/model/model_file.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

// Runs body with the material library active when its file exists (a model file
// without material links needs none).
int with_library_if_any(Context& context, const std::function<int()>& body, Output& out) {
  const std::string path = materials_path(context.options);
  std::error_code ec;
  if (!fs::exists(path, ec)) return body();
  LISTCONTEXT library;
  std::string error;
  if (!open_library(library, path, false, &error)) return out.fail(error);
  ActiveLibrary active(library);
  return body();
}

int import_command(Context& context, const std::string& file, bool replace, Output& out) {
  ModelFile model;
  std::string error;
  if (!read_model_file(file, model, error)) return out.fail(file + ": " + error);
  return with_library_if_any(
      context,
      [&] {
        ModelImportCounts counts;
        if (!import_model(model, replace, error, &counts)) return out.fail(file + ": " + shown_message(error));
        out.note("imported " + std::to_string(counts.elements) + " elements, " + std::to_string(counts.plans) +
                 " plans and " + std::to_string(counts.floors) + " floors from " + file);
        return 0;
      },
      out);
}

int show_command(bool as_json, Output& out) {
  std::string text, error;
  if (!export_model_json(text, error)) return out.fail(error);
  if (as_json) {
    out.out() << text;
    return 0;
  }
  const nlohmann::ordered_json j = nlohmann::ordered_json::parse(text);
  for (const auto& p : j["plans"]) {
    out.out() << "plan " << escape_controls(p["name"].get<std::string>()) << ": " << p["floors"].size()
              << " floors, " << p["layers"].size() << " named layers\n";
  }
  for (const auto& e : j["elements"]) {
    out.out() << "#" << e["id"].get<long>() << "\t" << e["kind"].get<std::string>();
    if (e.contains("plan")) out.out() << "\t" << escape_controls(e["plan"].get<std::string>());
    if (e.contains("floor")) out.out() << "\tfloor " << e["floor"].get<int>();
    out.out() << "\tlayer " << e["layer"].get<int>() << "\t" << e["materials"].size() << " materials\t"
              << e["attributes"].size() << " attributes\n";
  }
  return 0;
}

struct FindRequest {
  std::string key, value, kinds;
  bool part = false, match_case = false, numeric = false, json = false;
};

int find_command(const FindRequest& r, Output& out) {
  long mask = 0;
  std::stringstream words(r.kinds);
  for (std::string word; std::getline(words, word, ',');) {
    const int kind = kind_from_cli_name(word);
    if (kind == 0) return out.fail("no element kind \"" + escape_controls(word) + "\"");
    mask |= static_cast<long>(ElementClassBit(kind));
  }
  std::string error;
  const std::optional<std::string> key = stored_text(r.key, &error);
  const std::optional<std::string> value = stored_text(r.value, &error);
  if (!key || !value) return out.fail(error);
  if (key->empty() || key->size() > 6) return out.fail("the key has 1 to 6 characters");
  CRAS<long, 4> found;
  if (find_elems_by_attribute(key->c_str(), value->c_str(), mask, &found, r.part, r.match_case, r.numeric) < 0)
    return out.fail("the model cannot be searched");
  nlohmann::ordered_json a = nlohmann::ordered_json::array();
  for (unsigned i = 0; i < found.size(); ++i) {
    DBELEMINFO info{};
    if (!get_info_from_id(found[i], &info)) continue;
    const std::string plan = utf8_text(field_string(info.plan));
    if (r.json) {
      a.push_back({{"id", found[i]}, {"kind", kind_facts(info.kind)->cli_name}, {"plan", plan}, {"floor", info.floor}});
    } else {
      out.out() << "#" << found[i] << "\t" << escape_controls(plan) << "\t" << info.floor << "\t"
                << kind_facts(info.kind)->cli_name << "\n";
    }
  }
  if (r.json) out.out() << a.dump(2) << "\n";
  return 0;
}

}  // namespace

void add_model_commands(CLI::App& app, Context& context) {
  CLI::App* model = app.add_subcommand("model", "the placed elements of the project's model");
  model->require_subcommand(1);

  auto* import = model->add_subcommand("import", "bring in a model file (JSON)");
  auto file = std::make_shared<std::string>();
  auto replace = std::make_shared<bool>(false);
  import->add_option("FILE", *file, "the model file")->required();
  import->add_flag("--replace", *replace, "remove the model's elements, plans, floors and layers first");
  import->callback([&context, file, replace] {
    if (refuse_input(context, "model import", *file)) return;
    context.status = run_in_project(context, "model import", true, [&](ModelDatabase&, Output& out) {
      return import_command(context, *file, *replace, out);
    });
  });

  auto* show = model->add_subcommand("show", "list the plans and placed elements");
  auto as_json = std::make_shared<bool>(false);
  show->add_flag("--json", *as_json, "print the model file");
  show->callback([&context, as_json] {
    context.status = run_in_project(context, "model show", false,
                                    [&](ModelDatabase&, Output& out) { return show_command(*as_json, out); });
  });

  auto* find = model->add_subcommand("find", "the elements that carry an attribute value");
  auto r = std::make_shared<FindRequest>();
  find->add_option("--key", r->key, "attribute or parameter abbreviation")->required();
  find->add_option("--value", r->value, "the value text")->required();
  find->add_option("--kinds", r->kinds, "element kinds, separated by commas (default: all)");
  find->add_flag("--part", r->part, "the value may stand anywhere in the element's value");
  find->add_flag("--match-case", r->match_case, "letters compare with their case");
  find->add_flag("--numeric", r->numeric, "compare as numbers");
  find->add_flag("--json", r->json, "print JSON");
  find->callback([&context, r] {
    context.status = run_in_project(context, "model find", false,
                                    [&](ModelDatabase&, Output& out) { return find_command(*r, out); });
  });
}

}  // namespace dlist::cli
