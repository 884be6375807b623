// `dlist materials new|edit|rename|show` and the library's settings
// (`long-text-names`, `separator`): a material created, changed and renamed through
// its editing dialogs, filled as the user would fill them, and shown as the display
// dialog shows it, with the total price the editing dialog computes.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console_window.h"
#include "cli/dialog_filler.h"
#include "cli/json_stream.h"
#include "cli/material_edit_commands.h"
#include "cli/material_library_file.h"
#include "foundation/code_page.h"
#include "foundation/fixed_text.h"
#include "host/dialog/engine.h"
#include "host/dialog/notify_codes.h"
#include "host/list/list_context.h"
#include "materials/list_dialog_ids.h"
#include "materials/list_dialogs.h"
#include "materials/material_dialog_ids.h"
#include "materials/material_dialogs.h"
#include "materials/material_library.h"
#include "materials/subprice_rows.h"

namespace dlist::cli {
namespace {


// A number as a listing shows it: ten significant digits.
std::string shown_number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

std::string fixed2(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// A number of the command line; nothing when text is none.
std::optional<double> parse_number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == nullptr || *end != '\0') return std::nullopt;
  return value;
}

// The units from the dimension down to the parent of unit, outermost first: the
// items to expand before unit shows in a unit tree.
std::vector<long> ancestors(LISTCONTEXT& library, long unit) {
  std::vector<long> chain;
  for (long id = library.get_parent(unit); id >= 1 && chain.size() < 64;
       id = library.get_parent(id))
    chain.insert(chain.begin(), id);
  return chain;
}

// The library's subprices in the order of the editing dialog's rows.
struct LibrarySubprice {
  long id = 0;
  dbsubprice data{};
};

std::vector<LibrarySubprice> library_subprices(LISTCONTEXT& library) {
  std::vector<LibrarySubprice> all;
  std::vector<long> ids;
  if (library.subprice_ids(ids) < 0) return all;
  for (long id : ids) {
    LibrarySubprice s;
    s.id = id;
    if (library.get(id, s.data) > 0) all.push_back(s);
  }
  return all;
}

std::vector<subpriceref> subprice_refs(LISTCONTEXT& library, long material) {
  std::vector<subpriceref> refs;
  if (library.rewind_subprice_ref(material) < 0) return refs;
  for (subpriceref r{}; library.get(r) > 0; r = subpriceref{}) refs.push_back(r);
  return refs;
}

std::vector<unitref> unit_refs(LISTCONTEXT& library, long material) {
  std::vector<unitref> refs;
  if (library.rewind_unit_ref(material) < 0) return refs;
  for (unitref r{}; library.get(r) > 0; r = unitref{}) refs.push_back(r);
  return refs;
}

bool has_ref(const std::vector<subpriceref>& refs, const std::string& abbrev) {
  for (const subpriceref& r : refs)
    if (field_string(r.abbrev) == abbrev) return true;
  return false;
}

// ---- the request -----------------------------------------------------------------

// One --subprice option taken apart.
struct SubpriceChange {
  std::string text;    // as given, for the messages
  std::string abbrev;  // stored bytes
  bool unlink = false;
  int operation = kOperationPlain;  // '*' multiply, '+' add: status 2
  std::optional<double> value;
};

// The script of the editing dialog for a request; empty, or the refusal line.
struct MaterialScript {
  std::vector<SubpriceChange> subprices;
};

std::string split_pair(const std::string& text, std::string* left, std::string* right) {
  const std::size_t at = text.find('=');
  if (at == std::string::npos) return "no \"=\" in " + in_quotes(text);
  *left = text.substr(0, at);
  *right = text.substr(at + 1);
  return {};
}

// Fills the script of the editing dialog (and of the long texts dialog) from the
// request; the refusal line, or empty.
std::string build_script(LISTCONTEXT& library, const MaterialRequest& r, bool create,
                         long material, DialogFiller& filler, MaterialScript* plan) {
  std::string error;
  Script& s = filler.on(kEditMaterialContext);
  if (create) {
    const auto code = stored_field("--code", r.code, &error);
    const auto name = stored_field("--name", r.name.value_or(""), &error);
    if (!code || !name) return error;
    s.type(kMatOwnCode, *code).type(kMatName, *name);
  }
  if (r.market) {
    const auto market = stored_field("--market", *r.market, &error);
    if (!market) return error;
    dbmarket found{};
    if (market->empty() || library.find_market(market->c_str(), found) <= 0)
      return "--market: no market " + in_quotes(*r.market) +
             " in the library (materials market new creates one)";
    s.choose_combo_text(kMatMarket, *market);
  }
  if (r.price) s.type(kMatUnitPrice, exact_number(*r.price));

  // The native unit and further units of the material, as stored bytes.
  std::string native;
  std::vector<std::string> further;  // the material's further units now
  if (!create) {
    dbmaterial rec{};
    library.get(material, rec, nullptr);
    native = field_string(rec.native_unit);
    bool native_seen = false;
    for (const unitref& ref : unit_refs(library, material)) {
      const std::string abbrev = field_string(ref.abbrev);
      if (!native_seen && abbrev == native) {
        native_seen = true;
        continue;
      }
      further.push_back(abbrev);
    }
  }
  if (r.unit) {
    std::string abbrev = *r.unit;
    std::optional<double> factor;
    if (r.unit->find('=') != std::string::npos) {
      std::string f;
      split_pair(*r.unit, &abbrev, &f);
      factor = parse_number(f);
      if (!factor) return "--unit: " + in_quotes(f) + " is no number";
    }
    const auto stored = stored_field("--unit", abbrev, &error);
    if (!stored) return error;
    const long unit = find_unit(library, abbrev);
    if (unit == 0) return "--unit: no unit " + in_quotes(abbrev) + " in the library";
    for (long parent : ancestors(library, unit)) s.expand(kMatNativeTree, parent);
    s.select_item(kMatNativeTree, unit);
    if (factor) s.type(kMatNativeFactor, exact_number(*factor));
    // The native unit is no further unit of the material: the dialog drops it.
    native = *stored;
    further.erase(std::remove(further.begin(), further.end(), native), further.end());
  }

  if (!r.unit_refs.empty()) s.check(kMatFurtherRadio);
  for (const std::string& option : r.unit_refs) {
    const bool remove = !option.empty() && option[0] == '-';
    std::string abbrev = remove ? option.substr(1) : option;
    std::string factor_text;
    if (!remove) {
      const std::string bad = split_pair(option, &abbrev, &factor_text);
      if (!bad.empty()) return "--unit-ref: " + bad + " (ABBR=FACTOR)";
    }
    const auto stored = stored_field("--unit-ref", abbrev, &error);
    if (!stored) return error;
    const long unit = find_unit(library, abbrev);
    if (unit == 0) return "--unit-ref: no unit " + in_quotes(abbrev) + " in the library";
    if (*stored == native)
      return "--unit-ref " + abbrev + ": the native unit is no further unit of the material";
    const bool present = std::find(further.begin(), further.end(), *stored) != further.end();
    for (long parent : ancestors(library, unit)) s.expand(kMatFurtherTree, parent);
    if (remove) {
      if (!present) return "--unit-ref -" + abbrev + ": the material has no unit " + abbrev;
      s.double_click(kMatFurtherTree, unit);
      further.erase(std::find(further.begin(), further.end(), *stored));
      continue;
    }
    const std::optional<double> factor = parse_number(factor_text);
    if (!factor) return "--unit-ref " + abbrev + ": " + in_quotes(factor_text) + " is no number";
    if (present) {
      s.select_item(kMatFurtherTree, unit);
    } else {
      s.double_click(kMatFurtherTree, unit);
      further.push_back(*stored);
    }
    s.type(kMatUnitFactor, exact_number(*factor));
  }

  const std::vector<LibrarySubprice> rows = library_subprices(library);
  const std::vector<subpriceref> linked =
      create ? std::vector<subpriceref>() : subprice_refs(library, material);
  // Formulas may name the subprices with values: those are linked before the
  // formulas and unlinked after them, as a user would do it.
  std::vector<std::string> options;
  for (int pass = 0; pass < 3; ++pass)
    for (const std::string& option : r.subprices) {
      std::string abbrev = option.substr(!option.empty() && option[0] == '-' ? 1 : 0);
      abbrev = abbrev.substr(0, abbrev.find_first_of("=*+"));
      std::string ignored;
      const std::string stored = stored_text(abbrev, &ignored).value_or(abbrev);
      bool numeric = true;
      for (const LibrarySubprice& row : rows)
        if (field_string(row.data.abbrev) == stored)
          numeric = row.data.kind == SUBPRICE_MULTIPLY || row.data.kind == SUBPRICE_ADD;
      const bool unlink = !option.empty() && option[0] == '-';
      const int order = numeric ? 1 : unlink ? 0 : 2;
      if (order == pass) options.push_back(option);
    }
  for (const std::string& option : options) {
    SubpriceChange c;
    c.text = option;
    std::string abbrev = option;
    if (!option.empty() && option[0] == '-') {
      c.unlink = true;
      abbrev = option.substr(1);
    } else if (const std::size_t at = option.find_first_of("=*+"); at != std::string::npos) {
      abbrev = option.substr(0, at);
      c.operation = option[at] == '*' ? kOperationMultiply
                    : option[at] == '+' ? kOperationAdd
                                        : kOperationPlain;
      c.value = parse_number(option.substr(at + 1));
      if (!c.value)
        return "--subprice " + option + ": " + in_quotes(option.substr(at + 1)) + " is no number";
    }
    const auto stored = stored_field("--subprice", abbrev, &error);
    if (!stored) return error;
    c.abbrev = *stored;
    int row = -1;
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (field_string(rows[i].data.abbrev) == c.abbrev) row = static_cast<int>(i);
    if (row < 0) return "--subprice " + option + ": no subprice " + in_quotes(abbrev) + " in the library";
    const SUBPRICETYPE kind = rows[static_cast<std::size_t>(row)].data.kind;
    const bool numeric = kind == SUBPRICE_MULTIPLY || kind == SUBPRICE_ADD;
    if (c.value && !numeric)
      return "--subprice " + option + ": the subprice " + abbrev + " is a " + kSubpriceKindWords[kind] +
             "; it takes no value";
    if (c.operation != kOperationPlain && create)
      return "--subprice " + option +
             ": a new material takes ABBR=VALUE; the operations * and + are for materials "
             "being edited";
    const bool is_linked_now = has_ref(linked, c.abbrev);
    const int status = c.unlink ? (create ? kRowNotLinked : kRowUnlinked)
                       : c.operation != kOperationPlain ? kRowCombined
                                                        : kRowOwnValue;
    const int current = is_linked_now ? kRowOwnValue : kRowNotLinked;
    if (c.unlink && !is_linked_now)
      return "--subprice " + option + ": the material has no subprice " + abbrev;
    if (status != current) s.right_click_row(kMatSubprices, row).choose(kStatusCommand + status);
    if (!c.unlink) {
      s.select_row(kMatSubprices, row);
      if (status == kRowCombined) s.choose_combo(kMatOperation, c.operation);
      if (c.value) s.type(kMatRowValue, exact_number(*c.value));
    }
    plan->subprices.push_back(c);
  }

  if (!r.long_texts.empty()) {
    Script& texts = filler.on(kLongTextsContext);
    for (const std::string& option : r.long_texts) {
      std::string n;
      std::string text;
      const std::string bad = split_pair(option, &n, &text);
      if (!bad.empty()) return "--long-text: " + bad + " (N=TEXT)";
      if (n.size() != 1 || n[0] < '1' || n[0] > '4')
        return "--long-text: " + in_quotes(n) + " names no long text (1 to 4)";
      // A multi-line field holds its line breaks as CR LF, as the list file carries them.
      std::string lines;
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
        lines += text[i];
      }
      const auto stored = stored_field("--long-text " + n, lines, &error);
      if (!stored) return error;
      texts.choose_tab(kLongTextTabs, n[0] - '1').type(kLongTextEdit, *stored);
    }
    texts.press(kIdAccept);
    s.press(kMatLongTexts);
  }
  s.press(kIdAccept);
  return {};
}

