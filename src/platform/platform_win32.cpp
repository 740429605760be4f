// The platform interface on Windows: Win32 calls only. File names reach Windows as UTF-16 (the W
// functions), long ones in the \\?\ form; the program's own 8-bit texts are in the ANSI code page,
// with escapes for what it cannot spell (names listed, the command line, the environment, the
// text of a settings file in a Unicode form).
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "base/characters.h"
#include "base/name_escapes.h"
#include "base/paths.h"
#include "base/raised_failure.h"
#include "platform/fault_names.h"
#include "platform/platform.h"
#include "platform/port.h"

namespace orx {

namespace {

struct FindHandle {
  HANDLE handle;
  ~FindHandle() {
    if (handle != INVALID_HANDLE_VALUE) {
      FindClose(handle);
    }
  }
};

struct FileHandle {
  HANDLE handle;
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
    }
  }
};

int TextLength(const std::string& text) {
  return static_cast<int>(text.size());
}

// Writes all bytes; false when the platform stores fewer.
bool WriteAll(HANDLE handle, const char* data, std::size_t left) {
  while (left > 0) {
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    data += written;
    left -= written;
  }
  return true;
}

bool Failed(const std::string& path, CallKind call = CallKind::kChange);

// Copies the rest of from into to; false when a read or a write fails, recorded against the file
// that failed: a source held by a lock is waited for as the source.
bool CopyBytes(HANDLE from, HANDLE to, const std::string& source, const std::string& target) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return Failed(source, CallKind::kLook);
    }
    if (got == 0) {
      return true;
    }
    if (!WriteAll(to, buffer.data(), got)) {
      return Failed(target, CallKind::kChange);
    }
  }
}

// Paths this long or longer go to Windows in the \\?\ form: below it even CreateDirectoryW, whose
// limit is the shortest (MAX_PATH less room for an 8.3 name), takes the plain form.
constexpr std::size_t kLongPath = MAX_PATH - 12;

// Appends a run of 8-bit text in the ANSI code page as UTF-16.
void AppendWidened(std::wstring* wide, const char* text, std::size_t size) {
  if (size == 0) {
    return;
  }
  const int length = static_cast<int>(size);
  const int units = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
  const std::size_t at = wide->size();
  wide->resize(at + static_cast<std::size_t>(units));
  MultiByteToWideChar(CP_ACP, 0, text, length, &(*wide)[at], units);
}

// The UTF-16 form of a program text: the code page's characters, and escapes as their units.
std::wstring Widened(const std::string& text) {
  std::wstring wide;
  ForEachEscapeRun(
      text,
      [&](std::size_t begin, std::size_t end) {
        AppendWidened(&wide, text.data() + begin, end - begin);
      },
      [&](char16_t unit) { wide.push_back(static_cast<wchar_t>(unit)); });
  return wide;
}

// The units in the ANSI code page; false unless that spelling converts back to the same units (no
// best-fit mapping, no default character).
bool SpelledInCodePage(const wchar_t* units, int count, std::string* text) {
  // UTF-8 as the ANSI code page refuses the flag and the default-character test.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* defaulted = utf8 ? nullptr : &usedDefault;
  const int size = WideCharToMultiByte(CP_ACP, flags, units, count, nullptr, 0, nullptr, defaulted);
  if (size <= 0) {
    return false;
  }
  text->assign(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, flags, units, count, &(*text)[0], size, nullptr, defaulted);
  if (usedDefault) {
    return false;
  }
  std::wstring back;
  AppendWidened(&back, text->data(), text->size());
  return back.compare(0, std::wstring::npos, units, static_cast<std::size_t>(count)) == 0;
}

