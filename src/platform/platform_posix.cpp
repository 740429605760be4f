// The POSIX port of platform.h: POSIX (and, where marked, Linux) calls only, no Windows rules.
// The rules it imitates (case fold, wildcards, full paths, drive mapping, fault names) sit above.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
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
#include <utility>
#include <vector>

#if defined(__linux__)
#include <ucontext.h>
#endif

#include "base/raised_failure.h"
#include "base/text_encoding.h"
#include "platform/case_fold.h"
#include "platform/fault_names.h"
#include "platform/full_path.h"
#include "platform/platform.h"
#include "platform/port.h"
#include "platform/posix_case_lookup.h"
#include "platform/unix_path.h"
#include "platform/wildcard.h"

namespace orx {

namespace {

// The port's name for the drive mapping every path goes through.
const auto& NativeOf = UnixPathOf;

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
  // A stack overflow arrives as SIGSEGV too, on the alternate stack: it shows as an access.
  const FaultName name = NameOfFault(signalNumber == SIGFPE   ? FaultKind::kDivisionByZero
                                     : signalNumber == SIGILL ? FaultKind::kPrivilegedInstruction
                                                              : FaultKind::kAccessViolation);
  const std::uintptr_t instruction = FaultingInstruction(context);
  gFaultReporter(name.kind, name.message,
                 instruction == 0 ? 0 : CodeOffsetOf(reinterpret_cast<const void*>(instruction)));
  ::signal(signalNumber, SIG_DFL);
  ::raise(signalNumber);
}

SystemFailure recordedFailure;

// Records the error of the call of the kind on path that has just failed, with its meaning;
// false, for the caller to return. A rename or removal refused (EACCES, as the fault program's
// doors give Windows' 5) is held unless its target is read-only or a folder, as on Windows.
bool Failed(const std::string& path, CallKind call = CallKind::kChange) {
  const int code = errno;
  bool targetRefusing = false;
  if (call == CallKind::kRenameOrRemove && (code == EACCES || code == EPERM)) {
    struct stat info;
    const std::string native = UnixPathOf(path);
    targetRefusing = !native.empty() && ::stat(native.c_str(), &info) == 0 &&
                     (S_ISDIR(info.st_mode) || !IsWritableByOwner(info));
  }
  recordedFailure = SystemFailure();
  recordedFailure.path = path;
  recordedFailure.code = static_cast<unsigned>(code);
  recordedFailure.call = call;
  recordedFailure.meaning = ClassOfPosixError(code, call, targetRefusing);
  errno = code;  // for callers that tell errors apart after this
  return false;
}

}  // namespace

// ---- Failures -----------------------------------------------------------------------------------

SystemFailure LastSystemFailure() {
  return recordedFailure;
}

void SetSystemFailure(const SystemFailure& failure) {
  recordedFailure = failure;
}

FailureKind KindOfFailure(unsigned code) {
  return port::KindOfClass(ClassOfPosixError(static_cast<int>(code), CallKind::kLook, false));
}

std::string SystemErrorText(unsigned code) {
  return std::strerror(static_cast<int>(code));
}

// ---- Existence, creation, copy ------------------------------------------------------------------

namespace {

// What the look at path that has just failed found: nothing, or nothing certain. The failure is
// recorded.
Found Absence(const std::string& path) {
  Failed(path, CallKind::kLook);
  return recordedFailure.meaning == ErrorClass::kNotThere ? Found::kNotThere : Found::kUnknown;
}

}  // namespace

Found port::IsFile(const std::string& path) {
  std::string native;
  struct stat info;
  if (!Locate(path, &native, &info)) {
    return Absence(path);
  }
  return S_ISDIR(info.st_mode) ? Found::kNotThere : Found::kThere;
}

void port::RecordFailure(const std::string& path, unsigned code, CallKind call) {
  errno = PosixErrorOf(code);
  Failed(path, call);
}

bool port::AsksForTheRoot(unsigned code) {
  return code == ENOENT || code == ENOTDIR;
}

void port::RecordRefusal(const std::string& path, Refusal refusal) {
  errno = refusal == Refusal::kNotFound ? ENOENT : refusal == Refusal::kNameTaken ? EEXIST : EACCES;
  Failed(path);
}

bool port::CreateDirectoryA(const std::string& path) {
  if (IsServerOrShare(path)) {
    return false;
  }
  const std::string native = NativeLocation(path);
  if (native.empty() || ::mkdir(native.c_str(), 0777) != 0) {
    return Failed(path);
  }
  NoteDirectoryMade(native);
  return true;
}

