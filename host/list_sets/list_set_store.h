// The list generator module's storage of list definitions and its templates (a
// stand-in of ours). A set of list definitions is an INI file (docs/list_definitions.md,
// "Set files"): the set's own section, the precision list, and one section for each
// list definition whose node tree is streamed through the nodes' io() and stored as hex
// text. A template is a text file of section definitions ("Template files").
//
// Every reader builds into a fresh set and hands it over only when the whole file was
// read and every tree passed the placement rules and Valid(); on a refusal the caller's
// set is left as it was and error says why. Writers go through FileReplacement.
#pragma once

#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/list_nodes.h"

namespace dlist::list_sets {

inline constexpr unsigned long long kMaxSetFileBytes = 64ull << 20;
inline constexpr unsigned kMaxListDefinitions = 10000;
inline constexpr unsigned kMaxTemplateDepth = 32;

// Whether path ends in ".ini", in any case.
DLIST_API bool HasIniExtension(const std::string& path);

// Loads the set at path into set (INIFileName becomes path).
DLIST_API bool Read(DL_LISTSPEC_LIST& set, const std::string& path, std::string& error);
// Writes the whole set (properties, precision list, list definitions) to path.
DLIST_API bool WriteINI(const DL_LISTSPEC_LIST& set, const std::string& path, std::string& error);
// Replaces the list definition sections, the template's name and the precision list
// of the INI file at path by the set's, keeping the file's other sections; a missing
// file is written whole.
DLIST_API bool WriteINIListSpecs(const DL_LISTSPEC_LIST& set, const std::string& path, std::string& error);
// Appends the list definitions of the options file at path (a set file of the same form)
// to set; a name already in the set is refused.
DLIST_API bool AddOpt(DL_LISTSPEC_LIST& set, const std::string& path, std::string& error);

// Parses a set from text (the readers' common part; also the fuzz target's entry).
DLIST_API bool ParseSet(const std::string& text, DL_LISTSPEC_LIST& set, std::string& error);
DLIST_API std::string FormatSet(const DL_LISTSPEC_LIST& set);

// ---- templates ----

// The sections of a template; the first two are the start and the final section.
using DL_TEMPLATE = std::vector<DL_TSECTION>;

DLIST_API bool ParseTemplate(const std::string& text, DL_TEMPLATE& out, std::string& error);
DLIST_API std::string FormatTemplate(const DL_TEMPLATE& t);
DLIST_API bool ReadTemplate(const std::string& path, DL_TEMPLATE& out, std::string& error);
// The scope of section number in the template (0 when it is not defined there).
DLIST_API uint32_t SectionScope(const DL_TEMPLATE& t, unsigned number);
// The ready-made templates: "delimited" and "html"; empty for another name.
DLIST_API std::string ReadyMadeTemplate(const std::string& name);

}  // namespace dlist::list_sets

// Converts the template at source (the older form or the current one) into the current
// form at destination; true on success.
DLIST_API bool DL_ConvertTemplate(const char* source, const char* destination);
