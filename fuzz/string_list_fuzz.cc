// Reading what was written gives the same lines, and the merge of any
// contents never fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "help/contents_merge.h"
#include "text/string_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvinst::TStringList lines;
  lines.SetText(std::string(reinterpret_cast<const char*>(data), size));
  std::string written = lines.Text();
  korvinst::TStringList again;
  again.SetText(written);
  if (again.Count() != lines.Count() || again.Text() != written) std::abort();
  for (std::size_t i = 0; i < lines.Count(); ++i) {
    if (again[i] != lines[i]) std::abort();
  }
  std::size_t before = lines.Count();
  bool added = korvinst::AddHelpIndexLine(&lines);
  if (lines.Count() != before + (added ? 1 : 0)) std::abort();
  return 0;
}
