#include "host/list_sets/list_set_store.h"

// The packaged library is built with the ICU converter; the header must say the same.
#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/stream_error.h"
#include "host/file_replacement.h"
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

bool write_file(const std::string& path, const std::string& text, std::string& error) {
  try {
    FileReplacement out(path);
    if (!text.empty()) out.file().write(text.data(), static_cast<unsigned>(text.size()));
    out.commit();
    return true;
  } catch (const StreamError& e) {
    error = e.what();
    return false;
  }
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
  if (list_def.marked) ini.SetLongValue(section.c_str(), "Marked", 1);
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
  if (!parse_int(ini.GetValue(section.c_str(), "Marked", "0"), v) || (v != 0 && v != 1)) {
    error = "[" + section + "]: Marked is neither 0 nor 1";
    return false;
  }
  list_def.marked = v == 1;
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
  ini.SetValue(kSetSection, "Template", escape(set.TemplateFileName()).c_str());
  for (const auto& p : set.Precision()) {
    std::string key(p.key, strnlen(p.key, sizeof p.key));
    ini.SetLongValue(kPrecisionSection, escape(key).c_str(), p.precision);
  }
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
        !parse_int(ini.GetValue(kPrecisionSection, k.pItem), v) || v < 0 || v > 15) {
      error = "[Precision] " + std::string(k.pItem) + " is not a key of up to seven characters with 0 to 15";
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
  return write_file(path, FormatSet(set), error);
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
  put_lists(ini, set);
  std::string out;
  ini.Save(out);
  return write_file(path, out, error);
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
