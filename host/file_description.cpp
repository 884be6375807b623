// The description header through a FileHandle: the count is encoded and decoded by
// the byte-order helpers and checked before anything is allocated.
#include "host/file_description.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/byte_order.h"

void WriteDescription(FileHandle& file, const char* description) {
  const std::size_t n = description ? std::strlen(description) : 0;
  if (n > dlist::kMaxDescriptionBytes) {
    throw dlist::StreamError("description of " + std::to_string(n) + " bytes is longer than " +
                             std::to_string(dlist::kMaxDescriptionBytes));
  }
  std::vector<unsigned char> header;
  dlist::put_le32(header, static_cast<uint32_t>(n));
  header.insert(header.end(), description, description + n);
  file.write(header.data(), static_cast<unsigned>(header.size()));
}

void ReadDescription(FileHandle& file, std::string* description) {
  const uint64_t at = file.tell();
  unsigned char count[4];
  file.read(count, sizeof count);
  const uint32_t n = dlist::load_le32(count);
  if (n > dlist::kMaxDescriptionBytes || n > file.remaining()) {
    throw dlist::StreamError("description header at offset " + std::to_string(at) + " gives " +
                             std::to_string(n) + " bytes, but at most " +
                             std::to_string(std::min<uint64_t>(dlist::kMaxDescriptionBytes,
                                                               file.remaining())) +
                             " can follow");
  }
  std::string text(n, '\0');
  file.read(text.data(), n);
  if (description) *description = std::move(text);
}
