// The platform on Windows: the Win32 functions themselves.
#pragma once

#include "platform/platform.h"

namespace korvinst {

class Win32Platform : public Platform {
 public:
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
  std::string ProgramPath() override;
  bool ModuleOfAddress(const void* address, std::string* module_path,
                       std::uintptr_t* offset) override;
};

}  // namespace korvinst
