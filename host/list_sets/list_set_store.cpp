#include "host/list_sets/list_set_store.h"

// The packaged library is built with the ICU converter; the header must say the same.
#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/stream_error.h"
#include "host/whole_file.h"
#include "stream/stream.h"

namespace dlist::list_sets {
namespace {

constexpr const char* kSetSection = "ListSet";
constexpr const char* kPrecisionSection = "Precision";
constexpr const char* kListPrefix = "List ";
constexpr unsigned kMaxPrecisions = 4096;

bool read_file(const std::string& path, std::string& text, unsigned long long limit, std::string& error) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = "cannot open \"" + path + "\"";
    return false;
  }
  if (size > limit) {
    error = "\"" + path + "\" is too large";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open \"" + path + "\"";
    return false;
  }
  text.assign(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(text.data(), static_cast<std::streamsize>(size))) {
    error = "cannot read \"" + path + "\"";
    return false;
  }
  return true;
}

std::string to_hex(const std::vector<unsigned char>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

int hex_digit(char c);

// Texts are kept on one line and survive the INI syntax: '%', control characters, the
// INI's own marks and spaces at either end are written as %XX.
std::string escape(const std::string& text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool edge_space = c == ' ' && (i == 0 || i + 1 == text.size());
    if (c < 32 || c == 127 || c == '%' || c == '=' || c == '[' || c == ']' || c == ';' || c == '#' || edge_space) {
      out += '%';
      out += digits[c >> 4];
      out += digits[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool unescape(const char* text, std::string& out) {
  out.clear();
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != '%') {
      out += *p;
      continue;
    }
    if (p[1] == '\0' || p[2] == '\0') return false;
    int hi = hex_digit(p[1]), lo = hex_digit(p[2]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
    p += 2;
  }
  return true;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool from_hex(const char* text, std::vector<unsigned char>& out) {
  std::size_t n = std::strlen(text);
  if (n % 2 != 0) return false;
  out.resize(n / 2);
  for (std::size_t i = 0; i < n; i += 2) {
    int hi = hex_digit(text[i]), lo = hex_digit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i / 2] = static_cast<unsigned char>(hi * 16 + lo);
  }
  return true;
}

bool parse_unsigned(const char* text, unsigned long limit, unsigned long& out) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long v = std::strtoul(text, &end, 10);
  if (errno != 0 || *end != '\0' || v > limit || text[0] == '-') return false;
  out = v;
  return true;
}

bool parse_int(const char* text, long& out) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < -2147483647L - 1 || v > 2147483647L) return false;
  out = v;
  return true;
}

void put_list(CSimpleIniA& ini, const DL_LISTSPEC& list_def, unsigned index) {
  std::string section = kListPrefix + std::to_string(index + 1);
  ini.SetValue(section.c_str(), "Name", escape(list_def.Name()).c_str());
  ini.SetValue(section.c_str(), "Title", escape(list_def.title).c_str());
  ini.SetValue(section.c_str(), "OutputFile", escape(list_def.output_file).c_str());
  ini.SetLongValue(section.c_str(), "SortOrder", list_def.sort_order);
  ini.SetLongValue(section.c_str(), "Summarize", list_def.summarize ? 1 : 0);
  ini.SetValue(section.c_str(), "Currency", escape(list_def.currency).c_str());
  char number[40];
  std::snprintf(number, sizeof number, "%.17g", list_def.scale);
  ini.SetValue(section.c_str(), "Scale", number);
  ini.SetLongValue(section.c_str(), "Decimals", list_def.decimals);
  ini.SetLongValue(section.c_str(), "Totals", list_def.totals);
  ini.SetValue(section.c_str(), "DateFormat", escape(list_def.date_format).c_str());
  ini.SetValue(section.c_str(), "Rounding", escape(list_def.rounding).c_str());
  std::snprintf(number, sizeof number, "%04d-%02d-%02d", list_def.year, list_def.month, list_def.day);
  ini.SetValue(section.c_str(), "Date", number);
  ini.SetLongValue(section.c_str(), "RangeLow", list_def.range_low);
  ini.SetLongValue(section.c_str(), "RangeHigh", list_def.range_high);
  ini.SetLongValue(section.c_str(), "Marked", list_def.marked ? 1 : 0);
  StreamOutputMemory out;
  if (list_def.Tree() != nullptr) DL_WriteTree(out, list_def.Tree());
  ini.SetValue(section.c_str(), "Tree", to_hex(out.bytes()).c_str());
}

