#include "platform/host/host_platform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <vector>

#include "text/text.h"

namespace korvinst {
namespace {

constexpr char kRegistryFile[] = "registry.reg";
constexpr char kReadOnlyFile[] = "registry-readonly.txt";
constexpr char kLockFile[] = "registry.lock";

bool ReadHostFile(const std::string& path, std::string* contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  *contents = bytes.str();
  return true;
}

// Reads a file that may be missing; one that is there but cannot be read
// is an error, never an empty registry.
bool ReadExistingFile(const std::string& path, std::string* contents) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 && errno == ENOENT) return false;
  if (!S_ISREG(st.st_mode) || !ReadHostFile(path, contents)) {
    throw RegistryFileError("registry file " + path + " cannot be read");
  }
  return true;
}

// Writes a file through a temporary beside it and a rename.
bool WriteHostFileAtomically(const std::string& path,
                             const std::string& contents) {
  std::string temporary = path + ".tmp" + std::to_string(getpid());
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < contents.size()) {
    ssize_t n = write(fd, contents.data() + done, contents.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  bool ok = done == contents.size() && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok && rename(temporary.c_str(), path.c_str()) == 0) return true;
  unlink(temporary.c_str());
  return false;
}

// What identifies one version of a file: size, time and inode.
std::string StampOf(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return "none";
  return std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
         std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec);
}

// Holds an exclusive lock on a file for as long as it lives.
class FileLock {
 public:
  explicit FileLock(const std::string& path)
      : fd_(open(path.c_str(), O_RDWR | O_CREAT, 0644)) {
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~FileLock() {
    if (fd_ >= 0) close(fd_);
  }
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_;
};

int FdOf(FileHandle file) { return static_cast<int>(file) - 1; }
FileHandle HandleOf(int fd) { return static_cast<FileHandle>(fd + 1); }

// True when the file has no owner write bit, which stands for the Windows
// read-only attribute (root could write such a file anyway).
bool IsReadOnlyFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

// True when another process holds the file open without sharing.
bool IsHeldElsewhere(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
  close(fd);
  return held;
}

// Finds the entry of a folder whose name equals name ignoring case.
std::string MatchInFolder(const std::string& folder, const std::string& name) {
  struct stat st;
  if (lstat((folder + "/" + name).c_str(), &st) == 0) return name;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return name;
  std::string match = name;
  while (dirent* entry = readdir(dir)) {
    if (EqualsIgnoringCase(entry->d_name, name)) {
      match = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return match;
}

}  // namespace

HostRegistry::HostRegistry(const std::string& machine_folder)
    : registry_file_(machine_folder + "/" + kRegistryFile),
      read_only_file_(machine_folder + "/" + kReadOnlyFile),
      lock_file_(machine_folder + "/" + kLockFile) {}

void HostRegistry::Load() {
  // The files are read at the first registry access, so that a run with
  // nothing to do reads nothing.
  std::string stamp = StampOf(registry_file_) + "|" + StampOf(read_only_file_);
  if (stamp == loaded_stamp_) return;
  std::string text;
  RegistryStore fresh;
  if (ReadExistingFile(registry_file_, &text)) {
    fresh = RegistryStore::FromRegedit4(text);
  }
  std::string marks;
  if (ReadExistingFile(read_only_file_, &marks)) {
    std::istringstream lines(marks);
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line[0] != '#') fresh.MarkReadOnly(line);
    }
  }
  store() = std::move(fresh);
  loaded_stamp_ = stamp;
}

void HostRegistry::Refresh() { Load(); }

bool HostRegistry::Save() {
  if (!WriteHostFileAtomically(registry_file_, store().ToRegedit4())) {
    return false;
  }
  loaded_stamp_ = StampOf(registry_file_) + "|" + StampOf(read_only_file_);
  return true;
}

bool HostRegistry::Change(const std::function<bool(RegistryStore&)>& change,
                          const std::function<void(RegistryStore&)>& undo) {
  // Another run may have changed the file: take it in under the lock.
  FileLock lock(lock_file_);
  if (!lock.locked()) return false;
  Load();
  // Copying the store costs as much as saving it; only a change without an
  // undo of its own needs the copy.
  std::optional<RegistryStore> before;
  if (!undo) before = store();
  if (!change(store())) return false;
  if (Save()) return true;
  if (undo) {
    undo(store());
  } else {
    store() = std::move(*before);
  }
  return false;
}

