// `dlist surfaces list|export|import` and the global option --surfaces: the surface
// library file (default ./surfaces.dlist), its surfaces listed as text or JSON, and
// surface exchange files written (ExportSurfaceReferences) and read
// (ImportSurfaceReferences) as one transaction of the library. Names are typed and
// shown in UTF-8 and stored in the code page of the stored texts.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/json_stream.h"
#include "cli/project.h"
#include "foundation/code_page.h"
#include "host/model/sqlite_connection.h"
#include "host/surface/surface_library.h"
#include "palettes/surface_references.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

constexpr char kDefaultSurfaces[] = "surfaces.dlist";
constexpr char kWhat[] = "surface library";

std::string surfaces_path(const GlobalOptions& options) {
  return options.surfaces.empty() ? std::string(kDefaultSurfaces) : options.surfaces;
}

using SurfaceBody = std::function<int(SURFCONTEXT& library, Output& out)>;

// Runs body on the surface library of the options, as the material commands run
// theirs: a library this command made and then failed to fill is not left behind.
int run_in_surfaces(Context& context, const std::string& command, bool create_missing,
                    const SurfaceBody& body) {
  Output out(context.console.out, context.console.err, command, context.options.quiet);
  const std::string path = surfaces_path(context.options);
  std::error_code ec;
  const bool existed = fs::exists(path, ec) || ec;
  int status = 1;
  try {
    SURFCONTEXT library;
    library.connection().set_busy_timeout(busy_timeout_ms(context.options));
    std::string error;
    if (!check_database_file(path, create_missing, kWhat, "", &error)) return out.fail(error);
    if (!library.open(path)) {
      return out.fail("cannot open the surface library " + path + ": " +
                      (library.connection().in_use() ? store_failure(library.connection())
                                                     : library.last_error()));
    }
    library.connection().clear_failure();
    ConsoleSession session(context);
    status = body(library, out);
    session.ended(status, library.connection());
  } catch (const std::exception& e) {
    status = out.fail(e.what());
  }
  if (status != 0 && !existed) fs::remove(path, ec);
  return status;
}

std::string name_text(const DBSURFHATCH& rec) {
  return utf8_text(std::string_view(rec.name, strnlen(rec.name, sizeof rec.name)));
}

nlohmann::ordered_json block_json(const double* block) {
  nlohmann::ordered_json values = nlohmann::ordered_json::array();
  for (int i = 0; i < 5; ++i) {
    double v;
    std::memcpy(&v, block + i, sizeof v);
    if (std::isfinite(v))
      values.push_back(v);
    else
      values.push_back(std::isnan(v) ? "nan" : v < 0 ? "-inf" : "inf");
  }
  return values;
}

int list_command(SURFCONTEXT& library, bool json, Output& out) {
  ReadLock lock(&library);
  std::vector<long> ids;
  if (!lock || library.surface_ids(ids) < 0)
    return out.fail("cannot read the surface library " + std::string(library.fullpath()) + ": " +
                    store_failure(library.connection()));
  JsonStream j(out.out());
  if (json) j.begin_array();
  for (long id : ids) {
    DBSURFHATCH rec;
    SurfaceBitmap bitmap;
    if (library.get(id, rec, &bitmap) != id)
      return out.fail("cannot read surface " + std::to_string(id));
    if (json) {
      nlohmann::ordered_json b = nullptr;
      if (!bitmap.name.empty())
        b = {{"name", utf8_text(bitmap.name)}, {"size", bitmap.bytes.size()}};
      j.value({{"name", name_text(rec)},
               {"name_flags", int{rec.name_flags}},
               {"hatch1", block_json(rec.hatch1)},
               {"name_index", int{rec.name_index}},
               {"type", int{rec.type}},
               {"hatch2", block_json(rec.hatch2)},
               {"last_flags", int{rec.last_flags}},
               {"bitmap", b}});
    } else {
      out.out() << shown_text(std::string_view(rec.name, strnlen(rec.name, sizeof rec.name)))
                << "  type " << int{rec.type};
      if (!bitmap.name.empty())
        out.out() << "  bitmap " << shown_text(bitmap.name) << " (" << bitmap.bytes.size()
                  << " bytes)";
      out.out() << "\n";
    }
  }
  if (json) {
    j.end_array();
    j.finish();
  }
  return 0;
}

