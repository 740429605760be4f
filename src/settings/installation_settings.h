// The keys of an installation's settings file that this program uses, and the redirection of an
// installation's settings to another directory (followed one level only).
#pragma once

#include <string>

#include "settings/settings_document.h"

namespace orx {

// Section and key of the redirection directory, stored without its trailing backslash.
inline constexpr const char kSetupSection[] = "Setup";
inline constexpr const char kRedirectKey[] = "Redirect";
// Section and keys of the workgroup server: its directory, and the administrator rights (1 or 2).
inline constexpr const char kServerSection[] = "Server";
inline constexpr const char kServerPathKey[] = "ServerPath";
inline constexpr const char kServerAdminKey[] = "ServerAdmin";

// WithTrailingBackslash(directory) + "orx.ini"; the bare "orx.ini" for the empty directory.
std::string SettingsFileOf(const std::string& directory);
// The document's Setup/Redirect value trimmed, expanded to a full path and ended by one backslash;
// empty when there is none or it cannot be expanded (longer than 259 characters, rejected).
std::string NormalisedRedirectionOf(const SettingsDocument& document);

// The installation's effective settings: the redirection directory's settings file when the
// installation's own file names a redirection that holds one, else the installation's own file.
// Raises EFOpenError "Cannot open file %s" for a file that exists but cannot be read, or that
// cannot be looked at.
SettingsDocument OpenEffectiveSettings(const std::string& installDirectory);
// OpenEffectiveSettings from the installation's own settings document, as already loaded.
SettingsDocument EffectiveSettingsOf(const SettingsDocument& local);
// The normalised redirection of the installation directory's own settings file; empty when none.
std::string ReadRedirection(const std::string& installDirectory);
// Sets (non-empty redirectionDirectory, stored without its trailing backslash) or removes the
// redirection in directory's own settings file, and always saves that file. Raises the failures of
// OpenSettingsDocument and SettingsDocument::Save.
void WriteRedirection(const std::string& directory, const std::string& redirectionDirectory);
// The same in a settings document already loaded, which is then saved.
void WriteRedirection(SettingsDocument& document, const std::string& redirectionDirectory);
// Removes the key from the first section named section, and that section too when no stored line
// at all is left in it. Does not save.
void RemoveKeyAndPrune(SettingsDocument& document, const std::string& section,
                       const std::string& key);

}  // namespace orx
