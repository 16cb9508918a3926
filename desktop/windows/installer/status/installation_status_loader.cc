// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_loader.h"

#include <cstdint>
#include <string_view>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/no_destructor.h"
#include "base/strings/string_number_conversions.h"
#include "desktop/windows/installer/status/installation_status_check.h"
#include "desktop/windows/installer/status/installation_status_reader.h"
#include "desktop/windows/installer/status/installation_status_recovery.h"

namespace velta {
namespace {

constexpr std::wstring_view kParkedSuffix = L".old";

const wchar_t* GetStatusFileName(StatusSource source) {
  switch (source) {
    case StatusSource::kPrimary:
    case StatusSource::kRecoveredFromOldFiles:
      return kInstallationStatusJsonFileName;
    case StatusSource::kLegacyXml:
    case StatusSource::kLegacyXmlRecoveredFromOldFiles:
      return kInstallationStatusXmlFileName;
    default:
      return L"";
  }
}

// The words an unusable status file's error starts with.
std::string GetStatusFileLabel(StatusSource source) {
  switch (source) {
    case StatusSource::kPrimary:
      return "Velta JSON status file";
    case StatusSource::kLegacyXml:
      return "Velta legacy XML status file";
    default:
      return std::string();
  }
}

// The installation folder a status file of `source` named `file` lies in:
// its own folder, or the one above old_status.
base::FilePath GetInstallationFolder(const base::FilePath& file, StatusSource source) {
  if (source == StatusSource::kRecoveredFromOldFiles ||
      source == StatusSource::kLegacyXmlRecoveredFromOldFiles) {
    return file.DirName().DirName();
  }
  return file.DirName();
}

// The number of a parked old_status copy named `name`, whose status file name
// ends at `pos`: the decimal text between the dot after it and the next dot,
// with nothing after that but the parking's ".<seconds>[.<n>].old".
bool ParseParkedCopyNumber(std::wstring_view name, size_t pos, int64_t* number) {
  std::wstring_view rest = name.substr(pos);
  if (rest.empty() || rest.front() != L'.')
    return false;
  rest.remove_prefix(1);
  size_t dot = rest.find(L'.');
  if (dot == std::wstring_view::npos)
    return false;
  std::wstring_view tail = rest.substr(dot);
  if (tail.size() <= kParkedSuffix.size() || !tail.ends_with(kParkedSuffix))
    return false;
  return base::StringToInt64(rest.substr(0, dot), number);
}

class InstallationStatusLoaderImpl : public InstallationStatusLoader {
 public:
  void Load(std::unique_ptr<InstallationStatus>* out,
            const base::FilePath& folder,
            StatusRecoveryMode recovery_mode,
            std::string* error,
            std::string* content) override {
    std::unique_ptr<InstallationStatus> status;
    bool try_old_files = false;
    switch (internal::TryLoadStatusFile(folder, StatusSource::kPrimary, &status, error, content)) {
      case internal::StatusFileResult::kLoaded:
        break;
      case internal::StatusFileResult::kUnusable:
        try_old_files = recovery_mode != StatusRecoveryMode::kNone;
        break;
      case internal::StatusFileResult::kMissing:
        if (internal::TryLoadStatusFile(folder, StatusSource::kLegacyXml, &status, error,
                                        content) != internal::StatusFileResult::kLoaded) {
          try_old_files = recovery_mode == StatusRecoveryMode::kOldFiles;
        }
        break;
    }
    base::FilePath old_file;
    StatusSource old_source;
    if (try_old_files && internal::FindNewestOldStatusFile(folder, &old_file, &old_source)) {
      LOG(INFO) << "Reading the old status file " << old_file.value();
      internal::ReadStatusFile(&status, old_file, old_source, error);
    }
    if (!status) {
      GetInstallationStatusRecovery()->Recover(out, folder);
      return;
    }
    *out = std::move(status);
  }
};

}  // namespace

// static
InstallationStatusLoader* InstallationStatusLoader::GetInstance() {
  static base::NoDestructor<InstallationStatusLoaderImpl> instance;
  return instance.get();
}

namespace internal {

void ReadStatusFile(std::unique_ptr<InstallationStatus>* out,
                    const base::FilePath& file,
                    StatusSource source,
                    std::string* error) {
  out->reset();
  if (!base::PathExists(file))
    return;
  std::unique_ptr<InstallationStatusReader> reader = CreateInstallationStatusReader(source);
  std::string text;
  if (!reader || !base::ReadFileToString(file, &text)) {
    if (error)
      *error = "Cannot read a file to string";
    return;
  }
  if (!reader->Read(out, text, source)) {
    if (error)
      *error = reader->GetError();
    return;
  }
  std::string refusal;
  if (!CheckInstallationStatus(GetInstallationFolder(file, source), out->get(), &refusal)) {
    LOG(WARNING) << "Refusing the status file " << file << ": " << refusal;
    out->reset();
    if (error)
      *error = std::move(refusal);
  }
}

StatusFileResult TryLoadStatusFile(const base::FilePath& folder,
                                   StatusSource source,
                                   std::unique_ptr<InstallationStatus>* out,
                                   std::string* error,
                                   std::string* content) {
  base::FilePath file = folder.Append(GetStatusFileName(source));
  std::unique_ptr<InstallationStatus> status;
  std::string read_error;
  ReadStatusFile(&status, file, source, &read_error);
  if (status) {
    *out = std::move(status);
    return StatusFileResult::kLoaded;
  }
  if (!base::PathExists(file))
    return StatusFileResult::kMissing;
  std::string explanation = GetStatusFileLabel(source) + " status file, " + read_error;
  std::string text;
  if (!base::ReadFileToString(file, &text))
    explanation += " Cannot read the file to string.";
  else if (text.empty())
    explanation += " Status file empty.";
  LOG(ERROR) << explanation;
  if (error)
    *error = std::move(explanation);
  if (content)
    *content = std::move(text);
  return StatusFileResult::kUnusable;
}

bool FindNewestOldStatusFile(const base::FilePath& folder,
                             base::FilePath* file,
                             StatusSource* source) {
  *file = base::FilePath();
  *source = StatusSource::kInvalid;
  int64_t best = 0;
  bool best_parked = false;
  const std::wstring_view json_name = kInstallationStatusJsonFileName;
  const std::wstring_view xml_name = kInstallationStatusXmlFileName;
  base::FileEnumerator enumerator(folder.Append(kOldStatusFolderName), false,
                                  base::FileEnumerator::FILES);
  for (base::FilePath entry = enumerator.Next(); !entry.empty(); entry = enumerator.Next()) {
    const std::wstring name = entry.BaseName().value();
    StatusSource entry_source = StatusSource::kRecoveredFromOldFiles;
    size_t pos = name.find(json_name);
    if (pos != std::wstring::npos) {
      pos += json_name.size();
    } else if ((pos = name.find(xml_name)) != std::wstring::npos) {
      pos += xml_name.size();
      entry_source = StatusSource::kLegacyXmlRecoveredFromOldFiles;
    } else {
      continue;
    }
    // A copy's number is its final extension; a copy that a transaction
    // parked ends in ".old" and keeps the number after the status file name.
    int64_t number = 0;
    bool parked = false;
    if (!base::StringToInt64(entry.FinalExtension().substr(1), &number)) {
      if (!ParseParkedCopyNumber(name, pos, &number))
        continue;
      parked = true;
    }
    // Of equal numbers the plain copy wins: a parked one is what a
    // transaction moved aside, whether it then finished or not.
    if (number < best || number <= 0 || (number == best && (parked || !best_parked)))
      continue;
    *file = entry;
    *source = entry_source;
    best = number;
    best_parked = parked;
  }
  return !file->empty();
}

}  // namespace internal

}  // namespace velta
