#include "searchpath/search_path.h"

#include "registry/registry_scope.h"
#include "text/text.h"

namespace korvinst {
namespace {

enum class PathRule { kAppend, kReplaceOne };

struct SearchPathTarget {
  const char* key;
  const char* value_name;
  PathRule rule;
};

constexpr SearchPathTarget kSearchPathTargets[] = {
    {"Software\\Borland\\Delphi\\2.0\\Library", "SearchPath",
     PathRule::kAppend},
    {"Software\\Borland\\Delphi\\3.0\\Library", "SearchPath",
     PathRule::kAppend},
    {"Software\\Borland\\C++Builder\\1.0\\Library", "SearchPath",
     PathRule::kAppend},
    {"Software\\Borland\\C++Builder\\3.0\\Library", "Search Path",
     PathRule::kAppend},
    {"Software\\Borland\\C++Builder\\1.0\\Debugging", "PathForSource",
     PathRule::kReplaceOne},
};

// A debugger source path of just "1" is a placeholder, not a folder list.
constexpr char kPlaceholderPath[] = "1";

void ExtendSearchPath(Platform& platform, const SearchPathTarget& target,
                      const std::string& folder_argument) {
  RegistryScope registry(platform);
  if (!registry.OpenKey(target.key)) return;
  std::string list = registry.ReadString(target.value_name);
  std::string folder = WithoutTrailingBackslash(folder_argument);
  if (target.rule == PathRule::kReplaceOne && list == kPlaceholderPath) {
    registry.WriteString(target.value_name, folder);
  } else if (!ListHoldsFolder(list, folder)) {
    registry.WriteString(target.value_name, list + ";" + folder);
  }
}

}  // namespace

bool ListHoldsFolder(const std::string& list, const std::string& folder) {
  std::size_t start = 0;
  for (;;) {
    std::size_t end = list.find(';', start);
    std::string entry = list.substr(start, end - start);
    if (EqualsIgnoringCase(WithoutTrailingBackslash(entry), folder)) {
      return true;
    }
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

void ExtendSearchPaths(Platform& platform, const std::string& folder_argument) {
  for (const SearchPathTarget& target : kSearchPathTargets) {
    ExtendSearchPath(platform, target, folder_argument);
  }
}

}  // namespace korvinst
