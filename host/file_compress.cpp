// file_compress: a copy through a replacement file.
#include "host/file_compress.h"

#include <cstdio>
#include <exception>
#include <vector>

#include "host/file_replacement.h"

int file_compress(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return 0;
  try {
    FileHandle in(from, "rb");
    dlist::FileReplacement out(to);
    std::vector<unsigned char> piece(1 << 16);
    while (in.remaining() > 0) {
      const auto n = static_cast<unsigned>(in.remaining() < piece.size() ? in.remaining() : piece.size());
      in.read(piece.data(), n);
      out.file().write(piece.data(), n);
    }
    out.commit();
  } catch (const std::exception&) {
    return 0;
  }
  return 1;
}
