// The surface library: its store calls, the surface library file read and written
// with the bitmaps beside it, the keeping or replacing of a surface of the same name,
// and a refused file leaving the library as it was.
#include "host/surface/surface_library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "foundation/byte_order.h"
#include "host/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

DBSURFHATCH surface(const char* name, double first, uint8_t type = 1) {
  DBSURFHATCH s;
  std::strncpy(s.name, name, sizeof s.name - 1);
  s.hatch1[0] = first;
  s.type = type;
  s.hatch2[4] = 2.5;
  return s;
}

Bytes read_all(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void write_all(const fs::path& p, const Bytes& b) {
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                           static_cast<std::streamsize>(b.size()));
}

// Every surface of a library: its image and bitmap, in name order.
std::vector<std::pair<Bytes, SurfaceBitmap>> contents(SURFCONTEXT& lib) {
  std::vector<long> ids;
  lib.surface_ids(ids);
  std::vector<std::pair<Bytes, SurfaceBitmap>> out;
  for (long id : ids) {
    DBSURFHATCH rec;
    SurfaceBitmap bitmap;
    EXPECT_EQ(lib.get(id, rec, &bitmap), id);
    const auto* p = reinterpret_cast<const unsigned char*>(&rec);
    out.emplace_back(Bytes(p, p + sizeof rec), bitmap);
  }
  return out;
}

class SurfaceLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.open(":memory:"));
    ASSERT_TRUE(other.open(":memory:"));
    ASSERT_TRUE(folder.ok());
  }
  SURFCONTEXT lib;
  SURFCONTEXT other;
  dlist::ScratchFolder folder;
};

TEST_F(SurfaceLibraryTest, StoreCallsRefuseBadNamesRepeatsAndBitmaps) {
  const SurfaceBitmap brick{"Brick.BMP", {1, 2, 3}};
  const long a = lib.create(surface("Brick", 1), &brick);
  ASSERT_GT(a, 0);
  EXPECT_EQ(lib.create(surface("Brick", 2), nullptr), 0) << "a name is used once";
  EXPECT_EQ(lib.create(surface("", 2), nullptr), 0);
  EXPECT_EQ(lib.create(surface("tab\there", 2), nullptr), 0);
  for (const char* bad : {"../x.bmp", "x.txt", "a/b.bmp", ".bmp"}) {
    const SurfaceBitmap b{bad, {}};
    EXPECT_EQ(lib.create(surface("Other", 2), &b), 0) << bad;
  }
  DBSURFHATCH full = surface("", 0);
  std::memset(full.name, 'x', sizeof full.name);  // no zero within the field
  EXPECT_EQ(lib.create(full, nullptr), 0);

  const long b = lib.create(surface("Alpha", 3), nullptr);
  ASSERT_GT(b, 0);
  EXPECT_EQ(lib.modify(b, surface("Brick", 3), nullptr), 0) << "a taken name";
  EXPECT_EQ(lib.modify(b, surface("Beta", 4), &brick), 1);
  DBSURFHATCH rec;
  EXPECT_EQ(lib.find("Beta", rec), b);
  EXPECT_EQ(double(rec.hatch1[0]), 4);
  std::vector<long> ids;
  EXPECT_EQ(lib.surface_ids(ids), 2);
  EXPECT_EQ(ids, (std::vector<long>{b, a}));  // by name
  EXPECT_EQ(lib.remove(a), 1);
  EXPECT_EQ(lib.find("Brick", rec), 0);
}

