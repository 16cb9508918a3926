// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/install_folder_path.h"

#include <windows.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "base/strings/string_util.h"
#include "desktop/windows/installer/common/utils.h"

namespace velta {
namespace {

constexpr std::wstring_view kLongPathPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

bool IsRefused(const base::FilePath& folder) {
  return folder.empty() || !IsValidPath(folder.value(), true) || !folder.IsAbsolute();
}

// The length of the part of the canonical text `text` that no component
// of the file system spells: "C:\" or "\\server\share" (0 for neither).
size_t RootLength(const std::wstring& text) {
  if (text.size() >= 3 && text[1] == L':' && text[2] == L'\\')
    return 3;
  if (!base::StartsWith(text, L"\\\\"))
    return 0;
  size_t end = text.find(L'\\', 2);
  if (end != std::wstring::npos)
    end = text.find(L'\\', end + 1);
  return end == std::wstring::npos ? text.size() : end;
}

// `text` with each component that exists spelled as the file system
// spells it, up to the first one that does not.
std::wstring TakeCaseFromFileSystem(const std::wstring& text) {
  const size_t root = RootLength(text);
  if (root == 0)
    return text;
  std::wstring result = text.substr(0, root);
  size_t position = root;
  while (position < text.size()) {
    if (text[position] == L'\\') {
      ++position;
      continue;
    }
    size_t end = text.find(L'\\', position);
    if (end == std::wstring::npos)
      end = text.size();
    const std::wstring typed = text.substr(position, end - position);
    if (!base::EndsWith(result, L"\\"))
      result += L'\\';
    WIN32_FIND_DATAW found = {};
    const HANDLE find = ::FindFirstFileW((result + typed).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
      return result + text.substr(position);
    ::FindClose(find);
    // A short (8.3) name is found under its long name; anything else the
    // finder answers (it should not) keeps the name as typed.
    const std::wstring spelled = found.cFileName;
    if (base::FilePath::CompareEqualIgnoreCase(spelled, typed) ||
        base::FilePath::CompareEqualIgnoreCase(found.cAlternateFileName, typed)) {
      result += spelled;
    } else {
      result += typed;
    }
    position = end;
  }
  return result;
}

}  // namespace

std::wstring CanonicalInstallFolderText(const std::wstring& folder) {
  std::wstring text = folder;
  std::replace(text.begin(), text.end(), L'/', L'\\');
  if (text.size() >= kLongUncPrefix.size() &&
      base::StartsWith(text, kLongPathPrefix) &&
      base::EqualsCaseInsensitiveASCII(std::wstring_view(text).substr(0, kLongUncPrefix.size()),
                                       kLongUncPrefix)) {
    text = L"\\\\" + text.substr(kLongUncPrefix.size());
  } else if (base::StartsWith(text, kLongPathPrefix)) {
    text = text.substr(kLongPathPrefix.size());
  }
  std::wstring result;
  size_t position = 0;
  if (base::StartsWith(text, L"\\\\")) {
    result = L"\\\\";
    position = 2;
    while (position < text.size() && text[position] == L'\\')
      ++position;
  }
  for (; position < text.size(); ++position) {
    if (text[position] == L'\\' && base::EndsWith(result, L"\\"))
      continue;
    result += text[position];
  }
  const bool drive_root = result.size() == 3 && result[1] == L':';
  if (!drive_root && result.size() > 2 && base::EndsWith(result, L"\\"))
    result.pop_back();
  if (result.size() >= 2 && result[1] == L':')
    result[0] = base::ToUpperASCII(result[0]);
  return result;
}

base::FilePath CanonicalInstallFolder(const base::FilePath& folder) {
  if (IsRefused(folder))
    return folder;
  return base::FilePath(TakeCaseFromFileSystem(CanonicalInstallFolderText(folder.value())));
}

std::wstring FoldInstallFolderCase(const std::wstring& folder) {
  if (folder.empty())
    return folder;
  const int size = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, folder.c_str(),
                                   static_cast<int>(folder.size()), nullptr, 0, nullptr, nullptr,
                                   0);
  if (size <= 0)
    return base::ToUpperASCII(folder);
  std::vector<wchar_t> folded(size);
  if (::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, folder.c_str(),
                      static_cast<int>(folder.size()), folded.data(), size, nullptr, nullptr,
                      0) != size) {
    return base::ToUpperASCII(folder);
  }
  return std::wstring(folded.data(), folded.size());
}

bool IsSameInstallFolder(const base::FilePath& a, const base::FilePath& b) {
  return base::FilePath::CompareEqualIgnoreCase(CanonicalInstallFolderText(a.value()),
                                                CanonicalInstallFolderText(b.value()));
}

}  // namespace velta
