// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLER_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLER_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/memory/scoped_refptr.h"
#include "base/observer_list.h"
#include "base/sequenced_task_runner.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/win/win_api_event.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation/leftover_remover.h"
#include "desktop/windows/installer/installation/package_handler.h"
#include "desktop/windows/installer/runner/installer_job.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/installer_step_scheduler.h"
#include "desktop/windows/installer/transactions/placeholder_resolver.h"

namespace base {
class CommandLine;
}

namespace velta {

class InstallerObserver;
class OperationFactory;
class Settings;
class Transaction;

// One installation job inside a backend process: the backend that the main
// process started, its elevated copy, or the package's own installer that a
// backend starts from the version folder. It decides whether the job can run
// here or needs an elevated copy or a folder grant from the elevated
// folder-permission helper, creates the install folder, waits for the
// package while the main process still fetches it, puts the package into the
// version folder and hands over to the package's installer; run as that
// installer, it fills the new status and runs the job's steps. Every stage
// goes to its observers (the backend runner sends them to the main process).
//
// Made and used on the backend's main thread, which must run a message loop
// (the events are watched and the steps run as posted tasks). Every failure
// ends the job through Fail, which rolls back what this process's own
// transaction did. The events, the step scheduler and the package handler
// report to small members of its own, which hand the reports on.
class Installer : public InstallerContext, public PlaceholderResolver, public InstallerJob {
 public:
  // The installer result codes of the flow itself; every other code comes
  // from the thread's installer error.
  static constexpr uint32_t kResultGeneralFailure = 1;
  static constexpr uint32_t kResultNotAnUpgradeInAutoupdate = 5;
  static constexpr uint32_t kResultCannotCreateFolder = 6;
  static constexpr uint32_t kResultNoWriteAccess = 7;
  static constexpr uint32_t kResultCannotElevate = 8;
  static constexpr uint32_t kResultBrowserInUse = 9;

  Installer(std::unique_ptr<InstallerStepScheduler> scheduler,
            std::unique_ptr<Transaction> transaction,
            std::unique_ptr<OperationFactory> operation_factory,
            scoped_refptr<base::SequencedTaskRunner> task_runner);
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;
  // Cancels a job that still runs.
  ~Installer() override;

  // InstallerJob:
  void AddObserver(InstallerObserver* observer) override;
  void RemoveObserver(InstallerObserver* observer) override;
  bool Run(Settings* settings) override;
  uint32_t GetResult() const override;

  // Rolls the transaction back, ends the job and tells the observers
  // OnInstallationCancelled.
  void Cancel();

  // InstallerContext:
  Settings* GetSettings() override;
  InstallOperation GetInstallOperation() override;
  Transaction* GetTransaction() override;
  OperationFactory* GetOperationFactory() override;
  InstallationStatus* GetExistingInstallation() override;
  void GetInstallTargetFolder(base::FilePath* folder) override;
  void GetPackageDir(base::FilePath* folder) override;
  void GetVersionFolder(base::FilePath* folder) override;
  void GetInstallFolder(base::FilePath* folder) override;
  void GetInstallPath(base::FilePath* folder) override;
  InstallationStatus* GetNewInstallationStatus() override;
  InstallationFolderDetails* GetFolderDetails() override;
  uint32_t GetSecondInstallerPid() const override { return second_installer_pid_; }
  PlaceholderResolver* GetPlaceholderResolver() override;
  void StartRegistryRecording() override;
  void StopRegistryRecording() override;
  void ReportImportantEvent(const std::string& name) override;
  bool HasExistingInstallation() override;
  bool IsMinimalInstall() override;
  bool IsRunningFromTargetFolder() override;
  bool HasPackageDir() override;

  // Whether the folder-permission helper waits to take its grant back.
  bool HasPendingPermissionUndo() const override { return permission_undo_event_.IsValid(); }

  // PlaceholderResolver (installer_post_install.cc):
  std::wstring GetPlaceholderValue(const std::wstring& name) override;
  std::vector<RegistryKeyEntry>* GetRegistryRecord(HKEY root) override;

 private:
  // The interrupted and the package-ready events' watch.
  class EventWatch : public WinApiEvent::Delegate {
   public:
    explicit EventWatch(Installer* installer) : installer_(installer) {}

    void OnEventSignaled(WinApiEvent* event) override;

   private:
    Installer* const installer_;
  };

