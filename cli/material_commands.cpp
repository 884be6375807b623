// The material library commands: listing the material tree and the units, writing
// list export files, removing a material, purging the library and copying prices.
#include "cli/material_commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <system_error>
#include <utility>

#include "cli/commands.h"
#include "cli/console_window.h"
#include "cli/file_checks.h"
#include "cli/json_stream.h"
#include "cli/material_library_file.h"
#include "cli/report_collector.h"
#include "foundation/code_page.h"
#include "foundation/fixed_text.h"
#include "host/dialog/engine.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "materials/list_exporter.h"
#include "materials/material_library.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

using IdList = CRAS<long, 4>;

using dlist::field_string;

std::string formatted(const char* format, double value) {
  const int n = std::snprintf(nullptr, 0, format, value);
  if (n <= 0) return "?";
  std::string s(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(s.data(), s.size(), format, value);
  s.resize(static_cast<std::size_t>(n));
  return s;
}

// A factor with six decimals, trailing zeros dropped down to one decimal.
std::string factor_text(double value) {
  std::string s = formatted("%.6f", value);
  for (int i = 0; i < 5 && s.size() > 1 && s.back() == '0'; ++i) s.pop_back();
  return s;
}

// A material the walk is still to visit.
struct PendingMaterial {
  long id = 0;
  int depth = 0;
};

// Appends the children of parent to pending, last child first, so that popping
// pending visits them in walk order. False, with the reason, on a failed read.
bool push_children(LISTCONTEXT& library, long parent, int depth, const std::string& code,
                   std::vector<PendingMaterial>* pending, std::string* error) {
  if (library.rewind_material(parent) < 0) {
    *error = parent == 0 ? std::string("cannot read the root materials")
                         : "cannot read the materials below " + in_quotes(utf8_text(code));
    return false;
  }
  const std::size_t first = pending->size();
  dbmaterial rec{};
  for (long id; (id = library.get(rec, nullptr)) >= 1;) pending->push_back({id, depth});
  std::reverse(pending->begin() + static_cast<std::ptrdiff_t>(first), pending->end());
  return true;
}

bool read_references(LISTCONTEXT& library, ListedMaterial& m, std::string* error) {
  if (library.rewind_unit_ref(m.id) < 0 || library.rewind_subprice_ref(m.id) < 0) {
    *error = "cannot read the references of " + in_quotes(m.code);
    return false;
  }
  for (unitref r{}; library.get(r) > 0; r = unitref{}) m.unit_refs.push_back(r);
  for (subpriceref r{}; library.get(r) > 0; r = subpriceref{}) m.subprice_refs.push_back(r);
  return true;
}

// A material's members but its children, in the order of the listing.
nlohmann::ordered_json material_object(const ListedMaterial& m) {
  using json = nlohmann::ordered_json;
  json units = json::array();
  for (const unitref& r : m.unit_refs)
    units.push_back({{"abbrev", utf8_text(field_string(r.abbrev))}, {"factor", r.factor}});
  json subprices = json::array();
  for (const subpriceref& r : m.subprice_refs)
    subprices.push_back({{"abbrev", utf8_text(field_string(r.abbrev))}, {"value", r.value}});
  json texts = json::array();
  for (const std::string& t : m.long_texts) texts.push_back(utf8_text(t));
  // clang-format off
  return {{"id", utf8_text(field_string(m.data.id))},
          {"code", utf8_text(m.code)},
          {"name", utf8_text(field_string(m.data.name))},
          {"market", utf8_text(field_string(m.data.market))},
          {"unit_price", m.data.unit_price},
          {"native_unit", utf8_text(field_string(m.data.native_unit))},
          {"unit_refs", std::move(units)},
          {"subprice_refs", std::move(subprices)},
          {"long_texts", std::move(texts)}};
  // clang-format on
}

// Writes the materials of a walk as an array of nested objects; a material's
// object stays open, with its children array, until one at its depth or above
// comes.
class MaterialsJson {
 public:
  explicit MaterialsJson(std::ostream& out) : json_(out) { json_.begin_array(); }

  void add(const ListedMaterial& m) {
    tree_.add(m.depth, [&](JsonStream& json) {
      const nlohmann::ordered_json object = material_object(m);
      for (auto it = object.begin(); it != object.end(); ++it) json.member(it.key(), it.value());
    });
  }

  void finish() {
    tree_.close_to(0);
    json_.end_array();
    json_.finish();
  }

 private:
  JsonStream json_;
  JsonTree tree_{json_};
};

// The units below a dimension, a unit before the ones below it.
bool list_units(LISTCONTEXT& library, ListedDimension& d, std::string* error) {
  std::vector<ListedUnit> pending;
  auto push_children = [&](long parent, int depth) {
    if (library.rewind_unit(parent) < 0) {
      *error = "cannot read the units of the dimension " + in_quotes(field_string(d.data.name));
      return false;
    }
    std::vector<ListedUnit> level;
    for (;;) {
      ListedUnit u;
      u.depth = depth;
      u.id = library.get(u.data);
      if (u.id < 1) break;
      level.push_back(u);
    }
    pending.insert(pending.end(), level.rbegin(), level.rend());
    return true;
  };
  if (!push_children(d.id, 1)) return false;
  while (!pending.empty()) {
    const ListedUnit u = pending.back();
    pending.pop_back();
    d.units.push_back(u);
    if (d.basic_unit.empty() && u.depth == 1 &&
        std::fabs(u.data.factor - 1.0) < kBasicUnitTolerance)
      d.basic_unit = field_string(u.data.abbrev);
    if (!push_children(u.id, u.depth + 1)) return false;
  }
  return true;
}

nlohmann::ordered_json dimensions_json(const std::vector<ListedDimension>& dimensions) {
  using json = nlohmann::ordered_json;
  json all = json::array();
  for (const ListedDimension& d : dimensions) {
    json dimension = {{"number", d.number},
                      {"abbrev", utf8_text(field_string(d.data.abbrev))},
                      {"name", utf8_text(field_string(d.data.name))},
                      {"basic_unit", d.basic_unit.empty() ? json() : json(utf8_text(d.basic_unit))},
                      {"units", json::array()}};
    // The objects from the dimension down to the last unit added; a unit's parent is
    // the one at its depth - 1. Adding to a units array moves only the earlier
    // siblings, which are off this path by then.
    std::vector<json*> path{&dimension};
    for (const ListedUnit& u : d.units) {
      path.resize(std::min(path.size(), static_cast<std::size_t>(std::max(u.depth, 1))));
      json& units = (*path.back())["units"];
      units.push_back({{"abbrev", utf8_text(field_string(u.data.abbrev))},
                       {"name", utf8_text(field_string(u.data.name))},
                       {"factor", u.data.factor},
                       {"usage", u.data.usage},
                       {"units", json::array()}});
      path.push_back(&units.back());
    }
    all.push_back(std::move(dimension));
  }
  return all;
}

// The materials of the library: every root and everything below it.
std::size_t count_materials(LISTCONTEXT& library) {
  IdList roots;
  if (!GetMaterialRoots(&library, &roots)) return 0;
  std::size_t n = roots.size();
  for (unsigned i = 0; i < roots.size(); ++i) {
    IdList below;
    CollectMaterialSubtree(&library, roots[i], &below);
    n += below.size();
  }
  return n;
}

std::size_t count_dimensions(LISTCONTEXT& library) {
  IdList dimensions;
  return GetDimensions(&library, &dimensions) ? dimensions.size() : 0;
}

std::size_t count_markets(LISTCONTEXT& library) {
  std::size_t n = 0;
  library.rewind_market();
  for (dbmarket m{}; library.get(m) > 0; m = dbmarket{}) ++n;
  return n;
}

std::size_t count_subprices(LISTCONTEXT& library) {
  std::size_t n = 0;
  library.rewind_subprice();
  for (dbsubprice s{}; library.get(s) > 0; s = dbsubprice{}) ++n;
  return n;
}

std::string size_of(const std::string& file) {
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  return ec ? std::string() : " (" + std::to_string(size) + " bytes)";
}

std::string plural(std::size_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// The line that asks for an answer the command cannot get.
std::string needs_answer(const std::string& what) {
  return what +
         " asks for a confirmation: use --yes to go ahead (or --no), or run it on a "
         "terminal";
}

}  // namespace

bool walk_materials(LISTCONTEXT& library, const std::function<void(const ListedMaterial&)>& visit,
                    std::string* error) {
  ReadLock lock(library);
  std::vector<PendingMaterial> pending;
  std::vector<std::string> codes;  // codes[d]: the code of the material last visited at depth d
  if (!push_children(library, 0, 0, "", &pending, error)) return false;
  // Each material has one parent, so the walk from the roots meets every one once.
  while (!pending.empty()) {
    const PendingMaterial next = pending.back();
    pending.pop_back();
    ListedMaterial m;
    LONGTEXT texts[kLongTextCount];
    if (library.get(next.id, m.data, texts) != next.id) {
      *error = "cannot read the material " + std::to_string(next.id);
      return false;
    }
    m.id = next.id;
    m.depth = next.depth;
    codes.resize(static_cast<std::size_t>(next.depth));
    const std::string own = field_string(m.data.id);
    m.code = codes.empty() ? own : codes.back() + "." + own;
    codes.push_back(m.code);
    for (int i = 0; i < kLongTextCount; ++i) {
      const char* bytes = texts[i];
      if (bytes != nullptr) m.long_texts[i].assign(bytes, texts[i].size());
    }
    if (!read_references(library, m, error)) return false;
    visit(m);
    if (!push_children(library, m.id, m.depth + 1, m.code, &pending, error)) return false;
  }
  return true;
}

std::optional<std::vector<ListedDimension>> list_dimensions(LISTCONTEXT& library,
                                                            std::string* error) {
  ReadLock lock(library);
  IdList ids;
  if (!GetDimensions(&library, &ids)) {
    *error = "cannot read the dimensions";
    return std::nullopt;
  }
  std::vector<ListedDimension> dimensions;
  for (unsigned i = 0; i < ids.size(); ++i) {
    ListedDimension d;
    d.id = ids[i];
    if (library.get(d.id, d.data) < 1) {
      *error = "cannot read the dimension " + std::to_string(d.id);
      return std::nullopt;
    }
    d.number = DimensionNumber(&library, d.data.abbrev);
    if (!list_units(library, d, error)) return std::nullopt;
    dimensions.push_back(std::move(d));
  }
  return dimensions;
}

int materials_tree_command(LISTCONTEXT& library, bool json, Output& out) {
  std::string error;
  bool walked = false;
  if (json) {
    MaterialsJson writer(out.out());
    walked = walk_materials(library, [&](const ListedMaterial& m) { writer.add(m); }, &error);
    writer.finish();
  } else {
    walked = walk_materials(
        library,
        [&](const ListedMaterial& m) {
          const std::string unit = shown_text(field_string(m.data.native_unit));
          out.out() << std::string(2 * static_cast<std::size_t>(m.depth), ' ')
                    << shown_text(m.code) << "  " << shown_text(field_string(m.data.name)) << "  "
                    << formatted("%.2f", m.data.unit_price)
                    << (unit.empty() ? std::string() : " / " + unit) << '\n';
        },
        &error);
  }
  return walked ? 0 : out.fail(error);
}

int materials_units_command(LISTCONTEXT& library, bool json, Output& out) {
  std::string error;
  std::optional<std::vector<ListedDimension>> dimensions = list_dimensions(library, &error);
  if (!dimensions) return out.fail(error);
  if (json) {
    out.out() << dimensions_json(*dimensions).dump(2) << '\n';
    return 0;
  }
  for (const ListedDimension& d : *dimensions) {
    out.out() << shown_text(field_string(d.data.abbrev)) << "  " << shown_text(field_string(d.data.name))
              << "  basic unit "
              << (d.basic_unit.empty() ? std::string("(none)") : shown_text(d.basic_unit)) << '\n';
    for (const ListedUnit& u : d.units) {
      char label[kLinkedNameSize];
      std::snprintf(label, sizeof label, "%s ( %s )", field_string(u.data.name).c_str(),
                    field_string(u.data.abbrev).c_str());
      LinkedUnitName(&library, u.id, label);
      out.out() << std::string(2 * static_cast<std::size_t>(u.depth), ' ') << shown_text(label)
                << "  factor "
                << factor_text(u.data.factor) << "  usage " << u.data.usage << '\n';
    }
  }
  return 0;
}

int materials_export_command(LISTCONTEXT& library, const MaterialExportRequest& request,
                             Output& out) {
  const std::string& file = request.file;
  if (file.empty()) return out.fail("no file given to write");
  std::string error;
  if (!check_export_target(file, ExportKind::kListFile, {{library.fullpath(), "material library"}},
                           request.force, &error))
    return out.fail(error);
  std::error_code ec;
  const bool existed = fs::exists(file, ec);

  long root = 0;
  if (!request.root.empty() && (root = find_material(library, request.root)) == 0)
    return out.fail(unknown_code(request.root));
  long target = -1;
  if (request.target == "0") {
    target = 0;
  } else if (!request.target.empty() && request.target != "-1" &&
             (target = find_material(library, request.target)) == 0) {
    return out.fail(unknown_code(request.target));
  }

  // What the export refuses, said before FILE is opened, so a file that is there is
  // kept.
  if (count_dimensions(library) == 0) return out.fail("no units (no dimension) in the library");
  std::size_t known = 0;
  if (!request.codes.empty()) {
    for (const std::string& code : request.codes) known += find_material(library, code) ? 1 : 0;
    if (known == 0) return out.fail("no materials to export: no material has the codes given");
  } else if (root == 0 && count_materials(library) == 0) {
    return out.fail("no materials to export");
  }

  std::vector<char> path(std::max<std::size_t>(kListTempPathSize, file.size() + 1), '\0');
  std::memcpy(path.data(), file.data(), file.size());
  ReportCollector reports;  // the export's reason for a failure, instead of its trace
  int done = 0;
  std::size_t exported = 0;
  if (!request.codes.empty()) {
    std::string ignored;  // a code the code page cannot hold names no material
    TEXTBUFFERCHAIN codes;
    for (const std::string& code : request.codes)
      codes.push(TEXTBUFFER(stored_text(code, &ignored).value_or(code).c_str()));
    done = ListExporter(&library, path.data(), &codes);
    // The chain now holds the ancestors too.
    std::set<long> ids;
    for (unsigned i = 0; i < codes.size(); ++i)
      if (const long id = find_material(library, codes[i].get())) ids.insert(id);
    exported = ids.size();
  } else {
    done = ListExporter(nullptr, &library, root, path.data(), target);
    if (root != 0) {
      IdList below;
      CollectMaterialSubtree(&library, root, &below);
      exported = 1 + below.size();
    } else {
      exported = count_materials(library);
    }
  }
  if (done != 1) {
    // A file begun here and not ended is no list export file; one that was there
    // before stays.
    if (!existed && fs::exists(file, ec)) fs::remove(file, ec);
    const std::string reason = reports.reason_of("ListExporter");
    const bool said = reason.empty() || reason.rfind("cannot open ", 0) == 0;
    return out.fail("cannot write " + file + (said ? std::string() : ": " + reason));
  }
  std::string note = "exported " + plural(exported, "material") + " to " + file + size_of(file);
  if (!request.codes.empty() && known < request.codes.size())
    note += "; skipped " + plural(request.codes.size() - known, "code") + " naming no material";
  out.note(note);
  return 0;
}

int materials_remove_command(LISTCONTEXT& library, const std::string& code, bool can_answer,
                             Output& out) {
  const long id = find_material(library, code);
  if (id == 0) return out.fail(unknown_code(code));
  if (!can_answer) return out.fail(needs_answer("removing " + in_quotes(code)));
  IdList below;
  CollectMaterialSubtree(&library, id, &below);

  std::string error;
  if (!check_writable(library.connection(), "material library", library.fullpath(), &error))
    return out.fail(error);
  LibraryTransaction change(library);
  if (!change) return out.fail(cannot_change(library));
  Material material(&library, id);
  material.read();
  const std::string name = utf8_text(field_string(material.data.name));
  const auto& boxes = dialog_log().message_boxes;
  const std::size_t asked_before = boxes.size();
  if (RemoveMaterial(console_window(), &material, 1) == 0) {
    if (boxes.size() > asked_before && boxes.back().answer == kIdNo)
      return out.fail("kept " + in_quotes(code) + ": the answer was No");
    return out.fail("cannot remove " + in_quotes(code) + because(library) +
                    "; the library is unchanged");
  }
  if (!change.commit()) return out.fail(cannot_save(library));
  out.note("removed " + code + " " + name +
           (below.size() == 0 ? std::string()
                              : " with " + plural(below.size(), "material") + " below it"));
  return 0;
}

int materials_purge_command(LISTCONTEXT& library, bool can_answer, Output& out) {
  if (!can_answer) return out.fail(needs_answer("purging the library"));
  std::string error;
  if (!check_writable(library.connection(), "material library", library.fullpath(), &error))
    return out.fail(error);
  const std::size_t materials = count_materials(library);
  const std::size_t dimensions = count_dimensions(library);
  const std::size_t subprices = count_subprices(library);
  const std::size_t markets = count_markets(library);
  const std::string path = library.fullpath();
  const int answer = message_box(console_window(),
                                 "Do you want to delete every material, dimension, unit, subprice "
                                 "and market of the library?",
                                 path.c_str(), kMbYesNo | kMbIconExclamation);
  if (answer != kIdYes) return out.fail("kept the library: the answer was No");

  LibraryTransaction change(library);
  if (!change) return out.fail(cannot_change(library));
  PurgeMaterialLibrary(&library);
  // The operation tells nothing; what is left tells whether it did all its work.
  if (count_materials(library) != 0 || count_dimensions(library) != 0 ||
      count_subprices(library) != 0 || count_markets(library) != 0)
    return out.fail("cannot purge the library" + because(library) + "; it is unchanged");
  if (!change.commit()) return out.fail(cannot_save(library));
  out.note("purged " + path + ": " + plural(materials, "material") + ", " +
           plural(dimensions, "dimension") + ", " + plural(subprices, "subprice") + " and " +
           plural(markets, "market") + " removed");
  return 0;
}

int materials_copy_prices_command(LISTCONTEXT& library, const std::string& source,
                                  const std::string& target, Output& out) {
  const long from = find_material(library, source);
  if (from == 0) return out.fail(unknown_code(source));
  const long to = find_material(library, target);
  if (to == 0) return out.fail(unknown_code(target));
  if (from == to) {
    // A material copied onto itself stays as it is.
    out.note(source + " and " + target + " are the same material; nothing to copy");
    return 0;
  }
  std::string error;
  if (!check_writable(library.connection(), "material library", library.fullpath(), &error))
    return out.fail(error);
  LibraryTransaction change(library);
  if (!change) return out.fail(cannot_change(library));
  if (CopyListIn(&library, nullptr, from, to) != 1)
    return out.fail("cannot copy the prices of " + source + " onto " + target + because(library) +
                    "; the library is unchanged");
  if (!change.commit()) return out.fail(cannot_save(library));
  out.note("copied the price, market, long texts and references of " + source + " onto " + target);
  return 0;
}

// `materials import`, `init` and `move` (material_import_commands.cpp).
void add_material_import_commands(CLI::App& group, Context& context);

// `materials new`, `edit`, `rename`, `show`, `long-text-names` and `separator`
// (material_edit_commands.cpp).
void add_material_edit_commands(CLI::App& group, Context& context);
// `materials dimension`, `unit`, `market` and `subprice` (material_record_commands.cpp).
void add_material_record_commands(CLI::App& group, Context& context);

void add_material_commands(CLI::App& app, Context& context) {
  app.add_option("--materials", context.options.materials,
                 "The material library file (default: ./materials.dlist)");
  CLI::App* group =
      app.add_subcommand("materials", "The material library: materials, units, list export files");
  group->require_subcommand(1);


  CLI::App* tree = group->add_subcommand("tree", "Show the material tree");
  auto tree_json = std::make_shared<bool>(false);
  tree->add_flag("--json", *tree_json,
                 "As JSON: an array of root materials, each with id, code, name, market, "
                 "unit_price, native_unit, unit_refs, subprice_refs, long_texts and children. "
                 "Texts are converted from the code page of the stored texts (--code-page), "
                 "so nothing is lost");
  tree->callback(reading_library(context, "materials tree", [tree_json](LISTCONTEXT& library, Output& out) {
    return materials_tree_command(library, *tree_json, out);
  }));

  CLI::App* units = group->add_subcommand("units", "Show the dimensions and their units");
  auto units_json = std::make_shared<bool>(false);
  units->add_flag("--json", *units_json,
                  "As JSON: dimensions with number, abbrev, name, basic_unit and units; units "
                  "with abbrev, name, factor, usage and units (texts as for tree --json)");
  units->callback(reading_library(context, "materials units", [units_json](LISTCONTEXT& library, Output& out) {
    return materials_units_command(library, *units_json, out);
  }));

  CLI::App* exp = group->add_subcommand("export", "Write a list export file (.lis)");
  auto request = std::make_shared<MaterialExportRequest>();
  CLI::Option* root = exp->add_option("--root", request->root,
                                      "Code of the material to export with everything below it "
                                      "(default: the whole library)");
  CLI::Option* target = exp->add_option(
      "--target", request->target,
      "Where the written codes start: -1 the full codes (default), 0 the first exported "
      "material's level, or the CODE of a material below which the file then imports");
  CLI::Option* codes =
      exp->add_option("--codes", request->codes,
                      "Codes of the materials to export, separated by commas; their ancestors "
                      "come with them and codes naming no material are skipped")
          ->delimiter(',');
  codes->excludes(root);
  codes->excludes(target);
  exp->add_flag("--force", request->force,
                "Write over FILE also when it holds something other than a list export file "
                "(never over the open library)");
  exp->add_option("FILE", request->file, "The file to write")->required();
  exp->callback(reading_library(context, "materials export", [request](LISTCONTEXT& library, Output& out) {
    return materials_export_command(library, *request, out);
  }));

  CLI::App* remove = group->add_subcommand(
      "remove", "Remove a material with everything below it (asks first; --yes, --no)");
  auto code = std::make_shared<std::string>();
  remove->add_option("CODE", *code, "Code of the material, components joined by \".\"")->required();
  remove->callback(
      changing_library(context, "materials remove", [code, &context](LISTCONTEXT& library, Output& out) {
        return materials_remove_command(library, *code, can_answer_questions(context), out);
      }));

  CLI::App* purge = group->add_subcommand(
      "purge", "Remove every material, dimension, subprice and market (asks first; --yes, --no)");
  purge->callback(changing_library(context, "materials purge", [&context](LISTCONTEXT& library, Output& out) {
    return materials_purge_command(library, can_answer_questions(context), out);
  }));

  CLI::App* copy = group->add_subcommand(
      "copy-prices",
      "Give material DST the price, native unit, market, long texts and references of SRC");
  auto source = std::make_shared<std::string>();
  auto destination = std::make_shared<std::string>();
  copy->add_option("SRC", *source, "Code of the material to copy from")->required();
  copy->add_option("DST", *destination, "Code of the material to copy onto")->required();
  copy->callback(
      changing_library(context, "materials copy-prices", [source, destination](LISTCONTEXT& library, Output& out) {
        return materials_copy_prices_command(library, *source, *destination, out);
      }));

  add_material_import_commands(*group, context);
  add_material_edit_commands(*group, context);
  add_material_record_commands(*group, context);
}

}  // namespace dlist::cli
