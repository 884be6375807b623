// The io() of every record streamer. A record whose fields are declared in
// record_fields.h travels member by member through that declaration, which gives a
// plain packed record exactly its little-endian image; the outline points travel as
// their packed images. Counts read from a stream are checked against
// their limits and the bytes left before anything is sized from them.
#include "stream/streamers.h"

#include <string>

#include "foundation/record_image.h"
#include "stream/record_fields.h"

using dlist::StreamError;

namespace {

// ---- helpers ----------------------------------------------------------------------

// Refuses a length above cap in either direction (a writer must not make what no
// reader accepts) and, on input, one beyond the bytes left.
void require_length(Stream& s, uint64_t n, uint64_t cap, const char* what) {
  if (!s.isInput() && n > cap) {
    throw StreamError(std::string(what) + ": length " + std::to_string(n) + " exceeds the limit " +
                      std::to_string(cap));
  }
  dlist::require_bytes(s, n, cap, what);
}

// The same for count items of item_size bytes each.
void require_count(Stream& s, uint64_t count, uint64_t item_size, uint64_t cap, const char* what) {
  if (!s.isInput() && count > cap) {
    throw StreamError(std::string(what) + ": count " + std::to_string(count) +
                      " exceeds the limit " + std::to_string(cap));
  }
  dlist::require_items(s, count, item_size, cap, what);
}

[[noreturn]] void out_of_memory(const char* what, uint64_t n) {
  throw StreamError(std::string(what) + ": no memory for " + std::to_string(n) + " items");
}

template <class Coord>
void io_coord(Stream& s, Coord& v) {
  dlist::StreamFields f(s);
  dlist::fields(f, v);
}

// n points of an outline, one block of packed 20-byte images.
void io_points(Stream& s, DBPOLYPOINT* points, int n) {
  static_assert(dlist::is_plain_image_v<DBPOLYPOINT, 20>);
  if (n > 0) s.io(static_cast<void*>(points), n * static_cast<int>(sizeof(DBPOLYPOINT)));
}

// The element records with owned parts: leading members, owned part, palette.
template <class Record, class Owned, class Palette>
void io_element(Stream& s, Record& record, Owned& owned, Palette& palette) {
  PalStreamer<Record>(&record).io(s);
  Streamer<Owned>(&owned).io(s);
  Streamer<Palette>(&palette).io(s);
}

}  // namespace

// ---- plain records, member by member as declared in record_fields.h ------------------

#define DLIST_DECLARED_STREAMER(T) \
  template <>                      \
  void Streamer<T>::io(Stream& s) { \
    dlist::StreamFields v(s);      \
    dlist::fields(v, *object_);    \
  }

DLIST_DECLARED_STREAMER(DBPOLYPOINT)
DLIST_DECLARED_STREAMER(DBSURFHATCH)
DLIST_DECLARED_STREAMER(DBWALLTYPE)
DLIST_DECLARED_STREAMER(DBDOORTYPE)
DLIST_DECLARED_STREAMER(DBWINDTYPE)
DLIST_DECLARED_STREAMER(DBLINETYPE)
DLIST_DECLARED_STREAMER(DBCIRCTYPE)
DLIST_DECLARED_STREAMER(DBHOTSTYPE)
DLIST_DECLARED_STREAMER(DBWALLPALETTE)
DLIST_DECLARED_STREAMER(DBCEILPALETTE)
DLIST_DECLARED_STREAMER(DBROOFPALETTE)
DLIST_DECLARED_STREAMER(DBPARCPALETTE)
DLIST_DECLARED_STREAMER(DBRASTPALETTE)
DLIST_DECLARED_STREAMER(DBDOORPALETTE)
DLIST_DECLARED_STREAMER(DBWINDPALETTE)
DLIST_DECLARED_STREAMER(DBSYMBPALETTE)
DLIST_DECLARED_STREAMER(DBSTAIPALETTE)
DLIST_DECLARED_STREAMER(DBTEXTPALETTE)
DLIST_DECLARED_STREAMER(DBLINEPALETTE)
DLIST_DECLARED_STREAMER(DBCIRCPALETTE)
DLIST_DECLARED_STREAMER(DBHOTSPALETTE)

#undef DLIST_DECLARED_STREAMER

template <>
void Streamer<RECIDTYPE>::io(Stream& s) {
  dlist::StreamFields f(s);
  dlist::fields(f, *object_);
}

template <>
void Streamer<COORD2D>::io(Stream& s) {
  io_coord(s, *object_);
}

template <>
void Streamer<COORD3D>::io(Stream& s) {
  io_coord(s, *object_);
}

// The text record owns its string, which travels apart; reading a record clears it.
template <>
void Streamer<DBTEXTTYPE>::io(Stream& s) {
  if (s.isInput()) object_->zero_length();
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

// ---- structured records -----------------------------------------------------------

template <>
void Streamer<TEXTBUFFER>::io(Stream& s) {
  TEXTBUFFER& text = *object_;
  uint32_t n = text.size();
  if (!s.isInput()) require_length(s, n, dlist::kMaxTextBufferBytes, "text buffer");
  s.io(n);
  if (s.isInput()) {
    require_length(s, n, dlist::kMaxTextBufferBytes, "text buffer");
    if (text.allocate(n) == nullptr && n != 0) out_of_memory("text buffer", n);
  }
  if (n > 0) s.io(text.data(), static_cast<int>(n));
}

// The records whose fields are declared in record_fields.h.
template <>
void Streamer<DBPALETTENODETYPE>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, static_cast<dlist::TreeNode&>(*object_));
}

