// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_COMMAND_LINE_SYNTAX_H_
#define BASE_COMMAND_LINE_SYNTAX_H_

#include <stddef.h>

#include <string>
#include <string_view>
#include <vector>

namespace base {

// The text rules of a command line that CommandLine follows, without
// Windows calls, so that the native build can check them too: which
// arguments are switches, how one argument is quoted so that
// CommandLineToArgvW gives it back, and a splitter that follows
// CommandLineToArgvW's rules, which CommandLine splits with (so that a
// process start needs no shell32) and which judges that quoting. The
// splitter is kept equal to the system's CommandLineToArgvW by a table test
// run under Windows (and Wine).

// What separates a switch's name from its value: "--name=value".
inline constexpr wchar_t kSwitchValueSeparator = L'=';

// The length of the switch prefix ("--", "-" or "/") that `argument` starts
// with; 0 when it has none. "--" wins over "-".
size_t GetSwitchPrefixLength(std::wstring_view argument);

// Splits "--name=value" into "--name" (prefix kept) and "value", at the
// first "=". False, with both cleared, for an argument without a prefix or
// that is a bare prefix.
bool IsSwitch(const std::wstring& argument, std::wstring* switch_string, std::wstring* switch_value);

// `argument` as it must stand on a command line for CommandLineToArgvW to
// give it back whole: unchanged when it holds no blank, quote or backslash,
// else in quotes with its quotes and the backslashes before them escaped.
// Never for the program, which is read up to the closing quote unescaped.
std::wstring QuoteCommandLineArgument(const std::wstring& argument);

// Splits `command_line` as CommandLineToArgvW does: the program first (up to
// the next quote when it starts with one, else up to a blank), then the
// arguments, separated by spaces and tabs outside quotes; 2n backslashes
// before a quote give n and the quote opens or closes quoting, 2n+1 give n
// and a literal quote; other backslashes stand for themselves; inside
// quotes, a quote right after the closing one is a literal quote. An empty
// text gives no element (the system would name the running program).
std::vector<std::wstring> SplitCommandLineAsArgv(std::wstring_view command_line);

}  // namespace base

#endif  // BASE_COMMAND_LINE_SYNTAX_H_
