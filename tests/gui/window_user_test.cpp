// The dialogs in real windows, driven through the windows' own events: the
// material editor and the list import's overwrite question change the library
// as the scripted user's tests do; an exception in a callback is reported and
// the dialog goes on; every test keeps a picture of its windows (PNG files in
// the build folder's screenshots/).
#include "gui/window_user.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/material_library_file.h"
#include "foundation/fixed_text.h"
#include "gui/dialog_window.h"
#include "gui/entry_points.h"
#include "gui/main_window.h"
#include "gui/text.h"
#include "host/dialog/dialog_view.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/menu.h"
#include "host/dialog/tree_view.h"
#include "host/import/column_dialog.h"
#include "host/list/list_context.h"
#include "materials/list_dialog_ids.h"
#include "materials/list_dialogs.h"
#include "materials/list_exporter.h"
#include "materials/material_dialog_ids.h"
#include "materials/material_dialogs.h"
#include "materials/material_library.h"
#include "palettes/clash_dialog.h"
#include "palettes/palette_manager.h"
#include "listspec/attribute_search.h"
#include "listspec/cost_estimate.h"
#include "attributes/attribute_link.h"
#include "matlink/material_link.h"
#include "host/model/location_store.h"
#include "locations/location_manager.h"
#include <wx/button.h>

namespace {

namespace fs = std::filesystem;
using dlist::field_string;
using dlist::put_field;
using dlist::gui::DialogWindow;
using dlist::gui::MainWindow;
using dlist::gui::MessageWindow;

constexpr int kWatchdogMilliseconds = 60000;

std::string screenshot_path(const std::string& name) {
  const fs::path folder = DLIST_SCREENSHOT_DIR;
  std::error_code ec;
  fs::create_directories(folder, ec);
  return (folder / name).string();
}

// Lets the window system show and paint what is pending.
void settle() {
  for (int i = 0; i < 5; ++i) {
    wxYield();
    wxMilliSleep(20);
  }
}

void shoot(wxWindow& window, const std::string& name) {
  window.Raise();
  window.Refresh();
  settle();
  EXPECT_TRUE(dlist::gui::save_screenshot(&window, screenshot_path(name))) << name;
}

size_t entry(const std::string& title) {
  const auto& table = dlist::gui::entry_points();
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].title == title) return i;
  }
  ADD_FAILURE() << "no entry point " << title;
  return table.size();
}

class WindowUserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlist::reset_dialog_engine();
    folder_ = fs::temp_directory_path() /
              ("dlist-gui-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    window_ = new MainWindow();
    window_->SetSize(720, 560);
    window_->Show();
    ASSERT_TRUE(window_->open_project((folder_ / "project.dlist").string()));
    ASSERT_TRUE(window_->open_library((folder_ / "materials.dlist").string()));
    ASSERT_TRUE(window_->fill_demo());
    settle();
    // No test may wait for ever: after a minute every dialog is cancelled.
    watchdog_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      ADD_FAILURE() << "a dialog waited too long";
      window_->user().quit();
    });
    watchdog_.StartOnce(kWatchdogMilliseconds);
  }

  void TearDown() override {
    watchdog_.Stop();
    if (window_ != nullptr) window_->Destroy();
    settle();
    std::error_code ec;
    fs::remove_all(folder_, ec);
    dlist::reset_dialog_engine();
  }

  LISTCONTEXT& library() { return *window_->library(); }

  // A window nobody expected: cancelled (a dialog) or answered with its default (a
  // box), and recorded.
  void unexpected(wxDialog& window) {
    if (auto* d = dynamic_cast<DialogWindow*>(&window)) {
      unexpected_.push_back(d->context());
      d->press(dlist::kIdReject);
    } else if (auto* box = dynamic_cast<MessageWindow*>(&window)) {
      unexpected_.push_back(-1);
      box->press(box->fallback());
    }
  }

  dbmaterial material(const char* code) {
    dbmaterial rec{};
    const long id = dlist::cli::find_material(library(), code);
    EXPECT_GT(id, 0) << code;
    if (id > 0) library().get(id, rec, nullptr);
    return rec;
  }

  fs::path folder_;
  MainWindow* window_ = nullptr;
  wxTimer watchdog_;
  std::vector<int> unexpected_;
};

