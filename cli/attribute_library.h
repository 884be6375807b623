// The attribute library on the command line: naming an entry (a group or an
// attribute) by its identifier or by a path of names from the root, the element
// kinds of a filter as words, and the library as JSON.
//
// A path is names separated by "/" ("Doors/Fire rating"; "/" alone is the root).
// A step matches groups and attributes of that name; a name that both a group and
// an attribute of one group hold is ambiguous unless only groups are wanted (every
// step but the last is a group). Names are UTF-8 here and compared as stored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace dlist::cli {

// One entry of the library as the commands show it (texts as UTF-8).
struct AttributeEntry {
  long id = 0;
  long parent = 0;  // 0 for the root
  bool group = true;
  std::string name;
};

// The root group; nothing when the library cannot be read.
std::optional<AttributeEntry> attribute_root();
// Entry id; nothing when it is no entry.
std::optional<AttributeEntry> attribute_entry(long id);
// The entries of group id in store order; nothing when it is no group.
std::optional<std::vector<AttributeEntry>> attribute_children(long id);

// The entry that text names (an identifier, or a path of names); groups_only
// refuses an attribute. Nothing, with the reason in *error, otherwise.
std::optional<AttributeEntry> resolve_attribute_entry(std::string_view text, bool groups_only,
                                                      std::string* error);
// The path of names of entry id ("/" for the root).
std::string attribute_path(long id);
// An entry for messages: `"Doors/Fire" (entry 7)`.
std::string describe_attribute_entry(long id);

// The words of the element kinds of a filter, in bit order: the kind words of
// kinds 1 to 13 (cli/kind_word.h), "bitN" for any other bit of 0 to 28.
std::vector<std::string> filter_kind_words(uint32_t filter);
// The filter bits of a comma-separated list of kind words, kind codes or "bitN"
// (N 0 to 21); 0, with the reason in *error, for an empty list or an unknown word.
uint32_t parse_kind_filter(std::string_view list, std::string* error);

// The library from group id down (0: the root) as JSON: every entry with `id`,
// `type` ("group", "formula", "text", "file"), `name`; groups with `children`;
// attributes with `abbrev`, `description`, `unit`, `precision`, `kinds`,
// `summarizable` and `references` (`id`, `name`, `indirect`, `held`, and `value`,
// or for a file attribute `file` with `name` and `size`, null when unknown).
// Nothing, with the reason in *error, when a read fails.
std::optional<nlohmann::ordered_json> attribute_tree_json(long id, std::string* error);

}  // namespace dlist::cli
