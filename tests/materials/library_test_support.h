// Records of a material library made for the tests: units and dimensions,
// materials and subprices, each expected to be stored; and the materials of a
// library read back whole.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "foundation/record_image.h"
#include "host/list/list_context.h"

namespace dlist::testing {

inline long add_unit(LISTCONTEXT& library, long parent, const char* abbrev, const char* name,
                     double factor) {
  dbunit u{};
  set_field(u.abbrev, sizeof u.abbrev, abbrev);
  set_field(u.name, sizeof u.name, name);
  u.factor = factor;
  const long id = library.create(parent, u);
  EXPECT_GT(id, 0) << abbrev;
  return id;
}

inline long add_material(LISTCONTEXT& library, long parent, const char* code, const char* name,
                         double price = 0) {
  dbmaterial m{};
  set_field(m.id, sizeof m.id, code);
  set_field(m.name, sizeof m.name, name);
  m.unit_price = price;
  const long id = library.create(parent, m, nullptr);
  EXPECT_GT(id, 0) << code;
  return id;
}

inline long add_subprice(LISTCONTEXT& library, const char* abbrev, const char* name,
                         SUBPRICETYPE kind, double value, const char* formula = "") {
  dbsubprice s{};
  set_field(s.abbrev, sizeof s.abbrev, abbrev);
  set_field(s.name, sizeof s.name, name);
  s.kind = kind;
  s.value = value;
  set_field(s.formula, sizeof s.formula, formula);
  const long id = library.create(s);
  EXPECT_GT(id, 0) << abbrev;
  return id;
}

// A material as stored: its record, the bytes of its long texts, and its unit and
// subprice references in their stored order.
struct StoredMaterial {
  long id = 0;
  dbmaterial data{};
  std::vector<std::string> texts;
  std::vector<unitref> units;
  std::vector<subpriceref> subprices;
};

// Every material of library, by identifier.
inline std::vector<StoredMaterial> stored_materials(LISTCONTEXT& library) {
  std::vector<long> ids;
  library.material_ids(ids);
  std::vector<StoredMaterial> all;
  for (const long id : ids) {
    StoredMaterial m;
    m.id = id;
    LONGTEXT texts[kLongTextCount];
    library.get(id, m.data, texts);
    for (const LONGTEXT& t : texts) m.texts.emplace_back(t.size() ? &t[0] : "", t.size());
    library.rewind_unit_ref(id);
    for (unitref u{}; library.get(u) > 0;) m.units.push_back(u);
    library.rewind_subprice_ref(id);
    for (subpriceref r{}; library.get(r) > 0;) m.subprices.push_back(r);
    all.push_back(std::move(m));
  }
  return all;
}

}  // namespace dlist::testing
