// Fails each platform call of a typical run in turn, one run per call, and
// checks that every run ends cleanly: completed, or reported with the right
// error class; nothing left open; the contents file whole; nothing lost.
#include <gtest/gtest.h>

#include <set>

#include "app/run.h"
#include "testing/fake_platform.h"
#include "testing/forwarding_platform.h"
#include "testing/test_keys.h"

namespace korvinst {
namespace {

using namespace test;

enum Op {
  kOpenKey,
  kCreateKey,
  kQueryValue,
  kSetValue,
  kDeleteValue,
  kQueryKeyInfo,
  kEnumValueName,
  kFindEntry,
  kOpenFile,
  kReadFile,
  kWriteFile,
  kFlushFile,
  kRenameOver,
  kRemoveFile,
  kOpCount
};

// Fails the n-th call (counting from 0) of one kind of operation.
class FaultInjectingPlatform : public ForwardingPlatform {
 public:
  FaultInjectingPlatform(Platform& target, Op op, int n)
      : ForwardingPlatform(target), op_(op), n_(n) {}

  bool OpenKey(RootKey root, const std::string& path, KeyAccess access,
               KeyHandle* key) override {
    return !Fails(kOpenKey) &&
           ForwardingPlatform::OpenKey(root, path, access, key);
  }
  bool CreateKey(RootKey root, const std::string& path,
                 KeyHandle* key) override {
    return !Fails(kCreateKey) && ForwardingPlatform::CreateKey(root, path, key);
  }
  QueryStatus QueryValue(KeyHandle key, const std::string& name, uint32_t* type,
                         std::string* data) override {
    if (Fails(kQueryValue)) return QueryStatus::kFailed;
    return ForwardingPlatform::QueryValue(key, name, type, data);
  }
  bool SetValue(KeyHandle key, const std::string& name, uint32_t type,
                const std::string& data) override {
    return !Fails(kSetValue) &&
           ForwardingPlatform::SetValue(key, name, type, data);
  }
  bool DeleteValue(KeyHandle key, const std::string& name) override {
    return !Fails(kDeleteValue) && ForwardingPlatform::DeleteValue(key, name);
  }
  bool QueryKeyInfo(KeyHandle key, uint32_t* count,
                    uint32_t* longest) override {
    return !Fails(kQueryKeyInfo) &&
           ForwardingPlatform::QueryKeyInfo(key, count, longest);
  }
  bool EnumValueName(KeyHandle key, uint32_t index, uint32_t max_length,
                     std::string* name) override {
    return !Fails(kEnumValueName) &&
           ForwardingPlatform::EnumValueName(key, index, max_length, name);
  }
  bool FindEntry(const std::string& path, DirEntry* entry) override {
    return !Fails(kFindEntry) && ForwardingPlatform::FindEntry(path, entry);
  }
  bool OpenFile(const std::string& path, FileMode mode,
                FileHandle* file) override {
    return !Fails(kOpenFile) && ForwardingPlatform::OpenFile(path, mode, file);
  }
  bool ReadFile(FileHandle file, char* buffer, std::size_t size,
                std::size_t* got) override {
    return !Fails(kReadFile) &&
           ForwardingPlatform::ReadFile(file, buffer, size, got);
  }
  bool WriteFile(FileHandle file, const char* data, std::size_t size,
                 std::size_t* written) override {
    return !Fails(kWriteFile) &&
           ForwardingPlatform::WriteFile(file, data, size, written);
  }
  bool FlushFile(FileHandle file) override {
    return !Fails(kFlushFile) && ForwardingPlatform::FlushFile(file);
  }
  bool RenameOver(const std::string& from, const std::string& to) override {
    return !Fails(kRenameOver) && ForwardingPlatform::RenameOver(from, to);
  }
  bool RemoveFile(const std::string& path) override {
    return !Fails(kRemoveFile) && ForwardingPlatform::RemoveFile(path);
  }

  // How many calls of each kind were made.
  int calls[kOpCount] = {};

