// Fuzz target: the reader of list templates (the current form and the older one) on
// arbitrary bytes. A template read through is written in the current form and reads
// back to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/list_sets/list_set_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  dlist::list_sets::DL_TEMPLATE t;
  std::string error;
  if (!dlist::list_sets::ParseTemplate(text, t, error)) {
    if (error.empty() || !t.empty()) std::abort();
    return 0;
  }
  const std::string once = dlist::list_sets::FormatTemplate(t);
  dlist::list_sets::DL_TEMPLATE again;
  if (!dlist::list_sets::ParseTemplate(once, again, error)) std::abort();
  if (dlist::list_sets::FormatTemplate(again) != once) std::abort();
  return 0;
}