void put_lists(CSimpleIniA& ini, const DL_LISTSPEC_LIST& set) {
  ini.SetLongValue(kSetSection, "Lists", static_cast<long>(set.size()));
  for (unsigned i = 0; i < set.size(); ++i) put_list(ini, *set[i], i);
}

void drop_list_sections(CSimpleIniA& ini) {
  CSimpleIniA::TNamesDepend sections;
  ini.GetAllSections(sections);
  std::vector<std::string> names;
  for (const auto& s : sections)
    if (std::strncmp(s.pItem, kListPrefix, std::strlen(kListPrefix)) == 0) names.emplace_back(s.pItem);
  for (const auto& n : names) ini.Delete(n.c_str(), nullptr);
}

bool parse_real(const char* text, double& out) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text, &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
  out = v;
  return true;
}

// The properties that later versions added; a file without them reads with the
// defaults of a new list definition.
bool get_layout(const CSimpleIniA& ini, const std::string& section, DL_LISTSPEC& list_def, std::string& error) {
  auto fail = [&](const char* why) {
    error = "[" + section + "]: " + why;
    return false;
  };
  const char* s = section.c_str();
  std::string text;
  if (const char* raw = ini.GetValue(s, "Currency", nullptr); raw != nullptr) {
    if (!unescape(raw, text) || text.size() > 3) return fail("Currency is longer than 3 characters");
    list_def.currency = text;
  }
  for (auto [key, field] : {std::pair{"DateFormat", &list_def.date_format}, std::pair{"Rounding", &list_def.rounding}}) {
    if (const char* raw = ini.GetValue(s, key, nullptr); raw != nullptr) {
      if (!unescape(raw, text) || text.size() > 80) return fail("a date form or rounding rule is broken or too long");
      *field = text;
    }
  }
  if (const char* raw = ini.GetValue(s, "Scale", nullptr); raw != nullptr) {
    double v = 0;
    if (!parse_real(raw, v) || v < 1e-9 || v > 1e8) return fail("Scale is no number from 1e-9 to 1e8");
    list_def.scale = v;
  }
  struct Whole {
    const char* key;
    int* field;
    long lo, hi;
  };
  for (const Whole& w : {Whole{"Decimals", &list_def.decimals, -9, 9}, Whole{"Totals", &list_def.totals, 0, 2},
                         Whole{"RangeLow", &list_def.range_low, -32768, 32767},
                         Whole{"RangeHigh", &list_def.range_high, -32768, 32767}}) {
    const char* raw = ini.GetValue(s, w.key, nullptr);
    if (raw == nullptr) continue;
    long v = 0;
    if (!parse_int(raw, v) || v < w.lo || v > w.hi) {
      error = "[" + section + "]: " + w.key + " is no number from " + std::to_string(w.lo) + " to " +
              std::to_string(w.hi);
      return false;
    }
    *w.field = static_cast<int>(v);
  }
  if (list_def.range_low > list_def.range_high) return fail("RangeLow lies above RangeHigh");
  if (const char* raw = ini.GetValue(s, "Marked", nullptr); raw != nullptr) {
    long v = 0;
    if (!parse_int(raw, v) || (v != 0 && v != 1)) return fail("Marked is neither 0 nor 1");
    list_def.marked = v == 1;
  }
  if (const char* raw = ini.GetValue(s, "Date", nullptr); raw != nullptr) {
    int y = 0, m = 0, d = 0, used = 0;
    if (std::sscanf(raw, "%4d-%2d-%2d%n", &y, &m, &d, &used) != 3 || raw[used] != '\0' || y < 1000 || y > 9999 ||
        m < 1 || m > 12 || d < 1 || d > 31)
      return fail("Date is no date YYYY-MM-DD");
    list_def.year = y;
    list_def.month = m;
    list_def.day = d;
  }
  return true;
}

