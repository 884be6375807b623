// The decoder behind `dlist dump FILE.loc`: every record of a location file as the
// reader checks it, up to the end or the first refusal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "locations/location_file.h"

namespace dlist {

struct LocationDump {
  uint64_t file_size = 0;
  std::string description;
  bool has_description = false;
  std::vector<LocationFileRecord> records;
  // The bytes where the reader stopped: after the all-zero record, or the rest
  // shorter than a record (the twelve closing zero bytes of a file as written).
  uint64_t rest = 0;
  std::string error;              // empty when the file reads through
  uint64_t error_offset = 0;

  bool ok() const { return error.empty(); }
};

// Reads file through the location file reader. A file that cannot be opened gives
// an error with no records.
DLIST_API LocationDump decode_location_file(const std::string& file);

}  // namespace dlist
