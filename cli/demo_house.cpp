// The demonstration's house (demo_house.h).
#include "cli/demo_house.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "cli/project.h"
#include "cli/starter_lists.h"
#include "foundation/fixed_text.h"
#include "foundation/stream_error.h"
#include "host/currency_format.h"
#include "host/file_replacement.h"
#include "host/generator/list_generator.h"
#include "host/list/list_context.h"
#include "host/list_sets/list_set_store.h"
#include "host/model/element_parameters.h"
#include "host/model/model_elements.h"
#include "host/model/model_file.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The kinds the summary walks: walls, doors, windows, ceilings and roofs.
constexpr int kHouseKinds[] = {1, 2, 3, 6, 7};
constexpr int kQuantDigits = 3;

// Location keys of the demo's locations.
constexpr int kGroundFloor = 11;
constexpr int kFirstFloor = 14;
constexpr int kOutside = 30;

json link(const char* code, double quantity, const char* parameter = "", int location = 0) {
  json l = {{"code", code}, {"quantity", quantity}};
  if (*parameter != '\0') l["parameter"] = parameter;
  if (location != 0) l["location"] = location;
  return l;
}

json automatic(const char* code, const char* parameter, int location = 0) {
  json l = {{"code", code}, {"quantity", "auto"}, {"parameter", parameter}};
  if (location != 0) l["location"] = location;
  return l;
}

json placed(const char* kind, int floor, int layer, int location, json parameters) {
  return {{"kind", kind}, {"plan", "House"}, {"floor", floor}, {"layer", layer},
          {"location", location}, {"parameters", std::move(parameters)}};
}

json wall_measures(double length, double height, double thickness) {
  return {{"LEN", length}, {"HGT", height}, {"THK", thickness},
          {"AREA", length * height}, {"VOL", length * height * thickness}};
}

// The house: a 10 m by 8 m footprint, two storeys of 2.5 m, a slab between them and
// a roof; brick walls plastered and painted inside, doors and windows in timber
// frames, an inner wall placed from the demo's first wall prototype (its chains too).
json house_model() {
  json elements = json::array();
  for (int floor = 0; floor < 2; ++floor) {
    const int where = floor == 0 ? kGroundFloor : kFirstFloor;
    const char* brick = floor == 0 ? "1.1.1" : "1.1.2";
    for (double length : {10.0, 8.0, 10.0, 8.0}) {
      json w = placed("wall", floor, 1, where, wall_measures(length, 2.5, 0.3));
      w["materials"] = {automatic(brick, "VOL"), automatic("2.1.1", "AREA", where),
                        automatic("2.2.1", "AREA")};
      w["attributes"] = {{{"key", "NOTE"}, {"value", "outer wall"}}};
      elements.push_back(std::move(w));
    }
    json door = placed("door", floor, 2, where, {{"WDT", 1.0}, {"HGT", 2.1}, {"AREA", 2.1}});
    door["materials"] = {link("3.1", 5.2)};
    door["attributes"] = {{{"key", "FIRE"}, {"reference", floor == 0 ? "EI60" : "Usual"}}};
    elements.push_back(std::move(door));
    for (int i = 0; i < 2; ++i) {
      json window = placed("window", floor, 2, where, {{"WDT", 1.2}, {"HGT", 1.4}, {"AREA", 1.68}});
      window["materials"] = {link("3.1", 5.2), link("2.2.1", 0.5, "", kOutside)};
      window["attributes"] = {{{"key", "NOTE"}, {"value", "double glazed"}}};
      elements.push_back(std::move(window));
    }
    json ceiling = placed("ceiling", floor, 3, where,
                          {{"AREA", 80.0}, {"THK", 0.2}, {"VOL", 16.0}, {"PERIM", 36.0}});
    ceiling["materials"] = {automatic("2.1.1", "AREA"), automatic("2.2.1", "AREA"),
                            link("1.2.1", 40)};
    elements.push_back(std::move(ceiling));
  }
  json inner = placed("wall", 0, 1, kGroundFloor, wall_measures(6.0, 2.5, 0.2));
  inner["prototype"] = "Wall 1";
  elements.push_back(std::move(inner));
  json roof = placed("roof", 1, 4, kOutside,
                     {{"AREA", 96.0}, {"THK", 0.25}, {"VOL", 24.0}, {"PERIM", 40.0}});
  roof["materials"] = {automatic("3.1", "PERIM"), link("3.1", 120), automatic("1.2.1", "AREA")};
  elements.push_back(std::move(roof));
  return {{"format", "dlist-model"},
          {"version", 1},
          {"plans",
           {{{"name", "House"},
             {"floors", {{{"number", 0}, {"name", "Ground floor"}}, {{"number", 1}, {"name", "Upper floor"}}}},
             {"layers",
              {{{"index", 1}, {"name", "Walls"}},
               {{"index", 2}, {"name", "Openings"}},
               {{"index", 3}, {"name", "Slabs"}},
               {{"index", 4}, {"name", "Roof"}}}}}}},
          {"elements", std::move(elements)}};
}

