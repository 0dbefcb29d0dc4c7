#include "registry/emulated_registry.h"

namespace korvinst {

KeyHandle EmulatedRegistry::Register(const std::string& full_path,
                                     bool writable) {
  KeyHandle handle = next_handle_++;
  open_keys_[handle] = OpenKeyState{full_path, writable};
  return handle;
}

RegKey* EmulatedRegistry::KeyOf(KeyHandle key, RegistryStore& store,
                                bool* writable) {
  auto found = open_keys_.find(key);
  if (found == open_keys_.end()) return nullptr;
  if (writable != nullptr) *writable = found->second.writable;
  return store.FindKey(found->second.full_path);
}

bool EmulatedRegistry::OpenKey(RootKey root, const std::string& path,
                               KeyAccess access, KeyHandle* key) {
  Refresh();
  std::string full_path = RegistryStore::FullPath(root, path);
  if (store_.FindKey(full_path) == nullptr) return false;
  bool read_only = store_.IsReadOnly(full_path);
  if (access == KeyAccess::kAll && read_only) return false;
  *key = Register(full_path, access == KeyAccess::kAll);
  return true;
}

bool EmulatedRegistry::CreateKey(RootKey root, const std::string& path,
                                 KeyHandle* key) {
  Refresh();
  std::string full_path = RegistryStore::FullPath(root, path);
  // Creating below a key open for reading only is refused like writing it.
  if (store_.IsReadOnly(full_path)) return false;
  if (store_.FindKey(full_path) == nullptr &&
      !Change([&](RegistryStore& store) {
        return store.CreateKey(full_path) != nullptr;
      })) {
    return false;
  }
  *key = Register(full_path, true);
  return true;
}

QueryStatus EmulatedRegistry::QueryValue(KeyHandle key,
                                         const std::string& name,
                                         uint32_t* type, std::string* data) {
  Refresh();
  RegKey* open = KeyOf(key, store_, nullptr);
  if (open == nullptr) return QueryStatus::kFailed;
  RegValue* value = RegistryStore::FindValue(open, name);
  if (value == nullptr) return QueryStatus::kMissing;
  *type = value->type;
  *data = value->data;
  return QueryStatus::kFound;
}

bool EmulatedRegistry::SetValue(KeyHandle key, const std::string& name,
                                uint32_t type, const std::string& data) {
  bool writable = false;
  if (KeyOf(key, store_, &writable) == nullptr || !writable) return false;
  return Change([&](RegistryStore& store) {
    RegKey* open = KeyOf(key, store, nullptr);
    if (open == nullptr) return false;
    RegistryStore::SetValue(open, name, type, data);
    return true;
  });
}

bool EmulatedRegistry::DeleteValue(KeyHandle key, const std::string& name) {
  bool writable = false;
  if (KeyOf(key, store_, &writable) == nullptr || !writable) return false;
  return Change([&](RegistryStore& store) {
    RegKey* open = KeyOf(key, store, nullptr);
    return open != nullptr && RegistryStore::DeleteValue(open, name);
  });
}

bool EmulatedRegistry::QueryKeyInfo(KeyHandle key, uint32_t* value_count,
                                    uint32_t* max_name_length) {
  Refresh();
  RegKey* open = KeyOf(key, store_, nullptr);
  if (open == nullptr) return false;
  *value_count = static_cast<uint32_t>(open->values.size());
  *max_name_length = 0;
  for (const RegValue& value : open->values) {
    if (value.name.size() > *max_name_length) {
      *max_name_length = static_cast<uint32_t>(value.name.size());
    }
  }
  return true;
}

bool EmulatedRegistry::EnumValueName(KeyHandle key, uint32_t index,
                                     uint32_t max_length, std::string* name) {
  RegKey* open = KeyOf(key, store_, nullptr);
  if (open == nullptr || index >= open->values.size()) return false;
  const std::string& found = open->values[index].name;
  if (found.size() > max_length) return false;
  *name = found;
  return true;
}

void EmulatedRegistry::CloseKey(KeyHandle key) { open_keys_.erase(key); }

}  // namespace korvinst
