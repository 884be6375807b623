// A prototype's whole stored element (its record, surfaces, material and attribute
// chains), read and written with the prototype calls, for the front ends that open
// the link panels on a prototype and store what the person linked.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "foundation/references.h"

namespace dlist::cli {

class PrototypeRecord {
 public:
  virtual ~PrototypeRecord() = default;
  // Reads record recid of the prototype store; false when it cannot be read.
  virtual bool read(long recid) = 0;
  // Writes the record with the chains below back; false when the store refuses.
  virtual bool write(long recid) = 0;
  DBMATREFCHAIN mat;
  DBATTREFCHAIN attr;
};

// An empty record of element kind 1 to 13; null for another kind.
std::unique_ptr<PrototypeRecord> record_of_kind(int kind);

// A prototype node of the active project with its record read.
struct LoadedPrototype {
  long node = 0;
  long recid = 0;
  int kind = 0;
  std::unique_ptr<PrototypeRecord> record;
};

// The prototype carried by node (of kind 1 to 13); nothing with the reason in
// *error when the node carries no record that can be read.
std::optional<LoadedPrototype> load_prototype(long node, int kind, std::string* error);
// The prototype named by text (an identifier or a path of names, as the commands
// take them); a folder is refused.
std::optional<LoadedPrototype> load_prototype(const std::string& text, std::string* error);

}  // namespace dlist::cli
