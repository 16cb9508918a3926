// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_FILE_NAME_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_FILE_NAME_H_

#include <string>

namespace velta {

// The name of an additional file comes from the server's metadata and is
// joined to a folder. What Windows makes of a name is not what it says: it
// ends the name at a NUL, drops the dots and spaces that end each component,
// and may give a long name a short (8.3) one. A name is therefore judged as
// the file system will keep it.

// Whether a file name from the server may be joined to a folder: a relative
// path with no drive, UNC or stream prefix whose components are neither
// empty nor left empty once their final dots and spaces are dropped (".",
// ".." and the like), and hold no control character (NUL included) and none
// of < > : " | ? * that Windows never allows in a name.
bool IsSafeAdditionalFileName(const std::wstring& name);

// The relative name under which Windows creates the file named `name`: cut
// at its first NUL, each component without its final dots and spaces,
// joined by "\".
std::wstring FileSystemName(const std::wstring& name);

// Whether Windows runs, loads or opens as code a file named `name` (its last
// extension, in any case, as the file system keeps the name), or lets it
// steer how a program loads; also when the short (8.3) name Windows may give
// it ends in such a type ("setup.batx" as SETUP~1.BAT).
bool IsRunnableName(const std::wstring& name);

// `name` for a log line: control characters as "\uXXXX".
std::string NameForLog(const std::wstring& name);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_ADDITIONAL_FILE_NAME_H_
