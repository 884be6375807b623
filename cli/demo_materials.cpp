// The demonstration's material library, from tables: one for the dimensions and
// their units, one for the materials in tree order (a parent before its children).
// It is built as a user builds one, through the dialogs of the `materials` commands.
#include "cli/demo_materials.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "cli/material_edit_commands.h"
#include "cli/material_library_file.h"

namespace dlist::cli {
namespace {

struct DemoUnit {
  const char* abbrev;
  const char* name;
  double factor;  // how many of this unit make one basic unit
};

struct DemoDimension {
  const char* name;
  std::vector<DemoUnit> units;  // the first is the basic unit
};

// A unit or subprice reference: the abbreviation and the factor or value.
struct DemoRef {
  const char* abbrev;
  double value;
};

struct DemoMaterial {
  const char* parent;  // the parent's code; "" for a root
  const char* id;      // the own code component
  const char* name;
  double price;
  const char* native_unit;
  const char* market;
  std::vector<DemoRef> units;  // the native unit's reference first
  std::vector<DemoRef> subprices;
  std::array<const char*, kLongTextCount> texts;
};

const std::vector<DemoDimension>& demo_dimensions() {
  static const std::vector<DemoDimension> dimensions = {
      {"Length", {{"m", "Metre", 1.0}, {"cm", "Centimetre", 100.0}, {"mm", "Millimetre", 1000.0}}},
      {"Area", {{"m2", "Square metre", 1.0}, {"cm2", "Square centimetre", 10000.0}}},
      {"Volume", {{"m3", "Cubic metre", 1.0}, {"l", "Litre", 1000.0}}},
      {"Pieces", {{"pcs", "Piece", 1.0}, {"pal", "Pallet", 0.002}}},
  };
  return dimensions;
}

const char* const kMarkets[] = {"Local", "Wholesale"};

struct DemoSubprice {
  const char* abbrev;
  const char* name;
  SUBPRICETYPE kind;
  double value;
  const char* formula;
};

const DemoSubprice kSubprices[] = {
    {"lab", "Labour", SUBPRICE_FORMULA, 0.0, "0.25*PRICE"},
    {"vat", "Value added tax", SUBPRICE_MULTIPLY, 1.2, ""},
    {"tr", "Transport", SUBPRICE_ADD, 3.5, ""},
    {"wgt", "Weight", SUBPRICE_INFO, 0.0, "1.8"},
};

const char* const kLongTextNames[kLongTextCount] = {"Description", "Standard", "Supplier", "Note"};

const std::vector<DemoMaterial>& demo_materials() {
  // clang-format off
  static const std::vector<DemoMaterial> materials = {
      {"", "1", "Masonry", 0.0, "", "", {}, {}, {"Walls and partitions", "", "", ""}},
      {"1", "1", "Bricks", 0.0, "", "", {}, {}, {"", "", "", ""}},
      {"1.1", "1", "Solid brick", 0.45, "pcs", "Local",
       {{"pcs", 1.0}, {"m3", 0.00196}}, {{"lab", 0.0}, {"vat", 1.2}, {"tr", 3.5}},
       {"Solid clay brick\r\n240 x 115 x 71 mm", "Class F2\r\nStrength 20 N/mm2",
        "Brickworks North", "Stack on pallets"}},
      {"1.1", "2", "Perforated brick", 0.52, "pcs", "Wholesale",
       {{"pcs", 1.0}, {"m3", 0.00418}, {"pal", 0.002}}, {{"vat", 1.2}},
       {"Perforated clay brick\r\n240 x 115 x 113 mm", "", "Brickworks North", ""}},
      {"1", "2", "Blocks", 0.0, "", "", {}, {}, {"", "", "", ""}},
      {"1.2", "1", "Concrete block", 1.85, "pcs", "Local", {{"pcs", 1.0}, {"m2", 0.08}},
       {{"tr", 3.5}, {"wgt", 0.0}}, {"Hollow concrete block\r\n400 x 200 x 200 mm", "", "", ""}},
      {"", "2", "Finishes", 0.0, "", "", {}, {}, {"Plaster and paint", "", "", ""}},
      {"2", "1", "Plaster", 0.0, "", "", {}, {}, {"", "", "", ""}},
      {"2.1", "1", "Gypsum plaster", 12.5, "m2", "Local", {{"m2", 1.0}, {"m3", 0.01}},
       {{"lab", 0.0}, {"wgt", 0.0}},
       {"Gypsum plaster, 10 mm\r\nin one coat", "", "", "Keep dry"}},
      {"2", "2", "Paint", 0.0, "", "", {}, {}, {"", "", "", ""}},
      {"2.2", "1", "Emulsion paint", 3.2, "l", "Wholesale", {{"l", 1.0}, {"m2", 8.0}},
       {{"vat", 1.2}}, {"Emulsion paint, white", "Two coats", "", ""}},
      {"", "3", "Timber", 0.0, "", "", {}, {}, {"", "", "", ""}},
      {"3", "1", "Battens", 1.1, "m", "Local", {{"m", 1.0}, {"cm", 100.0}}, {{"tr", 3.5}},
       {"Sawn battens\r\n24 x 48 mm", "", "", ""}},
  };
  // clang-format on
  return materials;
}


bool done(const std::string& refusal, const std::string& what, std::string* error) {
  if (refusal.empty()) return true;
  *error = "cannot store " + what + ": " + refusal;
  return false;
}

bool fill_units(LISTCONTEXT& library, MaterialDemoCounts& counts, std::string* error) {
  for (const DemoDimension& d : demo_dimensions()) {
    if (!done(create_dimension(library, d.name), std::string("the dimension ") + d.name, error))
      return false;
    ++counts.dimensions;
    bool first = true;
    for (const DemoUnit& u : d.units) {
      UnitRequest request;
      request.abbrev = u.abbrev;
      request.dimension = d.name;
      request.name = u.name;
      // The first unit of a dimension becomes its basic unit.
      if (!first) request.factor = u.factor;
      first = false;
      if (!done(create_unit(library, request), std::string("the unit ") + u.abbrev, error))
        return false;
      ++counts.units;
    }
  }
  return true;
}

bool has_value(SUBPRICETYPE kind) { return kind == SUBPRICE_MULTIPLY || kind == SUBPRICE_ADD; }

bool fill_prices(LISTCONTEXT& library, MaterialDemoCounts& counts, std::string* error) {
  for (const char* name : kMarkets) {
    if (!done(create_market(library, name), std::string("the market ") + name, error))
      return false;
    ++counts.markets;
  }
  for (const DemoSubprice& s : kSubprices) {
    SubpriceRequest request;
    request.abbrev = s.abbrev;
    request.name = s.name;
    request.kind = kSubpriceKindWords[s.kind];
    if (has_value(s.kind))
      request.value = s.value;
    else
      request.formula = s.formula;
    if (!done(create_subprice(library, request), std::string("the subprice ") + s.abbrev, error))
      return false;
    ++counts.subprices;
  }
  return true;
}

// The kind of the demonstration's subprice abbrev.
SUBPRICETYPE kind_of(const char* abbrev) {
  for (const DemoSubprice& s : kSubprices)
    if (std::strcmp(s.abbrev, abbrev) == 0) return s.kind;
  return SUBPRICE_MULTIPLY;
}

bool fill_materials(LISTCONTEXT& library, MaterialDemoCounts& counts, std::string* error) {
  for (const DemoMaterial& m : demo_materials()) {
    const std::string parent = m.parent;
    const std::string code = parent.empty() ? m.id : parent + "." + m.id;
    MaterialRequest request;
    request.code = m.id;
    request.under = parent;
    request.name = m.name;
    if (*m.market != '\0') request.market = m.market;
    request.price = m.price;
    for (std::size_t i = 0; i < m.units.size(); ++i) {
      const std::string ref = std::string(m.units[i].abbrev) + "=" + exact_number(m.units[i].value);
      // The native unit's reference comes first.
      if (i == 0 && std::strcmp(m.units[i].abbrev, m.native_unit) == 0)
        request.unit = ref;
      else
        request.unit_refs.push_back(ref);
    }
    for (const DemoRef& s : m.subprices)
      request.subprices.push_back(has_value(kind_of(s.abbrev))
                                      ? std::string(s.abbrev) + "=" + exact_number(s.value)
                                      : std::string(s.abbrev));
    for (int i = 0; i < kLongTextCount; ++i)
      if (*m.texts[i] != '\0') request.long_texts.push_back(std::to_string(i + 1) + "=" + m.texts[i]);
    if (!done(create_material(library, request), "the material " + code, error)) return false;
    ++counts.materials;
  }
  return true;
}

}  // namespace

std::optional<MaterialDemoCounts> fill_demo_library(LISTCONTEXT& library, std::string* error) {
  MaterialDemoCounts counts;
  std::vector<std::string> names(std::begin(kLongTextNames), std::end(kLongTextNames));
  if (!done(set_separator(library, "."), "the ID separator", error) ||
      !done(set_long_text_names(library, names), "the long text names", error))
    return std::nullopt;
  if (!fill_units(library, counts, error) || !fill_prices(library, counts, error) ||
      !fill_materials(library, counts, error))
    return std::nullopt;
  return counts;
}

}  // namespace dlist::cli
