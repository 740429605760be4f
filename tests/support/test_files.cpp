#include "test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace fs = std::filesystem;

namespace orx::testing {

namespace {

#ifdef _WIN32
// The program's 8-bit names are in the ANSI code page, which std::filesystem's narrow strings are
// not: names cross between the two forms through the code page, as the narrow Win32 calls do.
std::wstring Widened(const std::string& text) {
  const int size =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string Narrowed(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}
#endif

// The std::filesystem path of a path in the program's form; a long one (or any, with longForm)
// in the \\?\ form, through which alone Windows reaches past 260 characters.
fs::path FileSystemPath(const std::string& path, bool longForm = false) {
#ifdef _WIN32
  const std::wstring wide = Widened(path);
  const bool full = wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\';
  return fs::path(full && (longForm || wide.size() >= 200) ? L"\\\\?\\" + wide : wide);
#else
  static_cast<void>(longForm);
  return fs::path(NativePath(path));
#endif
}

// Writes a file with exactly these bytes at a native path, creating missing parent directories;
// name is what a failure shows.
void WriteNative(const fs::path& native, const std::string& bytes, const std::string& name) {
  if (native.has_parent_path()) {
    fs::create_directories(native.parent_path());
  }
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out.good()) << "cannot write " << name;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The whole content of the file at a native path; name is what a failure shows.
std::string ReadNative(const fs::path& native, const std::string& name) {
  std::ifstream in(native, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << name;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string ProgramForm(const fs::path& native) {
#ifdef _WIN32
  std::string text = Narrowed(native.wstring());
#else
  std::string text = native.string();
#endif
  for (char& c : text) {
    if (c == '/') {
      c = '\\';
    }
  }
  return text;
}

#ifdef _WIN32
std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}
#endif

}  // namespace

std::string NativePath(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  // The POSIX port maps a drive prefix to the root, as Wine maps z:.
  std::string text = path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
  if (text.empty()) {
    text = "/";
  }
  for (char& c : text) {
    if (c == '\\') {
      c = '/';
    }
  }
  return text;
#endif
}

ScopedTempDir::ScopedTempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::ostringstream name;
  name << "orxtest-" << stamp << "-" << counter++;
  const fs::path native = fs::temp_directory_path() / name.str();
  fs::create_directories(native);
  // The program lower-cases every directory it is given: keep test paths lower case so that
  // messages and reports compare as whole texts; the file system matches names without case.
  path_ = ProgramForm(native) + "\\";
#ifdef _WIN32
  path_ = Lower(path_);
#endif
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  // Read-only entries would stop the removal on Windows.
  for (auto it = fs::recursive_directory_iterator(FileSystemPath(path_), ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  fs::remove_all(FileSystemPath(path_), ignored);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  WriteNative(FileSystemPath(path), bytes, path);
}

std::string ReadFile(const std::string& path) {
  return ReadNative(FileSystemPath(path), path);
}

bool FileExists(const std::string& path) {
  return fs::is_regular_file(FileSystemPath(path));
}

bool DirectoryExists(const std::string& path) {
  return fs::is_directory(FileSystemPath(path));
}

void MakeDirectories(const std::string& path) {
  fs::create_directories(FileSystemPath(path));
}

void SetReadOnly(const std::string& path, bool readOnly) {
  const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(FileSystemPath(path), write,
                  readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

std::string FolderOnSmallVolume(const std::string& name) {
  const char* volume = std::getenv("ORX_SMALL_VOLUME");
  if (volume == nullptr || *volume == '\0') {
    return std::string();
  }
  std::string folder = std::string(volume) + "/" + name + "/";
#ifdef _WIN32
  folder = "z:" + folder;
#endif
  for (char& c : folder) {
    c = c == '/' ? '\\' : c;
  }
  fs::remove_all(FileSystemPath(folder));
  fs::create_directories(FileSystemPath(folder));
  return folder;
}

bool ReadOnlyFilesAreRefused() {
#ifdef _WIN32
  static const bool refused = [] {
    const ScopedTempDir dir;
    WriteFile(dir / "probe.txt", "probe");
    SetReadOnly(dir / "probe.txt", true);
    const HANDLE file = CreateFileA((dir / "probe.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      return true;
    }
    CloseHandle(file);
    return false;
  }();
#else
  const bool refused = true;
#endif
  if (!refused && std::getenv("ORX_REQUIRE_READ_ONLY_REFUSAL") != nullptr) {
    ADD_FAILURE() << "a read-only file was opened for writing, yet this run must exercise the "
                     "read-only cases (run it as an unprivileged user)";
  }
  return refused;
}

#ifdef _WIN32
ScopedUnopenableFile::ScopedUnopenableFile(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {
  EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << "cannot hold " << path << ": " << GetLastError();
  const HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(reader, INVALID_HANDLE_VALUE) << "a reader still opens " << path;
  if (reader != INVALID_HANDLE_VALUE) {
    CloseHandle(reader);
  }
}

ScopedUnopenableFile::~ScopedUnopenableFile() {
  if (handle_ != INVALID_HANDLE_VALUE) {
    CloseHandle(handle_);
  }
}
#else
ScopedUnopenableFile::ScopedUnopenableFile(const std::string& path)
    : path_(path), content_(ReadFile(path)), socket_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
  const std::string native = NativePath(path);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  EXPECT_LT(native.size(), sizeof address.sun_path) << "too long for a socket: " << native;
  std::strncpy(address.sun_path, native.c_str(), sizeof address.sun_path - 1);
  EXPECT_EQ(::unlink(native.c_str()), 0) << native;
  EXPECT_EQ(::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0)
      << native << ": " << std::strerror(errno);
  const int reader = ::open(native.c_str(), O_RDONLY);
  EXPECT_LT(reader, 0) << "a reader still opens " << native;
  if (reader >= 0) {
    ::close(reader);
  }
}

ScopedUnopenableFile::~ScopedUnopenableFile() {
  ::close(socket_);
  ::unlink(NativePath(path_).c_str());
  WriteFile(path_, content_);
}
#endif

ScopedUnlistableFolder::ScopedUnlistableFolder(const std::string& path)
    : native_(NativePath(path)), refused_(false) {
  fs::permissions(fs::path(native_), fs::perms::none);
  std::error_code error;
  fs::directory_iterator listing(fs::path(native_), error);
  refused_ = static_cast<bool>(error);
}

ScopedUnlistableFolder::~ScopedUnlistableFolder() {
  fs::permissions(fs::path(native_), fs::perms::owner_all);
}

namespace {

// The path of a relative name below root, the name in the program's form or in UTF-8.
fs::path Below(const std::string& root, const std::string& relative, bool utf8) {
  if (!utf8) {
    return FileSystemPath(root + relative);
  }
  std::string name = relative;
  for (char& c : name) {
    c = c == '\\' ? '/' : c;
  }
  return FileSystemPath(root) / fs::u8path(name);
}

void WriteTreeAs(const std::string& root, const Tree& tree, bool utf8) {
  for (const auto& [relative, content] : tree) {
    const fs::path path = Below(root, relative, utf8);
    if (!relative.empty() && relative.back() == '\\') {
      fs::create_directories(path);
      continue;
    }
    WriteNative(path, content, relative);
  }
}

// Every entry below base, by its path relative to base, and whether it is a directory.
std::vector<std::pair<fs::path, bool>> EntriesBelow(const fs::path& base) {
  std::vector<std::pair<fs::path, bool>> entries;
#ifdef _WIN32
  // MinGW's directory iterator cannot go past 260 characters: walk with the wide calls.
  std::vector<std::wstring> pending{L""};
  while (!pending.empty()) {
    const std::wstring relative = pending.back();
    pending.pop_back();
    const std::wstring folder = base.native() + (relative.empty() ? L"" : L"\\" + relative);
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
      continue;
    }
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") {
        continue;
      }
      const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
      const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      entries.emplace_back(fs::path(path), directory);
      if (directory) {
        pending.push_back(path);
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
#else
  for (auto it = fs::recursive_directory_iterator(base); it != fs::recursive_directory_iterator();
       ++it) {
    entries.emplace_back(it->path().lexically_relative(base), it->is_directory());
  }
#endif
  return entries;
}

Tree ReadTreeAs(const std::string& root, bool utf8) {
  Tree tree;
  // Walks go deeper than root: they start from the long form, without a final separator.
  fs::path::string_type baseText = FileSystemPath(root, true).native();
  while (baseText.size() > 1 && (baseText.back() == '/' || baseText.back() == '\\')) {
    baseText.pop_back();
  }
  const fs::path base(baseText);
  for (const auto& [relative, directory] : EntriesBelow(base)) {
    std::string name = utf8 ? relative.u8string() : ProgramForm(relative);
    for (char& c : name) {
      c = c == '/' ? '\\' : c;
    }
    if (directory) {
      tree[name + "\\"] = "";
    } else {
      const fs::path::string_type separator(1, fs::path::preferred_separator);
      tree[name] = ReadNative(fs::path(baseText + separator + relative.native()), name);
    }
  }
  return tree;
}

}  // namespace

void WriteTree(const std::string& root, const Tree& tree) {
  WriteTreeAs(root, tree, false);
}

Tree ReadTree(const std::string& root) {
  return ReadTreeAs(root, false);
}

void WriteUtf8Tree(const std::string& root, const Tree& tree) {
  WriteTreeAs(root, tree, true);
}

Tree ReadUtf8Tree(const std::string& root) {
  return ReadTreeAs(root, true);
}

Tree WithDirectories(Tree tree) {
  Tree complete = tree;
  for (const auto& entry : tree) {
    const std::string& name = entry.first;
    for (std::string::size_type at = name.find('\\');
         at != std::string::npos && at + 1 < name.size(); at = name.find('\\', at + 1)) {
      complete[name.substr(0, at + 1)] = "";
    }
  }
  return complete;
}

Tree Replaced(Tree tree, const Tree& changes) {
  for (const auto& [name, content] : changes) {
    tree[name] = content;
  }
  return tree;
}

}  // namespace orx::testing
