// The comparison of two directories' month files (Data\yyyy-mm.txt), line by line, ignoring case.
#pragma once

#include <string>

namespace orx {

// Result codes of CompareMonthData.
inline constexpr int kMonthDataSame = 0;         // neither side holds a line the other lacks
inline constexpr int kMonthDataFirstOnly = 1;    // only the first holds lines the second lacks
inline constexpr int kMonthDataSecondOnly = 2;   // only the second holds lines the first lacks
inline constexpr int kMonthDataBothDiffer = -1;  // each holds lines the other lacks

// Compares the month files of first's and second's data directories: files paired by name
// ignoring case, each line consuming at most one equal line (EqualIgnoringCase) of its partner
// file. Returns one of the result codes. Texts equal after WithTrailingBackslash and lower-casing
// name one directory: kMonthDataSame, and no file is read. Raises EFOpenError when a month file
// cannot be read, and EInOutError "Cannot read directory %s" when a Data folder cannot be listed.
int CompareMonthData(const std::string& first, const std::string& second);
// True for a name of 11 characters: four IsInteger characters, "-", two IsInteger characters and
// ".txt" in any letter case.
bool IsMonthFileName(const std::string& path);

}  // namespace orx
