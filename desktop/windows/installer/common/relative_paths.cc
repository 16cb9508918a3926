// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/relative_paths.h"

#include <windows.h>

#include <string>
#include <vector>

#include "base/logging.h"
#include "base/strings/string_split.h"

namespace velta {

bool IsRelativePathInside(const base::FilePath& path) {
  const std::wstring& text = path.value();
  if (text.empty() || text.find(L':') != std::wstring::npos || text.starts_with(L'\\') ||
      text.starts_with(L'/')) {
    return false;
  }
  for (const std::wstring& part :
       base::SplitString(text, L"\\/", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL)) {
    if (part == L"..")
      return false;
  }
  return true;
}

bool IsSingleEntryName(std::wstring_view name) {
  if (name.empty() || name == L"." || name == L"..")
    return false;
  for (wchar_t c : name) {
    if (c < L' ' || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos)
      return false;
  }
  return true;
}

namespace {

// `path` relative to `folder`; false when it does not lie below it.
bool RelativeBelow(const base::FilePath& folder,
                   const base::FilePath& path,
                   base::FilePath* relative) {
  return folder.AppendRelativePath(path, relative) && !relative->ReferencesParent();
}

}  // namespace

bool LiesUnderLink(const base::FilePath& folder, const base::FilePath& path) {
  base::FilePath relative;
  return !RelativeBelow(folder, path, &relative) || !FindLinkOnTheWay(folder, path).empty();
}

base::FilePath FindLinkOnTheWay(const base::FilePath& folder, const base::FilePath& path) {
  base::FilePath relative;
  if (!RelativeBelow(folder, path, &relative))
    return base::FilePath();
  const std::vector<std::wstring> parts = relative.GetComponents();
  base::FilePath current = folder;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    current = current.Append(parts[i]);
    const DWORD attributes = ::GetFileAttributesW(current.value().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return current;
  }
  return base::FilePath();
}

bool MayRemoveRecordedFile(const base::FilePath& folder, const base::FilePath& path) {
  if (LiesUnderLink(folder, path)) {
    LOG(WARNING) << "Leaving " << path << ": it lies under a link";
    return false;
  }
  const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    LOG(WARNING) << "Leaving " << path << ": a folder stands at a recorded file's place";
    return false;
  }
  return true;
}

bool ReachesThroughLink(const base::FilePath& folder,
                        const base::FilePath& from,
                        const base::FilePath& to,
                        std::string* error) {
  for (const base::FilePath* path : {&to, &from}) {
    if (folder.IsParent(*path) && LiesUnderLink(folder, *path)) {
      LOG(ERROR) << "Refusing to write through a link: " << *path << " lies under a link in "
                 << folder;
      *error = path->AsUTF8Unsafe() + " lies under a link";
      return true;
    }
  }
  return false;
}

}  // namespace velta
