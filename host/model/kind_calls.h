// The per-kind calls of the model database, under the suite's names: palettes
// (`cre_<kind>palette`, `get_<kind>pal`, `get_<kind>palette`, `Mod<Kind>Prototype`)
// and stored element records (`cre_<kind>`, `mod_<kind>_prototype`,
// `get_id_<kind>`), for the 13 element kinds. Each call is written once, as a
// template over the kind (namespace dlist::model_calls); the suite's names are thin
// forwarders with the argument lists that the system passes.
//
// Palettes are kept as their exact images beside their surface sets (kinds 1 to 8);
// two palettes are equal when their kinds, their image bytes and their surface sets
// (same count, same entry bytes in the same order) are. Element records are kept as
// the bytes of their record streamer (a text as its 310-byte image and its string
// apart), with their surface sets and material and attribute chains in order.
//
// A null surface set or chain counts as an empty one when storing, is left as it
// stands when changing a record, and is not filled when reading. Readers fill the
// caller's record, set and chains only when the whole read succeeded; a damaged
// stored row is a failed read. The trailing host arguments of the creators and the
// flags of the readers (other than the text reader's) carry nothing here.
#pragma once

#include "dlist/api.h"
#include "foundation/element_kinds.h"
#include "foundation/records.h"

namespace dlist::model_calls {

template <int K>
using ElementOf = typename Kind<K>::element;
template <int K>
using PaletteOf = typename Kind<K>::palette;

// Stores a palette of kind K with its surface set (kinds 1 to 8; null for the
// others). When an equal palette is stored already, sets *existed and returns that
// palette. Returns the palette's identifier, 0 on failure.
template <int K>
long create_palette(const PaletteOf<K>& palette, const DBSURFREFTYPE* surf, int* existed);

// The identifier of the stored palette of kind K equal to palette and surf, 0 when
// there is none.
template <int K>
long find_palette(const PaletteOf<K>& palette, const DBSURFREFTYPE* surf);

// Fills the palette member of rec (and surf) from palette palid of kind K. 1 on
// success, 0 when there is no such palette of that kind or its row is damaged.
template <int K>
int read_palette(long palid, ElementOf<K>* rec, DBSURFREFTYPE* surf);

// Gives palette palid the settings of rec's palette member and surf. When they
// equal another stored palette, nothing changes and that palette's identifier is
// returned; otherwise the palette is changed in place and palid returned. 0 on
// failure (no such palette of kind K).
template <int K>
long change_palette(long palid, ElementOf<K>* rec, const DBSURFREFTYPE* surf);

// Stores an element record of kind K with its surface set (kinds 1 to 8) and
// chains. Returns the new record's identifier, 0 on failure.
template <int K>
long create_element(ElementOf<K>* rec, const DBSURFREFTYPE* surf, const DBMATREFCHAIN* mat,
                    const DBATTREFCHAIN* attr);

// Replaces stored record recid of kind K (null parts stay as stored). 1 on
// success, 0 otherwise.
template <int K>
int change_element(long recid, ElementOf<K>* rec, const DBSURFREFTYPE* surf,
                   const DBMATREFCHAIN* mat, const DBATTREFCHAIN* attr);

// Reads stored record recid of kind K into rec, surf, mat and attr (null ones are
// skipped); a text gets its string when with_text is set. Returns recid, 0 on
// failure (the caller's record, set and chains are then untouched).
template <int K>
long read_element(long recid, ElementOf<K>* rec, bool with_text, DBSURFREFTYPE* surf,
                  DBMATREFCHAIN* mat, DBATTREFCHAIN* attr);

}  // namespace dlist::model_calls

// ---- the suite's names ----------------------------------------------------------------
// `lk` is the kind's name in lower case (wall, door, ...), `Ck` as in function names
// (Wall, Door, ...), `E` and `P` its element and palette records.

