#include "help/help_file.h"

#include <string>

#include "app/run.h"
#include "files/files.h"
#include "platform/errors.h"
#include "registry/registry_scope.h"

namespace korvinst {
namespace {

constexpr char kDelphiKey[] = "Software\\Borland\\Delphi\\3.0";
constexpr char kRootDirValue[] = "RootDir";
constexpr char kWindowsHelpKey[] = "SOFTWARE\\Microsoft\\Windows\\Help";
// Folders below the install folder that may hold the help file, in order.
constexpr const char* kHelpCandidates[] = {"", "Help\\", "Help\\Delphi\\"};

}  // namespace

const char kHelpFileName[] = "MIRADOC.HLP";
const char kNoAdminRightsMessage[] =
    "Setup has detected that you do not have administrator rights on this "
    "machine. Integrated help cannot be installed.";

void ReadIdeRoot(Platform& platform, TInstallContext* context) {
  RegistryScope registry(platform);
  registry.SetRoot(RootKey::kLocalMachine);
  if (registry.OpenKey(kDelphiKey)) {
    context->ide_root = registry.ReadString(kRootDirValue) + "\\";
  } else {
    context->ide_root.clear();
  }
}

void LocateHelpFile(Platform& platform, TInstallContext* context) {
  context->help_folder.clear();
  for (const char* candidate : kHelpCandidates) {
    std::string folder = context->install_folder + candidate;
    if (FileExists(platform, folder + kHelpFileName)) {
      context->help_folder = folder;
      return;
    }
  }
}

void RegisterHelpFile(Platform& platform, const TInstallContext& context) {
  RegistryScope registry(platform);
  registry.SetRoot(RootKey::kLocalMachine);
  try {
    // Whether the key opened shows in the write: with no key open it fails.
    registry.OpenOrCreateKey(kWindowsHelpKey);
    registry.WriteString(kHelpFileName, context.help_folder);
  } catch (const Exception&) {
    platform.ShowMessage(ProgramTitle(platform.ProgramPath()),
                         kNoAdminRightsMessage, BoxKind::kPlainOk);
  }
}

}  // namespace korvinst
