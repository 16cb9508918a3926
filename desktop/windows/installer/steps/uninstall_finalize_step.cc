// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/uninstall_finalize_step.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/named_urls.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/configure_firewall.h"
#include "desktop/windows/installer/steps/wmi_process_launcher.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "desktop/windows/installer/utils/shell_associations.h"

namespace velta {

namespace {

constexpr wchar_t kSystemBrowserName[] = L"Internet Explorer";

// Runs the system browser's "ReinstallCommand", which makes it the default
// again, and waits for it. False when there is none or it cannot run.
bool RunSystemBrowserReinstallCommand() {
  base::win::RegKey key(HKEY_LOCAL_MACHINE,
                        L"SOFTWARE\\Clients\\StartMenuInternet\\IEXPLORE.EXE\\InstallInfo",
                        KEY_READ);
  std::wstring command;
  if (!key.Valid() || key.ReadValue(L"ReinstallCommand", &command) != ERROR_SUCCESS)
    return false;
  std::wstring program;
  std::wstring parameters;
  if (command.starts_with(L'"')) {
    const size_t end = command.find(L'"', 1);
    program = command.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
    if (end != std::wstring::npos && end + 2 <= command.size())
      parameters = command.substr(end + 2);
  } else {
    const size_t blank = command.find(L' ');
    program = command.substr(0, blank);
    if (blank != std::wstring::npos)
      parameters = command.substr(blank + 1);
  }
  // A 32-bit uninstaller on 64-bit Windows must reach the real system
  // folder the command names.
  PVOID redirection = nullptr;
  BOOL is_wow64 = FALSE;
  const bool redirected = ::IsWow64Process(::GetCurrentProcess(), &is_wow64) && is_wow64 &&
                          ::Wow64DisableWow64FsRedirection(&redirection);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_DOENVSUBST;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.nShow = SW_SHOW;
  const bool started = ::ShellExecuteExW(&info) != FALSE;
  if (redirected)
    ::Wow64RevertWow64FsRedirection(redirection);
  if (!started)
    return false;
  if (info.hProcess) {
    ::WaitForSingleObject(info.hProcess, INFINITE);
    ::CloseHandle(info.hProcess);
  }
  return true;
}

// Shows the survey in the first browser that starts: another installed
// browser through WMI, else the system's own.
void ShowUninstallSurvey(Settings* settings, const InstallationFolderDetails* details) {
  std::string url = GetNamedUrl("uninstall_survey");
  if (!ShouldShowUninstallSurveyInBrowser(url, IsSilentRun(),
                                          settings->IsUninstallSurveyCountry())) {
    return;
  }
  LOG(INFO) << "Trying to display the uninstall survey";
  url = MakeUninstallSurveyUrl(url, GetProductVersion(), details->GetUuid(),
                               details->GetWelcomeUrl());
  const std::wstring wide_url = base::UTF8ToWide(url);
  base::FilePath program_files_64;
  base::FilePath program_files_32;
  base::PathService::Get(base::DIR_PROGRAM_FILES6432, &program_files_64);
  base::PathService::Get(base::DIR_PROGRAM_FILESX86, &program_files_32);
  for (const wchar_t* browser :
       {L"Google\\Chrome\\Application\\chrome.exe", L"Mozilla Firefox\\firefox.exe"}) {
    for (const base::FilePath& folder : {program_files_64, program_files_32}) {
      const base::FilePath executable = folder.Append(browser);
      if (folder.empty() || !base::PathExists(executable))
        continue;
      base::CommandLine command_line(executable);
      command_line.AppendArgNative(wide_url);
      if (WmiLaunchProcess(command_line.GetCommandLineString(), nullptr)) {
        LOG(INFO) << "Uninstall survey shown in " << executable.BaseName() << ".";
        return;
      }
    }
  }
  const base::win::Version version = WinApi::GetInstance()->GetWindowsVersion();
  if (version < base::win::VERSION_WIN10) {
    base::FilePath program_files;
    base::PathService::Get(base::DIR_PROGRAM_FILES, &program_files);
    // The system browser takes its switch with one dash.
    const std::wstring text =
        L"\"" + program_files.Append(L"Internet Explorer\\iexplore.exe").value() + L"\" " +
        (version >= base::win::VERSION_WIN8 ? L"-private " : L"") + L"\"" + wide_url + L"\"";
    if (WmiLaunchProcess(text, nullptr))
      LOG(INFO) << "Uninstall survey shown in Internet Explorer.";
    return;
  }
  const std::string edge_url = "microsoft-edge:" + url;
  if (reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", edge_url.c_str(), nullptr,
                                                nullptr, SW_SHOWNORMAL)) > 32) {
    LOG(INFO) << "Uninstall survey shown in Edge.";
  }
}

}  // namespace

std::string MakeUninstallSurveyUrl(const std::string& base,
                                   const std::string& version,
                                   const std::string& uuid,
                                   const std::string& query_source) {
  std::string url = base + "?version=" + version + "&uuid=" + uuid;
  const std::vector<std::string> parts =
      base::SplitString(query_source, "?", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
  if (parts.size() == 2)
    url += "&" + parts[1];
  return url;
}

bool ShouldShowUninstallSurveyInBrowser(const std::string& url,
                                        bool is_silent,
                                        bool is_survey_country) {
  return !url.empty() && !is_silent && !is_survey_country;
}

UninstallFinalizeStep::UninstallFinalizeStep(InstallerContext* context)
    : InstallerStep(context, "uninstall_finalize") {}

UninstallFinalizeStep::~UninstallFinalizeStep() = default;

StepResult& UninstallFinalizeStep::Execute(StepResult& result, int32_t /*attempt*/) {
  LOG(INFO) << "Finalizing the uninstallation";
  const InstallationFolderDetails* details = GetFolderDetails();
  const base::FilePath folder = details->GetPath();
  std::unique_ptr<Operation> removal = GetContext()->GetOperationFactory()->CreateDeleteFile(
      folder.Append(kInstallationStatusJsonFileName), ProgramInUse::kDelete,
      EmptyParents::kRemoveOnCommit);
  if (!GetContext()->GetTransaction()->Execute(removal, nullptr)) {
    result = StepResult(StepResult::kFailure, 2, std::wstring(),
                        "Failed to remove installation status file");
    return result;
  }
  result = StepResult(StepResult::kSuccess);

  ::SendNotifyMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                       reinterpret_cast<LPARAM>(L"Software\\Clients\\StartMenuInternet"));
  ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  Settings* settings = GetSettings();
  if (settings->IsCopyOnly())
    return result;

  LOG(INFO) << "Attempting to reset the default browser to IE.";
  const base::win::Version version = WinApi::GetInstance()->GetWindowsVersion();
  if (details->IsHttpHandler() && version >= base::win::VERSION_VISTA &&
      (!settings->IsAllUsers() || RunSystemBrowserReinstallCommand())) {
    if (version == base::win::VERSION_WIN8) {
      ShowOpenWithDialogFor(L"http");
    } else {
      for (const wchar_t* name : {L".htm", L".html", L"http", L"https"})
        SetAppAsDefaultFor(kSystemBrowserName, name);
    }
  }

  if (SecurityUtils::GetInstance()->IsUserInAdminGroup(false)) {
    const InstallationStatus* existing = details->GetExistingInstallation();
    const base::FilePath subfolder = existing ? existing->subfolder : base::FilePath();
    ConfigureFirewall(folder.Append(subfolder).AppendASCII(GetBrowserExeName()), true);
  }
  ShowUninstallSurvey(settings, details);
  return result;
}

}  // namespace velta