  // The step scheduler's reports: the steps' progress goes to the
  // observers, the run's end to the installer.
  class StepReports : public InstallerStepSchedulerDelegate {
   public:
    explicit StepReports(Installer* installer) : installer_(installer) {}

    void OnStepStarting(const std::string& name) override;
    void OnStepFinished(const std::string& name, int32_t attempt, int32_t finished_count) override;
    void OnStepsFinished(bool success) override;

   private:
    Installer* const installer_;
  };

  // The package handler's progress, handed on to the observers as steps.
  class PackageProgress : public PackageProgressObserver {
   public:
    explicit PackageProgress(Installer* installer) : installer_(installer) {}

    void OnTotalSteps(int32_t total) override;
    void OnStepFinished(const std::string& step_name, int32_t index) override;

   private:
    Installer* const installer_;
  };

  // The interrupted or the package-ready event was signalled.
  void OnEventSignaled(WinApiEvent* event);
  // The step scheduler's run ended.
  void OnStepsFinished(bool success);

  // The job, posted by Run.
  void StartInstallation();
  // What StartInstallation does once the folder exists and may be written.
  void ContinueInFolder();
  // The job done by an elevated copy of this backend: its outcome is the
  // job's.
  void FinishElevated();
  // The steps of the job, run by this process.
  void ScheduleSteps();

  void Fail(uint32_t code, const std::string& detail, const std::wstring& text = std::wstring());
  void FailWithLastError();
  void Succeed();
  // The end of every outcome: the folder-permission helper is told to take
  // its temporary grant back and the settings are forgotten.
  void Finish();

  void WaitForPackage(bool post_elevated);
  void OnPackageReady();
  // Starts the package's installer.exe with the same session and waits for
  // it; true when it succeeded (see the "done" marker).
  bool RunPackageInstaller(bool post_elevated);
  // `crash-reporter-pid` for a child, once this process has a crash
  // reporter.
  static void AppendCrashReporterPid(base::CommandLine* command_line);
  void SaveLastInstallPath();
  base::FilePath GetInstallSubfolder();
  // Applies the stored experiment states of an installation being upgraded.
  void ApplyStoredExperiments(const base::FilePath& path);

  // installer_elevation.cc: an elevated copy of this backend; the elevated
  // folder-permission helper. Both leave their reason in the thread's
  // installer error.
  bool RunElevated();
  bool ObtainFolderPermission(const base::FilePath& path, bool permanent);

  // installer_post_install.cc. `installed` is the status the elevated copy
  // wrote (null: the folder details' installation).
  void RunPostElevationTasks(const InstallationStatus* installed = nullptr);
  // `installed_subfolder` is the version folder the run installed, whose
  // resources carry the partner files for the profile.
  void FinalizeInstallation(const base::FilePath& installed_subfolder);
  void EditUserProfile(const base::FilePath& profile, const base::FilePath& installed_subfolder);
  void LaunchBrowser();

  // First: the scheduler, the events and the package handler report to them.
  EventWatch event_watch_{this};
  StepReports step_reports_{this};
  PackageProgress package_progress_{this};
  std::unique_ptr<InstallerStepScheduler> scheduler_;
  scoped_refptr<base::SequencedTaskRunner> task_runner_;
  std::unique_ptr<Transaction> transaction_;
  std::unique_ptr<OperationFactory> operation_factory_;
  base::ObserverList<InstallerObserver> observers_;
  Settings* settings_ = nullptr;
  InstallationStatus new_status_{StatusSource::kGenerated};
  std::wstring scheduler_text_;
  bool running_ = false;
  uint32_t result_ = 20;
  bool recording_registry_ = false;
  base::win::ScopedHandle permission_undo_event_;
  uint32_t second_installer_pid_ = 0;
  std::unique_ptr<WinApiEvent> package_ready_event_;
  std::unique_ptr<WinApiEvent> interrupted_event_;
  bool post_elevated_after_package_ = false;
  std::unique_ptr<PackageHandler> package_handler_;
  // The package's installer started this process: it never starts one.
  const bool started_as_package_installer_;
  // Set by a successful install, upgrade, repair or uninstall; run once the
  // transaction has committed.
  std::unique_ptr<LeftoverRemover> leftover_remover_;
};

// A new Installer for the backend of this process: the step scheduler and
// the task runner of the current thread, a new transaction and operation
// factory.
std::unique_ptr<InstallerJob> CreateInstaller();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLER_H_
