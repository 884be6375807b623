// `dlist demo [DIR]`: the main job of the command. It works in DIR, a new temporary
// folder when none is given, and shows the exchange files at work: it creates
// DIR/project.dlist with palettes and prototypes of all 13 kinds in nested folders,
// exports both trees to DIR/palettes.pal and DIR/prototypes.prt, imports them into
// a fresh DIR/second.dlist, and checks that both projects hold equal trees (names,
// levels, kinds, descriptions, and the records with their surface sets and
// reference chains), comparing node by node in tree order. Then it grows a material
// library in DIR/materials.dlist (dimensions with units, markets, subprices of the
// four kinds, a three-level material tree), exports it whole to DIR/materials.lis,
// reads that file into a fresh DIR/second-materials.dlist and checks that both
// libraries hold equal materials. The first project also gets an attribute library
// (groups, one under a predefined name, attributes of the three kinds with direct,
// indirect and held-file references), exported to DIR/attributes.atr and imported
// into the second project, whose library must then equal the first's; attribute
// values are linked to door and window prototypes through the attribute link
// panel and the prototype file is written again, so the second project's chains
// must equal them. Last it
// creates a surface library in DIR/surfaces.dlist, exports two of its surfaces (one
// with a bitmap) to DIR/surfaces.sur, imports that into DIR/second-surfaces.dlist and
// compares them. Between the two, materials of the library are linked to wall
// prototypes of the first project (one group stored and applied) and the links are
// carried through DIR/linked-prototypes.prt into DIR/linked.dlist and compared.
// Last a two-storey house is placed in the first project through DIR/house.json, its
// lists are generated into DIR/lists/ (delimited text and HTML), and the material
// summary's totals are checked against totals computed from the model and the library.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "cli/demo_house.h"
#include "cli/demo_links.h"
#include "cli/demo_materials.h"
#include "cli/demo_project.h"
#include "cli/demo_surfaces.h"
#include "cli/kind_word.h"
#include "cli/material_library_file.h"
#include "cli/project.h"
#include "cli/report_collector.h"
#include "attributes/attribute_exchange.h"
#include "foundation/fixed_text.h"
#include "host/model/attribute_store.h"
#include "cli/demo_locations.h"
#include "locations/location_file.h"
#include "host/resources.h"
#include "materials/list_exporter.h"
#include "materials/list_import.h"
#include "palettes/exchange_reader.h"
#include "palettes/exchange_writer.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

constexpr char kPaletteFile[] = "palettes.pal";
constexpr char kPrototypeFile[] = "prototypes.prt";
constexpr char kSecondProject[] = "second.dlist";
constexpr char kAttributeFile[] = "attributes.atr";
constexpr char kLocationFile[] = "locations.loc";
constexpr char kListFile[] = "materials.lis";
constexpr char kSecondMaterials[] = "second-materials.dlist";

// A new folder under the system's temporary folder.
fs::path make_work_folder() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = ".";
  std::random_device random;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    fs::path candidate = base / ("dlist-demo-" + std::to_string(random() % 1000000));
    if (fs::create_directory(candidate, ec)) return candidate;
  }
  throw std::runtime_error("cannot create a temporary folder under " + base.string());
}

// A failure of the demo, with what went wrong.
struct DemoFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void check(bool ok, const std::string& what) {
  if (!ok) throw DemoFailure(what);
}

// Opens a new project file; throws when it cannot.
void open_new(ModelDatabase& db, const fs::path& path) {
  std::string error;
  check(open_project(db, path.string(), true, &error), error);
}

// The nodes of both trees of the active model.
struct ProjectPrints {
  std::vector<NodePrint> palettes;
  std::vector<NodePrint> prototypes;
};

