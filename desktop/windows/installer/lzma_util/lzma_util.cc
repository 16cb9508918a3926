// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/lzma_util.h"

#include <windows.h>
#include <stdio.h>

#include <limits>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/platform_thread.h"
#include "desktop/windows/installer/lzma_util/handle_input_stream.h"
#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"
#include "desktop/windows/installer/lzma_util/in_page_worker_guard.h"
#include "desktop/windows/installer/lzma_util/lzma_file_allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/archive_reader.h"
#include "desktop/windows/installer/lzma_util/seven_zip/block_cache.h"
#include "desktop/windows/installer/lzma_util/seven_zip/signature_scanner.h"
#include "desktop/windows/installer/lzma_util/unpack_progress_delegate.h"

namespace velta {

namespace {

using seven_zip::ArchiveEntry;
using seven_zip::ArchiveReader;
using seven_zip::BlockCache;
using seven_zip::FindLeadingFolders;
using seven_zip::LeadingFolders;
using seven_zip::ResultCode;

// WriteFile takes a DWORD: large entries are written in pieces.
constexpr size_t kMaxWriteSize = 1 << 30;

// The reader's temporary allocations (read buffers, decoder tables,
// intermediate streams): all that a decode allocates besides the output
// block. It keeps track of them so that what an interrupted decode left
// behind (an in-page error abandons its stack frames) is freed with it. Its
// bookkeeping is its own and never half-made when a fault strikes: faults
// come only from the mapped block, which it does not touch.
class TrackingAllocator : public seven_zip::Allocator {
 public:
  TrackingAllocator() = default;
  TrackingAllocator(const TrackingAllocator&) = delete;
  TrackingAllocator& operator=(const TrackingAllocator&) = delete;
  ~TrackingAllocator() override {
    for (void* address : live_)
      free(address);
  }

  void* Allocate(size_t size) override {
    void* address = malloc(size);
    if (address)
      live_.insert(address);
    return address;
  }
  void Free(void* address) override {
    if (address && live_.erase(address))
      free(address);
  }

 private:
  std::set<void*> live_;
};

struct ExtractCall {
  ArchiveReader* reader;
  size_t index;
  BlockCache* cache;
  size_t offset = 0;
  size_t size = 0;
  ResultCode result = ResultCode::kFail;
};

void RunExtract(void* context) {
  ExtractCall* call = static_cast<ExtractCall*>(context);
  call->result = call->reader->Extract(call->index, call->cache, &call->offset, &call->size);
}

// The reader over an open archive file, with the stream and the temporary
// allocations it uses, declared so that the reader dies first.
class OpenedArchive {
 public:
  // `file` is the archive's handle, null when none is open.
  explicit OpenedArchive(void* file) : file_(file), stream_(file) {}
  OpenedArchive(const OpenedArchive&) = delete;
  OpenedArchive& operator=(const OpenedArchive&) = delete;

  // Finds the archive behind any stub from the file's start and opens it.
  // Logs and returns the Unpack code of a failure.
  int Open() {
    if (!file_)
      return LzmaUtil::kUnpackNoArchive;
    // The reader leaves the file position anywhere, so the search starts
    // from the file's beginning every time.
    std::string error;
    int64_t start = 0;
    ResultCode code = stream_.Seek(&start, HandleInputStream::SeekOrigin::kBegin);
    if (code == ResultCode::kOk)
      code = seven_zip::SignatureScanner::SeekToSignature(&stream_, &error);
    if (code != ResultCode::kOk) {
      LOG(ERROR) << "No 7z archive within the first mebibyte of the file: " << error;
      return LzmaUtil::kUnpackNoSignature;
    }
    code = reader_.Open(&stream_, &temp_allocator_);
    if (code != ResultCode::kOk) {
      // The reader's reason names the refused entry, when an entry is why.
      LOG(ERROR) << "Error returned by SzArchiveOpen: " << static_cast<int>(code) << " ("
                 << seven_zip::ResultCodeName(code) << "): " << reader_.error_message();
      return LzmaUtil::kUnpackArchiveOpenFailed;
    }
    return LzmaUtil::kUnpackSuccess;
  }

  ArchiveReader& reader() { return reader_; }

