// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_COMMAND_LINE_H_
#define BASE_COMMAND_LINE_H_

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"

namespace base {

// A process command line: the program, switches and arguments.
//
// Switches start with "--", "-" or "/" and may carry a value after "=":
// "--installfolder=C:\Velta". Names are stored lower-cased. A later switch of
// the same name replaces the earlier value. After a lone "--" everything is an
// argument. GetCommandLineString() quotes so that CommandLineToArgvW (and so
// the C runtime of the child) gives back exactly the same arguments: spaces,
// tabs, quotes and trailing backslashes survive.
class CommandLine {
 public:
  using StringType = std::wstring;
  using CharType = wchar_t;
  using StringVector = std::vector<StringType>;
  using SwitchMap = std::map<std::string, StringType, std::less<>>;

  enum NoProgram { NO_PROGRAM };
  explicit CommandLine(NoProgram no_program);
  explicit CommandLine(const FilePath& program);
  CommandLine(int argc, const CharType* const* argv);
  explicit CommandLine(const StringVector& argv);
  CommandLine(const CommandLine& other);
  CommandLine& operator=(const CommandLine& other);
  ~CommandLine();

  // Sets up the process's command line from GetCommandLineW() (the arguments
  // are ignored on Windows; they exist for callers' symmetry). Returns false
  // when it was set up already.
  static bool Init(int argc, const char* const* argv);
  // Forgets the process's command line (tests).
  static void Reset();
  // The process's command line; Init() must have run.
  static CommandLine* ForCurrentProcess();
  static bool InitializedForCurrentProcess();

  static CommandLine FromString(const StringType& command_line);
  // Replaces everything with what `command_line` parses to.
  void ParseFromString(const StringType& command_line);

  // Program, switches, then arguments (after "--" when any argument looks like
  // a switch), each quoted as needed.
  StringType GetCommandLineString() const;
  // The same without the program.
  StringType GetArgumentsString() const;

  const StringVector& argv() const { return argv_; }

  FilePath GetProgram() const;
  void SetProgram(const FilePath& program);

  bool HasSwitch(std::string_view switch_string) const;
  // The value, or empty when the switch is absent or has no value. The ASCII
  // form gives empty for a value that is not ASCII.
  std::string GetSwitchValueASCII(std::string_view switch_string) const;
  FilePath GetSwitchValuePath(std::string_view switch_string) const;
  StringType GetSwitchValueNative(std::string_view switch_string) const;
  const SwitchMap& GetSwitches() const { return switches_; }

  void AppendSwitch(std::string_view switch_string);
  void AppendSwitchPath(std::string_view switch_string, const FilePath& path);
  void AppendSwitchNative(std::string_view switch_string, const StringType& value);
  void AppendSwitchASCII(std::string_view switch_string, std::string_view value);
  void RemoveSwitch(std::string_view switch_string);
  // Copies the named switches that `source` has.
  void CopySwitchesFrom(const CommandLine& source, const std::vector<std::string>& switches);

  // The arguments that are not switches.
  StringVector GetArgs() const;
  void AppendArg(std::string_view value);
  void AppendArgPath(const FilePath& value);
  void AppendArgNative(const StringType& value);
  // Appends the switches and arguments of `other` (and its program when
  // `include_program`).
  void AppendArguments(const CommandLine& other, bool include_program);

  // Puts `wrapper` (a program and its arguments, split at spaces) in front:
  // "gdb --args".
  void PrependWrapper(const StringType& wrapper);

  // Quotes one argument for CommandLineToArgvW.
  static StringType QuoteForCommandLineToArgv(const StringType& arg);

 private:
  CommandLine() = delete;
  void InitFromArgv(const StringVector& argv);
  void AppendSwitchesAndArguments(const StringVector& argv);

  // argv_[0] is the program; then the switches in order of appending; then,
  // from begin_args_ on, the arguments.
  StringVector argv_;
  SwitchMap switches_;
  size_t begin_args_;
};

}  // namespace base

#endif  // BASE_COMMAND_LINE_H_
