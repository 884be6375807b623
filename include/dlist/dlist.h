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

// streams and record streamers
#include "stream/stream.h"
#include "palettes/streamers.h"

// stand-ins of the suite's closed modules
#include "host/file_handle.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
