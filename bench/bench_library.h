// The material library of the benchmarks that read one: 10 roots of 10 groups
// each and N materials spread over the groups; every material has a price, one
// short long text, three unit references and two subprice references.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/record_image.h"
#include "host/list/list_context.h"

namespace dlist::bench {

// A material with the native unit "m", the market "Local" and, unless empty, text
// as its first long text; its identifier.
inline long create_material(LISTCONTEXT& lib, long parent, const std::string& code,
                            const std::string& name, double price, const std::string& text) {
  dbmaterial m{};
  set_field(m.id, sizeof m.id, code.c_str());
  set_field(m.name, sizeof m.name, name.c_str());
  m.unit_price = price;
  set_field(m.native_unit, sizeof m.native_unit, "m");
  set_field(m.market, sizeof m.market, "Local");
  LONGTEXT texts[kLongTextCount];
  if (!text.empty()) text.copy(texts[0].resize(static_cast<unsigned>(text.size())), text.size());
  return lib.create(parent, m, texts);
}

// Adds the groups, priced group_price, and n materials, the i-th named name + i and
// priced price(i), within the caller's write lock.
template <class Price>
void add_material_groups(LISTCONTEXT& lib, int n, double group_price, const std::string& name,
                         Price price) {
  std::vector<long> groups;
  for (int r = 0; r < 10; ++r) {
    const long root = create_material(lib, 0, "G" + std::to_string(r), "Group", group_price, "");
    for (int g = 0; g < 10; ++g)
      groups.push_back(create_material(lib, root, "S" + std::to_string(g), "Set", group_price, ""));
  }
  for (int i = 0; i < n; ++i) {
    const long m = create_material(lib, groups[static_cast<std::size_t>(i) % groups.size()],
                                   "M" + std::to_string(i), name + std::to_string(i), price(i),
                                   "Laid in mortar");
    for (const auto& [abbrev, f] : {std::pair{"m", 1.0}, {"cm", 100.0}, {"mm", 1000.0}}) {
      unitref u{};
      set_field(u.abbrev, sizeof u.abbrev, abbrev);
      u.factor = f;
      lib.create(m, u);
    }
    for (const auto& [abbrev, v] : {std::pair{"W", 1.05}, {"F", 2.5}}) {
      subpriceref s{};
      set_field(s.abbrev, sizeof s.abbrev, abbrev);
      s.value = v;
      lib.create(m, s);
    }
  }
}

// The library file library_<n>.db in folder, opened and filled by build(library, n);
// the program ends when it cannot be opened.
template <class Build>
std::unique_ptr<LISTCONTEXT> built_library(const std::filesystem::path& folder, int n,
                                           Build build) {
  auto library = std::make_unique<LISTCONTEXT>();
  if (!library->open((folder / ("library_" + std::to_string(n) + ".db")).string())) std::abort();
  build(*library, n);
  return library;
}

}  // namespace dlist::bench
