// Runs the command line in-process, as the tests of the commands do.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace dlist::testing {

// Runs `dlist args...`: input is what the user types at the prompts, terminal
// whether the console is one. The status; what it wrote replaces out and err.
inline int run_command_line(const std::vector<std::string>& args, std::ostringstream& out,
                            std::ostringstream& err, bool terminal = false,
                            const std::string& input = "") {
  std::vector<const char*> argv{"dlist"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::istringstream in(input);
  out.str("");
  err.str("");
  cli::Console console{in, out, err, terminal};
  return cli::run_dlist(static_cast<int>(argv.size()), argv.data(), console);
}

}  // namespace dlist::testing
