// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_check.h"

#include <algorithm>
#include <vector>

#include "base/logging.h"
#include "base/no_destructor.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/status/recovery_placeholder_resolver.h"
#include "desktop/windows/installer/transactions/registry_template_entry.h"
#include "desktop/windows/installer/transactions/registry_templates.h"

namespace velta {

namespace {

// Stands for the name of the installation's own uninstall entry in an
// expanded template key: the entry is "<brand> <version>[<n>]", chosen when
// the installation was made.
constexpr wchar_t kUninstallEntry[] = L"*";

std::vector<std::wstring> KeyParts(std::wstring_view key) {
  return base::SplitString(key, L"\\", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
}

// A key the templates write: its parts, and how much of it is the
// installation's own (the parts a removal may delete; none for a key the
// templates only add values to).
struct OwnKey {
  std::vector<std::wstring> parts;
  size_t owned_depth;
};

const std::vector<OwnKey>& GetOwnKeys() {
  static const base::NoDestructor<std::vector<OwnKey>> keys([] {
    RecoveryPlaceholderResolver resolver(base::FilePath(), kUninstallEntry);
    std::vector<OwnKey> made;
    for (const RegistryTemplate& record : GetRegistryTemplates()) {
      if (record.type == RegistryTemplate::kDeleteKey ||
          record.type == RegistryTemplate::kRemoveValue)
        continue;
      std::vector<std::wstring> parts = KeyParts(ExpandPlaceholders(record.key, &resolver));
      const size_t owned = record.clean >= 1 && record.clean - 1 < parts.size()
                               ? parts.size() - (record.clean - 1)
                               : 0;
      made.push_back(OwnKey{std::move(parts), owned});
    }
    return made;
  }());
  return *keys;
}

bool PartMatches(const std::wstring& own, const std::wstring& read) {
  if (own == kUninstallEntry) {
    const std::wstring prefix = base::UTF8ToWide(GetBrandName()) + L" ";
    return read.size() > prefix.size() &&
           base::StartsWith(read, prefix, base::CompareCase::INSENSITIVE_ASCII);
  }
  return base::EqualsCaseInsensitiveASCII(own, read);
}

bool StartsWithParts(const std::vector<std::wstring>& read,
                     const std::vector<std::wstring>& own,
                     size_t count) {
  if (read.size() < count || own.size() < count)
    return false;
  for (size_t i = 0; i < count; ++i) {
    if (!PartMatches(own[i], read[i]))
      return false;
  }
  return true;
}

bool IsShortcutPath(const base::FilePath& path) {
  return path.empty() || (path.IsAbsolute() && !path.ReferencesParent() &&
                          base::EqualsCaseInsensitiveASCII(path.FinalExtension(), L".lnk"));
}

// Whether `path` lies inside `folder`, below it.
bool IsInsideFolder(const base::FilePath& folder, const base::FilePath& path) {
  const std::wstring base = folder.StripTrailingSeparators().value();
  const std::wstring& text = path.value();
  if (base.empty() || text.size() <= base.size() + 1 ||
      !base::FilePath::IsSeparator(text[base.size()]) ||
      !base::FilePath::CompareEqualIgnoreCase(std::wstring_view(text).substr(0, base.size()),
                                              base)) {
    return false;
  }
  return IsRelativePathInside(base::FilePath(text.substr(base.size() + 1)));
}

void DropFiles(const char* list, std::vector<base::FilePath>* files) {
  std::erase_if(*files, [list](const base::FilePath& file) {
    if (IsRelativePathInside(file))
      return false;
    LOG(WARNING) << "Dropping the " << list << " entry " << file
                 << " of the status: it is not a path inside the installation";
    return true;
  });
}

void DropShortcut(const char* kind, base::FilePath* shortcut) {
  if (IsShortcutPath(*shortcut))
    return;
  LOG(WARNING) << "Dropping the " << kind << " shortcut " << *shortcut
               << " of the status: it is not an absolute .lnk file";
  *shortcut = base::FilePath();
}

void DropRegistryKeys(const char* hive, std::vector<RegistryKeyEntry>* keys) {
  std::erase_if(*keys, [hive](const RegistryKeyEntry& key) {
    if (IsOwnRegistryRecord(key.path, key.clean))
      return false;
    LOG(WARNING) << "Dropping the " << hive << " key " << key.path << " with depth " << key.clean
                 << " of the status: it is not under the installation's own keys";
    return true;
  });
}

}  // namespace

bool IsVersionFolderName(std::wstring_view name) {
  if (name.empty())
    return false;
  const size_t suffix = name.find(L'_');
  std::wstring_view version = name.substr(0, suffix);
  if (suffix != std::wstring_view::npos) {
    std::wstring_view number = name.substr(suffix + 1);
    if (number.empty() || !std::all_of(number.begin(), number.end(), base::IsAsciiDigit<wchar_t>))
      return false;
  }
  for (std::wstring_view part :
       base::SplitStringPiece(version, L".", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL)) {
    if (part.empty() || !std::all_of(part.begin(), part.end(), base::IsAsciiDigit<wchar_t>))
      return false;
  }
  return true;
}

bool IsOwnRegistryRecord(const std::string& path, int clean) {
  const std::vector<std::wstring> parts = KeyParts(base::UTF8ToWide(path));
  if (parts.empty() || clean < 0)
    return false;
  const size_t kept = static_cast<size_t>(clean) >= 1 ? static_cast<size_t>(clean) - 1 : 0;
  for (const OwnKey& own : GetOwnKeys()) {
    if (own.owned_depth == 0) {
      if (clean == RegistryKeyEntry::kCleanValues && parts.size() == own.parts.size() &&
          StartsWithParts(parts, own.parts, parts.size())) {
        return true;
      }
      continue;
    }
    if (StartsWithParts(parts, own.parts, own.owned_depth) &&
        (clean == RegistryKeyEntry::kCleanValues || parts.size() >= own.owned_depth + kept)) {
      return true;
    }
  }
  return false;
}

bool CheckInstallationStatus(const base::FilePath& folder,
                             InstallationStatus* status,
                             std::string* error) {
  // An empty version names no folder: the roads that append it stay in the
  // installation folder.
  if (!status->version.empty() && !IsVersionFolderName(base::UTF8ToWide(status->version))) {
    *error = "The version \"" + status->version + "\" is not a version folder name";
    return false;
  }
  if (!status->subfolder.empty() && !IsVersionFolderName(status->subfolder.value())) {
    *error =
        "The subfolder \"" + status->subfolder.AsUTF8Unsafe() + "\" is not a version folder name";
    return false;
  }
  DropFiles("files", &status->files);
  DropFiles("root files", &status->root_files);
  DropShortcut("desktop", &status->desktop_shortcut);
  DropShortcut("menu", &status->menu_shortcut);
  DropShortcut("quick launch", &status->quick_launch_shortcut);
  std::erase_if(status->components, [&folder](const InstallationComponent& component) {
    if (IsSingleEntryName(base::UTF8ToWide(component.name)) &&
        IsInsideFolder(folder, component.path)) {
      return false;
    }
    LOG(WARNING) << "Dropping the component " << component.name << " at " << component.path
                 << " of the status: it is not a folder inside the installation";
    return true;
  });
  DropRegistryKeys("HKLM", &status->hklm_keys);
  DropRegistryKeys("HKCU", &status->hkcu_keys);
  return true;
}

}  // namespace velta