TEST_F(WindowUserTest, MaterialEditorCreatesTheMaterialTyped) {
  shoot(*window_, "main_window.png");
  window_->select_material(dlist::cli::find_material(library(), "1.1"));
  const long metre = dlist::cli::find_unit(library(), "m2");
  ASSERT_GT(metre, 0);
  const long area = library().get_parent(metre);
  int step = 0;
  window_->user().set_driver([&](wxDialog& w) {
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr || d->context() != dlist::kEditMaterialContext) return unexpected(w);
    switch (step++) {
      case 0:
        d->type(dlist::kMatOwnCode, "9");
        d->type(dlist::kMatName, "Glass block");
        d->type(dlist::kMatUnitPrice, "12.5");
        d->expand_item(dlist::kMatNativeTree, area);  // the dimension opens in the model first
        break;
      case 1:
        d->select_item(dlist::kMatNativeTree, metre);  // the native unit
        break;
      case 2:
        EXPECT_FALSE(dlist::control_marked(d->dialog(), dlist::kMatOwnCode));
        shoot(*d, "material_editor.png");
        d->press(dlist::kIdAccept);
        break;
      default:
        shoot(*d, "material_editor_refused.png");
        ADD_FAILURE() << "the editor stayed open";
        d->press(dlist::kIdReject);
    }
  });
  EXPECT_EQ(window_->run(entry("&New material...")), 1);
  EXPECT_TRUE(unexpected_.empty());
  EXPECT_EQ(window_->user().open_windows(), 0);
  const dbmaterial made = material("1.1.9");
  EXPECT_EQ(field_string(made.name), "Glass block");
  EXPECT_DOUBLE_EQ(made.unit_price, 12.5);
  EXPECT_EQ(field_string(made.native_unit), "m2");

  // A refused input keeps the editor open with the field marked: a code taken by a
  // sibling.
  step = 0;
  int refusals = 0;
  window_->user().set_driver([&](wxDialog& w) {
    if (auto* box = dynamic_cast<MessageWindow*>(&w)) {
      ++refusals;  // the framework's warning on the marked field
      return box->press(box->fallback());
    }
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr) return unexpected(w);
    switch (step++) {
      case 0:
        d->type(dlist::kMatOwnCode, "9");
        d->type(dlist::kMatName, "Second glass block");
        break;
      case 1:
        d->press(dlist::kIdAccept);
        break;
      default:
        EXPECT_TRUE(dlist::control_marked(d->dialog(), dlist::kMatOwnCode));
        d->press(dlist::kIdReject);
    }
  });
  EXPECT_EQ(window_->run(entry("&New material...")), 0);
  EXPECT_GE(step, 3);
  EXPECT_EQ(field_string(material("1.1.9").name), "Glass block");
}

TEST_F(WindowUserTest, ClosingTheMainWindowAsksAndKeepsNothingOfTheRunningDialog) {
  window_->select_material(dlist::cli::find_material(library(), "1.1"));
  int step = 0;
  std::vector<std::string> questions;
  window_->user().set_driver([&](wxDialog& w) {
    if (auto* box = dynamic_cast<MessageWindow*>(&w)) {
      questions.push_back(dlist::gui::utf8(box->GetTitle()));
      return box->press(questions.size() == 1 ? dlist::kIdNo : dlist::kIdYes);
    }
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr) return unexpected(w);
    switch (step++) {
      case 0:
        d->type(dlist::kMatOwnCode, "9");
        d->type(dlist::kMatName, "Glass block");
        break;
      case 1:
        window_->Close();  // No: the dialog stays
        EXPECT_TRUE(d->IsShown());
        window_->Close();  // Yes: the dialog is cancelled, the window closes
        break;
      default:
        ADD_FAILURE() << "the dialog stayed open";
        d->press(dlist::kIdReject);
    }
  });
  EXPECT_EQ(window_->run(entry("&New material...")), 0);
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_EQ(dlist::cli::find_material(library(), "1.1.9"), 0);
  settle();
  const wxWindowList& windows = wxTopLevelWindows;
  EXPECT_EQ(windows.Find(window_), nullptr);
  if (windows.Find(window_) == nullptr) window_ = nullptr;
}

