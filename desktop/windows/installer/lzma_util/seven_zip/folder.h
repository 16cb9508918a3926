// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_FOLDER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_FOLDER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velta::seven_zip {

// A 7z folder (the unit of solid compression): a small graph of coders whose
// input streams are either packed streams of the archive or the outputs of
// other coders, with one coder's output as the folder's unpacked data. Every
// coder here has exactly one output stream.
class Folder {
 public:
  enum class Method { kCopy, kLzma, kLzma2, kBcjX86, kBcj2 };

  struct Coder {
    Method method = Method::kCopy;
    std::vector<uint8_t> properties;
    uint32_t in_stream_count = 1;
    uint32_t first_in_stream = 0;
    uint64_t unpack_size = 0;
  };

  // Input stream `in_index` is fed by the output of coder `out_index`.
  struct BindPair {
    uint32_t in_index = 0;
    uint32_t out_index = 0;
  };

  // What feeds one input stream of a coder.
  struct InputSource {
    bool is_packed_stream = false;
    // The folder-relative packed stream number, or the coder whose output it is.
    uint32_t index = 0;
  };

  Folder();
  Folder(const Folder&);
  Folder& operator=(const Folder&);
  Folder(Folder&&);
  Folder& operator=(Folder&&);
  ~Folder();

  // Checks the graph once it is filled in: every input bound at most once,
  // exactly one unbound output (the main coder), no cycles, every coder
  // reachable from the main one, the expected input count per method. Sets
  // main_coder(). Returns false with `*error` set otherwise.
  bool Validate(std::string* error);

  // Where input stream `in_index` comes from. Only after Validate.
  InputSource SourceOf(uint32_t in_index) const;

  uint64_t unpack_size() const { return coders_[main_coder_].unpack_size; }
  uint32_t main_coder() const { return main_coder_; }
  uint32_t total_in_streams() const { return total_in_streams_; }
  size_t packed_stream_count() const { return packed_streams_.size(); }

  std::vector<Coder>& coders() { return coders_; }
  const std::vector<Coder>& coders() const { return coders_; }
  std::vector<BindPair>& bind_pairs() { return bind_pairs_; }
  // The input stream numbers fed by packed streams, in packed stream order.
  std::vector<uint32_t>& packed_streams() { return packed_streams_; }

  void set_total_in_streams(uint32_t count) { total_in_streams_ = count; }
  void set_crc(uint32_t crc) {
    has_crc_ = true;
    crc_ = crc;
  }
  bool has_crc() const { return has_crc_; }
  uint32_t crc() const { return crc_; }

  // The index of the folder's first packed stream in the archive's list.
  uint64_t first_packed_stream() const { return first_packed_stream_; }
  void set_first_packed_stream(uint64_t index) { first_packed_stream_ = index; }

 private:
  std::vector<Coder> coders_;
  std::vector<BindPair> bind_pairs_;
  std::vector<uint32_t> packed_streams_;
  uint32_t total_in_streams_ = 0;
  uint32_t main_coder_ = 0;
  bool has_crc_ = false;
  uint32_t crc_ = 0;
  uint64_t first_packed_stream_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_FOLDER_H_
