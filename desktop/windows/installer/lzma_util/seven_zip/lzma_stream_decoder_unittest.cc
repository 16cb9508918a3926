// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/lzma_stream_decoder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/archive_reader.h"
#include "desktop/windows/installer/lzma_util/seven_zip/block_cache.h"
#include "desktop/windows/installer/lzma_util/seven_zip/byte_source.h"
#include "desktop/windows/installer/lzma_util/seven_zip/heap_allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/memory_input_stream.h"
#include "gtest/gtest.h"

// LzmaStreamDecoder is checked against LzmaDec, kept in the build as the
// reference: on every stream, whole or damaged, fed whole or in pieces, both
// must give the same result, reason and output block.

namespace velta::seven_zip {
namespace {

namespace fs = std::filesystem;

fs::path DirFromEnvironment(const char* variable, const char* built_in) {
  const char* dir = std::getenv(variable);
  if (dir && *dir)
    return fs::path(dir);
  return fs::path(built_in ? built_in : "");
}

#if defined(VELTA_SEVEN_ZIP_BUILD_TEST_ARCHIVES)
constexpr const char* kBuiltArchives = VELTA_SEVEN_ZIP_BUILD_TEST_ARCHIVES;
#else
constexpr const char* kBuiltArchives = nullptr;
#endif
#if defined(VELTA_SEVEN_ZIP_BUILD_LZMA_STREAMS)
constexpr const char* kBuiltStreams = VELTA_SEVEN_ZIP_BUILD_LZMA_STREAMS;
#else
constexpr const char* kBuiltStreams = nullptr;
#endif

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// Hands its bytes out in pieces of the sizes given, in turn (all at once
// when none are), as a file read in small blocks would.
class PieceByteSource : public ByteSource {
 public:
  PieceByteSource(const std::vector<uint8_t>& data, std::vector<size_t> pieces)
      : data_(data), pieces_(std::move(pieces)) {}

  ResultCode Peek(const uint8_t** data, size_t* size) override {
    size_t piece = data_.size() - position_;
    if (!pieces_.empty())
      piece = std::min(piece, pieces_[next_piece_ % pieces_.size()]);
    *data = data_.data() + position_;
    *size = piece;
    return ResultCode::kOk;
  }
  void Consume(size_t count) override {
    position_ += count;
    ++next_piece_;
  }
  uint64_t remaining() const override { return data_.size() - position_; }

 private:
  const std::vector<uint8_t>& data_;
  const std::vector<size_t> pieces_;
  size_t position_ = 0;
  size_t next_piece_ = 0;
};

enum class Coder { kLzma, kLzma2 };

struct Outcome {
  ResultCode result;
  std::string error;
  std::vector<uint8_t> out;
};

Outcome Decode(LzmaEngine engine, Coder coder, const std::vector<uint8_t>& properties,
               const std::vector<uint8_t>& packed, size_t out_size,
               const std::vector<size_t>& pieces) {
  HeapAllocator heap;
  LzmaDecoder decoder(&heap, engine);
  PieceByteSource source(packed, pieces);
  Outcome outcome;
  outcome.out.assign(out_size, 0xA5);  // What the decoder leaves alone shows.
  if (coder == Coder::kLzma) {
    outcome.result = decoder.DecodeLzma(properties.data(), properties.size(), &source,
                                        outcome.out.data(), out_size, &outcome.error);
  } else {
    outcome.result = decoder.DecodeLzma2(properties.data(), properties.size(), &source,
                                         outcome.out.data(), out_size, &outcome.error);
  }
  EXPECT_EQ(0u, heap.live_allocations());
  return outcome;
}

// Decodes with both engines; returns LzmaDec's result after checking that
// the other one matches it.
ResultCode ExpectAlike(Coder coder, const std::vector<uint8_t>& properties,
                       const std::vector<uint8_t>& packed, size_t out_size,
                       const std::vector<size_t>& pieces, const std::string& what) {
  const Outcome reference =
      Decode(LzmaEngine::kLzmaDec, coder, properties, packed, out_size, pieces);
  const Outcome ours =
      Decode(LzmaEngine::kStreamDecoder, coder, properties, packed, out_size, pieces);
  EXPECT_EQ(reference.result, ours.result) << what;
  EXPECT_EQ(reference.error, ours.error) << what;
  if (reference.out != ours.out) {
    const auto [first, second] =
        std::mismatch(reference.out.begin(), reference.out.end(), ours.out.begin());
    ADD_FAILURE() << what << ": outputs differ from byte " << (first - reference.out.begin());
  }
  return reference.result;
}

// A stream file of testdata/make_lzma_streams.py.
struct StreamFile {
  std::string name;
  Coder coder;
  std::vector<uint8_t> properties;
  size_t size;
  std::vector<uint8_t> packed;
};

std::vector<StreamFile> LoadStreams(const fs::path& dir) {
  std::vector<StreamFile> streams;
  std::set<fs::path> paths;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir))
    paths.insert(entry.path());
  for (const fs::path& path : paths) {
    const std::string extension = path.extension().string();
    if (extension != ".lzma" && extension != ".lzma2")
      continue;
    const std::vector<uint8_t> bytes = ReadBytes(path);
    const size_t properties_size = extension == ".lzma" ? 5 : 1;
    EXPECT_GE(bytes.size(), properties_size + 8) << path;
    if (bytes.size() < properties_size + 8)
      continue;
    StreamFile stream;
    stream.name = path.filename().string();
    stream.coder = extension == ".lzma" ? Coder::kLzma : Coder::kLzma2;
    stream.properties.assign(bytes.begin(), bytes.begin() + properties_size);
    uint64_t size = 0;
    for (int i = 7; i >= 0; --i)
      size = (size << 8) | bytes[properties_size + i];
    stream.size = static_cast<size_t>(size);
    stream.packed.assign(bytes.begin() + properties_size + 8, bytes.end());
    streams.push_back(std::move(stream));
  }
  return streams;
}

