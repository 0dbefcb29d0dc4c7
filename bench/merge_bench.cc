// The contents-file merge over files of 10 to 1,000,000 lines, beside its
// limit: reading the file's bytes and writing them to a new file, as
// durably as the merge writes (the least any rewrite must do). And the peak
// memory of the 1,000,000-line merge, measured in a process of its own.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "bench/bench_support.h"
#include "help/contents_merge.h"
#include "platform/host/host_platform.h"
#include "text/string_list.h"

extern char** environ;

namespace korvinst {
namespace bench {

// The child's side of BM_MergePeakMemory; see bench_main.cc.
int MergePeakChild(const std::string& machine_folder);

namespace {

constexpr char kContentsPath[] = "drive_c/D3/Help/DELPHI3.CNT";
constexpr char kCopyPath[] = "drive_c/D3/Help/DELPHI3.NEW";
constexpr std::size_t kPeakLines = 1000000;

TInstallContext TypicalContext() {
  TInstallContext context;
  context.install_folder = "C:\\LIB\\";
  context.ide_root = "C:\\D3\\";
  context.ide_help_folder = "C:\\D3\\Help\\";
  context.help_folder = "C:\\LIB\\Help\\";
  return context;
}

void Report(benchmark::State& state, std::size_t lines, std::size_t bytes) {
  state.counters["items"] = static_cast<double>(lines);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(lines));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes));
}

// The merge on the host: the file tested, read, cut into lines, scanned,
// the line inserted, and the text written to a new file put in its place.
void BM_MergeHost(benchmark::State& state) {
  std::size_t lines = static_cast<std::size_t>(state.range(0));
  TempMachine machine;
  std::string contents = ContentsFile(lines);
  TInstallContext context = TypicalContext();
  for (auto _ : state) {
    state.PauseTiming();
    machine.Write(kContentsPath, contents);
    state.ResumeTiming();
    HostPlatform platform(machine.folder(), "korvinst");
    MergeHelpContents(platform, context);
  }
  std::string merged = machine.Read(kContentsPath);
  if (merged.size() != contents.size() + std::strlen(kHelpIndexLine) + 2 ||
      merged.find(kHelpIndexLine) == std::string::npos) {
    state.SkipWithError("the merge did not add the index line once");
  }
  Report(state, lines, contents.size());
}

