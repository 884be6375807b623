// The host's per-kind calls of palettes and stored element records, in one table:
// for each kind, the calls as the host takes them (its own names, argument orders,
// trailing values and reader flags), behind one argument list shared by all kinds.
// The palette and prototype operations are written once over the kind and call
// through HostCalls<K>. Kinds without a surface set ignore the surface argument.
#pragma once

#include "foundation/element_kinds.h"
#include "foundation/records.h"
#include "host/model/kind_calls.h"

namespace dlist {

// The shared argument lists:
//   long cre_palette(const P& palette, DBSURFREFTYPE* surf, int* existed)
//   int  get_palette(long palid, E* rec, DBSURFREFTYPE* surf)
//   long mod_palette(long palid, E* rec, DBSURFREFTYPE* surf)
//   long cre_record(E* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr)
//   int  mod_record(long recid, E* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
//                   DBATTREFCHAIN* attr)
//   long get_record(long recid, E* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
//                   DBATTREFCHAIN* attr)
template <int K>
struct HostCalls;

namespace host_calls {
using S = DBSURFREFTYPE;
using M = DBMATREFCHAIN;
using A = DBATTREFCHAIN;
}  // namespace host_calls

// clang-format off
#define DLIST_HOST_CALLS_HEAD(K)                                 \
  using E = typename Kind<K>::element;                           \
  using P = typename Kind<K>::palette;                           \
  using S = host_calls::S;                                       \
  using M = host_calls::M;                                       \
  using A = host_calls::A;                                       \
  static constexpr int kReaderFlag = Kind<K>::facts.reader_flag;

template <> struct HostCalls<1> {
  DLIST_HOST_CALLS_HEAD(1)
  static long cre_palette(const P& p, S* s, int* ex) { return cre_wallpalette(p, s, ex); }
  static int get_palette(long id, E* r, S* s) { return get_wallpal(id, r, s); }
  static long mod_palette(long id, E* r, S* s) { return ModWallPrototype(id, r, s); }
  static long cre_record(E* r, S* s, M* m, A* a) { return cre_wall(r, s, m, a, -1, 0); }
  static int mod_record(long id, E* r, S* s, M* m, A* a) { return mod_wall_prototype(id, r, s, m, a); }
  static long get_record(long id, E* r, S* s, M* m, A* a) { return get_id_wall(id, r, s, m, a); }
};
template <> struct HostCalls<2> {
  DLIST_HOST_CALLS_HEAD(2)
  static long cre_palette(const P& p, S* s, int* ex) { return cre_doorpalette(p, s, ex); }
  static int get_palette(long id, E* r, S* s) { return get_doorpal(id, r, s, kReaderFlag); }
  static long mod_palette(long id, E* r, S* s) { return ModDoorPrototype(id, r, s); }
  static long cre_record(E* r, S* s, M* m, A* a) { return cre_door(r, -1, s, m, a, 0); }
  static int mod_record(long id, E* r, S* s, M* m, A* a) { return mod_door_prototype(id, r, s, m, a); }
  static long get_record(long id, E* r, S* s, M* m, A* a) { return get_id_door(id, r, s, m, a); }
};
template <> struct HostCalls<3> {
  DLIST_HOST_CALLS_HEAD(3)
  static long cre_palette(const P& p, S* s, int* ex) { return cre_windpalette(p, s, ex); }
  static int get_palette(long id, E* r, S* s) { return get_windpal(id, r, s, kReaderFlag); }
  static long mod_palette(long id, E* r, S* s) { return ModWindPrototype(id, r, s); }
  static long cre_record(E* r, S* s, M* m, A* a) { return cre_wind(r, -1, s, m, a, 0); }
  static int mod_record(long id, E* r, S* s, M* m, A* a) { return mod_wind_prototype(id, r, s, m, a); }
  static long get_record(long id, E* r, S* s, M* m, A* a) { return get_id_wind(id, r, s, m, a); }
};
template <> struct HostCalls<4> {
  DLIST_HOST_CALLS_HEAD(4)
  static long cre_palette(const P& p, S* s, int* ex) { return cre_symbpalette(p, s, ex); }
  static int get_palette(long id, E* r, S* s) { return get_symbpal(id, r, s, kReaderFlag); }
  static long mod_palette(long id, E* r, S* s) { return ModSymbPrototype(id, r, s); }
  static long cre_record(E* r, S* s, M* m, A* a) { return cre_symb(r, s, m, a, -1, 0); }
  static int mod_record(long id, E* r, S* s, M* m, A* a) { return mod_symb_prototype(id, r, s, m, a); }
  static long get_record(long id, E* r, S* s, M* m, A* a) { return get_id_symb(id, r, s, m, a); }
};
template <> struct HostCalls<5> {
  DLIST_HOST_CALLS_HEAD(5)
  static long cre_palette(const P& p, S* s, int* ex) { return cre_staipalette(p, s, ex); }
  static int get_palette(long id, E* r, S* s) { return get_staipal(id, r, s, kReaderFlag); }
  static long mod_palette(long id, E* r, S* s) { return ModStaiPrototype(id, r, s); }
  static long cre_record(E* r, S* s, M* m, A* a) { return cre_stai(r, s, m, a, -1, 0); }
  static int mod_record(long id, E* r, S* s, M* m, A* a) { return mod_stai_prototype(id, r, s, m, a); }
  static long get_record(long id, E* r, S* s, M* m, A* a) { return get_id_stai(id, r, s, m, a); }
};
template <> struct HostCalls<6> {
  DLIST_HOST_CALLS_HEAD(6)
  static long cre_palette(const P& p, S* s, int* ex) { return cre_ceilpalette(p, s, ex); }
  static int get_palette(long id, E* r, S* s) { return get_ceilpal(id, r, s); }
  static long mod_palette(long id, E* r, S* s) { return ModCeilPrototype(id, r, s); }
  static long cre_record(E* r, S* s, M* m, A* a) { return cre_ceil(r, s, m, a, -1, 0); }
  static int mod_record(long id, E* r, S* s, M* m, A* a) { return mod_ceil_prototype(id, r, s, m, a); }
  static long get_record(long id, E* r, S* s, M* m, A* a) { return get_id_ceil(id, r, false, s, m, a); }
};
template <> struct HostCalls<7> {
  DLIST_HOST_CALLS_HEAD(7)
  static long cre_palette(const P& p, S* s, int* ex) { return cre_roofpalette(p, s, ex); }
  static int get_palette(long id, E* r, S* s) { return get_roofpal(id, r, s); }
  static long mod_palette(long id, E* r, S* s) { return ModRoofPrototype(id, r, s); }
  static long cre_record(E* r, S* s, M* m, A* a) { return cre_roof(r, s, m, a, -1, 0); }
  static int mod_record(long id, E* r, S* s, M* m, A* a) { return mod_roof_prototype(id, r, s, m, a); }
  static long get_record(long id, E* r, S* s, M* m, A* a) { return get_id_roof(id, r, false, s, m, a); }
};
template <> struct HostCalls<8> {
  DLIST_HOST_CALLS_HEAD(8)
  static long cre_palette(const P& p, S* s, int* ex) { return cre_parcpalette(p, s, ex); }
  static int get_palette(long id, E* r, S* s) { return get_parcpal(id, r, s); }
  static long mod_palette(long id, E* r, S* s) { return ModParcPrototype(id, r, s); }
  static long cre_record(E* r, S* s, M* m, A* a) { return cre_parc(r, s, m, a, 0, 0); }
  static int mod_record(long id, E* r, S* s, M* m, A* a) { return mod_parc_prototype(id, r, s, m, a); }
  static long get_record(long id, E* r, S* s, M* m, A* a) { return get_id_parc(id, r, false, s, m, a); }
};
template <> struct HostCalls<9> {
  DLIST_HOST_CALLS_HEAD(9)
  static long cre_palette(const P& p, S*, int* ex) { return cre_textpalette(p, ex); }
  static int get_palette(long id, E* r, S*) { return get_textpal(id, r); }
  static long mod_palette(long id, E* r, S*) { return ModTextPrototype(id, r); }
  static long cre_record(E* r, S*, M* m, A* a) { return cre_text(r, m, a, -1, 0); }
  static int mod_record(long id, E* r, S*, M* m, A* a) { return mod_text_prototype(id, r, m, a); }
  static long get_record(long id, E* r, S*, M* m, A* a) { return get_id_text(id, r, true, m, a); }
};
template <> struct HostCalls<10> {
  DLIST_HOST_CALLS_HEAD(10)
  static long cre_palette(const P& p, S*, int* ex) { return cre_rastpalette(p, ex); }
  static int get_palette(long id, E* r, S*) { return get_rastpal(id, r); }
  static long mod_palette(long id, E* r, S*) { return ModRastPrototype(id, r); }
  static long cre_record(E* r, S*, M* m, A* a) { return cre_rast(r, m, a, -1, 0); }
  static int mod_record(long id, E* r, S*, M* m, A* a) { return mod_rast_prototype(id, r, m, a); }
  static long get_record(long id, E* r, S*, M* m, A* a) { return get_id_rast(id, r, false, m, a); }
};
template <> struct HostCalls<11> {
  DLIST_HOST_CALLS_HEAD(11)
  static long cre_palette(const P& p, S*, int* ex) { return cre_linepalette(p, ex); }
  static int get_palette(long id, E* r, S*) { return get_linepal(id, r); }
  static long mod_palette(long id, E* r, S*) { return ModLinePrototype(id, r); }
  static long cre_record(E* r, S*, M* m, A* a) { return cre_line(r, m, a, -1, 0); }
  static int mod_record(long id, E* r, S*, M* m, A* a) { return mod_line_prototype(id, r, m, a); }
  static long get_record(long id, E* r, S*, M* m, A* a) { return get_id_line(id, r, m, a); }
};
template <> struct HostCalls<12> {
  DLIST_HOST_CALLS_HEAD(12)
  static long cre_palette(const P& p, S*, int* ex) { return cre_circpalette(p, ex); }
  static int get_palette(long id, E* r, S*) { return get_circpal(id, r); }
  static long mod_palette(long id, E* r, S*) { return ModCircPrototype(id, r); }
  static long cre_record(E* r, S*, M* m, A* a) { return cre_circ(r, m, a, -1, 0); }
  static int mod_record(long id, E* r, S*, M* m, A* a) { return mod_circ_prototype(id, r, m, a); }
  static long get_record(long id, E* r, S*, M* m, A* a) { return get_id_circ(id, r, m, a); }
};
template <> struct HostCalls<13> {
  DLIST_HOST_CALLS_HEAD(13)
  static long cre_palette(const P& p, S*, int* ex) { return cre_hotspalette(p, ex); }
  static int get_palette(long id, E* r, S*) { return get_hotspal(id, r); }
  static long mod_palette(long id, E* r, S*) { return ModHotsPrototype(id, r); }
  static long cre_record(E* r, S*, M* m, A* a) { return cre_hots(r, m, a, -1, 0); }
  static int mod_record(long id, E* r, S*, M* m, A* a) { return mod_hots_prototype(id, r, m, a); }
  static long get_record(long id, E* r, S*, M* m, A* a) { return get_id_hots(id, r, m, a); }
};
// clang-format on

#undef DLIST_HOST_CALLS_HEAD

}  // namespace dlist
