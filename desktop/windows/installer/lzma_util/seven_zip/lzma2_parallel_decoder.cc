// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/lzma2_parallel_decoder.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>

#include <pthread.h>
#if defined(__linux__)
#include <sched.h>
#endif

#include "desktop/windows/installer/lzma_util/seven_zip/allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/bcj_x86_filter.h"
#include "desktop/windows/installer/lzma_util/seven_zip/byte_source.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/memory_byte_source.h"
#include "desktop/windows/installer/lzma_util/seven_zip/worker_guard.h"

namespace velta::seven_zip {

namespace {

// The decoder tables of one part's decode. A decode interrupted by a fault
// leaves its tables behind; they go with the allocator. Its bookkeeping has
// room for them beforehand, so no fault can strike it half-made.
class PartAllocator : public Allocator {
 public:
  PartAllocator() { live_.reserve(kSlots); }
  PartAllocator(const PartAllocator&) = delete;
  PartAllocator& operator=(const PartAllocator&) = delete;
  ~PartAllocator() override {
    for (void* address : live_)
      std::free(address);
  }

  void* Allocate(size_t size) override {
    if (live_.size() == kSlots)
      return nullptr;
    void* address = std::malloc(size);
    if (address)
      live_.push_back(address);
    return address;
  }
  void Free(void* address) override {
    auto it = std::find(live_.begin(), live_.end(), address);
    if (it == live_.end())
      return;
    live_.erase(it);
    std::free(address);
  }

 private:
  // A decode holds one table at a time.
  static constexpr size_t kSlots = 4;
  std::vector<void*> live_;
};

// A part's packed bytes, read by the calling thread.
struct PartTask {
  size_t index = 0;
  uint8_t* packed = nullptr;
  size_t packed_size = 0;
};

// What one part's decode needs on the decoding thread.
struct PartDecode {
  LzmaDecoder* decoder;
  const uint8_t* properties;
  size_t properties_size;
  const PartTask* task;
  uint8_t* out;
  size_t out_size;
  std::string* error;
  ResultCode result = ResultCode::kFail;
};

void RunPartDecode(void* context) {
  PartDecode* decode = static_cast<PartDecode*>(context);
  MemoryByteSource source(decode->task->packed, decode->task->packed_size);
  decode->result = decode->decoder->DecodeLzma2Part(decode->properties, decode->properties_size,
                                                    &source, decode->out, decode->out_size,
                                                    decode->error);
}

// What filtering a decoded prefix needs on the decoding thread.
struct PrefixFilter {
  BcjX86Filter* filter;
  uint8_t* out;
  size_t decoded;
};

void RunPrefixFilter(void* context) {
  PrefixFilter* prefix = static_cast<PrefixFilter*>(context);
  prefix->filter->Filter(prefix->out, prefix->decoded);
}

// The threads and the queue between the reading thread and them.
class PartPool {
 public:
  PartPool(const uint8_t* properties, size_t properties_size,
           const std::vector<Lzma2Part>& parts, uint8_t* out, WorkerGuard* guard,
           BcjX86Filter* filter, LzmaEngine engine)
      : properties_(properties),
        properties_size_(properties_size),
        parts_(parts),
        out_(out),
        guard_(guard),
        filter_(filter),
        engine_(engine),
        part_done_(parts.size(), false) {}
  PartPool(const PartPool&) = delete;
  PartPool& operator=(const PartPool&) = delete;
  ~PartPool() {
    Finish();
    for (PartTask& task : queue_)
      std::free(task.packed);
  }

  // Starts up to `threads` threads; returns how many started (a thread the
  // system refuses is done without).
  int Start(int threads) {
    for (int i = 0; i < threads; ++i) {
      pthread_t thread;
      if (pthread_create(&thread, nullptr, &PartPool::ThreadEntry, this) != 0)
        break;
      threads_.push_back(thread);
    }
    max_waiting_ = threads_.size() + 1;
    return static_cast<int>(threads_.size());
  }

