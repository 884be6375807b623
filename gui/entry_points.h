// The entry points of the system that the main window offers, in one table:
// each names its menu, its text, what it needs open (the material library, a
// selected material, the project) and how it calls the system. A later subsystem
// adds its entry points here (palette manager, attribute manager, location
// manager, list output) and the main window shows them without other changes.
#pragma once

#include <functional>
#include <string>
#include <vector>

class LISTCONTEXT;

namespace dlist {
class ModelDatabase;
}

namespace dlist::gui {

// What an entry point works on.
struct Workspace {
  ModelDatabase* project = nullptr;  // null when no project is open
  LISTCONTEXT* library = nullptr;    // null when no material library is open
  long material = 0;                 // the material selected in the tree, 0 for none
  void* window = nullptr;            // the window the system's calls take as parent
};

enum class Needs { kLibrary, kMaterial, kProject, kProjectAndLibrary };
// Where the changes of an entry point go: one transaction of that store around
// the whole call, committed when the call ends unless the main window is closing.
enum class Changes { kNothing, kLibrary, kProject };

struct EntryPoint {
  std::string menu;   // "&Materials", "&Library", "E&xchange"
  std::string title;  // the menu text
  Needs needs = Needs::kLibrary;
  Changes changes = Changes::kNothing;
  // Calls the system; its result (non-zero: done).
  std::function<int(Workspace&)> run;
  std::string icon;  // of the tool bar; empty for none
};

const std::vector<EntryPoint>& entry_points();

}  // namespace dlist::gui
