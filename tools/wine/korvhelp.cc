// korvhelp: runs one end-to-end scenario of korvinst.exe on a Wine (or
// Windows) machine and reports what happened.
//
//   korvhelp.exe <input file> <output file>
//
// The input is a list of lines, one step each, every free text in hex (two
// digits a byte, "-" for none) so that spaces, quotes and bytes 128 to 255
// pass unchanged:
//
//   clear <view> <root> <hexpath>      delete a key and everything below it
//   key <view> <root> <hexpath>        create a key; later values go into it
//   value <hexname> <type> <hexdata>   set a value of the last key
//   readonly <view> <root> <hexpath>   let the key and its subkeys be read only
//   hold <hexpath>                     keep a file open without sharing
//   app <hexpath>                      the program file to start
//   cmdline <hex>                      its command line, byte for byte
//   cwd <hexpath>                      its current folder
//   press <how>                        how the next message box is closed:
//                                      ok, enter or escape (default ok)
//   timeout <milliseconds>
//   dump <view> <root> <hexpath>       report a key and everything below it
//
// <view> is 32 or 64 (the registry view), <root> HKLM or HKCU. Steps run in
// this order: clear, key/value, readonly, hold, the program, release of the
// held files, dump, and last the read-only keys get their access list back.
//
// The output has one line per fact:
//   message / caption <hex> / text <hex> / icon <none|stop|question|
//   exclamation|information|application|other|unknown> /
//   button <hex> / pressed <how> / end
//   exit <code>          or   timeout
//   key <view> <hexfullpath> / value <hexname> <type> <hexdata>
//   problem <hex>        a step of the helper itself failed
#define _WIN32_WINNT 0x0600
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::FILE* g_out = nullptr;

std::string ToHex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex.push_back(digits[c >> 4]);
    hex.push_back(digits[c & 15]);
  }
  return hex;
}

// A hex field of the output: "-" stands for no bytes, so that every line
// keeps its number of words.
std::string Field(const std::string& bytes) {
  return bytes.empty() ? "-" : ToHex(bytes);
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(
        static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  return bytes;
}

void Report(const std::string& line) {
  std::fprintf(g_out, "%s\n", line.c_str());
  std::fflush(g_out);
}

void Problem(const std::string& what, LONG code) {
  Report("problem " + Field(what + " (error " + std::to_string(code) + ")"));
}

struct KeyName {
  REGSAM view = KEY_WOW64_32KEY;
  HKEY root = HKEY_LOCAL_MACHINE;
  std::string root_name;
  std::string path;
  std::string view_name;
};

bool ParseKeyName(const std::vector<std::string>& words, KeyName* name) {
  if (words.size() < 4) return false;
  name->view_name = words[1];
  name->view = words[1] == "64" ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  if (words[2] == "HKCU") {
    name->root = HKEY_CURRENT_USER;
    name->root_name = "HKEY_CURRENT_USER";
  } else {
    name->root = HKEY_LOCAL_MACHINE;
    name->root_name = "HKEY_LOCAL_MACHINE";
  }
  name->path = FromHex(words[3]);
  return true;
}

// An access list that lets everyone read the key and nothing more.
struct ReadOnlyDescriptor {
  SECURITY_DESCRIPTOR sd;
  alignas(8) char acl_buffer[256];
  PSID everyone = nullptr;

  ReadOnlyDescriptor(DWORD rights) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0,
                             0, &everyone);
    PACL acl = reinterpret_cast<PACL>(acl_buffer);
    InitializeAcl(acl, sizeof(acl_buffer), ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, rights, everyone);
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
  }
  ~ReadOnlyDescriptor() { FreeSid(everyone); }
};

std::vector<std::string> SubkeyNames(HKEY key) {
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[1024];
    DWORD size = sizeof(name);
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(name, size);
  }
  return names;
}

// Gives a key (left read only by an earlier run, say) full access again.
void OpenUp(HKEY root, const std::string& path, REGSAM view) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC | view, &key) ==
      ERROR_SUCCESS) {
    ReadOnlyDescriptor open_to_all(KEY_ALL_ACCESS);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &open_to_all.sd);
    RegCloseKey(key);
  }
}

