// Copyright 2026 Velta Software. All rights reserved.

#include "base/pickle.h"

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace base {
namespace {

std::string BytesOf(const Pickle& pickle) {
  return std::string(static_cast<const char*>(pickle.data()), pickle.size());
}

// Little-endian int32 as 4 bytes.
std::string Int32(int32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

// A pickle over hand-made payload bytes with a correct 4-byte header.
Pickle FromPayload(const std::string& payload) {
  const std::string bytes = Int32(static_cast<int32_t>(payload.size())) + payload;
  return Pickle(bytes.data(), bytes.size());
}

TEST(PickleTest, InstallerMessageHasTheWireLayout) {
  Pickle message;
  message.WriteString(":Installer message:");
  message.WriteInt(7);
  ASSERT_EQ(32u, message.size());
  EXPECT_EQ(28u, message.payload_size());
  EXPECT_EQ(Int32(28) + Int32(19) + std::string(":Installer message:") + std::string(1, '\0') +
                Int32(7),
            BytesOf(message));

  Pickle wide;
  wide.WriteString16(L"C:\\\u00E9");
  wide.WriteBool(true);
  EXPECT_EQ(Int32(16) + Int32(4) + std::string("C\0:\0\\\0\xE9\0", 8) + Int32(1), BytesOf(wide));
}

TEST(PickleTest, EveryFieldTypeRoundTrips) {
  Pickle pickle;
  pickle.WriteBool(true);
  pickle.WriteBool(false);
  pickle.WriteInt(INT_MIN);
  pickle.WriteLong(-5);
  pickle.WriteUInt16(0xBEEF);
  pickle.WriteUInt32(0xFFFFFFFFu);
  pickle.WriteInt64(INT64_MIN);
  pickle.WriteUInt64(UINT64_MAX);
  pickle.WriteFloat(1.5f);
  pickle.WriteDouble(-2.25);
  pickle.WriteString("");
  pickle.WriteString(std::string("a\0b", 3));
  pickle.WriteString16(L"\u20AC\xD83D\xDE00");
  pickle.WriteData("xyz", 3);
  pickle.WriteBytes("12345", 5);
  pickle.WriteInt(99);
  EXPECT_EQ(0u, pickle.size() % 4);

  // Read from a received copy, as the receiving process does.
  const Pickle received(static_cast<const char*>(pickle.data()), pickle.size());
  ASSERT_EQ(pickle.size(), received.size());
  PickleIterator it(received);
  bool b1 = false, b2 = true;
  int i = 0, last = 0;
  long l = 0;
  uint16_t u16 = 0;
  uint32_t u32 = 0;
  int64_t i64 = 0;
  uint64_t u64 = 0;
  float f = 0;
  double d = 0;
  std::string empty = "x", with_nul;
  std::wstring wide;
  const char* data = nullptr;
  int data_length = 0;
  const char* bytes = nullptr;
  ASSERT_TRUE(it.ReadBool(&b1));
  ASSERT_TRUE(it.ReadBool(&b2));
  ASSERT_TRUE(it.ReadInt(&i));
  ASSERT_TRUE(it.ReadLong(&l));
  ASSERT_TRUE(it.ReadUInt16(&u16));
  ASSERT_TRUE(it.ReadUInt32(&u32));
  ASSERT_TRUE(it.ReadInt64(&i64));
  ASSERT_TRUE(it.ReadUInt64(&u64));
  ASSERT_TRUE(it.ReadFloat(&f));
  ASSERT_TRUE(it.ReadDouble(&d));
  ASSERT_TRUE(it.ReadString(&empty));
  ASSERT_TRUE(it.ReadString(&with_nul));
  ASSERT_TRUE(it.ReadString16(&wide));
  ASSERT_TRUE(it.ReadData(&data, &data_length));
  ASSERT_TRUE(it.ReadBytes(&bytes, 5));
  ASSERT_TRUE(it.ReadInt(&last));
  EXPECT_TRUE(it.ReachedEnd());
  EXPECT_TRUE(b1);
  EXPECT_FALSE(b2);
  EXPECT_EQ(INT_MIN, i);
  EXPECT_EQ(-5, l);
  EXPECT_EQ(0xBEEF, u16);
  EXPECT_EQ(0xFFFFFFFFu, u32);
  EXPECT_EQ(INT64_MIN, i64);
  EXPECT_EQ(UINT64_MAX, u64);
  EXPECT_EQ(1.5f, f);
  EXPECT_EQ(-2.25, d);
  EXPECT_EQ("", empty);
  EXPECT_EQ(std::string("a\0b", 3), with_nul);
  EXPECT_EQ(L"\u20AC\xD83D\xDE00", wide);
  EXPECT_EQ("xyz", std::string(data, data_length));
  EXPECT_EQ("12345", std::string(bytes, 5));
  EXPECT_EQ(99, last);
  EXPECT_FALSE(it.ReadInt(&last));
}

TEST(PickleTest, PaddingBytesAreZero) {
  Pickle pickle;
  pickle.WriteString("a");
  pickle.WriteBytes("bc", 2);
  pickle.WriteUInt16(0xFFFF);
  EXPECT_EQ(Int32(16) + Int32(1) + std::string("a\0\0\0bc\0\0\xFF\xFF\0\0", 12), BytesOf(pickle));
}

// The fields of a multi-field message and a reader for them.
struct Field {
  std::function<void(Pickle*)> write;
  std::function<bool(PickleIterator*)> read;  // true when read and correct
};

std::vector<Field> MessageFields() {
  return {
      {[](Pickle* p) { p->WriteString(":Installer message:"); },
       [](PickleIterator* it) {
         std::string s;
         return it->ReadString(&s) && s == ":Installer message:";
       }},
      {[](Pickle* p) { p->WriteInt(5); },
       [](PickleIterator* it) {
         int v;
         return it->ReadInt(&v) && v == 5;
       }},
      {[](Pickle* p) { p->WriteString16(L"C:\\Velta Browser"); },
       [](PickleIterator* it) {
         std::wstring s;
         return it->ReadString16(&s) && s == L"C:\\Velta Browser";
       }},
      {[](Pickle* p) { p->WriteBool(true); },
       [](PickleIterator* it) {
         bool v;
         return it->ReadBool(&v) && v;
       }},
      {[](Pickle* p) { p->WriteInt64(0x0123456789ABCDEFLL); },
       [](PickleIterator* it) {
         int64_t v;
         return it->ReadInt64(&v) && v == 0x0123456789ABCDEFLL;
       }},
      {[](Pickle* p) { p->WriteData("xyz", 3); },
       [](PickleIterator* it) {
         const char* data;
         int length;
         return it->ReadData(&data, &length) && std::string(data, length) == "xyz";
       }},
      {[](Pickle* p) { p->WriteString("tail"); },
       [](PickleIterator* it) {
         std::string s;
         return it->ReadString(&s) && s == "tail";
       }},
  };
}

TEST(PickleTest, EveryTruncationOfTheDataGivesAnInvalidPickle) {
  Pickle message;
  for (const Field& field : MessageFields())
    field.write(&message);
  const std::string bytes = BytesOf(message);
  for (size_t length = 0; length < bytes.size(); ++length) {
    // Exactly `length` bytes on the heap, so a read past them would be one
    // past an allocation.
    const std::vector<char> truncated(bytes.begin(), bytes.begin() + length);
    const Pickle pickle(truncated.data(), truncated.size());
    EXPECT_EQ(0u, pickle.size()) << length;
    EXPECT_EQ(nullptr, pickle.data()) << length;
    PickleIterator it(pickle);
    int value;
    EXPECT_FALSE(it.ReadInt(&value)) << length;
  }
}

TEST(PickleTest, EveryTruncationOfThePayloadFailsAtTheCutField) {
  Pickle message;
  const std::vector<Field> fields = MessageFields();
  // Where each field's bytes end in the payload.
  std::vector<size_t> field_ends;
  for (const Field& field : fields) {
    field.write(&message);
    field_ends.push_back(message.payload_size());
  }
  const std::string payload(message.payload(), message.payload_size());
  for (size_t length = 0; length < payload.size(); ++length) {
    // A well-formed header that announces the truncated payload.
    const Pickle pickle = FromPayload(payload.substr(0, length));
    ASSERT_EQ(length, pickle.payload_size());
    PickleIterator it(pickle);
    size_t index = 0;
    while (index < fields.size() && fields[index].read(&it))
      ++index;
    ASSERT_LT(index, fields.size()) << "all fields read from " << length << " bytes";
    // Every field wholly present reads back; the first cut one fails, unless
    // only its padding is missing, and then the next one fails. Every later
    // read fails too.
    size_t first_cut = 0;
    while (first_cut < fields.size() && field_ends[first_cut] <= length)
      ++first_cut;
    EXPECT_GE(index, first_cut) << length;
    EXPECT_LE(index, first_cut + 1) << length;
    EXPECT_TRUE(it.ReachedEnd()) << length;
    for (size_t later = index; later < fields.size(); ++later)
      EXPECT_FALSE(fields[later].read(&it)) << length;
  }
}

TEST(PickleTest, HeaderMustMatchTheData) {
  struct HeaderCase {
    const char* name;
    std::string bytes;
    bool valid;
    size_t payload_size;
  };
  const HeaderCase cases[] = {
      {"empty", "", false, 0},
      {"short", std::string("\0\0\0", 3), false, 0},
      {"header only", Int32(0), true, 0},
      {"payload too large by one", Int32(5) + Int32(1), false, 0},
      {"payload size huge", Int32(-1) + Int32(1), false, 0},
      {"payload size near wrap", Int32(-4) + Int32(1), false, 0},
      {"header not aligned", Int32(2) + std::string("\0\0\0\0", 4), false, 0},
      {"exact", Int32(4) + Int32(1), true, 4},
      // Extra bytes before the payload read as a larger header, as they do
      // for pickles with their own header fields.
      {"larger header", Int32(4) + Int32(0) + Int32(1), true, 4},
  };
  for (const HeaderCase& c : cases) {
    const Pickle pickle(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(c.valid, pickle.data() != nullptr) << c.name;
    EXPECT_EQ(c.payload_size, pickle.payload_size()) << c.name;
    EXPECT_EQ(c.valid ? c.bytes.size() : 0u, pickle.size()) << c.name;
  }
}

TEST(PickleTest, CorruptLengthsFailWithoutReading) {
  const int kLengths[] = {-1, INT_MIN, INT_MIN + 2, INT_MAX, INT_MAX - 2, 5, 0x40000000, 0x7FFFFFFE};
  for (int length : kLengths) {
    // The length is followed by 4 real bytes only.
    const Pickle pickle = FromPayload(Int32(length) + "abcd");
    {
      PickleIterator it(pickle);
      std::string s;
      EXPECT_FALSE(it.ReadString(&s)) << length;
      EXPECT_TRUE(it.ReachedEnd());
    }
    {
      PickleIterator it(pickle);
      std::string_view piece;
      EXPECT_FALSE(it.ReadStringPiece(&piece)) << length;
    }
    {
      // Twice these counts wraps a 32-bit byte count to a small number.
      PickleIterator it(pickle);
      std::wstring s;
      EXPECT_FALSE(it.ReadString16(&s)) << length;
    }
    {
      PickleIterator it(pickle);
      const char* data = reinterpret_cast<const char*>(1);
      int data_length = 1;
      EXPECT_FALSE(it.ReadData(&data, &data_length)) << length;
      EXPECT_EQ(nullptr, data);
      EXPECT_EQ(0, data_length);
    }
  }
  const Pickle pickle = FromPayload(Int32(-1) + Int32(2));
  PickleIterator it(pickle);
  int length;
  EXPECT_FALSE(it.ReadLength(&length));
  const char* bytes;
  PickleIterator it2(pickle);
  EXPECT_FALSE(it2.ReadBytes(&bytes, -1));
  EXPECT_FALSE(it2.SkipBytes(1));  // a failed read ends the iteration
  PickleIterator it3(pickle);
  EXPECT_FALSE(it3.SkipBytes(9));
  PickleIterator it4(pickle);
  EXPECT_TRUE(it4.SkipBytes(8));
  EXPECT_TRUE(it4.ReachedEnd());
}

TEST(PickleTest, ReadBoolRefusesOtherIntegers) {
  const Pickle pickle = FromPayload(Int32(2) + Int32(1));
  PickleIterator it(pickle);
  bool value;
  EXPECT_FALSE(it.ReadBool(&value));
  EXPECT_FALSE(it.ReadBool(&value));
}

TEST(PickleTest, ReadLongRefusesValuesBeyondLong) {
  Pickle pickle;
  pickle.WriteInt64(static_cast<int64_t>(1) << 40);
  PickleIterator it(pickle);
  long value;
  if (sizeof(long) == 4)
    EXPECT_FALSE(it.ReadLong(&value));
  else
    EXPECT_TRUE(it.ReadLong(&value));
}

TEST(PickleTest, LastFieldMayLackItsPadding) {
  // A 1-byte string as the last field, without its 3 padding bytes.
  const Pickle pickle = FromPayload(Int32(1) + "z");
  PickleIterator it(pickle);
  std::string s;
  ASSERT_TRUE(it.ReadString(&s));
  EXPECT_EQ("z", s);
  EXPECT_TRUE(it.ReachedEnd());
}

TEST(PickleTest, ReceivedPickleOwnsACopy) {
  Pickle original;
  original.WriteString("kept");
  std::string bytes = BytesOf(original);
  Pickle received(bytes.data(), bytes.size());
  bytes.assign(bytes.size(), 'X');
  Pickle copy = received;
  Pickle moved = std::move(received);
  for (const Pickle* pickle : {&copy, &moved}) {
    PickleIterator it(*pickle);
    std::string s;
    ASSERT_TRUE(it.ReadString(&s));
    EXPECT_EQ("kept", s);
  }
}

TEST(PickleTest, WritingToAnInvalidPickleStartsAfresh) {
  Pickle pickle("x", 1);
  ASSERT_EQ(0u, pickle.size());
  pickle.WriteInt(3);
  EXPECT_EQ(Int32(4) + Int32(3), BytesOf(pickle));
}

TEST(PickleTest, NegativeLengthsWriteNothing) {
  Pickle pickle;
  EXPECT_FALSE(pickle.WriteData("x", -1));
  EXPECT_FALSE(pickle.WriteBytes("x", -1));
  EXPECT_EQ(4u, pickle.size());
}

TEST(PickleTest, CustomHeaderSizeKeepsPayloadAfterIt) {
  Pickle pickle(12);
  pickle.WriteInt(1);
  EXPECT_EQ(16u, pickle.size());
  EXPECT_EQ(4u, pickle.payload_size());
  const Pickle received(static_cast<const char*>(pickle.data()), pickle.size());
  PickleIterator it(received);
  int value;
  ASSERT_TRUE(it.ReadInt(&value));
  EXPECT_EQ(1, value);
}

}  // namespace
}  // namespace base
