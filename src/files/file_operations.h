// The fixed file sets that recognise an installation, data directories and single-file copies.
#pragma once

#include <string>

namespace orx {

// The installation marker: a directory holding it is an installation directory.
inline constexpr const char kInstallationMarker[] = "orx.inf";
// The settings file of every installation directory.
inline constexpr const char kSettingsFileName[] = "orx.ini";
// The two shared data files a workgroup server holds in its Data directory.
inline constexpr const char kClientProjectFile[] = "ClientProject.txt";
inline constexpr const char kCategoryActivityFile[] = "CategoryActivity.txt";

// True when every name of the installation marker set exists as a file in dir.
bool HasInstallationMarker(const std::string& dir);
// True when "orx.ini", "Data\ClientProject.txt" and "Data\CategoryActivity.txt" all exist in dir.
bool HasSharedFileSet(const std::string& dir);
// True for the empty path; otherwise makes sure dir and its Data sub-directory exist.
bool EnsureDataDirectory(const std::string& dir);
// Copies source over target, creating the target's directory first when it is missing.
bool CopyOneFile(const std::string& source, const std::string& target);
// Creates a directory with all its missing parents. Raises "Unable to create directory" for the
// empty path; every other problem is a false result.
bool MakeDirectoryPath(const std::string& path);

}  // namespace orx
