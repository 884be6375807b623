// ListImporter: the record reader's callbacks of the list import. Each field is
// checked and put into the current record (MATERIALENTRY); a complete record gets
// its native unit and is placed: as a new material, or over a stored one of the
// same code when the user agrees. A material that the user keeps is left exactly
// as it was, references included.
#include "materials/list_importer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/list/list_context.h"
#include "host/progress.h"
#include "host/report.h"
#include "host/resources.h"
#include "materials/import_questions.h"
#include "materials/list_dialogs.h"
#include "materials/material_library.h"
#include "materials/material_library_internal.h"

namespace {

using dlist::limport::ImportState;

// Components of a code, and the bytes of one.
constexpr std::size_t kMaxCodeComponents = 256;
constexpr std::size_t kMaxExpressionField = 1024;
// Error number of a material code that cannot be stored.
constexpr int kBadCode = 24;

using dlist::field_text;
using dlist::put_field;

bool same_factor(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a)); }

template <typename Ref, typename Value>
bool same_refs(std::vector<Ref> a, std::vector<Ref> b, Value value) {
  if (a.size() != b.size()) return false;
  const auto less = [&](const Ref& x, const Ref& y) {
    const int c = std::strncmp(x.abbrev, y.abbrev, kUnitAbbrevSize);
    return c != 0 ? c < 0 : value(x) < value(y);
  };
  std::sort(a.begin(), a.end(), less);
  std::sort(b.begin(), b.end(), less);
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::strncmp(a[i].abbrev, b[i].abbrev, kUnitAbbrevSize) != 0) return false;
    if (!same_factor(value(a[i]), value(b[i]))) return false;
  }
  return true;
}

}  // namespace

ListImporter::ListImporter(void* window, LISTCONTEXT* library, long parent,
                           const FileImport& fields, int ask, ImportState& state,
                           const dlist::ListImportOptions& options, dlist::ProgressWindow* progress)
    : Importer(fields),
      window_(window),
      library_(library),
      ask_(ask),
      state_(state),
      options_(options),
      progress_(progress) {
  if (options.overwrite == dlist::kOverwriteAll || options.overwrite == dlist::kKeepAll) {
    overwrite_choice_ = *options.overwrite;
  }
  if (parent > 0) {
    MATIDCHAIN chain;
    ready_ = library_->get_matidchain(parent, chain) != 0;
    for (unsigned i = 0; ready_ && i < chain.size(); ++i) parent_code_.emplace_back(field_text(chain[i].id));
  }
  ResetEntry();
}

ListImporter::~ListImporter() = default;

int ListImporter::Reset() {
  entry_.code.clear();
  return 1;
}

void ListImporter::ResetEntry() {
  entry_.material = dbmaterial{};
  for (LONGTEXT& text : entry_.texts) text.resize(0);
  entry_.code.clear();
  for (unitref& u : entry_.units) u = unitref{};
  for (subpriceref& s : entry_.subprices) {
    s = subpriceref{};
    s.value = kSubpriceNotGiven;
  }
  conversion_ = 1.0;
  native_dimension_ = -1;
  second_dimension_ = -1;
  second_factor_ = 0;
  native_read_.clear();
  price_state_ = 0;
}

void ListImporter::error_box(int error) {
  dlist::limport::show_error(window_, error);
}

int ListImporter::FieldReady(const FIELDPARS& field) {
  const int error = take_field(field);
  if (error == 0) return 1;
  if (error < 0) {
    state_.cancelled = true;
    return 0;
  }
  error_box(error);
  const std::string name = dlist::load_string(static_cast<unsigned>(field.name));
  const std::string invalid = dlist::load_string(21678);
  const std::string caption = dlist::load_string(21677);
  MessageBoxA(window_, dlist::format_text("%s - ( %s )", {name, invalid}).c_str(), caption.c_str(),
              dlist::kMbOk | dlist::kMbIconExclamation);
  return 0;
}

int ListImporter::first_free_unit_slot() const {
  for (int i = 0; i < kEntryUnitSlots - 1; ++i) {
    if (entry_.units[i].abbrev[0] == '\0') return i;
  }
  return -1;
}

int ListImporter::first_free_subprice_slot() const {
  for (int i = 0; i < kEntrySubpriceSlots; ++i) {
    if (entry_.subprices[i].abbrev[0] == '\0') return i;
  }
  return -1;
}

