// The program's entry on Linux, where the machine is emulated in a folder.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/run.h"
#include "platform/host/host_platform.h"
#include "registry/registry_store.h"

namespace {

// The emulated machine used when KORVINST_MACHINE names none.
constexpr char kDefaultMachineFolder[] = "/.korvinst-machine";

std::string MachineFolder() {
  const char* named = std::getenv("KORVINST_MACHINE");
  if (named != nullptr && *named != '\0') return named;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + kDefaultMachineFolder;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    korvinst::HostPlatform platform(MachineFolder(), argv[0]);
    return korvinst::RunInstall(platform, arguments);
  } catch (const korvinst::RegistryFileError& error) {
    std::cerr << "korvinst: " << error.what() << std::endl;
    return 1;
  }
}
