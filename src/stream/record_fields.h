// A record's fields, declared once. `fields(v, record)` names each member of a record
// in its stream order, and a visitor decides what a name means:
//
//   StreamFields  streams each value through a Stream in either direction and ignores
//                 the names; the record's Streamer<T>::io() is this visitor.
//   a listing     (the exchange dump's) shows each value under its name.
//
// A visitor provides
//   value(name, v)        a number (integral or floating), or an array of numbers
//   chars(name, field)    a fixed zero-terminated text field of N bytes
//   buffer(name, text)    a text buffer with its length
//   kind(name, k)         an element kind code (a listing also names the kind)
//   shown(name, get)      a value that only a listing sees, computed by get(); nothing
//                         travels for it
//   hidden(v)             a value that travels but is not listed (a number, a record
//                         with declared fields, or an array of either)
//   group(name, record)   a record with declared fields of its own, nested
//   property(name, get, set)
//                         a value held behind accessors: streamed through a copy,
//                         which set() stores on input
//   carried(get)          a value that travels, computed by get() on output and
//                         discarded on input; not listed
//   transposed(name, c)   an array of 2D points that travels as all its x values,
//                         then all its y values, and is listed as points
//   hidden(get, set)      a value that travels but is not listed, held behind
//                         accessors like a property
//   list(name, a, n)      an array whose every entry travels, of which a listing
//                         shows the first n (the ones in use)
//   list(name, n, shown, get, set)
//                         n entries of a packed array, entry i visited through a
//                         copy get(i) that set(i, x) stores on input; a listing
//                         shows the first `shown`
//   values(name, n, shown, names, get, set)
//                         n numbers of a packed array, entry i visited through a copy
//                         get(i) that set(i, x) stores on input; a listing shows the
//                         first `shown` under names[i] (unnamed when names is null or
//                         the listing does not know the record's kind yet)
//   deferred(block)       fields that travel here and are listed where
//                         place_deferred() stands
//   outline(name, o)      an element's outline where its header stands: the header
//                         travels there (its content follows the leading members),
//                         and a listing shows the whole outline there
//   counted(name, p, n)   the n entries at p of an array the record owns, sized
//                         before from counts that travelled in front of it: numbers
//                         one by one, records as one block of their packed images
//   input(step)           step(stream), run where it stands by a stream reading the
//                         record only: checks the counts just read against their caps
//                         and the bytes left, then sizes the record
//   output(step)          the same for a stream writing the record
// A record marked kListedInPlace (the hotspot chain) is listed as its own fields where
// it stands, not as a group of them.
// The declarations take the record const or not: a listing visits a const record.
#pragma once

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <string>
#include <type_traits>

#include "foundation/hotspot_chain.h"
#include "foundation/polygon.h"
#include "foundation/record_image.h"
#include "foundation/references.h"
#include "foundation/surfaces.h"
#include "foundation/tree_nodes.h"
#include "stream/streamers.h"

