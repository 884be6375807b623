// The list export file writer. One pass under the library's read lock writes the
// header, the dimensions, the markets, the subprices and the long text names straight
// to the file, then collects the identifiers of the exported materials and writes each
// material as it is read, so memory stays flat beyond that list of identifiers.
// Everything goes through one buffered output whose every write is checked, into a
// temporary file beside the target that is renamed into its place at the end; on any
// failure the export stops, the temporary file is removed (the target stays as it
// was) and the lock released. A text that the file could not carry back unchanged
// (a separator or a line break inside a field) fails the export, naming the record
// and the field.

#include "materials/list_exporter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include "foundation/arrays.h"
#include "foundation/fixed_text.h"
#include "foundation/material_records.h"
#include "host/database_task.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/file_replacement.h"
#include "host/list/list_context.h"
#include "host/platform.h"
#include "host/report.h"
#include "host/resources.h"
#include "materials/material_library.h"

namespace dlist {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr unsigned kFilterMessage = 21766;  // description of "*.lis" files
constexpr unsigned kTitleWholeLibrary = 11720;
constexpr unsigned kTitleSubtree = 11721;

using dlist::field_text;

// ---- numbers --------------------------------------------------------------------------

// Room for the longest fixed rendering of a double with 6 decimals: 309 digits, sign,
// point and decimals.
constexpr std::size_t kNumberRoom = 400;

// value with `decimals` fixed decimals and "." as the point, whatever the locale; then
// up to `zeros` trailing "0" characters removed.
std::string_view fixed_number(double value, int decimals, int zeros, char (&room)[kNumberRoom]) {
  const auto r = std::to_chars(room, room + kNumberRoom, value, std::chars_format::fixed, decimals);
  if (r.ec != std::errc{}) return {};
  std::size_t n = static_cast<std::size_t>(r.ptr - room);
  while (zeros-- > 0 && n > 0 && room[n - 1] == '0') --n;
  return std::string_view(room, n);
}

// A factor, a unit reference's factor or a subprice value: 6 decimals, up to five
// trailing zeros removed (2.5, 3.0, 0.000001).
std::string_view factor_number(double value, char (&room)[kNumberRoom]) {
  return fixed_number(value, 6, 5, room);
}

// A unit price: 2 decimals, one trailing zero removed (12.5, 12.0).
std::string_view price_number(double value, char (&room)[kNumberRoom]) {
  return fixed_number(value, 2, 1, room);
}

// The character written after a subprice's name for its kind; 0 for a kind the file
// has no character for.
char kind_character(SUBPRICETYPE kind) {
  switch (kind) {
    case SUBPRICE_FORMULA:
      return ' ';
    case SUBPRICE_MULTIPLY:
      return '*';
    case SUBPRICE_ADD:
      return '+';
    case SUBPRICE_INFO:
      return 'i';
  }
  return 0;
}

// ---- texts the file can carry ---------------------------------------------------------

// Nothing in the file is quoted or escaped, so a text can go into a field only when it
// holds none of the bytes that end that field or a neighbour. Separators of a header
// item (";") and of a material's field ("|"), and the "." between code components:
constexpr std::string_view kItemStops = ";";
constexpr std::string_view kFieldStops = "|";
constexpr std::string_view kAbbrevStops = ";|";
constexpr std::string_view kCodeStops = "|.";

// What in text the file cannot carry: the first byte of stops, or a line break (CR
// LF pairs are allowed when pairs is true: a long text before the last one may run
// over several lines). Empty when text can be written.
std::string unwritable(std::string_view text, std::string_view stops, bool pairs = false) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (pairs && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
        continue;
      }
      return pairs ? "a line break other than CR LF" : "a line break";
    }
    if (stops.find(c) != std::string_view::npos) return std::string("\"") + c + "\"";
  }
  return {};
}

// ---- the output -----------------------------------------------------------------------

// The file, written through a buffer of its own into a temporary file beside the
// target, which takes the target's place only when close() succeeds. A failed write
// is remembered and every later write is dropped, so a caller checks ok() where it
// matters; a file that is not closed successfully is removed, and the target stays
// as it was.
class ListFile {
 public:
  ListFile() = default;
  ListFile(const ListFile&) = delete;
  ListFile& operator=(const ListFile&) = delete;

