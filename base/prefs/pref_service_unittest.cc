// Copyright 2026 Velta Software. All rights reserved.

#include "base/prefs/pref_service.h"

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/prefs/json_pref_store.h"
#include "base/prefs/pref_registry_simple.h"
#include "base/threading/thread.h"
#include "gtest/gtest.h"

namespace base {
namespace {

constexpr char kCountry[] = "location.country";
constexpr char kStatsEnabled[] = "statistics.collection_enabled";
constexpr char kErrorCount[] = "au_task_error_count";

struct StoredValueCase {
  const char* file;  // Null: no file.
  const char* country;
  bool stats_enabled;
  int error_count;
};

class PrefServiceTest : public ::testing::TestWithParam<StoredValueCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    path_ = temp_dir_.GetPath().Append(L"Local State");
    ASSERT_TRUE(writer_.Start());
    registry_->RegisterStringPref(kCountry, "unknown");
    registry_->RegisterBooleanPref(kStatsEnabled, true);
    registry_->RegisterIntegerPref(kErrorCount, 0);
  }

  // The service reads the store.
  std::unique_ptr<PrefService> OpenService() {
    return std::make_unique<PrefService>(
        MakeRefCounted<JsonPrefStore>(path_, writer_.task_runner()), registry_);
  }

  ScopedTempDir temp_dir_;
  FilePath path_;
  Thread writer_{"pref writer"};
  scoped_refptr<PrefRegistrySimple> registry_ = MakeRefCounted<PrefRegistrySimple>();
};

// A stored value counts only with the registered type; else the default.
TEST_P(PrefServiceTest, StoredValueOfRegisteredTypeWinsOverDefault) {
  if (GetParam().file) {
    ASSERT_TRUE(WriteFile(path_, std::string_view(GetParam().file)));
  }
  std::unique_ptr<PrefService> service = OpenService();
  EXPECT_EQ(GetParam().country, service->GetString(kCountry));
  EXPECT_EQ(GetParam().stats_enabled, service->GetBoolean(kStatsEnabled));
  EXPECT_EQ(GetParam().error_count, service->GetInteger(kErrorCount));
  EXPECT_EQ(GetParam().country != std::string("unknown"), service->HasPrefPath(kCountry));

  // Changes reach the file; a cleared value gives the default again.
  service->SetString(kCountry, "DE");
  service->ClearPref(kStatsEnabled);
  service->SetInteger(kErrorCount, 4);
  service.reset();
  writer_.Stop();
  std::string contents;
  ASSERT_TRUE(ReadFileToString(path_, &contents));
  EXPECT_NE(std::string::npos, contents.find(R"("location":{"country":"DE"})")) << contents;
  EXPECT_NE(std::string::npos, contents.find(R"("au_task_error_count":4)")) << contents;
  EXPECT_EQ(std::string::npos, contents.find("statistics")) << contents;
}

INSTANTIATE_TEST_SUITE_P(
    Files,
    PrefServiceTest,
    ::testing::Values(
        StoredValueCase{nullptr, "unknown", true, 0},
        StoredValueCase{
            R"({"location": {"country": "SE"}, "statistics": {"collection_enabled": false},
                           "au_task_error_count": 3})",
            "SE", false, 3},
        StoredValueCase{R"({"location": {"country": 46}, "statistics": {"collection_enabled": "no"},
                           "au_task_error_count": 2.5})",
                        "unknown", true, 0},
        StoredValueCase{R"({"location": "SE"})", "unknown", true, 0}));

}  // namespace
}  // namespace base