  // Waits until a part more may be read into memory; false once a decode
  // failed.
  bool WaitForRoom() {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [this] { return failed_ || in_memory_ < max_waiting_; });
    if (!failed_)
      ++in_memory_;
    return !failed_;
  }

  // Queues a part read into `packed` (freed by the pool).
  void Add(PartTask task) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(task);
    }
    work_.notify_one();
  }

  // Records the calling thread's failure, as a failure of part `index`.
  void Fail(size_t index, ResultCode result, const std::string& error) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      RecordFailure(index, result, error);
    }
    work_.notify_all();
    room_.notify_all();
  }

  // Lets the threads end once the queue is empty and waits for them.
  void Finish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    work_.notify_all();
    for (pthread_t thread : threads_)
      pthread_join(thread, nullptr);
    threads_.clear();
  }

  // After Finish: the earliest failure.
  ResultCode result() const { return result_; }
  const std::string& error() const { return error_; }

 private:
  static void* ThreadEntry(void* pool) {
    static_cast<PartPool*>(pool)->ThreadMain();
    return nullptr;
  }

  void ThreadMain() {
    for (;;) {
      PartTask task;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        work_.wait(lock, [this] { return failed_ || done_ || !queue_.empty(); });
        if (failed_ || queue_.empty())
          return;
        task = queue_.front();
        queue_.pop_front();
      }
      const Lzma2Part& part = parts_[task.index];
      std::string error;
      PartAllocator allocator;
      LzmaDecoder part_decoder(&allocator, engine_);
      PartDecode decode{&part_decoder,
                        properties_,
                        properties_size_,
                        &task,
                        out_ + part.unpacked_offset,
                        static_cast<size_t>(part.unpacked_size),
                        &error};
      if (guard_) {
        if (!guard_->Run(&RunPartDecode, &decode)) {
          decode.result = ResultCode::kWriteError;
          error = "A decoding thread could not write the output block";
        }
      } else {
        RunPartDecode(&decode);
      }
      std::free(task.packed);
      {
        std::unique_lock<std::mutex> lock(mutex_);
        --in_memory_;
        if (decode.result != ResultCode::kOk) {
          RecordFailure(task.index, decode.result, error);
        } else {
          part_done_[task.index] = true;
          if (filter_ && !filtering_) {
            room_.notify_one();
            FilterDecodedPrefix(&lock);
          }
        }
      }
      room_.notify_one();
      if (decode.result != ResultCode::kOk)
        work_.notify_all();
    }
  }

  // Under the lock, which it lets go while it filters: filters the output
  // up to the end of the decoded parts that follow each other from the
  // first, until no thread has extended them meanwhile. One thread at a
  // time (filtering_), so the filter sees its prefixes in order.
  void FilterDecodedPrefix(std::unique_lock<std::mutex>* lock) {
    filtering_ = true;
    while (!failed_) {
      while (decoded_parts_ < parts_.size() && part_done_[decoded_parts_])
        ++decoded_parts_;
      if (decoded_parts_ == filtered_parts_)
        break;
      const size_t through = decoded_parts_;
      const Lzma2Part& last = parts_[through - 1];
      PrefixFilter prefix{filter_, out_,
                          static_cast<size_t>(last.unpacked_offset + last.unpacked_size)};
      lock->unlock();
      bool filtered = true;
      if (guard_)
        filtered = guard_->Run(&RunPrefixFilter, &prefix);
      else
        RunPrefixFilter(&prefix);
      lock->lock();
      if (!filtered) {
        RecordFailure(filtered_parts_, ResultCode::kWriteError,
                      "A decoding thread could not write the output block");
        work_.notify_all();
        break;
      }
      filtered_parts_ = through;
    }
    filtering_ = false;
  }

  // Under the lock.
  void RecordFailure(size_t index, ResultCode result, const std::string& error) {
    if (failed_ && failed_index_ <= index)
      return;
    failed_ = true;
    failed_index_ = index;
    result_ = result;
    error_ = error;
    room_.notify_all();
  }

  const uint8_t* const properties_;
  const size_t properties_size_;
  const std::vector<Lzma2Part>& parts_;
  uint8_t* const out_;
  WorkerGuard* const guard_;
  BcjX86Filter* const filter_;
  const LzmaEngine engine_;
  // pthreads rather than std::thread: a thread that cannot start is a
  // result here, not an exception (the build has none).
  std::vector<pthread_t> threads_;
  size_t max_waiting_ = 0;

  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable room_;
  // Guarded by mutex_.
  std::deque<PartTask> queue_;
  size_t in_memory_ = 0;
  // Which parts are decoded; the first decoded_parts_ of them all are, and
  // the filter has run over the first filtered_parts_.
  std::vector<bool> part_done_;
  size_t decoded_parts_ = 0;
  size_t filtered_parts_ = 0;
  bool filtering_ = false;
  bool done_ = false;
  bool failed_ = false;
  size_t failed_index_ = 0;
  ResultCode result_ = ResultCode::kOk;
  std::string error_;
};

}  // namespace

