// dlist::StreamError, the one exception type of the stream framework and the file
// handle: a file that cannot be opened, a short read, a failed write, or a count or
// length read from a file that does not fit (over its cap or beyond the bytes left).
// Exchange code catches it around each streaming pass; it never crosses the library
// boundary.
#pragma once

#include <stdexcept>
#include <string>

namespace dlist {

class StreamError : public std::runtime_error {
 public:
  explicit StreamError(const std::string& what) : std::runtime_error(what) {}
  explicit StreamError(const char* what) : std::runtime_error(what) {}
};

}  // namespace dlist
