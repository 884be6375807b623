// `dlist locations ...`: the location tree of the project. A location is named by
// its identifier or by a path of names from the top level ("Site/Hall/Room"; a
// leading "/" makes a name of digits a path). Names and texts are UTF-8 here and
// stored in the texts' code page.
#include <CLI/CLI.hpp>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/json_stream.h"
#include "cli/location_paths.h"
#include "cli/project.h"
#include "cli/report_collector.h"
#include "foundation/code_page.h"
#include "host/model/location_store.h"
#include "locations/location_file.h"
#include "locations/location_manager.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

struct Location {
  long id = 0;
  long parent = 0;
  DBLOCATIONTYPE record;
};

std::optional<Location> location(long id) {
  Location l;
  if (id <= 0 || LOCALIZATION().get_id_location(id, &l.record, &l.parent) != id) return std::nullopt;
  l.id = id;
  return l;
}

std::vector<Location> children(long parent) {
  std::vector<Location> out;
  LOCALIZATION walk;
  if (walk.rew_location(parent) < 1) return out;
  Location l;
  while ((l.id = walk.get_location(&l.record)) > 0) {
    l.parent = parent;
    out.push_back(l);
  }
  return out;
}

// The path of names of a location, as UTF-8.
std::string path_of(long id) {
  std::vector<std::string> names;
  for (std::optional<Location> l = location(id); l && names.size() < 100000; l = location(l->parent)) {
    names.push_back(utf8_text(l->record.name));
    if (l->parent == 0) break;
  }
  std::string out;
  for (auto it = names.rbegin(); it != names.rend(); ++it) out += (out.empty() ? "" : "/") + *it;
  return out;
}

std::string describe(long id) {
  return "\"" + escape_controls(path_of(id)) + "\" (location " + std::to_string(id) + ")";
}

// The location that text names; nothing, with the reason, otherwise.
std::optional<Location> resolve(const std::string& text, std::string* error) {
  const bool digits = !text.empty() && text.size() < 11 &&
                      std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
  if (digits) {
    const std::optional<Location> l = location(std::stol(text));
    if (!l) *error = "no location " + text;
    return l;
  }
  std::string_view rest(text);
  if (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  if (rest.empty()) {
    *error = "no location named \"" + escape_controls(text) + "\"";
    return std::nullopt;
  }
  long parent = 0;
  std::optional<Location> found;
  while (true) {
    const std::size_t slash = rest.find('/');
    const std::string_view step = rest.substr(0, slash);
    const std::optional<std::string> stored = stored_text(step, error);
    if (!stored) return std::nullopt;
    found.reset();
    for (const Location& c : children(parent))
      if (*stored == c.record.name) found = c;
    if (!found) {
      *error = "no location named \"" + escape_controls(std::string(step)) + "\" in " +
               (parent == 0 ? std::string("the top level") : describe(parent));
      return std::nullopt;
    }
    if (slash == std::string_view::npos) return found;
    parent = found->id;
    rest.remove_prefix(slash + 1);
  }
}

void print_tree(long parent, int depth, std::ostream& out) {
  for (const Location& c : children(parent)) {
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << shown_text(c.record.name)
        << "  (id " << c.id << ", key " << c.record.key << ")";
    if (!c.record.text.empty()) out << "  " << shown_text(c.record.text.get());
    out << "\n";
    print_tree(c.id, depth + 1, out);
  }
}

int tree_body(bool json, Output& out) {
  if (!json) {
    print_tree(0, 0, out.out());
    return 0;
  }
  // Pre-order with an explicit stack, so that a deep tree does not deepen the calls.
  JsonStream stream(out.out());
  JsonTree tree(stream);
  stream.begin_array();
  std::vector<std::pair<Location, int>> pending;
  auto push_children = [&](long parent, int depth) {
    std::vector<Location> kids = children(parent);
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) pending.emplace_back(*it, depth);
  };
  push_children(0, 0);
  while (!pending.empty()) {
    const auto [l, depth] = pending.back();
    pending.pop_back();
    tree.add(depth, [&](JsonStream& j) {
      j.member("id", l.id);
      j.member("key", l.record.key);
      j.member("name", utf8_text(l.record.name));
      j.member("text", utf8_text(l.record.text.get()));
    });
    push_children(l.id, depth + 1);
  }
  tree.close_to(0);
  stream.end_array();
  stream.finish();
  return 0;
}

