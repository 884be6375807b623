// The field list of the generic record reader: FIELDPARS describes one field of a
// record (how it ends, whether it belongs to a repeated group), FileImport holds the
// fields of a file in record order, the fields offered to the user for a delimited
// text file, and where the records start. The reader (importer.h) walks this list;
// the column dialog (column_dialog.h) and the column map (column_map.h) fill it
// for delimited text files.
//
// Two layouts:
// - Record layout (list export files). Each field ends at its own separator text,
//   or is exactly `count` bytes. A record may run over several physical lines
//   (texts may hold line breaks). A run of group members repeats until the next
//   bytes are the separator of the group's end mark, the field that follows the
//   run; the mark is consumed and delivered as a field of its own, with no data.
// - Delimited text (any other text file). One line is one record; every field
//   ends at the file's delimiter or at the line end (LF or CR LF). A short line
//   gives empty fields for its missing columns; what follows the last field on its
//   line is dropped; lines holding only delimiters, blanks and tabs are skipped.
//   Columns that the user left out are read and not delivered.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "dlist/api.h"

namespace dlist {

// How AddField places a field (the kinds of the field description lines).
inline constexpr int kFieldSingle = 0;       // a field of its own, or a further group member
inline constexpr int kFieldOpensGroup = 1;   // the first member of a repeated group
inline constexpr int kFieldGroupEnd = 2;     // the end mark of the group before it
inline constexpr int kFieldClosesGroup = 3;  // the last member of a repeated group
inline constexpr int kFieldFixed = 4;        // exactly `count` bytes, no separator

// Repeat classes of offered fields (AddTemp): how many columns may carry the field.
inline constexpr int kOfferOptional = 0;  // at most one column
inline constexpr int kOfferSingle = 1;    // at most one column
inline constexpr int kOfferRepeated = 2;  // any number of columns (a list of values)

// Field type of a delimited text column that the user left out.
inline constexpr int kSkippedColumn = -1;

// Separator texts with a meaning of their own.
inline constexpr char kSeparatorCrLf[] = "\r";  // CR LF ends the field
inline constexpr char kSeparatorLine[] = "\n";  // LF ends the field; a CR before it is dropped

inline constexpr size_t kMaxSeparator = 8;      // bytes of a separator text
inline constexpr int kMaxFields = 4096;         // fields of one list
inline constexpr int kMaxColumns = 256;         // columns of a delimited text file
inline constexpr long kMaxSkippedLines = 1000000;

}  // namespace dlist

// One field of the field list, or one field offered to the user.
struct FIELDPARS {
  // In the field list: 1 for a member of a repeated group, else 0. For an offered
  // field: its repeat class (kOffer*).
  int repeat = 0;
  int type = 0;           // what the field holds; the importer dispatches on it
  int name = 0;           // message identifier of the field's name
  std::string separator;  // the bytes that end the field (kSeparatorCrLf, kSeparatorLine)
  bool group_mark = false;  // ends the repeated group before it; it carries no data
  int count = 0;            // above 0: the field is exactly this many bytes
};

class DLIST_API FileImport {
 public:
  FileImport() = default;

  // Appends a field to the list. kind is one of dlist::kField*; separator ends the
  // field (ignored for kFieldFixed, whose count must be above 0). A group opens with
  // kFieldOpensGroup, takes further members (kFieldSingle, kFieldFixed), may name
  // its last member with kFieldClosesGroup and ends with its kFieldGroupEnd mark.
  // Returns the number of fields, or 0 when the field does not fit: an unknown kind,
  // an empty or overlong separator, a second group opened inside one, a member or
  // end mark outside a group, a field between a closed group and its mark, more
  // than dlist::kMaxFields fields, or a list already made for a delimited text.
  int AddField(int kind, int type, int name, const char* separator, int count = 0);

  // Offers a field to the user of the column dialog: its repeat class (kOffer*),
  // type and name message. Returns the number of offered fields, 0 when refused.
  int AddTemp(int repeat, int type, int name);

  int GetFieldNb() const { return static_cast<int>(fields_.size()); }
  // Field index; an index out of range gives an empty field.
  const FIELDPARS& operator[](int index) const;
  int GetTempNb() const { return static_cast<int>(offered_.size()); }
  const FIELDPARS& GetTemp(int index) const;

  // True once the list holds a field.
  bool FieldsDefined() const { return !fields_.empty(); }

  // Where the records start: after `offset` bytes from the start of the file,
  // and then after `record` more lines (each ended by LF).
  void SetStartPoint(long record, long offset = 0);
  // The start record and offset; -1 while no field is defined.
  long GetStartRecord() const { return FieldsDefined() ? start_record_ : -1; }
  long GetOffset() const { return FieldsDefined() ? start_offset_ : -1; }

  // Shows the first lines of the delimited text file at path and lets the user
  // pick the delimiter, the header lines to skip and the offered field of each
  // column (column_dialog.h). On confirmation the field list, the delimiter and the
  // start point are replaced and the result is non-zero; 0 when cancelled, when
  // nothing is offered, or when the dialog cannot be shown.
  int CallDialog(void* window, int title, const char* path);

  // The delimiter of a delimited text file; 0 for a record layout.
  char Delimiter() const { return delimiter_; }

  // Drops the field list, the delimiter and the start point (the offered fields stay).
  void ClearFields();

  // Makes the list that of a delimited text file: column i carries the offered
  // field columns[i] (-1: left out). Trailing left-out columns are not listed.
  // Each offered field of class 0 or 1 may be on one column only. Returns "" on
  // success, else what is wrong (and the list is left as it was).
  std::string SetColumns(char delimiter, long skip, const std::vector<int>& columns);

  // "" when the list can be read: it holds fields, every group ends with its
  // mark, every field has a separator or a count; else what is wrong.
  std::string CheckFields() const;

 private:
  std::vector<FIELDPARS> fields_;
  std::vector<FIELDPARS> offered_;
  long start_record_ = 0;
  long start_offset_ = 0;
  char delimiter_ = 0;
  // AddField's group state: 0 none, 1 open, 2 closed and waiting for its mark.
  int group_state_ = 0;
};
