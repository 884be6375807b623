// The dialogs with which the attribute import asks about a conflict: one for an
// attribute whose abbreviation exists with another definition, one for a reference
// whose name exists with another value. The button that closes either sets the
// conflict strategy (attribute_exchange.h): 10770 -1, 10771 -2, 10772 1, 10773 2;
// closing it in any other way sets -2.
#pragma once

#include <string>

#include "foundation/attribute_records.h"

namespace dlist {

// False, with the strategy as it was, when the dialog cannot run.
bool ask_attribute_conflict(void* owner, long existing_id, const DBATTRIBUTETYPE& existing,
                            const DBATTRIBUTETYPE& imported);
bool ask_reference_conflict(void* owner, const std::string& attribute, const std::string& reference,
                            const std::string& new_value, const std::string& old_value);

}  // namespace dlist