// Stored name and text from UTF-8; false with the reason on out.
bool stored_record(const std::string& name, const std::optional<std::string>& text, DBLOCATIONTYPE* l,
                   std::string* error) {
  const std::optional<std::string> n = stored_text(name, error);
  if (!n) return false;
  if (n->empty() || n->size() > static_cast<std::size_t>(DBLOCATIONTYPE::kMaxName) ||
      n->find('\0') != std::string::npos) {
    *error = "a location name has 1 to " + std::to_string(DBLOCATIONTYPE::kMaxName) + " characters";
    return false;
  }
  l->set_name(n->c_str());
  if (text) {
    const std::optional<std::string> t = stored_text(*text, error);
    if (!t) return false;
    if (t->size() > static_cast<std::size_t>(DBLOCATIONTYPE::kMaxText)) {
      *error = "a location text has at most " + std::to_string(DBLOCATIONTYPE::kMaxText) + " characters";
      return false;
    }
    if (t->empty()) l->text.clear(); else l->text.put(t->c_str());
  }
  return true;
}

int fail_change(ModelDatabase& project, Output& out, const std::string& what) {
  const std::string cause = project.connection().failure_cause();
  return out.fail(what + (cause.empty() ? "" : ": " + cause));
}

struct NewArgs {
  std::string name, under;
  std::optional<std::string> text;
};

int new_body(ModelDatabase& project, const NewArgs& a, Output& out) {
  std::string error;
  long parent = 0;
  if (!a.under.empty()) {
    const std::optional<Location> p = resolve(a.under, &error);
    if (!p) return out.fail(error);
    parent = p->id;
  }
  DBLOCATIONTYPE l;
  if (!stored_record(a.name, a.text, &l, &error)) return out.fail(error);
  if (!LOCALIZATION().is_good_name(parent, l.name))
    return out.fail("a location named \"" + escape_controls(a.name) + "\" is in " +
                    (parent == 0 ? std::string("the top level") : describe(parent)) + " already");
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  const long id = LOCALIZATION().cre_location(parent, &l, 1);
  if (id <= 0) return fail_change(project, out, "the location could not be created");
  if (!change.commit()) return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  out.note("created location " + std::to_string(id) + " " + escape_controls(path_of(id)) + " (key " +
           std::to_string(l.key) + ")");
  return 0;
}

int modify_body(ModelDatabase& project, const std::string& loc, const std::optional<std::string>& name,
                const std::optional<std::string>& text, Output& out) {
  std::string error;
  std::optional<Location> l = resolve(loc, &error);
  if (!l) return out.fail(error);
  DBLOCATIONTYPE r = l->record;
  if (!stored_record(name ? *name : utf8_text(r.name), text, &r, &error)) return out.fail(error);
  if (!LOCALIZATION().is_good_name(l->parent, r.name, l->id))
    return out.fail("a location named \"" + escape_controls(utf8_text(r.name)) + "\" is beside " +
                    describe(l->id) + " already");
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  if (LOCALIZATION().mod_location(l->id, &r) == 0) return fail_change(project, out, "the location could not be changed");
  if (!change.commit()) return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  out.note((name ? "renamed " : "changed ") + describe(l->id));
  return 0;
}

int remove_body(ModelDatabase& project, const std::string& loc, Output& out) {
  std::string error;
  const std::optional<Location> l = resolve(loc, &error);
  if (!l) return out.fail(error);
  if (l->record.key == 0) return out.fail(describe(l->id) + " is fixed (key 0) and cannot be deleted");
  const std::string what = describe(l->id);
  if (!AskDeleteLocation(nullptr, l->record.key)) {
    out.note("kept " + what);
    return 0;
  }
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  if (LOCALIZATION().del_location(l->id) == 0) return fail_change(project, out, "the location could not be deleted");
  if (!change.commit()) return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  out.note("deleted " + what);
  return 0;
}

