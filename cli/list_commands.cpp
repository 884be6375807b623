// `dlist lists new|show|add|copy|rename|remove|edit|check|sections|convert-template`:
// sets of list definitions in INI files (docs/list_definitions.md). Every
// command that changes a set reads it whole, changes the copy in memory and writes the
// whole set back through a temporary file; a refusal leaves the file as it was.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "cli/starter_lists.h"
#include "foundation/list_nodes.h"
#include "host/file_replacement.h"
#include "host/list_sets/list_set_store.h"
#include "listspec/list_tree.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;
namespace ls = dlist::list_sets;
using json = nlohmann::ordered_json;

constexpr const char* kTypeNames[] = {"root",     "section",  "plan",         "floor",
                                      "layer",    "element",  "integer_attribute", "real_attribute",
                                      "text_attribute", "material", "subprice", "coating",
                                      "object_parameter", "group", "element_attribute", "edge"};

// A refusal of the command with the message on stderr.
struct Refusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

int type_of_name(const std::string& name) {
  for (int i = 0; i < 16; ++i)
    if (name == kTypeNames[i]) return i;
  return -1;
}

std::string text(const ORB::String& s) { return std::string(s.view()); }

json filter_json(const DL_FILTER_ENTRY& e) {
  json j;
  j["key"] = e.Key();
  if (e.Type() == 0) {
    j["type"] = "integer";
    j["low"] = e.IntLow();
    j["high"] = e.IntHigh();
  } else if (e.Type() == 1) {
    j["type"] = "real";
    j["low"] = e.RealLow();
    j["high"] = e.RealHigh();
  } else {
    j["type"] = "text";
    j["low"] = text(e.TextLow());
    j["high"] = text(e.TextHigh());
  }
  j["required"] = e.IsRequired();
  j["search"] = e.StringSearchType();
  j["case_off"] = e.IsCaseOff();
  return j;
}

json node_json(const DL_TREE_CELL& cell, unsigned depth) {
  const DL_LIST_TREE_NODE& n = *cell.node;
  json j;
  const uint32_t type = n.TreeNodeType();
  j["type"] = type < 16 ? kTypeNames[type] : "unknown";
  j["enabled"] = n.Enabled();
  j["opened"] = n.Opened();
  j["flags"] = n.FlagByte();
  if (type == DL_SECTION) {
    const auto& s = static_cast<const DL_SECTION_NODE&>(n);
    j["section"] = s.Number();
    j["section_flag"] = s.SectionFlag();
  }
  if (const auto* loop = dynamic_cast<const DL_LOOP*>(&n)) {
    j["label"] = text(loop->Name());
    j["level"] = n.Level();
    j["summary"] = n.IsSummary();
    j["prototype_only"] = n.PrototypeOnly();
    json keys = json::array();
    for (unsigned i = 0; i < 3; ++i)
      if (loop->Key(i)[0] != '\0') keys.push_back({{"key", loop->Key(i)}, {"flag", loop->KeyFlag(i)}});
    j["keys"] = keys;
    json filters = json::array();
    for (unsigned i = 0; i < loop->Filters().size(); ++i) filters.push_back(filter_json(loop->Filters()[i]));
    j["filters"] = filters;
  }
  if (type == DL_ELEMENT) j["mask"] = static_cast<const DL_ELEMENT_LOOP&>(n).Mask();
  if (const auto* a = dynamic_cast<const DL_ATTRIBUTE_LOOP*>(&n)) j["attribute"] = a->AttributeKey();
  if (type == DL_INTEGER_ATTRIBUTE) j["values"] = static_cast<const DL_INTEGER_ATTRIBUTE_LOOP&>(n).values;
  if (type == DL_DOUBLE_ATTRIBUTE) j["values"] = static_cast<const DL_DOUBLE_ATTRIBUTE_LOOP&>(n).values;
  if (type == DL_STRING_ATTRIBUTE) {
    json v = json::array();
    for (const auto& s : static_cast<const DL_STRING_ATTRIBUTE_LOOP&>(n).values) v.push_back(text(s));
    j["values"] = v;
  }
  if (type == DL_PLAN) {
    json v = json::array();
    for (const auto& p : static_cast<const DL_PLAN_LOOP&>(n).plans) v.push_back({{"name", text(p.name)}, {"sheet", p.sheet}});
    j["plans"] = v;
  }
  if (type == DL_FLOOR || type == DL_LAYER) {
    json v = json::array();
    for (const auto& i : static_cast<const DL_FLOOR_LOOP&>(n).items)
      v.push_back({{"id1", i.id1}, {"id2", i.id2}, {"flag", i.flag}});
    j["items"] = v;
  }
  if (type == DL_SUBPRICE) j["split"] = static_cast<const DL_SUBPRICE_LOOP&>(n).split;
  json children = json::array();
  if (depth < kMaxTreeDepth)
    for (const DL_TREE_CELL* s : cell.Sons()) children.push_back(node_json(*s, depth + 1));
  j["children"] = children;
  return j;
}