FieldNames material_fields() {
  return {{kMatOwnCode, "--code"},      {kMatName, "--name"},
          {kMatMarket, "--market"},     {kMatUnitPrice, "--price"},
          {kMatRowValue, "--subprice"}, {kMatOperation, "--subprice"},
          {kMatNativeFactor, "--unit"}, {kMatUnitFactor, "--unit-ref"}};
}

// Whether the stored subprice references are those the plan asked for; else the
// refusal line (a status the total price did not allow).
std::string check_subprices(LISTCONTEXT& library, long material, const MaterialScript& plan,
                            const DialogFiller& filler) {
  const std::vector<subpriceref> refs = subprice_refs(library, material);
  for (const SubpriceChange& c : plan.subprices) {
    if (has_ref(refs, c.abbrev) != c.unlink) continue;
    const std::string why = filler.last_diagnostic();
    return "--subprice " + c.text + ": the total price would not be valid" +
           (why.empty() ? std::string() : ": " + why);
  }
  return {};
}

std::string edit_material(LISTCONTEXT& library, const MaterialRequest& r, bool create,
                          long material) {
  DialogFiller filler(material_fields());
  filler.name_fields(kLongTextsContext, {{kLongTextEdit, "--long-text"}});
  MaterialScript plan;
  const std::string bad = build_script(library, r, create, material, filler, &plan);
  if (!bad.empty()) return bad;
  Material cursor(&library, material);
  const int result = filler.run([&] { return CrtEditMaterial(console_window(), &cursor, create ? 5 : 1); });
  if (filler.refused_action() && filler.refusal().rfind("cannot choose command", 0) == 0) {
    // A status the context menu did not offer: the total price would not be valid.
    const std::string why = filler.last_diagnostic();
    return "--subprice: a subprice cannot be linked or unlinked while the total price would "
           "not be valid" +
           (why.empty() ? std::string() : ": " + why);
  }
  if (filler.refused_action() || filler.warned() || result == 0) {
    const std::string why = filler.refusal();
    return why.empty() ? std::string("cannot write the material") + because(library) +
                             "; the library is unchanged"
                       : why;
  }
  return check_subprices(library, cursor.elemid(), plan, filler);
}