  bool open(const char* path) {
    try {
      file_ = std::make_unique<FileReplacement>(path);
    } catch (const std::exception&) {
      file_.reset();
    }
    return file_ != nullptr;
  }

  void put(std::string_view text) {
    while (ok_ && !text.empty()) {
      const std::size_t n = std::min(text.size(), sizeof buffer_ - used_);
      std::memcpy(buffer_ + used_, text.data(), n);
      used_ += n;
      text.remove_prefix(n);
      if (used_ == sizeof buffer_) flush();
    }
  }
  void put(char c) { put(std::string_view(&c, 1)); }

  bool ok() const { return ok_; }

  // Writes what is buffered and puts the file in the target's place; false when a
  // write, the close or the rename failed at any time.
  bool close() {
    if (file_ == nullptr) return false;
    flush();
    if (ok_) {
      try {
        file_->commit();
      } catch (const std::exception&) {
        ok_ = false;
      }
    }
    file_.reset();
    return ok_;
  }

 private:
  void flush() {
    if (ok_ && used_ > 0) {
      try {
        file_->file().write(buffer_, static_cast<unsigned>(used_));
      } catch (const std::exception&) {
        ok_ = false;
      }
    }
    used_ = 0;
  }

  std::unique_ptr<FileReplacement> file_;
  bool ok_ = true;
  std::size_t used_ = 0;
  char buffer_[1 << 16];
};

// ---- the writer -------------------------------------------------------------------------

// Writes the sections of one export. Each step returns false with the reason kept.
class ListWriter {
 public:
  ListWriter(LISTCONTEXT& library, ListFile& out) : library_(library), out_(out) {}

  const std::string& reason() const { return reason_; }
  // Whether the export stopped at a text the file cannot carry.
  bool refused() const { return refused_; }

  // The version byte with the banner, then the ID separator alone on its line.
  bool header() {
    out_.put(static_cast<char>(kListVersion));
    out_.put(kListBanner);
    out_.put(kLineEnd);
    dbvernum version{};
    if (library_.get(version) == 0) return fail("cannot read the version record");
    if (!carries(std::string_view(&version.idseparator, version.idseparator != 0 ? 1 : 0), {},
                 "the library", "ID separator")) {
      return false;
    }
    if (version.idseparator != 0) out_.put(version.idseparator);
    out_.put(kLineEnd);
    return written();
  }

  // Every dimension that has a basic unit, with its units that are not basic; false
  // when the library holds no unit at all.
  bool dimensions() {
    std::vector<dbunit> dims;
    std::vector<long> ids;
    if (library_.rewind_unit(0) < 0) return fail("cannot walk the dimensions");
    dbunit unit{};
    if (!walk(unit, "dimensions", [&](long id) {
          dims.push_back(unit);
          ids.push_back(id);
        })) {
      return false;
    }
    if (dims.empty()) return fail("the library has no unit");

    std::vector<dbunit> units;
    for (std::size_t d = 0; d < dims.size(); ++d) {
      units.clear();
      if (library_.rewind_unit(ids[d]) < 0) return fail("cannot walk the units");
      if (!walk(unit, "units", [&](long) { units.push_back(unit); })) return false;
      const auto basic = std::find_if(units.begin(), units.end(), [](const dbunit& u) {
        return std::fabs(u.factor - 1.0) < kBasicUnitTolerance;
      });
      if (basic == units.end()) continue;  // nothing at all of a dimension without one
      const std::string dimension = "dimension \"" + std::string(field_text(dims[d].name)) + "\"";
      if (!carries(field_text(dims[d].name), kItemStops, dimension, "name") ||
          !carries(field_text(basic->abbrev), kAbbrevStops, dimension, "basic unit's abbreviation") ||
          !carries(field_text(basic->name), {}, dimension, "basic unit's name")) {
        return false;
      }
      out_.put("dim:");
      out_.put(field_text(dims[d].name));
      out_.put(';');
      out_.put(field_text(basic->abbrev));
      out_.put(';');
      out_.put(field_text(basic->name));
      out_.put(kLineEnd);
      for (const dbunit& u : units) {
        if (!(std::fabs(u.factor - 1.0) > kBasicUnitTolerance)) continue;
        const std::string unit_name = "unit " + std::string(field_text(u.abbrev));
        if (!carries(field_text(u.abbrev), kAbbrevStops, unit_name, "abbreviation") ||
            !carries(field_text(u.name), kItemStops, unit_name, "name")) {
          return false;
        }
        out_.put("+unit:");
        out_.put(field_text(u.abbrev));
        out_.put(';');
        out_.put(field_text(u.name));
        out_.put(';');
        if (!put_factor(u.factor)) return false;
        out_.put(kLineEnd);
      }
      if (!written()) return false;
    }
    return true;
  }