namespace dlist {

// Refuses a count of items of item_size bytes above cap, on output as well; on input
// also a count whose items exceed the bytes left. Called before anything is allocated.
inline void require_count(Stream& s, uint64_t count, uint64_t item_size, uint64_t cap,
                          const char* what) {
  if (!s.isInput() && count > cap) {
    throw StreamError(std::string(what) + ": count " + std::to_string(count) +
                      " exceeds the limit " + std::to_string(cap));
  }
  require_items(s, count, item_size, cap, what);
}

[[noreturn]] inline void out_of_memory(const char* what, uint64_t n) {
  throw StreamError(std::string(what) + ": no memory for " + std::to_string(n) + " items");
}

// A record listed as its own fields in place, not as a group of them.
template <class T>
inline constexpr bool kListedInPlace = false;

// R is T, const or not.
template <class R, class T>
concept RecordOf = std::same_as<std::remove_const_t<R>, T>;

// A member of a packed record (the plain records travel as packed images), which
// cannot be bound to a reference: visited through a copy that goes back into the
// record on input.
#define DLIST_PACKED_FIELD(v, r, member) \
  (v).property(#member, [&] { return (r).member; }, [&](const auto& x_) { (r).member = x_; })

template <class V, RecordOf<COORD2D> R>
void fields(V& v, R& p) {
  v.value("x", p.x);
  v.value("y", p.y);
}

template <class V, RecordOf<COORD3D> R>
void fields(V& v, R& p) {
  v.value("x", p.x);
  v.value("y", p.y);
  v.value("z", p.z);
}

template <class V, RecordOf<RECIDTYPE> R>
void fields(V& v, R& r) {
  DLIST_PACKED_FIELD(v, r, id);
  DLIST_PACKED_FIELD(v, r, type);
}

// The leading members of the element records with an outline: those in front of the
// outline's content and the palette, which travel after them.
template <class V, RecordOf<DBCEILTYPE> R>
void fields(V& v, R& r) {
  v.value("status", r.status);
  v.outline("outline", r.outline);
  v.value("elevation", r.elevation);
  v.group("hatch_origin", r.hatch_origin);
  v.value("frame_color", r.frame_color);
  v.value("frame_pen", r.frame_pen);
  v.value("frame_line_type", r.frame_line_type);
  v.value("show_frame", r.show_frame);
  v.value("hatch_kind", r.hatch_kind);
  v.value("show_2d", r.show_2d);
  v.value("show_3d", r.show_3d);
  v.hidden(r.reserved);
  v.group("recid", r.recid);
}

template <class V, RecordOf<DBROOFTYPE> R>
void fields(V& v, R& r) {
  v.value("status", r.status);
  v.outline("outline", r.outline);
  v.group("pivot_beg", r.pivot_beg);
  v.group("pivot_end", r.pivot_end);
  v.value("slope", r.slope);
  v.value("pivot_height", r.pivot_height);
  v.value("frame_color", r.frame_color);
  v.value("frame_pen", r.frame_pen);
  v.value("frame_line_type", r.frame_line_type);
  v.value("show_frame", r.show_frame);
  v.value("hatch_kind", r.hatch_kind);
  v.value("show_3d", r.show_3d);
  v.value("overhang", r.overhang);
  v.value("eaves_pen", r.eaves_pen);
  v.value("ridge_pen", r.ridge_pen);
  v.value("cut_pen", r.cut_pen);
  v.value("cut_line_type", r.cut_line_type);
  v.value("gutter", r.gutter);
  v.hidden(r.reserved);
  v.group("recid", r.recid);
}

template <class V, RecordOf<DBRASTTYPE> R>
void fields(V& v, R& r) {
  v.value("status", r.status);
  v.outline("outline", r.outline);
  v.group("origin", r.origin);
  v.value("origin_mode", r.origin_mode);
  v.group("box_min", r.box_min);
  v.group("box_max", r.box_max);
  v.value("frame_color", r.frame_color);
  v.value("frame_pen", r.frame_pen);
  v.value("frame_line_type", r.frame_line_type);
  v.value("show_frame", r.show_frame);
  v.value("hatch_kind", r.hatch_kind);
  v.hidden(r.reserved);
  v.group("recid", r.recid);
}

template <class V, RecordOf<DBPARCTYPE> R>
void fields(V& v, R& r) {
  v.value("status", r.status);
  v.value("number", r.number);
  v.group("origin", r.origin);
  v.group("axis", r.axis);
  v.value("area", r.area);
  v.value("perimeter", r.perimeter);
  v.group("label_pos", r.label_pos);
  v.value("label_flags", r.label_flags);
  v.hidden(r.box);  // computed by the host
  v.value("label_style", r.label_style);
  v.outline("outline", r.outline);
  v.value("frame_color", r.frame_color);
  v.value("frame_pen", r.frame_pen);
  v.value("elevation", r.elevation);
  v.value("frame_line_type", r.frame_line_type);
  v.value("show_frame", r.show_frame);
  v.value("show_label", r.show_label);
  v.group("recid", r.recid);
}

// The placement that stairs and symbols share, up to their own fields. On input each
// value held behind an accessor goes back through its setter, which recalculates the
// geometry.
template <class V, class R>
void placement_fields(V& v, R& e) {
  v.value("status", e.status);
  // The 16-bit hotspot count: written from the chain (saturated at 16 bits),
  // discarded on input, where the chain's own count follows the leading members.
  v.carried([&] { return static_cast<unsigned short>(std::min(e.hotspots.count(), 0xFFFFu)); });
  v.property("pos", [&] { return e.pos(); }, [&](const auto& p) { e.set_pos(p); });
  v.value("mirror_x", e.mirror_x);
  v.value("mirror_y", e.mirror_y);
  v.value("show_2d", e.show_2d);
  v.value("show_3d", e.show_3d);
  v.property("eltol", [&] { return e.eltol(); }, [&](const auto& p) { e.set_eltol(p); });
  v.property("xangle", [&] { return e.xangle(); }, [&](auto a) { e.set_xangle(a); });
  v.property("yangle", [&] { return e.yangle(); }, [&](auto a) { e.set_yangle(a); });
  v.property("zangle", [&] { return e.zangle(); }, [&](auto a) { e.set_zangle(a); });
  v.value("settings", e.settings);
}

// The leading members of a stair; its hotspots and palette travel after them.
template <class V, RecordOf<DBSTAITYPE> R>
void fields(V& v, R& r) {
  placement_fields(v, r);
  v.transposed("corners", r.corner);
  v.group("recid", r.recid);
  v.shown("hotspots", [&]() -> const HOTSPOTCHAIN& { return r.hotspots; });
}

// The leading members of a symbol; its hotspots and palette travel after them.
template <class V, RecordOf<DBSYMBTYPE> R>
void fields(V& v, R& r) {
  placement_fields(v, r);
  // In place of the plan extent, which is recomputed and never stored: four copies of
  // the 8 bytes that begin at the record identifier. The identifier that follows
  // supersedes them on input, and recid_tail keeps what the receiving record held.
  v.carried([&] {
    constexpr std::size_t kCopy = DBSYMBTYPE::kIdBlockSize;
    std::array<unsigned char, 4 * kCopy> block{};
    r.id_block(std::span<unsigned char, kCopy>(block.data(), kCopy));
    for (std::size_t i = 1; i < 4; ++i) std::memcpy(block.data() + i * kCopy, block.data(), kCopy);
    return block;
  });
  v.group("recid", r.recid);
  v.shown("recid_tail", [&] { return r.recid_tail; });
  v.shown("hotspots", [&]() -> const HOTSPOTCHAIN& { return r.hotspots; });
}

// The head that the palettes of walls, slabs, roofs, parcels, hatched areas and
// library parts begin with.
template <class V, class R>
  requires std::is_base_of_v<DBPALETTEHEAD, std::remove_const_t<R>>
void palette_head_fields(V& v, R& p) {
  v.value("layer", p.layer);
  v.value("contour_pen", p.contour_pen);
  v.value("line_type", p.line_type);
  v.value("fill_pen", p.fill_pen);
  v.value("fill_bg_pen", p.fill_bg_pen);
  DLIST_PACKED_FIELD(v, p, fill);
  v.value("section_pen", p.section_pen);
  v.value("view_pen", p.view_pen);
  v.value("flags", p.flags);
  v.hidden(p.reserved);
}

template <class V, RecordOf<RETEGEZESLAYER> R>
void fields(V& v, R& l) {
  DLIST_PACKED_FIELD(v, l, thickness);
  v.value("fill", l.fill);
  v.value("fill_pen", l.fill_pen);
}

template <class V, RecordOf<RETEGEZESBOUNDARY> R>
void fields(V& v, R& b) {
  v.value("pen", b.pen);
  v.value("line_type", b.line_type);
  v.value("flags", b.flags);
}

// A layer structure: every slot travels; a listing shows the layers in use and the
// boundaries between them.
template <class V, RecordOf<RETEGEZESTYPE> R>
void fields(V& v, R& r) {
  DLIST_PACKED_FIELD(v, r, count);
  const int used = r.used();
  v.list("layers", r.layer, used);
  v.list("boundaries", r.boundary, used > 0 ? used - 1 : 0);
}

// The palettes that hold a layer structure.
template <class V, class R>
  requires RecordOf<R, DBWALLPALETTE> || RecordOf<R, DBCEILPALETTE> || RecordOf<R, DBROOFPALETTE>
void fields(V& v, R& p) {
  palette_head_fields(v, p);
  v.group("retegezes", p.retegezes);
}

// The palettes that are their head alone.
template <class V, class R>
  requires RecordOf<R, DBPARCPALETTE> || RecordOf<R, DBRASTPALETTE>
void fields(V& v, R& p) {
  palette_head_fields(v, p);
}

// The names of the common parameter slots of each library part's palette.
template <class R>
inline constexpr const char* kCommonNames[kCommonParams] = {};
template <>
inline constexpr const char* kCommonNames<DBDOORPALETTE>[kCommonParams] = {
    "width",       "height",      "sill",           "reveal_depth",
    "frame_width", "frame_depth", "leaf_thickness", "opening_angle"};
template <>
inline constexpr const char* kCommonNames<DBWINDPALETTE>[kCommonParams] = {
    "width",       "height",      "sill",           "reveal_depth",
    "frame_width", "frame_depth", "sash_thickness", "head_height"};
template <>
inline constexpr const char* kCommonNames<DBSYMBPALETTE>[kCommonParams] = {
    "xsize", "ysize", "zsize", "elevation", "scale", "rotation", "slot6", "slot7"};
template <>
inline constexpr const char* kCommonNames<DBSTAIPALETTE>[kCommonParams] = {
    "width", "height", "length", "tread", "riser", "step_count", "nosing", "slab_thickness"};

// The palettes of doors, windows, symbols and stairs: the library part, its common
// parameters by slot and its own parameters, of which the ones in use are listed.
template <class V, class R>
  requires RecordOf<R, DBDOORPALETTE> || RecordOf<R, DBWINDPALETTE> ||
           RecordOf<R, DBSYMBPALETTE> || RecordOf<R, DBSTAIPALETTE>
void fields(V& v, R& p) {
  palette_head_fields(v, p);
  v.chars("origname", p.origname.name);
  v.values(
      "common", kCommonParams, kCommonParams, kCommonNames<std::remove_const_t<R>>,
      [&](int i) { return p.common[i]; }, [&](int i, auto x) { p.common[i] = x; });
  v.property(
      "param_count", [&] { return p.params.count; }, [&](auto n) { p.params.count = n; });
  v.values(
      "params", LIBPARAMS::kCapacity, p.params.used(), nullptr,
      [&](int i) { return p.params.value[i]; }, [&](int i, auto x) { p.params.value[i] = x; });
  v.hidden(p.reserved_tail);
}

// The palettes of texts, lines, circles and hotspots, member by member in the order
// of their images.
template <class V, RecordOf<DBTEXTPALETTE> R>
void fields(V& v, R& p) {
  v.value("layer", p.layer);
  v.value("pen", p.pen);
  v.value("style", p.style);
  v.value("frame", p.frame);
  v.chars("font", p.font);
  DLIST_PACKED_FIELD(v, p, justify);
  DLIST_PACKED_FIELD(v, p, height);
  DLIST_PACKED_FIELD(v, p, width_factor);
  DLIST_PACKED_FIELD(v, p, spacing);
  DLIST_PACKED_FIELD(v, p, codepage);
  v.hidden(p.reserved);
}

template <class V, RecordOf<DBLINEPALETTE> R>
void fields(V& v, R& p) {
  v.value("layer", p.layer);
  v.value("pen", p.pen);
  v.value("line_type", p.line_type);
  v.value("arrow_kind", p.arrow_kind);
  v.value("arrow_pen", p.arrow_pen);
  DLIST_PACKED_FIELD(v, p, width);
  DLIST_PACKED_FIELD(v, p, arrow_length);
  DLIST_PACKED_FIELD(v, p, arrow_width);
  DLIST_PACKED_FIELD(v, p, dash_scale);
  DLIST_PACKED_FIELD(v, p, elevation);
}

template <class V, RecordOf<DBCIRCPALETTE> R>
void fields(V& v, R& p) {
  v.value("layer", p.layer);
  v.value("pen", p.pen);
  v.value("line_type", p.line_type);
  v.value("fill_pen", p.fill_pen);
  v.value("fill_bg_pen", p.fill_bg_pen);
  DLIST_PACKED_FIELD(v, p, fill);
  DLIST_PACKED_FIELD(v, p, width);
  DLIST_PACKED_FIELD(v, p, dash_scale);
  DLIST_PACKED_FIELD(v, p, elevation);
  DLIST_PACKED_FIELD(v, p, fill_angle);
  DLIST_PACKED_FIELD(v, p, fill_scale);
}

template <class V, RecordOf<DBHOTSPALETTE> R>
void fields(V& v, R& p) {
  v.value("layer", p.layer);
  v.value("pen", p.pen);
  v.value("kind", p.kind);
  DLIST_PACKED_FIELD(v, p, size);
}

// The element records that travel as one image, their palette included.
template <class V, RecordOf<DBWALLTYPE> R>
void fields(V& v, R& r) {
  v.value("status", r.status);
  v.value("flags", r.flags);
  v.group("recid", r.recid);
  DLIST_PACKED_FIELD(v, r, beg);
  DLIST_PACKED_FIELD(v, r, end);
  DLIST_PACKED_FIELD(v, r, height);
  DLIST_PACKED_FIELD(v, r, base);
  DLIST_PACKED_FIELD(v, r, ref_offset);
  DLIST_PACKED_FIELD(v, r, arc_angle);
  // Sized from the type: std::size() would bind a reference to the packed member.
  constexpr std::size_t kCorners = std::extent_v<decltype(std::remove_const_t<R>::corner)>;
  v.list(
      "corners", kCorners, kCorners, [&](std::size_t i) { return r.corner[i]; },
      [&](std::size_t i, const auto& c) { r.corner[i] = c; });
  DLIST_PACKED_FIELD(v, r, storey);
  v.hidden(r.reserved);
  v.group("palette", r.palette);
}

// Doors and windows: their members as they stand (the dimension mode stored as mode
// + 3, all hotspot slots), listed with the dimension mode, the hotspots in use and
// the palette.
template <class V, class R>
void opening_fields(V& v, R& r) {
  v.value("status", r.status);
  v.value("flags", r.flags);
  v.group("recid", r.recid);
  DLIST_PACKED_FIELD(v, r, wall);
  DLIST_PACKED_FIELD(v, r, wall_pos);
  v.property("eltol", [&] { return r.eltol_; }, [&](const auto& x) { r.eltol_ = x; });
  v.property("xangle", [&] { return r.xangle_; }, [&](auto x) { r.xangle_ = x; });
  v.property("yangle", [&] { return r.yangle_; }, [&](auto x) { r.yangle_ = x; });
  v.property("zangle", [&] { return r.zangle_; }, [&](auto x) { r.zangle_ = x; });
  v.hidden(r.dim_mode_);
  v.shown("dim_mode", [&] { return r.DimOwnMode(); });
  v.property("ref_circle", [&] { return r.refcirc_; }, [&](auto x) { r.refcirc_ = x; });
  v.hidden([&] { return r.nhotspot_; }, [&](auto n) { r.nhotspot_ = n; });
  v.list(
      "hotspots", std::extent_v<decltype(std::remove_const_t<R>::hotspot_)>, static_cast<std::size_t>(r.nhotspot()),
      [&](std::size_t i) { return r.hotspot_[i]; },
      [&](std::size_t i, const auto& p) { r.hotspot_[i] = p; });
  v.group("palette", r.palette);
}

template <class V, class R>
  requires RecordOf<R, DBDOORTYPE> || RecordOf<R, DBWINDTYPE>
void fields(V& v, R& r) {
  opening_fields(v, r);
}

// The text record's image; its string travels apart. The text's placement travels in
// front of its box and is listed after it.
template <class V, class R>
void text_fields(V& v, R& r) {
  v.value("status", r.status);
  v.carried([] { return int32_t{0}; });  // the string pointer: zeros, skipped on input
  v.deferred([&] {
    v.value("tipus", r.tipus_);
    v.value("xalign", r.xalign_);
    v.value("yalign", r.yalign_);
    v.value("alignment", r.alignment_);
    v.value("pontszam", r.pontszam_);
    v.list("locations", r.loc_, DBTEXTTYPE::kLocations);
    v.group("tegla0", r.tegla_[0]);
    v.group("tegla1", r.tegla_[1]);
    v.group("klikk", r.klikk_);
  });
  v.value("angle", r.angle);
  v.value("width", r.width);
  v.value("height", r.height);
  v.group("recid", r.recid);
  v.value("line_count", r.line_count);
  v.place_deferred();
  v.hidden(r.reserved);
  v.group("palette", r.palette);
}

template <class V, RecordOf<DBTEXTTYPE> R>
void fields(V& v, R& r) {
  text_fields(v, r);
}

template <class V, RecordOf<DBLINETYPE> R>
void fields(V& v, R& r) {
  v.value("status", r.status);
  v.group("recid", r.recid);
  DLIST_PACKED_FIELD(v, r, beg);
  DLIST_PACKED_FIELD(v, r, end);
  v.value("flags", r.flags);
  DLIST_PACKED_FIELD(v, r, group);
  v.group("palette", r.palette);
}

// Stores the circle's kind as it was read (a template, so that a listing of a const
// circle never instantiates it).
template <class R, class K>
void set_circle_kind(R& r, K k) {
  r.set_fajta(static_cast<CIRCLE_TYPE>(k));
}

template <class V, RecordOf<DBCIRCTYPE> R>
void fields(V& v, R& r) {
  v.value("status", r.status);
  v.group("recid", r.recid);
  v.property(
      "fajta", [&] { return static_cast<uint8_t>(r.fajta()); },
      [&](auto k) { set_circle_kind(r, k); });
  DLIST_PACKED_FIELD(v, r, center);
  DLIST_PACKED_FIELD(v, r, radius);
  DLIST_PACKED_FIELD(v, r, ratio);
  DLIST_PACKED_FIELD(v, r, rotation);
  DLIST_PACKED_FIELD(v, r, beg_angle);
  DLIST_PACKED_FIELD(v, r, end_angle);
  DLIST_PACKED_FIELD(v, r, arc_beg);
  DLIST_PACKED_FIELD(v, r, arc_end);
  constexpr std::size_t kBox = std::extent_v<decltype(std::remove_const_t<R>::box)>;
  for (std::size_t i = 0; i < kBox; ++i) {  // computed by the host
    v.hidden([&] { return r.box[i]; }, [&](const auto& x) { r.box[i] = x; });
  }
  v.hidden(r.reserved);
  v.group("palette", r.palette);
}

template <class V, RecordOf<DBHOTSTYPE> R>
void fields(V& v, R& r) {
  v.value("status", r.status);
  v.group("recid", r.recid);
  DLIST_PACKED_FIELD(v, r, pos);
  DLIST_PACKED_FIELD(v, r, group);
  v.group("palette", r.palette);
}

// True for the element records whose declaration lists their palette; the others'
// palette travels after their declared members.
template <class R>
inline constexpr bool kDeclaresPalette = false;
template <>
inline constexpr bool kDeclaresPalette<DBWALLTYPE> = true;
template <>
inline constexpr bool kDeclaresPalette<DBTEXTTYPE> = true;
template <>
inline constexpr bool kDeclaresPalette<DBDOORTYPE> = true;
template <>
inline constexpr bool kDeclaresPalette<DBWINDTYPE> = true;
template <>
inline constexpr bool kDeclaresPalette<DBLINETYPE> = true;
template <>
inline constexpr bool kDeclaresPalette<DBHOTSTYPE> = true;
template <>
inline constexpr bool kDeclaresPalette<DBCIRCTYPE> = true;

// A surface entry: its name and two hatch blocks.
template <class V, RecordOf<DBSURFHATCH> R>
void fields(V& v, R& e) {
  v.chars("name", e.name);
  v.value("name_flags", e.name_flags);
  v.values(
      "hatch1", 5, 5, nullptr, [&](int i) { return e.hatch1[i]; },
      [&](int i, auto x) { e.hatch1[i] = x; });
  DLIST_PACKED_FIELD(v, e, name_index);
  v.value("type", e.type);
  v.values(
      "hatch2", 5, 5, nullptr, [&](int i) { return e.hatch2[i]; },
      [&](int i, auto x) { e.hatch2[i] = x; });
  v.value("last_flags", e.last_flags);
}

// One point of an outline (outlines stream their points as one block of these images).
template <class V, RecordOf<DBPOLYPOINT> R>
void fields(V& v, R& p) {
  DLIST_PACKED_FIELD(v, p, x);
  DLIST_PACKED_FIELD(v, p, y);
  DLIST_PACKED_FIELD(v, p, flags);
}

// A simple polygon: its point count and attribute, then its points.
template <class V, RecordOf<DBPOLYGON> R>
void fields(V& v, R& p) {
  short count = static_cast<short>(p.pontszam());
  int32_t attr = p.attr();
  v.value("point_count", count);
  v.value("attr", attr);
  v.input([&](auto& s) {
    // A negative count reads as its unsigned 16 bits, above the limit.
    const uint16_t n = static_cast<uint16_t>(count);
    require_count(s, n, sizeof(DBPOLYPOINT), kMaxPolygonCount, "polygon point count");
    if constexpr (!std::is_const_v<R>) {  // a listing never reads
      if (!p.set_size(n)) out_of_memory("polygon points", n);
      p.set_attr(attr);
    }
  });
  v.counted("points", p.points(), p.pontszam());
}

// A polygon with holes: its clip and point counts and its attribute, then the clip
// indices (one more than the clips) and the points. The attribute is listed last.
template <class V, RecordOf<DBMULTIPOLYGON> R>
void fields(V& v, R& m) {
  short clips = static_cast<short>(m.clipszam());
  short points = static_cast<short>(m.pontszam());
  int32_t attr = m.attr();
  v.value("clip_count", clips);
  v.value("point_count", points);
  v.deferred([&] { v.value("attr", attr); });
  v.input([&](auto& s) {
    const uint16_t nclips = static_cast<uint16_t>(clips);
    const uint16_t npoints = static_cast<uint16_t>(points);
    require_count(s, nclips, 2, kMaxPolygonCount, "outline clip count");
    require_count(s, npoints, sizeof(DBPOLYPOINT), kMaxPolygonCount, "outline point count");
    const uint64_t indices = nclips > 0 ? nclips + 1u : 0u;
    require_bytes(s, indices * 2 + uint64_t{npoints} * sizeof(DBPOLYPOINT), UINT64_MAX,
                  "outline clip indices and points");
    if constexpr (!std::is_const_v<R>) {
      if (!m.set_sizes(nclips, npoints)) out_of_memory("outline points", npoints);
      m.set_attr(attr);
    }
  });
  v.counted("clips", m.clips(), m.clip_index_count());
  v.counted("points", m.points(), m.pontszam());
  v.place_deferred();
}

// A hotspot chain: its count, then its points; listed as the points alone.
template <>
inline constexpr bool kListedInPlace<HOTSPOTCHAIN> = true;

template <class V, RecordOf<HOTSPOTCHAIN> R>
void fields(V& v, R& chain) {
  uint32_t n = chain.count();
  v.output([&](auto& s) { require_count(s, n, 3 * sizeof(double), kMaxHotspots, "hotspot count"); });
  v.hidden(n);
  v.input([&](auto& s) {
    require_count(s, n, 3 * sizeof(double), kMaxHotspots, "hotspot count");
    if constexpr (!std::is_const_v<R>) {
      if (!chain.set_count(n)) out_of_memory("hotspots", n);
    }
  });
  v.list(
      "hotspots", n, n, [&](std::size_t i) { return chain[static_cast<unsigned>(i)]; },
      [&](std::size_t i, const auto& x) { chain[static_cast<unsigned>(i)] = x; });
}

// The tree nodes of both trees: level, kind, name, description, last.
template <class V, RecordOf<TreeNode> R>
void fields(V& v, R& n) {
  v.value("level", n.level);
  v.kind("kind", n.kind);
  v.chars("name", n.name);
  v.buffer("description", n.description);
  v.value("last", n.last);
}

// A material reference.
template <class V, RecordOf<DBMATREF> R>
void fields(V& v, R& m) {
  v.buffer("code", m.code);
  v.value("quantity", m.quantity);
  v.shown("automatic", [&] { return m.is_auto_quantity() ? 1 : 0; });
  v.value("location", m.location);
  v.chars("parameter", m.parameter);
  v.value("reserved", m.reserved);
}

// An attribute reference.
template <class V, RecordOf<DBATTREFTYPE> R>
void fields(V& v, R& a) {
  v.chars("name", a.name);
  v.value("flags", a.flags);
  v.chars("abbrev", a.abbrev);
  v.value("reference", a.reference);
  v.buffer("value", a.value);
  v.value("reserved", a.reserved);
}

// The preset of one edge: its 27-byte image.
template <class V, RecordOf<DBEDGEPALETTE> R>
void fields(V& v, R& e) {
  v.value("layer", e.layer);
  v.value("pen", e.pen);
  v.value("line_type", e.line_type);
  v.value("fill_pen", e.fill_pen);
  v.value("section_pen", e.section_pen);
  v.value("view_pen", e.view_pen);
  DLIST_PACKED_FIELD(v, e, angle);
  v.value("edge_kind", e.edge_kind);
  v.value("custom_angle", e.custom_angle);
  v.value("custom_overhang", e.custom_overhang);
  v.value("gutter", e.gutter);
  v.value("flags", e.flags);
  DLIST_PACKED_FIELD(v, e, overhang);
}

// Streams the declared fields through a stream; the names are not used.
class StreamFields {
 public:
  explicit StreamFields(Stream& s) : s_(s) {}

  template <class T>
  void value(const char*, T& v) {
    hidden(v);
  }
  template <std::size_t N>
  void chars(const char*, char (&field)[N]) {
    s_.io(field, static_cast<int>(N));
  }
  void buffer(const char*, TEXTBUFFER& text) { Streamer<TEXTBUFFER>(&text).io(s_); }
  template <class T>
  void kind(const char*, T& k) {
    s_.io(k);
  }
  template <class Get>
  void shown(const char*, Get&&) {}
  template <class T>
  void hidden(T& v) {
    if constexpr (std::is_arithmetic_v<T>) {
      s_.io(v);
    } else if constexpr (std::is_array_v<T> && std::rank_v<T> == 1 &&
                         std::is_arithmetic_v<std::remove_extent_t<T>> &&
                         sizeof(std::remove_extent_t<T>) == 1 &&
                         !std::is_same_v<std::remove_cv_t<std::remove_extent_t<T>>, bool>) {
      s_.io(static_cast<void*>(v), static_cast<int>(sizeof v));  // bytes travel as they are
    } else if constexpr (std::is_array_v<T>) {
      for (auto& e : v) hidden(e);
    } else if constexpr (requires { v.size(); v.data(); }) {  // std::array of bytes
      s_.io(v.data(), static_cast<int>(v.size()));
    } else {
      fields(*this, v);
    }
  }
  template <class T>
  void group(const char*, T& record) {
    fields(*this, record);
  }
  template <class Get, class Set>
  void property(const char*, Get&& get, Set&& set) {
    auto v = get();
    hidden(v);
    if (s_.isInput()) set(v);
  }
  template <class Get, class Set>
  void hidden(Get&& get, Set&& set) {
    property(nullptr, get, set);
  }
  template <class Get>
  void carried(Get&& get) {
    auto v = get();
    hidden(v);
  }
  template <class T, std::size_t N>
  void list(const char*, T (&entries)[N], int) {
    for (T& e : entries) fields(*this, e);
  }
  template <class Get, class Set>
  void list(const char*, std::size_t n, std::size_t, Get&& get, Set&& set) {
    for (std::size_t i = 0; i < n; ++i) {
      auto e = get(i);
      hidden(e);
      if (s_.isInput()) set(i, e);
    }
  }
  template <class Get, class Set>
  void values(const char*, int n, int, const char* const*, Get&& get, Set&& set) {
    for (int i = 0; i < n; ++i) {
      auto e = get(i);
      s_.io(e);
      if (s_.isInput()) set(i, e);
    }
  }
  template <class Block>
  void deferred(Block&& block) {
    block();
  }
  void place_deferred() {}
  template <class Step>
  void input(Step&& step) {
    if (s_.isInput()) step(s_);
  }
  template <class Step>
  void output(Step&& step) {
    if (!s_.isInput()) step(s_);
  }
  template <class T>
  void counted(const char*, T* entries, int n) {
    if (n <= 0) return;
    if constexpr (std::is_arithmetic_v<T>) {
      for (int i = 0; i < n; ++i) s_.io(entries[i]);
    } else {
      static_assert(is_plain_image_v<T, sizeof(T)>);
      s_.io(static_cast<void*>(entries), n * static_cast<int>(sizeof(T)));
    }
  }
  template <std::size_t N>
  void transposed(const char*, COORD2D (&points)[N]) {
    for (COORD2D& p : points) s_.io(p.x);
    for (COORD2D& p : points) s_.io(p.y);
  }

  // The header that stands for an embedded polygon with holes: the two pointer slots
  // and the trailing member as zeros, the clip and point counts as they stand. What
  // is read for it is discarded; the outline's own streamer, which follows the
  // leading members, brings the counts that size it.
  void outline(const char*, const DBMULTIPOLYGON& o) {
    int32_t clips_slot = 0, points_slot = 0, trailing = 0;
    short clips = static_cast<short>(o.clipszam());
    short points = static_cast<short>(o.pontszam());
    s_.io(clips_slot);
    s_.io(points_slot);
    s_.io(clips);
    s_.io(points);
    s_.io(trailing);
  }
  // The same for a simple polygon: its point count, then its 32-bit member and its
  // pointer slot as zeros.
  void outline(const char*, const DBPOLYGON& o) {
    short points = static_cast<short>(o.pontszam());
    int32_t trailing = 0, points_slot = 0;
    s_.io(points);
    s_.io(trailing);
    s_.io(points_slot);
  }

 private:
  Stream& s_;
};

}  // namespace dlist
