// File operations with the program's own meaning, built on the platform.
#pragma once

#include <string>

#include "platform/platform.h"

namespace korvinst {

// True when a directory search for the exact path finds a file, not a
// folder, whose last write lies within the DOS date range 1980 to 2107.
bool FileExists(Platform& platform, const std::string& path);

// Reads the whole file, opened without sharing. Throws EFOpenError when it
// cannot be opened and EReadError when reading fails.
std::string ReadWholeFile(Platform& platform, const std::string& path);

// Replaces the file's bytes with contents so that a reader sees either the
// old file or the new one. Throws EFCreateError when the file cannot be
// opened for writing or replaced, EWriteError when writing stops short; the
// old file is then untouched and no temporary file is left behind.
void ReplaceFileContents(Platform& platform, const std::string& path,
                         const std::string& contents);

}  // namespace korvinst
