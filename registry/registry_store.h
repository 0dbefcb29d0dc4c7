// An in-memory registry: keys with typed values, some keys open for reading
// only, and its REGEDIT4 text form. It stands in for the Windows registry on
// the host and in tests.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

namespace korvinst {

struct RegValue {
  std::string name;
  uint32_t type = kRegNone;
  std::string data;
};

struct RegKey {
  std::string path;              // full path as first written, root name first
  std::vector<RegValue> values;  // in the order they were added
  // Position of each value by upper-cased name.
  std::unordered_map<std::string, std::size_t> index;
};

// A REGEDIT4 text that cannot be read; tells the line.
class RegistryFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RegistryStore {
 public:
  // "HKEY_LOCAL_MACHINE\<path>" or "HKEY_CURRENT_USER\<path>".
  static std::string FullPath(RootKey root, const std::string& path);

  // The key at a full path, or null; names compare ignoring case.
  RegKey* FindKey(const std::string& full_path);
  const RegKey* FindKey(const std::string& full_path) const;
  // The key at a full path, created with its parents when missing.
  RegKey* CreateKey(const std::string& full_path);
  // True when the key or one of its parents opens for reading only.
  bool IsReadOnly(const std::string& full_path) const;
  // Marks a key, and so everything below it, as opening for reading only.
  void MarkReadOnly(const std::string& full_path);
  // The read-only marks, one full path each.
  const std::set<std::string>& ReadOnlyKeys() const { return read_only_; }

  // The value of that name, or null.
  static RegValue* FindValue(RegKey* key, const std::string& name);
  // Adds a value or replaces the data and type of an existing one.
  static void SetValue(RegKey* key, const std::string& name, uint32_t type,
                       const std::string& data);
  // Deletes a value; false when there is none of that name.
  static bool DeleteValue(RegKey* key, const std::string& name);

  // Every key, ordered by path.
  std::vector<const RegKey*> Keys() const;

  // The store as REGEDIT4 text, CR LF line ends.
  std::string ToRegedit4() const;
  // Reads REGEDIT4 text; throws RegistryFileError naming the bad line.
  static RegistryStore FromRegedit4(const std::string& text);

 private:
  std::map<std::string, RegKey> keys_;  // by upper-cased full path
  std::set<std::string> read_only_;     // upper-cased full paths
};

}  // namespace korvinst
