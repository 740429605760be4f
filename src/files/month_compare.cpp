#include "files/month_compare.h"

#include <cstdint>
#include <functional>
#include <string_view>
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

// The lines of one pair of month files by equality key: partner lines count +1, walked lines -1.
// The keys are spread by their hash over partitions small enough to be counted within the
// processor's caches, since a single table over 100 000 lines would miss the cache on nearly every
// line; few enough that filling them stays a handful of sequential streams (measured: about 16 000
// lines a partition is best). Kept across pairs so that its memory is allocated once.
class LineBalance {
 public:
  // Empties the partitions and chooses their number for about expectedLines lines of
  // expectedBytes key bytes in all.
  void Reset(std::size_t expectedLines, std::size_t expectedBytes) {
    std::size_t count = 1;
    while (count < kMaxPartitions && count * kLinesPerPartition < expectedLines) {
      count *= 2;
    }
    partitions_.resize(count);
    // A little more room than an even spread needs, so that a partition seldom grows.
    for (Partition& partition : partitions_) {
      partition.keys.clear();
      partition.keys.reserve(expectedBytes / count + expectedBytes / count / 4);
      partition.lines.clear();
      partition.lines.reserve(expectedLines / count + expectedLines / count / 4);
    }
  }

  // Records one line of the given key, +1 for the partner side and -1 for the walked side.
  void Add(const std::string& key, std::int64_t delta) {
    const std::uint64_t hash = std::hash<std::string_view>()(key);
    Partition& partition = partitions_[static_cast<std::size_t>(hash) & (partitions_.size() - 1)];
    partition.lines.push_back(Line{hash, partition.keys.size(), key.size(), delta});
    partition.keys += key;
  }

  // Adds the partner's surplus lines to partnerSurplus and the walked side's to walkedSurplus.
  void Surpluses(std::int64_t* partnerSurplus, std::int64_t* walkedSurplus) {
    for (const Partition& partition : partitions_) {
      Count(partition, partnerSurplus, walkedSurplus);
    }
  }

 private:
  static constexpr std::size_t kLinesPerPartition = 16384;
  static constexpr std::size_t kMaxPartitions = 1024;
  static constexpr std::size_t kEmpty = static_cast<std::size_t>(-1);

  struct Line {
    std::uint64_t hash;
    std::size_t offset;  // of the key in its partition's keys
    std::size_t length;
    std::int64_t delta;
  };

  struct Partition {
    std::string keys;
    std::vector<Line> lines;
  };

  void Count(const Partition& partition, std::int64_t* partnerSurplus,
             std::int64_t* walkedSurplus) {
    int bits = 4;
    while ((std::size_t{1} << bits) < partition.lines.size() * 2) {
      ++bits;
    }
    const std::size_t mask = (std::size_t{1} << bits) - 1;
    // Per slot: the first line of its key, and the key's balance.
    firstLines_.assign(mask + 1, kEmpty);
    balances_.assign(mask + 1, 0);
    for (std::size_t i = 0; i < partition.lines.size(); ++i) {
      const Line& line = partition.lines[i];
      // The low bits chose the partition: the probe starts from the product's high bits.
      std::size_t at = static_cast<std::size_t>((line.hash * 0x9E3779B97F4A7C15ull) >> (64 - bits));
      for (;; at = (at + 1) & mask) {
        const std::size_t first = firstLines_[at];
        if (first == kEmpty) {
          firstLines_[at] = i;
          break;
        }
        const Line& other = partition.lines[first];
        if (other.hash == line.hash && other.length == line.length &&
            partition.keys.compare(other.offset, other.length, partition.keys, line.offset,
                                   line.length) == 0) {
          break;
        }
      }
      balances_[at] += line.delta;
    }
    for (const std::int64_t balance : balances_) {
      if (balance > 0) {
        *partnerSurplus += balance;
      } else {
        *walkedSurplus -= balance;
      }
    }
  }

  std::vector<Partition> partitions_ = std::vector<Partition>(1);
  std::vector<std::size_t> firstLines_;
  std::vector<std::int64_t> balances_;
};

// Matches the lines of one pair of month files: each line consumes at most one equal line of the
// other file, so per equality key only the surplus of one side is unmatched.
void CompareMonthFilePair(const std::string& partnerPath, const std::string& walkedPath,
                          LineBalance& balance, MonthSide& partner, MonthSide& walked) {
  const std::string partnerBytes = ReadFileBytes(partnerPath);
  const std::string walkedBytes = ReadFileBytes(walkedPath);
  balance.Reset(static_cast<std::size_t>(CountLines(partnerBytes)) * 2,
                partnerBytes.size() + walkedBytes.size());
  std::string line;
  const auto add = [&](const std::string& bytes, std::int64_t delta) {
    ForEachLine(bytes, [&](std::string::size_type offset, std::string::size_type length) {
      line.assign(bytes, offset, length);
      balance.Add(EqualityKeyOf(line), delta);
    });
  };
  add(partnerBytes, 1);
  add(walkedBytes, -1);
  balance.Surpluses(&partner.unmatchedLines, &walked.unmatchedLines);
}

}  // namespace

int CompareMonthData(const std::string& first, const std::string& second) {
  // One directory, as the configuration run tells directories apart: every month file pairs with
  // itself and every line with itself, so the result is known without reading a file.
  if (LowerCase(WithTrailingBackslash(first)) == LowerCase(WithTrailingBackslash(second))) {
    return kMonthDataSame;
  }
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
