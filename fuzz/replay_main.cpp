// The replay driver: a main() for a fuzz target built with the normal compiler, which
// runs LLVMFuzzerTestOneInput once on every file it is given and on every file of the
// folders it is given (in name order). It fails when it finds no input at all, so a
// missing corpus is noticed; a crash of the target fails it as a crash.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "replay: cannot read %s\n", file.string().c_str());
    return false;
  }
  const std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t inputs = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(arg, ec)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      for (const auto& f : files) {
        ok = replay(f) && ok;
        ++inputs;
      }
    } else if (std::filesystem::is_regular_file(arg, ec)) {
      ok = replay(arg) && ok;
      ++inputs;
    } else {
      std::fprintf(stderr, "replay: no file or folder %s\n", argv[i]);
      ok = false;
    }
  }
  std::printf("replayed %zu inputs\n", inputs);
  return ok && inputs > 0 ? 0 : 1;
}
