// The header of a list export file as the list import reads it: the dimension and
// unit lines, markets, subprices and long text names of version 3, and of version 2
// the field description block, the pre-pass over its units and its own dimension
// and subprice lines. Every text is checked against the field it goes into before
// it is copied.
#include <algorithm>
#include <array>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/expr_eval.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "materials/import_questions.h"
#include "materials/list_dialogs.h"
#include "materials/list_import_internal.h"
#include "materials/material_library.h"
#include "materials/material_library_internal.h"

namespace dlist::limport {
namespace {


// Cuts text at the first ';' into head and the rest; false when there is none.
bool take_item(std::string& text, std::string& head) {
  const std::size_t at = text.find(';');
  if (at == std::string::npos) return false;
  head = text.substr(0, at);
  text.erase(0, at + 1);
  return true;
}

// The header lines read and what they build.
class HeaderReader {
 public:
  HeaderReader(void* window, LISTCONTEXT* library, ImportState& state, bool old_format)
      : window_(window), library_(library), state_(state), old_(old_format) {}

  // Reads lines up to the empty line. 1 on success, 0 after an error shown.
  int run(std::FILE* file, long first_line) {
    std::string line;
    long number = first_line;
    while (read_line(file, line)) {
      ++number;
      if (line.empty()) return finish();
      if (!dispatch(line, number)) return 0;
    }
    // check_layout saw the empty line; the file changed since, or a line grew.
    show_numbered_error(window_, kErrorHeaderCut, number + 1);
    return 0;
  }

 private:
  int finish() {
    for (const auto& [lib, file] : state_.abbrev_map) {
      DiagnosticOut(format_text("oriabbr: %s abbr: %s", {file, lib}).c_str());
    }
    return 1;
  }

  bool fail(int error) {
    show_error(window_, error);
    return false;
  }
  bool fail_line(const std::string& line) {
    show_line_error(window_, 59, line);
    return false;
  }

  bool dispatch(const std::string& line, long number) {
    const std::size_t colon = line.find(':');
    std::string rest = colon == std::string::npos ? std::string() : line.substr(colon + 1);
    switch (line[0]) {
      case 'd':
        if (colon == std::string::npos) return fail(58);
        return old_ ? dim_line_v2(rest, line, number) : dim_line(rest, line);
      case '+':
        if (colon == std::string::npos) return fail(60);
        return unit_line(rest, number);
      case 'm':
        if (colon == std::string::npos) return fail(63);
        return market_line(rest);
      case 's':
        if (colon == std::string::npos) return fail(64);
        return old_ ? subprice_line_v2(rest) : subprice_line(rest);
      case 'l':
        if (colon == std::string::npos) return fail(66);
        return names_line(rest);
      case 'c':
        return true;
      default:
        return fail(69);
    }
  }