TEST_F(WindowUserTest, ListImportAsksBeforeOverwriting) {
  // The library exported, then one material renamed: importing the file asks about it.
  std::string file = (folder_ / "demo.lis").string();
  ASSERT_EQ(ListExporter(nullptr, &library(), 0L, file.data(), -1L), 1);
  const long brick = dlist::cli::find_material(library(), "1.1.1");
  {
    Material m(&library(), brick);
    ASSERT_NE(m.read(), 0);
    put_field(m.data.name, "Old brick");
    ASSERT_NE(m.update(), 0);
  }
  window_->select_material(0);
  window_->user().set_file_driver([&](const dlist::FileRequest&) {
    dlist::FileAnswer answer;
    answer.chosen = true;
    answer.path = file;
    return std::optional<dlist::FileAnswer>(answer);
  });
  // The renamed material is overwritten, every other one kept.
  std::vector<std::string> asked;
  window_->user().set_driver([&](wxDialog& w) {
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr || d->context() != dlist::listdlg::kOverwriteContext) return unexpected(w);
    const std::string stored = dlist::control_text(d->dialog(), dlist::listdlg::kStoredName);
    asked.push_back(stored);
    if (stored == "Old brick") {
      shoot(*d, "import_overwrite.png");
      d->press(dlist::listdlg::kOverwrite);  // the click focuses the button: "overwrite this one"
    } else {
      d->press(dlist::listdlg::kKeep);
    }
  });
  EXPECT_EQ(window_->run(entry("&Import list file...")), 1);
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "Old brick"), 1);
  EXPECT_TRUE(unexpected_.empty()) << unexpected_.front();
  EXPECT_EQ(field_string(material("1.1.1").name), "Solid brick");
  EXPECT_EQ(field_string(material("1.2.1").name), "Concrete block");
}

TEST_F(WindowUserTest, ListImportStoppedWithCancelChangesNothing) {
  std::string file = (folder_ / "demo.lis").string();
  ASSERT_EQ(ListExporter(nullptr, &library(), 0L, file.data(), -1L), 1);
  const long brick = dlist::cli::find_material(library(), "1.1.1");
  {
    Material m(&library(), brick);
    ASSERT_NE(m.read(), 0);
    put_field(m.data.name, "Old brick");
    ASSERT_NE(m.update(), 0);
  }
  window_->select_material(0);
  window_->user().set_file_driver([&](const dlist::FileRequest&) {
    dlist::FileAnswer answer;
    answer.chosen = true;
    answer.path = file;
    return std::optional<dlist::FileAnswer>(answer);
  });
  int overwritten = 0;
  window_->user().set_driver([&](wxDialog& w) {
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr || d->context() != dlist::listdlg::kOverwriteContext) return unexpected(w);
    ++overwritten;
    d->press(dlist::listdlg::kOverwrite);
  });
  // Cancel is pressed a few records in, after the renamed material was overwritten.
  int steps = 0;
  window_->user().set_progress_driver([&](wxProgressDialog& progress) {
    if (++steps != 6) return;
    shoot(progress, "import_progress.png");
    wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
    click.SetEventObject(&progress);
    progress.GetEventHandler()->ProcessEvent(click);
  });
  EXPECT_EQ(window_->run(entry("&Import list file...")), 0);
  EXPECT_GE(steps, 6);
  EXPECT_GE(overwritten, 1);
  EXPECT_TRUE(unexpected_.empty()) << unexpected_.front();
  EXPECT_EQ(field_string(material("1.1.1").name), "Old brick");
}

TEST_F(WindowUserTest, TextImportAsksForTheColumns) {
  const std::string file = (folder_ / "prices.csv").string();
  {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("Code;Name;Price\n9;Glass block;12.5\n", out);
    std::fclose(out);
  }
  window_->user().set_file_driver([&](const dlist::FileRequest&) {
    dlist::FileAnswer answer;
    answer.chosen = true;
    answer.path = file;
    return std::optional<dlist::FileAnswer>(answer);
  });
  std::vector<std::string> seen;
  window_->user().set_driver([&](wxDialog& w) {
    if (auto* box = dynamic_cast<MessageWindow*>(&w)) {
      seen.push_back("question");
      shoot(*box, "import_question.png");
      return box->press(dlist::kIdNo);  // without dimensions
    }
    auto* d = dynamic_cast<DialogWindow*>(&w);
    ASSERT_NE(d, nullptr);
    seen.push_back("columns");
    d->select_row(dlist::kColumnList, 1);
    shoot(*d, "column_dialog.png");
    d->press(dlist::kIdReject);
  });
  window_->select_material(0);
  EXPECT_EQ(window_->run(entry("&Import list file...")), 0);  // cancelled in the column dialog
  EXPECT_EQ(seen, (std::vector<std::string>{"question", "columns"}));
}

// A callback that throws: the window reports it in a box and the dialog goes on.
int DLIST_CALL ThrowingAction(void*, int control, int code) {
  if (control == 100 && code == dlist::kBnClicked) throw std::runtime_error("broken button");
  return 0;
}

