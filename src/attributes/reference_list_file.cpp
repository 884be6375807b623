// The reader and writer of reference list files.
#include "attributes/reference_list_file.h"

#include <cstdio>
#include <set>

#include "foundation/stream_error.h"
#include "host/file_replacement.h"

namespace dlist {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

ReferenceListRead refuse(ReferenceListRead::Fault fault, std::size_t offset, std::string message) {
  ReferenceListRead r;
  r.fault = fault;
  r.offset = offset;
  r.message = std::move(message) + " at offset " + std::to_string(offset);
  return r;
}

std::string reference_label(std::size_t index) {
  return "reference " + std::to_string(index + 1);
}

}  // namespace

std::size_t max_reference_value(int kind) {
  return kind == 0 ? kMaxFormulaValue : kMaxTextValue;
}

ReferenceListRead read_reference_list(std::string_view bytes, int kind) {
  using Fault = ReferenceListRead::Fault;
  if (bytes.empty()) return refuse(Fault::kEmpty, 0, "the file is empty");
  if (kind < 0 || kind > 2 || bytes[0] != static_cast<char>('0' + kind)) {
    return refuse(Fault::kWrongKind, 0,
                  "the file holds the references of another kind of attribute");
  }
  ReferenceListRead read;
  std::set<std::string> names;
  const std::size_t cap = max_reference_value(kind);
  std::size_t at = 1;
  while (at < bytes.size()) {
    const std::size_t index = read.entries.size();
    if (index > 0) {
      // Every further reference begins with "#": the value before ended only there.
      if (bytes[at] != '#')
        return refuse(Fault::kDamaged, at, "no \"#\" before " + reference_label(index));
      ++at;
    }
    // The name, up to its line end.
    const std::size_t name_at = at;
    const std::size_t end = bytes.find(kLineEnd, at);
    const std::size_t room = end == std::string_view::npos ? bytes.size() - at : end - at;
    if (room > kMaxReferenceName) {
      return refuse(Fault::kDamaged, name_at,
                    "the name of " + reference_label(index) + " holds more than 16 characters");
    }
    if (end == std::string_view::npos) {
      return refuse(Fault::kDamaged, name_at,
                    "the file ends inside the name of " + reference_label(index));
    }
    ReferenceListEntry entry;
    entry.name.assign(bytes.substr(at, room));
    if (entry.name.empty() ||
        entry.name.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
      return refuse(Fault::kDamaged, name_at,
                    "the name of " + reference_label(index) + " is empty or holds a control byte");
    }
    if (!names.insert(entry.name).second) {
      return refuse(Fault::kDamaged, name_at,
                    "the name \"" + entry.name + "\" of " + reference_label(index) +
                        " is taken by an earlier reference");
    }
    at = end + kLineEnd.size();
    // The value: up to a CR LF followed by "#" or by the end of the file.
    const std::size_t value_at = at;
    std::size_t stop = std::string_view::npos;
    for (std::size_t p = bytes.find(kLineEnd, at); p != std::string_view::npos;
         p = bytes.find(kLineEnd, p + 1)) {
      const std::size_t after = p + kLineEnd.size();
      if (after == bytes.size() || bytes[after] == '#') {
        stop = p;
        break;
      }
    }
    if (stop == std::string_view::npos) {
      return refuse(Fault::kDamaged, value_at,
                    "the file ends inside the value of " + reference_label(index));
    }
    if (stop - value_at > cap) {
      return refuse(Fault::kDamaged, value_at,
                    "the value of " + reference_label(index) + " holds more than " +
                        std::to_string(cap) + " characters");
    }
    entry.value.assign(bytes.substr(value_at, stop - value_at));
    if (entry.value.find('\0') != std::string::npos) {
      return refuse(Fault::kDamaged, value_at,
                    "the value of " + reference_label(index) + " holds a zero byte");
    }
    read.entries.push_back(std::move(entry));
    at = stop + kLineEnd.size();
  }
  return read;
}

bool write_reference_list(int kind, const std::vector<ReferenceListEntry>& entries,
                          std::string* bytes, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  if (kind < 0 || kind > 2) return fail("no kind of attribute " + std::to_string(kind));
  std::string out;
  char digit[8];
  std::snprintf(digit, sizeof digit, "%d", kind);
  out += digit;
  std::set<std::string> names;
  const std::size_t cap = max_reference_value(kind);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ReferenceListEntry& e = entries[i];
    if (e.name.empty() || e.name.size() > kMaxReferenceName ||
        e.name.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos ||
        !names.insert(e.name).second) {
      return fail("the name \"" + e.name +
                  "\" cannot be written: 1 to 16 characters, one line, "
                  "once in the list");
    }
    if (e.value.size() > cap || e.value.find('\0') != std::string::npos) {
      return fail("the value of \"" + e.name + "\" cannot be written: at most " +
                  std::to_string(cap) + " characters without a zero byte");
    }
    // Within the value a CR LF followed by "#" would end it early when read.
    if (e.value.find("\r\n#") != std::string::npos) {
      return fail("the value of \"" + e.name + "\" holds a line that begins with \"#\"");
    }
    if (i > 0) out += '#';
    out += e.name;
    out += kLineEnd;
    out += e.value;
    out += kLineEnd;
  }
  *bytes = std::move(out);
  return true;
}

bool load_reference_list_file(const std::string& path, int kind, ReferenceListRead* read) {
  auto fail = [&](const std::string& why) {
    *read = ReferenceListRead();
    read->fault = ReferenceListRead::Fault::kDamaged;
    read->message = why;
    return false;
  };
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return fail("cannot open " + path);
  std::string bytes;
  char chunk[65536];
  bool ok = true;
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
    if (bytes.size() + n > kMaxReferenceListFile) {
      ok = false;
      break;
    }
    bytes.append(chunk, n);
    if (n < sizeof chunk) {
      ok = std::ferror(f) == 0;
      break;
    }
  }
  std::fclose(f);
  if (!ok) return fail("cannot read " + path + " (or it is larger than 16 MiB)");
  *read = read_reference_list(bytes, kind);
  return read->ok();
}

bool save_reference_list_file(const std::string& path, std::string_view bytes, std::string* error) {
  try {
    FileReplacement file(path);
    if (!bytes.empty()) file.file().write(bytes.data(), static_cast<unsigned>(bytes.size()));
    file.commit();
    return true;
  } catch (const StreamError& e) {
    if (error != nullptr) *error = e.what();
    return false;
  }
}

}  // namespace dlist