  // NAME;ABBR;BASICNAME
  bool dim_line(std::string rest, const std::string& line) {
    std::string name, abbrev;
    if (!take_item(rest, name) || !take_item(rest, abbrev)) return fail_line(line);
    const std::string& basic = rest;
    if (name.empty() || name.size() >= kUnitNameSize || basic.size() >= kUnitNameSize ||
        abbrev.empty() || abbrev.size() >= kUnitAbbrevSize) {
      return fail_line(line);
    }
    dbunit found{};
    const long unit = library_->find_unit(abbrev.c_str(), found);
    if (unit < 0) return fail_line(line);
    if (unit > 0) {
      const long parent = library_->get_parent(unit);
      if (parent < 1) return fail_line(line);
      dimension_ = parent;
      dbunit dim{};
      if (library_->get(parent, dim) != parent) return fail_line(line);
      const int slot = multiplier_slot(field_text(dim.name));
      // Factors of the file are relative to its basic unit; the library's factor of
      // that unit converts them to the library's own basic unit.
      if (slot >= 0) state_.multipliers[slot] = found.factor;
      return true;
    }
    StandardBasic standard;
    if (standard_basic(name, basic, standard)) {
      dbunit rec{};
      const long id = library_->find_unit(standard.abbrev.c_str(), rec);
      if (id < 1) return fail_line(line);
      const long parent = library_->get_parent(id);
      if (parent < 1) return fail_line(line);
      if (abbrev != standard.abbrev && !state_.add_abbrev(standard.abbrev, abbrev)) {
        return fail_line(line);
      }
      if (standard.slot >= 0) state_.multipliers[standard.slot] = rec.factor;
      dimension_ = parent;
      return true;
    }
    long dimension = FindDimensionByName(library_, name.c_str());
    if (dimension > 0) {
      dbunit dim{};
      if (library_->get(dimension, dim) != dimension) return fail_line(line);
      char etalon[kUnitAbbrevSize] = {};
      const int n = DimensionNumber(library_, dim.abbrev);
      if (n >= 0 && GetDimEtalon(library_, static_cast<short>(n), etalon) != 0) {
        // The dimension has its basic unit already: the file's one is that unit.
        if (!state_.add_abbrev(etalon, abbrev)) return fail_line(line);
        dimension_ = dimension;
        return true;
      }
    } else {
      dbunit dim{};
      if (FirstFreeDimensionAbbrev(library_, dim.abbrev) < 0) return fail_line(line);
      put_field(dim.name, name);
      dim.factor = 1.0;
      dimension = library_->create(0, dim);
      if (dimension < 1) return fail_line(line);
    }
    dbunit unit_rec{};
    put_field(unit_rec.abbrev, abbrev);
    put_field(unit_rec.name, basic);
    unit_rec.factor = 1.0;
    if (library_->create(dimension, unit_rec) < 1) return fail_line(line);
    dimension_ = dimension;
    return true;
  }

  // DIMABBR;NAME;BASICABBR;BASICNAME
  bool dim_line_v2(std::string rest, const std::string& line, long number) {
    std::string file_dim, name, abbrev;
    if (!take_item(rest, file_dim) || !take_item(rest, name) || !take_item(rest, abbrev)) {
      return fail_line(line);
    }
    const std::string& basic = rest;
    if (file_dim.empty() || file_dim.size() >= kUnitAbbrevSize + 1 || name.empty() ||
        name.size() >= kUnitNameSize || basic.size() >= kUnitNameSize || abbrev.empty() ||
        abbrev.size() >= kUnitAbbrevSize) {
      return fail_line(line);
    }
    std::string library_abbrev = abbrev;
    if (UnitConflict* entry = conflict_of(number)) library_abbrev = field_text(entry->library_abbrev);
    dbunit found{};
    const long existing = library_->find_unit(library_abbrev.c_str(), found);
    if (existing < 0) return fail_line(line);
    if (existing > 0) {
      // The library holds this basic unit already (the file was read before): its
      // dimension is the file's when the names agree. An abbreviation is never
      // given twice, so another dimension cannot take it.
      const long parent = library_->get_parent(existing);
      dbunit dim{};
      if (parent < 1 || library_->get(parent, dim) != parent || field_text(dim.name) != name) {
        return fail_line(line);
      }
      const int n = DimensionNumber(library_, dim.abbrev);
      if (n < 0) return fail_line(line);
      if (UnitConflict* entry = conflict_of(number)) entry->dimension = n;
      state_.dimension_cache.emplace_back(n, file_dim);
      dimension_ = parent;
      return true;
    }
    dbunit dim{};
    const int n = FirstFreeDimensionAbbrev(library_, dim.abbrev);
    if (n < 0) return fail_line(line);
    put_field(dim.name, name);
    dim.factor = 1.0;
    const long dimension = library_->create(0, dim);
    if (dimension < 1) return fail_line(line);
    dbunit unit_rec{};
    put_field(unit_rec.abbrev, library_abbrev);
    put_field(unit_rec.name, basic);
    unit_rec.factor = 1.0;
    if (library_->create(dimension, unit_rec) < 1) return fail_line(line);
    if (UnitConflict* entry = conflict_of(number)) entry->dimension = n;
    state_.dimension_cache.emplace_back(n, file_dim);
    dimension_ = dimension;
    return true;
  }

