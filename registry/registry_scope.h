// One registry object for one step of the run: a root, at most one open key,
// and the text-value operations the phases use. The open key is closed when
// the object goes, on every path.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace korvinst {

class RegistryScope {
 public:
  // Starts at HKEY_CURRENT_USER with no key open.
  explicit RegistryScope(Platform& platform);
  ~RegistryScope();
  RegistryScope(const RegistryScope&) = delete;
  RegistryScope& operator=(const RegistryScope&) = delete;

  // Chooses the root; closes any open key.
  void SetRoot(RootKey root);
  // Opens an existing key, with full access or else for reading only.
  bool OpenKey(const std::string& path);
  // Opens a key with full access, creating it when missing; no read retry.
  bool OpenOrCreateKey(const std::string& path);
  // True while a key is open.
  bool HasOpenKey() const { return has_key_; }
  // Reads a text value; missing or empty data reads as "". Throws
  // ERegistryException for data of another type or a failed read.
  std::string ReadString(const std::string& name);
  // Writes a REG_SZ value; throws ERegistryException on any failure.
  void WriteString(const std::string& name, const std::string& value);
  // Deletes a value; false when it could not be deleted.
  bool DeleteValue(const std::string& name);
  // Replaces names with the open key's value names, in the key's order.
  void GetValueNames(std::vector<std::string>* names);

 private:
  void CloseKey();

  Platform& platform_;
  RootKey root_ = RootKey::kCurrentUser;
  KeyHandle key_ = 0;
  bool has_key_ = false;
};

}  // namespace korvinst