int material_new(LISTCONTEXT& library, const MaterialRequest& r, Output& out) {
  const std::string code = r.under.empty() ? r.code : r.under + "." + r.code;
  return change_library(
      library, out, [&] { return create_material(library, r); },
      "created " + code + " " + r.name.value_or(""));
}

int material_edit(LISTCONTEXT& library, const MaterialRequest& r, Output& out) {
  const long id = find_material(library, r.code);
  if (id == 0) return out.fail(unknown_code(r.code));
  return change_library(
      library, out, [&] { return edit_material(library, r, false, id); }, "changed " + r.code);
}

int material_rename(LISTCONTEXT& library, const std::string& code, const std::string& name,
                    Output& out) {
  const long id = find_material(library, code);
  if (id == 0) return out.fail(unknown_code(code));
  return change_library(
      library, out,
      [&]() -> std::string {
        DialogFiller filler({{kMatName, "NAME"}});
        std::string error;
        const auto stored = stored_field("NAME", name, &error);
        if (!stored) return error;
        filler.on(kRenameMaterialContext).type(kMatName, *stored).press(kIdAccept);
        Material cursor(&library, id);
        const int result =
            filler.run([&] { return CrtRenameMaterial(console_window(), &cursor); });
        if (result != 0 && !filler.refused_action()) return {};
        const std::string why = filler.refusal();
        return why.empty() ? "cannot rename " + in_quotes(code) + because(library) : why;
      },
      "renamed " + code + " to " + name);
}

