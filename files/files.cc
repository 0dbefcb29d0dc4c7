#include "files/files.h"

#include <utility>
#include <vector>

#include "platform/errors.h"

namespace korvinst {
namespace {

constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 2107;
// How many temporary names are tried before giving up; another run writing
// the same file at once holds one of them.
constexpr int kTemporaryNameTries = 16;
constexpr std::size_t kReadChunk = 64 * 1024;

// Owns an open file and closes it when it goes.
class ScopedFile {
 public:
  explicit ScopedFile(Platform& platform) : platform_(platform) {}
  ~ScopedFile() { Close(); }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

  bool Open(const std::string& path, FileMode mode) {
    Close();
    open_ = platform_.OpenFile(path, mode, &file_);
    return open_;
  }
  void Close() {
    if (open_) platform_.CloseFile(file_);
    open_ = false;
  }
  FileHandle handle() const { return file_; }

 private:
  Platform& platform_;
  FileHandle file_ = 0;
  bool open_ = false;
};

bool WriteAll(Platform& platform, FileHandle file, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    std::size_t written = 0;
    if (!platform.WriteFile(file, data.data() + done, data.size() - done,
                            &written) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return platform.FlushFile(file);
}

// Creates a new temporary file beside path; gives its name.
bool CreateTemporaryBeside(const std::string& path, ScopedFile* file,
                           std::string* temporary_path) {
  for (int n = 0; n < kTemporaryNameTries; ++n) {
    *temporary_path = path + ".~" + std::to_string(n);
    if (file->Open(*temporary_path, FileMode::kCreateNew)) return true;
  }
  return false;
}

}  // namespace

bool FileExists(Platform& platform, const std::string& path) {
  DirEntry entry;
  if (!platform.FindEntry(path, &entry)) return false;
  return !entry.is_directory && entry.local_write_year >= kFirstDosYear &&
         entry.local_write_year <= kLastDosYear;
}

std::string ReadWholeFile(Platform& platform, const std::string& path) {
  ScopedFile file(platform);
  if (!file.Open(path, FileMode::kReadExisting)) {
    throw EFOpenError("Cannot open file " + path);
  }
  // The chunks are joined once at the end, so that the text takes its own
  // size and no more: a growing string would hold up to twice that.
  std::vector<std::string> chunks;
  std::size_t total = 0;
  for (;;) {
    std::string chunk(kReadChunk, '\0');
    std::size_t got = 0;
    if (!platform.ReadFile(file.handle(), &chunk[0], chunk.size(), &got)) {
      throw EReadError("Stream read error");
    }
    if (got == 0) break;
    chunk.resize(got);
    total += got;
    chunks.push_back(std::move(chunk));
  }
  std::string contents;
  contents.reserve(total);
  for (const std::string& chunk : chunks) contents += chunk;
  return contents;
}

void ReplaceFileContents(Platform& platform, const std::string& path,
                         const std::string& contents) {
  // Prove that the file itself may be written before anything is written.
  {
    ScopedFile probe(platform);
    if (!probe.Open(path, FileMode::kWriteExisting)) {
      throw EFCreateError("Cannot create file " + path);
    }
  }
  ScopedFile temporary(platform);
  std::string temporary_path;
  if (!CreateTemporaryBeside(path, &temporary, &temporary_path)) {
    throw EFCreateError("Cannot create file " + path);
  }
  bool written = WriteAll(platform, temporary.handle(), contents);
  temporary.Close();
  if (!written) {
    platform.RemoveFile(temporary_path);
    throw EWriteError("Stream write error");
  }
  if (!platform.RenameOver(temporary_path, path)) {
    platform.RemoveFile(temporary_path);
    throw EFCreateError("Cannot create file " + path);
  }
}

}  // namespace korvinst
