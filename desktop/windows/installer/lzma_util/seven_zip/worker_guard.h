// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_WORKER_GUARD_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_WORKER_GUARD_H_

namespace velta::seven_zip {

// Runs a decoding thread's writes into the output block. A block that is a
// mapped file can fault on a write (the disk is full); the owner of such a
// block gives the reader a guard that turns the fault into a false result on
// the faulting thread, as it does on its own thread. Called on several
// threads at once.
class WorkerGuard {
 public:
  virtual ~WorkerGuard() = default;

  // Calls `body(context)` on the calling thread. True when it returned; false
  // when a fault interrupted it: its stack frames are then abandoned without
  // running destructors, so the body holds no lock and allocates only what
  // its caller can free.
  virtual bool Run(void (*body)(void* context), void* context) = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_WORKER_GUARD_H_
