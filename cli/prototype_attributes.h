// The attribute values of a prototype on the command line, worked through the
// attribute link panel as a user would: listing the rows, linking a value (typed,
// a reference of the attribute, or a file), removing rows, and the completeness
// check of a link mode.
#pragma once

#include <optional>
#include <string>

#include "cli/project.h"

namespace dlist::cli {

// What link-attribute gives the new row: exactly one of value, ref and file.
struct LinkRequest {
  std::optional<std::string> value;  // a typed value (formula or text attribute)
  std::optional<std::string> ref;    // the name of a reference of the attribute
  std::optional<std::string> file;   // a file's path (file attribute)
  bool hold = false;                 // hold the file's content in the project
};

// Adds one value of attribute abbrev to the prototype record carried by node (of
// kind 1 to 13) through the panel and stores the record. Empty on success, else the
// refusal. Runs inside the caller's transaction.
std::string link_prototype_attribute(long node, int kind, const std::string& abbrev,
                                     const LinkRequest& request);

int prototype_attributes_command(ModelDatabase& project, const std::string& node, bool json,
                                 Output& out);
int link_attribute_command(ModelDatabase& project, const std::string& node,
                           const std::string& abbrev, const LinkRequest& request, Output& out);
int unlink_attribute_command(ModelDatabase& project, const std::string& node,
                             const std::string& abbrev, const std::optional<std::string>& value,
                             Output& out);
int check_prototype_command(ModelDatabase& project, const std::string& node, int mode,
                            Output& out);

}  // namespace dlist::cli
