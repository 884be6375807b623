// Small value types shared by the records and the exported functions.
#pragma once

#include <cstdint>

// A host drawing module, passed by value (16 bits wherever it is stored).
using MODULTYPE = int16_t;
