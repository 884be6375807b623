// The content of the demonstration: a project filled with palettes and prototypes
// of all 13 kinds in nested folders, carrying recognisable data (layers, names,
// descriptions, a text "abc", surface entries, material and attribute references),
// and the comparison of two projects' trees by position, since their identifiers
// differ.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cli/store_tree.h"
#include "foundation/element_kinds.h"

namespace dlist::cli {

// What fill_demo_tree made in one tree.
struct DemoCounts {
  std::array<int, kLastKind + 1> leaves{};  // by kind 1 to 13
  int folders = 0;

  int total_leaves() const;
};

// Fills the tree of the active model: in the kind folder of each kind a folder
// "<Kind> set" holding a leaf and a folder "Detail" with a second leaf. Palettes of
// one kind differ in their layer, so none is refused as equal to another. Nothing,
// with the reason in *error, when a store call fails.
std::optional<DemoCounts> fill_demo_tree(const StoreTree& tree, std::string* error);

// One node as the comparison sees it: its place and fields, and for a leaf the bytes
// of what it carries (a palette image with its surface entries; an element record as
// streamed, its text, surface entries and reference chains).
struct NodePrint {
  std::string path;
  int level = 0;
  int kind = 0;
  std::string description;
  std::vector<unsigned char> content;
};

// Every node of the tree of the active model, root first, each folder before its
// contents. Nothing, with the reason in *error, when a node or record cannot be read.
std::optional<std::vector<NodePrint>> tree_prints(const StoreTree& tree, std::string* error);

// Empty when the two lists are equal; otherwise the first difference, by path.
std::string first_difference(const std::vector<NodePrint>& a, const std::vector<NodePrint>& b);

// What fill_demo_attributes made.
struct AttributeDemoCounts {
  int groups = 0;
  int attributes = 0;
  int references = 0;
};

// Fills the attribute library of the active model: below the root a group "Doors"
// with a subgroup "Fire", and a group under the predefined name of message 20423;
// attributes of the three kinds, with direct references, an indirect one and a held
// file. Nothing, with the reason in *error, when a store call fails.
std::optional<AttributeDemoCounts> fill_demo_attributes(std::string* error);

// Links attribute values of the demo library to the first door and window
// prototypes through the attribute link panel: references (one to a held file) and
// a typed value. The number of values linked; 0, with the reason in *error, on failure.
int link_demo_attribute_values(std::string* error);

// Every entry of the attribute library of the active model, one line each, in the
// library's order, each group before its contents: its path of names and, for an
// attribute, its definition's fields and its references (name, flags, value bytes).
// Nothing, with the reason in *error, when an entry cannot be read.
std::optional<std::vector<std::string>> attribute_prints(std::string* error);

}  // namespace dlist::cli
