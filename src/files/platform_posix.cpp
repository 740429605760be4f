// The POSIX port of platform.h: only POSIX (and, where marked, Linux) calls; paths arrive in the
// program's backslash form and are translated here. A drive prefix "x:" stands for the root, as
// Wine maps z: ("c:\tmp\a" is /tmp/a, "c:" alone is /); "\\server\share\x" is simply
// //server/share/x.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <ucontext.h>
#endif

#include "files/platform.h"
#include "files/raised_failure.h"

namespace orx {

namespace {

#ifdef ORX_FAULT_INJECTION
// Test builds only. Every call that changes the disk counts; ORX_FAIL_AT=k makes the k-th fail as
// a full disk would. ORX_COUNT_FILE receives the number of calls at exit, then one line per call.
struct FaultCounter {
  long failAt = std::atol(std::getenv("ORX_FAIL_AT") ? std::getenv("ORX_FAIL_AT") : "0");
  long calls = 0;
  std::string trace;
  ~FaultCounter() {
    const char* name = std::getenv("ORX_COUNT_FILE");
    const int fd = name ? ::open(name, O_WRONLY | O_CREAT | O_TRUNC, 0666) : -1;
    if (fd >= 0) {
      const std::string text = std::to_string(calls) + "\n" + trace;
      const ssize_t written = ::write(fd, text.data(), text.size());
      static_cast<void>(written);
      ::close(fd);
    }
  }
};

bool InjectedFault(const char* call, const std::string& path) {
  static FaultCounter counter;
  counter.trace += std::string(call) + ' ' + path + '\n';
  return ++counter.calls == counter.failAt;
}
#else
constexpr bool InjectedFault(const char*, const std::string&) {
  return false;
}
#endif

// ---- Letter case -------------------------------------------------------------------------------

struct FoldTable {
  unsigned char lower[256];
  FoldTable() {
    for (int c = 0; c < 256; ++c) {
      lower[c] = static_cast<unsigned char>(c);
    }
    for (int c = 'A'; c <= 'Z'; ++c) {
      lower[c] = static_cast<unsigned char>(c + 32);
    }
    // The Windows-1252 letters: Agrave..Thorn except the multiplication sign, and the four pairs
    // outside that block (S caron, OE, Z caron, Y diaeresis).
    for (int c = 0xC0; c <= 0xDE; ++c) {
      if (c != 0xD7) {
        lower[c] = static_cast<unsigned char>(c + 32);
      }
    }
    lower[0x8A] = 0x9A;
    lower[0x8C] = 0x9C;
    lower[0x8E] = 0x9E;
    lower[0x9F] = 0xFF;
  }
};

const FoldTable& Folds() {
  static const FoldTable table;
  return table;
}

std::string Folded(const std::string& text) {
  const FoldTable& table = Folds();
  std::string result(text);
  for (char& c : result) {
    c = static_cast<char>(table.lower[static_cast<unsigned char>(c)]);
  }
  return result;
}

bool SameFolded(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  const FoldTable& table = Folds();
  for (std::string::size_type i = 0; i < a.size(); ++i) {
    if (table.lower[static_cast<unsigned char>(a[i])] !=
        table.lower[static_cast<unsigned char>(b[i])]) {
      return false;
    }
  }
  return true;
}

// Wildcard match of folded texts: '*' any run, '?' any one character.
bool MatchesWildcard(const std::string& pattern, const std::string& name) {
  std::string::size_type p = 0;
  std::string::size_type n = 0;
  std::string::size_type starP = std::string::npos;
  std::string::size_type starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') {
    ++p;
  }
  return p == pattern.size();
}

// Windows lets a final ".*" match names without a dot too, so "*.*" lists every name.
bool MatchesPattern(const std::string& foldedPattern, const std::string& name) {
  const std::string folded = Folded(name);
  if (MatchesWildcard(foldedPattern, folded)) {
    return true;
  }
  const std::string::size_type size = foldedPattern.size();
  return size >= 2 && foldedPattern.compare(size - 2, 2, ".*") == 0 &&
         MatchesWildcard(foldedPattern.substr(0, size - 2), folded);
}

// ---- Paths -------------------------------------------------------------------------------------

bool HasDrivePrefix(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') {
    return false;
  }
  const char c = path[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// \\server or \\server\share: Windows cannot create these, and here they would become
// directories at the root.
bool IsServerOrShare(const std::string& path) {
  const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() < 3 || !isSeparator(path[0]) || !isSeparator(path[1])) {
    return false;
  }
  int separators = 0;
  for (std::string::size_type i = 2; i < path.size(); ++i) {
    if (isSeparator(path[i]) && i + 1 < path.size()) {
      ++separators;
    }
  }
  return separators < 2;
}

// The native spelling of a program path: slashes for backslashes, a drive prefix as the root.
std::string NativeOf(const std::string& path) {
  std::string native = HasDrivePrefix(path) ? path.substr(2) : path;
  for (char& c : native) {
    if (c == '\\') {
      c = '/';
    }
  }
  if (HasDrivePrefix(path) && (native.empty() || native[0] != '/')) {
    native.insert(native.begin(), '/');
  }
  return native;
}

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
// directory first (to find another spelling), making a copy into it quadratic.
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
  std::string& kept = listing->names[Folded(name)];
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
    const auto found = cached->second.names.find(Folded(leaf));
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
  const auto found = listing.names.find(Folded(leaf));
  const std::string match = found == listing.names.end() ? std::string() : found->second;
  if (IsSettled(info)) {
    KeepListing(directory, std::move(listing));
  } else {
    Listings().erase(directory);
  }
  return match;
}

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
bool Locate(const std::string& path, std::string* native, struct stat* info) {
  *native = NativeOf(path);
  if (StatOf(*native, info)) {
    return true;
  }
  if (errno != ENOENT && errno != ENOTDIR) {
    return false;
  }
  const std::string resolved = ResolvedCase(*native);
  if (resolved == *native) {
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

// The file-creation mask, read once: the program runs on one thread and never changes it.
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    const mode_t current = ::umask(0);
    ::umask(current);
    return current;
  }();
  return mask;
}

