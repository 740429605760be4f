// Files written as a whole: created anew, or replaced through a file written beside them.
#pragma once

#include <optional>
#include <string>

namespace orx {

// Creates the file anew (replacing any) and writes the bytes in one piece, without sharing.
// Raises EFCreateError "Cannot create file %s", or EWriteError "Stream write error".
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Replaces the file's content in one step: the bytes go to a temporary file in the same directory,
// are flushed to disk, and the temporary file then takes the file's place. Only the name decides
// the outcome: when the replace fails, the save is done only if the file reads back as the new
// bytes; otherwise it holds its old bytes (put back from the replace's backup where needed) and
// EFCreateError is raised. A temporary file is removed only once the file is whole under its
// name. The failures raised are those of WriteFileBytes, and EFCreateError whenever the old bytes
// stay, also when no free name for the replace's backup is found.
void ReplaceFileBytes(const std::string& path, const std::string& bytes);
// ReplaceFileBytes only while the file is as the caller last knew it: absent when expected is
// nullopt, else holding exactly those bytes. Each try of the replace (the first, and each after a
// moment's sharing) compares right before it swaps, and the file the swap took out is compared
// too: a file that holds other bytes keeps them, and EFCreateError "Cannot create file %s" is
// raised.
// Where the bytes are those expected, nothing is written: the file, opened as for writing, is only
// checked to hold them still, and keeps its last-write time; it fails where the replace would (a
// read-only file, one another process holds, a folder).
void ReplaceKnownFileBytes(const std::string& path, const std::string& bytes,
                           const std::optional<std::string>& expected);

}  // namespace orx
