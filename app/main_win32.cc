// The program's entry on Windows: a GUI program without a window of its own.
#include <windows.h>

#include "app/command_line.h"
#include "app/run.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::vector<std::string> items =
      korvinst::SplitCommandLine(GetCommandLineA());
  // The first item is the program's own path.
  if (!items.empty()) items.erase(items.begin());
  korvinst::Win32Platform platform;
  return korvinst::RunInstall(platform, items);
}
