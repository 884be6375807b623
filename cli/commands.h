// Registration of the `dlist` subcommands. Each command's callback stores its
// exit status in the shared context: 0 success, 1 a refused file or a failed
// operation (with one line on stderr), 2 wrong usage.
#pragma once

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace dlist::cli {

// The streams of one run of the command; `terminal` tells whether `in` is a
// terminal that questions may be asked on.
struct Console {
  std::istream& in;
  std::ostream& out;  // results
  std::ostream& err;  // refusals, failures, reports, message boxes and questions
  bool terminal = false;
  bool err_terminal = false;  // `err` is a terminal: the progress bar may be drawn
};

// The options that every command takes.
struct GlobalOptions {
  std::string project;    // the project file; empty: ./project.dlist
  std::string materials;  // the material library file; empty: ./materials.dlist
  std::string surfaces;   // the surface library file; empty: ./surfaces.dlist
  bool yes = false;       // answer every question Yes
  bool no = false;        // answer every question No
  double wait = 5;        // seconds to wait for a file that another process is changing
  bool quiet = false;     // no confirmations on stdout
  std::string code_page;  // of the stored texts; empty: windows-1252 (foundation/code_page.h)
};

struct Context {
  explicit Context(Console& console) : console(console) {}

  Console& console;
  GlobalOptions options;
  int status = 0;
};

// Parses the arguments and runs the command they name; the exit status.
int run_dlist(int argc, const char* const* argv, Console& console);

void add_global_options(CLI::App& app, Context& context);
void add_init_command(CLI::App& app, Context& context);
// `dlist palettes ...` and `dlist prototypes ...`.
void add_tree_commands(CLI::App& app, Context& context);
// `export` and `import` in both tree families; after add_tree_commands.
void add_exchange_commands(CLI::App& app, Context& context);
// `dlist dump FILE [--json]`.
void add_dump_command(CLI::App& app, Context& context);
// `dlist materials ...` and the global option --materials.
void add_material_commands(CLI::App& app, Context& context);
// `dlist attributes tree` and `dlist attributes new-group`.
void add_attribute_commands(CLI::App& app, Context& context);
// The `attributes` subcommand of app, created (requiring one subcommand) when it is
// not there yet, so that each part of the family registers on the same one.
CLI::App* attributes_subcommand(CLI::App& app);
// `dlist attributes new`: an attribute filled into the attribute editor.
void add_attribute_edit_commands(CLI::App& app, Context& context);
// `dlist surfaces ...` and the global option --surfaces.
void add_surface_commands(CLI::App& app, Context& context);
// `dlist attributes export` and `dlist attributes import`.
void add_attribute_exchange_commands(CLI::App& app, Context& context);
// `dlist attributes rename`, `remove` and `move`: the attribute manager's procedures.
void add_attribute_manager_commands(CLI::App& app, Context& context);
// `dlist locations ...`.
void add_location_commands(CLI::App& app, Context& context);
// `dlist prototypes materials|link-material|unlink-material` and `dlist material-groups`;
// after add_tree_commands.
void add_material_link_commands(CLI::App& app, Context& context);
void add_demo_command(CLI::App& app, Context& context);
// `dlist prototypes attributes|link-attribute|unlink-attribute|check`; after
// add_tree_commands.
void add_prototype_attribute_commands(CLI::App& app, Context& context);
// `dlist clipboard show` and `dlist clipboard clear`.
void add_clipboard_commands(CLI::App& app, Context& context);
// `dlist lists ...`: sets of list definitions.
void add_list_commands(CLI::App& app, Context& context);
// `dlist model import|show|find`: the placed elements of the model.
void add_model_commands(CLI::App& app, Context& context);
// `dlist lists generate`: lists from a set of list definitions; after add_list_commands.
void add_list_generate_command(CLI::App& app, Context& context);
// `dlist estimate`: the cost-estimate file of layout sheets of the model.
void add_estimate_command(CLI::App& app, Context& context);

}  // namespace dlist::cli
