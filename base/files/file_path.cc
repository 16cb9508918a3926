// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/file_path.h"

#include <wctype.h>

#include <algorithm>
#include <ostream>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"

namespace base {
namespace {

using StringType = FilePath::StringType;

bool IsAsciiAlpha(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Position of the ':' of a drive letter ("C:"), or npos.
StringType::size_type FindDriveLetter(const StringType& path) {
  if (path.size() >= 2 && path[1] == L':' && IsAsciiAlpha(path[0]))
    return 1;
  return StringType::npos;
}

bool EqualDriveLetterCaseInsensitive(const StringType& a, const StringType& b) {
  const size_t a_letter = FindDriveLetter(a);
  const size_t b_letter = FindDriveLetter(b);
  if (a_letter == StringType::npos || b_letter == StringType::npos)
    return a == b;
  if (towupper(a[0]) != towupper(b[0]))
    return false;
  return a.compare(1, StringType::npos, b, 1, StringType::npos) == 0;
}

bool IsEmptyOrSpecialCase(const StringType& path) {
  return path.empty() || path == FilePath::kCurrentDirectory ||
         path == FilePath::kParentDirectory;
}

// Where the extension of `path`'s base name starts, or npos.
StringType::size_type FinalExtensionSeparatorPosition(const StringType& path) {
  if (path == FilePath::kCurrentDirectory || path == FilePath::kParentDirectory)
    return StringType::npos;
  return path.rfind(FilePath::kExtensionSeparator);
}

StringType::size_type ExtensionSeparatorPosition(const StringType& path) {
  const StringType::size_type last_dot = FinalExtensionSeparatorPosition(path);
  if (last_dot == StringType::npos || last_dot == 0)
    return last_dot;
  const StringType::size_type penultimate_dot = path.rfind(FilePath::kExtensionSeparator, last_dot - 1);
  if (penultimate_dot == StringType::npos)
    return last_dot;
  const StringType double_ext = path.substr(penultimate_dot);
  static const wchar_t* const kDoubleExtensions[] = {L".tar.gz", L".tar.z", L".tar.bz2"};
  for (const wchar_t* known : kDoubleExtensions) {
    if (FilePath::CompareEqualIgnoreCase(double_ext, known))
      return penultimate_dot;
  }
  return last_dot;
}

}  // namespace

FilePath::FilePath() = default;
FilePath::FilePath(const FilePath& that) = default;
FilePath::FilePath(StringViewType path) : path_(path) {
  // A NUL ends the path, as it would for every Windows call.
  const StringType::size_type nul_pos = path_.find(L'\0');
  if (nul_pos != StringType::npos)
    path_.erase(nul_pos);
}
FilePath& FilePath::operator=(const FilePath& that) = default;
FilePath::FilePath(FilePath&& that) noexcept = default;
FilePath& FilePath::operator=(FilePath&& that) noexcept = default;
FilePath::~FilePath() = default;

bool FilePath::operator==(const FilePath& that) const {
  return EqualDriveLetterCaseInsensitive(path_, that.path_);
}

// static
bool FilePath::IsSeparator(CharType character) {
  return character == L'\\' || character == L'/';
}

std::vector<StringType> FilePath::GetComponents() const {
  std::vector<StringType> components;
  if (empty())
    return components;
  FilePath current = *this;
  // The components below the root, from the end.
  while (current != current.DirName()) {
    const FilePath base = current.BaseName();
    if (base.value().find_first_not_of(kSeparators) != StringType::npos)
      components.push_back(base.value());
    current = current.DirName();
  }
  // The root separator, if any, and the drive letter, if any.
  const FilePath base = current.BaseName();
  if (!base.empty() && base.value() != kCurrentDirectory)
    components.push_back(base.value());
  const FilePath dir = current.DirName();
  const StringType::size_type letter = FindDriveLetter(dir.value());
  if (letter != StringType::npos)
    components.push_back(dir.value().substr(0, letter + 1));
  std::reverse(components.begin(), components.end());
  return components;
}

bool FilePath::IsParent(const FilePath& child) const {
  return AppendRelativePath(child, nullptr);
}

bool FilePath::AppendRelativePath(const FilePath& child, FilePath* path) const {
  const std::vector<StringType> parent_components = GetComponents();
  const std::vector<StringType> child_components = child.GetComponents();
  if (parent_components.empty() || parent_components.size() >= child_components.size())
    return false;
  size_t i = 0;
  for (; i < parent_components.size(); ++i) {
    // Drive letters compare without regard to case.
    if (i == 0 && FindDriveLetter(parent_components[0]) != StringType::npos) {
      if (!CompareEqualIgnoreCase(parent_components[0], child_components[0]))
        return false;
      continue;
    }
    if (parent_components[i] != child_components[i])
      return false;
  }
  if (path) {
    for (; i < child_components.size(); ++i)
      *path = path->Append(child_components[i]);
  }
  return true;
}

FilePath FilePath::DirName() const {
  FilePath new_path(path_);
  new_path.StripTrailingSeparatorsInternal();

  const StringType::size_type letter = FindDriveLetter(new_path.path_);
  StringType::size_type last_separator =
      new_path.path_.find_last_of(kSeparators, StringType::npos, kSeparatorsLength);
  if (last_separator == StringType::npos) {
    // "C:" or "C:a": the directory is the drive; "a": the current directory.
    new_path.path_.resize(letter == StringType::npos ? 0 : letter + 1);
  } else if (last_separator == letter + 1) {
    // "C:\a" or "\a": keep the root separator.
    new_path.path_.resize(letter == StringType::npos ? 1 : letter + 2);
  } else if (last_separator == letter + 2 && IsSeparator(new_path.path_[letter + 1])) {
    // "\\server" (a UNC root): keep both separators.
    new_path.path_.resize(letter == StringType::npos ? 2 : letter + 3);
  } else {
    new_path.path_.resize(last_separator);
  }
  new_path.StripTrailingSeparatorsInternal();
  if (new_path.path_.empty())
    new_path.path_ = kCurrentDirectory;
  return new_path;
}

FilePath FilePath::BaseName() const {
  FilePath new_path(path_);
  new_path.StripTrailingSeparatorsInternal();
  const StringType::size_type letter = FindDriveLetter(new_path.path_);
  if (letter != StringType::npos)
    new_path.path_.erase(0, letter + 1);
  const StringType::size_type last_separator =
      new_path.path_.find_last_of(kSeparators, StringType::npos, kSeparatorsLength);
  if (last_separator != StringType::npos && last_separator < new_path.path_.size() - 1)
    new_path.path_.erase(0, last_separator + 1);
  return new_path;
}

StringType FilePath::Extension() const {
  const FilePath base(BaseName());
  const StringType::size_type dot = ExtensionSeparatorPosition(base.path_);
  return dot == StringType::npos ? StringType() : base.path_.substr(dot);
}

StringType FilePath::FinalExtension() const {
  const FilePath base(BaseName());
  const StringType::size_type dot = FinalExtensionSeparatorPosition(base.path_);
  return dot == StringType::npos ? StringType() : base.path_.substr(dot);
}

FilePath FilePath::RemoveExtension() const {
  const StringType extension = Extension();
  if (extension.empty())
    return *this;
  return FilePath(StringViewType(path_).substr(0, path_.size() - extension.size()));
}

FilePath FilePath::RemoveFinalExtension() const {
  const StringType extension = FinalExtension();
  if (extension.empty())
    return *this;
  return FilePath(StringViewType(path_).substr(0, path_.size() - extension.size()));
}

FilePath FilePath::AddExtension(StringViewType extension) const {
  if (IsEmptyOrSpecialCase(BaseName().value()))
    return FilePath();
  if (extension.empty() || extension == StringViewType(&kExtensionSeparator, 1))
    return *this;
  StringType str = path_;
  if (extension[0] != kExtensionSeparator &&
      *(str.end() - 1) != kExtensionSeparator) {
    str.push_back(kExtensionSeparator);
  }
  str.append(extension);
  return FilePath(str);
}

FilePath FilePath::ReplaceExtension(StringViewType extension) const {
  if (IsEmptyOrSpecialCase(BaseName().value()))
    return FilePath();
  const FilePath no_ext = RemoveExtension();
  if (extension.empty() || extension == StringViewType(&kExtensionSeparator, 1))
    return no_ext;
  StringType str = no_ext.value();
  if (extension[0] != kExtensionSeparator)
    str.push_back(kExtensionSeparator);
  str.append(extension);
  return FilePath(str);
}

bool FilePath::MatchesExtension(StringViewType extension) const {
  return CompareEqualIgnoreCase(Extension(), extension);
}

FilePath FilePath::Append(StringViewType component) const {
  StringViewType appended = component;
  StringType without_nuls;
  const StringViewType::size_type nul_pos = component.find(L'\0');
  if (nul_pos != StringViewType::npos) {
    without_nuls = StringType(component.substr(0, nul_pos));
    appended = without_nuls;
  }
  DCHECK(!FilePath(appended).IsAbsolute()) << "Appending an absolute path: "
                                           << FilePath(appended);
  if (path_ == kCurrentDirectory && !appended.empty())
    return FilePath(appended);
  FilePath new_path(path_);
  new_path.StripTrailingSeparatorsInternal();
  // Don't add a separator after a bare drive letter ("C:" + "a" is "C:a") or
  // to an empty path.
  if (!appended.empty() && !new_path.path_.empty()) {
    if (!IsSeparator(new_path.path_.back())) {
      if (FindDriveLetter(new_path.path_) + 1 != new_path.path_.size())
        new_path.path_.push_back(L'\\');
    }
  }
  new_path.path_.append(appended);
  return new_path;
}

FilePath FilePath::Append(const FilePath& component) const {
  return Append(component.value());
}

FilePath FilePath::AppendASCII(std::string_view component) const {
  DCHECK(IsStringASCII(component));
  return Append(ASCIIToWide(component));
}

bool FilePath::IsAbsolute() const {
  const StringType::size_type letter = FindDriveLetter(path_);
  if (letter != StringType::npos)
    return path_.size() > letter + 1 && IsSeparator(path_[letter + 1]);
  return path_.size() > 1 && IsSeparator(path_[0]) && IsSeparator(path_[1]);
}

bool FilePath::EndsWithSeparator() const {
  return !empty() && IsSeparator(path_.back());
}

FilePath FilePath::AsEndingWithSeparator() const {
  if (EndsWithSeparator() || empty())
    return *this;
  return FilePath(path_ + L"\\");
}

FilePath FilePath::StripTrailingSeparators() const {
  FilePath new_path(path_);
  new_path.StripTrailingSeparatorsInternal();
  return new_path;
}

bool FilePath::ReferencesParent() const {
  for (const StringType& component : GetComponents()) {
    if (component == kParentDirectory)
      return true;
  }
  return false;
}

FilePath FilePath::NormalizePathSeparators() const {
  StringType normalized = path_;
  for (wchar_t& c : normalized) {
    if (c == L'/')
      c = L'\\';
  }
  return FilePath(normalized);
}

std::string FilePath::AsUTF8Unsafe() const {
  return WideToUTF8(path_);
}

// static
FilePath FilePath::FromUTF8Unsafe(std::string_view utf8) {
  return FilePath(UTF8ToWide(utf8));
}

std::string FilePath::MaybeAsASCII() const {
  if (!IsStringASCII(path_))
    return std::string();
  return WideToASCII(path_);
}

// static
int FilePath::CompareIgnoreCase(StringViewType string1, StringViewType string2) {
  const size_t length = std::min(string1.size(), string2.size());
  for (size_t i = 0; i < length; ++i) {
    const wint_t c1 = towupper(static_cast<wint_t>(string1[i]));
    const wint_t c2 = towupper(static_cast<wint_t>(string2[i]));
    if (c1 < c2)
      return -1;
    if (c1 > c2)
      return 1;
  }
  if (string1.size() == string2.size())
    return 0;
  return string1.size() < string2.size() ? -1 : 1;
}

void FilePath::StripTrailingSeparatorsInternal() {
  // Keep the root: "C:\", "\", and the "\\" of a UNC root.
  const StringType::size_type letter = FindDriveLetter(path_);
  const StringType::size_type start = letter == StringType::npos ? 1 : letter + 2;
  StringType::size_type last_stripped = StringType::npos;
  for (StringType::size_type pos = path_.size(); pos > start && IsSeparator(path_[pos - 1]);
       --pos) {
    // A leading "\\" is a UNC prefix, kept whole.
    if (pos != start + 1 || last_stripped == start + 2 || !IsSeparator(path_[start - 1])) {
      path_.resize(pos - 1);
      last_stripped = pos;
    }
  }
}

std::ostream& operator<<(std::ostream& out, const FilePath& file_path) {
  return out << file_path.AsUTF8Unsafe();
}

}  // namespace base