json list_json(const DL_LISTSPEC& list_def) {
  json j;
  j["name"] = list_def.Name();
  j["title"] = list_def.title;
  j["output_file"] = list_def.output_file;
  j["sort_order"] = list_def.sort_order;
  j["summarize"] = list_def.summarize;
  j["tree"] = list_def.Tree() != nullptr ? node_json(*list_def.Tree(), 0) : json();
  return j;
}

void print_tree(std::ostream& out, const DL_TREE_CELL& cell, unsigned depth) {
  for (const DL_TREE_CELL* s : cell.Sons()) {
    const DL_LIST_TREE_NODE& n = *s->node;
    out << std::string(2 * depth + 2, ' ') << kTypeNames[n.TreeNodeType() < 16 ? static_cast<unsigned>(n.TreeNodeType()) : 0u];
    if (n.TreeNodeType() == DL_SECTION) out << " " << static_cast<const DL_SECTION_NODE&>(n).Number();
    if (n.TreeNodeType() == DL_ELEMENT) out << " mask " << static_cast<const DL_ELEMENT_LOOP&>(n).Mask();
    if (const auto* a = dynamic_cast<const DL_ATTRIBUTE_LOOP*>(&n)) out << " " << a->AttributeKey();
    if (const auto* l = dynamic_cast<const DL_LOOP*>(&n); l != nullptr && l->Name().length() > 0)
      out << " \"" << text(l->Name()) << "\"";
    if (!n.Enabled()) out << " (disabled)";
    out << "\n";
    if (depth < kMaxTreeDepth) print_tree(out, *s, depth + 1);
  }
}

// ---- the JSON shape read back ----

template <class T>
T get(const json& j, const char* key, const T& otherwise) {
  auto it = j.find(key);
  return it == j.end() ? otherwise : it->get<T>();
}

void copy_key(const std::string& key, const std::string& where) {
  if (key.size() > kListKeyLength) throw Refusal("node " + where + ": the key \"" + key + "\" is longer than six characters");
}

