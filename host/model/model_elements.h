// The elements placed in the model: each of one of the 13 kinds, on a plan, a floor
// (a storey of the plan) and a layer, with its element record (stored as the
// prototype store keeps records, with its material and attribute chains), the
// prototype it was placed from, its location and its measured parameters (values of
// the element parameters: lengths, areas, volumes, counts). The list generator walks
// them; the attribute search finds them. Tables and rules: docs/model_database.md,
// "Placed elements". Every call works on the active model and fails with its failure
// value without one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/arrays.h"
#include "foundation/references.h"

namespace dlist {

class SqliteConnection;

// One placed element.
struct ModelElement {
  long id = 0;
  int kind = 0;          // 1 to 13
  long record = 0;       // its element record (get_id_<kind>)
  long plan = 0;         // the plan it stands on, 0 for none
  long storey = 0;       // the storey (floor) of that plan, 0 for none
  int layer = 0;         // layer index 0 to 254
  long prototype = 0;    // the prototype node it was placed from, 0 for none
  int32_t location = 0;  // the key of its location, 0 for none
};

// One measured parameter: the parameter's abbreviation (a built-in parameter of the
// element's kind or a project attribute's abbreviation) and its value.
struct ParameterValue {
  std::string abbrev;  // 1 to 6 bytes
  double value = 0;
};

// Makes the tables of placed elements where a project lacks them.
bool create_model_element_tables(SqliteConnection& db);

// Places an element: stores an element record of the kind (the prototype's record
// when e.prototype names one, else the kind's default record) with the chains given,
// then the element and its parameters. e.id receives the new identifier, e.record its
// record's. 0 (nothing stored) for a kind outside 1 to 13, a prototype node that
// carries no record of the kind, a plan or storey that does not exist or do not
// belong together, a layer outside 0 to 254, a parameter abbreviation that is empty,
// longer than 6 bytes, given twice or not finite, or a failed write.
DLIST_API long place_element(ModelElement& e, const DBMATREFCHAIN& materials,
                             const DBATTREFCHAIN& attributes,
                             const std::vector<ParameterValue>& parameters);

// The placed elements in identifier order (empty on failure or without any).
DLIST_API std::vector<long> placed_element_ids();
// Reads a placed element; false when there is none or its row is damaged.
DLIST_API bool read_placed_element(long id, ModelElement& e);
// Reads every placed element in identifier order; false on failure.
DLIST_API bool read_placed_elements(std::vector<ModelElement>& out);
// The chains of a placed element's record (null ones are skipped); false when the
// record cannot be read.
DLIST_API bool read_element_chains(const ModelElement& e, DBMATREFCHAIN* materials,
                                   DBATTREFCHAIN* attributes);
// The measured parameters of a placed element in abbreviation order.
DLIST_API bool read_element_parameters(long id, std::vector<ParameterValue>& out);
// Removes every placed element with its record, chains and parameters, and every
// plan, storey and layer name. False on failure (nothing removed).
DLIST_API bool remove_model_contents();

// The text of an attribute value that an element carries: the link record's value,
// or for an indirect value the value of the reference of that attribute that it
// names (empty when that reference does not exist).
DLIST_API std::string attribute_value_text(const DBATTREFTYPE& value);

// The chains of the prototype node (a leaf of the prototype tree) into the given
// chains; its kind into *kind. False when node carries no element record.
DLIST_API bool read_prototype_chains(long node, int* kind, DBMATREFCHAIN* materials,
                                     DBATTREFCHAIN* attributes);

}  // namespace dlist

// ---- the search and the information of the model database ------------------------

// The options of find_elems_by_attribute (each non-zero or 0).
//  part:       the value text may stand anywhere in the element's value (else the whole
//              value must equal it);
//  match_case: letters compare with their case (else A-Z and a-z are the same);
//  numeric:    the value text is read as a number and compared with the element's value
//              read as a number (equal within 1e-9 of the larger); a value that is no
//              number matches nothing. part and match_case then carry nothing.
// The key is an attribute abbreviation or a built-in parameter's; an element matches
// when it carries the attribute (or the measured parameter) with a matching value.
// The mask holds element-kind bits (ElementClassBit); 0 means every kind. found
// receives the identifiers of the matching elements in identifier order (cleared
// first). Answers their number, -1 on failure (no active model, an empty key, a
// null value or list).
DLIST_API long find_elems_by_attribute(const char* key, const char* value, long mask,
                                       CRAS<long, 4>* found, int part, int match_case,
                                       int numeric);

#pragma pack(push, 1)
// What get_info_from_id tells of a placed element.
struct DBELEMINFO {
  char plan[32];     // the plan's name, empty for none
  int32_t floor;     // the number of its storey, 0 when it stands on none
  int16_t kind;      // 1 to 13
  char floor_name[32];  // the storey's name, empty for none
  int16_t layer;     // layer index
  int32_t location;  // location key, 0 for none
};
#pragma pack(pop)

// Fills *info for the placed element id: 1, or 0 when there is no such element.
DLIST_API int get_info_from_id(long id, DBELEMINFO* info);
