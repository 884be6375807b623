// Registration of the `dlist` subcommands. Each command's callback stores its
// exit status in the shared context: 0 success, 1 a refused file or a failed
// operation (with one line on stderr), 2 wrong usage.
#pragma once

namespace CLI {
class App;
}

namespace dlist::cli {

struct Context {
  int status = 0;
};

void add_demo_command(CLI::App& app, Context& context);

}  // namespace dlist::cli
