// The command line never destroys a user's file nor hangs on one, in-process on
// files in a scratch folder: exports onto the open project or library by every
// kind of name, files of another kind without --force, a database that another
// connection holds, import inputs that are no readable regular file, and a
// read-only library.
#include "cli/file_checks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "host/model/sqlite_connection.h"
#include "tests/cli/command_line_support.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using dlist::testing::has;
using dlist::testing::read_file;

// Runs the test in a scratch folder that is also the working directory, with a
// project p.dlist holding a wall palette and a library lib.dlist with the
// demonstration's materials, exported to demo.lis.
class FileChecksTest : public dlist::testing::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    previous_ = fs::current_path();
    fs::current_path(dir_);
    ASSERT_EQ(run({"--project", "p.dlist", "init"}), 0) << err_.str();
    ASSERT_EQ(run({"--project", "p.dlist", "palettes", "new", "--kind", "wall", "--name", "W"}), 0)
        << err_.str();
    make_demo_library("lib.dlist", "demo.lis");
  }
  void TearDown() override {
    fs::current_path(previous_);
    ScratchFolderTest::TearDown();
  }

  // Runs args and expects a refusal in one line that says `why`, with file left as
  // it was.
  void refused(const Args& args, const std::string& why, const std::string& file) {
    const std::string before = read_file(file);
    EXPECT_EQ(run(args), 1) << args[args.size() - 1];
    EXPECT_TRUE(has(err_.str(), why)) << err_.str();
    EXPECT_EQ(err_.str().find('\n'), err_.str().size() - 1) << err_.str();
    EXPECT_EQ(read_file(file), before) << file;
  }

  fs::path previous_;
};

TEST_F(FileChecksTest, NoExportWritesOverTheDatabaseItHasOpenByAnyName) {
  fs::create_symlink(path("p.dlist"), path("link.dlist"));
  fs::create_hard_link(path("p.dlist"), path("hard.dlist"));
  fs::create_symlink(path("lib.dlist"), path("lib-link.dlist"));
  fs::create_hard_link(path("lib.dlist"), path("lib-hard.dlist"));
  fs::create_directories(dir_ / "sub");
  const std::string open = "that this command has open";
  for (const char* family : {"palettes", "prototypes"}) {
    for (const std::string& name : {std::string("p.dlist"), std::string("./sub/../p.dlist"),
                                    path("p.dlist"), std::string("link.dlist"),
                                    std::string("hard.dlist")})
      refused({"--project", "p.dlist", family, "export", "--force", name}, open, "p.dlist");
  }
  // The default project, named as the command names it.
  ASSERT_EQ(run({"init"}), 0) << err_.str();
  refused({"palettes", "export", "project.dlist"}, open, "project.dlist");
  refused({"prototypes", "export", path("project.dlist")}, open, "project.dlist");
  for (const char* name : {"lib.dlist", "lib-link.dlist", "lib-hard.dlist"})
    refused({"--materials", "lib.dlist", "materials", "export", "--force", name}, open,
            "lib.dlist");
  EXPECT_EQ(run({"--project", "p.dlist", "palettes", "tree"}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), " W\n")) << out_.str();
}

TEST_F(FileChecksTest, AFileOfAnotherKindIsWrittenOverOnlyWithForce) {
  const std::string p = "--project", m = "--materials";
  // A database the command does not have open, another exchange file, any text.
  refused({p, "p.dlist", "palettes", "export", "lib.dlist"}, "(an SQLite database); use --force",
          "lib.dlist");
  refused({m, "lib.dlist", "materials", "export", "p.dlist"}, "is not a list export file",
          "p.dlist");
  ASSERT_EQ(run({p, "p.dlist", "prototypes", "export", "x.prt"}), 0) << err_.str();
  refused({p, "p.dlist", "palettes", "export", "x.prt"}, "(a prototype file)", "x.prt");
  std::ofstream("notes.txt") << "my notes";
  refused({m, "lib.dlist", "materials", "export", "notes.txt"}, "--force", "notes.txt");
  fs::create_directories(dir_ / "folder");
  refused({p, "p.dlist", "palettes", "export", "--force", "folder"}, "is a folder", "p.dlist");

  // A file of its own kind, an empty one, and with --force another kind.
  ASSERT_EQ(run({p, "p.dlist", "prototypes", "export", "x.prt"}), 0) << err_.str();
  ASSERT_EQ(run({m, "lib.dlist", "materials", "export", "demo.lis"}), 0) << err_.str();
  std::ofstream("empty.pal").close();
  ASSERT_EQ(run({p, "p.dlist", "palettes", "export", "empty.pal"}), 0) << err_.str();
  ASSERT_EQ(run({p, "p.dlist", "palettes", "export", "--force", "notes.txt"}), 0) << err_.str();
  EXPECT_EQ(read_file("notes.txt").substr(0, 4), std::string("\0\0\0\0", 4));
}

