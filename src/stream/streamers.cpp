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

// Counts are refused by the helper that the declarations use too.
using dlist::out_of_memory;
using dlist::require_count;

template <class Coord>
void io_coord(Stream& s, Coord& v) {
  dlist::StreamFields f(s);
  dlist::fields(f, v);
}

// The element records with owned parts: leading members, owned part, palette.
template <class Record, class Owned, class Palette>
void io_element(Stream& s, Record& record, Owned& owned, Palette& palette) {
  PalStreamer<Record>(&record).io(s);
  Streamer<Owned>(&owned).io(s);
  Streamer<Palette>(&palette).io(s);
}

// ---- plain records, member by member as declared in record_fields.h ------------------

// A plain record's declared fields give exactly its image, so a record whose whole
// image fits travels as one block of bytes; one that does not (a short input) goes
// field by field, which refuses it at the field that is cut off.
template <class T>
bool transfer_image(Stream& s, T& record) {
  if constexpr (dlist::PlainRecord<T>) {
    if (s.isInput() && static_cast<StreamInput&>(s).bytesLeft() < sizeof(T)) return false;
    s.io(static_cast<void*>(&record), static_cast<int>(sizeof(T)));
    return true;
  } else {
    return false;
  }
}

}  // namespace

#define DLIST_DECLARED_STREAMER(T)           \
  template <>                                \
  void Streamer<T>::io(Stream& s) {          \
    if (transfer_image(s, *object_)) return; \
    dlist::StreamFields v(s);                \
    dlist::fields(v, *object_);              \
  }

DLIST_DECLARED_STREAMER(DBPOLYPOINT)
DLIST_DECLARED_STREAMER(DBSURFHATCH)
DLIST_DECLARED_STREAMER(DBEDGEPALETTE)
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

// The outlines and the hotspot chain are declared in record_fields.h, with the checks
// on their counts.
template <>
void Streamer<DBPOLYGON>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

template <>
void Streamer<DBMULTIPOLYGON>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
}

template <>
void Streamer<HOTSPOTCHAIN>::io(Stream& s) {
  dlist::StreamFields v(s);
  dlist::fields(v, *object_);
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