TEST_F(WindowUserTest, AnExceptionInACallbackIsReportedAndTheDialogGoesOn) {
  std::vector<std::string> seen;
  int step = 0;
  window_->user().set_driver([&](wxDialog& w) {
    if (auto* box = dynamic_cast<MessageWindow*>(&w)) {
      seen.push_back("box");
      shoot(*box, "callback_error.png");
      return box->press(dlist::kIdOk);
    }
    auto* d = dynamic_cast<DialogWindow*>(&w);
    ASSERT_NE(d, nullptr);
    seen.push_back("dialog");
    d->press(step++ == 0 ? 100 : dlist::kIdAccept);
  });
  ASSERT_NE(AllocTmpBuffers(2), 0);
  ASSERT_NE(MakeMainUnit(window_, "Broken", "Broken", 160, 60), nullptr);
  ASSERT_NE(CommandButton(100, 36, 8, 8, 60, 16), 0);
  ASSERT_NE(CommandButton(dlist::kIdAccept, 36, 80, 8, 60, 16), 0);
  ASSERT_NE(SetAllInputProc(ThrowingAction), 0);
  EXPECT_EQ(RunModalDialog(window_, 0, 4242, 0), 1);
  PurgeTmpBuffers();
  EXPECT_EQ(seen, (std::vector<std::string>{"dialog", "box", "dialog"}));
}

// A tree whose right click opens a context menu; the command chosen starts a
// timer whose first tick accepts the dialog.
int g_chosen = 0;
int g_ticks = 0;

int DLIST_CALL MenuInit(void* dialog) {
  void* tree = GetControlHWND(dialog, 12);
  dlist::tree_insert(tree, dlist::kTviRoot, dlist::kTviLast, "Walls", 0, 0, 1);
  dlist::tree_insert(tree, dlist::kTviRoot, dlist::kTviLast, "Doors", 0, 0, 2);
  SetInpCont_ToolTip(12, 36);
  return 1;
}

int DLIST_CALL MenuAction(void* dialog, int control, int code) {
  if (control != 12 || code != dlist::kNmRClick) return 0;
  void* menu = dlist::menu_create();
  dlist::menu_append(menu, 501, "Open");
  dlist::menu_append(menu, 502, "Delete");
  dlist::menu_enable(menu, 502, false);
  g_chosen = dlist::menu_track(menu, dialog);
  dlist::menu_destroy(menu);
  dlist::set_timer(dialog, 7, 100);
  return 0;
}

int DLIST_CALL MenuTimer(void* dialog, int timer) {
  if (timer == 7 && ++g_ticks == 1) dlist::post_command(dialog, dlist::kIdAccept);
  return 0;
}

TEST_F(WindowUserTest, ContextMenusToolTipsAndTimers) {
  g_chosen = g_ticks = 0;
  std::vector<std::string> offered;
  window_->user().set_menu_driver([&](const std::vector<int>& commands) {
    for (const dlist::MenuEntryView& e : dlist::view_tracked_menu(commands)) {
      offered.push_back(e.text + (e.enabled ? "" : " (disabled)"));
    }
    return std::optional<int>(501);
  });
  int step = 0;
  window_->user().set_driver([&](wxDialog& w) {
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr) return unexpected(w);
    if (step++ == 0) {
      EXPECT_EQ(d->control(12)->GetToolTipText(), wxString::FromUTF8(dlist::dialog_text(36)));
      d->right_click_item(12, 2);
    }
  });
  ASSERT_NE(AllocTmpBuffers(2), 0);
  ASSERT_NE(MakeMainUnit(window_, "Menus", "Menus", 160, 100), nullptr);
  ASSERT_NE(TreeViewInput(12, 4, 4, 150, 90), 0);
  ASSERT_NE(SetDlgInitProc(MenuInit), 0);
  ASSERT_NE(SetAllInputProc(MenuAction), 0);
  ASSERT_NE(SetDlgTimerProc(MenuTimer), 0);
  EXPECT_EQ(RunModalDialog(window_, 0, 4243, 0), 1);
  PurgeTmpBuffers();
  EXPECT_EQ(g_chosen, 501);
  EXPECT_EQ(g_ticks, 1);
  EXPECT_EQ(offered, (std::vector<std::string>{"Open", "Delete (disabled)"}));
}

