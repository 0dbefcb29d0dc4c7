#include "bench/bench_support.h"

#include <malloc.h>
#include <stdlib.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <stdexcept>

#include "registry/registry_store.h"

namespace korvinst {
namespace bench {
namespace {

// The heap count; only on while a HeapCounter is started.
std::atomic<bool> counting{false};
std::atomic<long long> live_bytes{0};
std::atomic<long long> peak_bytes{0};

void Counted(void* block) {
  if (block == nullptr || !counting.load(std::memory_order_relaxed)) return;
  long long now = live_bytes.fetch_add(
                      static_cast<long long>(malloc_usable_size(block)),
                      std::memory_order_relaxed) +
                  static_cast<long long>(malloc_usable_size(block));
  long long peak = peak_bytes.load(std::memory_order_relaxed);
  while (now > peak &&
         !peak_bytes.compare_exchange_weak(peak, now,
                                           std::memory_order_relaxed)) {
  }
}

void Uncounted(void* block) {
  if (block == nullptr || !counting.load(std::memory_order_relaxed)) return;
  live_bytes.fetch_sub(static_cast<long long>(malloc_usable_size(block)),
                       std::memory_order_relaxed);
}

std::string Text(const std::string& text) { return text + '\0'; }

}  // namespace

void HeapCounter::Start() {
  live_bytes = 0;
  peak_bytes = 0;
  counting = true;
}

std::size_t HeapCounter::Peak() {
  return static_cast<std::size_t>(peak_bytes.load());
}

void HeapCounter::Stop() { counting = false; }

void WriteHostFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(
      std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TempMachine::TempMachine() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
      "/korvinst-bench-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) {
    throw std::runtime_error("cannot create a folder like " + pattern);
  }
  folder_ = pattern;
}

TempMachine::~TempMachine() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string TempMachine::PathOf(const std::string& relative) const {
  return folder_ + "/" + relative;
}

void TempMachine::Write(const std::string& relative,
                        const std::string& bytes) const {
  WriteHostFile(PathOf(relative), bytes);
}

std::string TempMachine::Read(const std::string& relative) const {
  return ReadHostFile(PathOf(relative));
}

const char kDelphiPackagesKey[] =
    "HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\3.0\\Known Packages";
const char kBuilderPackagesKey[] =
    "HKEY_CURRENT_USER\\Software\\Borland\\C++Builder\\3.0\\Known Packages";

std::vector<std::string> KnownPackageNames(const char* list_key,
                                           std::size_t count) {
  bool delphi = std::string(list_key) == kDelphiPackagesKey;
  const char* extension = delphi ? "dpl" : "bpl";
  std::vector<std::string> names;
  names.reserve(count);
  char name[96];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(name, sizeof(name), "C:\\Components\\Vendor%03zu\\Pack%zu\\pk%zud30.%s",
                  i % 97, i, i, extension);
    names.push_back(name);
  }
  // Stale registrations of the library: an earlier release and the trial.
  names[0] = delphi ? "C:\\QV103\\QV103D.DPL" : "C:\\QV103\\KQV103_T.BPL";
  names[count / 2] = delphi ? "C:\\LIB\\KQV104_T.DPL" : "C:\\LIB\\KQV104_T.BPL";
  return names;
}

RegistryStore KnownPackagesStore(std::size_t count) {
  RegistryStore store;
  for (const char* list_key : {kDelphiPackagesKey, kBuilderPackagesKey}) {
    RegKey* key = store.CreateKey(list_key);
    std::size_t n = 0;
    for (const std::string& name : KnownPackageNames(list_key, count)) {
      RegistryStore::SetValue(key, name, kRegSz,
                              Text("Vendor components " + std::to_string(n++)));
    }
  }
  return store;
}

std::string ContentsFile(std::size_t line_count) {
  std::string text;
  text.reserve(line_count * 30);
  char line[96];
  for (std::size_t i = 0; i < line_count; ++i) {
    if (i == 0) {
      text += ":Base delphi3.hlp>main";
    } else if (i == 1) {
      text += ":Title Delphi 3 Help";
    } else if (i % 50 == 2) {
      std::snprintf(line, sizeof(line), ":Index Reference %zu =ref%zu.hlp",
                    i / 50, i / 50);
      text += line;
    } else if (i % 7 == 0) {
      std::snprintf(line, sizeof(line), "1 Chapter %zu", i);
      text += line;
    } else {
      std::snprintf(line, sizeof(line), "2 Topic %zu=topic_%zu", i, i);
      text += line;
    }
    text += "\r\n";
  }
  return text;
}

std::string SearchPathList(std::size_t length) {
  std::string list;
  for (std::size_t i = 0; list.size() < length; ++i) {
    if (!list.empty()) list += ';';
    list += "C:\\Components\\Vendor" + std::to_string(i) + "\\Lib";
  }
  list.resize(length);
  return list;
}

std::string TypicalRegistryText() {
  RegistryStore store;
  auto text = [&](const std::string& key, const std::string& name,
                  const std::string& value) {
    RegistryStore::SetValue(store.CreateKey(key), name, kRegSz, Text(value));
  };
  const std::string user = "HKEY_CURRENT_USER\\Software\\Borland\\";
  text(user + "C++Builder\\3.0\\Known Packages",
       "C:\\CBuilder3\\Bin\\dclstd35.bpl", "Borland Standard Components");
  text(user + "C++Builder\\3.0\\Library", "Search Path",
       "$(BCB)\\lib;$(BCB)\\lib\\obj");
  text(user + "Delphi\\3.0\\Known Packages", "C:\\D3\\Bin\\dclstd30.dpl",
       "Borland Standard Components");
  text(user + "Delphi\\3.0\\Known Packages", "C:\\QV103\\QV103D.DPL",
       "Korvane Volume I components");
  text(user + "Delphi\\3.0\\Known Packages", "C:\\LIB\\KQV104_T.DPL",
       "Korvane Volume I (trial-run)");
  text(user + "Delphi\\3.0\\Library", "SearchPath", "C:\\D3\\Lib;C:\\D3\\Bin");
  text("HKEY_LOCAL_MACHINE\\Software\\Borland\\Delphi\\3.0", "RootDir",
       "C:\\D3");
  return store.ToRegedit4();
}

std::string TypicalContentsFile() {
  return ":Base delphi3.hlp>main\r\n"
         ":Title Delphi 3 Help\r\n"
         ":Index Delphi 3 Reference =delphi3.hlp\r\n"
         ":Index VCL Reference =vcl3.hlp\r\n"
         ":Include delphi3.toc\r\n";
}

void WriteTypicalMachine(const std::string& folder) {
  WriteHostFile(folder + "/registry.reg", TypicalRegistryText());
  WriteHostFile(folder + "/drive_c/D3/Help/DELPHI3.CNT", TypicalContentsFile());
  WriteHostFile(folder + "/drive_c/LIB/Help/MIRADOC.HLP", "help file\r\n");
  for (const char* package :
       {"KQV104_R.DPL", "KQV104_D.DPL", "KQV104_R.BPL", "KQV104_D.BPL"}) {
    WriteHostFile(folder + "/drive_c/LIB/" + package, "package\r\n");
  }
}

}  // namespace bench
}  // namespace korvinst

// Every heap block of the program passes here, so that HeapCounter can see
// it; while it is not started only a flag is read.
void* operator new(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  korvinst::bench::Counted(block);
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  void* block = std::malloc(size == 0 ? 1 : size);
  korvinst::bench::Counted(block);
  return block;
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept {
  korvinst::bench::Uncounted(block);
  std::free(block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept {
  operator delete(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  operator delete(block);
}
