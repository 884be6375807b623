// ATTRIBUTES and ATTR_REF: the suite's handles of the attribute library of the
// active model (docs/model_database.md, "Attributes").
//
// The library is one tree. Its root is a group that every project holds; below it
// stand groups and attribute entries, mixed, in store order. An attribute entry
// (node kind below 0) carries one definition (`DBATTRIBUTETYPE`); the definition
// has a reference list of its own identifier (what get_id_attribute answers), and
// the references (named values) of the attribute are listed under it. A reference
// is offered for a set of element-kind bits (those of the attribute's filter when
// it is created), so a walk may ask for the references of one kind.
//
// Rules: two groups of one parent never share a name, nor do two attributes of one
// group; no two attributes share an abbreviation; no two references of one list
// share a name. Handles are light: construct one for an operation; a walk keeps its
// position in the handle. Without an active model every call fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "dlist/api.h"
#include "foundation/attribute_records.h"
#include "foundation/text_buffer.h"

class DLIST_API ATTRIBUTES {
 public:
  // Results of cre_node and cre_attribute besides an identifier.
  static constexpr long kNameTaken = -2;    // the parent already holds the name
  static constexpr long kAbbrevTaken = -3;  // another attribute has the abbreviation

  // Positions at the entries under node (0: the root) and returns that node's
  // identifier (the root's for 0); 0 when node is not a group.
  long rew_node(long node);
  // Fills the next entry of the walk and returns its identifier; 0 at the end.
  // An attribute's entry has a negative kind and the attribute's name.
  long get_node(DBATTRIBUTENODETYPE* node);
  // Reads one entry; *parent, when asked for, receives its group (0 for the root).
  // Returns id, 0 when there is no such entry.
  long get_id_node(long id, DBATTRIBUTENODETYPE* node, long* parent = nullptr);
  // Reads the definition of the attribute entry id and returns the identifier of
  // its reference list; below 1 when id is not an attribute.
  long get_id_attribute(long id, DBATTRIBUTETYPE* definition);
  // The attribute entry whose abbreviation is abbrev (compared exactly), filling
  // *definition when given; 0 when there is none.
  long get_abbrev_attribute(const char* abbrev, DBATTRIBUTETYPE* definition);

  // Creates a group named node->name under the group parent (0: the root) and sets
  // node->kind to the group kind (1; the root alone has 0); the new identifier,
  // kNameTaken when a group of parent has the name, 0 on another failure.
  long cre_node(long parent, DBATTRIBUTENODETYPE* node);
  // Creates an attribute in the group parent (0: the root); the new entry's identifier,
  // kNameTaken when an attribute of parent has the name, kAbbrevTaken when an
  // attribute has the abbreviation, 0 on another failure (no kind bit, an empty
  // name or abbreviation).
  long cre_attribute(long parent, DBATTRIBUTETYPE* definition);
  // Changes the definition of an attribute (its entry takes the new name); the
  // same refusals as cre_attribute, as 0. Non-zero on success.
  int mod_attribute(long id, DBATTRIBUTETYPE* definition);
  // Renames an entry (not the root): a group, or an attribute (its entry and its
  // definition take the name). 0 when a sibling of the same class (group or
  // attribute) has the name, or the name is empty. Non-zero on success.
  int mod_node(long id, DBATTRIBUTENODETYPE* node);
  // Removes an entry: an attribute with its references, a group with everything
  // under it. Without force a group that holds entries, or an attribute that
  // presets use, is refused. The root is never removed. Non-zero on success.
  int del_node(long id, int force);
  // Non-zero when no preset (palette or stored element record) carries a value of
  // the attribute id or of an attribute under the group id.
  int is_deleteable_node(long id);
  // Removes, from every preset, the values of the attribute id (or of every
  // attribute under the group id). Non-zero on success.
  int del_palrefs(long id);
  // Moves entry *id onto *target: onto a group, the entry goes into it; onto an
  // attribute, into the attribute's group, and *target becomes that group. 1 when
  // the entry went into the target, 2 when it went beside it, 0 when refused (the
  // root, a group into itself or below itself, a name taken in the new place).
  int move_node(long* id, long* target);

 private:
  std::vector<int64_t> children_;  // the walk of rew_node / get_node
  std::size_t next_child_ = 0;
};

// Reference walks and kinds: a reference is kept with the element-kind mask of its
// attribute (the filter when the reference was created, and after every change of
// the filter by mod_attribute); rew(list, bit) lists those whose mask holds a bit
// of `bit`, and bit 0 lists all.
class DLIST_API ATTR_REF {
 public:
  // Positions at the references of the list that are offered for the element-kind
  // bit (0: all), in name order; the number of them, below 1 when there are none.
  long rew(long list, long kind_bit);
  // Fills the next reference of the walk (name: 17 bytes; flags: one byte) and
  // returns its identifier; 0 at the end, -1 when a reference cannot be read.
  long get(char* name, TEXTBUFFER* value, char* flags);
  // Reads one reference; its identifier, below 1 when there is none. *list, when
  // asked for, receives the list that holds it.
  long get_id(long id, char* name, TEXTBUFFER* value, char* flags, long* list = nullptr);
  // Creates a reference of a text or formula attribute (or a file reference that
  // names a file on disk, or one whose value is already embedded, with flags bit 0);
  // its identifier, below 1 when it cannot (the name is taken or empty, or longer
  // than 16 characters, or no such list).
  long cre(long list, const char* name, const TEXTBUFFER& value, char flags);
  // Creates a file reference whose content is held in the database: value is the
  // embedded file (name, zero, 32-bit length, bytes), checked before it is stored.
  long filepred_import(long list, const char* name, const TEXTBUFFER& value);
  // Removes one reference. Non-zero on success.
  int del(long id);
  // Renames a reference (its name must be free in its list). Non-zero on success.
  int mod_name(long id, const char* name);
  // Changes a reference's value and flags. Non-zero on success.
  int mod_value(long id, const TEXTBUFFER& value, char flags);
  // Gives the indirect reference that the walk read last the value name (the name
  // of the reference it points at). Non-zero on success.
  int mod_indirect_name(const char* name);
  // Writes the held content of the file reference id to the file path (replacing
  // it through a temporary file); with flag non-zero an existing file is not
  // replaced. Non-zero on success.
  int fpop(long id, const char* path, int flag);

 private:
  std::vector<int64_t> refs_;  // the walk of rew / get
  std::size_t next_ref_ = 0;
  int64_t last_ = 0;  // the reference that get read last
};

namespace dlist {

// Whether value is an embedded file: a name of at least one character ending with
// its zero inside the value, then a 32-bit little-endian length equal to the bytes
// that follow. On success *name and *content (when asked for) view its parts.
DLIST_API bool embedded_file_ok(std::span<const unsigned char> value, std::string_view* name,
                                std::span<const unsigned char>* content);
// The embedded form of a file named name (no zero inside) with content; empty when
// the name is empty or holds a zero, or the content is beyond 32 bits.
DLIST_API std::vector<unsigned char> make_embedded_file(std::string_view name,
                                                        std::span<const unsigned char> content);

}  // namespace dlist
