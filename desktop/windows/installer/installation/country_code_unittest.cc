// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/country_code.h"

#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/memory/scoped_refptr.h"
#include "base/prefs/json_pref_store.h"
#include "base/prefs/pref_registry_simple.h"
#include "base/prefs/pref_service.h"
#include "base/threading/thread.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

struct CountryCase {
  const char* local_state;
  const char* expected;
};

class CountryCodeTest : public testing::TestWithParam<CountryCase> {};

// The country of a "Local State" file with the given text.
TEST_P(CountryCodeTest, ServerCountryWinsOverTheStoredOne) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath path = dir.GetPath().Append(L"Local State");
  const std::string text = GetParam().local_state;
  ASSERT_TRUE(base::WriteFile(path, text.data(), static_cast<int>(text.size())));
  base::Thread writer("PrefWriter");
  ASSERT_TRUE(writer.Start());
  auto registry = base::MakeRefCounted<base::PrefRegistrySimple>();
  RegisterCountryPrefs(registry.get());
  base::PrefService prefs(base::MakeRefCounted<base::JsonPrefStore>(path, writer.task_runner()),
                          registry);
  EXPECT_EQ(GetParam().expected, GetCountryCode(prefs));
}

INSTANTIATE_TEST_SUITE_P(
    LocalStates, CountryCodeTest,
    testing::Values(
        CountryCase{R"({})", "unknown"},
        CountryCase{R"({"location": {"country": "SE"}})", "SE"},
        CountryCase{R"({"location": {"country": "SE", "country_from_server": "unknown"}})",
                    "SE"},
        CountryCase{R"({"location": {"country": "SE", "country_from_server": "DE"}})", "DE"},
        CountryCase{R"({"location": {"country_from_server": "DE"}})", "DE"},
        // A value of another type is not the user's country.
        CountryCase{R"({"location": {"country": 46, "country_from_server": false}})", "unknown"},
        // A file that does not parse reads as fresh preferences.
        CountryCase{R"({"location": {"country": "S)", "unknown"}));

TEST(IsKnownCountryTest, OnlyUnknownIsUnknown) {
  EXPECT_FALSE(IsKnownCountry("unknown"));
  EXPECT_TRUE(IsKnownCountry("SE"));
  EXPECT_TRUE(IsKnownCountry("Unknown"));
}

}  // namespace
}  // namespace velta
