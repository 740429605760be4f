// The settings store: one INI-style settings file held in memory, loaded once and written back as a
// whole, in the store's own fixed layout, only by Save.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/text.h"
#include "platform/platform.h"

namespace orx {

// One section: its name exactly as spelt, and its stored lines (key lines and every other kept
// line).
struct SettingsSection {
  std::string name;
  TextLines lines;
};

// The in-memory form of one settings file, bound to the file name it was opened with and kept in
// the encoding it came in. Sections and key lines are found by the first name that
// EqualIgnoringCase finds equal; duplicates are kept.
class SettingsDocument {
 public:
  // A document for fileName holding the given sections; nothing is read or written. onDisk is
  // what the file holds as far as the document knows: nullopt for no file.
  explicit SettingsDocument(std::string fileName, std::vector<SettingsSection> sections = {},
                            TextEncoding encoding = TextEncoding::kPlain,
                            std::optional<std::string> onDisk = std::nullopt);

  // The file name exactly as given at creation.
  const std::string& fileName() const { return fileName_; }
  // The sections in document order.
  const std::vector<SettingsSection>& sections() const { return sections_; }

  // Value of the first key line named key in the first section named section; defaultValue when
  // either is missing. An empty value is the empty text, not the default.
  std::string ReadText(const std::string& section, const std::string& key,
                       const std::string& defaultValue) const;
  // ParseInteger (base/integer.h) of ReadText(section, key, ""); defaultValue when that fails.
  std::int32_t ReadNumber(const std::string& section, const std::string& key,
                          std::int32_t defaultValue) const;
  // Replaces the first key line named key with key + "=" + value, or appends that line; a missing
  // section is appended at the end under the caller's spelling.
  void WriteText(const std::string& section, const std::string& key, const std::string& value);
  // WriteText with the value in plain decimal ("-5", "0").
  void WriteNumber(const std::string& section, const std::string& key, std::int32_t value);
  // Deletes the first key line named key in the first section named section; the section stays.
  void RemoveKey(const std::string& section, const std::string& key);
  // Deletes the first section named section with all its lines.
  void RemoveSection(const std::string& section);
  // A copy of every stored line of the first section named section; empty when it is missing.
  TextLines SectionLines(const std::string& section) const;
  // The same document bound to another name of the same file (another spelling of its path).
  SettingsDocument Renamed(std::string fileName) const;

  // The bytes Save writes: each section's header, its lines and one empty line, all ended by CR LF,
  // in the document's encoding (a Unicode form with its mark, also when no section is left).
  std::string Text() const;
  // Replaces the file with Text() in one step, but only the file the document knows: where it was
  // absent only while no file is there, else only while the file holds the bytes it was loaded
  // from or last saved. Raises EFCreateError "Cannot create file %s" (also when the file has
  // changed meanwhile) or EWriteError "Stream write error"; a failed Save leaves the old file and
  // the document unchanged.
  void Save();

 private:
  std::vector<SettingsSection>::iterator FindSection(const std::string& section);
  std::vector<SettingsSection>::const_iterator FindSection(const std::string& section) const;

  std::string fileName_;
  std::vector<SettingsSection> sections_;
  TextEncoding encoding_;
  std::optional<std::string> onDisk_;
};

// The document of a file's bytes: decoded when a byte-order mark starts them (TextOfFileBytes),
// then split by the TextLines rules and classified (empty lines, ";" comments and lines before the
// first "[...]" header are dropped). The document knows the file as holding these bytes.
SettingsDocument SettingsDocumentFromText(const std::string& fileName, const std::string& bytes);
// Loads the file when it exists as a file (SettingsBytesOf), else gives an empty document that
// knows it as absent.
SettingsDocument OpenSettingsDocument(const std::string& fileName);

// Whether the settings file is there, as IsFile answers, once a settings file that a save stopped
// half-way (a run ended between the two renames of a replace) left only under temporary names
// beside it has been put back under its name. Such a copy is a file of TemporaryNameBeside's form
// whose bytes are a whole settings text: they end with a line end and hold a "[...]" section (a
// copy cut short mid-line, a month file, an empty file do not pass). Of several, the one last
// written goes back, which is the one the stopped replace was installing; the others stay as they
// are. kUnknown when the file, the directory or such a copy cannot be looked at.
Found LookAtSettingsFile(const std::string& fileName);
// What the settings file holds: what the run last knew (KnownSettingsContent), else what it holds
// now after LookAtSettingsFile, read once and remembered; nullopt for no file. Raises EFOpenError
// "Cannot open file %s" when the file exists but cannot be read, or cannot be looked at.
std::optional<std::string> SettingsBytesOf(const std::string& fileName);
// Copies the settings file from onto the settings file to, byte for byte, through the same
// compare and swap as Save: to is replaced only while it holds what the run last knew of it (read
// now when the run has not read it yet). Does nothing when from is absent. Raises the failures of
// SettingsBytesOf and Save.
void CopySettingsFile(const std::string& from, const std::string& to);

// While one exists, the settings files the run reads and writes are remembered by the file they
// name, whatever the spelling (the full path, letters A to Z in either case): a file the run has
// read or written is opened again from what it last held, without a look or a read, and each Save
// replaces only what the run last knew the file to hold, under whichever spelling it was read or
// written. One configuration run holds one for its whole length; without one every open reads the
// disk and every document guards only its own load.
class SettingsFilesOfRun {
 public:
  SettingsFilesOfRun();
  ~SettingsFilesOfRun();
  SettingsFilesOfRun(const SettingsFilesOfRun&) = delete;
  SettingsFilesOfRun& operator=(const SettingsFilesOfRun&) = delete;
};
// What the run last knew the file to hold: nullptr when it has not read or written it (or no run
// is remembering); else nullopt for no file, or the bytes.
const std::optional<std::string>* KnownSettingsContent(const std::string& fileName);
// Records what the file holds now, as the run has just read or written it.
void RememberSettingsContent(const std::string& fileName, std::optional<std::string> content);

}  // namespace orx
