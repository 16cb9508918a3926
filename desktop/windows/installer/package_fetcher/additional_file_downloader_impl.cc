// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/additional_file_downloader_impl.h"

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/signature_verified_event.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/pe_image_reader.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/package_fetcher/additional_file_name.h"
#include "desktop/windows/installer/package_fetcher/fetch_details_recorder.h"
#include "desktop/windows/installer/package_fetcher/package_file_names.h"
#include "desktop/windows/installer/package_fetcher/package_metadata_retriever.h"
#include "desktop/windows/installer/package_fetcher/package_version_checker.h"
#include "desktop/windows/installer/utils/authenticode.h"
#include "desktop/windows/installer/wininet/downloader.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"
#include "desktop/windows/installer/wininet/wininet_response_writer.h"

namespace velta {

namespace {

constexpr uint32_t kMaxAttempts = 3;

std::string KindName(uint32_t kind) {
  switch (kind) {
    case kAdditionalFileAssistant:
      return "assistant";
    case kAdditionalFileDownloadableResource:
      return "downloadable_resource";
    case kAdditionalFilePartnerContent:
      return "partner_content";
    default:
      return std::string();
  }
}

bool Fail(const std::string& detail) {
  return SetInstallerError(1, detail, std::wstring());
}

// The local path of a "file:" URL's path part ("/C:/x/y" or "C:/x/y").
base::FilePath LocalPathOf(const std::wstring& url_path) {
  std::wstring path = url_path;
  if (path.size() >= 3 && path[0] == L'/' && path[2] == L':')
    path.erase(0, 1);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return base::FilePath(path);
}

// Why the file at `path`, to be installed as `name`, is code that only a
// signature may let in: a PE image whatever its name (Windows starts or loads
// one under any name when asked to), or a name Windows runs or loads by, as
// the file system keeps it; null for data.
const char* WhyCode(const std::wstring& name, const base::FilePath& path) {
  PeImageReader image;
  if (image.InitializeFromFile(path))
    return "a program by its content";
  if (IsRunnableName(name))
    return "a type Windows runs or loads";
  return nullptr;
}

}  // namespace

AdditionalFileDownloaderImpl::AdditionalFileDownloaderImpl(const base::FilePath& installer_path,
                                                           base::TimeDelta extraction_timeout)
    : installer_path_(installer_path), extraction_timeout_(extraction_timeout) {}

AdditionalFileDownloaderImpl::~AdditionalFileDownloaderImpl() = default;

base::FilePath AdditionalFileDownloaderImpl::NextTemporaryPath() {
  return folder_.Append(PackageFileNames::TemporaryDownloadName(temporary_counter_++));
}

bool AdditionalFileDownloaderImpl::DownloadAdditionalFile(const base::FilePath& folder,
                                                          Downloader* downloader,
                                                          std::unique_ptr<AdditionalFile> file,
                                                          bool is_minimal,
                                                          bool additional_files_only,
                                                          DoneCallback done) {
  LOG(INFO) << "Preparing to download an additional file";
  if (file->kind == kAdditionalFileDownloadableResource && !is_minimal && !additional_files_only)
    return false;
  // The name comes from the server and is later joined to a folder. An
  // assistant archive may come without one ("_sfx.exe" is then its name).
  bool nameless_archive = file->file_name.empty() && file->not_archive != 1;
  if (!nameless_archive && !IsSafeAdditionalFileName(file->file_name)) {
    LOG(ERROR) << "Refusing the additional file name " << NameForLog(file->file_name);
    return false;
  }
  current_ = std::move(file);
  done_ = std::move(done);
  folder_ = folder;
  current_->temporary_path = NextTemporaryPath();
  if (current_->remote) {
    auto writer = std::make_unique<WininetResponseWriter>();
    if (!writer->Open(current_->temporary_path))
      return false;
    AttemptDownload(downloader, std::move(writer));
    return true;
  }
  return CopyLocalFile(downloader);
}

bool AdditionalFileDownloaderImpl::CopyLocalFile(Downloader* downloader) {
  SplitUrl url = CrackUrl(current_->location);
  if (!url.valid)
    return false;
  bool copied = base::CopyFile(LocalPathOf(url.path), current_->temporary_path);
  LOG(INFO) << "Copying test additional file " << LocalPathOf(url.path).AsUTF8Unsafe() << " "
            << (copied ? "succeeded" : "failed");
  base::ThreadTaskRunnerHandle::Get()->PostTask(
      base::Location("DownloadAdditionalFile", __FILE__, __LINE__),
      base::BindOnce(&AdditionalFileDownloaderImpl::OnDownloaded, weak_factory_.GetWeakPtr(),
                     downloader));
  return true;
}

void AdditionalFileDownloaderImpl::AttemptDownload(Downloader* downloader,
                                                   std::unique_ptr<WininetResponseWriter> writer) {
  if (!downloader->Start(current_->location, std::string(),
                         base::BindOnce(&AdditionalFileDownloaderImpl::OnDownloaded,
                                        weak_factory_.GetWeakPtr(), downloader),
                         std::move(writer), std::make_unique<FetchSummaryRecorder>())) {
    LOG(ERROR) << "Failed downloading additional file";
    base::ThreadTaskRunnerHandle::Get()->PostTask(
        base::Location("AttemptDownload", __FILE__, __LINE__),
        base::BindOnce(&AdditionalFileDownloaderImpl::OnDownloaded, weak_factory_.GetWeakPtr(),
                       downloader));
  }
}

void AdditionalFileDownloaderImpl::OnDownloaded(Downloader* downloader) {
  bool arrived = !current_->remote || downloader->GetState() == DownloaderState::kCompleted;
  if (arrived) {
    std::string actual;
    int64_t length = 0;
    if (CheckChecksum(current_->temporary_path, current_->checksum, nullptr, &actual, &length)) {
      PostDone(true, downloader->GetFetchDetails(), "OnFileDownloaded");
      return;
    }
    LOG(ERROR) << "Bad checksum for additional component " << KindName(current_->kind) << " actual "
               << actual << " expected " << current_->checksum << ", file length " << length;
  } else {
    LOG(ERROR) << "Failed downloading additional component " << KindName(current_->kind)
               << ". Wininet state: " << static_cast<int>(downloader->GetState());
  }
  base::DeleteFile(current_->temporary_path);
  bool retry = current_->attempts < kMaxAttempts - 1 && downloader->IsFirstAttempt();
  ++current_->attempts;
  if (retry) {
    LOG(INFO) << "Retrying additional file download";
    current_->temporary_path = NextTemporaryPath();
    if (!current_->remote && CopyLocalFile(downloader))
      return;
    auto writer = std::make_unique<WininetResponseWriter>();
    if (current_->remote && writer->Open(current_->temporary_path)) {
      AttemptDownload(downloader, std::move(writer));
      return;
    }
  }
  LOG(INFO) << "Giving up downloading this file";
  // The lines above name only the kind: say which file stays out.
  LOG(ERROR) << "Additional file " << NameForLog(current_->file_name) << " not fetched from "
             << base::WideToUTF8(current_->location) << "; attempts: " << current_->attempts;
  PostDone(false, downloader->GetFetchDetails(), "OnFileDownloaded");
}

void AdditionalFileDownloaderImpl::PostDone(bool succeeded,
                                            std::vector<FetchDetails> details,
                                            const char* location) {
  std::unique_ptr<AdditionalFile> file = std::move(current_);
  if (!succeeded)
    file.reset();
  base::ThreadTaskRunnerHandle::Get()->PostTask(
      base::Location(location, __FILE__, __LINE__),
      base::BindOnce(std::move(done_), std::move(file), std::move(details)));
}

bool AdditionalFileDownloaderImpl::InstallAdditionalFile(PackageVersionChecker* version_checker,
                                                         AdditionalFile* file,
                                                         const base::FilePath& package_folder,
                                                         const base::FilePath& assistant_folder) {
  base::FilePath target =
      file->kind == kAdditionalFileAssistant ? assistant_folder : package_folder;
  // Only the assistant has a folder of its own: any other file lands among
  // the package's files, which it must not replace after their checks. The
  // name is judged, placed and listed as the file system keeps it.
  const std::wstring kept_name = FileSystemName(file->file_name);
  if (file->kind != kAdditionalFileAssistant &&
      TakesPackageFileName(file->file_name, kept_name, package_folder)) {
    base::DeleteFile(file->temporary_path);
    return Fail("Additional file takes the name of a package file");
  }
  if (file->not_archive != 1) {
    if (ChecksSignatures()) {
      std::string error;
      if (!VerifyFileSignature(file->temporary_path.value(), &error))
        return Fail("Failed verifying signature of the additional file");
    }
    GetAvroStatsSender()->SendAvroMessage(std::make_unique<SignatureVerifiedEvent>(1));
    if (!base::CreateDirectory(target))
      return Fail("Could not create unpacking folder for additional file");
    base::FilePath executable = target.Append(PackageFileNames::SelfExtractorName(file->file_name));
    if (!base::Move(file->temporary_path, executable))
      return Fail("Failed moving additional component SFX into place");
    base::Process process = base::LaunchProcess(base::CommandLine(executable), {});
    if (!process.IsValid()) {
      LOG(ERROR) << "";
      return Fail("Failed starting SFX archive");
    }
    int exit_code = -1;
    if (!process.WaitForExitWithTimeout(extraction_timeout_, &exit_code)) {
      // A hung extractor would hold the Fetcher thread, and with it the
      // window's thread that joins it on cancel.
      LOG(ERROR) << "Ending the SFX archive still running after "
                 << extraction_timeout_.InSeconds() << " s";
      process.Terminate(1, true);
      return Fail("Failed extracting SFX archive");
    }
    if (exit_code != 0)
      return Fail("Failed extracting SFX archive");
    base::DeleteFile(executable);
    if (!version_checker->CheckAdditionalFile(target, base::UTF8ToWide(KindName(file->kind))))
      return Fail("Component version didn't pass check");
  } else {
    // A signed installer runs only code its company signed, also when the
    // metadata serves it as a plain file, under any name. Only a PE image
    // can carry that signature: a script, shortcut or loader setting never
    // passes.
    const char* why_code =
        ChecksSignatures() ? WhyCode(kept_name, file->temporary_path) : nullptr;
    std::string error;
    if (why_code && !VerifyFileSignature(file->temporary_path.value(), &error)) {
      LOG(ERROR) << "Failed verifying signature of the additional file "
                 << NameForLog(file->file_name) << ", " << why_code << ": " << error;
      base::DeleteFile(file->temporary_path);
      return Fail("Failed verifying signature of the additional file");
    }
    base::FilePath path = target.Append(kept_name);
    base::CreateDirectory(path.DirName());
    if (!base::Move(file->temporary_path, path))
      return Fail("Failed moving additional file into place");
  }
  // Files lists separate folders with "\\", as the installation status
  // records them (the kept name does); the server's names may use "/".
  if (file->kind != kAdditionalFileAssistant)
    installed_files_.push_back(base::WideToUTF8(kept_name));
  return true;
}

bool AdditionalFileDownloaderImpl::ChecksSignatures() const {
  bool installer_signed = true;
  return !(IsFileSigned(installer_path_, &installer_signed) && !installer_signed);
}

bool AdditionalFileDownloaderImpl::TakesPackageFileName(const std::wstring& file_name,
                                                        const std::wstring& kept_name,
                                                        const base::FilePath& package_folder) {
  if (!package_names_ || package_names_folder_ != package_folder) {
    auto names = std::make_unique<PackageFileNames>();
    LzmaUtil lzma_util;
    if (!names->AddPackageArchive(package_folder, &lzma_util)) {
      // Without the package's names no name is known to be free.
      LOG(ERROR) << "Refusing the additional file " << NameForLog(file_name)
                 << ": the package's files cannot be listed";
      return true;
    }
    package_names_ = std::move(names);
    package_names_folder_ = package_folder;
  }
  if (!package_names_->Holds(kept_name))
    return false;
  LOG(ERROR) << "Refusing the additional file " << NameForLog(file_name)
             << ": the package holds a file of that name";
  return true;
}

void AdditionalFileDownloaderImpl::ClearInstalledFiles() {
  installed_files_.clear();
}

void AdditionalFileDownloaderImpl::WriteFilesList(const base::FilePath& folder) {
  if (installed_files_.empty())
    return;
  std::string text = base::JoinString(installed_files_, "\r\n") + "\r\n";
  base::FilePath path = folder.Append(kFilesListFileName);
  if (base::PathExists(path))
    base::AppendToFile(path, text);
  else
    base::WriteFile(path, text);
}

void AdditionalFileDownloaderImpl::Reset() {
  weak_factory_.InvalidateWeakPtrs();
  folder_.clear();
  installed_files_.clear();
  package_names_.reset();
  package_names_folder_.clear();
  current_.reset();
  done_.Reset();
}

}  // namespace velta