// The program's 8-bit form of UTF-16 units from Windows: each unit the code page cannot spell
// exactly becomes an escape, so that Widened gives the very same units back. A text spelled exactly
// comes out byte for byte as the A functions give it, but for U+0001, the escapes' own lead, which
// is escaped too (no name holds it; a settings file might).
std::string Narrowed(const wchar_t* units, std::size_t count) {
  std::string text;
  if (std::wmemchr(units, L'\x01', count) == nullptr &&
      SpelledInCodePage(units, static_cast<int>(count), &text)) {
    return text;
  }
  text.clear();
  std::string one;
  for (std::size_t i = 0; i < count; ++i) {
    const wchar_t unit = units[i];
    // ASCII is spelt alike in every ANSI code page.
    if (unit < 0x80 && unit != L'\x01') {
      text.push_back(static_cast<char>(unit));
    } else if (unit != L'\x01' && SpelledInCodePage(units + i, 1, &one)) {
      text += one;
    } else {
      AppendEscape(&text, static_cast<char16_t>(unit));
    }
  }
  return text;
}

std::string Narrowed(const wchar_t* name) {
  return Narrowed(name, std::wcslen(name));
}

// The full UTF-16 path of a UTF-16 path; empty when Windows cannot expand it.
std::wstring FullPathOf(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) {
    return std::wstring();
  }
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  full.resize(length < size ? length : 0);
  return full;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// The path as Windows is to be given it: UTF-16, and in the \\?\ (or \\?\UNC\) form when it is long
// or a full path is wanted (ReplaceFileW refuses relative names under Wine).
std::wstring SystemPath(const std::string& path, bool full = false) {
  std::wstring wide = Widened(path);
  if ((!full && wide.size() < kLongPath) || StartsWith(wide, L"\\\\?\\")) {
    return wide;
  }
  std::wstring expanded = FullPathOf(wide);
  if (expanded.empty()) {
    return wide;
  }
  if (expanded.size() < kLongPath) {
    return expanded;
  }
  // The long form takes no final backslash after a directory's name.
  if (expanded.size() > 3 && expanded.back() == L'\\') {
    expanded.pop_back();
  }
  return StartsWith(expanded, L"\\\\") ? L"\\\\?\\UNC\\" + expanded.substr(2)
                                       : L"\\\\?\\" + expanded;
}

FaultReporter faultReporter = nullptr;

SystemFailure recordedFailure;

