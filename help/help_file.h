// Finding Delphi 3.0, finding the library's help file, and recording the
// help file in the Windows Help table.
#pragma once

#include "app/install_context.h"
#include "platform/platform.h"

namespace korvinst {

// Fills the IDE root from the machine-wide Delphi 3.0 "RootDir".
void ReadIdeRoot(Platform& platform, TInstallContext* context);
// Fills the help folder with the first candidate folder holding the file.
void LocateHelpFile(Platform& platform, TInstallContext* context);
// Records the help folder under the help file's name; a failure is shown to
// the user and the run goes on.
void RegisterHelpFile(Platform& platform, const TInstallContext& context);

// The library's help file.
extern const char kHelpFileName[];
// The message shown when the Windows Help record cannot be written.
extern const char kNoAdminRightsMessage[];

}  // namespace korvinst
