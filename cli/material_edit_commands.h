// The changes of `dlist materials new|dimension|unit|market|subprice|long-text-names|
// separator` as functions, for callers that hold the library's transaction
// themselves (the demonstration builds its library with them). Each fills the
// system's dialog as the user would and presses OK; the result is empty when the
// dialog did its work, else the refusal line (the field and the dialog's reason).
// Texts are UTF-8 and stored in the texts' code page.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/list/list_context.h"

namespace dlist::cli {

struct MaterialRequest {
  std::string code;   // new: the own code component; edit: the material's full code
  std::string under;  // new: the parent's code; empty: a root
  std::optional<std::string> name;
  std::optional<std::string> market;
  std::optional<double> price;
  std::optional<std::string> unit;      // ABBR or ABBR=FACTOR: the native unit
  std::vector<std::string> unit_refs;   // ABBR=FACTOR, or -ABBR to take it away
  std::vector<std::string> subprices;   // ABBR[=V], ABBR*V, ABBR+V, -ABBR
  std::vector<std::string> long_texts;  // N=TEXT
};

struct UnitRequest {
  std::string abbrev;
  std::string dimension;
  std::string under;  // the parent unit's abbreviation; empty: the dimension
  std::optional<std::string> name;
  std::optional<double> factor;
};

struct SubpriceRequest {
  std::string abbrev;
  std::optional<std::string> name;
  std::string kind;  // formula, multiplier, addition or information; empty: as it is
  std::optional<double> value;
  std::optional<std::string> formula;
};

std::string create_material(LISTCONTEXT& library, const MaterialRequest& request);
std::string create_dimension(LISTCONTEXT& library, const std::string& name);
std::string create_unit(LISTCONTEXT& library, const UnitRequest& request);
std::string create_market(LISTCONTEXT& library, const std::string& name);
std::string create_subprice(LISTCONTEXT& library, const SubpriceRequest& request);
std::string set_long_text_names(LISTCONTEXT& library, const std::vector<std::string>& names);
std::string set_separator(LISTCONTEXT& library, const std::string& character);

}  // namespace dlist::cli
