// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_file_names.h"

#include <wctype.h>

#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"

namespace velta {

namespace {

// The installer's library beside installer.exe.
constexpr wchar_t kInstallerLibraryFileName[] = L"velta_installer.dll";
// The fetch's temporary downloads: the prefix, a number, the extension.
constexpr wchar_t kTemporaryDownloadPrefix[] = L"additional_file";
constexpr wchar_t kTemporaryDownloadExtension[] = L".tmp";
// Appended to a self-extracting archive's name while it runs.
constexpr wchar_t kSelfExtractorSuffix[] = L"_sfx.exe";

// One spelling for every name Windows takes as the same file: components
// without their final dots and spaces, upper-cased as the file system
// compares them, joined by "\".
std::wstring KeyOf(const std::wstring& relative_name) {
  std::wstring key;
  for (std::wstring component :
       base::SplitString(relative_name, L"\\/", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    while (!component.empty() && (component.back() == L'.' || component.back() == L' '))
      component.pop_back();
    for (wchar_t& c : component)
      c = static_cast<wchar_t>(towupper(static_cast<wint_t>(c)));
    if (!key.empty())
      key += L'\\';
    key += component;
  }
  return key;
}

// A short (8.3) name as Windows makes one for a longer name: at most six
// characters of the long name (or two and four hex digits of a hash), "~"
// and digits, then at most three characters of the extension. Splits one
// upper-cased component of that shape; false for any other.
bool SplitShortName(const std::wstring& component, std::wstring* prefix, std::wstring* extension) {
  const size_t dot = component.rfind(L'.');
  const std::wstring base = component.substr(0, dot);
  *extension = dot == std::wstring::npos ? std::wstring() : component.substr(dot + 1);
  const size_t tilde = base.rfind(L'~');
  if (base.size() > 8 || extension->size() > 3 || tilde == std::wstring::npos || tilde == 0 ||
      tilde + 1 == base.size()) {
    return false;
  }
  for (size_t i = tilde + 1; i < base.size(); ++i) {
    if (!iswdigit(static_cast<wint_t>(base[i])))
      return false;
  }
  *prefix = base.substr(0, tilde);
  return true;
}

// Whether `prefix` starts the short name Windows may give `long_component`
// (upper-cased): the long name's first characters without spaces and dots,
// a character that a short name cannot hold standing as "_"; or, in the
// hashed form, its first two and four hex digits.
bool StartsShortNameOf(const std::wstring& prefix, const std::wstring& long_base) {
  std::wstring squeezed;
  for (wchar_t c : long_base) {
    if (c != L' ' && c != L'.')
      squeezed += c;
  }
  auto same = [&squeezed](const std::wstring& part) {
    if (part.size() > squeezed.size())
      return false;
    for (size_t i = 0; i < part.size(); ++i) {
      if (part[i] != squeezed[i] && part[i] != L'_')
        return false;
    }
    return true;
  };
  if (same(prefix))
    return true;
  if (prefix.size() != 6 || !same(prefix.substr(0, 2)))
    return false;
  for (size_t i = 2; i < 6; ++i) {
    if (!iswxdigit(static_cast<wint_t>(prefix[i])))
      return false;
  }
  return true;
}

// Whether the key component `served` is `held` itself or may be its short
// name.
bool NamesSameFile(const std::wstring& served, const std::wstring& held) {
  if (served == held)
    return true;
  std::wstring prefix;
  std::wstring extension;
  if (!SplitShortName(served, &prefix, &extension))
    return false;
  const size_t dot = held.rfind(L'.');
  const std::wstring held_extension =
      dot == std::wstring::npos ? std::wstring() : held.substr(dot + 1, 3);
  return extension == held_extension && StartsShortNameOf(prefix, held.substr(0, dot));
}

std::vector<std::wstring> Components(const std::wstring& key) {
  return base::SplitString(key, L"\\", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
}

// Whether the key `key` names one of the fetch's temporary downloads or a
// self-extracting archive it runs, whatever their number or name.
bool IsTransientFetchFile(const std::wstring& key) {
  const std::wstring prefix = KeyOf(kTemporaryDownloadPrefix);
  const std::wstring extension = KeyOf(kTemporaryDownloadExtension);
  if (key.size() > prefix.size() + extension.size() &&
      base::StartsWith(key, prefix, base::CompareCase::SENSITIVE) &&
      base::EndsWith(key, extension, base::CompareCase::SENSITIVE)) {
    const size_t digits_end = key.size() - extension.size();
    size_t i = prefix.size();
    while (i < digits_end && iswdigit(static_cast<wint_t>(key[i])))
      ++i;
    if (i == digits_end)
      return true;
  }
  return base::EndsWith(key, KeyOf(kSelfExtractorSuffix), base::CompareCase::SENSITIVE);
}

}  // namespace

PackageFileNames::PackageFileNames() {
  for (const wchar_t* name :
       {kPackageInstallerFileName, kInstallerLibraryFileName, kFilesListFileName,
        kRootFilesListFileName, kPackageReadyFileName, kPackageFileName, kPackageVersionFileName,
        kServerTrackingDataFileName, kInstallerPrefsIncludeFileName, kLauncherFileName,
        kHelperFileName, kHelper64FileName, kMinimalInstallFileName,
        kPrefDefaultOverridesFileName, kInstallDoneMarkerFileName}) {
    Add(name);
  }
  // One temporary download stands for all of them, so that their short
  // names are held too.
  Add(TemporaryDownloadName(0));
}

PackageFileNames::~PackageFileNames() = default;

bool PackageFileNames::AddPackageArchive(const base::FilePath& package_folder,
                                         LzmaUtil* lzma_util) {
  const base::FilePath archive = package_folder.Append(kPackageFileName);
  if (!base::PathExists(archive))
    return true;
  std::vector<LzmaUtil::EntryPath> entries;
  int result = lzma_util->Open(archive);
  if (result == LzmaUtil::kOpenSuccess)
    result = lzma_util->ListEntryPaths(package_folder, &entries);
  lzma_util->Close();
  if (result != 0) {
    LOG(ERROR) << "Cannot list the files of the package " << archive.AsUTF8Unsafe()
               << ", error " << result;
    return false;
  }
  for (const LzmaUtil::EntryPath& entry : entries) {
    base::FilePath relative;
    if (package_folder.AppendRelativePath(entry.path, &relative))
      Add(relative.value());
  }
  return true;
}

bool PackageFileNames::Holds(const std::wstring& relative_name) const {
  const std::wstring key = KeyOf(relative_name);
  if (keys_.count(key) != 0 || IsTransientFetchFile(key))
    return true;
  // A short name opens the file it stands for as well: compare the served
  // name's components one by one when one of them has that shape.
  if (key.find(L'~') == std::wstring::npos)
    return false;
  const std::vector<std::wstring> served = Components(key);
  for (const std::wstring& held_key : keys_) {
    const std::vector<std::wstring> held = Components(held_key);
    if (held.size() != served.size())
      continue;
    size_t same = 0;
    while (same < held.size() && NamesSameFile(served[same], held[same]))
      ++same;
    if (same == held.size())
      return true;
  }
  return false;
}

// static
std::wstring PackageFileNames::TemporaryDownloadName(uint32_t counter) {
  return kTemporaryDownloadPrefix + base::NumberToWString(counter) + kTemporaryDownloadExtension;
}

// static
std::wstring PackageFileNames::SelfExtractorName(const std::wstring& file_name) {
  return file_name + kSelfExtractorSuffix;
}

void PackageFileNames::Add(const std::wstring& relative_name) {
  keys_.insert(KeyOf(relative_name));
}

}  // namespace velta
