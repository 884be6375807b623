// The clipboard of defaults across processes: edges saved in one process and pasted
// in another, refused kinds, pastes that replace, and clipboard files that are
// missing, damaged, of another class or another version, each loading nothing.
#include "clipboard/defaults_clipboard.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "host/clipboard_store.h"
#include "host/platform.h"

namespace {

namespace fs = std::filesystem;
using dlist::ClipboardClass;

// Puts the clipboard in a fresh folder for the test, and the environment back after.
class Clipboard : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* before = std::getenv(dlist::kClipboardFolderVariable)) before_ = before;
    folder_ = dlist::unique_temp_folder(dlist::temp_directory(), "dlclip");
    ASSERT_FALSE(folder_.empty());
    ::setenv(dlist::kClipboardFolderVariable, folder_.c_str(), 1);
  }
  void TearDown() override {
    if (before_.empty())
      ::unsetenv(dlist::kClipboardFolderVariable);
    else
      ::setenv(dlist::kClipboardFolderVariable, before_.c_str(), 1);
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  fs::path file(ClipboardClass id) const { return folder_ / dlist::clipboard_class_info(id).file; }

  std::vector<unsigned char> bytes(ClipboardClass id) const {
    std::ifstream in(file(id), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void put(ClipboardClass id, const std::vector<unsigned char>& b) const {
    std::ofstream(file(id), std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }

  fs::path folder_;
  std::string before_;
};

// Runs body in a child process; its exit status (0 for success).
int in_other_process(const std::function<bool()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body() ? 0 : 1);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

struct Chains {
  DBEDGECHAIN edges;
  DBMATREFCHAIN materials;
  DBATTREFCHAIN attributes;

  int copy_paste(int save, int kind) {
    return EdgeDefaultsCopyPaste(save, &edges, &materials, &attributes, kind);
  }
};

// Two edges, a material reference with its code and an attribute value.
Chains sample() {
  Chains c;
  c.edges.push(DBEDGEPALETTE());
  DBEDGEPALETTE eaves(3, 2, 1, 4, 5, 6, 30.0, 2, 1, 0, 1, 0, 0.45);
  c.edges.push(eaves);
  DBMATREF m;
  m.code.put("CONC.C25");
  m.quantity = DBMATREF::kAutoQuantity;
  m.set_parameter("AREA");
  c.materials.push(m);
  DBATTREFTYPE a;
  a.set_abbrev("FIRE");
  a.set_name("R60");
  a.reference = 12;
  a.value.put("60 minutes");
  c.attributes.push(a);
  return c;
}

// Something else: one edge of layer 9 and no references.
Chains other() {
  Chains c;
  DBEDGEPALETTE e;
  e.layer = 9;
  c.edges.push(e);
  return c;
}

bool same(const Chains& a, const Chains& b) {
  if (a.edges.size() != b.edges.size() || a.materials.size() != b.materials.size() ||
      a.attributes.size() != b.attributes.size())
    return false;
  for (unsigned i = 0; i < a.edges.size(); ++i)
    if (std::memcmp(&a.edges[i], &b.edges[i], sizeof(DBEDGEPALETTE)) != 0) return false;
  for (unsigned i = 0; i < a.materials.size(); ++i)
    if (!(a.materials[i] == b.materials[i])) return false;
  for (unsigned i = 0; i < a.attributes.size(); ++i)
    if (!(a.attributes[i] == b.attributes[i])) return false;
  return true;
}

TEST_F(Clipboard, EdgesSavedInOneProcessArePastedInAnother) {
  // The other process copies; this one pastes over chains that held something else.
  ASSERT_EQ(in_other_process([] { return sample().copy_paste(1, 7) == 1; }), 0);
  Chains pasted = other();
  ASSERT_EQ(pasted.copy_paste(0, 7), 1);
  EXPECT_TRUE(same(pasted, sample()));
  // Each kind has its own clipboard: the roof's edges are no ceiling's.
  Chains ceiling = other();
  EXPECT_EQ(ceiling.copy_paste(0, 6), 0);
  EXPECT_TRUE(same(ceiling, other()));

  // And back: this process copies raster edges, the other pastes them.
  Chains raster = sample();
  ASSERT_EQ(raster.copy_paste(1, 10), 1);
  EXPECT_EQ(in_other_process([] {
              Chains c = other();
              return c.copy_paste(0, 10) == 1 && same(c, sample());
            }),
            0);
}

TEST_F(Clipboard, KindsWithoutEdgesAndNullChainsAreRefused) {
  Chains c = sample();
  for (int kind : {0, 1, 5, 9, 11, 13, -6}) {
    EXPECT_EQ(c.copy_paste(1, kind), 0) << kind;
    EXPECT_EQ(c.copy_paste(0, kind), 0) << kind;
  }
  EXPECT_TRUE(same(c, sample()));
  EXPECT_TRUE(fs::is_empty(folder_));
  EXPECT_EQ(EdgeDefaultsCopyPaste(1, &c.edges, nullptr, &c.attributes, 6), 0);
  EXPECT_EQ(EdgeDefaultsCopyPaste(0, nullptr, &c.materials, &c.attributes, 6), 0);
}

TEST_F(Clipboard, PastingEmptyChainsReplacesWhatWasThere) {
  Chains empty;
  ASSERT_EQ(empty.copy_paste(1, 8), 1);
  Chains c = sample();
  ASSERT_EQ(c.copy_paste(0, 8), 1);
  EXPECT_EQ(c.edges.size() + c.materials.size() + c.attributes.size(), 0u);
}

TEST_F(Clipboard, DamagedForeignAndOtherVersionFilesLoadNothing) {
  Chains saved = sample();
  ASSERT_EQ(saved.copy_paste(1, 6), 1);
  const std::vector<unsigned char> good = bytes(ClipboardClass::kCeilEdges);
  ASSERT_EQ(good.size(), dlist::kClipboardHeaderSize + good[8] + (good[9] << 8));

  struct Damage {
    const char* what;
    std::function<void(std::vector<unsigned char>&)> apply;
  };
  const std::vector<Damage> damages = {
      {"no file", nullptr},
      {"empty file", [](auto& b) { b.clear(); }},
      {"header cut", [](auto& b) { b.resize(10); }},
      {"content cut", [](auto& b) { b.pop_back(); }},
      {"a byte more", [](auto& b) { b.push_back(0); }},
      {"other magic", [](auto& b) { b[0] = 'X'; }},
      {"other version", [](auto& b) { b[4] = 2; }},
      {"other class", [](auto& b) { b[6] = 4; }},
      {"content changed", [](auto& b) { b[20] ^= 0x40; }},
      {"checksum changed", [](auto& b) { b[12] ^= 1; }},
      // A chain count beyond the bytes left, with the checksum made to match.
      {"count too large",
       [](auto& b) {
         b[16] = 0xFF;
         b[17] = 0xFF;
         const std::vector<unsigned char> body(b.begin() + 16, b.end());
         b = dlist::encode_clipboard(ClipboardClass::kCeilEdges, body);
       }},
      // Records left over after the three chains, checksum matching.
      {"trailing bytes",
       [](auto& b) {
         std::vector<unsigned char> body(b.begin() + 16, b.end());
         body.push_back(0);
         b = dlist::encode_clipboard(ClipboardClass::kCeilEdges, body);
       }},
  };
  for (const Damage& d : damages) {
    std::vector<unsigned char> b = good;
    if (d.apply) {
      d.apply(b);
      put(ClipboardClass::kCeilEdges, b);
    } else {
      fs::remove(file(ClipboardClass::kCeilEdges));
    }
    Chains c = other();
    EXPECT_EQ(c.copy_paste(0, 6), 0) << d.what;
    EXPECT_TRUE(same(c, other())) << d.what;
  }
  // A roof clipboard's file under the ceiling's name is refused by its class number.
  ASSERT_EQ(saved.copy_paste(1, 7), 1);
  fs::copy_file(file(ClipboardClass::kRoofEdges), file(ClipboardClass::kCeilEdges),
                fs::copy_options::overwrite_existing);
  Chains c = other();
  EXPECT_EQ(c.copy_paste(0, 6), 0);
  EXPECT_TRUE(same(c, other()));
}

TEST_F(Clipboard, TheFileHoldsClassVersionLengthAndChecksum) {
  Chains one;
  one.edges.push(DBEDGEPALETTE());
  ASSERT_EQ(one.copy_paste(1, 8), 1);
  const std::vector<unsigned char> expected = {
      'D', 'L', 'C', 'B',      // magic
      0x01, 0x00,              // version 1
      0x05, 0x00,              // class 5, ACW_CLIPB_DEFPARCEDGE
      0x27, 0x00, 0x00, 0x00,  // 39 bytes of content
      0x03, 0x02, 0x02, 0x01,  // checksum 0x01020203: the words 1, 0x01010101,
                               // 0x00000101 and 0x00010000, the others 0
      0x01, 0x00, 0x00, 0x00,  // one edge preset
      1, 1, 1, 1, 1, 1,        // layer, pens and line type
      0, 0, 0, 0, 0, 0, 0, 0,  // angle 0.0
      1, 0, 0, 0, 0,           // edge kind 1, four flags 0
      0, 0, 0, 0, 0, 0, 0, 0,  // overhang 0.0
      0x00, 0x00, 0x00, 0x00,  // no material references
      0x00, 0x00, 0x00, 0x00,  // no attribute references
  };
  EXPECT_EQ(bytes(ClipboardClass::kParcEdges), expected);
}

TEST_F(Clipboard, LayerBlocksComeBackAsSavedEachInItsOwnClass) {
  dlist::LayerSettingsBlock settings;
  settings.current = 7;
  settings.state[6] = dlist::kLayerInactive;
  DBFOLIANAMES names{};
  std::strcpy(names.name[0], "walls");
  std::strcpy(names.name[254], "last");
  ASSERT_EQ(LayerCopyPaste(1, 1, reinterpret_cast<unsigned long>(&settings)), 1);
  EXPECT_EQ(LayerCopyPaste(0, 0, reinterpret_cast<unsigned long>(&names)), 0);  // nothing yet
  ASSERT_EQ(LayerCopyPaste(0, 1, reinterpret_cast<unsigned long>(&names)), 1);

  EXPECT_EQ(in_other_process([] {
              dlist::LayerSettingsBlock s;
              DBFOLIANAMES n{};
              return LayerCopyPaste(1, 0, reinterpret_cast<unsigned long>(&s)) == 1 &&
                     LayerCopyPaste(0, 0, reinterpret_cast<unsigned long>(&n)) == 1 &&
                     s.current == 7 && s.state[6] == dlist::kLayerInactive &&
                     std::strcmp(n.name[0], "walls") == 0 && std::strcmp(n.name[254], "last") == 0;
            }),
            0);
  EXPECT_EQ(LayerCopyPaste(1, 1, 0), 0);
  EXPECT_EQ(LayerCopyPaste(1, 0, 0), 0);
  // The names' file is no settings block: refused, the block as it was.
  fs::copy_file(file(ClipboardClass::kLayerNames), file(ClipboardClass::kLayers),
                fs::copy_options::overwrite_existing);
  dlist::LayerSettingsBlock kept;
  kept.current = 3;
  EXPECT_EQ(LayerCopyPaste(1, 0, reinterpret_cast<unsigned long>(&kept)), 0);
  EXPECT_EQ(kept.current, 3);
}

TEST(ClipboardFolder, TheVariableComesFirstThenTheRuntimeFolder) {
  const fs::path base = dlist::unique_temp_folder(dlist::temp_directory(), "dlclipf");
  ASSERT_FALSE(base.empty());
  const char* saved_variable = std::getenv(dlist::kClipboardFolderVariable);
  const std::string variable = saved_variable ? saved_variable : "";
  const char* saved_runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string runtime = saved_runtime ? saved_runtime : "";

  ::unsetenv(dlist::kClipboardFolderVariable);
  ::setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
  EXPECT_EQ(dlist::clipboard_folder(), base / "dlist" / "clipboard");
  struct stat st {};
  ASSERT_EQ(::stat((base / "dlist").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ::setenv(dlist::kClipboardFolderVariable, (base / "mine").c_str(), 1);
  EXPECT_EQ(dlist::clipboard_folder(), base / "mine");

  if (saved_variable)
    ::setenv(dlist::kClipboardFolderVariable, variable.c_str(), 1);
  else
    ::unsetenv(dlist::kClipboardFolderVariable);
  if (saved_runtime)
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  else
    ::unsetenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  fs::remove_all(base, ec);
}

}  // namespace
