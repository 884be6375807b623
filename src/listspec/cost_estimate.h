// The cost-estimate dialog (22327): the host offers layout sheets in a
// DEVIS_INTERFACE, the user chooses the output file, the sheets and the options,
// and the choices are written back into the same structure. What the options mean
// for the file is the host writer's (docs/cost_estimate.md).
#pragma once

#include "dlist/api.h"
#include "foundation/cost_estimate_records.h"

namespace dlist::listspec {

inline constexpr int kDevisContext = 22327;
inline constexpr int kDevisFile = 10805;         // the output file, 1 to 256 characters
inline constexpr int kDevisFileChoose = 10808;   // its file chooser
inline constexpr int kDevisSheets = 10750;       // tree: the offered sheets, parameter the index
inline constexpr int kDevisSheetsLabel = 10397;
inline constexpr int kDevisBySheet = 10500;      // with its partner 10501
inline constexpr int kDevisTogether = 10501;
inline constexpr int kDevisByFloor = 10502;      // with its partner 10503
inline constexpr int kDevisEveryFloor = 10503;
inline constexpr int kDevisLayerSets = 10504;    // with its partner 10505
inline constexpr int kDevisEveryLayer = 10505;
inline constexpr int kDevisLow = 10436;          // the range, -256 to 256
inline constexpr int kDevisHigh = 10437;
inline constexpr int kDevisLowLabel = 10601;
inline constexpr int kDevisHighLabel = 10602;
inline constexpr int kDevisOptionsLabel = 10603;
inline constexpr int kDevisLayerSet = 10806;     // opens CrtFolia for the selected sheet
inline constexpr int kDevisAll = 10550;          // all sheets
// Settings: the all-sheets flag and the output file.
inline constexpr int kSettingDevisAll = 244;
inline constexpr int kSettingDevisFile = 265;

// Forgets the dialog memory (radio choices 0, range 1 and 1), as when the library
// is loaded.
DLIST_API void reset_devis_memory();

}  // namespace dlist::listspec

// Runs the dialog over parent on estimate: non-zero when the user confirmed, 0 when
// cancelled, when the dialog could not be built or for a null estimate.
DLIST_API int DLIST_CALL CrtDevis(void* parent, DEVIS_INTERFACE* estimate);
