// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_RELATIVE_PATHS_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_RELATIVE_PATHS_H_

#include <string>
#include <string_view>

#include "base/files/file_path.h"

namespace velta {

// Whether `path`, read from a files list or a status record, stays inside
// the folder it is relative to: not empty, not absolute, no drive or stream
// colon, no ".." component. Such an entry from a damaged or forged file
// must not make a copy, move or deletion reach elsewhere.
bool IsRelativePathInside(const base::FilePath& path);

// Whether `name` can only ever name one entry of the folder it is appended
// to: not empty, not "." or "..", no separator, drive or stream colon,
// wildcard or other character Windows refuses in a name.
bool IsSingleEntryName(std::wstring_view name);

// Whether `path` is reached from `folder` through a link: whether one of the
// folders on the way down, below `folder` and above `path`, is a reparse
// point (a junction or a symbolic link), so that `path` may name a file of
// another place, and another owner, than `folder`'s. `folder` itself and
// `path` itself may be links. A `path` that does not lie below `folder`
// counts as reached through a link. Removals of recorded files check this
// first: only the link itself may go, nothing through it.
bool LiesUnderLink(const base::FilePath& folder, const base::FilePath& path);

// The first folder on the way down from `folder` to `path` (below `folder`,
// above `path`) that is a link; empty when there is none, or when `path`
// does not lie below `folder`.
base::FilePath FindLinkOnTheWay(const base::FilePath& folder, const base::FilePath& path);

// Whether the file that a status records at `path`, below `folder`, is the
// installation's to remove: it does not lie under a link (LiesUnderLink),
// and no folder stands in its place (the installation records files only;
// a folder there is someone else's, which a removal would take whole and
// k.bat's "del" would empty). Logs why not.
bool MayRemoveRecordedFile(const base::FilePath& folder, const base::FilePath& path);

// Whether a file step that takes the file `from` and writes `to` (parking
// a file there, and for a move taking `from` away) would reach through a
// link: whether either lies below `folder` and under a link there
// (LiesUnderLink), so that the step would change a file of another place,
// and another owner, than `folder`'s. Then logs it and sets `*error` to
// name the path; the step refuses. A path outside `folder` (a package's
// file) is not checked.
bool ReachesThroughLink(const base::FilePath& folder,
                        const base::FilePath& from,
                        const base::FilePath& to,
                        std::string* error);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_RELATIVE_PATHS_H_
