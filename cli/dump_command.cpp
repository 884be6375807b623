// Printing a decoded exchange file as indented text or as JSON.
#include "cli/dump_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "attributes/attribute_dump.h"
#include "cli/kind_word.h"
#include "palettes/surface_pack.h"
#include "cli/surface_dump.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

// A real as the shortest of %.15g and %.17g that reads back the same value.
std::string real_text(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", v);
  if (std::strtod(buffer, nullptr) != v) std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

bool is_scalar(const DumpField& f) { return f.type != DumpField::Type::kGroup; }

std::string scalar_text(const DumpField& f) {
  switch (f.type) {
    case DumpField::Type::kInteger:
      return std::to_string(f.integer);
    case DumpField::Type::kReal:
      return real_text(f.real);
    case DumpField::Type::kText:
      return "\"" + f.text + "\"";
    case DumpField::Type::kGroup:
      break;
  }
  return {};
}

// A list of numbers or texts fits on one line.
bool is_flat_list(const DumpField& g) {
  for (const DumpField& m : g.fields)
    if (!m.name.empty() || !is_scalar(m)) return false;
  return true;
}

void print_fields(const std::vector<DumpField>& fields, int indent, std::ostream& out) {
  const std::string pad(static_cast<std::size_t>(indent), ' ');
  std::size_t index = 0;
  for (const DumpField& f : fields) {
    const std::string name = f.name.empty() ? "[" + std::to_string(index) + "]" : f.name;
    ++index;
    if (is_scalar(f)) {
      out << pad << name << " " << scalar_text(f) << "\n";
    } else if (is_flat_list(f)) {
      out << pad << name << " [";
      for (std::size_t i = 0; i < f.fields.size(); ++i)
        out << (i ? ", " : "") << scalar_text(f.fields[i]);
      out << "]\n";
    } else {
      out << pad << name << ":\n";
      print_fields(f.fields, indent + 2, out);
    }
  }
}

nlohmann::ordered_json scalar_json(const DumpField& f) {
  switch (f.type) {
    case DumpField::Type::kInteger:
      return f.integer;
    case DumpField::Type::kReal:
      // JSON has no NaN nor infinity: those are given as their text.
      if (!std::isfinite(f.real)) return real_text(f.real);
      return f.real;
    case DumpField::Type::kText:
      return f.text;
    case DumpField::Type::kGroup:
      break;
  }
  return nullptr;
}

// A group as an object of its named members, a list as an array; a group that
// mixes named and unnamed members or repeats a name as an array of one-member
// objects, so that nothing is lost.
nlohmann::ordered_json fields_json(const std::vector<DumpField>& fields) {
  auto value = [](const DumpField& f) {
    return is_scalar(f) ? scalar_json(f) : fields_json(f.fields);
  };
  bool all_unnamed = true;
  bool unique_names = true;
  std::vector<std::string> seen;
  for (const DumpField& f : fields) {
    if (!f.name.empty()) all_unnamed = false;
    if (f.name.empty() || std::find(seen.begin(), seen.end(), f.name) != seen.end())
      unique_names = false;
    seen.push_back(f.name);
  }
  if (fields.empty()) return nlohmann::ordered_json::object();
  nlohmann::ordered_json j = nlohmann::ordered_json::array();
  if (all_unnamed) {
    for (const DumpField& f : fields) j.push_back(value(f));
  } else if (unique_names) {
    j = nlohmann::ordered_json::object();
    for (const DumpField& f : fields) j[f.name] = value(f);
  } else {
    for (const DumpField& f : fields) j.push_back({{f.name, value(f)}});
  }
  return j;
}

std::string block_name(const DumpBlock& b) { return b.name.empty() ? "(unknown)" : b.name; }

}  // namespace

void print_dump(const ExchangeDump& dump, const std::string& file, std::ostream& out) {
  out << file << ": " << exchange_file_kind_name(dump.kind) << " file, " << dump.file_size
      << " bytes\n";
  if (dump.has_description)
    out << "description (" << dump.description_length << " bytes) \"" << dump.description
        << "\"\n";
  for (const DumpBlock& b : dump.blocks) {
    out << "@" << b.offset << " " << block_name(b) << " code " << b.code << " size " << b.size
        << " a " << b.a << " b " << b.b;
    if (b.kind != 0) out << " (" << kind_word(b.kind) << ")";
    out << "\n";
    print_fields(b.fields, 4, out);
  }
  if (dump.ended && dump.bytes_after_end != 0)
    out << dump.bytes_after_end << " bytes after BLOCK_END\n";
  if (dump.has_appendix) {
    const DumpAppendix& a = dump.appendix;
    out << "@" << a.offset << " resource appendix, " << a.size << " bytes, version " << a.version
        << "\n";
    for (const DumpAppendixSection& s : a.sections) {
      out << "  @" << s.offset << " " << s.name << " (kind " << s.kind << "), " << s.count
          << " entries, " << s.length << " bytes\n";
      for (const std::string& e : s.entries) out << "    \"" << e << "\"\n";
    }
  }
  if (!dump.ok()) out << "@" << dump.error_offset << " error: " << dump.error << "\n";
}

