// The dialogs of the list output dialog's List menu.
#pragma once

#include <optional>
#include <string>

#include "foundation/list_nodes.h"

namespace dlist::listspec {

// Asks for the name of a list definition (1 to 31 characters) in the dialog of
// context, titled by text title, starting from start; a name another list
// definition of set has (other than the one at index except) is refused and the
// dialog stays open. Nothing when the user cancels.
std::optional<std::string> ask_list_name(void* parent, int context, int title, const std::string& start,
                                         const DL_LISTSPEC_LIST& set, int except);
// Lets the user choose one list definition of set (selected: current); its index,
// -1 when cancelled.
int choose_list_index(void* parent, int title, const DL_LISTSPEC_LIST& set, int current);
// Lets the user switch the marks of the list definitions; true on OK.
bool mark_lists(void* parent, DL_LISTSPEC_LIST& set, int current, void* images);
// Edits the properties of list_def (its name refused when another of set has it).
bool edit_list_properties(void* parent, DL_LISTSPEC& list_def, const DL_LISTSPEC_LIST& set, int index);
// Edits the precision list of set, filled first from the model's numeric parameters
// when it is empty.
bool edit_precision(void* parent, DL_LISTSPEC_LIST& set);
// The name of a converted template: the source's name with "_c" before its extension.
std::string converted_name(const std::string& source);

}  // namespace dlist::listspec
