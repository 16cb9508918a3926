// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/write_installer_prefs_step.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/features/feature_states.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/memory/ref_counted.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/waitable_event.h"
#include "base/values.h"
#include "desktop/windows/installer/common/json_pref_store_factory.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_features.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

namespace {

// A stored text longer than this is no path (32767 UTF-16 units, three bytes
// each at most in UTF-8) or address the installer writes: a damaged file.
constexpr size_t kMaxStoredTextBytes = 3 * 32767;

// The keys installer_prefs.json holds and the type each is read as, by the
// browser and by the installer's next runs.
struct StoredPref {
  const char* key;
  base::Value::Type type;
};
constexpr StoredPref kStoredPrefs[] = {
    {kWelcomeUrlPref, base::Value::Type::STRING},
    {kSingleProfilePref, base::Value::Type::BOOLEAN},
    {kProfilePathPref, base::Value::Type::STRING},
    {kLanguagePref, base::Value::Type::STRING},
    {"last_installation_guid", base::Value::Type::STRING},
    {"installer_id", base::Value::Type::STRING},
    {kStoredExperimentsPref, base::Value::Type::LIST},
    {kAllExperimentsPref, base::Value::Type::LIST},
    {"temp_folder", base::Value::Type::STRING},
    {"autoupdate", base::Value::Type::BOOLEAN},
    {kImportBrowserDataPref, base::Value::Type::BOOLEAN},
    {kEnableStatsPref, base::Value::Type::BOOLEAN},
    {"au_task_error_count", base::Value::Type::INTEGER},
};

// The previous file's values are kept where this run writes none, so they
// are checked as they are read: a value of another type, or an overlong
// text, is dropped with a warning instead of being written out again.
void DropMalformedPrefs(base::JsonPrefStore* store) {
  for (const StoredPref& pref : kStoredPrefs) {
    const base::Value* value = nullptr;
    if (!store->GetValue(pref.key, &value))
      continue;
    if (value->type() != pref.type) {
      LOG(WARNING) << "Dropping the stored preference \"" << pref.key << "\" of type "
                   << base::Value::GetTypeName(value->type()) << ", not "
                   << base::Value::GetTypeName(pref.type);
    } else if (value->is_string() && value->GetString().size() > kMaxStoredTextBytes) {
      LOG(WARNING) << "Dropping the stored preference \"" << pref.key << "\", a text of "
                   << value->GetString().size() << " bytes";
    } else {
      continue;
    }
    store->RemoveValue(pref.key, 0);
  }
}

void SetString(base::JsonPrefStore* store, const char* key, const std::string& value) {
  store->SetValue(key, std::make_unique<base::Value>(value), 0);
}

void SetBool(base::JsonPrefStore* store, const char* key, bool value) {
  store->SetValue(key, std::make_unique<base::Value>(value), 0);
}

}  // namespace

bool CommitPrefsAndWait(base::JsonPrefStore* store, base::TimeDelta timeout) {
  // The event is shared with the write, which may outlast a wait that
  // timed out.
  auto written = base::MakeRefCounted<base::RefCountedData<base::WaitableEvent>>();
  store->CommitPendingWrite(
      base::OnceClosure(),
      base::BindOnce(
          [](scoped_refptr<base::RefCountedData<base::WaitableEvent>> event) {
            event->data.Signal();
          },
          written));
  if (written->data.TimedWait(timeout))
    return true;
  LOG(ERROR) << "The preferences were not written within the time allowed";
  return false;
}

WriteInstallerPrefsStep::WriteInstallerPrefsStep(InstallerContext* context,
                                                 base::TimeDelta write_timeout)
    : InstallerStep(context, "write_installer_prefs"), write_timeout_(write_timeout) {}

WriteInstallerPrefsStep::~WriteInstallerPrefsStep() = default;

void WriteInstallerPrefsStep::KeepForRollback(const base::FilePath& file) {
  std::unique_ptr<Operation> rewrite = GetContext()->GetOperationFactory()->CreateRewriteFile(file);
  std::string error;
  if (!GetContext()->GetTransaction()->Execute(rewrite, &error))
    LOG(WARNING) << "A failed run cannot take back the changes to " << file << ": " << error;
}

StepResult& WriteInstallerPrefsStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  Settings* settings = GetSettings();
  const base::FilePath path = GetFolderDetails()->GetPath().Append(kInstallerPrefsFileName);
  LOG(INFO) << "Writing installer prefs to " << path.AsUTF8Unsafe();
  KeepForRollback(path);
  KeepForRollback(PrefsBackupPath(path));
  PrefStoreTaskRunnerMap* runners = GetPrefStoreTaskRunnerMap();
  scoped_refptr<base::JsonPrefStore> store = CreateJsonPrefStore(runners, path);
  DropMalformedPrefs(store.get());

  base::FilePath package_dir;
  GetPackageDir(&package_dir);
  scoped_refptr<base::JsonPrefStore> include =
      CreateJsonPrefStore(runners, package_dir.Append(kInstallerPrefsIncludeFileName));
  const base::Value* welcome_url = nullptr;
  if (include->GetValue(kWelcomeUrlPref, &welcome_url) && welcome_url->is_string()) {
    LOG(INFO) << "Writing welcome page url pref";
    store->SetValue(kWelcomeUrlPref, std::make_unique<base::Value>(welcome_url->Clone()), 0);
  }

  SetBool(store.get(), kSingleProfilePref, settings->IsSingleProfile());
  if (!settings->GetProfileFolder().empty()) {
    LOG(INFO) << "Writing profile folder pref";
    SetString(store.get(), kProfilePathPref, settings->GetProfileFolder().AsUTF8Unsafe());
  }
  if (!settings->GetLanguage().empty()) {
    LOG(INFO) << "Writing install language pref";
    SetString(store.get(), kLanguagePref, base::WideToUTF8(settings->GetLanguage()));
  }
  InterprocessState* state = InterprocessState::GetInstance();
  const std::string session_guid = state->GetSessionGuid();
  if (!session_guid.empty())
    SetString(store.get(), "last_installation_guid", session_guid);
  const std::optional<std::string> uuid =
      state->GetTrackingData()->GetString(ServerTrackingBlob::kInstallationIdKey);
  if (uuid && !uuid->empty()) {
    LOG(INFO) << "Writing NIUID";
    SetString(store.get(), "installer_id", *uuid);
  }

  base::Value differing(base::Value::Type::LIST);
  base::Value all(base::Value::Type::LIST);
  for (const FeatureDefinition& feature : GetInstallerFeatures()) {
    const bool enabled = IsFeatureEnabled(feature.name);
    const std::string entry = std::string(feature.name) + "@" + (enabled ? "1" : "2");
    all.Append(base::Value(entry));
    if (IsFeatureOnByDefaultForStream(feature) != enabled)
      differing.Append(base::Value(entry));
  }
  store->SetValue(kStoredExperimentsPref, std::make_unique<base::Value>(std::move(differing)), 0);
  store->SetValue(kAllExperimentsPref, std::make_unique<base::Value>(std::move(all)), 0);

  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch(kTempFolderSwitch)) {
    // The main process downloads into a temp-folder value only when it is a
    // full path; one that is not (empty, or relative to whatever folder a
    // later reader runs in) is not kept for the next runs either.
    const base::FilePath temp_folder = command_line.GetSwitchValuePath(kTempFolderSwitch);
    if (temp_folder.IsAbsolute()) {
      LOG(INFO) << "Writing temp folder pref";
      SetString(store.get(), "temp_folder", base::WideToUTF8(temp_folder.value()));
    } else {
      LOG(WARNING) << "Not writing the temp folder pref, not a full path: \""
                   << temp_folder << "\"";
    }
  }
  LOG(INFO) << "Writing autoupdate pref";
  const bool is_autoupdate = state->IsAutoupdate();
  SetBool(store.get(), "autoupdate", is_autoupdate);
  if (!is_autoupdate) {
    LOG(INFO) << "Writing import browser data and enables stats prefs.";
    SetBool(store.get(), kImportBrowserDataPref, settings->IsImportBrowserData());
    SetBool(store.get(), kEnableStatsPref, settings->IsVeltaStatsEnabled());
  }

  // The next steps read this file: it must hold the new preferences first.
  if (!CommitPrefsAndWait(store.get(), write_timeout_)) {
    result = StepResult(StepResult::kRetryThenFail, 0, path.value(),
                        "Installer prefs were not written in time");
  }
  return result;
}

}  // namespace velta
