// Files written as a whole: created anew, or replaced through a file written beside them.
#pragma once

#include <optional>
#include <string>

namespace orx {

// Creates the file anew (replacing any) and writes the bytes in one piece, without sharing.
// Raises EFCreateError "Cannot create file %s", or EWriteError "Stream write error".
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Replaces the file's content in one step: the bytes go to a temporary file in the same directory,
// are flushed to disk, and the temporary file then takes the file's place. On failure the file
// holds its old or (where a replace that failed half-way could only be finished) its new bytes,
// and no temporary file remains; the failures raised are those of WriteFileBytes, and EFCreateError
// whenever the old bytes stay.
void ReplaceFileBytes(const std::string& path, const std::string& bytes);
// ReplaceFileBytes only while the file is as the caller last knew it: absent when expected is
// nullopt, else holding exactly those bytes. Otherwise raises EFCreateError "Cannot create file
// %s" and leaves the file as it is.
void ReplaceKnownFileBytes(const std::string& path, const std::string& bytes,
                           const std::optional<std::string>& expected);

}  // namespace orx