  bool markets() {
    if (library_.rewind_market() < 0) return fail("cannot walk the markets");
    dbmarket market{};
    return walk(market, "markets",
                [&](long) {
                  // Materials name their market in a field ended by "|".
                  if (!carries(field_text(market.name), kFieldStops,
                               "market \"" + std::string(field_text(market.name)) + "\"", "name")) {
                    return false;
                  }
                  out_.put("market:");
                  out_.put(field_text(market.name));
                  out_.put(kLineEnd);
                  return true;
                }) &&
           written();
  }

  // Abbreviation, name with its kind character, and the formula or the value.
  bool subprices() {
    if (library_.rewind_subprice() < 0) return fail("cannot walk the subprices");
    dbsubprice sub{};
    return walk(sub, "subprices", [&](long) {
      const char kind = kind_character(sub.kind);
      if (kind == 0) {
        return fail("subprice " + std::string(field_text(sub.abbrev)) + " has the unknown kind " +
                    std::to_string(static_cast<int>(sub.kind)));
      }
      const std::string subprice = "subprice " + std::string(field_text(sub.abbrev));
      if (!carries(field_text(sub.abbrev), kAbbrevStops, subprice, "abbreviation") ||
          !carries(field_text(sub.name), kItemStops, subprice, "name") ||
          ((sub.kind == SUBPRICE_FORMULA || sub.kind == SUBPRICE_INFO) &&
           !carries(field_text(sub.formula), {}, subprice, "formula"))) {
        return false;
      }
      out_.put("subprice:");
      out_.put(field_text(sub.abbrev));
      out_.put(';');
      out_.put(field_text(sub.name));
      out_.put(kind);
      out_.put(';');
      if (sub.kind == SUBPRICE_FORMULA || sub.kind == SUBPRICE_INFO) {
        out_.put(field_text(sub.formula));
      } else if (!put_factor(sub.value)) {
        return false;
      }
      out_.put(kLineEnd);
      return written();
    });
  }

  // The four names separated by "|", then one empty line.
  bool long_text_names() {
    longtextname names{};
    if (library_.get(names) == 0) return fail("cannot read the long text names");
    static const char* const kWhich[kLongTextCount] = {"first long text name", "second long text name",
                                                       "third long text name", "fourth long text name"};
    for (int i = 0; i < kLongTextCount; ++i) {
      if (!carries(field_text(names.name[i]), i + 1 < kLongTextCount ? kFieldStops : std::string_view(),
                   "the library", kWhich[i])) {
        return false;
      }
    }
    out_.put("long text names:");
    for (int i = 0; i < kLongTextCount; ++i) {
      if (i > 0) out_.put('|');
      out_.put(field_text(names.name[i]));
    }
    out_.put(kLineEnd);
    out_.put(kLineEnd);
    return written();
  }