// A dimension field: the dimension number of a unit text, from the cache or asked.
int ListImporter::field_dimension(int& slot, int given_error, int text_error) {
  const std::string text(Data(), static_cast<std::size_t>(Length()));
  if (text.empty() || text.size() >= kUnitAbbrevSize) return text_error;
  if (slot >= 0) return given_error;
  for (const auto& [number, unit] : state_.dimension_cache) {
    if (unit == text) {
      slot = number;
      return 0;
    }
  }
  const int number = AskDimension(window_, library_, text.c_str());
  if (number < 0) return -1;
  state_.dimension_cache.emplace_back(number, text);
  slot = number;
  return 0;
}

int ListImporter::take_field(const FIELDPARS& field) {
  using namespace dlist::limport;
  const std::size_t length = static_cast<std::size_t>(Length());
  const std::string text(Data(), length);
  // Numbers longer than any expression worth reading are refused unread.
  if (length > kMaxExpressionField) {
    switch (field.type) {
      case kTypeSecondFactor: return 8;
      case kTypeSubpriceValue: return 12;
      case kTypeUnitPrice: return 15;
      case kTypeConversion: return 18;
      case kTypeUnitFactor: return 21;
      default: break;
    }
  }
  double value = 0;
  switch (field.type) {
    case kTypeCode: {
      entry_.code.clear();
      std::size_t from = 0;
      for (;;) {
        const std::size_t dot = text.find('.', from);
        const std::string part = text.substr(from, dot == std::string::npos ? std::string::npos : dot - from);
        if (part.empty() || part.size() >= kMatIdSize || entry_.code.size() >= kMaxCodeComponents) {
          return kBadCode;
        }
        entry_.code.push_back(part);
        if (dot == std::string::npos) break;
        from = dot + 1;
      }
      return 0;
    }
    case kTypeName:
      if (length < 1 || length >= kMatNameSize) return 1;
      put_field(entry_.material.name, text);
      return 0;
    case kTypeMarket:
      if (length >= kMarketNameSize) return 2;
      put_field(entry_.material.market, text);
      return 0;
    case kTypeNativeDimension:
      return field_dimension(native_dimension_, 4, 3);
    case kTypeNativeUnit:
      if (length < 1 || length >= kUnitAbbrevSize) return 5;
      native_read_ = text;
      return 0;
    case kTypeSecondDimension:
      return field_dimension(second_dimension_, 7, 6);
    case kTypeSecondFactor:
      if (!evaluate(text, value, state_.decimal_point)) return 8;
      second_factor_ = value;
      return 0;
    case kTypeSubpriceName: {
      if (price_state_ == 0) {
        price_state_ = 1;
        return 0;
      }
      if (length < 2) return 9;
      const int slot = first_free_subprice_slot();
      if (slot < 0) return 10;
      const std::string name = text.substr(0, length - 1);
      std::vector<long> ids;
      if (library_->subprice_ids(ids) < 0) return 11;
      for (const long id : ids) {
        dbsubprice rec{};
        if (library_->get(id, rec) == id && field_text(rec.name) == name) {
          std::memcpy(entry_.subprices[slot].abbrev, rec.abbrev, kUnitAbbrevSize);
          entry_.subprices[slot].abbrev[kUnitAbbrevSize - 1] = '\0';
          return 0;
        }
      }
      return 11;
    }
    case kTypeSubpriceValue: {
      if (!evaluate(text, value, state_.decimal_point)) return 12;
      value = round_half_up(value, 6);
      if (price_state_ == 1) {
        if (value < 0 || value > kMaxUnitPrice) return dlist::limport::kErrorPriceRange;
        entry_.material.unit_price = value;
        price_state_ = 2;
        return 0;
      }
      for (subpriceref& s : entry_.subprices) {
        if (s.value == kSubpriceNotGiven) {
          s.value = value;
          return 0;
        }
      }
      return 14;
    }
    case kTypeLongText1:
    case kTypeLongText1 + 1:
    case kTypeLongText1 + 2:
    case kTypeLongText4: {
      const int t = field.type - kTypeLongText1;
      if (length == 0) {
        entry_.texts[t].resize(0);
      } else {
        char* bytes = entry_.texts[t].resize(static_cast<unsigned>(length));
        if (bytes == nullptr) {
          SpecBeep(0, "LIMPORT", __LINE__);
          return -1;
        }
        std::memcpy(bytes, text.data(), length);
      }
      entry_.material.long_text_length[t] = static_cast<int32_t>(length);
      return 0;
    }
    case kTypeUnitPrice:
      if (!evaluate(text, value, state_.decimal_point)) return 15;
      value = round_half_up(value, 2);
      if (value < 0 || value > kMaxUnitPrice) return dlist::limport::kErrorPriceRange;
      entry_.material.unit_price = value;
      return 0;
    case kTypeSubpriceAbbrev: {
      if (length < 1 || length >= kUnitAbbrevSize) return 16;
      const int slot = first_free_subprice_slot();
      if (slot < 0) return 17;
      put_field(entry_.subprices[slot].abbrev, text);
      return 0;
    }
    case kTypeConversion:
      if (!evaluate(text, value, state_.decimal_point)) return 18;
      conversion_ = value;
      return 0;
    case kTypeUnitAbbrev: {
      if (length < 1 || length >= kUnitAbbrevSize) return 19;
      const int slot = first_free_unit_slot();
      if (slot < 0) return 20;
      put_field(entry_.units[slot].abbrev, text);
      return 0;
    }
    case kTypeUnitFactor: {
      if (!evaluate(text, value, state_.decimal_point)) return 21;
      if (!(value > 1e-6)) {
        DiagnosticOut("CONVERSION_FACTOR");
        return 22;
      }
      value = round_half_up(value, 6);
      for (int i = 0; i < kEntryUnitSlots - 1; ++i) {
        if (entry_.units[i].factor == 0) {
          entry_.units[i].factor = value;
          return 0;
        }
      }
      return 23;
    }
    default:  // kTypeIgnored, kTypeSkipped, kTypeGroupEnd and anything else: not kept
      return 0;
  }
}

