#include "app/run.h"

#include <gtest/gtest.h>

#include "testing/fake_platform.h"
#include "testing/test_keys.h"

namespace korvinst {
namespace {

using namespace test;
using Names = std::vector<std::string>;

constexpr char kCnt[] = "C:\\D3\\Help\\DELPHI3.CNT";

// The machine of a typical run: Delphi 3.0 and C++Builder 3.0 present, the
// library in C:\LIB with its help file in Help\.
void MakeTypicalMachine(FakePlatform& platform) {
  platform.SetRegistryText(kDelphi3, "RootDir", "C:\\D3");
  platform.SetRegistryText(kDelphiPackages, "C:\\OLD\\QV103D.DPL", "old");
  platform.SetRegistryText(kDelphiPackages, "C:\\Other\\VENDOR.DPL", "other");
  platform.registry().CreateKey(kBuilderPackages);
  platform.SetRegistryText(kDelphi3Library, "SearchPath", "$(DELPHI)\\Lib");
  platform.SetRegistryText(kBuilder3Library, "Search Path", "$(BCB)\\Lib");
  platform.AddFile(
      kCnt, ":Base delphi3.hlp\r\n:Index Delphi =delphi3.hlp\r\n1 A\r\n");
  platform.AddFile("C:\\LIB\\Help\\MIRADOC.HLP");
  for (const char* file :
       {"KQV104_R.DPL", "KQV104_D.DPL", "KQV104_R.BPL", "KQV104_D.BPL"}) {
    platform.AddFile(std::string("C:\\LIB\\") + file);
  }
}

TEST(RunInstallTest, TypicalRun) {
  FakePlatform platform;
  MakeTypicalMachine(platform);
  EXPECT_EQ(RunInstall(platform, {"INSTALL", "C:\\LIB"}), 0);
  EXPECT_EQ(platform.File(kCnt)->bytes,
            ":Base delphi3.hlp\r\n:Index Delphi =delphi3.hlp\r\n"
            ":Index Korvane Vol I Reference =MIRADOC.HLP\r\n1 A\r\n");
  EXPECT_EQ(platform.RegistryValue(kWindowsHelp, "MIRADOC.HLP")->data,
            std::string("C:\\LIB\\Help\\\0", 13));
  EXPECT_EQ(platform.RegistryValueNames(kDelphiPackages),
            (Names{"C:\\Other\\VENDOR.DPL", "C:\\LIB\\KQV104_D.DPL"}));
  EXPECT_EQ(platform.RegistryValueNames(kBuilderPackages),
            Names{"C:\\LIB\\KQV104_D.BPL"});
  EXPECT_EQ(platform.RegistryValue(kDelphi3Library, "SearchPath")->data,
            std::string("$(DELPHI)\\Lib;C:\\LIB\0", 21));
  EXPECT_EQ(platform.RegistryValue(kBuilder3Library, "Search Path")->data,
            std::string("$(BCB)\\Lib;C:\\LIB\0", 18));
  EXPECT_EQ(platform.registry().FindKey(kDelphi2Library), nullptr);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
  EXPECT_EQ(platform.OpenFileCount(), 0u);

  // A second run changes nothing.
  std::string registry = platform.registry().ToRegedit4();
  std::string contents = platform.File(kCnt)->bytes;
  EXPECT_EQ(RunInstall(platform, {"install", "C:\\LIB\\", "ignored"}), 0);
  EXPECT_EQ(platform.registry().ToRegedit4(), registry);
  EXPECT_EQ(platform.File(kCnt)->bytes, contents);
}

TEST(RunInstallTest, ArgumentsThatDoNothing) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"INSTALL"},
      {"INST", "C:\\LIB"},
      {"INSTALL", "", "C:\\LIB"},
      {"", "INSTALL", "C:\\LIB"},
      {"SETUP", "C:\\LIB"},
  };
  for (const auto& arguments : cases) {
    FakePlatform platform;
    MakeTypicalMachine(platform);
    EXPECT_EQ(RunInstall(platform, arguments), 0);
    EXPECT_TRUE(platform.calls.empty()) << arguments.size();
  }
}

TEST(RunInstallTest, VerbIsFoundInsideALongerWord) {
  for (const char* verb :
       {"install", "/Install", "-INSTALL", "UNINSTALL", "REINSTALL"}) {
    FakePlatform platform;
    MakeTypicalMachine(platform);
    EXPECT_EQ(RunInstall(platform, {verb, "C:\\LIB"}), 0);
    EXPECT_NE(platform.RegistryValue(kWindowsHelp, "MIRADOC.HLP"), nullptr)
        << verb;
  }
}

TEST(RunInstallTest, FolderLongerThan256CharactersChangesNothing) {
  std::string folder = "C:\\" + std::string(253, 'L');
  FakePlatform platform;
  MakeTypicalMachine(platform);
  EXPECT_EQ(RunInstall(platform, {"INSTALL", folder}), 0);
  EXPECT_NE(platform.calls.size(), 0u);

  FakePlatform long_folder;
  MakeTypicalMachine(long_folder);
  EXPECT_EQ(RunInstall(long_folder, {"INSTALL", folder + "X"}), 1);
  ASSERT_EQ(long_folder.calls, Names{"ShowMessage korvinst"});
  EXPECT_EQ(long_folder.messages[0].text,
            "Exception EArgumentError in module korvinst.exe at 00001A2B.\n"
            "Command-line argument longer than 256 characters.");
  EXPECT_EQ(long_folder.messages[0].kind, BoxKind::kStopTaskModal);
}

