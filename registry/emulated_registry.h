// The registry operations of the platform, carried out on a RegistryStore
// with the access rules of the Windows registry. The host platform and the
// test fakes delegate to it.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>

#include "platform/platform.h"
#include "registry/registry_store.h"

namespace korvinst {

class EmulatedRegistry {
 public:
  EmulatedRegistry() = default;
  virtual ~EmulatedRegistry() = default;

  bool OpenKey(RootKey root, const std::string& path, KeyAccess access,
               KeyHandle* key);
  bool CreateKey(RootKey root, const std::string& path, KeyHandle* key);
  QueryStatus QueryValue(KeyHandle key, const std::string& name, uint32_t* type,
                         std::string* data);
  bool SetValue(KeyHandle key, const std::string& name, uint32_t type,
                const std::string& data);
  bool DeleteValue(KeyHandle key, const std::string& name);
  bool QueryKeyInfo(KeyHandle key, uint32_t* value_count,
                    uint32_t* max_name_length);
  bool EnumValueName(KeyHandle key, uint32_t index, uint32_t max_length,
                     std::string* name);
  void CloseKey(KeyHandle key);

  // The keys open now.
  std::size_t OpenKeyCount() const { return open_keys_.size(); }
  RegistryStore& store() { return store_; }

 protected:
  // Brings the store up to date before it is read.
  virtual void Refresh() {}
  // Changes the store under the lock of whoever shares it, and saves it;
  // false when the change could not be made. A change that was made but
  // cannot be saved is taken back: by undo when there is one, else from a
  // copy of the store taken before it.
  virtual bool Change(const std::function<bool(RegistryStore&)>& change,
                      const std::function<void(RegistryStore&)>& undo) {
    (void)undo;
    return change(store_);
  }

 private:
  struct OpenKeyState {
    std::string full_path;
    bool writable;
  };
  KeyHandle Register(const std::string& full_path, bool writable);
  // The key behind a handle, or null when the handle or key is gone.
  RegKey* KeyOf(KeyHandle key, RegistryStore& store, bool* writable);

  RegistryStore store_;
  std::map<KeyHandle, OpenKeyState> open_keys_;
  KeyHandle next_handle_ = 0x100;
};

// A platform whose registry operations are carried out by an
// EmulatedRegistry; the file and process operations are left to subclasses.
class EmulatedRegistryPlatform : public Platform {
 public:
  // registry must outlive this object; it need not be built yet.
  explicit EmulatedRegistryPlatform(EmulatedRegistry& registry)
      : registry_(registry) {}

  bool OpenKey(RootKey root, const std::string& path, KeyAccess access,
               KeyHandle* key) override {
    return registry_.OpenKey(root, path, access, key);
  }
  bool CreateKey(RootKey root, const std::string& path,
                 KeyHandle* key) override {
    return registry_.CreateKey(root, path, key);
  }
  QueryStatus QueryValue(KeyHandle key, const std::string& name, uint32_t* type,
                         std::string* data) override {
    return registry_.QueryValue(key, name, type, data);
  }
  bool SetValue(KeyHandle key, const std::string& name, uint32_t type,
                const std::string& data) override {
    return registry_.SetValue(key, name, type, data);
  }
  bool DeleteValue(KeyHandle key, const std::string& name) override {
    return registry_.DeleteValue(key, name);
  }
  bool QueryKeyInfo(KeyHandle key, uint32_t* value_count,
                    uint32_t* max_name_length) override {
    return registry_.QueryKeyInfo(key, value_count, max_name_length);
  }
  bool EnumValueName(KeyHandle key, uint32_t index, uint32_t max_length,
                     std::string* name) override {
    return registry_.EnumValueName(key, index, max_length, name);
  }
  void CloseKey(KeyHandle key) override { registry_.CloseKey(key); }

 private:
  EmulatedRegistry& registry_;
};

}  // namespace korvinst
