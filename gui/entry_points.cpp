#include "gui/entry_points.h"

#include <wx/app.h>
#include <wx/choicdlg.h>
#include <wx/msgdlg.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "attributes/attribute_link.h"
#include "attributes/attribute_manager.h"
#include "cli/prototype_record.h"
#include "cli/store_tree.h"
#include "foundation/fixed_text.h"
#include "gui/text.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/list/list_context.h"
#include "host/generator/cost_estimate_file.h"
#include "listspec/attribute_search.h"
#include "listspec/cost_estimate.h"
#include "listspec/list_output.h"
#include "locations/location_manager.h"
#include "materials/list_dialogs.h"
#include "materials/list_exporter.h"
#include "materials/list_import.h"
#include "materials/material_dialogs.h"
#include "materials/material_library.h"
#include "matlink/material_link.h"
#include "palettes/clash_dialog.h"
#include "palettes/exchange_reader.h"
#include "palettes/exchange_writer.h"
#include "palettes/palette_manager.h"

namespace dlist::gui {

namespace {

constexpr int kPathSize = 4096;
constexpr int kDescriptionSize = 256;
constexpr int kImportSetting = 274;  // the last import folder of palette and prototype files

using Choice = std::pair<long, std::string>;  // identifier, what the list shows

// Lets the person pick one record; nothing when cancelled or when there is none.
std::optional<long> pick(const char* title, const std::vector<Choice>& choices) {
  if (choices.empty()) return std::nullopt;
  wxArrayString texts;
  for (const Choice& c : choices) texts.Add(shown(c.second));
  wxSingleChoiceDialog dialog(wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr, title,
                              "dlist", texts);
  if (dialog.ShowModal() != wxID_OK || dialog.GetSelection() < 0) return std::nullopt;
  return choices[static_cast<size_t>(dialog.GetSelection())].first;
}

std::vector<Choice> markets(LISTCONTEXT& library) {
  std::vector<Choice> all;
  Market m(&library, 0);
  for (int ok = m.rewind(); ok != 0; ok = m.next()) {
    all.emplace_back(m.elemid(), field_string(m.data.name));
  }
  return all;
}

std::vector<Choice> subprices(LISTCONTEXT& library) {
  std::vector<Choice> all;
  Subprice s(&library, 0);
  for (int ok = s.rewind(); ok != 0; ok = s.next()) {
    all.emplace_back(s.elemid(), field_string(s.data.abbrev) + "  -  " + field_string(s.data.name));
  }
  return all;
}

// Dimensions (dimensions_only) or every unit, with their dimensions.
std::vector<Choice> units(LISTCONTEXT& library, bool dimensions_only) {
  std::vector<Choice> all;
  Unit u(&library, 0);
  for (int ok = u.root(); ok != 0; ok = u.get()) {
    const bool dimension = IsDimensionAbbrev(u.data.abbrev) != 0;
    if (dimensions_only && !dimension) continue;
    char name[kLinkedNameSize] = {};
    LinkedUnitName(&library, u.elemid(), name);
    all.emplace_back(u.elemid(), (dimension ? "" : "    ") + std::string(name));
  }
  return all;
}

// A file chosen through the framework's chooser (the active user asks).
std::optional<std::string> choose_import(void* window, const char* filter, const char* title) {
  std::string path(kPathSize, '\0');
  if (SelectImportFileR(window, filter, path.data(), kPathSize, kImportSetting, title) == 0) {
    return std::nullopt;
  }
  path.resize(path.find('\0'));
  return path;
}

int import_tree(Workspace& w, bool palettes) {
  std::optional<std::string> file =
      choose_import(w.window, palettes ? "Palette files|*.pal" : "Prototype files|*.prt",
                    palettes ? "Import palettes" : "Import prototypes");
  if (!file) return 0;
  if (palettes) {
    set_clash_choice(kClashOverwriteAsk);  // the clash dialog asks at every clash
    return PaletteImport(nullptr, 0L, file->data());
  }
  return PrototypeImport(nullptr, 0L, file->data());
}

int export_tree(Workspace& w, bool palettes) {
  char path[kPathSize] = {};
  char description[kDescriptionSize] = {};
  if (ExportFile(w.window, palettes ? "Palette files|*.pal" : "Prototype files|*.prt", path,
                 sizeof path, palettes ? "Export palettes" : "Export prototypes", description,
                 sizeof description) == 0) {
    return 0;
  }
  return palettes ? PaletteExport(nullptr, 0L, path, description, 1)
                  : PrototypeExport(nullptr, 0L, path, description, 1);
}

// Every prototype of the project, shown by its path of names.
std::vector<Choice> prototypes() {
  std::vector<Choice> all;
  const cli::StoreTree tree(ModelTree::kPrototypes);
  std::vector<std::pair<long, std::string>> pending{{tree.root(), ""}};
  while (!pending.empty()) {
    const auto [id, path] = pending.back();
    pending.pop_back();
    const auto children = tree.children(id);
    if (!children) continue;
    for (auto it = children->rbegin(); it != children->rend(); ++it) {
      const std::string p = path.empty() ? it->name : path + "/" + it->name;
      if (it->is_leaf()) {
        all.emplace_back(it->id, p);
      } else {
        pending.emplace_back(it->id, p);
      }
    }
  }
  std::sort(all.begin(), all.end(), [](const Choice& a, const Choice& b) { return a.second < b.second; });
  return all;
}

// The prototype the person picks, with its record read; nothing when cancelled.
std::optional<cli::LoadedPrototype> pick_prototype() {
  const auto id = pick("Which prototype?", prototypes());
  if (!id) return std::nullopt;
  const auto node = cli::StoreTree(ModelTree::kPrototypes).node(*id);
  std::string error;
  return node ? cli::load_prototype(node->id, node->kind, &error) : std::nullopt;
}

// Opens a link panel on a prototype beside the main window; it stays open until the
// person closes it, and what it holds then is stored in the prototype's record.
int link_prototype(Workspace& w, bool materials) {
  std::optional<cli::LoadedPrototype> p = pick_prototype();
  if (!p) return 0;
  if (materials) {
    PurgeMaterialsFromMemory();  // the library may have changed since the last panel
    void* panel = MaterialLink(w.window, &p->record->mat, &p->record->attr, p->kind, 1, nullptr, 0, 0);
    if (panel == nullptr) return 0;
    drive_dialog(panel);
    DBMATREFCHAIN links;
    SpecUpdate_MaterialRef(&links);
    destroy_dialog(panel);
    p->record->mat = links;
  } else {
    void* panel = AttributeLink(w.window, &p->record->attr, p->kind, 2, nullptr, 640, 320);
    if (panel == nullptr) return 0;
    drive_dialog(panel);
    destroy_dialog(panel);
  }
  return p->record->write(p->recid) ? 1 : 0;
}

// The cost-estimate dialog over every plan of the project, then its file; what the
// writer refused or left out is shown to the person.
int cost_estimate(Workspace& w) {
  DEVIS_INTERFACE estimate;
  std::vector<std::string> offered;
  std::string error;
  if (!generator::offer_model_sheets(estimate, offered, error)) {
    wxMessageBox(shown(error), "Cost estimate", wxOK | wxICON_ERROR);
    return 0;
  }
  if (CrtDevis(w.window, &estimate) == 0) return 0;
  const generator::EstimateResult written = generator::write_cost_estimate(estimate, offered);
  std::string told = written.ok ? "" : written.error;
  for (const std::string& note : written.notes) told += (told.empty() ? "" : "\n") + note;
  if (!told.empty()) {
    wxMessageBox(shown(told), "Cost estimate", wxOK | (written.ok ? wxICON_INFORMATION : wxICON_ERROR));
  }
  return written.ok ? 1 : 0;
}

std::vector<EntryPoint> make_table() {
  const std::string materials = "&Materials";
  const std::string library = "&Library";
  const std::string exchange = "E&xchange";
  std::vector<EntryPoint> t;
  t.push_back({materials, "&New material...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 Material m(w.library, w.material);
                 return CrtEditMaterial(w.window, &m, 5);
               },
               "add"});
  t.push_back({materials, "&Edit material...", Needs::kMaterial, Changes::kLibrary,
               [](Workspace& w) {
                 Material m(w.library, w.material);
                 return CrtEditMaterial(w.window, &m, 1);
               },
               "material"});
  t.push_back({materials, "&Rename material...", Needs::kMaterial, Changes::kLibrary,
               [](Workspace& w) {
                 Material m(w.library, w.material);
                 return CrtRenameMaterial(w.window, &m);
               },
               "replace"});
  t.push_back({materials, "&Show material...", Needs::kMaterial, Changes::kNothing,
               [](Workspace& w) {
                 Material m(w.library, w.material);
                 return CrtShowMaterial(w.window, &m);
               },
               ""});
  t.push_back({materials, "&Delete material", Needs::kMaterial, Changes::kLibrary,
               [](Workspace& w) {
                 Material m(w.library, w.material);
                 return RemoveMaterial(w.window, &m, 1);
               },
               "delete"});

