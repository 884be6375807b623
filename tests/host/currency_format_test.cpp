// The currency format refuses what it cannot format, so callers show the number.
#include "host/currency_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets LC_ALL for the life of the object.
class ScopedLocaleEnvironment {
 public:
  explicit ScopedLocaleEnvironment(const char* value) {
    if (const char* old = std::getenv("LC_ALL")) previous_ = old;
    setenv("LC_ALL", value, 1);
  }
  ~ScopedLocaleEnvironment() {
    if (previous_)
      setenv("LC_ALL", previous_->c_str(), 1);
    else
      unsetenv("LC_ALL");
  }

 private:
  std::optional<std::string> previous_;
};

TEST(GetCurrencyFormat, FailsWithoutACurrencyOrANumber) {
  char out[32] = "untouched";
  {
    ScopedLocaleEnvironment c("C");  // the C locale has no currency symbol
    EXPECT_EQ(GetCurrencyFormat("1234.50", out, sizeof out), 0);
  }
  for (const char* bad : {"", "-", ".", "1,5", "1.2.3", "12a", " 1", "1e5", "nan"})
    EXPECT_FALSE(dlist::format_currency(bad)) << bad;
  EXPECT_FALSE(dlist::format_currency(std::string(65, '9')));
  EXPECT_EQ(GetCurrencyFormat(nullptr, out, sizeof out), 0);
  EXPECT_STREQ(out, "untouched");
}

}  // namespace
