// dlist-gui: the desktop front end. Opens the project and the material library
// named on the command line (or the default files of the working folder) and
// shows the main window; with --demo an empty library is filled with the
// demonstration's materials.
#include <wx/app.h>
#include <wx/image.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "cli/material_library_file.h"
#include "cli/project.h"
#include "gui/main_window.h"
#include "gui/text.h"

namespace {

const char kUsage[] =
    "usage: dlist-gui [--project FILE] [--materials FILE] [--demo]\n"
    "  --project FILE    the project (default: ./project.dlist, created when missing)\n"
    "  --materials FILE  the material library (default: ./materials.dlist)\n"
    "  --demo            fill an empty material library with the demonstration's materials\n";

class App : public wxApp {
 public:
  bool OnInit() override {
    std::string project = dlist::cli::kDefaultProject;
    std::string materials = dlist::cli::kDefaultMaterials;
    bool demo = false;
    for (int i = 1; i < argc; ++i) {
      const std::string arg = dlist::gui::utf8(argv[i]);
      if ((arg == "--project" || arg == "--materials") && i + 1 < argc) {
        (arg == "--project" ? project : materials) = dlist::gui::utf8(argv[++i]);
      } else if (arg == "--demo") {
        demo = true;
      } else {
        std::fprintf(stderr, "dlist-gui: unknown argument %s\n%s", arg.c_str(), kUsage);
        return false;
      }
    }
    wxInitAllImageHandlers();
    auto* window = new dlist::gui::MainWindow();
    window->Show();
    window->open_project(project);
    if (window->open_library(materials) && demo && window->library() != nullptr) {
      window->fill_demo();
    }
    return true;
  }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(App);

int main(int argc, char** argv) {
  // The usage needs no display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  return wxEntry(argc, argv);
}