std::unique_ptr<DL_LIST_TREE_NODE> node_from_json(const json& j, const std::string& where) {
  if (!j.is_object()) throw Refusal("node " + where + ": not an object");
  const int type = type_of_name(get<std::string>(j, "type", ""));
  if (type <= 0) throw Refusal("node " + where + ": unknown node type");
  std::unique_ptr<DL_LIST_TREE_NODE> n;
  switch (type) {
    case DL_SECTION:
      n = std::make_unique<DL_SECTION_NODE>(get<unsigned>(j, "section", 0), get<bool>(j, "section_flag", false));
      break;
    case DL_ELEMENT: n = std::make_unique<DL_ELEMENT_LOOP>(get<long>(j, "mask", 0)); break;
    case DL_INTEGER_ATTRIBUTE:
    case DL_DOUBLE_ATTRIBUTE:
    case DL_STRING_ATTRIBUTE: {
      std::string key = get<std::string>(j, "attribute", "");
      copy_key(key, where);
      if (type == DL_INTEGER_ATTRIBUTE) {
        auto a = std::make_unique<DL_INTEGER_ATTRIBUTE_LOOP>(key.c_str());
        for (int v : get<std::vector<int>>(j, "values", {})) a->Add(v);
        n = std::move(a);
      } else if (type == DL_DOUBLE_ATTRIBUTE) {
        auto a = std::make_unique<DL_DOUBLE_ATTRIBUTE_LOOP>(key.c_str());
        for (double v : get<std::vector<double>>(j, "values", {})) a->Add(v);
        n = std::move(a);
      } else {
        auto a = std::make_unique<DL_STRING_ATTRIBUTE_LOOP>(key.c_str());
        for (const auto& v : get<std::vector<std::string>>(j, "values", {})) a->Add(ORB::String(v.c_str()));
        n = std::move(a);
      }
      break;
    }
    default: n = DL_MakeNode(static_cast<uint32_t>(type));
  }
  n->SetFlagByte(static_cast<unsigned char>(get<unsigned>(j, "flags", n->FlagByte()) & 0xFF));
  if (j.contains("enabled")) n->SetEnabled(j["enabled"].get<bool>());
  if (j.contains("opened")) n->SetOpened(j["opened"].get<bool>());
  if (auto* loop = dynamic_cast<DL_LOOP*>(n.get())) {
    if (j.contains("level")) loop->SetLevel(j["level"].get<unsigned>());
    if (j.contains("summary")) loop->SetSummary(j["summary"].get<bool>());
    if (j.contains("prototype_only")) loop->SetPrototypeOnly(j["prototype_only"].get<bool>());
    std::string label = get<std::string>(j, "label", "");
    if (label.size() > kMaxListTextLength) throw Refusal("node " + where + ": the label is too long");
    loop->SetName(ORB::String(label.c_str()));
    const json keys = get<json>(j, "keys", json::array());
    if (!keys.is_array() || keys.size() > 3) throw Refusal("node " + where + ": at most three keys");
    for (unsigned i = 0; i < keys.size(); ++i) {
      std::string key = get<std::string>(keys[i], "key", "");
      copy_key(key, where);
      loop->SetKey(i, key.c_str(), get<int>(keys[i], "flag", 0));
    }
    for (const json& f : get<json>(j, "filters", json::array())) {
      std::string key = get<std::string>(f, "key", "");
      copy_key(key, where);
      std::string ft = get<std::string>(f, "type", "integer");
      bool required = get<bool>(f, "required", false);
      DL_FILTER_ENTRY e;
      if (ft == "integer") e.Set(key.c_str(), f.at("low").get<int>(), f.at("high").get<int>(), required);
      else if (ft == "real") e.Set(key.c_str(), f.at("low").get<double>(), f.at("high").get<double>(), required);
      else if (ft == "text")
        e.Set(key.c_str(), f.at("low").get<std::string>().c_str(), f.at("high").get<std::string>().c_str(), required);
      else throw Refusal("node " + where + ": unknown filter type \"" + ft + "\"");
      e.SetStringSearchType(get<unsigned>(f, "search", 0));
      e.SetCaseOff(get<bool>(f, "case_off", false));
      loop->Filters().Add(e);
    }
  }
  if (type == DL_PLAN)
    for (const json& p : get<json>(j, "plans", json::array()))
      static_cast<DL_PLAN_LOOP&>(*n).plans.push_back({ORB::String(get<std::string>(p, "name", "").c_str()),
                                                      get<long>(p, "sheet", 0)});
  if (type == DL_FLOOR || type == DL_LAYER)
    for (const json& i : get<json>(j, "items", json::array()))
      static_cast<DL_FLOOR_LOOP&>(*n).items.push_back(
          {get<long>(i, "id1", 0), get<long>(i, "id2", 0), get<int>(i, "flag", 1)});
  if (type == DL_SUBPRICE) static_cast<DL_SUBPRICE_LOOP&>(*n).split = get<bool>(j, "split", false);
  return n;
}

// Builds the tree below cell from the JSON node's children.
void sons_from_json(DL_TREE_CELL& cell, const json& j, const std::string& where, unsigned depth) {
  const json children = get<json>(j, "children", json::array());
  if (!children.is_array()) throw Refusal("node " + (where.empty() ? std::string("/") : where) + ": children is no list");
  if (!children.empty() && depth >= kMaxTreeDepth) throw Refusal("node " + where + ": the tree is too deep");
  unsigned i = 0;
  for (const json& c : children) {
    std::string path = where + "/" + std::to_string(++i);
    auto* son = new DL_TREE_CELL(node_from_json(c, path));
    cell.Append(son);
    sons_from_json(*son, c, path, depth + 1);
  }
}

