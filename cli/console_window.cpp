// The window of the command line's questions (console_window.h).
#include "cli/console_window.h"

namespace dlist::cli {

void* console_window() {
  static char window;
  return &window;
}

}  // namespace dlist::cli
