// Appending the library folder to the IDEs' search paths.
#pragma once

#include <string>

#include "platform/platform.h"

namespace korvinst {

// Appends the folder given on the command line to each present IDE's list.
void ExtendSearchPaths(Platform& platform, const std::string& folder_argument);

// True when one ";"-separated entry of list names folder: equal once
// upper-cased, one trailing "\" of an entry longer than 3 ignored.
bool ListHoldsFolder(const std::string& list, const std::string& folder);

}  // namespace korvinst
