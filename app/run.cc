#include "app/run.h"

#include <cstdio>
#include <new>

#include "app/command_line.h"
#include "app/install_context.h"
#include "help/contents_merge.h"
#include "help/help_file.h"
#include "packages/packages.h"
#include "platform/errors.h"
#include "searchpath/search_path.h"
#include "text/text.h"

namespace korvinst {
namespace {

constexpr char kVerb[] = "INSTALL";
constexpr std::size_t kMaxFolderLength = 256;
constexpr std::size_t kMaxReportLength = 1024;

void RunPhases(Platform& platform, const std::string& folder_argument) {
  if (folder_argument.size() > kMaxFolderLength) {
    throw EArgumentError("Command-line argument longer than 256 characters");
  }
  TInstallContext context;
  context.install_folder = WithTrailingBackslash(folder_argument);
  ReadIdeRoot(platform, &context);
  LocateHelpFile(platform, &context);
  if (!context.help_folder.empty()) {
    context.ide_help_folder = context.ide_root + "Help\\";
    MergeHelpContents(platform, context);
    RegisterHelpFile(platform, context);
  }
  PurgeStalePackages(platform);
  RegisterPackages(platform, context);
  ExtendSearchPaths(platform, folder_argument);
  RegisterTrialPackages(platform, context);
}

std::string FileNameOf(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ReportError(Platform& platform, const char* class_name,
                 const void* address, const std::string& message) {
  std::string module_path;
  std::uintptr_t offset = 0;
  if (!platform.ModuleOfAddress(address, &module_path, &offset)) {
    module_path = platform.ProgramPath();
  }
  std::string text =
      FormatErrorReport(class_name, FileNameOf(module_path), offset, message);
  platform.ShowMessage(ProgramTitle(platform.ProgramPath()), text,
                       BoxKind::kStopTaskModal);
}

}  // namespace

std::string ProgramTitle(const std::string& program_path) {
  std::string name = FileNameOf(program_path);
  name = name.substr(0, name.find('.'));
  if (name.size() > 1) name = name.substr(0, 1) + LowerAscii(name.substr(1));
  return name;
}

std::string FormatErrorReport(const std::string& class_name,
                              const std::string& module_name,
                              std::uintptr_t offset,
                              const std::string& message) {
  char address[16];
  std::snprintf(address, sizeof(address), "%08lX",
                static_cast<unsigned long>(offset));
  bool needs_stop = !message.empty() && message.back() != '.';
  std::string text = "Exception " + class_name + " in module " + module_name +
                     " at " + address + ".\n" + message +
                     (needs_stop ? "." : "");
  if (text.size() > kMaxReportLength) text.resize(kMaxReportLength);
  return text;
}

int RunInstall(Platform& platform, const std::vector<std::string>& arguments) {
  if (CountArguments(arguments) < 2) return 0;
  if (!ContainsIgnoringCase(kVerb, arguments[0])) return 0;
  try {
    RunPhases(platform, arguments[1]);
  } catch (const Exception& error) {
    ReportError(platform, error.ClassName(), error.Address(), error.Message());
    return 1;
  } catch (const std::bad_alloc&) {
    ReportError(platform, "EOutOfMemory", nullptr, "Out of memory");
    return 1;
  }
  return 0;
}

}  // namespace korvinst
