// The description header: its bytes, reading and skipping it, and the refusals of
// counts that do not fit.
#include "host/file_description.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

TEST(FileDescription, WritesACountAndTheTextAndRefusesWhatDoesNotFit) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("dlist_desc_" + std::to_string(std::random_device{}())))
                               .string();
  {
    FileHandle f(path.c_str(), "wb");
    WriteDescription(f, "abc");
    WriteDescription(f, nullptr);
    EXPECT_THROW(WriteDescription(f, std::string(dlist::kMaxDescriptionBytes + 1, 'x').c_str()),
                 dlist::StreamError);
    f.close();
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}),
              std::string("\x03\0\0\0abc\0\0\0\0", 11));
    FileHandle r(path.c_str(), "rb");
    std::string text = "old";
    ReadDescription(r, &text);
    EXPECT_EQ(text, "abc");
    ReadDescription(r, nullptr);  // skipped
    EXPECT_EQ(r.remaining(), 0u);
  }
  // Five announced and four there; a count above the cap; a count cut short.
  for (const std::string& bytes : {std::string("\x05\0\0\0abcd", 8),
                                   std::string("\x01\x00\x01\x00", 4) + std::string(70000, 'a'),
                                   std::string("\x01\0", 2)}) {
    std::ofstream(path, std::ios::binary) << bytes;
    FileHandle r(path.c_str(), "rb");
    std::string text = "kept";
    EXPECT_THROW(ReadDescription(r, &text), dlist::StreamError);
    EXPECT_EQ(text, "kept");
  }
  std::filesystem::remove(path);
}

}  // namespace
