#include "runtime/text/Paths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>

#include "runtime/text/Dates.h"
#include "runtime/text/Strings.h"

namespace rt {

namespace fs = std::filesystem;

namespace {

bool lessNoCase(const std::string& a, const std::string& b) {
  const auto r =
      std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                   [](char x, char y) { return asciiUpper(x) < asciiUpper(y); });
  if (r || !equalsNoCase(a, b)) return r;
  return a < b;
}

bool exists(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

// The name in dir that equals name apart from letter case; the smallest such name when several
// do, so the choice does not depend on the order of the directory.
std::optional<std::string> findNoCase(const std::string& dir, std::string_view name) {
  std::error_code ec;
  std::optional<std::string> best;
  for (fs::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string n = it->path().filename().string();
    if (equalsNoCase(n, name) && (!best || n < *best)) best = std::move(n);
  }
  return best;
}

std::uint8_t attributesOf(const std::string& name, const struct stat& st) {
  std::uint8_t a = 0;
  if (S_ISDIR(st.st_mode)) a |= kAttribDirectory;
  if (!(st.st_mode & S_IWUSR)) a |= kAttribReadOnly;
  if (!name.empty() && name[0] == '.') a |= kAttribHidden;
  return a;
}

}  // namespace

std::string normalizePath(std::string_view path) {
  std::size_t n = path.size();
  while (n > 0 && path[n - 1] == ' ') --n;
  std::string out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const char c = path[i] == '\\' ? '/' : path[i];
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  return out;
}

std::string joinPath(std::string_view dir, std::string_view name) {
  std::string d = normalizePath(dir);
  std::string n = normalizePath(name);
  if (d.empty()) return n;
  if (n.empty()) return d;
  if (d.back() == '/' && n.front() == '/') n.erase(0, 1);
  if (d.back() != '/' && n.front() != '/') d.push_back('/');
  return d + n;
}

std::string resolvePath(std::string_view path) {
  const std::string p = normalizePath(path);
  if (p.empty() || exists(p)) return p;
  std::string out = p.front() == '/' ? "/" : "";
  std::size_t i = out.size();
  while (i < p.size()) {
    std::size_t j = p.find('/', i);
    if (j == std::string::npos) j = p.size();
    const std::string_view part(p.data() + i, j - i);
    const std::string candidate = out + std::string(part);
    if (part == "." || part == ".." || exists(candidate)) {
      out = candidate;
    } else if (const auto found = findNoCase(out, part)) {
      out += *found;
    } else {
      return out + p.substr(i);  // the rest does not exist yet: as written
    }
    if (j < p.size()) out.push_back('/');
    i = j + 1;
  }
  return out;
}

std::string resolveFileName(std::string_view dir, std::string_view name) {
  return resolvePath(joinPath(dir, name));
}

bool FileExists(std::string_view path) {
  const std::string p = resolvePath(path);
  return !p.empty() && exists(p);
}

bool MakeDirectory(std::string_view path) {
  const std::string p = resolvePath(path);
  return !p.empty() && ::mkdir(p.c_str(), 0777) == 0;
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
  // Greedy matching with one backtrack point: the last "*" seen.
  std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || asciiUpper(pattern[p]) == asciiUpper(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

namespace {

// "*.htm" also takes "page.html": the base must match and the extension begin with the three.
bool matchesWithLongExtension(std::string_view pattern, std::string_view name) {
  if (wildcardMatch(pattern, name)) return true;
  const std::size_t pd = pattern.rfind('.');
  const std::size_t nd = name.rfind('.');
  if (pd == std::string_view::npos || nd == std::string_view::npos) return false;
  const std::string_view pext = pattern.substr(pd + 1);
  const std::string_view next = name.substr(nd + 1);
  if (pext.size() != 3 || pext.find('*') != std::string_view::npos || next.size() <= 3)
    return false;
  return wildcardMatch(pattern.substr(0, pd), name.substr(0, nd)) &&
         wildcardMatch(pext, next.substr(0, 3));
}

}  // namespace

namespace {

// The names of one directory, sorted by their lower-case form, kept while the directory's
// modification time stays the same. A literal mask (a page's own file name) is then found by
// a binary search instead of a walk over the whole directory, which would make reading every
// page of a large site quadratic.
class DirectoryNames {
 public:
  // Names in dir that can match a mask without wildcards: those beginning with it.
  std::vector<std::string> startingWith(const std::string& dir, std::string_view mask) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry& e = entries_[dir];
    refresh(dir, e);
    const std::string key = LOWER(mask);
    std::vector<std::string> out;
    auto it = std::lower_bound(e.names.begin(), e.names.end(), key,
                               [](const auto& n, const std::string& k) { return n.first < k; });
    for (; it != e.names.end() && it->first.compare(0, key.size(), key) == 0; ++it)
      out.push_back(it->second);
    return out;
  }

 private:
  struct Entry {
    timespec mtime{};
    bool valid = false;
    std::vector<std::pair<std::string, std::string>> names;  // lower-case, as on disk
  };

  static void refresh(const std::string& dir, Entry& e) {
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0) {
      e = Entry{};
      return;
    }
    // A change within the clock tick of the last listing would not move the time: a
    // directory changed within the last two seconds is always read again.
    const bool recent = std::time(nullptr) - st.st_mtim.tv_sec < 2;
    if (e.valid && !recent && st.st_mtim.tv_sec == e.mtime.tv_sec &&
        st.st_mtim.tv_nsec == e.mtime.tv_nsec)
      return;
    e.names.clear();
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      std::string name = it->path().filename().string();
      e.names.emplace_back(LOWER(name), std::move(name));
    }
    std::sort(e.names.begin(), e.names.end());
    e.mtime = st.st_mtim;
    e.valid = !ec;
  }

  std::mutex mutex_;
  std::map<std::string, Entry> entries_;
};

DirectoryNames& directoryNames() {
  static DirectoryNames names;
  return names;
}

std::vector<std::string> candidateNames(const std::string& dir, const std::string& mask) {
  if (mask.find_first_of("*?") == std::string::npos)
    return directoryNames().startingWith(dir, mask);
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    out.push_back(it->path().filename().string());
  return out;
}

}  // namespace