// Records the error of the call of the kind on path that has just failed, with its meaning;
// false, for the caller to return. A rename or removal refused with 5 is looked at once more: a
// target that is neither read-only nor a folder is open without delete sharing, held for a moment.
bool Failed(const std::string& path, CallKind call) {
  const DWORD code = GetLastError();
  bool targetRefusing = false;
  if (call == CallKind::kRenameOrRemove && code == ERROR_ACCESS_DENIED) {
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    targetRefusing = attributes != INVALID_FILE_ATTRIBUTES &&
                     (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
  }
  recordedFailure = SystemFailure();
  recordedFailure.path = path;
  recordedFailure.code = code;
  recordedFailure.call = call;
  recordedFailure.meaning = ClassOfWindowsError(code, call, targetRefusing);
  SetLastError(code);  // for callers that tell errors apart after this
  return false;
}

// Whether path has a file, or nothing, where it names its folder: a look at it then fails with
// "file not found" or "path not found" on Windows, but with 123 (invalid name) under Wine. The
// folder is looked at without its final backslash, which FindFirstFileW and GetFileAttributesW
// refuse after a file's name (267), and found by characters, not bytes.
bool NoFolderAbove(const std::string& path) {
  std::string folder = path;
  while (EndsWithCharacter(folder, '\\')) {
    folder.pop_back();
  }
  const std::string::size_type slash = FindLastCharacterOf(folder, "\\");
  if (slash == std::string::npos) {
    return false;
  }
  folder.resize(slash);
  if (folder.empty() || folder.back() == ':') {
    return false;  // the root of a drive, which is a folder
  }
  const DWORD attributes = GetFileAttributesW(SystemPath(folder).c_str());
  return attributes == INVALID_FILE_ATTRIBUTES
             ? ClassOfWindowsError(GetLastError(), CallKind::kLook, false) == ErrorClass::kNotThere
             : (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// What the look at path that has just failed found: nothing, or nothing certain. The failure is
// recorded and stays the last error.
Found Absence(const std::string& path) {
  Failed(path, CallKind::kLook);
  const DWORD code = GetLastError();
  const bool absent = recordedFailure.meaning == ErrorClass::kNotThere || NoFolderAbove(path);
  if (absent) {
    recordedFailure.meaning = ErrorClass::kNotThere;
  }
  SetLastError(code);
  return absent ? Found::kNotThere : Found::kUnknown;
}

LONG WINAPI ReportFault(EXCEPTION_POINTERS* pointers) {
  if (faultReporter == nullptr || IsDebuggerPresent()) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  FaultKind kind = FaultKind::kExternal;
  switch (record->ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION:
      kind = FaultKind::kAccessViolation;
      break;
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
      kind = FaultKind::kDivisionByZero;
      break;
    case EXCEPTION_STACK_OVERFLOW:
      kind = FaultKind::kStackOverflow;
      break;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
      kind = FaultKind::kPrivilegedInstruction;
      break;
    default:
      break;
  }
  const FaultName name = NameOfFault(kind);
  faultReporter(name.kind, name.message, CodeOffsetOf(record->ExceptionAddress));
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

SystemFailure LastSystemFailure() {
  return recordedFailure;
}

void SetSystemFailure(const SystemFailure& failure) {
  recordedFailure = failure;
}

FailureKind KindOfFailure(unsigned code) {
  return port::KindOfClass(ClassOfWindowsError(code, CallKind::kLook, false));
}

std::string SystemErrorText(unsigned code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide(text != nullptr ? text : L"", length);
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' ||
                           wide.back() == L'.')) {
    wide.pop_back();
  }
  return Narrowed(wide.c_str(), wide.size());
}

Found port::IsFile(const std::string& path) {
  WIN32_FIND_DATAW data;
  FindHandle find{FindFirstFileW(SystemPath(path).c_str(), &data)};
  if (find.handle == INVALID_HANDLE_VALUE) {
    return Absence(path);
  }
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? Found::kThere : Found::kNotThere;
}

Found port::ReadAttributes(const std::string& path, unsigned* attributes) {
  const DWORD found = GetFileAttributesW(SystemPath(path).c_str());
  if (found == INVALID_FILE_ATTRIBUTES) {
    return Absence(path);
  }
  *attributes = found & 63u;
  return Found::kThere;
}

Found port::LastWriteTime(const std::string& path, std::uint64_t* time) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(SystemPath(path).c_str(), GetFileExInfoStandard, &data) == 0) {
    return Absence(path);
  }
  *time = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
          data.ftLastWriteTime.dwLowDateTime;
  return Found::kThere;
}

void port::RecordFailure(const std::string& path, unsigned code, CallKind call) {
  SetLastError(code);
  if (call == CallKind::kLook) {
    Absence(path);
  } else {
    Failed(path, call);
  }
}

bool port::AsksForTheRoot(unsigned code) {
  return code == ERROR_PATH_NOT_FOUND;
}

void port::RecordRefusal(const std::string& path, Refusal refusal) {
  SetLastError(refusal == Refusal::kNotFound    ? ERROR_FILE_NOT_FOUND
               : refusal == Refusal::kNameTaken ? ERROR_ALREADY_EXISTS
                                                : ERROR_ACCESS_DENIED);
  Failed(path);
}

bool port::CreateDirectoryA(const std::string& path) {
  return CreateDirectoryW(SystemPath(path).c_str(), nullptr) != 0 || Failed(path);
}