void DeleteTree(HKEY root, const std::string& path, REGSAM view) {
  OpenUp(root, path, view);
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) !=
      ERROR_SUCCESS) {
    return;  // nothing there
  }
  std::vector<std::string> children = SubkeyNames(key);
  RegCloseKey(key);
  for (const std::string& child : children) {
    DeleteTree(root, path + "\\" + child, view);
  }
  LONG result = RegDeleteKeyExA(root, path.c_str(), view, 0);
  if (result != ERROR_SUCCESS) Problem("cannot delete " + path, result);
}

// Saved access lists, given back to their keys after the run.
struct SavedSecurity {
  HKEY root;
  std::string path;
  REGSAM view;
  std::vector<char> descriptor;
};
std::vector<SavedSecurity> g_saved;

void MakeReadOnly(HKEY root, const std::string& path, REGSAM view) {
  HKEY key;
  LONG result = RegOpenKeyExA(root, path.c_str(), 0,
                              KEY_READ | WRITE_DAC | view, &key);
  if (result != ERROR_SUCCESS) {
    Problem("cannot open " + path + " to make it read only", result);
    return;
  }
  // Subkeys first: their access lists are their own.
  for (const std::string& child : SubkeyNames(key)) {
    MakeReadOnly(root, path + "\\" + child, view);
  }
  SavedSecurity saved{root, path, view, std::vector<char>(4096)};
  DWORD size = static_cast<DWORD>(saved.descriptor.size());
  if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION,
                        saved.descriptor.data(), &size) == ERROR_SUCCESS) {
    g_saved.push_back(saved);
  }
  ReadOnlyDescriptor read_only(KEY_READ);
  result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &read_only.sd);
  if (result != ERROR_SUCCESS) Problem("cannot protect " + path, result);
  RegCloseKey(key);
}

void RestoreSecurity() {
  for (auto it = g_saved.rbegin(); it != g_saved.rend(); ++it) {
    HKEY key;
    if (RegOpenKeyExA(it->root, it->path.c_str(), 0, WRITE_DAC | it->view,
                      &key) == ERROR_SUCCESS) {
      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION,
                        it->descriptor.data());
      RegCloseKey(key);
    }
  }
  g_saved.clear();
}

void DumpTree(HKEY root, const std::string& root_name, const std::string& path,
              REGSAM view, const std::string& view_name) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  Report("key " + view_name + " " + Field(root_name + "\\" + path));
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD name_size = sizeof(name);
    DWORD type = 0;
    std::vector<BYTE> data(1 << 16);
    DWORD data_size = static_cast<DWORD>(data.size());
    LONG result = RegEnumValueA(key, i, name, &name_size, nullptr, &type,
                                data.data(), &data_size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) {
      Problem("cannot list the values of " + path, result);
      break;
    }
    Report("value " + Field(std::string(name, name_size)) + " " +
           std::to_string(type) + " " +
           Field(std::string(reinterpret_cast<char*>(data.data()), data_size)));
  }
  std::vector<std::string> children = SubkeyNames(key);
  RegCloseKey(key);
  for (const std::string& child : children) {
    DumpTree(root, root_name, path + "\\" + child, view, view_name);
  }
}

// --- message boxes -------------------------------------------------------

struct Found {
  DWORD pid;
  std::vector<HWND> boxes;
};

BOOL CALLBACK FindBoxes(HWND window, LPARAM param) {
  Found* found = reinterpret_cast<Found*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof(cls));
  if (pid == found->pid && std::strcmp(cls, "#32770") == 0 &&
      IsWindowVisible(window)) {
    found->boxes.push_back(window);
  }
  return TRUE;
}

struct Controls {
  std::vector<std::string> texts;
  std::vector<std::string> buttons;
  std::vector<HWND> button_windows;
  std::string icon = "none";
};


// The icon that a static control shows, told by its picture on the screen:
// an icon's handle means nothing outside the process that loaded it, so the
// control's pixels are compared with the system icons drawn here.
std::vector<COLORREF> Pixels(HDC dc, int width, int height) {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc, x, y));
  }
  return pixels;
}