 private:
  void* const file_;
  HandleInputStream stream_;
  TrackingAllocator temp_allocator_;
  ArchiveReader reader_;
};

// Whether a failed page-in of a file mapped in `folder` came from a full
// disk: Windows says so (STATUS_DISK_FULL); Wine reports every failed page-in
// as an access violation, so the folder's free space is asked as well. A
// volume with less free space than the mapping could not back it.
bool IsDiskFull(const base::FilePath& folder, uint32_t status, size_t mapped_size) {
  constexpr uint32_t kStatusDiskFull = 0xC000007F;
  if (status == kStatusDiskFull)
    return true;
  ULARGE_INTEGER available = {};
  return ::GetDiskFreeSpaceExW(folder.AsEndingWithSeparator().value().c_str(), &available,
                               nullptr, nullptr) &&
         available.QuadPart < mapped_size;
}

// Whether a write of `remaining` bytes into `folder` failed for want of
// space: Windows says so; Wine writes what fits and reports a short write
// without an error, so the folder's free space is asked as well.
bool IsWriteDiskFull(const base::FilePath& folder, unsigned long error, size_t remaining) {
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
    return true;
  ULARGE_INTEGER available = {};
  return error == ERROR_SUCCESS &&
         ::GetDiskFreeSpaceExW(folder.AsEndingWithSeparator().value().c_str(), &available,
                               nullptr, nullptr) &&
         available.QuadPart < remaining;
}

// The cause of a failure on a full disk, for the log and the caller.
std::string DescribeDiskFull(const base::FilePath& location, const ArchiveEntry& entry) {
  return "not enough disk space in " + location.AsUTF8Unsafe() + " for " +
         base::UTF16ToUTF8(entry.name);
}

// At most INT_MAX, for the progress delegate.
int ClampToInt(size_t count) {
  return count > static_cast<size_t>(std::numeric_limits<int>::max())
             ? std::numeric_limits<int>::max()
             : static_cast<int>(count);
}

// The most that two decoded blocks may take together in a 32-bit process,
// where both are mapped at once in its address space.
constexpr uint64_t kMaxPrefetchBytes32 = 512ull << 20;

}  // namespace

// Decodes one folder (solid block) of the archive on a thread of its own,
// with its own reader over its own handle of the archive file and its own
// mapped output block in the destination, while Unpack decodes and writes
// the folders before it. Decoding is most of an unpacking's time, and 7zz
// packs a package in two folders (the executables and libraries with the
// BCJ filter, and the rest), so the smaller one costs no time of its own.
// Nothing here writes into the destination but the allocator's temporary
// file: entries are still written, reported and listed in the archive's
// order by Unpack alone. An Unpack that fails earlier waits for the decode
// to end before it returns.
class FolderPrefetch : public base::PlatformThread::Delegate {
 public:
  // `file` is an independent handle of the archive (its own file position).
  // `first_entry` is the folder's first entry with data.
  FolderPrefetch(base::win::ScopedHandle file,
                 const base::FilePath& location,
                 size_t first_entry,
                 uint32_t folder_index)
      : file_(std::move(file)),
        archive_(file_.Get()),
        allocator_(location),
        cache_(&allocator_),
        guard_(allocator_.mapped_range()),
        worker_guard_(allocator_.mapped_range()),
        first_entry_(first_entry),
        folder_index_(folder_index) {
    cache_.set_worker_guard(&worker_guard_);
  }
  FolderPrefetch(const FolderPrefetch&) = delete;
  FolderPrefetch& operator=(const FolderPrefetch&) = delete;
  // Waits for the thread; the block goes before its allocator's file.
  ~FolderPrefetch() override {
    Finish();
    cache_.Release();
    archive_.reader().Close();
  }

  bool Start() {
    started_ = base::PlatformThread::Create(0, this, &thread_);
    return started_;
  }

  // Waits for the decode. True when the block holds the folder; false when
  // the thread could not decode it (the caller decodes it itself then, and
  // meets and logs the same failure).
  bool Finish() {
    if (started_) {
      base::PlatformThread::Join(thread_);
      started_ = false;
    }
    return decoded_;
  }

  uint32_t folder_index() const { return folder_index_; }
  seven_zip::BlockCache* cache() { return &cache_; }
  InPageWorkerGuard* worker_guard() { return &worker_guard_; }
  const MappedRange* mapped_range() const { return allocator_.mapped_range(); }

  void ThreadMain() override {
    base::PlatformThread::SetName("Unpacking thread");
    if (archive_.Open() != LzmaUtil::kUnpackSuccess)
      return;
    ExtractCall call{&archive_.reader(), first_entry_, &cache_};
    if (!guard_.Run(&RunExtract, &call) || call.result != ResultCode::kOk) {
      LOG(WARNING) << "Folder " << folder_index_ << " could not be decoded ahead";
      cache_.Release();
      return;
    }
    decoded_ = true;
  }