int move_body(ModelDatabase& project, const std::string& loc, const std::string& target, Output& out) {
  std::string error;
  const std::optional<Location> l = resolve(loc, &error);
  if (!l) return out.fail(error);
  long onto = 0;
  if (target != "/") {
    const std::optional<Location> t = resolve(target, &error);
    if (!t) return out.fail(error);
    onto = t->id;
  }
  if (l->record.key == 0) return out.fail(describe(l->id) + " is fixed (key 0) and cannot be moved");
  if (!LOCALIZATION().is_independ(l->id, onto))
    return out.fail(describe(l->id) + " cannot go below itself");
  if (!LOCALIZATION().is_good_name(onto, l->record.name, l->id))
    return out.fail("a location named \"" + escape_controls(utf8_text(l->record.name)) + "\" is in " +
                    (onto == 0 ? std::string("the top level") : describe(onto)) + " already");
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  if (LOCALIZATION().move_tree(l->id, onto) == 0) return fail_change(project, out, "the location could not be moved");
  if (!change.commit()) return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  out.note("moved " + describe(l->id));
  return 0;
}

struct ExportArgs {
  std::string node, description, file;
  bool force = false;
};

int export_body(ModelDatabase& project, const ExportArgs& a, Output& out) {
  std::string error;
  long id = 0;
  if (!a.node.empty()) {
    const std::optional<Location> l = resolve(a.node, &error);
    if (!l) return out.fail(error);
    id = l->id;
  }
  if (!check_export_target(a.file, ExportKind::kLocationFile, {{project.fullpath(), "project"}}, a.force,
                           &error))
    return out.fail(error);
  const std::optional<std::string> description = stored_text(a.description, &error);
  if (!description) return out.fail(error);
  std::string file = a.file;
  std::string text = *description;
  ReportCollector reports;
  if (LocationExport(nullptr, id, file.data(), text.data()) != 1) {
    const std::string reason = reports.reason_of("LocationExport");
    return out.fail("cannot write " + file + (reason.empty() ? "" : ": " + reason));
  }
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  out.note("exported " + (id == 0 ? std::string("every location") : describe(id)) + " to " + file +
           (ec ? std::string() : " (" + std::to_string(size) + " bytes)"));
  return 0;
}

struct ImportArgs {
  std::string under, file;
  bool replace = false;
};

std::size_t location_count() {
  std::size_t n = 0;
  std::vector<long> pending{0};
  while (!pending.empty()) {
    const long p = pending.back();
    pending.pop_back();
    for (const Location& c : children(p)) {
      ++n;
      pending.push_back(c.id);
    }
  }
  return n;
}

int import_body(ModelDatabase& project, const ImportArgs& a, Output& out) {
  std::string error;
  long target = a.replace ? -1 : 0;
  if (!a.under.empty()) {
    const std::optional<Location> l = resolve(a.under, &error);
    if (!l) return out.fail(error);
    target = l->id;
  }
  if (!check_import_input(a.file, &error)) return out.fail(error);
  if (!check_writable(project.connection(), "project", project.fullpath(), &error)) return out.fail(error);
  const std::size_t before = a.replace ? 0 : location_count();
  // One transaction: a refused file leaves the project as it was.
  Transaction change(project);
  if (!change) return out.fail(cannot_change(project.connection(), "project", project.fullpath()));
  std::string file = a.file;
  ReportCollector reports;
  if (LocationImport(nullptr, target, file.data()) != 1) {
    const std::string cause = project.connection().failure_cause();
    const std::string reason = cause.empty() ? reports.reason_of("LocationImport") : cause;
    return out.fail("cannot import " + file + (reason.empty() ? "" : ": " + reason) +
                    "; the project is unchanged");
  }
  if (!change.commit()) return out.fail(cannot_save(project.connection(), "project", project.fullpath()));
  const std::size_t after = location_count();
  out.note("imported " + file + (a.replace ? " in place of every location: " : " into " +
           (target == 0 ? std::string("the top level") : describe(target)) + ": ") +
           std::to_string(after - std::min(after, before)) + " locations");
  return 0;
}

}  // namespace

