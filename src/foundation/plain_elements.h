// The element records that are plain (no pointer, no owned part) and so are stored
// as their memory image in prototype files: walls (426 bytes), doors and windows
// (1669), lines (87), circles (208) and hotspots (46). Each begins with a state byte
// of the host and ends with its palette; layouts in docs/formats.md, "Record images".
//
// Members read and written through accessors with a rule of their own are private;
// the others are public. Vector members may lie at any address: they are read and
// written by value.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "foundation/geometry.h"
#include "foundation/palettes.h"
#include "foundation/record_id.h"
#include "foundation/record_image.h"
#include "foundation/type_codes.h"

// The kind of a circle record, held in one byte.
enum CIRCLE_TYPE {
  CIRCLE_FULL = 0,   // full circle
  CIRCLE_ARC = 1,    // arc of a circle
  ELLIPSE_FULL = 2,  // full ellipse
  ELLIPSE_ARC = 3,   // arc of an ellipse
};

#pragma pack(push, 1)

// ---- walls ------------------------------------------------------------------------

struct DBWALLTYPE {
  static constexpr std::size_t kImageSize = 426;
  static constexpr short rttype() { return RT_WALL; }

  uint8_t status = 0;          // state byte of the host (selection and deletion marks)
  uint8_t flags = 0;           // bit 0 mirrored, bit 1 szerk_valid, bits 2..7 the szerk flags
  RECIDTYPE recid;             // the record's identifier
  COORD2D beg;                 // start of the reference line
  COORD2D end;                 // end of the reference line
  double height = 0.0;         // height of the wall
  double base = 0.0;           // elevation of the wall's base above its storey
  double ref_offset = 0.0;     // distance of the reference line from the wall's first face
  double arc_angle = 0.0;      // central angle of a curved wall, 0 for a straight one
  COORD2D corner[4];           // outline corners computed by the host
  int32_t storey = 0;          // storey record identifier
  uint8_t reserved[169] = {};  // kept as they stand
  DBWALLPALETTE palette;       // the wall's presets

  int mirrored() const { return flags & 1; }
  void set_mirrored(int on) { set_bit(0, on); }
  int szerk_valid() const { return (flags >> 1) & 1; }
  void set_szerk_valid(int on) { set_bit(1, on); }

  // The six flags of bits 2 to 7, the first in bit 2; each is 0 or 1.
  void szerk_flags(int* f1, int* f2, int* f3, int* f4, int* f5, int* f6) const {
    int* out[6] = {f1, f2, f3, f4, f5, f6};
    for (int i = 0; i < 6; ++i)
      if (out[i]) *out[i] = (flags >> (2 + i)) & 1;
  }
  // Sets bits 2 to 7 from six flags (non-zero sets the bit); bits 0 and 1 stay.
  void set_szerk_flags(int f1, int f2, int f3, int f4, int f5, int f6) {
    const int in[6] = {f1, f2, f3, f4, f5, f6};
    uint8_t bits = flags & 3;
    for (int i = 0; i < 6; ++i)
      if (in[i]) bits |= static_cast<uint8_t>(1u << (2 + i));
    flags = bits;
  }

  bool full_copy(const DBWALLTYPE& source) {
    *this = source;
    return true;
  }

 private:
  void set_bit(int bit, int on) {
    flags = static_cast<uint8_t>(on ? (flags | (1u << bit)) : (flags & ~(1u << bit)));
  }
};

// ---- doors and windows ------------------------------------------------------------

namespace dlist {

// The members shared by doors and windows, which differ only in their palette.
template <class Palette, class CommonParam>
struct OpeningRecord {
  static constexpr std::size_t kImageSize = 1669;
  static constexpr int kMaxHotspots = 30;

  uint8_t status = 0;     // state byte of the host
  uint8_t flags = 0;      // mirroring and opening-side bits of the host
  RECIDTYPE recid;        // the record's identifier
  int32_t wall = 0;       // record identifier of the wall that holds the opening
  double wall_pos = 0.0;  // position along the wall's reference line

 private:
  COORD3D eltol_;                  // offset vector of the library part
  double xangle_ = 0.0;            // rotation about x
  double yangle_ = 0.0;            // rotation about y
  double zangle_ = 0.0;            // rotation about z
  int8_t dim_mode_ = 3;            // dimension mode, stored as mode + 3
  double refcirc_ = 0.0;           // reference circle radius; negative when divided
  int16_t nhotspot_ = 0;           // hotspots in use, at most kMaxHotspots
  COORD3D hotspot_[kMaxHotspots];  // 3D hotspots of the opening

  // The declaration of the record's fields, which streams every member as it stands.
  template <class V, class R>
  friend void opening_fields(V& v, R& r);

 public:
  Palette palette;  // the opening's presets

  COORD3D eltol() const { return eltol_; }
  void set_eltol(const COORD3D& v) { eltol_ = v; }
  double xangle() const { return xangle_; }
  double yangle() const { return yangle_; }
  double zangle() const { return zangle_; }
  void set_xangle(double a) { xangle_ = a; }
  void set_yangle(double a) { yangle_ = a; }
  void set_zangle(double a) { zangle_ = a; }

  // The dimension mode is stored as m + 3 and read back as stored - 3.
  char DimOwnMode() const { return static_cast<char>(dim_mode_ - 3); }
  void SetDimOwnMode(char m) { dim_mode_ = static_cast<int8_t>(m + 3); }
  // The stored mode byte itself.
  int8_t dim_mode_stored() const { return dim_mode_; }

