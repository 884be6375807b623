// `dlist dump` of a few files of the fuzz corpus, as text and as JSON, against the
// outputs kept beside this test (golden/dump/): good files of both kinds, with and
// without an appendix, an attribute file, and refused ones with their message. A
// change of a reader or of the field listing that alters one byte of the output
// fails here.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/command_line_support.h"

namespace {

namespace fs = std::filesystem;
using dlist::testing::read_file;

// The checkout's root, given by the build.
fs::path source_root() { return fs::path(DLIST_SOURCE_DIR); }

// Replaces every occurrence of from in text by to.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

TEST(DumpGoldenTest, CorpusFilesDumpAsKept) {
  const fs::path root = source_root();
  const fs::path corpus = root / "fuzz" / "corpus" / "dump";
  const fs::path golden = root / "tests" / "cli" / "golden" / "dump";
  ASSERT_TRUE(fs::exists(corpus) && fs::exists(golden)) << "no checkout at " << root;

  struct Case {
    const char* file;
    int status;  // 1: refused, with the message kept in NAME.err
  };
  const Case cases[] = {
      {"wall_one.pal", 0},          {"with_appendix.prt", 0},
      {"stair_hotspots.prt", 0},    {"damaged_name_escape.pal", 1},
      {"damaged_text_zero.prt", 1}, {"damaged_surface_size.pal", 1},
      {"doors.atr", 0},             {"damaged_file_length.atr", 1},
  };
  // The outputs name the file as the command line gave it, relative to the root.
  const std::string absolute = (corpus / "").string();
  const std::string relative = "fuzz/corpus/dump/";
  for (const Case& c : cases) {
    for (const bool json : {false, true}) {
      SCOPED_TRACE(std::string(c.file) + (json ? " --json" : ""));
      std::vector<std::string> args = {"dump"};
      if (json) args.push_back("--json");
      args.push_back((corpus / c.file).string());
      std::ostringstream out, err;
      EXPECT_EQ(dlist::testing::run_command_line(args, out, err), c.status);
      const std::string kept = read_file(golden / (std::string(c.file) + (json ? ".json" : ".txt")));
      ASSERT_FALSE(kept.empty());
      EXPECT_EQ(replaced(out.str(), absolute, relative), kept);
      const std::string kept_err =
          c.status ? read_file(golden / (std::string(c.file) + ".err")) : std::string();
      EXPECT_EQ(replaced(err.str(), absolute, relative), kept_err);
    }
  }
}

}  // namespace