// ---- showing ------------------------------------------------------------------------

// The total price as the editing dialog computes it from the stored material: the
// rows of the library's subprices, those the material refers to linked with their
// stored values.
std::optional<double> total_price(LISTCONTEXT& library, long material, double unit_price,
                                  std::string* fault) {
  SubpriceRows rows;
  rows.set_unit_price(unit_price);
  for (const LibrarySubprice& s : library_subprices(library)) {
    SubpriceRow row;
    row.subprice = s.id;
    row.abbrev = field_string(s.data.abbrev);
    row.name = field_string(s.data.name);
    row.kind = s.data.kind;
    row.library_value = s.data.value;
    row.formula = field_string(s.data.formula);
    row.value = s.data.value;
    rows.add(row);
  }
  for (const subpriceref& ref : subprice_refs(library, material)) {
    SubpriceRow* row = rows.find(field_string(ref.abbrev));
    if (row == nullptr || is_linked(row->status)) continue;  // the first reference shows
    row->status = kRowOwnValue;
    row->value = ref.value;
  }
  return rows.total(fault);
}

int material_show(LISTCONTEXT& library, const std::string& code, bool json, Output& out) {
  const long id = find_material(library, code);
  if (id == 0) return out.fail(unknown_code(code));
  Material m(&library, id);
  if (m.read() == 0) return out.fail("cannot read " + in_quotes(code));
  std::string fault;
  const std::optional<double> total = total_price(library, id, m.data.unit_price, &fault);
  const std::vector<subpriceref> prices = subprice_refs(library, id);
  const std::vector<unitref> units = unit_refs(library, id);
  std::string names[kLongTextCount];
  std::string texts[kLongTextCount];
  for (int i = 0; i < kLongTextCount; ++i) {
    char name[kLongTextNameSize] = {};
    GetLongTextName(&library, static_cast<short>(i), name);
    names[i] = field_string(name);
    const char* bytes = m.texts[i];
    if (bytes != nullptr) texts[i].assign(bytes, m.texts[i].size());
  }
  auto subprice_of = [&](const subpriceref& ref) {
    dbsubprice s{};
    library.find_subprice(field_string(ref.abbrev).c_str(), s);
    return s;
  };
  auto unit_of = [&](const unitref& ref) {
    dbunit u{};
    library.find_unit(field_string(ref.abbrev).c_str(), u);
    return u;
  };
  if (json) {
    using J = nlohmann::ordered_json;
    J subprices = J::array();
    for (const subpriceref& ref : prices) {
      const dbsubprice s = subprice_of(ref);
      const bool known = s.abbrev[0] != '\0';
      subprices.push_back({{"abbrev", utf8_text(field_string(ref.abbrev))},
                           {"name", known ? J(utf8_text(field_string(s.name))) : J()},
                           {"kind", known && s.kind >= 0 && s.kind <= 3 ? J(kSubpriceKindWords[s.kind]) : J()},
                           {"formula", known && s.kind != SUBPRICE_MULTIPLY && s.kind != SUBPRICE_ADD
                                           ? J(utf8_text(field_string(s.formula)))
                                           : J()},
                           {"value", ref.value}});
    }
    J unit_list = J::array();
    for (const unitref& ref : units) {
      const dbunit u = unit_of(ref);
      unit_list.push_back({{"abbrev", utf8_text(field_string(ref.abbrev))},
                           {"name", u.abbrev[0] != '\0' ? J(utf8_text(field_string(u.name))) : J()},
                           {"factor", ref.factor}});
    }
    J long_texts = J::array();
    for (int i = 0; i < kLongTextCount; ++i)
      long_texts.push_back({{"name", utf8_text(names[i])}, {"text", utf8_text(texts[i])}});
    J shown = {{"code", code},
               {"name", utf8_text(field_string(m.data.name))},
               {"market", utf8_text(field_string(m.data.market))},
               {"unit_price", m.data.unit_price},
               {"native_unit", utf8_text(field_string(m.data.native_unit))},
               {"total_price", total ? J(*total) : J()}};
    if (!total) shown["total_fault"] = utf8_text(fault);
    shown["subprices"] = std::move(subprices);
    shown["units"] = std::move(unit_list);
    shown["long_texts"] = std::move(long_texts);
    out.out() << shown.dump(2) << '\n';
    return 0;
  }
  std::ostream& o = out.out();
  const std::string native = field_string(m.data.native_unit);
  o << code << "  " << shown_text(field_string(m.data.name)) << '\n';
  o << "market: " << shown_text(field_string(m.data.market)) << '\n';
  o << "unit price: " << fixed2(m.data.unit_price)
    << (native.empty() ? std::string() : " / " + shown_text(native)) << '\n';
  o << "subprices:\n";
  for (const subpriceref& ref : prices) {
    const dbsubprice s = subprice_of(ref);
    const char* marks[] = {"(=)", "(*)", "(+)", "(i)"};
    o << "  " << shown_text(field_string(ref.abbrev)) << "  ";
    if (s.abbrev[0] == '\0') {
      o << "(not in the library)  " << shown_number(ref.value) << '\n';
      continue;
    }
    o << shown_text(field_string(s.name)) << ' ' << (s.kind >= 0 && s.kind <= 3 ? marks[s.kind] : "")
      << "  ";
    if (s.kind == SUBPRICE_MULTIPLY || s.kind == SUBPRICE_ADD)
      o << shown_number(ref.value);
    else
      o << shown_text(field_string(s.formula));
    o << '\n';
  }
  o << "total price: " << (total ? fixed2(*total) : "(invalid: " + shown_message(fault) + ")")
    << '\n';
  o << "units:\n";
  for (const unitref& ref : units) {
    const dbunit u = unit_of(ref);
    o << "  " << shown_text(field_string(ref.abbrev)) << "  " << shown_text(field_string(u.name)) << "  factor "
      << shown_number(ref.factor) << '\n';
  }
  o << "long texts:\n";
  for (int i = 0; i < kLongTextCount; ++i) {
    if (texts[i].empty()) continue;
    o << "  [" << (names[i].empty() ? std::to_string(i + 1) : shown_text(names[i])) << "] "
      << shown_text(texts[i]) << '\n';
  }
  return 0;
}

