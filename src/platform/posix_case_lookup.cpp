// The POSIX port's lookup of a program path: POSIX calls only. A name that does not exist as
// spelled is looked for in its directory without regard to letter case, and the directory
// listings read for that are kept while the directory is unchanged.
#include "platform/posix_case_lookup.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <cerrno>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/case_fold.h"
#include "platform/unix_path.h"

namespace orx {

namespace {

bool StatOf(const std::string& native, struct stat* info) {
  return !native.empty() && ::stat(native.c_str(), info) == 0;
}

std::string Joined(const std::string& parent, const std::string& leaf) {
  if (parent.empty()) {
    return leaf;
  }
  return parent.back() == '/' ? parent + leaf : parent + '/' + leaf;
}

// Splits a native path into its directory ("" for a bare name, "/" at the root) and last name;
// final slashes go to trailing.
void SplitNative(const std::string& native, std::string* parent, std::string* leaf,
                 std::string* trailing) {
  std::string path = native;
  trailing->clear();
  while (path.size() > 1 && path.back() == '/') {
    *trailing += '/';
    path.pop_back();
  }
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) {
    parent->clear();
    *leaf = path;
  } else {
    *parent = path.substr(0, slash == 0 ? 1 : slash);
    *leaf = path.substr(slash + 1);
  }
}

// The names of one directory by their folded form, as long as the directory's change stamps
// are those recorded. Without it every file created in a directory would read the whole
// directory first (to find another spelling), making a copy into it quadratic: 20 000 files
// into one directory take 28 times the processor time (bench_one_directory).
struct DirectoryListing {
  dev_t device = 0;
  ino_t inode = 0;
  struct timespec modified = {};
  struct timespec changed = {};
  std::unordered_map<std::string, std::string> names;
};

// The program runs on one thread; the listings are its own.
std::unordered_map<std::string, DirectoryListing>& Listings() {
  static std::unordered_map<std::string, DirectoryListing> listings;
  return listings;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool StampMatches(const DirectoryListing& listing, const struct stat& info) {
  return listing.device == info.st_dev && listing.inode == info.st_ino &&
         SameTime(listing.modified, info.st_mtim) && SameTime(listing.changed, info.st_ctim);
}

void TakeStamp(DirectoryListing* listing, const struct stat& info) {
  listing->device = info.st_dev;
  listing->inode = info.st_ino;
  listing->modified = info.st_mtim;
  listing->changed = info.st_ctim;
}

// Of several spellings the byte-wise smallest is kept, so the choice does not depend on the
// directory's order.
void AddName(DirectoryListing* listing, const std::string& name) {
  std::string& kept = listing->names[CaseFolded(name)];
  if (kept.empty() || name < kept) {
    kept = name;
  }
}

// File-system time stamps come from a coarse clock: a listing read while the directory's last
// change is this recent could miss a change made in the same tick, so it is not kept.
bool IsSettled(const struct stat& info) {
  struct timespec now;
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0) {
    return false;
  }
  return now.tv_sec - info.st_mtim.tv_sec > 1;
}

void KeepListing(const std::string& directory, DirectoryListing listing) {
  std::unordered_map<std::string, DirectoryListing>& listings = Listings();
  if (listings.size() >= 256) {
    listings.clear();
  }
  listings[directory] = std::move(listing);
}

// The entry of directory whose name equals leaf without regard to case; empty when none does.
// known, when given, is what stat just found for the directory.
std::string MatchingEntry(const std::string& directory, const std::string& leaf,
                          const struct stat* known) {
  const std::string opened = directory.empty() ? std::string(".") : directory;
  struct stat info;
  if (known != nullptr) {
    info = *known;
  } else if (::stat(opened.c_str(), &info) != 0) {
    return std::string();
  }
  if (!S_ISDIR(info.st_mode)) {
    return std::string();
  }
  const auto cached = Listings().find(directory);
  if (cached != Listings().end() && StampMatches(cached->second, info)) {
    const auto found = cached->second.names.find(CaseFolded(leaf));
    return found == cached->second.names.end() ? std::string() : found->second;
  }
  DIR* stream = ::opendir(opened.c_str());
  if (stream == nullptr) {
    return std::string();
  }
  // The stamp is taken before the names are read: a change meanwhile makes it stale at once.
  DirectoryListing listing;
  TakeStamp(&listing, info);
  while (const dirent* entry = ::readdir(stream)) {
    AddName(&listing, entry->d_name);
  }
  ::closedir(stream);
  const auto found = listing.names.find(CaseFolded(leaf));
  const std::string match = found == listing.names.end() ? std::string() : found->second;
  if (IsSettled(info)) {
    KeepListing(directory, std::move(listing));
  } else {
    Listings().erase(directory);
  }
  return match;
}

}  // namespace