bool IsWritableByOwner(const struct stat& info) {
  return (info.st_mode & S_IWUSR) != 0;
}

// ---- Whole-file input and output ---------------------------------------------------------------

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes what it held and takes fd instead.
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  // Closes the descriptor; false when the close reports an error.
  bool Close() {
    if (fd_ < 0) {
      return true;
    }
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Reads up to size bytes; the count actually read, -1 on an error.
ssize_t ReadUpTo(int fd, char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, data + done, size - done);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return -1;
    }
    if (got == 0) {
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

// Windows refuses to create over a directory or a read-only file; POSIX would not (as root).
bool MayCreateOver(const struct stat& existing) {
  return !S_ISDIR(existing.st_mode) && IsWritableByOwner(existing);
}

[[noreturn]] void RaiseCannotCreate(const std::string& path) {
  RaiseFailure(kFileCreateError, MessageWithName("Cannot create file %s", path));
}

// Copies the source's bytes (size of them, as fstat found) to the target.
bool CopyContent(int from, int to, off_t size) {
#if defined(__linux__)
  // copy_file_range lets the kernel (or the file system) move the bytes; where it is refused
  // before the first byte, the plain loop below does the copy.
  off_t copied = 0;
  while (copied < size) {
    const ssize_t moved =
        ::copy_file_range(from, nullptr, to, nullptr, static_cast<std::size_t>(size - copied), 0);
    if (moved < 0 && errno == EINTR) {
      continue;
    }
    if (moved < 0 && copied == 0 &&
        (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP ||
         errno == EPERM)) {
      break;
    }
    if (moved < 0) {
      return false;
    }
    if (moved == 0) {
      return true;  // The source shrank meanwhile: all there is has been copied.
    }
    copied += moved;
  }
  if (copied > 0 || size == 0) {
    return true;
  }
#else
  static_cast<void>(size);
#endif
  std::vector<char> buffer(1 << 17);
  for (;;) {
    const ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return false;
    }
    if (got == 0) {
      return true;
    }
    if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) {
      return false;
    }
  }
}