Found port::ReadAttributes(const std::string& path, unsigned* attributes) {
  std::string native;
  struct stat info;
  if (!Locate(path, &native, &info)) {
    return Absence(path);
  }
  *attributes = S_ISDIR(info.st_mode) ? kAttributeDirectory : kAttributeArchive;
  if (!IsWritableByOwner(info)) {
    *attributes |= kAttributeReadOnly;
  }
  return Found::kThere;
}

Found port::LastWriteTime(const std::string& path, std::uint64_t* time) {
  std::string native;
  struct stat info;
  if (!Locate(path, &native, &info)) {
    return Absence(path);
  }
  *time = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
          static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
  return Found::kThere;
}

NewFileResult port::CopyToNewFile(const std::string& source, const std::string& target,
                                  OpenCopy* open) {
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
    Failed(source, CallKind::kLook);
    return NewFileResult::kFailed;
  }
  std::string targetNative;
  struct stat targetInfo;
  if (Locate(target, &targetNative, &targetInfo)) {
    return NewFileResult::kNameTaken;
  }
  if (targetNative.empty()) {
    return NewFileResult::kFailed;
  }
  const mode_t mode = sourceInfo.st_mode & 07777;
  FileDescriptor to(
      ::open(targetNative.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode | S_IWUSR));
  if (!to.valid()) {
    Failed(target);
    return errno == EEXIST ? NewFileResult::kNameTaken : NewFileResult::kFailed;
  }
  NoteEntryMade(targetNative);
  bool copied = CopyContent(from.get(), to.get(), sourceInfo.st_size);
  if (copied) {
    // The copy takes the source's permissions and last-write time, as CopyFileA does.
    const struct timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
    // A new file already has the mode it was created with, less the process's umask.
    const mode_t created = (mode | S_IWUSR) & ~ProcessUmask();
    copied = created == mode || ::fchmod(to.get(), mode) == 0;
    static_cast<void>(::futimens(to.get(), times));
  }
  copied = to.Close() && copied;
  if (!copied) {
    Failed(target);
    ::unlink(targetNative.c_str());
    return NewFileResult::kFailed;
  }
  // A rename by name costs nothing more here: the copy is kept as its name alone.
  if (open != nullptr) {
    open->path = target;
  }
  return NewFileResult::kMade;
}

bool port::PlaceCopy(OpenCopy* copy, const std::string& to, bool replaceExisting) {
  return RenameFile(copy->path, to, replaceExisting);
}

void port::DropCopy(OpenCopy* copy) {
  RemoveFile(copy->path);
}

bool port::RenameFile(const std::string& from, const std::string& to, bool replaceExisting) {
  const std::string fromNative = NativeLocation(from);
  std::string toNative;
  struct stat toInfo;
  const bool exists = Locate(to, &toNative, &toInfo);
  if (fromNative.empty() || toNative.empty() || (exists && !replaceExisting)) {
    return false;
  }
  if (replaceExisting) {
    if (exists && !MayCreateOver(toInfo)) {
      errno = EACCES;  // Windows' answer for a read-only target or a folder
      return Failed(to, CallKind::kRenameOrRemove);
    }
    if (::rename(fromNative.c_str(), toNative.c_str()) != 0) {
      return Failed(to, CallKind::kRenameOrRemove);
    }
    NoteEntryMade(toNative);
    return true;
  }
  // Without replacing: a link fails when the name has appeared meanwhile, which rename would not.
  if (::link(fromNative.c_str(), toNative.c_str()) != 0) {
    return Failed(to, CallKind::kRenameOrRemove);
  }
  NoteEntryMade(toNative);
  ::unlink(fromNative.c_str());
  return true;
}

bool port::RemoveFile(const std::string& path) {
  const std::string native = NativeLocation(path);
  return (!native.empty() && ::unlink(native.c_str()) == 0) ||
         Failed(path, CallKind::kRenameOrRemove);
}

ListingResult port::ListDirectory(const std::string& pattern, unsigned attributeMask,
                                  std::vector<DirectoryEntry>* entries) {
  entries->clear();
  const std::string native = NativeOf(pattern);
  const std::string::size_type slash = native.rfind('/');
  const std::string mask = slash == std::string::npos ? native : native.substr(slash + 1);
  if (mask.empty()) {
    return ListingResult::kListed;
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
    Failed(pattern, CallKind::kLook);
    return errno == ENOENT || errno == ENOTDIR ? ListingResult::kNoDirectory
                                               : ListingResult::kFailed;
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
  ListingResult result = ListingResult::kListed;
  for (;;) {
    errno = 0;
    const dirent* found = ::readdir(stream);
    if (found == nullptr) {
      if (errno != 0) {
        Failed(pattern, CallKind::kLook);
        result = ListingResult::kFailed;
      }
      break;
    }
    const std::string name(found->d_name);
    const bool dots = name == "." || name == "..";
    if ((dots && isRoot) || !MatchesWildcard(mask, name)) {
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
      entries->push_back(entry);
    }
  }
  ::closedir(stream);
  // Case-insensitive order, "." and ".." first, as Wine lists; the exact bytes break ties.
  std::sort(entries->begin(), entries->end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    const bool aDots = a.name == "." || a.name == "..";
    const bool bDots = b.name == "." || b.name == "..";
    if (aDots != bDots) {
      return aDots;
    }
    const std::string aKey = CaseFolded(a.name);
    const std::string bKey = CaseFolded(b.name);
    return aKey != bKey ? aKey < bKey : a.name < b.name;
  });
  return result;
}

