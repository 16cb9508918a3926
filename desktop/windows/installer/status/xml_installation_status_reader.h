// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_XML_INSTALLATION_STATUS_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_XML_INSTALLATION_STATUS_READER_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_reader.h"

namespace velta {

class XmlNodeCursor;

// Reads installation_status.xml, the status file of installations made by
// older installers; nothing writes it any more. The document is one
// `install_log` element (attributes "version", "copy_only", "all_users" and
// an optional "app_id") holding, in this order: `path` (attribute
// "subfolder"), `files` with one or more `file`, an optional `root_files`,
// any `registry` elements (attribute "hive", `key` elements with "path" and
// "clean", `value` elements with "name" and "type"), any `shortcut`
// elements (attribute "type"), and an optional last `components` list of
// `component` elements (a `name` then a `path`). The first element out of
// place or lacking a required part fails the whole read; a few such
// failures (a malformed key or value, a registry element without keys, an
// unreadable shortcut, an element after the shortcuts) give no reason.
// Texts are UTF-8; paths are trimmed of white space at both ends, value data
// of ASCII white space.
//
// Parses through MSXML, so the calling thread must have COM initialised.
class XmlInstallationStatusReader : public InstallationStatusReader {
 public:
  XmlInstallationStatusReader();
  XmlInstallationStatusReader(const XmlInstallationStatusReader&) = delete;
  XmlInstallationStatusReader& operator=(const XmlInstallationStatusReader&) = delete;
  ~XmlInstallationStatusReader() override;

  // InstallationStatusReader:
  bool Read(std::unique_ptr<InstallationStatus>* out,
            const std::string& content,
            StatusSource source) override;
  const std::string& GetError() const override;

 private:
  // The reasons given while reading one list of files.
  struct FileListErrors;

  // Each reads its part of the document into `status`, starting where the
  // previous one left the cursor, or sets error_ (when there is a reason to
  // give) and returns false.
  bool ReadRoot(StatusSource source, std::unique_ptr<InstallationStatus>* status);
  bool ReadPath(InstallationStatus* status);
  bool ReadFiles(InstallationStatus* status);
  bool ReadRootFiles(InstallationStatus* status);
  bool ReadRegistry(InstallationStatus* status);
  bool ReadRegistryKey(std::vector<RegistryKeyEntry>* keys);
  bool ReadRegistryValues(RegistryKeyEntry* key);
  bool ReadShortcuts(InstallationStatus* status);
  bool ReadComponents(InstallationStatus* status);
  bool ReadComponent(InstallationStatus* status);

  // With the cursor on a list's first file, appends each file to `files` and
  // returns to the list element.
  bool ReadFileList(const FileListErrors& errors, std::vector<base::FilePath>* files);
  // With the cursor on the first child of an element, calls `read_one` on
  // each child and returns to the element. A null reason fails without one.
  bool ReadEachChild(const std::function<bool()>& read_one,
                     const char* traversal_error,
                     const char* parent_error);
  // Whether the cursor rests on an element called `name`.
  bool IsAt(const char* name) const;

  // Sets error_ to `error` unless it is null; returns false.
  bool Fail(const char* error);
  bool Fail(std::string error);

  std::unique_ptr<XmlNodeCursor> cursor_;
  std::string error_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_XML_INSTALLATION_STATUS_READER_H_