// ---- Process state -----------------------------------------------------------------------------

std::vector<std::string>& RememberedArguments() {
  static std::vector<std::string> arguments;
  return arguments;
}

FaultReporter gFaultReporter = nullptr;
volatile sig_atomic_t gInFault = 0;

std::uintptr_t FaultingInstruction(void* context) {
#if defined(__linux__) && defined(__x86_64__)
  return static_cast<std::uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__linux__) && defined(__aarch64__)
  return static_cast<std::uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#else
  static_cast<void>(context);
  return 0;
#endif
}

void OnFault(int signalNumber, siginfo_t* info, void* context) {
  static_cast<void>(info);
  if (gInFault != 0 || gFaultReporter == nullptr) {
    // A fault inside the report itself: let the default action end the process.
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
    return;
  }
  gInFault = 1;
  // The kinds the Windows port gives the matching exceptions.
  const char* kind = "EAccessViolation";
  const char* message = "Access violation";
  if (signalNumber == SIGFPE) {
    kind = "EDivByZero";
    message = "Division by zero";
  } else if (signalNumber == SIGILL) {
    kind = "EPrivilege";
    message = "Privileged instruction";
  }
  const std::uintptr_t instruction = FaultingInstruction(context);
  gFaultReporter(kind, message,
                 instruction == 0 ? 0 : CodeOffsetOf(reinterpret_cast<const void*>(instruction)));
  ::signal(signalNumber, SIG_DFL);
  ::raise(signalNumber);
}

}  // namespace

// ---- Existence, creation, copy ------------------------------------------------------------------

bool IsFile(const std::string& path) {
  std::string native;
  struct stat info;
  return Locate(path, &native, &info) && !S_ISDIR(info.st_mode);
}

bool IsDirectory(const std::string& path) {
  std::string native;
  struct stat info;
  return Locate(path, &native, &info) && S_ISDIR(info.st_mode);
}

bool CreateDirectoryA(const std::string& path) {
  if (InjectedFault("CreateDirectoryA", path) || IsServerOrShare(path)) {
    return false;
  }
  const std::string native = NativeLocation(path);
  if (native.empty() || ::mkdir(native.c_str(), 0777) != 0) {
    return false;
  }
  NoteDirectoryMade(native);
  return true;
}