 private:
  bool Fails(Op op) { return calls[op]++ == n_ && op == op_; }
  Op op_;
  int n_;
};

constexpr char kCnt[] = "C:\\D3\\Help\\DELPHI3.CNT";
constexpr char kCntBefore[] = ":Base d.hlp\r\n:Index D =d.hlp\r\n1 A\r\n";
constexpr char kCntAfter[] =
    ":Base d.hlp\r\n:Index D =d.hlp\r\n"
    ":Index Korvane Vol I Reference =MIRADOC.HLP\r\n1 A\r\n";

void MakeMachineWithAllIdes(FakePlatform& platform) {
  platform.SetRegistryText(kDelphi3, "RootDir", "C:\\D3");
  for (const char* list : {kDelphiPackages, kBuilderPackages}) {
    platform.SetRegistryText(list, "C:\\OLD\\QV102D.DPL", "old");
    platform.SetRegistryText(list, "C:\\Vendor\\VENDOR.DPL", "keep");
    platform.SetRegistryText(list, "C:\\LIB\\KQV104_T.BPL", "trial");
  }
  for (const char* library :
       {kDelphi2Library, kDelphi3Library, kBuilder1Library}) {
    platform.SetRegistryText(library, "SearchPath", "C:\\X");
    platform.SetRegistryText(library, "Browsing Path", "keep");
  }
  platform.SetRegistryText(kBuilder3Library, "Search Path", "C:\\X");
  platform.SetRegistryText(kBuilder1Debugging, "PathForSource", "1");
  platform.AddFile(kCnt, kCntBefore);
  platform.AddFile("C:\\LIB\\Help\\MIRADOC.HLP");
  platform.AddFile("C:\\LIB\\KQV104_T.DPL");
  for (const char* file :
       {"KQV104_R.DPL", "KQV104_D.DPL", "KQV104_R.BPL", "KQV104_D.BPL",
        "KQV104BR.DPL", "KQV104BD.DPL", "KQV104BR.BPL", "KQV104BD.BPL"}) {
    platform.AddFile(std::string("C:\\LIB\\") + file);
  }
}

// The error classes a failure of each kind may end the run with; empty when
// the run must complete.
const std::set<std::string>& AllowedErrors(Op op) {
  static const std::set<std::string> kNone;
  static const std::set<std::string> kRegistry = {"ERegistryException"};
  static const std::set<std::string> kFile = {"EFOpenError", "EFCreateError"};
  static const std::set<std::string> kRead = {"EReadError"};
  static const std::set<std::string> kWrite = {"EWriteError"};
  static const std::set<std::string> kCreate = {"EFCreateError"};
  switch (op) {
    // A key that opens only for reading on the retry refuses the write.
    case kOpenKey:
    case kQueryValue:
    case kSetValue:
      return kRegistry;
    case kOpenFile:
      return kFile;
    case kReadFile:
      return kRead;
    case kWriteFile:
    case kFlushFile:
      return kWrite;
    case kRenameOver:
      return kCreate;
    default:
      return kNone;
  }
}

TEST(FaultInjectionTest, EveryFailedCallEndsTheRunCleanly) {
  FakePlatform clean;
  MakeMachineWithAllIdes(clean);
  FaultInjectingPlatform counting(clean, kOpCount, 0);
  ASSERT_EQ(RunInstall(counting, {"INSTALL", "C:\\LIB"}), 0);
  ASSERT_EQ(clean.File(kCnt)->bytes, kCntAfter);
  const std::vector<std::string> paths = clean.Paths();

  int runs = 0;
  for (int op = 0; op < kOpCount; ++op) {
    for (int n = 0; n < counting.calls[op]; ++n, ++runs) {
      FakePlatform platform;
      MakeMachineWithAllIdes(platform);
      FaultInjectingPlatform faulty(platform, static_cast<Op>(op), n);
      int status = RunInstall(faulty, {"INSTALL", "C:\\LIB"});
      std::string where =
          "op " + std::to_string(op) + " call " + std::to_string(n);

      const std::set<std::string>& allowed = AllowedErrors(static_cast<Op>(op));
      if (status == 1) {
        ASSERT_FALSE(platform.messages.empty()) << where;
        const ShownMessage& report = platform.messages.back();
        EXPECT_EQ(report.kind, BoxKind::kStopTaskModal) << where;
        std::string class_name =
            report.text.substr(10, report.text.find(' ', 10) - 10);
        EXPECT_EQ(allowed.count(class_name), 1u)
            << where << ": " << report.text;
      } else {
        EXPECT_EQ(status, 0) << where;
      }
      EXPECT_EQ(platform.OpenKeyCount(), 0u) << where;
      EXPECT_EQ(platform.OpenFileCount(), 0u) << where;
      std::string contents = platform.File(kCnt)->bytes;
      EXPECT_TRUE(contents == kCntBefore || contents == kCntAfter) << where;
      EXPECT_EQ(platform.Paths(), paths)
          << where << ": a file was left or lost";
      for (const char* list : {kDelphiPackages, kBuilderPackages}) {
        EXPECT_NE(platform.RegistryValue(list, "C:\\Vendor\\VENDOR.DPL"),
                  nullptr)
            << where;
      }
      for (const char* library :
           {kDelphi2Library, kDelphi3Library, kBuilder1Library}) {
        EXPECT_EQ(platform.RegistryValue(library, "Browsing Path")->data,
                  std::string("keep\0", 5))
            << where;
      }
    }
  }
  // Every kind of call but the clean-up of a temporary file is made.
  for (int op = 0; op < kOpCount; ++op) {
    EXPECT_EQ(counting.calls[op] > 0, op != kRemoveFile) << "op " << op;
  }
  EXPECT_GT(runs, 50);
}

}  // namespace
}  // namespace korvinst
