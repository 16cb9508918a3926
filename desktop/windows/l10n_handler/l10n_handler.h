// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_L10N_HANDLER_L10N_HANDLER_H_
#define DESKTOP_WINDOWS_L10N_HANDLER_L10N_HANDLER_H_

#include <stdint.h>

#include <string>
#include <vector>

namespace velta {

// Chooses the user-interface language and looks up the installer's texts by
// string id in the host executable's string tables. One handler serves the
// whole process (GetL10nHandler); it is first used on the main thread during
// start-up, before any worker asks for a string.
class L10nHandler {
 public:
  virtual ~L10nHandler() = default;

  // Settles on an available language for the wanted `language` (which may be
  // empty), trying the system's preferred languages and regional variants and
  // English last, makes it the language of every later look-up and writes the
  // code actually chosen back into `language`.
  virtual void SelectLanguage(std::wstring* language) = 0;

  // The chosen language's LANGID; 0 until a language is selected, which lets
  // the system pick the resource language.
  virtual uint16_t GetLangId() const = 0;

  // The language codes the host executable offers ("en-US", "pt-PT", ...), in
  // the order it lists them. Read anew on every call.
  virtual std::vector<std::wstring> GetAvailableLanguages() const = 0;

  // The text of string `id` in the current language with "$1".."$9" replaced
  // by `args`; without arguments the text as it stands. Empty when the id has
  // no text.
  virtual std::wstring GetStringWithArgs(uint32_t id, const std::vector<std::wstring>& args) const = 0;

  // The text of string `id` in `language` (a code of the language list),
  // whatever language is current.
  virtual std::wstring GetStringForLanguage(const std::wstring& language, uint32_t id) const = 0;
};

// The process's handler (see base::ProcessWide), a ResourceL10nHandler over
// the running executable unless a test put another one in place with
// base::ProcessWide<L10nHandler>::ScopedOverride. Made on first use and never
// destroyed.
L10nHandler* GetL10nHandler();

// Selects `language` on the process's handler; `language` holds the chosen
// code afterwards.
void SetL10nLanguage(std::wstring* language);

// The text of string `id` in the current language, without replacements.
std::wstring GetL10nString(uint32_t id);

// The text of string `id` with "$1" replaced by `arg1`.
std::wstring GetL10nStringWithOneArg(uint32_t id, const std::wstring& arg1);

// The text of string `id` with "$1" replaced by `arg1` and "$2" by `arg2`, in
// one pass (a "$2" inside `arg1` stays as it is).
std::wstring GetL10nStringWithTwoArgs(uint32_t id,
                                      const std::wstring& arg1,
                                      const std::wstring& arg2);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_L10N_HANDLER_L10N_HANDLER_H_
