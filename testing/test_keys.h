// Registry paths that the tests set up and inspect.
#pragma once

namespace korvinst {
namespace test {

constexpr char kHkcu[] = "HKEY_CURRENT_USER\\";
constexpr char kHklm[] = "HKEY_LOCAL_MACHINE\\";
constexpr char kDelphi3[] =
    "HKEY_LOCAL_MACHINE\\Software\\Borland\\Delphi\\3.0";
constexpr char kWindowsHelp[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help";
constexpr char kDelphiPackages[] =
    "HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\3.0\\Known Packages";
constexpr char kBuilderPackages[] =
    "HKEY_CURRENT_USER\\Software\\Borland\\C++Builder\\3.0\\Known Packages";
constexpr char kDelphi2Library[] =
    "HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\2.0\\Library";
constexpr char kDelphi3Library[] =
    "HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\3.0\\Library";
constexpr char kBuilder1Library[] =
    "HKEY_CURRENT_USER\\Software\\Borland\\C++Builder\\1.0\\Library";
constexpr char kBuilder3Library[] =
    "HKEY_CURRENT_USER\\Software\\Borland\\C++Builder\\3.0\\Library";
constexpr char kBuilder1Debugging[] =
    "HKEY_CURRENT_USER\\Software\\Borland\\C++Builder\\1.0\\Debugging";

}  // namespace test
}  // namespace korvinst
