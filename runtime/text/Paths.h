// File names and paths as the system writes them: blank-padded, "\" or "/" separated, and
// matched against the disk without regard to letter case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

// Trailing blanks clipped, "\" taken as "/", runs of separators made one.
std::string normalizePath(std::string_view path);
// dir + "/" + name, both normalized; either may be empty.
std::string joinPath(std::string_view dir, std::string_view name);

// The path with each component that exists on disk in some letter case spelled as on disk; the
// first component that does not exist and all after it stay as written.
std::string resolvePath(std::string_view path);
std::string resolveFileName(std::string_view dir, std::string_view name);

bool FileExists(std::string_view path);     // a file or a directory, in any letter case
bool MakeDirectory(std::string_view path);  // one level; false when not created

// Bits of DirEntry::ATTRIB.
constexpr std::uint8_t kAttribReadOnly = 0x01;
constexpr std::uint8_t kAttribHidden = 0x02;
constexpr std::uint8_t kAttribDirectory = 0x10;

struct DirEntry {
  std::string NAME;
  std::string SHORTNAME;  // the name itself
  std::int32_t DATE = 0;  // day number of the modification, local time
  std::int32_t TIME = 0;  // time of day of the modification
  std::int64_t SIZE = 0;
  std::uint8_t ATTRIB = 0;
};

// The entries of the pattern's directory whose names match its last component ("*" and "?",
// any letter case), sorted by name. A three-character extension also matches longer ones:
// "*.htm" lists "page.html". Directories only when asked.
std::vector<DirEntry> ListDirectory(std::string_view pattern, bool withDirectories = false);

// Whether name matches a "*"/"?" pattern, letter case ignored.
bool wildcardMatch(std::string_view pattern, std::string_view name);

// The hidden list, in a directory, of the clock temp files made there.
inline constexpr char kClockTempList[] = ".clock-temp";

// A temporary file named by the clock ("<clock>.txt"), created exclusively in a directory:
// when a name is taken the next number is tried. Removed when the object goes. While it lives
// its descriptor holds an flock on it and the directory's list notes it with the name of the
// program that made it, so that the file a killed program leaves behind is found and told
// apart from a user's file of the same kind of name.
class ClockTempFile {
 public:
  static std::optional<ClockTempFile> create(std::string_view dir = {});
  ClockTempFile(ClockTempFile&& other) noexcept;
  ClockTempFile& operator=(ClockTempFile&& other) noexcept;
  ClockTempFile(const ClockTempFile&) = delete;
  ClockTempFile& operator=(const ClockTempFile&) = delete;
  ~ClockTempFile();

  const std::string& name() const { return name_; }  // "<clock>.txt"
  const std::string& path() const { return path_; }  // joined with the directory given

 private:
  ClockTempFile(std::string name, std::string path, int fd, std::string id, std::string listPath);
  void release();
  std::string name_;
  std::string path_;
  std::string removePath_;  // absolute: a change of the current directory does not misdirect it
  std::string listPath_;    // absolute too
  int fd_ = -1;             // holds the lock
  std::string id_;          // which file of that name it is
};

// The program the temp files of this process are noted under; the executable's name until
// set.
void setTempFileOwner(std::string_view program);
std::string tempFileOwner();

// Removes the temp files that dir's list notes for this program and that no process holds
// locked (left by a run that was killed), and drops them from the list; the list goes when
// nothing is left in it. A file of a listed name that is not the one noted stays.
void removeLeftoverTempFiles(std::string_view dir = {});

}  // namespace rt
