#include "packages/packages.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "testing/fake_platform.h"
#include "testing/test_keys.h"

namespace korvinst {
namespace {

using test::kBuilderPackages;
using test::kDelphiPackages;
using Names = std::vector<std::string>;

TEST(PurgeStalePackagesTest, DeletesEveryStaleRegistrationFromBothLists) {
  FakePlatform platform;
  const Names names = {
      "C:\\OLD\\qv100d.dpl",     "QV100D.DPL",
      "C:\\OLD\\QV100D.DPL.BAK", "C:\\LIB\\KQV104_D.DPL",
      "C:\\LIB\\KQV104_T.DPL",   "D:\\X\\KQV104_T.BPL",
      "C:\\Other\\VENDOR.DPL",   "C:\\OLD\\XQV100D.DPL",
      "C:\\A\\QVTR101.DPL",
  };
  for (const char* list : {kDelphiPackages, kBuilderPackages}) {
    for (const std::string& name : names) {
      platform.SetRegistryValue(list, name, kRegDword, "bad");
    }
  }
  PurgeStalePackages(platform);
  const Names kept = {"QV100D.DPL", "C:\\LIB\\KQV104_D.DPL",
                      "C:\\Other\\VENDOR.DPL", "C:\\OLD\\XQV100D.DPL"};
  EXPECT_EQ(platform.RegistryValueNames(kDelphiPackages), kept);
  EXPECT_EQ(platform.RegistryValueNames(kBuilderPackages), kept);
  for (const std::string& call : platform.calls) {
    EXPECT_NE(call.rfind("QueryValue", 0), 0u) << "data was read: " << call;
  }
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
}

TEST(PurgeStalePackagesTest, MissingListsAreNotCreated) {
  FakePlatform platform;
  PurgeStalePackages(platform);
  EXPECT_EQ(platform.registry().FindKey(kDelphiPackages), nullptr);
  EXPECT_EQ(platform.registry().FindKey(kBuilderPackages), nullptr);
}

TEST(PurgeStalePackagesTest, ReadOnlyListIsListedAndLeftAsItWas) {
  FakePlatform platform;
  platform.SetRegistryText(kDelphiPackages, "C:\\OLD\\QV100D.DPL", "x");
  platform.registry().MarkReadOnly(kDelphiPackages);
  PurgeStalePackages(platform);
  EXPECT_EQ(platform.RegistryValueNames(kDelphiPackages),
            Names{"C:\\OLD\\QV100D.DPL"});
  EXPECT_NE(std::find(platform.calls.begin(), platform.calls.end(),
                      "DeleteValue C:\\OLD\\QV100D.DPL failed"),
            platform.calls.end());
}

// Registers the packages of a run whose install folder holds files.
FakePlatform Registered(const std::vector<std::string>& files, bool full_rows,
                        bool trial_rows,
                        const std::string& folder = "C:\\LIB\\") {
  FakePlatform platform;
  platform.registry().CreateKey(kDelphiPackages);
  platform.registry().CreateKey(kBuilderPackages);
  for (const std::string& file : files) platform.AddFile(folder + file);
  TInstallContext context;
  context.install_folder = folder;
  if (full_rows) RegisterPackages(platform, context);
  if (trial_rows) RegisterTrialPackages(platform, context);
  return platform;
}

TEST(RegisterPackagesTest, RegistersTheDesignFileOfEachCompleteSet) {
  struct Case {
    const char* what;
    std::vector<std::string> files;
    Names delphi;
    Names builder;
  } cases[] = {
      {"typical",
       {"KQV104_R.DPL", "KQV104_D.DPL", "KQV104_R.BPL", "KQV104_D.BPL"},
       {"C:\\LIB\\KQV104_D.DPL"},
       {"C:\\LIB\\KQV104_D.BPL"}},
      {"plain and db sets",
       {"KQV104_R.DPL", "KQV104_D.DPL", "KQV104BR.DPL", "KQV104BD.DPL"},
       {"C:\\LIB\\KQV104_D.DPL", "C:\\LIB\\KQV104BD.DPL"},
       {}},
      {"runtime without design", {"KQV104_R.DPL", "KQV104BD.BPL"}, {}, {}},
      {"design without runtime", {"KQV104_D.DPL"}, {}, {}},
  };
  for (const Case& c : cases) {
    FakePlatform platform = Registered(c.files, true, false);
    EXPECT_EQ(platform.RegistryValueNames(kDelphiPackages), c.delphi) << c.what;
    EXPECT_EQ(platform.RegistryValueNames(kBuilderPackages), c.builder)
        << c.what;
  }
  FakePlatform platform =
      Registered({"KQV104BR.BPL", "KQV104BD.BPL"}, true, false);
  EXPECT_EQ(
      platform.RegistryValue(kBuilderPackages, "C:\\LIB\\KQV104BD.BPL")->data,
      std::string("Korvane Volume I (db) components\0", 33));
}

TEST(RegisterPackagesTest, NameKeepsTheFolderAsGiven) {
  FakePlatform platform =
      Registered({"KQV104_R.DPL", "KQV104_D.DPL"}, true, false, "c:\\My Lib\\");
  EXPECT_EQ(platform.RegistryValueNames(kDelphiPackages),
            Names{"c:\\My Lib\\KQV104_D.DPL"});
  EXPECT_EQ(
      platform.RegistryValue(kDelphiPackages, "c:\\My Lib\\KQV104_D.DPL")->data,
      std::string("Korvane Volume I components\0", 28));
}

TEST(RegisterPackagesTest, SecondRunReplacesTheData) {
  FakePlatform platform;
  platform.SetRegistryText(kDelphiPackages, "C:\\LIB\\KQV104_D.DPL", "old");
  platform.AddFile("C:\\LIB\\KQV104_R.DPL");
  platform.AddFile("C:\\LIB\\KQV104_D.DPL");
  TInstallContext context;
  context.install_folder = "C:\\LIB\\";
  RegisterPackages(platform, context);
  EXPECT_EQ(platform.RegistryValueNames(kDelphiPackages),
            Names{"C:\\LIB\\KQV104_D.DPL"});
  EXPECT_EQ(
      platform.RegistryValue(kDelphiPackages, "C:\\LIB\\KQV104_D.DPL")->data,
      std::string("Korvane Volume I components\0", 28));
}

TEST(RegisterPackagesTest, MissingListIsNotCreated) {
  FakePlatform platform;
  platform.AddFile("C:\\LIB\\KQV104_R.BPL");
  platform.AddFile("C:\\LIB\\KQV104_D.BPL");
  platform.AddFile("C:\\LIB\\KQV104_T.BPL");
  TInstallContext context;
  context.install_folder = "C:\\LIB\\";
  RegisterPackages(platform, context);
  RegisterTrialPackages(platform, context);
  EXPECT_EQ(platform.registry().FindKey(kBuilderPackages), nullptr);
}

TEST(RegisterPackagesTest, FailedWriteEndsTheRowsWithTheValueName) {
  FakePlatform platform;
  platform.registry().CreateKey(kDelphiPackages);
  platform.registry().CreateKey(kBuilderPackages);
  platform.registry().MarkReadOnly(kDelphiPackages);
  for (const char* file :
       {"KQV104_R.DPL", "KQV104_D.DPL", "KQV104_R.BPL", "KQV104_D.BPL"}) {
    platform.AddFile(std::string("C:\\LIB\\") + file);
  }
  TInstallContext context;
  context.install_folder = "C:\\LIB\\";
  try {
    RegisterPackages(platform, context);
    FAIL() << "no error";
  } catch (const ERegistryException& error) {
    EXPECT_EQ(error.Message(),
              "Failed to set data for 'C:\\LIB\\KQV104_D.DPL'");
  }
  EXPECT_TRUE(platform.RegistryValueNames(kBuilderPackages).empty());
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
}

TEST(RegisterTrialPackagesTest, TrialFileAloneIsRegistered) {
  struct Case {
    const char* what;
    std::vector<std::string> files;
    Names delphi;
    Names builder;
  } cases[] = {
      {"both trial files",
       {"KQV104_T.DPL", "KQV104_T.BPL"},
       {"C:\\LIB\\KQV104_T.DPL"},
       {"C:\\LIB\\KQV104_T.BPL"}},
      {"beside a db design file", {"KQV104_T.DPL", "KQV104BD.DPL"}, {}, {}},
      {"beside a runtime file of the other IDE",
       {"KQV104_T.DPL", "KQV104_R.BPL"},
       {"C:\\LIB\\KQV104_T.DPL"},
       {}},
      {"no trial file", {}, {}, {}},
  };
  for (const Case& c : cases) {
    FakePlatform platform = Registered(c.files, false, true);
    EXPECT_EQ(platform.RegistryValueNames(kDelphiPackages), c.delphi) << c.what;
    EXPECT_EQ(platform.RegistryValueNames(kBuilderPackages), c.builder)
        << c.what;
  }
  FakePlatform platform = Registered({"KQV104_T.BPL"}, false, true);
  EXPECT_EQ(
      platform.RegistryValue(kBuilderPackages, "C:\\LIB\\KQV104_T.BPL")->data,
      std::string("Korvane Volume I (trial-run)\0", 29));
}

TEST(RegisterTrialPackagesTest, PurgeThenTrialLeavesOneRegistration) {
  FakePlatform platform;
  platform.SetRegistryText(kDelphiPackages, "D:\\OLDLIB\\kqv104_t.dpl", "x");
  platform.SetRegistryText(kDelphiPackages, "C:\\LIB\\KQV104_T.DPL", "x");
  platform.AddFile("C:\\LIB\\KQV104_T.DPL");
  TInstallContext context;
  context.install_folder = "C:\\LIB\\";
  PurgeStalePackages(platform);
  RegisterPackages(platform, context);
  RegisterTrialPackages(platform, context);
  EXPECT_EQ(platform.RegistryValueNames(kDelphiPackages),
            Names{"C:\\LIB\\KQV104_T.DPL"});
}

}  // namespace
}  // namespace korvinst
