// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_BASE_PATHS_H_
#define BASE_BASE_PATHS_H_

// The keys of the folders and files that base::PathService knows by itself.
// The numbers are fixed: callers and other providers use them (keys of other
// providers start at 1000).

namespace base {

enum BasePathKey {
  PATH_START = 0,

  DIR_CURRENT = 1,       // The current directory.
  DIR_EXE = 2,           // The folder of FILE_EXE.
  DIR_MODULE = 3,        // The folder of FILE_MODULE.
  DIR_TEMP = 4,          // The temporary folder (GetTempPathW, no trailing "\").
  DIR_HOME = 5,          // The user's profile folder ("C:\Users\<user>").
  FILE_EXE = 6,          // The running executable.
  FILE_MODULE = 7,       // The module (EXE or DLL) that holds this code.
  DIR_USER_DESKTOP = 8,  // The user's desktop.

  PATH_END
};

// Windows folders. Program Files, by process and system:
//                          32-bit Windows   32-bit process on 64   64-bit process
//   DIR_PROGRAM_FILES      Program Files    Program Files (x86)    Program Files
//   DIR_PROGRAM_FILESX86   Program Files    Program Files (x86)    Program Files (x86)
//   DIR_PROGRAM_FILES6432  Program Files    Program Files          Program Files
enum {
  PATH_WIN_START = 100,

  DIR_WINDOWS = 101,            // "C:\Windows".
  DIR_SYSTEM = 102,             // "C:\Windows\System32" (as this process sees it).
  DIR_PROGRAM_FILES = 103,      // See the table above.
  DIR_PROGRAM_FILESX86 = 104,   // See the table above.
  DIR_PROGRAM_FILES6432 = 105,  // See the table above.
  DIR_COMMON_START_MENU = 107,  // All users' Start menu "Programs" folder.
  DIR_START_MENU = 108,         // The user's Start menu "Programs" folder.
  DIR_APP_DATA = 109,           // The user's roaming application data.
  DIR_ROAMING_APP_DATA = DIR_APP_DATA,
  DIR_LOCAL_APP_DATA = 110,     // The user's local (not roaming) application data.
  DIR_COMMON_APP_DATA = 111,    // All users' application data ("C:\ProgramData").
  DIR_COMMON_DESKTOP = 113,     // All users' desktop.
  DIR_USER_QUICK_LAUNCH = 114,  // DIR_APP_DATA\Microsoft\Internet Explorer\Quick Launch.
  DIR_TASKBAR_PINS = 115,       // DIR_USER_QUICK_LAUNCH\User Pinned\TaskBar.

  PATH_WIN_END
};

class FilePath;

// The provider of the keys above, for base::PathService.
bool PathProvider(int key, FilePath* result);

}  // namespace base

#endif  // BASE_BASE_PATHS_H_