TEST_F(FileChecksTest, ADatabaseInUseIsWaitedForThenRefusedInWords) {
  // Another connection changing the library: a second command waits, then says so.
  {
    LISTCONTEXT other;
    ASSERT_TRUE(other.open(path("lib.dlist")));
    dlist::cli::LibraryTransaction change(other);
    ASSERT_TRUE(change);
    const auto start = std::chrono::steady_clock::now();
    refused({"--wait", "0.2", "--materials", "lib.dlist", "materials", "import", "demo.lis"},
            "the file is in use by another process (waited 200 ms)", "lib.dlist");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    // Reading goes on while the other one has not begun to write its file.
    EXPECT_EQ(run({"--materials", "lib.dlist", "materials", "tree"}), 0) << err_.str();
  }
  // One that holds the project's file exclusively: neither opening nor a change
  // get through, and neither calls the project something else.
  {
    dlist::SqliteConnection other;
    ASSERT_TRUE(other.open(path("p.dlist")));
    ASSERT_TRUE(other.exec("PRAGMA locking_mode = EXCLUSIVE"));
    ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE"));
    for (const Args& args : {Args{"palettes", "tree"}, Args{"palettes", "import", "demo.lis"}}) {
      Args full = {"--wait", "0.1", "--project", "p.dlist"};
      full.insert(full.end(), args.begin(), args.end());
      refused(full, "p.dlist: the file is in use by another process", "p.dlist");
      EXPECT_FALSE(has(err_.str(), "not a project")) << err_.str();
    }
  }
  // Two changes at once: the second waits for the first and both finish.
  LISTCONTEXT other;
  ASSERT_TRUE(other.open(path("new.dlist")));
  std::thread first([&other] {
    dlist::cli::LibraryTransaction change(other);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(change.commit());
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(run({"--materials", "new.dlist", "materials", "import", "demo.lis"}), 0) << err_.str();
  first.join();
}

TEST_F(FileChecksTest, AnImportReadsOnlyAReadableRegularFileAndSaysWhatElseItIs) {
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
  fs::create_directories(dir_ / "folder");
  std::ofstream("empty.lis").close();
  struct Case {
    std::string file, why;
  };
  const Case cases[] = {
      {"fifo", "it is a FIFO (named pipe), not a regular file"},
      {"folder", "it is a folder, not a regular file"},
      {"/dev/null", "it is a device, not a regular file"},
      {"missing.lis", "there is no such file"},
      {"empty.lis", "the file is empty"},
  };
  for (const Case& c : cases) {
    // Refused at once, before the library is created.
    refused({"--materials", "new.dlist", "materials", "import", c.file}, c.why, "p.dlist");
    EXPECT_FALSE(fs::exists("new.dlist")) << c.file;
    refused({"--project", "p.dlist", "palettes", "import", c.file}, c.why, "p.dlist");
    EXPECT_FALSE(has(err_.str(), "internal failure")) << err_.str();
    refused({"prototypes", "import", c.file}, c.why, "p.dlist");
    EXPECT_FALSE(fs::exists("project.dlist")) << c.file;
  }
}

// The library made read-only: as root permissions do not stop a write, so the
// commands run in a child that has given up root.
TEST_F(FileChecksTest, AReadOnlyLibrarySaysSo) {
  fs::permissions(path("lib.dlist"), fs::perms::owner_read | fs::perms::group_read |
                                         fs::perms::others_read);
  fs::permissions(dir_, fs::perms::all);
  const Args cases[] = {
      {"--materials", "lib.dlist", "materials", "import", "demo.lis"},
      {"--materials", "lib.dlist", "--yes", "materials", "remove", "1"},
      {"--materials", "lib.dlist", "materials", "copy-prices", "1.1", "1.2"},
  };
  for (const Args& args : cases) {
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipe_ends[0]);
      if (geteuid() == 0 && setuid(65534) != 0) _exit(99);
      const int status = run(args);
      const std::string err = err_.str();
      if (write(pipe_ends[1], err.data(), err.size()) < 0) _exit(98);
      _exit(status);
    }
    close(pipe_ends[1]);
    std::string err;
    char buffer[512];
    for (ssize_t n; (n = read(pipe_ends[0], buffer, sizeof buffer)) > 0;)
      err.append(buffer, static_cast<std::size_t>(n));
    close(pipe_ends[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << args[3] << ": " << err;
    EXPECT_TRUE(has(err, "lib.dlist: the file is read-only")) << err;
    EXPECT_FALSE(has(err, "Error 67")) << err;
  }
}

}  // namespace
