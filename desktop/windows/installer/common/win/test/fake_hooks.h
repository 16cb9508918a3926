// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_HOOKS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_HOOKS_H_

#include <string>

namespace base {
class CommandLine;
}

namespace velta {
class FakeWinApi;
}

// Puts common/'s fakes into a real child process. A test executable that
// links this library (never the shipped DLL) reads switches when it starts a
// child role and installs the fakes they ask for before the role runs, so the
// installer's code in the child takes the faked roads (a declined elevation,
// a "yes" in a message box, an old Windows) for real.
//
// One switch per fake, its value a list of "key=value" settings separated by
// ";" (values may hold "=", not ";"):
//
//   --velta-fake-win-api=elevation=decline;message_box=yes;drives=0x14
//
// A fake is added by writing a function that makes it from the switch's value
// and one row in the table of fake_hooks.cc.

namespace velta::test {

// FakeWinApi. Keys:
//   elevation=child|decline|real   what RunElevated does (default child)
//   message_box=yes|no[,yes|no...] answers in order; the last one stays
//   drives=<mask>                  GetLogicalDrives' mask (0x.. or decimal)
//   windows_version=<number>       a base::win::Version value
//   os_architecture=<number>       a base::win::OSInfo::WindowsArchitecture
//   app_output=fail                GetAppOutput fails
//   calls_file=<path>              every call is appended to this file
inline constexpr char kFakeWinApiSwitch[] = "velta-fake-win-api";

// FakeSecurityUtils (by default an elevated administrator with every access,
// as under Wine). Keys, each may repeat:
//   admin=yes|no                   member of the Administrators group
//   elevated=yes|no                the token is elevated (else only the
//                                  linked token is an administrator's)
//   needs_elevation=yes|no         NeedsElevation's answer
//   deny=<path or key name>        HasAccess is false for it
//   fail_grant=<path or key name>  taking ownership of it fails
inline constexpr char kFakeSecurityUtilsSwitch[] = "velta-fake-security-utils";

// Installs every fake that a switch of `command_line` asks for. False, with
// `error` naming the switch and the setting, when a value is not understood;
// nothing is installed for that switch then.
bool InstallFakesFromCommandLine(const base::CommandLine& command_line, std::string* error);

// The FakeWinApi that --velta-fake-win-api put in place, or null. It lives
// until the process ends.
FakeWinApi* GetInstalledFakeWinApi();

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_TEST_FAKE_HOOKS_H_