  UnitConflict* conflict_of(long number) {
    for (UnitConflict& c : state_.conflicts) {
      if (c.line == number) return &c;
    }
    return nullptr;
  }

  // ABBR;NAME;FACTOR
  bool unit_line(std::string rest, long number) {
    if (dimension_ < 1) return fail(61);
    std::string abbrev, name;
    if (!take_item(rest, abbrev) || abbrev.empty()) return fail(29);
    if (abbrev.size() >= kUnitAbbrevSize) return fail(30);
    if (!take_item(rest, name)) return fail(32);
    if (name.size() >= kUnitNameSize) return fail(33);
    double factor = 0;
    if (!evaluate(rest, factor, state_.decimal_point)) return fail(34);

    dbunit current{};
    if (library_->get(dimension_, current) != dimension_) return fail(35);
    const int dimension_number = DimensionNumber(library_, current.abbrev);
    UnitConflict* entry = conflict_of(number);
    if (entry != nullptr) {
      abbrev = field_text(entry->library_abbrev);
      entry->dimension = dimension_number;
    }
    dbunit found{};
    const long existing = library_->find_unit(abbrev.c_str(), found);
    if (existing < 0) return fail(35);
    if (existing > 0) {
      if (GetUnitDimension(library_, existing) == dimension_) return true;
      if (state_.conflicts.empty()) return fail(31);
    }
    dbunit rec{};
    put_field(rec.abbrev, abbrev);
    put_field(rec.name, name);
    if (std::fabs(factor - 1.0) > kBasicUnitTolerance) {
      const int slot = multiplier_slot(field_text(current.name));
      if (slot >= 0) factor *= state_.multipliers[slot];
      rec.factor = factor;
      if (library_->create(dimension_, rec) < 1) return fail(35);
      return true;
    }
    // A second basic unit: a dimension of its own, of the same name.
    dbunit copy = current;
    copy.usage = 0;
    const int n = FirstFreeDimensionAbbrev(library_, copy.abbrev);
    if (n < 0) return fail(35);
    const long dimension = library_->create(0, copy);
    if (dimension < 1) return fail(35);
    rec.factor = factor;
    if (library_->create(dimension, rec) < 1) return fail(35);
    if (entry != nullptr) {
      entry->flag = 1;
      entry->dimension = n;
    }
    return true;
  }

  bool market_line(std::string rest) {
    if (rest.size() > kMarketNameSize - 1) rest.resize(kMarketNameSize - 1);
    if (rest.empty()) return true;
    dbmarket rec{};
    put_field(rec.name, rest);
    dbmarket found{};
    if (library_->find_market(rec.name, found) > 0) return true;
    library_->create(rec);
    return true;
  }

  // ABBR;NAMEk;AMOUNT
  bool subprice_line(std::string rest) {
    std::string abbrev, name;
    if (!take_item(rest, abbrev) || abbrev.empty()) return fail(37);
    if (abbrev.size() >= kUnitAbbrevSize) return fail(38);
    dbsubprice found{};
    if (library_->find_subprice(abbrev.c_str(), found) > 0) return true;
    if (!take_item(rest, name) || name.empty()) return fail(39);
    if (name.size() >= 47 || name.size() - 1 >= kSubpriceNameSize) return fail(40);
    dbsubprice rec{};
    put_field(rec.abbrev, abbrev);
    const char kind = name.back();
    name.pop_back();
    put_field(rec.name, name);
    rec.kind = kind == '*' ? SUBPRICE_MULTIPLY : kind == '+' ? SUBPRICE_ADD
             : kind == 'i' ? SUBPRICE_INFO : SUBPRICE_FORMULA;
    if (rec.kind == SUBPRICE_FORMULA || rec.kind == SUBPRICE_INFO) {
      if (rest.size() >= kFormulaSize) return fail(kErrorLongFormula);
      put_field(rec.formula, rest);
      rec.value = 0;
    } else if (!evaluate(rest, rec.value, state_.decimal_point)) {
      return fail(41);
    }
    if (library_->create(rec) < 1) return fail(kErrorSubpriceRefused);
    return true;
  }

