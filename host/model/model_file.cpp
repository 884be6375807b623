// The import of a model file into the active model (checked whole before anything
// is stored, stored in one transaction) and the writer of the active model's
// contents as a model file.

#include "host/model/model_file.h"

#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "foundation/code_page.h"
#include "foundation/element_kinds.h"
#include "foundation/fixed_text.h"
#include "foundation/material_records.h"
#include "foundation/plan_records.h"
#include "host/database_task.h"
#include "host/list/list_context.h"
#include "host/model/attribute_store.h"
#include "host/model/element_parameters.h"
#include "host/model/location_store.h"
#include "host/model/model_database.h"
#include "host/model/plans.h"
#include "host/model/prototype_store.h"
#include "host/model/sqlite_connection.h"

namespace dlist {
namespace {

std::string quoted(const std::string& stored) { return "\"" + utf8_text(stored) + "\""; }

// The leaf named name in the prototype tree below folder (depth first); 0 for none.
long find_prototype(long folder, const std::string& name, int depth = 0) {
  if (depth > 64) return 0;
  PROTOTYPES store;
  if (store.rew_node(folder) < 0) return 0;
  DBPROTOTYPENODE node;
  std::vector<long> folders;
  for (long id = store.get_node(&node); id > 0; id = store.get_node(&node)) {
    if (node.is_leaf() && name == node.name) return id;
    if (!node.is_leaf()) folders.push_back(id);
  }
  for (long f : folders)
    if (long found = find_prototype(f, name, depth + 1)) return found;
  return 0;
}

// The parameters an element of kind may be measured by: the kind's built-ins, then
// the project attributes offered for its class.
std::set<std::string> parameters_of(int kind) {
  std::set<std::string> out;
  const uint32_t bit = ElementClassBit(kind);
  const int n = nParameter(bit);
  for (int i = 0; i < n; ++i) {
    ELEMPARAMETER p;
    if (GetParameter(bit, i, &p)) out.insert(p.abbrev);
  }
  for (const PROJECTATTRIBUTE& a : ProjectAttributes())
    if ((a.definition.Filter() & bit) != 0) out.insert(field_string(a.definition.abbrev));
  return out;
}

// The plans of the model by name: identifier and floors (number to identifier).
struct KnownPlan {
  long id = 0;  // 0: made by the file
  std::map<int, long> floors;
};

bool load_plans(ModelDatabase& db, std::map<std::string, KnownPlan>& out) {
  Statement p(db.connection(), "SELECT id, name FROM plans ORDER BY id");
  std::map<long, std::string> names;
  while (p.row()) {
    auto b = p.blob(1);
    const std::string name(reinterpret_cast<const char*>(b.data()), b.size());
    names[static_cast<long>(p.integer(0))] = name;
    out[name].id = static_cast<long>(p.integer(0));
  }
  if (!p.ok()) return false;
  Statement s(db.connection(), "SELECT id, plan, number FROM storeys ORDER BY id");
  while (s.row()) {
    auto it = names.find(static_cast<long>(s.integer(1)));
    if (it != names.end()) out[it->second].floors[static_cast<int>(s.integer(2))] = static_cast<long>(s.integer(0));
  }
  return s.ok();
}

// The checked form of one element, ready to be placed.
struct Checked {
  ModelElement element;
  DBMATREFCHAIN materials;
  DBATTREFCHAIN attributes;
  std::string plan;
  std::optional<int> floor;
};

class Importer {
 public:
  Importer(const ModelFile& file, bool replace) : file_(file), replace_(replace) {}

  bool check(std::string& error) {
    ModelDatabase* db = active_model();
    if (db == nullptr || !db->is_open()) return fail(error, "no project is open");
    if (!replace_ && !load_plans(*db, plans_)) return fail(error, "the plans of the project cannot be read");
    for (const ModelFilePlan& p : file_.plans) {
      KnownPlan& k = plans_[p.name];
      for (const ModelFileFloor& f : p.floors) k.floors.emplace(f.number, 0);
    }
    checked_.resize(file_.elements.size());
    for (std::size_t i = 0; i < file_.elements.size(); ++i)
      if (!check_element(file_.elements[i], checked_[i], "element " + std::to_string(i + 1), error)) return false;
    return true;
  }

