#include "platform/win32/win32_platform.h"

#include <windows.h>

#include <vector>

namespace korvinst {
namespace {

HKEY RootHandle(RootKey root) {
  return root == RootKey::kLocalMachine ? HKEY_LOCAL_MACHINE
                                        : HKEY_CURRENT_USER;
}

HKEY AsKey(KeyHandle key) { return reinterpret_cast<HKEY>(key); }
HANDLE AsFile(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

bool Win32Platform::OpenKey(RootKey root, const std::string& path,
                            KeyAccess access, KeyHandle* key) {
  HKEY opened = nullptr;
  REGSAM sam = access == KeyAccess::kAll ? KEY_ALL_ACCESS : KEY_READ;
  if (RegOpenKeyExA(RootHandle(root), path.c_str(), 0, sam, &opened) !=
      ERROR_SUCCESS) {
    return false;
  }
  *key = reinterpret_cast<KeyHandle>(opened);
  return true;
}

bool Win32Platform::CreateKey(RootKey root, const std::string& path,
                              KeyHandle* key) {
  HKEY created = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(RootHandle(root), path.c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &created, &disposition) != ERROR_SUCCESS) {
    return false;
  }
  *key = reinterpret_cast<KeyHandle>(created);
  return true;
}

QueryStatus Win32Platform::QueryValue(KeyHandle key, const std::string& name,
                                      uint32_t* type, std::string* data) {
  DWORD value_type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExA(AsKey(key), name.c_str(), nullptr, &value_type,
                                 nullptr, &size);
  // The value may grow between asking its size and reading it.
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    std::vector<BYTE> buffer(size + 1);
    DWORD got = size;
    status = RegQueryValueExA(AsKey(key), name.c_str(), nullptr, &value_type,
                              buffer.data(), &got);
    if (status == ERROR_SUCCESS) {
      *type = value_type;
      data->assign(reinterpret_cast<const char*>(buffer.data()), got);
      return QueryStatus::kFound;
    }
    if (status == ERROR_MORE_DATA) size = got;
  }
  return status == ERROR_FILE_NOT_FOUND ? QueryStatus::kMissing
                                        : QueryStatus::kFailed;
}

bool Win32Platform::SetValue(KeyHandle key, const std::string& name,
                             uint32_t type, const std::string& data) {
  return RegSetValueExA(AsKey(key), name.c_str(), 0, type,
                        reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool Win32Platform::DeleteValue(KeyHandle key, const std::string& name) {
  return RegDeleteValueA(AsKey(key), name.c_str()) == ERROR_SUCCESS;
}

bool Win32Platform::QueryKeyInfo(KeyHandle key, uint32_t* value_count,
                                 uint32_t* max_name_length) {
  DWORD count = 0;
  DWORD longest = 0;
  if (RegQueryInfoKeyA(AsKey(key), nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, &count, &longest, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS) {
    return false;
  }
  *value_count = count;
  *max_name_length = longest;
  return true;
}

bool Win32Platform::EnumValueName(KeyHandle key, uint32_t index,
                                  uint32_t max_length, std::string* name) {
  std::vector<char> buffer(max_length + 1);
  DWORD length = max_length + 1;
  if (RegEnumValueA(AsKey(key), index, buffer.data(), &length, nullptr, nullptr,
                    nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  name->assign(buffer.data(), length);
  return true;
}

void Win32Platform::CloseKey(KeyHandle key) { RegCloseKey(AsKey(key)); }

bool Win32Platform::FindEntry(const std::string& path, DirEntry* entry) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  entry->is_directory =
      (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  FILETIME local;
  SYSTEMTIME when;
  if (!FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) ||
      !FileTimeToSystemTime(&local, &when)) {
    entry->local_write_year = 0;
  } else {
    entry->local_write_year = when.wYear;
  }
  return true;
}

bool Win32Platform::OpenFile(const std::string& path, FileMode mode,
                             FileHandle* file) {
  DWORD access = mode == FileMode::kReadExisting ? GENERIC_READ : GENERIC_WRITE;
  DWORD disposition = mode == FileMode::kCreateNew ? CREATE_NEW : OPEN_EXISTING;
  // Share mode 0: nobody else may open the file while it is held.
  HANDLE opened = CreateFileA(path.c_str(), access, 0, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return false;
  *file = reinterpret_cast<FileHandle>(opened);
  return true;
}

bool Win32Platform::ReadFile(FileHandle file, char* buffer, std::size_t size,
                             std::size_t* got) {
  DWORD read = 0;
  if (!::ReadFile(AsFile(file), buffer, static_cast<DWORD>(size), &read,
                  nullptr)) {
    return false;
  }
  *got = read;
  return true;
}

bool Win32Platform::WriteFile(FileHandle file, const char* data,
                              std::size_t size, std::size_t* written) {
  DWORD done = 0;
  if (!::WriteFile(AsFile(file), data, static_cast<DWORD>(size), &done,
                   nullptr)) {
    return false;
  }
  *written = done;
  return true;
}

bool Win32Platform::FlushFile(FileHandle file) {
  return FlushFileBuffers(AsFile(file)) != 0;
}

void Win32Platform::CloseFile(FileHandle file) { CloseHandle(AsFile(file)); }

bool Win32Platform::RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32Platform::RemoveFile(const std::string& path) {
  return ::DeleteFileA(path.c_str()) != 0;
}

void Win32Platform::ShowMessage(const std::string& caption,
                                const std::string& text, BoxKind kind) {
  UINT style = kind == BoxKind::kStopTaskModal
                   ? MB_OK | MB_ICONSTOP | MB_TASKMODAL
                   : MB_OK;
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

std::string Win32Platform::ProgramPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(),
                                      static_cast<DWORD>(buffer.size()));
    if (length == 0) return "";
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

bool Win32Platform::ModuleOfAddress(const void* address,
                                    std::string* module_path,
                                    std::uintptr_t* offset) {
  HMODULE module = nullptr;
  if (address == nullptr ||
      !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCSTR>(address), &module)) {
    return false;
  }
  char name[MAX_PATH];
  DWORD length = GetModuleFileNameA(module, name, MAX_PATH);
  if (length == 0) return false;
  module_path->assign(name, length);
  *offset = reinterpret_cast<std::uintptr_t>(address) -
            reinterpret_cast<std::uintptr_t>(module);
  return true;
}

}  // namespace korvinst
