// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_L10N_HANDLER_RESOURCE_L10N_HANDLER_H_
#define DESKTOP_WINDOWS_L10N_HANDLER_RESOURCE_L10N_HANDLER_H_

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace velta {

// The LANGID of a language code ("en-US", "pt-pt", ...) compared ignoring
// ASCII case; 0 for the empty code and any code the table does not know.
uint16_t LookupLangId(const std::wstring& code);

// A handler over a module's resources: the language list is its "TXT" 134,
// the strings its string tables (ids from 37000), chosen by LANGID. Reads
// never go past the end of a resource, whatever the resource holds.
class ResourceL10nHandler : public L10nHandler {
 public:
  // Reads the resources of `module`; null stands for the running executable
  // (the host, which carries the tables). A module given here must stay
  // loaded as long as the handler is used.
  explicit ResourceL10nHandler(HMODULE module = nullptr);
  ResourceL10nHandler(const ResourceL10nHandler&) = delete;
  ResourceL10nHandler& operator=(const ResourceL10nHandler&) = delete;
  ~ResourceL10nHandler() override;

  // L10nHandler:
  void SelectLanguage(std::wstring* language) override;
  uint16_t GetLangId() const override;
  std::vector<std::wstring> GetAvailableLanguages() const override;
  std::wstring GetStringWithArgs(uint32_t id,
                                 const std::vector<std::wstring>& args) const override;
  std::wstring GetStringForLanguage(const std::wstring& language, uint32_t id) const override;

 protected:
  // The thread's preferred user-interface languages, most preferred first.
  // Tests give their own.
  virtual std::vector<std::wstring> GetPreferredLanguages() const;

 private:
  bool IsAvailable(const std::wstring& code) const;
  // Makes `code` the language and its LANGID the one of later look-ups.
  void UseLanguage(const std::wstring& code);
  std::wstring LoadStringForLangId(uint16_t lang_id,
                                   uint32_t id,
                                   const std::vector<std::wstring>& args) const;

  const HMODULE module_;
  uint16_t lang_id_ = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_L10N_HANDLER_RESOURCE_L10N_HANDLER_H_
