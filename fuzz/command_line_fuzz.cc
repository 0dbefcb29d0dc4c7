// Splits any command line and runs it on an empty machine: no crash, quotes
// dropped, the count rule kept, no folder beyond the length limit used.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/command_line.h"
#include "app/run.h"
#include "testing/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> items = korvinst::SplitCommandLine(line);
  std::size_t total = 0;
  for (const std::string& item : items) {
    if (item.find('"') != std::string::npos) std::abort();
    total += item.size();
  }
  if (total > line.size()) std::abort();
  if (korvinst::CountArguments(items) > items.size()) std::abort();
  if (items.empty()) return 0;
  items.erase(items.begin());
  korvinst::FakePlatform platform;
  int status = korvinst::RunInstall(platform, items);
  if (status != 0 && status != 1) std::abort();
  bool runs = korvinst::CountArguments(items) >= 2 &&
              platform.calls.size() + platform.messages.size() > 0;
  if (runs && items[1].size() > 256 &&
      (status != 1 || platform.calls.size() != 1)) {
    std::abort();
  }
  return 0;
}
