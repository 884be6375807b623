// The module tables of the drawing modules that the system reads: each module's
// layer-set table (`C_GetFolia`) and the validity of layer numbers
// (`is_layer_valide`). A layer-set table holds one row of 255 bytes per layer set,
// one byte per layer, layer 1 first; the byte 2 marks the layer inactive in that
// set. The host keeps the tables; tests and the command line fill them with
// dlist::set_layer_sets. Everything runs on the user-interface thread.
#pragma once

#include <array>
#include <vector>

#include "dlist/api.h"
#include "foundation/types.h"

// The layer-set table of module: dlist::layer_set_count(module) rows of 255 bytes,
// one after the other. Null when the module has no table. The table stays valid
// until the module's table is set again or cleared.
DLIST_API const unsigned char* C_GetFolia(MODULTYPE module);

// 1 when layer is a layer number (1 to 255), else 0.
DLIST_API int is_layer_valide(unsigned char layer);

namespace dlist {

inline constexpr int kLayersPerSet = 255;
inline constexpr unsigned char kLayerInactive = 2;  // byte of a layer that is off in a set

// One row of a layer-set table: byte i is layer i + 1.
using LayerSetRow = std::array<unsigned char, kLayersPerSet>;

// The number of layer sets (rows) in the table of module; 0 when it has none.
DLIST_API int layer_set_count(MODULTYPE module);

// Replaces the table of module by sets (an empty list removes it).
DLIST_API void set_layer_sets(MODULTYPE module, std::vector<LayerSetRow> sets);

// Removes the tables of every module.
DLIST_API void clear_layer_sets();

}  // namespace dlist
