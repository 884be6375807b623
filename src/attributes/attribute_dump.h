// The decoder behind `dlist dump` for attribute files: it reads a file without a
// project through the import's reader (attribute_file.h), so it refuses exactly
// what the import refuses, and lists every record with its offset, header and
// decoded payload. What was decoded before a fault is kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "palettes/exchange_dump.h"  // DumpField

namespace dlist {

struct DLIST_API AttributeDumpRecord {
  uint64_t offset = 0;  // of the record's header; its payload follows 20 bytes later
  int32_t code = 0;     // the header's fields as they stand
  int32_t type = 0;
  uint32_t length = 0;
  int32_t parent = 0;
  int32_t id = 0;
  std::string name;               // "group node", ...
  std::vector<DumpField> fields;  // the decoded payload
};

struct DLIST_API AttributeDump {
  uint64_t file_size = 0;
  std::vector<AttributeDumpRecord> records;
  bool ended = false;            // the end record was reached
  uint64_t bytes_after_end = 0;  // bytes that follow it
  std::string error;             // empty when the file was read through
  uint64_t error_offset = 0;

  bool ok() const { return error.empty(); }
};

// Decodes the bytes of an attribute file.
DLIST_API AttributeDump decode_attribute_bytes(const unsigned char* data, std::size_t size);
// Decodes the file at path; a file that cannot be read gives an error and no record.
DLIST_API AttributeDump decode_attribute_file(const std::string& path);

}  // namespace dlist
