// A platform that hands every call to another one. Tests subclass it and
// override the calls they want to fail.
#pragma once

#include "platform/platform.h"

namespace korvinst {

class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform& target) : target_(target) {}

  bool OpenKey(RootKey root, const std::string& path, KeyAccess access,
               KeyHandle* key) override {
    return target_.OpenKey(root, path, access, key);
  }
  bool CreateKey(RootKey root, const std::string& path,
                 KeyHandle* key) override {
    return target_.CreateKey(root, path, key);
  }
  QueryStatus QueryValue(KeyHandle key, const std::string& name, uint32_t* type,
                         std::string* data) override {
    return target_.QueryValue(key, name, type, data);
  }
  bool SetValue(KeyHandle key, const std::string& name, uint32_t type,
                const std::string& data) override {
    return target_.SetValue(key, name, type, data);
  }
  bool DeleteValue(KeyHandle key, const std::string& name) override {
    return target_.DeleteValue(key, name);
  }
  bool QueryKeyInfo(KeyHandle key, uint32_t* value_count,
                    uint32_t* max_name_length) override {
    return target_.QueryKeyInfo(key, value_count, max_name_length);
  }
  bool EnumValueName(KeyHandle key, uint32_t index, uint32_t max_length,
                     std::string* name) override {
    return target_.EnumValueName(key, index, max_length, name);
  }
  void CloseKey(KeyHandle key) override { target_.CloseKey(key); }

  bool FindEntry(const std::string& path, DirEntry* entry) override {
    return target_.FindEntry(path, entry);
  }
  bool OpenFile(const std::string& path, FileMode mode,
                FileHandle* file) override {
    return target_.OpenFile(path, mode, file);
  }
  bool ReadFile(FileHandle file, char* buffer, std::size_t size,
                std::size_t* got) override {
    return target_.ReadFile(file, buffer, size, got);
  }
  bool WriteFile(FileHandle file, const char* data, std::size_t size,
                 std::size_t* written) override {
    return target_.WriteFile(file, data, size, written);
  }
  bool FlushFile(FileHandle file) override { return target_.FlushFile(file); }
  void CloseFile(FileHandle file) override { target_.CloseFile(file); }
  bool RenameOver(const std::string& from, const std::string& to) override {
    return target_.RenameOver(from, to);
  }
  bool RemoveFile(const std::string& path) override {
    return target_.RemoveFile(path);
  }

  void ShowMessage(const std::string& caption, const std::string& text,
                   BoxKind kind) override {
    target_.ShowMessage(caption, text, kind);
  }
  std::string ProgramPath() override { return target_.ProgramPath(); }
  bool ModuleOfAddress(const void* address, std::string* module_path,
                       std::uintptr_t* offset) override {
    return target_.ModuleOfAddress(address, module_path, offset);
  }

 private:
  Platform& target_;
};

}  // namespace korvinst
