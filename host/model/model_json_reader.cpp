// The reader of model files: JSON text into a ModelFile, every field checked for
// its type and range; no store is touched.

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "foundation/code_page.h"
#include "foundation/element_kinds.h"
#include "foundation/plan_records.h"
#include "host/model/model_file.h"

namespace dlist {
namespace {

using json = nlohmann::json;

// A refusal at a place of the file.
struct Refused : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The deepest nesting of arrays and objects, counted outside strings; stops early
// beyond limit, so the parser never sees deeper text.
bool nesting_within(const std::string& text, unsigned limit) {
  unsigned depth = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\') ++i;
      else if (c == '"') in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if (c == ']' || c == '}') {
      if (depth > 0) --depth;
    }
  }
  return true;
}

class Reader {
 public:
  explicit Reader(std::string where) : where_(std::move(where)) {}

  [[noreturn]] void refuse(const std::string& field, const std::string& why) const {
    throw Refused(where_ + (field.empty() ? "" : ": " + field) + ": " + why);
  }

  // Refuses every member of o that is not among the names.
  void only(const json& o, std::initializer_list<const char*> names, const std::string& prefix = "") const {
    for (auto it = o.begin(); it != o.end(); ++it) {
      bool known = false;
      for (const char* n : names) known = known || it.key() == n;
      if (!known) refuse(prefix + it.key(), "unknown field");
    }
  }

  const json& object(const json& j, const std::string& field) const {
    if (!j.is_object()) refuse(field, "is no object");
    return j;
  }

  const json& array(const json& j, const std::string& field) const {
    if (!j.is_array()) refuse(field, "is no list");
    return j;
  }

  // A text of at most max bytes once stored (empty allowed when min is 0).
  std::string text(const json& j, const std::string& field, std::size_t min, std::size_t max) const {
    if (!j.is_string()) refuse(field, "is no text");
    std::string why;
    std::optional<std::string> stored = stored_text(j.get<std::string>(), &why);
    if (!stored) refuse(field, why);
    if (stored->find('\0') != std::string::npos) refuse(field, "holds a zero character");
    if (stored->size() < min) refuse(field, "is empty");
    if (stored->size() > max) refuse(field, "is longer than " + std::to_string(max) + " characters");
    return *stored;
  }

  long long integer(const json& j, const std::string& field, long long lo, long long hi) const {
    if (!j.is_number_integer()) refuse(field, "is no whole number");
    long long v = 0;
    if (j.is_number_unsigned()) {
      const auto u = j.get<unsigned long long>();
      if (u > static_cast<unsigned long long>(hi)) refuse(field, "is out of range");
      v = static_cast<long long>(u);
    } else {
      v = j.get<long long>();
    }
    if (v < lo || v > hi) refuse(field, "is out of range (" + std::to_string(lo) + " to " + std::to_string(hi) + ")");
    return v;
  }

  double number(const json& j, const std::string& field) const {
    if (!j.is_number()) refuse(field, "is no number");
    const double v = j.get<double>();
    if (!std::isfinite(v)) refuse(field, "is no finite number");
    return v;
  }