 private:
  base::win::ScopedHandle file_;
  OpenedArchive archive_;
  LzmaFileAllocator allocator_;
  // Declared after the allocator, which must outlive it.
  BlockCache cache_;
  InPageErrorGuard guard_;
  InPageWorkerGuard worker_guard_;
  const size_t first_entry_;
  const uint32_t folder_index_;
  base::PlatformThreadHandle thread_;
  bool started_ = false;
  // Written by the thread; read after Join.
  bool decoded_ = false;
};

LzmaUtil::LzmaUtil() = default;

LzmaUtil::~LzmaUtil() {
  Close();
}

int LzmaUtil::Open(const base::FilePath& archive) {
  Close();
  base::win::ScopedHandle file(::CreateFileW(archive.value().c_str(), GENERIC_READ,
                                             FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? kOpenFileNotFound : kOpenFailed;
  }
  archive_ = std::move(file);
  archive_path_ = archive;
  return kOpenSuccess;
}

void LzmaUtil::Close() {
  archive_.Close();
}

uint32_t LzmaUtil::GetLastInPageError() const {
  return last_in_page_error_;
}

std::string LzmaUtil::GetLastDiskFullError() const {
  return last_disk_full_error_;
}

bool LzmaUtil::CreateDirectory(const base::FilePath& folder) {
  return CreateDirectoryAndReport(folder, nullptr);
}

// static
bool LzmaUtil::CreateDirectoryAndReport(const base::FilePath& folder,
                                        std::vector<base::FilePath>* created) {
  if (base::DirectoryExists(folder))
    return true;
  // Every missing level is made (and reported) on its own, so that a
  // rollback removes exactly the folders that did not exist before.
  std::vector<base::FilePath> missing;
  for (base::FilePath path = folder; !base::DirectoryExists(path); path = path.DirName()) {
    missing.push_back(path);
    if (path.DirName() == path)
      break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!::CreateDirectoryW(it->value().c_str(), nullptr)) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_ALREADY_EXISTS || !base::DirectoryExists(*it)) {
        VLOG(1) << "Cannot create folder " << it->value() << ": " << error;
        return false;
      }
      continue;
    }
    if (created)
      created->push_back(*it);
  }
  return true;
}

int LzmaUtil::ListEntryPaths(const base::FilePath& location, std::vector<EntryPath>* entries) {
  entries->clear();
  OpenedArchive archive(archive_.Get());
  const int open_result = archive.Open();
  if (open_result != kUnpackSuccess)
    return open_result;

  const std::vector<ArchiveEntry>& archive_entries = archive.reader().entries();
  std::vector<EntryPath> listed(archive_entries.size());
  for (size_t i = 0; i < archive_entries.size(); ++i) {
    if (!MakeEntryPath(location, archive_entries[i], &listed[i]))
      return kUnpackNameUnreadable;
  }
  *entries = std::move(listed);
  return kUnpackSuccess;
}

