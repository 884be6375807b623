#include "gui/main_window.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/imaglist.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/treectrl.h>

#include <exception>
#include <map>
#include <optional>
#include <vector>

#include "cli/demo_materials.h"
#include "cli/material_library_file.h"
#include "cli/project.h"
#include "foundation/fixed_text.h"
#include "gui/images.h"
#include "gui/text.h"
#include "gui/window_user.h"
#include "host/database_task.h"
#include "host/dialog/dialog_user.h"
#include "host/dialog/notify_codes.h"
#include "host/list/list_context.h"
#include "host/model/model_database.h"
#include "host/progress.h"

namespace dlist::gui {

namespace {

constexpr int kFirstEntry = wxID_HIGHEST + 100;
constexpr int kOpenProject = wxID_HIGHEST + 1;
constexpr int kOpenLibrary = wxID_HIGHEST + 2;
constexpr int kIconMaterial = 0;
constexpr int kIconFolder = 1;

// The tree item of a material carries its identifier.
class MaterialData : public wxTreeItemData {
 public:
  explicit MaterialData(long id) : id(id) {}
  long id;
};

}  // namespace

struct MainWindow::Session {
  std::unique_ptr<ModelDatabase> project;
  std::unique_ptr<ActiveModel> active_project;
  std::unique_ptr<LISTCONTEXT> library;
  std::unique_ptr<ActiveLibrary> active_library;
  std::string project_path;
  std::string library_path;
  std::unique_ptr<DialogUserScope> user_scope;
  std::unique_ptr<ProgressSinkScope> progress_scope;

  void close_library() {
    active_library.reset();
    library.reset();
    library_path.clear();
  }
  void close_project() {
    active_project.reset();
    project.reset();
    project_path.clear();
  }
};

MainWindow::MainWindow()
    : wxFrame(nullptr, wxID_ANY, "dlist", wxDefaultPosition, wxSize(720, 560)),
      session_(std::make_unique<Session>()),
      user_(std::make_unique<WindowUser>(this)) {
  SetName("main");
  session_->user_scope = std::make_unique<DialogUserScope>(*user_);
  session_->progress_scope = std::make_unique<ProgressSinkScope>(user_.get());
  tree_ = new wxTreeCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                         wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxTR_SINGLE);
  images_ = image_list({"material", "folder"});
  tree_->SetImageList(images_.get());
  tree_->Bind(wxEVT_TREE_ITEM_ACTIVATED, [this](wxTreeEvent&) {
    for (size_t i = 0; i < entry_points().size(); ++i) {
      if (entry_points()[i].needs == Needs::kMaterial) {
        run(i);  // the first material entry: editing
        return;
      }
    }
  });
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(tree_, 1, wxEXPAND);
  SetSizer(sizer);
  CreateStatusBar();
  build_menus();
  Bind(wxEVT_CLOSE_WINDOW, &MainWindow::on_close, this);
  update_title();
}

MainWindow::~MainWindow() {
  user_->quit();
  session_->progress_scope.reset();
  session_->user_scope.reset();
  session_->close_library();
  session_->close_project();
}

LISTCONTEXT* MainWindow::library() const {
  return session_->library.get();
}

ModelDatabase* MainWindow::project() const {
  return session_->project.get();
}

void MainWindow::build_menus() {
  auto* bar = new wxMenuBar;
  auto* file = new wxMenu;
  file->Append(kOpenProject, "Open &project...");
  file->Append(kOpenLibrary, "Open material &library...");
  file->AppendSeparator();
  file->Append(wxID_EXIT, "&Quit\tCtrl+Q");
  bar->Append(file, "&File");
  std::map<std::string, wxMenu*> menus;
  std::vector<std::string> order;
  const auto& table = entry_points();
  for (size_t i = 0; i < table.size(); ++i) {
    const EntryPoint& e = table[i];
    wxMenu*& menu = menus[e.menu];
    if (menu == nullptr) {
      menu = new wxMenu;
      order.push_back(e.menu);
    }
    auto* item =
        new wxMenuItem(menu, kFirstEntry + static_cast<int>(i), wxString::FromUTF8(e.title));
    if (!e.icon.empty() && has_icon(e.icon)) item->SetBitmap(icon(e.icon));
    menu->Append(item);
  }
  for (const std::string& name : order) bar->Append(menus[name], wxString::FromUTF8(name));
  SetMenuBar(bar);
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { on_open_project(); }, kOpenProject);
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { on_open_library(); }, kOpenLibrary);
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, wxID_EXIT);
  Bind(
      wxEVT_MENU, [this](wxCommandEvent& e) { run(static_cast<size_t>(e.GetId() - kFirstEntry)); },
      kFirstEntry, kFirstEntry + static_cast<int>(table.size()) - 1);
}

