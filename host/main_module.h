// The suite's main module as this system reaches it: the generation of lists from a
// set of list definitions. The list output dialog hands the set, the path of its INI
// file and a definition's name to CallDoList; what generates is put in place by the
// host (the list generator of the stand-ins by default, or a recorder in tests).
#pragma once

#include <functional>
#include <string>

#include "dlist/api.h"

class DL_LISTSPEC_LIST;

namespace dlist {

// Generates the list definition called name of set (whose file is ini), or every
// marked one when name is empty. 1 when every list asked for was produced, else 0.
using DoListHandler =
    std::function<int(const std::string& ini, const std::string& name, DL_LISTSPEC_LIST& set)>;

// Puts handler in place (an empty one restores the default) and returns the one before.
// The default is the stand-ins' list generator (host/generator/list_generator.h): it
// writes the lists beside the set's INI file, reports what it left out and every list
// that failed through the report log, and answers 1 only when every list was written.
DLIST_API DoListHandler set_do_list_handler(DoListHandler handler);

}  // namespace dlist

// The main module's entry: hands the call to the handler in place. A null set or ini
// answers 0.
DLIST_API int DLIST_CALL CallDoList(const char* ini, const char* name, DL_LISTSPEC_LIST* set);