  bool store(std::string& error, ModelImportCounts* counts) {
    ModelDatabase* db = active_model();
    TaskTransaction transaction(*db);
    if (!transaction) return fail(error, "the project cannot be changed: " + db->last_error());
    if (replace_ && !remove_model_contents()) return fail(error, "the model's contents cannot be removed");
    ModelImportCounts made;
    std::map<std::string, KnownPlan> stored;
    if (!load_plans(*db, stored)) return fail(error, "the plans of the project cannot be read");
    for (const ModelFilePlan& p : file_.plans) {
      KnownPlan& k = stored[p.name];
      if (k.id == 0) {
        k.id = create_plan(p.name);
        if (k.id <= 0) return fail(error, "plan " + quoted(p.name) + " cannot be stored");
        ++made.plans;
      }
      for (const ModelFileFloor& f : p.floors) {
        if (k.floors.count(f.number) != 0) continue;
        const long id = create_storey(k.id, f.number, f.name);
        if (id <= 0) return fail(error, "floor " + std::to_string(f.number) + " of plan " + quoted(p.name) + " cannot be stored");
        k.floors[f.number] = id;
        ++made.floors;
      }
      for (const ModelFileLayer& l : p.layers)
        if (!set_layer_name(k.id, l.index, l.name)) return fail(error, "a layer name of plan " + quoted(p.name) + " cannot be stored");
    }
    for (std::size_t i = 0; i < checked_.size(); ++i) {
      Checked& c = checked_[i];
      if (!c.plan.empty()) {
        const KnownPlan& k = stored[c.plan];
        c.element.plan = k.id;
        if (c.floor) c.element.storey = k.floors.at(*c.floor);
      }
      if (place_element(c.element, c.materials, c.attributes, file_.elements[i].parameters) <= 0)
        return fail(error, "element " + std::to_string(i + 1) + " cannot be stored: " + db->last_error());
      ++made.elements;
    }
    if (!transaction.commit()) return fail(error, "the project cannot be saved: " + db->last_error());
    if (counts != nullptr) *counts = made;
    return true;
  }

 private:
  static bool fail(std::string& error, const std::string& why) {
    error = why;
    return false;
  }

