// Copyright 2026 Velta Software. All rights reserved.

#include "base/command_line.h"

#include <windows.h>

#include <algorithm>

#include "base/command_line_syntax.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace base {
namespace {

constexpr wchar_t kSwitchTerminator[] = L"--";
// Given to an appended switch whose name has no prefix.
constexpr wchar_t kDefaultSwitchPrefix[] = L"--";

CommandLine* g_current_process_command_line = nullptr;

}  // namespace

CommandLine::CommandLine(NoProgram) : argv_(1), begin_args_(1) {}

CommandLine::CommandLine(const FilePath& program) : argv_(1), begin_args_(1) {
  SetProgram(program);
}

CommandLine::CommandLine(int argc, const CharType* const* argv) : argv_(1), begin_args_(1) {
  StringVector args(argv, argv + argc);
  InitFromArgv(args);
}

CommandLine::CommandLine(const StringVector& argv) : argv_(1), begin_args_(1) {
  InitFromArgv(argv);
}

CommandLine::CommandLine(const CommandLine& other) = default;
CommandLine& CommandLine::operator=(const CommandLine& other) = default;
CommandLine::~CommandLine() = default;

// static
bool CommandLine::Init(int, const char* const*) {
  if (g_current_process_command_line)
    return false;
  g_current_process_command_line = new CommandLine(NO_PROGRAM);
  g_current_process_command_line->ParseFromString(::GetCommandLineW());
  return true;
}

// static
void CommandLine::Reset() {
  delete g_current_process_command_line;
  g_current_process_command_line = nullptr;
}

// static
CommandLine* CommandLine::ForCurrentProcess() {
  DCHECK(g_current_process_command_line) << "CommandLine::Init has not run";
  return g_current_process_command_line;
}

// static
bool CommandLine::InitializedForCurrentProcess() {
  return g_current_process_command_line != nullptr;
}

// static
CommandLine CommandLine::FromString(const StringType& command_line) {
  CommandLine cmd(NO_PROGRAM);
  cmd.ParseFromString(command_line);
  return cmd;
}

void CommandLine::ParseFromString(const StringType& command_line) {
  const size_t first = command_line.find_first_not_of(L" \t");
  if (first == StringType::npos)
    return;
  // Split here rather than by CommandLineToArgvW, whose shell32 (with
  // user32 and gdi32) would otherwise be loaded at every process start.
  InitFromArgv(SplitCommandLineAsArgv(std::wstring_view(command_line).substr(first)));
}

void CommandLine::InitFromArgv(const StringVector& argv) {
  argv_ = StringVector(1);
  switches_.clear();
  begin_args_ = 1;
  SetProgram(argv.empty() ? FilePath() : FilePath(argv[0]));
  AppendSwitchesAndArguments(argv);
}

void CommandLine::AppendSwitchesAndArguments(const StringVector& argv) {
  bool parse_switches = true;
  for (size_t i = 1; i < argv.size(); ++i) {
    const StringType& arg = argv[i];
    StringType switch_string;
    StringType switch_value;
    parse_switches &= arg != kSwitchTerminator;
    if (parse_switches && IsSwitch(arg, &switch_string, &switch_value)) {
      AppendSwitchNative(WideToUTF8(switch_string), switch_value);
    } else {
      argv_.push_back(arg);
    }
  }
}

CommandLine::StringType CommandLine::GetCommandLineString() const {
  // The program is read without escapes (up to the closing quote), so it is
  // only wrapped in quotes, and only when it holds a blank.
  StringType string = argv_[0];
  if (string.empty() || string.find_first_of(L" \t") != StringType::npos)
    string = L"\"" + string + L"\"";
  const StringType params = GetArgumentsString();
  if (!params.empty()) {
    string.push_back(L' ');
    string.append(params);
  }
  return string;
}

CommandLine::StringType CommandLine::GetArgumentsString() const {
  StringType params;
  bool parse_switches = true;
  for (size_t i = 1; i < argv_.size(); ++i) {
    const StringType& arg = argv_[i];
    StringType switch_string;
    StringType switch_value;
    parse_switches &= arg != kSwitchTerminator;
    if (i > 1)
      params.push_back(L' ');
    if (parse_switches && IsSwitch(arg, &switch_string, &switch_value)) {
      params.append(switch_string);
      if (!switch_value.empty()) {
        params.push_back(kSwitchValueSeparator);
        params.append(QuoteForCommandLineToArgv(switch_value));
      }
    } else {
      params.append(QuoteForCommandLineToArgv(arg));
    }
  }
  return params;
}

FilePath CommandLine::GetProgram() const {
  return FilePath(argv_[0]);
}

void CommandLine::SetProgram(const FilePath& program) {
  const StringType& value = program.value();
  const size_t first = value.find_first_not_of(L" \t");
  const size_t last = value.find_last_not_of(L" \t");
  argv_[0] = first == StringType::npos ? StringType() : value.substr(first, last - first + 1);
}

bool CommandLine::HasSwitch(std::string_view switch_string) const {
  DCHECK_EQ(ToLowerASCII(switch_string), std::string(switch_string));
  return switches_.find(switch_string) != switches_.end();
}

