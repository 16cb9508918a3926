// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/interprocess_state_impl.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/guid.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process_wide.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"

namespace velta {
namespace {

// A ready marker holds a session GUID at most; anything longer is no marker
// of this installer's.
constexpr size_t kMaxReadyMarkerSize = 256;

// A session GUID from the parent, else a new one. An empty value would leave
// this process and its children without a session and give each child a
// session of its own, so it counts as none.
std::string ReadSessionGuid(const base::CommandLine& command_line) {
  std::string guid = command_line.GetSwitchValueASCII(kSessionGuidSwitch);
  if (guid.empty()) {
    if (command_line.HasSwitch(kSessionGuidSwitch))
      LOG(ERROR) << "The session GUID given is empty or not ASCII, starting a new session";
    guid = base::GenerateGUID();
  }
  return guid;
}

}  // namespace

InterprocessState::~InterprocessState() = default;

// static
InterprocessState* InterprocessState::GetInstance() {
  return base::ProcessWide<InterprocessState>::GetOrCreate<InterprocessStateImpl>();
}

InterprocessStateImpl::InterprocessStateImpl()
    : InterprocessStateImpl(base::CommandLine::ForCurrentProcess(),
                            std::make_unique<ServerTrackingBlob>()) {}

InterprocessStateImpl::InterprocessStateImpl(const base::CommandLine* command_line,
                                             std::unique_ptr<ServerTrackingBlob> tracking_data)
    : tracking_data_(std::move(tracking_data)),
      session_guid_(ReadSessionGuid(*command_line)),
      command_line_(command_line),
      is_backend_(command_line->HasSwitch(kBackendSwitch)) {
  ReadPackageDir();
  ReadTrackingData();
}

InterprocessStateImpl::~InterprocessStateImpl() = default;

void InterprocessStateImpl::ReadPackageDir() {
  if (command_line_->HasSwitch(kPackageDirSwitch)) {
    package_dir_ = command_line_->GetSwitchValuePath(kPackageDirSwitch);
  } else if (command_line_->HasSwitch(kPackageDirPrefixSwitch)) {
    package_dir_prefix_ = command_line_->GetSwitchValuePath(kPackageDirPrefixSwitch);
  } else if (command_line_->HasSwitch(kWaitForPackageSwitch)) {
    package_dir_ = command_line_->GetSwitchValuePath(kWaitForPackageSwitch);
  } else if (is_backend_ && !base::PathService::Get(base::DIR_EXE, &package_dir_)) {
    LOG(ERROR) << "Cannot find the folder of the running executable";
  }
}

void InterprocessStateImpl::ReadTrackingData() {
  if (command_line_->HasSwitch(kServerTrackingBlobSwitch))
    tracking_data_->Load(command_line_->GetSwitchValueASCII(kServerTrackingBlobSwitch));

  const std::string pairs = command_line_->GetSwitchValueASCII(kOtdSwitch);
  for (std::string_view pair :
       base::SplitStringPiece(pairs, ",", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    const size_t colon = pair.find(':');
    // A pair without a key would land at the key "" of the tracking data.
    if (colon == std::string_view::npos || colon == 0)
      continue;
    tracking_data_->SetLocalValue(pair.substr(0, colon), pair.substr(colon + 1));
  }

  // After the pairs, so that these win over a pair of the same key.
  const std::wstring medium = command_line_->GetSwitchValueNative(kMediumSwitch);
  if (!medium.empty())
    tracking_data_->SetLocalValue(ServerTrackingBlob::kMediumKey, base::WideToUTF8(medium));
  const std::wstring installation_id = command_line_->GetSwitchValueNative(kNiuidSwitch);
  if (!installation_id.empty())
    tracking_data_->SetLocalValue(ServerTrackingBlob::kInstallationIdKey,
                                  base::WideToUTF8(installation_id));
}

void InterprocessStateImpl::AppendToCommandLine(base::CommandLine* command_line) const {
  if (HasPackageDir()) {
    if (!package_dir_.empty())
      command_line->AppendSwitchPath(kPackageDirSwitch, package_dir_);
    else if (!package_dir_prefix_.empty())
      command_line->AppendSwitchPath(kPackageDirPrefixSwitch, package_dir_prefix_);
  }
  if (IsInsidePackage())
    command_line->AppendSwitch(kInsidePackageSwitch);
  if (!session_guid_.empty())
    command_line->AppendSwitchASCII(kSessionGuidSwitch, session_guid_);
  if (GetMode() == InstallerMode::kFixDownloadableResources)
    command_line->AppendSwitch(kFixDownloadableResourcesSwitch);
  const std::string tracking_blob = tracking_data_->Serialize();
  if (!tracking_blob.empty())
    command_line->AppendSwitchASCII(kServerTrackingBlobSwitch, tracking_blob);
  if (IsAutoupdate())
    command_line->AppendSwitch(kAutoupdateSwitch);
  if (IsSilent())
    command_line->AppendSwitch(kSilentSwitch);
  if (LaunchOnOsStart())
    command_line->AppendSwitch(kLaunchOnOsStartSwitch);
}

base::FilePath InterprocessStateImpl::ResolvePackageDir() {
  if (!package_dir_.empty() || package_dir_prefix_.empty())
    return package_dir_;

  const base::FilePath::StringType name_prefix = package_dir_prefix_.BaseName().value();
  std::vector<base::FilePath> candidates;
  base::FileEnumerator folders(package_dir_prefix_.DirName(), false,
                               base::FileEnumerator::DIRECTORIES, name_prefix + L"*");
  for (base::FilePath folder = folders.Next(); !folder.empty(); folder = folders.Next()) {
    // The pattern also matches short (8.3) names, and wildcards in the prefix
    // would act as wildcards: keep only names that truly begin with it.
    if (base::StartsWith(folder.BaseName().value(), name_prefix,
                         base::CompareCase::INSENSITIVE_ASCII)) {
      candidates.push_back(std::move(folder));
    }
  }
  // By name, as Windows compares names, so that the choice among several
  // ready folders does not depend on the order the file system lists them in.
  std::sort(candidates.begin(), candidates.end(),
            [](const base::FilePath& a, const base::FilePath& b) {
              return base::CompareCaseInsensitiveASCII(a.value(), b.value()) < 0;
            });
  // Installers started within the same second share the prefix: the fetch
  // names its session in the marker, and a marker that names another
  // session is another installer's package. One that names none (made by
  // hand, or by an installer that did not name it) is taken when no folder
  // names this session.
  base::FilePath unnamed;
  for (const base::FilePath& folder : candidates) {
    const base::FilePath marker = folder.Append(kPackageReadyFileName);
    if (!base::PathExists(marker) || base::DirectoryExists(marker))
      continue;
    std::string session;
    if (!base::ReadFileToStringWithMaxSize(marker, &session, kMaxReadyMarkerSize)) {
      LOG(WARNING) << "Package folder " << folder << " skipped: its marker cannot be read";
      continue;
    }
    if (session == session_guid_) {
      package_dir_ = folder;
      break;
    }
    if (session.empty()) {
      if (unnamed.empty())
        unnamed = folder;
      continue;
    }
    VLOG(1) << "Package folder " << folder << " skipped: it is another installer's";
  }
  if (package_dir_.empty())
    package_dir_ = unnamed;
  if (!package_dir_.empty())
    VLOG(1) << "Package folder resolved: " << package_dir_;
  return package_dir_;
}

std::string InterprocessStateImpl::GetSessionGuid() const {
  return session_guid_;
}

bool InterprocessStateImpl::IsAutoupdate() const {
  return command_line_->HasSwitch(kAutoupdateSwitch);
}

bool InterprocessStateImpl::IsSilent() const {
  return command_line_->HasSwitch(kSilentSwitch);
}

bool InterprocessStateImpl::IsInsidePackage() const {
  if (is_backend_)
    return command_line_->HasSwitch(kInsidePackageSwitch);
  return InstallerUtils::GetInstance()->IsInsidePackage();
}

bool InterprocessStateImpl::IsStandalone() const {
  return !IsInsidePackage();
}

bool InterprocessStateImpl::LaunchOnOsStart() const {
  return command_line_->HasSwitch(kLaunchOnOsStartSwitch);
}

void InterprocessStateImpl::SetPackageDirPrefix(const base::FilePath& prefix) {
  package_dir_prefix_ = prefix;
}

void InterprocessStateImpl::SetPackageDir(const base::FilePath& folder) {
  package_dir_ = folder;
}

bool InterprocessStateImpl::HasPackageDir() const {
  if (!is_backend_)
    return true;
  return command_line_->HasSwitch(kPackageDirSwitch) ||
         command_line_->HasSwitch(kPackageDirPrefixSwitch);
}

uint32_t InterprocessStateImpl::GetUiThreadId() const {
  if (!command_line_->HasSwitch(kUiThreadIdSwitch))
    return kNoUiThreadId;
  unsigned thread_id = 0;
  if (!base::StringToUint(command_line_->GetSwitchValueNative(kUiThreadIdSwitch), &thread_id)) {
    LOG(ERROR) << "Failed parsing ui thread id";
    return kNoUiThreadId;
  }
  return thread_id;
}

ServerTrackingBlob* InterprocessStateImpl::GetTrackingData() {
  return tracking_data_.get();
}

InstallerMode InterprocessStateImpl::GetMode() const {
  return GetInstallerModeFromSwitches(*command_line_);
}

bool IsAutoupdateRun() {
  return InterprocessState::GetInstance()->IsAutoupdate();
}

bool IsSilentRun() {
  return InterprocessState::GetInstance()->IsSilent();
}

ServerTrackingBlob* GetTrackingData() {
  return InterprocessState::GetInstance()->GetTrackingData();
}

InstallerMode GetInstallerMode() {
  return InterprocessState::GetInstance()->GetMode();
}

}  // namespace velta