NewFileResult port::CopyToNewFile(const std::string& source, const std::string& target,
                                  OpenCopy* open) {
  // The bytes are copied here rather than by CopyFileW, so that the new file stays open and
  // PlaceCopy renames it through its handle: under Wine a rename by name costs three more server
  // requests and a look through the folder. The source is shared as CopyFileW shares it.
  FileHandle from{CreateFileW(SystemPath(source).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
  FILE_BASIC_INFO found;
  if (from.handle == INVALID_HANDLE_VALUE ||
      !GetFileInformationByHandleEx(from.handle, FileBasicInfo, &found, sizeof found)) {
    Failed(source, CallKind::kLook);
    return NewFileResult::kFailed;
  }
  // DELETE access lets PlaceCopy rename it.
  FileHandle to{CreateFileW(SystemPath(target).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (to.handle == INVALID_HANDLE_VALUE) {
    Failed(target);
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFileResult::kNameTaken
                                                                       : NewFileResult::kFailed;
  }
  if (!CopyBytes(from.handle, to.handle, source, target)) {
    const SystemFailure failure = LastSystemFailure();
    CloseHandle(to.handle);
    to.handle = INVALID_HANDLE_VALUE;
    // What was written before a full disk stopped the copy.
    RemoveFile(target);
    SetSystemFailure(failure);
    return NewFileResult::kFailed;
  }
  // The source's attributes and last-write time, as CopyFileW carries them; like CopyFileW, a
  // volume that refuses them still gets the copy.
  FILE_BASIC_INFO carried = {};
  carried.LastWriteTime = found.LastWriteTime;
  carried.FileAttributes = found.FileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  if (carried.FileAttributes == FILE_ATTRIBUTE_ARCHIVE) {
    carried.FileAttributes = 0;  // a new file has just that: no change is cheaper under Wine
  } else if (carried.FileAttributes == 0) {
    carried.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  }
  SetFileInformationByHandle(to.handle, FileBasicInfo, &carried, sizeof carried);
  if (open != nullptr) {
    open->path = target;
    open->handle = reinterpret_cast<std::intptr_t>(to.handle);
    to.handle = INVALID_HANDLE_VALUE;
  }
  return NewFileResult::kMade;
}

bool port::PlaceCopy(OpenCopy* copy, const std::string& to, bool replaceExisting) {
  // In full, so that a relative name is read against the current directory, as by every call.
  const std::wstring name = SystemPath(to, true);
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replaceExisting ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  std::memcpy(rename->FileName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  const HANDLE handle = reinterpret_cast<HANDLE>(copy->handle);
  if (!SetFileInformationByHandle(handle, FileRenameInfo, rename,
                                  static_cast<DWORD>(buffer.size()))) {
    return Failed(to, CallKind::kRenameOrRemove);
  }
  CloseHandle(handle);
  copy->handle = -1;
  return true;
}

void port::DropCopy(OpenCopy* copy) {
  if (copy->handle != -1) {
    CloseHandle(reinterpret_cast<HANDLE>(copy->handle));
    copy->handle = -1;
  }
  RemoveFile(copy->path);
}

bool port::RenameFile(const std::string& from, const std::string& to, bool replaceExisting) {
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0);
  return MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(), flags) != 0 ||
         Failed(to, CallKind::kRenameOrRemove);
}

bool port::RemoveFile(const std::string& path) {
  const std::wstring name = SystemPath(path);
  if (DeleteFileW(name.c_str())) {
    return true;
  }
  return (SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL) && DeleteFileW(name.c_str())) ||
         Failed(path, CallKind::kRenameOrRemove);
}

ListingResult port::ListDirectory(const std::string& pattern, unsigned attributeMask,
                                  std::vector<DirectoryEntry>* entries) {
  entries->clear();
  WIN32_FIND_DATAW data;
  FindHandle find{FindFirstFileW(SystemPath(pattern).c_str(), &data)};
  if (find.handle == INVALID_HANDLE_VALUE) {
    const bool noMatch = GetLastError() == ERROR_FILE_NOT_FOUND;
    if (noMatch || GetLastError() == ERROR_NO_MORE_FILES) {
      return ListingResult::kListed;
    }
    // A file where the folder should be comes back as one of several errors (Windows and Wine
    // differ): only a folder that is there, or cannot be looked at, could not be listed.
    return Absence(pattern) == Found::kNotThere ? ListingResult::kNoDirectory
                                                : ListingResult::kFailed;
  }
  do {
    const unsigned attributes = data.dwFileAttributes & 63u;
    if (PassesAttributeMask(attributes, attributeMask)) {
      entries->push_back(DirectoryEntry{Narrowed(data.cFileName), attributes});
    }
  } while (FindNextFileW(find.handle, &data));
  return GetLastError() == ERROR_NO_MORE_FILES || Failed(pattern, CallKind::kLook)
             ? ListingResult::kListed
             : ListingResult::kFailed;
}

std::string ExpandPath(const std::string& path) {
  if (path.empty()) {
    return std::string();
  }
  // The W call, so that a character the code page cannot spell (an escape) and one in the current
  // directory stay themselves; the limit counts UTF-16 units.
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetFullPathNameW(Widened(path).c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH) {
    return std::string();
  }
  return Narrowed(buffer, length);
}

LocalTime LocalNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return LocalTime{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                   now.wMinute, now.wSecond, now.wMilliseconds};
}

std::uint64_t SteadyMilliseconds() {
  return GetTickCount64();
}

void PauseFor(unsigned milliseconds) {
  Sleep(milliseconds);
}

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

std::string TextOfUnits(const std::u16string& units) {
  return Narrowed(reinterpret_cast<const wchar_t*>(units.data()), units.size());
}

std::u16string UnitsOfText(const std::string& text) {
  const std::wstring wide = Widened(text);
  return std::u16string(wide.begin(), wide.end());
}

std::vector<LeadByteRange> LeadByteRanges() {
  std::vector<LeadByteRange> ranges;
  CPINFO info;
  if (GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2) {
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
      ranges.push_back(LeadByteRange{info.LeadByte[i], info.LeadByte[i + 1]});
    }
  }
  return ranges;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.empty() && b.empty()) {
    return true;
  }
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), TextLength(a), b.data(),
                        TextLength(b)) == CSTR_EQUAL;
}