int LzmaUtil::Unpack(const base::FilePath& location,
                     const std::set<base::FilePath>& wanted,
                     UnpackProgressDelegate* delegate,
                     std::vector<base::FilePath>* files,
                     std::vector<base::FilePath>* folders) {
  last_disk_full_error_.clear();
  OpenedArchive archive(archive_.Get());
  const int open_result = archive.Open();
  if (open_result != kUnpackSuccess)
    return open_result;

  ArchiveReader& reader = archive.reader();
  const std::vector<ArchiveEntry>& entries = reader.entries();
  if (delegate)
    delegate->SetTotalFiles(ClampToInt(wanted.empty() ? entries.size() : wanted.size()));

  std::set<base::FilePath> remaining = wanted;
  LzmaFileAllocator allocator(location);
  // Declared after the allocator, which must outlive it.
  BlockCache cache(&allocator);
  InPageErrorGuard guard(allocator.mapped_range());
  InPageWorkerGuard worker_guard(allocator.mapped_range());
  cache.set_worker_guard(&worker_guard);
  // A whole unpacking decodes the second folder ahead; a single wanted file
  // must not pay for a folder it may not need.
  std::unique_ptr<FolderPrefetch> prefetch;
  if (wanted.empty())
    prefetch = StartFolderPrefetch(location, entries);
  std::unique_ptr<InPageErrorGuard> prefetch_guard;
  int result = kUnpackSuccess;
  int progress_index = 0;
  for (size_t i = 0; i < entries.size() && (wanted.empty() || !remaining.empty()); ++i) {
    EntryPath output;
    if (!MakeEntryPath(location, entries[i], &output)) {
      result = kUnpackNameUnreadable;
      break;
    }
    if (!wanted.empty() && remaining.erase(output.path) == 0)
      continue;
    if (delegate)
      delegate->OnFileUnpacked(progress_index);
    ++progress_index;

    BlockCache* entry_cache = &cache;
    InPageErrorGuard* entry_guard = &guard;
    InPageWorkerGuard* entry_worker_guard = &worker_guard;
    if (prefetch && entries[i].has_stream &&
        entries[i].folder_index == prefetch->folder_index()) {
      if (!prefetch_guard && !prefetch->Finish()) {
        prefetch.reset();
      } else {
        if (!prefetch_guard)
          prefetch_guard = std::make_unique<InPageErrorGuard>(prefetch->mapped_range());
        entry_cache = prefetch->cache();
        entry_guard = prefetch_guard.get();
        entry_worker_guard = prefetch->worker_guard();
      }
    }
    size_t offset = 0;
    size_t size = 0;
    result = ExtractEntry(location, &reader, i, entry_cache, entry_guard, entry_worker_guard,
                          &offset, &size);
    if (result != kUnpackSuccess)
      break;
    PrepareFolders(output, folders);
    if (output.is_directory)
      continue;
    result = WriteEntryFile(location, output.path, entries[i], entry_cache->data() + offset, size,
                            files);
    if (result != kUnpackSuccess)
      break;
  }
  // The decoding ahead ends (and its block and file go) first. The cache
  // frees the block through the allocator before the allocator closes (and
  // so deletes) its file; then the reader lets go of the temporary
  // allocations.
  prefetch_guard.reset();
  prefetch.reset();
  cache.Release();
  reader.Close();
  return result;
}

std::unique_ptr<FolderPrefetch> LzmaUtil::StartFolderPrefetch(
    const base::FilePath& location,
    const std::vector<ArchiveEntry>& entries) {
  const LeadingFolders folders = FindLeadingFolders(entries);
  if (folders.second_entry == 0)
    return nullptr;
  // The bytes of the first two folders, which are held at once.
  uint64_t bytes = 0;
  for (const ArchiveEntry& entry : entries) {
    if (entry.has_stream && (entry.folder_index == folders.first ||
                             entry.folder_index == folders.second)) {
      bytes += entry.size;
    }
  }
  if (sizeof(void*) < 8 && bytes > kMaxPrefetchBytes32)
    return nullptr;
  // A handle of its own, with its own file position (Wine 8 refuses
  // ReOpenFile with ERROR_INVALID_PARAMETER).
  base::win::ScopedHandle file(::CreateFileW(archive_path_.value().c_str(), GENERIC_READ,
                                             FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    PLOG(WARNING) << "Cannot open the archive again; its folders are decoded one by one";
    return nullptr;
  }
  auto prefetch = std::make_unique<FolderPrefetch>(std::move(file), location,
                                                   folders.second_entry, folders.second);
  if (!prefetch->Start()) {
    LOG(WARNING) << "No thread to decode ahead; the archive's folders are decoded one by one";
    return nullptr;
  }
  return prefetch;
}

// static
bool LzmaUtil::MakeEntryPath(const base::FilePath& location,
                             const ArchiveEntry& entry,
                             EntryPath* output) {
  // The reader has refused names that could leave the folder; this checks
  // again, as the last line before a path reaches CreateFile.
  std::wstring relative(entry.name.begin(), entry.name.end());
  for (wchar_t& c : relative) {
    if (c == L'/')
      c = L'\\';
  }
  const base::FilePath relative_path(relative);
  base::FilePath path;
  if (!relative.empty() && relative.find(L':') == std::wstring::npos &&
      relative.front() != L'\\' && !relative_path.IsAbsolute() &&
      !relative_path.ReferencesParent()) {
    path = location.Append(relative_path);
  }
  if (path.empty() || !location.IsParent(path)) {
    LOG(ERROR) << "Couldn't get file name";
    return false;
  }
  output->path = path;
  output->is_directory = entry.is_directory;
  return true;
}

void LzmaUtil::ReportInPageError(const base::FilePath& location,
                                 const ArchiveEntry& entry,
                                 uint32_t status,
                                 size_t mapped_size) {
  last_in_page_error_ = status;
  char text[16];
  snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(status));
  std::string cause;
  if (IsDiskFull(location, status, mapped_size)) {
    last_disk_full_error_ = DescribeDiskFull(location, entry);
    cause = ": " + last_disk_full_error_;
  }
  LOG(ERROR) << "EXCEPTION_IN_PAGE_ERROR while accessing mapped memory; NTSTATUS = " << text
             << cause;
}