void write_file(const fs::path& path, const std::string& text) {
  FileReplacement out(path.string());
  out.file().write(text.data(), static_cast<unsigned>(text.size()));
  out.commit();
}

bool read_file(const fs::path& path, std::string& text) {
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (f == nullptr) return false;
  std::string s;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) s.append(buffer, n);
  std::fclose(f);
  text = std::move(s);
  return true;
}

// The set of the house: the starter lists and the summary the demo checks, a row
// per material code over every element of the house's kinds.
void fill_house_set(DL_LISTSPEC_LIST& set) {
  add_starter_lists(set);
  auto* list = new DL_LISTSPEC(set);
  list->SetName(kDemoHouseSummary);
  list->title = "Materials of the house";
  list->SetTree(new DL_TREE_CELL(std::make_unique<DL_ROOT_NODE>()));
  append_node(list->Tree(), std::make_unique<DL_SECTION_NODE>(0, true));
  // An element loop takes one kind: a loop for each, each summing its own rows.
  for (int kind : kHouseKinds) {
    DL_TREE_CELL* elements =
        append_node(list->Tree(), std::make_unique<DL_ELEMENT_LOOP>(ElementClassBit(kind)));
    auto materials = std::make_unique<DL_MATERIAL_LOOP>();
    materials->SetSummary(true);
    DL_TREE_CELL* rows = append_node(elements, std::move(materials));
    append_node(rows, std::make_unique<DL_SECTION_NODE>(20, false));
  }
  append_node(list->Tree(), std::make_unique<DL_SECTION_NODE>(1, true));
  const unsigned at = set.size();
  set.resize(at + 1);
  set.set(at, list);
  DL_PRECISION quant;
  set_field(quant.key, sizeof quant.key, "QUANT");
  quant.precision = kQuantDigits;
  set.Precision().push_back(quant);
}

std::string decimals(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

// A price as the lists show it: two decimals in the user's currency format.
std::string price_text(double value) {
  const std::string plain = decimals(value, 2);
  std::optional<std::string> c = format_currency(plain);
  return c ? *c : plain;
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream s(line);
  for (std::string field; std::getline(s, field, ';');) out.push_back(field);
  return out;
}

// The unit of a built-in parameter of kind, "" when it has none.
std::string parameter_unit(int kind, const std::string& abbrev) {
  ELEMPARAMETER p;
  for (int i = 0; GetParameter(ElementClassBit(kind), i, &p) == 1; ++i)
    if (field_string(p.abbrev) == abbrev) return field_string(p.unit);
  return "";
}

}  // namespace

bool house_totals(LISTCONTEXT& library, HouseTotals& out,
                  unsigned* missing, std::string* error) {
  out.clear();
  *missing = 0;
  std::vector<ModelElement> elements;
  if (!read_placed_elements(elements)) {
    *error = "cannot read the placed elements";
    return false;
  }
  for (const ModelElement& e : elements) {
    if (std::find(std::begin(kHouseKinds), std::end(kHouseKinds), e.kind) == std::end(kHouseKinds))
      continue;
    const std::string which = "element #" + std::to_string(e.id);
    DBMATREFCHAIN links;
    std::vector<ParameterValue> values;
    if (!read_element_chains(e, &links, nullptr) || !read_element_parameters(e.id, values)) {
      *error = "cannot read " + which;
      return false;
    }
    for (unsigned i = 0; i < links.size(); ++i) {
      const DBMATREF& l = links[i];
      const std::string code = l.code.get();
      dbmaterial m{};
      const long id = library.get(TEXTBUFFER(code.c_str()), m, nullptr);
      if (id < 1) {
        ++*missing;
        continue;
      }
      double quantity = l.quantity;
      if (l.is_auto_quantity()) {
        const std::string parameter = field_string(l.parameter);
        const ParameterValue* value = nullptr;
        for (const ParameterValue& v : values)
          if (v.abbrev == parameter) value = &v;
        if (value == nullptr) {
          *error = which + " has no value of " + parameter + " for " + code;
          return false;
        }
        const std::string from = parameter_unit(e.kind, parameter);
        const std::string native = field_string(m.native_unit);
        double factor = from == native ? 1.0 : 0.0;
        library.rewind_unit_ref(id);
        for (unitref u{}; factor == 0.0 && library.get(u) > 0;)
          if (field_string(u.abbrev) == from) factor = u.factor;
        if (!(factor > 0)) {
          *error = which + ": no unit reference of " + code + " to " + from;
          return false;
        }
        quantity = value->value / factor;
      }
      MaterialTotal& t = out[{e.kind, code}];
      t.quantity += quantity;
      t.total += quantity * m.unit_price;
    }
  }
  return true;
}