bool get_list(const CSimpleIniA& ini, unsigned index, DL_LISTSPEC_LIST& set, DL_LISTSPEC& list_def,
              std::string& error) {
  std::string section = kListPrefix + std::to_string(index + 1);
  const char* raw_name = ini.GetValue(section.c_str(), "Name", nullptr);
  const char* tree = ini.GetValue(section.c_str(), "Tree", nullptr);
  std::string name, title, output;
  if (raw_name == nullptr || tree == nullptr) {
    error = "section [" + section + "] is missing or incomplete";
    return false;
  }
  if (!unescape(raw_name, name) || !unescape(ini.GetValue(section.c_str(), "Title", ""), title) ||
      !unescape(ini.GetValue(section.c_str(), "OutputFile", ""), output)) {
    error = "[" + section + "]: a text holds a broken %XX";
    return false;
  }
  if (name.empty() || name.size() > DL_LISTSPEC::kMaxName) {
    error = "[" + section + "]: the name is empty or longer than 31 characters";
    return false;
  }
  if (set.find(name) >= 0) {
    error = "[" + section + "]: the name \"" + name + "\" is used twice";
    return false;
  }
  list_def.SetName(name);
  list_def.title = title;
  list_def.output_file = output;
  long v = 0;
  if (!parse_int(ini.GetValue(section.c_str(), "SortOrder", "0"), v)) {
    error = "[" + section + "]: SortOrder is no number";
    return false;
  }
  list_def.sort_order = static_cast<int>(v);
  if (!parse_int(ini.GetValue(section.c_str(), "Summarize", "0"), v) || (v != 0 && v != 1)) {
    error = "[" + section + "]: Summarize is neither 0 nor 1";
    return false;
  }
  list_def.summarize = v == 1;
  if (!get_layout(ini, section, list_def, error)) return false;
  std::vector<unsigned char> bytes;
  if (!from_hex(tree, bytes)) {
    error = "[" + section + "]: the tree is no hexadecimal text";
    return false;
  }
  try {
    StreamInputMemory in(bytes.data(), bytes.size());
    list_def.SetTree(DL_ReadTree(in));
    if (in.bytesLeft() != 0) throw StreamError("bytes after the tree");
  } catch (const StreamError& e) {
    error = "[" + section + "]: the tree is damaged (" + std::string(e.what()) + ")";
    return false;
  }
  std::string where, why;
  if (!DL_CheckTree(list_def.Tree(), where, why)) {
    error = "[" + section + "]: node " + where + ": " + why;
    return false;
  }
  return true;
}

// Adds the list definitions of ini to set (which may hold some already).
bool get_lists(const CSimpleIniA& ini, DL_LISTSPEC_LIST& set, std::string& error) {
  unsigned long count = 0;
  if (!parse_unsigned(ini.GetValue(kSetSection, "Lists", nullptr), kMaxListDefinitions, count)) {
    error = "[ListSet] List definitions is missing or out of range";
    return false;
  }
  for (unsigned i = 0; i < count; ++i) {
    auto* list_def = new DL_LISTSPEC(set);
    if (!get_list(ini, i, set, *list_def, error)) {
      delete list_def;
      return false;
    }
    unsigned at = set.size();
    set.resize(at + 1);
    set.set(at, list_def);
  }
  return true;
}

bool load_ini(const std::string& text, CSimpleIniA& ini, std::string& error) {
  if (text.find('\0') != std::string::npos) {
    error = "the file holds binary data";
    return false;
  }
  if (ini.LoadData(text) < 0) {
    error = "the file is no INI text";
    return false;
  }
  const char* version = ini.GetValue(kSetSection, "Version", nullptr);
  if (version == nullptr || std::strcmp(version, "1") != 0) {
    error = "the file is no list definition set (no [ListSet] Version=1)";
    return false;
  }
  return true;
}

// The set's own values: its template and its precision list.
void put_set(CSimpleIniA& ini, const DL_LISTSPEC_LIST& set) {
  ini.SetValue(kSetSection, "Template", escape(set.TemplateFileName()).c_str());
  ini.Delete(kPrecisionSection, nullptr);
  for (const auto& p : set.Precision()) {
    std::string key(p.key, strnlen(p.key, sizeof p.key));
    ini.SetLongValue(kPrecisionSection, escape(key).c_str(), p.precision);
  }
}

}  // namespace

