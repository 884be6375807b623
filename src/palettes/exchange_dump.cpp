// The exchange file decoder: the trailer is recognised from the end of the file, then
// the description header and the blocks are walked from the front with the same
// checks and the same pending-record and folder bookkeeping as the importers, but
// without a project. A record is decoded by the streamer of its kind once the node
// that consumes it names the kind; a palette image is first shown by its size and
// again by its kind at its node. Every fault is a DumpFault with its offset, caught
// at the end of the pass.

#include "palettes/exchange_dump.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <iterator>
#include <set>
#include <type_traits>
#include <utility>

#include "foundation/element_kinds.h"
#include "foundation/node_name.h"
#include "foundation/records.h"
#include "host/file_description.h"
#include "host/resource_appendix.h"
#include "palettes/exchange_format.h"
#include "stream/streamers.h"

namespace dlist {
namespace {

// The longest part of a text buffer that is shown; a longer one ends in "\...".
constexpr std::size_t kMaxShownBytes = 4096;
constexpr std::size_t kMaxPaletteImage = 870;  // the largest palette image

struct DumpFault {
  uint64_t offset;
  std::string what;
};

[[noreturn]] void fault(uint64_t offset, std::string what) {
  throw DumpFault{offset, std::move(what)};
}

std::string str(long long v) { return std::to_string(v); }

// ---- texts --------------------------------------------------------------------------

std::string printable(const void* data, std::size_t n) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto* p = static_cast<const unsigned char*>(data);
  std::string out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = p[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c <= 0x7E) {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// ---- building fields ----------------------------------------------------------------

class FieldWriter {
 public:
  explicit FieldWriter(std::vector<DumpField>& out) : out_(out) {}

  void integer(const char* name, int64_t v) {
    DumpField& f = add(name, DumpField::Type::kInteger);
    f.integer = v;
  }
  void real(const char* name, double v) {
    DumpField& f = add(name, DumpField::Type::kReal);
    f.real = v;
  }
  void text(const char* name, const void* data, std::size_t n) {
    DumpField& f = add(name, DumpField::Type::kText);
    f.text = printable(data, n);
  }
  // A fixed field of n bytes, up to its first zero.
  void field(const char* name, const char* data, std::size_t n) {
    text(name, data, field_length(data, n));
  }
  // A group filled by fill(FieldWriter&); built apart, then appended whole.
  template <class Fill>
  void group(const char* name, Fill&& fill) {
    DumpField g;
    g.name = name;
    g.type = DumpField::Type::kGroup;
    FieldWriter w(g.fields);
    fill(w);
    out_.push_back(std::move(g));
  }
  // A list of n entries, entry i filled by fill(FieldWriter&, i) as an unnamed group.
  template <class Fill>
  void list(const char* name, std::size_t n, Fill&& fill) {
    group(name, [&](FieldWriter& w) {
      for (std::size_t i = 0; i < n; ++i) w.group("", [&](FieldWriter& e) { fill(e, i); });
    });
  }
  template <class T>
  void reals(const char* name, const T* values, std::size_t n) {
    group(name, [&](FieldWriter& w) {
      for (std::size_t i = 0; i < n; ++i) w.real("", values[i]);
    });
  }
  template <class T>
  void integers(const char* name, const T* values, std::size_t n) {
    group(name, [&](FieldWriter& w) {
      for (std::size_t i = 0; i < n; ++i) w.integer("", values[i]);
    });
  }

  void kind(int k) {
    integer("kind", k);
    if (const KindFacts* f = kind_facts(k)) text("kind_name", f->cli_name, std::strlen(f->cli_name));
  }
  void coord(const char* name, COORD2D p) {
    group(name, [&](FieldWriter& w) {
      w.real("x", p.x);
      w.real("y", p.y);
    });
  }
  void coord(const char* name, COORD3D p) {
    group(name, [&](FieldWriter& w) {
      w.real("x", p.x);
      w.real("y", p.y);
      w.real("z", p.z);
    });
  }
  void recid(RECIDTYPE r) {
    group("recid", [&](FieldWriter& w) {
      w.integer("id", r.id);
      w.integer("type", r.type);
    });
  }
  // A text buffer: its length and its text (without a closing zero), cut when long.
  void buffer(const char* name, const TEXTBUFFER& b) {
    std::size_t n = b.size();
    if (n > 0 && b.data()[n - 1] == 0) --n;
    const std::size_t shown = n > kMaxShownBytes ? kMaxShownBytes : n;
    DumpField& f = add(name, DumpField::Type::kText);
    f.text = printable(b.data(), shown);
    if (shown < n) f.text += "\\...";
    integer((std::string(name) + "_bytes").c_str(), b.size());
  }

 private:
  DumpField& add(const char* name, DumpField::Type type) {
    DumpField& f = out_.emplace_back();
    f.name = name;
    f.type = type;
    return f;
  }

  std::vector<DumpField>& out_;
};

// ---- palettes -----------------------------------------------------------------------

// Names of the common parameter slots by kind; kind 0 (not known yet) names none.
const char* common_name(int kind, int slot) {
  static constexpr const char* kDoor[] = {"width",       "height",      "sill",
                                          "reveal_depth", "frame_width", "frame_depth",
                                          "leaf_thickness", "opening_angle"};
  static constexpr const char* kWindow[] = {"width",       "height",      "sill",
                                            "reveal_depth", "frame_width", "frame_depth",
                                            "sash_thickness", "head_height"};
  static constexpr const char* kSymbol[] = {"xsize", "ysize",    "zsize", "elevation",
                                            "scale", "rotation", "slot6", "slot7"};
  static constexpr const char* kStair[] = {"width",      "height", "length", "tread",
                                           "riser",      "step_count", "nosing",
                                           "slab_thickness"};
  switch (kind) {
    case 2: return kDoor[slot];
    case 3: return kWindow[slot];
    case 4: return kSymbol[slot];
    case 5: return kStair[slot];
    default: return "";
  }
}

void head_fields(FieldWriter& w, const DBPALETTEHEAD& p) {
  w.integer("layer", p.layer);
  w.integer("contour_pen", p.contour_pen);
  w.integer("line_type", p.line_type);
  w.integer("fill_pen", p.fill_pen);
  w.integer("fill_bg_pen", p.fill_bg_pen);
  w.integer("fill", p.fill);
  w.integer("section_pen", p.section_pen);
  w.integer("view_pen", p.view_pen);
  w.integer("flags", p.flags);
}

void layer_structure_fields(FieldWriter& w, const RETEGEZESTYPE& r) {
  w.group("retegezes", [&](FieldWriter& g) {
    g.integer("count", r.count);
    const int used = r.used();
    g.list("layers", static_cast<std::size_t>(used), [&](FieldWriter& e, std::size_t i) {
      e.real("thickness", r.layer[i].thickness);
      e.integer("fill", r.layer[i].fill);
      e.integer("fill_pen", r.layer[i].fill_pen);
    });
    g.list("boundaries", static_cast<std::size_t>(used > 0 ? used - 1 : 0),
           [&](FieldWriter& e, std::size_t i) {
             e.integer("pen", r.boundary[i].pen);
             e.integer("line_type", r.boundary[i].line_type);
             e.integer("flags", r.boundary[i].flags);
           });
  });
}

template <class P>
void palette_fields(FieldWriter& w, const P& p, int kind) {
  if constexpr (std::is_base_of_v<DBPALETTEHEAD, P>) {
    head_fields(w, p);
    if constexpr (requires { p.retegezes; }) layer_structure_fields(w, p.retegezes);
    if constexpr (requires { p.origname; }) {
      w.field("origname", p.origname.name, sizeof p.origname.name);
      w.group("common", [&](FieldWriter& g) {
        for (int i = 0; i < kCommonParams; ++i) g.real(common_name(kind, i), p.common[i]);
      });
      w.integer("param_count", p.params.count);
      w.group("params", [&](FieldWriter& g) {
        for (int i = 0; i < p.params.used(); ++i) g.real("", p.params.value[i]);
      });
    }
  } else if constexpr (std::is_same_v<P, DBTEXTPALETTE>) {
    w.integer("layer", p.layer);
    w.integer("pen", p.pen);
    w.integer("style", p.style);
    w.integer("frame", p.frame);
    w.field("font", p.font, sizeof p.font);
    w.integer("justify", p.justify);
    w.real("height", p.height);
    w.real("width_factor", p.width_factor);
    w.real("spacing", p.spacing);
    w.integer("codepage", p.codepage);
  } else if constexpr (std::is_same_v<P, DBLINEPALETTE>) {
    w.integer("layer", p.layer);
    w.integer("pen", p.pen);
    w.integer("line_type", p.line_type);
    w.integer("arrow_kind", p.arrow_kind);
    w.integer("arrow_pen", p.arrow_pen);
    w.real("width", p.width);
    w.real("arrow_length", p.arrow_length);
    w.real("arrow_width", p.arrow_width);
    w.real("dash_scale", p.dash_scale);
    w.real("elevation", p.elevation);
  } else if constexpr (std::is_same_v<P, DBCIRCPALETTE>) {
    w.integer("layer", p.layer);
    w.integer("pen", p.pen);
    w.integer("line_type", p.line_type);
    w.integer("fill_pen", p.fill_pen);
    w.integer("fill_bg_pen", p.fill_bg_pen);
    w.integer("fill", p.fill);
    w.real("width", p.width);
    w.real("dash_scale", p.dash_scale);
    w.real("elevation", p.elevation);
    w.real("fill_angle", p.fill_angle);
    w.real("fill_scale", p.fill_scale);
  } else {
    static_assert(std::is_same_v<P, DBHOTSPALETTE>);
    w.integer("layer", p.layer);
    w.integer("pen", p.pen);
    w.integer("kind", p.kind);
    w.real("size", p.size);
  }
}

template <class P>
void palette_image_fields(FieldWriter& w, std::span<const unsigned char> image, int kind) {
  P p;
  from_plain_image(p, image.data());
  palette_fields(w, p, kind);
}

// A palette image shown by its size alone, before its node names the kind: the kinds
// that share an image size share its layout.
void palette_image_by_size(FieldWriter& w, std::span<const unsigned char> image) {
  switch (image.size()) {
    case DBWALLPALETTE::kImageSize: return palette_image_fields<DBWALLPALETTE>(w, image, 0);
    case DBDOORPALETTE::kImageSize: return palette_image_fields<DBDOORPALETTE>(w, image, 0);
    case DBPARCPALETTE::kImageSize: return palette_image_fields<DBPARCPALETTE>(w, image, 0);
    case DBTEXTPALETTE::kImageSize: return palette_image_fields<DBTEXTPALETTE>(w, image, 0);
    case DBLINEPALETTE::kImageSize: return palette_image_fields<DBLINEPALETTE>(w, image, 0);
    case DBCIRCPALETTE::kImageSize: return palette_image_fields<DBCIRCPALETTE>(w, image, 0);
    case DBHOTSPALETTE::kImageSize: return palette_image_fields<DBHOTSPALETTE>(w, image, 0);
    default: return;  // no palette has this size; its node will say so
  }
}

// ---- element records ----------------------------------------------------------------

void points_fields(FieldWriter& w, const DBPOLYPOINT* points, int n) {
  w.list("points", static_cast<std::size_t>(n > 0 ? n : 0), [&](FieldWriter& e, std::size_t i) {
    const DBPOLYPOINT p = points[i];
    e.real("x", p.x);
    e.real("y", p.y);
    e.integer("flags", p.flags);
  });
}

void outline_fields(FieldWriter& w, const DBMULTIPOLYGON& o) {
  w.group("outline", [&](FieldWriter& g) {
    g.integer("clip_count", o.clipszam());
    g.integer("point_count", o.pontszam());
    g.integers("clips", o.clips(), static_cast<std::size_t>(o.clip_index_count()));
    points_fields(g, o.points(), o.pontszam());
    g.integer("attr", o.attr());
  });
}

void outline_fields(FieldWriter& w, const DBPOLYGON& o) {
  w.group("outline", [&](FieldWriter& g) {
    g.integer("point_count", o.pontszam());
    g.integer("attr", o.attr());
    points_fields(g, o.points(), o.pontszam());
  });
}

void hotspot_fields(FieldWriter& w, const HOTSPOTCHAIN& h) {
  w.list("hotspots", h.count(), [&](FieldWriter& e, std::size_t i) {
    const COORD3D p = h[static_cast<unsigned>(i)];
    e.real("x", p.x);
    e.real("y", p.y);
    e.real("z", p.z);
  });
}

template <class Placed>
void placement_fields(FieldWriter& w, const Placed& r) {
  w.integer("status", r.status);
  w.coord("pos", r.pos());
  w.integer("mirror_x", r.mirror_x);
  w.integer("mirror_y", r.mirror_y);
  w.integer("show_2d", r.show_2d);
  w.integer("show_3d", r.show_3d);
  w.coord("eltol", r.eltol());
  w.real("xangle", r.xangle());
  w.real("yangle", r.yangle());
  w.real("zangle", r.zangle());
  w.integers("settings", r.settings, std::size(r.settings));
}

template <class Opening>
void opening_fields(FieldWriter& w, const Opening& r) {
  w.integer("status", r.status);
  w.integer("flags", r.flags);
  w.recid(r.recid);
  w.integer("wall", r.wall);
  w.real("wall_pos", r.wall_pos);
  w.coord("eltol", r.eltol());
  w.real("xangle", r.xangle());
  w.real("yangle", r.yangle());
  w.real("zangle", r.zangle());
  w.integer("dim_mode", r.DimOwnMode());
  w.real("ref_circle", r.refcirc_stored());
  w.list("hotspots", static_cast<std::size_t>(r.nhotspot()), [&](FieldWriter& e, std::size_t i) {
    const COORD3D p = r.hotspot(static_cast<int>(i));
    e.real("x", p.x);
    e.real("y", p.y);
    e.real("z", p.z);
  });
}

template <class E>
void frame_fields(FieldWriter& w, const E& r) {
  w.integer("frame_color", r.frame_color);
  w.integer("frame_pen", r.frame_pen);
  w.integer("frame_line_type", r.frame_line_type);
  w.integer("show_frame", r.show_frame);
}

// The members of an element record of kind K that have a name, then its palette.
template <int K>
void record_fields(FieldWriter& w, const typename Kind<K>::element& r) {
  using E = typename Kind<K>::element;
  if constexpr (std::is_same_v<E, DBWALLTYPE>) {
    w.integer("status", r.status);
    w.integer("flags", r.flags);
    w.recid(r.recid);
    w.coord("beg", r.beg);
    w.coord("end", r.end);
    w.real("height", r.height);
    w.real("base", r.base);
    w.real("ref_offset", r.ref_offset);
    w.real("arc_angle", r.arc_angle);
    w.list("corners", 4, [&](FieldWriter& e, std::size_t i) {
      const COORD2D c = r.corner[i];
      e.real("x", c.x);
      e.real("y", c.y);
    });
    w.integer("storey", r.storey);
  } else if constexpr (std::is_same_v<E, DBDOORTYPE> || std::is_same_v<E, DBWINDTYPE>) {
    opening_fields(w, r);
  } else if constexpr (std::is_same_v<E, DBLINETYPE>) {
    w.integer("status", r.status);
    w.recid(r.recid);
    w.coord("beg", r.beg);
    w.coord("end", r.end);
    w.integer("flags", r.flags);
    w.integer("group", r.group);
  } else if constexpr (std::is_same_v<E, DBCIRCTYPE>) {
    w.integer("status", r.status);
    w.recid(r.recid);
    w.integer("fajta", r.fajta());
    w.coord("center", r.center);
    w.real("radius", r.radius);
    w.real("ratio", r.ratio);
    w.real("rotation", r.rotation);
    w.real("beg_angle", r.beg_angle);
    w.real("end_angle", r.end_angle);
    w.coord("arc_beg", r.arc_beg);
    w.coord("arc_end", r.arc_end);
  } else if constexpr (std::is_same_v<E, DBHOTSTYPE>) {
    w.integer("status", r.status);
    w.recid(r.recid);
    w.coord("pos", r.pos);
    w.integer("group", r.group);
  } else if constexpr (std::is_same_v<E, DBTEXTTYPE>) {
    w.integer("status", r.status);
    w.real("angle", r.angle);
    w.real("width", r.width);
    w.real("height", r.height);
    w.recid(r.recid);
    w.integer("line_count", r.line_count);
    w.integer("tipus", r.get_tipus());
    w.integer("xalign", r.get_xalign());
    w.integer("yalign", r.get_yalign());
    w.integer("alignment", r.get_alignment());
    w.integer("pontszam", r.pontszam());
    w.list("locations", DBTEXTTYPE::kLocations, [&](FieldWriter& e, std::size_t i) {
      const COORD2D p = r.get_loc(static_cast<int>(i));
      e.real("x", p.x);
      e.real("y", p.y);
    });
    w.coord("tegla0", r.tegla(0));
    w.coord("tegla1", r.tegla(1));
    w.coord("klikk", r.klikk());
  } else if constexpr (std::is_same_v<E, DBCEILTYPE>) {
    w.integer("status", r.status);
    outline_fields(w, r.outline);
    w.real("elevation", r.elevation);
    w.coord("hatch_origin", r.hatch_origin);
    frame_fields(w, r);
    w.integer("hatch_kind", r.hatch_kind);
    w.integer("show_2d", r.show_2d);
    w.integer("show_3d", r.show_3d);
    w.recid(r.recid);
  } else if constexpr (std::is_same_v<E, DBROOFTYPE>) {
    w.integer("status", r.status);
    outline_fields(w, r.outline);
    w.coord("pivot_beg", r.pivot_beg);
    w.coord("pivot_end", r.pivot_end);
    w.real("slope", r.slope);
    w.real("pivot_height", r.pivot_height);
    frame_fields(w, r);
    w.integer("hatch_kind", r.hatch_kind);
    w.integer("show_3d", r.show_3d);
    w.real("overhang", r.overhang);
    w.integer("eaves_pen", r.eaves_pen);
    w.integer("ridge_pen", r.ridge_pen);
    w.integer("cut_pen", r.cut_pen);
    w.integer("cut_line_type", r.cut_line_type);
    w.integer("gutter", r.gutter);
    w.recid(r.recid);
  } else if constexpr (std::is_same_v<E, DBRASTTYPE>) {
    w.integer("status", r.status);
    outline_fields(w, r.outline);
    w.coord("origin", r.origin);
    w.integer("origin_mode", r.origin_mode);
    w.coord("box_min", r.box_min);
    w.coord("box_max", r.box_max);
    frame_fields(w, r);
    w.integer("hatch_kind", r.hatch_kind);
    w.recid(r.recid);
  } else if constexpr (std::is_same_v<E, DBPARCTYPE>) {
    w.integer("status", r.status);
    w.integer("number", r.number);
    w.coord("origin", r.origin);
    w.coord("axis", r.axis);
    w.real("area", r.area);
    w.real("perimeter", r.perimeter);
    w.coord("label_pos", r.label_pos);
    w.integer("label_flags", r.label_flags);
    w.integer("label_style", r.label_style);
    outline_fields(w, r.outline);
    w.integer("frame_color", r.frame_color);
    w.integer("frame_pen", r.frame_pen);
    w.real("elevation", r.elevation);
    w.integer("frame_line_type", r.frame_line_type);
    w.integer("show_frame", r.show_frame);
    w.integer("show_label", r.show_label);
    w.recid(r.recid);
  } else if constexpr (std::is_same_v<E, DBSTAITYPE>) {
    placement_fields(w, r);
    w.list("corners", 4, [&](FieldWriter& e, std::size_t i) {
      e.real("x", r.corner[i].x);
      e.real("y", r.corner[i].y);
    });
    w.recid(r.recid);
    hotspot_fields(w, r.hotspots);
  } else {
    static_assert(std::is_same_v<E, DBSYMBTYPE>);
    placement_fields(w, r);
    w.recid(r.recid);
    w.integer("recid_tail", r.recid_tail);
    hotspot_fields(w, r.hotspots);
  }
  w.group("palette", [&](FieldWriter& g) { palette_fields(g, r.palette, K); });
}

// ---- references, surfaces, nodes ----------------------------------------------------

void surface_fields(FieldWriter& w, const DBSURFHATCH& s) {
  w.field("name", s.name, sizeof s.name);
  w.integer("name_flags", s.name_flags);
  double hatch[5];
  std::memcpy(hatch, s.hatch1, sizeof hatch);  // the packed entry's doubles, copied out
  w.reals("hatch1", hatch, 5);
  w.integer("name_index", s.name_index);
  w.integer("type", s.type);
  std::memcpy(hatch, s.hatch2, sizeof hatch);
  w.reals("hatch2", hatch, 5);
  w.integer("last_flags", s.last_flags);
}

void matref_fields(FieldWriter& w, const DBMATREF& m) {
  w.buffer("code", m.code);
  w.real("quantity", m.quantity);
  w.integer("automatic", m.is_auto_quantity() ? 1 : 0);
  w.integer("location", m.location);
  w.field("parameter", m.parameter, sizeof m.parameter);
  w.integer("reserved", m.reserved);
}

void attref_fields(FieldWriter& w, const DBATTREFTYPE& a) {
  w.field("name", a.name, sizeof a.name);
  w.integer("flags", a.flags);
  w.field("abbrev", a.abbrev, sizeof a.abbrev);
  w.integer("reference", a.reference);
  w.buffer("value", a.value);
  w.integer("reserved", a.reserved);
}

void node_fields(FieldWriter& w, const TreeNode& n) {
  w.integer("level", n.level);
  w.kind(n.kind);
  w.field("name", n.name, sizeof n.name);
  w.buffer("description", n.description);
  w.integer("last", n.last);
}

// ---- the resource appendix ----------------------------------------------------------

const char* section_name(uint32_t kind) {
  switch (static_cast<AppendixSection>(kind)) {
    case AppendixSection::kSurfaceNames: return "surface names";
    case AppendixSection::kMaterialCodes: return "material codes";
    case AppendixSection::kAttributeNames: return "attribute names";
  }
  return "unknown";
}

// ---- the decoder --------------------------------------------------------------------

class Decoder {
 public:
  explicit Decoder(std::span<const unsigned char> bytes) : bytes_(bytes) {
    dump_.file_size = bytes.size();
  }

  ExchangeDump run() {
    end_ = bytes_.size();
    std::optional<DumpFault> appendix_fault;
    if (recognise_trailer()) {
      try {
        read_sections();
      } catch (const DumpFault& f) {
        appendix_fault = f;
      }
    }
    try {
      read_description();
      read_blocks();
    } catch (const DumpFault& f) {
      set_error(f);
      return std::move(dump_);
    }
    if (appendix_fault) set_error(*appendix_fault);
    return std::move(dump_);
  }

 private:
  void set_error(const DumpFault& f) {
    dump_.error = f.what;
    dump_.error_offset = f.offset;
  }

  // ---- trailer ----

  // As an importer asks whether a file carries an appendix: the footer's magic and
  // version, and a length that fits the file.
  bool recognise_trailer() {
    const uint64_t n = bytes_.size();
    if (n < kAppendixFooterSize) return false;
    const unsigned char* footer = bytes_.data() + (n - kAppendixFooterSize);
    if (std::memcmp(footer, kAppendixMagic, sizeof kAppendixMagic) != 0) return false;
    const uint32_t version = load_le32(footer + 8);
    const uint32_t size = load_le32(footer + 12);
    if (version != kAppendixVersion) return false;
    if (size < kAppendixFooterSize || size > n || size > kMaxAppendixBytes) return false;
    dump_.has_appendix = true;
    dump_.appendix.offset = n - size;
    dump_.appendix.size = size;
    dump_.appendix.version = version;
    end_ = n - size;
    return true;
  }

  void read_sections() {
    const uint64_t base = dump_.appendix.offset;
    const unsigned char* p = bytes_.data() + base;
    const unsigned char* const end =
        bytes_.data() + (base + dump_.appendix.size - kAppendixFooterSize);
    auto offset = [&](const unsigned char* q) { return static_cast<uint64_t>(q - bytes_.data()); };
    while (p != end) {
      const unsigned char* const at = p;
      DumpAppendixSection section;
      section.offset = offset(at);
      if (!get_le32(p, end, &section.kind) || !get_le32(p, end, &section.count) ||
          !get_le32(p, end, &section.length)) {
        fault(offset(at), "resource appendix: section header is cut short");
      }
      section.name = section_name(section.kind);
      const uint64_t left = static_cast<uint64_t>(end - p);
      if (section.length > left) {
        fault(offset(at), "resource appendix: section gives " + str(section.length) + " bytes, " +
                              str(left) + " are left");
      }
      const unsigned char* const section_end = p + section.length;
      if (section.kind < 1 || section.kind > 3) {  // a later kind: skipped by readers
        dump_.appendix.sections.push_back(std::move(section));
        p = section_end;
        continue;
      }
      if (section.count > section.length / 4) {
        fault(offset(at), "resource appendix: section gives " + str(section.count) +
                              " entries in " + str(section.length) + " bytes");
      }
      dump_.appendix.sections.push_back(std::move(section));
      DumpAppendixSection& kept = dump_.appendix.sections.back();
      for (uint32_t i = 0; i < kept.count; ++i) {
        const unsigned char* const entry = p;
        uint32_t n = 0;
        if (!get_le32(p, section_end, &n)) {
          fault(offset(entry), "resource appendix: entry is cut short");
        }
        const uint64_t room = static_cast<uint64_t>(section_end - p);
        if (n == 0 || n > kMaxAppendixEntryBytes || n > room) {
          fault(offset(entry), "resource appendix: entry gives " + str(n) + " bytes, " +
                                   str(room) + " are left in its section");
        }
        if (std::memchr(p, 0, n) != nullptr) {
          fault(offset(entry), "resource appendix: entry holds a zero byte");
        }
        kept.entries.push_back(printable(p, n));
        p += n;
      }
      if (p != section_end) {
        fault(offset(at), "resource appendix: section has " + str(section_end - p) +
                              " bytes beyond its entries");
      }
    }
  }

  // ---- description ----

  void read_description() {
    const uint64_t n = bytes_.size();
    if (n < 4) fault(0, "the description header is cut short: " + str(n) + " bytes");
    const uint32_t count = load_le32(bytes_.data());
    const uint64_t follow = n - 4;
    if (count > kMaxDescriptionBytes || count > follow) {
      fault(0, "the description header gives " + str(count) + " bytes, but at most " +
                   str(std::min<uint64_t>(kMaxDescriptionBytes, follow)) + " can follow");
    }
    dump_.has_description = true;
    dump_.description_length = count;
    dump_.description = printable(bytes_.data() + 4, count);
    pos_ = 4 + uint64_t{count};
    if (pos_ > end_) fault(0, "the description header runs into the resource appendix");
  }

  // ---- blocks ----

  uint64_t left() const { return end_ - pos_; }

  BlockHeader header() {
    if (left() < kBlockHeaderSize) {
      fault(pos_, "block header is cut short: " + str(left()) + " bytes are left");
    }
    const BlockHeader h = decode_block_header(bytes_.data() + pos_);
    pos_ += kBlockHeaderSize;
    return h;
  }

  // The content of block h (header at `at`): refused when its size is negative,
  // beyond the bytes left or above cap.
  std::span<const unsigned char> content(const BlockHeader& h, uint64_t at, uint64_t cap) {
    const char* name = block_name(h.code);
    if (h.size < 0 || static_cast<uint64_t>(h.size) > left()) {
      fault(at, std::string(name) + " gives size " + str(h.size) + ", " + str(left()) +
                    " bytes are left");
    }
    if (static_cast<uint64_t>(h.size) > cap) {
      fault(at, std::string(name) + " gives size " + str(h.size) + ", more than " + str(cap));
    }
    const auto bytes = bytes_.subspan(pos_, static_cast<std::size_t>(h.size));
    pos_ += static_cast<uint64_t>(h.size);
    return bytes;
  }

  bool accepted(int32_t code) const {
    const bool palettes = dump_.kind == ExchangeFileKind::kPalette;
    switch (code) {
      case BLOCK_NODE:
      case BLOCK_SURFREF:
      case BLOCK_END: return true;
      case BLOCK_PALETTE: return palettes;
      case BLOCK_RECORD:
      case BLOCK_MATREF:
      case BLOCK_ATTREF:
      case BLOCK_TEXT: return !palettes;
      default: return false;
    }
  }

  DumpBlock& add_block(uint64_t at, const BlockHeader& h) {
    DumpBlock& b = dump_.blocks.emplace_back();
    b.offset = at;
    b.code = h.code;
    b.size = h.size;
    b.a = h.a;
    b.b = h.b;
    if (const char* name = block_name(h.code)) b.name = name;
    return b;
  }

  void read_blocks() {
    const uint64_t first_at = pos_;
    const BlockHeader first = header();
    DumpBlock& begin = add_block(first_at, first);
    if (first.code == kPaletteFileCode) {
      dump_.kind = ExchangeFileKind::kPalette;
    } else if (first.code == kPrototypeFileCode) {
      dump_.kind = ExchangeFileKind::kPrototype;
    } else {
      fault(first_at, "the first block has code " + str(first.code) + "; a palette file opens with " +
                          str(kPaletteFileCode) + ", a prototype file with " +
                          str(kPrototypeFileCode));
    }
    FieldWriter w(begin.fields);
    w.integer("level", first.size);
    w.kind(first.a);
    begin.kind = kind_facts(first.a) ? first.a : 0;

    for (int k = kFirstKind; k <= kLastKind; ++k) folders_.insert({k, 0});
    for (;;) {
      const uint64_t at = pos_;
      const BlockHeader h = header();
      add_block(at, h);
      if (!accepted(h.code)) {
        fault(at, "block code " + str(h.code) + " is not read in a " +
                      exchange_file_kind_name(dump_.kind) + " file");
      }
      if (h.code == BLOCK_END) {
        dump_.ended = true;
        dump_.bytes_after_end = left();
        return;
      }
      block(h, at, dump_.blocks.size() - 1);
    }
  }

  std::vector<DumpField>& fields_of(std::size_t index) { return dump_.blocks[index].fields; }

  void block(const BlockHeader& h, uint64_t at, std::size_t index) {
    switch (h.code) {
      case BLOCK_PALETTE:
      case BLOCK_RECORD: {
        const auto bytes =
            content(h, at, h.code == BLOCK_PALETTE ? kMaxPaletteImage : UINT32_MAX);
        pending_ = Pending{true, index, at, bytes};
        if (h.code == BLOCK_PALETTE) {
          FieldWriter w(fields_of(index));
          palette_image_by_size(w, bytes);
        }
        break;
      }
      case BLOCK_SURFREF: {
        if (h.size != static_cast<int32_t>(kSurfaceBlockSize)) {
          fault(at, "BLOCK_SURFREF has size " + str(h.size) + "; a surface entry has " +
                        str(kSurfaceBlockSize));
        }
        const auto bytes = content(h, at, kSurfaceBlockSize);
        DBSURFHATCH entry;
        from_plain_image(entry, bytes.data());
        FieldWriter w(fields_of(index));
        surface_fields(w, entry);
        break;
      }
      case BLOCK_MATREF: {
        DBMATREF ref;
        restore(ref, content(h, at, UINT32_MAX), "BLOCK_MATREF", at);
        FieldWriter w(fields_of(index));
        matref_fields(w, ref);
        break;
      }
      case BLOCK_ATTREF: {
        DBATTREFTYPE ref;
        restore(ref, content(h, at, UINT32_MAX), "BLOCK_ATTREF", at);
        FieldWriter w(fields_of(index));
        attref_fields(w, ref);
        break;
      }
      case BLOCK_TEXT: {
        const auto bytes = content(h, at, kMaxTextBlockBytes);
        if (bytes.empty() ||
            std::memchr(bytes.data(), 0, bytes.size()) != bytes.data() + bytes.size() - 1) {
          fault(at, "BLOCK_TEXT does not end with its only zero");
        }
        FieldWriter w(fields_of(index));
        w.text("text", bytes.data(), bytes.size() - 1);
        break;
      }
      case BLOCK_NODE: {
        const auto bytes = content(h, at, UINT32_MAX);
        if (dump_.kind == ExchangeFileKind::kPalette) {
          DBPALETTENODETYPE node;
          restore(node, bytes, "BLOCK_NODE", at);
          this->node(node, h, at, index);
        } else {
          DBPROTOTYPENODE node;
          restore(node, bytes, "BLOCK_NODE", at);
          this->node(node, h, at, index);
        }
        break;
      }
    }
  }

  template <class T>
  static void restore(T& object, std::span<const unsigned char> bytes, const char* name,
                      uint64_t at) {
    try {
      stream_in(object, bytes);
    } catch (const StreamError& e) {
      fault(at, std::string(name) + ": " + e.what());
    }
  }

  void node(const TreeNode& node, const BlockHeader& h, uint64_t at, std::size_t index) {
    {
      FieldWriter w(fields_of(index));
      node_fields(w, node);
      dump_.blocks[index].kind = kind_facts(node.kind) ? node.kind : 0;
    }
    const std::string name_fault = node_field_fault(node.name, sizeof node.name);
    if (!name_fault.empty()) {
      const std::string_view shown = field_name(node.name, sizeof node.name);
      fault(at, "BLOCK_NODE: the name '" + printable(shown.data(), shown.size()) + "' " +
                    name_fault);
    }
    const std::string name(node.name, field_length(node.name, sizeof node.name));
    if (!folders_.count({node.kind, h.a})) {
      fault(at, "BLOCK_NODE: no folder of kind " + str(node.kind) + " with identifier " +
                    str(h.a) + " precedes it");
    }
    if (!node.is_leaf()) {
      if (h.b <= 0) fault(at, "BLOCK_NODE gives the folder identifier " + str(h.b));
      folders_.insert({node.kind, h.b});
      return;
    }
    const bool palettes = dump_.kind == ExchangeFileKind::kPalette;
    if (!pending_.has_record) {
      fault(at, "BLOCK_NODE of the leaf '" + printable(name.data(), name.size()) +
                    "' follows no " + (palettes ? "BLOCK_PALETTE" : "BLOCK_RECORD"));
    }
    // The folder look-up admits the kinds 1 to 13 only.
    visit_kind(node.kind, [&](auto k) {
      constexpr int K = decltype(k)::kind;
      DumpBlock& record = dump_.blocks[pending_.index];
      std::vector<DumpField> fields;
      FieldWriter w(fields);
      w.kind(K);
      if (palettes) {
        constexpr std::size_t kSize = Kind<K>::facts.palette_image_size;
        if (pending_.bytes.size() != kSize) {
          fault(pending_.at, "BLOCK_PALETTE has " + str(pending_.bytes.size()) + " bytes; a " +
                                 Kind<K>::facts.cli_name + " palette has " + str(kSize));
        }
        palette_image_fields<typename Kind<K>::palette>(w, pending_.bytes, K);
      } else {
        typename Kind<K>::element rec;
        restore(rec, pending_.bytes, "BLOCK_RECORD", pending_.at);
        record_fields<K>(w, rec);
      }
      record.fields = std::move(fields);
      record.kind = K;
    });
    pending_ = Pending{};
  }

  // The record that precedes the node of a leaf.
  struct Pending {
    bool has_record = false;
    std::size_t index = 0;  // its block in dump_.blocks
    uint64_t at = 0;        // its offset
    std::span<const unsigned char> bytes;
  };

  std::span<const unsigned char> bytes_;
  ExchangeDump dump_;
  uint64_t pos_ = 0;
  uint64_t end_ = 0;  // where the blocks must end: the trailer, or the end of the file
  Pending pending_;
  std::set<std::pair<int, int32_t>> folders_;  // (kind, file identifier) of known folders
};

}  // namespace

const DumpField* DumpField::find(const std::string& member) const {
  for (const DumpField& f : fields)
    if (f.name == member) return &f;
  return nullptr;
}

const char* exchange_file_kind_name(ExchangeFileKind kind) {
  switch (kind) {
    case ExchangeFileKind::kPalette: return "palette";
    case ExchangeFileKind::kPrototype: return "prototype";
    case ExchangeFileKind::kUnknown: break;
  }
  return "unknown";
}

ExchangeDump decode_exchange_file(std::span<const unsigned char> bytes) {
  return Decoder(bytes).run();
}

ExchangeDump decode_exchange_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes;
  if (in) {
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size >= 0) {
      try {
        bytes.resize(static_cast<std::size_t>(size));
        in.read(reinterpret_cast<char*>(bytes.data()), size);
      } catch (const std::bad_alloc&) {
        in.setstate(std::ios::failbit);
      }
    }
  }
  if (!in || in.gcount() != static_cast<std::streamsize>(bytes.size())) {
    ExchangeDump dump;
    dump.error = "cannot read '" + path + "'";
    return dump;
  }
  return decode_exchange_file(std::span<const unsigned char>(bytes));
}

}  // namespace dlist