// Its limit: the file's bytes read and written to a new file, flushed.
void BM_MergeHostLimit(benchmark::State& state) {
  std::size_t lines = static_cast<std::size_t>(state.range(0));
  TempMachine machine;
  std::string contents = ContentsFile(lines);
  machine.Write(kContentsPath, contents);
  std::string from = machine.PathOf(kContentsPath);
  std::string to = machine.PathOf(kCopyPath);
  std::string bytes;
  for (auto _ : state) {
    state.PauseTiming();
    unlink(to.c_str());
    state.ResumeTiming();
    int in = open(from.c_str(), O_RDONLY);
    struct stat st;
    if (in < 0 || fstat(in, &st) != 0) throw std::runtime_error("open " + from);
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
      ssize_t n = read(in, &bytes[got], bytes.size() - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    close(in);
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (out < 0) throw std::runtime_error("create " + to);
    std::size_t put = 0;
    while (put < got) {
      ssize_t n = write(out, bytes.data() + put, got - put);
      if (n <= 0) break;
      put += static_cast<std::size_t>(n);
    }
    fsync(out);
    close(out);
  }
  if (machine.Read(kCopyPath) != contents) {
    state.SkipWithError("the copy differs from the file");
  }
  Report(state, lines, contents.size());
}

// The merge's work on the text alone, in memory: cut into lines, scanned,
// the line inserted, joined again.
void BM_MergeMemory(benchmark::State& state) {
  std::size_t lines = static_cast<std::size_t>(state.range(0));
  std::string contents = ContentsFile(lines);
  std::size_t merged_size = 0;
  for (auto _ : state) {
    TStringList list;
    list.SetText(contents);
    AddHelpIndexLine(&list);
    std::string merged = list.Text();
    merged_size = merged.size();
    benchmark::DoNotOptimize(merged.data());
  }
  if (merged_size != contents.size() + std::strlen(kHelpIndexLine) + 2) {
    state.SkipWithError("the merge did not add the index line once");
  }
  Report(state, lines, contents.size());
}

// Its limit in memory: one copy of the text.
void BM_MergeMemoryLimit(benchmark::State& state) {
  std::size_t lines = static_cast<std::size_t>(state.range(0));
  std::string contents = ContentsFile(lines);
  for (auto _ : state) {
    std::string copy = contents;
    benchmark::DoNotOptimize(copy.data());
  }
  Report(state, lines, contents.size());
}

// Runs this program again as `--merge-peak <machine>`, so that its peak
// resident size is the merge's alone, and reports what it printed.
void BM_MergePeakMemory(benchmark::State& state) {
  TempMachine machine;
  std::string contents = ContentsFile(kPeakLines);
  long long rss_before_kb = 0, rss_after_kb = 0, heap_peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    machine.Write(kContentsPath, contents);
    state.ResumeTiming();
    std::string self = "/proc/self/exe";
    std::string mode = "--merge-peak";
    std::string folder = machine.folder();
    char* argv[] = {&self[0], &mode[0], &folder[0], nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start the measuring process");
      return;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    state.PauseTiming();
    std::string figures = machine.Read("peak.txt");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(figures.c_str(), "%lld %lld %lld", &rss_before_kb,
                    &rss_after_kb, &heap_peak) != 3) {
      state.SkipWithError("the measuring process failed");
      return;
    }
    state.ResumeTiming();
  }
  double file_bytes = static_cast<double>(contents.size());
  double rss_bytes = static_cast<double>(rss_after_kb - rss_before_kb) * 1024;
  state.counters["items"] = static_cast<double>(kPeakLines);
  state.counters["file_bytes"] = file_bytes;
  state.counters["peak_rss_bytes"] = rss_bytes;
  state.counters["peak_heap_bytes"] = static_cast<double>(heap_peak);
  state.counters["rss_per_file_byte"] = rss_bytes / file_bytes;
  state.counters["heap_per_file_byte"] =
      static_cast<double>(heap_peak) / file_bytes;
}

void Sizes(benchmark::internal::Benchmark* bench) {
  bench->RangeMultiplier(10)->Range(10, 1000000)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_MergeHost)->Apply(Sizes)->UseRealTime();
BENCHMARK(BM_MergeHostLimit)->Apply(Sizes)->UseRealTime();
BENCHMARK(BM_MergeMemory)->Apply(Sizes);
BENCHMARK(BM_MergeMemoryLimit)->Apply(Sizes);
BENCHMARK(BM_MergePeakMemory)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A "Vm...:" figure of /proc/self/status, in kB. VmHWM is the peak
// resident size of this process image; unlike getrusage's maxrss it does not
// carry over the parent's from before exec.
long long StatusKb(const char* field) {
  std::string status = ReadHostFile("/proc/self/status");
  std::size_t at = status.find(std::string(field) + ":");
  if (at == std::string::npos) throw std::runtime_error(field);
  return std::stoll(status.substr(at + std::string(field).size() + 1));
}

}  // namespace

int MergePeakChild(const std::string& machine_folder) {
  long long resident_before = StatusKb("VmRSS");
  HeapCounter::Start();
  {
    HostPlatform platform(machine_folder, "korvinst");
    MergeHelpContents(platform, TypicalContext());
  }
  std::size_t heap_peak = HeapCounter::Peak();
  HeapCounter::Stop();
  long long resident_peak = StatusKb("VmHWM");
  WriteHostFile(machine_folder + "/peak.txt",
                std::to_string(resident_before) + " " +
                    std::to_string(resident_peak) + " " +
                    std::to_string(heap_peak) + "\n");
  return 0;
}

}  // namespace bench
}  // namespace korvinst
