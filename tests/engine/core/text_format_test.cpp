#include "engine/core/text_format.h"

#include <gtest/gtest.h>

namespace hm {
namespace {

struct format_case {
  const char* pattern;
  const char* expected;
};

TEST(FormatText, TwoTextsFillTheirPlaceholdersAndNothingElse) {
  const format_case cases[] = {
      {"%s and %s", "infantry and cavalry"},
      {"%s, %s", "infantry, cavalry"},
      {"%s y %s.", "infantry y cavalry."},
      // Fewer placeholders than values: the rest is dropped.
      {"%s only", "infantry only"},
      {"no placeholder", "no placeholder"},
      // More placeholders than values stay as written.
      {"%s, %s and %s", "infantry, cavalry and %s"},
      // A placeholder of the wrong kind takes no value and stays.
      {"%d and %s", "%d and infantry"},
      {"%s and %f", "infantry and %f"},
      // Conversions it does not know stay, and take no value.
      {"%n%s", "%ninfantry"},
      {"%x %p %s", "%x %p infantry"},
      {"%5s|%s", "%5s|infantry"},
      {"%-s%s", "%-sinfantry"},
      // Escaped and trailing percent signs.
      {"100%% %s", "100% infantry"},
      {"%%s %s", "%s infantry"},
      {"%s 100%", "infantry 100%"},
      {"%", "%"},
      {"", ""},
  };
  for (const format_case& c : cases) {
    EXPECT_EQ(format_text(c.pattern, {"infantry", "cavalry"}), c.expected) << c.pattern;
  }
}

TEST(FormatText, NumbersGoOnlyIntoNumberPlaceholders) {
  EXPECT_EQ(format_text("%d damage", {-12}), "-12 damage");
  EXPECT_EQ(format_text("%i of %d", {3, 7}), "3 of 7");
  EXPECT_EQ(format_text("%s killed by %s", {"a", 5}), "a killed by %s");
  EXPECT_EQ(format_text("%.2f m", {1.5}), "1.50 m");
  EXPECT_EQ(format_text("%f", {0.25}), "0.250000");
  EXPECT_EQ(format_text("%d", {1.5}), "%d");
  // A real placeholder with a huge value is written whole.
  EXPECT_EQ(format_text("%.0f", {1e300}).size(), 301u);
}

}  // namespace
}  // namespace hm
