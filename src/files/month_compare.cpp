#include "files/month_compare.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/integer.h"
#include "base/paths.h"
#include "base/raised_failure.h"
#include "files/text.h"
#include "platform/platform.h"

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
  std::vector<DirectoryEntry> entries;
  // A folder that cannot be read may hold any month: reading it as empty could send the user's
  // data the wrong way.
  if (ListDirectory(side.dataDirectory + kMonthFilePattern, kFilesOnlyMask, &entries) ==
      ListingResult::kFailed) {
    RaiseFailure(kInOutError, MessageWithName("Cannot read directory %s", side.dataDirectory));
  }
  for (const DirectoryEntry& entry : entries) {
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

// Texts of one pair of month files with their balance: +1 for each line of the partner side, -1
// for each of the walked side, summed per distinct text. The lines are spread by their hash over
// partitions small enough to be counted within the processor's caches, since a single table over
// 100 000 lines would miss the cache on nearly every line; few enough that filling them stays a
// handful of sequential streams (measured: about 16 000 lines a partition is best). The texts
// stay where the caller keeps them: copying them cost more than reaching them on a match. Kept
// across pairs so that its memory is allocated once.
class LineBalance {
 public:
  // Empties the partitions and chooses their number for about expectedLines lines.
  void Reset(std::size_t expectedLines) {
    std::size_t count = 1;
    while (count < kMaxPartitions && count * kLinesPerPartition < expectedLines) {
      count *= 2;
    }
    partitions_.resize(count);
    // A little more room than an even spread needs, so that a partition seldom grows.
    for (Partition& partition : partitions_) {
      partition.lines.clear();
      partition.lines.reserve(expectedLines / count + expectedLines / count / 4);
    }
  }

  // Records one line of the given text with its delta: +1 for a line of the partner side, -1 for
  // one of the walked side, or the balance of several lines at once. The text's bytes must stay
  // in place until the next Reset.
  void Add(std::string_view text, std::int64_t delta) {
    const std::uint64_t hash = std::hash<std::string_view>()(text);
    Partition& partition = partitions_[static_cast<std::size_t>(hash) & (partitions_.size() - 1)];
    partition.lines.push_back(Line{hash, text, delta});
  }

  // Calls visit(text, balance) once for each distinct text whose balance is not 0, with the text
  // of the first line added for it.
  template <typename Visit>
  void ForEachUnbalanced(Visit visit) {
    for (const Partition& partition : partitions_) {
      Count(partition);
      for (std::size_t at = 0; at < balances_.size(); ++at) {
        if (balances_[at] != 0) {
          visit(partition.lines[firstLines_[at]].text, balances_[at]);
        }
      }
    }
  }

 private:
  static constexpr std::size_t kLinesPerPartition = 16384;
  static constexpr std::size_t kMaxPartitions = 1024;
  static constexpr std::size_t kEmpty = static_cast<std::size_t>(-1);

  struct Line {
    std::uint64_t hash;
    std::string_view text;
    std::int64_t delta;
  };

  struct Partition {
    std::vector<Line> lines;
  };

  // Fills firstLines_ and balances_: per slot, the first line of its text and the text's balance.
  void Count(const Partition& partition) {
    int bits = 4;
    while ((std::size_t{1} << bits) < partition.lines.size() * 2) {
      ++bits;
    }
    const std::size_t mask = (std::size_t{1} << bits) - 1;
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
        if (other.hash == line.hash && other.text == line.text) {
          break;
        }
      }
      balances_[at] += line.delta;
    }
  }

  std::vector<Partition> partitions_ = std::vector<Partition>(1);
  std::vector<std::size_t> firstLines_;
  std::vector<std::int64_t> balances_;
};

// What the comparison of a pair of month files works in, kept across pairs so that its memory is
// allocated once: fresh memory for every file costs more than reading it (measured under Wine).
struct PairWork {
  std::string partnerBytes;
  std::string walkedBytes;
  LineBalance exact;  // by the lines' bytes
  LineBalance equal;  // by the equality keys of the texts the bytes left unbalanced
  std::vector<std::pair<std::string_view, std::int64_t>> leftovers;
  std::string line;
  std::string keys;                  // the leftovers' keys one after another
  std::vector<std::size_t> keyEnds;  // where each leftover's key ends in keys
};

// Matches the lines of one pair of month files: each line consumes at most one equal line of the
// other file, so per equality key only the surplus of one side is unmatched.
void CompareMonthFilePair(const std::string& partnerPath, const std::string& walkedPath,
                          PairWork& work, MonthSide& partner, MonthSide& walked) {
  ReadFileBytesInto(partnerPath, &work.partnerBytes);
  ReadFileBytesInto(walkedPath, &work.walkedBytes);
  // Lines of the same bytes have the same key: they are balanced by their bytes first, and the
  // surplus per key is the sum of what their bytes left, so the key (which the Windows port has
  // the locale compute, at a high price) is needed only for texts that found no exact partner.
  work.exact.Reset(static_cast<std::size_t>(CountLines(work.partnerBytes)) * 2);
  const auto add = [&](const std::string& bytes, std::int64_t delta) {
    const std::string_view text(bytes);
    ForEachLine(bytes, [&](std::string::size_type offset, std::string::size_type length) {
      work.exact.Add(text.substr(offset, length), delta);
    });
  };
  add(work.partnerBytes, 1);
  add(work.walkedBytes, -1);

  work.leftovers.clear();
  work.exact.ForEachUnbalanced([&](std::string_view text, std::int64_t balance) {
    work.leftovers.emplace_back(text, balance);
  });
  // All keys first: the balance keeps views of them, which a growing keys would move.
  work.keys.clear();
  work.keyEnds.clear();
  for (const auto& leftover : work.leftovers) {
    work.line.assign(leftover.first);
    work.keys += EqualityKeyOf(work.line);
    work.keyEnds.push_back(work.keys.size());
  }
  work.equal.Reset(work.leftovers.size());
  const std::string_view keys(work.keys);
  for (std::size_t i = 0, start = 0; i < work.leftovers.size(); start = work.keyEnds[i++]) {
    work.equal.Add(keys.substr(start, work.keyEnds[i] - start), work.leftovers[i].second);
  }
  work.equal.ForEachUnbalanced([&](std::string_view, std::int64_t balance) {
    if (balance > 0) {
      partner.unmatchedLines += balance;
    } else {
      walked.unmatchedLines -= balance;
    }
  });
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

  PairWork work;
  for (std::size_t i = walked.files.size(); i-- > 0;) {
    const std::string& walkedPath = walked.files[i];
    const std::string partnerPath = LowerCase(partner.dataDirectory + FileNameOf(walkedPath));
    const auto found = partnerIndex.find(EqualityKeyOf(partnerPath));
    if (found == partnerIndex.end() || found->second.empty()) {
      ReadFileBytesInto(walkedPath, &work.walkedBytes);
      walked.unmatchedLines += CountLines(work.walkedBytes);
      continue;
    }
    // Entries were pushed last first: the back is the first remaining from the top.
    const std::size_t partnerEntry = found->second.back();
    found->second.pop_back();
    partnerPaired[partnerEntry] = true;
    CompareMonthFilePair(partner.files[partnerEntry], walkedPath, work, partner, walked);
  }

  for (std::size_t i = partner.files.size(); i-- > 0;) {
    if (!partnerPaired[i]) {
      ReadFileBytesInto(partner.files[i], &work.partnerBytes);
      partner.unmatchedLines += CountLines(work.partnerBytes);
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

}  // namespace orx