std::string IconOf(HWND control) {
  RECT rect;
  GetClientRect(control, &rect);
  int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
  if (rect.right < width || rect.bottom < height) return "unknown";
  POINT origin = {0, 0};
  ClientToScreen(control, &origin);
  HDC screen = GetDC(nullptr);
  HDC shot = CreateCompatibleDC(screen);
  HBITMAP shot_bitmap = CreateCompatibleBitmap(screen, width, height);
  SelectObject(shot, shot_bitmap);
  BitBlt(shot, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  std::vector<COLORREF> seen = Pixels(shot, width, height);
  COLORREF background = seen[0];
  struct Candidate {
    const char* name;
    LPCSTR id;
  } candidates[] = {{"stop", IDI_HAND},
                    {"question", IDI_QUESTION},
                    {"exclamation", IDI_EXCLAMATION},
                    {"information", IDI_ASTERISK},
                    {"application", IDI_APPLICATION}};
  std::string best = "other";
  std::size_t best_same = 0;
  for (const Candidate& candidate : candidates) {
    HDC paint = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    SelectObject(paint, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all = {0, 0, width, height};
    FillRect(paint, &all, brush);
    DeleteObject(brush);
    DrawIconEx(paint, 0, 0, LoadIconA(nullptr, candidate.id), width, height,
               0, nullptr, DI_NORMAL);
    std::vector<COLORREF> drawn = Pixels(paint, width, height);
    std::size_t same = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i) same += drawn[i] == seen[i];
    if (same > best_same) {
      best_same = same;
      best = candidate.name;
    }
    DeleteDC(paint);
    DeleteObject(bitmap);
  }
  DeleteDC(shot);
  DeleteObject(shot_bitmap);
  ReleaseDC(nullptr, screen);
  // Demand a near-perfect picture, not just the closest one.
  return best_same * 100 >= seen.size() * 98 ? best : "other";
}

BOOL CALLBACK ReadControl(HWND window, LPARAM param) {
  Controls* controls = reinterpret_cast<Controls*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof(cls));
  char text[4096] = {};
  int length = GetWindowTextA(window, text, sizeof(text));
  std::string caption(text, length > 0 ? length : 0);
  LONG style = GetWindowLongA(window, GWL_STYLE);
  if (lstrcmpiA(cls, "Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      HICON icon = reinterpret_cast<HICON>(
          SendMessageA(window, STM_GETICON, 0, 0));
      if (icon != nullptr) {
        controls->icon = IconOf(window);
      }
    } else if (!caption.empty()) {
      controls->texts.push_back(caption);
    }
  } else if (lstrcmpiA(cls, "Button") == 0) {
    controls->buttons.push_back(caption);
    controls->button_windows.push_back(window);
  }
  return TRUE;
}

