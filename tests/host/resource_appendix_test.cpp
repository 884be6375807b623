// The resource appendix: the trailer's bytes, reading it back from the end of a
// file, skipping sections of later versions, and refusing every damage.
#include "host/resource_appendix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

class ResourceAppendixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("dlist_apx_" + std::to_string(std::random_device{}())))
                .string();
  }
  void TearDown() override { std::filesystem::remove(path_); }
  void write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  std::string read() {
    std::ifstream in(path_, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  std::string path_;
};

// "blocks", then surfaces {"Ab"} and materials {"M"}.
const std::string kFile = std::string("blocks") +
                          std::string("\1\0\0\0\1\0\0\0\6\0\0\0\2\0\0\0Ab", 18) +  // surfaces
                          std::string("\2\0\0\0\1\0\0\0\5\0\0\0\1\0\0\0M", 17) +   // materials
                          std::string("DLRESAPX\1\0\0\0\x33\0\0\0", 16);          // footer, 51

TEST_F(ResourceAppendixTest, TrailerCarriesEachNameOnce) {
  write("blocks");
  DBSURFREFTYPE surf;
  DBSURFHATCH h;
  std::strcpy(h.name, "Ab");
  surf.push(h);
  surf.push(DBSURFHATCH());  // no name: left out
  surf.push(h);
  DBMATREFCHAIN mat;
  DBMATREF m;
  m.code.put("M");
  mat.push(m);
  APPENDIX out;
  out.SurfacesToResourceList(&surf);
  out.MaterialsToResourceList(&mat);
  out.AttributesToResourceList(nullptr);
  ASSERT_EQ(out.AppendResources(path_.c_str()), 1);
  EXPECT_EQ(read(), kFile);

  APPENDIX in;
  ASSERT_EQ(in.IsAppendix(path_.c_str()), 1);
  EXPECT_EQ(in.trailer_size(), 51u);
  ASSERT_EQ(in.ReadAppendix(path_.c_str()), 1) << in.last_error();
  EXPECT_EQ(in.surfaces(), std::vector<std::string>{"Ab"});
  EXPECT_EQ(in.materials(), std::vector<std::string>{"M"});
  EXPECT_TRUE(in.attributes().empty());
  EXPECT_EQ(out.AppendResources((path_ + "/missing/x").c_str()), 0);
}

TEST_F(ResourceAppendixTest, DamagedTrailersAreRefused) {
  struct Case {
    std::size_t at;
    char byte;
    const char* says;
  };
  const std::size_t end = kFile.size();
  const Case cases[] = {
      {end - 16, 'X', "magic"},
      {end - 8, 2, "version 2"},
      {end - 3, 1, "does not fit"},
      {6 + 8, 0x40, "gives 64 bytes, 23 are left"},      // section length
      {6 + 4, 3, "3 entries in 6 bytes"},       // section count
      {6 + 12, 0, "gives 0 bytes"},             // entry length
      {6 + 12, 1, "1 bytes beyond its entries"},
      {6 + 16, 0, "holds a zero byte"},
  };
  APPENDIX in;
  write(kFile);
  ASSERT_EQ(in.ReadAppendix(path_.c_str()), 1);
  for (const Case& c : cases) {
    std::string damaged = kFile;
    damaged[c.at] = c.byte;
    write(damaged);
    EXPECT_EQ(in.ReadAppendix(path_.c_str()), 0) << c.says;
    EXPECT_NE(in.last_error().find(c.says), std::string::npos) << in.last_error();
    EXPECT_EQ(in.surfaces(), std::vector<std::string>{"Ab"});  // untouched
  }
  write("short");
  EXPECT_EQ(in.IsAppendix(path_.c_str()), 0);

  // A section of a later version is skipped.
  std::string later = kFile;
  later[6] = 9;
  write(later);
  ASSERT_EQ(in.ReadAppendix(path_.c_str()), 1);
  EXPECT_TRUE(in.surfaces().empty());
  EXPECT_EQ(in.materials(), std::vector<std::string>{"M"});
}

}  // namespace
