// The command's argument parsing: the global options and every subcommand family
// registered on one CLI11 application, and the exit status of a run.
#include <CLI/CLI.hpp>
#include <exception>
#include <ostream>

#include "cli/commands.h"
#include "cli/manager_commands.h"
#include "foundation/code_page.h"

namespace dlist::cli {

int run_dlist(int argc, const char* const* argv, Console& console) {
  CLI::App app{"dlist: presets, material library and exchange files of a building model"};
  app.require_subcommand(1);
  // The global options may follow the subcommand; subcommands added later inherit this.
  app.fallthrough();
  Context context(console);
  // --code-page sets another for this run only.
  TextCodePageScope code_page(CodePage::windows_1252());
  add_global_options(app, context);
  add_init_command(app, context);
  add_tree_commands(app, context);
  add_manager_commands(app, context);
  add_exchange_commands(app, context);
  add_dump_command(app, context);
  add_material_commands(app, context);
  add_attribute_commands(app, context);
  add_attribute_edit_commands(app, context);
  add_surface_commands(app, context);
  add_attribute_exchange_commands(app, context);
  add_attribute_manager_commands(app, context);
  add_prototype_attribute_commands(app, context);
  add_location_commands(app, context);
  add_material_link_commands(app, context);
  add_demo_command(app, context);
  add_clipboard_commands(app, context);
  add_list_commands(app, context);
  add_model_commands(app, context);
  add_list_generate_command(app, context);
  add_estimate_command(app, context);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // CLI11 answers 0 for --help; wrong usage is status 2.
    const int rc = app.exit(e, console.out, console.err);
    return rc == 0 ? 0 : 2;
  } catch (const std::exception& e) {
    console.err << "dlist: " << e.what() << "\n";
    return 1;
  }
  return context.status;
}

}  // namespace dlist::cli
