// The stale-package purge over Known Packages lists of 10 to 100,000 values
// each, beside its limit: listing the two keys' value names and nothing else.
//
// Each list holds kStalePerList stale registrations, whatever its length, so
// that the work the purge must do (test every name, delete the stale ones)
// grows with the list and nothing else.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "packages/packages.h"
#include "platform/host/host_platform.h"
#include "registry/registry_scope.h"

namespace korvinst {
namespace bench {
namespace {

constexpr char kUserRoot[] = "HKEY_CURRENT_USER\\";

std::string UnderUser(const char* full_key) {
  return std::string(full_key).substr(sizeof(kUserRoot) - 1);
}

void ListBothKeys(Platform& platform) {
  for (const char* list_key : {kDelphiPackagesKey, kBuilderPackagesKey}) {
    RegistryScope registry(platform);
    if (!registry.OpenKey(UnderUser(list_key))) continue;
    std::vector<std::string> names;
    registry.GetValueNames(&names);
    benchmark::DoNotOptimize(names.data());
    benchmark::ClobberMemory();
  }
}

// True when each list holds its values but the stale ones.
bool PurgedAsExpected(const RegistryStore& store, std::size_t count) {
  for (const char* list_key : {kDelphiPackagesKey, kBuilderPackagesKey}) {
    const RegKey* key = store.FindKey(list_key);
    if (key == nullptr || key->values.size() != count - kStalePerList) {
      return false;
    }
  }
  return true;
}

void Report(benchmark::State& state, std::size_t count) {
  // An item is one value name, of either list.
  state.counters["items"] = static_cast<double>(2 * count);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2 *
                          static_cast<int64_t>(count));
}

// The run's purge on the host: the registry file read, both lists tested,
// each stale value deleted and the file saved after each delete.
void BM_PurgeHost(benchmark::State& state) {
  std::size_t count = static_cast<std::size_t>(state.range(0));
  TempMachine machine;
  std::string registry = KnownPackagesStore(count).ToRegedit4();
  for (auto _ : state) {
    state.PauseTiming();
    machine.Write("registry.reg", registry);
    state.ResumeTiming();
    HostPlatform platform(machine.folder(), "korvinst");
    PurgeStalePackages(platform);
  }
  if (!PurgedAsExpected(
          RegistryStore::FromRegedit4(machine.Read("registry.reg")), count)) {
    state.SkipWithError("the purge did not delete just the stale values");
  }
  Report(state, count);
}

// Its limit on the host: the registry file read and both lists listed.
void BM_PurgeHostLimit(benchmark::State& state) {
  std::size_t count = static_cast<std::size_t>(state.range(0));
  TempMachine machine;
  machine.Write("registry.reg", KnownPackagesStore(count).ToRegedit4());
  for (auto _ : state) {
    HostPlatform platform(machine.folder(), "korvinst");
    ListBothKeys(platform);
  }
  Report(state, count);
}

// The purge's own work, on a registry in memory.
void BM_PurgeMemory(benchmark::State& state) {
  std::size_t count = static_cast<std::size_t>(state.range(0));
  RegistryStore lists = KnownPackagesStore(count);
  MemoryPlatform platform;
  for (auto _ : state) {
    state.PauseTiming();
    platform.store() = lists;
    state.ResumeTiming();
    PurgeStalePackages(platform);
  }
  if (!PurgedAsExpected(platform.store(), count)) {
    state.SkipWithError("the purge did not delete just the stale values");
  }
  Report(state, count);
}

// Its limit in memory: both lists listed.
void BM_PurgeMemoryLimit(benchmark::State& state) {
  std::size_t count = static_cast<std::size_t>(state.range(0));
  MemoryPlatform platform;
  platform.store() = KnownPackagesStore(count);
  for (auto _ : state) ListBothKeys(platform);
  Report(state, count);
}

void Sizes(benchmark::internal::Benchmark* bench) {
  bench->RangeMultiplier(10)->Range(10, 100000)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_PurgeHost)->Apply(Sizes)->UseRealTime();
BENCHMARK(BM_PurgeHostLimit)->Apply(Sizes)->UseRealTime();
BENCHMARK(BM_PurgeMemory)->Apply(Sizes);
BENCHMARK(BM_PurgeMemoryLimit)->Apply(Sizes);

}  // namespace
}  // namespace bench
}  // namespace korvinst