  bool check_element(const ModelFileElement& in, Checked& out, const std::string& at, std::string& error) {
    out.element.kind = in.kind;
    out.element.layer = in.layer;
    out.plan = in.plan;
    out.floor = in.floor;
    if (!in.plan.empty()) {
      auto p = plans_.find(in.plan);
      if (p == plans_.end()) return fail(error, at + ": plan: no plan " + quoted(in.plan));
      if (in.floor && p->second.floors.count(*in.floor) == 0)
        return fail(error, at + ": floor: plan " + quoted(in.plan) + " has no floor " + std::to_string(*in.floor));
    }
    if (in.location != 0 && LOCALIZATION().get_key_location(in.location) <= 0)
      return fail(error, at + ": location: no location has the key " + std::to_string(in.location));
    out.element.location = in.location;
    if (!in.prototype.empty()) {
      ModelDatabase* db = active_model();
      const long node = find_prototype(static_cast<long>(db->kind_folder(ModelTree::kPrototypes, in.kind)), in.prototype);
      if (node <= 0) return fail(error, at + ": prototype: no prototype " + quoted(in.prototype) + " of the element's kind");
      int kind = 0;
      if (!read_prototype_chains(node, &kind, &out.materials, &out.attributes))
        return fail(error, at + ": prototype: " + quoted(in.prototype) + " cannot be read");
      out.element.prototype = node;
    }
    const std::set<std::string> parameters = parameters_of(in.kind);
    std::set<std::string> given;
    for (const ParameterValue& p : in.parameters) {
      if (parameters.count(p.abbrev) == 0)
        return fail(error, at + ": parameters." + utf8_text(p.abbrev) + ": no parameter of the kind");
      given.insert(p.abbrev);
    }
    if (in.materials) {
      out.materials.resize(0);
      LISTCONTEXT* library = MaterialLibrary().GetPC();
      for (std::size_t i = 0; i < in.materials->size(); ++i) {
        const ModelFileLink& l = (*in.materials)[i];
        const std::string field = at + ": materials[" + std::to_string(i + 1) + "].";
        if (library == nullptr) return fail(error, field + "code: no material library is open");
        dbmaterial m{};
        const long id = library->get(TEXTBUFFER(l.code.c_str()), m, nullptr);
        if (id <= 0) return fail(error, field + "code: no material " + quoted(l.code) + " in the library");
        if (!l.parameter.empty() && parameters.count(l.parameter) == 0)
          return fail(error, field + "parameter: " + quoted(l.parameter) + " is no parameter of the kind");
        if (l.location != 0 && LOCALIZATION().get_key_location(l.location) <= 0)
          return fail(error, field + "location: no location has the key " + std::to_string(l.location));
        DBMATREF ref;
        if (library->get_idpath(id, ref.code) == 0) return fail(error, field + "code: the code cannot be read");
        ref.quantity = l.automatic ? DBMATREF::kAutoQuantity : l.quantity;
        ref.location = l.location;
        ref.set_parameter(l.parameter.c_str());
        out.materials.push(ref);
      }
    }
    if (in.attributes) {
      out.attributes.resize(0);
      for (std::size_t i = 0; i < in.attributes->size(); ++i) {
        const ModelFileAttribute& a = (*in.attributes)[i];
        const std::string field = at + ": attributes[" + std::to_string(i + 1) + "].";
        ATTRIBUTES library;
        DBATTRIBUTETYPE def;
        const long entry = library.get_abbrev_attribute(a.key.c_str(), &def);
        if (entry <= 0) return fail(error, field + "key: no attribute " + quoted(a.key));
        DBATTREFTYPE value;
        value.set_abbrev(a.key.c_str());
        if (a.reference) {
          const long list = library.get_id_attribute(entry, &def);
          ATTR_REF refs;
          long found = 0;
          char name[17] = {};
          char flags = 0;
          TEXTBUFFER text;
          if (list > 0 && refs.rew(list, 0) > 0)
            for (long r = refs.get(name, &text, &flags); r > 0 && found == 0; r = refs.get(name, &text, &flags))
              if (a.value == name) found = r;
          if (found == 0) return fail(error, field + "reference: attribute " + quoted(a.key) + " has no value named " + quoted(a.value));
          value.set_name(name);
          value.reference = static_cast<int32_t>(found);
          value.flags = static_cast<uint8_t>(flags);
          value.value = text;
        } else {
          value.set_name(a.value.substr(0, 16).c_str());
          value.value.put(a.value.c_str());
        }
        out.attributes.push(value);
      }
    }
    return true;
  }

