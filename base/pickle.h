// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PICKLE_H_
#define BASE_PICKLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace base {

class Pickle;

// Reads the fields of a Pickle in the order they were written. Every read
// checks the remaining payload first: a field that would run past the end, a
// negative length or a length whose byte count overflows makes that read and
// every later one return false, without reading outside the payload. Input
// from another process is therefore safe to read; what it means is the
// caller's business.
//
// Holds a pointer into the pickle's payload: the pickle must outlive the
// iterator and must not be written to while it is read. Single-threaded.
class PickleIterator {
 public:
  PickleIterator() = default;
  explicit PickleIterator(const Pickle& pickle);

  // A bool is an int holding 0 or 1; other values are refused.
  [[nodiscard]] bool ReadBool(bool* result);
  [[nodiscard]] bool ReadInt(int* result);
  // Written as 64 bits; a value that does not fit in `long` (32 bits on
  // Windows) is refused.
  [[nodiscard]] bool ReadLong(long* result);
  [[nodiscard]] bool ReadUInt16(uint16_t* result);
  [[nodiscard]] bool ReadUInt32(uint32_t* result);
  [[nodiscard]] bool ReadInt64(int64_t* result);
  [[nodiscard]] bool ReadUInt64(uint64_t* result);
  [[nodiscard]] bool ReadFloat(float* result);
  [[nodiscard]] bool ReadDouble(double* result);
  [[nodiscard]] bool ReadString(std::string* result);
  // Points into the pickle; valid as long as the pickle is.
  [[nodiscard]] bool ReadStringPiece(std::string_view* result);
  // UTF-16 text: an int count of code units, then the units.
  [[nodiscard]] bool ReadString16(std::wstring* result);
  // An int length followed by that many bytes; `*data` points into the pickle.
  [[nodiscard]] bool ReadData(const char** data, int* length);
  // `length` bytes written by WriteBytes; `*data` points into the pickle.
  [[nodiscard]] bool ReadBytes(const char** data, int length);
  // An int that must not be negative.
  [[nodiscard]] bool ReadLength(int* result);
  [[nodiscard]] bool SkipBytes(int num_bytes);

  // True when every byte of the payload has been read.
  bool ReachedEnd() const { return read_index_ == end_index_; }

 private:
  // Returns the next `num_bytes` and moves past them and their padding, or
  // returns null and moves to the end.
  const char* GetReadPointerAndAdvance(int64_t num_bytes);
  template <typename T>
  bool ReadBuiltinType(T* result);

  const char* payload_ = nullptr;
  size_t read_index_ = 0;
  size_t end_index_ = 0;
};

// A flat buffer of typed fields, used for messages between the installer's
// processes. Layout, the same as the well-known base::Pickle on a little-
// endian machine: a header whose first field is a uint32 holding the payload
// size (the bytes after the header), then the payload, in which every field
// starts on a 4-byte boundary and padding bytes are zero. Integers are
// little-endian; a bool is an int 0 or 1; a string is an int byte count, the
// bytes and padding; a string16 is an int count of UTF-16 units, the units
// and padding.
//
// A pickle owns its bytes (one built from received data holds a copy). Plain
// data: it may move between threads but is not shared.
class Pickle {
 public:
  struct Header {
    uint32_t payload_size;
  };

  // An empty pickle with the 4-byte header.
  Pickle();
  // An empty pickle with a larger header for the caller's own fields; the size
  // is a multiple of 4, at least sizeof(Header) (CHECKed).
  explicit Pickle(int header_size);
  // A copy of received bytes, to be read. The header size is what precedes
  // the payload: `data_len` minus the payload size in the first 4 bytes. When
  // that is not a positive multiple of 4 (a buffer shorter than the header,
  // or a payload size larger than the data) the result is an empty, invalid
  // pickle: size() and payload_size() 0, data() null, every read fails.
  Pickle(const char* data, size_t data_len);
  Pickle(const Pickle& that);
  Pickle& operator=(const Pickle& that);
  Pickle(Pickle&& that) noexcept;
  Pickle& operator=(Pickle&& that) noexcept;
  virtual ~Pickle();

  // The whole pickle, header included, as sent.
  const void* data() const { return buffer_.empty() ? nullptr : buffer_.data(); }
  size_t size() const { return buffer_.size(); }
  size_t payload_size() const { return buffer_.empty() ? 0 : buffer_.size() - header_size_; }
  const char* payload() const { return buffer_.data() + header_size_; }
  const char* end_of_payload() const { return buffer_.data() + buffer_.size(); }

  // Each appends one field. They fail, appending nothing, only for a length
  // that does not fit the int count (2 GiB and more) or is negative; writing
  // to an invalid pickle (see above) starts it afresh with a 4-byte header.
  bool WriteBool(bool value) { return WriteInt(value ? 1 : 0); }
  bool WriteInt(int value) { return WritePOD(value); }
  bool WriteLong(long value) { return WritePOD(static_cast<int64_t>(value)); }
  bool WriteUInt16(uint16_t value) { return WritePOD(value); }
  bool WriteUInt32(uint32_t value) { return WritePOD(value); }
  bool WriteInt64(int64_t value) { return WritePOD(value); }
  bool WriteUInt64(uint64_t value) { return WritePOD(value); }
  bool WriteFloat(float value) { return WritePOD(value); }
  bool WriteDouble(double value) { return WritePOD(value); }
  bool WriteString(std::string_view value);
  bool WriteString16(std::wstring_view value);
  // An int length, then the bytes.
  bool WriteData(const char* data, int length);
  // The bytes alone (the reader must know the length).
  bool WriteBytes(const void* data, int length);

 protected:
  size_t header_size() const { return header_size_; }

 private:
  friend class PickleIterator;

  template <typename T>
  bool WritePOD(T value) {
    return WriteBytes(&value, sizeof(value));
  }
  bool HasRoomFor(size_t bytes) const;
  void SetPayloadSize(size_t payload_size);

  size_t header_size_;
  // Header then payload; empty for an invalid pickle.
  std::vector<char> buffer_;
};

}  // namespace base

#endif  // BASE_PICKLE_H_