// ---- the library's settings -------------------------------------------------------------

int long_text_names(LISTCONTEXT& library, const std::vector<std::string>& names, Output& out) {
  return change_library(
      library, out, [&] { return set_long_text_names(library, names); },
      "set the long text names");
}

int separator(LISTCONTEXT& library, const std::string& text, Output& out) {
  return change_library(
      library, out, [&] { return set_separator(library, text); },
      "set the separator of code components to " + (text == "p" ? std::string(".") : text));
}

void material_options(CLI::App* cmd, MaterialRequest& r) {
  cmd->add_option("--market", r.market, "Name of its market, one of the library's");
  cmd->add_option("--price", r.price, "Its unit price, 0 to 9999999999");
  cmd->add_option("--unit", r.unit,
                  "ABBR[=FACTOR]: its native unit, the unit of the price, with its conversion "
                  "factor (1 to 9999999999, default 1)");
  cmd->add_option("--unit-ref", r.unit_refs,
                  "ABBR=FACTOR: a further unit, with how many of it make one native unit "
                  "(2e-6 to 9999999999); -ABBR takes one away (edit); repeatable")
      ->allow_extra_args(false);
  cmd->add_option("--subprice", r.subprices,
                  "ABBR=VALUE links a subprice with the material's own value; ABBR alone links "
                  "a formula or information subprice; when editing also ABBR*VALUE and "
                  "ABBR+VALUE (the value times or plus the library's value) and -ABBR to "
                  "unlink it; a change that would make the total price invalid is refused; "
                  "repeatable")
      ->allow_extra_args(false);
  cmd->add_option("--long-text", r.long_texts,
                  "N=TEXT: long text N (1 to 4), up to 16000 characters; a line break is "
                  "stored as CR LF; repeatable")
      ->allow_extra_args(false);
}

}  // namespace