  // One line per listed material (identifiers below 1 are skipped). Codes start as
  // target says: below 0 the full code; otherwise at the level of the first listed
  // material, after the components of material target when it is above 0.
  bool materials(const CRAS<long, 4>& ids, long target) {
    std::size_t start = 0;
    std::string prefix;
    MATIDCHAIN chain;
    if (target >= 0 && ids.size() > 0) {
      if (library_.get_matidchain(ids[0u], chain) == 0 || chain.size() == 0) {
        return fail("cannot read the code of material " + std::to_string(ids[0u]));
      }
      start = chain.size() - 1;
      if (target > 0) {
        if (library_.get_matidchain(target, chain) == 0) {
          return fail("cannot read the code of material " + std::to_string(target));
        }
        for (unsigned k = 0; k < chain.size(); ++k) {
          if (!carries(field_text(chain[k].id), kCodeStops, "target material " + std::to_string(target),
                       "code")) {
            return false;
          }
          prefix += field_text(chain[k].id);
          prefix += '.';
        }
      }
    }

    dbmaterial rec{};
    LONGTEXT texts[kLongTextCount];
    std::vector<unitref> refs;
    for (unsigned i = 0; i < ids.size(); ++i) {
      const long id = ids[i];
      if (id < 1) continue;
      if (library_.get(id, rec, texts) != id) {
        return fail("cannot read material " + std::to_string(id));
      }
      if (library_.get_matidchain(id, chain) == 0 || chain.size() <= start) {
        return fail("cannot read the code of material " + std::to_string(id));
      }
      if (!carries_material(id, rec, texts, chain, start)) return false;
      out_.put(prefix);
      for (unsigned k = static_cast<unsigned>(start); k < chain.size(); ++k) {
        if (k > start) out_.put('.');
        out_.put(field_text(chain[k].id));
      }
      out_.put('|');
      out_.put(field_text(rec.name));
      out_.put('|');
      out_.put(field_text(rec.market));
      out_.put('|');
      char room[kNumberRoom];
      const std::string_view price = price_number(rec.unit_price, room);
      if (price.empty()) return fail("cannot write the price of material " + std::to_string(id));
      out_.put(price);
      out_.put('|');

      // The reference in the native unit first, then the others in their order.
      refs.clear();
      unitref ref{};
      if (library_.rewind_unit_ref(id) < 0) return fail("cannot walk the unit references");
      if (!walk(ref, "unit references", [&](long) { refs.push_back(ref); })) return false;
      const std::string_view native = field_text(rec.native_unit);
      const auto first = std::find_if(refs.begin(), refs.end(),
                                      [&](const unitref& r) { return field_text(r.abbrev) == native; });
      if (first != refs.end() && !put_reference(first->abbrev, first->factor)) return false;
      for (const unitref& r : refs) {
        if (field_text(r.abbrev) != native && !put_reference(r.abbrev, r.factor)) return false;
      }
      out_.put(';');

      subpriceref sub{};
      if (library_.rewind_subprice_ref(id) < 0) return fail("cannot walk the subprice references");
      if (!walk(sub, "subprice references",
                [&](long) { return put_reference(sub.abbrev, sub.value); })) {
        return false;
      }
      out_.put(';');

      for (int t = 0; t < kLongTextCount; ++t) {
        const LONGTEXT& text = texts[t];
        out_.put(std::string_view(text, text.size()));
        out_.put(t + 1 < kLongTextCount ? std::string_view("|") : kLineEnd);
      }
      if (!written()) return false;
    }
    return true;
  }

 private:
  bool fail(std::string why) {
    reason_ = std::move(why);
    return false;
  }
  bool written() { return out_.ok() || fail("cannot write the file"); }

  // False, with the reason naming the record and its field, when text holds what
  // the file cannot carry in that field (see unwritable).
  bool carries(std::string_view text, std::string_view stops, const std::string& record,
               const char* what, bool pairs = false) {
    const std::string bad = unwritable(text, stops, pairs);
    if (bad.empty()) return true;
    refused_ = true;
    return fail(record + ": its " + what + " holds " + bad +
                ", which a list file cannot carry there; nothing was exported");
  }

  // Steps through the walk that the last rewind positioned, calling each(identifier)
  // with rec filled for every record; each may return false to stop. False when a step
  // failed (a walk ends with 0, fails with a result below 0) or each stopped.
  template <class Record, class Each>
  bool walk(Record& rec, const char* what, Each&& each) {
    long id;
    while ((id = library_.get(rec)) > 0) {
      if constexpr (std::is_same_v<decltype(each(id)), bool>) {
        if (!each(id)) return false;
      } else {
        each(id);
      }
    }
    return id == 0 || fail(std::string("cannot walk the ") + what);
  }

  // Every text field of a material: its code components, name, market and long texts.
  bool carries_material(long id, const dbmaterial& rec, const LONGTEXT (&texts)[kLongTextCount],
                        const MATIDCHAIN& chain, std::size_t start) {
    std::string code;
    for (unsigned k = 0; k < chain.size(); ++k) {
      if (k > 0) code += '.';
      code += field_text(chain[k].id);
    }
    const std::string material = "material " + code + " (" + std::to_string(id) + ")";
    for (unsigned k = static_cast<unsigned>(start); k < chain.size(); ++k) {
      if (!carries(field_text(chain[k].id), kCodeStops, material, "code")) return false;
    }
    if (!carries(field_text(rec.name), kFieldStops, material, "name") ||
        !carries(field_text(rec.market), kFieldStops, material, "market")) {
      return false;
    }
    static const char* const kWhich[kLongTextCount] = {"first long text", "second long text",
                                                       "third long text", "fourth long text"};
    for (int t = 0; t < kLongTextCount; ++t) {
      const std::string_view text(texts[t], texts[t].size());
      const bool last = t + 1 == kLongTextCount;
      if (!carries(text, last ? std::string_view() : kFieldStops, material, kWhich[t], !last)) {
        return false;
      }
    }
    return true;
  }