void MainWindow::report(const std::string& text) {
  user_->ask(text, kMbOk | kMbIconExclamation);
}

void MainWindow::update_title() {
  wxString title = "dlist";
  if (!session_->library_path.empty()) title += " - " + wxString::FromUTF8(session_->library_path);
  SetTitle(title);
  SetStatusText(session_->project_path.empty()
                    ? wxString("No project open")
                    : "Project: " + wxString::FromUTF8(session_->project_path));
}

bool MainWindow::open_project(const std::string& path) {
  auto project = std::make_unique<ModelDatabase>();
  std::string error;
  if (!cli::open_project(*project, path, true, &error)) {
    report(error);
    return false;
  }
  project->connection().clear_failure();
  session_->close_project();
  session_->project = std::move(project);
  session_->active_project = std::make_unique<ActiveModel>(*session_->project);
  session_->project_path = path;
  update_title();
  return true;
}

bool MainWindow::open_library(const std::string& path) {
  auto library = std::make_unique<LISTCONTEXT>();
  std::string error;
  if (!cli::open_library(*library, path, true, &error)) {
    report(error);
    return false;
  }
  library->connection().clear_failure();
  session_->close_library();
  session_->library = std::move(library);
  session_->active_library = std::make_unique<ActiveLibrary>(*session_->library);
  session_->library_path = path;
  update_title();
  refresh();
  return true;
}

bool MainWindow::fill_demo() {
  LISTCONTEXT* l = library();
  if (l == nullptr) return false;
  if (l->rewind_material(0) > 0) return true;  // only an empty library is filled
  std::string error;
  bool done = false;
  {
    cli::LibraryTransaction change(*l);
    done = change && cli::fill_demo_library(*l, &error).has_value() && change.commit();
  }
  if (!done) report("The demonstration library could not be made: " + error);
  refresh();
  return done;
}

void MainWindow::refresh() {
  const long selected = selected_material();
  tree_->DeleteAllItems();
  const wxTreeItemId root = tree_->AddRoot("");
  LISTCONTEXT* l = library();
  if (l == nullptr) return;
  // Breadth by breadth: the children of each material below its item.
  std::vector<std::pair<long, wxTreeItemId>> pending{{0L, root}};
  wxTreeItemId chosen;
  for (size_t i = 0; i < pending.size() && i < 100000; ++i) {
    const auto [parent, item] = pending[i];
    if (l->rewind_material(parent) < 0) continue;
    std::vector<std::pair<long, dbmaterial>> children;
    dbmaterial rec{};
    for (long id; (id = l->get(rec, nullptr)) >= 1; rec = dbmaterial{})
      children.emplace_back(id, rec);
    for (const auto& [id, r] : children) {
      const std::string text = field_string(r.id) + "  " + field_string(r.name);
      const wxTreeItemId child =
          tree_->AppendItem(item, shown(text), kIconMaterial, kIconMaterial, new MaterialData(id));
      pending.emplace_back(id, child);
      if (id == selected) chosen = child;
    }
    if (parent != 0 && !children.empty()) {
      tree_->SetItemImage(item, kIconFolder);
    }
  }
  // The top level open, so that the library's parts show.
  wxTreeItemIdValue cookie;
  for (wxTreeItemId c = tree_->GetFirstChild(root, cookie); c.IsOk();
       c = tree_->GetNextChild(root, cookie)) {
    if (tree_->ItemHasChildren(c)) tree_->Expand(c);
  }
  if (chosen.IsOk()) {
    tree_->SelectItem(chosen);
    tree_->EnsureVisible(chosen);
  }
}

