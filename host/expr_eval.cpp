// The expression evaluator over muParser: one parser a call, set up with our name
// characters, the decimal-point form of the call and the caller's constants. A
// "," decimal point is handled by turning every "," of the text into "." (one
// byte for one, so positions stay those of the caller's text) and separating
// function arguments by ";".

#include "host/expr_eval.h"

#include <muParser.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <functional>
#include <queue>
#include <unordered_map>

#include "host/settings.h"

namespace dlist {

namespace {

thread_local const std::vector<ExprConstant>* t_constants = nullptr;

const char* name_characters() {
  static const std::string chars = [] {
    std::string s = "0123456789_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (int c = 0x80; c < 0x100; ++c) s.push_back(static_cast<char>(c));
    return s;
  }();
  return chars.c_str();
}

// A parser set up for the decimal-point form; `formula` receives text as the
// parser is to read it.
void prepare(mu::Parser& parser, std::string_view text, char decimal_point, std::string& formula) {
  parser.DefineNameChars(name_characters());
  formula.assign(text);
  if (decimal_point == ',') {
    std::replace(formula.begin(), formula.end(), ',', '.');
    parser.SetArgSep(';');
  }
}

ExprOutcome failure(int position, std::string message, std::string_view text) {
  ExprOutcome out;
  out.ok = false;
  // The parser reads the text with one blank appended and gives -1 when it knows
  // no place; the caller gets an offset inside its own text.
  out.position = std::clamp(position, 0, static_cast<int>(text.size()));
  out.message = std::move(message);
  return out;
}

// A plain decimal number ("-12.5", "3", with either decimal point of the form) is
// read directly: most numbers of an import file are such, and building a parser
// for each costs far more than the reading. Anything else goes to the parser.
bool plain_number(std::string_view text, char decimal_point, double& value) {
  if (text.size() > 64) return false;
  char buffer[64];
  std::size_t n = 0, digits = 0;
  bool point = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      ++digits;
      buffer[n++] = c;
    } else if (c == '-' && i == 0) {
      buffer[n++] = c;
    } else if ((c == '.' || c == decimal_point) && !point && digits > 0 && i + 1 < text.size()) {
      point = true;
      buffer[n++] = '.';
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  const auto [end, error] = std::from_chars(buffer, buffer + n, value);
  return error == std::errc() && end == buffer + n && std::isfinite(value);
}

}  // namespace

ExprOutcome evaluate_expression(std::string_view text, std::span<const ExprConstant> constants,
                                char decimal_point) {
  if (text.size() > kMaxExpressionLength)
    return failure(static_cast<int>(kMaxExpressionLength), "the expression is too long", text);
  if (const size_t zero = text.find('\0'); zero != std::string_view::npos)
    return failure(static_cast<int>(zero), "the expression holds a zero byte", text);
  if (ExprOutcome plain; plain_number(text, decimal_point, plain.value)) {
    plain.ok = true;
    return plain;
  }
  try {
    mu::Parser parser;
    std::string formula;
    prepare(parser, text, decimal_point, formula);
    for (const ExprConstant& constant : constants) {
      try {
        parser.DefineConst(constant.name, constant.value);
      } catch (const mu::ParserError&) {
        // Not a name a formula could use: nothing refers to it.
      }
    }
    parser.SetExpr(formula);
    const double value = parser.Eval();
    if (parser.GetNumResults() != 1)
      return failure(static_cast<int>(text.size()), "the expression gives more than one result",
                     text);
    if (!std::isfinite(value))
      return failure(static_cast<int>(text.size()), "the result is not a finite number", text);
    ExprOutcome out;
    out.ok = true;
    out.value = value;
    return out;
  } catch (const mu::ParserError& e) {
    return failure(e.GetPos(), e.GetMsg(), text);
  } catch (const std::exception& e) {
    return failure(0, e.what(), text);
  } catch (...) {
    return failure(0, "the expression cannot be evaluated", text);
  }
}

std::vector<std::string> expression_names(std::string_view text, char decimal_point) {
  std::vector<std::string> names;
  if (text.size() > kMaxExpressionLength || text.find('\0') != std::string_view::npos)
    return names;
  try {
    mu::Parser parser;
    std::string formula;
    prepare(parser, text, decimal_point, formula);
    parser.SetExpr(formula);
    const mu::varmap_type& used = parser.GetUsedVar();
    // The parser lists its names sorted; the caller gets them in order of use.
    std::vector<std::pair<size_t, std::string>> found;
    for (const auto& [name, slot] : used) {
      size_t at = 0;
      size_t first = std::string::npos;
      const char* chars = name_characters();
      while ((at = formula.find(name, at)) != std::string::npos) {
        const bool starts = at == 0 || std::strchr(chars, formula[at - 1]) == nullptr;
        const size_t end = at + name.size();
        const bool ends = end == formula.size() || std::strchr(chars, formula[end]) == nullptr;
        if (starts && ends) {
          first = at;
          break;
        }
        at = end;
      }
      found.emplace_back(first, name);
    }
    std::sort(found.begin(), found.end());
    for (auto& [at, name] : found) names.push_back(std::move(name));
  } catch (...) {
    names.clear();
  }
  return names;
}

std::string format_fixed(double value, int decimals, char decimal_point) {
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buffer[400];  // 309 integer digits, a sign, a point and the decimals
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "";
  std::string text(buffer, end);
  if (!text.empty() && text[0] == '-' &&
      text.find_first_not_of("0.", 1) == std::string::npos)
    text.erase(0, 1);
  if (const size_t point = text.find('.'); point != std::string::npos) text[point] = decimal_point;
  return text;
}

ExprConstants::ExprConstants(std::vector<ExprConstant> constants)
    : constants_(std::move(constants)), previous_(t_constants) {
  t_constants = &constants_;
}

ExprConstants::~ExprConstants() {
  t_constants = previous_;
}

ExprOutcome evaluate_in_scope(std::string_view text, char decimal_point) {
  if (t_constants == nullptr) return evaluate_expression(text, {}, decimal_point);
  return evaluate_expression(text, *t_constants, decimal_point);
}

}  // namespace dlist

