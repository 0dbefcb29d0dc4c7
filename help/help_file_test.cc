#include "help/help_file.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "testing/fake_platform.h"
#include "testing/test_keys.h"

namespace korvinst {
namespace {

using test::kDelphi3;
using test::kWindowsHelp;

TEST(ReadIdeRootTest, RootFollowsRootDir) {
  struct Case {
    const char* what;
    bool key;
    uint32_t type;
    std::string data;
    const char* root;
  } cases[] = {
      {"no key", false, kRegNone, "", ""},
      {"no value", true, kRegNone, "", "\\"},
      {"text", true, kRegSz, std::string("C:\\D3\0", 6), "C:\\D3\\"},
      {"ends in backslash", true, kRegSz, std::string("C:\\D3\\\0", 7),
       "C:\\D3\\\\"},
      {"expandable, unexpanded", true, kRegExpandSz,
       std::string("%ProgramFiles%\\D3\0", 18), "%ProgramFiles%\\D3\\"},
      {"empty dword", true, kRegDword, "", "\\"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    if (c.key) platform.registry().CreateKey(kDelphi3);
    if (c.type != kRegNone) {
      platform.SetRegistryValue(kDelphi3, "RootDir", c.type, c.data);
    }
    TInstallContext context;
    context.ide_root = "stale";
    ReadIdeRoot(platform, &context);
    EXPECT_EQ(context.ide_root, c.root) << c.what;
    EXPECT_EQ(platform.OpenKeyCount(), 0u);
  }
}

TEST(ReadIdeRootTest, WorksFromAKeyOpenForReadingOnly) {
  FakePlatform platform;
  platform.SetRegistryText(kDelphi3, "RootDir", "C:\\D3");
  platform.registry().MarkReadOnly(kDelphi3);
  TInstallContext context;
  ReadIdeRoot(platform, &context);
  EXPECT_EQ(context.ide_root, "C:\\D3\\");
}

TEST(ReadIdeRootTest, RootDirOfAnotherTypeIsAnError) {
  FakePlatform platform;
  platform.SetRegistryValue(kDelphi3, "RootDir", kRegDword,
                            std::string("\1\0\0\0", 4));
  TInstallContext context;
  try {
    ReadIdeRoot(platform, &context);
    FAIL() << "no error";
  } catch (const ERegistryException& error) {
    EXPECT_EQ(error.Message(), "Invalid data type for 'RootDir'");
  }
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
}

TEST(LocateHelpFileTest, FirstCandidateHoldingTheFileWins) {
  struct Case {
    std::vector<const char*> files;
    std::vector<const char*> folders;
    const char* help_folder;
  } cases[] = {
      {{"C:\\LIB\\MIRADOC.HLP", "C:\\LIB\\Help\\MIRADOC.HLP"}, {}, "C:\\LIB\\"},
      {{"C:\\LIB\\help\\miradoc.hlp"}, {}, "C:\\LIB\\Help\\"},
      {{"C:\\LIB\\Help\\Delphi\\MIRADOC.HLP"}, {}, "C:\\LIB\\Help\\Delphi\\"},
      {{"C:\\LIB\\Help\\MIRADOC.HLP"},
       {"C:\\LIB\\MIRADOC.HLP"},
       "C:\\LIB\\Help\\"},
      {{}, {"C:\\LIB\\MIRADOC.HLP"}, ""},
      {{"C:\\MIRADOC.HLP"}, {}, ""},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    for (const char* file : c.files) platform.AddFile(file);
    for (const char* folder : c.folders) platform.AddFolder(folder);
    TInstallContext context;
    context.install_folder = "C:\\LIB\\";
    LocateHelpFile(platform, &context);
    EXPECT_EQ(context.help_folder, c.help_folder);
  }
}

TEST(RegisterHelpFileTest, RecordsTheHelpFolder) {
  FakePlatform platform;
  TInstallContext context;
  context.help_folder = "C:\\LIB\\Help\\";
  RegisterHelpFile(platform, context);
  RegisterHelpFile(platform, context);
  const RegValue* value = platform.RegistryValue(kWindowsHelp, "MIRADOC.HLP");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->type, kRegSz);
  EXPECT_EQ(value->data, std::string("C:\\LIB\\Help\\\0", 13));
  EXPECT_EQ(platform.RegistryValueNames(kWindowsHelp).size(), 1u);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
}

TEST(RegisterHelpFileTest, WithoutAdministratorRightsTellsTheUser) {
  struct Failing : FakePlatform {
    bool SetValue(KeyHandle, const std::string&, uint32_t,
                  const std::string&) override {
      return false;
    }
  };
  FakePlatform read_only;
  read_only.registry().CreateKey(kWindowsHelp);
  read_only.registry().MarkReadOnly("HKEY_LOCAL_MACHINE\\SOFTWARE");
  Failing failing;
  for (FakePlatform* platform :
       {&read_only, static_cast<FakePlatform*>(&failing)}) {
    platform->program_path = "D:\\DISK1\\SETUP.EXE";
    TInstallContext context;
    context.help_folder = "C:\\LIB\\";
    RegisterHelpFile(*platform, context);
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_EQ(platform->messages[0].caption, "Setup");
    EXPECT_EQ(platform->messages[0].text,
              "Setup has detected that you do not have administrator rights "
              "on this machine. Integrated help cannot be installed.");
    EXPECT_EQ(platform->messages[0].kind, BoxKind::kPlainOk);
    EXPECT_EQ(platform->RegistryValue(kWindowsHelp, "MIRADOC.HLP"), nullptr);
    EXPECT_EQ(platform->OpenKeyCount(), 0u);
  }
}

}  // namespace
}  // namespace korvinst
