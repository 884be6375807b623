// `dlist estimate [--sheets NAME,...] [--range LO:HI] [--group sheet] FILE.dev`: the
// cost-estimate dialog filled as a person would fill it, then the host's writer of
// the cost-estimate file (docs/cost_estimate.md). Exit status 1 when the dialog
// refused the choices or the file could not be written.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "cli/console_window.h"
#include "cli/dialog_filler.h"
#include "cli/file_checks.h"
#include "cli/material_library_file.h"
#include "cli/project.h"
#include "foundation/code_page.h"
#include "host/dialog/notify_codes.h"
#include "host/generator/cost_estimate_file.h"
#include "host/list/list_context.h"
#include "listspec/cost_estimate.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;
namespace lsp = dlist::listspec;

struct EstimateRequest {
  std::string file, sheets, range, group;
  bool force = false;
};

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  for (std::string w; std::getline(in, w, ',');) out.push_back(w);
  return out;
}

// "LO:HI" into lo and hi; false when it is not two integers.
bool parse_range(const std::string& text, std::string& lo, std::string& hi) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  lo = text.substr(0, colon);
  hi = text.substr(colon + 1);
  for (const std::string* part : {&lo, &hi}) {
    if (part->empty()) return false;
    std::size_t used = 0;
    try {
      (void)std::stol(*part, &used);
    } catch (const std::exception&) {
      return false;
    }
    if (used != part->size()) return false;
  }
  return true;
}

int estimate_command(Context& context, ModelDatabase& project, const EstimateRequest& r, Output& out) {
  std::string lo, hi, error;
  if (!r.range.empty() && !parse_range(r.range, lo, hi)) return out.fail("--range: give LO:HI, two integers");
  bool by_sheet = false;
  for (const std::string& g : words(r.group)) {
    if (g == "sheet") by_sheet = true;
    else if (g != "floor") return out.fail("--group: \"" + shown_text(g) + "\" is neither sheet nor floor");
  }
  const bool by_floor = !r.range.empty() || r.group.find("floor") != std::string::npos;
  if (by_floor && r.range.empty()) lo = "-256", hi = "256";
  LISTCONTEXT library;
  const std::string path = materials_path(context.options);
  std::error_code ec;
  if (!fs::exists(path, ec)) return out.fail("no material library " + path);
  if (!open_library(library, path, false, &error)) return out.fail(error);
  ActiveLibrary active(library);
  if (!check_export_target(r.file, ExportKind::kCostEstimateFile,
                           {{project.fullpath(), "project"}, {library.fullpath(), "material library"}}, r.force,
                           &error))
    return out.fail(error);
  DEVIS_INTERFACE estimate;
  std::vector<std::string> offered;
  if (!generator::offer_model_sheets(estimate, offered, error)) return out.fail(shown_message(error));
  std::vector<int> wanted;
  for (const std::string& name : words(r.sheets)) {
    const std::optional<std::string> stored = stored_text(name, &error);
    if (!stored) return out.fail(error);
    int at = -1;
    for (std::size_t i = 0; i < offered.size(); ++i)
      if (offered[i] == *stored) at = static_cast<int>(i);
    if (at < 0) return out.fail("--sheets: the model has no layout sheet \"" + shown_text(*stored) + "\"");
    wanted.push_back(at);
  }
  estimate.start = wanted.empty() ? 0 : wanted.front();
  DialogFiller filler({{lsp::kDevisFile, "FILE"}, {lsp::kDevisLow, "--range"}, {lsp::kDevisHigh, "--range"}});
  Script& s = filler.on(lsp::kDevisContext);
  s.check(lsp::kDevisAll, false);
  s.type(lsp::kDevisFile, fs::absolute(r.file, ec).string());
  s.check(by_sheet ? lsp::kDevisBySheet : lsp::kDevisTogether);
  s.check(lsp::kDevisEveryLayer);
  if (by_floor) {
    s.check(lsp::kDevisByFloor).type(lsp::kDevisLow, lo).type(lsp::kDevisHigh, hi);
  } else {
    s.check(lsp::kDevisEveryFloor);
  }
  for (std::size_t i = 1; i < wanted.size(); ++i)
    if (wanted[i] != wanted.front()) s.double_click(lsp::kDevisSheets, wanted[i]);
  if (wanted.empty()) s.check(lsp::kDevisAll);
  s.press(kIdAccept);
  const int result = filler.run([&] { return CrtDevis(console_window(), &estimate); });
  if (result == 0 || filler.refused_action() || filler.warned()) {
    const std::string why = filler.refusal();
    return out.fail(why.empty() ? std::string("the cost-estimate dialog refused the choices") : why);
  }
  const generator::EstimateResult written = generator::write_cost_estimate(estimate, offered);
  for (const std::string& note : written.notes) context.console.err << "dlist estimate: " << shown_text(note) << "\n";
  if (!written.ok) return out.fail(shown_message(written.error));
  char total[64];
  std::snprintf(total, sizeof total, "%.2f", written.total);
  out.note("wrote " + std::string(estimate.path) + " (" + std::to_string(written.rows) + " rows, total " + total + ")");
  return 0;
}

}  // namespace

void add_estimate_command(CLI::App& app, Context& context) {
  auto* estimate = app.add_subcommand("estimate", "write the cost estimate of layout sheets of the model");
  auto r = std::make_shared<EstimateRequest>();
  estimate->add_option("FILE", r->file, "the cost-estimate file (.dev)")->required();
  estimate->add_option("--sheets", r->sheets, "layout sheets, separated by commas (default: all)");
  estimate->add_option("--range", r->range, "only the floors LO to HI, totals by floor");
  estimate->add_option("--group", r->group, "sheet, floor or both separated by a comma (default: one total)");
  estimate->add_flag("--force", r->force, "write over a file that is not a cost-estimate file");
  estimate->callback([&context, r] {
    context.status = run_in_project(context, "estimate", false,
                                    [&](ModelDatabase& project, Output& out) { return estimate_command(context, project, *r, out); });
  });
}

}  // namespace dlist::cli
