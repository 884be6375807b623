// Fuzz target: the reader of list definition sets (INI text with streamed node
// trees) on arbitrary bytes. Besides running clean: a refusal leaves the set as it
// was, and a set read through is written and read back to an equal set.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/list_sets/list_set_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  DL_LISTSPEC_LIST set;
  set.TemplateFileName() = "untouched";
  std::string error;
  if (!dlist::list_sets::ParseSet(text, set, error)) {
    if (error.empty() || set.size() != 0 || set.TemplateFileName() != "untouched") std::abort();
    return 0;
  }
  DL_LISTSPEC_LIST back;
  if (!dlist::list_sets::ParseSet(dlist::list_sets::FormatSet(set), back, error)) std::abort();
  if (!(back == set)) std::abort();
  return 0;
}
