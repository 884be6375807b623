// `dlist materials ...`: the material library from the command line, through the
// functions the system exports to its host.
//   tree [--json]            the material tree with prices, references and long texts
//   units [--json]           the dimensions and their units
//   export [--root CODE] [--target CODE|0|-1] FILE, export --codes CODE,... FILE
//                            a list export file (ListExporter)
//   remove CODE              a material with everything below it (RemoveMaterial)
//   purge                    every material, dimension, subprice and market
//   copy-prices SRC DST      SRC's price, market, long texts and references onto DST
// The bodies work on an open library and an Output, so tests run them in-process.
// The commands that create and change records through their dialogs (new, edit,
// rename, show, dimension, unit, market, subprice, long-text-names, separator) are
// in material_edit_commands.h.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/project.h"
#include "foundation/material_records.h"
#include "host/list/list_context.h"

namespace dlist::cli {

// One material of a listed tree, with its depth below the roots (0 for a root).
struct ListedMaterial {
  long id = 0;
  int depth = 0;
  std::string code;  // the code components from the root down, joined by "."
  dbmaterial data{};
  std::string long_texts[kLongTextCount];
  std::vector<unitref> unit_refs;
  std::vector<subpriceref> subprice_refs;
};

// Calls visit for every material, each root followed by its subtree, a material
// before the ones below it, siblings in walk order; its texts are bytes of the
// texts' code page. Only the identifiers of the materials still to visit are kept,
// never the materials themselves. False, with the reason in *error, when the
// library cannot be read (the materials visited before stay visited).
bool walk_materials(LISTCONTEXT& library, const std::function<void(const ListedMaterial&)>& visit,
                    std::string* error);

// One unit of a dimension, with its depth below the dimension (1 for a child).
struct ListedUnit {
  long id = 0;
  int depth = 1;
  dbunit data{};
};

struct ListedDimension {
  long id = 0;
  int number = -1;  // n of "##n"; -1 when the abbreviation holds none
  dbunit data{};
  std::string basic_unit;         // abbreviation of its basic unit; empty when it has none
  std::vector<ListedUnit> units;  // a unit before the units below it
};

// Every dimension in walk order with its units. Nothing, with the reason in
// *error, when the library cannot be read.
std::optional<std::vector<ListedDimension>> list_dimensions(LISTCONTEXT& library,
                                                            std::string* error);

// The bodies of the read-only commands. The material tree is written while it is
// walked, as text or as a JSON array of root materials with the keys id, code,
// name, market, unit_price, native_unit, unit_refs, subprice_refs, long_texts and
// children; texts are converted to UTF-8 from the texts' code page. A library that
// cannot be read to its end fails (1) after what was written (as valid JSON).
int materials_tree_command(LISTCONTEXT& library, bool json, Output& out);
int materials_units_command(LISTCONTEXT& library, bool json, Output& out);

struct MaterialExportRequest {
  std::string root;                // code of the subtree's material; empty: the whole library
  std::string target;              // "0", "-1" or a material's code; empty: full codes (-1)
  std::vector<std::string> codes;  // a selection of codes; then root and target stay empty
  bool force = false;              // write over a file of another kind
  std::string file;
};

// Writes the list export file. Refused (1, one line) for an unknown code of root or
// target, for FILE naming the library itself (by any path), for a file of another
// kind unless force, for a library without dimensions and
// when there is no material to export; a file the command began and could not end
// is removed unless it was there before.
int materials_export_command(LISTCONTEXT& library, const MaterialExportRequest& request,
                             Output& out);

// How the questions of a command are answered: can_answer is false when neither a
// flag nor a terminal can answer them; the command then refuses before it asks.
int materials_remove_command(LISTCONTEXT& library, const std::string& code, bool can_answer,
                             Output& out);
int materials_purge_command(LISTCONTEXT& library, bool can_answer, Output& out);
int materials_copy_prices_command(LISTCONTEXT& library, const std::string& source,
                                  const std::string& target, Output& out);

}  // namespace dlist::cli