std::string CommandLine::GetSwitchValueASCII(std::string_view switch_string) const {
  const StringType value = GetSwitchValueNative(switch_string);
  if (!IsStringASCII(value))
    return std::string();
  return WideToASCII(value);
}

FilePath CommandLine::GetSwitchValuePath(std::string_view switch_string) const {
  return FilePath(GetSwitchValueNative(switch_string));
}

CommandLine::StringType CommandLine::GetSwitchValueNative(std::string_view switch_string) const {
  DCHECK_EQ(ToLowerASCII(switch_string), std::string(switch_string));
  const auto result = switches_.find(switch_string);
  return result == switches_.end() ? StringType() : result->second;
}

void CommandLine::AppendSwitch(std::string_view switch_string) {
  AppendSwitchNative(switch_string, StringType());
}

void CommandLine::AppendSwitchPath(std::string_view switch_string, const FilePath& path) {
  AppendSwitchNative(switch_string, path.value());
}

void CommandLine::AppendSwitchNative(std::string_view switch_string, const StringType& value) {
  const std::string switch_key = ToLowerASCII(switch_string);
  StringType combined_switch_string = UTF8ToWide(switch_key);
  const size_t prefix_length = GetSwitchPrefixLength(combined_switch_string);
  switches_[switch_key.substr(prefix_length)] = value;
  // Keep a prefix the caller gave; add "--" otherwise.
  if (prefix_length == 0)
    combined_switch_string.insert(0, kDefaultSwitchPrefix);
  if (!value.empty()) {
    combined_switch_string.push_back(kSwitchValueSeparator);
    combined_switch_string.append(value);
  }
  argv_.insert(argv_.begin() + static_cast<ptrdiff_t>(begin_args_++), combined_switch_string);
}

void CommandLine::AppendSwitchASCII(std::string_view switch_string, std::string_view value) {
  AppendSwitchNative(switch_string, ASCIIToWide(value));
}

void CommandLine::RemoveSwitch(std::string_view switch_string) {
  const std::string switch_key = ToLowerASCII(switch_string);
  auto it = switches_.find(switch_key);
  if (it == switches_.end())
    return;
  switches_.erase(it);
  // Remove every occurrence among the switches of argv_.
  for (size_t i = begin_args_; i > 1; --i) {
    StringType name;
    StringType value;
    if (!IsSwitch(argv_[i - 1], &name, &value))
      continue;
    const std::string key = ToLowerASCII(WideToUTF8(name).substr(GetSwitchPrefixLength(name)));
    if (key == switch_key) {
      argv_.erase(argv_.begin() + static_cast<ptrdiff_t>(i - 1));
      --begin_args_;
    }
  }
}

void CommandLine::CopySwitchesFrom(const CommandLine& source,
                                   const std::vector<std::string>& switches) {
  for (const std::string& name : switches) {
    if (source.HasSwitch(name))
      AppendSwitchNative(name, source.GetSwitchValueNative(name));
  }
}

CommandLine::StringVector CommandLine::GetArgs() const {
  StringVector args(argv_.begin() + static_cast<ptrdiff_t>(begin_args_), argv_.end());
  // The first "--" only separates; a later one is an argument.
  auto terminator = std::find(args.begin(), args.end(), kSwitchTerminator);
  if (terminator != args.end())
    args.erase(terminator);
  return args;
}

void CommandLine::AppendArg(std::string_view value) {
  DCHECK(IsStringUTF8(value));
  AppendArgNative(UTF8ToWide(value));
}

void CommandLine::AppendArgPath(const FilePath& path) {
  AppendArgNative(path.value());
}

void CommandLine::AppendArgNative(const StringType& value) {
  // An argument that reads as a switch needs a "--" before it, or it would
  // come back as a switch after a round trip through the command-line string.
  StringType name;
  StringType switch_value;
  if ((IsSwitch(value, &name, &switch_value) || value == kSwitchTerminator) &&
      std::find(argv_.begin() + static_cast<ptrdiff_t>(begin_args_), argv_.end(),
                kSwitchTerminator) == argv_.end()) {
    argv_.push_back(kSwitchTerminator);
  }
  argv_.push_back(value);
}

void CommandLine::AppendArguments(const CommandLine& other, bool include_program) {
  if (include_program)
    SetProgram(other.GetProgram());
  StringVector argv = other.argv();
  AppendSwitchesAndArguments(argv);
}

void CommandLine::PrependWrapper(const StringType& wrapper) {
  if (wrapper.empty())
    return;
  StringVector wrapper_argv;
  size_t start = 0;
  while (start < wrapper.size()) {
    const size_t end = wrapper.find(L' ', start);
    const StringType piece = wrapper.substr(start, end - start);
    if (!piece.empty())
      wrapper_argv.push_back(piece);
    if (end == StringType::npos)
      break;
    start = end + 1;
  }
  argv_.insert(argv_.begin(), wrapper_argv.begin(), wrapper_argv.end());
  begin_args_ += wrapper_argv.size();
}

// static
CommandLine::StringType CommandLine::QuoteForCommandLineToArgv(const StringType& arg) {
  return QuoteCommandLineArgument(arg);
}

}  // namespace base
