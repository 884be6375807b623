// Held file values: the layout, the plain name and the writing out.
#include "attributes/held_file.h"

#include <cstdio>

#include "foundation/stream_error.h"
#include "host/file_replacement.h"

namespace dlist {

std::optional<HeldFile> parse_held_file(std::string_view value) {
  const std::size_t zero = value.find('\0');
  if (zero == std::string_view::npos || value.size() - zero - 1 < 4) return std::nullopt;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(value.data()) + zero + 1;
  const uint32_t length = static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                          static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
  const std::size_t left = value.size() - zero - 1 - 4;
  if (length != left) return std::nullopt;
  return HeldFile{value.substr(0, zero), value.substr(zero + 5)};
}

std::string make_held_file(std::string_view name, std::string_view content) {
  std::string out(name);
  out += '\0';
  const uint32_t n = static_cast<uint32_t>(content.size());
  for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
  out += content;
  return out;
}

std::optional<std::string> plain_file_name(std::string_view name) {
  const std::size_t cut = name.find_last_of("/\\:");
  const std::string_view last = cut == std::string_view::npos ? name : name.substr(cut + 1);
  if (last.empty() || last == "." || last == ".." || last.find('\0') != std::string_view::npos)
    return std::nullopt;
  return std::string(last);
}

bool same_held_value(std::string_view held, std::string_view value) {
  return held.size() == value.size() && held == value;
}

std::optional<std::string> hold_file(const std::filesystem::path& path, std::size_t max_bytes,
                                     std::string* error) {
  const std::optional<std::string> name = plain_file_name(path.filename().string());
  if (!name) {
    *error = "no file name in " + path.string();
    return std::nullopt;
  }
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (f == nullptr) {
    *error = "cannot open " + path.string();
    return std::nullopt;
  }
  std::string content;
  char chunk[65536];
  bool ok = true;
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
    if (content.size() + n > max_bytes) {
      ok = false;
      *error = path.string() + " is larger than " + std::to_string(max_bytes) + " bytes";
      break;
    }
    content.append(chunk, n);
    if (n < sizeof chunk) {
      if (std::ferror(f) != 0) {
        ok = false;
        *error = "cannot read " + path.string();
      }
      break;
    }
  }
  std::fclose(f);
  if (!ok) return std::nullopt;
  return make_held_file(*name, content);
}

std::optional<std::filesystem::path> write_held_file(std::string_view value,
                                                     const std::filesystem::path& folder,
                                                     std::string* error) {
  const std::optional<HeldFile> held = parse_held_file(value);
  if (!held) {
    *error = "the held file is damaged";
    return std::nullopt;
  }
  const std::optional<std::string> name = plain_file_name(held->name);
  if (!name) {
    *error = "the held file's name \"" + std::string(held->name) + "\" names no file";
    return std::nullopt;
  }
  const std::filesystem::path target = folder / *name;
  // A link in the folder would carry the content elsewhere.
  std::error_code ec;
  if (std::filesystem::is_symlink(target, ec)) {
    *error = target.string() + " is a link; nothing is written through it";
    return std::nullopt;
  }
  try {
    FileReplacement file(target.string());
    if (!held->content.empty())
      file.file().write(held->content.data(), static_cast<unsigned>(held->content.size()));
    file.commit();
  } catch (const StreamError& e) {
    *error = e.what();
    return std::nullopt;
  }
  return target;
}

}  // namespace dlist
