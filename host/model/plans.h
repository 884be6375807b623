// The plans of the model: each plan with its name, its storeys (number and name)
// and the names of its layers, and the storey each element of the model stands
// on. The calls under the suite's names work on the active model (model_database.h)
// and fail with their failure value without one. Tables: docs/model_database.md,
// "Plans, storeys and layer names".
#pragma once

#include <string_view>

#include "dlist/api.h"
#include "foundation/plan_records.h"

namespace dlist {
class SqliteConnection;
}

// The storey element stands on: its identifier, 0 when none is recorded.
DLIST_API long get_elemid_floor(long element);
// Storey id into rec (may be null): id, or 0 when there is no such storey.
DLIST_API long get_id_stor(long id, DBSTORTYPE* rec);
// The storey numbered number of the plan named plan, into rec (may be null): its
// identifier, -1 when there is none.
DLIST_API long get_id_plan_stor(const char* plan, short number, DBSTORTYPE* rec);
// Plan id, or with id 0 the plan named name, into rec (may be null): its
// identifier, -1 when there is none.
DLIST_API long get_id_plan(long id, const char* name, DBPLANTYPE* rec);
// The layer names of plan into names (every slot; unnamed layers empty): the
// number of named layers, -1 when there is no such plan.
DLIST_API int get_layernames(long plan, DBFOLIANAMES* names);

namespace dlist {

// Adds the plan tables to a project that lacks them (a project from before they
// existed). False when they cannot be made (a read-only file): the plan calls then
// fail with their failure values.
bool create_plan_tables(SqliteConnection& db);

// The stand-ins' own calls that fill the plans (tests, the command). Names are at
// most 31 bytes and not empty; each call answers 0 (or false) for a name that does
// not fit, a name or number already used, an owner that does not exist, or a
// failed write.
DLIST_API long create_plan(std::string_view name);
DLIST_API long create_storey(long plan, int number, std::string_view name);
// Names layer index (0 to 254) of plan; an empty name unnames it.
DLIST_API bool set_layer_name(long plan, int index, std::string_view name);
// Records that element stands on storey (0: on none).
DLIST_API bool set_element_storey(long element, long storey);

}  // namespace dlist
