// The attribute library on the command line: entries, paths, kind words and JSON.
#include "cli/attribute_library.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "cli/kind_word.h"
#include "foundation/code_page.h"
#include "foundation/fixed_text.h"
#include "foundation/references.h"
#include "host/model/attribute_store.h"
#include "host/model/element_parameters.h"
#include "host/model/model_database.h"

namespace dlist::cli {
namespace {

// Deeper than a library can sensibly be: a walk that goes on is on damaged links.
constexpr int kMaxDepth = 1000;

AttributeEntry entry_of(long id, long parent, const DBATTRIBUTENODETYPE& node) {
  return {id, parent, node.is_group(), utf8_text(field_text(node.name))};
}

std::string quote_name(std::string_view name) {
  return "\"" + escape_controls(name) + "\"";
}

const char* type_word(uint32_t flags) {
  if (flags & DBATTRIBUTETYPE::kFormula) return "formula";
  if (flags & DBATTRIBUTETYPE::kText) return "text";
  if (flags & DBATTRIBUTETYPE::kFile) return "file";
  return "unknown";
}

// The references of an attribute as JSON; false when a read fails.
bool references_json(long list, bool file_kind, nlohmann::ordered_json* out) {
  *out = nlohmann::ordered_json::array();
  ATTR_REF refs;
  if (refs.rew(list, 0) < 1) return true;
  char name[17];
  TEXTBUFFER value;
  char flags = 0;
  long id = 0;
  while ((id = refs.get(name, &value, &flags)) > 0) {
    const auto bits = static_cast<uint8_t>(flags);
    const bool held = (bits & DBATTREFTYPE::kInDatabase) != 0;
    nlohmann::ordered_json ref;
    ref["id"] = id;
    ref["name"] = utf8_text(field_text(name));
    ref["indirect"] = (bits & DBATTREFTYPE::kIndirect) != 0;
    ref["held"] = held;
    if (file_kind && !(bits & DBATTREFTYPE::kIndirect)) {
      nlohmann::ordered_json file;
      if (held) {
        std::string_view file_name;
        std::span<const unsigned char> content;
        const std::span<const unsigned char> bytes(
            reinterpret_cast<const unsigned char*>(value.data()), value.size());
        if (embedded_file_ok(bytes, &file_name, &content)) {
          file["name"] = utf8_text(file_name);
          file["size"] = content.size();
        } else {
          file["name"] = nullptr;
          file["size"] = nullptr;
        }
      } else {
        const std::string path = value.get();
        file["name"] = utf8_text(path);
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        if (ec || !std::filesystem::is_regular_file(path, ec))
          file["size"] = nullptr;
        else
          file["size"] = size;
      }
      ref["file"] = std::move(file);
    } else {
      ref["value"] = utf8_text(value.get());
    }
    out->push_back(std::move(ref));
  }
  return id == 0;
}

bool entry_json(const AttributeEntry& entry, int depth, nlohmann::ordered_json* out,
                std::string* error) {
  nlohmann::ordered_json& j = *out;
  j["id"] = entry.id;
  if (entry.group) {
    j["type"] = "group";
    j["name"] = entry.name;
    std::optional<std::vector<AttributeEntry>> children = attribute_children(entry.id);
    if (!children || depth > kMaxDepth) {
      *error = "cannot read the contents of " + describe_attribute_entry(entry.id);
      return false;
    }
    j["children"] = nlohmann::ordered_json::array();
    for (const AttributeEntry& child : *children) {
      nlohmann::ordered_json c;
      if (!entry_json(child, depth + 1, &c, error)) return false;
      j["children"].push_back(std::move(c));
    }
    return true;
  }
  DBATTRIBUTETYPE d;
  const long list = ATTRIBUTES().get_id_attribute(entry.id, &d);
  if (list < 1) {
    *error = "cannot read the attribute " + describe_attribute_entry(entry.id);
    return false;
  }
  j["type"] = type_word(d.flags);
  j["name"] = entry.name;
  j["abbrev"] = utf8_text(field_text(d.abbrev));
  j["description"] = utf8_text(field_text(d.description));
  j["unit"] = utf8_text(field_text(d.unit));
  j["precision"] = d.precision;
  j["kinds"] = filter_kind_words(d.Filter());
  j["summarizable"] = d.IsSummarizable();
  nlohmann::ordered_json refs;
  if (!references_json(list, (d.flags & DBATTRIBUTETYPE::kFile) != 0, &refs)) {
    *error = "cannot read the references of " + describe_attribute_entry(entry.id);
    return false;
  }
  j["references"] = std::move(refs);
  return true;
}

}  // namespace

std::optional<AttributeEntry> attribute_root() {
  ATTRIBUTES store;
  const long root = store.rew_node(0);
  if (root <= 0) return std::nullopt;
  return attribute_entry(root);
}

std::optional<AttributeEntry> attribute_entry(long id) {
  DBATTRIBUTENODETYPE node;
  long parent = 0;
  if (ATTRIBUTES().get_id_node(id, &node, &parent) <= 0) return std::nullopt;
  return entry_of(id, parent, node);
}

std::optional<std::vector<AttributeEntry>> attribute_children(long id) {
  ATTRIBUTES store;
  if (store.rew_node(id) != id) return std::nullopt;
  std::vector<AttributeEntry> children;
  DBATTRIBUTENODETYPE node;
  for (long child; (child = store.get_node(&node)) > 0;) children.push_back(entry_of(child, id, node));
  return children;
}

std::optional<AttributeEntry> resolve_attribute_entry(std::string_view text, bool groups_only,
                                                      std::string* error) {
  if (text.empty()) {
    *error = "no attribute entry given (an identifier or a path of names such as Doors/Fire)";
    return std::nullopt;
  }
  if (std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
    long id = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    std::optional<AttributeEntry> entry;
    if (ec == std::errc() && end == text.data() + text.size() && id > 0) entry = attribute_entry(id);
    if (!entry) {
      *error = "there is no entry " + std::string(text) + " in the attribute library";
    } else if (groups_only && !entry->group) {
      *error = describe_attribute_entry(id) + " is an attribute, not a group";
      entry.reset();
    }
    return entry;
  }
  std::optional<AttributeEntry> current = attribute_root();
  if (!current) {
    *error = "cannot read the root of the attribute library";
    return std::nullopt;
  }
  std::size_t start = 0;
  std::vector<std::string_view> names;
  while (start <= text.size()) {
    const std::size_t slash = std::min(text.find('/', start), text.size());
    if (slash > start) names.push_back(text.substr(start, slash - start));
    start = slash + 1;
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    const bool want_group = groups_only || i + 1 < names.size();
    std::optional<std::vector<AttributeEntry>> children = attribute_children(current->id);
    if (!children) {
      *error = "cannot read the contents of " + describe_attribute_entry(current->id);
      return std::nullopt;
    }
    std::vector<AttributeEntry> found;
    for (const AttributeEntry& c : *children)
      if (c.name == names[i] && (!want_group || c.group)) found.push_back(c);
    if (found.empty()) {
      *error = "there is no " + std::string(want_group ? "group " : "entry ") + quote_name(names[i]) +
               " in " + describe_attribute_entry(current->id);
      return std::nullopt;
    }
    if (found.size() > 1) {
      *error = quote_name(names[i]) + " in " + describe_attribute_entry(current->id) +
               " names a group and an attribute (" + std::to_string(found[0].id) + ", " +
               std::to_string(found[1].id) + "); give the entry's identifier";
      return std::nullopt;
    }
    current = found.front();
  }
  return current;
}

std::string attribute_path(long id) {
  std::vector<std::string> names;
  for (int step = 0; step < kMaxDepth; ++step) {
    std::optional<AttributeEntry> e = attribute_entry(id);
    if (!e || e->parent == 0) break;
    names.push_back(e->name);
    id = e->parent;
  }
  if (names.empty()) return "/";
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) path += (path.empty() ? "" : "/") + *it;
  return path;
}

