// Units, materials and links of a material library built for a test.
#pragma once

#include "foundation/fixed_text.h"
#include "foundation/references.h"
#include "host/list/list_context.h"

namespace dlist::testing {

struct LibraryBuilder {
  LISTCONTEXT& library;

  long unit(long parent, const char* abbrev, double factor) const {
    dbunit u{};
    set_field(u.abbrev, sizeof u.abbrev, abbrev);
    set_field(u.name, sizeof u.name, abbrev);
    u.factor = factor;
    return library.create(parent, u);
  }
  long material(long parent, const char* code, const char* unit, double price) const {
    dbmaterial m{};
    set_field(m.id, sizeof m.id, code);
    set_field(m.name, sizeof m.name, code);
    set_field(m.native_unit, sizeof m.native_unit, unit);
    m.unit_price = price;
    return library.create(parent, m, nullptr);
  }
  // A link of a fixed quantity per element.
  static DBMATREF fixed(const char* code, double q) {
    DBMATREF r;
    r.code.put(code);
    r.quantity = q;
    return r;
  }
};

}  // namespace dlist::testing