// ---- set files ----

std::string template_path(const DL_LISTSPEC_LIST& set, const std::string& set_path) {
  if (set.TemplateFileName().empty()) return "";
  fs::path t(set.TemplateFileName());
  if (t.is_relative()) t = fs::path(set_path).parent_path() / t;
  return t.string();
}

void read_set(DL_LISTSPEC_LIST& set, const std::string& path) {
  std::string error;
  if (!ls::Read(set, path, error)) throw Refusal(error);
}

void write_set(const DL_LISTSPEC_LIST& set, const std::string& path) {
  std::string error;
  if (!ls::WriteINI(set, path, error)) throw Refusal(error);
}

DL_LISTSPEC& list_named(DL_LISTSPEC_LIST& set, const std::string& name) {
  int i = set.find(name);
  if (i < 0) throw Refusal("the set has no list definition \"" + name + "\"");
  return *set[static_cast<unsigned>(i)];
}

void check_name(const DL_LISTSPEC_LIST& set, const std::string& name) {
  if (name.empty() || name.size() > DL_LISTSPEC::kMaxName)
    throw Refusal("a list definition's name has 1 to 31 characters");
  if (set.find(name) >= 0) throw Refusal("the set already has a list definition \"" + name + "\"");
}

void add_list(DL_LISTSPEC_LIST& set, DL_LISTSPEC* list_def) {
  unsigned at = set.size();
  set.resize(at + 1);
  set.set(at, list_def);
}

DL_TREE_CELL* append(DL_TREE_CELL* parent, std::unique_ptr<DL_LIST_TREE_NODE> node) {
  auto* c = new DL_TREE_CELL(std::move(node));
  parent->Append(c);
  return c;
}

void write_text(const std::string& path, const std::string& body) {
  FileReplacement out(path);
  out.file().write(body.data(), static_cast<unsigned>(body.size()));
  out.commit();
}

json template_json(const std::vector<DL_TSECTION>& sections) {
  json a = json::array();
  for (const auto& s : sections)
    a.push_back({{"number", s.number}, {"name", s.name}, {"group", s.group}, {"scope", s.scope},
                 {"lines", s.text.size()}, {"sections", template_json(s.sons)}});
  return a;
}

void print_sections(std::ostream& out, const std::vector<DL_TSECTION>& sections, unsigned depth) {
  for (const auto& s : sections) {
    out << std::string(depth * 2, ' ') << s.number << "  " << s.name << "  (group " << s.group << ", scope "
        << s.scope << ")\n";
    print_sections(out, s.sons, depth + 1);
  }
}

uint32_t section_scope(unsigned number, void* ctx) {
  return ls::SectionScope(*static_cast<const ls::DL_TEMPLATE*>(ctx), number);
}

// Runs body, turning a refusal into exit status 1 with one line on stderr.
template <class Body>
void guarded(Context& context, const char* command, Body body) {
  try {
    body();
    context.status = 0;
  } catch (const std::exception& e) {
    context.console.err << "dlist lists " << command << ": " << e.what() << "\n";
    context.status = 1;
  }
}

}  // namespace

DL_TREE_CELL* append_node(DL_TREE_CELL* parent, std::unique_ptr<DL_LIST_TREE_NODE> node) {
  return append(parent, std::move(node));
}

