// Copyright 2026 Velta Software. All rights reserved.

#include "base/pickle.h"

#include <climits>
#include <cstring>
#include <limits>
#include <utility>

#include "base/logging.h"

namespace base {

static_assert(sizeof(wchar_t) == sizeof(uint16_t), "string16 fields hold UTF-16 code units");

namespace {

constexpr size_t kAlignment = sizeof(uint32_t);

constexpr size_t AlignUp(size_t size) {
  return (size + kAlignment - 1) & ~(kAlignment - 1);
}

}  // namespace

// PickleIterator --------------------------------------------------------------

PickleIterator::PickleIterator(const Pickle& pickle)
    : payload_(pickle.payload()), read_index_(0), end_index_(pickle.payload_size()) {}

const char* PickleIterator::GetReadPointerAndAdvance(int64_t num_bytes) {
  const size_t remaining = end_index_ - read_index_;
  if (num_bytes < 0 || static_cast<uint64_t>(num_bytes) > remaining) {
    read_index_ = end_index_;
    return nullptr;
  }
  const char* current = payload_ + read_index_;
  // The last field's padding may be missing; never step past the end.
  const size_t aligned = AlignUp(static_cast<size_t>(num_bytes));
  read_index_ = aligned > remaining ? end_index_ : read_index_ + aligned;
  return current;
}

template <typename T>
bool PickleIterator::ReadBuiltinType(T* result) {
  const char* from = GetReadPointerAndAdvance(sizeof(T));
  if (!from)
    return false;
  std::memcpy(result, from, sizeof(T));  // the payload may be unaligned for T
  return true;
}

bool PickleIterator::ReadBool(bool* result) {
  int value;
  if (!ReadInt(&value))
    return false;
  if (value != 0 && value != 1) {
    read_index_ = end_index_;
    return false;
  }
  *result = value == 1;
  return true;
}

bool PickleIterator::ReadInt(int* result) {
  return ReadBuiltinType(result);
}

bool PickleIterator::ReadLong(long* result) {
  int64_t value;
  if (!ReadBuiltinType(&value))
    return false;
  if (value < std::numeric_limits<long>::min() || value > std::numeric_limits<long>::max()) {
    read_index_ = end_index_;
    return false;
  }
  *result = static_cast<long>(value);
  return true;
}

bool PickleIterator::ReadUInt16(uint16_t* result) {
  return ReadBuiltinType(result);
}

bool PickleIterator::ReadUInt32(uint32_t* result) {
  return ReadBuiltinType(result);
}

bool PickleIterator::ReadInt64(int64_t* result) {
  return ReadBuiltinType(result);
}

bool PickleIterator::ReadUInt64(uint64_t* result) {
  return ReadBuiltinType(result);
}

bool PickleIterator::ReadFloat(float* result) {
  return ReadBuiltinType(result);
}

bool PickleIterator::ReadDouble(double* result) {
  return ReadBuiltinType(result);
}

bool PickleIterator::ReadString(std::string* result) {
  std::string_view piece;
  if (!ReadStringPiece(&piece))
    return false;
  result->assign(piece);
  return true;
}

bool PickleIterator::ReadStringPiece(std::string_view* result) {
  int length;
  if (!ReadInt(&length))
    return false;
  const char* data = GetReadPointerAndAdvance(length);
  if (!data)
    return false;
  *result = std::string_view(data, static_cast<size_t>(length));
  return true;
}

bool PickleIterator::ReadString16(std::wstring* result) {
  int length;
  if (!ReadInt(&length))
    return false;
  // 64-bit arithmetic: twice a large count must not wrap into a small one.
  const char* data = GetReadPointerAndAdvance(static_cast<int64_t>(length) * 2);
  if (!data)
    return false;
  result->resize(static_cast<size_t>(length));
  std::memcpy(result->data(), data, static_cast<size_t>(length) * 2);
  return true;
}

bool PickleIterator::ReadData(const char** data, int* length) {
  *length = 0;
  *data = nullptr;
  int read_length;
  if (!ReadInt(&read_length))
    return false;
  if (!ReadBytes(data, read_length))
    return false;
  *length = read_length;
  return true;
}

bool PickleIterator::ReadBytes(const char** data, int length) {
  const char* read_from = GetReadPointerAndAdvance(length);
  if (!read_from)
    return false;
  *data = read_from;
  return true;
}

bool PickleIterator::ReadLength(int* result) {
  int value;
  if (!ReadInt(&value))
    return false;
  if (value < 0) {
    read_index_ = end_index_;
    return false;
  }
  *result = value;
  return true;
}

bool PickleIterator::SkipBytes(int num_bytes) {
  return GetReadPointerAndAdvance(num_bytes) != nullptr;
}

// Pickle ----------------------------------------------------------------------

Pickle::Pickle() : Pickle(static_cast<int>(sizeof(Header))) {}

Pickle::Pickle(int header_size) : header_size_(static_cast<size_t>(header_size)) {
  CHECK(header_size >= static_cast<int>(sizeof(Header)));
  CHECK(AlignUp(header_size_) == header_size_);
  buffer_.assign(header_size_, 0);
}

Pickle::Pickle(const char* data, size_t data_len) : header_size_(0) {
  if (data_len < sizeof(Header))
    return;
  Header header;
  std::memcpy(&header, data, sizeof(header));
  if (header.payload_size > data_len - sizeof(Header))
    return;
  const size_t header_size = data_len - header.payload_size;
  if (AlignUp(header_size) != header_size)
    return;
  header_size_ = header_size;
  buffer_.assign(data, data + data_len);
}

Pickle::Pickle(const Pickle& that) = default;
Pickle& Pickle::operator=(const Pickle& that) = default;

Pickle::Pickle(Pickle&& that) noexcept
    : header_size_(that.header_size_), buffer_(std::move(that.buffer_)) {
  that.header_size_ = 0;
  that.buffer_.clear();
}

Pickle& Pickle::operator=(Pickle&& that) noexcept {
  header_size_ = std::exchange(that.header_size_, 0);
  buffer_ = std::move(that.buffer_);
  that.buffer_.clear();
  return *this;
}

Pickle::~Pickle() = default;

bool Pickle::WriteString(std::string_view value) {
  if (value.size() > static_cast<size_t>(INT_MAX))
    return false;
  const int length = static_cast<int>(value.size());
  return HasRoomFor(sizeof(int) + AlignUp(value.size())) && WriteInt(length) &&
         WriteBytes(value.data(), length);
}

bool Pickle::WriteString16(std::wstring_view value) {
  if (value.size() > static_cast<size_t>(INT_MAX / 2))
    return false;
  const int length = static_cast<int>(value.size());
  return HasRoomFor(sizeof(int) + AlignUp(value.size() * 2)) && WriteInt(length) &&
         WriteBytes(value.data(), length * 2);
}

bool Pickle::WriteData(const char* data, int length) {
  return length >= 0 && HasRoomFor(sizeof(int) + AlignUp(static_cast<size_t>(length))) &&
         WriteInt(length) && WriteBytes(data, length);
}

bool Pickle::WriteBytes(const void* data, int length) {
  if (length < 0)
    return false;
  const size_t padded = AlignUp(static_cast<size_t>(length));
  if (!HasRoomFor(padded))
    return false;
  if (buffer_.empty()) {
    header_size_ = sizeof(Header);
    buffer_.assign(header_size_, 0);
  }
  const size_t old_size = buffer_.size();
  buffer_.resize(old_size + padded, 0);
  if (length > 0)
    std::memcpy(buffer_.data() + old_size, data, static_cast<size_t>(length));
  SetPayloadSize(buffer_.size() - header_size_);
  return true;
}

bool Pickle::HasRoomFor(size_t bytes) const {
  // The payload size must stay representable in the header's uint32.
  const uint64_t new_payload = static_cast<uint64_t>(payload_size()) + bytes;
  return new_payload <= std::numeric_limits<uint32_t>::max();
}

void Pickle::SetPayloadSize(size_t payload_size) {
  const Header header{static_cast<uint32_t>(payload_size)};
  std::memcpy(buffer_.data(), &header, sizeof(header));
}

}  // namespace base
