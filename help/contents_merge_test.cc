#include "help/contents_merge.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "testing/fake_platform.h"

namespace korvinst {
namespace {

constexpr char kCnt[] = "C:\\D3\\Help\\DELPHI3.CNT";
constexpr char kLine[] = ":Index Korvane Vol I Reference =MIRADOC.HLP\r\n";

TInstallContext ContextWithRoot(const std::string& root) {
  TInstallContext context;
  context.install_folder = "C:\\LIB\\";
  context.help_folder = "C:\\LIB\\Help\\";
  context.ide_root = root;
  context.ide_help_folder = root + "Help\\";
  return context;
}

// Merges into a contents file of the given bytes; gives the bytes after.
std::string MergedBytes(const std::string& before) {
  FakePlatform platform;
  platform.AddFile(kCnt, before);
  MergeHelpContents(platform, ContextWithRoot("C:\\D3\\"));
  EXPECT_EQ(platform.OpenFileCount(), 0u);
  EXPECT_EQ(platform.Paths().size(), 1u) << "a temporary file was left";
  return platform.File(kCnt)->bytes;
}

TEST(ContentsMergeTest, InsertsTheLineWhereItBelongs) {
  const std::string line = kLine;
  struct Case {
    const char* what;
    std::string before;
    std::string after;
  } cases[] = {
      {"after the last index line",
       ":Base d3.hlp\r\n:Index A =a.hlp\r\n1 x\r\n:index B =b.hlp\r\n2 y\r\n",
       ":Base d3.hlp\r\n:Index A =a.hlp\r\n1 x\r\n:index B =b.hlp\r\n" + line +
           "2 y\r\n"},
      {"index directive inside a line",
       "a\r\nb\r\nc\r\nd\r\nsee :INDEX here\r\ne\r\n",
       "a\r\nb\r\nc\r\nd\r\nsee :INDEX here\r\n" + line + "e\r\n"},
      {"no index line: fourth line", "a\r\nb\r\nc\r\nd\r\ne\r\n",
       "a\r\nb\r\nc\r\n" + line + "d\r\ne\r\n"},
      {"three lines: appended", "a\r\nb\r\nc\r\n", "a\r\nb\r\nc\r\n" + line},
      {"LF ends and an open last line", "a\nb\rc\nd\n:Index X\ne",
       "a\r\nb\r\nc\r\nd\r\n:Index X\r\n" + line + "e\r\n"},
      {"two lines: appended", "a\r\nb", "a\r\nb\r\n" + line},
      {"one line: appended", "a", "a\r\n" + line},
      {"zero bytes: the only line", "", line},
      {"index line first in a short file", ":Index X\r\nb\r\n",
       ":Index X\r\n" + line + "b\r\n"},
      {"NUL kept with what follows", std::string("a\0b\r\nc\r\nd\r\ne\r\n", 14),
       std::string("a\0b\r\nc\r\nd\r\n", 11) + line + "e\r\n"},
      {"high bytes kept", "\xe4\xf6\r\n\xff\r\n\x80\r\n",
       "\xe4\xf6\r\n\xff\r\n\x80\r\n" + line},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MergedBytes(c.before), c.after) << c.what;
  }
}

TEST(ContentsMergeTest, FileNamingTheHelpFileStaysByteForByte) {
  const std::string unchanged[] = {
      "a\nb\nc\n:Index K =miradoc.hlp\n",
      ":Link Miradoc.Hlp",
      "a\r\nxMIRADOC.HLPs\r\n",
      std::string("a\0:Index K =MIRADOC.HLP\n", 24),
  };
  for (const std::string& before : unchanged) {
    FakePlatform platform;
    platform.AddFile(kCnt, before);
    MergeHelpContents(platform, ContextWithRoot("C:\\D3\\"));
    EXPECT_EQ(platform.File(kCnt)->bytes, before);
    for (const std::string& call : platform.calls) {
      EXPECT_EQ(call.find("create"), std::string::npos) << call;
      EXPECT_EQ(call.find("write"), std::string::npos) << call;
    }
  }
}

TEST(ContentsMergeTest, SecondMergeChangesNothing) {
  std::string once = MergedBytes("a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(MergedBytes(once), once);
}

TEST(ContentsMergeTest, WithoutARootNothingOutsideTheIdeIsTouched) {
  for (const std::string root : {"", "\\"}) {
    FakePlatform platform;
    platform.AddFile("Help\\DELPHI3.CNT", "a\r\nb\r\nc\r\n");
    platform.AddFile("\\Help\\DELPHI3.CNT", "a\r\nb\r\nc\r\n");
    MergeHelpContents(platform, ContextWithRoot(root));
    EXPECT_TRUE(platform.calls.empty()) << platform.calls[0];
    EXPECT_EQ(platform.File("Help\\DELPHI3.CNT")->bytes, "a\r\nb\r\nc\r\n");
  }
}

TEST(ContentsMergeTest, RootDirEndingInBackslashDoublesTheSeparator) {
  FakePlatform platform;
  platform.AddFile(kCnt, "a\r\n");
  MergeHelpContents(platform, ContextWithRoot("C:\\D3\\\\"));
  EXPECT_EQ(platform.calls[0], "FindEntry C:\\D3\\\\Help\\DELPHI3.CNT");
  EXPECT_EQ(platform.File(kCnt)->bytes, std::string("a\r\n") + kLine);
}

TEST(ContentsMergeTest, MissingOrFolderContentsFileIsLeftAlone) {
  FakePlatform platform;
  MergeHelpContents(platform, ContextWithRoot("C:\\D3\\"));
  platform.AddFolder(kCnt);
  MergeHelpContents(platform, ContextWithRoot("C:\\D3\\"));
  EXPECT_EQ(platform.calls,
            (std::vector<std::string>{"FindEntry " + std::string(kCnt),
                                      "FindEntry " + std::string(kCnt)}));
}

TEST(ContentsMergeTest, UnreadableOrUnwritableFileEndsTheMergeUnchanged) {
  struct Case {
    const char* what;
    void (*arrange)(FakeFile*, FakePlatform*);
    const char* error;
  } cases[] = {
      {"held open",
       [](FakeFile* f, FakePlatform*) { f->held_elsewhere = true; },
       "EFOpenError: Cannot open file C:\\D3\\Help\\DELPHI3.CNT"},
      {"read-only", [](FakeFile* f, FakePlatform*) { f->read_only = true; },
       "EFCreateError: Cannot create file C:\\D3\\Help\\DELPHI3.CNT"},
      {"disk full", [](FakeFile*, FakePlatform* p) { p->free_disk_bytes = 10; },
       "EWriteError: Stream write error"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.AddFile(kCnt, "a\r\nb\r\nc\r\nd\r\n");
    c.arrange(platform.File(kCnt), &platform);
    std::string raised = "none";
    try {
      MergeHelpContents(platform, ContextWithRoot("C:\\D3\\"));
    } catch (const Exception& error) {
      raised = std::string(error.ClassName()) + ": " + error.Message();
    }
    EXPECT_EQ(raised, c.error) << c.what;
    EXPECT_EQ(platform.File(kCnt)->bytes, "a\r\nb\r\nc\r\nd\r\n") << c.what;
    EXPECT_EQ(platform.Paths().size(), 1u) << c.what;
    EXPECT_EQ(platform.OpenFileCount(), 0u) << c.what;
  }
}

}  // namespace
}  // namespace korvinst