bool CopyFileA(const std::string& source, const std::string& target, bool failIfExists) {
  const bool injected = InjectedFault("CopyFileA", target);
  // Opened before anything else, so that its fstat is the only look at it; non-blocking, so
  // that a FIFO is refused below instead of waiting for a writer.
  std::string sourceNative = NativeOf(source);
  FileDescriptor from(
      sourceNative.empty() ? -1 : ::open(sourceNative.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!from.valid() && (errno == ENOENT || errno == ENOTDIR)) {
    struct stat ignored;
    if (Locate(source, &sourceNative, &ignored)) {
      from.Reset(::open(sourceNative.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    }
  }
  struct stat sourceInfo;
  if (!from.valid() || ::fstat(from.get(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) {
    return false;
  }
  std::string targetNative;
  struct stat targetInfo;
  const bool targetExists = Locate(target, &targetNative, &targetInfo);
  if (targetNative.empty()) {
    return false;
  }
  if (targetExists) {
    // Truncating the source itself would destroy it; Windows refuses that copy as well.
    if (failIfExists || !MayCreateOver(targetInfo) ||
        (targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino)) {
      return false;
    }
  }
  const struct stat& openedInfo = sourceInfo;
  const mode_t mode = openedInfo.st_mode & 07777;
  FileDescriptor to(
      ::open(targetNative.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode | S_IWUSR));
  if (!to.valid()) {
    return false;
  }
  if (!targetExists) {
    NoteEntryMade(targetNative);
  }
  bool copied = !injected && CopyContent(from.get(), to.get(), openedInfo.st_size);
  if (copied) {
    // The copy takes the source's permissions and last-write time, as CopyFileA does.
    const struct timespec times[2] = {openedInfo.st_atim, openedInfo.st_mtim};
    // A new file already has the mode it was created with, less the process's umask.
    const mode_t created = (mode | S_IWUSR) & ~ProcessUmask();
    copied = (!targetExists && created == mode) || ::fchmod(to.get(), mode) == 0;
    static_cast<void>(::futimens(to.get(), times));
  }
  copied = to.Close() && copied;
  if (!copied) {
    // A partial target is worth nothing; Windows removes it too.
    ::unlink(targetNative.c_str());
  }
  return copied;
}

std::vector<DirectoryEntry> EnumerateDirectory(const std::string& pattern, unsigned attributeMask) {
  std::vector<DirectoryEntry> entries;
  const std::string native = NativeOf(pattern);
  const std::string::size_type slash = native.rfind('/');
  const std::string mask = slash == std::string::npos ? native : native.substr(slash + 1);
  if (mask.empty()) {
    return entries;
  }
  std::string directory = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
  std::string opened = directory.empty() ? std::string(".") : directory;
  // The exact spelling first; only a miss looks for another letter case.
  DIR* stream = ::opendir(opened.c_str());
  if (stream == nullptr && !directory.empty() && (errno == ENOENT || errno == ENOTDIR)) {
    opened = ResolvedCase(directory);
    stream = ::opendir(opened.c_str());
  }
  if (stream == nullptr) {
    return entries;
  }
  // The root lists no "." and "..", as a drive's root does not.
  static const struct stat root = [] {
    struct stat info = {};
    ::stat("/", &info);
    return info;
  }();
  struct stat self;
  const bool isRoot = ::fstat(::dirfd(stream), &self) == 0 && self.st_dev == root.st_dev &&
                      self.st_ino == root.st_ino;
  const std::string foldedMask = Folded(mask);
  while (const dirent* found = ::readdir(stream)) {
    const std::string name(found->d_name);
    const bool dots = name == "." || name == "..";
    if ((dots && isRoot) || !MatchesPattern(foldedMask, name)) {
      continue;
    }
    struct stat info;
    if (::fstatat(::dirfd(stream), found->d_name, &info, 0) != 0) {
      continue;  // A dangling link: nothing to list.
    }
    DirectoryEntry entry;
    entry.name = name;
    if (S_ISDIR(info.st_mode)) {
      entry.attributes |= kAttributeDirectory;
    } else {
      entry.attributes |= kAttributeArchive;
    }
    if (!dots && name[0] == '.') {
      entry.attributes |= kAttributeHidden;
    }
    if (!IsWritableByOwner(info)) {
      entry.attributes |= kAttributeReadOnly;
    }
    if (PassesAttributeMask(entry.attributes, attributeMask)) {
      entries.push_back(entry);
    }
  }
  ::closedir(stream);
  // Case-insensitive order, "." and ".." first, as Wine lists; the exact bytes break ties.
  std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    const bool aDots = a.name == "." || a.name == "..";
    const bool bDots = b.name == "." || b.name == "..";
    if (aDots != bDots) {
      return aDots;
    }
    const std::string aKey = Folded(a.name);
    const std::string bKey = Folded(b.name);
    return aKey != bKey ? aKey < bKey : a.name < b.name;
  });
  return entries;
}

// ---- Names, time, text -------------------------------------------------------------------------

std::string ExpandPath(const std::string& path) {
  if (path.empty()) {
    return std::string();
  }
  std::string text(path);
  std::replace(text.begin(), text.end(), '/', '\\');
  // The root the path keeps: a drive, a network share, or the root of the current directory.
  std::string root;
  std::string rest;
  if (HasDrivePrefix(text)) {
    root = text.substr(0, 2) + '\\';
    rest = text.substr(2);
  } else if (text.compare(0, 2, "\\\\") == 0) {
    std::string::size_type end = text.find('\\', 2);
    end = end == std::string::npos ? std::string::npos : text.find('\\', end + 1);
    root = text.substr(0, end) + '\\';
    rest = end == std::string::npos ? std::string() : text.substr(end + 1);
  } else if (text[0] == '\\') {
    root = "\\";
    rest = text;
  } else {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE) {
        return std::string();
      }
      buffer.resize(buffer.size() * 2);
    }
    std::string current(buffer.data());
    std::replace(current.begin(), current.end(), '/', '\\');
    root = "\\";
    rest = current + '\\' + text;
  }
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (start <= rest.size()) {
    std::string::size_type end = rest.find('\\', start);
    if (end == std::string::npos) {
      end = rest.size();
    }
    const std::string part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) {
        parts.pop_back();
      }
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result = root;
  for (std::vector<std::string>::size_type i = 0; i < parts.size(); ++i) {
    if (i > 0) {
      result += '\\';
    }
    result += parts[i];
  }
  // A final separator stays, as GetFullPathNameA keeps it.
  if (!parts.empty() && text.back() == '\\') {
    result += '\\';
  }
  return result.size() > 259 ? std::string() : result;
}

LocalTime LocalNow() {
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  struct tm parts;
  ::localtime_r(&now.tv_sec, &parts);
  LocalTime time;
  time.year = parts.tm_year + 1900;
  time.month = parts.tm_mon + 1;
  time.day = parts.tm_mday;
  time.hour = parts.tm_hour;
  time.minute = parts.tm_min;
  time.second = parts.tm_sec;
  time.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return time;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return SameFolded(a, b);
}

std::string EqualityKeyOf(const std::string& text) {
  return Folded(text);
}

// ---- Environment and command line --------------------------------------------------------------

std::string ReadEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::string() : std::string(value);
}

