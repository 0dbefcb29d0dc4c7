// A platform for tests: an in-memory registry and disk that records what the
// program does to them. Tests subclass it to make one operation fail.
#pragma once

#include <cstddef>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "registry/emulated_registry.h"

namespace korvinst {

struct FakeFile {
  std::string bytes;
  bool is_directory = false;
  int local_write_year = 2026;
  bool read_only = false;       // the read-only attribute
  bool held_elsewhere = false;  // another program holds it open, unshared
};

struct ShownMessage {
  std::string caption;
  std::string text;
  BoxKind kind;
};

class FakePlatform : public Platform {
 public:
  FakePlatform();

  bool OpenKey(RootKey root, const std::string& path, KeyAccess access,
               KeyHandle* key) override;
  bool CreateKey(RootKey root, const std::string& path,
                 KeyHandle* key) override;
  QueryStatus QueryValue(KeyHandle key, const std::string& name, uint32_t* type,
                         std::string* data) override;
  bool SetValue(KeyHandle key, const std::string& name, uint32_t type,
                const std::string& data) override;
  bool DeleteValue(KeyHandle key, const std::string& name) override;
  bool QueryKeyInfo(KeyHandle key, uint32_t* value_count,
                    uint32_t* max_name_length) override;
  bool EnumValueName(KeyHandle key, uint32_t index, uint32_t max_length,
                     std::string* name) override;
  void CloseKey(KeyHandle key) override;

  bool FindEntry(const std::string& path, DirEntry* entry) override;
  bool OpenFile(const std::string& path, FileMode mode,
                FileHandle* file) override;
  bool ReadFile(FileHandle file, char* buffer, std::size_t size,
                std::size_t* got) override;
  bool WriteFile(FileHandle file, const char* data, std::size_t size,
                 std::size_t* written) override;
  bool FlushFile(FileHandle file) override;
  void CloseFile(FileHandle file) override;
  bool RenameOver(const std::string& from, const std::string& to) override;
  bool RemoveFile(const std::string& path) override;

  void ShowMessage(const std::string& caption, const std::string& text,
                   BoxKind kind) override;
  std::string ProgramPath() override { return program_path; }
  bool ModuleOfAddress(const void* address, std::string* module_path,
                       std::uintptr_t* offset) override;

  // Registry set-up and inspection.
  RegistryStore& registry() { return registry_.store(); }
  // Sets a value, creating its key; full_key starts with the root's name.
  void SetRegistryValue(const std::string& full_key, const std::string& name,
                        uint32_t type, const std::string& data);
  // Sets a REG_SZ value with its closing NUL.
  void SetRegistryText(const std::string& full_key, const std::string& name,
                       const std::string& text);
  // The raw data of a value, or null when the key or value is missing.
  const RegValue* RegistryValue(const std::string& full_key,
                                const std::string& name);
  // The names of a key's values, in order; empty when the key is missing.
  std::vector<std::string> RegistryValueNames(const std::string& full_key);

  // Disk set-up and inspection; paths compare ignoring case.
  void AddFile(const std::string& path, const std::string& bytes = "");
  void AddFolder(const std::string& path);
  FakeFile* File(const std::string& path);
  // Every path on the disk, upper-cased, in order.
  std::vector<std::string> Paths() const;

  std::size_t OpenKeyCount() const { return registry_.OpenKeyCount(); }
  std::size_t OpenFileCount() const { return open_files_.size(); }

  // Every call made, a line each, such as "FindEntry C:\LIB\MIRADOC.HLP".
  std::vector<std::string> calls;
  std::vector<ShownMessage> messages;
  std::string program_path = "C:\\SETUP\\korvinst.exe";
  // Bytes that writes may still add before the disk is full.
  std::size_t free_disk_bytes = std::numeric_limits<std::size_t>::max();

 private:
  struct OpenFileState {
    std::string key;  // upper-cased path
    FileMode mode;
    std::size_t position = 0;
  };
  static std::string KeyOf(const std::string& path);

  EmulatedRegistry registry_;
  std::map<std::string, FakeFile> files_;
  std::map<FileHandle, OpenFileState> open_files_;
  FileHandle next_file_ = 1;
};

}  // namespace korvinst
