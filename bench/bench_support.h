// What the benchmarks share: a machine folder of their own, an in-memory
// platform that records nothing, the inputs they are measured over, and a
// count of the heap bytes a stretch of code holds at most.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "registry/emulated_registry.h"

namespace korvinst {
namespace bench {

// An emulated machine in a new folder below $TMPDIR (or /tmp); the folder
// and all in it go with the object.
class TempMachine {
 public:
  TempMachine();
  ~TempMachine();
  TempMachine(const TempMachine&) = delete;
  TempMachine& operator=(const TempMachine&) = delete;

  const std::string& folder() const { return folder_; }
  // The host file below the machine folder, e.g. "drive_c/D3/Help/X.CNT".
  std::string PathOf(const std::string& relative) const;
  // Writes a file below the folder, creating its folders.
  void Write(const std::string& relative, const std::string& bytes) const;
  std::string Read(const std::string& relative) const;

 private:
  std::string folder_;
};

// Writes bytes to a host file, creating its folders; throws on failure.
void WriteHostFile(const std::string& path, const std::string& bytes);
// Reads a whole host file; throws when it cannot.
std::string ReadHostFile(const std::string& path);

// The platform's registry operations on an in-memory store, without the
// recording of the test fake (which would be measured too); files do not
// exist on it.
class MemoryPlatform : public EmulatedRegistryPlatform {
 public:
  MemoryPlatform() : EmulatedRegistryPlatform(registry_) {}
  RegistryStore& store() { return registry_.store(); }

  bool FindEntry(const std::string&, DirEntry*) override { return false; }
  bool OpenFile(const std::string&, FileMode, FileHandle*) override {
    return false;
  }
  bool ReadFile(FileHandle, char*, std::size_t, std::size_t*) override {
    return false;
  }
  bool WriteFile(FileHandle, const char*, std::size_t,
                 std::size_t*) override {
    return false;
  }
  bool FlushFile(FileHandle) override { return false; }
  void CloseFile(FileHandle) override {}
  bool RenameOver(const std::string&, const std::string&) override {
    return false;
  }
  bool RemoveFile(const std::string&) override { return false; }
  void ShowMessage(const std::string&, const std::string&, BoxKind) override {}
  std::string ProgramPath() override { return "korvinst"; }
  bool ModuleOfAddress(const void*, std::string*, std::uintptr_t*) override {
    return false;
  }

 private:
  EmulatedRegistry registry_;
};

// The Known Packages keys, as full registry paths.
extern const char kDelphiPackagesKey[];
extern const char kBuilderPackagesKey[];

// The value names of one Known Packages list of count values: other
// vendors' packages, with two stale registrations of the library among
// them (one first, one in the middle), which the purge deletes.
std::vector<std::string> KnownPackageNames(const char* list_key,
                                           std::size_t count);
// How many names of KnownPackageNames are stale: two, whatever the count.
constexpr std::size_t kStalePerList = 2;
// Both lists of count values each, in a store.
RegistryStore KnownPackagesStore(std::size_t count);

// A Delphi 3.0 help contents file of line_count lines, CR LF line ends:
// a header, topic lines and an index line every 50 lines; it does not name
// the library's help file.
std::string ContentsFile(std::size_t line_count);

// A ";"-separated folder list of exactly length characters that does not
// hold C:\LIB (nor C:\LIB\).
std::string SearchPathList(std::size_t length);

// The typical machine: Delphi 3.0 and C++Builder 3.0 present, Delphi 2.0
// and C++Builder 1.0 absent, the library in C:\LIB with its help file in
// C:\LIB\Help, one stale and one trial registration in the Delphi list.
void WriteTypicalMachine(const std::string& folder);
// Its registry and contents file, which a run changes.
std::string TypicalRegistryText();
std::string TypicalContentsFile();

// Heap bytes: Peak gives the most bytes held at once by blocks taken since
// Start (their usable sizes, as malloc gives them).
class HeapCounter {
 public:
  static void Start();
  static std::size_t Peak();
  static void Stop();
};

}  // namespace bench
}  // namespace korvinst
