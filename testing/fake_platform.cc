#include "testing/fake_platform.h"

#include <algorithm>
#include <cstring>

#include "text/text.h"

namespace korvinst {
namespace {

const char* RootName(RootKey root) {
  return root == RootKey::kLocalMachine ? "HKLM" : "HKCU";
}

}  // namespace

FakePlatform::FakePlatform() = default;

std::string FakePlatform::KeyOf(const std::string& path) {
  // Windows reads a doubled separator as one.
  std::string key;
  for (char c : UpperAscii(path)) {
    if (c == '\\' && !key.empty() && key.back() == '\\' && key.size() > 1) {
      continue;
    }
    key.push_back(c);
  }
  return key;
}

bool FakePlatform::OpenKey(RootKey root, const std::string& path,
                           KeyAccess access, KeyHandle* key) {
  bool ok = registry_.OpenKey(root, path, access, key);
  calls.push_back(std::string("OpenKey ") + RootName(root) + "\\" + path +
                  (access == KeyAccess::kAll ? " all" : " read") +
                  (ok ? "" : " failed"));
  return ok;
}

bool FakePlatform::CreateKey(RootKey root, const std::string& path,
                             KeyHandle* key) {
  bool ok = registry_.CreateKey(root, path, key);
  calls.push_back(std::string("CreateKey ") + RootName(root) + "\\" + path +
                  (ok ? "" : " failed"));
  return ok;
}

QueryStatus FakePlatform::QueryValue(KeyHandle key, const std::string& name,
                                     uint32_t* type, std::string* data) {
  calls.push_back("QueryValue " + name);
  return registry_.QueryValue(key, name, type, data);
}

bool FakePlatform::SetValue(KeyHandle key, const std::string& name,
                            uint32_t type, const std::string& data) {
  bool ok = registry_.SetValue(key, name, type, data);
  calls.push_back("SetValue " + name + (ok ? "" : " failed"));
  return ok;
}

bool FakePlatform::DeleteValue(KeyHandle key, const std::string& name) {
  bool ok = registry_.DeleteValue(key, name);
  calls.push_back("DeleteValue " + name + (ok ? "" : " failed"));
  return ok;
}

bool FakePlatform::QueryKeyInfo(KeyHandle key, uint32_t* value_count,
                                uint32_t* max_name_length) {
  calls.push_back("QueryKeyInfo");
  return registry_.QueryKeyInfo(key, value_count, max_name_length);
}

bool FakePlatform::EnumValueName(KeyHandle key, uint32_t index,
                                 uint32_t max_length, std::string* name) {
  calls.push_back("EnumValueName " + std::to_string(index));
  return registry_.EnumValueName(key, index, max_length, name);
}

void FakePlatform::CloseKey(KeyHandle key) {
  calls.push_back("CloseKey");
  registry_.CloseKey(key);
}

bool FakePlatform::FindEntry(const std::string& path, DirEntry* entry) {
  calls.push_back("FindEntry " + path);
  auto found = files_.find(KeyOf(path));
  if (found == files_.end()) return false;
  entry->is_directory = found->second.is_directory;
  entry->local_write_year = found->second.local_write_year;
  return true;
}

bool FakePlatform::OpenFile(const std::string& path, FileMode mode,
                            FileHandle* file) {
  static const char* const kModeNames[] = {"read", "write", "create"};
  calls.push_back(std::string("OpenFile ") + path + " " +
                  kModeNames[static_cast<int>(mode)]);
  std::string key = KeyOf(path);
  auto found = files_.find(key);
  if (mode == FileMode::kCreateNew) {
    if (found != files_.end()) return false;
    files_[key] = FakeFile{};
  } else {
    if (found == files_.end() || found->second.is_directory ||
        found->second.held_elsewhere) {
      return false;
    }
    if (mode == FileMode::kWriteExisting && found->second.read_only) {
      return false;
    }
  }
  for (const auto& open : open_files_) {
    if (open.second.key == key) return false;  // nobody shares a file
  }
  *file = next_file_++;
  open_files_[*file] = OpenFileState{key, mode, 0};
  return true;
}

bool FakePlatform::ReadFile(FileHandle file, char* buffer, std::size_t size,
                            std::size_t* got) {
  OpenFileState& open = open_files_.at(file);
  const std::string& bytes = files_.at(open.key).bytes;
  *got = std::min(size, bytes.size() - std::min(open.position, bytes.size()));
  if (*got > 0) std::memcpy(buffer, bytes.data() + open.position, *got);
  open.position += *got;
  return true;
}

bool FakePlatform::WriteFile(FileHandle file, const char* data,
                             std::size_t size, std::size_t* written) {
  OpenFileState& open = open_files_.at(file);
  if (open.mode == FileMode::kReadExisting) return false;
  *written = std::min(size, free_disk_bytes);
  free_disk_bytes -= *written;
  std::string& bytes = files_.at(open.key).bytes;
  bytes.replace(std::min(open.position, bytes.size()), *written, data,
                *written);
  open.position += *written;
  return *written == size;
}

bool FakePlatform::FlushFile(FileHandle file) {
  return open_files_.count(file) != 0;
}

void FakePlatform::CloseFile(FileHandle file) { open_files_.erase(file); }

bool FakePlatform::RenameOver(const std::string& from, const std::string& to) {
  calls.push_back("RenameOver " + from + " " + to);
  std::string from_key = KeyOf(from);
  std::string to_key = KeyOf(to);
  auto source = files_.find(from_key);
  auto target = files_.find(to_key);
  if (source == files_.end()) return false;
  if (target != files_.end() &&
      (target->second.read_only || target->second.held_elsewhere ||
       target->second.is_directory)) {
    return false;
  }
  for (const auto& open : open_files_) {
    if (open.second.key == from_key || open.second.key == to_key) return false;
  }
  FakeFile moved = source->second;
  files_.erase(source);
  files_[to_key] = moved;
  return true;
}

bool FakePlatform::RemoveFile(const std::string& path) {
  calls.push_back("RemoveFile " + path);
  auto found = files_.find(KeyOf(path));
  if (found == files_.end() || found->second.is_directory) return false;
  files_.erase(found);
  return true;
}

void FakePlatform::ShowMessage(const std::string& caption,
                               const std::string& text, BoxKind kind) {
  calls.push_back("ShowMessage " + caption);
  messages.push_back(ShownMessage{caption, text, kind});
}

bool FakePlatform::ModuleOfAddress(const void* address,
                                   std::string* module_path,
                                   std::uintptr_t* offset) {
  if (address == nullptr) return false;
  *module_path = program_path;
  *offset = 0x1A2B;
  return true;
}

void FakePlatform::SetRegistryValue(const std::string& full_key,
                                    const std::string& name, uint32_t type,
                                    const std::string& data) {
  RegistryStore::SetValue(registry().CreateKey(full_key), name, type, data);
}

void FakePlatform::SetRegistryText(const std::string& full_key,
                                   const std::string& name,
                                   const std::string& text) {
  SetRegistryValue(full_key, name, kRegSz, text + '\0');
}

const RegValue* FakePlatform::RegistryValue(const std::string& full_key,
                                            const std::string& name) {
  RegKey* key = registry().FindKey(full_key);
  return key == nullptr ? nullptr : RegistryStore::FindValue(key, name);
}

std::vector<std::string> FakePlatform::RegistryValueNames(
    const std::string& full_key) {
  std::vector<std::string> names;
  if (RegKey* key = registry().FindKey(full_key)) {
    for (const RegValue& value : key->values) names.push_back(value.name);
  }
  return names;
}

void FakePlatform::AddFile(const std::string& path, const std::string& bytes) {
  FakeFile file;
  file.bytes = bytes;
  files_[KeyOf(path)] = file;
}

void FakePlatform::AddFolder(const std::string& path) {
  FakeFile folder;
  folder.is_directory = true;
  files_[KeyOf(path)] = folder;
}

FakeFile* FakePlatform::File(const std::string& path) {
  auto found = files_.find(KeyOf(path));
  return found == files_.end() ? nullptr : &found->second;
}

std::vector<std::string> FakePlatform::Paths() const {
  std::vector<std::string> paths;
  for (const auto& entry : files_) paths.push_back(entry.first);
  return paths;
}

}  // namespace korvinst