TEST(RunInstallTest, ErrorEndsTheRunAndKeepsEarlierChanges) {
  FakePlatform platform;
  MakeTypicalMachine(platform);
  platform.SetRegistryText(kDelphi2Library, "SearchPath", "D2");
  platform.registry().MarkReadOnly(kDelphi3Library);
  platform.AddFile("C:\\LIB\\KQV104_T.DPL");
  platform.SetRegistryText(kDelphiPackages, "C:\\LIB\\KQV104_T.DPL", "trial");
  platform.program_path = "C:\\TEMP\\SETUP.EXE";
  EXPECT_EQ(RunInstall(platform, {"INSTALL", "C:\\LIB"}), 1);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].caption, "Setup");
  EXPECT_EQ(platform.messages[0].text,
            "Exception ERegistryException in module SETUP.EXE at 00001A2B.\n"
            "Failed to set data for 'SearchPath'.");
  // Earlier phases' changes stay; the trial rows did not run.
  EXPECT_EQ(platform.RegistryValue(kDelphi2Library, "SearchPath")->data,
            std::string("D2;C:\\LIB\0", 10));
  EXPECT_NE(platform.RegistryValue(kWindowsHelp, "MIRADOC.HLP"), nullptr);
  EXPECT_EQ(platform.RegistryValue(kDelphiPackages, "C:\\LIB\\KQV104_T.DPL"),
            nullptr);
  EXPECT_EQ(platform.RegistryValue(kBuilder3Library, "Search Path")->data,
            std::string("$(BCB)\\Lib\0", 11));
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
}

TEST(RunInstallTest, MergeErrorSkipsTheHelpRecordAndLaterPhases) {
  FakePlatform platform;
  MakeTypicalMachine(platform);
  platform.File(kCnt)->held_elsewhere = true;
  EXPECT_EQ(RunInstall(platform, {"INSTALL", "C:\\LIB"}), 1);
  EXPECT_EQ(platform.messages[0].text,
            "Exception EFOpenError in module korvinst.exe at 00001A2B.\n"
            "Cannot open file C:\\D3\\Help\\DELPHI3.CNT.");
  EXPECT_EQ(platform.RegistryValue(kWindowsHelp, "MIRADOC.HLP"), nullptr);
  EXPECT_NE(platform.RegistryValue(kDelphiPackages, "C:\\OLD\\QV103D.DPL"),
            nullptr);
}

TEST(RunInstallTest, HelpMessageLetsTheRunGoOn) {
  FakePlatform platform;
  MakeTypicalMachine(platform);
  platform.registry().MarkReadOnly("HKEY_LOCAL_MACHINE\\SOFTWARE");
  EXPECT_EQ(RunInstall(platform, {"INSTALL", "C:\\LIB"}), 0);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].kind, BoxKind::kPlainOk);
  EXPECT_EQ(platform.RegistryValueNames(kBuilderPackages),
            Names{"C:\\LIB\\KQV104_D.BPL"});
}

TEST(RunInstallTest, WithoutDelphiRootNoRelativeFileIsTouched) {
  FakePlatform platform;
  platform.AddFile("C:\\LIB\\MIRADOC.HLP");
  platform.AddFile("Help\\DELPHI3.CNT", "a\r\n");
  platform.AddFile("\\Help\\DELPHI3.CNT", "a\r\n");
  EXPECT_EQ(RunInstall(platform, {"INSTALL", "C:\\LIB"}), 0);
  for (const std::string& call : platform.calls) {
    EXPECT_EQ(call.find("DELPHI3.CNT"), std::string::npos) << call;
  }
  EXPECT_NE(platform.RegistryValue(kWindowsHelp, "MIRADOC.HLP"), nullptr);
}

TEST(ErrorReportTest, FullStopAndLength) {
  EXPECT_EQ(FormatErrorReport("EWriteError", "korvinst.exe", 0xABC,
                              "Stream write error"),
            "Exception EWriteError in module korvinst.exe at 00000ABC.\n"
            "Stream write error.");
  EXPECT_EQ(FormatErrorReport("E", "m", 0xFFFFFFFF, "Ends."),
            "Exception E in module m at FFFFFFFF.\nEnds.");
  EXPECT_EQ(FormatErrorReport("E", "m", 0, ""),
            "Exception E in module m at 00000000.\n");
  EXPECT_EQ(FormatErrorReport("E", "m", 0, std::string(2000, 'x')).size(),
            1024u);
}

TEST(ProgramTitleTest, NameWithoutFolderOrExtension) {
  EXPECT_EQ(ProgramTitle("C:\\SETUP\\korvinst.exe"), "korvinst");
  EXPECT_EQ(ProgramTitle("D:\\SETUP.EXE"), "Setup");
  EXPECT_EQ(ProgramTitle("MY.SETUP.EXE"), "My");
  EXPECT_EQ(ProgramTitle("/opt/bin/KORVINST"), "Korvinst");
  EXPECT_EQ(ProgramTitle("x"), "x");
}

}  // namespace
}  // namespace korvinst