int ListImporter::RecordReady() {
  if (native_dimension_ < 0) {
    if (!native_read_.empty()) {
      int slot = -1;
      for (int i = 0; i < kEntryUnitSlots; ++i) {
        if (entry_.units[i].abbrev[0] == '\0') {
          slot = i;
          break;
        }
      }
      if (slot < 0) {
        error_box(20);
        return 0;
      }
      put_field(entry_.units[slot].abbrev, native_read_);
      entry_.units[slot].factor = conversion_;
      put_field(entry_.material.native_unit, native_read_);
    } else {
      std::memcpy(entry_.material.native_unit, entry_.units[0].abbrev, kUnitAbbrevSize);
    }
  } else {
    if (native_read_.empty()) {
      error_box(5);
      return 0;
    }
    const double unit_factor = second_dimension_ == native_dimension_ ? second_factor_ : 1.0;
    std::string library_abbrev;
    for (const UnitConflict& c : state_.conflicts) {
      if (c.dimension == native_dimension_ && field_text(c.file_abbrev) == native_read_) {
        library_abbrev = field_text(c.library_abbrev);
        break;
      }
    }
    if (library_abbrev.empty()) {
      dbunit found{};
      const long unit = library_->find_unit(native_read_.c_str(), found);
      if (unit > 0 && DimensionNumber(library_, native_read_.c_str()) == native_dimension_) {
        library_abbrev = native_read_;
      } else {
        char answer[kUnitAbbrevSize] = {};
        if (AskLibraryAbbreviation(window_, library_, native_dimension_, native_read_.c_str(), answer) == 0) {
          state_.cancelled = true;
          return 0;
        }
        answer[kUnitAbbrevSize - 1] = '\0';
        UnitConflict entry;
        entry.dimension = native_dimension_;
        std::memcpy(entry.library_abbrev, answer, kUnitAbbrevSize);
        put_field(entry.file_abbrev, native_read_);
        state_.conflicts.push_back(entry);
        library_abbrev = field_text(entry.library_abbrev);
      }
    }
    for (unitref& u : entry_.units) u = unitref{};
    put_field(entry_.units[0].abbrev, library_abbrev);
    entry_.units[0].factor = unit_factor;
    put_field(entry_.material.native_unit, library_abbrev);
    if (second_dimension_ >= 0 && second_dimension_ != native_dimension_) {
      dbunit dim{};
      const std::string dim_abbrev = "##" + std::to_string(second_dimension_);
      if (library_->find_unit(dim_abbrev.c_str(), dim) < 1) {
        error_box(27);
        return 0;
      }
      char etalon[kUnitAbbrevSize] = {};
      if (GetDimEtalon(library_, static_cast<short>(second_dimension_), etalon) == 0) {
        error_box(28);
        return 0;
      }
      std::memcpy(entry_.units[1].abbrev, etalon, kUnitAbbrevSize);
      entry_.units[1].factor = second_factor_;
    }
  }
  if (ItemPlacement() == 0) return 0;
  if (progress_ != nullptr) {
    progress_->step(field_text(entry_.material.name));
    if (progress_->cancelled()) {
      state_.cancelled = true;
      state_.stopped = true;
      return 0;
    }
  }
  ResetEntry();
  return 1;
}

