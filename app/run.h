// The run: the argument test, the phases in their fixed order, and the
// top-level report of an error that ends it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace korvinst {

// Runs the whole integration; arguments follow the program's own path.
// Gives the exit status: 0 after a normal or empty run, 1 after an error.
int RunInstall(Platform& platform, const std::vector<std::string>& arguments);

// The program's title: its file name without folder and without everything
// from the first "." on, every letter after the first in lower case.
std::string ProgramTitle(const std::string& program_path);

// The text of the report of an error that ended the run.
std::string FormatErrorReport(const std::string& class_name,
                              const std::string& module_name,
                              std::uintptr_t offset,
                              const std::string& message);

}  // namespace korvinst
