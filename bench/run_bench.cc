// The whole run on the typical machine: in this process over the host
// platform, and as a process of the real program.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "app/run.h"
#include "bench/bench_support.h"
#include "platform/host/host_platform.h"
#include "registry/registry_store.h"

extern char** environ;

namespace korvinst {
namespace bench {
namespace {

constexpr char kContentsPath[] = "drive_c/D3/Help/DELPHI3.CNT";

// True when the registry shows the typical run's results: the help record,
// both design packages, the stale and trial ones gone, both paths extended.
bool RanAsExpected(const TempMachine& machine) {
  RegistryStore store =
      RegistryStore::FromRegedit4(machine.Read("registry.reg"));
  auto text = [&](const std::string& key, const std::string& name) {
    RegKey* found = store.FindKey(key);
    RegValue* value =
        found == nullptr ? nullptr : RegistryStore::FindValue(found, name);
    return value == nullptr ? std::string("(none)") : value->data;
  };
  const std::string user = "HKEY_CURRENT_USER\\Software\\Borland\\";
  std::string end(1, '\0');
  return text("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help",
              "MIRADOC.HLP") == "C:\\LIB\\Help\\" + end &&
         text(user + "Delphi\\3.0\\Known Packages", "C:\\LIB\\KQV104_D.DPL") ==
             "Korvane Volume I components" + end &&
         text(user + "C++Builder\\3.0\\Known Packages",
              "C:\\LIB\\KQV104_D.BPL") == "Korvane Volume I components" + end &&
         text(user + "Delphi\\3.0\\Known Packages", "C:\\QV103\\QV103D.DPL") ==
             "(none)" &&
         text(user + "Delphi\\3.0\\Known Packages", "C:\\LIB\\KQV104_T.DPL") ==
             "(none)" &&
         text(user + "Delphi\\3.0\\Library", "SearchPath") ==
             "C:\\D3\\Lib;C:\\D3\\Bin;C:\\LIB" + end &&
         text(user + "C++Builder\\3.0\\Library", "Search Path") ==
             "$(BCB)\\lib;$(BCB)\\lib\\obj;C:\\LIB" + end &&
         machine.Read(kContentsPath).find(
             ":Index Korvane Vol I Reference =MIRADOC.HLP") !=
             std::string::npos;
}

void Restore(const TempMachine& machine) {
  machine.Write("registry.reg", TypicalRegistryText());
  machine.Write(kContentsPath, TypicalContentsFile());
}

// RunInstall over the host platform, in this process.
void BM_HostRunTypical(benchmark::State& state) {
  TempMachine machine;
  WriteTypicalMachine(machine.folder());
  std::vector<std::string> arguments = {"INSTALL", "C:\\LIB"};
  int status = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Restore(machine);
    state.ResumeTiming();
    HostPlatform platform(machine.folder(), "korvinst");
    status |= RunInstall(platform, arguments);
  }
  if (status != 0 || !RanAsExpected(machine)) {
    state.SkipWithError("the run did not end as the typical run does");
  }
}

// The program itself, started as a process: `korvinst INSTALL C:\LIB`.
void BM_HostRunProcess(benchmark::State& state) {
  TempMachine machine;
  WriteTypicalMachine(machine.folder());
  std::string program = KORVINST_PROGRAM;
  std::string verb = "INSTALL";
  std::string folder = "C:\\LIB";
  char* argv[] = {&program[0], &verb[0], &folder[0], nullptr};
  std::vector<std::string> variables = {"KORVINST_MACHINE=" + machine.folder()};
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (std::string(*variable).rfind("KORVINST_MACHINE=", 0) != 0) {
      variables.push_back(*variable);
    }
  }
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(&variable[0]);
  envp.push_back(nullptr);
  bool ok = true;
  for (auto _ : state) {
    state.PauseTiming();
    Restore(machine);
    state.ResumeTiming();
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv,
                    envp.data()) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      ok = false;
    }
  }
  if (!ok || !RanAsExpected(machine)) {
    state.SkipWithError("the program did not end as the typical run does");
  }
}

BENCHMARK(BM_HostRunTypical)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HostRunProcess)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
}  // namespace korvinst
