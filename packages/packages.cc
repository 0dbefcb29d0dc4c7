#include "packages/packages.h"

#include <string>
#include <vector>

#include "files/files.h"
#include "registry/registry_scope.h"
#include "text/text.h"

namespace korvinst {
namespace {

constexpr char kDelphiPackages[] =
    "Software\\Borland\\Delphi\\3.0\\Known Packages";
constexpr char kBuilderPackages[] =
    "Software\\Borland\\C++Builder\\3.0\\Known Packages";

constexpr const char* kKnownPackagesKeys[] = {kDelphiPackages,
                                              kBuilderPackages};

// Upper case already, as the containment test compares upper-cased texts.
constexpr const char* kStalePackageNames[] = {
    "QV100D.DPL",   "QVDB100D.DPL", "QV101D.DPL",   "QVDB101D.DPL",
    "QV102D.DPL",   "QVDB102D.DPL", "QV103D.DPL",   "QVDB103D.DPL",
    "QVTR100.DPL",  "QVTR101.DPL",  "KQV102_T.DPL", "KQV103_T.DPL",
    "KQV103_T.BPL", "KQV104_T.DPL", "KQV104_T.BPL",
};

constexpr char kFullDescription[] = "Korvane Volume I components";
constexpr char kDbDescription[] = "Korvane Volume I (db) components";
constexpr char kTrialDescription[] = "Korvane Volume I (trial-run)";

struct PackageRow {
  const char* runtime_file;
  const char* design_file;
  const char* list_key;
  const char* description;
};

constexpr PackageRow kPackageRows[] = {
    {"KQV104_R.DPL", "KQV104_D.DPL", kDelphiPackages, kFullDescription},
    {"KQV104_R.BPL", "KQV104_D.BPL", kBuilderPackages, kFullDescription},
    {"KQV104BR.DPL", "KQV104BD.DPL", kDelphiPackages, kDbDescription},
    {"KQV104BR.BPL", "KQV104BD.BPL", kBuilderPackages, kDbDescription},
};

struct TrialRow {
  const char* blocking_files[4];
  const char* trial_file;
  const char* list_key;
};

constexpr TrialRow kTrialRows[] = {
    {{"KQV104_R.DPL", "KQV104_D.DPL", "KQV104BR.DPL", "KQV104BD.DPL"},
     "KQV104_T.DPL",
     kDelphiPackages},
    {{"KQV104_R.BPL", "KQV104_D.BPL", "KQV104BR.BPL", "KQV104BD.BPL"},
     "KQV104_T.BPL",
     kBuilderPackages},
};

void PurgeList(Platform& platform, const char* list_key) {
  RegistryScope registry(platform);
  if (!registry.OpenKey(list_key)) return;
  std::vector<std::string> names;
  registry.GetValueNames(&names);
  for (const std::string& name : names) {
    std::string upper_name = UpperAscii(name);
    for (const char* stale : kStalePackageNames) {
      // A name matching twice is deleted twice; the second delete fails, as
      // does every delete in a key open for reading only, and is no error.
      if (upper_name.find(std::string("\\") + stale) != std::string::npos) {
        registry.DeleteValue(name);
      }
    }
  }
}

void RegisterPackage(Platform& platform, const std::string& list_key,
                     const std::string& package_path,
                     const std::string& description) {
  RegistryScope registry(platform);
  if (registry.OpenKey(list_key)) {
    registry.WriteString(package_path, description);
  }
}

bool AnyFileExists(Platform& platform, const std::string& folder,
                   const char* const (&files)[4]) {
  for (const char* file : files) {
    if (FileExists(platform, folder + file)) return true;
  }
  return false;
}

}  // namespace

void PurgeStalePackages(Platform& platform) {
  for (const char* list_key : kKnownPackagesKeys) PurgeList(platform, list_key);
}

void RegisterPackages(Platform& platform, const TInstallContext& context) {
  const std::string& folder = context.install_folder;
  for (const PackageRow& row : kPackageRows) {
    if (FileExists(platform, folder + row.runtime_file) &&
        FileExists(platform, folder + row.design_file)) {
      RegisterPackage(platform, row.list_key, folder + row.design_file,
                      row.description);
    }
  }
}

void RegisterTrialPackages(Platform& platform, const TInstallContext& context) {
  const std::string& folder = context.install_folder;
  for (const TrialRow& row : kTrialRows) {
    if (!AnyFileExists(platform, folder, row.blocking_files) &&
        FileExists(platform, folder + row.trial_file)) {
      RegisterPackage(platform, row.list_key, folder + row.trial_file,
                      kTrialDescription);
    }
  }
}

}  // namespace korvinst