// The record dialogs and the clash dialog as the person sees them.
TEST_F(WindowUserTest, RecordDialogsShowEveryControl) {
  struct Shot {
    int context;
    const char* file;
  };
  const Shot shots[] = {{dlist::listdlg::kUnitContext, "unit_dialog.png"},
                        {dlist::listdlg::kDimensionContext, "dimension_dialog.png"},
                        {dlist::listdlg::kMarketContext, "market_dialog.png"},
                        {dlist::listdlg::kSubpriceContext, "subprice_dialog.png"},
                        {dlist::kShowMaterialContext, "material_display.png"},
                        {dlist::kClashContext, "clash_dialog.png"}};
  std::vector<int> shown;
  bool long_texts = false;
  window_->user().set_driver([&](wxDialog& w) {
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr) return unexpected(w);
    if (d->context() == dlist::kShowMaterialContext && !long_texts) {
      // The long texts open over the display (modal dialogs nest) and close again.
      long_texts = true;
      return d->press(dlist::kMatLongTexts);
    }
    if (d->context() == dlist::kLongTextsContext) {
      EXPECT_FALSE(window_->IsEnabled());
      shoot(*d, "long_texts.png");
      return d->press(dlist::kIdReject);
    }
    for (const Shot& s : shots) {
      if (s.context == d->context()) shoot(*d, s.file);
    }
    shown.push_back(d->context());
    d->press(dlist::kIdReject);
  });
  const long length = dlist::cli::find_unit(library(), "m");
  ASSERT_GT(length, 0);
  Unit unit(&library(), 0);
  CrtEditUnit(window_, &unit, length, 5);
  Unit dimension(&library(), 0);
  CrtEditDimension(window_, &dimension, 5);
  Market market(&library(), 0);
  CrtEditMarket(window_, &market, 3);
  Subprice subprice(&library(), 0);
  CrtEditSubprice(window_, &subprice, 3);
  Material brick(&library(), dlist::cli::find_material(library(), "1.1.1"));
  CrtShowMaterial(window_, &brick);
  dlist::ask_clash_choice(window_, "Wall 30", "Wall 30 (2)");
  std::vector<int> expected;
  for (const Shot& s : shots) expected.push_back(s.context);
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(unexpected_.empty());
}

// The attribute link panel beside the main window: its buttons show the bitmaps
// the panel names, the mode button the bitmap of the current link mode.
TEST_F(WindowUserTest, TheLinkPanelsButtonsShowTheirBitmaps) {
  DBATTREFCHAIN chain;
  void* panel = AttributeLink(window_, &chain, 1, 2, nullptr, 600, 300);
  ASSERT_NE(panel, nullptr);
  bool seen = false;
  int left = 0;
  window_->user().set_driver([&](wxDialog& w) {
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr || d->context() != dlist::kAttributeLinkContext) return unexpected(w);
    if (!seen) {
      seen = true;
      for (int id : {dlist::kLinkAdd, dlist::kLinkChange, dlist::kLinkDelete, dlist::kLinkSelMode}) {
        auto* button = dynamic_cast<wxButton*>(d->control(id));
        ASSERT_NE(button, nullptr) << id;
        EXPECT_TRUE(button->GetBitmap().IsOk()) << id;
      }
      left = d->control(dlist::kLinkSplitter)->GetPosition().x;
      d->move_splitter(dlist::kLinkSplitter, 120);  // as the mouse lets go of the bar
      return;
    }
    // The engine moved the splitter, and the window with it.
    const std::optional<dlist::DialogView> view = dlist::view_dialog(panel);
    ASSERT_TRUE(view.has_value());
    for (const dlist::ControlView& c : view->controls) {
      if (c.id == dlist::kLinkSplitter) {
        EXPECT_EQ(c.x, 120);
      }
    }
    EXPECT_LT(d->control(dlist::kLinkSplitter)->GetPosition().x, left);
    shoot(*d, "attribute_link.png");
    dlist::destroy_dialog(panel);
  });
  EXPECT_TRUE(dlist::drive_dialog(panel));
  EXPECT_TRUE(seen);
  EXPECT_EQ(dlist::link_mode_bitmap(), "selmode1");
  EXPECT_TRUE(unexpected_.empty());
}

