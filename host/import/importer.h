// The generic record reader: Importer reads the records of a file along the field
// list of a FileImport (field_list.h) and hands every field and every record to
// its subclass: Reset once before the first record, FieldReady for each field in
// the order of the list, RecordReady after the last field of each record. A zero
// from any of them stops the reader, and Process returns 0.
//
// The end of the file. A file (or the part after the start point) that is empty,
// or ends right after a complete record, is read successfully. The last field of
// the last record may also end at the end of the file when its separator is a line
// end (the final CR LF may be missing), and line breaks after the last record are
// ignored. A record cut off anywhere else is refused: the fields read before the
// cut have been delivered, RecordReady is not called for it, and Process returns 0
// with ReadFailure::kTruncated.
//
// Limits. Every field is checked against the field limit (1 MiB unless set)
// before it is buffered; a longer field is refused (kFieldTooLong). Nothing is
// read past the end of the file; the reader keeps one window of the file and the
// current field in memory, whatever the size of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "dlist/api.h"
#include "host/import/field_list.h"

namespace dlist {

// How far the reader has come, given after every record that RecordReady took.
struct ImportProgress {
  long records = 0;          // records delivered so far
  uint64_t bytes_read = 0;   // bytes of the file consumed, from its start
  int64_t bytes_total = -1;  // the file's size, -1 when it cannot be told
};

using ProgressHook = std::function<void(const ImportProgress&)>;

namespace import_internal {
class RecordRun;
}

// Why Process returned 0.
enum class ReadFailure {
  kNone,
  kUnreadable,    // the file cannot be opened, positioned or read
  kBadFieldList,  // the field list cannot be read (FileImport::CheckFields)
  kBadStart,      // the start offset lies beyond the end of the file
  kTruncated,     // the file ends inside a record
  kFieldTooLong,  // a field is longer than the field limit
  kRefused,       // Reset, FieldReady or RecordReady returned 0
};

}  // namespace dlist

class DLIST_API Importer {
 public:
  static constexpr size_t kDefaultFieldLimit = size_t{1} << 20;

  // The source outlives the importer.
  explicit Importer(const FileImport& source) : source_(&source) {}
  virtual ~Importer();

  Importer(const Importer&) = delete;
  Importer& operator=(const Importer&) = delete;

  // Called once before the first record; 0 stops the reader.
  virtual int Reset() = 0;
  // The field described by field was read; its bytes are Data() and Length().
  // 0 stops the reader.
  virtual int FieldReady(const FIELDPARS& field) = 0;
  // The current record is complete; 0 stops the reader.
  virtual int RecordReady() = 0;

  // The bytes of the current field, zero-terminated (the field itself may hold
  // zero bytes; Length() counts them all).
  const char* Data() const { return field_.c_str(); }
  long Length() const { return static_cast<long>(field_.size()); }

  // Reads the file at path (opened for binary reading) from the source's start
  // point. Returns non-zero when every record was read and taken, 0 otherwise.
  int Process(const char* path);
  // As above on an open file, which is positioned at its start first; the file
  // stays open.
  int Process(std::FILE* file);

  const FileImport& Source() const { return *source_; }

  // Called after every record that RecordReady took (optional).
  void SetProgressHook(dlist::ProgressHook hook) { progress_ = std::move(hook); }
  // The longest field taken, in bytes (at least 1).
  void SetFieldLimit(size_t limit) { field_limit_ = limit == 0 ? 1 : limit; }
  size_t FieldLimit() const { return field_limit_; }

  // Why the last Process returned 0 (kNone after a success), and a text for
  // people naming the line, the record and the field.
  dlist::ReadFailure Failure() const { return failure_; }
  const std::string& FailureText() const { return failure_text_; }
  // Records taken by RecordReady in the last Process.
  long RecordCount() const { return records_; }

 private:
  friend class dlist::import_internal::RecordRun;

  const FileImport* source_;
  std::string field_;
  dlist::ProgressHook progress_;
  size_t field_limit_ = kDefaultFieldLimit;
  dlist::ReadFailure failure_ = dlist::ReadFailure::kNone;
  std::string failure_text_;
  long records_ = 0;
};