nlohmann::ordered_json dump_json(const ExchangeDump& dump, const std::string& file) {
  using json = nlohmann::ordered_json;
  json blocks = json::array();
  for (const DumpBlock& b : dump.blocks) {
    blocks.push_back({{"offset", b.offset},
                      {"name", b.name},
                      {"code", b.code},
                      {"size", b.size},
                      {"a", b.a},
                      {"b", b.b},
                      {"kind", b.kind},
                      {"fields", fields_json(b.fields)}});
  }
  json appendix = nullptr;
  if (dump.has_appendix) {
    json sections = json::array();
    for (const DumpAppendixSection& s : dump.appendix.sections) {
      sections.push_back({{"offset", s.offset},
                          {"kind", s.kind},
                          {"name", s.name},
                          {"count", s.count},
                          {"length", s.length},
                          {"entries", s.entries}});
    }
    appendix = {{"offset", dump.appendix.offset},
                {"size", dump.appendix.size},
                {"version", dump.appendix.version},
                {"sections", sections}};
  }
  json description = nullptr;
  if (dump.has_description)
    description = {{"length", dump.description_length}, {"text", dump.description}};
  return {{"file", file},
          {"kind", exchange_file_kind_name(dump.kind)},
          {"size", dump.file_size},
          {"description", description},
          {"blocks", blocks},
          {"ended", dump.ended},
          {"bytes_after_end", dump.bytes_after_end},
          {"appendix", appendix},
          {"ok", dump.ok()},
          {"error", dump.ok() ? json(nullptr) : json(dump.error)},
          {"error_offset", dump.ok() ? json(nullptr) : json(dump.error_offset)}};
}

static void print_attribute_dump(const AttributeDump& dump, const std::string& file, std::ostream& out) {
  out << file << ": attribute file, " << dump.file_size << " bytes\n";
  for (const AttributeDumpRecord& r : dump.records) {
    out << "@" << r.offset << " " << r.name << " type " << r.type << " code " << r.code
        << " length " << r.length << " parent " << r.parent << " id " << r.id << "\n";
    print_fields(r.fields, 4, out);
  }
  if (dump.ended && dump.bytes_after_end != 0) out << dump.bytes_after_end << " bytes after the end\n";
  if (!dump.ok()) out << "@" << dump.error_offset << " error: " << dump.error << "\n";
}

static nlohmann::ordered_json attribute_dump_json(const AttributeDump& dump, const std::string& file) {
  using json = nlohmann::ordered_json;
  json records = json::array();
  for (const AttributeDumpRecord& r : dump.records) {
    records.push_back({{"offset", r.offset},
                       {"type", r.type},
                       {"name", r.name},
                       {"code", r.code},
                       {"length", r.length},
                       {"parent", r.parent},
                       {"id", r.id},
                       {"fields", fields_json(r.fields)}});
  }
  return {{"file", file},
          {"kind", "attribute"},
          {"size", dump.file_size},
          {"records", records},
          {"ended", dump.ended},
          {"bytes_after_end", dump.bytes_after_end},
          {"ok", dump.ok()},
          {"error", dump.ok() ? json(nullptr) : json(dump.error)},
          {"error_offset", dump.ok() ? json(nullptr) : json(dump.error_offset)}};
}

// An attribute file: named "*.atr", or opening with the file start record.
static bool is_attribute_file(const std::string& file) {
  std::string ext = fs::path(file).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".atr") return true;
  std::ifstream in(file, std::ios::binary);
  char head[20] = {};
  in.read(head, sizeof head);
  return in.gcount() == 20 && std::all_of(head, head + 20, [](char c) { return c == 0; });
}

static int attribute_dump_command(const std::string& file, bool json, Output& out) {
  const AttributeDump dump = decode_attribute_file(file);
  if (!dump.ok() && dump.records.empty() && dump.file_size == 0)
    return out.fail(file + ": " + dump.error);
  if (json)
    out.out() << attribute_dump_json(dump, file).dump(2) << "\n";
  else
    print_attribute_dump(dump, file, out.out());
  if (!dump.ok())
    return out.fail(file + ": at offset " + std::to_string(dump.error_offset) + ": " + dump.error);
  return 0;
}

int dump_command(const std::string& file, bool json, Output& out) {
  {
    std::string ext = fs::path(file).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".loc") return location_dump_command(file, json, out);
    if (ext == ".json") return model_dump_command(file, json, out);
  }
  if (is_attribute_file(file)) return attribute_dump_command(file, json, out);
  // A surface file is told by its first bytes; anything else is read as a palette
  // or prototype file.
  {
    FilePackInput in(file);
    std::vector<unsigned char> head(std::min<uint64_t>(in.size(), 4 + kMaxPackNameBytes));
    if (in.ok() && in.read(head.data(), head.size()) && is_surface_dump(head))
      return surface_dump_command(file, json, out);
  }
  const ExchangeDump dump = decode_exchange_file(file);
  if (!dump.ok() && dump.blocks.empty() && !dump.has_description && dump.file_size == 0)
    return out.fail(file + ": " + dump.error);
  if (json)
    out.out() << dump_json(dump, file).dump(2) << "\n";
  else
    print_dump(dump, file, out.out());
  if (!dump.ok())
    return out.fail(file + ": at offset " + std::to_string(dump.error_offset) + ": " + dump.error);
  return 0;
}

void add_dump_command(CLI::App& app, Context& context) {
  CLI::App* cmd =
      app.add_subcommand("dump", "Show every block of a palette or prototype file, every record of an "
                                 "attribute file, the entries of a surface file, or the plans and elements "
                                 "of a model file (no project)");
  auto file = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  cmd->add_option("FILE", *file, "The palette (.pal), prototype (.prt), attribute (.atr), location (.loc), model (.json) or surface file")->required();
  cmd->add_flag("--json", *json,
                "As JSON: file, kind, size, description, blocks (offset, name, code, size, a, "
                "b, kind, fields), ended, bytes_after_end, appendix, ok, error, error_offset; for an "
                "attribute file records (offset, type, name, code, length, parent, id, fields)");
  cmd->callback([&context, file, json] {
    Output out(context.console.out, context.console.err, "dump", context.options.quiet);
    context.status = dump_command(*file, *json, out);
  });
}

}  // namespace dlist::cli
