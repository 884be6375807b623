// The window that the system's questions are asked over from the command line.
#pragma once

namespace dlist::cli {

// The console has no window of its own, and a null window would mean "do not ask":
// every command passes this one, the same for the whole run.
void* console_window();

}  // namespace dlist::cli
