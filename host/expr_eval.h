// The expression evaluator of the suite: numeric formulas with named constants,
// the fixed-decimal rendering of numbers, the ordering of formula lists by the
// names they use, and the list of the evaluator's functions. Formulas know the
// operators + - * / ^, comparisons, && || and ?:, parentheses, the functions of
// ExprFunctionName and the constants _pi and _e.
//
// Numbers are written with "." as decimal point. When the decimal point of the
// calling form is ",", a "," is a decimal point as well and the arguments of a
// function are separated by ";" ("min(1,5;2)"); otherwise they are separated by
// "," ("min(1.5,2)"). Names are letters, digits, "_" and the bytes from 0x80 on
// (so "PR", "PRICE" and names in UTF-8 work); they do not begin with a digit and
// are case-sensitive.
//
// Failures are only returned, never shown: the evaluator has no message boxes.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dlist/api.h"

namespace dlist {

struct ExprConstant {
  std::string name;
  double value = 0.0;
};

struct ExprOutcome {
  bool ok = false;
  double value = 0.0;    // the result when ok
  int position = 0;      // when not ok: byte offset in the text where the fault was found
  std::string message;   // when not ok: what is wrong, in the evaluator's words
};

// Evaluates text with the given constants (a later constant of the same name
// wins; a constant whose name is not a valid name is ignored). Fails on an empty
// text, a text over kMaxExpressionLength bytes or holding a zero byte, a syntax
// error, an unknown name, more than one result ("1,2" with "." as decimal point)
// and a result that is not a finite number. Never throws.
ExprOutcome evaluate_expression(std::string_view text, std::span<const ExprConstant> constants,
                                char decimal_point);

inline constexpr size_t kMaxExpressionLength = 8192;

// Evaluates text with the constants of the innermost ExprConstants scope (none
// outside one), as ExprEval does, but with the given decimal point.
ExprOutcome evaluate_in_scope(std::string_view text, char decimal_point);

// The names a formula uses other than functions and the built-in constants, each
// once, in the order of first use. A text that does not parse uses no names.
std::vector<std::string> expression_names(std::string_view text, char decimal_point = '.');

// value with exactly `decimals` decimals (0 to kMaxDecimals; outside that range it
// is clamped) and decimal_point as decimal point; the nearest decimal of the
// stored binary value, ties to even. A result that rounds to zero has no sign.
// Not-finite values give "nan", "inf" or "-inf".
std::string format_fixed(double value, int decimals, char decimal_point);

inline constexpr int kMaxDecimals = 20;

// One entry of an expression list: the formula `text` gives the value of `name`.
struct ExprListEntry {
  std::string name;
  std::string text;
};

// Puts the constants in effect for ExprEval while the object lives: those of the
// innermost scope only; the previous table returns when it ends. The table is the
// calling thread's (the suite evaluates on its user-interface thread).
class ExprConstants {
 public:
  explicit ExprConstants(std::vector<ExprConstant> constants);
  ~ExprConstants();
  ExprConstants(const ExprConstants&) = delete;
  ExprConstants& operator=(const ExprConstants&) = delete;

 private:
  std::vector<ExprConstant> constants_;
  const std::vector<ExprConstant>* previous_;
};

}  // namespace dlist

// Evaluates text with the constants of the innermost dlist::ExprConstants scope
// (none outside one) and the host decimal point (GetWinIniDecPoint). Non-zero with
// the result in *value on success; 0 with *value untouched on any failure, and
// for a null text or value.
DLIST_API int ExprEval(const char* text, double* value);
// The same with an explicit table of count constants (null with count 0 for none).
DLIST_API int ExprEval(const char* text, double* value, const dlist::ExprConstant* constants,
                       int count);

// Writes value with `decimals` decimals and the host decimal point into out,
// zero-terminated (dlist::format_fixed). When the text does not fit in size - 1
// characters, out receives the empty text rather than a cut number. With a null
// out or a size below 1 nothing is written.
DLIST_API void RealToStr2(double value, int decimals, char* out, int size);

// Puts the entries of list into dependency order: an entry comes after every
// entry whose name its formula uses (expression_names with the host decimal
// point); otherwise the entries keep their order. Returns 1 when ordered; 0 when
// the uses form a cycle (a formula that uses its own name is one), and the list is
// then left as it was.
DLIST_API int ReorderExprList(std::vector<dlist::ExprListEntry>& list);

// The number of the evaluator's functions, and the name of function index
// (0 to nExprFunction() - 1) in alphabetical order; null for any other index.
DLIST_API int nExprFunction();
DLIST_API const char* ExprFunctionName(int index);
