// `dlist materials dimension|unit|market|subprice ...`: the library's dimensions,
// units, markets and subprices created, changed, renamed and removed through their
// dialogs. Each command fills its dialog as the user would and presses OK, so the
// dialog's checks apply; a refusal is printed with the field it names and leaves
// the library as it was.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/console_window.h"
#include "cli/dialog_filler.h"
#include "cli/material_edit_commands.h"
#include "cli/material_library_file.h"
#include "foundation/code_page.h"
#include "host/dialog/engine.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/list/list_context.h"
#include "host/resources.h"
#include "materials/list_dialog_ids.h"
#include "materials/list_dialogs.h"
#include "materials/material_library.h"

namespace dlist::cli {
namespace {

using namespace dlist::listdlg;

constexpr int kUnitOfAnotherDimension = 50033;


// Runs call with the scripts of filler; empty when the dialog did its work, else
// the refusal line.
std::string through_dialog(DialogFiller& filler, const std::function<int()>& call,
                           const std::string& what) {
  const int result = filler.run(call);
  if (filler.refused_action()) return filler.refusal();
  if (result != 0) return {};
  const std::string why = filler.refusal();
  return why.empty() ? "cannot " + what + "; the library is unchanged" : why;
}

// The line of a question the command cannot get answered.
std::string needs_answer(const std::string& what) {
  return what +
         " asks for a confirmation: use --yes to go ahead (or --no), or run it on a "
         "terminal";
}

// A removal through the system's operation, which asks first: empty on success,
// else the refusal line.
std::string removed(const std::function<int()>& remove, const std::string& what,
                    LISTCONTEXT& library) {
  const auto& boxes = dialog_log().message_boxes;
  const std::size_t asked_before = boxes.size();
  if (remove() != 0) return {};
  if (boxes.size() > asked_before && boxes.back().answer == kIdNo)
    return "kept " + what + ": the answer was No";
  return "cannot remove " + what + because(library) + "; the library is unchanged";
}

// The identifiers of records by their names as typed (UTF-8); 0 when none.

long find_dimension(LISTCONTEXT& library, const std::string& name) {
  std::string ignored;
  const std::optional<std::string> stored = stored_text(name, &ignored);
  return stored && !stored->empty() ? FindDimensionByName(&library, stored->c_str()) : 0;
}

long find_market(LISTCONTEXT& library, const std::string& name) {
  std::string ignored;
  const std::optional<std::string> stored = stored_text(name, &ignored);
  dbmarket rec{};
  const long id = stored && !stored->empty() ? library.find_market(stored->c_str(), rec) : 0;
  return id > 0 ? id : 0;
}

long find_subprice(LISTCONTEXT& library, const std::string& abbrev) {
  std::string ignored;
  const std::optional<std::string> stored = stored_text(abbrev, &ignored);
  dbsubprice rec{};
  const long id = stored && !stored->empty() ? library.find_subprice(stored->c_str(), rec) : 0;
  return id > 0 ? id : 0;
}

std::string no_such(const char* what, const std::string& name) {
  return std::string("no ") + what + " " + in_quotes(name) + " in the library";
}

// Types text (UTF-8) into control, converted to the stored code page; false, with
// the refusal in *error, when it cannot be held.
bool type_text(Script& script, int control, const std::string& field_name, const std::string& text,
               std::string* error) {
  const std::optional<std::string> stored = stored_field(field_name, text, error);
  if (!stored) return false;
  script.type(control, *stored);
  return true;
}

// ---- dimensions -------------------------------------------------------------------

std::string dimension_new_change(LISTCONTEXT& library, const std::string& name) {
  DialogFiller filler({{kName, "NAME"}});
  std::string error;
  Script& script = filler.on(kDimensionContext);
  if (!type_text(script, kName, "NAME", name, &error)) return error;
  script.press(kIdAccept);
  Unit dimension(&library, 0);
  return through_dialog(
      filler, [&] { return CrtEditDimension(console_window(), &dimension, 5); },
      "create the dimension " + in_quotes(name));
}

int dimension_new(LISTCONTEXT& library, const std::string& name, Output& out) {
  return change_library(
      library, out, [&] { return dimension_new_change(library, name); },
      "created the dimension " + name);
}

int dimension_rename(LISTCONTEXT& library, const std::string& name, const std::string& new_name,
                     Output& out) {
  const long id = find_dimension(library, name);
  if (id == 0) return out.fail(no_such("dimension", name));
  return change_library(
      library, out,
      [&]() -> std::string {
        // The dimension dialog, unlike the renaming of a unit, keeps the names of the
        // dimensions apart.
        DialogFiller filler({{kName, "NEW_NAME"}});
        std::string error;
        Script& script = filler.on(kDimensionContext);
        if (!type_text(script, kName, "NEW_NAME", new_name, &error)) return error;
        script.press(kIdAccept);
        Unit dimension(&library, id);
        return through_dialog(
            filler, [&] { return CrtEditDimension(console_window(), &dimension, 1); },
            "rename the dimension " + in_quotes(name));
      },
      "renamed the dimension " + name + " to " + new_name);
}

int unit_remove(LISTCONTEXT& library, long id, const std::string& what, bool can_answer,
                Output& out) {
  if (!can_answer) return out.fail(needs_answer("removing " + what));
  return change_library(
      library, out,
      [&]() -> std::string {
        Unit unit(&library, id);
        if (unit.read() == 0) return "cannot read " + what;
        return removed([&] { return RemoveUnit(console_window(), &unit); }, what, library);
      },
      "removed " + what);
}

// ---- units ---------------------------------------------------------------------------


std::string unit_new_change(LISTCONTEXT& library, const UnitRequest& r) {
  const long dimension = find_dimension(library, r.dimension);
  if (dimension == 0) return no_such("dimension", r.dimension);
  long parent = dimension;
  if (!r.under.empty()) {
    parent = find_unit(library, r.under);
    if (parent == 0) return no_such("unit", r.under);
    if (GetUnitDimension(&library, parent) != dimension)
      return "--under: " + shown_message(load_string(kUnitOfAnotherDimension));
  }
  const bool has_basic = GetBasicUnitProc(&library, dimension) != 0;
  if (r.factor && !has_basic)
    return "--factor: the dimension " + in_quotes(r.dimension) +
                    " has no basic unit yet; its first unit becomes the basic unit (factor 1)";

  DialogFiller filler({{kName, "--name"}, {kAbbrev, "ABBR"}, {kValue, "--factor"}});
  std::string error;
  Script& script = filler.on(kUnitContext);
  if (!type_text(script, kName, "--name", r.name.value_or(""), &error) ||
      !type_text(script, kAbbrev, "ABBR", r.abbrev, &error))
    return error;
  if (r.factor) script.type(kValue, exact_number(*r.factor));
  script.press(kIdAccept);
  Unit unit(&library, 0);
  return through_dialog(
      filler, [&] { return CrtEditUnit(console_window(), &unit, parent, 5); },
      "create the unit " + in_quotes(r.abbrev));
}

int unit_new(LISTCONTEXT& library, const UnitRequest& r, Output& out) {
  const long dimension = find_dimension(library, r.dimension);
  const bool has_basic = dimension != 0 && GetBasicUnitProc(&library, dimension) != 0;
  return change_library(
      library, out, [&] { return unit_new_change(library, r); },
      "created the unit " + r.abbrev + (has_basic ? "" : " (the basic unit of " + r.dimension + ")"));
}

int unit_edit(LISTCONTEXT& library, const UnitRequest& r, Output& out) {
  const long id = find_unit(library, r.abbrev);
  if (id == 0) return out.fail(no_such("unit", r.abbrev));
  const long dimension = GetUnitDimension(&library, id);
  if (r.factor && (dimension == 0 || GetBasicUnitProc(&library, dimension) == 0))
    return out.fail("--factor: the unit's dimension has no basic unit");
  return change_library(
      library, out,
      [&]() -> std::string {
        DialogFiller filler({{kName, "--name"}, {kValue, "--factor"}});
        std::string error;
        Script& script = filler.on(kUnitContext);
        if (r.name && !type_text(script, kName, "--name", *r.name, &error)) return error;
        if (r.factor) script.type(kValue, exact_number(*r.factor));
        script.press(kIdAccept);
        Unit unit(&library, id);
        return through_dialog(
            filler, [&] { return CrtEditUnit(console_window(), &unit, 0, 1); },
            "change the unit " + in_quotes(r.abbrev));
      },
      "changed the unit " + r.abbrev);
}

int unit_rename(LISTCONTEXT& library, const std::string& abbrev, const std::string& name,
                Output& out) {
  const long id = find_unit(library, abbrev);
  if (id == 0) return out.fail(no_such("unit", abbrev));
  return change_library(
      library, out,
      [&]() -> std::string {
        DialogFiller filler({{kName, "NAME"}});
        std::string error;
        Script& script = filler.on(kRenameUnitContext);
        if (!type_text(script, kName, "NAME", name, &error)) return error;
        script.press(kIdAccept);
        Unit unit(&library, id);
        return through_dialog(filler, [&] { return CrtRenameUnit(console_window(), &unit); },
                              "rename the unit " + in_quotes(abbrev));
      },
      "renamed the unit " + abbrev + " to " + name);
}

// ---- markets ---------------------------------------------------------------------------

std::string market_change(LISTCONTEXT& library, const std::string& name,
                          const std::string* new_name) {
  long id = 0;
  if (new_name != nullptr && (id = find_market(library, name)) == 0)
    return no_such("market", name);
  const std::string& typed = new_name != nullptr ? *new_name : name;
  const char* field_name = new_name != nullptr ? "NEW_NAME" : "NAME";

  DialogFiller filler({{kName, field_name}});
  std::string error;
  Script& script = filler.on(kMarketContext);
  if (!type_text(script, kName, field_name, typed, &error)) return error;
  script.press(kIdAccept);
  Market market(&library, id);
  return through_dialog(
      filler,
      [&] { return CrtEditMarket(console_window(), &market, new_name != nullptr ? 2 : 3); },
      (new_name != nullptr ? "rename the market " : "create the market ") + in_quotes(name));
}

int market_edit(LISTCONTEXT& library, const std::string& name, const std::string* new_name,
                Output& out) {
  return change_library(
      library, out, [&] { return market_change(library, name, new_name); },
      new_name != nullptr ? "renamed the market " + name + " to " + *new_name
                          : "created the market " + name);
}

int market_remove(LISTCONTEXT& library, const std::string& name, bool can_answer, Output& out) {
  const long id = find_market(library, name);
  if (id == 0) return out.fail(no_such("market", name));
  const std::string what = "the market " + in_quotes(name);
  if (!can_answer) return out.fail(needs_answer("removing " + what));
  return change_library(
      library, out,
      [&]() -> std::string {
        Market market(&library, id);
        if (market.read() == 0) return "cannot read " + what;
        return removed([&] { return RemoveMarket(console_window(), &market); }, what, library);
      },
      "removed " + what);
}

// ---- subprices ---------------------------------------------------------------------------


int kind_of(const std::string& word) {
  for (int kind = 0; kind < 4; ++kind)
    if (word == kSubpriceKindWords[kind]) return kind;
  return -1;
}

std::string subprice_change(LISTCONTEXT& library, const SubpriceRequest& r, bool create) {
  long id = 0;
  dbsubprice stored{};
  if (!create) {
    if ((id = find_subprice(library, r.abbrev)) == 0) return no_such("subprice", r.abbrev);
    library.get(id, stored);
  }
  int kind = r.kind.empty() ? (create ? SUBPRICE_MULTIPLY : static_cast<int>(stored.kind))
                            : kind_of(r.kind);
  if (kind < 0) return "--kind: unknown kind " + in_quotes(r.kind) +
                                " (formula, multiplier, addition or information)";
  const bool has_value = kind == SUBPRICE_MULTIPLY || kind == SUBPRICE_ADD;
  if (r.value && !has_value)
    return "--value: a subprice of the kind " + std::string(kSubpriceKindWords[kind]) +
                    " takes a --formula";
  if (r.formula && has_value)
    return "--formula: a subprice of the kind " + std::string(kSubpriceKindWords[kind]) +
                    " takes a --value";
  if (create && !r.value && !r.formula)
    return has_value ? "--value is needed for this kind" : "--formula is needed for this kind";

  DialogFiller filler({{kAbbrev, "ABBR"},
                       {kName, "--name"},
                       {kKind, "--kind"},
                       {kValue, "--value"},
                       {kFormula, "--formula"}});
  std::string error;
  Script& script = filler.on(kSubpriceContext);
  if (create && !type_text(script, kAbbrev, "ABBR", r.abbrev, &error)) return error;
  if ((create || r.name) && !type_text(script, kName, "--name", r.name.value_or(""), &error))
    return error;
  if (!r.kind.empty()) script.choose_combo(kKind, kind);
  if (r.value) script.type(kValue, exact_number(*r.value));
  if (r.formula && !type_text(script, kFormula, "--formula", *r.formula, &error))
    return error;
  script.press(kIdAccept);
  Subprice subprice(&library, id);
  return through_dialog(
      filler,
      [&] { return CrtEditSubprice(console_window(), &subprice, create ? 3 : 1); },
      (create ? "create the subprice " : "change the subprice ") + in_quotes(r.abbrev));
}

int subprice_edit(LISTCONTEXT& library, const SubpriceRequest& r, bool create, Output& out) {
  return change_library(
      library, out, [&] { return subprice_change(library, r, create); },
      (create ? "created the subprice " : "changed the subprice ") + r.abbrev);
}

int subprice_rename(LISTCONTEXT& library, const std::string& abbrev, const std::string& name,
                    Output& out) {
  const long id = find_subprice(library, abbrev);
  if (id == 0) return out.fail(no_such("subprice", abbrev));
  return change_library(
      library, out,
      [&]() -> std::string {
        DialogFiller filler({{kName, "NAME"}});
        std::string error;
        Script& script = filler.on(kRenameSubpriceContext);
        if (!type_text(script, kName, "NAME", name, &error)) return error;
        script.press(kIdAccept);
        Subprice subprice(&library, id);
        return through_dialog(filler,
                              [&] { return CrtRenameSubprice(console_window(), &subprice); },
                              "rename the subprice " + in_quotes(abbrev));
      },
      "renamed the subprice " + abbrev + " to " + name);
}

int subprice_remove(LISTCONTEXT& library, const std::string& abbrev, bool can_answer,
                    Output& out) {
  const long id = find_subprice(library, abbrev);
  if (id == 0) return out.fail(no_such("subprice", abbrev));
  const std::string what = "the subprice " + in_quotes(abbrev);
  if (!can_answer) return out.fail(needs_answer("removing " + what));
  return change_library(
      library, out,
      [&]() -> std::string {
        Subprice subprice(&library, id);
        if (subprice.read() == 0) return "cannot read " + what;
        return removed([&] { return RemoveSubprice(console_window(), &subprice); }, what, library);
      },
      "removed " + what);
}

}  // namespace

std::string create_dimension(LISTCONTEXT& library, const std::string& name) {
  return dimension_new_change(library, name);
}

std::string create_unit(LISTCONTEXT& library, const UnitRequest& request) {
  return unit_new_change(library, request);
}

std::string create_market(LISTCONTEXT& library, const std::string& name) {
  return market_change(library, name, nullptr);
}

std::string create_subprice(LISTCONTEXT& library, const SubpriceRequest& request) {
  return subprice_change(library, request, true);
}

void add_material_record_commands(CLI::App& group, Context& context) {
  auto answerable = [&context] { return can_answer_questions(context); };

  // dimension
  CLI::App* dimension =
      group.add_subcommand("dimension", "Create, rename or remove a dimension of units");
  dimension->require_subcommand(1);
  {
    CLI::App* cmd = dimension->add_subcommand("new", "Create a dimension (at most 32)");
    auto name = std::make_shared<std::string>();
    cmd->add_option("NAME", *name, "Its name, 1 to 24 characters, not that of another one")
        ->required();
    cmd->callback(changing_library(context, "materials dimension new", [name](LISTCONTEXT& l, Output& o) {
      return dimension_new(l, *name, o);
    }));
  }
  {
    CLI::App* cmd = dimension->add_subcommand("rename", "Rename a dimension");
    auto name = std::make_shared<std::string>();
    auto new_name = std::make_shared<std::string>();
    cmd->add_option("NAME", *name, "Its name")->required();
    cmd->add_option("NEW_NAME", *new_name, "The new name, not that of another dimension")
        ->required();
    cmd->callback(changing_library(context, "materials dimension rename", [=](LISTCONTEXT& l, Output& o) {
      return dimension_rename(l, *name, *new_name, o);
    }));
  }
  {
    CLI::App* cmd = dimension->add_subcommand(
        "remove", "Remove a dimension with its units (asks first; --yes, --no)");
    auto name = std::make_shared<std::string>();
    cmd->add_option("NAME", *name, "Its name")->required();
    cmd->callback(changing_library(context, "materials dimension remove", [=](LISTCONTEXT& l, Output& o) {
      const long id = find_dimension(l, *name);
      if (id == 0) return o.fail(no_such("dimension", *name));
      return unit_remove(l, id, "the dimension " + in_quotes(*name), answerable(), o);
    }));
  }

  // unit
  CLI::App* unit = group.add_subcommand("unit", "Create, change, rename or remove a unit");
  unit->require_subcommand(1);
  {
    CLI::App* cmd = unit->add_subcommand(
        "new",
        "Create a unit in a dimension; the first unit of a dimension without a basic unit "
        "becomes its basic unit (factor 1)");
    auto r = std::make_shared<UnitRequest>();
    cmd->add_option("ABBR", r->abbrev, "Its abbreviation, 1 to 4 characters, not taken")
        ->required();
    cmd->add_option("--dimension", r->dimension, "Name of its dimension")->required();
    cmd->add_option("--name", r->name, "Its name, 1 to 24 characters")->required();
    cmd->add_option("--factor", r->factor,
                    "How many of it make one basic unit (above 0, not 1 when the dimension "
                    "has a basic unit)");
    cmd->add_option("--under", r->under,
                    "Abbreviation of the unit of the dimension to place it below "
                    "(default: directly below the dimension)");
    cmd->callback(changing_library(context, "materials unit new", [r](LISTCONTEXT& l, Output& o) {
      return unit_new(l, *r, o);
    }));
  }
  {
    CLI::App* cmd = unit->add_subcommand("edit", "Change the name or factor of a unit");
    auto r = std::make_shared<UnitRequest>();
    cmd->add_option("ABBR", r->abbrev, "Its abbreviation")->required();
    cmd->add_option("--name", r->name, "The new name, 1 to 24 characters");
    cmd->add_option("--factor", r->factor, "The new factor (above 0; 1 only for the basic unit)");
    cmd->callback(changing_library(context, "materials unit edit", [r](LISTCONTEXT& l, Output& o) {
      return unit_edit(l, *r, o);
    }));
  }
  {
    CLI::App* cmd = unit->add_subcommand("rename", "Rename a unit");
    auto abbrev = std::make_shared<std::string>();
    auto name = std::make_shared<std::string>();
    cmd->add_option("ABBR", *abbrev, "Its abbreviation")->required();
    cmd->add_option("NAME", *name, "The new name, 1 to 24 characters")->required();
    cmd->callback(changing_library(context, "materials unit rename", [=](LISTCONTEXT& l, Output& o) {
      return unit_rename(l, *abbrev, *name, o);
    }));
  }
  {
    CLI::App* cmd = unit->add_subcommand(
        "remove", "Remove a unit with the units below it (asks first; --yes, --no)");
    auto abbrev = std::make_shared<std::string>();
    cmd->add_option("ABBR", *abbrev, "Its abbreviation")->required();
    cmd->callback(changing_library(context, "materials unit remove", [=](LISTCONTEXT& l, Output& o) {
      const long id = find_unit(l, *abbrev);
      if (id == 0) return o.fail(no_such("unit", *abbrev));
      return unit_remove(l, id, "the unit " + in_quotes(*abbrev), answerable(), o);
    }));
  }

  // market
  CLI::App* market = group.add_subcommand("market", "Create, rename or remove a market");
  market->require_subcommand(1);
  {
    CLI::App* cmd = market->add_subcommand("new", "Create a market");
    auto name = std::make_shared<std::string>();
    cmd->add_option("NAME", *name, "Its name, 1 to 26 characters, not taken")->required();
    cmd->callback(changing_library(context, "materials market new", [=](LISTCONTEXT& l, Output& o) {
      return market_edit(l, *name, nullptr, o);
    }));
  }
  {
    CLI::App* cmd = market->add_subcommand("rename", "Rename a market");
    auto name = std::make_shared<std::string>();
    auto new_name = std::make_shared<std::string>();
    cmd->add_option("NAME", *name, "Its name")->required();
    cmd->add_option("NEW_NAME", *new_name, "The new name, 1 to 26 characters, not taken")
        ->required();
    cmd->callback(changing_library(context, "materials market rename", [=](LISTCONTEXT& l, Output& o) {
      return market_edit(l, *name, new_name.get(), o);
    }));
  }
  {
    CLI::App* cmd = market->add_subcommand("remove", "Remove a market (asks first; --yes, --no)");
    auto name = std::make_shared<std::string>();
    cmd->add_option("NAME", *name, "Its name")->required();
    cmd->callback(changing_library(context, "materials market remove", [=](LISTCONTEXT& l, Output& o) {
      return market_remove(l, *name, answerable(), o);
    }));
  }

  // subprice
  CLI::App* subprice =
      group.add_subcommand("subprice", "Create, change, rename or remove a subprice");
  subprice->require_subcommand(1);
  const std::string kinds =
      "formula (its formula's result is added), multiplier (value times the unit price is "
      "added), addition (the value is added) or information (its formula is only evaluated)";
  auto subprice_options = [&kinds](CLI::App* cmd, SubpriceRequest& r, bool create) {
    cmd->add_option("ABBR", r.abbrev,
                    create ? "Its abbreviation, 1 to 4 characters, not taken" : "Its abbreviation")
        ->required();
    CLI::Option* name = cmd->add_option("--name", r.name, "Its name, 1 to 44 characters");
    CLI::Option* kind = cmd->add_option("--kind", r.kind, "Its kind: " + kinds);
    if (create) {
      name->required();
      kind->required();
    }
    CLI::Option* value = cmd->add_option(
        "--value", r.value, "The value of a multiplier or addition, -999999999 to 999999999");
    CLI::Option* formula = cmd->add_option(
        "--formula", r.formula,
        "The formula of a formula or information, 1 to 31 characters; it may name the other "
        "subprices' abbreviations and the unit price, and must evaluate");
    value->excludes(formula);
  };
  {
    CLI::App* cmd = subprice->add_subcommand("new", "Create a subprice");
    auto r = std::make_shared<SubpriceRequest>();
    subprice_options(cmd, *r, true);
    cmd->callback(changing_library(context, "materials subprice new", [r](LISTCONTEXT& l, Output& o) {
      return subprice_edit(l, *r, true, o);
    }));
  }
  {
    CLI::App* cmd = subprice->add_subcommand(
        "edit", "Change the name, kind, value or formula of a subprice");
    auto r = std::make_shared<SubpriceRequest>();
    subprice_options(cmd, *r, false);
    cmd->callback(changing_library(context, "materials subprice edit", [r](LISTCONTEXT& l, Output& o) {
      return subprice_edit(l, *r, false, o);
    }));
  }
  {
    CLI::App* cmd = subprice->add_subcommand("rename", "Rename a subprice");
    auto abbrev = std::make_shared<std::string>();
    auto name = std::make_shared<std::string>();
    cmd->add_option("ABBR", *abbrev, "Its abbreviation")->required();
    cmd->add_option("NAME", *name, "The new name, 1 to 44 characters")->required();
    cmd->callback(changing_library(context, "materials subprice rename", [=](LISTCONTEXT& l, Output& o) {
      return subprice_rename(l, *abbrev, *name, o);
    }));
  }
  {
    CLI::App* cmd =
        subprice->add_subcommand("remove", "Remove a subprice (asks first; --yes, --no)");
    auto abbrev = std::make_shared<std::string>();
    cmd->add_option("ABBR", *abbrev, "Its abbreviation")->required();
    cmd->callback(changing_library(context, "materials subprice remove", [=](LISTCONTEXT& l, Output& o) {
      return subprice_remove(l, *abbrev, answerable(), o);
    }));
  }
}

}  // namespace dlist::cli