std::string EqualityKeyOf(const std::string& text) {
  // A zero-length input is refused by LCMapStringA; a lone zero byte is ignored by the comparison
  // just as the empty text is, so its key stands for the empty text.
  const std::string source = text.empty() ? std::string(1, '\0') : text;
  const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  // Room for the usual key, so that one call mostly suffices: asking for the size first computes
  // the key twice, and the key is what a month comparison spends its time on.
  std::string key(source.size() * 4 + 32, '\0');
  int size = LCMapStringA(LOCALE_USER_DEFAULT, flags, source.data(), TextLength(source), &key[0],
                          static_cast<int>(key.size()));
  if (size <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    size = LCMapStringA(LOCALE_USER_DEFAULT, flags, source.data(), TextLength(source), nullptr, 0);
    if (size > 0) {
      key.assign(static_cast<std::size_t>(size), '\0');
      size = LCMapStringA(LOCALE_USER_DEFAULT, flags, source.data(), TextLength(source), &key[0],
                          size);
    }
  }
  if (size <= 0) {
    // No sort key: fall back to a key no sort key can equal (sort keys end in a zero byte).
    return "\x01" + text + "\x01";
  }
  key.resize(static_cast<std::size_t>(size));
  return key;
}

// The environment and the command line are read as UTF-16: the A functions would hand over a
// best-fit look-alike of a character the code page lacks ("ř" as "r"), which names another folder.
std::string ReadEnvironment(const std::string& name) {
  const std::wstring wideName = Widened(name);
  std::wstring value(1024, L'\0');
  DWORD length = GetEnvironmentVariableW(wideName.c_str(), &value[0], 1024);
  if (length >= 1024) {
    // Too long for the usual room: the platform said how much it needs, so read it whole.
    value.assign(length, L'\0');
    length = GetEnvironmentVariableW(wideName.c_str(), &value[0], length);
    if (length >= value.size()) {
      return std::string();
    }
  }
  value.resize(length);
  return Narrowed(value.c_str());
}

std::string CommandLineText() {
  const wchar_t* line = GetCommandLineW();
  return line == nullptr ? std::string() : Narrowed(line);
}

void RememberProcessArguments(int, char**) {}

