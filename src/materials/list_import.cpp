// The entry points of the list import: ListImport recognises the kind of file by
// its first line, reads the header of a list export file or lets the user (or a
// column map) assign the columns of a delimited text file, and runs the record
// reader with a ListImporter under one write lock of the library. ListInic imports
// into an empty library and names its long texts.
#include "materials/list_import.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "foundation/fixed_text.h"
#include "host/database_task.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/import/column_map.h"
#include "host/list/list_context.h"
#include "host/progress.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "materials/list_exporter.h"
#include "materials/list_import_internal.h"
#include "materials/list_importer.h"

namespace dlist {
namespace {

using limport::ImportState;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Offers the fields of a delimited text file: with_dimensions when units and
// subprices are given by the names of their dimensions and subprices.
void offer_text_fields(FileImport& fields, bool with_dimensions) {
  using namespace limport;
  const auto offer = [&fields](int how, int type) { fields.AddTemp(how, type, field_type_name(type)); };
  offer(kOfferSingle, kTypeCode);
  offer(kOfferSingle, kTypeName);
  offer(kOfferOptional, kTypeMarket);
  if (!with_dimensions) {
    offer(kOfferSingle, kTypeNativeUnit);
    offer(kOfferSingle, kTypeConversion);
    offer(kOfferSingle, kTypeUnitPrice);
    offer(kOfferRepeated, kTypeUnitAbbrev);
    offer(kOfferRepeated, kTypeUnitFactor);
    offer(kOfferRepeated, kTypeSubpriceAbbrev);
  } else {
    offer(kOfferSingle, kTypeNativeUnit);
    offer(kOfferSingle, kTypeNativeDimension);
    offer(kOfferSingle, kTypeIgnored);
    offer(kOfferOptional, kTypeSecondDimension);
    offer(kOfferOptional, kTypeSecondFactor);
    offer(kOfferRepeated, kTypeSubpriceName);
  }
  offer(kOfferRepeated, kTypeSubpriceValue);
  for (int t = kTypeLongText1; t <= kTypeLongText4; ++t) offer(kOfferOptional, t);
}

// The fields of a delimited text file: from the column map when one is given
// (the field set that accepts it), else asked. False when cancelled or refused.
bool text_fields(void* window, const char* path, const ListImportOptions& options,
                 std::unique_ptr<FileImport>& fields) {
  if (options.column_map) {
    for (const bool with_dimensions : {false, true}) {
      auto candidate = std::make_unique<FileImport>();
      offer_text_fields(*candidate, with_dimensions);
      if (parse_column_map(*options.column_map, *candidate).empty()) {
        fields = std::move(candidate);
        return true;
      }
    }
    DiagnosticOut("list import: the column map fits no field set");
    return false;
  }
  const std::string question = load_string(21681);
  const bool with_dimensions =
      MessageBoxA(window, question.c_str(), path, kMbYesNo | kMbIconQuestion) == kIdYes;
  fields = std::make_unique<FileImport>();
  offer_text_fields(*fields, with_dimensions);
  return fields->CallDialog(window, 16650, path) != 0;
}

bool is_banner(const std::string& line, unsigned char version) {
  return line.size() == 1 + std::strlen(kListBanner) && static_cast<unsigned char>(line[0]) == version &&
         line.compare(1, std::string::npos, kListBanner) == 0;
}

}  // namespace

int list_import(void* window, LISTCONTEXT* library, long parent, const char* path, int ask,
                const ListImportOptions& options) {
  if (library == nullptr || path == nullptr) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  WriteLock lock(library);
  if (!lock) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  ImportState state;
  state.decimal_point = GetWinIniDecPoint();
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  std::string line;
  if (!file || !limport::read_line(file.get(), line)) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  auto fields = std::make_unique<FileImport>();
  if (is_banner(line, kListVersionOld) || is_banner(line, kListVersion)) {
    // The layout of the whole file is checked before the library changes: a file
    // with other line ends, an endless header line or a cut header is refused whole.
    long bad_line = 0;
    if (const int error = limport::check_layout(file.get(), is_banner(line, kListVersionOld), &bad_line);
        error != 0) {
      limport::show_numbered_error(window, error, bad_line);
      return 0;
    }
    if (std::fseek(file.get(), 0, SEEK_SET) != 0 || !limport::read_line(file.get(), line)) {
      SpecBeep(0, "LIMPORT", __LINE__);
      return 0;
    }
    const int read = is_banner(line, kListVersion)
                         ? limport::read_header_v3(window, library, file.get(), state, *fields)
                         : limport::read_header_v2(window, library, file.get(), state, *fields);
    if (read == 0) return 0;
    const long offset = std::ftell(file.get());
    if (offset < 0) {
      SpecBeep(0, "LIMPORT", __LINE__);
      return 0;
    }
    fields->SetStartPoint(0, offset);
  } else if (!text_fields(window, path, options, fields)) {
    return 0;
  }
  file.reset();

  ProgressWindow progress(21438);
  ListImporter importer(window, library, parent, *fields, ask, state, options, &progress);
  if (!importer.ready()) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  const int result = importer.Process(path);
  if (result == 0 && !state.cancelled && importer.Failure() != ReadFailure::kRefused) {
    DiagnosticOut(("list import: " + importer.FailureText()).c_str());
  }
  progress.close();
  if (state.stopped) {
    // Stopped in the progress window: nothing of this import stays.
    lock.abandon();
    lock.unlock();
    return 0;
  }
  // What was placed stays, also after a failure; a commit that fails is a failure.
  if (!lock.unlock()) {
    SpecBeep(0, "LIMPORT", __LINE__);
    return 0;
  }
  return result;
}

}  // namespace dlist

int ListImport(void* window, LISTCONTEXT* library, long parent, const char* path, int ask) {
  return dlist::list_import(window, library, parent, path, ask, dlist::ListImportOptions{});
}

int ListInic(void* window, LISTCONTEXT* library, const char* path) {
  const int result = ListImport(window, library, 0, path, 1);
  if (library != nullptr && library->has_longtextnames() == 0) {
    longtextname names{};
    for (int i = 0; i < kLongTextCount; ++i) {
      const std::string name = dlist::load_string(16662 + static_cast<unsigned>(i));
      dlist::put_field(names.name[i], name);
    }
    library->modify(names);
  }
  return result;
}
