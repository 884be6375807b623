// The demonstration's material library, from tables: one for the dimensions and
// their units, one for the materials in tree order (a parent before its children).
#include "cli/demo_materials.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "foundation/fixed_text.h"

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

using dlist::put_field;

bool fail(std::string* error, const std::string& what, LISTCONTEXT& library) {
  *error = what + ": " + library.last_error();
  return false;
}

bool fill_units(LISTCONTEXT& library, MaterialDemoCounts& counts, std::string* error) {
  int number = 0;
  for (const DemoDimension& d : demo_dimensions()) {
    dbunit dimension{};
    put_field(dimension.abbrev, ("##" + std::to_string(number++)).c_str());
    put_field(dimension.name, d.name);
    dimension.factor = 1.0;
    const long parent = library.create(0, dimension);
    if (parent <= 0)
      return fail(error, std::string("cannot store the dimension ") + d.name, library);
    ++counts.dimensions;
    for (const DemoUnit& u : d.units) {
      dbunit unit{};
      put_field(unit.abbrev, u.abbrev);
      put_field(unit.name, u.name);
      unit.factor = u.factor;
      if (library.create(parent, unit) <= 0)
        return fail(error, std::string("cannot store the unit ") + u.abbrev, library);
      ++counts.units;
    }
  }
  return true;
}

bool fill_prices(LISTCONTEXT& library, MaterialDemoCounts& counts, std::string* error) {
  for (const char* name : kMarkets) {
    dbmarket market{};
    put_field(market.name, name);
    if (library.create(market) <= 0)
      return fail(error, std::string("cannot store the market ") + name, library);
    ++counts.markets;
  }
  for (const DemoSubprice& s : kSubprices) {
    dbsubprice subprice{};
    put_field(subprice.abbrev, s.abbrev);
    put_field(subprice.name, s.name);
    subprice.kind = s.kind;
    subprice.value = s.value;
    put_field(subprice.formula, s.formula);
    if (library.create(subprice) <= 0)
      return fail(error, std::string("cannot store the subprice ") + s.abbrev, library);
    ++counts.subprices;
  }
  return true;
}

// Creates a unit reference and counts it in its unit's usage.
bool add_unit_ref(LISTCONTEXT& library, long material, const DemoRef& ref) {
  unitref r{};
  put_field(r.abbrev, ref.abbrev);
  r.factor = ref.value;
  dbunit unit{};
  const long id = library.find_unit(ref.abbrev, unit);
  if (id <= 0 || library.create(material, r) <= 0) return false;
  ++unit.usage;
  return library.modify(id, unit) != 0;
}

bool fill_materials(LISTCONTEXT& library, MaterialDemoCounts& counts, std::string* error) {
  std::map<std::string, long> by_code;
  for (const DemoMaterial& m : demo_materials()) {
    const std::string parent_code = m.parent;
    const std::string code = parent_code.empty() ? m.id : parent_code + "." + m.id;
    long parent = 0;
    if (!parent_code.empty()) {
      auto it = by_code.find(parent_code);
      if (it == by_code.end()) {
        *error = "the material " + code + " comes before its parent";
        return false;
      }
      parent = it->second;
    }
    dbmaterial rec{};
    put_field(rec.id, m.id);
    put_field(rec.name, m.name);
    rec.unit_price = m.price;
    put_field(rec.native_unit, m.native_unit);
    put_field(rec.market, m.market);
    LONGTEXT texts[kLongTextCount];
    for (int i = 0; i < kLongTextCount; ++i) {
      const std::size_t n = std::strlen(m.texts[i]);
      if (n == 0) continue;
      char* block = texts[i].resize(static_cast<unsigned>(n));
      if (block == nullptr) {
        *error = "out of memory for the long texts of " + code;
        return false;
      }
      std::memcpy(block, m.texts[i], n);
      rec.long_text_length[i] = static_cast<int32_t>(n);
    }
    const long id = library.create(parent, rec, texts);
    if (id <= 0) return fail(error, "cannot store the material " + code, library);
    by_code[code] = id;
    ++counts.materials;
    for (const DemoRef& u : m.units)
      if (!add_unit_ref(library, id, u))
        return fail(error,
                    "cannot store the unit reference " + std::string(u.abbrev) + " of " + code,
                    library);
    for (const DemoRef& s : m.subprices) {
      subpriceref r{};
      put_field(r.abbrev, s.abbrev);
      r.value = s.value;
      if (library.create(id, r) <= 0)
        return fail(error,
                    "cannot store the subprice reference " + std::string(s.abbrev) + " of " + code,
                    library);
    }
  }
  return true;
}

}  // namespace

std::optional<MaterialDemoCounts> fill_demo_library(LISTCONTEXT& library, std::string* error) {
  MaterialDemoCounts counts;
  dbvernum version{};
  library.get(version);
  version.idseparator = '.';
  if (library.modify(version) == 0) {
    fail(error, "cannot store the ID separator", library);
    return std::nullopt;
  }
  longtextname names{};
  for (int i = 0; i < kLongTextCount; ++i) put_field(names.name[i], kLongTextNames[i]);
  if (library.modify(names) == 0) {
    fail(error, "cannot store the long text names", library);
    return std::nullopt;
  }
  if (!fill_units(library, counts, error) || !fill_prices(library, counts, error) ||
      !fill_materials(library, counts, error))
    return std::nullopt;
  return counts;
}

}  // namespace dlist::cli