port::ReadResult port::ReadFileBytesInto(const std::string& path, std::string* bytes) {
  FileHandle file{CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) {
    Failed(path, CallKind::kLook);
    return ReadResult::kNotOpened;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.handle, &size)) {
    Failed(path, CallKind::kLook);
    return ReadResult::kShortRead;
  }
  bytes->resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t got = 0;
  while (got < bytes->size()) {
    const std::size_t left = bytes->size() - got;
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD read = 0;
    if (!ReadFile(file.handle, &(*bytes)[got], chunk, &read, nullptr) || read == 0) {
      Failed(path, CallKind::kLook);
      return ReadResult::kShortRead;
    }
    got += read;
  }
  return ReadResult::kRead;
}

NewFileResult port::CreateFileForWriting(const std::string& path, bool mustBeNew,
                                         WritableFile* file) {
  const HANDLE handle =
      CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                  mustBeNew ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    Failed(path);
    return GetLastError() == ERROR_FILE_EXISTS ? NewFileResult::kNameTaken : NewFileResult::kFailed;
  }
  file->handle = reinterpret_cast<std::intptr_t>(handle);
  return NewFileResult::kMade;
}

bool port::WriteToFile(const WritableFile& file, const std::string& bytes) {
  return WriteAll(reinterpret_cast<HANDLE>(file.handle), bytes.data(), bytes.size());
}

bool port::FlushFile(const WritableFile& file) {
  return FlushFileBuffers(reinterpret_cast<HANDLE>(file.handle)) != 0;
}

bool port::CloseFile(WritableFile* file) {
  const bool closed = CloseHandle(reinterpret_cast<HANDLE>(file->handle)) != 0;
  file->handle = -1;
  return closed;
}

bool port::ReplaceWithFile(const std::string& target, const std::string& replacement,
                           const std::string& backup) {
  // ReplaceFileW keeps the old file's attributes and security. Wine refuses relative names there
  // (error 267), so all are given in full. Without a backup name the old file would pass through
  // a name of the system's choosing (Wine leaves an empty rf*.tmp after a failure).
  return ReplaceFileW(SystemPath(target, true).c_str(), SystemPath(replacement, true).c_str(),
                      SystemPath(backup, true).c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                      nullptr) != 0 ||
         Failed(target);
}

unsigned ProcessNumber() {
  return static_cast<unsigned>(GetCurrentProcessId());
}

OutputDevice StandardOutputDevice() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == INVALID_HANDLE_VALUE || output == nullptr) {
    return OutputDevice::kNone;
  }
  switch (GetFileType(output)) {
    case FILE_TYPE_CHAR:
      return OutputDevice::kCharacter;
    case FILE_TYPE_DISK:
    case FILE_TYPE_PIPE:
      return OutputDevice::kOther;
    default:
      return OutputDevice::kNone;
  }
}

unsigned WriteStandardOutput(const char* data, std::size_t size) {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(output, data, static_cast<DWORD>(size), &written, nullptr)) {
      const DWORD error = GetLastError();
      return error == 0 ? 29u : static_cast<unsigned>(error);
    }
    if (written == 0) {
      return 101;  // nothing taken: the medium is full
    }
    data += written;
    size -= written;
  }
  return 0;
}

std::string ModuleFileName() {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  const std::string path(buffer, length < MAX_PATH ? length : 0);
  const std::string::size_type at = FindLastCharacterOf(path, "\\/:");
  return at == std::string::npos ? path : path.substr(at + 1);
}

std::uint32_t CodeOffsetOf(const void* address) {
  HMODULE module = nullptr;
  if (GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(address), &module)) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address) -
                                      reinterpret_cast<std::uintptr_t>(module));
  }
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address));
}

void InstallFaultHandler(FaultReporter reporter) {
  faultReporter = reporter;
  SetUnhandledExceptionFilter(ReportFault);
}

// ---- The account of a run -----------------------------------------------------------------------

namespace {

// How long an appender waits for another one's lock before it writes without one.
constexpr DWORD kAppendLockWaitMs = 5000;

std::int64_t TicksOf(const SYSTEMTIME& time) {
  FILETIME file{};
  SystemTimeToFileTime(&time, &file);
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(file.dwHighDateTime) << 32) |
                                   file.dwLowDateTime);
}

