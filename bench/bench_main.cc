// korvinst_bench: the Google Benchmark runner, with two helper modes.
//   korvinst_bench [benchmark flags]          runs the benchmarks
//   korvinst_bench --merge-peak <machine>     merges that machine's contents
//       file and writes its peak memory to <machine>/peak.txt (started by
//       BM_MergePeakMemory, so that the figure is the merge's alone)
//   korvinst_bench --typical-machine <folder> writes the typical machine
//       into <folder> (registry.reg and drive_c/), for the run under Wine
#include <benchmark/benchmark.h>

#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "bench/bench_support.h"

namespace korvinst {
namespace bench {
int MergePeakChild(const std::string& machine_folder);
}  // namespace bench
}  // namespace korvinst

int main(int argc, char** argv) {
  try {
    if (argc == 3 && std::strcmp(argv[1], "--merge-peak") == 0) {
      return korvinst::bench::MergePeakChild(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--typical-machine") == 0) {
      korvinst::bench::WriteTypicalMachine(argv[2]);
      return 0;
    }
  } catch (const std::exception& error) {
    std::cerr << "korvinst_bench: " << error.what() << std::endl;
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