// Whole, in single bytes, in pieces that split symbols every which way.
const std::vector<std::vector<size_t>> kPieces = {{}, {1}, {3, 64, 1, 97, 2, 500}};

class LzmaStreamDecoderTest : public testing::Test {
 protected:
  void SetUp() override {
    const fs::path dir = DirFromEnvironment("VELTA_SEVEN_ZIP_LZMA_STREAMS", kBuiltStreams);
    ASSERT_TRUE(fs::exists(dir / "stamp")) << "no test streams in " << dir;
    streams_ = LoadStreams(dir);
    ASSERT_GT(streams_.size(), 150u);
  }

  const StreamFile& Find(const std::string& name) {
    for (const StreamFile& stream : streams_) {
      if (stream.name == name)
        return stream;
    }
    ADD_FAILURE() << "no stream " << name;
    return streams_.front();
  }

  std::vector<StreamFile> streams_;
};

TEST_F(LzmaStreamDecoderTest, SoundStreamsDecodeAlikeInAnyPieces) {
  for (const StreamFile& stream : streams_) {
    for (const std::vector<size_t>& pieces : kPieces) {
      if (!pieces.empty() && pieces.front() == 1 && stream.packed.size() > 200000)
        continue;  // Byte by byte only where it is quick.
      const ResultCode result = ExpectAlike(stream.coder, stream.properties, stream.packed,
                                            stream.size, pieces, stream.name);
      // Only the streams whose declared dictionary is too small fail.
      if (stream.name.rfind("lzma_dict_", 0) != 0) {
        EXPECT_EQ(ResultCode::kOk, result) << stream.name;
      }
    }
  }
  // A declared dictionary smaller than the distances used is refused.
  EXPECT_EQ(ResultCode::kDataError,
            ExpectAlike(Coder::kLzma, Find("lzma_dict_4096.lzma").properties,
                        Find("lzma_dict_4096.lzma").packed, Find("lzma_dict_4096.lzma").size, {},
                        "small dictionary"));
  EXPECT_EQ(ResultCode::kOk,
            ExpectAlike(Coder::kLzma, Find("lzma_dict_1048576.lzma").properties,
                        Find("lzma_dict_1048576.lzma").packed,
                        Find("lzma_dict_1048576.lzma").size, {}, "large dictionary"));
}

// Declared sizes off by one either way, and every cut within 8 bytes of
// either end of the packed bytes (the range coder's first bytes, the last
// symbols' input) and some in between.
TEST_F(LzmaStreamDecoderTest, WrongSizesAndCutStreamsFailAlike) {
  for (const StreamFile& stream : streams_) {
    const bool is_large = stream.packed.size() > 200000;
    for (const size_t size : {stream.size - 1, stream.size + 1, size_t{0}}) {
      ExpectAlike(stream.coder, stream.properties, stream.packed, size, {},
                  stream.name + " size " + std::to_string(size));
    }
    std::set<size_t> lengths;
    const size_t ends = is_large ? 2 : 8;
    for (size_t n = 0; n < std::min(ends, stream.packed.size()); ++n) {
      lengths.insert(n);
      lengths.insert(stream.packed.size() - 1 - n);
    }
    for (size_t n = 1; n < 4; ++n)
      lengths.insert(stream.packed.size() * n / 4);
    for (const size_t length : lengths) {
      const std::vector<uint8_t> cut(stream.packed.begin(), stream.packed.begin() + length);
      for (const std::vector<size_t>& pieces : kPieces) {
        if (!pieces.empty() && (is_large || length % 3 != 0))
          continue;
        const ResultCode result =
            ExpectAlike(stream.coder, stream.properties, cut, stream.size, pieces,
                        stream.name + " cut to " + std::to_string(length));
        EXPECT_NE(ResultCode::kOk, result) << stream.name << " cut to " << length;
      }
    }
  }
}

