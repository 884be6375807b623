// Every record type of the foundation: geometry, polygons, text buffers, surfaces,
// reference chains, tree nodes, layer structures, edges, palettes, element records,
// full records, their type codes and the table of element kinds.
#pragma once

#include "foundation/edges.h"
#include "foundation/element_kinds.h"
#include "foundation/elements.h"
#include "foundation/full_records.h"
#include "foundation/geometry.h"
#include "foundation/hotspot_chain.h"
#include "foundation/layer_structure.h"
#include "foundation/library_params.h"
#include "foundation/palettes.h"
#include "foundation/polygon.h"
#include "foundation/record_id.h"
#include "foundation/record_image.h"
#include "foundation/references.h"
#include "foundation/surfaces.h"
#include "foundation/text_buffer.h"
#include "foundation/tree_nodes.h"
#include "foundation/type_codes.h"
