// The text element record (`DBTEXTTYPE`): an owned text string, its placement
// (nine location points, two box corners, a click point), its alignment characters
// and its palette. Because it owns its string, its 310-byte image is made by an
// explicit codec (`to_image`, `from_image`): the string pointer is a 4-byte slot
// written as 0, and the text itself travels apart (`BLOCK_TEXT` of prototype
// files). Layout in docs/formats.md, "Record images".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "dlist/api.h"
#include "foundation/geometry.h"
#include "foundation/palettes.h"
#include "foundation/record_id.h"
#include "foundation/type_codes.h"

namespace dlist {
template <class V, class R>
void text_fields(V& v, R& r);
}  // namespace dlist

class DLIST_API DBTEXTTYPE {
 public:
  static constexpr std::size_t kImageSize = 310;
  static constexpr int kLocations = 9;
  static constexpr short streamedtype() { return ST_DBTEXTTYPE; }
  static constexpr short rttype() { return RT_TEXT; }
  static constexpr int32_t let_type() { return LET_TEXT; }

  DBTEXTTYPE() = default;
  // Deep copies; a string that cannot be copied (memory short) leaves the copy
  // without text, and an assignment that cannot copy it leaves the target as it was.
  DBTEXTTYPE(const DBTEXTTYPE& other);
  DBTEXTTYPE& operator=(const DBTEXTTYPE& other);
  DBTEXTTYPE(DBTEXTTYPE&& other) noexcept;
  DBTEXTTYPE& operator=(DBTEXTTYPE&& other) noexcept;
  ~DBTEXTTYPE();

  void full_copy(const DBTEXTTYPE& source) { *this = source; }

  // ---- the string ----
  // The owned string, null when there is none.
  const char* text() const { return text_; }
  bool has_text() const { return text_ != nullptr; }
  // Replaces the string by a copy of text (null: no string). False when memory is
  // short; the old string then stays.
  bool set_text(const char* text);
  // Sets character i of the string; nothing happens outside 0 .. length - 1.
  void mod_char(int i, char c);
  // Empties the record's text: the string is released and text() becomes null.
  void zero_length();

  // ---- placement ----
  // Location point i (0..8); (0, 0) outside, and a write outside does nothing.
  COORD2D get_loc(int i) const { return valid_loc(i) ? loc_[i] : COORD2D(); }
  void set_loc(int i, const COORD2D& p) {
    if (valid_loc(i)) loc_[i] = p;
  }
  int pontszam() const { return pontszam_; }
  // Sets the point count to the nine location points.
  void set_pontszam() { pontszam_ = kLocations; }
  // Box corner i (0 or 1); (0, 0) outside.
  COORD2D tegla(int i) const { return i == 0 || i == 1 ? tegla_[i] : COORD2D(); }
  void set_tegla(int i, const COORD2D& p) {
    if (i == 0 || i == 1) tegla_[i] = p;
  }
  COORD2D klikk() const { return klikk_; }
  void set_klikk(const COORD2D& p) { klikk_ = p; }

  // ---- alignment characters ----
  char get_tipus() const { return tipus_; }
  char get_xalign() const { return xalign_; }
  char get_yalign() const { return yalign_; }
  char get_alignment() const { return alignment_; }
  void set_tipus(char c) { tipus_ = c; }
  void set_xalign(char c) { xalign_ = c; }
  void set_yalign(char c) { yalign_ = c; }
  void set_alignment(char c) { alignment_ = c; }

  // ---- image ----
  // Writes the 310-byte image; the string pointer slot is 0.
  void to_image(std::span<unsigned char, kImageSize> image) const;
  // Fills the record from an image. The record's string is released (text() null):
  // an image carries no text, which the caller sets apart with set_text.
  void from_image(std::span<const unsigned char, kImageSize> image);

  uint8_t status = 0;        // state byte of the host
  double angle = 0.0;        // direction of the text's base line
  double width = 0.0;        // width of the text box
  double height = 0.0;       // height of the text box
  RECIDTYPE recid;           // the record's identifier
  int32_t line_count = 0;    // number of lines, computed by the host
  uint8_t reserved[8] = {};  // kept as they stand
  DBTEXTPALETTE palette;     // the text's presets

 private:
  // The declaration of the record's fields, which streams every member as it stands.
  template <class V, class R>
  friend void dlist::text_fields(V& v, R& r);

  static bool valid_loc(int i) { return i >= 0 && i < kLocations; }

  char* text_ = nullptr;     // owned, zero-terminated, or null
  char tipus_ = 0;           // kind character of the text
  char xalign_ = 0;          // horizontal alignment character
  char yalign_ = 0;          // vertical alignment character
  char alignment_ = 0;       // alignment character of the host
  int16_t pontszam_ = 0;     // point count: 9 once the locations are set
  COORD2D loc_[kLocations];  // the nine location points
  COORD2D tegla_[2];         // the two corners of the text box
  COORD2D klikk_;            // the point where the text was placed
};

// Equal when every image field and the strings are equal.
DLIST_API bool operator==(const DBTEXTTYPE& a, const DBTEXTTYPE& b);
