// The fixed file sets that recognise an installation, data directories and single-file copies.
#pragma once

#include <optional>
#include <string>

namespace orx {

// The installation marker: a directory holding it is an installation directory.
inline constexpr const char kInstallationMarker[] = "orx.inf";
// The settings file of every installation directory.
inline constexpr const char kSettingsFileName[] = "orx.ini";
// The two shared data files a workgroup server holds in its Data directory.
inline constexpr const char kClientProjectFile[] = "ClientProject.txt";
inline constexpr const char kCategoryActivityFile[] = "CategoryActivity.txt";

// True when every name of the installation marker set exists as a file in dir. A look that fails
// (otherwise than "not found") raises EFOpenError "Cannot open file %s" for that file, and so does
// one in HasSharedFileSet.
bool HasInstallationMarker(const std::string& dir);
// True when "orx.ini", "Data\ClientProject.txt" and "Data\CategoryActivity.txt" all exist in dir.
bool HasSharedFileSet(const std::string& dir);
// True for the empty path; otherwise makes sure dir and its Data sub-directory exist. A directory
// that cannot be looked at is a false result, here and in the copies and MakeDirectoryPath below.
bool EnsureDataDirectory(const std::string& dir);
// What a look-up of a name finds in a listing of its folder, where each entry shows its own name.
enum class OwnEntry { kNone, kFound, kOther };
// Looks path up in a listing of its folder: kFound with the entry's attribute flags when the entry
// path reaches has path's name as its own (in any letter case); kOther when path reaches another
// entry through that one's short (8.3) alias, or the folder cannot be listed; kNone for no entry.
OwnEntry FindOwnEntry(const std::string& path, unsigned* attributes);
// Whether a copy replaces a file that is already there.
enum class ExistingFile { kReplace, kKeep };
// Copies source to target whole or not at all: the bytes go to a temporary name beside the target,
// which then takes the target's name in one step. kReplace replaces an existing target (a read-only
// one or a directory is a failure); kKeep leaves an existing target as it is and counts that as
// done, also when another process places it meanwhile. A file that the target's name reaches only
// through its short (8.3) alias is another file: it is neither replaced nor taken for the copy.
// True when the target holds a whole copy.
bool CopyFileWhole(const std::string& source, const std::string& target, ExistingFile existing);
// CopyFileWhole over a target as the caller has just found it, in a listing of its folder say:
// the entry's attribute flags, or nullopt for no entry of that name. Nothing more is looked up
// unless an entry of that name has appeared meanwhile.
bool CopyFileWhole(const std::string& source, const std::string& target, ExistingFile existing,
                   std::optional<unsigned> found);
// CopyFileWhole, creating the target's directory first when it is missing.
bool CopyOneFile(const std::string& source, const std::string& target,
                 ExistingFile existing = ExistingFile::kReplace);
// Creates a directory with all its missing parents; a directory that another process makes at the
// same moment counts as made. Raises "Unable to create directory" for the empty path; every other
// problem is a false result.
bool MakeDirectoryPath(const std::string& path);

}  // namespace orx
