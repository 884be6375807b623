// The main window of dlist-gui, standing in for the suite's main program: it
// opens a project and a material library, shows the material tree and offers the
// system's entry points (entry_points.h) in its menus. The dialogs they open run
// under the window user, in real windows over this one.
#pragma once

#include <wx/frame.h>

#include <memory>
#include <string>

#include "gui/entry_points.h"

class wxTreeCtrl;
class wxTreeEvent;
class wxImageList;

namespace dlist::gui {

class WindowUser;

class MainWindow : public wxFrame {
 public:
  MainWindow();
  ~MainWindow() override;

  // Opens the files (creating a missing one); false with a message box on failure.
  bool open_project(const std::string& path);
  bool open_library(const std::string& path);
  // Fills the open library with the demonstration's materials; false on failure.
  bool fill_demo();

  // Runs entry point index of the table as its menu command does; the system's result
  // (0 also when it cannot run now).
  int run(size_t index);
  // Selects the material in the tree (0: none), as a click would.
  void select_material(long id);
  long selected_material() const;
  // Reads the material tree again from the library.
  void refresh();

  WindowUser& user() { return *user_; }
  LISTCONTEXT* library() const;
  ModelDatabase* project() const;
  // Whether an entry point runs now.
  bool busy() const { return busy_; }

 private:
  struct Session;

  void build_menus();
  void report(const std::string& text);
  void update_title();
  void on_close(wxCloseEvent& event);
  void on_open_project();
  void on_open_library();

  std::unique_ptr<Session> session_;
  std::unique_ptr<WindowUser> user_;
  wxTreeCtrl* tree_ = nullptr;
  std::unique_ptr<wxImageList> images_;
  bool busy_ = false;
  bool close_after_run_ = false;
};

}  // namespace dlist::gui
