// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_I18N_H_
#define BASE_WIN_I18N_H_

#include <string>
#include <vector>

namespace base::win::i18n {

// The calling thread's preferred user-interface languages as language names
// ("de-CH", "de", "en-US"), most preferred first, with the user's and the
// system's fall-back languages merged in. False (and an empty list) when the
// system cannot say.
bool GetThreadPreferredUILanguageList(std::vector<std::wstring>* languages);

}  // namespace base::win::i18n

#endif  // BASE_WIN_I18N_H_
