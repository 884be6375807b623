// Edges of roofs, ceilings, parcels and rasters: the edge preset (`DBEDGEPALETTE`,
// a plain record, in a `DBEDGECHAIN` of pages of 16), and the computed data of a
// roof's edges (`ROOFCALCDATA`, `ROOFEDGEANGLELIST`). The roof settings record
// itself is the host's; only its stream code (`ST_DBROOFSETTINGS`) is used here.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "foundation/arrays.h"
#include "foundation/geometry.h"
#include "foundation/record_image.h"
#include "foundation/type_codes.h"

#pragma pack(push, 1)
// The preset of one edge.
struct DBEDGEPALETTE {
  static constexpr std::size_t kImageSize = 27;
  static constexpr short streamedtype() { return ST_DBEDGEPALETTE; }

  uint8_t layer = 1;            // layer number 1..255
  uint8_t pen = 1;              // pen of the edge line
  uint8_t line_type = 1;        // line type of the edge line
  uint8_t fill_pen = 1;         // pen of the edge's face fill
  uint8_t section_pen = 1;      // pen of the edge cut in sections
  uint8_t view_pen = 1;         // pen of the edge seen in views
  double angle = 0.0;           // slope angle of the edge's face (with custom_angle)
  uint8_t edge_kind = 1;        // kind of edge of the host (eaves, gable, ...)
  uint8_t custom_angle = 0;     // 1: angle holds the edge's own slope
  uint8_t custom_overhang = 0;  // 1: overhang holds the edge's own overhang
  uint8_t gutter = 0;           // 1: the edge carries a gutter
  uint8_t flags = 0;            // further flags of the host
  double overhang = 0.0;        // overhang beyond the outline (with custom_overhang)

  // A new edge: six one-byte values 1, angle 0, edge kind 1, four flags 0, overhang 0.
  DBEDGEPALETTE() = default;
  // The members in their order.
  DBEDGEPALETTE(uint8_t layer0, uint8_t pen0, uint8_t line_type0, uint8_t fill_pen0,
                uint8_t section_pen0, uint8_t view_pen0, double angle0, uint8_t edge_kind0,
                uint8_t custom_angle0, uint8_t custom_overhang0, uint8_t gutter0, uint8_t flags0,
                double overhang0)
      : layer(layer0),
        pen(pen0),
        line_type(line_type0),
        fill_pen(fill_pen0),
        section_pen(section_pen0),
        view_pen(view_pen0),
        angle(angle0),
        edge_kind(edge_kind0),
        custom_angle(custom_angle0),
        custom_overhang(custom_overhang0),
        gutter(gutter0),
        flags(flags0),
        overhang(overhang0) {}
};
#pragma pack(pop)

static_assert(dlist::PlainRecord<DBEDGEPALETTE>);

class DLIST_API DBEDGECHAIN : public PRAS<DBEDGEPALETTE, 4, 4> {
 public:
  using PRAS<DBEDGEPALETTE, 4, 4>::PRAS;
};

// The computed geometry of one roof edge.
struct ROOFCALCDATA {
  COORD3D bottom;  // lower end of the roof face above the edge
  COORD3D top;     // upper end of the face in the plane
  COORD3D top3d;   // upper end of the face in space
  COORD3D normal;  // unit normal of the face
};

class ROOFCALCCHAIN : public PDA<ROOFCALCDATA, 4, 4> {
 public:
  using PDA<ROOFCALCDATA, 4, 4>::PDA;
};

// The slope angles of a roof's edges, in outline order.
class ROOFEDGEANGLELIST : public PRAS<double, 5, 5> {
 public:
  using PRAS<double, 5, 5>::PRAS;
};

extern template class PDA<DBEDGEPALETTE, 4, 4>;
extern template class PRAS<DBEDGEPALETTE, 4, 4>;
extern template class PDA<ROOFCALCDATA, 4, 4>;
