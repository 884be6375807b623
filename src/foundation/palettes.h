// The palette records of the 13 element kinds (`DB<KIND>PALETTE`): the presets of
// one element kind, embedded in its element record and stored as they stand in
// palette files (`BLOCK_PALETTE`; layouts in docs/formats.md, "Record images").
//
// Every palette is a plain byte-packed struct whose size is its image size, and
// every palette begins with its layer byte. Palettes compare by their bytes.
// Fields that hold a `double` may lie at any address: copy them out by value.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/layer_structure.h"
#include "foundation/library_params.h"
#include "foundation/record_image.h"
#include "foundation/type_codes.h"

#pragma pack(push, 1)

// The drawing settings that open the area palettes (walls, ceilings, roofs, parcels,
// rasters, and the library part palettes).
struct DBPALETTEHEAD {
  uint8_t layer = 1;         // layer number 1..255
  uint8_t contour_pen = 1;   // pen of the contour lines
  uint8_t line_type = 1;     // line type of the contour lines
  uint8_t fill_pen = 1;      // pen of the fill pattern
  uint8_t fill_bg_pen = 0;   // background pen of the fill, 0 for transparent
  int16_t fill = 0;          // fill pattern index, 0 for none
  uint8_t section_pen = 1;   // pen of cut lines in sections
  uint8_t view_pen = 1;      // pen of lines seen in views
  uint8_t flags = 0;         // drawing flags of the host
  uint8_t reserved[4] = {};  // kept as they stand
};

static_assert(sizeof(DBPALETTEHEAD) == 14, "the palette head is 14 bytes");

// Walls, ceilings and roofs: the drawing settings and the layer structure.
struct DBWALLPALETTE : DBPALETTEHEAD {
  static constexpr std::size_t kImageSize = 117;
  static constexpr short streamedtype() { return ST_DBWALLPALETTE; }

  RETEGEZESTYPE retegezes;  // layer structure of the wall
};

struct DBCEILPALETTE : DBPALETTEHEAD {
  static constexpr std::size_t kImageSize = 117;
  static constexpr short streamedtype() { return ST_DBCEILPALETTE; }

  RETEGEZESTYPE retegezes;  // layer structure of the slab; its thickness is the height
};

struct DBROOFPALETTE : DBPALETTEHEAD {
  static constexpr std::size_t kImageSize = 117;
  static constexpr short streamedtype() { return ST_DBROOFPALETTE; }

  RETEGEZESTYPE retegezes;  // layer structure of the roof
};

// Parcels and rasters: the drawing settings alone.
struct DBPARCPALETTE : DBPALETTEHEAD {
  static constexpr std::size_t kImageSize = 14;
  static constexpr short streamedtype() { return ST_DBPARCPALETTE; }
};

struct DBRASTPALETTE : DBPALETTEHEAD {
  static constexpr std::size_t kImageSize = 14;
  static constexpr short streamedtype() { return ST_DBRASTPALETTE; }
};

namespace dlist {

// Doors, windows, symbols and stairs: the drawing settings, the library part, the
// common parameters of the kind (named by CommonParam) and the part's parameters.
template <class CommonParam>
struct LibraryPartPalette : DBPALETTEHEAD {
  static constexpr std::size_t kImageSize = 870;

  ORIGNAME origname;                  // the library part
  double common[kCommonParams] = {};  // common parameters, slot = CommonParam value
  LIBPARAMS params;                   // the part's own parameters
  uint8_t reserved_tail[6] = {};      // kept as they stand

  LIBPARAMS& parameters() { return params; }
  const LIBPARAMS& parameters() const { return params; }

  // Entry i of the parameter block; 0.0 outside it.
  double param(int i) const { return params.get(i); }
  // False, unchanged, for an index outside the block.
  bool set_param(int i, double v) { return params.set(i, v); }

  // A common parameter; 0.0 for an identifier outside the common block.
  double common_param(CommonParam id) const {
    return common_slot(id) ? common[static_cast<int>(id)] : 0.0;
  }
  // False, unchanged, for an identifier outside the common block.
  bool set_common_param(CommonParam id, double v) {
    if (!common_slot(id)) return false;
    common[static_cast<int>(id)] = v;
    return true;
  }

 private:
  static bool common_slot(CommonParam id) {
    return static_cast<int>(id) >= 0 && static_cast<int>(id) < kCommonParams;
  }
};

}  // namespace dlist

struct DBDOORPALETTE : dlist::LibraryPartPalette<DOOR_COMMON_PARAM> {
  static constexpr short streamedtype() { return ST_DBDOORPALETTE; }
};

