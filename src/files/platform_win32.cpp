// The platform interface on Windows: only Win32 ANSI (A) functions, 8-bit text in the user's code
// page, no conversion.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "files/platform.h"
#include "files/raised_failure.h"

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

[[noreturn]] void RaiseCannotCreate(const std::string& path) {
  RaiseFailure(kFileCreateError, MessageWithName("Cannot create file %s", path));
}

// Writes all bytes; false when the platform stores fewer.
bool WriteAll(HANDLE handle, const std::string& bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
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

// A fresh file beside path for its replacement, opened without sharing. The name ("~ox" and four
// hexadecimal digits) is no longer than "orx.ini", so a settings file whose path fits the narrow
// file calls can always be replaced. Returns the invalid handle when no file could be made.
HANDLE CreateTemporaryBeside(const std::string& path, std::string* temporary) {
  static unsigned counter = GetCurrentProcessId() * 2654435761u;
  const std::string::size_type at = path.find_last_of("\\:");
  const std::string directory = at == std::string::npos ? std::string() : path.substr(0, at + 1);
  for (int attempt = 0; attempt < 64; ++attempt) {
    char name[8];
    std::snprintf(name, sizeof(name), "~ox%04X", (++counter) & 0xFFFFu);
    *temporary = directory + name;
    const HANDLE file = CreateFileA(temporary->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
      return file;
    }
  }
  return INVALID_HANDLE_VALUE;
}

FaultReporter faultReporter = nullptr;

LONG WINAPI ReportFault(EXCEPTION_POINTERS* pointers) {
  if (faultReporter == nullptr || IsDebuggerPresent()) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  const char* kind = "EExternalException";
  const char* message = "External exception";
  switch (record->ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION:
      kind = "EAccessViolation";
      message = "Access violation";
      break;
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
      kind = "EDivByZero";
      message = "Division by zero";
      break;
    case EXCEPTION_STACK_OVERFLOW:
      kind = "EStackOverflow";
      message = "Stack overflow";
      break;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
      kind = "EPrivilege";
      message = "Privileged instruction";
      break;
    default:
      break;
  }
  faultReporter(kind, message, CodeOffsetOf(record->ExceptionAddress));
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

bool IsFile(const std::string& path) {
  WIN32_FIND_DATAA data;
  FindHandle find{FindFirstFileA(path.c_str(), &data)};
  return find.handle != INVALID_HANDLE_VALUE &&
         (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateDirectoryA(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool CopyFileA(const std::string& source, const std::string& target, bool failIfExists) {
  return ::CopyFileA(source.c_str(), target.c_str(), failIfExists ? TRUE : FALSE) != 0;
}

std::vector<DirectoryEntry> EnumerateDirectory(const std::string& pattern, unsigned attributeMask) {
  std::vector<DirectoryEntry> entries;
  WIN32_FIND_DATAA data;
  FindHandle find{FindFirstFileA(pattern.c_str(), &data)};
  if (find.handle == INVALID_HANDLE_VALUE) {
    return entries;
  }
  do {
    const unsigned attributes = data.dwFileAttributes & 63u;
    if (PassesAttributeMask(attributes, attributeMask)) {
      entries.push_back(DirectoryEntry{data.cFileName, attributes});
    }
  } while (FindNextFileA(find.handle, &data));
  return entries;
}

std::string ExpandPath(const std::string& path) {
  if (path.empty()) {
    return std::string();
  }
  char buffer[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH) {
    return std::string();
  }
  return std::string(buffer, length);
}

LocalTime LocalNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return LocalTime{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                   now.wMinute, now.wSecond, now.wMilliseconds};
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

std::string ReadEnvironment(const std::string& name) {
  std::string value(1024, '\0');
  DWORD length = GetEnvironmentVariableA(name.c_str(), &value[0], 1024);
  if (length >= 1024) {
    // Too long for the usual room: the platform said how much it needs, so read it whole.
    value.assign(length, '\0');
    length = GetEnvironmentVariableA(name.c_str(), &value[0], length);
    if (length >= value.size()) {
      return std::string();
    }
  }
  value.resize(length);
  return value.substr(0, value.find('\0'));
}

std::string CommandLineText() {
  const char* line = GetCommandLineA();
  return line == nullptr ? std::string() : std::string(line);
}

void RememberProcessArguments(int, char**) {}

void ReadFileBytesInto(const std::string& path, std::string* bytes) {
  FileHandle file{CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) {
    RaiseFailure(kFileOpenError, MessageWithName("Cannot open file %s", path));
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.handle, &size)) {
    RaiseFailure(kReadError, "Stream read error");
  }
  bytes->resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t got = 0;
  while (got < bytes->size()) {
    const std::size_t left = bytes->size() - got;
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD read = 0;
    if (!ReadFile(file.handle, &(*bytes)[got], chunk, &read, nullptr) || read == 0) {
      RaiseFailure(kReadError, "Stream read error");
    }
    got += read;
  }
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  FileHandle file{CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) {
    RaiseCannotCreate(path);
  }
  if (!WriteAll(file.handle, bytes)) {
    RaiseFailure(kWriteError, "Stream write error");
  }
}

void ReplaceFileBytes(const std::string& path, const std::string& bytes) {
  const DWORD existing = GetFileAttributesA(path.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES &&
      (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    RaiseCannotCreate(path);
  }
  std::string temporary;
  {
    FileHandle file{CreateTemporaryBeside(path, &temporary)};
    if (file.handle == INVALID_HANDLE_VALUE) {
      RaiseCannotCreate(path);
    }
    const bool written = WriteAll(file.handle, bytes);
    const bool flushed = written && FlushFileBuffers(file.handle);
    if (!flushed) {
      CloseHandle(file.handle);
      file.handle = INVALID_HANDLE_VALUE;
      DeleteFileA(temporary.c_str());
      if (!written) {
        RaiseFailure(kWriteError, "Stream write error");
      }
      RaiseCannotCreate(path);
    }
  }
  // ReplaceFileA keeps the old file's attributes and security; it needs an existing target.
  // Wine refuses relative names there (error 267), so both are given in full.
  const bool replaced =
      existing != INVALID_FILE_ATTRIBUTES
          ? ReplaceFileA(ExpandPath(path).c_str(), ExpandPath(temporary).c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
          : MoveFileExA(temporary.c_str(), path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!replaced) {
    DeleteFileA(temporary.c_str());
    RaiseCannotCreate(path);
  }
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
  const std::string::size_type at = path.find_last_of("\\/:");
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

}  // namespace orx