// Bytes changed anywhere: most streams then fail, the others decode to other
// bytes; both engines must agree on which, and on every byte.
TEST_F(LzmaStreamDecoderTest, CorruptStreamsDecodeAlike) {
  std::mt19937 random(20261208);
  for (const StreamFile& stream : streams_) {
    const int changes = stream.packed.size() > 200000 ? 3 : 12;
    for (int i = 0; i < changes; ++i) {
      std::vector<uint8_t> changed = stream.packed;
      const size_t at = random() % changed.size();
      changed[at] ^= static_cast<uint8_t>(1 + random() % 255);
      ExpectAlike(stream.coder, stream.properties, changed, stream.size,
                  kPieces[random() % kPieces.size()],
                  stream.name + " byte " + std::to_string(at) + " changed");
    }
  }
}

// Every property byte (lc up to 8, lp up to 4, which no encoder here
// writes) over the bytes of another stream, and random bodies: both decode
// the same symbols until the same fault, or refuse the properties alike.
TEST_F(LzmaStreamDecoderTest, AnyPropertiesAndRandomBodiesDecodeAlike) {
  const StreamFile& base = Find("lzma_lc3_lp0_pb2_mark.lzma");
  for (unsigned byte = 0; byte < 256; ++byte) {
    std::vector<uint8_t> properties = base.properties;
    properties[0] = static_cast<uint8_t>(byte);
    const ResultCode result = ExpectAlike(Coder::kLzma, properties, base.packed, base.size, {},
                                          "property byte " + std::to_string(byte));
    if (byte >= 9 * 5 * 5) {
      EXPECT_EQ(ResultCode::kUnsupported, result);
    }
  }
  std::mt19937 random(7);
  for (int i = 0; i < 300; ++i) {
    std::vector<uint8_t> properties = {static_cast<uint8_t>(random() % 225), 0, 0,
                                       static_cast<uint8_t>(random() % 2), 0};
    std::vector<uint8_t> body(5 + random() % 400);
    for (uint8_t& byte : body)
      byte = static_cast<uint8_t>(random());
    if (i % 4 != 0)
      body[0] = 0;
    ExpectAlike(Coder::kLzma, properties, body, random() % 3000,
                kPieces[random() % kPieces.size()], "random body " + std::to_string(i));
  }
  // LZMA2 chunk headers with random contents.
  for (int i = 0; i < 300; ++i) {
    std::vector<uint8_t> body(6 + random() % 300);
    for (uint8_t& byte : body)
      byte = static_cast<uint8_t>(random());
    body[0] = static_cast<uint8_t>(0xE0 | (random() % 2));
    body[3] = 0;
    body[5] = static_cast<uint8_t>(random() % 225);
    body[6 % body.size()] = 0;
    ExpectAlike(Coder::kLzma2, {static_cast<uint8_t>(random() % 41)}, body, random() % 20000,
                kPieces[random() % kPieces.size()], "random LZMA2 chunk " + std::to_string(i));
  }
}

// Extracts every archive of the reader's test corpus with `engine`; what
// each gave, in order: result, reason and entries' bytes.
std::vector<std::string> ExtractWithEngine(const fs::path& path, LzmaEngine engine, int threads) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  MemoryInputStream stream(bytes.data(), bytes.size());
  HeapAllocator temp(256 << 20);
  HeapAllocator blocks(256 << 20);
  ArchiveReader reader;
  reader.set_lzma_engine(engine);
  reader.set_decode_threads(threads);
  std::vector<std::string> outcome;
  ResultCode result = reader.Open(&stream, &temp);
  outcome.push_back("open " + std::to_string(static_cast<int>(result)) + " " +
                    reader.error_message());
  if (result != ResultCode::kOk)
    return outcome;
  BlockCache cache(&blocks);
  for (size_t i = 0; i < reader.entries().size(); ++i) {
    size_t offset = 0;
    size_t size = 0;
    result = reader.Extract(i, &cache, &offset, &size);
    if (result != ResultCode::kOk) {
      outcome.push_back("extract " + std::to_string(static_cast<int>(result)) + " " +
                        reader.error_message());
    } else {
      outcome.emplace_back(cache.data() + offset, cache.data() + offset + size);
    }
  }
  return outcome;
}

TEST(LzmaStreamDecoderCorpusTest, ReaderExtractsTheTestArchivesAlike) {
  const fs::path dir = DirFromEnvironment("VELTA_SEVEN_ZIP_TEST_ARCHIVES", kBuiltArchives);
  ASSERT_TRUE(fs::exists(dir / "stamp")) << "no test archives in " << dir;
  std::set<fs::path> archives;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file() && entry.path().extension() == ".7z")
      archives.insert(entry.path());
  }
  ASSERT_GT(archives.size(), 20u);
  for (const fs::path& archive : archives) {
    for (const int threads : {1, 3}) {
      const std::vector<std::string> reference =
          ExtractWithEngine(archive, LzmaEngine::kLzmaDec, threads);
      const std::vector<std::string> ours =
          ExtractWithEngine(archive, LzmaEngine::kStreamDecoder, threads);
      EXPECT_TRUE(reference == ours) << archive << " on " << threads << " threads";
    }
  }
}

}  // namespace
}  // namespace velta::seven_zip
