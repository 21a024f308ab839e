#include "runtime/text/Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>

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

std::optional<ClockTempFile> ClockTempFile::create(std::string_view dir) {
  const std::int32_t first = CLOCK();
  for (std::int32_t n = first; n < first + 10000; ++n) {
    std::string name = std::to_string(n) + ".txt";
    std::string path = dir.empty() ? name : joinPath(resolvePath(dir), name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return ClockTempFile(std::move(name), std::move(path));
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

ClockTempFile::ClockTempFile(std::string name, std::string path)
    : name_(std::move(name)), path_(std::move(path)) {
  std::error_code ec;
  removePath_ = fs::absolute(path_, ec).string();
  if (ec) removePath_ = path_;
}

ClockTempFile::ClockTempFile(ClockTempFile&& other) noexcept
    : name_(std::move(other.name_)),
      path_(std::move(other.path_)),
      removePath_(std::move(other.removePath_)) {
  other.removePath_.clear();
}

ClockTempFile& ClockTempFile::operator=(ClockTempFile&& other) noexcept {
  if (this != &other) {
    if (!removePath_.empty()) ::unlink(removePath_.c_str());
    name_ = std::move(other.name_);
    path_ = std::move(other.path_);
    removePath_ = std::move(other.removePath_);
    other.removePath_.clear();
  }
  return *this;
}

ClockTempFile::~ClockTempFile() {
  if (!removePath_.empty()) ::unlink(removePath_.c_str());
}

}  // namespace rt
