#include "app/command_line.h"

#include <gtest/gtest.h>

namespace korvinst {
namespace {

using Items = std::vector<std::string>;

TEST(CommandLineTest, SplitsLikeThePlatform) {
  struct Case {
    std::string line;
    Items items;
  } cases[] = {
      {"korvinst.exe INSTALL C:\\LIB", {"korvinst.exe", "INSTALL", "C:\\LIB"}},
      {"k INSTALL\tC:\\LIB", {"k", "INSTALL", "C:\\LIB"}},
      {"k \x01INSTALL \x1f C:\\LIB  ", {"k", "INSTALL", "C:\\LIB"}},
      {"k INSTALL \"\" C:\\LIB", {"k", "INSTALL", "C:\\LIB"}},
      {"k INSTALL \"C:\\Program Files\\Lib\"",
       {"k", "INSTALL", "C:\\Program Files\\Lib"}},
      {"k INSTALL C:\\Program Files\\Lib",
       {"k", "INSTALL", "C:\\Program", "Files\\Lib"}},
      {"k INSTALL C:\\\"My Lib\"", {"k", "INSTALL", "C:\\My Lib"}},
      {"k INSTALL \"C:\\open to the end",
       {"k", "INSTALL", "C:\\open to the end"}},
      {"\"C:\\My Setup\\k.exe\" INSTALL X",
       {"C:\\My Setup\\k.exe", "INSTALL", "X"}},
      {"k INSTALL C:\\\xe4\xff", {"k", "INSTALL", "C:\\\xe4\xff"}},
      {"k INSTALL \"", {"k", "INSTALL", ""}},
      {"", {}},
      {"   ", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.items) << c.line;
  }
}

TEST(CommandLineTest, LongItemsStayWhole) {
  std::string folder(300, 'x');
  EXPECT_EQ(SplitCommandLine("k INSTALL " + folder)[2], folder);
}

TEST(CommandLineTest, CountStopsAtTheFirstEmptyArgument) {
  EXPECT_EQ(CountArguments({}), 0u);
  EXPECT_EQ(CountArguments({"INSTALL", "C:\\LIB", "x"}), 3u);
  EXPECT_EQ(CountArguments({"INSTALL", "", "C:\\LIB"}), 1u);
  EXPECT_EQ(CountArguments({"", "INSTALL"}), 0u);
}

}  // namespace
}  // namespace korvinst
