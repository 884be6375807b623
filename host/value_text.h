// The host's text of a typed attribute value (`string_repr`): how a value shows in
// lists and in the text that ATTRIBUTE_DATA keeps beside it.
#pragma once

#include "dlist/api.h"
#include "foundation/attribute_values.h"
#include "foundation/orb_string.h"

// The text of value as the value-type code type keeps it (foundation/attribute_values.h):
// an integer in decimal; a double with precision decimals (0 to 9; a negative
// precision gives the shortest text that reads back, at most 15 digits) and the
// host's decimal point; a yes/no byte as "1" or "0"; a date (code 2) as
// "YYYY-MM-DD", a date and time (code 3) as "YYYY-MM-DD hh:mm:ss", an unset
// (all-zero) date as ""; the codes that keep text, and any other code, give the
// value's text.
DLIST_API ORB::String string_repr(const ATTRIBUTE_VALUE& value, int type, int precision);
// The same for a value with its description.
DLIST_API ORB::String string_repr(const ATTRIBUTE_DATA& data);
