// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_UTILS_H_

#include <stdint.h>
#include <windows.h>
#include <shtypes.h>

#include <string>

#include "base/files/file_path.h"

// Process-wide path and system helpers that the whole installer shares:
// known folders, the test of a path typed by the user, names of kernel
// objects, user names, shortcut and file identity, the executable name and
// architecture, stream names, the installer's registry paths, version folder
// names and tests of installer results. None keeps state; all may be called
// from any thread.
//
// What does not belong here: string and number helpers (case, white space,
// parsing) live in base/strings, a system error's text is
// logging::SystemErrorCodeToString, and a helper with one user sits beside
// that user.

namespace base::win {
struct ShortcutProperties;
}  // namespace base::win

namespace velta {

// The machine an executable file is built for, as GetExecutableArchitecture
// reads it from its PE header.
enum class ExecutableArchitecture : uint32_t {
  kX86 = 0,
  // A whole PE file for any machine but i386.
  kOther = 1,
  // Missing, unmappable or not a whole PE file.
  kUnknown = 2,
};

// The path of a known folder: through SHGetKnownFolderPath with `id` where
// shell32 has it (Vista and later), else through SHGetFolderPathW with
// `csidl`. With `create`, a folder that does not exist yet is made on a second
// try. Returns whether a path was obtained.
bool GetKnownFolderPath(REFKNOWNFOLDERID id, int csidl, base::FilePath* path, bool create);

// Appends the log form of a registry path to `out`: "CLASSES_ROOT\",
// "CURRENT_USER\", "MACHINE\" or "USERS\" for the four usual roots, then
// `path`; for any other root `path` alone. It is also the name under which the
// security functions (SE_REGISTRY_KEY objects) know the key.
void FormatRegistryPath(HKEY root, const std::wstring& path, std::wstring* out);

// Whether `path`, as typed by a user, can name a folder (`is_directory`) or a
// file: shorter than 248 (folder) or 260 (file) characters, an optional drive
// ("C:") or UNC server and share ("\\server\share\"), then components free of
// control characters and of ? " < > * | :, not beginning with a blank, not
// ending with a blank or a period, and not named after a device (CON, AUX,
// COM1-COM4, LPT1-LPT3, PRN, NUL, with any extension). The drive is not tested
// for existence; nothing on disk is touched.
bool IsValidPath(const std::wstring& path, bool is_directory);

// Whether `path` passes IsValidPath's tests of its drive or UNC prefix and of
// its components, whatever its length: for a path handed on to a program that
// makes and opens it, which may take a longer one.
bool IsWellFormedPath(const std::wstring& path);

// Fills `info` for an existing file or folder, opened without read or write
// access (so files open for writing elsewhere can be asked). False when it
// cannot be opened or read.
bool GetFileInformationForPath(const base::FilePath& path, BY_HANDLE_FILE_INFORMATION* info);

// The logon name of the current user (GetUserNameW).
bool GetCurrentUserName(std::wstring* name);
// "DOMAIN\user" (GetUserNameExW, NameSamCompatible).
bool GetUserNameSamCompatible(std::wstring* name);
// The user's display name (GetUserNameExW, NameDisplay); fails where the
// account has none.
bool GetUserDisplayName(std::wstring* name);

// Whether the shortcut at `shortcut_path` leads to `expected_target`: its
// target equals it ignoring case, or, when `target_info` (the expected
// target's GetFileInformationForPath) is given, its target is that very file
// reached through another path or a hard link (same volume serial number and
// file index). False for an empty or missing shortcut path and for a link
// that cannot be read or has no target. Needs COM on the calling thread.
bool IsShortcutTo(const base::FilePath& shortcut_path,
                  const base::FilePath& expected_target,
                  const BY_HANDLE_FILE_INFORMATION* target_info);
// The target path of resolved shortcut properties.
std::wstring GetShortcutTargetPath(const base::win::ShortcutProperties& properties);

// The name of a named event or mutex: "Global\" (when `global`) or "Local\",
// then `prefix` + "/" + `name` with every backslash turned into "/" (a
// backslash after the namespace prefix is refused by Windows). Every named
// object of one installation is made with it.
std::wstring MakeNamedObjectName(const std::wstring& name, const std::wstring& prefix,
                                 bool global);

// "velta.exe".
std::string GetBrowserExeName();

// kX86 for a PE file whose machine is i386, kOther for any other PE file, and
// kUnknown when the file is missing, cannot be mapped or is not a whole PE
// file.
ExecutableArchitecture GetExecutableArchitecture(const base::FilePath& path);

// The display word of a stream: 1 "Sorrel", 2 "Marlin", 3 "Kestrel",
// 4 "Granite"; any other number gives the build's channel word.
std::string GetStreamName(uint32_t stream);
// GetStreamName of this build's stream.
std::string GetBuildStreamName();

// "Software\Velta Software": the installer's own values live there, under
// HKEY_CURRENT_USER.
std::wstring GetCompanyRegistryPath();
// "Software\Microsoft\Windows\CurrentVersion\Uninstall".
std::wstring GetUninstallRegistryPath();

// Whether `child` lies inside `parent`, comparing ASCII letters without case.
bool IsParentPathIgnoringCase(const std::wstring& parent, const std::wstring& child);

// Whether the base name of `path` names a version folder of an old
// installation: four or five "."-separated parts made only of digits and "_",
// the first a number (stored in `major` when given), e.g. "12.0.345.6".
bool ParseVersionFolderName(const base::FilePath& path, uint32_t* major);

// The result is 0.
bool IsInstallerResultSuccess(uint32_t result);
// False for 13 and 15 (a child that failed or ended unknowingly tells nothing
// new, so an earlier result is kept), true otherwise.
bool IsMeaningfulInstallerResult(uint32_t result);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_UTILS_H_