bool HasIniExtension(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".ini";
}

std::string FormatSet(const DL_LISTSPEC_LIST& set) {
  CSimpleIniA ini;
  ini.SetValue(kSetSection, "Version", "1");
  put_set(ini, set);
  put_lists(ini, set);
  std::string out;
  ini.Save(out);
  return out;
}

bool ParseSet(const std::string& text, DL_LISTSPEC_LIST& set, std::string& error) {
  CSimpleIniA ini;
  if (!load_ini(text, ini, error)) return false;
  DL_LISTSPEC_LIST fresh;
  std::string tpl;
  if (!unescape(ini.GetValue(kSetSection, "Template", ""), tpl) || tpl.size() > 255) {
    error = "the template's name is broken or longer than 255 characters";
    return false;
  }
  fresh.TemplateFileName() = tpl;
  CSimpleIniA::TNamesDepend keys;
  ini.GetAllKeys(kPrecisionSection, keys);
  if (keys.size() > kMaxPrecisions) {
    error = "too many precisions";
    return false;
  }
  keys.sort(CSimpleIniA::Entry::LoadOrder());
  for (const auto& k : keys) {
    DL_PRECISION p;
    long v = 0;
    std::string key;
    if (!unescape(k.pItem, key) || key.empty() || key.size() >= sizeof p.key ||
        !parse_int(ini.GetValue(kPrecisionSection, k.pItem), v) || v < -9 || v > 15) {
      error = "[Precision] " + std::string(k.pItem) + " is not a key of up to seven characters with -9 to 15";
      return false;
    }
    std::memcpy(p.key, key.data(), key.size());
    p.precision = static_cast<int>(v);
    fresh.Precision().push_back(p);
  }
  if (!get_lists(ini, fresh, error)) return false;
  fresh.INIFileName() = set.INIFileName();
  set.swap(fresh);
  return true;
}

bool Read(DL_LISTSPEC_LIST& set, const std::string& path, std::string& error) {
  if (!HasIniExtension(path)) {
    error = "\"" + path + "\" is no INI file";
    return false;
  }
  std::string text;
  if (!read_file(path, text, kMaxSetFileBytes, error)) return false;
  DL_LISTSPEC_LIST fresh;
  std::string why;
  if (!ParseSet(text, fresh, why)) {
    error = "\"" + path + "\": " + why;
    return false;
  }
  fresh.INIFileName() = path;
  set.swap(fresh);
  return true;
}

bool WriteINI(const DL_LISTSPEC_LIST& set, const std::string& path, std::string& error) {
  if (!HasIniExtension(path)) {
    error = "\"" + path + "\" is no INI file";
    return false;
  }
  return write_whole_file(path, FormatSet(set), error);
}

bool WriteINIListSpecs(const DL_LISTSPEC_LIST& set, const std::string& path, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return WriteINI(set, path, error);
  std::string text;
  if (!read_file(path, text, kMaxSetFileBytes, error)) return false;
  CSimpleIniA ini;
  std::string why;
  if (!load_ini(text, ini, why)) {
    error = "\"" + path + "\": " + why;
    return false;
  }
  drop_list_sections(ini);
  put_set(ini, set);
  put_lists(ini, set);
  std::string out;
  ini.Save(out);
  return write_whole_file(path, out, error);
}

bool AddOpt(DL_LISTSPEC_LIST& set, const std::string& path, std::string& error) {
  std::string text;
  if (!read_file(path, text, kMaxSetFileBytes, error)) return false;
  CSimpleIniA ini;
  std::string why;
  DL_LISTSPEC_LIST grown(set);
  if (!load_ini(text, ini, why) || !get_lists(ini, grown, why)) {
    error = "\"" + path + "\": " + why;
    return false;
  }
  if (grown.size() > kMaxListDefinitions) {
    error = "\"" + path + "\": the set would hold too many list definitions";
    return false;
  }
  grown.INIFileName() = set.INIFileName();
  set.swap(grown);
  return true;
}

}  // namespace dlist::list_sets
