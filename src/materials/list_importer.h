// The record side of the list import: ListImporter takes the fields and records
// that the generic record reader (host/import/importer.h) delivers, completes each
// record and places it in the library as a new material or over a stored one.
#pragma once

#include <string>
#include <vector>

#include "host/import/importer.h"
#include "materials/list_import.h"
#include "materials/list_import_internal.h"
#include "materials/material_entry.h"

namespace dlist {
class ProgressWindow;
}

class ListImporter : public Importer {
 public:
  // Reads the code chain of parent (0: none). The state, options and progress
  // window outlive the importer.
  ListImporter(void* window, LISTCONTEXT* library, long parent, const FileImport& fields, int ask,
               dlist::limport::ImportState& state, const dlist::ListImportOptions& options,
               dlist::ProgressWindow* progress);
  ~ListImporter() override;

  int Reset() override;
  int FieldReady(const FIELDPARS& field) override;
  int RecordReady() override;

  // False when the parent's code could not be read.
  bool ready() const { return ready_; }

 private:
  // Checks one field and puts it into the current record: 0 when the field is
  // taken, else its error number; -1 when the user cancelled.
  int take_field(const FIELDPARS& field);
  int ItemPlacement();
  void ResetEntry();

  int field_dimension(int& slot, int given_error, int text_error);
  int first_free_unit_slot() const;
  int first_free_subprice_slot() const;
  // The unit references the record gives the material, as library abbreviations.
  std::vector<unitref> final_unit_refs() const;
  std::vector<subpriceref> final_subprice_refs() const;
  int compare(long stored) const;
  bool create_references(long material);
  void error_box(int error);

  void* window_;
  LISTCONTEXT* library_;
  std::vector<std::string> parent_code_;
  int ask_;
  long placement_level_ = -1;
  int overwrite_choice_ = -1;
  bool ready_ = true;
  dlist::limport::ImportState& state_;
  const dlist::ListImportOptions& options_;
  dlist::ProgressWindow* progress_;

  MATERIALENTRY entry_;
  double conversion_ = 1.0;
  int native_dimension_ = -1;
  int second_dimension_ = -1;
  double second_factor_ = 0;
  std::string native_read_;
  int price_state_ = 0;
};
