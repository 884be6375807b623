// The exchange file decoder: the block reader (exchange_blocks.h) walks the file with
// the importers' checks, without a project, and the decoder lists what it hands on.
// A record is decoded by the streamer of its kind once the node that consumes it names
// the kind; a palette image is first shown by its size and again by its kind at its
// node. A fault ends the walk with its offset; what was listed before it stays.

#include "palettes/exchange_dump.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <type_traits>
#include <utility>

#include "foundation/element_kinds.h"
#include "foundation/node_name.h"
#include "foundation/records.h"
#include "host/resource_appendix.h"
#include "palettes/exchange_blocks.h"
#include "palettes/exchange_format.h"
#include "stream/record_fields.h"
#include "stream/streamers.h"

namespace dlist {
namespace {

// The longest part of a text buffer that is shown; a longer one ends in "\...".
constexpr std::size_t kMaxShownBytes = 4096;

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
  void append(DumpField&& f) { out_.push_back(std::move(f)); }
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
  void integers(const char* name, const T* values, std::size_t n) {
    group(name, [&](FieldWriter& w) {
      for (std::size_t i = 0; i < n; ++i) w.integer("", values[i]);
    });
  }

  // An element kind code and, when it is known, the kind's name.
  void kind(const char* name, int k) {
    integer(name, k);
    if (const KindFacts* f = kind_facts(k)) text("kind_name", f->cli_name, std::strlen(f->cli_name));
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

// Shows the fields that a record declares (record_fields.h) under their names.
class FieldListing {
 public:
  // Slots named by kind are left unnamed unless kind_known.
  explicit FieldListing(FieldWriter& w, bool kind_known = true) : w_(&w), kind_known_(kind_known) {}

  template <class T>
  void value(const char* name, const T& v) {
    if constexpr (std::is_floating_point_v<T>) {
      w_->real(name, v);
    } else if constexpr (std::is_arithmetic_v<T>) {
      w_->integer(name, v);
    } else if constexpr (kListedInPlace<T>) {
      fields(*this, v);
    } else if constexpr (std::is_array_v<T>) {
      w_->group(name, [&](FieldWriter& g) {
        FieldListing e(g, kind_known_);
        for (const auto& x : v) e.value("", x);
      });
    } else {
      group(name, v);
    }
  }
  template <std::size_t N>
  void chars(const char* name, const char (&field)[N]) {
    w_->field(name, field, N);
  }
  void buffer(const char* name, const TEXTBUFFER& text) { w_->buffer(name, text); }
  template <class T>
  void kind(const char* name, const T& k) {
    w_->kind(name, k);
  }
  template <class Get>
  void shown(const char* name, Get&& get) {
    value(name, get());
  }
  template <class T>
  void hidden(const T&) {}
  template <class Get, class Set>
  void hidden(Get&&, Set&&) {}
  template <class Get>
  void carried(Get&&) {}
  template <class Get, class Set>
  void property(const char* name, Get&& get, Set&&) {
    value(name, get());
  }
  template <class T, std::size_t N>
  void list(const char* name, const T (&entries)[N], int shown) {
    w_->list(name, static_cast<std::size_t>(shown), [&](FieldWriter& e, std::size_t i) {
      FieldListing v(e, kind_known_);
      fields(v, entries[i]);
    });
  }
  template <class Get, class Set>
  void list(const char* name, std::size_t, std::size_t shown, Get&& get, Set&&) {
    w_->list(name, shown, [&](FieldWriter& e, std::size_t i) {
      FieldListing v(e, kind_known_);
      const auto entry = get(i);
      fields(v, entry);
    });
  }
  template <class Get, class Set>
  void values(const char* name, int, int shown, const char* const* names, Get&& get, Set&&) {
    w_->group(name, [&](FieldWriter& g) {
      for (int i = 0; i < shown; ++i) g.real(names && kind_known_ ? names[i] : "", get(i));
    });
  }
  // Lists the block's fields apart, to be placed by place_deferred().
  template <class Block>
  void deferred(Block&& block) {
    FieldWriter* const saved = w_;
    FieldWriter apart(deferred_);
    w_ = &apart;
    block();
    w_ = saved;
  }
  void place_deferred() {
    for (DumpField& f : deferred_) w_->append(std::move(f));
    deferred_.clear();
  }
  template <std::size_t N>
  void transposed(const char* name, const COORD2D (&points)[N]) {
    w_->list(name, N, [&](FieldWriter& e, std::size_t i) {
      FieldListing v(e, kind_known_);
      fields(v, points[i]);
    });
  }
  template <class T>
  void group(const char* name, const T& record) {
    w_->group(name, [&](FieldWriter& g) {
      FieldListing v(g, kind_known_);
      fields(v, record);
    });
  }
  template <class Outline>
  void outline(const char* name, const Outline& o) {
    group(name, o);
  }
  template <class Step>
  void input(Step&&) {}
  template <class Step>
  void output(Step&&) {}
  template <class T>
  void counted(const char* name, const T* entries, int n) {
    const std::size_t shown = static_cast<std::size_t>(n > 0 ? n : 0);
    if constexpr (std::is_arithmetic_v<T>) {
      w_->integers(name, entries, shown);
    } else {
      w_->list(name, shown, [&](FieldWriter& e, std::size_t i) {
        FieldListing v(e, kind_known_);
        fields(v, entries[i]);
      });
    }
  }

 private:
  FieldWriter* w_;
  std::vector<DumpField> deferred_;  // listed by place_deferred()
  bool kind_known_;
};

// A record whose fields are declared in record_fields.h.
template <class R>
concept DeclaresFields = requires(FieldListing& v, const R& r) { fields(v, r); };

// The fields that record declares, listed.
template <class R>
void declared_fields(FieldWriter& w, const R& record) {
  FieldListing v(w);
  fields(v, record);
}

// ---- palettes -----------------------------------------------------------------------

// A palette's fields; kind 0 (not known yet) leaves the common parameters unnamed.
template <class P>
void palette_fields(FieldWriter& w, const P& p, int kind) {
  FieldListing v(w, kind != 0);
  fields(v, p);
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

// The members of an element record of kind K that have a name, then its palette.
template <int K>
void record_fields(FieldWriter& w, const typename Kind<K>::element& r) {
  using E = typename Kind<K>::element;
  static_assert(DeclaresFields<E>, "every element record declares its fields");
  declared_fields(w, r);
  if constexpr (!kDeclaresPalette<E>) {
    w.group("palette", [&](FieldWriter& g) { palette_fields(g, r.palette, K); });
  }
}

// ---- records declared in record_fields.h, surfaces ----------------------------------------------------

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

// Lists what the block reader hands on. A record is decoded by the streamer of its
// kind once the node that consumes it names the kind; a palette image is first shown
// by its size and again by its kind at its node.
class Decoder : public ExchangeBlockHandler {
 public:
  explicit Decoder(std::span<const unsigned char> bytes)
      : reader_(bytes, FaultPlace::kApart) {
    dump_.file_size = bytes.size();
  }

  ExchangeDump run() {
    if (reader_.has_appendix()) {
      dump_.has_appendix = true;
      dump_.appendix.offset = reader_.appendix_offset();
      dump_.appendix.size = reader_.appendix_size();
      dump_.appendix.version = kAppendixVersion;
      for (const AppendixSectionRead& s : reader_.appendix().sections) {
        DumpAppendixSection& d = dump_.appendix.sections.emplace_back();
        d.offset = s.offset;
        d.kind = s.kind;
        d.name = section_name(s.kind);
        d.count = s.count;
        d.length = s.length;
        for (const std::string& e : s.entries) d.entries.push_back(printable(e.data(), e.size()));
      }
    }
    try {
      std::string_view description;
      try {
        reader_.read_description(&description);
      } catch (const ExchangeFault&) {
        if (description.data()) show_description(description);
        throw;
      }
      show_description(description);
      reader_.read_blocks(*this, ExchangeFileKind::kUnknown);
      dump_.ended = true;
      dump_.bytes_after_end = reader_.left();
    } catch (const ExchangeFault& f) {
      set_error(f);
      return std::move(dump_);
    }
    if (const auto f = reader_.appendix_fault()) set_error(*f);
    return std::move(dump_);
  }

 private:
  void set_error(const ExchangeFault& f) {
    dump_.error = f.what;
    dump_.error_offset = f.offset;
  }

  void show_description(std::string_view text) {
    dump_.has_description = true;
    dump_.description_length = static_cast<uint32_t>(text.size());
    dump_.description = printable(text.data(), text.size());
  }

  std::vector<DumpField>& fields() { return dump_.blocks.back().fields; }

  void header(const BlockHeader& h, uint64_t at) override {
    DumpBlock& b = dump_.blocks.emplace_back();
    b.offset = at;
    b.code = h.code;
    b.size = h.size;
    b.a = h.a;
    b.b = h.b;
    if (const char* name = block_name(h.code)) b.name = name;
  }

  void accepted(const BlockHeader& h, uint64_t) override {
    if (dump_.blocks.size() != 1) return;
    dump_.kind = reader_.kind();
    FieldWriter w(fields());
    w.integer("level", h.size);
    w.kind("kind", h.a);
    dump_.blocks.back().kind = kind_facts(h.a) ? h.a : 0;
  }

  void record(const BlockHeader& h, uint64_t, std::span<const unsigned char> bytes) override {
    record_index_ = dump_.blocks.size() - 1;
    if (h.code == BLOCK_PALETTE) {
      FieldWriter w(fields());
      palette_image_by_size(w, bytes);
    }
  }

  void surface(const DBSURFHATCH& entry, uint64_t) override {
    FieldWriter w(fields());
    declared_fields(w, entry);
  }

  void material(DBMATREF& ref, uint64_t) override {
    FieldWriter w(fields());
    declared_fields(w, ref);
  }

  void attribute(DBATTREFTYPE& ref, uint64_t) override {
    FieldWriter w(fields());
    declared_fields(w, ref);
  }

  void text(std::span<const unsigned char> bytes, uint64_t) override {
    FieldWriter w(fields());
    w.text("text", bytes.data(), bytes.size());
  }

  void node_read(const TreeNode& node, uint64_t) override {
    FieldWriter w(fields());
    declared_fields(w, node);
    dump_.blocks.back().kind = kind_facts(node.kind) ? node.kind : 0;
  }

  void leaf(TreeNode& node, const BlockHeader&, uint64_t, std::span<const unsigned char> bytes,
            uint64_t record_at) override {
    const bool palettes = dump_.kind == ExchangeFileKind::kPalette;
    visit_kind(node.kind, [&](auto k) {
      constexpr int K = decltype(k)::kind;
      std::vector<DumpField> fields;
      FieldWriter w(fields);
      w.kind("kind", K);
      if (palettes) {
        palette_image_fields<typename Kind<K>::palette>(w, bytes, K);
      } else {
        typename Kind<K>::element rec;
        reader_.restore(rec, bytes, "BLOCK_RECORD", record_at);
        record_fields<K>(w, rec);
      }
      DumpBlock& record = dump_.blocks[record_index_];
      record.fields = std::move(fields);
      record.kind = K;
    });
  }

  ExchangeBlockReader reader_;
  ExchangeDump dump_;
  std::size_t record_index_ = 0;  // the block of the record that precedes a leaf's node
};
}  // namespace

const DumpField* DumpField::find(const std::string& member) const {
  for (const DumpField& f : fields)
    if (f.name == member) return &f;
  return nullptr;
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
