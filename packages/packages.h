// Registering the library's design packages with Delphi 3.0 and
// C++Builder 3.0, after purging registrations of earlier releases.
#pragma once

#include "app/install_context.h"
#include "platform/platform.h"

namespace korvinst {

// Deletes every stale registration from both Known Packages lists.
void PurgeStalePackages(Platform& platform);
// Registers each full set whose runtime and design files are present.
void RegisterPackages(Platform& platform, const TInstallContext& context);
// Registers each trial package present without any file of its full sets.
void RegisterTrialPackages(Platform& platform, const TInstallContext& context);

}  // namespace korvinst
