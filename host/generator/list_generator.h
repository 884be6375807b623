// The list generator of the stand-ins: makes quantity lists from list definitions by
// walking the active model's placed elements as each definition's tree says, pricing
// them from the active material library, and writing each list in the form of the
// set's template. What each node does, the fields of a section's text and the files
// written are in docs/list_generation.md.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/list_nodes.h"
#include "host/generator/generator_model.h"

namespace dlist::generator {

// What became of one list.
struct ListResult {
  std::string name;
  bool ok = false;
  std::string error;              // why the list was not produced
  std::string output;             // the file written
  std::vector<std::string> log;   // what was left out and why (also in the .log file)
  unsigned rows = 0;              // material and subprice rows walked
  double total = 0;               // the sum of their totals
};

struct GenerateOptions {
  std::string out_dir;  // empty: the folder of the set's INI file
  // Called after each list with the lists done and the lists to do.
  std::function<void(unsigned done, unsigned total)> progress;
};

struct GenerateResult {
  std::vector<ListResult> lists;
  std::string error;  // a failure before any list (no such list definition, no model)
  bool ok() const {
    if (!error.empty()) return false;
    for (const ListResult& l : lists)
      if (!l.ok) return false;
    return true;
  }
};

// A material link of an element priced: its material, its quantity in the
// material's unit and its total at the material's unit price.
struct PricedLink {
  const Material* material = nullptr;
  double quantity = 0;
  double total = 0;
};
// Prices link of e: a fixed quantity as it stands, an automatic one from the
// element's measured parameter (or a numeric attribute value) converted into the
// material's unit through the library's unit factors. Nothing, with the reason in
// why, when the library lacks the material, the element has no value of the
// parameter or there is no conversion path.
DLIST_API std::optional<PricedLink> price_link(const Element& e, const Link& link, Library& library, std::string& why);

// Generates the list definition called name of set (whose INI file is ini), or with
// an empty name every marked one (every one when none is marked). Each list stands or
// falls alone: a missing template, an output folder that cannot be written or a
// definition that its rules refuse stops that list, and the others still generate.
DLIST_API GenerateResult generate(const std::string& ini, const std::string& name,
                                  const DL_LISTSPEC_LIST& set, const GenerateOptions& options = {});

// CallDoList's default: generate(), with every failure and log line reported through
// the report log; 1 when every list was produced.
DLIST_API int generate_for_main_module(const std::string& ini, const std::string& name,
                                       DL_LISTSPEC_LIST& set);

}  // namespace dlist::generator
