// Everything a host calls: the shared arrays, strings and records, the stream
// framework, the system's exported functions, and the stand-ins' interfaces that
// the system relies on.
#pragma once

#include "dlist/api.h"

// shared arrays, strings, value types and records
#include "foundation/arrays.h"
#include "foundation/memory.h"
#include "foundation/msg_handler.h"
#include "foundation/orb_string.h"
#include "foundation/precision.h"
#include "foundation/records.h"
#include "foundation/sequences.h"
#include "foundation/setasim.h"
#include "foundation/element_kinds.h"
#include "foundation/material_records.h"
#include "foundation/plan_records.h"
#include "foundation/location_records.h"

// streams and record streamers
#include "stream/stream.h"
#include "stream/streamers.h"

// palettes and prototypes
#include "palettes/palette_records.h"
#include "palettes/prototype_records.h"
#include "palettes/exchange_reader.h"
#include "palettes/exchange_writer.h"
#include "palettes/name_generator.h"
#include "palettes/surface_masks.h"
#include "palettes/surface_references.h"

// the material library
#include "materials/list_dialogs.h"
#include "materials/list_exporter.h"
#include "materials/list_import.h"
#include "materials/material_dialogs.h"
#include "materials/material_library.h"
#include "materials/model_forwarders.h"

// locations
#include "locations/location_file.h"
#include "locations/location_manager.h"

// stand-ins of the suite's closed modules
#include "host/active_window.h"
#include "host/database_browser.h"
#include "host/dialog/framework.h"
#include "host/cursor.h"
#include "host/file_description.h"
#include "host/currency_format.h"
#include "host/expr_eval.h"
#include "host/file_compress.h"
#include "stream/file_handle.h"
#include "host/import/field_list.h"
#include "host/import/importer.h"
#include "host/list/list_context.h"
#include "host/resource_appendix.h"
#include "host/scratch_folder.h"
#include "host/surface/surface_library.h"
#include "host/model/element_ids.h"
#include "host/model/kind_calls.h"
#include "host/model/model_database.h"
#include "host/model/location_store.h"
#include "host/model/palette_store.h"
#include "host/model/plans.h"
#include "host/model/text_library.h"
#include "host/model/prototype_store.h"
#include "host/model/tree_store.h"
#include "host/model/views.h"
#include "host/modul.h"
#include "host/object_library.h"
#include "host/platform.h"
#include "host/progress.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "host/text_select.h"
#include "attributes/attribute_editor.h"
#include "attributes/attribute_link.h"
#include "attributes/attribute_tree.h"
#include "attributes/teamwork.h"
#include "clipboard/defaults_clipboard.h"
#include "host/clipboard_store.h"