HostPlatform::HostPlatform(const std::string& machine_folder,
                           const std::string& program_path)
    : EmulatedRegistryPlatform(registry_),
      machine_folder_(machine_folder),
      program_path_(program_path),
      registry_(machine_folder) {}

std::string HostPlatform::HostPath(const std::string& windows_path) const {
  std::string rest = windows_path;
  char drive = 'c';
  if (rest.size() >= 2 && rest[1] == ':' &&
      std::isalpha(static_cast<unsigned char>(rest[0]))) {
    drive = LowerAscii(rest.substr(0, 1))[0];
    rest = rest.substr(2);
  } else if (rest.rfind("\\\\", 0) == 0) {
    return "";  // a network path names no folder of this machine
  }
  std::string host = machine_folder_ + "/drive_" + drive;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find_first_of("\\/", start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  for (const std::string& part : parts) {
    host += "/" + MatchInFolder(host, part);
  }
  return host;
}

bool HostPlatform::FindEntry(const std::string& path, DirEntry* entry) {
  std::string host = HostPath(path);
  struct stat st;
  if (host.empty() || stat(host.c_str(), &st) != 0) return false;
  std::tm local{};
  time_t when = st.st_mtim.tv_sec;
  if (localtime_r(&when, &local) == nullptr) return false;
  entry->is_directory = S_ISDIR(st.st_mode);
  entry->local_write_year = local.tm_year + 1900;
  return true;
}

bool HostPlatform::OpenFile(const std::string& path, FileMode mode,
                            FileHandle* file) {
  std::string host = HostPath(path);
  if (host.empty()) return false;
  int flags = O_RDONLY;
  if (mode == FileMode::kWriteExisting) {
    if (IsReadOnlyFile(host)) return false;
    flags = O_WRONLY;
  } else if (mode == FileMode::kCreateNew) {
    flags = O_WRONLY | O_CREAT | O_EXCL;
  }
  int fd = open(host.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st;
  // No sharing: a second opener of the file is turned away.
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
      flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  *file = HandleOf(fd);
  return true;
}

bool HostPlatform::ReadFile(FileHandle file, char* buffer, std::size_t size,
                            std::size_t* got) {
  ssize_t n;
  do {
    n = read(FdOf(file), buffer, size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  *got = static_cast<std::size_t>(n);
  return true;
}

bool HostPlatform::WriteFile(FileHandle file, const char* data,
                             std::size_t size, std::size_t* written) {
  ssize_t n;
  do {
    n = write(FdOf(file), data, size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  *written = static_cast<std::size_t>(n);
  return true;
}

bool HostPlatform::FlushFile(FileHandle file) { return fsync(FdOf(file)) == 0; }

void HostPlatform::CloseFile(FileHandle file) { close(FdOf(file)); }

bool HostPlatform::RenameOver(const std::string& from, const std::string& to) {
  std::string host_from = HostPath(from);
  std::string host_to = HostPath(to);
  if (host_from.empty() || host_to.empty()) return false;
  // Windows refuses to replace a read-only file or one held open.
  if (IsReadOnlyFile(host_to) || IsHeldElsewhere(host_to)) return false;
  return rename(host_from.c_str(), host_to.c_str()) == 0;
}

bool HostPlatform::RemoveFile(const std::string& path) {
  std::string host = HostPath(path);
  return !host.empty() && unlink(host.c_str()) == 0;
}

void HostPlatform::ShowMessage(const std::string& caption,
                               const std::string& text, BoxKind) {
  std::cerr << caption << ": " << text << std::endl;
  if (isatty(STDIN_FILENO)) {
    std::cerr << "[OK: press Enter]" << std::endl;
    std::string line;
    std::getline(std::cin, line);
  }
}

bool HostPlatform::ModuleOfAddress(const void* address,
                                   std::string* module_path,
                                   std::uintptr_t* offset) {
  Dl_info info;
  if (address == nullptr || dladdr(address, &info) == 0 ||
      info.dli_fname == nullptr) {
    return false;
  }
  *module_path = info.dli_fname;
  *offset = reinterpret_cast<std::uintptr_t>(address) -
            reinterpret_cast<std::uintptr_t>(info.dli_fbase);
  return true;
}

}  // namespace korvinst