// The material link panel beside the main window: its link list is painted from
// the panel's draw procedure, and a dragged splitter moves the panes beside it.
TEST_F(WindowUserTest, TheMaterialLinkPanelLaysOutItsPanesAfterTheSplitter) {
  DBMATREFCHAIN chain;
  DBMATREF ref;
  ref.code.put("1.1.1");
  ref.quantity = 12;
  chain.push(ref);
  ref.code.put("2.1.1");
  ref.quantity = DBMATREF::kAutoQuantity;
  chain.push(ref);
  for (const char* name : {"Ground floor", "First floor"}) {
    DBLOCATIONTYPE l;
    l.set_name(name);
    ASSERT_GT(LOCALIZATION().cre_location(0, &l, 1), 0);
  }
  PurgeMaterialsFromMemory();
  void* panel = MaterialLink(window_, &chain, nullptr, 1, 1, nullptr, 640, 420);
  ASSERT_NE(panel, nullptr);
  bool seen = false;
  int links_left = 0;
  window_->user().set_driver([&](wxDialog& w) {
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr || d->context() != kMaterialLinkContext) return unexpected(w);
    if (!seen) {
      seen = true;
      links_left = d->control(kMlLinks)->GetPosition().x;
      d->move_splitter(kMlSplitTree, 200);
      return;
    }
    EXPECT_LT(d->control(kMlLinks)->GetPosition().x, links_left);
    EXPECT_LT(d->control(kMlLocations)->GetPosition().x, links_left);
    shoot(*d, "material_link.png");
    dlist::destroy_dialog(panel);
  });
  EXPECT_TRUE(dlist::drive_dialog(panel));
  EXPECT_TRUE(seen);
  EXPECT_TRUE(unexpected_.empty());
  DestroyMaterialImageList();
}

// Label editing and dragging in a tree of the window: the location manager renames
// the location whose label the person edited and moves the one dragged.
TEST_F(WindowUserTest, LabelsEditedAndItemsDraggedInTheWindowReachTheManager) {
  auto make = [](long parent, const char* name) {
    DBLOCATIONTYPE l;
    l.set_name(name);
    return LOCALIZATION().cre_location(parent, &l, 1);
  };
  const long site = make(0, "Site");
  const long hall = make(site, "Hall");
  const long yard = make(0, "Yard");
  ASSERT_GT(hall, 0);
  ASSERT_GT(yard, 0);
  int step = 0;
  window_->user().set_driver([&](wxDialog& w) {
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr || d->context() != dlist::kLocManagerContext) return unexpected(w);
    switch (step++) {
      case 0:
        d->expand_item(dlist::kLocTree, site);
        return;
      case 1:
        d->edit_label(dlist::kLocTree, hall, "Main hall");
        return;
      case 2:
        d->drag_item(dlist::kLocTree, hall, yard);
        return;
      case 3:
        d->expand_item(dlist::kLocTree, yard);
        return;
      default:
        shoot(*d, "location_manager.png");
        d->press(dlist::kIdReject);
    }
  });
  CrtLocationManager(window_);
  EXPECT_GE(step, 5);
  DBLOCATIONTYPE l;
  long parent = 0;
  ASSERT_EQ(LOCALIZATION().get_id_location(hall, &l, &parent), hall);
  EXPECT_STREQ(l.name, "Main hall");
  EXPECT_EQ(parent, yard);
  EXPECT_TRUE(unexpected_.empty());
}

// The palette manager from the main window's menu: it opens on the demo project's
// trees and closes with Cancel.
TEST_F(WindowUserTest, ThePaletteManagerOpensFromTheMenu) {
  bool seen = false;
  window_->user().set_driver([&](wxDialog& w) {
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr || d->context() != dlist::kManagerContext) return unexpected(w);
    seen = true;
    shoot(*d, "palette_manager.png");
    d->press(dlist::kIdReject);
  });
  EXPECT_EQ(window_->run(entry("&Palette and prototype manager...")), 1);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(unexpected_.empty());
}

// The cost estimate and the attribute search from the main window's menu: each opens
// in its window and is cancelled, and nothing is written.
TEST_F(WindowUserTest, TheCostEstimateAndTheSearchOpenFromTheMenu) {
  std::vector<int> seen;
  window_->user().set_driver([&](wxDialog& w) {
    auto* d = dynamic_cast<DialogWindow*>(&w);
    if (d == nullptr) return unexpected(w);
    seen.push_back(d->context());
    shoot(*d, d->context() == dlist::listspec::kDevisContext ? "cost_estimate.png" : "attribute_search.png");
    d->press(dlist::kIdReject);
  });
  EXPECT_EQ(window_->run(entry("Cost &estimate...")), 0);
  EXPECT_EQ(window_->run(entry("&Find attribute values...")), 1);
  EXPECT_EQ(seen, (std::vector<int>{dlist::listspec::kDevisContext, dlist::listspec::kSearchContext}));
  EXPECT_TRUE(unexpected_.empty());
}

}  // namespace