// The useful list definitions of a new set.
void add_starter_lists(DL_LISTSPEC_LIST& set) {
  auto make = [&set](const char* name, const char* title) {
    auto* list_def = new DL_LISTSPEC(set);
    list_def->SetName(name);
    list_def->title = title;
    list_def->SetTree(new DL_TREE_CELL(std::make_unique<DL_ROOT_NODE>()));
    append(list_def->Tree(), std::make_unique<DL_SECTION_NODE>(0, true));
    return list_def;
  };
  auto close = [&set](DL_LISTSPEC* list_def) {
    append(list_def->Tree(), std::make_unique<DL_SECTION_NODE>(1, true));
    add_list(set, list_def);
  };
  {
    DL_LISTSPEC* s = make("Priced materials", "Priced material summary");
    s->summarize = true;
    for (long kind : {1L, 32L, 64L}) {
      DL_TREE_CELL* e = append(s->Tree(), std::make_unique<DL_ELEMENT_LOOP>(kind));
      auto m = std::make_unique<DL_MATERIAL_LOOP>();
      m->SetSummary(true);
      DL_TREE_CELL* mc = append(e, std::move(m));
      append(mc, std::make_unique<DL_SECTION_NODE>(20, false));
      DL_TREE_CELL* sp = append(mc, std::make_unique<DL_SUBPRICE_LOOP>());
      append(sp, std::make_unique<DL_SECTION_NODE>(21, false));
    }
    close(s);
  }
  {
    DL_LISTSPEC* s = make("Elements per floor", "Elements per floor");
    DL_TREE_CELL* f = append(s->Tree(), std::make_unique<DL_FLOOR_LOOP>());
    append(f, std::make_unique<DL_SECTION_NODE>(10, false));
    auto e = std::make_unique<DL_ELEMENT_LOOP>(1);
    e->SetKey(0, "ID", 0);
    DL_TREE_CELL* ec = append(f, std::move(e));
    append(ec, std::make_unique<DL_SECTION_NODE>(30, false));
    append(f, std::make_unique<DL_SECTION_NODE>(40, false));
    close(s);
  }
  {
    DL_LISTSPEC* s = make("Materials per location", "Materials per location");
    auto a = std::make_unique<DL_STRING_ATTRIBUTE_LOOP>("LOCAT");
    a->SetName("Location");
    DL_TREE_CELL* ac = append(s->Tree(), std::move(a));
    append(ac, std::make_unique<DL_SECTION_NODE>(10, false));
    DL_TREE_CELL* e = append(ac, std::make_unique<DL_ELEMENT_LOOP>(1));
    auto m = std::make_unique<DL_MATERIAL_LOOP>();
    m->SetSummary(true);
    DL_TREE_CELL* mc = append(e, std::move(m));
    append(mc, std::make_unique<DL_SECTION_NODE>(20, false));
    append(ac, std::make_unique<DL_SECTION_NODE>(40, false));
    close(s);
  }
}