// Kinds with a surface set (1 to 8).
#define DLIST_SURFACE_KINDS(X)                                                              \
  X(wall, Wall, DBWALLTYPE, DBWALLPALETTE)                                                  \
  X(door, Door, DBDOORTYPE, DBDOORPALETTE) X(wind, Wind, DBWINDTYPE, DBWINDPALETTE)         \
      X(symb, Symb, DBSYMBTYPE, DBSYMBPALETTE) X(stai, Stai, DBSTAITYPE, DBSTAIPALETTE)     \
          X(ceil, Ceil, DBCEILTYPE, DBCEILPALETTE) X(roof, Roof, DBROOFTYPE, DBROOFPALETTE) \
              X(parc, Parc, DBPARCTYPE, DBPARCPALETTE)
// Kinds without one (9 to 13).
#define DLIST_PLAIN_KINDS(X)                                                        \
  X(text, Text, DBTEXTTYPE, DBTEXTPALETTE)                                          \
  X(rast, Rast, DBRASTTYPE, DBRASTPALETTE) X(line, Line, DBLINETYPE, DBLINEPALETTE) \
      X(circ, Circ, DBCIRCTYPE, DBCIRCPALETTE) X(hots, Hots, DBHOTSTYPE, DBHOTSPALETTE)

// Palettes of kinds 1 to 8:
//   long cre_<lk>palette(const P& palette, DBSURFREFTYPE* surf, int* existed)
//   long get_<lk>palette(const P& palette, DBSURFREFTYPE* surf)   the equal one, or 0
//   long Mod<Ck>Prototype(long palid, E* rec, DBSURFREFTYPE* surf)
// and of kinds 9 to 13 the same without the surface set.
#define DLIST_DECLARE_SURFACE_PALETTE_CALLS(lk, Ck, E, P)                                \
  DLIST_API long cre_##lk##palette(const P& palette, DBSURFREFTYPE* surf, int* existed); \
  DLIST_API long get_##lk##palette(const P& palette, DBSURFREFTYPE* surf);               \
  DLIST_API long Mod##Ck##Prototype(long palid, E* rec, DBSURFREFTYPE* surf);
#define DLIST_DECLARE_PLAIN_PALETTE_CALLS(lk, Ck, E, P)             \
  DLIST_API long cre_##lk##palette(const P& palette, int* existed); \
  DLIST_API long get_##lk##palette(const P& palette);               \
  DLIST_API long Mod##Ck##Prototype(long palid, E* rec);
DLIST_SURFACE_KINDS(DLIST_DECLARE_SURFACE_PALETTE_CALLS)
DLIST_PLAIN_KINDS(DLIST_DECLARE_PLAIN_PALETTE_CALLS)
#undef DLIST_DECLARE_SURFACE_PALETTE_CALLS
#undef DLIST_DECLARE_PLAIN_PALETTE_CALLS

// Palette readers: 1 on success, 0 on failure. Doors, windows, symbols and stairs
// take a fourth argument, the host's flag.
DLIST_API int get_wallpal(long palid, DBWALLTYPE* rec, DBSURFREFTYPE* surf);
DLIST_API int get_doorpal(long palid, DBDOORTYPE* rec, DBSURFREFTYPE* surf, int flag);
DLIST_API int get_windpal(long palid, DBWINDTYPE* rec, DBSURFREFTYPE* surf, int flag);
DLIST_API int get_symbpal(long palid, DBSYMBTYPE* rec, DBSURFREFTYPE* surf, int flag);
DLIST_API int get_staipal(long palid, DBSTAITYPE* rec, DBSURFREFTYPE* surf, int flag);
DLIST_API int get_ceilpal(long palid, DBCEILTYPE* rec, DBSURFREFTYPE* surf);
DLIST_API int get_roofpal(long palid, DBROOFTYPE* rec, DBSURFREFTYPE* surf);
DLIST_API int get_parcpal(long palid, DBPARCTYPE* rec, DBSURFREFTYPE* surf);
DLIST_API int get_textpal(long palid, DBTEXTTYPE* rec);
DLIST_API int get_rastpal(long palid, DBRASTTYPE* rec);
DLIST_API int get_linepal(long palid, DBLINETYPE* rec);
DLIST_API int get_circpal(long palid, DBCIRCTYPE* rec);
DLIST_API int get_hotspal(long palid, DBHOTSTYPE* rec);