int ExprEval(const char* text, double* value) {
  if (text == nullptr || value == nullptr) return 0;
  const dlist::ExprOutcome outcome = dlist::evaluate_in_scope(text, GetWinIniDecPoint());
  if (!outcome.ok) return 0;
  *value = outcome.value;
  return 1;
}

int ExprEval(const char* text, double* value, const dlist::ExprConstant* constants,
                       int count) {
  if (text == nullptr || value == nullptr || count < 0 || (count > 0 && constants == nullptr))
    return 0;
  const dlist::ExprOutcome outcome = dlist::evaluate_expression(
      text, std::span<const dlist::ExprConstant>(constants, static_cast<size_t>(count)),
      GetWinIniDecPoint());
  if (!outcome.ok) return 0;
  *value = outcome.value;
  return 1;
}

void RealToStr2(double value, int decimals, char* out, int size) {
  if (out == nullptr || size < 1) return;
  const std::string text = dlist::format_fixed(value, decimals, GetWinIniDecPoint());
  if (text.size() >= static_cast<size_t>(size)) {
    out[0] = '\0';
    return;
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
}

int ReorderExprList(std::vector<dlist::ExprListEntry>& list) {
  const size_t n = list.size();
  const char decimal_point = GetWinIniDecPoint();
  try {
    std::unordered_multimap<std::string_view, size_t> by_name;
    for (size_t j = 0; j < n; ++j) by_name.emplace(list[j].name, j);
    // needs[i]: how many entries i still waits for; users[j]: the entries that use j.
    std::vector<size_t> needs(n, 0);
    std::vector<std::vector<size_t>> users(n);
    for (size_t i = 0; i < n; ++i) {
      for (const std::string& name : dlist::expression_names(list[i].text, decimal_point)) {
        const auto [first, last] = by_name.equal_range(name);
        for (auto it = first; it != last; ++it) {
          if (it->second == i) return 0;
          users[it->second].push_back(i);
          ++needs[i];
        }
      }
    }
    // The first entry in list order among those ready goes next, so entries move
    // only as far as their uses demand.
    std::priority_queue<size_t, std::vector<size_t>, std::greater<size_t>> ready;
    for (size_t i = 0; i < n; ++i)
      if (needs[i] == 0) ready.push(i);
    std::vector<dlist::ExprListEntry> sorted;
    sorted.reserve(n);
    while (!ready.empty()) {
      const size_t next = ready.top();
      ready.pop();
      sorted.push_back(list[next]);
      for (size_t user : users[next])
        if (--needs[user] == 0) ready.push(user);
    }
    if (sorted.size() != n) return 0;
    list.swap(sorted);
    return 1;
  } catch (...) {
    return 0;
  }
}

namespace {

const std::vector<std::string>& function_names() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    try {
      mu::Parser parser;
      for (const auto& [name, callback] : parser.GetFunDef()) out.push_back(name);
    } catch (...) {
      out.clear();
    }
    std::sort(out.begin(), out.end());
    return out;
  }();
  return names;
}

}  // namespace

int nExprFunction() {
  return static_cast<int>(function_names().size());
}

const char* ExprFunctionName(int index) {
  const std::vector<std::string>& names = function_names();
  if (index < 0 || static_cast<size_t>(index) >= names.size()) return nullptr;
  return names[static_cast<size_t>(index)].c_str();
}
