// Reading, writing and unpacking surface packs.
#include "palettes/surface_pack.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "foundation/byte_order.h"

namespace dlist {
namespace {

constexpr std::size_t kPiece = 1 << 16;

std::string upper_text(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

std::string extension_of(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : upper_text(name.substr(dot));
}

}  // namespace

bool is_pack_file_name(std::string_view name) {
  const std::string ext = extension_of(name);
  return ext == ".SRF" || ext == ".BMP" || ext == ".ORB";
}

bool is_surface_file_name(std::string_view name) { return extension_of(name) == ".SRF"; }

bool MemoryPackInput::read(void* data, std::size_t n) {
  if (n > bytes_.size() - at_) return false;
  if (n != 0) std::memcpy(data, bytes_.data() + at_, n);
  at_ += n;
  return true;
}

FilePackInput::FilePackInput(const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) {
    error_ = "cannot open " + path + ": " + std::strerror(errno);
    return;
  }
  if (std::fseek(file_, 0, SEEK_END) != 0) {
    error_ = "cannot read " + path;
    std::fclose(file_);
    file_ = nullptr;
    return;
  }
  const long end = std::ftell(file_);
  std::rewind(file_);
  if (end < 0) {
    error_ = "cannot read " + path;
    std::fclose(file_);
    file_ = nullptr;
    return;
  }
  size_ = static_cast<uint64_t>(end);
}

FilePackInput::~FilePackInput() {
  if (file_ != nullptr) std::fclose(file_);
}

bool FilePackInput::read(void* data, std::size_t n) {
  if (file_ == nullptr || n > size_ - at_) return false;
  if (n != 0 && std::fread(data, 1, n, file_) != n) return false;
  at_ += n;
  return true;
}

SurfacePackReader::Step SurfacePackReader::fault(uint64_t at, std::string what) {
  what_ = std::move(what);
  offset_ = at;
  return Step::kFault;
}

SurfacePackReader::Step SurfacePackReader::next(PackEntry& entry) {
  if (!what_.empty()) return Step::kFault;
  if (unread_ != 0 && !content([](std::span<const unsigned char>) { return true; }))
    return Step::kFault;
  const uint64_t at = in_.tell();
  const uint64_t left = in_.size() - at;
  if (left == 0) return Step::kEnd;
  if (entries_ == kMaxPackEntries)
    return fault(at, "more than " + std::to_string(kMaxPackEntries) + " entries");
  unsigned char count[4];
  if (left < 4 || !in_.read(count, 4)) return fault(at, "the entry's name count is cut short");
  const uint32_t n = load_le32(count);
  if (n < 2 || n > kMaxPackNameBytes)
    return fault(at, "a name of " + std::to_string(n) + " bytes with its zero is not 2 to 256");
  if (n > left - 4) return fault(at, "the name of " + std::to_string(n) + " bytes runs past the end");
  std::string name(n, '\0');
  if (!in_.read(name.data(), n)) return fault(at, "cannot read the name");
  if (name.back() != '\0') return fault(at + 4, "the name does not end with a zero");
  name.pop_back();
  if (!is_plain_file_name(name))
    return fault(at + 4, "the name \"" + name + "\" is no plain file name");
  if (!names_.insert(upper_text(name)).second)
    return fault(at + 4, "the name \"" + name + "\" is given twice");
  const uint64_t length_at = at + 4 + n;
  if (in_.size() - length_at < 4 || !in_.read(count, 4))
    return fault(length_at, "the file length of \"" + name + "\" is cut short");
  const uint32_t m = load_le32(count);
  if (m > in_.size() - in_.tell())
    return fault(length_at, "the file \"" + name + "\" of " + std::to_string(m) +
                                " bytes runs past the end");
  if (m > kMaxPackBytes - total_)
    return fault(length_at, "the files hold more than " + std::to_string(kMaxPackBytes) + " bytes");
  total_ += m;
  ++entries_;
  unread_ = m;
  entry.offset = at;
  entry.name = std::move(name);
  entry.length = m;
  entry.content_offset = in_.tell();
  return Step::kEntry;
}

bool SurfacePackReader::content(const std::function<bool(std::span<const unsigned char>)>& sink) {
  std::vector<unsigned char> piece(std::min<uint64_t>(unread_, kPiece));
  while (unread_ > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(unread_, kPiece));
    if (!in_.read(piece.data(), n)) {
      fault(in_.tell(), "cannot read the file's bytes");
      return false;
    }
    unread_ -= n;
    if (!sink(std::span<const unsigned char>(piece.data(), n))) return false;
  }
  return true;
}

