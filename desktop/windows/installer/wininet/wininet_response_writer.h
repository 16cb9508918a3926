// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_WININET_RESPONSE_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_WININET_RESPONSE_WRITER_H_

#include <stdint.h>

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/wininet/response_writer.h"

namespace velta {

// Writes a response body into a file (the package, an additional file, the
// preference default overrides). Open it before handing it to the
// downloader; the file is closed by Close() or the destructor.
class WininetResponseWriter : public ResponseWriter {
 public:
  WininetResponseWriter();
  WininetResponseWriter(const WininetResponseWriter&) = delete;
  WininetResponseWriter& operator=(const WininetResponseWriter&) = delete;
  ~WininetResponseWriter() override;

  // Creates or truncates `path`, not shared with anyone. False (logged) when
  // it cannot be opened.
  bool Open(const base::FilePath& path);

  bool Write(const uint8_t* data, uint32_t length) override;
  void Close() override;
  // Truncates the file to nothing and writes again from its start.
  bool Restart() override;

 private:
  void* file_;
};

// Appends a response body to a string the caller owns and keeps alive for
// the writer's life.
class StringResponseWriter : public ResponseWriter {
 public:
  // Empties `*target` at once, so a reused string never keeps an older reply.
  explicit StringResponseWriter(std::string* target);
  StringResponseWriter(const StringResponseWriter&) = delete;
  StringResponseWriter& operator=(const StringResponseWriter&) = delete;
  ~StringResponseWriter() override;

  bool Write(const uint8_t* data, uint32_t length) override;
  void Close() override;
  bool Restart() override;

 private:
  std::string* const target_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_WININET_RESPONSE_WRITER_H_