void add_list_commands(CLI::App& app, Context& context) {
  CLI::App* lists = app.add_subcommand("lists", "Sets of list definitions (INI files)");
  lists->require_subcommand(1);
  struct Args {
    std::string set, name, other, from, tpl, file, output;
    bool json = false;
  };
  auto args = std::make_shared<Args>();
  Console& con = context.console;

  CLI::App* cmd = lists->add_subcommand("new", "Create a set with the ready-made template and three list definitions");
  cmd->add_option("SET", args->set, "the set file (.ini)")->required();
  cmd->add_option("--template", args->tpl, "a template file to name instead of the ready-made one");
  cmd->callback([args, &context, &con] {
    guarded(context, "new", [&] {
      if (!ls::HasIniExtension(args->set)) throw Refusal("\"" + args->set + "\" is no INI file");
      std::error_code ec;
      if (fs::exists(args->set, ec)) throw Refusal("\"" + args->set + "\" exists already");
      DL_LISTSPEC_LIST set;
      if (!args->tpl.empty()) {
        ls::DL_TEMPLATE t;
        std::string error;
        if (!ls::ReadTemplate(args->tpl, t, error)) throw Refusal(error);
        set.TemplateFileName() = args->tpl;
      } else {
        fs::path tpl = fs::path(args->set).replace_extension(".dlt");
        if (!fs::exists(tpl, ec)) write_text(tpl.string(), ls::ReadyMadeTemplate("delimited"));
        set.TemplateFileName() = tpl.filename().string();
      }
      add_starter_lists(set);
      write_set(set, args->set);
      con.out << "created " << args->set << " with " << set.size() << " list definitions\n";
    });
  });

  cmd = lists->add_subcommand("show", "Show the list definitions of a set");
  cmd->add_option("SET", args->set)->required();
  cmd->add_option("NAME", args->name, "only this list definition");
  cmd->add_flag("--json", args->json);
  cmd->callback([args, &context, &con] {
    guarded(context, "show", [&] {
      DL_LISTSPEC_LIST set;
      read_set(set, args->set);
      std::vector<const DL_LISTSPEC*> chosen;
      for (unsigned i = 0; i < set.size(); ++i)
        if (args->name.empty() || set[i]->Name() == args->name) chosen.push_back(set[i]);
      if (!args->name.empty() && chosen.empty()) throw Refusal("the set has no list definition \"" + args->name + "\"");
      if (args->json) {
        json j;
        j["template"] = set.TemplateFileName();
        json lists = json::array();
        for (const auto* s : chosen) lists.push_back(list_json(*s));
        j["list definitions"] = lists;
        con.out << j.dump(2) << "\n";
        return;
      }
      con.out << "template: " << set.TemplateFileName() << "\n";
      for (const auto* s : chosen) {
        con.out << s->Name() << (s->title.empty() ? "" : "  \"" + s->title + "\"") << "\n";
        if (s->Tree() != nullptr) print_tree(con.out, *s->Tree(), 0);
      }
    });
  });

  cmd = lists->add_subcommand("add", "Add a list definition with the start and final sections");
  cmd->add_option("SET", args->set)->required();
  cmd->add_option("NAME", args->name)->required();
  cmd->callback([args, &context, &con] {
    guarded(context, "add", [&] {
      DL_LISTSPEC_LIST set;
      read_set(set, args->set);
      check_name(set, args->name);
      auto* list_def = new DL_LISTSPEC(set);
      list_def->SetName(args->name);
      list_def->SetTree(listspec::NewListTree());
      add_list(set, list_def);
      write_set(set, args->set);
      con.out << "added " << args->name << "\n";
    });
  });

  cmd = lists->add_subcommand("copy", "Copy a list definition under a new name");
  cmd->add_option("SET", args->set)->required();
  cmd->add_option("NAME", args->name)->required();
  cmd->add_option("NEW", args->other)->required();
  cmd->callback([args, &context, &con] {
    guarded(context, "copy", [&] {
      DL_LISTSPEC_LIST set;
      read_set(set, args->set);
      const DL_LISTSPEC& from = list_named(set, args->name);
      check_name(set, args->other);
      auto* list_def = new DL_LISTSPEC(from);
      list_def->SetName(args->other);
      add_list(set, list_def);
      write_set(set, args->set);
      con.out << "copied " << args->name << " to " << args->other << "\n";
    });
  });

  cmd = lists->add_subcommand("rename", "Rename a list definition");
  cmd->add_option("SET", args->set)->required();
  cmd->add_option("NAME", args->name)->required();
  cmd->add_option("NEW", args->other)->required();
  cmd->callback([args, &context, &con] {
    guarded(context, "rename", [&] {
      DL_LISTSPEC_LIST set;
      read_set(set, args->set);
      DL_LISTSPEC& list_def = list_named(set, args->name);
      check_name(set, args->other);
      list_def.SetName(args->other);
      write_set(set, args->set);
      con.out << "renamed " << args->name << " to " << args->other << "\n";
    });
  });

  cmd = lists->add_subcommand("remove", "Remove a list definition");
  cmd->add_option("SET", args->set)->required();
  cmd->add_option("NAME", args->name)->required();
  cmd->callback([args, &context, &con] {
    guarded(context, "remove", [&] {
      DL_LISTSPEC_LIST set;
      read_set(set, args->set);
      list_named(set, args->name);
      set.remove(static_cast<unsigned>(set.find(args->name)));
      write_set(set, args->set);
      con.out << "removed " << args->name << "\n";
    });
  });

  cmd = lists->add_subcommand("edit", "Replace a list definition's tree by one in the shape of show --json");
  cmd->add_option("SET", args->set)->required();
  cmd->add_option("NAME", args->name)->required();
  cmd->add_option("--from", args->from, "the tree (JSON)")->required();
  cmd->callback([args, &context, &con] {
    guarded(context, "edit", [&] {
      DL_LISTSPEC_LIST set;
      read_set(set, args->set);
      DL_LISTSPEC& list_def = list_named(set, args->name);
      std::ifstream in(args->from, std::ios::binary);
      if (!in) throw Refusal("cannot open \"" + args->from + "\"");
      json j;
      try {
        j = json::parse(in);
      } catch (const json::exception& e) {
        throw Refusal("\"" + args->from + "\" is no JSON: " + e.what());
      }
      if (j.is_object() && j.contains("tree")) j = j["tree"];
      if (!j.is_object() || get<std::string>(j, "type", "root") != "root")
        throw Refusal("the tree's top must be a root node");
      std::unique_ptr<DL_TREE_CELL> root(new DL_TREE_CELL(std::make_unique<DL_ROOT_NODE>()));
      try {
        sons_from_json(*root, j, "", 0);
      } catch (const json::exception& e) {
        throw Refusal(std::string("a node has a field of the wrong kind: ") + e.what());
      }
      ls::DL_TEMPLATE tpl;
      std::string error, where, why;
      const std::string tpath = template_path(set, args->set);
      if (!tpath.empty() && !ls::ReadTemplate(tpath, tpl, error)) tpl.clear();
      if (!DL_CheckTree(root.get(), where, why, section_scope, &tpl))
        throw Refusal("node " + where + ": " + why);
      list_def.SetTree(root.release());
      write_set(set, args->set);
      con.out << "replaced the tree of " << args->name << "\n";
    });
  });

  cmd = lists->add_subcommand("check", "Report what is wrong in the list definitions' nodes");
  cmd->add_option("SET", args->set)->required();
  cmd->add_option("NAME", args->name);
  cmd->callback([args, &context, &con] {
    guarded(context, "check", [&] {
      DL_LISTSPEC_LIST set;
      read_set(set, args->set);
      unsigned faults = 0;
      for (unsigned i = 0; i < set.size(); ++i) {
        if (!args->name.empty() && set[i]->Name() != args->name) continue;
        std::vector<std::pair<const DL_TREE_CELL*, std::string>> work{{set[i]->Tree(), ""}};
        while (!work.empty()) {
          auto [cell, path] = work.back();
          work.pop_back();
          DL_REPORT_LIST texts;
          cell->node->Report(texts);
          for (const auto& t : texts) {
            con.out << set[i]->Name() << " " << (path.empty() ? "/" : path) << ": " << t.c_str() << "\n";
            ++faults;
          }
          auto sons = cell->Sons();
          for (std::size_t k = sons.size(); k-- > 0;) work.emplace_back(sons[k], path + "/" + std::to_string(k + 1));
        }
      }
      if (faults == 0) con.out << "no faults\n";
    });
  });

  cmd = lists->add_subcommand("sections", "List the section definitions of a template");
  cmd->add_option("TEMPLATE", args->file)->required();
  cmd->add_flag("--json", args->json);
  cmd->callback([args, &context, &con] {
    guarded(context, "sections", [&] {
      ls::DL_TEMPLATE t;
      std::string error;
      if (!ls::ReadTemplate(args->file, t, error)) throw Refusal(error);
      if (args->json) con.out << template_json(t).dump(2) << "\n";
      else print_sections(con.out, t, 0);
    });
  });

  cmd = lists->add_subcommand("convert-template", "Convert a template into the current form");
  cmd->add_option("FILE", args->file)->required();
  cmd->add_option("-o,--output", args->output, "where to write (default: FILE itself)");
  cmd->callback([args, &context, &con] {
    guarded(context, "convert-template", [&] {
      ls::DL_TEMPLATE t;
      std::string error;
      if (!ls::ReadTemplate(args->file, t, error)) throw Refusal(error);
      const std::string dest = args->output.empty() ? args->file : args->output;
      if (!DL_ConvertTemplate(args->file.c_str(), dest.c_str())) throw Refusal("cannot write \"" + dest + "\"");
      con.out << "converted " << args->file << " to " << dest << "\n";
    });
  });
}

}  // namespace dlist::cli