std::string CommandLineText() {
  std::string line;
  for (const std::string& argument : RememberedArguments()) {
    if (!line.empty()) {
      line += ' ';
    }
    const bool quoted =
        argument.empty() || std::any_of(argument.begin(), argument.end(), [](char c) {
          const unsigned char code = static_cast<unsigned char>(c);
          return code >= 1 && code <= 32;
        });
    line += quoted ? '"' + argument + '"' : argument;
  }
  return line;
}

void RememberProcessArguments(int argc, char** argv) {
  std::vector<std::string>& arguments = RememberedArguments();
  arguments.clear();
  for (int i = 0; i < argc; ++i) {
    arguments.emplace_back(argv[i] == nullptr ? "" : argv[i]);
  }
}

// ---- Files as a whole --------------------------------------------------------------------------

void ReadFileBytesInto(const std::string& path, std::string* bytes) {
  // POSIX has no share modes: other writers cannot be refused here.
  const std::string native = NativeLocation(path);
  FileDescriptor file(native.empty() ? -1 : ::open(native.c_str(), O_RDONLY));
  struct stat info;
  if (!file.valid() || ::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
    RaiseFailure(kFileOpenError, MessageWithName("Cannot open file %s", path));
  }
  bytes->resize(static_cast<std::string::size_type>(info.st_size));
  const ssize_t got = ReadUpTo(file.get(), &(*bytes)[0], bytes->size());
  if (got < 0 || static_cast<std::string::size_type>(got) != bytes->size()) {
    RaiseFailure(kReadError, "Stream read error");
  }
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  const bool injected = InjectedFault("WriteFileBytes", path);
  std::string native;
  struct stat targetInfo;
  const bool targetExists = Locate(path, &native, &targetInfo);
  if (native.empty() || (targetExists && !MayCreateOver(targetInfo))) {
    RaiseCannotCreate(path);
  }
  FileDescriptor file(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666));
  if (!file.valid()) {
    RaiseCannotCreate(path);
  }
  NoteEntryMade(native);
  if (injected || !WriteAll(file.get(), bytes.data(), bytes.size()) || !file.Close()) {
    RaiseFailure(kWriteError, "Stream write error");
  }
}

