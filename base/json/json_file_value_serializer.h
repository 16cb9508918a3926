// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_JSON_JSON_FILE_VALUE_SERIALIZER_H_
#define BASE_JSON_JSON_FILE_VALUE_SERIALIZER_H_

#include <cstddef>
#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/values.h"

namespace base {

// Writes a value to a JSON file, pretty-printed (JSONWriter's
// OPTIONS_PRETTY_PRINT). The file is created or replaced in place, not
// atomically: a crash mid-write can leave it truncated, which readers treat
// as a parse error. Blocking file I/O: never on the UI thread.
class JSONFileValueSerializer {
 public:
  explicit JSONFileValueSerializer(const FilePath& json_file_path);
  JSONFileValueSerializer(const JSONFileValueSerializer&) = delete;
  JSONFileValueSerializer& operator=(const JSONFileValueSerializer&) = delete;
  ~JSONFileValueSerializer();

  // False when the value cannot be written as JSON (a binary value, too deep)
  // or the file cannot be written; the file is untouched in the first case.
  bool Serialize(const Value& root);
  // The same, leaving binary values out.
  bool SerializeAndOmitBinaryValues(const Value& root);

 private:
  bool SerializeInternal(const Value& root, bool omit_binary_values);

  const FilePath json_file_path_;
};

// Reads a value from a JSON file. Blocking file I/O: never on the UI thread.
class JSONFileValueDeserializer {
 public:
  // Codes for failures to read the file; a file that was read but does not
  // parse gives one of JSONReader::JsonParseError's codes, all below these.
  enum JsonFileError {
    JSON_NO_ERROR = 0,
    JSON_ACCESS_DENIED = 1000,
    JSON_CANNOT_READ_FILE,
    JSON_FILE_LOCKED,
    JSON_NO_SUCH_FILE,
  };

  static constexpr char kAccessDenied[] = "Access denied.";
  static constexpr char kCannotReadFile[] = "Can't read file.";
  static constexpr char kFileLocked[] = "File locked.";
  static constexpr char kNoSuchFile[] = "File doesn't exist.";

  // `options` are JSONReader's JSONParserOptions.
  explicit JSONFileValueDeserializer(const FilePath& json_file_path, int options = 0);
  JSONFileValueDeserializer(const JSONFileValueDeserializer&) = delete;
  JSONFileValueDeserializer& operator=(const JSONFileValueDeserializer&) = delete;
  ~JSONFileValueDeserializer();

  // The value, or null with `*error_code` and `*error_message` (both
  // optional) saying why: a JsonFileError with its message above, or the
  // reader's code and "Line: ..., column: ..." message.
  std::unique_ptr<Value> Deserialize(int* error_code, std::string* error_message);

  // The message of a JsonFileError; empty for other codes.
  static const char* GetErrorMessageForCode(int error_code);

  // Bytes read by the last Deserialize that could read the file.
  size_t get_last_read_size() const { return last_read_size_; }

 private:
  // Reads the whole file; returns a JsonFileError.
  int ReadFileToString(std::string* json_string);

  const FilePath json_file_path_;
  const int options_;
  size_t last_read_size_ = 0;
};

}  // namespace base

#endif  // BASE_JSON_JSON_FILE_VALUE_SERIALIZER_H_