// Records that this process has just made the entry native with that spelling, so that a kept
// listing of its directory stays usable. (A change by another process to the same directory in
// the moment between the lookup and this creation would go unseen by that listing.)
void NoteEntryMade(const std::string& native) {
  std::string parent;
  std::string leaf;
  std::string trailing;
  SplitNative(native, &parent, &leaf, &trailing);
  const auto cached = Listings().find(parent);
  if (cached == Listings().end()) {
    return;
  }
  struct stat info;
  if (::stat(parent.empty() ? "." : parent.c_str(), &info) != 0) {
    Listings().erase(cached);
    return;
  }
  TakeStamp(&cached->second, info);
  AddName(&cached->second, leaf);
}

// Records that this process has just created the directory native: it is known to be empty.
void NoteDirectoryMade(const std::string& native) {
  NoteEntryMade(native);
  struct stat info;
  if (::stat(native.c_str(), &info) == 0) {
    DirectoryListing listing;
    TakeStamp(&listing, info);
    AddName(&listing, ".");
    AddName(&listing, "..");
    std::string key = native;
    while (key.size() > 1 && key.back() == '/') {
      key.pop_back();
    }
    KeepListing(key, std::move(listing));
  }
}

// The native path with every component that does not exist as spelled replaced by an existing
// entry of another letter case; components that match nothing stay as given.
std::string ResolvedCase(const std::string& native) {
  std::string parent;
  std::string leaf;
  std::string trailing;
  SplitNative(native, &parent, &leaf, &trailing);
  if (leaf.empty() || leaf == "." || leaf == "..") {
    return native;
  }
  struct stat info;
  const bool parentKnown = !parent.empty() && StatOf(parent, &info);
  if (!parent.empty() && !parentKnown) {
    const std::string resolvedParent = ResolvedCase(parent);
    if (resolvedParent == parent) {
      return native;
    }
    parent = resolvedParent;
    const std::string exact = Joined(parent, leaf);
    if (StatOf(exact, &info)) {
      return exact + trailing;
    }
  }
  const std::string match = MatchingEntry(parent, leaf, parentKnown ? &info : nullptr);
  return Joined(parent, match.empty() ? leaf : match) + trailing;
}

// The native path of a program path, found as the file system spells it; fills info and tells
// whether the entry exists. The exact spelling costs one stat; only a miss walks directories.
// After false, errno is ENOENT or ENOTDIR when nothing is there, another error when the look
// failed.
bool Locate(const std::string& path, std::string* native, struct stat* info) {
  *native = UnixPathOf(path);
  if (StatOf(*native, info)) {
    return true;
  }
  // A path the port cannot map names nothing.
  const int error = native->empty() ? ENOENT : errno;
  if (error != ENOENT && error != ENOTDIR) {
    return false;
  }
  const std::string resolved = ResolvedCase(*native);
  if (resolved == *native) {
    errno = error;  // what the exact spelling found, not what the search for another one met
    return false;
  }
  *native = resolved;
  return StatOf(*native, info);
}

std::string NativeLocation(const std::string& path) {
  std::string native;
  struct stat info;
  Locate(path, &native, &info);
  return native;
}

}  // namespace orx