std::vector<DirEntry> ListDirectory(std::string_view pattern, bool withDirectories) {
  const std::string p = normalizePath(pattern);
  const std::size_t slash = p.rfind('/');
  const std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : p.substr(0, slash);
  dir = resolvePath(dir);
  std::vector<DirEntry> out;
  if (mask.empty()) return out;
  for (std::string& name : candidateNames(dir, mask)) {
    if (!matchesWithLongExtension(mask, name)) continue;
    const std::string full = joinPath(dir, name);
    struct stat st;
    if (::stat(full.c_str(), &st) != 0) continue;
    const bool isDir = S_ISDIR(st.st_mode);
    if (!(S_ISREG(st.st_mode) || (isDir && withDirectories))) continue;
    const ClockReading when = localReading(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    DirEntry e;
    e.ATTRIB = attributesOf(name, st);
    e.SHORTNAME = name;
    e.NAME = std::move(name);
    e.DATE = when.date;
    e.TIME = when.time;
    e.SIZE = isDir ? 0 : static_cast<std::int64_t>(st.st_size);
    out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(),
            [](const DirEntry& a, const DirEntry& b) { return lessNoCase(a.NAME, b.NAME); });
  return out;
}

namespace {

struct TempEntry {
  std::string program;
  std::string id;  // fileId() of the file when it was made
  std::string name;
};

// The inode number, and the birth time where the file system keeps one: a file made in the
// place of a removed one often gets its inode number again.
std::string fileId(int fd) {
  struct statx st;
  if (::statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &st) != 0) return {};
  std::string id = std::to_string(st.stx_ino);
  if (st.stx_mask & STATX_BTIME)
    id += "." + std::to_string(st.stx_btime.tv_sec) + "." + std::to_string(st.stx_btime.tv_nsec);
  return id;
}

std::mutex& ownerMutex() {
  static std::mutex m;
  return m;
}

std::string& owner() {
  static std::string s = program_invocation_short_name;
  return s;
}

std::string absoluteDir(std::string_view dir) {
  const std::string d = dir.empty() ? std::string(".") : resolvePath(dir);
  std::error_code ec;
  const fs::path p = fs::absolute(d, ec).lexically_normal();
  return ec ? d : p.string();
}

// The hidden list of a directory, open and flocked: whoever changes it holds it, so a file is
// created and noted, or removed and dropped, in one step as the other processes see it.
class TempList {
 public:
  TempList(const std::string& path, bool create) : path_(path) {
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0);
    for (int tries = 0; tries < 100; ++tries) {
      fd_ = ::open(path.c_str(), flags, 0666);
      if (fd_ < 0) return;
      int rc;
      while ((rc = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
      }
      struct stat held, named;
      if (rc == 0 && ::fstat(fd_, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
          held.st_ino == named.st_ino && held.st_dev == named.st_dev)
        return;
      // Mostly: the holder before us removed the list as it emptied; take the one now there.
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~TempList() {
    if (fd_ >= 0) ::close(fd_);
  }
  TempList(const TempList&) = delete;
  TempList& operator=(const TempList&) = delete;

  bool ok() const { return fd_ >= 0; }

  // Lines that are not "program<TAB>id<TAB>name" with a plain file name are passed over.
  std::vector<TempEntry> read() const {
    std::string text;
    char buf[4096];
    ssize_t n;
    for (off_t at = 0; (n = ::pread(fd_, buf, sizeof buf, at)) > 0; at += n) text.append(buf, n);
    std::vector<TempEntry> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      const std::string_view line(text.data() + pos, end - pos);
      pos = end + 1;
      const std::size_t a = line.find('\t');
      const std::size_t b = a == std::string_view::npos ? a : line.find('\t', a + 1);
      if (b == std::string_view::npos) continue;
      TempEntry e{std::string(line.substr(0, a)), std::string(line.substr(a + 1, b - a - 1)),
                  std::string(line.substr(b + 1))};
      if (e.id.empty() || e.name.empty() || e.name == "." || e.name == ".." ||
          e.name.find('/') != std::string::npos)
        continue;
      out.push_back(std::move(e));
    }
    return out;
  }

  void append(const TempEntry& e) {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return;
    const std::string line = lineOf(e);
    (void)!::pwrite(fd_, line.data(), line.size(), st.st_size);
  }

  void write(const std::vector<TempEntry>& entries) {
    if (entries.empty()) {
      ::unlink(path_.c_str());
      return;
    }
    std::string text;
    for (const TempEntry& e : entries) text += lineOf(e);
    if (::ftruncate(fd_, 0) == 0) (void)!::pwrite(fd_, text.data(), text.size(), 0);
  }

 private:
  static std::string lineOf(const TempEntry& e) {
    return e.program + "\t" + e.id + "\t" + e.name + "\n";
  }
  std::string path_;
  int fd_ = -1;
};

// Removes the noted file unless a process holds it; true when it is gone or was never the
// noted one (a file that merely took its name), false while it is in use.
bool removeUnheld(const std::string& path, const std::string& id) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return true;
  bool gone = true;
  if (fileId(fd) == id) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlink(path.c_str());
    else
      gone = false;
  }
  ::close(fd);
  return gone;
}

}  // namespace

