// The subprice rows of the material editing dialog: one row per subprice of the
// library with the material's status, operation and own value, the texts the list
// shows, the total price with its formulas, the status changes the user may make
// and the value each linked row gives the material.
//
// Statuses: 0 not linked, 1 linked and shown with the material's own value, 2
// linked and shown with the library value, the operation and the own value, 3
// unlinked. Statuses 1 and 2 are the linked ones; both give the own value combined
// with the library value by the operation. A material being created uses only 0
// and 1.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "foundation/material_records.h"

namespace dlist {

inline constexpr int kRowNotLinked = 0;
inline constexpr int kRowOwnValue = 1;
inline constexpr int kRowCombined = 2;
inline constexpr int kRowUnlinked = 3;

// Operations of a combined row: its list index in the operation combo.
inline constexpr int kOperationPlain = 0;
inline constexpr int kOperationMultiply = 1;
inline constexpr int kOperationAdd = 2;
inline constexpr int kOperationNone = 3;

struct SubpriceRow {
  long subprice = 0;
  std::string abbrev;
  std::string name;
  SUBPRICETYPE kind = SUBPRICE_MULTIPLY;
  double library_value = 0.0;
  std::string formula;  // kinds 0 and 3
  int status = kRowNotLinked;
  int operation = kOperationPlain;
  double value = 0.0;   // the material's own value
};

bool is_linked(int status);

// The value a linked row (status 1 or 2) gives the material: its own value
// combined with the library value by the operation (plain: the value, multiply:
// value times library value, add: value plus library value, none: 0).
double row_value(const SubpriceRow& row);

class SubpriceRows {
 public:
  explicit SubpriceRows(bool creating = false) : creating_(creating) {}

  bool creating() const { return creating_; }
  void add(SubpriceRow row) { rows_.push_back(std::move(row)); }
  size_t size() const { return rows_.size(); }
  const SubpriceRow& row(size_t index) const { return rows_.at(index); }
  SubpriceRow& row(size_t index) { return rows_.at(index); }
  // The row of a subprice abbreviation; null when none.
  SubpriceRow* find(const std::string& abbrev);

  double unit_price() const { return unit_price_; }
  // Sets the unit price as loaded, unchecked (change_unit_price checks).
  void set_unit_price(double price) { unit_price_ = price; }

  // The total price: the unit price, plus for each linked row of kind 1 its value
  // times the unit price, of kind 2 its value, of kind 0 its formula's result; the
  // formulas of kind 3 are evaluated only. Nothing when a formula cannot be
  // evaluated or the formulas use each other in a cycle; fault then tells why.
  std::optional<double> total(std::string* fault = nullptr) const;
  // Whether row index may take status: not when a valid total would become
  // invalid (a total that is invalid already, say through a formula naming a
  // subprice the library no longer holds, blocks nothing). When not, the reason is
  // kept for take_fault().
  bool valid_with(size_t index, int status) const;
  // The user's changes of a row's own value, of its operation and of the unit
  // price, under the same rule: false, changing nothing, when the change would
  // make a valid total invalid.
  bool change_value(size_t index, double value);
  bool change_operation(size_t index, int operation);
  bool change_unit_price(double price);
  // The reason the last refused status was refused ("" when none), cleared.
  std::string take_fault();

  // A double click on row index steps its status; the new status.
  int step(size_t index);
  // The statuses the context menu offers for row index (0 and 1, and 2 and 3 when
  // editing); enabled() tells whether choosing one is allowed.
  std::vector<int> offered() const;
  bool enabled(size_t index, int status) const;
  // Sets the status chosen in the context menu; false, changing nothing, when it
  // is not enabled.
  bool choose(size_t index, int status);

  // "%s (=)", "%s (*)", "%s (+)" or "%s (i)" by kind.
  std::string title(size_t index) const;
  // The value column: the formula for kinds 0 and 3; for kinds 1 and 2 the library
  // value at status 0 or 3, the own value at status 1, and at status 2 the library
  // value, " * " or " + " and the own value for operations 1 and 2, else the own
  // value. Numbers with 6 decimals and decimal_point.
  std::string shown_value(size_t index, char decimal_point) const;

 private:
  bool creating_;
  double unit_price_ = 0.0;
  // Whether trial, this model with one change, keeps a valid total valid; when not,
  // the reason goes to fault_.
  bool keeps_total(const SubpriceRows& trial) const;

  std::vector<SubpriceRow> rows_;
  mutable std::string fault_;
};

// The total as the dialog shows it: 2 decimals, then the currency format of the
// user's locale, or the plain number when that fails.
std::string total_text(double total);

}  // namespace dlist
