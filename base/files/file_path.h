// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FILES_FILE_PATH_H_
#define BASE_FILES_FILE_PATH_H_

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// A Windows file path held as wide text. Both "\" and "/" are separators;
// paths this class builds use "\". Operations are purely textual: nothing
// touches the file system. Drive letters compare without regard to case;
// everything else compares exactly.
class FilePath {
 public:
  using CharType = wchar_t;
  using StringType = std::wstring;
  using StringViewType = std::wstring_view;

  static constexpr CharType kSeparators[] = L"\\/";
  static constexpr size_t kSeparatorsLength = 2;
  static constexpr CharType kCurrentDirectory[] = L".";
  static constexpr CharType kParentDirectory[] = L"..";
  static constexpr CharType kExtensionSeparator = L'.';

  FilePath();
  FilePath(const FilePath& that);
  explicit FilePath(StringViewType path);
  FilePath& operator=(const FilePath& that);
  FilePath(FilePath&& that) noexcept;
  FilePath& operator=(FilePath&& that) noexcept;
  ~FilePath();

  bool operator==(const FilePath& that) const;
  bool operator!=(const FilePath& that) const { return !(*this == that); }
  bool operator<(const FilePath& that) const { return path_ < that.path_; }

  const StringType& value() const { return path_; }
  bool empty() const { return path_.empty(); }
  void clear() { path_.clear(); }

  static bool IsSeparator(CharType character);

  // The components: "C:\a\b" gives "C:", "\", "a", "b".
  std::vector<StringType> GetComponents() const;

  // True when this path is a parent of `child` ("C:\a" of "C:\a\b").
  bool IsParent(const FilePath& child) const;
  // Appends to `path` the part of `child` below this path; false when this is
  // not a parent of `child`.
  bool AppendRelativePath(const FilePath& child, FilePath* path) const;

  // "C:\a\b" gives "C:\a"; "C:\" gives "C:\"; "b" gives ".".
  FilePath DirName() const;
  // "C:\a\b" gives "b"; "C:\" gives "\".
  FilePath BaseName() const;

  // The extension with its dot: ".pak"; ".tar.gz" counts as one extension for
  // these two common double extensions only (".gz", ".z", ".bz2" after
  // ".tar"). FinalExtension gives the last dot's part only.
  StringType Extension() const;
  StringType FinalExtension() const;
  FilePath RemoveExtension() const;
  FilePath RemoveFinalExtension() const;
  FilePath AddExtension(StringViewType extension) const;
  FilePath ReplaceExtension(StringViewType extension) const;
  bool MatchesExtension(StringViewType extension) const;

  // Joins with one separator. `component` must be relative (DCHECKed).
  FilePath Append(StringViewType component) const;
  FilePath Append(const FilePath& component) const;
  FilePath AppendASCII(std::string_view component) const;

  // Absolute: starts with a drive and a separator ("C:\"), or is a UNC or
  // device path ("\\server", "\\?\").
  bool IsAbsolute() const;
  bool EndsWithSeparator() const;
  FilePath AsEndingWithSeparator() const;
  FilePath StripTrailingSeparators() const;
  // True when any component is "..".
  bool ReferencesParent() const;
  // All "/" turned into "\".
  FilePath NormalizePathSeparators() const;

  std::string AsUTF8Unsafe() const;
  static FilePath FromUTF8Unsafe(std::string_view utf8);
  // The path as ASCII, or empty when it holds other characters.
  std::string MaybeAsASCII() const;

  // Case-insensitive comparison (ASCII letters and the BMP's simple upper-
  // case mapping as Windows applies it to file names): -1, 0 or 1.
  static int CompareIgnoreCase(StringViewType string1, StringViewType string2);
  static bool CompareEqualIgnoreCase(StringViewType string1, StringViewType string2) {
    return CompareIgnoreCase(string1, string2) == 0;
  }

 private:
  void StripTrailingSeparatorsInternal();

  StringType path_;
};

std::ostream& operator<<(std::ostream& out, const FilePath& file_path);

}  // namespace base

#endif  // BASE_FILES_FILE_PATH_H_
