// Text rules shared by every phase. Texts are 8-bit ANSI; only the letters
// a to z and A to Z have a case.
#pragma once

#include <string>
#include <string_view>

namespace korvinst {

// Changes a to z into A to Z and leaves every other byte alone.
std::string UpperAscii(const std::string& text);
// Changes A to Z into a to z and leaves every other byte alone.
std::string LowerAscii(const std::string& text);
// True when needle occurs in haystack, both upper-cased; an empty needle
// is never found.
bool ContainsIgnoringCase(std::string_view needle, std::string_view haystack);
// True when both texts are equal once upper-cased.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// The folder text with a "\" appended when it does not end with one.
std::string WithTrailingBackslash(const std::string& folder);
// The folder text without one trailing "\" when it is longer than 3
// characters, so that a drive root such as C:\ keeps its "\".
std::string WithoutTrailingBackslash(const std::string& folder);

}  // namespace korvinst
