// Finding a reference of an attribute by name.
#include "attributes/attribute_refs.h"

#include <cstring>

#include "foundation/attribute_records.h"
#include "host/model/attribute_store.h"

long DLIST_CALL GetIndirectRef(long attribute, char* name, TEXTBUFFER* value, char* flags) {
  if (name == nullptr) return 0;
  DBATTRIBUTETYPE definition;
  const long list = ATTRIBUTES().get_id_attribute(attribute, &definition);
  if (list < 1) return 0;
  ATTR_REF refs;
  if (refs.rew(list, 0) < 1) return 0;
  const std::size_t wanted = strnlen(name, 17);
  char read[17];
  for (long id = refs.get(read, value, flags); id > 0; id = refs.get(read, value, flags)) {
    if (wanted < 17 && std::strncmp(read, name, 17) == 0) return id;
  }
  return 0;
}