std::string describe_attribute_entry(long id) {
  return quote_name(attribute_path(id)) + " (entry " + std::to_string(id) + ")";
}

std::vector<std::string> filter_kind_words(uint32_t filter) {
  std::vector<std::string> words;
  for (int bit = 0; bit < 29; ++bit) {
    const uint32_t mask = 1u << bit;
    if ((filter & mask) == 0) continue;
    int kind = 0;
    for (int k = 1; k <= 13 && kind == 0; ++k)
      if (ElementClassBit(k) == mask) kind = k;
    words.push_back(kind != 0 ? std::string(kind_word(kind)) : "bit" + std::to_string(bit));
  }
  return words;
}

uint32_t parse_kind_filter(std::string_view list, std::string* error) {
  uint32_t filter = 0;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string_view word = list.substr(start, comma - start);
    start = comma + 1;
    if (word.empty()) continue;
    if (word.size() > 3 && word.substr(0, 3) == "bit") {
      int bit = -1;
      const auto [end, ec] = std::from_chars(word.data() + 3, word.data() + word.size(), bit);
      if (ec == std::errc() && end == word.data() + word.size() && bit >= 0 && bit <= 21) {
        filter |= 1u << bit;
        continue;
      }
      *error = "unknown element kind \"" + std::string(word) + "\" (bit0 to bit21)";
      return 0;
    }
    const int kind = parse_kind(word, error);
    if (kind == 0) return 0;
    filter |= ElementClassBit(kind);
  }
  if (filter == 0) *error = "no element kind given";
  return filter;
}

std::optional<nlohmann::ordered_json> attribute_tree_json(long id, std::string* error) {
  std::optional<AttributeEntry> top = id == 0 ? attribute_root() : attribute_entry(id);
  if (!top) {
    *error = id == 0 ? "cannot read the root of the attribute library"
                     : "there is no entry " + std::to_string(id) + " in the attribute library";
    return std::nullopt;
  }
  nlohmann::ordered_json j;
  if (!entry_json(*top, 0, &j, error)) return std::nullopt;
  return j;
}

}  // namespace dlist::cli
