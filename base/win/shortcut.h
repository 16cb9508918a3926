// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_SHORTCUT_H_
#define BASE_WIN_SHORTCUT_H_

#include <stdint.h>

#include <string>

#include "base/files/file_path.h"

// Shell links (.lnk files) through IShellLinkW, IPersistFile and, for the
// AppUserModelID, IPropertyStore. Every function needs COM initialised on the
// calling thread (base::win::ScopedCOMInitializer) and blocks on disk.

namespace base::win {

enum ShortcutOperation {
  // Creates a new shortcut, overwriting one that exists.
  SHORTCUT_CREATE_ALWAYS = 0,
  // Overwrites an existing shortcut (fails when there is none). Properties
  // left unset are cleared, but the arguments: unset, the old ones are kept.
  SHORTCUT_REPLACE_EXISTING,
  // Changes the properties that are set on an existing shortcut (fails when
  // there is none) and keeps the others.
  SHORTCUT_UPDATE_EXISTING,
};

// The properties of a shortcut. `options` says which fields are set: only
// those are written, or were read.
struct ShortcutProperties {
  enum IndividualProperties {
    PROPERTIES_TARGET = 1U << 0,
    PROPERTIES_WORKING_DIR = 1U << 1,
    PROPERTIES_ARGUMENTS = 1U << 2,
    PROPERTIES_DESCRIPTION = 1U << 3,
    PROPERTIES_ICON = 1U << 4,
    PROPERTIES_APP_ID = 1U << 5,
    // Everything the link itself stores (the app id lives in its property
    // store).
    PROPERTIES_BASIC = PROPERTIES_TARGET | PROPERTIES_WORKING_DIR | PROPERTIES_ARGUMENTS |
                       PROPERTIES_DESCRIPTION | PROPERTIES_ICON,
    PROPERTIES_ALL = PROPERTIES_BASIC | PROPERTIES_APP_ID,
  };

  ShortcutProperties();
  ShortcutProperties(const ShortcutProperties& other);
  ShortcutProperties& operator=(const ShortcutProperties& other);
  ~ShortcutProperties();

  void set_target(const FilePath& target_in);
  void set_working_dir(const FilePath& working_dir_in);
  // Already quoted as the command line needs them.
  void set_arguments(const std::wstring& arguments_in);
  // Shown as the link's tooltip; the shell keeps at most 1023 characters.
  void set_description(const std::wstring& description_in);
  // The icon is the `icon_index_in`th icon resource of `icon_in`.
  void set_icon(const FilePath& icon_in, int icon_index_in);
  // The AppUserModelID grouping the link's windows on the taskbar: at most
  // 128 characters, no spaces.
  void set_app_id(const std::wstring& app_id_in);

  FilePath target;
  FilePath working_dir;
  std::wstring arguments;
  std::wstring description;
  FilePath icon;
  int icon_index = -1;
  std::wstring app_id;
  // A mask of IndividualProperties: the fields above that are set.
  uint32_t options = 0;
};

// Creates, replaces or updates the shortcut at `shortcut_path` (see
// ShortcutOperation) and tells the shell about it. `properties` must set a
// target unless `operation` is SHORTCUT_UPDATE_EXISTING. Returns false, and
// leaves any existing shortcut as it was, when the old link cannot be read,
// a property is refused or the file cannot be saved.
bool CreateOrUpdateShortcutLink(const FilePath& shortcut_path,
                                const ShortcutProperties& properties,
                                ShortcutOperation operation);

// Reads the properties named in `options` (a mask of IndividualProperties)
// from the shortcut at `shortcut_path` into `properties`, whose `options`
// then says which were read. False when the file is missing, is not a
// shortcut, or a requested property cannot be read; `properties` may then be
// partly filled.
bool ResolveShortcutProperties(const FilePath& shortcut_path,
                               uint32_t options,
                               ShortcutProperties* properties);

// The target and arguments of the shortcut at `shortcut_path`; either out
// parameter may be null. False as ResolveShortcutProperties.
bool ResolveShortcut(const FilePath& shortcut_path, FilePath* target_path, std::wstring* args);

}  // namespace base::win

#endif  // BASE_WIN_SHORTCUT_H_
