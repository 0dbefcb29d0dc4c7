// The platform on Linux: an emulated Windows machine kept in a folder.
//   registry.reg           the registry, REGEDIT4 text
//   registry-readonly.txt  keys that open for reading only, a full path a line
//   drive_c/, drive_d/...  one folder a drive: X:\a\b is drive_x/a/b
// A relative path lies below C:\, the process's current folder.
#pragma once

#include <map>
#include <string>

#include "platform/platform.h"
#include "registry/emulated_registry.h"

namespace korvinst {

class HostRegistry : public EmulatedRegistry {
 public:
  // The registry of the machine folder; a bad registry file throws
  // RegistryFileError at the first access.
  explicit HostRegistry(const std::string& machine_folder);

 protected:
  void Refresh() override;
  bool Change(const std::function<bool(RegistryStore&)>& change,
              const std::function<void(RegistryStore&)>& undo) override;

 private:
  // Reads the registry files when they changed since the last read.
  void Load();
  bool Save();

  std::string registry_file_;
  std::string read_only_file_;
  std::string lock_file_;
  std::string loaded_stamp_;
};

class HostPlatform : public EmulatedRegistryPlatform {
 public:
  HostPlatform(const std::string& machine_folder,
               const std::string& program_path);

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
  std::string ProgramPath() override { return program_path_; }
  bool ModuleOfAddress(const void* address, std::string* module_path,
                       std::uintptr_t* offset) override;

  // The host file that a Windows path names; empty when it names none.
  std::string HostPath(const std::string& windows_path) const;

 private:
  std::string machine_folder_;
  std::string program_path_;
  HostRegistry registry_;
};

}  // namespace korvinst
