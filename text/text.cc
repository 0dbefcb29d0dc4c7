#include "text/text.h"

namespace korvinst {

std::string UpperAscii(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::string LowerAscii(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool ContainsIgnoringCase(const std::string& needle,
                          const std::string& haystack) {
  if (needle.empty()) return false;
  return UpperAscii(haystack).find(UpperAscii(needle)) != std::string::npos;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return UpperAscii(a) == UpperAscii(b);
}

std::string WithTrailingBackslash(const std::string& folder) {
  if (!folder.empty() && folder.back() == '\\') return folder;
  return folder + "\\";
}

std::string WithoutTrailingBackslash(const std::string& folder) {
  if (folder.size() > 3 && folder.back() == '\\') {
    return folder.substr(0, folder.size() - 1);
  }
  return folder;
}

}  // namespace korvinst
