// Runs the command line in-process, as the tests of the commands do, and the
// scratch folder those tests keep their files in.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/demo_materials.h"
#include "cli/material_library_file.h"
#include "host/dialog/engine.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "materials/list_exporter.h"

namespace dlist::testing {

// Runs `dlist args...`: input is what the user types at the prompts, terminal
// whether the console is one. The status; what it wrote replaces out and err.
inline int run_command_line(const std::vector<std::string>& args, std::ostringstream& out,
                            std::ostringstream& err, bool terminal = false,
                            const std::string& input = "") {
  std::vector<const char*> argv{"dlist"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::istringstream in(input);
  out.str("");
  err.str("");
  cli::Console console{in, out, err, terminal};
  return cli::run_dlist(static_cast<int>(argv.size()), argv.data(), console);
}

inline bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Whether text is one line, ended by its newline.
inline bool one_line(const std::string& text) {
  return !text.empty() && text.find('\n') == text.size() - 1;
}

// The bytes of a file; empty when it cannot be read.
inline std::string read_file(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A test on files in a folder of its own under the system's temporary folder,
// removed afterwards, with the dialog engine reset around it and the reports it
// makes discarded.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_dialog_engine();
    const std::string suite =
        ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name();
    dir_ = std::filesystem::temp_directory_path() /
           ("dlist_" + suite + "_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    reset_dialog_engine();
    std::filesystem::remove_all(dir_);
  }

  // Runs dlist with args; the status, with what it wrote in out_ and err_. The
  // tests' own run() put their file options first and call this one.
  int run(const std::vector<std::string>& args, bool terminal = false,
          const std::string& input = "") {
    return run_command_line(args, out_, err_, terminal, input);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  // The bytes of the file name in the folder.
  std::string bytes(const std::string& name) const { return read_file(dir_ / name); }

  // The library file name in the folder filled with the demonstration's materials
  // and, unless export_name is empty, exported whole to that list file.
  void make_demo_library(const std::string& name, const std::string& export_name = "") {
    LISTCONTEXT library;
    ASSERT_TRUE(library.open(path(name))) << library.last_error();
    {
      cli::LibraryTransaction change(library);
      std::string error;
      ASSERT_TRUE(cli::fill_demo_library(library, &error)) << error;
      ASSERT_TRUE(change.commit());
    }
    if (export_name.empty()) return;
    std::string file = path(export_name);
    ASSERT_EQ(ListExporter(nullptr, &library, 0, file.data(), -1), 1);
  }

  std::filesystem::path dir_;
  std::ostringstream out_;
  std::ostringstream err_;
  ReportLogScope reports_;
};

}  // namespace dlist::testing