std::vector<unitref> ListImporter::final_unit_refs() const {
  std::vector<unitref> refs;
  for (const unitref& u : entry_.units) {
    if (u.abbrev[0] == '\0') continue;
    unitref r = u;
    put_field(r.abbrev, state_.map_abbrev(field_text(u.abbrev)));
    refs.push_back(r);
  }
  const std::string native = state_.map_abbrev(field_text(entry_.material.native_unit));
  const std::string piece = dlist::limport::piece_unit();
  const bool has_piece = native == piece || std::any_of(refs.begin(), refs.end(), [&](const unitref& r) {
                           return field_text(r.abbrev) == piece;
                         });
  dbunit found{};
  if (!has_piece && library_->find_unit(piece.c_str(), found) > 0) {
    unitref r{};
    put_field(r.abbrev, piece);
    r.factor = 1.0;
    refs.push_back(r);
  }
  if (state_.conflicts.empty()) return refs;
  const int dimension = native_dimension_ >= 0 ? native_dimension_ : DimensionNumber(library_, native.c_str());
  const std::string file_native =
      !native_read_.empty() ? native_read_ : std::string(field_text(entry_.material.native_unit));
  for (const UnitConflict& c : state_.conflicts) {
    if (c.flag == 0 || c.dimension != dimension || field_text(c.file_abbrev) != file_native) continue;
    unitref r{};
    if (GetDimEtalon(library_, static_cast<short>(c.dimension), r.abbrev) == 0) continue;
    r.factor = 1.0;
    refs.push_back(r);
  }
  return refs;
}

std::vector<subpriceref> ListImporter::final_subprice_refs() const {
  std::vector<subpriceref> refs;
  for (const subpriceref& s : entry_.subprices) {
    if (s.abbrev[0] == '\0') continue;
    subpriceref r = s;
    if (r.value == kSubpriceNotGiven) r.value = 0;
    refs.push_back(r);
  }
  return refs;
}

// -1 when equal, else the first difference.
int ListImporter::compare(long stored) const {
  dbmaterial rec{};
  LONGTEXT texts[kLongTextCount];
  if (library_->get(stored, rec, texts) != stored) return 0;
  const dbmaterial& m = entry_.material;
  if (field_text(rec.id) != entry_.code.back()) return 0;
  if (field_text(rec.name) != field_text(m.name)) return 2;
  if (field_text(rec.market) != field_text(m.market)) return 3;
  if (field_text(rec.native_unit) != state_.map_abbrev(field_text(m.native_unit))) return 4;
  for (int t = 0; t < kLongTextCount; ++t) {
    const unsigned n = texts[t].size();
    if (n != entry_.texts[t].size()) return 8;
    if (n > 0 && std::memcmp(&texts[t][0], &entry_.texts[t][0], n) != 0) return 8;
  }
  if (!same_factor(rec.unit_price, m.unit_price)) return 5;
  std::vector<unitref> units;
  if (library_->rewind_unit_ref(stored) < 0) return 6;
  for (unitref u{}; library_->get(u) > 0;) units.push_back(u);
  if (!same_refs(units, final_unit_refs(), [](const unitref& r) { return r.factor; })) return 6;
  std::vector<subpriceref> subprices;
  if (library_->rewind_subprice_ref(stored) < 0) return 7;
  for (subpriceref s{}; library_->get(s) > 0;) subprices.push_back(s);
  if (!same_refs(subprices, final_subprice_refs(), [](const subpriceref& r) { return r.value; })) return 7;
  return -1;
}