std::string create_material(LISTCONTEXT& library, const MaterialRequest& r) {
  long parent = 0;
  if (!r.under.empty() && (parent = find_material(library, r.under)) == 0)
    return "--under: " + unknown_code(r.under);
  return edit_material(library, r, true, parent);
}

std::string set_long_text_names(LISTCONTEXT& library, const std::vector<std::string>& names) {
  if (names.size() != kLongTextCount) return "four long text names are needed";
  FieldNames fields;
  for (int i = 0; i < kLongTextCount; ++i)
    fields[listdlg::kName + i] = "N" + std::to_string(i + 1);
  DialogFiller filler(fields);
  Script& s = filler.on(listdlg::kLongTextNamesContext);
  std::string error;
  for (int i = 0; i < kLongTextCount; ++i) {
    const auto stored =
        stored_field("N" + std::to_string(i + 1), names[static_cast<std::size_t>(i)], &error);
    if (!stored) return error;
    s.type(listdlg::kName + i, *stored);
  }
  s.press(kIdAccept);
  const int result = filler.run([&] { return CrtLongTextNames(console_window(), &library); });
  if (result != 0 && !filler.refused_action()) return {};
  const std::string why = filler.refusal();
  return why.empty() ? "cannot set the long text names" + because(library) : why;
}