void ReplaceFileBytes(const std::string& path, const std::string& bytes) {
  const bool injected = InjectedFault("ReplaceFileBytes", path);
  std::string native;
  struct stat targetInfo;
  const bool targetExists = Locate(path, &native, &targetInfo);
  if (native.empty() || (targetExists && !MayCreateOver(targetInfo))) {
    RaiseCannotCreate(path);
  }
  const std::string::size_type slash = native.rfind('/');
  const std::string directory =
      slash == std::string::npos ? std::string() : native.substr(0, slash + 1);

  static unsigned counter = 0;
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary =
        directory + "~orx" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno != EEXIST) {
      break;
    }
  }
  FileDescriptor file(fd);
  if (!file.valid()) {
    RaiseCannotCreate(path);
  }
  const bool written = !injected && WriteAll(file.get(), bytes.data(), bytes.size()) &&
                       (!targetExists || ::fchmod(file.get(), targetInfo.st_mode & 07777) == 0) &&
                       ::fsync(file.get()) == 0;
  if (!file.Close() || !written) {
    ::unlink(temporary.c_str());
    RaiseFailure(kWriteError, "Stream write error");
  }
  if (::rename(temporary.c_str(), native.c_str()) != 0) {
    ::unlink(temporary.c_str());
    RaiseCannotCreate(path);
  }
  NoteEntryMade(native);
  // The rename itself reaches the disk only with its directory.
  FileDescriptor parent(::open(directory.empty() ? "." : directory.c_str(), O_RDONLY));
  if (parent.valid()) {
    static_cast<void>(::fsync(parent.get()));
  }
}

// ---- Standard output and the failure text ------------------------------------------------------

OutputDevice StandardOutputDevice() {
  static const OutputDevice device = [] {
    // A closed reader must show as a failed write (as on Windows), not end the process.
    ::signal(SIGPIPE, SIG_IGN);
    struct stat info;
    if (::fstat(STDOUT_FILENO, &info) != 0) {
      return errno == EBADF ? OutputDevice::kNone : OutputDevice::kOther;
    }
    return S_ISCHR(info.st_mode) ? OutputDevice::kCharacter : OutputDevice::kOther;
  }();
  return device;
}

unsigned WriteStandardOutput(const char* data, std::size_t size) {
  StandardOutputDevice();
  while (size > 0) {
    const ssize_t written = ::write(STDOUT_FILENO, data, size);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      // The codes Windows would give for the same trouble.
      switch (written == 0 ? ENOSPC : errno) {
        case EBADF:
          return 6;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
          return 101;
        case EACCES:
        case EPERM:
          return 5;
        case EPIPE:
          return 232;
        default:
          return errno == 0 ? 29 : static_cast<unsigned>(errno);
      }
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

std::string ModuleFileName() {
  std::vector<char> buffer(4096);
  const ssize_t size = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  std::string path;
  if (size > 0 && static_cast<std::size_t>(size) < buffer.size()) {
    path.assign(buffer.data(), static_cast<std::size_t>(size));
  } else if (!RememberedArguments().empty()) {
    path = RememberedArguments().front();
  }
  const std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::uint32_t CodeOffsetOf(const void* address) {
  Dl_info info;
  if (address == nullptr || ::dladdr(address, &info) == 0 || info.dli_fbase == nullptr) {
    return 0;
  }
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address) -
                                    reinterpret_cast<std::uintptr_t>(info.dli_fbase));
}

void InstallFaultHandler(FaultReporter reporter) {
  static bool installed = false;
  gFaultReporter = reporter;
  if (installed) {
    return;
  }
  installed = true;
  // Its own stack, so that a stack overflow can still be reported.
  static std::vector<char> alternateStack(1 << 16);
  stack_t stack;
  std::memset(&stack, 0, sizeof stack);
  stack.ss_sp = alternateStack.data();
  stack.ss_size = alternateStack.size();
  ::sigaltstack(&stack, nullptr);
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_sigaction = OnFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (const int signalNumber : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
    ::sigaction(signalNumber, &action, nullptr);
  }
}

}  // namespace orx