// Records one box and closes it the way the scenario asks.
void HandleBox(HWND box, const std::string& how) {
  Report("message");
  char text[4096] = {};
  int length = GetWindowTextA(box, text, sizeof(text));
  Report("caption " + Field(std::string(text, length > 0 ? length : 0)));
  Controls controls;
  EnumChildWindows(box, ReadControl, reinterpret_cast<LPARAM>(&controls));
  std::string joined;
  for (const std::string& t : controls.texts) {
    if (!joined.empty()) joined += "\n";
    joined += t;
  }
  Report("text " + Field(joined));
  Report("icon " + controls.icon);
  for (const std::string& b : controls.buttons) Report("button " + Field(b));
  if (how == "escape" || how == "enter") {
    WPARAM key = how == "escape" ? VK_ESCAPE : VK_RETURN;
    PostMessageA(box, WM_KEYDOWN, key, 0);
    PostMessageA(box, WM_KEYUP, key, 0xC0000001);
  } else {
    HWND ok = GetDlgItem(box, IDOK);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(ok));
  }
  Report("pressed " + how);
  Report("end");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: korvhelp <input> <output>\n");
    return 2;
  }
  std::FILE* in = std::fopen(argv[1], "rb");
  g_out = std::fopen(argv[2], "wb");
  if (in == nullptr || g_out == nullptr) {
    std::fprintf(stderr, "korvhelp: cannot open the input or output file\n");
    return 2;
  }

  std::vector<std::vector<std::string>> steps;
  char line[1 << 16];
  while (std::fgets(line, sizeof(line), in) != nullptr) {
    std::vector<std::string> words;
    char* save = nullptr;
    for (char* w = strtok_r(line, " \r\n", &save); w != nullptr;
         w = strtok_r(nullptr, " \r\n", &save)) {
      words.emplace_back(w);
    }
    if (!words.empty()) steps.push_back(words);
  }
  std::fclose(in);

  std::string app, cmdline, cwd;
  std::vector<std::string> presses;
  DWORD timeout = 30000;
  std::vector<KeyName> dumps, protect;
  std::vector<std::string> holds;

  // Registry set-up comes first, in input order.
  HKEY current = nullptr;
  for (const auto& words : steps) {
    const std::string& verb = words[0];
    KeyName name;
    if (verb == "clear" && ParseKeyName(words, &name)) {
      DeleteTree(name.root, name.path, name.view);
    } else if (verb == "key" && ParseKeyName(words, &name)) {
      if (current != nullptr) RegCloseKey(current);
      current = nullptr;
      LONG result = RegCreateKeyExA(name.root, name.path.c_str(), 0, nullptr,
                                    0, KEY_ALL_ACCESS | name.view, nullptr,
                                    &current, nullptr);
      if (result != ERROR_SUCCESS) {
        Problem("cannot create " + name.path, result);
        current = nullptr;
      }
    } else if (verb == "value" && words.size() >= 3) {
      std::string value_name = FromHex(words[1]);
      DWORD type = static_cast<DWORD>(std::strtoul(words[2].c_str(), nullptr, 10));
      std::string data = words.size() > 3 ? FromHex(words[3]) : "";
      LONG result =
          current == nullptr
              ? ERROR_INVALID_HANDLE
              : RegSetValueExA(current, value_name.c_str(), 0, type,
                               reinterpret_cast<const BYTE*>(data.data()),
                               static_cast<DWORD>(data.size()));
      if (result != ERROR_SUCCESS) Problem("cannot set " + value_name, result);
    } else if (verb == "readonly" && ParseKeyName(words, &name)) {
      protect.push_back(name);
    } else if (verb == "hold" && words.size() >= 2) {
      holds.push_back(FromHex(words[1]));
    } else if (verb == "app" && words.size() >= 2) {
      app = FromHex(words[1]);
    } else if (verb == "cmdline") {
      cmdline = words.size() >= 2 ? FromHex(words[1]) : "";
    } else if (verb == "cwd" && words.size() >= 2) {
      cwd = FromHex(words[1]);
    } else if (verb == "press" && words.size() >= 2) {
      presses.push_back(words[1]);
    } else if (verb == "timeout" && words.size() >= 2) {
      timeout = static_cast<DWORD>(std::strtoul(words[1].c_str(), nullptr, 10));
    } else if (verb == "dump" && ParseKeyName(words, &name)) {
      dumps.push_back(name);
    }
  }
  if (current != nullptr) RegCloseKey(current);

  for (const KeyName& name : protect) {
    MakeReadOnly(name.root, name.path, name.view);
  }

  std::vector<HANDLE> held;
  for (const std::string& path : holds) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Problem("cannot hold " + path, static_cast<LONG>(GetLastError()));
    } else {
      held.push_back(file);
    }
  }

  if (!app.empty()) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::vector<char> line_buffer(cmdline.begin(), cmdline.end());
    line_buffer.push_back('\0');
    if (!CreateProcessA(app.c_str(), line_buffer.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, cwd.empty() ? nullptr : cwd.c_str(),
                        &startup, &process)) {
      Problem("cannot start " + app, static_cast<LONG>(GetLastError()));
    } else {
      std::vector<HWND> seen;
      std::size_t box_count = 0;
      DWORD waited = 0;
      bool finished = false;
      while (waited < timeout) {
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
          finished = true;
          break;
        }
        waited += 50;
        Found found{process.dwProcessId, {}};
        EnumWindows(FindBoxes, reinterpret_cast<LPARAM>(&found));
        for (HWND box : found.boxes) {
          bool known = false;
          for (HWND s : seen) known = known || s == box;
          if (known) continue;
          // Let the box finish drawing its controls.
          Sleep(100);
          seen.push_back(box);
          HandleBox(box, box_count < presses.size() ? presses[box_count]
                                                    : "ok");
          ++box_count;
        }
      }
      if (finished) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        Report("exit " + std::to_string(code));
      } else {
        TerminateProcess(process.hProcess, 255);
        WaitForSingleObject(process.hProcess, 5000);
        Report("timeout");
      }
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }

  for (HANDLE file : held) CloseHandle(file);

  for (const KeyName& name : dumps) {
    DumpTree(name.root, name.root_name, name.path, name.view, name.view_name);
  }
  RestoreSecurity();
  std::fclose(g_out);
  return 0;
}
