#include "files/files.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/errors.h"
#include "testing/fake_platform.h"

namespace korvinst {
namespace {

TEST(FileExistsTest, OnlyFilesWithADosDateExist) {
  FakePlatform platform;
  platform.AddFile("C:\\LIB\\A.DPL");
  platform.AddFolder("C:\\LIB\\MIRADOC.HLP");
  platform.AddFile("C:\\LIB\\OLD.DPL");
  platform.File("C:\\LIB\\OLD.DPL")->local_write_year = 1979;
  platform.AddFile("C:\\LIB\\FAR.DPL");
  platform.File("C:\\LIB\\FAR.DPL")->local_write_year = 2108;
  platform.AddFile("C:\\LIB\\EDGE.DPL");
  platform.File("C:\\LIB\\EDGE.DPL")->local_write_year = 2107;
  EXPECT_TRUE(FileExists(platform, "c:\\lib\\a.dpl"));
  EXPECT_TRUE(FileExists(platform, "C:\\LIB\\EDGE.DPL"));
  EXPECT_FALSE(FileExists(platform, "C:\\LIB\\MIRADOC.HLP"));
  EXPECT_FALSE(FileExists(platform, "C:\\LIB\\OLD.DPL"));
  EXPECT_FALSE(FileExists(platform, "C:\\LIB\\FAR.DPL"));
  EXPECT_FALSE(FileExists(platform, "C:\\LIB\\NONE.DPL"));
}

TEST(ReadWholeFileTest, ReadsEveryByteAndClosesTheFile) {
  FakePlatform platform;
  std::string bytes(200000, 'x');
  bytes[100] = '\0';
  platform.AddFile("C:\\F", bytes);
  EXPECT_EQ(ReadWholeFile(platform, "C:\\F"), bytes);
  EXPECT_EQ(platform.OpenFileCount(), 0u);
}

TEST(ReadWholeFileTest, FileHeldElsewhereCannotBeOpened) {
  FakePlatform platform;
  platform.AddFile("C:\\D3\\Help\\DELPHI3.CNT", "x");
  platform.File("C:\\D3\\Help\\DELPHI3.CNT")->held_elsewhere = true;
  try {
    ReadWholeFile(platform, "C:\\D3\\Help\\DELPHI3.CNT");
    FAIL() << "no error";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message(), "Cannot open file C:\\D3\\Help\\DELPHI3.CNT");
  }
}

TEST(ReadWholeFileTest, FailedReadIsAReadError) {
  struct Failing : FakePlatform {
    bool ReadFile(FileHandle, char*, std::size_t, std::size_t*) override {
      return false;
    }
  } platform;
  platform.AddFile("C:\\F", "x");
  EXPECT_THROW(ReadWholeFile(platform, "C:\\F"), EReadError);
  EXPECT_EQ(platform.OpenFileCount(), 0u);
}

constexpr char kContents[] = "C:\\D3\\Help\\DELPHI3.CNT";

// The error class and message that replacing raised, or "none".
std::string ReplaceError(FakePlatform& platform, const std::string& contents) {
  try {
    ReplaceFileContents(platform, kContents, contents);
  } catch (const Exception& error) {
    return std::string(error.ClassName()) + ": " + error.Message();
  }
  return "none";
}

TEST(ReplaceFileContentsTest, PutsTheNewBytesInPlace) {
  FakePlatform platform;
  platform.AddFile(kContents, "old\r\n");
  EXPECT_EQ(ReplaceError(platform, "new\r\n"), "none");
  EXPECT_EQ(platform.File(kContents)->bytes, "new\r\n");
  EXPECT_EQ(platform.Paths(),
            std::vector<std::string>{"C:\\D3\\HELP\\DELPHI3.CNT"});
  EXPECT_EQ(platform.OpenFileCount(), 0u);
}

// A platform whose replacing step fails.
struct ReplaceFails : FakePlatform {
  bool RenameOver(const std::string&, const std::string&) override {
    return false;
  }
};

TEST(ReplaceFileContentsTest, FailuresLeaveTheOldFileAndNoTemporary) {
  const std::string kCreateError =
      "EFCreateError: Cannot create file C:\\D3\\Help\\DELPHI3.CNT";
  struct Case {
    const char* what;
    std::function<void(FakePlatform&)> arrange;
    std::string error;
  } cases[] = {
      {"read-only",
       [](FakePlatform& p) { p.File(kContents)->read_only = true; },
       kCreateError},
      {"held open",
       [](FakePlatform& p) { p.File(kContents)->held_elsewhere = true; },
       kCreateError},
      {"disk full", [](FakePlatform& p) { p.free_disk_bytes = 3; },
       "EWriteError: Stream write error"},
      {"disk full at once", [](FakePlatform& p) { p.free_disk_bytes = 0; },
       "EWriteError: Stream write error"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.AddFile(kContents, "old\r\n");
    c.arrange(platform);
    EXPECT_EQ(ReplaceError(platform, "new contents\r\n"), c.error) << c.what;
    EXPECT_EQ(platform.File(kContents)->bytes, "old\r\n") << c.what;
    EXPECT_EQ(platform.Paths().size(), 1u) << c.what;
    EXPECT_EQ(platform.OpenFileCount(), 0u) << c.what;
  }
  ReplaceFails failing;
  failing.AddFile(kContents, "old\r\n");
  EXPECT_EQ(ReplaceError(failing, "new"), kCreateError);
  EXPECT_EQ(failing.File(kContents)->bytes, "old\r\n");
  EXPECT_EQ(failing.Paths().size(), 1u);
}

TEST(ReplaceFileContentsTest, TakesAnotherNameWhenATemporaryIsInTheWay) {
  FakePlatform platform;
  platform.AddFile(kContents, "old\r\n");
  platform.AddFile(std::string(kContents) + ".~0", "another run's");
  EXPECT_EQ(ReplaceError(platform, "new\r\n"), "none");
  EXPECT_EQ(platform.File(kContents)->bytes, "new\r\n");
  EXPECT_EQ(platform.File(std::string(kContents) + ".~0")->bytes,
            "another run's");
}

}  // namespace
}  // namespace korvinst