std::string set_separator(LISTCONTEXT& library, const std::string& text) {
  DialogFiller filler({{listdlg::kName, "CHAR"}});
  std::string error;
  const auto stored = stored_field("CHAR", text, &error);
  if (!stored) return error;
  filler.on(listdlg::kSeparatorContext).type(listdlg::kName, *stored).press(kIdAccept);
  const int result =
      filler.run([&] { return CrtMatIDSeparator(console_window(), &library); });
  if (result != 0 && !filler.refused_action()) return {};
  const std::string why = filler.refusal();
  return why.empty() ? "cannot set the separator" + because(library) : why;
}

void add_material_edit_commands(CLI::App& group, Context& context) {
  {
    CLI::App* cmd = group.add_subcommand("new", "Create a material through its editing dialog");
    auto r = std::make_shared<MaterialRequest>();
    cmd->add_option("--code", r->code,
                    "Its own code component, 1 to 31 characters, without the separator and \".\"")
        ->required();
    cmd->add_option("--under", r->under, "Code of the material to create it below (default: a root)");
    cmd->add_option("--name", r->name, "Its name, 1 to 255 characters")->required();
    material_options(cmd, *r);
    cmd->callback(changing_library(context, "materials new", [r](LISTCONTEXT& l, Output& o) {
      return material_new(l, *r, o);
    }));
  }
  {
    CLI::App* cmd = group.add_subcommand(
        "edit", "Change a material through its editing dialog; only what the options name");
    auto r = std::make_shared<MaterialRequest>();
    cmd->add_option("CODE", r->code, "Code of the material, components joined by \".\"")->required();
    material_options(cmd, *r);
    cmd->callback(changing_library(context, "materials edit", [r](LISTCONTEXT& l, Output& o) {
      return material_edit(l, *r, o);
    }));
  }
  {
    CLI::App* cmd = group.add_subcommand("rename", "Rename a material");
    auto code = std::make_shared<std::string>();
    auto name = std::make_shared<std::string>();
    cmd->add_option("CODE", *code, "Code of the material")->required();
    cmd->add_option("NAME", *name, "The new name, 1 to 255 characters")->required();
    cmd->callback(changing_library(context, "materials rename", [=](LISTCONTEXT& l, Output& o) {
      return material_rename(l, *code, *name, o);
    }));
  }
  {
    CLI::App* cmd = group.add_subcommand(
        "show", "Show a material: prices with the total price, units and long texts");
    auto code = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    cmd->add_option("CODE", *code, "Code of the material")->required();
    cmd->add_flag("--json", *json,
                  "As JSON: code, name, market, unit_price, native_unit, total_price (null with "
                  "total_fault when a formula fails), subprices, units and long_texts (UTF-8)");
    cmd->callback(reading_library(context, "materials show", [=](LISTCONTEXT& l, Output& o) {
      return material_show(l, *code, *json, o);
    }));
  }
  {
    CLI::App* cmd = group.add_subcommand("long-text-names", "Name the four long texts");
    auto names = std::make_shared<std::vector<std::string>>();
    cmd->add_option("N1 N2 N3 N4", *names, "The four names, 0 to 24 characters each")
        ->required()
        ->expected(kLongTextCount);
    cmd->callback(changing_library(context, "materials long-text-names", [=](LISTCONTEXT& l, Output& o) {
      return long_text_names(l, *names, o);
    }));
  }
  {
    CLI::App* cmd =
        group.add_subcommand("separator", "Set the character that joins code components");
    auto text = std::make_shared<std::string>();
    cmd->add_option("CHAR", *text,
                    "One character, held by no stored code (\"p\" stands for \".\")")
        ->required();
    cmd->callback(changing_library(context, "materials separator", [=](LISTCONTEXT& l, Output& o) {
      return separator(l, *text, o);
    }));
  }
}

}  // namespace dlist::cli
