#include "text/string_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/errors.h"

namespace korvinst {
namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  TStringList list;
  list.SetText(text);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < list.Count(); ++i) lines.emplace_back(list[i]);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(StringListTest, SplitsAtEveryKindOfLineEnd) {
  EXPECT_EQ(LinesOf(""), Lines{});
  EXPECT_EQ(LinesOf("a"), Lines{"a"});
  EXPECT_EQ(LinesOf("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(LinesOf("a\r\n"), Lines{"a"});
  EXPECT_EQ(LinesOf("\n\n"), (Lines{"", ""}));
  EXPECT_EQ(LinesOf("a\n\rb"), (Lines{"a", "", "b"}));
}

TEST(StringListTest, NulIsAnOrdinaryByte) {
  std::string text("a\0b\r\nc\0", 7);
  EXPECT_EQ(LinesOf(text),
            (Lines{std::string("a\0b", 3), std::string("c\0", 2)}));
}

TEST(StringListTest, TextEndsEveryLineWithCrLf) {
  TStringList list;
  list.SetText("a\nb\rc");
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\n");
  list.SetText("");
  EXPECT_EQ(list.Text(), "");
}

TEST(StringListTest, InsertBeyondTheEndIsAnError) {
  TStringList list;
  list.SetText("a\nb");
  list.Insert(2, "end");
  list.Insert(0, "start");
  EXPECT_EQ(list.Text(), "start\r\na\r\nb\r\nend\r\n");
  try {
    list.Insert(5, "x");
    FAIL() << "no error";
  } catch (const EStringListError& error) {
    EXPECT_EQ(error.Message(), "List index out of bounds (5)");
  }
}

}  // namespace
}  // namespace korvinst
