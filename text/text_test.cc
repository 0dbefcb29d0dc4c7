#include "text/text.h"

#include <gtest/gtest.h>

namespace korvinst {
namespace {

TEST(TextTest, UpperCasesOnlyAsciiLetters) {
  EXPECT_EQ(UpperAscii("c:\\lib\xe4\xfc-z{"), "C:\\LIB\xe4\xfc-Z{");
  EXPECT_EQ(LowerAscii("SETUP\xc4@[Z"), "setup\xc4@[z");
}

TEST(TextTest, ContainmentIgnoresCaseAndNeverFindsEmptyText) {
  struct Case {
    const char* needle;
    const char* haystack;
    bool found;
  } cases[] = {
      {"INSTALL", "/Install", true},
      {"INSTALL", "UNINSTALL", true},
      {"INSTALL", "INST", false},
      {"", "anything", false},
      {"", "", false},
      {"\xe4", "\xc4", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ContainsIgnoringCase(c.needle, c.haystack), c.found)
        << c.needle << " in " << c.haystack;
  }
}

TEST(TextTest, TrailingBackslashRules) {
  EXPECT_EQ(WithTrailingBackslash("C:\\LIB"), "C:\\LIB\\");
  EXPECT_EQ(WithTrailingBackslash("C:\\LIB\\"), "C:\\LIB\\");
  EXPECT_EQ(WithoutTrailingBackslash("C:\\LIB\\"), "C:\\LIB");
  EXPECT_EQ(WithoutTrailingBackslash("C:\\LIB\\\\"), "C:\\LIB\\");
  EXPECT_EQ(WithoutTrailingBackslash("C:\\"), "C:\\");
  EXPECT_EQ(WithoutTrailingBackslash("AB\\"), "AB\\");
}

}  // namespace
}  // namespace korvinst
