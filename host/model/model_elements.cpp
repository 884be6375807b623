// The placed elements of the model database: rows of their own beside the element
// records that the per-kind calls store.

#include "host/model/model_elements.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <span>
#include <string_view>

#include "foundation/element_kinds.h"
#include "foundation/fixed_text.h"
#include "foundation/plan_records.h"
#include "host/model/attribute_store.h"
#include "host/model/element_parameters.h"
#include "host/model/kind_calls.h"
#include "host/model/model_database.h"
#include "host/model/plans.h"
#include "host/model/prototype_store.h"
#include "host/model/sqlite_connection.h"

namespace dlist {
namespace {

constexpr const char* kElementTables = R"sql(
CREATE TABLE IF NOT EXISTS model_elements (
  id        INTEGER PRIMARY KEY,
  kind      INTEGER NOT NULL,
  record    INTEGER NOT NULL,
  plan      INTEGER NOT NULL,
  storey    INTEGER NOT NULL,
  layer     INTEGER NOT NULL,
  prototype INTEGER NOT NULL,
  location  INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS model_element_values (
  element INTEGER NOT NULL,
  param   BLOB    NOT NULL,
  value   REAL    NOT NULL,
  PRIMARY KEY (element, param)
) WITHOUT ROWID;
)sql";

constexpr const char* kSelectElement =
    "SELECT id, kind, record, plan, storey, layer, prototype, location FROM model_elements";

std::span<const unsigned char> bytes_of(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

std::string text_of(std::span<const unsigned char> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool valid_id(long id) { return id > 0 && static_cast<int64_t>(id) <= kMaxModelId; }

bool exists(ModelDatabase& db, const char* sql, int64_t a, int64_t b = 0) {
  Statement s(db.connection(), sql);
  s.bind(1, a);
  if (std::strstr(sql, "?2") != nullptr) s.bind(2, b);
  return s.row();
}

// Reads the row the statement stands on; false for values outside their ranges.
bool element_from_row(const Statement& s, ModelElement& e) {
  const int64_t id = s.integer(0), kind = s.integer(1), layer = s.integer(5);
  const int64_t location = s.integer(7);
  if (id <= 0 || id > kMaxModelId || kind < kFirstKind || kind > kLastKind || layer < 0 ||
      layer >= kLayerNameCount || location < INT32_MIN || location > INT32_MAX)
    return false;
  for (int c : {2, 3, 4, 6})
    if (s.integer(c) < 0 || s.integer(c) > kMaxModelId) return false;
  e.id = static_cast<long>(id);
  e.kind = static_cast<int>(kind);
  e.record = static_cast<long>(s.integer(2));
  e.plan = static_cast<long>(s.integer(3));
  e.storey = static_cast<long>(s.integer(4));
  e.layer = static_cast<int>(layer);
  e.prototype = static_cast<long>(s.integer(6));
  e.location = static_cast<int32_t>(location);
  return true;
}

bool parameters_ok(const std::vector<ParameterValue>& parameters) {
  std::set<std::string> seen;
  for (const ParameterValue& p : parameters) {
    if (p.abbrev.empty() || p.abbrev.size() > 6 || p.abbrev.find('\0') != std::string::npos ||
        !std::isfinite(p.value) || !seen.insert(p.abbrev).second)
      return false;
  }
  return true;
}

// Stores the element record of e (from its prototype or the kind's default) with the
// chains; the new record's identifier, 0 on failure.
long store_record(const ModelElement& e, const DBMATREFCHAIN& materials,
                  const DBATTREFCHAIN& attributes) {
  long id = 0;
  visit_kind(e.kind, [&](auto k) {
    constexpr int K = decltype(k)::kind;
    typename decltype(k)::element rec;
    DBSURFREFTYPE surf;
    if (e.prototype != 0) {
      short kind = 0;
      const long source = PROTOTYPES().get_id_prototype(e.prototype, &kind);
      if (source <= 0 || kind != K) return;
      if (model_calls::read_element<K>(source, &rec, true,
                                       decltype(k)::facts.has_surfaces ? &surf : nullptr, nullptr,
                                       nullptr) != source)
        return;
    }
    id = model_calls::create_element<K>(&rec, decltype(k)::facts.has_surfaces ? &surf : nullptr,
                                        &materials, &attributes);
  });
  return id;
}

bool equal_text(std::string_view a, std::string_view b, bool match_case) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (!match_case) {
      x = static_cast<unsigned char>(std::tolower(x));
      y = static_cast<unsigned char>(std::tolower(y));
    }
    if (x != y) return false;
  }
  return true;
}

bool holds_text(std::string_view hay, std::string_view needle, bool match_case) {
  if (needle.size() > hay.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i)
    if (equal_text(hay.substr(i, needle.size()), needle, match_case)) return true;
  return false;
}

bool read_number(std::string_view text, double& out) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && p == end && std::isfinite(out);
}

std::string number_text(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

// Whether the key names a built-in parameter of some class.
bool is_builtin_parameter(const char* key) {
  const int n = nParameter(0xFFFFFFFFu);
  for (int i = 0; i < n; ++i) {
    ELEMPARAMETER p;
    if (GetParameter(0xFFFFFFFFu, i, &p) && std::strcmp(p.abbrev, key) == 0) return true;
  }
  return false;
}

}  // namespace

bool create_model_element_tables(SqliteConnection& db) { return db.exec(kElementTables); }

long place_element(ModelElement& e, const DBMATREFCHAIN& materials, const DBATTREFCHAIN& attributes,
                   const std::vector<ParameterValue>& parameters) {
  ModelDatabase* db = active_model();
  if (db == nullptr || !db->is_open() || !kind_facts(e.kind) || e.layer < 0 ||
      e.layer >= kLayerNameCount || e.plan < 0 || e.storey < 0 || !parameters_ok(parameters))
    return 0;
  if (e.plan != 0 && !exists(*db, "SELECT 1 FROM plans WHERE id = ?1", e.plan)) return 0;
  if (e.storey != 0 &&
      !exists(*db, "SELECT 1 FROM storeys WHERE id = ?1 AND plan = ?2", e.storey, e.plan))
    return 0;
  CallScope call(db->connection());
  if (!call) return 0;
  const long record = store_record(e, materials, attributes);
  if (record <= 0) return 0;
  const int64_t id = db->new_id(ModelObject::kPlacedElement);
  if (id <= 0) return 0;
  Statement s(db->connection(),
              "INSERT INTO model_elements (id, kind, record, plan, storey, layer, prototype, location)"
              " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
  s.bind(1, id).bind(2, e.kind).bind(3, record).bind(4, e.plan).bind(5, e.storey);
  s.bind(6, e.layer).bind(7, e.prototype).bind(8, e.location);
  if (!s.run()) return 0;
  for (const ParameterValue& p : parameters) {
    Statement v(db->connection(),
                "INSERT INTO model_element_values (element, param, value) VALUES (?1, ?2, ?3)");
    v.bind(1, id).bind(2, bytes_of(p.abbrev)).bind_double(3, p.value);
    if (!v.run()) return 0;
  }
  if (e.storey != 0 && !set_element_storey(static_cast<long>(id), e.storey)) return 0;
  if (!call.commit()) return 0;
  e.id = static_cast<long>(id);
  e.record = record;
  return e.id;
}

std::vector<long> placed_element_ids() {
  std::vector<long> out;
  ModelDatabase* db = active_model();
  if (db == nullptr || !db->is_open()) return out;
  Statement s(db->connection(), "SELECT id FROM model_elements ORDER BY id");
  while (s.row()) out.push_back(static_cast<long>(s.integer(0)));
  return out;
}

bool read_placed_element(long id, ModelElement& e) {
  ModelDatabase* db = active_model();
  if (db == nullptr || !db->is_open() || !valid_id(id)) return false;
  Statement s(db->connection(), (std::string(kSelectElement) + " WHERE id = ?1").c_str());
  ModelElement row;
  if (!s.bind(1, id).row() || !element_from_row(s, row)) return false;
  e = row;
  return true;
}

bool read_placed_elements(std::vector<ModelElement>& out) {
  out.clear();
  ModelDatabase* db = active_model();
  if (db == nullptr || !db->is_open()) return false;
  Statement s(db->connection(), (std::string(kSelectElement) + " ORDER BY id").c_str());
  ModelElement e;
  while (s.row()) {
    if (!element_from_row(s, e)) return false;
    out.push_back(e);
  }
  return s.ok();
}

bool read_element_chains(const ModelElement& e, DBMATREFCHAIN* materials, DBATTREFCHAIN* attributes) {
  bool ok = false;
  visit_kind(e.kind, [&](auto k) {
    constexpr int K = decltype(k)::kind;
    typename decltype(k)::element rec;
    ok = model_calls::read_element<K>(e.record, &rec, false, nullptr, materials, attributes) == e.record;
  });
  return ok;
}

bool read_element_parameters(long id, std::vector<ParameterValue>& out) {
  out.clear();
  ModelDatabase* db = active_model();
  if (db == nullptr || !db->is_open() || !valid_id(id)) return false;
  Statement s(db->connection(),
              "SELECT param, value FROM model_element_values WHERE element = ?1 ORDER BY param");
  s.bind(1, id);
  while (s.row()) {
    ParameterValue p{text_of(s.blob(0)), s.real(1)};
    if (p.abbrev.empty() || p.abbrev.size() > 6 || !std::isfinite(p.value)) return false;
    out.push_back(std::move(p));
  }
  return s.ok();
}

bool remove_model_contents() {
  ModelDatabase* db = active_model();
  if (db == nullptr || !db->is_open()) return false;
  CallScope call(db->connection());
  if (!call) return false;
  std::vector<ModelElement> all;
  if (!read_placed_elements(all)) return false;
  PROTOTYPES store;
  for (const ModelElement& e : all) {
    if (store.del_record(e.record, 0) == 0) return false;
    if (!db->drop_id(e.id)) return false;
  }
  if (!db->connection().exec(
          "DELETE FROM model_element_values; DELETE FROM model_elements; DELETE FROM element_storeys;"
          " DELETE FROM layer_names; DELETE FROM storeys; DELETE FROM plans;"))
    return false;
  return call.commit();
}

std::string attribute_value_text(const DBATTREFTYPE& value) {
  const std::string own(value.value.get());
  if ((value.flags & DBATTREFTYPE::kIndirect) == 0) return own;
  ATTRIBUTES library;
  DBATTRIBUTETYPE def;
  const long entry = library.get_abbrev_attribute(value.abbrev, &def);
  if (entry <= 0) return {};
  const long list = library.get_id_attribute(entry, &def);
  ATTR_REF refs;
  if (list < 1 || refs.rew(list, 0) < 1) return {};
  char name[17] = {};
  TEXTBUFFER text;
  char flags = 0;
  while (refs.get(name, &text, &flags) > 0)
    if (own == name) return text.get();
  return {};
}

bool read_prototype_chains(long node, int* kind, DBMATREFCHAIN* materials, DBATTREFCHAIN* attributes) {
  short k = 0;
  const long record = PROTOTYPES().get_id_prototype(node, &k);
  if (record <= 0) return false;
  ModelElement e;
  e.kind = k;
  e.record = record;
  if (!read_element_chains(e, materials, attributes)) return false;
  if (kind != nullptr) *kind = k;
  return true;
}

}  // namespace dlist

long find_elems_by_attribute(const char* key, const char* value, long mask, CRAS<long, 4>* found,
                             int part, int match_case, int numeric) {
  using namespace dlist;
  if (key == nullptr || key[0] == '\0' || value == nullptr || found == nullptr) return -1;
  found->resize(0);
  std::vector<ModelElement> all;
  if (!read_placed_elements(all)) return -1;
  const bool builtin = is_builtin_parameter(key);
  double wanted = 0;
  const bool wanted_number = read_number(value, wanted);
  auto matches = [&](const std::string& text, const double* number) {
    if (numeric != 0) {
      double v = 0;
      if (!wanted_number) return false;
      if (number != nullptr) v = *number;
      else if (!read_number(text, v)) return false;
      return std::fabs(v - wanted) <= 1e-9 * std::max({1.0, std::fabs(v), std::fabs(wanted)});
    }
    return part != 0 ? holds_text(text, value, match_case != 0) : equal_text(text, value, match_case != 0);
  };
  long count = 0;
  for (const ModelElement& e : all) {
    if (mask != 0 && (static_cast<uint32_t>(mask) & ElementClassBit(e.kind)) == 0) continue;
    bool hit = false;
    if (builtin) {
      std::vector<ParameterValue> params;
      if (!read_element_parameters(e.id, params)) return -1;
      for (const ParameterValue& p : params)
        if (p.abbrev == key && matches(number_text(p.value), &p.value)) hit = true;
    } else {
      DBATTREFCHAIN attributes;
      if (!read_element_chains(e, nullptr, &attributes)) return -1;
      for (unsigned i = 0; i < attributes.size() && !hit; ++i)
        if (std::strcmp(attributes[i].abbrev, key) == 0 && matches(attribute_value_text(attributes[i]), nullptr))
          hit = true;
    }
    if (hit) {
      found->push(e.id);
      ++count;
    }
  }
  return count;
}

int get_info_from_id(long id, DBELEMINFO* info) {
  using namespace dlist;
  ModelElement e;
  if (info == nullptr || !read_placed_element(id, e)) return 0;
  DBELEMINFO out{};
  out.kind = static_cast<int16_t>(e.kind);
  out.layer = static_cast<int16_t>(e.layer);
  out.location = e.location;
  DBPLANTYPE plan{};
  if (e.plan != 0 && get_id_plan(e.plan, nullptr, &plan) == e.plan) std::memcpy(out.plan, plan.name, sizeof out.plan);
  DBSTORTYPE storey{};
  if (e.storey != 0 && get_id_stor(e.storey, &storey) == e.storey) {
    out.floor = storey.number;
    std::memcpy(out.floor_name, storey.name, sizeof out.floor_name);
  }
  *info = out;
  return 1;
}
