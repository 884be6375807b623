// The one way every dialog of the system runs: the runner makes the dialog's
// module state the current one, reserves the framework's temporary buffers, lets
// the dialog describe itself and runs it modally; on every way out it purges the
// buffers, destroys the image lists the dialog made and restores the state that
// was current before, so a dialog of the same kind may open from inside another.
#pragma once

#include <optional>
#include <vector>

#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/report.h"

namespace dlist {

inline constexpr int kBuffersPerDialog = 8;

// Makes slot point at state for a scope, then restores what it held: the
// callbacks of a dialog find the state of the call that runs it.
template <typename T>
class StateScope {
 public:
  StateScope(T*& slot, T* state) : slot_(slot), previous_(slot) { slot_ = state; }
  ~StateScope() { slot_ = previous_; }
  StateScope(const StateScope&) = delete;
  StateScope& operator=(const StateScope&) = delete;

 private:
  T*& slot_;
  T* previous_;
};

// The framework's temporary buffers for one dialog, released on every way out.
class DialogBuffers {
 public:
  explicit DialogBuffers(int count) : held_(AllocTmpBuffers(count) != 0) {}
  ~DialogBuffers() {
    if (held_) PurgeTmpBuffers();
  }
  DialogBuffers(const DialogBuffers&) = delete;
  DialogBuffers& operator=(const DialogBuffers&) = delete;
  explicit operator bool() const { return held_; }

 private:
  bool held_;
};

// The image lists of one run of a dialog: made by its callbacks through create(),
// destroyed by the runner when the run ends.
class DialogImages {
 public:
  DialogImages() = default;
  ~DialogImages() { purge(); }
  DialogImages(const DialogImages&) = delete;
  DialogImages& operator=(const DialogImages&) = delete;

  // A new image list of cx x cy images; null when it cannot be made.
  void* create(int cx, int cy) {
    void* list = image_list_create(cx, cy);
    if (list != nullptr) lists_.push_back(list);
    return list;
  }
  void purge() {
    for (void* list : lists_) image_list_destroy(list);
    lists_.clear();
  }

 private:
  std::vector<void*> lists_;
};

// How a dialog runs: its parent window, its context identifier, the source unit
// that reports a dialog that cannot start (SpecBeep), the number of buffers it
// binds, and the image lists to destroy when it ends (none when null).
struct DialogRun {
  void* window = nullptr;
  int context = 0;
  const char* unit = "";
  int buffers = kBuffersPerDialog;
  DialogImages* images = nullptr;
};

namespace dialog_runner {

// Destroys the image lists of a run when it ends.
class ImagesPurge {
 public:
  explicit ImagesPurge(DialogImages* images) : images_(images) {}
  ~ImagesPurge() {
    if (images_ != nullptr) images_->purge();
  }
  ImagesPurge(const ImagesPurge&) = delete;
  ImagesPurge& operator=(const ImagesPurge&) = delete;

 private:
  DialogImages* images_;
};

template <typename Build>
std::optional<int> run(const DialogRun& how, Build& build, int line) {
  ImagesPurge images(how.images);
  DialogBuffers buffers(how.buffers);
  if (!buffers || !build()) {
    SpecBeep(0, how.unit, line);
    return std::nullopt;
  }
  return RunModalDialog(how.window, 0, how.context, 0);
}

}  // namespace dialog_runner

// Runs a dialog with state as its module state (slot): build describes the dialog
// (false when a building call failed). The dialog's result; nothing, reported
// with the caller's line, when the buffers cannot be had or a building call fails.
template <typename T, typename Build>
std::optional<int> run_dialog(const DialogRun& how, T*& slot, T* state, Build build,
                              int line = __builtin_LINE()) {
  StateScope<T> scope(slot, state);
  return dialog_runner::run(how, build, line);
}

// The same for a dialog without module state of its own.
template <typename Build>
std::optional<int> run_dialog(const DialogRun& how, Build build,
                              int line = __builtin_LINE()) {
  return dialog_runner::run(how, build, line);
}

}  // namespace dlist