void MainWindow::select_material(long id) {
  std::vector<wxTreeItemId> pending{tree_->GetRootItem()};
  for (size_t i = 0; i < pending.size(); ++i) {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId c = tree_->GetFirstChild(pending[i], cookie); c.IsOk();
         c = tree_->GetNextChild(pending[i], cookie)) {
      auto* data = static_cast<MaterialData*>(tree_->GetItemData(c));
      if (data != nullptr && data->id == id) {
        tree_->SelectItem(c);
        tree_->EnsureVisible(c);
        return;
      }
      pending.push_back(c);
    }
  }
  tree_->UnselectAll();
}

long MainWindow::selected_material() const {
  const wxTreeItemId item = tree_->GetSelection();
  if (!item.IsOk()) return 0;
  auto* data = static_cast<MaterialData*>(tree_->GetItemData(item));
  return data != nullptr ? data->id : 0;
}

int MainWindow::run(size_t index) {
  const auto& table = entry_points();
  if (index >= table.size() || busy_ || user_->quitting()) return 0;
  const EntryPoint& e = table[index];
  Workspace w;
  w.project = project();
  w.library = library();
  w.material = selected_material();
  w.window = static_cast<wxWindow*>(this);
  const bool needs_project = e.needs == Needs::kProject || e.needs == Needs::kProjectAndLibrary;
  if (needs_project && w.project == nullptr) {
    report("Open a project first (File menu).");
    return 0;
  }
  if (e.needs != Needs::kProject && w.library == nullptr) {
    report("Open a material library first (File menu).");
    return 0;
  }
  if (e.needs == Needs::kMaterial && w.material == 0) {
    report("Select a material in the tree first.");
    return 0;
  }
  busy_ = true;
  int result = 0;
  try {
    // One transaction around the whole call: closing the window while it runs
    // rolls back what it wrote so far.
    std::optional<cli::LibraryTransaction> library_change;
    std::optional<cli::Transaction> project_change;
    TaskTransaction* change = nullptr;
    if (e.changes == Changes::kLibrary) change = &library_change.emplace(*w.library);
    if (e.changes == Changes::kProject) change = &project_change.emplace(*w.project);
    if (change != nullptr && !*change) {
      report("The file cannot be changed now (it may be in use or read-only).");
    } else {
      user_->take_stopped();
      result = e.run(w);
      // Stopped with the progress window's Cancel: the transaction rolls back when
      // its scope ends, and the person, who asked for it, is not told again.
      const bool stopped = user_->take_stopped();
      if (change != nullptr && !user_->quitting() && !stopped && !change->commit()) {
        report("The changes could not be saved.");
      }
    }
  } catch (const std::exception& failure) {
    report(std::string("The operation failed: ") + failure.what());
  }
  busy_ = false;
  if (close_after_run_) {
    CallAfter([this] { Close(true); });
    return result;
  }
  refresh();
  SetStatusText(wxString::FromUTF8(e.title).BeforeFirst('.') +
                (result != 0 ? ": done" : ": not done"));
  return result;
}

void MainWindow::on_close(wxCloseEvent& event) {
  if ((busy_ || user_->open_windows() > 0) && event.CanVeto() && !close_after_run_) {
    if (user_->ask("A dialog is still open. Close dlist anyway? The open dialogs are "
                   "cancelled and what the running operation changed is not kept.",
                   kMbYesNo | kMbIconQuestion) != kIdYes) {
      event.Veto();
      return;
    }
    close_after_run_ = true;
    user_->quit();
    event.Veto();  // closed once the running operation has returned
    return;
  }
  if (busy_) {
    close_after_run_ = true;
    user_->quit();
    event.Veto();
    return;
  }
  Destroy();
}

void MainWindow::on_open_project() {
  wxFileDialog chooser(this, "Open or create a project", wxEmptyString, "project.dlist",
                       "Projects|*.dlist|All files|*", wxFD_OPEN);
  if (chooser.ShowModal() == wxID_OK) open_project(utf8(chooser.GetPath()));
}

void MainWindow::on_open_library() {
  wxFileDialog chooser(this, "Open or create a material library", wxEmptyString, "materials.dlist",
                       "Material libraries|*.dlist|All files|*", wxFD_OPEN);
  if (chooser.ShowModal() == wxID_OK) open_library(utf8(chooser.GetPath()));
}

}  // namespace dlist::gui
