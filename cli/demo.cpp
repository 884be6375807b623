// `dlist demo [DIR]`: the main job of the command, run on an embedded default
// project. It works in DIR, a new temporary folder when none is given.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/commands.h"

namespace dlist::cli {

void add_demo_command(CLI::App& app, Context& context) {
  auto* cmd = app.add_subcommand("demo", "Run the demonstration on a default project");
  auto dir = std::make_shared<std::string>();
  cmd->add_option("DIR", *dir, "Folder to work in (default: a new temporary folder)");
  cmd->callback([&context, dir] {
    std::printf("dlist demo: nothing to show yet\n");
    context.status = 0;
  });
}

}  // namespace dlist::cli
