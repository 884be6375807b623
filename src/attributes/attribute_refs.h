// Reading the references of an attribute by name: how an indirect reference (whose
// value is the name of another reference of the same attribute) is resolved.
#pragma once

#include "dlist/api.h"
#include "foundation/text_buffer.h"

// Reads the definition of attribute (a library entry), walks its references for
// all element kinds and stops at the first whose name is name (compared exactly, at
// most 16 characters). Returns that reference's identifier with *value and *flags
// filled in; 0 when the attribute does not exist, has no references or none of
// that name. *value and *flags are those of the last reference read (untouched when
// none was read); name is not written.
DLIST_API long DLIST_CALL GetIndirectRef(long attribute, char* name, TEXTBUFFER* value,
                                         char* flags);
