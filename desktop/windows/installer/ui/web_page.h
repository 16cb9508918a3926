// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_H_

#include <string>

#include "base/callback.h"

namespace velta {

// Opens `url` in the user's browser with the shell's "open" verb and logs
// "Opening web page " with the address. Main thread only.
void OpenWebPage(const std::wstring& url);

// Opens `url` with the browser `program` (environment variables such as
// "%ProgramFiles%" are expanded), for a page that must not open in the
// default browser; logs "Opening web page " with the address and the
// program. Main thread only.
void OpenWebPageWithProgram(const std::wstring& program, const std::wstring& url);

// While alive, OpenWebPage hands every address to `opener` instead of the
// shell, so tests see which pages the installer opened and no browser starts.
// A ProgramOpener also gets the program of OpenWebPageWithProgram (empty
// for the default browser).
class ScopedWebPageOpenerForTesting {
 public:
  using Opener = base::RepeatingCallback<void(const std::wstring& url)>;
  using ProgramOpener =
      base::RepeatingCallback<void(const std::wstring& program, const std::wstring& url)>;

  explicit ScopedWebPageOpenerForTesting(Opener opener);
  explicit ScopedWebPageOpenerForTesting(ProgramOpener opener);
  ScopedWebPageOpenerForTesting(const ScopedWebPageOpenerForTesting&) = delete;
  ScopedWebPageOpenerForTesting& operator=(const ScopedWebPageOpenerForTesting&) = delete;
  ~ScopedWebPageOpenerForTesting();

 private:
  friend void OpenWebPage(const std::wstring& url);
  friend void OpenWebPageWithProgram(const std::wstring& program, const std::wstring& url);

  ProgramOpener opener_;
  ScopedWebPageOpenerForTesting* const previous_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_WEB_PAGE_H_
