// The compiled-in string table: the entries of host/resources/strings.txt, sorted
// by identifier, each identifier once. The definition is generated at build time
// (cmake/EmbedResources.cmake); host/resources.cpp looks texts up in it.
#pragma once

#include <cstddef>

#include "host/resources.h"

namespace dlist::detail {

extern const StringEntry kStringTable[];
extern const std::size_t kStringTableSize;

}  // namespace dlist::detail
