// The name generator: splitting a name into base and counter, and making the next
// name of a mode.

#include "palettes/name_generator.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace dlist {
namespace {

struct Mode {
  const char* format;
  int limit;
};

constexpr Mode kModeTable[NameGenerator::kModes] = {
    {"~%d", 999}, {"~%d", 9}, {"~%02d", 99}, {"~%03d", 999}};

}  // namespace

NameGenerator::NameGenerator(const char* name, int max_length, int mode)
    : base_(name ? name : ""), max_length_(max_length), mode_(mode) {
  if (base_.empty() || mode < 0 || mode >= kModes) {
    spent_ = true;
    return;
  }
  // The trailing digits: one to three of them give a counter.
  std::size_t digits = 0;
  while (digits < base_.size() &&
         std::isdigit(static_cast<unsigned char>(base_[base_.size() - 1 - digits])))
    ++digits;
  if (digits < 1 || digits > 3) return;
  const std::size_t start = base_.size() - digits;
  const int value = std::atoi(base_.c_str() + start);
  if (start == 0) {
    counter_ = value;  // a name of digits alone keeps them as its base
  } else if (base_[start - 1] == '~') {
    counter_ = value;
    base_.erase(start - 1);
  }
}

std::string NameGenerator::next() {
  if (spent_) return {};
  const Mode& m = kModeTable[mode_];
  if (counter_ >= m.limit) {
    spent_ = true;
    return {};
  }
  ++counter_;
  char suffix[16];
  const int n = std::snprintf(suffix, sizeof suffix, m.format, counter_);
  const int room = max_length_ - 1 - n;  // bytes left for the base
  if (n <= 0 || room < 0) {
    spent_ = true;
    return {};
  }
  std::string name = base_.substr(0, static_cast<std::size_t>(room));
  name += suffix;
  return name;
}

}  // namespace dlist
