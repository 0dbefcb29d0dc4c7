// The search-path rule over lists of 100 to 32,767 characters (the longest
// text a Delphi search path holds), beside one pass over the list's bytes;
// and the whole search-path phase over five such lists, in memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "bench/bench_support.h"
#include "searchpath/search_path.h"

namespace korvinst {
namespace bench {
namespace {

constexpr char kFolder[] = "C:\\LIB";

void Report(benchmark::State& state, std::size_t characters) {
  state.counters["items"] = static_cast<double>(characters);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(characters));
}

// The rule on a list that does not hold the folder, so every entry is read.
void BM_SearchPathRule(benchmark::State& state) {
  std::string list = SearchPathList(static_cast<std::size_t>(state.range(0)));
  bool holds = true;
  for (auto _ : state) {
    holds = ListHoldsFolder(list, kFolder);
    benchmark::DoNotOptimize(holds);
  }
  if (holds) state.SkipWithError("the list was taken to hold the folder");
  Report(state, list.size());
}

// Its limit: one pass over the list's bytes, counting its separators.
void BM_SearchPathRuleLimit(benchmark::State& state) {
  std::string list = SearchPathList(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(list.data());
    auto separators = std::count(list.begin(), list.end(), ';');
    benchmark::DoNotOptimize(separators);
  }
  Report(state, list.size());
}

// The phase: five targets, each list read, tested and written back longer.
void BM_SearchPathPhaseMemory(benchmark::State& state) {
  std::string list = SearchPathList(static_cast<std::size_t>(state.range(0)));
  const std::string user = "HKEY_CURRENT_USER\\Software\\Borland\\";
  const char* const targets[][2] = {
      {"Delphi\\2.0\\Library", "SearchPath"},
      {"Delphi\\3.0\\Library", "SearchPath"},
      {"C++Builder\\1.0\\Library", "SearchPath"},
      {"C++Builder\\3.0\\Library", "Search Path"},
      {"C++Builder\\1.0\\Debugging", "PathForSource"},
  };
  RegistryStore lists;
  for (const auto& target : targets) {
    RegistryStore::SetValue(lists.CreateKey(user + target[0]), target[1],
                            kRegSz, list + '\0');
  }
  MemoryPlatform platform;
  for (auto _ : state) {
    state.PauseTiming();
    platform.store() = lists;
    state.ResumeTiming();
    ExtendSearchPaths(platform, kFolder);
  }
  for (const auto& target : targets) {
    RegKey* key = platform.store().FindKey(user + target[0]);
    const RegValue* value =
        key == nullptr ? nullptr : RegistryStore::FindValue(key, target[1]);
    if (value == nullptr || value->data != list + ";C:\\LIB" + '\0') {
      state.SkipWithError("a list did not get the folder appended");
      break;
    }
  }
  Report(state, 5 * list.size());
}

void Sizes(benchmark::internal::Benchmark* bench) {
  bench->Arg(100)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(
      benchmark::kMicrosecond);
}

BENCHMARK(BM_SearchPathRule)->Apply(Sizes);
BENCHMARK(BM_SearchPathRuleLimit)->Apply(Sizes);
BENCHMARK(BM_SearchPathPhaseMemory)->Apply(Sizes);

}  // namespace
}  // namespace bench
}  // namespace korvinst
