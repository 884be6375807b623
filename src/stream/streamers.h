// The record streamers: small adapters that make the host's record types streamable.
// `Streamer<T>` wraps a record it does not own and streams it through the stream
// framework in either direction; `PalStreamer<T>` streams the leading members of the
// six element records that own an outline or a hotspot chain (the members in front
// of the palette). Palette and prototype exchange files are made of these encodings;
// per-type orders and widths are in docs/formats.md, "Record streams".
//
// Each record's fields are declared once, in record_fields.h: plain records travel
// member by member in the order of their images (little-endian, no padding), which
// is the same bytes as the image, and the exchange dump lists the same declaration. On input the owned
// blocks (text buffers, outlines, hotspot chains) are sized from the counts just
// read, after each count has been checked against its limit and the bytes left in
// the stream. Every failure - a short read, a failed write, a count that does not fit,
// memory that cannot be had - is thrown as dlist::StreamError; a record that was
// being read may then be partly filled.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "foundation/records.h"
#include "stream/stream.h"

// Streams one record of type T, not owned, through `io`: writes it to an output
// stream or fills it from an input stream. Constructed around the record for a single
// io() call.
template <class T>
class DLIST_API Streamer : public Streamable {
 public:
  explicit Streamer(T* object) : object_(object) {}
  explicit Streamer(T& object) : object_(&object) {}

  void io(Stream& s) override;

  T* object() const { return object_; }

 private:
  T* object_;
};

// Streams the members of an element record that precede its outline or hotspot chain
// and its palette. The outline's own header travels as zeros and counts that are
// discarded on input: the counts that size the outline come with the outline's
// streamer, which follows.
template <class T>
class DLIST_API PalStreamer : public Streamable {
 public:
  explicit PalStreamer(T* object) : object_(object) {}
  explicit PalStreamer(T& object) : object_(&object) {}

  void io(Stream& s) override;

  T* object() const { return object_; }

 private:
  T* object_;
};

namespace dlist {

// Limits of the counts and lengths that a reader accepts. A writer refuses the same
// (throws StreamError), so that no file is written that could not be read back.
inline constexpr uint32_t kMaxTextBufferBytes = 64u << 20;  // one text or embedded file
inline constexpr uint32_t kMaxHotspots = 1u << 20;          // hotspots of one element

}  // namespace dlist

// Each type's io() is defined in streamers.cpp; the list below is the set of types
// that have a streamer.
#define DLIST_STREAMED_TYPES(X)                                                \
  /* plain records, streamed as their images */                                \
  X(DBWALLTYPE)                                                                \
  X(DBDOORTYPE)                                                                \
  X(DBWINDTYPE)                                                                \
  X(DBLINETYPE)                                                                \
  X(DBCIRCTYPE)                                                                \
  X(DBHOTSTYPE)                                                                \
  X(DBWALLPALETTE)                                                             \
  X(DBDOORPALETTE)                                                             \
  X(DBWINDPALETTE)                                                             \
  X(DBSYMBPALETTE)                                                             \
  X(DBSTAIPALETTE)                                                             \
  X(DBCEILPALETTE)                                                             \
  X(DBROOFPALETTE)                                                             \
  X(DBPARCPALETTE)                                                             \
  X(DBRASTPALETTE)                                                             \
  X(DBTEXTPALETTE)                                                             \
  X(DBLINEPALETTE)                                                             \
  X(DBCIRCPALETTE)                                                             \
  X(DBHOTSPALETTE)                                                             \
  X(COORD3D)                                                                   \
  X(COORD2D)                                                                   \
  X(DBPOLYPOINT)                                                               \
  X(RECIDTYPE)                                                                 \
  X(DBSURFHATCH)                                                               \
  X(DBEDGEPALETTE)                                                             \
  /* the text record's 310-byte image (its string travels apart) */            \
  X(DBTEXTTYPE)                                                                \
  /* structured records */                                                     \
  X(TEXTBUFFER)                                                                \
  X(DBPALETTENODETYPE)                                                         \
  X(DBPROTOTYPENODE)                                                           \
  X(DBMATREF)                                                                  \
  X(DBATTREFTYPE)                                                              \
  X(DBPOLYGON)                                                                 \
  X(DBMULTIPOLYGON)                                                            \
  X(HOTSPOTCHAIN)                                                              \
  /* element records with owned parts: leading members, owned part, palette */ \
  X(DBCEILTYPE)                                                                \
  X(DBROOFTYPE)                                                                \
  X(DBRASTTYPE)                                                                \
  X(DBPARCTYPE)                                                                \
  X(DBSTAITYPE)                                                                \
  X(DBSYMBTYPE)

// The element records that have a PalStreamer.
#define DLIST_PAL_STREAMED_TYPES(X) \
  X(DBCEILTYPE)                     \
  X(DBROOFTYPE)                     \
  X(DBRASTTYPE)                     \
  X(DBPARCTYPE)                     \
  X(DBSTAITYPE)                     \
  X(DBSYMBTYPE)

#define DLIST_DECLARE_STREAMER(T)  \
  template <>                      \
  void Streamer<T>::io(Stream& s); \
  extern template class Streamer<T>;
#define DLIST_DECLARE_PAL_STREAMER(T) \
  template <>                         \
  void PalStreamer<T>::io(Stream& s); \
  extern template class PalStreamer<T>;

DLIST_STREAMED_TYPES(DLIST_DECLARE_STREAMER)
DLIST_PAL_STREAMED_TYPES(DLIST_DECLARE_PAL_STREAMER)

#undef DLIST_DECLARE_STREAMER
#undef DLIST_DECLARE_PAL_STREAMER

namespace dlist {

// The encoding of object through its Streamer.
template <class T>
std::vector<unsigned char> stream_out(T& object) {
  StreamOutputMemory out;
  Streamer<T>(&object).io(out);
  return out.take();
}

// The number of bytes that stream_out(object) gives, counted without writing them;
// throws StreamError for an encoding beyond 32 bits.
template <class T>
uint32_t streamed_size(T& object) {
  StreamSizer sizer;
  Streamer<T>(&object).io(sizer);
  if (sizer.size() > UINT32_MAX) throw StreamError("streamed record exceeds 4 GiB");
  return static_cast<uint32_t>(sizer.size());
}

// Fills object from bytes, which must hold exactly one encoding of it: a short block
// or bytes left over throw StreamError (object may then be partly filled).
template <class T>
void stream_in(T& object, std::span<const unsigned char> bytes) {
  StreamInputMemory in(bytes);
  Streamer<T>(&object).io(in);
  if (in.bytesLeft() != 0) {
    throw StreamError("streamed record followed by " + std::to_string(in.bytesLeft()) +
                      " unread bytes");
  }
}

}  // namespace dlist

// One attribute link record held for streaming: a copy of the record, streamed as
// its fields (Streamer<DBATTREFTYPE>).
class DLIST_API Streamable_DBATTREFTYPE : public Streamable {
 public:
  Streamable_DBATTREFTYPE() = default;
  explicit Streamable_DBATTREFTYPE(const DBATTREFTYPE& record) : record_(record) {}

  void io(Stream& s) override { Streamer<DBATTREFTYPE>(&record_).io(s); }

  DBATTREFTYPE& record() { return record_; }
  const DBATTREFTYPE& record() const { return record_; }

 private:
  DBATTREFTYPE record_;
};
