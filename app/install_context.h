// The folders that the phases of one run share.
#pragma once

#include <string>

namespace korvinst {

struct TInstallContext {
  // The second argument, ending with "\".
  std::string install_folder;
  // The Delphi 3.0 root folder followed by "\"; empty when its key is missing.
  std::string ide_root;
  // The IDE root followed by "Help\"; set right before the contents merge.
  std::string ide_help_folder;
  // The folder holding the library's help file, ending with "\"; or empty.
  std::string help_folder;
};

}  // namespace korvinst
