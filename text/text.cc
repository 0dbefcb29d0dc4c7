#include "text/text.h"

#include <algorithm>

namespace korvinst {
namespace {

char UpperAsciiChar(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameIgnoringCase(char a, char b) {
  return UpperAsciiChar(a) == UpperAsciiChar(b);
}

}  // namespace

std::string UpperAscii(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) c = UpperAsciiChar(c);
  return upper;
}

std::string LowerAscii(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool ContainsIgnoringCase(std::string_view needle, std::string_view haystack) {
  if (needle.empty()) return false;
  // Compared byte by byte, without upper-cased copies of long texts.
  return std::search(haystack.begin(), haystack.end(), needle.begin(),
                     needle.end(), SameIgnoringCase) != haystack.end();
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), SameIgnoringCase);
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
