// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_RESPONSE_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_RESPONSE_WRITER_H_

#include <stdint.h>

namespace velta {

// Takes a response body piece by piece from the downloader, on the
// downloader's thread. The downloader owns it for one download.
class ResponseWriter {
 public:
  virtual ~ResponseWriter() = default;

  // True when every byte was taken; else last_error() says why.
  virtual bool Write(const uint8_t* data, uint32_t length) = 0;
  // Ends the body: no Write follows. Safe to call twice.
  virtual void Close() = 0;
  // Discards what was written so far and starts the body again from its
  // first byte (the server answered a resumed request with the whole body).
  // False when that cannot be done.
  virtual bool Restart() = 0;

  uint32_t last_error() const { return last_error_; }

 protected:
  uint32_t last_error_ = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_RESPONSE_WRITER_H_
