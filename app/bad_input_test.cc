// Unusual and oversized input at every place the run reads it.
#include <gtest/gtest.h>

#include "app/run.h"
#include "testing/fake_platform.h"
#include "testing/test_keys.h"

namespace korvinst {
namespace {

using namespace test;
using Names = std::vector<std::string>;

TEST(BadInputTest, InstallFolderIsUsedExactlyAsGiven) {
  const std::string folders[] = {"C:\\L\xe4\xfc\xff\x80", "C:\\Lib \"q\"",
                                 "C:\\LIB ", "C:\\a;b"};
  for (const std::string& folder : folders) {
    FakePlatform platform;
    platform.registry().CreateKey(kDelphiPackages);
    platform.SetRegistryText(kDelphi3Library, "SearchPath", "C:\\X");
    platform.AddFile(folder + "\\KQV104_R.DPL");
    platform.AddFile(folder + "\\KQV104_D.DPL");
    EXPECT_EQ(RunInstall(platform, {"INSTALL", folder}), 0);
    EXPECT_EQ(platform.RegistryValueNames(kDelphiPackages),
              Names{folder + "\\KQV104_D.DPL"});
    EXPECT_EQ(platform.RegistryValue(kDelphi3Library, "SearchPath")->data,
              "C:\\X;" + folder + '\0');
  }
}

TEST(BadInputTest, LargeContentsFileIsMergedWhole) {
  std::string before;
  for (int i = 0; before.size() < 50u * 1024 * 1024; ++i) {
    before += "topic line " + std::to_string(i) + "\r\n";
    if (i == 3) before += ":Index First =first.hlp\r\n";
  }
  FakePlatform platform;
  platform.SetRegistryText(kDelphi3, "RootDir", "C:\\D3");
  platform.AddFile("C:\\D3\\Help\\DELPHI3.CNT", before);
  platform.AddFile("C:\\LIB\\MIRADOC.HLP");
  EXPECT_EQ(RunInstall(platform, {"INSTALL", "C:\\LIB"}), 0);
  const std::string& after = platform.File("C:\\D3\\Help\\DELPHI3.CNT")->bytes;
  std::size_t at = before.find(":Index First =first.hlp\r\n") + 25;
  EXPECT_EQ(after.size(), before.size() + 45);
  EXPECT_EQ(after.compare(0, at, before, 0, at), 0);
  EXPECT_EQ(after.substr(at, 45),
            ":Index Korvane Vol I Reference =MIRADOC.HLP\r\n");
  EXPECT_EQ(
      after.compare(at + 45, std::string::npos, before, at, std::string::npos),
      0);
}

TEST(BadInputTest, LongPackageListIsPurgedOfStaleNamesOnly) {
  FakePlatform platform;
  for (int i = 0; i < 100000; ++i) {
    std::string name = "C:\\P" + std::to_string(i) +
                       (i % 1000 == 0 ? "\\QVTR100.DPL" : "\\OTHER.DPL");
    platform.SetRegistryText(kDelphiPackages, name, "x");
  }
  EXPECT_EQ(RunInstall(platform, {"INSTALL", "C:\\LIB"}), 0);
  EXPECT_EQ(platform.RegistryValueNames(kDelphiPackages).size(), 99900u);
  EXPECT_EQ(platform.RegistryValue(kDelphiPackages, "C:\\P1000\\QVTR100.DPL"),
            nullptr);
}

TEST(BadInputTest, LongestSearchPathIsExtended) {
  std::string list(32767, 'x');
  list[100] = ';';
  FakePlatform platform;
  platform.SetRegistryText(kBuilder3Library, "Search Path", list);
  EXPECT_EQ(RunInstall(platform, {"INSTALL", "C:\\LIB"}), 0);
  EXPECT_EQ(platform.RegistryValue(kBuilder3Library, "Search Path")->data,
            list + ";C:\\LIB" + '\0');
}

TEST(BadInputTest, EveryValueTypeWhereTextIsRead) {
  struct Place {
    const char* key;
    const char* name;
  } places[] = {
      {kDelphi3, "RootDir"},
      {kDelphi2Library, "SearchPath"},
      {kDelphi3Library, "SearchPath"},
      {kBuilder1Library, "SearchPath"},
      {kBuilder3Library, "Search Path"},
      {kBuilder1Debugging, "PathForSource"},
  };
  const uint32_t other_types[] = {kRegNone,    kRegBinary, kRegDword, 5,      6,
                                  kRegMultiSz, 8,          11,        0x12345};
  for (const Place& place : places) {
    for (uint32_t type : other_types) {
      FakePlatform with_data;
      with_data.SetRegistryValue(place.key, place.name, type,
                                 std::string("C:\0", 3));
      EXPECT_EQ(RunInstall(with_data, {"INSTALL", "C:\\LIB"}), 1);
      ASSERT_EQ(with_data.messages.size(), 1u);
      EXPECT_NE(with_data.messages[0].text.find(
                    std::string("Invalid data type for '") + place.name + "'."),
                std::string::npos)
          << place.name << " type " << type;

      FakePlatform empty;
      empty.SetRegistryValue(place.key, place.name, type, "");
      EXPECT_EQ(RunInstall(empty, {"INSTALL", "C:\\LIB"}), 0)
          << place.name << " type " << type;
    }
  }
}

}  // namespace
}  // namespace korvinst
