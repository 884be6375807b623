// The model file: plans, floors, layers and placed elements as JSON (format in
// docs/model_file.md). The reader turns the text into a ModelFile without touching
// any store (also the fuzz target's entry); the import checks every element against
// the active model and material library and stores the whole file in one
// transaction, or nothing; the writer gives the active model's contents as a model
// file that the import reads back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "host/model/model_elements.h"

namespace dlist {

inline constexpr std::size_t kMaxModelFileBytes = 256u << 20;
inline constexpr unsigned kMaxModelFileDepth = 16;

struct ModelFileFloor {
  int number = 0;
  std::string name;  // texts of a ModelFile are bytes of the texts' code page
};
struct ModelFileLayer {
  int index = 0;
  std::string name;
};
struct ModelFilePlan {
  std::string name;
  std::vector<ModelFileFloor> floors;
  std::vector<ModelFileLayer> layers;
};
struct ModelFileLink {
  std::string code;
  bool automatic = false;  // the quantity follows from the parameter
  double quantity = 0;     // a fixed quantity per element
  std::string parameter;
  int32_t location = 0;
};
struct ModelFileAttribute {
  std::string key;
  std::string value;      // the value's text (or the reference's name when reference)
  bool reference = false;  // value names a stored reference of the attribute
};
struct ModelFileElement {
  int kind = 0;
  std::string plan;  // empty: on no plan
  std::optional<int> floor;
  int layer = 0;
  std::string prototype;  // empty: none
  int32_t location = 0;
  std::vector<ParameterValue> parameters;
  std::optional<std::vector<ModelFileLink>> materials;        // absent: the prototype's
  std::optional<std::vector<ModelFileAttribute>> attributes;  // absent: the prototype's
};
struct ModelFile {
  std::vector<ModelFilePlan> plans;
  std::vector<ModelFileElement> elements;
};

// Reads a model file's text. False, with the place ("element 3: materials[2].code")
// and the reason in error, for text that is not a model file of this form.
DLIST_API bool parse_model_json(const std::string& text, ModelFile& out, std::string& error);
// Reads the model file at path (at most kMaxModelFileBytes) through parse_model_json.
DLIST_API bool read_model_file(const std::string& path, ModelFile& out, std::string& error);

// What an import stored.
struct ModelImportCounts {
  unsigned plans = 0, floors = 0, elements = 0;
};

// Checks the file against the active model and library (kinds, plans and floors,
// prototypes, parameters, material codes, locations, attributes and their
// references) and stores it: with replace the model's placed elements, plans, floors
// and layer names go first. One transaction: false, with the element's position,
// the field and the reason in error, changes nothing.
DLIST_API bool import_model(const ModelFile& file, bool replace, std::string& error,
                            ModelImportCounts* counts = nullptr);

// The active model's plans and placed elements as a model file (UTF-8 JSON); false
// with the reason when they cannot be read.
DLIST_API bool export_model_json(std::string& out, std::string& error);

}  // namespace dlist
