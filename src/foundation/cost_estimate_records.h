// What the host and the cost-estimate dialog hand each other: the output file, the
// layout sheets offered with their layer sets and layer names, the chosen sheets and
// the options. The host fills it, the dialog (CrtDevis) writes the choices back, and
// the host's writer of the cost-estimate file reads them (docs/cost_estimate.md).
#pragma once

#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/plan_records.h"

inline constexpr int kDevisPathSize = 260;
inline constexpr int kDevisNameSize = 32;
inline constexpr short kDevisRangeMin = -256;
inline constexpr short kDevisRangeMax = 256;

struct DLIST_API DEVIS_INTERFACE {
  char path[kDevisPathSize] = {};
  int start = 0;       // the item chosen at the start
  int by_sheet = 0;    // 10500: one block of totals for each sheet (else one for all)
  int layer_sets = 0;  // 10504: only the layers each sheet's layer set keeps
  int by_floor = 0;    // 10502: one block for each floor, floors limited to the range
  int all_items = 0;   // 10550: every offered sheet
  short low = kDevisRangeMin;
  short high = kDevisRangeMax;
  char (*names)[kDevisNameSize] = nullptr;  // on entry the offered sheets, after OK the chosen
  int name_count = 0;
  DBFOLIATYPE* sheets = nullptr;  // one for each offered sheet
  int sheet_count = 0;
  DBFOLIANAMES* sheet_names = nullptr;  // one for each offered sheet
  int sheet_name_count = 0;

  DEVIS_INTERFACE() = default;
  ~DEVIS_INTERFACE();
  DEVIS_INTERFACE(const DEVIS_INTERFACE&) = delete;
  DEVIS_INTERFACE& operator=(const DEVIS_INTERFACE&) = delete;

  // Offers the sheets named names: the three arrays made anew, every layer of each
  // sheet kept and unnamed. False (nothing changed) for a name that is empty or
  // longer than 31 bytes, or when memory is short.
  bool offer(const std::vector<std::string>& names);
  // Replaces the names array by texts (each cut to 31 bytes); false when memory is
  // short (the names then stay as they were).
  bool set_names(const std::vector<std::string>& texts);
  // The names array as texts.
  std::vector<std::string> name_list() const;
};
