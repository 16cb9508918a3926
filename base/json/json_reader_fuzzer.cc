// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: reads arbitrary bytes as JSON in both modes. Whatever is
// accepted must write back out and read back as the same value, compact and
// pretty-printed alike: metadata, status and preference files are read,
// changed and written again, and a value that changes on the way is lost data.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/json/json_reader.h"
#include "base/json/json_writer.h"
#include "base/logging.h"
#include "base/values.h"

namespace {

void CheckRoundTrip(const base::Value& value, int write_options) {
  std::string text;
  CHECK(base::JSONWriter::WriteWithOptions(value, write_options, &text));
  std::optional<base::Value> again = base::JSONReader::Read(text);
  CHECK(again.has_value()) << text;
  CHECK(*again == value) << text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  for (int options : {base::JSON_PARSE_RFC, base::JSON_ALLOW_TRAILING_COMMAS}) {
    base::JSONReader::ValueWithError result =
        base::JSONReader::ReadAndReturnValueWithError(input, options);
    if (!result.value.has_value()) {
      CHECK(result.error_code != base::JSONReader::JSON_NO_ERROR);
      CHECK(result.error_line > 0 && result.error_column > 0);
      continue;
    }
    CheckRoundTrip(*result.value, 0);
    CheckRoundTrip(*result.value, base::JSONWriter::OPTIONS_PRETTY_PRINT);
  }
  return 0;
}
