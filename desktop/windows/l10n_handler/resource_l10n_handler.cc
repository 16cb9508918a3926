// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/l10n_handler/resource_l10n_handler.h"

#include <string.h>

#include <iterator>

#include "base/logging.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/i18n.h"
#include "host/resource_ids.h"

namespace velta {

namespace {

struct LanguageRow {
  const wchar_t* code;
  uint16_t lang_id;
};

// One row per line: the host's string-table check reads this table to match
// each table's LANGUAGE with its code.
constexpr LanguageRow kLanguages[] = {
    {L"af", 0x0436},
    {L"am", 0x045E},
    {L"ar", 0x0401},
    {L"be", 0x0423},
    {L"bg", 0x0402},
    {L"bn", 0x0445},
    {L"ca", 0x0403},
    {L"cs", 0x0405},
    {L"da", 0x0406},
    {L"de", 0x0407},
    {L"el", 0x0408},
    {L"en", 0x0409},
    {L"en-gb", 0x0809},
    {L"en-us", 0x0409},
    {L"es", 0x0C0A},
    {L"es-419", 0x080A},
    {L"et", 0x0425},
    {L"eu", 0x042D},
    {L"fa", 0x0429},
    {L"fake-bidi", 0x040D},
    {L"fi", 0x040B},
    {L"fil", 0x0464},
    {L"fr", 0x040C},
    {L"fr-ca", 0x0C0C},
    {L"gl", 0x0456},
    {L"gu", 0x0447},
    {L"he", 0x040D},
    {L"hi", 0x0439},
    {L"hr", 0x041A},
    {L"hu", 0x040E},
    {L"id", 0x0421},
    {L"is", 0x040F},
    {L"it", 0x0410},
    {L"iw", 0x040D},
    {L"ja", 0x0411},
    {L"kn", 0x044B},
    {L"ko", 0x0412},
    {L"lt", 0x0427},
    {L"lv", 0x0426},
    {L"ml", 0x044C},
    {L"mr", 0x044E},
    {L"ms", 0x043E},
    {L"nb", 0x0414},
    {L"ne", 0x0461},
    {L"neutral", 0x0000},
    {L"nl", 0x0413},
    {L"nn", 0x0814},
    {L"no", 0x0414},
    {L"or", 0x0448},
    {L"pa", 0x0446},
    {L"pl", 0x0415},
    {L"pt-br", 0x0416},
    {L"pt-pt", 0x0816},
    {L"ro", 0x0418},
    {L"ru", 0x0419},
    {L"sa", 0x044F},
    {L"si", 0x045B},
    {L"sk", 0x041B},
    {L"sl", 0x0424},
    {L"sr", 0x0C1A},
    {L"sv", 0x041D},
    {L"sw", 0x0441},
    {L"ta", 0x0449},
    {L"te", 0x044A},
    {L"th", 0x041E},
    {L"ti", 0x0873},
    {L"tl", 0x0400},
    {L"tr", 0x041F},
    {L"uk", 0x0422},
    {L"ur", 0x0420},
    {L"userdefault", 0x0400},
    {L"vi", 0x042A},
    {L"zh-cn", 0x0804},
    {L"zh-hk", 0x0C04},
    {L"zh-tw", 0x0404},
    {L"zu", 0x0435},
};

bool IsPureAscii(const std::wstring& text) {
  for (wchar_t c : text) {
    if (c > 0x7F)
      return false;
  }
  return true;
}

// Older codes that the list spells differently.
std::wstring ConvertOlderCode(const std::wstring& code) {
  if (base::EqualsCaseInsensitiveASCII(code, L"no"))
    return L"nb";
  if (base::EqualsCaseInsensitiveASCII(code, L"pt"))
    return L"pt-PT";
  if (base::EqualsCaseInsensitiveASCII(code, L"tl"))
    return L"fil";
  return code;
}

// The language to retry for a preferred code split into `prefix` and
// `suffix` at its first "-".
std::wstring AdjustRegionalCode(const std::wstring& prefix, const std::wstring& suffix) {
  auto suffix_is = [&suffix](const wchar_t* region) {
    return base::EqualsCaseInsensitiveASCII(suffix, region);
  };
  if (base::EqualsCaseInsensitiveASCII(prefix, L"es"))
    return suffix_is(L"es") ? prefix : L"es-419";
  if (base::EqualsCaseInsensitiveASCII(prefix, L"zh"))
    return suffix_is(L"hk") || suffix_is(L"mo") ? L"zh-TW" : L"zh-CN";
  if (base::EqualsCaseInsensitiveASCII(prefix, L"en")) {
    return suffix_is(L"au") || suffix_is(L"ca") || suffix_is(L"nz") || suffix_is(L"za")
               ? L"en-GB"
               : L"en-US";
  }
  if (base::EqualsCaseInsensitiveASCII(prefix, L"no"))
    return L"nb";
  if (base::EqualsCaseInsensitiveASCII(prefix, L"fil"))
    return L"tl";
  return prefix;
}

uint16_t ReadUnit(const uint8_t* data) {
  uint16_t unit;
  memcpy(&unit, data, sizeof(unit));
  return unit;
}

}  // namespace

uint16_t LookupLangId(const std::wstring& code) {
  VLOG(1) << "Looking up LCID for " << base::WideToUTF8(code);
  for (const LanguageRow& row : kLanguages) {
    if (base::EqualsCaseInsensitiveASCII(code, row.code))
      return row.lang_id;
  }
  return 0;
}

ResourceL10nHandler::ResourceL10nHandler(HMODULE module)
    : module_(module ? module : ::GetModuleHandleW(nullptr)) {}

ResourceL10nHandler::~ResourceL10nHandler() = default;

void ResourceL10nHandler::SelectLanguage(std::wstring* language) {
  const std::wstring converted = ConvertOlderCode(*language);
  if (converted != *language) {
    VLOG(1) << "Language converted from ISO631:" << base::WideToUTF8(*language);
    *language = converted;
  }
  if (IsAvailable(*language)) {
    UseLanguage(*language);
    return;
  }
  LOG(INFO) << "Language not in the available languages list: " << base::WideToUTF8(*language);

  for (const std::wstring& preferred : GetPreferredLanguages()) {
    *language = preferred;
    LOG(INFO) << "Trying language from system preferred list: " << base::WideToUTF8(*language);
    if (IsAvailable(*language)) {
      UseLanguage(*language);
      return;
    }
    const size_t hyphen = preferred.find(L'-');
    if (hyphen != std::wstring::npos && hyphen != 0)
      *language = AdjustRegionalCode(preferred.substr(0, hyphen), preferred.substr(hyphen + 1));
    LOG(INFO) << "Retrying after adjustments: " << base::WideToUTF8(*language);
    if (IsAvailable(*language)) {
      UseLanguage(*language);
      return;
    }
  }

  *language = L"en";
  LOG(WARNING) << "Falling back to english";
  lang_id_ = LookupLangId(*language);
}

uint16_t ResourceL10nHandler::GetLangId() const {
  return lang_id_;
}

std::vector<std::wstring> ResourceL10nHandler::GetAvailableLanguages() const {
  std::string list;
  HRSRC found = ::FindResourceW(module_, MAKEINTRESOURCEW(IDR_LANGUAGE_LIST), L"TXT");
  HGLOBAL loaded = found ? ::LoadResource(module_, found) : nullptr;
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (data) {
    // The text has no terminator of its own: its size is the resource's.
    list.assign(static_cast<const char*>(data), ::SizeofResource(module_, found));
  } else {
    LOG(WARNING) << "The language list resource is missing";
  }
  std::vector<std::wstring> languages;
  for (const std::string& entry :
       base::SplitString(list, "\n", base::TRIM_WHITESPACE, base::SPLIT_WANT_ALL)) {
    languages.push_back(base::UTF8ToWide(entry));
  }
  return languages;
}

std::wstring ResourceL10nHandler::GetStringWithArgs(uint32_t id,
                                                    const std::vector<std::wstring>& args) const {
  return LoadStringForLangId(lang_id_, id, args);
}

std::wstring ResourceL10nHandler::GetStringForLanguage(const std::wstring& language,
                                                       uint32_t id) const {
  return LoadStringForLangId(LookupLangId(language), id, {});
}

std::vector<std::wstring> ResourceL10nHandler::GetPreferredLanguages() const {
  std::vector<std::wstring> languages;
  base::win::i18n::GetThreadPreferredUILanguageList(&languages);
  return languages;
}

bool ResourceL10nHandler::IsAvailable(const std::wstring& code) const {
  // An empty code is never available, even when the list holds an empty
  // entry (a list ending in a line feed): it would select LANGID 0 and hand
  // the caller back no language at all.
  if (code.empty() || !IsPureAscii(code))
    return false;
  for (const std::wstring& available : GetAvailableLanguages()) {
    if (base::EqualsCaseInsensitiveASCII(code, available))
      return true;
  }
  return false;
}

void ResourceL10nHandler::UseLanguage(const std::wstring& code) {
  lang_id_ = LookupLangId(code);
}

std::wstring ResourceL10nHandler::LoadStringForLangId(uint16_t lang_id,
                                                      uint32_t id,
                                                      const std::vector<std::wstring>& args) const {
  // Strings come in blocks of sixteen; block id / 16 + 1 holds entry id % 16.
  const uint32_t block = id / 16 + 1;
  HRSRC found = ::FindResourceExW(module_, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block), lang_id);
  if (!found) {
    PLOG(ERROR) << "Failed to find string " << id;
    return std::wstring();
  }
  HGLOBAL loaded = ::LoadResource(module_, found);
  if (!loaded) {
    PLOG(ERROR) << "Failed to load string " << id;
    return std::wstring();
  }
  const auto* data = static_cast<const uint8_t*>(::LockResource(loaded));
  if (!data) {
    PLOG(ERROR) << "Failed to lock string " << id;
    return std::wstring();
  }
  // Each entry is a u16 count and that many UTF-16 units. The block may be
  // cut short; nothing is read past its size.
  const size_t size = ::SizeofResource(module_, found);
  size_t offset = 0;
  for (uint32_t entry = 0;; ++entry) {
    if (size - offset < sizeof(uint16_t)) {
      LOG(ERROR) << "String table block " << block << " ends before string " << id;
      return std::wstring();
    }
    const size_t length = ReadUnit(data + offset);
    offset += sizeof(uint16_t);
    if ((size - offset) / sizeof(wchar_t) < length) {
      LOG(ERROR) << "String table block " << block << " ends inside string " << id;
      return std::wstring();
    }
    if (entry == id % 16) {
      std::wstring text(length, L'\0');
      memcpy(text.data(), data + offset, length * sizeof(wchar_t));
      return args.empty() ? text : base::ReplaceStringPlaceholders(text, args);
    }
    offset += length * sizeof(wchar_t);
  }
}

}  // namespace velta
