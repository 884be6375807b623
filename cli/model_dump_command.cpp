// `dlist dump FILE.json`: a model file as its one reader reads it, without a project:
// its plans with their floors and layers, then each element with its parameters,
// material links and attribute values (absent lists are the prototype's).
#include <nlohmann/json.hpp>
#include <string>

#include "cli/dump_command.h"
#include "cli/kind_word.h"
#include "foundation/code_page.h"
#include "host/model/model_file.h"

namespace dlist::cli {
namespace {

using Json = nlohmann::ordered_json;

std::string shown(const std::string& bytes) { return escape_controls(utf8_text(bytes)); }

Json links_json(const std::vector<ModelFileLink>& links) {
  Json out = Json::array();
  for (const ModelFileLink& l : links) {
    Json j = {{"code", utf8_text(l.code)}};
    if (l.automatic) {
      j["quantity"] = "auto";
    } else {
      j["quantity"] = l.quantity;
    }
    j["parameter"] = utf8_text(l.parameter);
    j["location"] = l.location;
    out.push_back(j);
  }
  return out;
}

Json attributes_json(const std::vector<ModelFileAttribute>& attributes) {
  Json out = Json::array();
  for (const ModelFileAttribute& a : attributes)
    out.push_back({{"key", utf8_text(a.key)}, {"value", utf8_text(a.value)}, {"reference", a.reference}});
  return out;
}

Json model_json(const ModelFile& model, const std::string& file) {
  Json plans = Json::array();
  for (const ModelFilePlan& p : model.plans) {
    Json floors = Json::array(), layers = Json::array();
    for (const ModelFileFloor& f : p.floors) floors.push_back({{"number", f.number}, {"name", utf8_text(f.name)}});
    for (const ModelFileLayer& l : p.layers) layers.push_back({{"index", l.index}, {"name", utf8_text(l.name)}});
    plans.push_back({{"name", utf8_text(p.name)}, {"floors", floors}, {"layers", layers}});
  }
  Json elements = Json::array();
  for (const ModelFileElement& e : model.elements) {
    Json parameters = Json::object();
    for (const ParameterValue& v : e.parameters) parameters[utf8_text(v.abbrev)] = v.value;
    elements.push_back({{"kind", kind_word(e.kind)},
                        {"plan", utf8_text(e.plan)},
                        {"floor", e.floor ? Json(*e.floor) : Json()},
                        {"layer", e.layer},
                        {"prototype", utf8_text(e.prototype)},
                        {"location", e.location},
                        {"parameters", parameters},
                        {"materials", e.materials ? links_json(*e.materials) : Json()},
                        {"attributes", e.attributes ? attributes_json(*e.attributes) : Json()}});
  }
  return {{"file", file}, {"kind", "model"}, {"plans", plans}, {"elements", elements}};
}

void print_model(const ModelFile& model, const std::string& file, std::ostream& out) {
  out << file << ": a model file with " << model.plans.size() << " plan(s) and " << model.elements.size()
      << " element(s)\n";
  for (const ModelFilePlan& p : model.plans) {
    out << "plan " << shown(p.name) << "\n";
    for (const ModelFileFloor& f : p.floors) out << "  floor " << f.number << " " << shown(f.name) << "\n";
    for (const ModelFileLayer& l : p.layers) out << "  layer " << l.index << " " << shown(l.name) << "\n";
  }
  for (std::size_t i = 0; i < model.elements.size(); ++i) {
    const ModelFileElement& e = model.elements[i];
    out << "element " << i + 1 << ": " << kind_word(e.kind);
    if (!e.plan.empty()) out << ", plan " << shown(e.plan);
    if (e.floor) out << ", floor " << *e.floor;
    out << ", layer " << e.layer;
    if (e.location != 0) out << ", location " << e.location;
    if (!e.prototype.empty()) out << ", from prototype " << shown(e.prototype);
    out << "\n";
    for (const ParameterValue& v : e.parameters) out << "  parameter " << shown(v.abbrev) << " " << v.value << "\n";
    if (!e.materials) out << "  materials of the prototype\n";
    for (const ModelFileLink& l : e.materials.value_or(std::vector<ModelFileLink>{})) {
      out << "  material " << shown(l.code) << " ";
      if (l.automatic) {
        out << "auto";
      } else {
        out << l.quantity;
      }
      if (!l.parameter.empty()) out << " by " << shown(l.parameter);
      if (l.location != 0) out << " at location " << l.location;
      out << "\n";
    }
    if (!e.attributes) out << "  attributes of the prototype\n";
    for (const ModelFileAttribute& a : e.attributes.value_or(std::vector<ModelFileAttribute>{}))
      out << "  attribute " << shown(a.key) << " " << (a.reference ? "reference " : "") << shown(a.value) << "\n";
  }
}

}  // namespace

int model_dump_command(const std::string& file, bool json, Output& out) {
  ModelFile model;
  std::string error;
  if (!read_model_file(file, model, error)) return out.fail(file + ": " + error);
  if (json) {
    out.out() << model_json(model, file).dump(2) << "\n";
  } else {
    print_model(model, file, out.out());
  }
  return 0;
}

}  // namespace dlist::cli
