// The host's writer of the cost-estimate file ("*.dev") that follows the
// cost-estimate dialog: the priced material totals of the chosen layout sheets of
// the active model, grouped as the dialog's options say. Format and rules:
// docs/cost_estimate.md.
#pragma once

#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/cost_estimate_records.h"

namespace dlist::generator {

// Fills estimate with every plan of the active model as an offered layout sheet
// (layer names from the plan's layer names, every layer kept) and the output path;
// offered receives the names in the order offered. False with the reason when the
// model cannot be read or memory is short.
DLIST_API bool offer_model_sheets(DEVIS_INTERFACE& estimate, std::vector<std::string>& offered,
                                  std::string& error);

struct EstimateResult {
  bool ok = false;
  std::string error;              // why nothing was written
  std::vector<std::string> notes; // links left out and why
  unsigned rows = 0;              // material rows written
  double total = 0;               // the sum of every row's total
};

// Writes the estimate to estimate.path from the choices of the dialog: the chosen
// sheets (estimate's names; every offered sheet when all_items is set), offered
// being the names as they were offered, in the order of the sheet arrays. The file
// is written to a temporary file renamed into place; nothing is written on failure.
DLIST_API EstimateResult write_cost_estimate(const DEVIS_INTERFACE& estimate,
                                             const std::vector<std::string>& offered);

}  // namespace dlist::generator