  // NAMEk: the user gives the abbreviation and the value.
  bool subprice_line_v2(std::string rest) {
    const std::size_t end = rest.find(';');
    if (end != std::string::npos) rest.resize(end);
    if (rest.empty()) return fail(39);
    if (rest.size() - 1 >= kSubpriceNameSize) return fail(40);
    Subprice subprice(library_, 0);
    subprice.data.kind = rest.back() == '*' ? SUBPRICE_MULTIPLY : SUBPRICE_ADD;
    rest.pop_back();
    put_field(subprice.data.name, rest);
    subprice.data.value = 1.0;
    CrtImportSubprice(window_, &subprice);  // declined: the subprice is left out
    return true;
  }

  bool names_line(const std::string& rest) {
    longtextname names{};
    std::size_t from = 0;
    for (int i = 0; i < kLongTextCount; ++i) {
      std::size_t to = rest.size();
      if (i < kLongTextCount - 1) {
        to = rest.find('|', from);
        if (to == std::string::npos) return fail(67);
      }
      put_field(names.name[i], std::string_view(rest).substr(from, to - from));
      from = to + 1;
    }
    if (library_->modify(names) == 0) return fail(kErrorNamesRefused);
    return true;
  }

  void* window_;
  LISTCONTEXT* library_;
  ImportState& state_;
  bool old_;
  long dimension_ = 0;  // the current dimension
};

// One line of the version 2 field description block: "...x<kind>...x<sep>...><type>".
int field_line(const std::string& line, FileImport& fields, bool& group_open) {
  // Each marker is an "x" followed by a digit (a name before it may hold an "x").
  const auto marker = [&line](std::size_t from, bool hex) {
    for (std::size_t at = line.find('x', from); at != std::string::npos; at = line.find('x', at + 1)) {
      const auto next = static_cast<unsigned char>(at + 1 < line.size() ? line[at + 1] : '\0');
      if (hex ? std::isxdigit(next) != 0 : std::isdigit(next) != 0) return at;
    }
    return std::string::npos;
  };
  const std::size_t x1 = marker(0, false);
  if (x1 == std::string::npos) return 42;
  char* end = nullptr;
  const long kind = std::strtol(line.c_str() + x1 + 1, &end, 10);
  if (end == line.c_str() + x1 + 1 || kind < 0 || kind > 4) return 43;
  const std::size_t x2 = marker(static_cast<std::size_t>(end - line.c_str()), true);
  if (x2 == std::string::npos) return 44;
  const std::size_t gt = line.find('>', x2 + 1);
  if (gt == std::string::npos) return 46;
  // After the second "x": a count (kind 4) or the separator's byte in one or two
  // hexadecimal digits; what follows up to ">" is not read.
  const char* sep_text = line.c_str() + x2 + 1;
  std::string separator;
  int count = 0;
  if (kind == kFieldFixed) {
    const long n = std::strtol(sep_text, &end, 10);
    if (end == sep_text || n < 1 || n > 65536) return 45;
    count = static_cast<int>(n);
    separator.push_back('|');
  } else {
    int digits = 0;
    long byte = 0;
    while (digits < 2 && std::isxdigit(static_cast<unsigned char>(sep_text[digits])) != 0) {
      const char c = sep_text[digits];
      byte = byte * 16 + (std::isdigit(static_cast<unsigned char>(c)) != 0 ? c - '0' : (c | 0x20) - 'a' + 10);
      ++digits;
    }
    if (digits == 0 || byte == 0) return 45;
    separator = byte == 13 ? std::string(kSeparatorCrLf)
              : byte == 10 ? std::string(kSeparatorLine)
                           : std::string(1, static_cast<char>(byte));
  }
  const char* type_text = line.c_str() + gt + 1;
  const long type = std::strtol(type_text, &end, 10);
  if (end == type_text || !((type >= 0 && type <= kLastNumberedType) || type == kTypeSkipped || type == kTypeGroupEnd)) return 47;
  if (kind == kFieldOpensGroup) {
    if (group_open) return 49;
    group_open = true;
  }
  if (kind == kFieldClosesGroup || kind == kFieldGroupEnd) group_open = false;
  const int name = kind == kFieldGroupEnd ? kGroupEndName : field_type_name(static_cast<int>(type));
  if (fields.AddField(static_cast<int>(kind), static_cast<int>(type), name, separator.c_str(),
                      count) == 0) {
    return 48;
  }
  return 0;
}

// The pre-pass of a version 2 file: every unit abbreviation of its "d" and "+"
// lines, with the line that names it. 0 or an error number.
int collect_units(std::FILE* file, long first_line, std::vector<UnitConflict>& conflicts) {
  std::string line;
  long number = first_line;
  while (read_line(file, line)) {
    ++number;
    if (line.empty()) break;
    const bool dim = line[0] == 'd';
    if (!dim && line[0] != '+') continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) return dim ? 50 : 54;
    std::string rest = line.substr(colon + 1), item, abbrev, name;
    if (dim && !take_item(rest, item)) return 51;
    if (dim && (!take_item(rest, item) || !take_item(rest, abbrev))) return 51;
    if (!dim && (!take_item(rest, abbrev) || !take_item(rest, name))) return 55;
    if (dim) name = rest;
    if (abbrev.empty() || abbrev.size() >= kUnitAbbrevSize) return dim ? 52 : 56;
    if (name.size() >= kUnitNameSize) return dim ? 53 : 57;
    UnitConflict entry;
    entry.line = number;
    put_field(entry.library_abbrev, abbrev);
    put_field(entry.file_abbrev, abbrev);
    entry.description = line.size() > 80 ? line.substr(0, 80) : line;
    conflicts.push_back(std::move(entry));
  }
  return 0;
}

// Finds two entries sharing a library abbreviation.
bool find_clash(const std::vector<UnitConflict>& conflicts, std::size_t& a, std::size_t& b) {
  for (a = 0; a < conflicts.size(); ++a) {
    for (b = a + 1; b < conflicts.size(); ++b) {
      if (std::strncmp(conflicts[a].library_abbrev, conflicts[b].library_abbrev, kUnitAbbrevSize) == 0) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

std::string ImportState::map_abbrev(std::string_view abbrev) const {
  for (const auto& [lib, file] : abbrev_map) {
    if (file == abbrev) return lib;
  }
  return std::string(abbrev);
}

bool ImportState::add_abbrev(const std::string& library, const std::string& file) {
  for (const auto& [lib, f] : abbrev_map) {
    if (lib == library) return f == file;
    if (f == file) return false;
  }
  abbrev_map.emplace_back(library, file);
  return true;
}

void show_error(void* window, int error) {
  const std::string caption = load_string(21677);
  MessageBoxA(window, format_message(21691, error).c_str(), caption.c_str(), kMbOk | kMbIconExclamation);
}

void show_numbered_error(void* window, int error, long number) {
  const std::string caption = load_string(21677);
  MessageBoxA(window, format_message(50200, error, number).c_str(), caption.c_str(),
              kMbOk | kMbIconExclamation);
}

int check_layout(std::FILE* file, bool old_format, long* line) {
  *line = 1;
  if (std::fseek(file, 0, SEEK_SET) != 0) return kErrorLineEnd;
  // Empty lines still to come before the records, counted from the third line.
  int empties = old_format ? 2 : 1;
  std::size_t length = 0;  // bytes of the current line, its line end not counted
  bool after_cr = false;
  std::vector<char> buffer(std::size_t{1} << 16);
  for (;;) {
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file);
    if (n == 0) break;
    for (std::size_t i = 0; i < n; ++i) {
      const char c = buffer[i];
      if (c == '\n') {
        if (!after_cr) return kErrorLineEnd;
        after_cr = false;
        if (empties > 0 && *line >= 3 && length == 0) --empties;
        ++*line;
        length = 0;
        continue;
      }
      if (after_cr) return kErrorLineEnd;  // a CR alone
      if (c == '\r') {
        after_cr = true;
        continue;
      }
      if (empties > 0 && ++length > kMaxHeaderLine) return kErrorLongHeaderLine;
    }
  }
  if (std::ferror(file) != 0) return kErrorLineEnd;
  if (after_cr) return kErrorLineEnd;
  if (empties > 0) return kErrorHeaderCut;
  return 0;
}

void show_line_error(void* window, int error, const std::string& line) {
  const std::string caption = load_string(21677);
  MessageBoxA(window, format_message(21692, error, line).c_str(), caption.c_str(),
              kMbOk | kMbIconExclamation);
}

bool read_line(std::FILE* file, std::string& line) {
  line.clear();
  int c = std::fgetc(file);
  if (c == EOF) return false;
  while (c != EOF && c != '\r' && c != '\n') {
    if (line.size() >= kMaxHeaderLine) return false;
    line += static_cast<char>(c);
    c = std::fgetc(file);
  }
  if (c == '\r') {
    const int next = std::fgetc(file);
    if (next != '\n' && next != EOF) std::ungetc(next, file);
  }
  return true;
}

bool evaluate(const std::string& text, double& value, char decimal_point) {
  if (text.empty() || text.size() > kMaxExpressionLength) return false;
  ExprOutcome outcome = evaluate_in_scope(text, decimal_point);
  if (!outcome.ok && decimal_point != '.') outcome = evaluate_expression(text, {}, '.');
  if (!outcome.ok) return false;
  value = outcome.value;
  return true;
}

namespace {

// value's text with `decimals` decimals read back as written, with "." as its
// decimal point whatever the host's is; false when the text would not fit.
bool written_back(double value, int decimals, double& written) {
  static constexpr double kScales[kMaxDecimals + 1] = {
      1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10,
      1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20};  // each exact
  const double scale = kScales[decimals];
  const double scaled = value * scale;
  if (std::fabs(scaled) < 0x1p52) {
    // The nearest whole number to the exact value * scale: fma gives the exact
    // remainder rounded once, which keeps its side of one half unless it lands on
    // it (then the text decides).
    double whole = std::nearbyint(scaled);
    const double rest = std::fma(value, scale, -whole);
    if (std::fabs(rest) != 0.5) {
      if (rest > 0.5) whole += 1;
      if (rest < -0.5) whole -= 1;
      // Both are exact, so the quotient is the correctly rounded decimal, as a
      // reader of the text gets it.
      written = whole / scale;
      return true;
    }
  }
  const std::string text = format_fixed(value, decimals, '.');
  if (text.empty() || text.size() >= 64) return false;
  return std::from_chars(text.data(), text.data() + text.size(), written).ec == std::errc();
}

}  // namespace

double round_half_up(double value, int decimals) {
  if (!std::isfinite(value)) return value;
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  static const auto kSteps = [] {
    std::array<double, kMaxDecimals + 1> steps{};
    for (int d = 0; d <= kMaxDecimals; ++d) steps[d] = std::pow(10.0, -d);
    return steps;
  }();
  double written = 0;
  if (!written_back(value, decimals, written)) return value;
  const double step = kSteps[decimals];
  // A tie written as the lower neighbour (its binary value lies just below) goes up.
  if (value - written >= step / 2 - std::fabs(value) * 1e-15) written += step;
  return written == 0 ? 0.0 : written;  // a value rounded to zero has no sign
}

int read_header_v3(void* window, LISTCONTEXT* library, std::FILE* file, ImportState& state,
                   FileImport& fields) {
  const struct {
    int kind, type;
    const char* separator;
  } layout[] = {
      {kFieldSingle, kTypeCode, "|"},
      {kFieldSingle, kTypeName, "|"},
      {kFieldSingle, kTypeMarket, "|"},
      {kFieldSingle, kTypeUnitPrice, "|"},
      {kFieldOpensGroup, kTypeUnitAbbrev, "|"},
      {kFieldClosesGroup, kTypeUnitFactor, "|"},
      {kFieldGroupEnd, kTypeGroupEnd, ";"},
      {kFieldOpensGroup, kTypeSubpriceAbbrev, "|"},
      {kFieldClosesGroup, kTypeSubpriceValue, "|"},
      {kFieldGroupEnd, kTypeGroupEnd, ";"},
      {kFieldSingle, kTypeLongText1, "|"},
      {kFieldSingle, kTypeLongText1 + 1, "|"},
      {kFieldSingle, kTypeLongText1 + 2, "|"},
      {kFieldSingle, kTypeLongText4, kSeparatorCrLf},
  };
  for (const auto& f : layout) {
    const int name = f.kind == kFieldGroupEnd ? kGroupEndName : field_type_name(f.type);
    if (fields.AddField(f.kind, f.type, name, f.separator) == 0) {
      SpecBeep(0, "LIMPORT", __LINE__);
      return 0;
    }
  }
  std::string line;
  if (!read_line(file, line)) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  if (!line.empty()) {
    dbvernum version{};
    library->get(version);
    version.idseparator = line[0];
    library->modify(version);
  }
  StandardProblem problem;
  switch (make_standard_dimensions(library, &problem)) {
    case StandardOutcome::kDone:
      break;
    case StandardOutcome::kUnitElsewhere: {
      const std::string caption = load_string(21677);
      MessageBoxA(window,
                  format_message(50201, kErrorUnitElsewhere, problem.unit, problem.holder,
                                 problem.dimension)
                      .c_str(),
                  caption.c_str(), kMbOk | kMbIconExclamation);
      return 0;
    }
    case StandardOutcome::kNoFreeDimension:
      show_error(window, kErrorNoDimension);
      return 0;
    case StandardOutcome::kFailed:
      SpecBeep(0, "LIMPORT", __LINE__);
      return 0;
  }
  HeaderReader reader(window, library, state, false);
  return reader.run(file, 2);
}

int read_header_v2(void* window, LISTCONTEXT* library, std::FILE* file, ImportState& state,
                   FileImport& fields) {
  std::string line;
  if (!read_line(file, line)) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  long number = 2;
  bool group_open = false;
  for (;;) {
    if (!read_line(file, line)) {
      show_error(window, 42);
      return 0;
    }
    ++number;
    if (line.empty()) break;
    if (const int error = field_line(line, fields, group_open); error != 0) {
      show_error(window, error);
      return 0;
    }
  }
  const std::string problem = fields.CheckFields();
  if (!problem.empty()) {
    show_error(window, 48);
    return 0;
  }
  const long start = std::ftell(file);
  if (start < 0) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  if (const int error = collect_units(file, number, state.conflicts); error != 0) {
    show_error(window, error);
    return 0;
  }
  std::size_t a = 0, b = 0;
  std::size_t rounds = state.conflicts.size() * state.conflicts.size() + 1;
  while (find_clash(state.conflicts, a, b)) {
    if (rounds-- == 0 || AskAbbreviationPair(window, state.conflicts, a, b) == 0) {
      state.cancelled = true;
      return 0;
    }
  }
  if (std::fseek(file, start, SEEK_SET) != 0) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  HeaderReader reader(window, library, state, true);
  return reader.run(file, number);
}

}  // namespace dlist::limport