  bool put_factor(double value) {
    char room[kNumberRoom];
    const std::string_view text = factor_number(value, room);
    if (text.empty()) return fail("cannot write a number");
    out_.put(text);
    return true;
  }
  // abbreviation "|" factor "|"
  bool put_reference(const char (&abbrev)[kUnitAbbrevSize], double value) {
    if (!carries(field_text(abbrev), kAbbrevStops, "a reference to " + std::string(field_text(abbrev)),
                 "abbreviation")) {
      return false;
    }
    out_.put(field_text(abbrev));
    out_.put('|');
    if (!put_factor(value)) return false;
    out_.put('|');
    return true;
  }

  LISTCONTEXT& library_;
  ListFile& out_;
  std::string reason_;
  bool refused_ = false;
};

// ---- selections --------------------------------------------------------------------------

// The whole library (root 0: each root followed by its subtree) or the subtree of root.
bool collect_subtrees(LISTCONTEXT& library, long root, CRAS<long, 4>& ids, std::string& reason) {
  std::vector<long> roots;
  if (root != 0) {
    roots.push_back(root);
  } else {
    if (library.rewind_material(0) < 0) {
      reason = "cannot walk the root materials";
      return false;
    }
    dbmaterial rec{};
    long id;
    while ((id = library.get(rec, nullptr)) > 0) roots.push_back(id);
    if (id < 0) {
      reason = "cannot walk the root materials";
      return false;
    }
    if (roots.empty()) {
      reason = "the library has no material";
      return false;
    }
  }
  for (long id : roots) {
    const unsigned before = ids.size();
    ids.push(id);
    if (ids.size() == before || CollectMaterialSubtree(&library, id, &ids) == 0) {
      reason = "cannot collect the subtree of material " + std::to_string(id);
      return false;
    }
  }
  return true;
}

// Adds to codes the code of every ancestor of each listed material that is not listed
// yet, then sorts the whole chain in ascending byte order (stable, so equal codes keep
// their order). Codes that name no material are kept and sorted with the others.
bool extend_and_sort(LISTCONTEXT& library, TEXTBUFFERCHAIN& codes, std::string& reason) {
  std::unordered_set<std::string> present;
  const unsigned listed = codes.size();
  for (unsigned i = 0; i < listed; ++i) present.insert(codes[i].get());

  dbmaterial rec{};
  MATIDCHAIN chain;
  for (unsigned i = 0; i < listed; ++i) {
    const long id = library.get(codes[i], rec, nullptr);
    if (id < 1) continue;
    if (library.get_matidchain(id, chain) == 0) {
      reason = "cannot read the code of material " + std::to_string(id);
      return false;
    }
    std::string ancestor;
    for (unsigned k = 0; k + 1 < chain.size(); ++k) {
      if (k > 0) ancestor += '.';
      ancestor += field_text(chain[k].id);
      if (!present.insert(ancestor).second) continue;
      const unsigned before = codes.size();
      codes.push(TEXTBUFFER(ancestor.c_str()));
      if (codes.size() == before || codes.top().empty()) {
        reason = "no memory for the ancestors' codes";
        return false;
      }
    }
  }

  std::vector<TEXTBUFFER> sorted;
  sorted.reserve(codes.size());  // the only step that may throw; codes are untouched yet
  for (unsigned i = 0; i < codes.size(); ++i) sorted.push_back(std::move(codes[i]));
  std::stable_sort(sorted.begin(), sorted.end(), [](const TEXTBUFFER& a, const TEXTBUFFER& b) {
    return std::strcmp(a.get(), b.get()) < 0;
  });
  for (unsigned i = 0; i < codes.size(); ++i) codes[i] = std::move(sorted[i]);
  return true;
}

