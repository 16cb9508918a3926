// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_PARAMETERS_MAP_H_
#define CRASH_REPORTER_PARAMETERS_MAP_H_

#include <stdint.h>

#include <map>
#include <string>

namespace velta {

// The text parameters of one crash report. The first value given for a key
// wins: a later Set of the same key is dropped. Numbers are stored as
// decimal text. Filled by one thread and handed on whole; not thread-safe.
class ParametersMap {
 public:
  virtual ~ParametersMap() = default;

  virtual bool Has(const wchar_t* key) const = 0;
  virtual bool Has(const char* key) const = 0;
  // The value as UTF-16; empty when the key is absent.
  virtual std::wstring Get(const wchar_t* key) const = 0;
  // The DWORD setter stores exactly as the unsigned 32-bit one.
  virtual void Set(const wchar_t* key, unsigned long value) = 0;
  virtual void Set(const wchar_t* key, uint64_t value) = 0;
  virtual void Set(const char* key, int64_t value) = 0;
  virtual void Set(const wchar_t* key, int64_t value) = 0;
  virtual void Set(const wchar_t* key, uint32_t value) = 0;
  virtual void Set(const wchar_t* key, int32_t value) = 0;
  virtual void Set(const std::string& key, const std::string& value) = 0;
  virtual void Set(const std::wstring& key, const std::wstring& value) = 0;
  virtual void Clear() = 0;
};

// A ParametersMap that keeps keys and values as `String` (std::wstring for
// UTF-16, std::string for UTF-8), ordered by their code units, and converts
// the other encoding on the way in and out.
template <typename String>
class BasicParametersMap : public ParametersMap {
 public:
  using Entries = std::map<String, String>;

  BasicParametersMap() = default;
  BasicParametersMap(const BasicParametersMap&) = delete;
  BasicParametersMap& operator=(const BasicParametersMap&) = delete;
  ~BasicParametersMap() override = default;

  bool Has(const wchar_t* key) const override;
  bool Has(const char* key) const override;
  std::wstring Get(const wchar_t* key) const override;
  void Set(const wchar_t* key, unsigned long value) override;
  void Set(const wchar_t* key, uint64_t value) override;
  void Set(const char* key, int64_t value) override;
  void Set(const wchar_t* key, int64_t value) override;
  void Set(const wchar_t* key, uint32_t value) override;
  void Set(const wchar_t* key, int32_t value) override;
  void Set(const std::string& key, const std::string& value) override;
  void Set(const std::wstring& key, const std::wstring& value) override;
  void Clear() override;

  // The entries in key order: each becomes one form field of the upload.
  const Entries& entries() const { return entries_; }

 private:
  Entries entries_;
};

extern template class BasicParametersMap<std::wstring>;
extern template class BasicParametersMap<std::string>;

using WideParametersMap = BasicParametersMap<std::wstring>;
using NarrowParametersMap = BasicParametersMap<std::string>;

}  // namespace velta

#endif  // CRASH_REPORTER_PARAMETERS_MAP_H_
