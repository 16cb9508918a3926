// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/file_version_utils_impl.h"

#include <windows.h>

#include <stdint.h>
#include <wchar.h>

#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/win/win_api.h"

namespace velta {
namespace {

constexpr uint32_t kErrorGeneric = 1;

// The language-neutral Unicode string table of the version resource.
constexpr wchar_t kStringTable[] = L"\\StringFileInfo\\000004B0\\";

bool Fail(const std::string& message) {
  return SetInstallerError(kErrorGeneric, message, std::wstring());
}

// Value `name` of the string table in the version information `info`.
bool QueryStringValue(const std::vector<BYTE>& info, const wchar_t* name, std::wstring* value) {
  const std::wstring sub_block = std::wstring(kStringTable) + name;
  void* text = nullptr;
  UINT length = 0;
  const auto query_value = BASE_WIN_LAZY_CALL(L"version.dll", VerQueryValueW);
  if (!query_value(info.data(), sub_block.c_str(), &text, &length) || !text)
    return false;
  // The length counts characters, the terminator included when there is one.
  const wchar_t* characters = static_cast<const wchar_t*>(text);
  value->assign(characters, wcsnlen(characters, length));
  return true;
}

// The full version without its first two parts, for a version of four or
// five parts.
bool GetInternalVersion(const base::Version& version, base::Version* internal_version) {
  const std::vector<uint32_t>& parts = version.components();
  if (parts.size() != 4 && parts.size() != 5)
    return false;
  *internal_version = base::Version(std::vector<uint32_t>(parts.begin() + 2, parts.end()));
  return true;
}

// More than a version or a stream name ever takes.
constexpr size_t kMaxOutput = 4096;

}  // namespace

FileVersionUtilsImpl::FileVersionUtilsImpl(base::TimeDelta output_timeout)
    : output_timeout_(output_timeout) {}

FileVersionUtilsImpl::~FileVersionUtilsImpl() = default;

bool FileVersionUtilsImpl::GetExeOutput(const base::FilePath& exe,
                                        const char* switch_name,
                                        std::string* output) {
  base::CommandLine command_line(exe);
  command_line.AppendSwitch(switch_name);
  // A program that never ends, or never stops printing, must not hold the
  // fetch or the output lock (every other capture waits for it) for good.
  base::AppOutputLimits limits;
  limits.timeout = output_timeout_;
  limits.max_output = kMaxOutput;
  // The lock keeps handles being made inheritable elsewhere out of the child.
  return WinApi::GetInstance()->GetAppOutputWithinLimits(command_line, limits, output,
                                                         /*take_lock=*/true);
}

bool FileVersionUtilsImpl::GetVersionFromResources(const std::wstring& path, base::Version* version,
                                                   base::Version* internal_version,
                                                   std::wstring* stream) {
  // version.dll is looked up on first use: processes that read no version
  // resource do not load it. Without it there is no version info to read.
  const auto get_size = BASE_WIN_GET_FUNCTION(L"version.dll", GetFileVersionInfoSizeW);
  DWORD handle = 0;
  const DWORD size = get_size ? get_size(path.c_str(), &handle) : 0;
  if (size == 0)
    return Fail("Cannot get the size of file version info");
  std::vector<BYTE> info(size, 0);
  const auto get_info = BASE_WIN_LAZY_CALL(L"version.dll", GetFileVersionInfoW);
  if (!get_info(path.c_str(), 0, size, info.data()))
    return Fail("No file version in the package");

  std::wstring product_version;
  if (!QueryStringValue(info, L"ProductVersion", &product_version))
    return Fail("No product version value in the package");
  const std::string version_text = base::WideToUTF8(product_version);
  base::Version parsed(version_text);
  if (!parsed.IsValid())
    return Fail("Received an invalid version: " + version_text);

  std::wstring continuous_version;
  if (QueryStringValue(info, L"ContinuousVersion", &continuous_version)) {
    unsigned build_number = 0;
    if (continuous_version.empty() || !base::IsAsciiDigit(continuous_version[0]) ||
        !base::StringToUint(continuous_version, &build_number)) {
      return Fail("Received an invalid continuous build number: " +
                  base::WideToUTF8(continuous_version));
    }
    std::vector<uint32_t> parts = parsed.components();
    parts.push_back(build_number);
    parsed = base::Version(std::move(parts));
  }

  base::Version internal;
  if (!GetInternalVersion(parsed, &internal))
    return Fail("Cannot acquire internal version from the full version: " + parsed.GetString());

  if (stream && !QueryStringValue(info, L"Stream", stream))
    return Fail("No stream value in the package");
  *version = parsed;
  *internal_version = internal;
  return true;
}

bool FileVersionUtilsImpl::GetVersionFromExeOutput(const base::FilePath& exe,
                                                   base::Version* version,
                                                   base::Version* internal_version,
                                                   std::string* stream) {
  std::string output;
  if (!GetExeOutput(exe, "version", &output))
    return AppendInstallerError("Cannot get exe output: version", 0, std::wstring());
  VLOG(1) << "Downloaded item version: " << output;
  base::Version parsed(output);
  base::Version internal;
  if (!parsed.IsValid() || !GetInternalVersion(parsed, &internal))
    return Fail("Invalid version from exe: " + output);

  if (stream) {
    std::string stream_output;
    if (!GetExeOutput(exe, "stream", &stream_output))
      return AppendInstallerError("Cannot get exe output: stream", 0, std::wstring());
    *stream = stream_output;
  }
  *version = parsed;
  *internal_version = internal;
  return true;
}

}  // namespace velta
