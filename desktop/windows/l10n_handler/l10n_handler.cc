// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/l10n_handler/l10n_handler.h"

#include "base/process_wide.h"
#include "desktop/windows/l10n_handler/resource_l10n_handler.h"

namespace velta {

L10nHandler* GetL10nHandler() {
  return base::ProcessWide<L10nHandler>::GetOrCreate<ResourceL10nHandler>();
}

void SetL10nLanguage(std::wstring* language) {
  GetL10nHandler()->SelectLanguage(language);
}

std::wstring GetL10nString(uint32_t id) {
  return GetL10nHandler()->GetStringWithArgs(id, {});
}

std::wstring GetL10nStringWithOneArg(uint32_t id, const std::wstring& arg1) {
  return GetL10nHandler()->GetStringWithArgs(id, {arg1});
}

std::wstring GetL10nStringWithTwoArgs(uint32_t id,
                                      const std::wstring& arg1,
                                      const std::wstring& arg2) {
  return GetL10nHandler()->GetStringWithArgs(id, {arg1, arg2});
}

}  // namespace velta
