// The seam between the portable program and the operating system. Every
// method is a thin, literal wrapper of one system call; the meaning the
// program gives to the results lives above this interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvinst {

enum class RootKey { kLocalMachine, kCurrentUser };
enum class KeyAccess { kAll, kRead };

// Registry value types, numbered as the registry numbers them.
enum RegType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

enum class QueryStatus { kFound, kMissing, kFailed };

// How a file is opened; no mode shares the file with other openers.
enum class FileMode {
  kReadExisting,   // read access, the file must exist
  kWriteExisting,  // write access, the file must exist, nothing is changed
  kCreateNew,      // write access, the file must not exist yet
};

enum class BoxKind {
  kPlainOk,        // no icon, one OK button
  kStopTaskModal,  // stop icon, one OK button, task-modal
};

// What a directory search found for one exact path.
struct DirEntry {
  bool is_directory = false;
  int local_write_year = 0;  // year of the last write, in local time
};

using KeyHandle = std::uintptr_t;
using FileHandle = std::uintptr_t;

class Platform {
 public:
  virtual ~Platform() = default;

  // Opens an existing key with the given access; false leaves nothing open.
  virtual bool OpenKey(RootKey root, const std::string& path, KeyAccess access,
                       KeyHandle* key) = 0;
  // Opens a key with full access, creating it (and its parents) if missing.
  virtual bool CreateKey(RootKey root, const std::string& path,
                         KeyHandle* key) = 0;
  // Reads a value's type and raw bytes; kMissing when there is no such value.
  virtual QueryStatus QueryValue(KeyHandle key, const std::string& name,
                                 uint32_t* type, std::string* data) = 0;
  // Stores a value of the given type and raw bytes, replacing an old one.
  virtual bool SetValue(KeyHandle key, const std::string& name, uint32_t type,
                        const std::string& data) = 0;
  // Deletes one value; false when it is missing or cannot be deleted.
  virtual bool DeleteValue(KeyHandle key, const std::string& name) = 0;
  // Gives the number of values and the length of the longest value name.
  virtual bool QueryKeyInfo(KeyHandle key, uint32_t* value_count,
                            uint32_t* max_name_length) = 0;
  // Gives the name of the value at index when it fits in max_length bytes.
  virtual bool EnumValueName(KeyHandle key, uint32_t index, uint32_t max_length,
                             std::string* name) = 0;
  // Closes a key opened or created above.
  virtual void CloseKey(KeyHandle key) = 0;

  // Searches a directory for the exact path; false when nothing is found.
  virtual bool FindEntry(const std::string& path, DirEntry* entry) = 0;
  // Opens a file without sharing it; false leaves nothing open.
  virtual bool OpenFile(const std::string& path, FileMode mode,
                        FileHandle* file) = 0;
  // Reads up to size bytes; *got is 0 at the end of the file.
  virtual bool ReadFile(FileHandle file, char* buffer, std::size_t size,
                        std::size_t* got) = 0;
  // Writes size bytes; *written tells how many were taken.
  virtual bool WriteFile(FileHandle file, const char* data, std::size_t size,
                         std::size_t* written) = 0;
  // Forces what was written to the disk.
  virtual bool FlushFile(FileHandle file) = 0;
  // Closes a file opened above.
  virtual void CloseFile(FileHandle file) = 0;
  // Puts the file from in place of the file to, in one step.
  virtual bool RenameOver(const std::string& from, const std::string& to) = 0;
  // Deletes a file; false when it cannot.
  virtual bool RemoveFile(const std::string& path) = 0;

  // Shows a message and waits until the user has closed it.
  virtual void ShowMessage(const std::string& caption, const std::string& text,
                           BoxKind kind) = 0;
  // The path of the program's own file, as it was started.
  virtual std::string ProgramPath() = 0;
  // Names the module holding address and the address's offset within it.
  virtual bool ModuleOfAddress(const void* address, std::string* module_path,
                               std::uintptr_t* offset) = 0;
};

}  // namespace korvinst
