#include "runtime/data/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

namespace rt {

namespace {

struct Entry {
  int fd = -1;
  int denyWriters = 0;
  int writers = 0;
  int readers = 0;
  int level = 0;  // 0 none, LOCK_SH or LOCK_EX
};

std::mutex registryMutex;
std::map<std::pair<dev_t, ino_t>, Entry>& registry() {
  static std::map<std::pair<dev_t, ino_t>, Entry> r;
  return r;
}

int wantedLevel(const Entry& e) {
  return e.denyWriters ? LOCK_EX : e.writers ? LOCK_SH : 0;
}

void count(Entry& e, OpenMode m, int delta) {
  if (m.access == Access::ReadOnly)
    e.readers += delta;
  else if (m.share == Share::DenyWrite)
    e.denyWriters += delta;
  else
    e.writers += delta;
}

// Moves the process's flock to the level its openers need; false when another process's lock
// is in the way (the previous level is then restored as far as possible).
bool relock(Entry& e) {
  const int want = wantedLevel(e);
  if (want == e.level) return true;
  if (want == 0) {
    ::flock(e.fd, LOCK_UN);
    e.level = 0;
    return true;
  }
  if (::flock(e.fd, want | LOCK_NB) == 0) {
    e.level = want;
    return true;
  }
  // Converting a lock may drop the old one first.
  if (e.level && ::flock(e.fd, e.level | LOCK_NB) != 0) e.level = 0;
  return false;
}

}  // namespace

bool FileLock::acquire(const std::string& path, OpenMode mode, std::string& why) {
  release();
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    why = std::strerror(errno);
    return false;
  }
  std::lock_guard guard(registryMutex);
  auto key = std::make_pair(st.st_dev, st.st_ino);
  auto& reg = registry();
  auto it = reg.find(key);
  const bool fresh = it == reg.end();
  if (fresh) {
    // Opened only when this program has no descriptor on the file yet: closing a second one
    // would drop SQLite's own POSIX locks on it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      why = std::strerror(errno);
      return false;
    }
    it = reg.emplace(key, Entry{fd}).first;
  }
  Entry& e = it->second;
  count(e, mode, +1);
  if (!relock(e)) {
    count(e, mode, -1);
    relock(e);
    if (fresh) {
      ::close(e.fd);
      reg.erase(it);
    }
    why = "the file is in use by another program";
    return false;
  }
  held_ = true;
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  mode_ = mode;
  return true;
}

void FileLock::release() {
  if (!held_) return;
  held_ = false;
  std::lock_guard guard(registryMutex);
  auto& reg = registry();
  auto it = reg.find({dev_, ino_});
  if (it == reg.end()) return;
  Entry& e = it->second;
  count(e, mode_, -1);
  relock(e);
  if (e.denyWriters + e.writers + e.readers == 0) {
    ::close(e.fd);
    reg.erase(it);
  }
}

bool FileLock::unused(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return true;
  std::lock_guard guard(registryMutex);
  if (registry().count({st.st_dev, st.st_ino})) return false;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;
  const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

}  // namespace rt
