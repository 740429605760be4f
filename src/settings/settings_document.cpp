#include "settings/settings_document.h"

#include <algorithm>
#include <map>
#include <utility>

#include "base/characters.h"
#include "base/integer.h"
#include "base/paths.h"
#include "base/raised_failure.h"
#include "files/sharing_waits.h"
#include "files/whole_files.h"
#include "platform/disk_changes.h"
#include "platform/platform.h"

namespace orx {

namespace {

bool IsHeader(const std::string& line) {
  return line.size() >= 2 && line.front() == '[' && EndsWithCharacter(line, ']');
}

// True when line is a key line whose name (the text before its first "=") equals key.
bool IsKeyLineNamed(const std::string& line, const std::string& key) {
  const std::string::size_type equals = line.find('=');
  return equals != std::string::npos && EqualIgnoringCase(line.substr(0, equals), key);
}

// The first key line named key, in const and in changeable lines alike.
template <typename Lines>
auto FindKeyLine(Lines& lines, const std::string& key) {
  return std::find_if(lines.begin(), lines.end(),
                      [&key](const std::string& line) { return IsKeyLineNamed(line, key); });
}

// The first section named section (without regard to case), in const and changeable lists alike.
template <typename Sections>
auto FindSectionIn(Sections& sections, const std::string& section) {
  return std::find_if(sections.begin(), sections.end(), [&section](const SettingsSection& s) {
    return EqualIgnoringCase(s.name, section);
  });
}

// Every attribute, so that a listing leaves no entry out.
constexpr unsigned kEveryAttribute = 63;

// Whether bytes are a whole settings text: one that ends with its last line's end and holds a
// section. A copy cut short mid-line, a month file or an empty file is none.
bool IsWholeSettingsText(const std::string& bytes) {
  TextEncoding encoding = TextEncoding::kPlain;
  const std::string text = TextOfFileBytes(bytes, &encoding);
  return !text.empty() && text.back() == '\n' &&
         !SettingsDocumentFromText(std::string(), bytes).sections().empty();
}

// The contents the run holding a SettingsFilesOfRun knows, by IdentityOf their file name.
std::map<std::string, std::optional<std::string>>* knownContents = nullptr;

// One key for every spelling of a file's name that Windows resolves alike: the full path (doubled
// backslashes, "." and ".." resolved, a relative name completed), without regard to the case of A
// to Z. A name too long to expand is keyed as given.
std::string IdentityOf(const std::string& fileName) {
  const std::string full = ExpandPath(fileName);
  return LowerCase(full.empty() ? fileName : full);
}

}  // namespace

SettingsFilesOfRun::SettingsFilesOfRun() {
  knownContents = new std::map<std::string, std::optional<std::string>>();
}

SettingsFilesOfRun::~SettingsFilesOfRun() {
  delete knownContents;
  knownContents = nullptr;
}

const std::optional<std::string>* KnownSettingsContent(const std::string& fileName) {
  if (knownContents == nullptr) {
    return nullptr;
  }
  const auto known = knownContents->find(IdentityOf(fileName));
  return known == knownContents->end() ? nullptr : &known->second;
}

void RememberSettingsContent(const std::string& fileName, std::optional<std::string> content) {
  if (knownContents != nullptr) {
    (*knownContents)[IdentityOf(fileName)] = std::move(content);
  }
}

SettingsDocument::SettingsDocument(std::string fileName, std::vector<SettingsSection> sections,
                                   TextEncoding encoding, std::optional<std::string> onDisk)
    : fileName_(std::move(fileName)),
      sections_(std::move(sections)),
      encoding_(encoding),
      onDisk_(std::move(onDisk)) {}

std::vector<SettingsSection>::iterator SettingsDocument::FindSection(const std::string& section) {
  return FindSectionIn(sections_, section);
}

std::vector<SettingsSection>::const_iterator SettingsDocument::FindSection(
    const std::string& section) const {
  return FindSectionIn(sections_, section);
}

std::string SettingsDocument::ReadText(const std::string& section, const std::string& key,
                                       const std::string& defaultValue) const {
  const auto found = FindSection(section);
  if (found == sections_.end()) {
    return defaultValue;
  }
  const auto line = FindKeyLine(found->lines, key);
  if (line == found->lines.end()) {
    return defaultValue;
  }
  return line->substr(line->find('=') + 1);
}

std::int32_t SettingsDocument::ReadNumber(const std::string& section, const std::string& key,
                                          std::int32_t defaultValue) const {
  std::int32_t value = 0;
  return ParseInteger(ReadText(section, key, std::string()), &value) ? value : defaultValue;
}

void SettingsDocument::WriteText(const std::string& section, const std::string& key,
                                 const std::string& value) {
  auto found = FindSection(section);
  if (found == sections_.end()) {
    sections_.push_back(SettingsSection{section, {}});
    found = sections_.end() - 1;
  }
  std::string line = key + "=" + value;
  const auto existing = FindKeyLine(found->lines, key);
  if (existing != found->lines.end()) {
    *existing = std::move(line);
  } else {
    found->lines.push_back(std::move(line));
  }
}

void SettingsDocument::WriteNumber(const std::string& section, const std::string& key,
                                   std::int32_t value) {
  WriteText(section, key, std::to_string(value));
}

void SettingsDocument::RemoveKey(const std::string& section, const std::string& key) {
  const auto found = FindSection(section);
  if (found == sections_.end()) {
    return;
  }
  const auto line = FindKeyLine(found->lines, key);
  if (line != found->lines.end()) {
    found->lines.erase(line);
  }
}

void SettingsDocument::RemoveSection(const std::string& section) {
  const auto found = FindSection(section);
  if (found != sections_.end()) {
    sections_.erase(found);
  }
}

TextLines SettingsDocument::SectionLines(const std::string& section) const {
  const auto found = FindSection(section);
  return found == sections_.end() ? TextLines() : found->lines;
}

std::string SettingsDocument::Text() const {
  TextLines lines;
  for (const SettingsSection& section : sections_) {
    lines.push_back("[" + section.name + "]");
    lines.insert(lines.end(), section.lines.begin(), section.lines.end());
    lines.emplace_back();
  }
  return FileBytesOfText(JoinTextLines(lines), encoding_);
}

void SettingsDocument::Save() {
  std::string text = Text();
  // What the run last wrote under another spelling of the name is what the file holds now.
  const std::optional<std::string>* known = KnownSettingsContent(fileName_);
  ReplaceKnownFileBytes(fileName_, text, known != nullptr ? *known : onDisk_);
  RememberSettingsContent(fileName_, text);
  onDisk_ = std::move(text);
}

SettingsDocument SettingsDocument::Renamed(std::string fileName) const {
  SettingsDocument renamed = *this;
  renamed.fileName_ = std::move(fileName);
  return renamed;
}

SettingsDocument SettingsDocumentFromText(const std::string& fileName, const std::string& bytes) {
  std::vector<SettingsSection> sections;
  TextEncoding encoding = TextEncoding::kPlain;
  for (std::string& line : SplitTextLines(TextOfFileBytes(bytes, &encoding))) {
    if (line.empty() || line.front() == ';') {
      continue;
    }
    if (IsHeader(line)) {
      sections.push_back(SettingsSection{line.substr(1, line.size() - 2), {}});
    } else if (!sections.empty()) {
      sections.back().lines.push_back(std::move(line));
    }
  }
  return SettingsDocument(fileName, std::move(sections), encoding, bytes);
}

SettingsDocument OpenSettingsDocument(const std::string& fileName) {
  const std::optional<std::string> bytes = SettingsBytesOf(fileName);
  return bytes.has_value() ? SettingsDocumentFromText(fileName, *bytes)
                           : SettingsDocument(fileName);
}

Found LookAtSettingsFile(const std::string& fileName) {
  if (fileName.empty()) {
    return Found::kNotThere;
  }
  const Found found = IsFile(fileName);
  if (found != Found::kNotThere) {
    return found;
  }
  // Absent: a stopped save may have left the settings only beside it. A copy that cannot be
  // looked at may be that, so the file counts as not looked at.
  const std::string directory = ParentPathOf(fileName);
  std::vector<DirectoryEntry> entries;
  if (ListDirectory(directory + "~ox*", kEveryAttribute, &entries) == ListingResult::kFailed) {
    return Found::kUnknown;
  }
  std::string newest;
  std::uint64_t newestTime = 0;
  for (const DirectoryEntry& entry : entries) {
    if (!IsTemporaryName(entry.name) || (entry.attributes & kAttributeDirectory) != 0) {
      continue;
    }
    const std::string path = directory + entry.name;
    std::string bytes;
    std::uint64_t time = 0;
    try {
      ReadFileBytesWaiting(path, &bytes);
    } catch (const RaisedFailure&) {
      return Found::kUnknown;
    }
    if (!IsWholeSettingsText(bytes)) {
      continue;
    }
    if (LastWriteTime(path, &time) != Found::kThere) {
      return Found::kUnknown;
    }
    if (newest.empty() || time > newestTime) {
      newest = path;
      newestTime = time;
    }
  }
  if (newest.empty()) {
    return Found::kNotThere;
  }
  // Without replacing: a file that has appeared under the name meanwhile is the one in force. A
  // copy that could not go back must not be taken for no file.
  if (DiskChangeAllowed("RenameFile", fileName)) {
    RenameFile(newest, fileName, false);
  }
  return IsFile(fileName) == Found::kThere ? Found::kThere : Found::kUnknown;
}

std::optional<std::string> SettingsBytesOf(const std::string& fileName) {
  if (const std::optional<std::string>* known = KnownSettingsContent(fileName)) {
    return *known;
  }
  // Only a file that is not there loads as empty: one that cannot be looked at might be saved over.
  const Found found = LookAtSettingsFile(fileName);
  if (found == Found::kUnknown) {
    RaiseFailure(kFileOpenError, MessageWithName("Cannot open file %s", fileName));
  }
  std::optional<std::string> content;
  if (found == Found::kThere) {
    std::string bytes;
    ReadFileBytesWaiting(fileName, &bytes);
    content = std::move(bytes);
  }
  RememberSettingsContent(fileName, content);
  return content;
}

void CopySettingsFile(const std::string& from, const std::string& to) {
  const std::optional<std::string> bytes = SettingsBytesOf(from);
  if (bytes.has_value()) {
    ReplaceKnownFileBytes(to, *bytes, SettingsBytesOf(to));
    RememberSettingsContent(to, *bytes);
  }
}

}  // namespace orx
