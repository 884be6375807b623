// What the tests of the list output dialog and its tree editor share: a scratch
// folder with a set file and its template, a model for the attribute chooser, a
// recorder in place of the list generator, and a compact picture of a tree.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/dialog/dialog_log.h"
#include "host/dialog/engine.h"
#include "host/dialog/menu.h"
#include "host/dialog/scripted_user.h"
#include "host/dialog/tree_view.h"
#include "host/list_sets/list_set_store.h"
#include "host/main_module.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "listspec/list_output.h"
#include "listspec/list_output_ids.h"
#include "listspec/list_tree.h"
#include "tests/cli/command_line_support.h"
#include "tests/host/model/model_test_support.h"

namespace dlist::testing {

namespace lsp = dlist::listspec;
namespace ls = dlist::list_sets;

// What CallDoList received.
struct DoListCall {
  std::string ini;
  std::string name;
  std::shared_ptr<DL_LISTSPEC_LIST> set;  // a copy of the set handed over
};

// A node tree in short: each node by a letter of its type (s section with its
// number, e element loop with its mask, m material, c coating, p subprice, g group,
// a attribute loop with its key, x edge, P plan, F floor, L layer), '-' before a
// disabled node, its sons in parentheses.
inline std::string shape(const DL_TREE_CELL* cell) {
  std::string out;
  const auto sons = cell->Sons();
  for (std::size_t i = 0; i < sons.size(); ++i) {
    const DL_LIST_TREE_NODE& n = *sons[i]->node;
    if (i > 0) out += " ";
    if (!n.Enabled()) out += "-";
    switch (n.TreeNodeType()) {
      case DL_SECTION: out += "s" + std::to_string(static_cast<const DL_SECTION_NODE&>(n).Number()); break;
      case DL_ELEMENT: out += "e" + std::to_string(static_cast<const DL_ELEMENT_LOOP&>(n).Mask()); break;
      case DL_MATERIAL: out += "m"; break;
      case DL_COATING: out += "c"; break;
      case DL_SUBPRICE: out += "p"; break;
      case DL_CONDITIONAL_GROUP: out += "g"; break;
      case DL_EDGE: out += "x"; break;
      case DL_PLAN: out += "P"; break;
      case DL_FLOOR: out += "F"; break;
      case DL_LAYER: out += "L"; break;
      case DL_INTEGER_ATTRIBUTE:
      case DL_DOUBLE_ATTRIBUTE:
      case DL_STRING_ATTRIBUTE: out += "a" + std::string(static_cast<const DL_ATTRIBUTE_LOOP&>(n).AttributeKey()); break;
      default: out += "?"; break;
    }
    if (sons[i]->child != nullptr) out += "(" + shape(sons[i]) + ")";
  }
  return out;
}

class ListOutputTest : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    ASSERT_TRUE(db_.open(":memory:")) << db_.last_error();
    previous_model_ = set_active_model(&db_);
    previous_ = set_do_list_handler([this](const std::string& ini, const std::string& name, DL_LISTSPEC_LIST& set) {
      calls_.push_back({ini, name, std::make_shared<DL_LISTSPEC_LIST>(set)});
      return 1;
    });
  }
  void TearDown() override {
    set_do_list_handler(previous_);
    set_active_model(previous_model_);
    ScratchFolderTest::TearDown();
  }

  // A set "costs.ini" with the delimited template beside it: "One" holds a wall loop
  // with a material loop below it, "Two" only the two fixed sections.
  std::string make_set(const std::string& name = "costs.ini") {
    std::ofstream(path("costs.dlt"), std::ios::binary) << ls::ReadyMadeTemplate("delimited");
    DL_LISTSPEC_LIST set;
    set.TemplateFileName() = "costs.dlt";
    for (const char* list_name : {"One", "Two"}) {
      auto* l = new DL_LISTSPEC(set);
      l->SetName(list_name);
      l->SetTree(lsp::NewListTree());
      if (std::string(list_name) == "One") {
        auto* wall = new DL_TREE_CELL(std::make_unique<DL_ELEMENT_LOOP>(1));
        l->Tree()->Append(wall);
        wall->Append(new DL_TREE_CELL(std::make_unique<DL_MATERIAL_LOOP>()));
      }
      set.resize(set.size() + 1);
      set.set(set.size() - 1, l);
    }
    std::string error;
    EXPECT_TRUE(ls::WriteINI(set, path(name), error)) << error;
    return path(name);
  }

  // Settings 141 and 142 as a person left them.
  void remember(const std::string& ini, const std::string& list_name) {
    R_Set_STRING(lsp::kSettingSetFile, ini.c_str());
    R_Set_STRING(lsp::kSettingListName, list_name.c_str());
  }

  void run(ScriptedUser& user) {
    {
      DialogUserScope scope(user);
      CrtListOutGenerating(nullptr);
    }
    EXPECT_TRUE(user.finished()) << user.leftovers();
    EXPECT_EQ(buffer_accounting().depth, 0);
    EXPECT_EQ(capture_window(), nullptr);
  }

  // The set as the file holds it now.
  DL_LISTSPEC_LIST read_back(const std::string& file) {
    DL_LISTSPEC_LIST set;
    std::string error;
    EXPECT_TRUE(ls::Read(set, file, error)) << error;
    return set;
  }

  static std::string tree_of(const DL_LISTSPEC_LIST& set, const std::string& name) {
    const int at = set.find(name);
    return at < 0 ? "(none)" : shape(set[static_cast<unsigned>(at)]->Tree());
  }

  // How often the report log holds kind with message id.
  int reported(ReportKind kind, int id) const {
    const auto entries = reports_.entries();
    return static_cast<int>(std::count_if(entries.begin(), entries.end(),
                                          [&](const ReportEntry& e) { return e.kind == kind && e.id == id; }));
  }

  static bool menu_on(void* dialog, int command) { return menu_is_enabled(dialog_menu(dialog), command) == 1; }

  ReportLogScope reports_;
  ModelDatabase db_;
  ModelDatabase* previous_model_ = nullptr;
  DoListHandler previous_;
  std::vector<DoListCall> calls_;
  ScopedSettings settings_;
};

}  // namespace dlist::testing
