// `dlist clipboard show` and `clear` over a clipboard that another process filled:
// held, empty and refused classes as text and JSON, and classes emptied by name.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "clipboard/defaults_clipboard.h"
#include "host/clipboard_store.h"
#include "host/platform.h"
#include "tests/cli/command_line_support.h"

namespace {

namespace fs = std::filesystem;
using dlist::testing::has;

class ClipboardCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* before = std::getenv(dlist::kClipboardFolderVariable)) before_ = before;
    folder_ = dlist::unique_temp_folder(dlist::temp_directory(), "dlclipc");
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
  int run(const std::vector<std::string>& args) {
    return dlist::testing::run_command_line(args, out_, err_);
  }

  fs::path folder_;
  std::string before_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(ClipboardCommands, ShowsWhatAnotherProcessCopied) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    DBEDGECHAIN edges;
    DBMATREFCHAIN materials;
    DBATTREFCHAIN attributes;
    DBEDGEPALETTE e;
    e.layer = 4;
    edges.push(e);
    DBATTREFTYPE a;
    a.set_abbrev("FIRE");
    a.value.put("R60");
    attributes.push(a);
    dlist::LayerSettingsBlock layers;
    layers.current = 5;
    layers.state[1] = dlist::kLayerInactive;
    const bool ok = EdgeDefaultsCopyPaste(1, &edges, &materials, &attributes, 7) == 1 &&
                    LayerCopyPaste(1, 1, reinterpret_cast<unsigned long>(&layers)) == 1;
    ::_exit(ok ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_EQ(status, 0);
  // A damaged parcel clipboard beside them.
  std::ofstream(folder_ / "parcedges.clip", std::ios::binary) << "DLCB\x01";

  ASSERT_EQ(run({"clipboard", "show"}), 0) << err_.str();
  EXPECT_TRUE(has(out_.str(), "ACW_CLIPB_LAYERS  current layer 5, 1 layer off\n"));
  EXPECT_TRUE(has(out_.str(), "ACW_CLIPB_LAYERNAMES  empty\n"));
  EXPECT_TRUE(has(out_.str(),
                  "ACW_CLIPB_DEFROOFEDGES  1 edge preset, 0 material references, "
                  "1 attribute reference\n"));
  EXPECT_TRUE(has(out_.str(), "ACW_CLIPB_DEFPARCEDGE  refused: the clipboard file is shorter"));

  ASSERT_EQ(run({"clipboard", "show", "--json"}), 0) << err_.str();
  const nlohmann::json j = nlohmann::json::parse(out_.str());
  EXPECT_EQ(j["folder"], folder_.string());
  ASSERT_EQ(j["classes"].size(), 6u);
  EXPECT_EQ(j["classes"][0]["content"]["off"], nlohmann::json::array({2}));
  EXPECT_EQ(j["classes"][3]["state"], "held");
  EXPECT_EQ(j["classes"][3]["content"]["edges"][0]["layer"], 4);
  EXPECT_EQ(j["classes"][3]["content"]["attributes"][0]["value"], "R60");
  EXPECT_EQ(j["classes"][4]["state"], "refused");

  ASSERT_EQ(run({"clipboard", "clear", "roofedges", "ACW_CLIPB_LAYERS"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "cleared 2 classes\n");
  EXPECT_FALSE(fs::exists(folder_ / "roofedges.clip"));
  EXPECT_TRUE(fs::exists(folder_ / "parcedges.clip"));
  EXPECT_EQ(run({"clipboard", "clear", "walls"}), 1);
  EXPECT_TRUE(has(err_.str(), "no clipboard class \"walls\""));
  ASSERT_EQ(run({"clipboard", "clear"}), 0);
  EXPECT_TRUE(fs::is_empty(folder_));
}

}  // namespace
