#include "registry/emulated_registry.h"

#include <utility>
#include <vector>

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
      !Change(
          [&](RegistryStore& store) {
            return store.CreateKey(full_path) != nullptr;
          },
          nullptr)) {
    return false;
  }
  *key = Register(full_path, true);
  return true;
}

QueryStatus EmulatedRegistry::QueryValue(KeyHandle key, const std::string& name,
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
  // What the value was, so that a change that cannot be saved is taken back
  // without a copy of the whole store.
  bool existed = false;
  uint32_t old_type = kRegNone;
  std::string old_data;
  return Change(
      [&](RegistryStore& store) {
        RegKey* open = KeyOf(key, store, nullptr);
        if (open == nullptr) return false;
        if (RegValue* old = RegistryStore::FindValue(open, name)) {
          existed = true;
          old_type = old->type;
          old_data = old->data;
        }
        RegistryStore::SetValue(open, name, type, data);
        return true;
      },
      [&](RegistryStore& store) {
        RegKey* open = KeyOf(key, store, nullptr);
        if (existed) {
          RegistryStore::SetValue(open, name, old_type, old_data);
        } else {
          RegistryStore::DeleteValue(open, name);
        }
      });
}

bool EmulatedRegistry::DeleteValue(KeyHandle key, const std::string& name) {
  bool writable = false;
  if (KeyOf(key, store_, &writable) == nullptr || !writable) return false;
  // The value and where it stood, so that a delete that cannot be saved is
  // taken back without a copy of the whole store.
  std::size_t position = 0;
  RegValue removed;
  return Change(
      [&](RegistryStore& store) {
        RegKey* open = KeyOf(key, store, nullptr);
        RegValue* value =
            open == nullptr ? nullptr : RegistryStore::FindValue(open, name);
        if (value == nullptr) return false;
        position = static_cast<std::size_t>(value - open->values.data());
        removed = *value;
        return RegistryStore::DeleteValue(open, name);
      },
      [&](RegistryStore& store) {
        RegKey* open = KeyOf(key, store, nullptr);
        // The key again with the value back in its place.
        RegKey restored;
        restored.path = open->path;
        std::vector<RegValue>& values = open->values;
        for (std::size_t i = 0; i <= values.size(); ++i) {
          if (i == position) {
            RegistryStore::SetValue(&restored, removed.name, removed.type,
                                    removed.data);
          }
          if (i < values.size()) {
            RegistryStore::SetValue(&restored, values[i].name, values[i].type,
                                    values[i].data);
          }
        }
        *open = std::move(restored);
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
