// The demonstration's house: a small two-storey house placed in the demo's project
// through a model file (walls, doors, windows, ceilings and a roof on one plan, two
// floors and four layers, with material links and attribute values), the lists of a
// set of list definitions generated from it, and the material summary's totals
// checked against totals computed here from the model and the library alone.
#pragma once

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <utility>

class LISTCONTEXT;

namespace dlist::cli {

inline constexpr char kDemoHouseModel[] = "house.json";
inline constexpr char kDemoHouseLists[] = "lists";
// The list definition whose totals the demo checks.
inline constexpr char kDemoHouseSummary[] = "House materials";

// A material's summed quantity (in its native unit) and its total price.
struct MaterialTotal {
  double quantity = 0;
  double total = 0;
};

// Totals by element kind and material code.
using HouseTotals = std::map<std::pair<int, std::string>, MaterialTotal>;

// The totals by element kind and material code of every link of the active model's walls, doors,
// windows, ceilings and roofs, priced from library: a fixed quantity counts per
// element, an automatic one is the element's parameter value in the parameter's unit,
// taken as it is when that is the material's unit, else divided by the factor of the
// material's unit reference to that unit. Links to codes the library lacks are
// counted in *missing and left out. False, with the reason, when an element, a link
// or a conversion cannot be read.
bool house_totals(LISTCONTEXT& library, HouseTotals& out,
                  unsigned* missing, std::string* error);

// Compares the delimited summary list text (rows "CODE;NAME;UNIT;QUANT;PRICE;TOTAL",
// those of each kind in code order, the kinds in ascending order, and a final row
// "Total;TOTAL") with the expected totals: quantities to quant_digits decimals,
// prices as the list shows them. Empty when they agree, else the first difference.
std::string summary_difference(const std::string& list_text,
                               const HouseTotals& expected,
                               int quant_digits);

// Works on the demo project at project (with its attribute library and locations)
// while library is the active material library: writes DIR/house.json and imports it,
// writes DIR/lists/house.ini (delimited text) and DIR/lists/house-html.ini (HTML) with
// their templates, generates both into DIR/lists/ and checks the summary. Writes what
// it did to out; false with the reason in *error.
bool run_house_demo(const std::filesystem::path& dir, const std::filesystem::path& project,
                    LISTCONTEXT& library, std::ostream& out, std::string* error);

}  // namespace dlist::cli
