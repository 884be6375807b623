// `dlist lists generate SET.ini [NAME] [--out DIR]`: the lists of a set of list
// definitions made from the project's model and priced from the material library
// (docs/list_generation.md). Exit status 1 when a list could not be made.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/material_library_file.h"
#include "cli/project.h"
#include "foundation/code_page.h"
#include "host/generator/list_generator.h"
#include "host/list/list_context.h"
#include "host/list_sets/list_set_store.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

struct GenerateRequest {
  std::string set, name, out;
};

int generate_command(Context& context, const GenerateRequest& r, Output& out) {
  DL_LISTSPEC_LIST set;
  std::string error;
  if (!list_sets::Read(set, r.set, error)) return out.fail(shown_message(error));
  std::optional<std::string> name = stored_text(r.name, &error);
  if (!name) return out.fail(error);
  std::error_code ec;
  if (!r.out.empty() && !fs::is_directory(r.out, ec)) return out.fail("no folder " + r.out);
  LISTCONTEXT library;
  std::unique_ptr<ActiveLibrary> active;
  const std::string path = materials_path(context.options);
  if (fs::exists(path, ec)) {
    if (!open_library(library, path, false, &error)) return out.fail(error);
    active = std::make_unique<ActiveLibrary>(library);
  }
  generator::GenerateOptions options;
  options.out_dir = r.out;
  const generator::GenerateResult result = generator::generate(r.set, *name, set, options);
  if (!result.error.empty()) return out.fail(shown_message(result.error));
  int status = 0;
  for (const generator::ListResult& l : result.lists) {
    const std::string list = "list \"" + shown_text(l.name) + "\"";
    for (const std::string& line : l.log) context.console.err << "dlist lists generate: " << list << ": " << shown_text(line) << "\n";
    if (!l.ok) {
      status = out.fail(list + " was not generated: " + shown_message(l.error));
      continue;
    }
    out.note("wrote " + l.output + " (" + std::to_string(l.rows) + " rows" +
             (l.log.empty() ? "" : ", " + std::to_string(l.log.size()) + " notes in " + l.output + ".log") + ")");
  }
  return status;
}

}  // namespace

void add_list_generate_command(CLI::App& app, Context& context) {
  CLI::App* lists = app.get_subcommand("lists");
  auto* generate = lists->add_subcommand("generate", "make the lists of a set from the model");
  auto r = std::make_shared<GenerateRequest>();
  generate->add_option("SET", r->set, "the set file (.ini)")->required();
  generate->add_option("NAME", r->name, "one list definition (default: the marked ones, or all)");
  generate->add_option("--out", r->out, "the folder of the lists (default: the set's folder)");
  generate->callback([&context, r] {
    context.status = run_in_project(context, "lists generate", false,
                                    [&](ModelDatabase&, Output& out) { return generate_command(context, *r, out); });
  });
}

}  // namespace dlist::cli