// NAME[,NAME...] as stored names; false with the reason for a name no surface can have.
bool stored_names(const std::string& list, std::vector<std::string>* names, std::string* error) {
  std::stringstream in(list);
  for (std::string name; std::getline(in, name, ',');) {
    const std::optional<std::string> stored = stored_text(name, error);
    if (!stored) return false;
    if (stored->empty() || stored->size() > 23) {
      *error = "\"" + name + "\" is no surface name (1 to 23 bytes)";
      return false;
    }
    names->push_back(*stored);
  }
  if (names->empty()) {
    *error = "no surface names given";
    return false;
  }
  return true;
}

int export_command(SURFCONTEXT& library, const std::string& list, const std::string& file,
                   bool force, Output& out) {
  std::vector<std::string> names;
  std::string error;
  if (!stored_names(list, &names, &error)) return out.fail(error);
  if (!check_export_target(file, ExportKind::kSurfaceFile, {{library.fullpath(), kWhat}}, force,
                           &error))
    return out.fail(error);
  for (const std::string& name : names) {
    DBSURFHATCH rec;
    if (library.find(name.c_str(), rec) <= 0)
      return out.fail("no surface is called \"" + utf8_text(name) + "\"");
  }
  if (!export_surface_references(library, names, file, &error))
    return out.fail("cannot export to " + file + ": " + error);
  out.note("exported " + std::to_string(names.size()) + (names.size() == 1 ? " surface" : " surfaces") +
           " to " + file);
  return 0;
}

int import_command(SURFCONTEXT& library, const std::string& file, bool replace, Output& out) {
  std::string error;
  if (!check_writable(library.connection(), kWhat, library.fullpath(), &error))
    return out.fail(error);
  FilePackInput in(file);
  if (!in.ok()) return out.fail(in.error());
  library.connection().clear_failure();
  TaskTransaction change(&library);
  if (!change) return out.fail(cannot_change(library.connection(), kWhat, library.fullpath()));
  SurfaceReadReport report;
  if (!import_surface_references(library, in,
                                 replace ? SurfaceConflict::kReplace : SurfaceConflict::kKeep,
                                 &report))
    return out.fail("cannot import " + file + ": " + report.error + "; the library is unchanged");
  if (!change.commit()) return out.fail(cannot_save(library.connection(), kWhat, library.fullpath()));
  out.note("imported " + file + ": " + std::to_string(report.added) + " added, " +
           std::to_string(report.replaced) + " replaced, " + std::to_string(report.kept) + " kept");
  return 0;
}

}  // namespace

void add_surface_commands(CLI::App& app, Context& context) {
  app.add_option("--surfaces", context.options.surfaces,
                 "The surface library file (default: ./surfaces.dlist)");
  CLI::App* group =
      app.add_subcommand("surfaces", "The surface library: surfaces, surface exchange files");
  group->require_subcommand(1);

  CLI::App* list = group->add_subcommand("list", "Show the surfaces, by name");
  auto json = std::make_shared<bool>(false);
  list->add_flag("--json", *json,
                 "As JSON: an array of surfaces with name, name_flags, hatch1, name_index, type, "
                 "hatch2, last_flags and bitmap (name and size, or null)");
  list->callback([&context, json] {
    context.status = run_in_surfaces(context, "surfaces list", false,
                                     [json](SURFCONTEXT& library, Output& out) {
                                       return list_command(library, *json, out);
                                     });
  });

  CLI::App* exp = group->add_subcommand(
      "export", "Write the named surfaces with their bitmaps to a surface exchange file");
  auto names = std::make_shared<std::string>();
  auto file = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  exp->add_option("NAMES", *names, "Surface names, separated by commas")->required();
  exp->add_option("FILE", *file, "The file to write")->required();
  exp->add_flag("--force", *force,
                "Write over FILE also when it holds something other than a surface file "
                "(never over the open library)");
  exp->callback([&context, names, file, force] {
    context.status = run_in_surfaces(context, "surfaces export", false,
                                     [names, file, force](SURFCONTEXT& library, Output& out) {
                                       return export_command(library, *names, *file, *force, out);
                                     });
  });

  CLI::App* imp = group->add_subcommand("import", "Read a surface exchange file into the library");
  auto input = std::make_shared<std::string>();
  auto replace = std::make_shared<bool>(false);
  imp->add_option("FILE", *input, "The file to read")->required();
  imp->add_flag("--replace", *replace,
                "Replace a stored surface of the same name (default: keep it)");
  imp->callback([&context, input, replace] {
    if (refuse_input(context, "surfaces import", *input)) return;
    context.status = run_in_surfaces(context, "surfaces import", true,
                                     [input, replace](SURFCONTEXT& library, Output& out) {
                                       return import_command(library, *input, *replace, out);
                                     });
  });
}

}  // namespace dlist::cli