TEST_F(SurfaceLibraryTest, FileCarriesSurfacesAndBitmapsKeepingOrReplacing) {
  const SurfaceBitmap bitmap{"brick.bmp", {'B', 'M', 0, 7}};
  ASSERT_GT(lib.create(surface("Brick", 1), &bitmap), 0);
  ASSERT_GT(lib.create(surface("Plaster", 2), nullptr), 0);
  ASSERT_GT(lib.create(surface("Unlisted", 3), nullptr), 0);
  const std::string file = (folder.path() / "lib.srf").string();
  std::string error;
  ASSERT_TRUE(dlist::write_surfaces(lib, file, {"Plaster", "Brick", "Plaster"}, &error)) << error;
  EXPECT_EQ(read_all(folder.path() / "brick.bmp"), bitmap.bytes);

  // The file: header, then Plaster and Brick in list order.
  const Bytes bytes = read_all(file);
  ASSERT_EQ(bytes.size(), 16u + 113 + 113 + 9);
  EXPECT_EQ(std::memcmp(bytes.data(), "DLSURFLB", 8), 0);
  EXPECT_EQ(dlist::load_le32(&bytes[8]), 1u);
  EXPECT_EQ(dlist::load_le32(&bytes[12]), 2u);
  EXPECT_EQ(std::memcmp(&bytes[16], "Plaster", 8), 0);
  EXPECT_EQ(dlist::load_le32(&bytes[16 + 109]), 0u);
  EXPECT_EQ(std::memcmp(&bytes[129], "Brick", 6), 0);
  EXPECT_EQ(dlist::load_le32(&bytes[129 + 109]), 9u);
  EXPECT_EQ(std::memcmp(&bytes[129 + 113], "brick.bmp", 9), 0);

  ASSERT_GT(other.create(surface("Brick", 9), nullptr), 0);
  dlist::SurfaceReadReport report;
  ASSERT_TRUE(dlist::read_surfaces(other, file, dlist::SurfaceConflict::kKeep, &report));
  EXPECT_EQ(report.added, 1);
  EXPECT_EQ(report.kept, 1);
  DBSURFHATCH rec;
  SurfaceBitmap got;
  EXPECT_EQ(other.get(other.find("Brick", rec), rec, &got) > 0, true);
  EXPECT_EQ(double(rec.hatch1[0]), 9) << "kept";
  EXPECT_TRUE(got.name.empty());

  EXPECT_EQ(ReadSurfaces(&other, file.c_str(), "replace"), 1);
  ASSERT_GT(other.get(other.find("Brick", rec), rec, &got), 0);
  EXPECT_EQ(double(rec.hatch1[0]), 1) << "replaced";
  EXPECT_TRUE(got == bitmap);
  EXPECT_EQ(ReadSurfaces(&other, file.c_str(), "merge"), 0) << "an unknown option";

  error.clear();
  EXPECT_FALSE(dlist::write_surfaces(lib, file, {"Nowhere"}, &error));
  EXPECT_NE(error.find("Nowhere"), std::string::npos);
}

// Each damaged file is refused with its offset, and the library stays as it was,
// also when the fault lies behind surfaces that were already read.
TEST_F(SurfaceLibraryTest, RefusedFilesLeaveTheLibraryAsItWas) {
  const SurfaceBitmap bitmap{"a.bmp", {1}};
  ASSERT_GT(lib.create(surface("A", 1), &bitmap), 0);
  ASSERT_GT(lib.create(surface("B", 2), nullptr), 0);
  const std::string file = (folder.path() / "good.srf").string();
  ASSERT_TRUE(dlist::write_surfaces(lib, file, {"B", "A"}, nullptr));
  const Bytes good = read_all(file);
  ASSERT_GT(other.create(surface("Z", 5), nullptr), 0);
  const auto before = contents(other);

  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
    uint64_t offset;
  };
  const std::vector<Case> cases = {
      {"cut header", [](Bytes& b) { b.resize(10); }, 0},
      {"magic", [](Bytes& b) { b[0] = 'X'; }, 0},
      {"version", [](Bytes& b) { b[8] = 2; }, 8},
      {"count beyond the bytes", [](Bytes& b) { b[12] = 3; }, 12},
      {"huge count", [](Bytes& b) { b[15] = 0x7f; }, 12},
      {"repeated name", [](Bytes& b) { b[129] = 'B'; }, 129},
      {"empty name", [](Bytes& b) { b[16] = 0; }, 16},
      {"bitmap name past the end", [](Bytes& b) { b[129 + 109] = 200; }, 238},
      {"bitmap name with a folder", [](Bytes& b) { b[242] = '/'; }, 242},
      {"bytes after the end", [](Bytes& b) { b.push_back(0); }, 247},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    c.damage(bad);
    const dlist::SurfaceFileContent parsed = dlist::parse_surface_file(bad);
    EXPECT_FALSE(parsed.ok()) << c.what;
    EXPECT_EQ(parsed.error_offset, c.offset) << c.what << ": " << parsed.error;
    write_all(file, bad);
    EXPECT_EQ(ReadSurfaces(&other, file.c_str(), "replace"), 0) << c.what;
    EXPECT_EQ(contents(other), before) << c.what;
  }
  // A missing bitmap is found only after B was read: nothing of B stays.
  write_all(file, good);
  fs::remove(folder.path() / "a.bmp");
  dlist::SurfaceReadReport report;
  EXPECT_FALSE(dlist::read_surfaces(other, file, dlist::SurfaceConflict::kReplace, &report));
  EXPECT_NE(report.error.find("a.bmp"), std::string::npos);
  EXPECT_EQ(contents(other), before);
  // A link in place of the bitmap is not followed.
  fs::create_symlink(file, folder.path() / "a.bmp");
  EXPECT_EQ(ReadSurfaces(&other, file.c_str(), nullptr), 0);
  EXPECT_EQ(contents(other), before);
}

}  // namespace