 private:
  std::string where_;
};

ModelFilePlan read_plan(const json& j, unsigned index) {
  Reader r("plan " + std::to_string(index + 1));
  r.object(j, "");
  r.only(j, {"name", "floors", "layers"});
  ModelFilePlan p;
  if (!j.contains("name")) r.refuse("name", "is missing");
  p.name = r.text(j["name"], "name", 1, kPlanNameSize - 1);
  if (j.contains("floors")) {
    const json& floors = r.array(j["floors"], "floors");
    for (std::size_t i = 0; i < floors.size(); ++i) {
      const std::string at = "floors[" + std::to_string(i + 1) + "]";
      r.object(floors[i], at);
      r.only(floors[i], {"number", "name"}, at + ".");
      ModelFileFloor f;
      if (!floors[i].contains("number")) r.refuse(at + ".number", "is missing");
      f.number = static_cast<int>(r.integer(floors[i]["number"], at + ".number", -1000, 1000));
      if (!floors[i].contains("name")) r.refuse(at + ".name", "is missing");
      f.name = r.text(floors[i]["name"], at + ".name", 1, kStoreyNameSize - 1);
      for (const ModelFileFloor& o : p.floors)
        if (o.number == f.number) r.refuse(at + ".number", "is given twice");
      p.floors.push_back(std::move(f));
    }
  }
  if (j.contains("layers")) {
    const json& layers = r.array(j["layers"], "layers");
    for (std::size_t i = 0; i < layers.size(); ++i) {
      const std::string at = "layers[" + std::to_string(i + 1) + "]";
      r.object(layers[i], at);
      r.only(layers[i], {"index", "name"}, at + ".");
      ModelFileLayer l;
      if (!layers[i].contains("index")) r.refuse(at + ".index", "is missing");
      l.index = static_cast<int>(r.integer(layers[i]["index"], at + ".index", 0, kLayerNameCount - 1));
      if (!layers[i].contains("name")) r.refuse(at + ".name", "is missing");
      l.name = r.text(layers[i]["name"], at + ".name", 1, kLayerNameSize - 1);
      for (const ModelFileLayer& o : p.layers)
        if (o.index == l.index) r.refuse(at + ".index", "is given twice");
      p.layers.push_back(std::move(l));
    }
  }
  return p;
}

ModelFileLink read_link(const Reader& r, const json& j, const std::string& at) {
  r.object(j, at);
  r.only(j, {"code", "quantity", "parameter", "location"}, at + ".");
  ModelFileLink l;
  if (!j.contains("code")) r.refuse(at + ".code", "is missing");
  l.code = r.text(j["code"], at + ".code", 1, 4096);
  if (j.contains("parameter")) l.parameter = r.text(j["parameter"], at + ".parameter", 1, 6);
  if (!j.contains("quantity")) r.refuse(at + ".quantity", "is missing");
  const json& q = j["quantity"];
  if (q.is_string()) {
    if (q.get<std::string>() != "auto") r.refuse(at + ".quantity", "is neither a number nor \"auto\"");
    if (l.parameter.empty()) r.refuse(at + ".parameter", "is missing (an automatic quantity needs one)");
    l.automatic = true;
  } else {
    l.quantity = r.number(q, at + ".quantity");
    if (l.quantity < 0 || l.quantity > 9999999999.0) r.refuse(at + ".quantity", "is out of range (0 to 9999999999)");
  }
  if (j.contains("location"))
    l.location = static_cast<int32_t>(r.integer(j["location"], at + ".location", 0, 2147483647));
  return l;
}

ModelFileAttribute read_attribute(const Reader& r, const json& j, const std::string& at) {
  r.object(j, at);
  r.only(j, {"key", "value", "reference"}, at + ".");
  ModelFileAttribute a;
  if (!j.contains("key")) r.refuse(at + ".key", "is missing");
  a.key = r.text(j["key"], at + ".key", 1, 6);
  const bool value = j.contains("value"), reference = j.contains("reference");
  if (value == reference) r.refuse(at, "needs either a value or a reference");
  if (value) {
    a.value = r.text(j["value"], at + ".value", 0, 65535);
  } else {
    a.value = r.text(j["reference"], at + ".reference", 1, 16);
    a.reference = true;
  }
  return a;
}

ModelFileElement read_element(const json& j, unsigned index) {
  Reader r("element " + std::to_string(index + 1));
  r.object(j, "");
  // "id" is what the writer tells of an element; the model gives identifiers of its own.
  r.only(j, {"id", "kind", "plan", "floor", "layer", "prototype", "location", "parameters", "materials",
             "attributes"});
  ModelFileElement e;
  if (!j.contains("kind")) r.refuse("kind", "is missing");
  if (!j["kind"].is_string()) r.refuse("kind", "is no text");
  e.kind = kind_from_cli_name(j["kind"].get<std::string>());
  if (e.kind == 0) r.refuse("kind", "is no element kind (wall, door, window, symbol, stair, ceiling, "
                                    "roof, parcel, text, raster, line, circle, hotspot)");
  if (j.contains("plan")) e.plan = r.text(j["plan"], "plan", 1, kPlanNameSize - 1);
  if (j.contains("floor")) {
    if (e.plan.empty()) r.refuse("floor", "needs a plan");
    e.floor = static_cast<int>(r.integer(j["floor"], "floor", -1000, 1000));
  }
  if (j.contains("layer")) e.layer = static_cast<int>(r.integer(j["layer"], "layer", 0, kLayerNameCount - 1));
  if (j.contains("prototype")) e.prototype = r.text(j["prototype"], "prototype", 1, 31);
  if (j.contains("location")) e.location = static_cast<int32_t>(r.integer(j["location"], "location", 0, 2147483647));
  if (j.contains("parameters")) {
    const json& params = r.object(j["parameters"], "parameters");
    for (auto it = params.begin(); it != params.end(); ++it) {
      const std::string at = "parameters." + it.key();
      std::string why;
      std::optional<std::string> key = stored_text(it.key(), &why);
      if (!key || key->empty() || key->size() > 6 || key->find('\0') != std::string::npos)
        r.refuse(at, "is no parameter abbreviation of 1 to 6 characters");
      e.parameters.push_back({*key, r.number(it.value(), at)});
    }
  }
  if (j.contains("materials")) {
    const json& links = r.array(j["materials"], "materials");
    e.materials.emplace();
    for (std::size_t i = 0; i < links.size(); ++i)
      e.materials->push_back(read_link(r, links[i], "materials[" + std::to_string(i + 1) + "]"));
  }
  if (j.contains("attributes")) {
    const json& values = r.array(j["attributes"], "attributes");
    e.attributes.emplace();
    for (std::size_t i = 0; i < values.size(); ++i)
      e.attributes->push_back(read_attribute(r, values[i], "attributes[" + std::to_string(i + 1) + "]"));
  }
  return e;
}

}  // namespace

