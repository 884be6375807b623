// `dlist clipboard show [--json]` and `dlist clipboard clear [CLASS...]`: what each
// class of the defaults clipboard holds (layer settings, layer names, the default
// edges of ceilings, roofs, parcels and rasters), read as a paste would read it, and
// emptying classes. Needs no project.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_stream.h"
#include "cli/project.h"
#include "foundation/code_page.h"
#include "foundation/fixed_text.h"
#include "host/clipboard_store.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

// "1 edge preset", "2 edge presets".
std::string count_of(std::size_t n, const std::string& what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

json number(double v) {
  if (std::isfinite(v)) return v;
  return std::isnan(v) ? "nan" : v < 0 ? "-inf" : "inf";
}

// A text buffer's text; a value that holds more than a text (a held file) by length.
json buffer_json(const TEXTBUFFER& text) {
  const std::string_view bytes(text.data() ? text.data() : "", text.size());
  const std::size_t length = field_length(bytes.data(), bytes.size());
  if (length + 1 >= bytes.size()) return utf8_text(bytes.substr(0, length));
  return json{{"bytes", text.size()}};
}

// What a class's content holds, as JSON, with a one-line summary; false when the
// content is not the class's block.
bool describe(ClipboardClass id, const std::vector<unsigned char>& content, json* what,
              std::string* summary, std::string* error) {
  switch (id) {
    case ClipboardClass::kLayers: {
      if (content.size() != sizeof(LayerSettingsBlock)) break;
      LayerSettingsBlock block;
      std::memcpy(&block, content.data(), sizeof block);
      json off = json::array();
      for (int i = 0; i < kLayersPerSet; ++i)
        if (block.state[i] == kLayerInactive) off.push_back(i + 1);
      *summary = "current layer " + std::to_string(block.current) + ", " +
                 count_of(off.size(), "layer") + " off";
      *what = {{"current", block.current}, {"off", off}};
      return true;
    }
    case ClipboardClass::kLayerNames: {
      if (content.size() != sizeof(DBFOLIANAMES)) break;
      auto names = std::make_unique<DBFOLIANAMES>();
      std::memcpy(names.get(), content.data(), sizeof(DBFOLIANAMES));
      json list = json::array();
      for (int i = 0; i < kLayerNameCount; ++i) {
        const std::string_view name = field_text(names->name[i]);
        if (!name.empty()) list.push_back({{"layer", i + 1}, {"name", utf8_text(name)}});
      }
      *summary = count_of(list.size(), "named layer");
      *what = {{"names", list}};
      return true;
    }
    default: {
      EdgeDefaultsBlock block;
      if (!decode_edge_block(content, &block, error)) return false;
      json edges = json::array();
      for (unsigned i = 0; i < block.edges.size(); ++i) {
        const DBEDGEPALETTE& e = block.edges[i];
        edges.push_back({{"layer", e.layer},
                         {"pen", e.pen},
                         {"line_type", e.line_type},
                         {"fill_pen", e.fill_pen},
                         {"section_pen", e.section_pen},
                         {"view_pen", e.view_pen},
                         {"angle", number(e.angle)},
                         {"edge_kind", e.edge_kind},
                         {"custom_angle", e.custom_angle},
                         {"custom_overhang", e.custom_overhang},
                         {"gutter", e.gutter},
                         {"flags", e.flags},
                         {"overhang", number(e.overhang)}});
      }
      json materials = json::array();
      for (unsigned i = 0; i < block.materials.size(); ++i) {
        const DBMATREF& m = block.materials[i];
        materials.push_back({{"code", buffer_json(m.code)},
                             {"quantity", m.is_auto_quantity() ? json("auto") : number(m.quantity)},
                             {"location", m.location},
                             {"parameter", utf8_text(field_text(m.parameter))}});
      }
      json attributes = json::array();
      for (unsigned i = 0; i < block.attributes.size(); ++i) {
        const DBATTREFTYPE& a = block.attributes[i];
        attributes.push_back({{"abbrev", utf8_text(field_text(a.abbrev))},
                              {"name", utf8_text(field_text(a.name))},
                              {"flags", a.flags},
                              {"reference", a.reference},
                              {"value", buffer_json(a.value)}});
      }
      *summary = count_of(edges.size(), "edge preset") + ", " +
                 count_of(materials.size(), "material reference") + ", " +
                 count_of(attributes.size(), "attribute reference");
      *what = {{"edges", edges}, {"materials", materials}, {"attributes", attributes}};
      return true;
    }
  }
  *error = "the content's " + std::to_string(content.size()) + " bytes are no block of its class";
  return false;
}

int show_command(bool as_json, Output& out) {
  const fs::path folder = clipboard_folder();
  if (folder.empty())
    return out.fail("no clipboard folder: set " + std::string(kClipboardFolderVariable) +
                    ", XDG_RUNTIME_DIR or HOME");
  JsonStream j(out.out());
  if (as_json) {
    j.begin_object();
    j.member("folder", folder.string());
    j.key("classes");
    j.begin_array();
  } else {
    out.out() << "clipboard folder " << escape_controls(folder.string()) << "\n";
  }
  for (const ClipboardClassInfo& info : clipboard_classes()) {
    const ClipboardRead read = read_clipboard_file(info.id);
    json what;
    std::string summary;
    std::string error = read.message;
    std::string state = "empty";
    if (read.ok()) state = describe(info.id, read.content, &what, &summary, &error) ? "held" : "refused";
    else if (read.fault == ClipboardRead::Fault::kDamaged) state = "refused";
    if (as_json) {
      json entry{{"class", info.name}, {"file", info.file}, {"state", state}};
      if (state == "held") entry["content"] = what;
      if (state == "refused") entry["error"] = shown_message(error);
      j.value(entry);
    } else {
      out.out() << info.name << "  ";
      if (state == "held")
        out.out() << summary;
      else if (state == "refused")
        out.out() << "refused: " << shown_message(error);
      else
        out.out() << "empty";
      out.out() << "\n";
    }
  }
  if (as_json) {
    j.end_array();
    j.end_object();
    j.finish();
  }
  return 0;
}

// The class a word names: its class name or its file's name without ".clip".
const ClipboardClassInfo* class_named(const std::string& word) {
  for (const ClipboardClassInfo& info : clipboard_classes()) {
    const std::string file = info.file;
    if (word == info.name || word == file.substr(0, file.find('.'))) return &info;
  }
  return nullptr;
}

int clear_command(const std::vector<std::string>& words, Output& out) {
  std::vector<const ClipboardClassInfo*> chosen;
  for (const std::string& word : words) {
    const ClipboardClassInfo* info = class_named(word);
    if (info == nullptr)
      return out.fail("no clipboard class \"" + escape_controls(word) +
                      "\" (layers, layernames, ceiledges, roofedges, parcedges, rastedges)");
    chosen.push_back(info);
  }
  if (chosen.empty())
    for (const ClipboardClassInfo& info : clipboard_classes()) chosen.push_back(&info);
  const fs::path folder = clipboard_folder();
  if (folder.empty())
    return out.fail("no clipboard folder: set " + std::string(kClipboardFolderVariable) +
                    ", XDG_RUNTIME_DIR or HOME");
  int cleared = 0;
  for (const ClipboardClassInfo* info : chosen) {
    std::error_code ec;
    const bool removed = fs::remove(folder / info->file, ec);
    if (ec) return out.fail("cannot remove " + (folder / info->file).string() + ": " + ec.message());
    if (removed) ++cleared;
  }
  out.note("cleared " + std::to_string(cleared) + (cleared == 1 ? " class" : " classes"));
  return 0;
}

}  // namespace

void add_clipboard_commands(CLI::App& app, Context& context) {
  CLI::App* clipboard = app.add_subcommand(
      "clipboard", "The defaults clipboard: layer settings, layer names and default edges (no project)");
  clipboard->require_subcommand(1);

  CLI::App* show = clipboard->add_subcommand("show", "What each clipboard class holds");
  auto as_json = std::make_shared<bool>(false);
  show->add_flag("--json", *as_json,
                 "As JSON: folder, classes (class, file, state held|empty|refused, content or error)");
  show->callback([&context, as_json] {
    Output out(context.console.out, context.console.err, "clipboard show", context.options.quiet);
    context.status = show_command(*as_json, out);
  });

  CLI::App* clear = clipboard->add_subcommand("clear", "Empty clipboard classes (all when none is named)");
  auto words = std::make_shared<std::vector<std::string>>();
  clear->add_option("CLASS", *words,
                    "layers, layernames, ceiledges, roofedges, parcedges or rastedges");
  clear->callback([&context, words] {
    Output out(context.console.out, context.console.err, "clipboard clear", context.options.quiet);
    context.status = clear_command(*words, out);
  });
}

}  // namespace dlist::cli