// Takes the appenders' lock: one byte far beyond any log's end, so that readers of the log are
// never locked out. False when it cannot be had in time or the handle may not lock.
bool LockForAppend(HANDLE file, OVERLAPPED* at) {
  at->OffsetHigh = 0x7FFFFFFFu;
  // Measured by the clock: a Sleep(10) lasts to the next tick of Windows' clock, 15.6 ms.
  const ULONGLONG started = GetTickCount64();
  for (;;) {
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, at)) {
      return true;
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION || GetTickCount64() - started >= kAppendLockWaitMs) {
      return false;
    }
    Sleep(10);
  }
}

}  // namespace

ZonedTime ZonedNow() {
  SYSTEMTIME utc;
  SYSTEMTIME local;
  GetSystemTime(&utc);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    local = utc;
  }
  ZonedTime now;
  now.local = LocalTime{local.wYear,   local.wMonth,  local.wDay,         local.wHour,
                        local.wMinute, local.wSecond, local.wMilliseconds};
  now.utcOffsetMinutes = static_cast<int>((TicksOf(local) - TicksOf(utc)) / 600000000);
  return now;
}

std::string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? Narrowed(name, size) : std::string();
}

std::string UserName() {
  wchar_t name[257];  // the longest user name and its terminating zero
  DWORD size = 257;
  return GetUserNameW(name, &size) && size > 0 ? Narrowed(name, size - 1) : std::string();
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
  // Without FILE_WRITE_DATA every write goes whole to the end of the file, on a local volume as
  // over SMB. Locking takes read access too; a drop-box share may grant appends alone, and then
  // the log is written without the lock.
  const std::wstring name = SystemPath(path);
  const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  FileHandle file{CreateFileW(name.c_str(), FILE_READ_DATA | FILE_APPEND_DATA | SYNCHRONIZE,
                              sharing, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
    file.handle = CreateFileW(name.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, sharing, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (file.handle == INVALID_HANDLE_VALUE || bytes.size() > 0xFFFFFFFFu) {
    return false;
  }
  // Whether appends from many processes are whole is not known of every SMB server, nor of Wine:
  // the lock makes the writers take turns.
  OVERLAPPED at{};
  const bool locked = LockForAppend(file.handle, &at);
  DWORD written = 0;
  const DWORD size = static_cast<DWORD>(bytes.size());
  const bool whole =
      WriteFile(file.handle, bytes.data(), size, &written, nullptr) && written == size;
  if (locked) {
    UnlockFileEx(file.handle, 0, 1, 0, &at);
  }
  return whole;
}

void ForgetSystemFailure() {
  recordedFailure = SystemFailure();
}

FileComparison port::CompareFileForWriting(const std::string& path, const std::string& bytes) {
  FileHandle file{CreateFileW(SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  BY_HANDLE_FILE_INFORMATION info;
  if (file.handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file.handle, &info)) {
    Failed(path);
    return FileComparison::kFailed;
  }
  // Windows refuses a read-only file write access; Wine run as root grants it.
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    Failed(path);
    return FileComparison::kFailed;
  }
  const ULONGLONG size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size != bytes.size()) {
    return FileComparison::kDiffers;
  }
  // Read in pieces; the first piece that differs ends the comparison.
  char piece[65536];
  std::size_t compared = 0;
  while (compared < bytes.size()) {
    const std::size_t left = bytes.size() - compared;
    const DWORD wanted = static_cast<DWORD>(left < sizeof piece ? left : sizeof piece);
    DWORD read = 0;
    if (!ReadFile(file.handle, piece, wanted, &read, nullptr) || read == 0) {
      Failed(path);
      return FileComparison::kFailed;
    }
    if (bytes.compare(compared, read, piece, read) != 0) {
      return FileComparison::kDiffers;
    }
    compared += read;
  }
  return FileComparison::kEqual;
}

}  // namespace orx