// ---- Names, time, text -------------------------------------------------------------------------

std::string ExpandPath(const std::string& path) {
  std::vector<char> current(4096);
  while (::getcwd(current.data(), current.size()) == nullptr) {
    if (errno != ERANGE) {
      return FullPathOf(path, std::string());  // no current directory to complete from
    }
    current.resize(current.size() * 2);
  }
  return FullPathOf(path, current.data());
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

std::uint64_t SteadyMilliseconds() {
  struct timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
         static_cast<std::uint64_t>(now.tv_nsec / 1000000);
}

void PauseFor(unsigned milliseconds) {
  struct timespec pause = {static_cast<time_t>(milliseconds / 1000),
                           static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

// The host's own names are UTF-8: the program's text is UTF-8 too.
std::string TextOfUnits(const std::u16string& units) {
  return EscapedUtf8OfUnits(units);
}

std::u16string UnitsOfText(const std::string& text) {
  return UnitsOfEscapedUtf8(text);
}

std::vector<LeadByteRange> LeadByteRanges() {
  return {};  // UTF-8: no byte of a character below 0x80 ever stands for ASCII
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return EqualCaseFolded(a, b);
}

std::string EqualityKeyOf(const std::string& text) {
  return CaseFolded(text);
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

port::ReadResult port::ReadFileBytesInto(const std::string& path, std::string* bytes) {
  // POSIX has no share modes: other writers cannot be refused here.
  const std::string native = NativeLocation(path);
  FileDescriptor file(native.empty() ? -1 : ::open(native.c_str(), O_RDONLY));
  struct stat info;
  if (!file.valid() || ::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
    if (native.empty()) {
      errno = ENOENT;
    } else if (file.valid() && S_ISDIR(info.st_mode)) {
      errno = EISDIR;
    }
    Failed(path, CallKind::kLook);
    return ReadResult::kNotOpened;
  }
  bytes->resize(static_cast<std::string::size_type>(info.st_size));
  const ssize_t got = ReadUpTo(file.get(), &(*bytes)[0], bytes->size());
  if (got < 0 || static_cast<std::string::size_type>(got) != bytes->size()) {
    Failed(path, CallKind::kLook);
    return ReadResult::kShortRead;
  }
  return ReadResult::kRead;
}

NewFileResult port::CreateFileForWriting(const std::string& path, bool mustBeNew,
                                         WritableFile* file) {
  std::string native;
  struct stat existing;
  const bool exists = Locate(path, &native, &existing);
  if (exists && mustBeNew) {
    return NewFileResult::kNameTaken;
  }
  if (native.empty() || (exists && !MayCreateOver(existing))) {
    return NewFileResult::kFailed;
  }
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mustBeNew ? O_EXCL : O_TRUNC);
  const int fd = ::open(native.c_str(), flags, 0666);
  if (fd < 0) {
    Failed(path);
    return errno == EEXIST ? NewFileResult::kNameTaken : NewFileResult::kFailed;
  }
  NoteEntryMade(native);
  file->handle = fd;
  return NewFileResult::kMade;
}

bool port::WriteToFile(const WritableFile& file, const std::string& bytes) {
  return WriteAll(static_cast<int>(file.handle), bytes.data(), bytes.size());
}

bool port::FlushFile(const WritableFile& file) {
  return ::fsync(static_cast<int>(file.handle)) == 0;
}

bool port::CloseFile(WritableFile* file) {
  const bool closed = ::close(static_cast<int>(file->handle)) == 0;
  file->handle = -1;
  return closed;
}

// A rename replaces in one step. As on Windows, the file it replaces stays under the backup name
// (a second link, made just before), so that the caller can see what the rename took out.
bool port::ReplaceWithFile(const std::string& target, const std::string& replacement,
                           const std::string& backup) {
  std::string native;
  struct stat targetInfo;
  const std::string replacementNative = NativeLocation(replacement);
  const std::string backupNative = NativeLocation(backup);
  if (!Locate(target, &native, &targetInfo) || replacementNative.empty() || backupNative.empty() ||
      ::link(native.c_str(), backupNative.c_str()) != 0) {
    return Failed(target);
  }
  NoteEntryMade(backupNative);
  if (::chmod(replacementNative.c_str(), targetInfo.st_mode & 07777) != 0 ||
      ::rename(replacementNative.c_str(), native.c_str()) != 0) {
    const int error = errno;
    ::unlink(backupNative.c_str());
    errno = error;
    return Failed(target);
  }
  NoteEntryMade(native);
  // The rename itself reaches the disk only with its directory.
  const std::string::size_type slash = native.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : native.substr(0, slash + 1);
  FileDescriptor parent(::open(directory.c_str(), O_RDONLY | O_CLOEXEC));
  if (parent.valid()) {
    static_cast<void>(::fsync(parent.get()));
  }
  return true;
}

unsigned ProcessNumber() {
  return static_cast<unsigned>(::getpid());
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

// ---- The account of a run -----------------------------------------------------------------------

namespace {

// How long an appender waits for another one's lock before it writes without one.
constexpr std::uint64_t kAppendLockWaitMs = 5000;

bool LockForAppend(int fd) {
  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  const std::uint64_t started = SteadyMilliseconds();
  for (;;) {
    if (::fcntl(fd, F_SETLK, &lock) == 0) {
      return true;
    }
    if ((errno != EAGAIN && errno != EACCES && errno != EINTR) ||
        SteadyMilliseconds() - started >= kAppendLockWaitMs) {
      return false;
    }
    ::usleep(10000);
  }
}

}  // namespace

ZonedTime ZonedNow() {
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  struct tm parts;
  ::localtime_r(&now.tv_sec, &parts);
  ZonedTime zoned;
  zoned.local = LocalTime{parts.tm_year + 1900,
                          parts.tm_mon + 1,
                          parts.tm_mday,
                          parts.tm_hour,
                          parts.tm_min,
                          parts.tm_sec,
                          static_cast<int>(now.tv_nsec / 1000000)};
  zoned.utcOffsetMinutes = static_cast<int>(parts.tm_gmtoff / 60);
  return zoned;
}

std::string ComputerName() {
  char name[256] = {};
  return ::gethostname(name, sizeof(name) - 1) == 0 ? std::string(name) : std::string();
}

std::string UserName() {
  char buffer[4096];
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  const char* user = std::getenv("USER");
  return user != nullptr ? user : std::string();
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
  std::string native;
  struct stat existing;
  const bool exists = Locate(path, &native, &existing);
  if (native.empty() || (exists && !MayCreateOver(existing))) {
    return false;
  }
  FileDescriptor file(::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (!file.valid()) {
    return false;
  }
  if (!exists) {
    NoteEntryMade(native);
  }
  // O_APPEND makes each write land whole at the end on a local disk, not over every network file
  // system: the lock makes the writers take turns.
  const bool locked = LockForAppend(file.get());
  const bool whole = WriteAll(file.get(), bytes.data(), bytes.size());
  if (locked) {
    struct flock unlock;
    std::memset(&unlock, 0, sizeof unlock);
    unlock.l_type = F_UNLCK;
    unlock.l_whence = SEEK_SET;
    ::fcntl(file.get(), F_SETLK, &unlock);
  }
  return file.Close() && whole;
}

void ForgetSystemFailure() {
  recordedFailure = SystemFailure();
}

FileComparison port::CompareFileForWriting(const std::string& path, const std::string& bytes) {
  // Write access is what Windows refuses for a folder and a read-only file; root is not refused
  // the open, so both are refused here by the rule. POSIX has no share modes.
  std::string native;
  struct stat info;
  const bool exists = Locate(path, &native, &info);
  if (!exists || !MayCreateOver(info)) {
    if (exists) {
      errno = S_ISDIR(info.st_mode) ? EISDIR : EACCES;
    }
    Failed(path);
    return FileComparison::kFailed;
  }
  FileDescriptor file(::open(native.c_str(), O_RDWR | O_CLOEXEC));
  if (!file.valid() || ::fstat(file.get(), &info) != 0) {
    Failed(path);
    return FileComparison::kFailed;
  }
  if (static_cast<std::string::size_type>(info.st_size) != bytes.size()) {
    return FileComparison::kDiffers;
  }
  std::string held(bytes.size(), '\0');
  const ssize_t got = ReadUpTo(file.get(), &held[0], held.size());
  if (got < 0) {
    Failed(path);
    return FileComparison::kFailed;
  }
  return static_cast<std::string::size_type>(got) == held.size() && held == bytes
             ? FileComparison::kEqual
             : FileComparison::kDiffers;
}

}  // namespace orx
