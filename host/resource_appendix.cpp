// The resource appendix: collecting names, encoding the trailer with the byte-order
// helpers, and reading it back from the end of a file with every count and length
// checked against its cap and the bytes left before anything is kept.
#include "host/resource_appendix.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <system_error>

#include "foundation/byte_order.h"
#include "foundation/record_image.h"
#include "stream/file_handle.h"

namespace dlist {
namespace {

constexpr uint32_t kEntryHeaderSize = 4;     // byte length

void collect(std::vector<std::string>& list, const char* text, std::size_t n) {
  if (n == 0) return;
  std::string name(text, n);
  if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(std::move(name));
}

// Appends one section; false when an entry is too long.
bool put_section(std::vector<unsigned char>& out, AppendixSection kind,
                 const std::vector<std::string>& names) {
  if (names.empty()) return true;
  std::vector<unsigned char> entries;
  for (const std::string& name : names) {
    if (name.size() > kMaxAppendixEntryBytes) return false;
    put_le32(entries, static_cast<uint32_t>(name.size()));
    entries.insert(entries.end(), name.begin(), name.end());
  }
  put_le32(out, static_cast<uint32_t>(kind));
  put_le32(out, static_cast<uint32_t>(names.size()));
  put_le32(out, static_cast<uint32_t>(entries.size()));
  out.insert(out.end(), entries.begin(), entries.end());
  return true;
}

struct Footer {
  uint32_t trailer_size = 0;
};

// Reads n bytes at offset of in; false when they cannot be read.
bool read_at(std::ifstream& in, uint64_t offset, void* data, std::size_t n) {
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(static_cast<char*>(data), static_cast<std::streamsize>(n));
  return in.good() && static_cast<std::size_t>(in.gcount()) == n;
}

// Opens file and reads and checks its footer; empty reason on success.
std::string read_footer(const char* file, std::ifstream& in, uint64_t* file_size,
                        Footer* footer) {
  std::error_code ec;
  *file_size = std::filesystem::file_size(file, ec);
  if (ec) return std::string("cannot read '") + file + "': " + ec.message();
  in.open(file, std::ios::binary);
  if (!in) return std::string("cannot open '") + file + "'";
  if (*file_size < kAppendixFooterSize) return "the file is shorter than a trailer footer";
  unsigned char bytes[kAppendixFooterSize];
  if (!read_at(in, *file_size - kAppendixFooterSize, bytes, sizeof bytes)) {
    return std::string("cannot read the end of '") + file + "'";
  }
  return decode_appendix_footer(bytes, *file_size, &footer->trailer_size);
}

}  // namespace

std::string decode_appendix_footer(const unsigned char footer[kAppendixFooterSize],
                                   uint64_t file_size, uint32_t* trailer_size) {
  if (std::memcmp(footer, kAppendixMagic, sizeof kAppendixMagic) != 0) {
    return "the file ends without the trailer magic";
  }
  const uint32_t version = load_le32(footer + 8);
  const uint32_t size = load_le32(footer + 12);
  if (version != kAppendixVersion) {
    return "trailer version " + std::to_string(version) + " is not known";
  }
  if (size < kAppendixFooterSize || size > file_size || size > kMaxAppendixBytes) {
    return "trailer length " + std::to_string(size) + " does not fit a file of " +
           std::to_string(file_size) + " bytes";
  }
  *trailer_size = size;
  return {};
}

AppendixRead parse_appendix_sections(const unsigned char* body, std::size_t size, uint64_t at) {
  AppendixRead read;
  const unsigned char* p = body;
  const unsigned char* const end = body + size;
  auto offset = [&](const unsigned char* q) { return at + static_cast<uint64_t>(q - body); };
  auto fault = [&](const unsigned char* q, const char* what, std::string detail) {
    read.ok = false;
    read.fault = {offset(q), what, std::move(detail)};
    return read;
  };
  while (p != end) {
    const unsigned char* const section = p;
    AppendixSectionRead s;
    s.offset = offset(section);
    if (!get_le32(p, end, &s.kind) || !get_le32(p, end, &s.count) ||
        !get_le32(p, end, &s.length)) {
      return fault(section, "section header", " is cut short");
    }
    const uint64_t left = static_cast<uint64_t>(end - p);
    if (s.length > left) {
      return fault(section, "section", " gives " + std::to_string(s.length) + " bytes, " +
                                           std::to_string(left) + " are left");
    }
    const unsigned char* const section_end = p + s.length;
    if (s.kind < 1 || s.kind > 3) {  // a section of a later version: skipped
      read.sections.push_back(std::move(s));
      p = section_end;
      continue;
    }
    if (s.count > s.length / kEntryHeaderSize) {
      return fault(section, "section", " gives " + std::to_string(s.count) + " entries in " +
                                           std::to_string(s.length) + " bytes");
    }
    read.sections.push_back(std::move(s));
    AppendixSectionRead& kept = read.sections.back();
    for (uint32_t i = 0; i < kept.count; ++i) {
      const unsigned char* const entry = p;
      uint32_t n = 0;
      if (!get_le32(p, section_end, &n)) return fault(entry, "entry", " is cut short");
      const uint64_t room = static_cast<uint64_t>(section_end - p);
      if (n == 0 || n > kMaxAppendixEntryBytes || n > room) {
        return fault(entry, "entry", " gives " + std::to_string(n) + " bytes, " +
                                         std::to_string(room) + " are left in its section");
      }
      if (std::memchr(p, 0, n) != nullptr) return fault(entry, "entry", " holds a zero byte");
      kept.entries.emplace_back(reinterpret_cast<const char*>(p), n);
      p += n;
    }
    if (p != section_end) {
      return fault(section, "section", " has " + std::to_string(section_end - p) +
                                           " bytes beyond its entries");
    }
  }
  return read;
}

}  // namespace dlist

