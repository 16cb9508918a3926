// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/additional_file_name.h"

#include <stdint.h>

#include <string_view>
#include <vector>

#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"

namespace velta {

namespace {

// The extensions of the files that Windows runs or loads as code when they
// are opened, started or found beside a program (programs, libraries and
// drivers, installer packages, scripts and their modules and settings, help
// files that run scripts, Java archives, shortcuts of every kind, click-once
// and browser applications, shell libraries and search connectors,
// troubleshooting packs, registry and setup files), and of those that change
// how it loads a program's libraries: an application manifest, and a ".local"
// file that makes a program load them from its own folder.
constexpr std::wstring_view kRunnableExtensions[] = {
    L"exe", L"dll", L"scr", L"com", L"cpl", L"ocx", L"sys", L"drv", L"efi", L"pif",
    L"msi", L"msp", L"mst", L"msc", L"msix", L"msixbundle", L"appx", L"appxbundle",
    L"appinstaller", L"bat", L"cmd", L"ps1", L"psm1", L"psd1", L"ps1xml", L"psc1",
    L"ps2", L"ps2xml", L"psc2", L"pssc", L"cdxml", L"msh", L"msh1", L"msh2", L"mshxml",
    L"msh1xml", L"msh2xml", L"vb", L"vbs", L"vbe", L"js", L"jse", L"ws", L"wsf", L"wsh",
    L"wsc", L"sct", L"hta", L"chm", L"hlp", L"jar", L"lnk", L"url", L"website", L"scf",
    L"shb", L"shs", L"appref-ms", L"application", L"xbap", L"gadget",
    L"settingcontent-ms", L"library-ms", L"searchconnector-ms", L"search-ms",
    L"diagcab", L"diagcfg", L"diagpkg", L"reg", L"inf", L"ins", L"isp", L"manifest",
    L"local"};

// The length of an extension in a short (8.3) name.
constexpr size_t kShortExtensionLength = 3;

bool IsControlCharacter(wchar_t c) {
  return c < 0x20 || c == 0x7f;
}

// `component` without the dots and spaces that end it.
std::wstring_view TrimmedComponent(std::wstring_view component) {
  while (!component.empty() && (component.back() == L'.' || component.back() == L' '))
    component.remove_suffix(1);
  return component;
}

bool IsRunnableExtension(std::wstring_view extension) {
  for (std::wstring_view runnable : kRunnableExtensions) {
    if (base::EqualsCaseInsensitiveASCII(extension, runnable))
      return true;
  }
  return false;
}

}  // namespace

bool IsSafeAdditionalFileName(const std::wstring& name) {
  if (name.empty() || name[0] == L'\\' || name[0] == L'/')
    return false;
  for (wchar_t c : name) {
    if (IsControlCharacter(c) || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos)
      return false;
  }
  for (const std::wstring& component :
       base::SplitString(name, L"\\/", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL)) {
    if (TrimmedComponent(component).empty())
      return false;
  }
  return true;
}

std::wstring FileSystemName(const std::wstring& name) {
  const std::wstring kept = name.substr(0, name.find(L'\0'));
  std::wstring result;
  for (const std::wstring& component :
       base::SplitString(kept, L"\\/", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    if (!result.empty())
      result += L'\\';
    result += TrimmedComponent(component);
  }
  return result;
}

bool IsRunnableName(const std::wstring& name) {
  const std::wstring kept = FileSystemName(name);
  const std::wstring_view last =
      std::wstring_view(kept).substr(kept.find_last_of(L'\\') + 1);
  const size_t dot = last.rfind(L'.');
  if (dot == std::wstring_view::npos)
    return false;
  const std::wstring_view extension = last.substr(dot + 1);
  if (IsRunnableExtension(extension))
    return true;
  // A short name keeps the first three characters of the extension, its
  // spaces left out.
  std::wstring short_extension;
  for (wchar_t c : extension) {
    if (c != L' ')
      short_extension += c;
  }
  return IsRunnableExtension(
      std::wstring_view(short_extension).substr(0, kShortExtensionLength));
}

std::string NameForLog(const std::wstring& name) {
  std::wstring printable;
  for (wchar_t c : name) {
    if (IsControlCharacter(c))
      printable += base::StringPrintf(L"\\u%04x", static_cast<unsigned int>(c));
    else
      printable += c;
  }
  return base::WideToUTF8(printable);
}

}  // namespace velta