ProjectPrints prints_of_active() {
  ProjectPrints p;
  std::string error;
  std::optional<std::vector<NodePrint>> a = tree_prints(StoreTree(ModelTree::kPalettes), &error);
  check(a.has_value(), error);
  std::optional<std::vector<NodePrint>> b = tree_prints(StoreTree(ModelTree::kPrototypes), &error);
  check(b.has_value(), error);
  p.palettes = std::move(*a);
  p.prototypes = std::move(*b);
  return p;
}

int leaves(const std::vector<NodePrint>& prints) {
  int n = 0;
  for (const NodePrint& p : prints) n += p.level < 0 ? 1 : 0;
  return n;
}

std::string size_of(const fs::path& file) {
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  return ec ? std::string("?") : std::to_string(size);
}

// A double as its exact bits would give it back.
std::string exact(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// One material as the comparison of two libraries sees it: its name, unit price,
// native unit, market, four long texts, and its unit and subprice references in a
// stable order, every number to its last bit. With `piece` the reference to the piece
// unit (factor 1) that the import gives a material without one is added.
std::string material_print(LISTCONTEXT& library, long id, bool piece) {
  dbmaterial m{};
  LONGTEXT texts[kLongTextCount];
  if (library.get(id, m, texts) != id) return "?";
  std::string s = field_string(m.name) + "|" +
                  exact(m.unit_price) + "|" +
                  field_string(m.native_unit) + "|" +
                  field_string(m.market);
  for (const LONGTEXT& t : texts) s += "|" + std::string(t.size() ? &t[0] : "", t.size());
  std::vector<std::string> refs;
  library.rewind_unit_ref(id);
  for (unitref u{}; library.get(u) > 0;) {
    refs.push_back(field_string(u.abbrev) + "=" + exact(u.factor));
  }
  if (piece) refs.push_back(load_string(440) + "=" + exact(1.0));
  library.rewind_subprice_ref(id);
  for (subpriceref r{}; library.get(r) > 0;)
    refs.push_back("$" + field_string(r.abbrev) + "=" +
                   exact(r.value));
  std::sort(refs.begin(), refs.end());
  for (const std::string& r : refs) s += "|" + r;
  return s;
}

// The code of the first material that differs between the libraries, "" when they
// hold equal materials. A material of the first library that neither is in the piece
// unit nor refers to it is expected in the second with a reference to the piece unit
// added (the import gives every such material one); *pieces counts them.
std::string material_difference(LISTCONTEXT& first, LISTCONTEXT& second, long* count,
                                 long* pieces) {
  std::vector<long> ids, others;
  first.material_ids(ids);
  second.material_ids(others);
  *count = static_cast<long>(ids.size());
  *pieces = 0;
  if (ids.size() != others.size()) return "the number of materials";
  const std::string piece = load_string(440);
  for (const long id : ids) {
    TEXTBUFFER code;
    if (first.get_idpath(id, code) == 0) return "material " + std::to_string(id);
    const std::string text = code.get();
    dbmaterial m{};
    const long other = second.get(code, m, nullptr);
    if (other < 1) return text;
    dbmaterial own{};
    if (first.get(id, own, nullptr) != id) return text;
    bool has_piece = field_string(own.native_unit) == piece;
    first.rewind_unit_ref(id);
    for (unitref u{}; first.get(u) > 0;) has_piece |= piece == field_string(u.abbrev);
    if (!has_piece) ++*pieces;
    if (material_print(first, id, !has_piece) != material_print(second, other, false)) return text;
  }
  return "";
}

int run_demo(const std::string& dir_option, Output& out) {
  fs::path dir = dir_option.empty() ? make_work_folder() : fs::path(dir_option);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return out.fail("cannot create " + dir.string() + ": " + ec.message());
  const fs::path first_path = dir / kDefaultProject;
  const fs::path palette_file = dir / kPaletteFile;
  const fs::path prototype_file = dir / kPrototypeFile;
  const fs::path second_path = dir / kSecondProject;
  const fs::path library_path = dir / kDefaultMaterials;
  const fs::path list_file = dir / kListFile;
  const fs::path attribute_file = dir / kAttributeFile;
  // Never overwrite what an earlier run, or anybody, left there.
  for (const fs::path& p :
       {first_path, palette_file, prototype_file, second_path, library_path, list_file,
        dir / kSecondMaterials, attribute_file, dir / kDemoSurfaces, dir / kDemoSurfaceFile,
        dir / kDemoSecondSurfaces, dir / kLocationFile, dir / kDemoLinkFile, dir / kDemoLinkProject, dir / kDemoHouseModel,
        dir / kDemoHouseLists}) {
    if (fs::exists(p, ec))
      return out.fail(p.string() + " exists already; give the demo an empty or new folder");
  }
  out.out() << "dlist demo: working in " << dir.string() << "\n";

  ReportCollector reports;
  try {
    // The first project: both trees filled, then exported.
    ProjectPrints first;
    DemoCounts palette_counts, prototype_counts;
    {
      ModelDatabase db;
      open_new(db, first_path);
      ActiveModel active(db);
      {
        Transaction change(db);
        check(static_cast<bool>(change), "cannot change " + first_path.string());
        std::string error;
        std::optional<DemoCounts> a = fill_demo_tree(StoreTree(ModelTree::kPalettes), &error);
        check(a.has_value(), error);
        std::optional<DemoCounts> b = fill_demo_tree(StoreTree(ModelTree::kPrototypes), &error);
        check(b.has_value(), error);
        check(change.commit(), "cannot save " + first_path.string() + ": " + db.last_error());
        palette_counts = *a;
        prototype_counts = *b;
      }
      out.out() << "created " << first_path.string() << ": " << palette_counts.total_leaves()
                << " palettes and " << prototype_counts.total_leaves()
                << " prototypes in " << palette_counts.folders + prototype_counts.folders
                << " folders\n  per kind (palettes/prototypes):";
      for (int k = kFirstKind; k <= kLastKind; ++k)
        out.out() << " " << kind_word(k) << " " << palette_counts.leaves[k] << "/"
                  << prototype_counts.leaves[k];
      out.out() << "\n";

      std::string file = palette_file.string();
      std::string description = "dlist demo: palettes of all 13 kinds";
      check(PaletteExport(nullptr, 0L, file.data(), description.data(), 1) == 1,
            "cannot write " + file + ": " + reports.reason_of("PaletteExport"));
      file = prototype_file.string();
      description = "dlist demo: prototypes of all 13 kinds";
      const long root = StoreTree(ModelTree::kPrototypes).root();
      check(PrototypeExport(nullptr, root, file.data(), description.data(), 1) == 1,
            "cannot write " + file + ": " + reports.reason_of("PrototypeExport"));
      out.out() << "exported " << palette_file.string() << " (" << size_of(palette_file)
                << " bytes) and " << prototype_file.string() << " (" << size_of(prototype_file)
                << " bytes)\n";
      first = prints_of_active();
    }

    // The attribute library of the first project, exported from its root.
    std::vector<std::string> first_attributes;
    {
      ModelDatabase db;
      std::string error;
      check(open_project(db, first_path.string(), false, &error), error);
      ActiveModel active(db);
      std::optional<AttributeDemoCounts> counts;
      int linked = 0;
      {
        Transaction change(db);
        check(static_cast<bool>(change), "cannot change " + first_path.string());
        counts = fill_demo_attributes(&error);
        check(counts.has_value(), error);
        linked = link_demo_attribute_values(&error);
        check(linked > 0, error);
        check(change.commit(), "cannot save " + first_path.string() + ": " + db.last_error());
      }
      std::string file = attribute_file.string();
      check(AttributeExport(nullptr, ATTRIBUTES().rew_node(0), file.data(), 0, nullptr) == 1,
            "cannot write " + file + ": " + reports.reason_of("AttributeExport"));
      std::optional<std::vector<std::string>> prints = attribute_prints(&error);
      check(prints.has_value(), error);
      first_attributes = std::move(*prints);
      out.out() << "created an attribute library in " << first_path.string() << ": "
                << counts->groups << " groups, " << counts->attributes << " attributes and "
                << counts->references << " references; exported " << attribute_file.string()
                << " (" << size_of(attribute_file) << " bytes)\n";
      // The prototypes now carry attribute values: their file is written again, and
      // the second project's prototypes must carry the same chains.
      file = prototype_file.string();
      std::string description = "dlist demo: prototypes of all 13 kinds";
      const long root = StoreTree(ModelTree::kPrototypes).root();
      check(PrototypeExport(nullptr, root, file.data(), description.data(), 1) == 1,
            "cannot write " + file + ": " + reports.reason_of("PrototypeExport"));
      first.prototypes = prints_of_active().prototypes;
      out.out() << "linked " << linked
                << " attribute values to door and window prototypes through the link panel;"
                   " exported "
                << file << " again (" << size_of(prototype_file) << " bytes)\n";
    }

    // The second project: a fresh one that takes both files.
    ProjectPrints second;
    {
      ModelDatabase db;
      open_new(db, second_path);
      ActiveModel active(db);
      std::string file = palette_file.string();
      check(PaletteImport(nullptr, 0L, file.data()) == 1,
            "cannot import " + file + ": " + reports.reason_of("PaletteImport"));
      file = prototype_file.string();
      const long root = StoreTree(ModelTree::kPrototypes).root();
      check(PrototypeImport(nullptr, root, file.data()) == 1,
            "cannot import " + file + ": " + reports.reason_of("PrototypeImport"));
      second = prints_of_active();
      file = attribute_file.string();
      check(AttributeImport(nullptr, 0L, file.data()) == 1,
            "cannot import " + file + ": " + reports.reason_of("AttributeImport"));
      std::string error;
      std::optional<std::vector<std::string>> prints = attribute_prints(&error);
      check(prints.has_value(), error);
      check(*prints == first_attributes, "the attribute libraries differ");
      out.out() << "imported both files into " << second_path.string() << ": "
                << leaves(second.palettes) << " palettes and " << leaves(second.prototypes)
                << " prototypes\n";
    }

    const std::string palette_difference = first_difference(first.palettes, second.palettes);
    const std::string prototype_difference =
        first_difference(first.prototypes, second.prototypes);
    check(palette_difference.empty(), "the palette trees differ: " + palette_difference);
    check(prototype_difference.empty(), "the prototype trees differ: " + prototype_difference);
    out.out() << "compared " << first.palettes.size() << " palette nodes and "
              << first.prototypes.size()
              << " prototype nodes with their records, surfaces and references: equal\n";
    out.out() << "imported " << attribute_file.string() << " into " << second_path.string()
              << " and compared its attribute library with the first's: "
              << first_attributes.size() << " entries with equal definitions and references\n";

    // Nested locations of the first project, exported whole and imported in place of
    // every location of the second.
    {
      const fs::path location_file = dir / kLocationFile;
      std::vector<std::string> first_locations;
      {
        ModelDatabase db;
        std::string error;
        check(open_project(db, first_path.string(), false, &error), error);
        ActiveModel active(db);
        Transaction change(db);
        check(static_cast<bool>(change), "cannot change " + first_path.string());
        const std::optional<int> count = fill_demo_locations(&error);
        check(count.has_value(), error);
        check(change.commit(), "cannot save " + first_path.string() + ": " + db.last_error());
        std::string file = location_file.string();
        std::string description = "dlist demo: locations";
        check(LocationExport(nullptr, 0L, file.data(), description.data()) == 1,
              "cannot write " + file + ": " + reports.reason_of("LocationExport"));
        first_locations = location_prints();
        out.out() << "created " << *count << " nested locations in " << first_path.string()
                  << "; exported " << file << " (" << size_of(location_file) << " bytes)\n";
      }
      ModelDatabase db;
      std::string error;
      check(open_project(db, second_path.string(), false, &error), error);
      ActiveModel active(db);
      std::string file = location_file.string();
      check(LocationImport(nullptr, -1L, file.data()) == 1,
            "cannot import " + file + ": " + reports.reason_of("LocationImport"));
      check(location_prints() == first_locations, "the location trees differ");
      out.out() << "imported " << file << " into " << second_path.string()
                << " and compared: " << first_locations.size()
                << " locations with equal names, keys and texts\n";
    }

    // The material library, exported whole with full codes.
    {
      LISTCONTEXT library;
      std::string error;
      check(open_library(library, library_path.string(), true, &error), error);
      ActiveLibrary active(library);
      std::optional<MaterialDemoCounts> counts;
      {
        LibraryTransaction change(library);
        check(static_cast<bool>(change), "cannot change " + library_path.string());
        counts = fill_demo_library(library, &error);
        check(counts.has_value(), error);
        check(change.commit(),
              "cannot save " + library_path.string() + ": " + library.last_error());
      }
      std::string file = list_file.string();
      check(ListExporter(nullptr, &library, 0L, file.data(), -1L) == 1,
            "cannot write " + list_file.string());
      out.out() << "created " << library_path.string() << ": " << counts->materials
                << " materials, " << counts->dimensions << " dimensions with " << counts->units
                << " units, " << counts->markets << " markets and " << counts->subprices
                << " subprices; exported " << list_file.string() << " (" << size_of(list_file)
                << " bytes)\n";

      // The export read back into a fresh library.
      const fs::path second_library = dir / kSecondMaterials;
      LISTCONTEXT second;
      check(open_library(second, second_library.string(), true, &error), error);
      ActiveLibrary active_second(second);
      check(ListInic(nullptr, &second, file.c_str()) != 0, "cannot import " + file);
      long materials = 0;
      long pieces = 0;
      const std::string difference = material_difference(library, second, &materials, &pieces);
      check(difference.empty(), "the material libraries differ at " + difference);
      out.out() << "imported " << list_file.string() << " into " << second_library.string()
                << ": " << materials
                << " materials with equal codes, names, unit prices, native units, markets, "
                   "long texts and unit and subprice references (numbers to the last bit); "
                << pieces << " of them gained the reference to the piece unit that the import "
                   "gives every material without one\n";

      // Materials of the library linked to prototypes of the first project.
      ActiveLibrary active_links(library);
      check(run_link_demo(dir, first_path, library, out.out(), &error), error);
    }

    // The surface library: two surfaces carried to a second library and compared.
    std::string error;
    check(run_surface_demo(dir, out.out(), &error), error);

    // The house: placed elements in the first project, its lists and their check.
    {
      LISTCONTEXT library;
      check(open_library(library, library_path.string(), false, &error), error);
      ActiveLibrary active(library);
      check(run_house_demo(dir, first_path, library, out.out(), &error), error);
    }
    return 0;
  } catch (const std::exception& e) {
    return out.fail(e.what());
  }
}

}  // namespace

void add_demo_command(CLI::App& app, Context& context) {
  auto* cmd = app.add_subcommand(
      "demo",
      "Create a project with palettes and prototypes of every kind, export both trees, "
      "import them into a second project and check that both are equal, the same with an "
      "attribute library; then create a material library and export it to a list export file, "
      "carry two surfaces to a second surface library, and place a two-storey house whose "
      "lists it generates and checks");
  auto dir = std::make_shared<std::string>();
  cmd->add_option("DIR", *dir,
                  "Folder to work in, left with project.dlist, palettes.pal, prototypes.prt, "
                  "attributes.atr, second.dlist, materials.dlist, materials.lis, the surface files, "
                  "house.json and the lists in lists/ (default: a new temporary folder)");
  cmd->callback([&context, dir] {
    Output out(context.console.out, context.console.err, "demo");
    try {
      context.status = run_demo(*dir, out);
    } catch (const std::exception& e) {
      context.status = out.fail(e.what());
    }
  });
}

}  // namespace dlist::cli