void add_location_commands(CLI::App& app, Context& context) {
  CLI::App* group = app.add_subcommand("locations", "The location tree of the project");
  group->require_subcommand(1);
  auto run = [&context](const char* name, ProjectBody body) {
    context.status = run_in_project(context, std::string("locations ") + name, false, body);
  };

  CLI::App* tree = group->add_subcommand("tree", "Show the location tree");
  auto json = std::make_shared<bool>(false);
  tree->add_flag("--json", *json, "As JSON: locations with id, key, name, text, children");
  tree->callback([run, json] { run("tree", [json](ModelDatabase&, Output& out) { return tree_body(*json, out); }); });

  CLI::App* create = group->add_subcommand("new", "Create a location");
  auto new_args = std::make_shared<NewArgs>();
  create->add_option("--name", new_args->name, "Its name (1 to 79 characters)")->required();
  create->add_option("--under", new_args->under, "Parent location: identifier or path of names (default: the top level)");
  create->add_option("--text", new_args->text, "Its text");
  create->callback([run, new_args] {
    run("new", [new_args](ModelDatabase& p, Output& out) { return new_body(p, *new_args, out); });
  });

  CLI::App* rename = group->add_subcommand("rename", "Rename a location");
  auto rename_loc = std::make_shared<std::string>();
  auto rename_name = std::make_shared<std::string>();
  rename->add_option("LOC", *rename_loc, "Location: identifier or path of names")->required();
  rename->add_option("NAME", *rename_name, "The new name")->required();
  rename->callback([run, rename_loc, rename_name] {
    run("rename", [=](ModelDatabase& p, Output& out) {
      return modify_body(p, *rename_loc, *rename_name, std::nullopt, out);
    });
  });

  CLI::App* edit = group->add_subcommand("edit", "Change the text of a location");
  auto edit_loc = std::make_shared<std::string>();
  auto edit_text = std::make_shared<std::string>();
  edit->add_option("LOC", *edit_loc, "Location: identifier or path of names")->required();
  edit->add_option("--text", *edit_text, "The new text (empty: none)")->required();
  edit->callback([run, edit_loc, edit_text] {
    run("edit", [=](ModelDatabase& p, Output& out) { return modify_body(p, *edit_loc, std::nullopt, *edit_text, out); });
  });

  CLI::App* remove = group->add_subcommand(
      "remove", "Delete a location with everything below it, after asking (answered by --yes or --no)");
  auto remove_loc = std::make_shared<std::string>();
  remove->add_option("LOC", *remove_loc, "Location: identifier or path of names")->required();
  remove->callback([run, remove_loc] {
    run("remove", [=](ModelDatabase& p, Output& out) { return remove_body(p, *remove_loc, out); });
  });

  CLI::App* move = group->add_subcommand("move", "Move a location with its subtree under another");
  auto move_loc = std::make_shared<std::string>();
  auto move_target = std::make_shared<std::string>();
  move->add_option("LOC", *move_loc, "Location to move")->required();
  move->add_option("TARGET", *move_target, "New parent: identifier or path of names, \"/\" for the top level")->required();
  move->callback([run, move_loc, move_target] {
    run("move", [=](ModelDatabase& p, Output& out) { return move_body(p, *move_loc, *move_target, out); });
  });

  CLI::App* exp = group->add_subcommand("export", "Write locations to a location file (.loc)");
  auto export_args = std::make_shared<ExportArgs>();
  exp->add_option("--node", export_args->node, "Location to export with its subtree (default: all)");
  exp->add_option("--description", export_args->description, "Description text of the file");
  exp->add_flag("--force", export_args->force,
                "Write over FILE also when it holds something other than a location file (never over the open project)");
  exp->add_option("FILE", export_args->file, "The file to write")->required();
  exp->callback([run, export_args] {
    run("export", [=](ModelDatabase& p, Output& out) { return export_body(p, *export_args, out); });
  });

  CLI::App* imp = group->add_subcommand("import", "Read a location file (.loc)");
  auto import_args = std::make_shared<ImportArgs>();
  auto* under = imp->add_option("--under", import_args->under,
                                "Location under which the file's top locations go (default: the top level)");
  auto* replace = imp->add_flag("--replace", import_args->replace,
                                "Replace every location by the file's (their keys kept)");
  under->excludes(replace);
  imp->add_option("FILE", import_args->file, "The file to read")->required();
  imp->callback([&context, run, import_args] {
    if (refuse_input(context, "locations import", import_args->file)) return;
    run("import", [=](ModelDatabase& p, Output& out) { return import_body(p, *import_args, out); });
  });
}

long location_key(const std::string& text, std::string* error) {
  const std::optional<Location> l = resolve(text, error);
  if (!l) return 0;
  if (l->record.key <= 0) {
    *error = describe(l->id) + " has no key and cannot be given to a link";
    return 0;
  }
  return l->record.key;
}

std::string location_key_path(long key) {
  const long id = key > 0 ? LOCALIZATION().get_key_location(key) : 0;
  return id > 0 ? path_of(id) : std::string();
}

}  // namespace dlist::cli
