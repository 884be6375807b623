// What the list generator reads: the placed elements of the active model with
// everything a list shows of them (plan, floor, layer and location names, measured
// parameters, material links, attribute values), and the active material library's
// materials, units and subprices, each read once per generation.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

class LISTCONTEXT;

namespace dlist::generator {

struct Link {
  std::string code;  // the material's full code path
  bool automatic = false;
  double quantity = 0;
  std::string parameter;
  int location = 0;
};

struct AttributeValue {
  std::string key;
  std::string value;  // the value's text (indirect values resolved)
};

struct Element {
  long id = 0;
  int kind = 0;
  bool from_prototype = false;
  std::string plan;  // name, empty for none
  bool has_floor = false;
  int floor = 0;  // storey number
  std::string floor_name;
  int layer = 0;
  std::string layer_name;
  int location = 0;
  std::string location_name;
  std::map<std::string, double> parameters;
  std::vector<Link> links;
  std::vector<AttributeValue> attributes;

  const std::string* attribute(const std::string& key) const;
};

struct Model {
  std::vector<Element> elements;   // in identifier order
  std::vector<std::string> plans;  // every plan in identifier order
};

// Reads the active model; false with the reason when it cannot.
bool read_model(Model& out, std::string& error);

// A parameter as lists know it: its name, unit and default precision.
struct ParameterInfo {
  std::string name;
  std::string unit;
  int precision = 2;
};
// The built-in parameters and the project attributes, by abbreviation.
const ParameterInfo* parameter_info(const std::string& abbrev);
void load_parameter_infos();
// The name of an attribute of the library by abbreviation (empty when none) and its
// precision (-1 when not set).
std::string attribute_name(const std::string& abbrev, int* precision);

struct SubpriceRef {
  std::string abbrev;
  std::string name;
  int kind = 0;  // SUBPRICETYPE
  double value = 0;
  std::string formula;  // kinds 0 and 3
  // The subprice's price for one unit of the material, as the material editor
  // computes it: a multiplier times the unit price, an addition its value, a formula
  // evaluated with PRICE and the other subprices; unpriced (with fault) when a
  // formula cannot be evaluated.
  double price = 0;
  bool priced = true;
  std::string fault;
};

struct Material {
  long id = 0;
  std::string code, name, unit, market;
  double price = 0;
  std::vector<std::pair<std::string, double>> unit_refs;  // abbreviation, one native unit in it
  std::vector<SubpriceRef> subprices;
};

// The materials and units of a library, read as they are asked for.
class Library {
 public:
  explicit Library(LISTCONTEXT* library) : library_(library) {}
  bool open() const { return library_ != nullptr; }
  // The material of a code; null when the library holds none.
  const Material* material(const std::string& code);
  // value in unit from converted into unit to: the same unit; two units of one
  // dimension (through their factors); or through a unit reference of material (one
  // native unit is factor of the referenced unit), also with a unit of the referenced
  // unit's dimension. Nothing when there is no path.
  std::optional<double> convert(double value, const std::string& from, const std::string& to,
                                const Material* material);

 private:
  struct Unit {
    bool found = false;
    double factor = 1;
    long dimension = 0;
  };
  const Unit& unit(const std::string& abbrev);
  std::optional<double> within_dimension(double value, const std::string& from, const std::string& to);

  LISTCONTEXT* library_;
  std::map<std::string, std::optional<Material>> materials_;
  std::map<std::string, Unit> units_;
};

}  // namespace dlist::generator
