#include "settings/installation_settings.h"

#include "base/paths.h"
#include "base/raised_failure.h"
#include "files/file_operations.h"
#include "files/text.h"
#include "platform/platform.h"

namespace orx {

std::string SettingsFileOf(const std::string& directory) {
  return WithTrailingBackslash(directory) + kSettingsFileName;
}

std::string NormalisedRedirectionOf(const SettingsDocument& document) {
  // ExpandPath gives the empty text for a path longer than 259 characters, so such a redirection
  // counts as none.
  return WithTrailingBackslash(
      ExpandPath(Trim(document.ReadText(kSetupSection, kRedirectKey, std::string()))));
}

SettingsDocument OpenEffectiveSettings(const std::string& installDirectory) {
  return EffectiveSettingsOf(OpenSettingsDocument(SettingsFileOf(installDirectory)));
}

SettingsDocument EffectiveSettingsOf(const SettingsDocument& local) {
  const std::string redirection = NormalisedRedirectionOf(local);
  if (redirection.empty()) {
    return local;
  }
  // A redirected file that cannot be looked at ends the run: taking the local file instead would
  // write the keys to a file that is not in force.
  const std::string redirected = SettingsFileOf(redirection);
  // A file the run has read or written is as the run left it: no look is needed.
  const std::optional<std::string>* known = KnownSettingsContent(redirected);
  const Found found = known == nullptr     ? LookAtSettingsFile(redirected)
                      : known->has_value() ? Found::kThere
                                           : Found::kNotThere;
  if (found == Found::kUnknown) {
    RaiseFailure(kFileOpenError, MessageWithName("Cannot open file %s", redirected));
  }
  return found == Found::kThere ? OpenSettingsDocument(redirected) : local;
}

std::string ReadRedirection(const std::string& installDirectory) {
  return NormalisedRedirectionOf(OpenSettingsDocument(SettingsFileOf(installDirectory)));
}

void WriteRedirection(const std::string& directory, const std::string& redirectionDirectory) {
  SettingsDocument document = OpenSettingsDocument(SettingsFileOf(directory));
  WriteRedirection(document, redirectionDirectory);
}

void WriteRedirection(SettingsDocument& document, const std::string& redirectionDirectory) {
  if (!redirectionDirectory.empty()) {
    document.WriteText(kSetupSection, kRedirectKey, WithoutTrailingBackslash(redirectionDirectory));
  } else {
    RemoveKeyAndPrune(document, kSetupSection, kRedirectKey);
  }
  document.Save();
}

void RemoveKeyAndPrune(SettingsDocument& document, const std::string& section,
                       const std::string& key) {
  document.RemoveKey(section, key);
  if (document.SectionLines(section).empty()) {
    document.RemoveSection(section);
  }
}

}  // namespace orx
