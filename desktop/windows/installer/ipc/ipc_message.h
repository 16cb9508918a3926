// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_IPC_MESSAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_IPC_MESSAGE_H_

#include <stddef.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/pickle.h"

namespace velta {

// The installer messages that a backend (or the package's own installer)
// sends to the main process over the mailslot. Each one is a base::Pickle
// with the 4-byte header: the signature string ":Installer message:", an
// int32 type, then the payload of the type:
//
//   0 IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS  bool
//   1 IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS
//   2 IPC_MESSAGE_INSTALL_FOLDER_CREATED
//   3 IPC_MESSAGE_TOTAL_STEPS                int count
//   4 IPC_MESSAGE_STEP_STARTING              string name
//   5 IPC_MESSAGE_STEP_FINISHED              string name, int attempt,
//                                            int finished (older packages
//                                            stop after the attempt)
//   6 IPC_MESSAGE_IMPORTANT_EVENT            string name
//   7 IPC_MESSAGE_ERROR                      int code, string16 text,
//                                            string detail
//   8 IPC_MESSAGE_SUCCESS
//   9 IPC_MESSAGE_ENTERING_PHASE             int phase
//
// Strings are 8-bit text, string16 UTF-16; each field starts on a 4-byte
// boundary. A message is at most kMaxInstallerMessageSize bytes in all.
enum InstallerMessageType : int {
  IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS = 0,
  IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS = 1,
  IPC_MESSAGE_INSTALL_FOLDER_CREATED = 2,
  IPC_MESSAGE_TOTAL_STEPS = 3,
  IPC_MESSAGE_STEP_STARTING = 4,
  IPC_MESSAGE_STEP_FINISHED = 5,
  IPC_MESSAGE_IMPORTANT_EVENT = 6,
  IPC_MESSAGE_ERROR = 7,
  IPC_MESSAGE_SUCCESS = 8,
  IPC_MESSAGE_ENTERING_PHASE = 9,
};

// Types from 0 to this, exclusive, are known.
inline constexpr int kInstallerMessageTypeCount = 10;

inline constexpr char kInstallerMessageSignature[] = ":Installer message:";

// The largest message, header included: the mailslot's maximum message size
// and the reader's buffer.
inline constexpr size_t kMaxInstallerMessageSize = 2048;

// "IPC_MESSAGE_TOTAL_STEPS" for 3; "" for an unknown type.
const char* GetInstallerMessageTypeName(int type);

// A message holding the signature and `type`; the caller appends the
// payload.
std::unique_ptr<base::Pickle> MakeInstallerMessage(InstallerMessageType type);

// The mailslot name on which the processes of one installation meet:
// "velta_installer\" and the installation folder exactly as given
// (backslashes kept).
std::wstring GetInstallerMailslotName(const base::FilePath& install_folder);

// "\\.\mailslot\" and `name`.
std::wstring GetMailslotPath(const std::wstring& name);

// Makes a message longer than `max_size` fit: its texts (the step or event
// name, the error's detail and text) are cut, longest first and never inside
// a character, until the whole message fits. True with the result in
// `shortened`; false for a message that is not a well-formed installer
// message or that cannot be made to fit.
bool ShortenInstallerMessage(const base::Pickle& message, size_t max_size,
                             base::Pickle* shortened);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_IPC_MESSAGE_H_