  const ModelFile& file_;
  bool replace_;
  std::map<std::string, KnownPlan> plans_;
  std::vector<Checked> checked_;
};

}  // namespace

bool import_model(const ModelFile& file, bool replace, std::string& error, ModelImportCounts* counts) {
  Importer importer(file, replace);
  return importer.check(error) && importer.store(error, counts);
}

bool export_model_json(std::string& out, std::string& error) {
  using json = nlohmann::ordered_json;
  ModelDatabase* db = active_model();
  if (db == nullptr || !db->is_open()) {
    error = "no project is open";
    return false;
  }
  json j;
  j["format"] = "dlist-model";
  j["version"] = 1;
  json plans = json::array();
  std::map<long, std::string> plan_names;
  std::map<long, int> floor_numbers;
  {
    Statement p(db->connection(), "SELECT id, name FROM plans ORDER BY id");
    while (p.row()) {
      auto b = p.blob(1);
      plan_names[static_cast<long>(p.integer(0))] = std::string(reinterpret_cast<const char*>(b.data()), b.size());
    }
  }
  for (const auto& [id, name] : plan_names) {
    json plan;
    plan["name"] = utf8_text(name);
    json floors = json::array();
    Statement s(db->connection(), "SELECT id, number, name FROM storeys WHERE plan = ?1 ORDER BY number");
    s.bind(1, id);
    while (s.row()) {
      auto b = s.blob(2);
      floor_numbers[static_cast<long>(s.integer(0))] = static_cast<int>(s.integer(1));
      floors.push_back({{"number", s.integer(1)},
                        {"name", utf8_text(std::string(reinterpret_cast<const char*>(b.data()), b.size()))}});
    }
    plan["floors"] = floors;
    DBFOLIANAMES layers;
    json layer_list = json::array();
    if (get_layernames(id, &layers) > 0)
      for (int i = 0; i < kLayerNameCount; ++i)
        if (layers.name[i][0] != '\0') layer_list.push_back({{"index", i}, {"name", utf8_text(field_string(layers.name[i]))}});
    plan["layers"] = layer_list;
    plans.push_back(plan);
  }
  j["plans"] = plans;
  std::vector<ModelElement> all;
  if (!read_placed_elements(all)) {
    error = "the placed elements cannot be read";
    return false;
  }
  json elements = json::array();
  for (const ModelElement& e : all) {
    json el;
    el["id"] = e.id;
    el["kind"] = kind_facts(e.kind)->cli_name;
    if (e.plan != 0) el["plan"] = utf8_text(plan_names[e.plan]);
    if (e.storey != 0) el["floor"] = floor_numbers[e.storey];
    el["layer"] = e.layer;
    if (e.prototype != 0) {
      DBPROTOTYPENODE node;
      PROTOTYPES store;
      const long parent = store.up_node(e.prototype);
      if (parent > 0 && store.rew_node(parent) >= 0)
        for (long id = store.get_node(&node); id > 0; id = store.get_node(&node))
          if (id == e.prototype) el["prototype"] = utf8_text(field_string(node.name));
    }
    if (e.location != 0) el["location"] = e.location;
    std::vector<ParameterValue> params;
    DBMATREFCHAIN materials;
    DBATTREFCHAIN attributes;
    if (!read_element_parameters(e.id, params) || !read_element_chains(e, &materials, &attributes)) {
      error = "element " + std::to_string(e.id) + " cannot be read";
      return false;
    }
    json pj = json::object();
    for (const ParameterValue& p : params) pj[utf8_text(p.abbrev)] = p.value;
    el["parameters"] = pj;
    json mj = json::array();
    for (unsigned i = 0; i < materials.size(); ++i) {
      const DBMATREF& m = materials[i];
      json l;
      l["code"] = utf8_text(m.code.get());
      if (m.is_auto_quantity()) l["quantity"] = "auto";
      else l["quantity"] = m.quantity;
      if (m.parameter[0] != '\0') l["parameter"] = utf8_text(field_string(m.parameter));
      if (m.location != 0) l["location"] = m.location;
      mj.push_back(l);
    }
    el["materials"] = mj;
    json aj = json::array();
    for (unsigned i = 0; i < attributes.size(); ++i) {
      const DBATTREFTYPE& a = attributes[i];
      json v;
      v["key"] = utf8_text(field_string(a.abbrev));
      if (a.reference != 0) v["reference"] = utf8_text(field_string(a.name));
      else v["value"] = utf8_text(a.value.get());
      aj.push_back(v);
    }
    el["attributes"] = aj;
    elements.push_back(el);
  }
  j["elements"] = elements;
  out = j.dump(2) + "\n";
  return true;
}

}  // namespace dlist