std::optional<ClockTempFile> ClockTempFile::create(std::string_view dir) {
  const std::string listPath = joinPath(absoluteDir(dir), kClockTempList);
  TempList list(listPath, true);
  if (!list.ok()) return std::nullopt;
  const std::int32_t first = CLOCK();
  for (std::int32_t n = first; n < first + 10000; ++n) {
    std::string name = std::to_string(n) + ".txt";
    std::string path = dir.empty() ? name : joinPath(resolvePath(dir), name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      std::string id = fileId(fd);
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || id.empty()) {
        ::unlink(path.c_str());
        ::close(fd);
        break;
      }
      list.append({tempFileOwner(), id, name});
      return ClockTempFile(std::move(name), std::move(path), fd, std::move(id), listPath);
    }
    if (errno != EEXIST) break;
  }
  list.write(list.read());  // removed again when this call made it
  return std::nullopt;
}

ClockTempFile::ClockTempFile(std::string name, std::string path, int fd, std::string id,
                             std::string listPath)
    : name_(std::move(name)),
      path_(std::move(path)),
      listPath_(std::move(listPath)),
      fd_(fd),
      id_(std::move(id)) {
  std::error_code ec;
  removePath_ = fs::absolute(path_, ec).string();
  if (ec) removePath_ = path_;
}

ClockTempFile::ClockTempFile(ClockTempFile&& other) noexcept
    : name_(std::move(other.name_)),
      path_(std::move(other.path_)),
      removePath_(std::move(other.removePath_)),
      listPath_(std::move(other.listPath_)),
      fd_(std::exchange(other.fd_, -1)),
      id_(std::move(other.id_)) {
  other.removePath_.clear();
}

ClockTempFile& ClockTempFile::operator=(ClockTempFile&& other) noexcept {
  if (this != &other) {
    release();
    name_ = std::move(other.name_);
    path_ = std::move(other.path_);
    removePath_ = std::move(other.removePath_);
    listPath_ = std::move(other.listPath_);
    fd_ = std::exchange(other.fd_, -1);
    id_ = std::move(other.id_);
    other.removePath_.clear();
  }
  return *this;
}

ClockTempFile::~ClockTempFile() {
  release();
}

void ClockTempFile::release() {
  if (!removePath_.empty()) {
    TempList list(listPath_, false);
    ::unlink(removePath_.c_str());
    if (list.ok()) {
      std::vector<TempEntry> entries = list.read();
      std::erase_if(entries, [&](const TempEntry& e) { return e.id == id_ && e.name == name_; });
      list.write(entries);
    }
    removePath_.clear();
  }
  // Unlocked only once it is gone and unlisted: no sweep sees it unheld before.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void setTempFileOwner(std::string_view program) {
  std::lock_guard lock(ownerMutex());
  owner() = std::string(program);
}

std::string tempFileOwner() {
  std::lock_guard lock(ownerMutex());
  return owner();
}

void removeLeftoverTempFiles(std::string_view dir) {
  const std::string base = absoluteDir(dir);
  TempList list(joinPath(base, kClockTempList), false);
  if (!list.ok()) return;
  const std::string me = tempFileOwner();
  std::vector<TempEntry> entries = list.read();
  std::erase_if(entries, [&](const TempEntry& e) {
    return e.program == me && removeUnheld(joinPath(base, e.name), e.id);
  });
  list.write(entries);
}

}  // namespace rt
