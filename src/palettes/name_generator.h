// The unique names of the nodes that an import creates: a name that is taken is
// tried again as "Wall~1", "Wall~2", ... A name that already ends in a counter
// ("Wall~7") continues from it ("Wall~8"). The generator only proposes names; the
// caller asks the store whether each is free, and gives up when the generator has
// no more (an empty name), so that no import retries without end.
#pragma once

#include <string>

namespace dlist {

class NameGenerator {
 public:
  // Suffix styles: 0 "~%d" up to 999, 1 "~%d" up to 9, 2 "~%02d" up to 99, 3
  // "~%03d" up to 999.
  static constexpr int kModes = 4;

  // On name, for names of at most max_length bytes with the terminating zero, in
  // mode 0 to 3. When name ends in "~" and one to three digits, the digits give the
  // counter to start from and the base is the text before the "~". Any other name is
  // the base as it stands, with the counter at 0; but a name of one to three digits
  // alone keeps its text as base and takes its value as the counter.
  NameGenerator(const char* name, int max_length, int mode);

  // The next name: the counter goes up by one, and the base, cut to leave room for
  // the suffix and the terminating zero, is followed by the suffix. Empty when the
  // counter has reached its mode's limit, when the name was empty, the mode is
  // outside 0 to 3, or the suffix alone does not fit; from then on always empty.
  std::string next();

  const std::string& base() const { return base_; }
  int counter() const { return counter_; }

 private:
  std::string base_;
  int counter_ = 0;
  int max_length_;
  int mode_;
  bool spent_ = false;
};

}  // namespace dlist
