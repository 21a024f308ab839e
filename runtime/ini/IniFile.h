// Settings files with the original platform's INI semantics: "[section]" and "key=value" lines,
// names compared without regard to ASCII letter case, the value taken as it stands after the
// first "=" (no quoting, no escapes; blanks around it dropped, as that platform did).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace rt {

class IniFile {
 public:
  // The path is fixed at construction (a later change of the current directory does not move
  // the file); the file itself is matched in any letter case at every access.
  explicit IniFile(std::string_view path);
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  // Reads see the file as it is on disk now, changes by others included; the parsed text is
  // kept once per file for the whole process and parsed again only when the file changed.
  std::string getString(std::string_view section, std::string_view key,
                        std::string_view defaultValue = {}) const;
  // The number the value begins with; the default when the key is missing or holds none.
  double getNumber(std::string_view section, std::string_view key, double defaultValue = 0) const;

  // Changes one key and keeps the rest of the file; written through a temporary file and a
  // rename, on disk when the call returns. False when nothing was written: the file could not
  // be, or the names or value cannot stand in an INI line (line breaks, "=" or a leading ";"
  // in a key, "]" in a section).
  bool put(std::string_view section, std::string_view key, std::string_view value);
  // Several keys of one section in one write of the file; nothing is written when any of them
  // is refused.
  using Entry = std::pair<std::string_view, std::string_view>;
  bool put(std::string_view section, std::initializer_list<Entry> entries);
  bool putNumber(std::string_view section, std::string_view key, double value);

  const std::string& path() const { return path_; }
  std::string resolvedPath() const;  // the file on disk, in its own letter case

 private:
  std::string path_;
};

// How many times a file's text has been parsed in this process.
std::uint64_t iniParseCount();

}  // namespace rt
