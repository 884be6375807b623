// The `dlist` command: a front end over the functions the system exports to its
// host. Each subcommand lives in its own file and registers itself here.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"dlist: presets, material library and exchange files of a building model"};
  app.require_subcommand(1);
  dlist::cli::Context context;
  dlist::cli::add_demo_command(app, context);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // CLI11 answers 0 for --help; wrong usage is status 2.
    int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  return context.status;
}
