#include "help/contents_merge.h"

#include <algorithm>

#include "files/files.h"
#include "help/help_file.h"
#include "text/text.h"

namespace korvinst {
namespace {

constexpr char kContentsFileName[] = "DELPHI3.CNT";
constexpr char kIndexDirective[] = ":INDEX";
// Without an index line the new line becomes the fourth.
constexpr std::size_t kDefaultAnchor = 2;

// A root comes from a "RootDir" of some text only when it is more than the
// "\" appended to it; without one there is no contents file to look for.
bool HasIdeRoot(const TInstallContext& context) {
  return context.ide_root.size() > 1;
}

}  // namespace

const char kHelpIndexLine[] = ":Index Korvane Vol I Reference =MIRADOC.HLP";

bool AddHelpIndexLine(TStringList* lines) {
  for (std::size_t i = 0; i < lines->Count(); ++i) {
    if (ContainsIgnoringCase(kHelpFileName, (*lines)[i])) return false;
  }
  std::size_t anchor = kDefaultAnchor;
  for (std::size_t i = 0; i < lines->Count(); ++i) {
    if (ContainsIgnoringCase(kIndexDirective, (*lines)[i])) anchor = i;
  }
  // A short file without an index line takes the line at its end.
  std::size_t at = std::min(anchor + 1, lines->Count());
  lines->Insert(at, kHelpIndexLine);
  return true;
}

void MergeHelpContents(Platform& platform, const TInstallContext& context) {
  if (!HasIdeRoot(context)) return;
  std::string path = context.ide_help_folder + kContentsFileName;
  if (!FileExists(platform, path)) return;
  TStringList lines;
  lines.SetText(ReadWholeFile(platform, path));
  if (!AddHelpIndexLine(&lines)) return;
  ReplaceFileContents(platform, path, lines.Text());
}

}  // namespace korvinst