std::string summary_difference(const std::string& list_text, const HouseTotals& expected,
                               int quant_digits) {
  std::vector<std::vector<std::string>> rows;
  std::string final_total;
  std::stringstream lines(list_text);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> f = split(line);
    if (f.size() == 2 && f[0] == "Total") final_total = f[1];
    if (f.size() == 6) rows.push_back(std::move(f));
  }
  double sum = 0;
  std::size_t at = 0;
  for (const auto& [key, t] : expected) {
    const std::string& code = key.second;
    if (at == rows.size()) return "no row of " + code;
    const std::vector<std::string>& row = rows[at++];
    if (row[0] != code) return "the row of " + row[0] + " where " + code + " was due";
    const std::string quantity = decimals(t.quantity, quant_digits);
    if (row[3] != quantity) return code + ": the quantity " + row[3] + " instead of " + quantity;
    if (row[5] != price_text(t.total))
      return code + ": the total " + row[5] + " instead of " + price_text(t.total);
    sum += t.total;
  }
  if (at < rows.size()) return "a row of " + rows[at][0] + " that the model does not give";
  if (final_total != price_text(sum))
    return "the list's total " + final_total + " instead of " + price_text(sum);
  return "";
}

bool run_house_demo(const fs::path& dir, const fs::path& project, LISTCONTEXT& library,
                    std::ostream& out, std::string* error) {
  auto failed = [error](const std::string& why) {
    *error = why;
    return false;
  };
  ModelDatabase db;
  if (!open_project(db, project.string(), false, error)) return false;
  ActiveModel active(db);

  // The model file, written and then imported as `dlist model import` does.
  const fs::path model_path = dir / kDemoHouseModel;
  const fs::path lists = dir / kDemoHouseLists;
  std::error_code ec;
  if (fs::exists(model_path, ec) || fs::exists(lists, ec))
    return failed(model_path.string() + " or " + lists.string() + " exists already");
  std::string text;
  ModelFile file;
  ModelImportCounts counts;
  try {
    write_file(model_path, house_model().dump(2) + "\n");
  } catch (const StreamError& e) {
    return failed(e.what());
  }
  if (!read_file(model_path, text)) return failed("cannot read " + model_path.string());
  if (!parse_model_json(text, file, *error)) return failed(model_path.string() + ": " + *error);
  if (!import_model(file, false, *error, &counts)) return failed(model_path.string() + ": " + *error);
  out << "wrote " << model_path.string() << " and imported it into " << project.string() << ": "
      << counts.plans << " plan, " << counts.floors << " floors and " << counts.elements
      << " placed walls, doors, windows, ceilings and a roof with material links, parameters, "
         "locations and attribute values\n";

  // Two sets of the same list definitions: one with each ready-made template.
  if (!fs::create_directory(lists, ec)) return failed("cannot create " + lists.string() + ": " + ec.message());
  std::vector<fs::path> written;
  for (const auto& [set_name, form] : {std::pair{"house.ini", "delimited"}, std::pair{"house-html.ini", "html"}}) {
    const fs::path set_path = lists / set_name;
    DL_LISTSPEC_LIST set;
    fill_house_set(set);
    set.TemplateFileName() = fs::path(set_path).replace_extension(".dlt").filename().string();
    try {
      write_file(lists / set.TemplateFileName(), list_sets::ReadyMadeTemplate(form));
    } catch (const StreamError& e) {
      return failed(e.what());
    }
    if (!list_sets::WriteINI(set, set_path.string(), *error)) return failed(*error);
    const generator::GenerateResult result = generator::generate(set_path.string(), "", set);
    if (!result.error.empty()) return failed(set_path.string() + ": " + result.error);
    out << "generated the " << set.size() << " lists of " << set_path.string() << ":";
    for (const generator::ListResult& l : result.lists) {
      if (!l.ok) return failed("the list \"" + l.name + "\" was not generated: " + l.error);
      out << " " << fs::path(l.output).filename().string() << " (" << l.rows << " rows"
          << (l.log.empty() ? "" : ", " + std::to_string(l.log.size()) + " notes in its log") << ")";
      if (l.name == kDemoHouseSummary && std::string(form) == "delimited") written.push_back(l.output);
    }
    out << "\n";
  }
  if (written.size() != 1) return failed("the summary was not written");

  // The summary against totals of the model and the library's prices.
  HouseTotals expected;
  unsigned missing = 0;
  if (!house_totals(library, expected, &missing, error)) return false;
  if (!read_file(written.front(), text)) return failed("cannot read " + written.front().string());
  const std::string difference = summary_difference(text, expected, kQuantDigits);
  if (!difference.empty()) return failed("the material summary differs from the model: " + difference);
  double total = 0;
  for (const auto& [key, t] : expected) total += t.total;
  out << "checked " << written.front().string() << " against the totals of the model's links and "
      << "the library's unit references and prices: " << expected.size()
      << " rows (a material of a kind each) with equal quantities and totals, " << price_text(total) << " in all";
  if (missing > 0) out << "; " << missing << " links to materials that the library lacks were left out";
  out << "\n";
  return true;
}

}  // namespace dlist::cli
