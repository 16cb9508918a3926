// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/pref_default_overrides_fetcher.h"

#include <utility>
#include <vector>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/product/product_info.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/package_fetcher/package_metadata_retriever.h"
#include "desktop/windows/installer/wininet/downloader.h"
#include "desktop/windows/installer/wininet/wininet_response_writer.h"

namespace velta {

namespace {

constexpr char kLocalServerUrl[] = "http://localhost:3001/";

std::wstring RequestUrl() {
  const base::CommandLine* command_line = base::CommandLine::ForCurrentProcess();
  if (command_line->HasSwitch(kLocalPrefDefaultOverridesServer)) {
    std::string url = command_line->GetSwitchValueASCII(kLocalPrefDefaultOverridesServer);
    return base::UTF8ToWide(url.empty() ? kLocalServerUrl : url);
  }
  std::string url =
      ProductInfo::GetInstance()->GetAutoupdateServerUrl() + "api/prefs/?product=$1&version=$2";
  base::ReplaceFirstSubstringAfterOffset(&url, 0, "$1", GetBrandName());
  base::ReplaceFirstSubstringAfterOffset(&url, 0, "$2", GetProductVersion());
  return base::UTF8ToWide(url);
}

}  // namespace

PrefDefaultOverridesFetcher::PrefDefaultOverridesFetcher(std::unique_ptr<Downloader> downloader)
    : downloader_(std::move(downloader)) {}

PrefDefaultOverridesFetcher::~PrefDefaultOverridesFetcher() = default;

void PrefDefaultOverridesFetcher::Fetch(const base::FilePath& folder,
                                        const std::string& tracking_data,
                                        base::OnceClosure completion) {
  base::FilePath path = folder.Append(kPrefDefaultOverridesFileName);
  LOG(INFO) << "Fetching default prefs overrides to " << path.AsUTF8Unsafe()
            << " with tracking data " << tracking_data;
  std::vector<std::wstring> allowed = GetBuiltInAllowedHosts();
  std::wstring product_domain = base::UTF8ToWide(ProductInfo::GetInstance()->GetAllowedDomain());
  if (product_domain != allowed.front())
    allowed.push_back(product_domain);
  downloader_->SetAllowedDomains(allowed);
  downloader_->SetMaxRetries(0);

  auto writer = std::make_unique<WininetResponseWriter>();
  writer->Open(path);
  if (!downloader_->Start(
          RequestUrl(), tracking_data,
          base::BindOnce(&PrefDefaultOverridesFetcher::OnReply, base::Unretained(this), path),
          std::move(writer), std::make_unique<DownloaderDelegate>())) {
    // The empty file the writer made stays: the step that copies the file
    // to the browser passes over one that does not hold JSON.
    LOG(ERROR) << "Failed sending request for default prefs overrides";
    std::move(completion).Run();
    return;
  }
  completion_ = std::move(completion);
}

void PrefDefaultOverridesFetcher::OnReply(const base::FilePath& path) {
  if (downloader_->GetState() != DownloaderState::kCompleted) {
    base::DeleteFile(path);
    LOG(ERROR) << "Failed fetching default prefs overrides";
  } else {
    LOG(INFO) << "Default prefs overrides fetched successfully";
  }
  if (completion_)
    std::move(completion_).Run();
}

}  // namespace velta
