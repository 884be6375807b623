// Building and checking the field list of the record reader.
#include "host/import/field_list.h"

#include <cstring>

#include "host/resources.h"

namespace {

const FIELDPARS kNoField{};

bool valid_delimiter(char c) { return c != 0 && c != '\r' && c != '\n'; }

std::string field_label(const FIELDPARS& f) {
  std::string name = f.name > 0 ? dlist::load_string(static_cast<unsigned>(f.name)) : std::string();
  if (name.empty()) name = "type " + std::to_string(f.type);
  return "\"" + name + "\"";
}

}  // namespace

int FileImport::AddField(int kind, int type, int name, const char* separator, int count) {
  using namespace dlist;
  if (delimiter_ != 0 || fields_.size() >= static_cast<size_t>(kMaxFields)) return 0;
  FIELDPARS f;
  f.type = type;
  f.name = name;
  if (kind == kFieldFixed) {
    if (count <= 0) return 0;
    f.count = count;
  } else {
    const size_t length = separator != nullptr ? std::strlen(separator) : 0;
    if (length == 0 || length > kMaxSeparator) return 0;
    f.separator.assign(separator, length);
  }
  switch (kind) {
    case kFieldSingle:
    case kFieldFixed:
      if (group_state_ == 2) return 0;  // a closed group waits for its mark
      f.repeat = group_state_ == 1 ? 1 : 0;
      break;
    case kFieldOpensGroup:
      if (group_state_ != 0) return 0;
      group_state_ = 1;
      f.repeat = 1;
      break;
    case kFieldClosesGroup:
      if (group_state_ != 1) return 0;
      group_state_ = 2;
      f.repeat = 1;
      break;
    case kFieldGroupEnd:
      if (group_state_ == 0) return 0;
      group_state_ = 0;
      f.group_mark = true;
      break;
    default:
      return 0;
  }
  fields_.push_back(std::move(f));
  return static_cast<int>(fields_.size());
}

int FileImport::AddTemp(int repeat, int type, int name) {
  if (repeat < dlist::kOfferOptional || repeat > dlist::kOfferRepeated ||
      offered_.size() >= static_cast<size_t>(dlist::kMaxFields)) {
    return 0;
  }
  FIELDPARS f;
  f.repeat = repeat;
  f.type = type;
  f.name = name;
  offered_.push_back(f);
  return static_cast<int>(offered_.size());
}

const FIELDPARS& FileImport::operator[](int index) const {
  if (index < 0 || static_cast<size_t>(index) >= fields_.size()) return kNoField;
  return fields_[static_cast<size_t>(index)];
}

const FIELDPARS& FileImport::GetTemp(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= offered_.size()) return kNoField;
  return offered_[static_cast<size_t>(index)];
}

void FileImport::SetStartPoint(long record, long offset) {
  start_record_ = record < 0 ? 0 : record;
  start_offset_ = offset < 0 ? 0 : offset;
}

void FileImport::ClearFields() {
  fields_.clear();
  start_record_ = 0;
  start_offset_ = 0;
  delimiter_ = 0;
  group_state_ = 0;
}

std::string FileImport::SetColumns(char delimiter, long skip, const std::vector<int>& columns) {
  using namespace dlist;
  if (!valid_delimiter(delimiter)) return "the delimiter cannot be a line break or a zero byte";
  if (skip < 0 || skip > kMaxSkippedLines) {
    return "the header lines to skip must be 0 to " + std::to_string(kMaxSkippedLines);
  }
  if (columns.size() > static_cast<size_t>(kMaxColumns)) {
    return "a file has at most " + std::to_string(kMaxColumns) + " columns";
  }
  std::vector<int> uses(offered_.size(), 0);
  size_t last = 0;  // one past the last assigned column
  for (size_t c = 0; c < columns.size(); ++c) {
    const int pick = columns[c];
    if (pick < 0) continue;
    if (static_cast<size_t>(pick) >= offered_.size()) {
      return "column " + std::to_string(c + 1) + " names no offered field";
    }
    const FIELDPARS& offer = offered_[static_cast<size_t>(pick)];
    if (++uses[static_cast<size_t>(pick)] > 1 && offer.repeat != kOfferRepeated) {
      return "the field " + field_label(offer) + " can be on one column only";
    }
    last = c + 1;
  }
  if (last == 0) return "no column is assigned to a field";

  std::vector<FIELDPARS> list;
  const std::string delim(1, delimiter);
  for (size_t c = 0; c < last; ++c) {
    FIELDPARS f;
    if (columns[c] >= 0) {
      const FIELDPARS& offer = offered_[static_cast<size_t>(columns[c])];
      f.type = offer.type;
      f.name = offer.name;
    } else {
      f.type = kSkippedColumn;
    }
    f.separator = c + 1 == last ? std::string(kSeparatorLine) : delim;
    list.push_back(std::move(f));
  }
  fields_ = std::move(list);
  delimiter_ = delimiter;
  group_state_ = 0;
  start_record_ = skip;
  start_offset_ = 0;
  return {};
}

std::string FileImport::CheckFields() const {
  using namespace dlist;
  if (fields_.empty()) return "no field is defined";
  if (delimiter_ != 0) {
    if (!valid_delimiter(delimiter_)) return "the delimiter cannot be a line break";
    for (const FIELDPARS& f : fields_) {
      if (f.repeat != 0 || f.group_mark || f.count != 0) {
        return "a delimited text has no repeated groups and no fixed-width fields";
      }
    }
    return {};
  }
  bool in_group = false;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const FIELDPARS& f = fields_[i];
    const std::string where = "field " + std::to_string(i + 1) + " " + field_label(f);
    if (f.count < 0 || (f.count == 0 && f.separator.empty()) ||
        f.separator.size() > kMaxSeparator) {
      return where + " has neither a separator nor a width";
    }
    if (f.group_mark) {
      if (!in_group) return where + " ends a group that was not opened";
      if (f.count != 0 || f.separator.empty()) return where + " marks a group end without a separator";
      in_group = false;
    } else if (f.repeat != 0) {
      in_group = true;
    } else if (in_group) {
      return where + " follows a repeated group that has no end mark";
    }
  }
  if (in_group) return "the last repeated group has no end mark";
  return {};
}
