#include "registry/registry_scope.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/errors.h"
#include "registry/registry_scope_contract.h"
#include "testing/fake_platform.h"

namespace korvinst {

void RegistryScopeContract::SetUp() {
  platform_ = GetParam()();
  static int counter = 0;
  auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  key_ = "Software\\korvinst-test\\" +
         std::string(
             ::testing::UnitTest::GetInstance()->current_test_info()->name())
             .substr(0, 40) +
         "-" + std::to_string(now) + "-" + std::to_string(++counter);
  for (char& c : key_) {
    if (c == '/') c = '-';
  }
}

void RegistryScopeContract::Put(const std::string& name, uint32_t type,
                                const std::string& data) {
  KeyHandle key = 0;
  ASSERT_TRUE(platform_->CreateKey(RootKey::kCurrentUser, key_, &key));
  ASSERT_TRUE(platform_->SetValue(key, name, type, data));
  platform_->CloseKey(key);
}

namespace {

std::string MessageOf(const std::function<void()>& step) {
  try {
    step();
  } catch (const ERegistryException& error) {
    return error.Message();
  }
  return "(no error)";
}

TEST_P(RegistryScopeContract, MissingKeyDoesNotOpenAndIsNotCreated) {
  RegistryScope registry(*platform_);
  EXPECT_FALSE(registry.OpenKey(key_));
  EXPECT_FALSE(registry.HasOpenKey());
  EXPECT_FALSE(registry.OpenKey(key_));
  EXPECT_EQ(MessageOf([&] { registry.WriteString("v", "x"); }),
            "Failed to set data for 'v'");
}

TEST_P(RegistryScopeContract, WritesAndReadsText) {
  RegistryScope registry(*platform_);
  ASSERT_TRUE(registry.OpenOrCreateKey(key_));
  registry.WriteString("Search Path", "C:\\A;C:\\LIB");
  registry.WriteString("Search Path", "replaced");
  RegistryScope again(*platform_);
  ASSERT_TRUE(again.OpenKey(key_));
  EXPECT_EQ(again.ReadString("Search Path"), "replaced");
  EXPECT_EQ(again.ReadString("missing"), "");
}

TEST_P(RegistryScopeContract, ReadsTextTypesAndRejectsOthers) {
  Put("sz", kRegSz, std::string("C:\\D3\0after", 12));
  Put("expand", kRegExpandSz, std::string("%WINDIR%\\x\0", 11));
  Put("unterminated", kRegSz, "abc");
  Put("empty", kRegSz, "");
  Put("dword", kRegDword, std::string("\x01\0\0\0", 4));
  Put("binary", kRegBinary, "\x41\x42");
  Put("empty-binary", kRegBinary, "");
  Put("multi", kRegMultiSz, std::string("a\0b\0\0", 5));
  RegistryScope registry(*platform_);
  ASSERT_TRUE(registry.OpenKey(key_));
  EXPECT_EQ(registry.ReadString("sz"), "C:\\D3");
  EXPECT_EQ(registry.ReadString("expand"), "%WINDIR%\\x");
  EXPECT_EQ(registry.ReadString("unterminated"), "abc");
  EXPECT_EQ(registry.ReadString("empty"), "");
  EXPECT_EQ(registry.ReadString("empty-binary"), "");
  for (const char* name : {"dword", "binary", "multi"}) {
    EXPECT_EQ(MessageOf([&] { registry.ReadString(name); }),
              std::string("Invalid data type for '") + name + "'");
  }
}

TEST_P(RegistryScopeContract, WrittenTextIsRegSzWithItsNul) {
  RegistryScope registry(*platform_);
  ASSERT_TRUE(registry.OpenOrCreateKey(key_));
  registry.WriteString("v", "C:\\LIB");
  KeyHandle key = 0;
  ASSERT_TRUE(
      platform_->OpenKey(RootKey::kCurrentUser, key_, KeyAccess::kRead, &key));
  uint32_t type = 0;
  std::string data;
  EXPECT_EQ(platform_->QueryValue(key, "v", &type, &data), QueryStatus::kFound);
  platform_->CloseKey(key);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(data, std::string("C:\\LIB\0", 7));
}

TEST_P(RegistryScopeContract, ListsAndDeletesValues) {
  Put("C:\\OLD\\QV100D.DPL", kRegSz, std::string("x\0", 2));
  Put("other", kRegDword, std::string(4, '\0'));
  RegistryScope registry(*platform_);
  ASSERT_TRUE(registry.OpenKey(key_));
  std::vector<std::string> names = {"stale entry"};
  registry.GetValueNames(&names);
  EXPECT_EQ(names, (std::vector<std::string>{"C:\\OLD\\QV100D.DPL", "other"}));
  EXPECT_TRUE(registry.DeleteValue("C:\\OLD\\QV100D.DPL"));
  EXPECT_FALSE(registry.DeleteValue("C:\\OLD\\QV100D.DPL"));
  registry.GetValueNames(&names);
  EXPECT_EQ(names, std::vector<std::string>{"other"});
}

TEST_P(RegistryScopeContract, ChangingTheRootClosesTheKey) {
  RegistryScope registry(*platform_);
  ASSERT_TRUE(registry.OpenOrCreateKey(key_));
  registry.SetRoot(RootKey::kLocalMachine);
  EXPECT_FALSE(registry.HasOpenKey());
  std::vector<std::string> names = {"x"};
  registry.GetValueNames(&names);
  EXPECT_TRUE(names.empty());
}

INSTANTIATE_TEST_SUITE_P(Fake, RegistryScopeContract,
                         ::testing::Values(PlatformFactory([] {
                           return std::make_unique<FakePlatform>();
                         })));

// What only the fake can arrange: keys open for reading only, failing calls.
class RegistryScopeTest : public ::testing::Test {
 protected:
  FakePlatform platform_;
};

TEST_F(RegistryScopeTest, ReadOnlyKeyOpensForReadingAndRefusesWrites) {
  platform_.SetRegistryText("HKEY_LOCAL_MACHINE\\Software\\A", "v", "old");
  platform_.registry().MarkReadOnly("HKEY_LOCAL_MACHINE\\Software");
  {
    RegistryScope registry(platform_);
    registry.SetRoot(RootKey::kLocalMachine);
    ASSERT_TRUE(registry.OpenKey("Software\\A"));
    EXPECT_EQ(registry.ReadString("v"), "old");
    EXPECT_FALSE(registry.DeleteValue("v"));
    EXPECT_EQ(MessageOf([&] { registry.WriteString("v", "new"); }),
              "Failed to set data for 'v'");
    EXPECT_FALSE(registry.OpenOrCreateKey("Software\\A\\B"));
    EXPECT_FALSE(registry.HasOpenKey());
  }
  EXPECT_EQ(platform_.calls[0], "OpenKey HKLM\\Software\\A all failed");
  EXPECT_EQ(platform_.calls[1], "OpenKey HKLM\\Software\\A read");
  EXPECT_EQ(platform_.OpenKeyCount(), 0u);
}

TEST_F(RegistryScopeTest, FailedReadAndEnumerationAreHandled) {
  struct Failing : FakePlatform {
    QueryStatus QueryValue(KeyHandle, const std::string&, uint32_t*,
                           std::string*) override {
      return QueryStatus::kFailed;
    }
    bool EnumValueName(KeyHandle key, uint32_t index, uint32_t max_length,
                       std::string* name) override {
      return index != 1 &&
             FakePlatform::EnumValueName(key, index, max_length, name);
    }
  } platform;
  for (const char* name : {"a", "b", "c"}) {
    platform.SetRegistryText("HKEY_CURRENT_USER\\K", name, "x");
  }
  RegistryScope registry(platform);
  ASSERT_TRUE(registry.OpenKey("K"));
  EXPECT_EQ(MessageOf([&] { registry.ReadString("a"); }),
            "Failed to get data for 'a'");
  std::vector<std::string> names;
  registry.GetValueNames(&names);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "c"}));
}

TEST_F(RegistryScopeTest, KeyIsClosedWhenAnErrorPassesThrough) {
  platform_.SetRegistryValue("HKEY_CURRENT_USER\\K", "v", kRegDword,
                             std::string(4, '\1'));
  try {
    RegistryScope registry(platform_);
    ASSERT_TRUE(registry.OpenKey("K"));
    registry.ReadString("v");
  } catch (const ERegistryException&) {
  }
  EXPECT_EQ(platform_.OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace korvinst
