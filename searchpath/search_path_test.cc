#include "searchpath/search_path.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "testing/fake_platform.h"
#include "testing/test_keys.h"

namespace korvinst {
namespace {

using namespace test;

TEST(ListHoldsFolderTest, ComparesWholeEntries) {
  struct Case {
    const char* list;
    const char* folder;
    bool held;
  } cases[] = {
      {"C:\\LIB2;D:\\X", "C:\\LIB", false},
      {"c:\\lib;D:\\X", "C:\\LIB", true},
      {"D:\\X;C:\\LIB\\", "C:\\LIB", true},
      {"D:\\X;C:\\LIB\\\\", "C:\\LIB", false},
      {"C:\\", "C:\\", true},
      {"C:\\;D:\\", "D:\\", true},
      {"", "C:\\LIB", false},
      {" C:\\LIB", "C:\\LIB", false},
      {"X:\\C:\\LIB", "C:\\LIB", false},
      {";;C:\\LIB;", "C:\\LIB", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ListHoldsFolder(c.list, c.folder), c.held)
        << c.list << " / " << c.folder;
  }
}

// The text of a search-path value after one run with a folder argument.
std::string Extended(uint32_t type, const std::string& data,
                     const std::string& argument = "C:\\LIB",
                     const char* key = kDelphi3Library,
                     const char* name = "SearchPath") {
  FakePlatform platform;
  if (type == kRegNone) {
    platform.registry().CreateKey(key);
  } else {
    platform.SetRegistryValue(key, name, type, data);
  }
  ExtendSearchPaths(platform, argument);
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
  const RegValue* value = platform.RegistryValue(key, name);
  if (value == nullptr) return "(none)";
  EXPECT_EQ(value->type, kRegSz);
  return value->data;
}

std::string Sz(const std::string& text) { return text + '\0'; }

TEST(ExtendSearchPathsTest, AppendsTheFolderUnlessAnEntryNamesIt) {
  struct Case {
    std::string before;
    std::string argument;
    std::string after;
  } cases[] = {
      {"C:\\A", "C:\\LIB", "C:\\A;C:\\LIB"},
      {"C:\\LIB2;D:\\X", "C:\\LIB", "C:\\LIB2;D:\\X;C:\\LIB"},
      {"c:\\lib;D:\\X", "C:\\LIB", "c:\\lib;D:\\X"},
      {"D:\\X;C:\\LIB\\", "C:\\LIB", "D:\\X;C:\\LIB\\"},
      {"C:\\A;", "C:\\LIB", "C:\\A;;C:\\LIB"},
      {"", "C:\\LIB", ";C:\\LIB"},
      {"C:\\A", "C:\\LIB\\", "C:\\A;C:\\LIB"},
      {"C:\\A", "C:\\", "C:\\A;C:\\"},
      {"C:\\A", "c:\\My Lib", "C:\\A;c:\\My Lib"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Extended(kRegSz, Sz(c.before), c.argument), Sz(c.after))
        << c.before << " + " << c.argument;
  }
}

TEST(ExtendSearchPathsTest, ValueTypes) {
  EXPECT_EQ(Extended(kRegNone, ""), Sz(";C:\\LIB"));
  EXPECT_EQ(Extended(kRegExpandSz, Sz("$(DELPHI)\\Lib;%X%")),
            Sz("$(DELPHI)\\Lib;%X%;C:\\LIB"));
  EXPECT_EQ(Extended(kRegBinary, ""), Sz(";C:\\LIB"));
  EXPECT_EQ(Extended(kRegSz, std::string("C:\\A\0C:\\LIB\0", 12)),
            Sz("C:\\A;C:\\LIB"));
}

TEST(ExtendSearchPathsTest, DebuggerPathOfJustOneIsReplaced) {
  struct Case {
    std::string before;
    std::string after;
  } cases[] = {
      {"1", "C:\\LIB"},
      {"1;D:\\SRC", "1;D:\\SRC;C:\\LIB"},
      {"1 ", "1 ;C:\\LIB"},
      {"D:\\SRC;c:\\lib\\", "D:\\SRC;c:\\lib\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Extended(kRegSz, Sz(c.before), "C:\\LIB\\", kBuilder1Debugging,
                       "PathForSource"),
              Sz(c.after))
        << c.before;
  }
}

TEST(ExtendSearchPathsTest, EveryPresentTargetInOrder) {
  FakePlatform platform;
  platform.SetRegistryText(kDelphi2Library, "SearchPath", "D2");
  platform.SetRegistryText(kDelphi3Library, "SearchPath", "D3");
  platform.SetRegistryText(kBuilder1Library, "SearchPath", "B1");
  platform.SetRegistryText(kBuilder3Library, "Search Path", "B3");
  platform.SetRegistryText(kBuilder3Library, "SearchPath", "untouched");
  platform.SetRegistryText(kBuilder1Debugging, "PathForSource", "1");
  ExtendSearchPaths(platform, "C:\\LIB");
  EXPECT_EQ(platform.RegistryValue(kDelphi2Library, "SearchPath")->data,
            Sz("D2;C:\\LIB"));
  EXPECT_EQ(platform.RegistryValue(kDelphi3Library, "SearchPath")->data,
            Sz("D3;C:\\LIB"));
  EXPECT_EQ(platform.RegistryValue(kBuilder1Library, "SearchPath")->data,
            Sz("B1;C:\\LIB"));
  EXPECT_EQ(platform.RegistryValue(kBuilder3Library, "Search Path")->data,
            Sz("B3;C:\\LIB"));
  EXPECT_EQ(platform.RegistryValue(kBuilder3Library, "SearchPath")->data,
            Sz("untouched"));
  EXPECT_EQ(platform.RegistryValue(kBuilder1Debugging, "PathForSource")->data,
            Sz("C:\\LIB"));
  // A second run appends nothing.
  std::string text = platform.registry().ToRegedit4();
  ExtendSearchPaths(platform, "C:\\LIB");
  EXPECT_EQ(platform.registry().ToRegedit4(), text);
}

TEST(ExtendSearchPathsTest, MissingKeysAreSkippedAndNotCreated) {
  FakePlatform platform;
  platform.SetRegistryText(kBuilder3Library, "Search Path", "B3");
  ExtendSearchPaths(platform, "C:\\LIB");
  EXPECT_EQ(platform.registry().FindKey(kDelphi2Library), nullptr);
  EXPECT_EQ(platform.registry().FindKey(kBuilder1Debugging), nullptr);
  EXPECT_EQ(platform.RegistryValue(kBuilder3Library, "Search Path")->data,
            Sz("B3;C:\\LIB"));
}

// The error message that one run raised, or "none".
std::string ErrorOf(FakePlatform& platform) {
  try {
    ExtendSearchPaths(platform, "C:\\LIB");
  } catch (const ERegistryException& error) {
    return error.Message();
  }
  return "none";
}

TEST(ExtendSearchPathsTest, ErrorsStopTheRemainingTargets) {
  {
    FakePlatform platform;
    platform.SetRegistryText(kDelphi2Library, "SearchPath", "C:\\LIB");
    platform.SetRegistryText(kDelphi3Library, "SearchPath", "D3");
    platform.registry().MarkReadOnly(kDelphi2Library);
    platform.registry().MarkReadOnly(kDelphi3Library);
    platform.SetRegistryText(kBuilder3Library, "Search Path", "B3");
    EXPECT_EQ(ErrorOf(platform), "Failed to set data for 'SearchPath'");
    EXPECT_EQ(platform.RegistryValue(kDelphi3Library, "SearchPath")->data,
              Sz("D3"));
    EXPECT_EQ(platform.RegistryValue(kBuilder3Library, "Search Path")->data,
              Sz("B3"));
    EXPECT_EQ(platform.OpenKeyCount(), 0u);
  }
  {
    FakePlatform platform;
    platform.SetRegistryText(kDelphi2Library, "SearchPath", "D2");
    platform.SetRegistryValue(kBuilder3Library, "Search Path", kRegDword,
                              std::string(4, '\0'));
    platform.SetRegistryText(kBuilder1Debugging, "PathForSource", "1");
    EXPECT_EQ(ErrorOf(platform), "Invalid data type for 'Search Path'");
    EXPECT_EQ(platform.RegistryValue(kDelphi2Library, "SearchPath")->data,
              Sz("D2;C:\\LIB"));
    EXPECT_EQ(platform.RegistryValue(kBuilder1Debugging, "PathForSource")->data,
              Sz("1"));
  }
  {
    struct Failing : FakePlatform {
      QueryStatus QueryValue(KeyHandle, const std::string&, uint32_t*,
                             std::string*) override {
        return QueryStatus::kFailed;
      }
    } platform;
    platform.SetRegistryText(kBuilder1Debugging, "PathForSource", "1");
    EXPECT_EQ(ErrorOf(platform), "Failed to get data for 'PathForSource'");
    EXPECT_EQ(platform.OpenKeyCount(), 0u);
  }
}

}  // namespace
}  // namespace korvinst
