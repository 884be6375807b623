// Reading the model and the material library for the list generator.

#include "host/generator/generator_model.h"

#include <cmath>
#include <cstring>

#include "foundation/fixed_text.h"
#include "foundation/location_records.h"
#include "foundation/material_records.h"
#include "foundation/plan_records.h"
#include "host/expr_eval.h"
#include "host/list/list_context.h"
#include "host/model/element_parameters.h"
#include "host/model/location_store.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/model/model_database.h"
#include "host/model/model_elements.h"
#include "host/model/plans.h"
#include "host/model/sqlite_connection.h"

namespace dlist::generator {
namespace {

constexpr unsigned kPriceName = 16396;  // the name under which formulas see the unit price

// Prices the subprices of m for one unit, as the material editor does: multipliers
// and additions first (each also a name the formulas may use), then the formulas in
// the order their names need, each result a name for the next.
void price_subprices(Material& m) {
  std::vector<ExprConstant> names;
  names.push_back({load_string(kPriceName), m.price});
  std::vector<ExprListEntry> formulas;
  for (SubpriceRef& s : m.subprices) {
    if (s.kind == SUBPRICE_MULTIPLY || s.kind == SUBPRICE_ADD) {
      s.price = s.kind == SUBPRICE_MULTIPLY ? m.price * s.value : s.value;
      names.push_back({s.abbrev, s.price});
    } else {
      formulas.push_back({s.abbrev, s.formula});
    }
  }
  if (formulas.empty()) return;
  auto unpriced = [&](const std::string& abbrev, const std::string& why) {
    for (SubpriceRef& s : m.subprices)
      if (s.abbrev == abbrev || abbrev.empty()) {
        if (s.kind == SUBPRICE_MULTIPLY || s.kind == SUBPRICE_ADD) continue;
        s.priced = false;
        s.fault = why;
      }
  };
  if (ReorderExprList(formulas) == 0) {
    unpriced("", "the subprice formulas of material " + m.code + " use each other in a cycle");
    return;
  }
  ORB::MsgBoxSuppressor quiet;
  for (const ExprListEntry& f : formulas) {
    double result = 0.0;
    if (ExprEval(f.text.c_str(), &result, names.data(), static_cast<int>(names.size())) == 0) {
      unpriced(f.name, "subprice " + f.name + " of material " + m.code + ": the formula \"" + f.text +
                           "\" cannot be evaluated");
      continue;
    }
    names.push_back({f.name, result});
    for (SubpriceRef& s : m.subprices)
      if (s.abbrev == f.name) s.price = result;
  }
}



std::map<std::string, ParameterInfo>& infos() {
  static std::map<std::string, ParameterInfo> m;
  return m;
}

}  // namespace

const std::string* Element::attribute(const std::string& key) const {
  for (const AttributeValue& a : attributes)
    if (a.key == key) return &a.value;
  return nullptr;
}

void load_parameter_infos() {
  auto& m = infos();
  m.clear();
  for (const PROJECTATTRIBUTE& a : ProjectAttributes())
    m[field_string(a.definition.abbrev)] = {field_string(a.definition.name), field_string(a.definition.unit),
                                            a.definition.precision < 0 ? 2 : a.definition.precision};
  const int n = nParameter(0xFFFFFFFFu);
  for (int i = 0; i < n; ++i) {
    ELEMPARAMETER p;
    if (GetParameter(0xFFFFFFFFu, i, &p)) m[field_string(p.abbrev)] = {field_string(p.name), field_string(p.unit), p.precision};
  }
}

const ParameterInfo* parameter_info(const std::string& abbrev) {
  auto it = infos().find(abbrev);
  return it == infos().end() ? nullptr : &it->second;
}

std::string attribute_name(const std::string& abbrev, int* precision) {
  for (const PROJECTATTRIBUTE& a : ProjectAttributes())
    if (field_string(a.definition.abbrev) == abbrev) {
      if (precision != nullptr) *precision = a.definition.precision;
      return field_string(a.definition.name);
    }
  if (precision != nullptr) *precision = -1;
  return {};
}

bool read_model(Model& out, std::string& error) {
  out = Model{};
  ModelDatabase* db = active_model();
  if (db == nullptr || !db->is_open()) {
    error = "no project is open";
    return false;
  }
  std::map<long, std::string> plans;
  {
    Statement s(db->connection(), "SELECT id, name FROM plans ORDER BY id");
    while (s.row()) {
      auto b = s.blob(1);
      plans[static_cast<long>(s.integer(0))] = std::string(reinterpret_cast<const char*>(b.data()), b.size());
      out.plans.push_back(plans[static_cast<long>(s.integer(0))]);
    }
  }
  std::map<long, DBFOLIANAMES> layers;
  std::map<long, DBSTORTYPE> storeys;
  std::map<int, std::string> locations;
  std::vector<ModelElement> all;
  if (!read_placed_elements(all)) {
    error = "the placed elements of the project cannot be read";
    return false;
  }
  out.elements.reserve(all.size());
  for (const ModelElement& m : all) {
    Element e;
    e.id = m.id;
    e.kind = m.kind;
    e.from_prototype = m.prototype != 0;
    e.layer = m.layer;
    e.location = m.location;
    if (m.plan != 0) {
      e.plan = plans[m.plan];
      auto it = layers.find(m.plan);
      if (it == layers.end()) {
        it = layers.emplace(m.plan, DBFOLIANAMES{}).first;
        get_layernames(m.plan, &it->second);
      }
      e.layer_name = field_string(it->second.name[m.layer]);
    }
    if (m.storey != 0) {
      auto it = storeys.find(m.storey);
      if (it == storeys.end()) {
        DBSTORTYPE s{};
        if (get_id_stor(m.storey, &s) != m.storey) {
          error = "the floor of element #" + std::to_string(m.id) + " cannot be read";
          return false;
        }
        it = storeys.emplace(m.storey, s).first;
      }
      e.has_floor = true;
      e.floor = it->second.number;
      e.floor_name = field_string(it->second.name);
    }
    if (m.location != 0) {
      auto it = locations.find(m.location);
      if (it == locations.end()) {
        DBLOCATIONTYPE l;
        std::string name;
        if (LOCALIZATION().get_key_location(m.location, &l) > 0) name = field_string(l.name);
        it = locations.emplace(m.location, name).first;
      }
      e.location_name = it->second;
    }
    std::vector<ParameterValue> params;
    DBMATREFCHAIN mat;
    DBATTREFCHAIN attr;
    if (!read_element_parameters(m.id, params) || !read_element_chains(m, &mat, &attr)) {
      error = "element #" + std::to_string(m.id) + " cannot be read";
      return false;
    }
    for (const ParameterValue& p : params) e.parameters[p.abbrev] = p.value;
    for (unsigned i = 0; i < mat.size(); ++i)
      e.links.push_back({mat[i].code.get(), mat[i].is_auto_quantity(), mat[i].quantity,
                         field_string(mat[i].parameter), mat[i].location});
    for (unsigned i = 0; i < attr.size(); ++i)
      e.attributes.push_back({field_string(attr[i].abbrev), attribute_value_text(attr[i])});
    out.elements.push_back(std::move(e));
  }
  return true;
}

// ---- the library --------------------------------------------------------------------

const Material* Library::material(const std::string& code) {
  auto it = materials_.find(code);
  if (it != materials_.end()) return it->second ? &*it->second : nullptr;
  std::optional<Material> found;
  dbmaterial rec{};
  const long id = library_ == nullptr ? 0 : library_->get(TEXTBUFFER(code.c_str()), rec, nullptr);
  if (id > 0) {
    Material m;
    m.id = id;
    m.code = code;
    m.name = field_string(rec.name);
    m.unit = field_string(rec.native_unit);
    m.market = field_string(rec.market);
    m.price = rec.unit_price;
    if (library_->rewind_unit_ref(id) > 0) {
      unitref u{};
      while (library_->get(u) > 0) m.unit_refs.emplace_back(field_string(u.abbrev), u.factor);
    }
    if (library_->rewind_subprice_ref(id) > 0) {
      subpriceref s{};
      std::vector<subpriceref> refs;
      while (library_->get(s) > 0) refs.push_back(s);
      for (const subpriceref& r : refs) {
        SubpriceRef out;
        out.abbrev = field_string(r.abbrev);
        out.kind = SUBPRICE_ADD;
        out.value = r.value;
        dbsubprice sp{};
        if (library_->find_subprice(r.abbrev, sp) > 0) {
          out.name = field_string(sp.name);
          out.kind = sp.kind;
          out.formula = field_string(sp.formula);
        }
        m.subprices.push_back(out);
      }
      price_subprices(m);
    }
    found = std::move(m);
  }
  auto& slot = materials_[code];
  slot = std::move(found);
  return slot ? &*slot : nullptr;
}

const Library::Unit& Library::unit(const std::string& abbrev) {
  auto it = units_.find(abbrev);
  if (it != units_.end()) return it->second;
  Unit u;
  dbunit rec{};
  long id = library_ == nullptr ? 0 : library_->find_unit(abbrev.c_str(), rec);
  if (id > 0 && std::isfinite(rec.factor) && rec.factor > 0) {
    u.found = true;
    u.factor = rec.factor;
    // The dimension: the nearest ancestor whose abbreviation begins with "##".
    for (int depth = 0; id > 0 && depth < 64; ++depth) {
      dbunit r{};
      if (library_->get(id, r) <= 0) break;
      if (std::strncmp(r.abbrev, "##", 2) == 0) {
        u.dimension = id;
        break;
      }
      id = library_->get_parent(id);
    }
  }
  return units_.emplace(abbrev, u).first->second;
}

std::optional<double> Library::within_dimension(double value, const std::string& from, const std::string& to) {
  if (from == to) return value;
  const Unit& a = unit(from);
  const Unit& b = unit(to);
  if (!a.found || !b.found || a.dimension == 0 || a.dimension != b.dimension) return std::nullopt;
  return value / a.factor * b.factor;
}

std::optional<double> Library::convert(double value, const std::string& from, const std::string& to,
                                       const Material* material) {
  if (std::optional<double> v = within_dimension(value, from, to)) return v;
  if (material == nullptr || to != material->unit) return std::nullopt;
  // Through a unit reference: one native unit is `factor` of the referenced unit.
  for (const auto& [abbrev, factor] : material->unit_refs) {
    if (!(factor > 0) || !std::isfinite(factor)) continue;
    if (std::optional<double> in_ref = within_dimension(value, from, abbrev)) return *in_ref / factor;
  }
  return std::nullopt;
}

}  // namespace dlist::generator