  // The reference circle radius is the absolute value of one stored double whose
  // sign is the divided flag (a zero radius reads as not divided).
  double RefCircRadius() const { return std::fabs(refcirc_); }
  // Stores |r|, negated when the stored value was below 0.
  void SetRefCircRadius(double r) { refcirc_ = refcirc_ < 0.0 ? -std::fabs(r) : std::fabs(r); }
  bool IsRefCircDivided() const { return refcirc_ < 0.0; }
  // Stores the absolute value, negated when divided.
  void SetRefCircDivided(bool divided) {
    refcirc_ = divided ? -std::fabs(refcirc_) : std::fabs(refcirc_);
  }
  // The stored signed value itself.
  double refcirc_stored() const { return refcirc_; }

  // Hotspots: the count (a stored count outside 0..kMaxHotspots is clamped) and
  // hotspot i; an index outside the count reads (0, 0, 0) and writes nothing.
  int nhotspot() const {
    return nhotspot_ < 0 ? 0 : (nhotspot_ > kMaxHotspots ? kMaxHotspots : nhotspot_);
  }
  void set_nhotspot(int n) {
    nhotspot_ = static_cast<int16_t>(n < 0 ? 0 : (n > kMaxHotspots ? kMaxHotspots : n));
  }
  COORD3D hotspot(int i) const { return i >= 0 && i < nhotspot() ? hotspot_[i] : COORD3D(); }
  void set_hotspot(int i, const COORD3D& p) {
    if (i >= 0 && i < nhotspot()) hotspot_[i] = p;
  }

  // The library part's parameters, through the palette.
  double param(int i) const { return palette.param(i); }
  bool set_param(int i, double v) { return palette.set_param(i, v); }
  double common_param(CommonParam id) const { return palette.common_param(id); }
  bool set_common_param(CommonParam id, double v) { return palette.set_common_param(id, v); }
};

}  // namespace dlist

struct DBDOORTYPE : dlist::OpeningRecord<DBDOORPALETTE, DOOR_COMMON_PARAM> {
  static constexpr short streamedtype() { return ST_DBDOORTYPE; }
  static constexpr short rttype() { return RT_DOOR; }

  bool full_copy(const DBDOORTYPE& source) {
    *this = source;
    return true;
  }
};

struct DBWINDTYPE : dlist::OpeningRecord<DBWINDPALETTE, WIND_COMMON_PARAM> {
  static constexpr short streamedtype() { return ST_DBWINDTYPE; }
  static constexpr short rttype() { return RT_WIND; }

  bool full_copy(const DBWINDTYPE& source) {
    *this = source;
    return true;
  }
};

// ---- lines ------------------------------------------------------------------------

struct DBLINETYPE {
  static constexpr std::size_t kImageSize = 87;
  static constexpr short rttype() { return RT_LINE; }
  static constexpr int32_t let_type() { return LET_LINE; }

  uint8_t status = 0;     // state byte of the host
  RECIDTYPE recid;        // the record's identifier
  COORD2D beg;            // start point
  COORD2D end;            // end point
  uint8_t flags = 0;      // drawing flags of the host
  int16_t group = 0;      // group number of the host, 0 for none
  DBLINEPALETTE palette;  // the line's presets

  bool full_copy(const DBLINETYPE& source) {
    *this = source;
    return true;
  }
};

// ---- circles ----------------------------------------------------------------------

struct DBCIRCTYPE {
  static constexpr std::size_t kImageSize = 208;
  static constexpr short streamedtype() { return ST_DBCIRCTYPE; }
  static constexpr short rttype() { return RT_CIRC; }
  static constexpr int32_t let_type() { return LET_CIRC; }

  uint8_t status = 0;  // state byte of the host
  RECIDTYPE recid;     // the record's identifier

 private:
  uint8_t fajta_ = CIRCLE_FULL;  // CIRCLE_TYPE

 public:
  COORD2D center;             // centre
  double radius = 0.0;        // radius (of an ellipse: along its first axis)
  double ratio = 1.0;         // ellipse: second axis over the first
  double rotation = 0.0;      // direction of the first axis
  double beg_angle = 0.0;     // arcs: start angle
  double end_angle = 0.0;     // arcs: end angle
  COORD2D arc_beg;            // arcs: start point, computed by the host
  COORD2D arc_end;            // arcs: end point, computed by the host
  COORD2D box[2];             // bounding box, computed by the host
  uint8_t reserved[33] = {};  // kept as they stand
  DBCIRCPALETTE palette;      // the circle's presets

  CIRCLE_TYPE fajta() const { return static_cast<CIRCLE_TYPE>(fajta_); }
  void set_fajta(CIRCLE_TYPE t) { fajta_ = static_cast<uint8_t>(t); }

  bool full_copy(const DBCIRCTYPE& source) {
    *this = source;
    return true;
  }
};

// ---- hotspots ---------------------------------------------------------------------

struct DBHOTSTYPE {
  static constexpr std::size_t kImageSize = 46;
  static constexpr short streamedtype() { return ST_DBHOTSTYPE; }
  static constexpr short rttype() { return RT_HOTS; }
  static constexpr int32_t let_type() { return LET_HOTS; }

  uint8_t status = 0;     // state byte of the host
  RECIDTYPE recid;        // the record's identifier
  COORD3D pos;            // position of the hotspot
  int32_t group = 0;      // group identifier of the host, 0 for none
  DBHOTSPALETTE palette;  // the hotspot's presets

  bool full_copy(const DBHOTSTYPE& source) {
    *this = source;
    return true;
  }
};

#pragma pack(pop)

static_assert(dlist::PlainRecord<DBWALLTYPE>);
static_assert(dlist::PlainRecord<DBDOORTYPE>);
static_assert(dlist::PlainRecord<DBWINDTYPE>);
static_assert(dlist::PlainRecord<DBLINETYPE>);
static_assert(dlist::PlainRecord<DBCIRCTYPE>);
static_assert(dlist::PlainRecord<DBHOTSTYPE>);
