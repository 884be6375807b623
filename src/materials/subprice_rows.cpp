// The subprice row model of the material editing dialog.

#include "materials/subprice_rows.h"

#include "host/currency_format.h"
#include "host/expr_eval.h"
#include "host/report.h"
#include "host/resources.h"

namespace dlist {
namespace {

// The name under which formulas see the unit price.
constexpr unsigned kPriceName = 16396;

std::string number_text(double value, char decimal_point) {
  return format_fixed(value, 6, decimal_point);
}

}  // namespace

bool is_linked(int status) { return status == kRowOwnValue || status == kRowCombined; }

double row_value(const SubpriceRow& row) {
  switch (row.operation) {
    case kOperationMultiply:
      return row.value * row.library_value;
    case kOperationAdd:
      return row.value + row.library_value;
    case kOperationNone:
      return 0.0;
    default:
      return row.value;
  }
}

SubpriceRow* SubpriceRows::find(const std::string& abbrev) {
  for (SubpriceRow& r : rows_)
    if (r.abbrev == abbrev) return &r;
  return nullptr;
}

std::optional<double> SubpriceRows::total(std::string* fault) const {
  double sum = unit_price_;
  std::vector<ExprConstant> constants;
  constants.push_back({load_string(kPriceName), unit_price_});
  std::vector<ExprListEntry> formulas;
  for (const SubpriceRow& r : rows_) {
    if (!is_linked(r.status)) continue;
    switch (r.kind) {
      case SUBPRICE_MULTIPLY:
        sum += row_value(r) * unit_price_;
        constants.push_back({r.abbrev, row_value(r) * unit_price_});
        break;
      case SUBPRICE_ADD:
        sum += row_value(r);
        constants.push_back({r.abbrev, row_value(r)});
        break;
      default:
        formulas.push_back({r.abbrev, r.formula});
        break;
    }
  }
  if (formulas.empty()) return sum;
  if (ReorderExprList(formulas) == 0) {
    if (fault) *fault = "subprice formulas use each other in a cycle";
    return std::nullopt;
  }
  ORB::MsgBoxSuppressor quiet;
  for (const ExprListEntry& f : formulas) {
    double result = 0.0;
    if (ExprEval(f.text.c_str(), &result, constants.data(), static_cast<int>(constants.size())) ==
        0) {
      if (fault) *fault = "subprice " + f.name + ": formula \"" + f.text + "\" cannot be evaluated";
      return std::nullopt;
    }
    constants.push_back({f.name, result});
    for (const SubpriceRow& r : rows_)
      if (r.abbrev == f.name && is_linked(r.status) && r.kind == SUBPRICE_FORMULA) {
        sum += result;
        break;
      }
  }
  return sum;
}

bool SubpriceRows::keeps_total(const SubpriceRows& trial) const {
  std::string why;
  if (trial.total(&why).has_value() || !total().has_value()) return true;
  fault_ = why;
  return false;
}

bool SubpriceRows::valid_with(size_t index, int status) const {
  if (index >= rows_.size()) return false;
  SubpriceRows trial = *this;
  trial.rows_[index].status = status;
  return keeps_total(trial);
}

bool SubpriceRows::change_value(size_t index, double value) {
  if (index >= rows_.size()) return false;
  SubpriceRows trial = *this;
  trial.rows_[index].value = value;
  if (!keeps_total(trial)) return false;
  rows_[index].value = value;
  return true;
}

bool SubpriceRows::change_operation(size_t index, int operation) {
  if (index >= rows_.size() || operation < kOperationPlain || operation > kOperationNone)
    return false;
  SubpriceRows trial = *this;
  trial.rows_[index].operation = operation;
  if (!keeps_total(trial)) return false;
  rows_[index].operation = operation;
  return true;
}

bool SubpriceRows::change_unit_price(double price) {
  SubpriceRows trial = *this;
  trial.unit_price_ = price;
  if (!keeps_total(trial)) return false;
  unit_price_ = price;
  return true;
}

std::string SubpriceRows::take_fault() {
  std::string why;
  why.swap(fault_);
  return why;
}

int SubpriceRows::step(size_t index) {
  SubpriceRow& r = rows_.at(index);
  switch (r.status) {
    case kRowNotLinked:
      if (valid_with(index, kRowOwnValue))
        r.status = kRowOwnValue;
      else if (!creating_)
        r.status = kRowUnlinked;
      break;
    case kRowOwnValue:
      if (!creating_)
        r.status = kRowCombined;
      else if (valid_with(index, kRowNotLinked))
        r.status = kRowNotLinked;
      break;
    case kRowCombined:
      r.status = valid_with(index, kRowUnlinked) ? kRowUnlinked : kRowOwnValue;
      break;
    default:
      r.status = kRowNotLinked;
      break;
  }
  return r.status;
}

std::vector<int> SubpriceRows::offered() const {
  if (creating_) return {kRowNotLinked, kRowOwnValue};
  return {kRowNotLinked, kRowOwnValue, kRowCombined, kRowUnlinked};
}

bool SubpriceRows::enabled(size_t index, int status) const {
  if (index >= rows_.size() || rows_[index].status == status) return false;
  if (status < kRowNotLinked || status > (creating_ ? kRowOwnValue : kRowUnlinked)) return false;
  return valid_with(index, status);
}

bool SubpriceRows::choose(size_t index, int status) {
  if (!enabled(index, status)) return false;
  rows_[index].status = status;
  return true;
}

std::string SubpriceRows::title(size_t index) const {
  static const char* const kMarks[] = {"(=)", "(*)", "(+)", "(i)"};
  const SubpriceRow& r = rows_.at(index);
  const int kind = (r.kind >= 0 && r.kind <= 3) ? r.kind : 0;
  return r.name + " " + kMarks[kind];
}

std::string SubpriceRows::shown_value(size_t index, char decimal_point) const {
  const SubpriceRow& r = rows_.at(index);
  if (r.kind != SUBPRICE_MULTIPLY && r.kind != SUBPRICE_ADD) return r.formula;
  switch (r.status) {
    case kRowOwnValue:
      return number_text(r.value, decimal_point);
    case kRowCombined:
      if (r.operation == kOperationMultiply)
        return number_text(r.library_value, decimal_point) + " * " +
               number_text(r.value, decimal_point);
      if (r.operation == kOperationAdd)
        return number_text(r.library_value, decimal_point) + " + " +
               number_text(r.value, decimal_point);
      return number_text(r.value, decimal_point);
    default:
      return number_text(r.library_value, decimal_point);
  }
}

std::string total_text(double total) {
  const std::string plain = format_fixed(total, 2, '.');
  char shown[128];
  if (GetCurrencyFormat(plain.c_str(), shown, sizeof shown) > 0) return shown;
  return plain;
}

}  // namespace dlist