bool ListImporter::create_references(long material) {
  const std::string market(field_text(entry_.material.market));
  dbmarket found_market{};
  if (!market.empty() && library_->find_market(market.c_str(), found_market) == 0) {
    dbmarket m{};
    put_field(m.name, market);
    library_->create(m);
  }
  for (const unitref& r : final_unit_refs()) {
    dbunit unit{};
    const long id = library_->find_unit(r.abbrev, unit);
    if (id > 0) {
      ++unit.usage;
      if (library_->modify(id, unit) == 0) return false;
    }
    if (library_->create(material, r) < 1) return false;
  }
  for (const subpriceref& r : final_subprice_refs()) {
    dbsubprice sub{};
    if (library_->find_subprice(r.abbrev, sub) == 0) {
      dbsubprice rec{};
      std::memcpy(rec.abbrev, r.abbrev, kUnitAbbrevSize);
      std::memcpy(rec.name, r.abbrev, kUnitAbbrevSize);
      rec.kind = SUBPRICE_MULTIPLY;
      rec.value = 1.0;
      const long id = library_->create(rec);
      if (id < 1) return false;
      if (window_ != nullptr) {
        Subprice subprice(library_, id);
        if (subprice.read() != 0) CrtEditSubprice(window_, &subprice, 1);
      }
    }
    if (library_->create(material, r) < 1) return false;
  }
  return true;
}

int ListImporter::ItemPlacement() {
  std::vector<std::string> code;
  if (ask_ == 0) {
    const long n = static_cast<long>(entry_.code.size());
    if (placement_level_ < 0) placement_level_ = n - 1;
    if (n <= placement_level_ || n == 0) {
      error_box(kBadCode);
      return 0;
    }
    code = parent_code_;
    code.insert(code.end(), entry_.code.begin() + placement_level_, entry_.code.end());
  } else {
    code = entry_.code;
  }
  if (code.empty() || code.size() > kMaxCodeComponents) {
    error_box(kBadCode);
    return 0;
  }
  MATIDCHAIN chain;
  for (const std::string& part : code) {
    MATID id{};
    put_field(id.id, part);
    chain.push(id);
  }
  if (chain.size() != code.size()) return 0;
  dbmaterial stored{};
  LONGTEXT stored_texts[kLongTextCount];
  const long existing = library_->get(chain, stored, stored_texts);
  if (existing < 0) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  dbmaterial rec = entry_.material;
  put_field(rec.id, code.back());
  put_field(rec.native_unit, state_.map_abbrev(field_text(rec.native_unit)));
  const std::string caption = dlist::load_string(21677);

  if (existing == 0) {
    long parent = 0;
    if (code.size() > 1) {
      chain.drop(1);
      parent = library_->get(chain, stored, nullptr);  // only its identifier is needed
      if (parent < 0) {
        SpecBeep(0, "LIMPORT", __LINE__);
        return 0;
      }
      if (parent == 0) {
        if (ask_ == 0) {
          MessageBoxA(window_, dlist::load_string(21679).c_str(), caption.c_str(),
                      dlist::kMbOk | dlist::kMbIconExclamation);
          return 0;
        }
        const std::string question = dlist::load_string(21075);
        const std::string title = dlist::load_string(21074);
        if (MessageBoxA(window_, question.c_str(), title.c_str(), dlist::kMbYesNo | dlist::kMbIconQuestion) !=
            dlist::kIdYes) {
          state_.cancelled = true;
          return 0;
        }
        ask_ = 0;
        placement_level_ = -1;
        return ItemPlacement();
      }
    }
    const long id = library_->create(parent, rec, entry_.texts);
    if (id < 1 || !create_references(id)) {
      SpecBeep(0, "LIMPORT", __LINE__);
      return 0;
    }
    return 1;
  }

  const int reason = compare(existing);
  if (reason == -1) return 1;
  int answer = overwrite_choice_;
  if (answer != dlist::kOverwriteAll && answer != dlist::kKeepAll) {
    if (options_.overwrite) {
      answer = *options_.overwrite;
    } else if (options_.ask_overwrite) {
      answer = options_.ask_overwrite(existing, entry_, reason);
    } else {
      answer = AskOverwrite(window_, library_, existing, &entry_, reason);
    }
    if (answer == dlist::kOverwriteAll || answer == dlist::kKeepAll) overwrite_choice_ = answer;
  }
  if (answer != dlist::kOverwriteThis && answer != dlist::kOverwriteAll) return 1;
  if (ReleaseMaterialRefs(library_, existing) == 0 || library_->modify(existing, rec, entry_.texts) == 0 ||
      !create_references(existing)) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  return 1;
}
