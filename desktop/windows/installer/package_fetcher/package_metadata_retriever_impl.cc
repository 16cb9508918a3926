// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/package_metadata_retriever_impl.h"

#include <algorithm>
#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product/product_info.h"
#include "desktop/windows/installer/package_fetcher/fetch_details_recorder.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/wininet/downloader.h"
#include "desktop/windows/installer/wininet/wininet_impl.h"
#include "desktop/windows/installer/wininet/wininet_response_writer.h"

namespace velta {

namespace {

constexpr char kPublicDomainSuffix[] = ".velta.example";
constexpr char kStagingServerUrl[] = "https://autoupdate-staging.velta.internal/";

// How much of a reply (or of a value in it) that failed to parse goes into
// the error text, which the log and the statistics repeat.
constexpr size_t kMaxQuotedReplyBytes = 256;

// The beginning of untrusted text for a log line: at most
// kMaxQuotedReplyBytes bytes, each byte outside printable ASCII as "\xNN",
// and the full size when it was cut.
std::string Quote(std::string_view text) {
  std::string quoted;
  for (unsigned char c : text.substr(0, kMaxQuotedReplyBytes)) {
    if (c >= 0x20 && c < 0x7f)
      quoted += static_cast<char>(c);
    else
      base::StringAppendF(&quoted, "\\x%02X", c);
  }
  if (text.size() > kMaxQuotedReplyBytes)
    quoted += "... (" + base::NumberToString(text.size()) + " bytes)";
  return quoted;
}

bool RecordParseFailure(const std::string& message) {
  return SetInstallerError(1, message, std::wstring());
}

// Appends the files of the test folder that were requested.
void AddTestFolderFiles(const std::vector<std::string>& requested,
                        std::vector<std::unique_ptr<AdditionalFile>>* files) {
  base::FilePath folder =
      base::CommandLine::ForCurrentProcess()->GetSwitchValuePath(kTestDownloadableResourcesDir);
  if (folder.empty())
    return;
  base::FileEnumerator enumerator(folder, true, base::FileEnumerator::FILES);
  for (base::FilePath path = enumerator.Next(); !path.empty(); path = enumerator.Next()) {
    std::wstring relative = path.value().substr(folder.value().size());
    while (!relative.empty() && (relative[0] == L'\\' || relative[0] == L'/'))
      relative.erase(0, 1);
    std::string name = base::WideToUTF8(relative);
    bool wanted = false;
    for (const std::string& requested_name : requested)
      wanted = wanted || requested_name == name;
    std::string content;
    if (!wanted || !base::ReadFileToString(path, &content))
      continue;
    std::wstring location = L"file:///" + path.value();
    std::replace(location.begin(), location.end(), L'\\', L'/');
    auto file = std::make_unique<AdditionalFile>();
    file->location = location;
    file->file_name = relative;
    file->not_archive = 1;
    file->checksum =
        CalculateSha256Hex(reinterpret_cast<const uint8_t*>(content.data()), content.size());
    file->kind = kAdditionalFileDownloadableResource;
    file->remote = 0;
    files->push_back(std::move(file));
  }
}

// Reads one component, a dictionary; false (installer error set) when it
// is malformed, true with a null `file` when it is skipped.
bool ParseComponent(const base::Value& component,
                    const std::vector<std::string>& requested,
                    bool accept_all_components,
                    std::unique_ptr<AdditionalFile>* file) {
  const std::string* location = component.FindStringKey("location");
  const std::string* type = component.FindStringKey("type");
  std::optional<bool> archive = component.FindBoolKey("archive");
  const std::string* checksum = component.FindStringKey("checksum");
  if (!location || !type || !archive || !checksum)
    return RecordParseFailure("One of required fields is missing in json component definition");
  uint32_t kind = kAdditionalFileAssistant;
  if (base::StartsWith(*type, "downloadable_resource"))
    kind = kAdditionalFileDownloadableResource;
  else if (*type == "partner_content")
    kind = kAdditionalFilePartnerContent;
  if (kind == kAdditionalFileAssistant && !accept_all_components)
    return true;
  std::string name;
  if (kind != kAdditionalFileAssistant) {
    const std::string* file_name = component.FindStringKey("filename");
    if (!file_name)
      return RecordParseFailure("Failed parsing additional file name in JSON reply");
    name = *file_name;
    if (kind == kAdditionalFileDownloadableResource &&
        std::find(requested.begin(), requested.end(), name) == requested.end()) {
      return true;
    }
  }
  std::wstring wide_location = base::UTF8ToWide(*location);
  SplitUrl split = CrackUrl(wide_location);
  if (!split.valid)
    return RecordParseFailure("Cannot parse the location of an additional file: " +
                              Quote(*location));
  uint32_t remote = 1;
  if (split.scheme == 5 /* INTERNET_SCHEME_FILE */) {
    if (!base::CommandLine::ForCurrentProcess()->HasSwitch(kTestDownloadableResourcesDir))
      return true;
    remote = 0;
  }
  *file = std::make_unique<AdditionalFile>();
  (*file)->location = wide_location;
  (*file)->file_name = base::UTF8ToWide(name);
  (*file)->not_archive = *archive ? 0 : 1;
  (*file)->checksum = *checksum;
  (*file)->kind = kind;
  (*file)->remote = remote;
  return true;
}

std::unique_ptr<PackageMetadata> ParseFailure(const std::string& reason, const std::string& reply) {
  LOG(ERROR) << "Failed parsing json reply: " << reason;
  SetInstallerError(19, "Failed parsing json reply: " + reason + " " + Quote(reply),
                    std::wstring());
  return nullptr;
}

}  // namespace

PackageMetadata::PackageMetadata() = default;
PackageMetadata::PackageMetadata(PackageMetadata&&) = default;
PackageMetadata::~PackageMetadata() = default;

std::vector<std::wstring> GetBuiltInAllowedHosts() {
  return {base::UTF8ToWide(kPublicDomainSuffix),
          L".velta.internal",
          L"localhost",
          L"127.0.0.1",
          L".velta-staging.internal",
          L".velta-ci.internal"};
}

PackageMetadataRetrieverImpl::PackageMetadataRetrieverImpl(PackageArchitecture architecture)
    : architecture_(architecture) {}

PackageMetadataRetrieverImpl::~PackageMetadataRetrieverImpl() = default;

bool PackageMetadataRetrieverImpl::Retrieve(Downloader* downloader,
                                            const std::vector<std::string>& requested_files,
                                            const std::string& payload,
                                            bool accept_all_components,
                                            bool files_only,
                                            DoneCallback done) {
  LOG(INFO) << "Preparing to fetch the download URL";
  ProductInfo* product = ProductInfo::GetInstance();
  std::vector<std::wstring> allowed;
  std::string product_domain = product->GetAllowedDomain();
  if (product_domain != kPublicDomainSuffix)
    allowed.push_back(base::UTF8ToWide(product_domain));
  for (const std::wstring& host : GetBuiltInAllowedHosts())
    allowed.push_back(host);
  downloader->SetAllowedDomains(allowed);

  const base::CommandLine* command_line = base::CommandLine::ForCurrentProcess();
  std::wstring url;
  std::string server = command_line->GetSwitchValueASCII(kInternalPackageServer);
  if (!server.empty()) {
    url = base::UTF8ToWide(server);
  } else {
    std::string base_url = command_line->HasSwitch(kInternalPackageServer)
                               ? std::string(kStagingServerUrl)
                               : product->GetAutoupdateServerUrl();
    url = base::UTF8ToWide(base_url + "v2/netinstaller/" + product->GetChannelName() +
                           (architecture_ == PackageArchitecture::kX64 ? "/windows/x64" : ""));
  }
  if (!requested_files.empty()) {
    url += url.find(L'?') == std::wstring::npos ? L"?" : L"&";
    url += L"additional_files=";
    for (size_t i = 0; i < requested_files.size(); ++i)
      url += (i ? L"," : L"") + base::UTF8ToWide(requested_files[i]);
  }

  LOG(INFO) << "Fetching the download URL";
  downloader->SetReplyTimeLimit(reply_time_limit_);
  auto recorder = std::make_unique<FetchSummaryRecorder>();
  if (!downloader->Start(url, payload,
                         base::BindOnce(&PackageMetadataRetrieverImpl::OnReply,
                                        weak_factory_.GetWeakPtr(), downloader, requested_files,
                                        accept_all_components, files_only, std::move(done)),
                         std::make_unique<StringResponseWriter>(&reply_, kMaxReplySize),
                         std::move(recorder))) {
    SetInstallerError(19, downloader->GetError(), std::wstring());
    return AppendInstallerError("Failed starting fetching the download URL", 0, std::wstring());
  }
  return true;
}

void PackageMetadataRetrieverImpl::Cancel() {
  weak_factory_.InvalidateWeakPtrs();
  reply_.clear();
}

void PackageMetadataRetrieverImpl::OnReply(Downloader* downloader,
                                           std::vector<std::string> requested_files,
                                           bool accept_all_components,
                                           bool files_only,
                                           DoneCallback done) {
  if (downloader->GetState() != DownloaderState::kCompleted) {
    // Up to the bound of a refused reply: its memory goes now.
    std::string().swap(reply_);
    SetInstallerError(1, downloader->GetError(), std::wstring());
    AppendInstallerError(base::StringPrintf("Package metadata download failed with state: *%d*",
                                            static_cast<int>(downloader->GetState())),
                         0, std::wstring());
    std::move(done).Run(nullptr, downloader->GetFetchDetails());
    return;
  }
  VLOG(1) << "Parsing the fetched URL";
  std::move(done).Run(ParseReply(reply_, requested_files, accept_all_components, files_only),
                      downloader->GetFetchDetails());
}

// static
std::unique_ptr<PackageMetadata> PackageMetadataRetrieverImpl::ParseReply(
    const std::string& reply,
    const std::vector<std::string>& requested,
    bool accept_all_components,
    bool files_only) {
  std::optional<base::Value> parsed = base::JSONReader::Read(reply);
  if (!parsed)
    return ParseFailure("Invalid JSON", reply);
  if (!parsed->is_dict())
    return ParseFailure("Content is not a dictionary", reply);

  auto metadata = std::make_unique<PackageMetadata>();
  if (const base::Value* components = parsed->FindListKey("components")) {
    for (const base::Value& component : components->GetList()) {
      // Not a component at all: no definition to speak of.
      if (!component.is_dict()) {
        RecordParseFailure("One of received components is not a dictionary");
        return ParseFailure(GetInstallerErrorDetail(), reply);
      }
      std::unique_ptr<AdditionalFile> file;
      if (!ParseComponent(component, requested, accept_all_components, &file)) {
        AppendInstallerError("Cannot parse additional file definition", 0, std::wstring());
        return ParseFailure(GetInstallerErrorDetail(), reply);
      }
      if (file)
        metadata->additional_files.push_back(std::move(file));
    }
  }
  AddTestFolderFiles(requested, &metadata->additional_files);

  bool all_listed = true;
  for (const std::string& name : requested) {
    bool listed = false;
    for (const auto& file : metadata->additional_files)
      listed = listed || base::WideToUTF8(file->file_name) == name;
    all_listed = all_listed && listed;
  }

  if (files_only) {
    metadata->requested_files_listed = all_listed;
  } else {
    bool minimal_taken = false;
    if (!requested.empty() && all_listed) {
      metadata->requested_files_listed = true;
      const std::string* url = parsed->FindStringKey("minimal_installer");
      const std::string* checksum = parsed->FindStringKey("minimal_installer_checksum");
      if (url && checksum && !url->empty() && !checksum->empty()) {
        metadata->installer_url = base::UTF8ToWide(*url);
        metadata->installer_checksum = *checksum;
        minimal_taken = true;
      }
    }
    if (!minimal_taken) {
      const base::Value* url = parsed->FindKey("installer");
      if (!url)
        return ParseFailure("Missing full package url", reply);
      if (!url->is_string())
        return ParseFailure("Full package url is not a string", reply);
      const base::Value* checksum = parsed->FindKey("installer_checksum");
      if (!checksum)
        return ParseFailure("Missing full package checksum", reply);
      if (!checksum->is_string())
        return ParseFailure("Full package checksum is not a string", reply);
      metadata->installer_url = base::UTF8ToWide(url->GetString());
      metadata->installer_checksum = checksum->GetString();
    }
  }
  metadata->reply = std::move(*parsed);
  return metadata;
}

}  // namespace velta