template <>
void Streamer<DBPROTOTYPENODE>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, static_cast<dlist::TreeNode&>(*object_));
}

template <>
void Streamer<DBMATREF>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

template <>
void Streamer<DBATTREFTYPE>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

template <>
void Streamer<DBPOLYGON>::io(Stream& s) {
  DBPOLYGON& p = *object_;
  short count = static_cast<short>(p.pontszam());
  int32_t attr = p.attr();
  s.io(count);
  s.io(attr);
  if (s.isInput()) {
    // A negative count reads as its unsigned 16 bits, above the limit.
    const uint16_t n = static_cast<uint16_t>(count);
    require_count(s, n, sizeof(DBPOLYPOINT), kMaxPolygonCount, "polygon point count");
    if (!p.set_size(n)) out_of_memory("polygon points", n);
    p.set_attr(attr);
  }
  io_points(s, p.points(), count);
}

template <>
void Streamer<DBMULTIPOLYGON>::io(Stream& s) {
  DBMULTIPOLYGON& m = *object_;
  short clips = static_cast<short>(m.clipszam());
  short points = static_cast<short>(m.pontszam());
  int32_t attr = m.attr();
  s.io(clips);
  s.io(points);
  s.io(attr);
  if (s.isInput()) {
    const uint16_t nclips = static_cast<uint16_t>(clips);
    const uint16_t npoints = static_cast<uint16_t>(points);
    require_count(s, nclips, 2, kMaxPolygonCount, "outline clip count");
    require_count(s, npoints, sizeof(DBPOLYPOINT), kMaxPolygonCount, "outline point count");
    const uint64_t indices = nclips > 0 ? nclips + 1u : 0u;
    dlist::require_bytes(s, indices * 2 + uint64_t{npoints} * sizeof(DBPOLYPOINT), UINT64_MAX,
                         "outline clip indices and points");
    if (!m.set_sizes(nclips, npoints)) out_of_memory("outline points", npoints);
    m.set_attr(attr);
  }
  for (int i = 0; i < m.clip_index_count(); ++i) s.io(m.clip(i));
  io_points(s, m.points(), m.pontszam());
}

template <>
void Streamer<HOTSPOTCHAIN>::io(Stream& s) {
  HOTSPOTCHAIN& chain = *object_;
  uint32_t n = chain.count();
  if (!s.isInput()) require_count(s, n, 3 * sizeof(double), dlist::kMaxHotspots, "hotspot count");
  s.io(n);
  if (s.isInput()) {
    require_count(s, n, 3 * sizeof(double), dlist::kMaxHotspots, "hotspot count");
    if (!chain.set_count(n)) out_of_memory("hotspots", n);
  }
  for (uint32_t i = 0; i < n; ++i) io_coord(s, chain[i]);
}

// ---- leading members of the element records with owned parts ------------------------
// They are declared in record_fields.h.

template <>
void PalStreamer<DBCEILTYPE>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

template <>
void PalStreamer<DBROOFTYPE>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

template <>
void PalStreamer<DBRASTTYPE>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

template <>
void PalStreamer<DBPARCTYPE>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

template <>
void PalStreamer<DBSTAITYPE>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

template <>
void PalStreamer<DBSYMBTYPE>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

// ---- element records with owned parts -----------------------------------------------

template <>
void Streamer<DBCEILTYPE>::io(Stream& s) {
  io_element(s, *object_, object_->outline, object_->palette);
}

template <>
void Streamer<DBROOFTYPE>::io(Stream& s) {
  io_element(s, *object_, object_->outline, object_->palette);
}

template <>
void Streamer<DBRASTTYPE>::io(Stream& s) {
  io_element(s, *object_, object_->outline, object_->palette);
}

template <>
void Streamer<DBPARCTYPE>::io(Stream& s) {
  io_element(s, *object_, object_->outline, object_->palette);
}

template <>
void Streamer<DBSTAITYPE>::io(Stream& s) {
  io_element(s, *object_, object_->hotspots, object_->palette);
}

template <>
void Streamer<DBSYMBTYPE>::io(Stream& s) {
  io_element(s, *object_, object_->hotspots, object_->palette);
}

// ---- the instantiations that the library exports --------------------------------------

#define DLIST_INSTANTIATE_STREAMER(T) template class Streamer<T>;
#define DLIST_INSTANTIATE_PAL_STREAMER(T) template class PalStreamer<T>;
DLIST_STREAMED_TYPES(DLIST_INSTANTIATE_STREAMER)
DLIST_PAL_STREAMED_TYPES(DLIST_INSTANTIATE_PAL_STREAMER)
#undef DLIST_INSTANTIATE_STREAMER
#undef DLIST_INSTANTIATE_PAL_STREAMER