// Element record creators: the new identifier, 0 on failure. `a` and `b` are the
// host's trailing values (-1 and 0; 0 and 0 for parcels).
DLIST_API long cre_wall(DBWALLTYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                        DBATTREFCHAIN* attr, long a, long b);
DLIST_API long cre_door(DBDOORTYPE* rec, long a, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                        DBATTREFCHAIN* attr, long b);
DLIST_API long cre_wind(DBWINDTYPE* rec, long a, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                        DBATTREFCHAIN* attr, long b);
DLIST_API long cre_symb(DBSYMBTYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                        DBATTREFCHAIN* attr, long a, long b);
DLIST_API long cre_stai(DBSTAITYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                        DBATTREFCHAIN* attr, long a, long b);
DLIST_API long cre_ceil(DBCEILTYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                        DBATTREFCHAIN* attr, long a, long b);
DLIST_API long cre_roof(DBROOFTYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                        DBATTREFCHAIN* attr, long a, long b);
DLIST_API long cre_parc(DBPARCTYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                        DBATTREFCHAIN* attr, long a, long b);
DLIST_API long cre_text(DBTEXTTYPE* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, long a, long b);
DLIST_API long cre_rast(DBRASTTYPE* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, long a, long b);
DLIST_API long cre_line(DBLINETYPE* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, long a, long b);
DLIST_API long cre_circ(DBCIRCTYPE* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, long a, long b);
DLIST_API long cre_hots(DBHOTSTYPE* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, long a, long b);

// Element record changers: non-zero on success.
//   int mod_<lk>_prototype(long recid, E* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
//                          DBATTREFCHAIN* attr)            kinds 1 to 8
//   int mod_<lk>_prototype(long recid, E* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr)
#define DLIST_DECLARE_SURFACE_MOD(lk, Ck, E, P)                                                   \
  DLIST_API int mod_##lk##_prototype(long recid, E* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat, \
                                     DBATTREFCHAIN* attr);
#define DLIST_DECLARE_PLAIN_MOD(lk, Ck, E, P) \
  DLIST_API int mod_##lk##_prototype(long recid, E* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr);
DLIST_SURFACE_KINDS(DLIST_DECLARE_SURFACE_MOD)
DLIST_PLAIN_KINDS(DLIST_DECLARE_PLAIN_MOD)
#undef DLIST_DECLARE_SURFACE_MOD
#undef DLIST_DECLARE_PLAIN_MOD

// Element record readers: recid on success, 0 on failure. The flag of the text
// reader asks for the text's string; the other flags carry nothing.
DLIST_API long get_id_wall(long recid, DBWALLTYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                           DBATTREFCHAIN* attr);
DLIST_API long get_id_door(long recid, DBDOORTYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                           DBATTREFCHAIN* attr);
DLIST_API long get_id_wind(long recid, DBWINDTYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                           DBATTREFCHAIN* attr);
DLIST_API long get_id_symb(long recid, DBSYMBTYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                           DBATTREFCHAIN* attr);
DLIST_API long get_id_stai(long recid, DBSTAITYPE* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat,
                           DBATTREFCHAIN* attr);
DLIST_API long get_id_ceil(long recid, DBCEILTYPE* rec, bool flag, DBSURFREFTYPE* surf,
                           DBMATREFCHAIN* mat, DBATTREFCHAIN* attr);
DLIST_API long get_id_roof(long recid, DBROOFTYPE* rec, bool flag, DBSURFREFTYPE* surf,
                           DBMATREFCHAIN* mat, DBATTREFCHAIN* attr);
DLIST_API long get_id_parc(long recid, DBPARCTYPE* rec, bool flag, DBSURFREFTYPE* surf,
                           DBMATREFCHAIN* mat, DBATTREFCHAIN* attr);
DLIST_API long get_id_text(long recid, DBTEXTTYPE* rec, bool with_text, DBMATREFCHAIN* mat,
                           DBATTREFCHAIN* attr);
DLIST_API long get_id_rast(long recid, DBRASTTYPE* rec, bool flag, DBMATREFCHAIN* mat,
                           DBATTREFCHAIN* attr);
DLIST_API long get_id_line(long recid, DBLINETYPE* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr);
DLIST_API long get_id_circ(long recid, DBCIRCTYPE* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr);
DLIST_API long get_id_hots(long recid, DBHOTSTYPE* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr);
