// The demonstration's surfaces and their round trip through a surface exchange file.
#include "cli/demo_surfaces.h"

#include <cstring>
#include <vector>

#include "foundation/byte_order.h"
#include "palettes/surface_references.h"

namespace dlist::cli {
namespace {

// A 2 x 2 bitmap of 24-bit pixels: file header, information header, two rows of
// two pixels padded to four bytes.
std::vector<unsigned char> brick_bitmap() {
  std::vector<unsigned char> b = {'B', 'M'};
  put_le32(b, 14 + 40 + 16);  // file size
  put_le32(b, 0);
  put_le32(b, 14 + 40);  // pixel data offset
  put_le32(b, 40);       // information header size
  put_le32(b, 2);        // width
  put_le32(b, 2);        // height
  put_le16(b, 1);        // planes
  put_le16(b, 24);       // bits a pixel
  for (int i = 0; i < 6; ++i) put_le32(b, 0);
  const unsigned char rows[16] = {0x30, 0x40, 0xA0, 0x40, 0x50, 0xB0, 0, 0,
                                  0x40, 0x50, 0xB0, 0x30, 0x40, 0xA0, 0, 0};
  b.insert(b.end(), rows, rows + 16);
  return b;
}

struct DemoSurface {
  const char* name;
  uint8_t type;
  double hatch1[5];
  double hatch2[5];
  bool bitmap;
};

constexpr DemoSurface kSurfaces[] = {
    {"Brick", 2, {0.25, 0.065, 0, 1, 0}, {0.25, 0.065, 45, 1, 0.5}, true},
    {"Glass", 1, {1, 1, 0, 0.2, 0}, {0, 0, 0, 0, 0}, false},
    {"Plaster", 1, {0.5, 0.5, 0, 1, 0}, {0.1, 0.1, 0, 1, 0}, false},
    {"Roof tile", 3, {0.3, 0.2, 90, 1, 0}, {0.3, 0.2, 0, 1, 0.25}, false},
};

}  // namespace

int fill_demo_surfaces(SURFCONTEXT& library, std::string* error) {
  const SurfaceBitmap brick{"brick.bmp", brick_bitmap()};
  TaskTransaction change(&library);
  if (!change) {
    *error = "cannot change the surface library " + std::string(library.fullpath());
    return 0;
  }
  int made = 0;
  for (const DemoSurface& d : kSurfaces) {
    DBSURFHATCH rec;
    std::strncpy(rec.name, d.name, sizeof rec.name - 1);
    rec.type = d.type;
    rec.name_index = static_cast<int16_t>(made + 1);
    std::memcpy(rec.hatch1, d.hatch1, sizeof rec.hatch1);
    std::memcpy(rec.hatch2, d.hatch2, sizeof rec.hatch2);
    if (library.create(rec, d.bitmap ? &brick : nullptr) <= 0) {
      *error = std::string("cannot add the surface ") + d.name;
      return 0;
    }
    ++made;
  }
  if (!change.commit()) {
    *error = "cannot save the surface library " + std::string(library.fullpath());
    return 0;
  }
  return made;
}

std::string surface_difference(SURFCONTEXT& a, SURFCONTEXT& b,
                               const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    DBSURFHATCH ra, rb;
    SurfaceBitmap ba, bb;
    const long ia = a.find(name.c_str(), ra);
    const long ib = b.find(name.c_str(), rb);
    if (ia <= 0 || ib <= 0) return name + ": missing";
    if (a.get(ia, ra, &ba) != ia || b.get(ib, rb, &bb) != ib) return name + ": unreadable";
    if (std::memcmp(&ra, &rb, sizeof ra) != 0) return name + ": the fields";
    if (!(ba == bb)) return name + ": the bitmap";
  }
  return "";
}

bool run_surface_demo(const std::filesystem::path& dir, std::ostream& out, std::string* error) {
  const std::filesystem::path first_path = dir / kDemoSurfaces;
  const std::filesystem::path file = dir / kDemoSurfaceFile;
  const std::filesystem::path second_path = dir / kDemoSecondSurfaces;
  SURFCONTEXT first;
  if (!first.open(first_path.string())) {
    *error = first.last_error();
    return false;
  }
  const int made = fill_demo_surfaces(first, error);
  if (made == 0) return false;
  const std::vector<std::string> names = {"Brick", "Glass"};
  if (!export_surface_references(first, names, file.string(), error)) return false;
  std::error_code ec;
  out << "created " << first_path.string() << ": " << made
      << " surfaces; exported Brick (with brick.bmp) and Glass to " << file.string() << " ("
      << std::filesystem::file_size(file, ec) << " bytes)\n";
  SURFCONTEXT second;
  if (!second.open(second_path.string())) {
    *error = second.last_error();
    return false;
  }
  FilePackInput in(file.string());
  SurfaceReadReport report;
  if (!in.ok() || !import_surface_references(second, in, SurfaceConflict::kKeep, &report)) {
    *error = "cannot import " + file.string() + ": " + (in.ok() ? report.error : in.error());
    return false;
  }
  std::vector<long> ids;
  if (second.surface_ids(ids) != static_cast<long>(names.size())) {
    *error = "the second surface library holds " + std::to_string(ids.size()) + " surfaces, not 2";
    return false;
  }
  const std::string difference = surface_difference(first, second, names);
  if (!difference.empty()) {
    *error = "the surface libraries differ at " + difference;
    return false;
  }
  out << "imported " << file.string() << " into " << second_path.string() << ": "
      << report.added << " surfaces with equal hatch fields and bitmaps\n";
  return true;
}

}  // namespace dlist::cli
