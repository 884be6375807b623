// Fuzz target: the reader of reference list files on arbitrary bytes, for the kind
// that the first byte names (so most inputs pass the kind check). Besides running
// clean, its result must hold together: a refusal lies inside the file and leaves
// no entries, and a list read through is written back to the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "attributes/reference_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const int kind =
      size > 0 && data[0] >= '0' && data[0] <= '2' ? data[0] - '0' : static_cast<int>(size % 3);
  const dlist::ReferenceListRead read = dlist::read_reference_list(bytes, kind);
  if (!read.ok()) {
    if (read.offset > size || !read.entries.empty()) std::abort();
    return 0;
  }
  std::string written;
  std::string error;
  if (!dlist::write_reference_list(kind, read.entries, &written, &error)) std::abort();
  if (written != bytes) std::abort();
  return 0;
}
