// The element kinds 1 to 13 and the one table of their facts: the record types, the
// names, the palette image size and how the host's calls treat the kind. Code that
// works per kind (the palette and prototype operations, the exchange files, the
// command line) drives from this table instead of repeating itself per kind.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

#include "foundation/elements.h"
#include "foundation/palettes.h"

namespace dlist {

inline constexpr int kFirstKind = 1;
inline constexpr int kLastKind = 13;

// The facts of one element kind.
struct KindFacts {
  int kind;                        // kind code 1..13
  const char* name;                // in function names: CreWallPalette, GetWallPrototype
  const char* table;               // the host's table of the kind: cre_wallpalette, get_id_wall
  const char* cli_name;            // the kind's word on the command line
  std::size_t palette_image_size;  // bytes of the palette image (BLOCK_PALETTE)
  bool has_surfaces;               // carries a surface set (DBSURFREFTYPE)
  bool expands_library_params;     // its palette goes through explode_deplibpars
  int reader_flag;                 // flag passed to the palette reader, 0 for none
  std::size_t raw_record_size;     // bytes of the element's raw image, 0 when streamed by parts
};

inline constexpr KindFacts kKinds[] = {
    {1, "Wall", "wall", "wall", 117, true, false, 0, 426},
    {2, "Door", "door", "door", 870, true, true, 1, 1669},
    {3, "Wind", "wind", "window", 870, true, true, 1, 1669},
    {4, "Symb", "symb", "symbol", 870, true, true, 1, 0},
    {5, "Stai", "stai", "stair", 870, true, true, 1, 0},
    {6, "Ceil", "ceil", "ceiling", 117, true, false, 0, 0},
    {7, "Roof", "roof", "roof", 117, true, false, 0, 0},
    {8, "Parc", "parc", "parcel", 14, true, false, 0, 0},
    {9, "Text", "text", "text", 65, false, false, 0, 0},
    {10, "Rast", "rast", "raster", 14, false, false, 0, 0},
    {11, "Line", "line", "line", 45, false, false, 0, 87},
    {12, "Circ", "circ", "circle", 47, false, false, 0, 208},
    {13, "Hots", "hots", "hotspot", 11, false, false, 0, 46},
};

static_assert(std::size(kKinds) == kLastKind);

// The facts of a kind; null for a code outside 1..13.
constexpr const KindFacts* kind_facts(int kind) {
  return kind >= kFirstKind && kind <= kLastKind ? &kKinds[kind - 1] : nullptr;
}

// The kind whose command-line word is word; 0 when none is.
constexpr int kind_from_cli_name(std::string_view word) {
  for (const KindFacts& f : kKinds)
    if (word == f.cli_name) return f.kind;
  return 0;
}

// The record types of a kind.
template <int K>
struct KindTypes;
// clang-format off
template <> struct KindTypes<1> { using element = DBWALLTYPE; using palette = DBWALLPALETTE; };
template <> struct KindTypes<2> { using element = DBDOORTYPE; using palette = DBDOORPALETTE; };
template <> struct KindTypes<3> { using element = DBWINDTYPE; using palette = DBWINDPALETTE; };
template <> struct KindTypes<4> { using element = DBSYMBTYPE; using palette = DBSYMBPALETTE; };
template <> struct KindTypes<5> { using element = DBSTAITYPE; using palette = DBSTAIPALETTE; };
template <> struct KindTypes<6> { using element = DBCEILTYPE; using palette = DBCEILPALETTE; };
template <> struct KindTypes<7> { using element = DBROOFTYPE; using palette = DBROOFPALETTE; };
template <> struct KindTypes<8> { using element = DBPARCTYPE; using palette = DBPARCPALETTE; };
template <> struct KindTypes<9> { using element = DBTEXTTYPE; using palette = DBTEXTPALETTE; };
template <> struct KindTypes<10> { using element = DBRASTTYPE; using palette = DBRASTPALETTE; };
template <> struct KindTypes<11> { using element = DBLINETYPE; using palette = DBLINEPALETTE; };
template <> struct KindTypes<12> { using element = DBCIRCTYPE; using palette = DBCIRCPALETTE; };
template <> struct KindTypes<13> { using element = DBHOTSTYPE; using palette = DBHOTSPALETTE; };
// clang-format on

// A kind as a type: its code, its record types and its facts.
template <int K>
struct Kind {
  static constexpr int kind = K;
  using element = typename KindTypes<K>::element;
  using palette = typename KindTypes<K>::palette;
  static constexpr const KindFacts& facts = kKinds[K - 1];
};

// Calls f(Kind<K>{}) for the kind code K given at run time and returns true; false,
// without calling f, for a code outside 1..13.
template <class F>
bool visit_kind(int kind, F&& f) {
  return [&]<int... I>(std::integer_sequence<int, I...>) {
    return ((kind == I + 1 ? (f(Kind<I + 1>{}), true) : false) || ...);
  }
  (std::make_integer_sequence<int, kLastKind>{});
}

// Calls f(Kind<K>{}) for every kind in order.
template <class F>
void for_each_kind(F&& f) {
  [&]<int... I>(std::integer_sequence<int, I...>) {
    (f(Kind<I + 1>{}), ...);
  }
  (std::make_integer_sequence<int, kLastKind>{});
}

// The table agrees with the record types.
namespace kinds_check {
template <int K>
constexpr bool agrees() {
  using E = typename KindTypes<K>::element;
  using P = typename KindTypes<K>::palette;
  constexpr const KindFacts& f = kKinds[K - 1];
  if (f.kind != K || sizeof(P) != f.palette_image_size) return false;
  if constexpr (PlainRecord<E>) return f.raw_record_size == E::kImageSize;
  return f.raw_record_size == 0;
}
template <int... I>
constexpr bool all_agree(std::integer_sequence<int, I...>) {
  return (agrees<I + 1>() && ...);
}
static_assert(all_agree(std::make_integer_sequence<int, kLastKind>{}),
              "the kind table disagrees with the record types");
}  // namespace kinds_check

}  // namespace dlist