void APPENDIX::SurfacesToResourceList(const DBSURFREFTYPE* surf) {
  if (!surf) return;
  for (unsigned i = 0; i < surf->size(); ++i) {
    const DBSURFHATCH& h = (*surf)[i];
    dlist::collect(surfaces_, h.name, dlist::field_length(h.name, sizeof h.name));
  }
}

void APPENDIX::MaterialsToResourceList(const DBMATREFCHAIN* mat) {
  if (!mat) return;
  for (unsigned i = 0; i < mat->size(); ++i) {
    const char* code = (*mat)[i].code.get();
    dlist::collect(materials_, code, std::strlen(code));
  }
}

void APPENDIX::AttributesToResourceList(const DBATTREFCHAIN* attr) {
  if (!attr) return;
  for (unsigned i = 0; i < attr->size(); ++i) {
    const DBATTREFTYPE& a = (*attr)[i];
    dlist::collect(attributes_, a.name, dlist::field_length(a.name, sizeof a.name));
  }
}

int APPENDIX::AppendResources(const char* file) {
  using namespace dlist;
  if (!file) return 0;
  std::vector<unsigned char> trailer;
  if (!put_section(trailer, AppendixSection::kSurfaceNames, surfaces_) ||
      !put_section(trailer, AppendixSection::kMaterialCodes, materials_) ||
      !put_section(trailer, AppendixSection::kAttributeNames, attributes_)) {
    error_ = "a resource name is longer than " + std::to_string(kMaxAppendixEntryBytes) + " bytes";
    return 0;
  }
  const std::size_t total = trailer.size() + kAppendixFooterSize;
  if (total > kMaxAppendixBytes) {
    error_ = "the resources exceed " + std::to_string(kMaxAppendixBytes) + " bytes";
    return 0;
  }
  trailer.insert(trailer.end(), kAppendixMagic, kAppendixMagic + sizeof kAppendixMagic);
  put_le32(trailer, kAppendixVersion);
  put_le32(trailer, static_cast<uint32_t>(total));

  bool opened = false;
  uint64_t before = 0;
  try {
    FileHandle out(file, "ab");
    opened = true;
    before = out.tell();
    out.write(trailer.data(), static_cast<unsigned>(trailer.size()));
    out.close();
  } catch (const StreamError& e) {
    error_ = e.what();
    if (opened) {  // cut off what was written of the trailer
      std::error_code ec;
      std::filesystem::resize_file(file, before, ec);
    }
    return 0;
  }
  trailer_size_ = static_cast<uint32_t>(total);
  return 1;
}

int APPENDIX::IsAppendix(const char* file) {
  using namespace dlist;
  if (!file) return 0;
  std::ifstream in;
  uint64_t size = 0;
  Footer footer;
  std::string reason = read_footer(file, in, &size, &footer);
  if (!reason.empty()) {
    error_ = std::move(reason);
    return 0;
  }
  trailer_size_ = footer.trailer_size;
  return 1;
}

int APPENDIX::ReadAppendix(const char* file) {
  using namespace dlist;
  if (!file) return 0;
  std::ifstream in;
  uint64_t size = 0;
  Footer footer;
  std::string reason = read_footer(file, in, &size, &footer);
  if (!reason.empty()) {
    error_ = std::move(reason);
    return 0;
  }
  const uint64_t at = size - footer.trailer_size;
  std::vector<unsigned char> body(footer.trailer_size - kAppendixFooterSize);
  if (!read_at(in, at, body.data(), body.size())) {
    error_ = std::string("cannot read the trailer of '") + file + "'";
    return 0;
  }
  AppendixRead read = parse_appendix_sections(body.data(), body.size(), at);
  if (!read.ok) {
    error_ = "trailer " + read.fault.what + " at offset " + std::to_string(read.fault.offset) +
             read.fault.detail;
    return 0;
  }
  std::vector<std::string> lists[3];
  for (AppendixSectionRead& s : read.sections) {
    if (s.kind >= 1 && s.kind <= 3) {
      for (std::string& e : s.entries) lists[s.kind - 1].push_back(std::move(e));
    }
  }
  surfaces_ = std::move(lists[0]);
  materials_ = std::move(lists[1]);
  attributes_ = std::move(lists[2]);
  trailer_size_ = footer.trailer_size;
  return 1;
}
