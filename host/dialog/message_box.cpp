// Message boxes answered by the active user, checked against the box's buttons
// and recorded.
#include "host/dialog/message_box.h"

#include <vector>

#include "host/dialog/engine_internal.h"

namespace dlist {

namespace {

// The buttons of a box and the answer given when the user has none that fits.
struct Buttons {
  std::vector<int> ids;
  int fallback;
};

Buttons buttons_of(unsigned flags) {
  switch (flags & kMbTypeMask) {
    case kMbOkCancel:
      return {{kIdOk, kIdCancel}, kIdCancel};
    case kMbYesNoCancel:
      return {{kIdYes, kIdNo, kIdCancel}, kIdCancel};
    case kMbYesNo:
      return {{kIdYes, kIdNo}, kIdNo};
    default:
      return {{kIdOk}, kIdOk};
  }
}

}  // namespace

int message_box(void* parent, const char* text, const char* caption, unsigned flags) {
  (void)parent;
  auto& e = dialog_internal::engine();
  MessageBoxRequest request;
  request.context = e.context_now();
  request.text = text != nullptr ? text : "";
  request.caption = caption != nullptr ? caption : "";
  request.flags = flags;
  const std::optional<int> answer = active_dialog_user().answer_message_box(request);
  const Buttons buttons = buttons_of(flags);
  MessageBoxRecord record;
  record.context = request.context;
  record.text = request.text;
  record.caption = request.caption;
  record.flags = flags;
  bool fits = false;
  for (int id : buttons.ids) fits = fits || (answer && *answer == id);
  record.answer = fits ? *answer : buttons.fallback;
  record.defaulted = !fits;
  e.log.message_boxes.push_back(record);
  return record.answer;
}

}  // namespace dlist

#if !defined(_WIN32)
int MessageBoxA(void* parent, const char* text, const char* caption, unsigned flags) {
  return dlist::message_box(parent, text, caption, flags);
}
#endif
