// `dlist demo [DIR]`: the main job of the command. It works in DIR, a new
// temporary folder when none is given, and shows the shared record layer at
// work: an element record of every kind is streamed into DIR/records.bin with
// its streamer, read back from the file into fresh records, and checked to
// stream to the same bytes again.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <random>
#include <vector>

#include "cli/commands.h"
#include "foundation/element_kinds.h"
#include "foundation/records.h"
#include "palettes/streamers.h"
#include "stream/stream.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

// A new folder under the system's temporary folder.
fs::path make_work_folder() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = ".";
  std::random_device random;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    fs::path candidate = base / ("dlist-demo-" + std::to_string(random() % 1000000));
    if (fs::create_directory(candidate, ec)) return candidate;
  }
  throw std::runtime_error("cannot create a temporary folder under " + base.string());
}

int run_demo(const std::string& dir_option) {
  fs::path dir = dir_option.empty() ? make_work_folder() : fs::path(dir_option);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "dlist demo: cannot create %s: %s\n", dir.string().c_str(),
                 ec.message().c_str());
    return 1;
  }
  const fs::path file = dir / "records.bin";
  std::printf("dlist demo: working in %s\n", dir.string().c_str());

  // One record of every kind, streamed one after the other into the file.
  std::vector<std::vector<unsigned char>> written;
  {
    StreamOutputFile out(ORB::String(file.string().c_str()));
    for_each_kind([&](auto kind) {
      using K = decltype(kind);
      typename K::element record;
      written.push_back(stream_out(record));
      Streamer<typename K::element>(&record).io(out);
    });
    out.close();
  }

  // Read them back into fresh records and stream those again.
  int mismatches = 0;
  std::size_t index = 0;
  {
    StreamInputFile in(ORB::String(file.string().c_str()));
    for_each_kind([&](auto kind) {
      using K = decltype(kind);
      typename K::element record;
      Streamer<typename K::element>(&record).io(in);
      std::vector<unsigned char> again = stream_out(record);
      bool same = again == written[index];
      if (!same) ++mismatches;
      std::printf("  %-8s %5zu bytes  checksum %08X  %s\n", K::facts.cli_name, again.size(),
                  CheckSum::f(again.data(), static_cast<unsigned>(again.size())),
                  same ? "read back equal" : "DIFFERS");
      ++index;
    });
    if (in.bytesLeft() != 0) ++mismatches;
  }
  std::printf("dlist demo: %zu records written to %s and read back, %d difference%s\n", index,
              file.string().c_str(), mismatches, mismatches == 1 ? "" : "s");
  return mismatches == 0 ? 0 : 1;
}

}  // namespace

void add_demo_command(CLI::App& app, Context& context) {
  auto* cmd = app.add_subcommand("demo", "Run the demonstration on a default project");
  auto dir = std::make_shared<std::string>();
  cmd->add_option("DIR", *dir, "Folder to work in (default: a new temporary folder)");
  cmd->callback([&context, dir] {
    try {
      context.status = run_demo(*dir);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "dlist demo: %s\n", e.what());
      context.status = 1;
    }
  });
}

}  // namespace dlist::cli
