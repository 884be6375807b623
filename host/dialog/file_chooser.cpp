// The framework's file choosers: the request goes to the active user; the answer
// is copied into the caller's buffers only when it fits them whole.
#include "host/dialog/file_chooser.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

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

int OpenFileTemplate(void* parent, const char* filter, char* path, unsigned size,
                     const char* title, dlist::OpenFileExtras* extras) {
  (void)parent;
  auto& e = dlist::dialog_internal::engine();
  dlist::FileChooserRecord record;
  record.context = e.context_now();
  record.chooser = dlist::chooser_name(dlist::FileChooser::kOpenFileTemplate);
  record.title = title != nullptr ? title : "";
  record.filter = filter != nullptr ? filter : "";
  record.template_id = extras != nullptr ? extras->template_id : 0;
  if (path == nullptr || size == 0 || extras == nullptr) {
    record.note = "no path buffer or no template";
    e.log.file_choosers.push_back(record);
    return 0;
  }
  record.initial = dlist::field_string(path, size);

  dlist::FileRequest request;
  request.context = record.context;
  request.chooser = dlist::FileChooser::kOpenFileTemplate;
  request.title = record.title;
  request.filter = record.filter;
  request.initial = record.initial;
  request.template_id = extras->template_id;
  if (extras->name != nullptr && extras->name_size > 0)
    request.name = dlist::field_string(extras->name, extras->name_size);
  request.check = extras->check;
  request.rows = extras->rows;
  dlist::DialogUser& user = dlist::active_dialog_user();
  const std::optional<dlist::FileAnswer> answer = user.choose_file(request);
  std::optional<dlist::FileExtrasAnswer> more;
  if (answer && answer->chosen) more = user.file_extras(request);

  std::string chosen_path = answer ? answer->path : std::string();
  const int row = more ? more->row : -1;
  const bool row_chosen = extras->template_id == dlist::kTemplateLinkReference && row >= 0 &&
                          static_cast<std::size_t>(row) < extras->rows.size();
  if (row_chosen && chosen_path.empty()) chosen_path = extras->rows[static_cast<std::size_t>(row)].second;
  const std::string name = more && more->name ? *more->name : request.name;
  std::error_code ec;
  if (!answer) {
    record.note = "the user had no answer; cancelled";
  } else if (!answer->chosen || chosen_path.empty()) {
    record.note = "cancelled";
  } else if (more && more->row >= 0 && !row_chosen) {
    record.note = "the list has no row " + std::to_string(more->row);
  } else if (chosen_path.size() + 1 > size) {
    record.note = "the path does not fit the buffer of " + std::to_string(size) + " bytes";
  } else if (!row_chosen && !std::filesystem::is_regular_file(chosen_path, ec)) {
    record.note = "no file " + chosen_path;
  } else if (extras->template_id == dlist::kTemplateAddReference &&
             (extras->name == nullptr || name.size() + 1 > extras->name_size)) {
    record.note = "the name does not fit the buffer of " + std::to_string(extras->name_size) +
                  " bytes";
  } else {
    std::memcpy(path, chosen_path.c_str(), chosen_path.size() + 1);
    if (extras->template_id == dlist::kTemplateAddReference)
      std::memcpy(extras->name, name.c_str(), name.size() + 1);
    if (more && more->check) extras->check = *more->check != 0 ? 1 : 0;
    extras->chosen_row = row_chosen ? row : -1;
    record.path = chosen_path;
    record.result = 1;
  }
  e.log.file_choosers.push_back(record);
  return record.result;
}
