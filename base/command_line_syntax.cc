// Copyright 2026 Velta Software. All rights reserved.

#include "base/command_line_syntax.h"

namespace base {
namespace {

// "--" must come before "-" so that the longest prefix matches.
constexpr const wchar_t* kSwitchPrefixes[] = {L"--", L"-", L"/"};

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

}  // namespace

size_t GetSwitchPrefixLength(std::wstring_view argument) {
  for (const wchar_t* prefix : kSwitchPrefixes) {
    const std::wstring_view prefix_view(prefix);
    if (argument.substr(0, prefix_view.size()) == prefix_view)
      return prefix_view.size();
  }
  return 0;
}

bool IsSwitch(const std::wstring& argument, std::wstring* switch_string, std::wstring* switch_value) {
  switch_string->clear();
  switch_value->clear();
  const size_t prefix_length = GetSwitchPrefixLength(argument);
  if (prefix_length == 0 || prefix_length == argument.size())
    return false;
  const size_t equals_position = argument.find(kSwitchValueSeparator);
  *switch_string = argument.substr(0, equals_position);
  if (equals_position != std::wstring::npos)
    *switch_value = argument.substr(equals_position + 1);
  return true;
}

std::wstring QuoteCommandLineArgument(const std::wstring& argument) {
  if (argument.empty())
    return L"\"\"";
  if (argument.find_first_of(L" \t\\\"") == std::wstring::npos)
    return argument;
  // A run of backslashes escapes only when a quote follows it; ours is
  // followed by a quote (escaped) or by the closing quote, so double it then.
  std::wstring out = L"\"";
  for (size_t i = 0; i < argument.size(); ++i) {
    if (argument[i] == L'\\') {
      size_t end = i + 1;
      while (end < argument.size() && argument[end] == L'\\')
        ++end;
      size_t backslash_count = end - i;
      if (end == argument.size() || argument[end] == L'"')
        backslash_count *= 2;
      out.append(backslash_count, L'\\');
      i = end - 1;
    } else if (argument[i] == L'"') {
      out.append(L"\\\"");
    } else {
      out.push_back(argument[i]);
    }
  }
  out.push_back(L'"');
  return out;
}

std::vector<std::wstring> SplitCommandLineAsArgv(std::wstring_view command_line) {
  std::vector<std::wstring> argv;
  if (command_line.empty())
    return argv;
  size_t i = 0;
  // The program: no escapes, and a quote only ends it.
  std::wstring program;
  if (command_line[0] == L'"') {
    for (i = 1; i < command_line.size() && command_line[i] != L'"'; ++i)
      program.push_back(command_line[i]);
    if (i < command_line.size())
      ++i;  // The closing quote.
  } else {
    for (; i < command_line.size() && !IsBlank(command_line[i]); ++i)
      program.push_back(command_line[i]);
  }
  argv.push_back(program);

  std::wstring argument;
  bool in_argument = false;
  // 0 outside quotes, 1 inside; counts the quotes of a run up to 3.
  int quote_count = 0;
  size_t backslash_count = 0;
  while (i < command_line.size()) {
    const wchar_t c = command_line[i];
    if (IsBlank(c) && quote_count == 0) {
      if (in_argument)
        argv.push_back(argument);
      argument.clear();
      in_argument = false;
      backslash_count = 0;
      ++i;
      continue;
    }
    in_argument = true;
    if (c == L'\\') {
      argument.push_back(c);
      ++backslash_count;
      ++i;
      continue;
    }
    if (c != L'"') {
      argument.push_back(c);
      backslash_count = 0;
      ++i;
      continue;
    }
    // A quote: the backslashes before it are halved.
    argument.resize(argument.size() - backslash_count / 2);
    if (backslash_count % 2 == 1) {
      argument.back() = L'"';  // The odd backslash escapes the quote.
    } else {
      ++quote_count;
    }
    backslash_count = 0;
    ++i;
    // A run of quotes: every third one is a literal quote.
    while (i < command_line.size() && command_line[i] == L'"') {
      if (++quote_count == 3) {
        argument.push_back(L'"');
        quote_count = 0;
      }
      ++i;
    }
    if (quote_count == 2)
      quote_count = 0;
  }
  if (in_argument)
    argv.push_back(argument);
  return argv;
}

}  // namespace base