int LzmaUtil::ExtractEntry(const base::FilePath& location,
                           ArchiveReader* reader,
                           size_t index,
                           BlockCache* cache,
                           InPageErrorGuard* guard,
                           InPageWorkerGuard* worker_guard,
                           size_t* offset,
                           size_t* size) {
  ExtractCall call{reader, index, cache};
  worker_guard->ClearFault();
  const ArchiveEntry& entry = reader->entries()[index];
  if (!guard->Run(&RunExtract, &call)) {
    ReportInPageError(location, entry, guard->status(), guard->range().size);
    return kUnpackInPageError;
  }
  // A decoding thread's fault fails the decode; it is the same in-page error.
  if (worker_guard->faulted()) {
    ReportInPageError(location, entry, worker_guard->status(), worker_guard->mapped_size());
    return kUnpackInPageError;
  }
  if (call.result != ResultCode::kOk) {
    LOG(ERROR) << "Error returned by SzExtract: " << static_cast<int>(call.result);
    LOG(INFO) << "Entry " << index << " cannot be extracted: "
              << seven_zip::ResultCodeName(call.result) << ", " << reader->error_message();
    return kUnpackExtractFailed;
  }
  *offset = call.offset;
  *size = call.size;
  return kUnpackSuccess;
}

// static
void LzmaUtil::PrepareFolders(const EntryPath& entry, std::vector<base::FilePath>* folders) {
  const base::FilePath folder = entry.is_directory ? entry.path : entry.path.DirName();
  std::vector<base::FilePath> made;
  CreateDirectoryAndReport(folder, &made);
  if (folders)
    folders->insert(folders->end(), made.begin(), made.end());
}

int LzmaUtil::WriteEntryFile(const base::FilePath& location,
                             const base::FilePath& path,
                             const ArchiveEntry& entry,
                             const uint8_t* data,
                             size_t size,
                             std::vector<base::FilePath>* files) {
  base::win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "Error returned by CreateFile: " << error;
    return kUnpackCreateFileFailed;
  }
  if (files)
    files->push_back(path);
  int result = WriteContents(file.Get(), location, entry, data, size);
  if (result == kUnpackSuccess)
    result = SetModificationTime(file.Get(), entry);
  if (result != kUnpackSuccess)
    return result;
  if (!::CloseHandle(file.Take())) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "Error returned by CloseHandle " << error;
    return kUnpackCloseFailed;
  }
  return kUnpackSuccess;
}

int LzmaUtil::WriteContents(void* file,
                            const base::FilePath& location,
                            const ArchiveEntry& entry,
                            const uint8_t* data,
                            size_t size) {
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(size < kMaxWriteSize ? size : kMaxWriteSize);
    DWORD written = 0;
    // A short write without an error logs the error 0.
    DWORD error = ERROR_SUCCESS;
    if (!::WriteFile(file, data, piece, &written, nullptr)) {
      error = ::GetLastError();
    } else if (written == piece) {
      data += piece;
      size -= piece;
      continue;
    }
    std::string cause;
    if (IsWriteDiskFull(location, error, size - written)) {
      last_disk_full_error_ = DescribeDiskFull(location, entry);
      cause = ": " + last_disk_full_error_;
    }
    LOG(ERROR) << "Error returned by WriteFile " << error << cause;
    return kUnpackWriteFailed;
  }
  return kUnpackSuccess;
}

// static
int LzmaUtil::SetModificationTime(void* file, const ArchiveEntry& entry) {
  if (!entry.has_modification_time)
    return kUnpackSuccess;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(entry.modification_time & 0xFFFFFFFF);
  time.dwHighDateTime = static_cast<DWORD>(entry.modification_time >> 32);
  if (!::SetFileTime(file, nullptr, nullptr, &time)) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "Error returned by SetFileTime " << error;
    return kUnpackSetFileTimeFailed;
  }
  return kUnpackSuccess;
}

}  // namespace velta
