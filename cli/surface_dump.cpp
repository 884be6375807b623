// Printing a decoded surface exchange file or surface library file as text or JSON.
#include "cli/surface_dump.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <nlohmann/json.hpp>

#include "palettes/exchange_blocks.h"  // printable
#include "palettes/surface_pack.h"

namespace dlist::cli {
namespace {

using json = nlohmann::ordered_json;

std::string real_text(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", v);
  if (std::strtod(buffer, nullptr) != v) std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

std::string name_of(const DBSURFHATCH& s) {
  return dlist::printable(s.name, strnlen(s.name, sizeof s.name));
}

std::string block_text(const double* block) {
  std::string t = "[";
  for (int i = 0; i < 5; ++i) {
    double v;
    std::memcpy(&v, block + i, sizeof v);
    t += (i ? ", " : "") + real_text(v);
  }
  return t + "]";
}

json dump_block_json(const double* block) {
  json a = json::array();
  for (int i = 0; i < 5; ++i) {
    double v;
    std::memcpy(&v, block + i, sizeof v);
    if (std::isfinite(v))
      a.push_back(v);
    else
      a.push_back(real_text(v));
  }
  return a;
}

// A surface library file, and where its bytes begin in the dumped file.
struct Library {
  const SurfaceFileContent* content;
  uint64_t base;
};

void print_library(const Library& l, std::ostream& out, const std::string& pad, bool show_error) {
  const SurfaceFileContent& c = *l.content;
  out << pad << "surface library file, version " << c.version << ", " << c.count << " surfaces\n";
  for (const SurfaceFileRecord& r : c.surfaces) {
    const DBSURFHATCH& s = r.hatch;
    out << pad << "@" << l.base + r.offset << " \"" << name_of(s) << "\"\n";
    out << pad << "    name_flags " << int{s.name_flags} << "\n";
    out << pad << "    hatch1 " << block_text(s.hatch1) << "\n";
    out << pad << "    name_index " << int{s.name_index} << "\n";
    out << pad << "    type " << int{s.type} << "\n";
    out << pad << "    hatch2 " << block_text(s.hatch2) << "\n";
    out << pad << "    last_flags " << int{s.last_flags} << "\n";
    if (!r.bitmap.empty()) out << pad << "    bitmap \"" << dlist::printable(r.bitmap.data(), r.bitmap.size()) << "\"\n";
  }
  if (show_error && !c.ok()) out << pad << "@" << l.base + c.error_offset << " error: " << c.error << "\n";
}

json library_json(const Library& l) {
  const SurfaceFileContent& c = *l.content;
  json surfaces = json::array();
  for (const SurfaceFileRecord& r : c.surfaces) {
    const DBSURFHATCH& s = r.hatch;
    surfaces.push_back({{"offset", l.base + r.offset},
                        {"name", name_of(s)},
                        {"name_flags", int{s.name_flags}},
                        {"hatch1", dump_block_json(s.hatch1)},
                        {"name_index", int{s.name_index}},
                        {"type", int{s.type}},
                        {"hatch2", dump_block_json(s.hatch2)},
                        {"last_flags", int{s.last_flags}},
                        {"bitmap", r.bitmap.empty() ? json(nullptr)
                                                    : json(dlist::printable(r.bitmap.data(), r.bitmap.size()))}});
  }
  return {{"version", c.version},
          {"count", c.count},
          {"surfaces", surfaces},
          {"error", c.ok() ? json(nullptr) : json(c.error)},
          {"error_offset", c.ok() ? json(nullptr) : json(l.base + c.error_offset)}};
}

// The faults that the import finds beyond the pack's entries: no surface library
// file or two, a damaged one, a bitmap it names that the pack does not hold.
void check_as_import(SurfacePackDump& d) {
  if (!d.ok()) return;
  if (d.libraries.size() != 1) {
    d.error = d.libraries.empty() ? "the file holds no surface library file (.srf)"
                                  : "the file holds more than one surface library file";
    d.error_offset = d.libraries.empty() ? 0 : d.entries[d.libraries[1].first].offset;
    return;
  }
  const auto& [index, content] = d.libraries[0];
  const uint64_t base = d.entries[index].content_offset;
  if (!content.ok()) {
    d.error = "the surface library file " + d.entries[index].name + ": " + content.error;
    d.error_offset = base + content.error_offset;
    return;
  }
  for (const SurfaceFileRecord& r : content.surfaces) {
    if (r.bitmap.empty()) continue;
    bool found = false;
    for (const PackEntry& e : d.entries) found = found || e.name == r.bitmap;
    if (!found) {
      d.error = "the bitmap " + dlist::printable(r.bitmap.data(), r.bitmap.size()) + " of \"" +
                name_of(r.hatch) + "\" is not in the file";
      d.error_offset = base + r.offset;
      return;
    }
  }
}

}  // namespace

bool is_surface_dump(std::span<const unsigned char> head) {
  return looks_like_surface_pack(head) ||
         (head.size() >= sizeof kSurfaceFileMagic &&
          std::memcmp(head.data(), kSurfaceFileMagic, sizeof kSurfaceFileMagic) == 0);
}

int surface_dump_command(const std::string& file, bool as_json, Output& out) {
  FilePackInput in(file);
  if (!in.ok()) return out.fail(in.error());
  std::vector<unsigned char> head(std::min<uint64_t>(in.size(), sizeof kSurfaceFileMagic));
  if (!in.read(head.data(), head.size())) return out.fail("cannot read " + file);
  const bool library_file =
      head.size() == sizeof kSurfaceFileMagic &&
      std::memcmp(head.data(), kSurfaceFileMagic, sizeof kSurfaceFileMagic) == 0;
  std::string error;
  uint64_t error_offset = 0;
  if (library_file) {
    if (in.size() > kMaxSurfaceFileBytes) return out.fail(file + ": the file is too large");
    std::vector<unsigned char> bytes(in.size());
    std::memcpy(bytes.data(), head.data(), head.size());
    if (!in.read(bytes.data() + head.size(), bytes.size() - head.size()))
      return out.fail("cannot read " + file);
    const SurfaceFileContent content = parse_surface_file(bytes);
    const Library l{&content, 0};
    if (as_json) {
      out.out() << json({{"file", file},
                         {"kind", "surface library"},
                         {"size", bytes.size()},
                         {"library", library_json(l)},
                         {"ok", content.ok()},
                         {"error", content.ok() ? json(nullptr) : json(content.error)},
                         {"error_offset", content.ok() ? json(nullptr) : json(content.error_offset)}})
                       .dump(2)
                << "\n";
    } else {
      out.out() << file << ": surface library file, " << bytes.size() << " bytes\n";
      print_library(l, out.out(), "", true);
    }
    error = content.error;
    error_offset = content.error_offset;
  } else {
    FilePackInput again(file);
    SurfacePackDump d = decode_surface_pack(again);
    check_as_import(d);
    auto library_of = [&d](std::size_t i) -> const SurfaceFileContent* {
      for (const auto& [index, content] : d.libraries)
        if (index == i) return &content;
      return nullptr;
    };
    if (as_json) {
      json entries = json::array();
      for (std::size_t i = 0; i < d.entries.size(); ++i) {
        const PackEntry& e = d.entries[i];
        const SurfaceFileContent* c = library_of(i);
        entries.push_back({{"offset", e.offset},
                           {"name", dlist::printable(e.name.data(), e.name.size())},
                           {"length", e.length},
                           {"content_offset", e.content_offset},
                           {"library", c ? library_json({c, e.content_offset}) : json(nullptr)}});
      }
      out.out() << json({{"file", file},
                         {"kind", "surface"},
                         {"size", d.file_size},
                         {"entries", entries},
                         {"ok", d.ok()},
                         {"error", d.ok() ? json(nullptr) : json(d.error)},
                         {"error_offset", d.ok() ? json(nullptr) : json(d.error_offset)}})
                       .dump(2)
                << "\n";
    } else {
      out.out() << file << ": surface file, " << d.file_size << " bytes\n";
      for (std::size_t i = 0; i < d.entries.size(); ++i) {
        const PackEntry& e = d.entries[i];
        out.out() << "@" << e.offset << " entry \"" << dlist::printable(e.name.data(), e.name.size())
                  << "\" " << e.length << " bytes at " << e.content_offset << "\n";
        if (const SurfaceFileContent* c = library_of(i))
          print_library({c, e.content_offset}, out.out(), "    ", false);
      }
      if (!d.ok()) out.out() << "@" << d.error_offset << " error: " << d.error << "\n";
    }
    error = d.error;
    error_offset = d.error_offset;
  }
  if (!error.empty())
    return out.fail(file + ": at offset " + std::to_string(error_offset) + ": " + error);
  return 0;
}

}  // namespace dlist::cli