struct DBWINDPALETTE : dlist::LibraryPartPalette<WIND_COMMON_PARAM> {
  static constexpr short streamedtype() { return ST_DBWINDPALETTE; }
};

struct DBSTAIPALETTE : dlist::LibraryPartPalette<STAI_COMMON_PARAM> {
  static constexpr short streamedtype() { return ST_DBSTAIPALETTE; }
};

struct DBSYMBPALETTE : dlist::LibraryPartPalette<SYMB_COMMON_PARAM> {};

// Texts: pen, font and character settings.
struct DBTEXTPALETTE {
  static constexpr std::size_t kImageSize = 65;
  static constexpr short streamedtype() { return ST_DBTEXTPALETTE; }

  uint8_t layer = 1;          // layer number 1..255
  uint8_t pen = 1;            // text pen
  uint8_t style = 0;          // style bits of the host (bold, italic, underline, ...)
  uint8_t frame = 0;          // frame kind around the text, 0 for none
  char font[32] = {};         // font name, zero-terminated
  int16_t justify = 0;        // justification of the host
  double height = 0.0;        // character height
  double width_factor = 1.0;  // character width relative to the height
  double spacing = 1.0;       // line spacing relative to the height
  int16_t codepage = 0;       // character set of the text, 0 for the default
  uint8_t reserved = 0;       // kept as it stands

  int16_t get_justify() const { return justify; }
  void set_font(const char* text) { dlist::set_field(font, sizeof font, text); }
};

// Lines: pen, line type and arrows.
struct DBLINEPALETTE {
  static constexpr std::size_t kImageSize = 45;
  static constexpr short streamedtype() { return ST_DBLINEPALETTE; }

  uint8_t layer = 1;          // layer number 1..255
  uint8_t pen = 1;            // line pen
  uint8_t line_type = 1;      // line type
  uint8_t arrow_kind = 0;     // arrow heads of the host, 0 for none
  uint8_t arrow_pen = 1;      // pen of the arrow heads
  double width = 0.0;         // line width, 0 for the thinnest
  double arrow_length = 0.0;  // arrow head length
  double arrow_width = 0.0;   // arrow head width
  double dash_scale = 1.0;    // scale of the line type's dashes
  double elevation = 0.0;     // height of the line above its storey
};

// Circles and arcs: pen, line type and fill.
struct DBCIRCPALETTE {
  static constexpr std::size_t kImageSize = 47;
  static constexpr short streamedtype() { return ST_DBCIRCPALETTE; }

  uint8_t layer = 1;        // layer number 1..255
  uint8_t pen = 1;          // contour pen
  uint8_t line_type = 1;    // contour line type
  uint8_t fill_pen = 1;     // pen of the fill pattern
  uint8_t fill_bg_pen = 0;  // background pen of the fill, 0 for transparent
  int16_t fill = 0;         // fill pattern index, 0 for none
  double width = 0.0;       // contour line width
  double dash_scale = 1.0;  // scale of the line type's dashes
  double elevation = 0.0;   // height above its storey
  double fill_angle = 0.0;  // rotation of the fill pattern
  double fill_scale = 1.0;  // scale of the fill pattern
};

// Hotspots: pen, kind and size of the mark.
struct DBHOTSPALETTE {
  static constexpr std::size_t kImageSize = 11;
  static constexpr short streamedtype() { return ST_DBHOTSPALETTE; }

  uint8_t layer = 1;  // layer number 1..255
  uint8_t pen = 1;    // pen of the mark
  uint8_t kind = 0;   // mark kind of the host
  double size = 0.0;  // size of the mark, 0 for the host's default
};

#pragma pack(pop)

static_assert(dlist::PlainRecord<DBWALLPALETTE>);
static_assert(dlist::PlainRecord<DBDOORPALETTE>);
static_assert(dlist::PlainRecord<DBWINDPALETTE>);
static_assert(dlist::PlainRecord<DBSYMBPALETTE>);
static_assert(dlist::PlainRecord<DBSTAIPALETTE>);
static_assert(dlist::PlainRecord<DBCEILPALETTE>);
static_assert(dlist::PlainRecord<DBROOFPALETTE>);
static_assert(dlist::PlainRecord<DBPARCPALETTE>);
static_assert(dlist::PlainRecord<DBTEXTPALETTE>);
static_assert(dlist::PlainRecord<DBRASTPALETTE>);
static_assert(dlist::PlainRecord<DBLINEPALETTE>);
static_assert(dlist::PlainRecord<DBCIRCPALETTE>);
static_assert(dlist::PlainRecord<DBHOTSPALETTE>);