// The material of each code, in the chain's order; codes that name none are skipped.
bool collect_codes(LISTCONTEXT& library, const TEXTBUFFERCHAIN& codes, CRAS<long, 4>& ids,
                   std::string& reason) {
  dbmaterial rec{};
  for (unsigned i = 0; i < codes.size(); ++i) {
    const long id = library.get(codes[i], rec, nullptr);
    if (id < 1) continue;
    const unsigned before = ids.size();
    ids.push(id);
    if (ids.size() == before) {
      reason = "no memory for the list of materials";
      return false;
    }
  }
  return true;
}

// ---- the export -------------------------------------------------------------------------

int failed(const std::string& why) {
  DiagnosticOut(("ListExporter: " + why).c_str());
  return 0;
}

// Writes the file at path: the library's sections, then the materials of the
// subtrees (codes null) or of the listed codes (extended and sorted in place).
// With a window, a refused text is shown to the user (message 50202 with the reason,
// the caption given); other failures show nothing.
int export_list(LISTCONTEXT& library, const char* path, long root, long target,
                TEXTBUFFERCHAIN* codes, void* window = nullptr, const std::string& caption = {}) {
  ListFile out;
  if (!out.open(path)) return failed(std::string("cannot open ") + path);
  const ReadLock lock(&library);
  if (!lock) return failed("cannot take the read lock");

  ListWriter writer(library, out);
  const auto writer_failed = [&] {
    if (window != nullptr && writer.refused()) {
      MessageBoxA(window, format_message(50202, writer.reason()).c_str(), caption.c_str(),
                  kMbOk | kMbIconExclamation);
    }
    return failed(writer.reason());
  };
  if (!writer.header() || !writer.dimensions() || !writer.markets() || !writer.subprices() ||
      !writer.long_text_names()) {
    return writer_failed();
  }

  CRAS<long, 4> ids;
  std::string reason;
  const bool listed = codes == nullptr ? collect_subtrees(library, root, ids, reason)
                                       : extend_and_sort(library, *codes, reason) &&
                                             collect_codes(library, *codes, ids, reason);
  if (!listed) return failed(reason);
  if (!writer.materials(ids, codes == nullptr ? target : -1)) return writer_failed();
  if (!out.close()) return failed("cannot write the file");
  return 1;
}

// A new temporary file name in the temporary folder, copied into path (which has room
// for kListTempPathSize bytes); false when none can be made or it does not fit.
bool temporary_path(char* path) {
  const std::filesystem::path made = unique_temp_path(temp_directory());
  const std::string name = made.string();
  if (name.empty()) return false;
  if (name.size() + 1 > static_cast<std::size_t>(kListTempPathSize)) {
    std::error_code ignored;
    std::filesystem::remove(made, ignored);  // a cut name would be another file
    return false;
  }
  std::memcpy(path, name.c_str(), name.size() + 1);
  return true;
}

}  // namespace
}  // namespace dlist

int DLIST_CALL ListExporter(void* window, LISTCONTEXT* library, long root, char* path,
                            long target) {
  try {
    if (library == nullptr) return dlist::failed("no library");
    if (window != nullptr) {
      const std::string filter = dlist::load_string(dlist::kFilterMessage) + "|*.lis";
      const std::string title =
          dlist::load_string(root != 0 ? dlist::kTitleSubtree : dlist::kTitleWholeLibrary);
      char chosen[kListTempPathSize] = "";
      if (SaveFile(window, filter.c_str(), chosen, sizeof chosen, title.c_str()) == 0) return 0;
      return dlist::export_list(*library, chosen, root, target, nullptr, window, title);
    }
    if (path == nullptr) return dlist::failed("no file name");
    if (path[0] == '\0' && !dlist::temporary_path(path)) {
      return dlist::failed("cannot make a temporary file name");
    }
    return dlist::export_list(*library, path, root, target, nullptr);
  } catch (const std::exception& e) {
    return dlist::failed(e.what());
  } catch (...) {
    return dlist::failed("unknown failure");
  }
}

int DLIST_CALL ListExporter(LISTCONTEXT* library, char* path, TEXTBUFFERCHAIN* codes) {
  try {
    if (library == nullptr || codes == nullptr) return dlist::failed("no library or no codes");
    if (codes->size() == 0) return 1;
    if (path == nullptr || path[0] == '\0') return dlist::failed("no file name");
    return dlist::export_list(*library, path, 0, -1, codes);
  } catch (const std::exception& e) {
    return dlist::failed(e.what());
  } catch (...) {
    return dlist::failed("unknown failure");
  }
}