bool parse_model_json(const std::string& text, ModelFile& out, std::string& error) {
  if (text.size() > kMaxModelFileBytes) {
    error = "the file is larger than " + std::to_string(kMaxModelFileBytes >> 20) + " MiB";
    return false;
  }
  if (!nesting_within(text, kMaxModelFileDepth)) {
    error = "the file nests lists and objects deeper than " + std::to_string(kMaxModelFileDepth) + " levels";
    return false;
  }
  json j;
  try {
    j = json::parse(text);
  } catch (const json::exception& e) {
    error = std::string("the file is no JSON text (") + e.what() + ")";
    return false;
  }
  try {
    Reader r("the file");
    r.object(j, "");
    r.only(j, {"format", "version", "plans", "elements"});
    if (!j.contains("format") || j["format"] != "dlist-model") r.refuse("format", "is not \"dlist-model\"");
    if (!j.contains("version") || j["version"] != 1) r.refuse("version", "is not 1");
    ModelFile file;
    if (j.contains("plans")) {
      const json& plans = r.array(j["plans"], "plans");
      std::map<std::string, std::size_t> named;  // plan name -> its position
      for (std::size_t i = 0; i < plans.size(); ++i) {
        file.plans.push_back(read_plan(plans[i], static_cast<unsigned>(i)));
        const auto [at, fresh] = named.emplace(file.plans.back().name, i);
        if (!fresh)
          Reader("plan " + std::to_string(i + 1)).refuse("name", "is used by plan " + std::to_string(at->second + 1));
      }
    }
    if (j.contains("elements")) {
      const json& elements = r.array(j["elements"], "elements");
      for (std::size_t i = 0; i < elements.size(); ++i)
        file.elements.push_back(read_element(elements[i], static_cast<unsigned>(i)));
    }
    out = std::move(file);
    return true;
  } catch (const Refused& e) {
    error = e.what();
    return false;
  } catch (const json::exception& e) {
    error = std::string("the file cannot be read (") + e.what() + ")";
    return false;
  }
}

bool read_model_file(const std::string& path, ModelFile& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (!in || ec) {
    error = "cannot read " + path;
    return false;
  }
  if (size > kMaxModelFileBytes) {
    error = "the file is larger than " + std::to_string(kMaxModelFileBytes >> 20) + " MiB";
    return false;
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(text.data(), static_cast<std::streamsize>(size))) {
    error = "cannot read " + path;
    return false;
  }
  return parse_model_json(text, out, error);
}

}  // namespace dlist
