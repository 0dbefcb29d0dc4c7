#include "registry/registry_scope.h"

#include "platform/errors.h"

namespace korvinst {

RegistryScope::RegistryScope(Platform& platform) : platform_(platform) {}

RegistryScope::~RegistryScope() { CloseKey(); }

void RegistryScope::CloseKey() {
  if (!has_key_) return;
  platform_.CloseKey(key_);
  has_key_ = false;
  key_ = 0;
}

void RegistryScope::SetRoot(RootKey root) {
  CloseKey();
  root_ = root;
}

bool RegistryScope::OpenKey(const std::string& path) {
  CloseKey();
  // A user without administrator rights may still read machine-wide keys.
  has_key_ = platform_.OpenKey(root_, path, KeyAccess::kAll, &key_) ||
             platform_.OpenKey(root_, path, KeyAccess::kRead, &key_);
  return has_key_;
}

bool RegistryScope::OpenOrCreateKey(const std::string& path) {
  CloseKey();
  has_key_ = platform_.CreateKey(root_, path, &key_);
  return has_key_;
}

std::string RegistryScope::ReadString(const std::string& name) {
  if (!has_key_) {
    throw ERegistryException("Failed to get data for '" + name + "'");
  }
  uint32_t type = kRegNone;
  std::string data;
  switch (platform_.QueryValue(key_, name, &type, &data)) {
    case QueryStatus::kMissing:
      return "";
    case QueryStatus::kFailed:
      throw ERegistryException("Failed to get data for '" + name + "'");
    case QueryStatus::kFound:
      break;
  }
  if (data.empty()) return "";
  if (type != kRegSz && type != kRegExpandSz) {
    throw ERegistryException("Invalid data type for '" + name + "'");
  }
  // The text ends at its first NUL; REG_EXPAND_SZ stays unexpanded.
  return data.substr(0, data.find('\0'));
}

void RegistryScope::WriteString(const std::string& name,
                                const std::string& value) {
  std::string data = value;
  data.push_back('\0');
  if (!has_key_ || !platform_.SetValue(key_, name, kRegSz, data)) {
    throw ERegistryException("Failed to set data for '" + name + "'");
  }
}

bool RegistryScope::DeleteValue(const std::string& name) {
  return has_key_ && platform_.DeleteValue(key_, name);
}

void RegistryScope::GetValueNames(std::vector<std::string>* names) {
  names->clear();
  uint32_t count = 0;
  uint32_t max_length = 0;
  if (!has_key_ || !platform_.QueryKeyInfo(key_, &count, &max_length)) return;
  for (uint32_t index = 0; index < count; ++index) {
    std::string name;
    if (platform_.EnumValueName(key_, index, max_length, &name)) {
      names->push_back(name);
    }
  }
}

}  // namespace korvinst
