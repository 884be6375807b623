// The framework's file choosers: the request goes to the active user; the answer
// is copied into the caller's buffers only when it fits them whole.
#include "host/dialog/file_chooser.h"

#include <cstring>
#include <string>

#include "foundation/fixed_text.h"
#include "host/dialog/engine_internal.h"

namespace {

using dlist::FileChooser;

struct Call {
  FileChooser chooser;
  void* parent;
  const char* filter;
  char* path;
  unsigned size;
  const char* title;
  int setting;
  char* description;
  unsigned description_size;
};

int choose(const Call& call) {
  auto& e = dlist::dialog_internal::engine();
  dlist::FileChooserRecord record;
  record.context = e.context_now();
  record.chooser = dlist::chooser_name(call.chooser);
  record.title = call.title != nullptr ? call.title : "";
  record.filter = call.filter != nullptr ? call.filter : "";
  record.setting = call.setting;
  if (call.path == nullptr || call.size == 0) {
    record.note = "no path buffer";
    e.log.file_choosers.push_back(record);
    return 0;
  }
  record.initial = dlist::field_string(call.path, call.size);

  dlist::FileRequest request;
  request.context = record.context;
  request.chooser = call.chooser;
  request.title = record.title;
  request.filter = record.filter;
  request.initial = record.initial;
  request.setting = call.setting;
  request.wants_description = call.chooser == FileChooser::kExportFile;
  const std::optional<dlist::FileAnswer> answer = dlist::active_dialog_user().choose_file(request);

  if (!answer) {
    record.note = "the user had no answer; cancelled";
  } else if (!answer->chosen || answer->path.empty()) {
    record.note = "cancelled";
  } else if (answer->path.size() + 1 > call.size) {
    record.note = "the path does not fit the buffer of " + std::to_string(call.size) + " bytes";
  } else if (call.description != nullptr &&
             answer->description.size() + 1 > call.description_size) {
    record.note = "the description does not fit the buffer of " +
                  std::to_string(call.description_size) + " bytes";
  } else {
    std::memcpy(call.path, answer->path.c_str(), answer->path.size() + 1);
    if (call.description != nullptr) {
      std::memcpy(call.description, answer->description.c_str(), answer->description.size() + 1);
    }
    record.path = answer->path;
    record.result = 1;
  }
  e.log.file_choosers.push_back(record);
  return record.result;
}

}  // namespace

int SelectFileR(void* parent, const char* filter, char* path, unsigned size, const char* title) {
  return choose({FileChooser::kSelectFileR, parent, filter, path, size, title, 0, nullptr, 0});
}

int SelectImportFileR(void* parent, const char* filter, char* path, unsigned size, int setting,
                      const char* title) {
  return choose(
      {FileChooser::kSelectImportFileR, parent, filter, path, size, title, setting, nullptr, 0});
}

int SaveFile(void* parent, const char* filter, char* path, unsigned size, const char* title) {
  return choose({FileChooser::kSaveFile, parent, filter, path, size, title, 0, nullptr, 0});
}

int SaveFileR(void* parent, const char* filter, char* path, unsigned size, const char* title) {
  return choose({FileChooser::kSaveFileR, parent, filter, path, size, title, 0, nullptr, 0});
}

int ExportFile(void* parent, const char* filter, char* path, unsigned size, const char* title,
               char* description, unsigned description_size) {
  if (description != nullptr && description_size == 0) description = nullptr;
  return choose({FileChooser::kExportFile, parent, filter, path, size, title, 0, description,
                 description_size});
}

int SurePathDialog(void* parent, char* path, unsigned size, const char* filter, const char* title) {
  return choose({FileChooser::kSurePath, parent, filter, path, size, title, 0, nullptr, 0});
}