UnpackResult unpack_surface_pack(PackInput& in, ScratchFolder& folder) {
  UnpackResult result;
  SurfacePackReader reader(in);
  PackEntry entry;
  for (;;) {
    const SurfacePackReader::Step step = reader.next(entry);
    if (step == SurfacePackReader::Step::kEnd) break;
    if (step == SurfacePackReader::Step::kFault) {
      result.error = reader.what();
      result.error_offset = reader.offset();
      break;
    }
    ScratchFolder::File file = folder.create(entry.name);
    if (!file) {
      result.error = "cannot create the file \"" + entry.name + "\" in the scratch folder";
      result.error_offset = entry.offset;
      break;
    }
    const bool written = reader.content([&file](std::span<const unsigned char> bytes) {
      return file.write(bytes.data(), bytes.size());
    });
    if (!written || !file.close()) {
      result.error = reader.what().empty() ? "cannot write the file \"" + entry.name + "\""
                                           : reader.what();
      result.error_offset = reader.what().empty() ? entry.offset : reader.offset();
      break;
    }
    result.entries.push_back(entry);
  }
  return result;
}

bool write_surface_pack(ScratchFolder& folder, const std::string& pack_name, std::string* reason) {
  std::string ignored;
  std::string* error = reason ? reason : &ignored;
  std::vector<std::string> names;
  for (const std::string& n : folder.files())
    if (is_pack_file_name(n) && n != pack_name) names.push_back(n);
  std::stable_partition(names.begin(), names.end(),
                        [](const std::string& n) { return is_surface_file_name(n); });
  ScratchFolder::File out = folder.create(pack_name);
  if (!out) {
    *error = "cannot create the pack file";
    return false;
  }
  uint64_t total = 0;
  std::vector<unsigned char> piece(kPiece);
  for (const std::string& name : names) {
    if (!is_plain_file_name(name)) {
      *error = "the file name \"" + name + "\" cannot go into a pack";
      return false;
    }
    std::ifstream in(folder.path() / name, std::ios::binary | std::ios::ate);
    const std::streamoff size = in.tellg();
    if (!in || size < 0 || static_cast<uint64_t>(size) > kMaxPackBytes - total) {
      *error = "the file " + name + " cannot be read or makes the pack too large";
      return false;
    }
    total += static_cast<uint64_t>(size);
    in.seekg(0);
    std::vector<unsigned char> head;
    put_le32(head, static_cast<uint32_t>(name.size() + 1));
    head.insert(head.end(), name.begin(), name.end());
    head.push_back(0);
    put_le32(head, static_cast<uint32_t>(size));
    if (!out.write(head.data(), head.size())) {
      *error = "cannot write the pack file";
      return false;
    }
    for (std::streamoff left = size; left > 0;) {
      const auto n = static_cast<std::size_t>(std::min<std::streamoff>(left, kPiece));
      if (!in.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(n)) ||
          !out.write(piece.data(), n)) {
        *error = "cannot copy " + name + " into the pack";
        return false;
      }
      left -= static_cast<std::streamoff>(n);
    }
  }
  if (!out.close()) {
    *error = "cannot write the pack file";
    return false;
  }
  return true;
}

SurfacePackDump decode_surface_pack(PackInput& in) {
  SurfacePackDump dump;
  dump.file_size = in.size();
  SurfacePackReader reader(in);
  PackEntry entry;
  for (;;) {
    const SurfacePackReader::Step step = reader.next(entry);
    if (step == SurfacePackReader::Step::kEnd) break;
    if (step == SurfacePackReader::Step::kFault) {
      dump.error = reader.what();
      dump.error_offset = reader.offset();
      break;
    }
    dump.entries.push_back(entry);
    if (!is_surface_file_name(entry.name)) continue;
    if (entry.length > kMaxSurfaceFileBytes) {
      SurfaceFileContent c;
      c.error = "the file is larger than a surface library file can be";
      dump.libraries.emplace_back(dump.entries.size() - 1, std::move(c));
      continue;
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(entry.length);
    if (!reader.content([&bytes](std::span<const unsigned char> b) {
          bytes.insert(bytes.end(), b.begin(), b.end());
          return true;
        })) {
      dump.error = reader.what();
      dump.error_offset = reader.offset();
      break;
    }
    dump.libraries.emplace_back(dump.entries.size() - 1, parse_surface_file(bytes));
  }
  return dump;
}

bool looks_like_surface_pack(std::span<const unsigned char> head) {
  if (head.size() < 4) return false;
  const uint32_t n = load_le32(head.data());
  if (n < 2 || n > kMaxPackNameBytes || head.size() < 4 + std::size_t{n}) return false;
  const auto* name = reinterpret_cast<const char*>(head.data() + 4);
  if (name[n - 1] != '\0') return false;
  const std::string_view plain(name, n - 1);
  return is_plain_file_name(plain) && is_pack_file_name(plain);
}

}  // namespace dlist
