#include "test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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

// The std::filesystem path of a path in the program's form.
fs::path FileSystemPath(const std::string& path) {
#ifdef _WIN32
  return fs::path(Widened(path));
#else
  return fs::path(NativePath(path));
#endif
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
  const fs::path native = FileSystemPath(path);
  if (native.has_parent_path()) {
    fs::create_directories(native.parent_path());
  }
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out.good()) << "cannot write " << path;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(FileSystemPath(path), std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
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

void WriteTree(const std::string& root, const Tree& tree) {
  for (const auto& [relative, content] : tree) {
    if (!relative.empty() && relative.back() == '\\') {
      MakeDirectories(root + relative);
    } else {
      WriteFile(root + relative, content);
    }
  }
}

Tree ReadTree(const std::string& root) {
  Tree tree;
  const fs::path base = FileSystemPath(root);
  for (auto it = fs::recursive_directory_iterator(base); it != fs::recursive_directory_iterator();
       ++it) {
    std::string relative = ProgramForm(fs::relative(it->path(), base));
    if (it->is_directory()) {
      tree[relative + "\\"] = "";
    } else {
      tree[relative] = ReadFile(root + relative);
    }
  }
  return tree;
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
