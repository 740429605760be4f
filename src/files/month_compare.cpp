#include "files/month_compare.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "files/paths.h"
#include "files/platform.h"
#include "files/text.h"
#include "settings/settings_document.h"

namespace orx {

namespace {

// Every file, hidden and system ones included, and no sub-directory.
constexpr unsigned kFilesOnlyMask = 47;
// Split so that "??-" is not read as a trigraph.
constexpr const char kMonthFilePattern[] =
    "????"
    "-??.txt";
constexpr std::string::size_type kMonthFileNameLength = 11;

// One directory's month files and the lines found on its side only.
struct MonthSide {
  std::string dataDirectory;       // the normalised directory followed by "Data\"
  std::vector<std::string> files;  // lower-cased full paths, in listing order
  std::int64_t unmatchedLines = 0;
};

MonthSide GatherMonthFiles(const std::string& directory) {
  MonthSide side;
  side.dataDirectory = WithTrailingBackslash(directory) + "Data\\";
  for (const DirectoryEntry& entry :
       EnumerateDirectory(side.dataDirectory + kMonthFilePattern, kFilesOnlyMask)) {
    // The platform may match the pattern against short names too: the name rule decides.
    const std::string path = side.dataDirectory + entry.name;
    if (IsMonthFileName(path)) {
      side.files.push_back(LowerCase(path));
    }
  }
  return side;
}

// Calls visit(offset, length) for each line of bytes, by the same rules as SplitTextLines, without
// copying the lines.
template <typename Visit>
void ForEachLine(const std::string& bytes, Visit visit) {
  const std::string::size_type zero = bytes.find('\0');
  const std::string::size_type size = zero == std::string::npos ? bytes.size() : zero;
  const char* data = bytes.data();
  std::string::size_type start = 0;
  std::string::size_type at = 0;
  while (at < size) {
    const char c = data[at];
    if (c == '\r' || c == '\n') {
      visit(start, at - start);
      ++at;
      if (c == '\r' && at < size && data[at] == '\n') {
        ++at;
      }
      start = at;
    } else {
      ++at;
    }
  }
  if (start < size) {
    visit(start, size - start);
  }
}

std::int64_t CountLines(const std::string& bytes) {
  std::int64_t count = 0;
  ForEachLine(bytes, [&count](std::string::size_type, std::string::size_type) { ++count; });
  return count;
}

// Per equality key: partner lines minus walked lines. Kept across pairs so that its buckets are
// allocated once.
using LineBalance = std::unordered_map<std::string, std::int64_t>;

// Matches the lines of one pair of month files: each line consumes at most one equal line of the
// other file, so per equality key only the surplus of one side is unmatched.
void CompareMonthFilePair(const std::string& partnerPath, const std::string& walkedPath,
                          LineBalance& balance, MonthSide& partner, MonthSide& walked) {
  const std::string partnerBytes = ReadFileBytes(partnerPath);
  const std::string walkedBytes = ReadFileBytes(walkedPath);
  balance.clear();
  balance.reserve(static_cast<std::size_t>(CountLines(partnerBytes)));
  std::string line;
  const auto add = [&](const std::string& bytes, std::int64_t delta) {
    ForEachLine(bytes, [&](std::string::size_type offset, std::string::size_type length) {
      line.assign(bytes, offset, length);
      balance[EqualityKeyOf(line)] += delta;
    });
  };
  add(partnerBytes, 1);
  add(walkedBytes, -1);
  for (const auto& [key, surplus] : balance) {
    if (surplus > 0) {
      partner.unmatchedLines += surplus;
    } else {
      walked.unmatchedLines -= surplus;
    }
  }
}

}  // namespace

int CompareMonthData(const std::string& first, const std::string& second) {
  MonthSide firstSide = GatherMonthFiles(first);
  MonthSide secondSide = GatherMonthFiles(second);

  // The side with fewer month files is walked; on equal counts the second.
  const bool walkFirst = firstSide.files.size() < secondSide.files.size();
  MonthSide& walked = walkFirst ? firstSide : secondSide;
  MonthSide& partner = walkFirst ? secondSide : firstSide;

  // The partner's files by the equality key of their paths, each key's entries in list order, so
  // that a lookup finds the first remaining entry from the top, as a search of the list would.
  std::unordered_map<std::string, std::vector<std::size_t>> partnerIndex;
  for (std::size_t i = partner.files.size(); i-- > 0;) {
    partnerIndex[EqualityKeyOf(partner.files[i])].push_back(i);
  }
  std::vector<bool> partnerPaired(partner.files.size(), false);

  LineBalance balance;
  for (std::size_t i = walked.files.size(); i-- > 0;) {
    const std::string& walkedPath = walked.files[i];
    const std::string partnerPath = LowerCase(partner.dataDirectory + FileNameOf(walkedPath));
    const auto found = partnerIndex.find(EqualityKeyOf(partnerPath));
    if (found == partnerIndex.end() || found->second.empty()) {
      walked.unmatchedLines += CountLines(ReadFileBytes(walkedPath));
      continue;
    }
    // Entries were pushed last first: the back is the first remaining from the top.
    const std::size_t partnerEntry = found->second.back();
    found->second.pop_back();
    partnerPaired[partnerEntry] = true;
    CompareMonthFilePair(partner.files[partnerEntry], walkedPath, balance, partner, walked);
  }

  for (std::size_t i = partner.files.size(); i-- > 0;) {
    if (!partnerPaired[i]) {
      partner.unmatchedLines += CountLines(ReadFileBytes(partner.files[i]));
    }
  }

  const bool firstHasMore = firstSide.unmatchedLines > 0;
  const bool secondHasMore = secondSide.unmatchedLines > 0;
  if (firstHasMore && secondHasMore) {
    return kMonthDataBothDiffer;
  }
  if (firstHasMore) {
    return kMonthDataFirstOnly;
  }
  if (secondHasMore) {
    return kMonthDataSecondOnly;
  }
  return kMonthDataSame;
}

bool IsMonthFileName(const std::string& path) {
  const std::string name = FileNameOf(path);
  if (name.size() != kMonthFileNameLength) {
    return false;
  }
  if (LowerCase(ExtensionOf(name)) != ".txt" || name[4] != '-') {
    return false;
  }
  return IsInteger(name.substr(0, 4)) && IsInteger(name.substr(5, 2));
}

bool IsInteger(const std::string& text) {
  std::int32_t ignored = 0;
  return ParseInteger(text, &ignored);
}

}  // namespace orx
