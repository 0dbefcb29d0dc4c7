// Adding the library's help file to the Delphi 3.0 help index.
#pragma once

#include <string>

#include "app/install_context.h"
#include "platform/platform.h"
#include "text/string_list.h"

namespace korvinst {

// The index line that names the library's help file.
extern const char kHelpIndexLine[];

// Adds the index line to the IDE's contents file, once; leaves it alone when
// it already names the help file or when Delphi 3.0 has no root folder.
void MergeHelpContents(Platform& platform, const TInstallContext& context);

// Adds the index line to lines after the last index line, else as the fourth
// line, else as the last; false when the lines already name the help file.
bool AddHelpIndexLine(TStringList* lines);

}  // namespace korvinst