  t.push_back({library, "New &market...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 Market m(w.library, 0);
                 return CrtEditMarket(w.window, &m, 3);
               },
               "market"});
  t.push_back({library, "Edit m&arket...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 const auto id = pick("Which market?", markets(*w.library));
                 if (!id) return 0;
                 Market m(w.library, *id);
                 return m.read() != 0 ? CrtEditMarket(w.window, &m, 2) : 0;
               },
               ""});
  t.push_back({library, "New &subprice...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 Subprice s(w.library, 0);
                 return CrtEditSubprice(w.window, &s, 3);
               },
               "subprice"});
  t.push_back({library, "Edit su&bprice...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 const auto id = pick("Which subprice?", subprices(*w.library));
                 if (!id) return 0;
                 Subprice s(w.library, *id);
                 return s.read() != 0 ? CrtEditSubprice(w.window, &s, 1) : 0;
               },
               ""});
  t.push_back({library, "Rename subprice...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 const auto id = pick("Which subprice?", subprices(*w.library));
                 if (!id) return 0;
                 Subprice s(w.library, *id);
                 return s.read() != 0 ? CrtRenameSubprice(w.window, &s) : 0;
               },
               ""});
  t.push_back({library, "New &dimension...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 Unit u(w.library, 0);
                 return CrtEditDimension(w.window, &u, 5);
               },
               "dimension"});
  t.push_back({library, "New &unit...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 const auto parent = pick("Below which unit?", units(*w.library, false));
                 if (!parent) return 0;
                 Unit u(w.library, 0);
                 return CrtEditUnit(w.window, &u, *parent, 5);
               },
               "unit"});
  t.push_back({library, "Edit u&nit or dimension...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 const auto id = pick("Which unit?", units(*w.library, false));
                 if (!id) return 0;
                 Unit u(w.library, *id);
                 if (u.read() == 0) return 0;
                 return IsDimensionAbbrev(u.data.abbrev) != 0 ? CrtEditDimension(w.window, &u, 1)
                                                              : CrtEditUnit(w.window, &u, 0, 1);
               },
               ""});
  t.push_back({library, "Rename unit...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 const auto id = pick("Which unit?", units(*w.library, false));
                 if (!id) return 0;
                 Unit u(w.library, *id);
                 return u.read() != 0 ? CrtRenameUnit(w.window, &u) : 0;
               },
               ""});
  t.push_back({library, "&Long text names...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) { return CrtLongTextNames(w.window, w.library); }, ""});
  t.push_back({library, "Material &ID separator...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) { return CrtMatIDSeparator(w.window, w.library); }, ""});

  t.push_back({exchange, "&Import list file...", Needs::kLibrary, Changes::kLibrary,
               [](Workspace& w) {
                 const auto file = choose_import(
                     w.window, "List files|*.lis|Text files|*.txt;*.csv", "Import a list file");
                 if (!file) return 0;
                 return ListImport(w.window, w.library, w.material, file->c_str(), 1);
               },
               ""});
  t.push_back({exchange, "&Export list file...", Needs::kLibrary, Changes::kNothing,
               [](Workspace& w) {
                 char path[kListTempPathSize] = {};
                 return ListExporter(w.window, w.library, w.material, path, -1L);
               },
               ""});
  t.push_back({exchange, "Import &palettes...", Needs::kProject, Changes::kProject,
               [](Workspace& w) { return import_tree(w, true); }, ""});
  t.push_back({exchange, "Export p&alettes...", Needs::kProject, Changes::kNothing,
               [](Workspace& w) { return export_tree(w, true); }, ""});
  t.push_back({exchange, "Import p&rototypes...", Needs::kProject, Changes::kProject,
               [](Workspace& w) { return import_tree(w, false); }, ""});
  t.push_back({exchange, "Export pro&totypes...", Needs::kProject, Changes::kNothing,
               [](Workspace& w) { return export_tree(w, false); }, ""});
  t.push_back({"&Project", "&Palette and prototype manager...", Needs::kProject, Changes::kProject,
               [](Workspace& w) {
                 CrtPaletteManager(w.window, 0, nullptr, nullptr);  // manages only
                 return 1;
               },
               "folder"});
  t.push_back({"&Attributes", "Attribute &manager...", Needs::kProject, Changes::kProject,
               [](Workspace& w) {
                 CrtAttributeManager(w.window);  // closed with its only button, Close
                 return 1;
               },
               ""});
  t.push_back({"&Project", "&Locations...", Needs::kProject, Changes::kProject,
               [](Workspace& w) {
                 CrtLocationManager(w.window);
                 return 1;
               },
               ""});
  t.push_back({"&Project", "Cost &estimate...", Needs::kProjectAndLibrary, Changes::kNothing,
               [](Workspace& w) { return cost_estimate(w); }, ""});
  t.push_back({"&Project", "&Find attribute values...", Needs::kProject, Changes::kNothing,
               [](Workspace& w) {
                 CrtFindAttributeReferences(w.window);
                 return 1;
               },
               ""});
  t.push_back({"&Project", "&Material links of a prototype...", Needs::kProjectAndLibrary,
               Changes::kProject, [](Workspace& w) { return link_prototype(w, true); }, ""});
  t.push_back({"&Project", "&Attribute values of a prototype...", Needs::kProject, Changes::kProject,
               [](Workspace& w) { return link_prototype(w, false); }, ""});
  // The set of list definitions is a file of its own; the project gives the
  // attributes and parameters that filters and attribute loops name.
  t.push_back({"&Project", "List &output...", Needs::kProject, Changes::kNothing,
               [](Workspace& w) {
                 CrtListOutGenerating(w.window);
                 return 1;
               },
               ""});
  return t;
}

}  // namespace

const std::vector<EntryPoint>& entry_points() {
  static const std::vector<EntryPoint> table = make_table();
  return table;
}

}  // namespace dlist::gui
