// Directory tree copies, the test for a tree holding files, and dated backup folders.
#pragma once

#include <string>

#include "platform/platform.h"

namespace orx {

// The prefix of every backup folder's name; the last character is a blank.
inline constexpr const char kBackupFolderPrefix[] = "ORX Backup ";

// Copies the tree under source, as it was listed before the first copy (so that a target inside
// it gets what it held), into target, sub-directories depth first and then each level's files,
// leaving out sub-directories that IsBackupFolderName accepts for a non-empty skipPrefix. Names of
// the form of a short (8.3) alias go first in each folder, so that each long name gets another
// alias; an entry in the way under another name is a failure, never replaced. Each file arrives
// whole or not at all. A folder of the tree that cannot be listed is a failure before anything is
// copied; a source that does not exist copies nothing. The first failure ends the whole walk; what
// was copied stays. Files only in the target stay too, except the leftovers of copies that were
// stopped by force, which each target folder loses as RemoveLeftoverTemporaries says: back the
// target up first. True when everything was copied.
bool CopyTree(const std::string& source, const std::string& target, const std::string& skipPrefix);
// Removes from the folder target the files that have exactly the form of the program's temporary
// names and that the folder source does not hold (without regard to letter case). False when
// target cannot be listed or such a file cannot be removed.
bool RemoveLeftoverTemporaries(const std::string& source, const std::string& target);
// kThere when dir or any directory below it holds an entry that is not a directory; kUnknown, with
// the folder in unread, when a folder of the walk cannot be listed (it may hold anything).
Found TreeHasFiles(const std::string& dir, std::string* unread);
// Copies the tree under source into a new dated backup folder directly inside parent, leaving out
// earlier backup folders. False when parent is empty or the copy fails.
bool BackupDirectory(const std::string& source, const std::string& parent);
// prefix followed by the stamp "yyyy-mm-dd [hh-nn-ss-zzz]" of the current local time.
std::string DatedName(const std::string& prefix);
// prefix followed by the stamp "yyyy-mm-dd [hh-nn-ss-zzz]" of the given time (24-hour clock).
std::string DatedName(const std::string& prefix, const LocalTime& time);
// Whether the last component of path is prefix (any letter case) followed by a stamp whose
// punctuation stands where DatedName puts it; an empty prefix accepts nothing, and neither does a
// name with characters the code page cannot spell.
bool IsBackupFolderName(const std::string& prefix, const std::string& path);

}  // namespace orx
