// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: reads arbitrary bytes, two to a UTF-16 unit, as
// arguments separated by a 0 unit. Each argument quoted for the command line
// must split back to itself, the splitter standing in for
// CommandLineToArgvW (base_unittests keeps the two equal); a switch must read
// back as its name and value. The whole input, read as one command line,
// splits into arguments that come back whole again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/command_line_syntax.h"
#include "base/logging.h"

namespace {

void CheckSwitch(const std::wstring& argument) {
  std::wstring name;
  std::wstring value;
  const size_t prefix_length = base::GetSwitchPrefixLength(argument);
  if (!base::IsSwitch(argument, &name, &value)) {
    CHECK(prefix_length == 0 || prefix_length == argument.size());
    CHECK(name.empty() && value.empty());
    return;
  }
  CHECK_GT(prefix_length, 0u);
  CHECK_GT(name.size(), 0u);
  CHECK(name.compare(0, prefix_length, argument, 0, prefix_length) == 0);
  CHECK(name.find(L'=') == std::wstring::npos);
  const bool has_value = argument.size() > name.size();
  CHECK(argument == (has_value ? name + L"=" + value : name));
}

// The arguments, quoted after a program name, split back to themselves.
void CheckRoundTrip(const std::vector<std::wstring>& arguments) {
  std::wstring line = L"p";
  for (const std::wstring& argument : arguments)
    line += L" " + base::QuoteCommandLineArgument(argument);
  std::vector<std::wstring> expected = {L"p"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  CHECK(base::SplitCommandLineAsArgv(line) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2)
    text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));

  std::vector<std::wstring> arguments(1);
  for (wchar_t unit : text) {
    if (unit == 0)
      arguments.emplace_back();
    else
      arguments.back().push_back(unit);
  }
  for (const std::wstring& argument : arguments)
    CheckSwitch(argument);
  CheckRoundTrip(arguments);

  std::vector<std::wstring> split = base::SplitCommandLineAsArgv(text);
  if (!split.empty()) {
    split.erase(split.begin());
    CheckRoundTrip(split);
  }
  return 0;
}
