// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/xml_installation_status_reader.h"

#include <utility>

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/status/xml_node_cursor.h"

namespace velta {

namespace {

// A path written in the file: UTF-8, trimmed of white space at both ends.
base::FilePath TrimmedPath(const std::string& utf8) {
  return base::FilePath(base::TrimWhitespace(base::UTF8ToWide(utf8), base::TRIM_ALL));
}

// The elements that may follow the file lists.
bool IsFileListSuccessor(const std::string& name) {
  return name == "registry" || name == "shortcut" || name == "components";
}

// The field of a shortcut of `type`, or null for an unknown type.
base::FilePath* ShortcutField(const std::string& type, InstallationStatus* status) {
  if (type == "SC_DEST_DESKTOP" || type == "SC_DEST_COMMON_DESKTOP")
    return &status->desktop_shortcut;
  if (type == "SC_DEST_MENU" || type == "SC_DEST_COMMON_MENU")
    return &status->menu_shortcut;
  if (type == "SC_DEST_QUICK_LAUNCH")
    return &status->quick_launch_shortcut;
  return nullptr;
}

}  // namespace

struct XmlInstallationStatusReader::FileListErrors {
  const char* first;
  const char* name;
  const char* text;
  const char* traversal;
  const char* parent;
};

XmlInstallationStatusReader::XmlInstallationStatusReader() = default;

XmlInstallationStatusReader::~XmlInstallationStatusReader() = default;

bool XmlInstallationStatusReader::Read(std::unique_ptr<InstallationStatus>* out,
                                       const std::string& content,
                                       StatusSource source) {
  out->reset();
  // A reason left from an earlier file would otherwise stand for this one.
  error_.clear();
  cursor_ = std::make_unique<XmlNodeCursor>();
  std::string load_error;
  if (!cursor_->LoadFromString(content, &load_error))
    return Fail("Cannot parse the file as XML: " + load_error);

  std::unique_ptr<InstallationStatus> status;
  if (!ReadRoot(source, &status) || !ReadPath(status.get()) || !ReadFiles(status.get()) ||
      !ReadRootFiles(status.get()) || !ReadRegistry(status.get()) ||
      !ReadShortcuts(status.get()) || !ReadComponents(status.get())) {
    return false;
  }
  *out = std::move(status);
  return true;
}

const std::string& XmlInstallationStatusReader::GetError() const {
  return error_;
}

bool XmlInstallationStatusReader::ReadRoot(StatusSource source,
                                           std::unique_ptr<InstallationStatus>* status) {
  if (cursor_->MoveToFirstChild() != XmlMoveResult::kMoved)
    return Fail("Cannot proceed to the root element");
  // A name that cannot be read is no more the root's than a wrong one.
  if (!IsAt("install_log"))
    return Fail("The root element's name is invalid");
  auto record = std::make_unique<InstallationStatus>(source);
  if (!cursor_->GetAttribute("version", &record->version))
    return Fail("There's no version attribute on the root element");
  std::string text;
  // Decoded like every other text of the file, not byte by byte.
  if (cursor_->GetAttribute("app_id", &text))
    record->app_id = base::UTF8ToWide(text);
  if (!cursor_->GetAttribute("copy_only", &text))
    return Fail("There's no copy_only attribute on the root element");
  record->copy_only = text == "True";
  if (!cursor_->GetAttribute("all_users", &text))
    return Fail("There's no all_users attribute on the root element");
  record->all_users = text == "True";
  *status = std::move(record);
  return true;
}

bool XmlInstallationStatusReader::ReadPath(InstallationStatus* status) {
  if (cursor_->MoveToFirstChild() != XmlMoveResult::kMoved)
    return Fail("Cannot proceed to the path");
  if (!IsAt("path"))
    return Fail("The path element is not named correctly");
  std::string text;
  if (cursor_->GetAttribute("subfolder", &text))
    status->subfolder = TrimmedPath(text);
  if (!cursor_->GetText(&text))
    return Fail("Cannot get text contents of path");
  status->path = TrimmedPath(text);
  return true;
}

bool XmlInstallationStatusReader::ReadFiles(InstallationStatus* status) {
  static constexpr FileListErrors kErrors = {
      "Cannot proceed to the first file on the list", "File element is incorrectly named",
      "Cannot get text content of a file element", "Failed traversing the files list",
      "Cannot get back to the files list"};
  if (cursor_->MoveToSibling() != XmlMoveResult::kMoved)
    return Fail("Cannot go to files element");
  if (!IsAt("files"))
    return Fail("Files element is incorrectly named");
  return ReadFileList(kErrors, &status->files);
}

bool XmlInstallationStatusReader::ReadRootFiles(InstallationStatus* status) {
  static constexpr FileListErrors kErrors = {
      "Cannot proceed to the first root file", "A root file is incorrectly named",
      "Cannot get text of a root file", "Failed traversing the root files list",
      "Cannot get back to the root files list"};
  XmlMoveResult moved = cursor_->MoveToSibling();
  if (moved == XmlMoveResult::kNoElement)
    return true;
  if (moved == XmlMoveResult::kError)
    return Fail("Cannot proceed to the expected root files list");
  std::string name;
  if (!cursor_->GetName(&name))
    return Fail("Cannot get the expected root files list name");
  if (IsFileListSuccessor(name))
    return true;
  if (name != "root_files")
    return Fail("Invalid element in place of the optional root files list");
  if (!ReadFileList(kErrors, &status->root_files))
    return false;

  moved = cursor_->MoveToSibling();
  if (moved == XmlMoveResult::kError)
    return Fail("Cannot proceed from the root files list");
  if (!cursor_->GetName(&name))
    return Fail("Cannot get root files list successor name");
  if (moved == XmlMoveResult::kNoElement || IsFileListSuccessor(name))
    return true;
  return Fail("Invalid successor of root files list");
}

bool XmlInstallationStatusReader::ReadRegistry(InstallationStatus* status) {
  bool has_registry = false;
  std::string name;
  bool has_name = cursor_->GetName(&name);
  while (has_name && name == "registry") {
    has_registry = true;
    std::string hive;
    if (!cursor_->GetAttribute("hive", &hive))
      return Fail("Cannot get the hive attibute of a registry element");
    std::vector<RegistryKeyEntry>* keys = nullptr;
    if (hive == "HKLM")
      keys = &status->hklm_keys;
    else if (hive == "HKCU")
      keys = &status->hkcu_keys;
    else
      return Fail("The hive attribute is not HKLM nor HKCU");
    // A registry element without keys fails.
    if (cursor_->MoveToFirstChild() != XmlMoveResult::kMoved ||
        !ReadEachChild([this, keys] { return ReadRegistryKey(keys); }, nullptr, nullptr)) {
      return false;
    }
    XmlMoveResult moved = cursor_->MoveToSibling();
    if (moved == XmlMoveResult::kError)
      return Fail("Failure while traversing registry keys");
    if (moved == XmlMoveResult::kNoElement)
      return true;
    has_name = cursor_->GetName(&name);
  }
  if (has_registry && !(has_name && (name == "shortcut" || name == "components")))
    return Fail("Invalid successor of the registry element");
  return true;
}

bool XmlInstallationStatusReader::ReadRegistryKey(std::vector<RegistryKeyEntry>* keys) {
  RegistryKeyEntry key;
  std::string clean;
  if (!IsAt("key") || !cursor_->GetAttribute("path", &key.path) ||
      !cursor_->GetAttribute("clean", &clean) || !base::StringToInt(clean, &key.clean) ||
      !ReadRegistryValues(&key)) {
    return false;
  }
  keys->push_back(std::move(key));
  return true;
}

bool XmlInstallationStatusReader::ReadRegistryValues(RegistryKeyEntry* key) {
  XmlMoveResult moved = cursor_->MoveToFirstChild();
  if (moved != XmlMoveResult::kMoved)
    return moved == XmlMoveResult::kNoElement;
  return ReadEachChild(
      [this, key] {
        RegistryValueEntry value;
        std::string data;
        if (!IsAt("value") || !cursor_->GetAttribute("name", &value.name) ||
            !cursor_->GetAttribute("type", &value.type) || !cursor_->GetText(&data)) {
          return false;
        }
        value.data = std::string(base::TrimWhitespaceASCII(data, base::TRIM_ALL));
        key->values.push_back(std::move(value));
        return true;
      },
      nullptr, nullptr);
}

bool XmlInstallationStatusReader::ReadShortcuts(InstallationStatus* status) {
  std::string name;
  bool has_shortcut = false;
  XmlMoveResult moved = XmlMoveResult::kMoved;
  while (IsAt("shortcut")) {
    has_shortcut = true;
    std::string type;
    if (!cursor_->GetAttribute("type", &type))
      return Fail("A shortcut element doesn't feature a type attribute");
    std::string text;
    if (!cursor_->GetText(&text))
      return false;
    base::FilePath* field = ShortcutField(type, status);
    if (!field)
      return Fail("Invalid shortcut type " + type);
    // A later shortcut of the same kind replaces an earlier one.
    *field = TrimmedPath(text);
    moved = cursor_->MoveToSibling();
    if (moved == XmlMoveResult::kError)
      return Fail("Failure while traversing shortcuts");
    if (moved == XmlMoveResult::kNoElement)
      break;
  }
  // Without shortcuts the cursor still rests on the last element read, unless
  // the registry or root files were followed by the components list, which
  // must not be stepped over (a second list behind it would replace it).
  if (!has_shortcut && !IsAt("components")) {
    moved = cursor_->MoveToSibling();
    if (moved == XmlMoveResult::kError)
      return Fail("Failure trying to proceed to the shortcut successor");
  }
  if (!cursor_->GetName(&name))
    return Fail("Failed getting the shortcut successor element name");
  return moved == XmlMoveResult::kNoElement || name == "components";
}

bool XmlInstallationStatusReader::ReadComponents(InstallationStatus* status) {
  std::string name;
  // An unreadable name fails rather than dropping the components unseen.
  if (!cursor_->GetName(&name))
    return false;
  if (name != "components")
    return true;
  XmlMoveResult moved = cursor_->MoveToFirstChild();
  if (moved == XmlMoveResult::kError)
    return Fail("Failed going to the first component");
  // An empty list is allowed: there are zero or more components.
  if (moved == XmlMoveResult::kMoved &&
      !ReadEachChild([this, status] { return ReadComponent(status); },
                     "Failure while traversing components",
                     "Cannot get back to the root of component list")) {
    return false;
  }
  if (cursor_->MoveToSibling() != XmlMoveResult::kNoElement)
    return Fail("Components are not the last element in status");
  return true;
}

bool XmlInstallationStatusReader::ReadComponent(InstallationStatus* status) {
  if (!IsAt("component"))
    return Fail("A component element is not called component");
  if (cursor_->MoveToFirstChild() != XmlMoveResult::kMoved)
    return Fail("Cannot go to first child of a component");
  if (!IsAt("name"))
    return Fail("Component's first child is not called name");
  std::string name;
  if (!cursor_->GetText(&name))
    return Fail("Cannot get component's name as text");
  if (cursor_->MoveToSibling() != XmlMoveResult::kMoved)
    return Fail("Cannot go to component.name sibling");
  if (!IsAt("path"))
    return Fail("component.path is not called path");
  std::string path;
  if (!cursor_->GetText(&path))
    return Fail("Cannot get the path of a component as text");
  status->components.emplace_back(name, TrimmedPath(path));
  if (cursor_->MoveToParent() != XmlMoveResult::kMoved)
    return Fail("Cannot get back to the component's parent element");
  return true;
}

bool XmlInstallationStatusReader::ReadFileList(const FileListErrors& errors,
                                               std::vector<base::FilePath>* files) {
  // An empty list fails.
  if (cursor_->MoveToFirstChild() != XmlMoveResult::kMoved)
    return Fail(errors.first);
  return ReadEachChild(
      [this, &errors, files] {
        if (!IsAt("file"))
          return Fail(errors.name);
        std::string text;
        if (!cursor_->GetText(&text))
          return Fail(errors.text);
        files->push_back(TrimmedPath(text));
        return true;
      },
      errors.traversal, errors.parent);
}

bool XmlInstallationStatusReader::ReadEachChild(const std::function<bool()>& read_one,
                                                const char* traversal_error,
                                                const char* parent_error) {
  XmlMoveResult moved;
  do {
    if (!read_one())
      return false;
    moved = cursor_->MoveToSibling();
  } while (moved == XmlMoveResult::kMoved);
  if (moved == XmlMoveResult::kError)
    return Fail(traversal_error);
  if (cursor_->MoveToParent() != XmlMoveResult::kMoved)
    return Fail(parent_error);
  return true;
}

bool XmlInstallationStatusReader::IsAt(const char* name) const {
  std::string current;
  return cursor_->GetName(&current) && current == name;
}

bool XmlInstallationStatusReader::Fail(const char* error) {
  if (error)
    error_ = error;
  return false;
}

bool XmlInstallationStatusReader::Fail(std::string error) {
  error_ = std::move(error);
  return false;
}

}  // namespace velta