// static
int Lzma2ParallelDecoder::DefaultThreadCount() {
  int count = 0;
#if defined(__linux__)
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof(set), &set) == 0)
    count = CPU_COUNT(&set);
#endif
  if (count <= 0)
    count = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(count, 1, kMaxThreads);
}

// static
ResultCode Lzma2ParallelDecoder::Decode(const uint8_t* properties, size_t properties_size,
                                        const std::vector<Lzma2Part>& parts, ByteSource* source,
                                        uint8_t* out, size_t out_size, int threads,
                                        WorkerGuard* guard, BcjX86Filter* filter,
                                        LzmaEngine engine, std::string* error) {
  if (!LzmaDecoder::CheckLzma2Properties(properties, properties_size, error))
    return ResultCode::kUnsupported;
  // The parts follow each other in the packed stream and in the output.
  uint64_t packed = 0;
  uint64_t unpacked = 0;
  for (const Lzma2Part& part : parts) {
    if (part.packed_offset != packed || part.unpacked_offset != unpacked ||
        part.packed_size > std::numeric_limits<size_t>::max() ||
        part.unpacked_size > out_size - unpacked) {
      *error = "The LZMA2 stream's parts do not follow each other";
      return ResultCode::kParamError;
    }
    packed += part.packed_size;
    unpacked += part.unpacked_size;
  }
  if (unpacked != out_size) {
    *error = "The LZMA2 stream's parts do not fill its declared size";
    return ResultCode::kParamError;
  }

  PartPool pool(properties, properties_size, parts, out, guard, filter, engine);
  if (pool.Start(std::clamp<int>(threads, 1,
                                 static_cast<int>(std::max<size_t>(parts.size(), 1)))) == 0) {
    *error = "Cannot start a decoding thread";
    return ResultCode::kThreadError;
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!pool.WaitForRoom())
      break;
    PartTask task{.index = i, .packed_size = static_cast<size_t>(parts[i].packed_size)};
    task.packed = static_cast<uint8_t*>(std::malloc(std::max<size_t>(task.packed_size, 1)));
    if (!task.packed) {
      pool.Fail(i, ResultCode::kMemoryError, "Cannot allocate an LZMA2 part's packed bytes");
      break;
    }
    if (source->ReadExact(task.packed, task.packed_size) != ResultCode::kOk) {
      std::free(task.packed);
      pool.Fail(i, ResultCode::kDataError, "The LZMA2 data ends early");
      break;
    }
    pool.Add(task);
  }
  pool.Finish();
  if (pool.result() != ResultCode::kOk) {
    *error = pool.error();
    return pool.result();
  }
  uint8_t end_marker = 1;
  if (source->ReadExact(&end_marker, 1) != ResultCode::kOk || end_marker != 0) {
    *error = "The LZMA2 stream has no end marker";
    return ResultCode::kDataError;
  }
  if (source->remaining() != 0) {
    *error = "The LZMA2 stream is followed by unused packed data";
    return ResultCode::kDataError;
  }
  return ResultCode::kOk;
}

}  // namespace velta::seven_zip
