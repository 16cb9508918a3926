// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_AUTHENTICODE_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_AUTHENTICODE_H_

#include <string>

#include "base/files/file_path.h"

// Authenticode checks of executables the installer is about to trust: the
// downloaded browser package, the additional components and the component
// installers. Stateless; callable from any thread. Both block on reading the
// file, and VerifyFileSignature on building certificate chains.

namespace velta {

// Whether `path` is a PE file (the "MZ" and "PE\0\0" headers, read with
// bounds checks) and, in `is_signed`, whether its certificate table entry
// (the security data directory) has a non-zero size. Where the entry points
// does not matter here: a file that claims a signature counts as signed, so
// that a caller never skips its checks for a damaged one, and
// VerifyFileSignature refuses a table that does not lie inside the file.
// False, with `is_signed` untouched, when the file cannot be mapped or is not
// a whole set of PE headers. `is_signed` must not be null.
bool IsFileSigned(const base::FilePath& path, bool* is_signed);

// Whether the file at `path` carries an Authenticode signature that Windows
// trust verification accepts (WINTRUST_ACTION_GENERIC_VERIFY_V2, no
// revocation checks), whose signer's chain ends in a trusted root without
// errors and whose signer may sign code, and whose signer, or a signer of a
// nested signature, is named GetSignerCertificateSubject(). A nested signer
// counts only when its own signature verifies over this file's bytes with a
// trusted code-signing chain; a name alone never makes a file trusted.
// When `error` is given, the reasons and the signers tried are appended to
// it, one line each.
bool VerifyFileSignature(const std::wstring& path, std::string* error);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_AUTHENTICODE_H_
