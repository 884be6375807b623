// The rules of a tree node's name, shared by every way a name arrives: typed by a
// user, or read from an exchange file. A name is text of the code page the stores
// keep (one byte a character) and lives in a 32-byte field with its terminator.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dlist {

// The longest node name: the name field holds 32 bytes with its terminating zero.
inline constexpr std::size_t kMaxNodeNameLength = 31;

// Why name cannot name a node, as the end of a sentence about it ("holds ..."),
// or an empty string when it can: at most kMaxNodeNameLength characters, no "/"
// (it separates the names of a path) and no control character (0x00 to 0x1F,
// 0x7F). An empty name passes here.
std::string node_name_fault(std::string_view name);

// The same for a name field of n bytes read from a file, which must also hold its
// terminator.
std::string node_field_fault(const char* field, std::size_t n);

// The name with every control character written as \xNN, for messages.
std::string escaped_name(std::string_view name);

}  // namespace dlist
