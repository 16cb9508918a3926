// Copyright 2026 Velta Software. All rights reserved.

#include "base/json/json_file_value_serializer.h"

#include <windows.h>

#include <utility>

#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/json/json_writer.h"
#include "base/logging.h"

namespace base {

// JSONFileValueSerializer -----------------------------------------------------

JSONFileValueSerializer::JSONFileValueSerializer(const FilePath& json_file_path)
    : json_file_path_(json_file_path) {}

JSONFileValueSerializer::~JSONFileValueSerializer() = default;

bool JSONFileValueSerializer::Serialize(const Value& root) {
  return SerializeInternal(root, false);
}

bool JSONFileValueSerializer::SerializeAndOmitBinaryValues(const Value& root) {
  return SerializeInternal(root, true);
}

bool JSONFileValueSerializer::SerializeInternal(const Value& root, bool omit_binary_values) {
  int options = JSONWriter::OPTIONS_PRETTY_PRINT;
  if (omit_binary_values)
    options |= JSONWriter::OPTIONS_OMIT_BINARY_VALUES;
  std::string json;
  if (!JSONWriter::WriteWithOptions(root, options, &json))
    return false;
  return WriteFile(json_file_path_, json);
}

// JSONFileValueDeserializer ---------------------------------------------------

JSONFileValueDeserializer::JSONFileValueDeserializer(const FilePath& json_file_path,
                                                     int options)
    : json_file_path_(json_file_path), options_(options) {}

JSONFileValueDeserializer::~JSONFileValueDeserializer() = default;

int JSONFileValueDeserializer::ReadFileToString(std::string* json_string) {
  if (base::ReadFileToString(json_file_path_, json_string)) {
    last_read_size_ = json_string->size();
    return JSON_NO_ERROR;
  }
  // The file utilities leave the failing call's error in place.
  const DWORD error = ::GetLastError();
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
    return JSON_FILE_LOCKED;
  if (error == ERROR_ACCESS_DENIED)
    return JSON_ACCESS_DENIED;
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
      GetFileAttributesW(json_file_path_.value().c_str()) == INVALID_FILE_ATTRIBUTES) {
    return JSON_NO_SUCH_FILE;
  }
  return JSON_CANNOT_READ_FILE;
}

// static
const char* JSONFileValueDeserializer::GetErrorMessageForCode(int error_code) {
  switch (error_code) {
    case JSON_NO_ERROR:
      return "";
    case JSON_ACCESS_DENIED:
      return kAccessDenied;
    case JSON_CANNOT_READ_FILE:
      return kCannotReadFile;
    case JSON_FILE_LOCKED:
      return kFileLocked;
    case JSON_NO_SUCH_FILE:
      return kNoSuchFile;
    default:
      return "";
  }
}

std::unique_ptr<Value> JSONFileValueDeserializer::Deserialize(int* error_code,
                                                              std::string* error_message) {
  std::string json_string;
  const int file_error = ReadFileToString(&json_string);
  if (file_error != JSON_NO_ERROR) {
    if (error_code)
      *error_code = file_error;
    if (error_message)
      *error_message = GetErrorMessageForCode(file_error);
    return nullptr;
  }
  JSONReader::ValueWithError result = JSONReader::ReadAndReturnValueWithError(json_string, options_);
  if (!result.value) {
    if (error_code)
      *error_code = result.error_code;
    if (error_message)
      *error_message = std::move(result.error_message);
    return nullptr;
  }
  if (error_code)
    *error_code = JSON_NO_ERROR;
  return std::make_unique<Value>(std::move(*result.value));
}

}  // namespace base
