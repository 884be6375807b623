// Fuzz target: the decoder behind `dlist dump` on arbitrary bytes. Besides running
// clean, its result must hold together: a file read through has a kind and reached
// its end block, a fault lies inside the file, and every block lies before the
// appendix. The same bytes are decoded as an attribute file too: read through, it
// reached its end record; a fault lies inside the file; every record lies in it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "attributes/attribute_dump.h"
#include "palettes/exchange_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const dlist::ExchangeDump d = dlist::decode_exchange_file(std::span<const unsigned char>(data, size));
  const uint64_t blocks_end = d.has_appendix ? d.appendix.offset : size;
  if (d.ok() && (d.kind == dlist::ExchangeFileKind::kUnknown || !d.ended)) std::abort();
  if (!d.ok() && d.error_offset > size) std::abort();
  for (const dlist::DumpBlock& b : d.blocks) {
    if (b.offset + 16 > blocks_end) std::abort();
  }
  const dlist::AttributeDump a = dlist::decode_attribute_bytes(data, size);
  if (a.ok() && !a.ended) std::abort();
  if (!a.ok() && a.error_offset > size) std::abort();
  for (const dlist::AttributeDumpRecord& r : a.records) {
    if (r.offset + 20 > size) std::abort();
  }
  return 0;
}
