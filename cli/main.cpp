// The `dlist` command: a front end over the functions the system exports to its
// host. The subcommands live in the other files of this folder (one family a
// file); this file only hands them the process's streams.
#include <iostream>

#if defined(_WIN32)
#include <io.h>
#define DLIST_ISATTY _isatty
#else
#include <unistd.h>

#include <csignal>
#define DLIST_ISATTY isatty
#endif

#include "cli/commands.h"

int main(int argc, char** argv) {
#if !defined(_WIN32)
  // Beyond a file-size limit a write fails (EFBIG) and the command says so, instead
  // of the process being killed half-way through a file.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  dlist::cli::Console console{std::cin, std::cout, std::cerr, DLIST_ISATTY(0) != 0,
                                DLIST_ISATTY(2) != 0};
  return dlist::cli::run_dlist(argc, argv, console);
}
