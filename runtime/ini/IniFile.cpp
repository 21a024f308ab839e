#include "runtime/ini/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "runtime/text/Paths.h"
#include "runtime/text/Strings.h"

// Bytes are kept as they are (old files are not always UTF-8); the template is instantiated
// here rather than taken from the packaged library, which pulls in a converter we do not use.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace rt {

namespace fs = std::filesystem;

namespace {

// What identifies one version of the file on disk.
struct Stamp {
  std::string path;
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  std::int64_t mtimeNs = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const std::string& path) {
  Stamp s;
  s.path = path;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return s;
}

bool writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Replaces target by a file holding data, so that a reader sees either the old file or the new.
bool replaceAtomically(const std::string& target, const std::string& data) {
  // Through a link, the file linked to is replaced, not the link.
  std::error_code ec;
  std::string real = target;
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    real = fs::canonical(target, ec).string();
    if (ec) return false;
  }
  const fs::path dir = fs::path(real).parent_path();
  std::string tmp = real + ".XXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) return false;
  struct stat st;
  const mode_t mode = ::stat(real.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(tmp.c_str(), real.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool hasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

struct IniFile::State {
  std::mutex mutex;
  CSimpleIniA ini{false, false, false};
  Stamp stamp;  // of the version held in ini
  bool loaded = false;
  bool unreadable = false;  // the file is there but could not be read: never overwrite it

  // Brings ini up to the file on disk.
  void refresh(const std::string& path) {
    Stamp now = stampOf(resolvePath(path));
    if (loaded && now == stamp) return;
    ini.Reset();
    ini.SetSpaces(false);
    unreadable = now.exists && ini.LoadFile(now.path.c_str()) < 0;
    stamp = std::move(now);
    loaded = true;
  }
};

IniFile::IniFile(std::string_view path) : state_(std::make_unique<State>()) {
  std::error_code ec;
  const std::string p = normalizePath(path);
  path_ = p.empty() ? p : fs::absolute(p, ec).lexically_normal().string();
  if (ec) path_ = p;
}

IniFile::~IniFile() = default;

std::string IniFile::resolvedPath() const {
  return resolvePath(path_);
}

std::string IniFile::getString(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const {
  std::lock_guard lock(state_->mutex);
  state_->refresh(path_);
  const char* v = state_->ini.GetValue(std::string(trimBlanks(section)).c_str(),
                                       std::string(trimBlanks(key)).c_str());
  return v ? std::string(v) : std::string(defaultValue);
}

double IniFile::getNumber(std::string_view section, std::string_view key,
                          double defaultValue) const {
  const std::string v(trimBlanks(getString(section, key)));
  if (v.empty() || !(std::isdigit(static_cast<unsigned char>(v[0])) || v[0] == '-' || v[0] == '+' ||
                     v[0] == '.'))
    return defaultValue;
  char* end = nullptr;
  const double d = std::strtod(v.c_str(), &end);
  return end == v.c_str() || !std::isfinite(d) ? defaultValue : d;
}

bool IniFile::put(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view k = trimBlanks(key);
  if (k.empty() || hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) ||
      section.find(']') != std::string_view::npos || k.find('=') != std::string_view::npos ||
      k.front() == ';' || k.front() == '#' || k.front() == '[')
    return false;
  std::lock_guard lock(state_->mutex);
  State& s = *state_;
  s.refresh(path_);
  if (s.unreadable) return false;
  const std::string sec(trimBlanks(section)), ky(k), val(value);
  if (s.ini.SetValue(sec.c_str(), ky.c_str(), val.c_str()) < 0) return false;
  std::string data;
  const bool ok = s.ini.Save(data) >= 0 && replaceAtomically(s.stamp.path, data);
  // Whatever happened, the next access reads the file again rather than trust memory.
  s.loaded = false;
  return ok;
}

bool IniFile::putNumber(std::string_view section, std::string_view key, double value) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return put(section, key, buf);
}

}  // namespace rt
