// Surface exchange files: the pack's bytes and its extension rule, the round trip
// between two libraries, hostile packs refused with nothing written outside the
// scratch folder and the library as it was, and every scratch folder removed.
#include "palettes/surface_references.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include <unistd.h>

#include "foundation/byte_order.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

Bytes read_all(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void write_all(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }

// A pack entry as bytes: the name's count with its zero, the name, the length, the data.
Bytes entry(const std::string& name, const std::string& data, uint32_t length_shown = UINT32_MAX) {
  Bytes b;
  dlist::put_le32(b, static_cast<uint32_t>(name.size() + 1));
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(0);
  dlist::put_le32(b, length_shown == UINT32_MAX ? static_cast<uint32_t>(data.size()) : length_shown);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

DBSURFHATCH surface(const char* name, double first) {
  DBSURFHATCH s;
  std::strncpy(s.name, name, sizeof s.name - 1);
  s.hatch1[0] = first;
  s.name_index = 7;
  return s;
}

// Runs each test with TMP set to a folder of its own, so that every scratch folder
// is seen, and checks that none is left.
class SurfaceReferencesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("dlist_surfref_" + std::to_string(::getpid()));
    fs::remove_all(root);
    tmp = root / "tmp";
    fs::create_directories(tmp);
    const char* old = std::getenv("TMP");
    saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("TMP", tmp.c_str(), 1);
    ASSERT_TRUE(lib.open(":memory:"));
    ASSERT_TRUE(second.open(":memory:"));
  }
  void TearDown() override {
    EXPECT_TRUE(fs::is_empty(tmp)) << "a scratch folder or file was left";
    if (saved) ::setenv("TMP", saved->c_str(), 1); else ::unsetenv("TMP");
    fs::remove_all(root);
  }
  // Imports bytes as a file; the result of ImportSurfaceReferences.
  int import_bytes(const Bytes& bytes, const char* option = "replace") {
    const fs::path file = root / "in.sur";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::string path = file.string();
    std::string o = option;
    return ImportSurfaceReferences(&second, path.data(), o.data());
  }
  fs::path root, tmp;
  std::optional<std::string> saved;
  SURFCONTEXT lib, second;
};

TEST_F(SurfaceReferencesTest, PackTakesSrfBmpOrbInAnyCaseAndWritesEntryBytes) {
  dlist::ScratchFolder folder(tmp);
  write_all(folder.path() / "A.SRF", "srf");
  write_all(folder.path() / "a.bmp", "bm");
  write_all(folder.path() / "notes.txt", "no");
  write_all(folder.path() / "Z.Orb", "");
  std::string error;
  ASSERT_TRUE(dlist::write_surface_pack(folder, "p.all", &error)) << error;
  const Bytes pack = read_all(folder.path() / "p.all");
  const Bytes a_srf = {0x06, 0, 0, 0, 'A', '.', 'S', 'R', 'F', 0, 0x03, 0, 0, 0, 's', 'r', 'f'};
  EXPECT_EQ(pack, a_srf + entry("Z.Orb", "") + entry("a.bmp", "bm"));
  EXPECT_TRUE(dlist::looks_like_surface_pack(pack));
  EXPECT_FALSE(dlist::looks_like_surface_pack(entry("notes.txt", "x")));
}

// The worked example of docs/formats.md: one surface in the library file A.SRF.
TEST_F(SurfaceReferencesTest, PackOfOneSurfaceIsTheDocumentedBytes) {
  dlist::SurfaceFileRecord brick;
  std::strcpy(brick.hatch.name, "Brick");
  brick.hatch.type = 3;
  brick.hatch.hatch1[0] = brick.hatch.hatch1[1] = 0.5;
  const Bytes library = dlist::surface_file_image({brick});
  dlist::ScratchFolder folder(tmp);
  write_all(folder.path() / "A.SRF", std::string(library.begin(), library.end()));
  ASSERT_TRUE(dlist::write_surface_pack(folder, "p.all", nullptr));
  Bytes expected = {0x06, 0, 0, 0, 'A', '.', 'S', 'R', 'F', 0,  // name count, name
                    0x81, 0, 0, 0,                                // file length 129
                    'D', 'L', 'S', 'U', 'R', 'F', 'L', 'B',       // magic
                    1, 0, 0, 0,                                   // version
                    1, 0, 0, 0};                                  // one surface
  const Bytes name = {'B', 'r', 'i', 'c', 'k'};
  expected.insert(expected.end(), name.begin(), name.end());
  expected.resize(expected.size() + 19 + 1);                   // name's zeros, one-byte field
  for (int i = 0; i < 2; ++i) {                                 // 0.5, 0.5
    const Bytes half = {0, 0, 0, 0, 0, 0, 0xE0, 0x3F};
    expected.insert(expected.end(), half.begin(), half.end());
  }
  expected.resize(expected.size() + 24 + 2);  // the other values, 16-bit field
  expected.push_back(3);                      // type byte
  expected.resize(expected.size() + 40 + 1 + 4);  // second block, last byte, no bitmap
  EXPECT_EQ(read_all(folder.path() / "p.all"), expected);
}

