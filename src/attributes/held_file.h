// The content of a file held in the project: a file reference whose flag bit 0 is
// set carries the file itself as its value, its name as a zero-terminated string,
// then its length as a 32-bit little-endian number, then its bytes. This file
// makes such values, takes them apart with every length checked, and writes their
// content out under a plain file name into a folder the caller names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace dlist {

// Flags of a reference.
inline constexpr uint8_t kRefHeld = 0x01;      // the file's content is held in the project
inline constexpr uint8_t kRefIndirect = 0x02;  // the value names another reference

// A held file taken apart: views into the value it was read from.
struct HeldFile {
  std::string_view name;
  std::string_view content;
};

// The parts of a held value; nothing when its name does not end inside the value
// or the length does not equal the bytes that follow it.
std::optional<HeldFile> parse_held_file(std::string_view value);

// The value that holds content under name.
std::string make_held_file(std::string_view name, std::string_view content);

// The plain file name that a name read from a file or the project stands for: the
// part after the last "/", "\\" or drive colon. Nothing when that part is empty,
// "." or "..", or holds a zero byte.
std::optional<std::string> plain_file_name(std::string_view name);

// Whether a held value and a new one hold the same: the lengths are compared
// first, so a held value shorter than the new one is never read past its end.
bool same_held_value(std::string_view held, std::string_view value);

// Reads the file at path into a held value (its plain name and its bytes); nothing,
// with the reason in *error, when it cannot be read or is larger than max_bytes.
std::optional<std::string> hold_file(const std::filesystem::path& path, std::size_t max_bytes,
                                     std::string* error);

// Writes the content of a held value into folder under its plain name, through a
// temporary file renamed into place. The path written, or nothing with the reason
// in *error (a damaged value, a name that reduces to nothing, a failed write).
std::optional<std::filesystem::path> write_held_file(std::string_view value,
                                                     const std::filesystem::path& folder,
                                                     std::string* error);

// The largest file the editor holds in the project.
inline constexpr std::size_t kMaxHeldFile = 64u << 20;

}  // namespace dlist
