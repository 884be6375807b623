// Fuzz target: the reader of model files (JSON) on arbitrary bytes. Besides running
// clean: a refusal says why and leaves the caller's model file as it was, and what
// is read through holds only values of the form's ranges.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/element_kinds.h"
#include "host/model/model_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  dlist::ModelFile file;
  file.plans.emplace_back();
  file.plans.back().name = "untouched";
  std::string error;
  if (!dlist::parse_model_json(text, file, error)) {
    if (error.empty() || file.plans.size() != 1 || file.plans[0].name != "untouched") std::abort();
    return 0;
  }
  for (const dlist::ModelFileElement& e : file.elements) {
    if (dlist::kind_facts(e.kind) == nullptr || e.layer < 0 || e.layer > 254) std::abort();
    if (e.materials)
      for (const dlist::ModelFileLink& l : *e.materials)
        if (l.code.empty() || (l.automatic && l.parameter.empty())) std::abort();
  }
  return 0;
}
