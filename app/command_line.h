// Splitting and counting the process's arguments.
#pragma once

#include <string>
#include <vector>

namespace korvinst {

// Splits a whole command line into its items, the program's own path first.
// Items are separated by runs of bytes 1 to 32; a double quote opens a
// stretch that runs to the next double quote or to the end, inside which
// separators belong to the item; the quotes are dropped; an empty pair of
// quotes before an item is skipped. An item that comes out empty is kept, so
// that the count can stop at it.
std::vector<std::string> SplitCommandLine(const std::string& command_line);

// The number of arguments before the first empty one.
std::size_t CountArguments(const std::vector<std::string>& arguments);

}  // namespace korvinst