TEST_F(SurfaceReferencesTest, RoundTripCarriesSurfacesWithTheirBitmaps) {
  const SurfaceBitmap bitmap{"brick.bmp", {'B', 'M', 1, 2, 3}};
  ASSERT_GT(lib.create(surface("Brick", 1), &bitmap), 0);
  ASSERT_GT(lib.create(surface("Glass", 2), nullptr), 0);
  ASSERT_GT(lib.create(surface("Left out", 3), nullptr), 0);
  TEXTBUFFERCHAIN names;
  names.push(TEXTBUFFER("Brick"));
  names.push(TEXTBUFFER("Glass"));
  std::string file = (root / "two.sur").string();
  ASSERT_EQ(ExportSurfaceReferences(&lib, &names, file.data()), 1);

  const dlist::SurfacePackDump dump = [&] {
    dlist::FilePackInput in(file);
    return dlist::decode_surface_pack(in);
  }();
  ASSERT_TRUE(dump.ok()) << dump.error;
  ASSERT_EQ(dump.entries.size(), 2u);
  EXPECT_TRUE(dlist::is_surface_file_name(dump.entries[0].name));
  EXPECT_EQ(dump.entries[1].name, "brick.bmp");
  ASSERT_EQ(dump.libraries.size(), 1u);
  EXPECT_EQ(dump.libraries[0].second.surfaces.size(), 2u);

  ASSERT_GT(second.create(surface("Brick", 9), nullptr), 0);
  std::string option = "keep";
  ASSERT_EQ(ImportSurfaceReferences(&second, file.data(), option.data()), 1);
  DBSURFHATCH rec;
  SurfaceBitmap got;
  EXPECT_GT(second.get(second.find("Brick", rec), rec, &got), 0);
  EXPECT_EQ(double(rec.hatch1[0]), 9) << "kept";
  option = "replace";
  ASSERT_EQ(ImportSurfaceReferences(&second, file.data(), option.data()), 1);
  EXPECT_GT(second.get(second.find("Brick", rec), rec, &got), 0);
  EXPECT_EQ(double(rec.hatch1[0]), 1);
  EXPECT_EQ(got.bytes, bitmap.bytes);
  EXPECT_GT(second.find("Glass", rec), 0);
  EXPECT_EQ(second.find("Left out", rec), 0);

  std::string nowhere = (root / "no folder" / "x.sur").string();
  EXPECT_EQ(ExportSurfaceReferences(&lib, &names, nowhere.data()), 0);
  EXPECT_EQ(ImportSurfaceReferences(&second, nowhere.data(), option.data()), 0);
  names.push(TEXTBUFFER("Missing"));
  EXPECT_EQ(ExportSurfaceReferences(&lib, &names, file.data()), 0);
  EXPECT_EQ(read_all(file).size(), dump.file_size) << "a failed export leaves the file";
}

TEST_F(SurfaceReferencesTest, HostilePacksAreRefusedWithNothingWrittenOutside) {
  ASSERT_GT(lib.create(surface("S", 1), nullptr), 0);
  const fs::path srf = root / "lib.srf";
  ASSERT_TRUE(dlist::write_surfaces(lib, srf.string(), {"S"}, nullptr));
  const Bytes library = read_all(srf);
  const std::string library_text(library.begin(), library.end());
  const Bytes good = entry("x.srf", library_text);
  ASSERT_EQ(import_bytes(good), 1);
  DBSURFHATCH found;
  ASSERT_EQ(second.remove(second.find("S", found)), 1);

  const std::string escape = (tmp / "escape.bmp").string();
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"parent", good + entry("../escape.bmp", "x")},
      {"absolute", good + entry(escape, "x")},
      {"backslash", good + entry("..\\escape.bmp", "x")},
      {"colon", good + entry("c:escape.bmp", "x")},
      {"dot", good + entry(".", "x")},
      {"dot dot", good + entry("..", "x")},
      {"empty", good + entry("", "x")},
      {"256 bytes", good + entry(std::string(252, 'n') + ".bmp", "x")},
      {"zero inside", good + entry(std::string("a\0b.bmp", 7), "x")},
      {"repeated", good + entry("X.SRF", "x")},
      {"length past the end", good + entry("b.bmp", "xy", 3)},
      {"cut count", good + Bytes{1, 0}},
      {"no zero", Bytes{2, 0, 0, 0, 'a', 'b', 0, 0, 0, 0}},
      {"no library", entry("a.bmp", "x")},
      {"two libraries", good + entry("y.srf", library_text)},
      {"damaged library", entry("x.srf", library_text.substr(0, 20))},
  };
  for (const auto& [what, bytes] : cases) {
    EXPECT_EQ(import_bytes(bytes), 0) << what;
    DBSURFHATCH rec;
    EXPECT_EQ(second.find("S", rec), 0) << what << ": the library changed";
    EXPECT_FALSE(fs::exists(root / "escape.bmp")) << what;
    EXPECT_FALSE(fs::exists(escape)) << what;
  }
  EXPECT_EQ(import_bytes(good, "merge"), 0) << "an unknown option";
}

}  // namespace
