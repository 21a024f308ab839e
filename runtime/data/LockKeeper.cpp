#include "runtime/data/LockKeeper.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace rt::locks {

namespace {

using OpenCall = int (*)(const char*, int, int);
using CloseCall = int (*)(int);
using FcntlCall = int (*)(int, int, ...);
using WriteCall = ssize_t (*)(int, const void*, size_t);
using PwriteCall = ssize_t (*)(int, const void*, size_t, off_t);
using TruncateCall = int (*)(int, off_t);

using Inode = std::pair<dev_t, ino_t>;

// A file SQLite has open, however many descriptors it has on it.
struct File {
  Inode inode;
  std::string path;  // as SQLite opened it first
  int users = 0;     // SQLite's descriptors on it
  int lockFd = -1;   // opened at the first lock call
  timespec written{};
};

struct State {
  std::mutex mutex;
  std::map<Inode, File> files;
  std::unordered_map<int, File*> byFd;
  OpenCall open = nullptr;
  CloseCall close = nullptr;
  FcntlCall fcntl = nullptr;
  WriteCall write = nullptr;
  PwriteCall pwrite = nullptr;
  PwriteCall pwrite64 = nullptr;
  TruncateCall ftruncate = nullptr;
};

// Never destroyed: connections closed by other static destructors still call in.
State& state() {
  static State* s = new State;
  return *s;
}

timespec now() {
  timespec t;
  clock_gettime(CLOCK_REALTIME, &t);
  return t;
}

bool later(const timespec& a, const timespec& b) {
  return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// Called with the mutex held.
File* track(State& s, int fd, const char* path) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return nullptr;
  auto [it, fresh] = s.files.try_emplace({st.st_dev, st.st_ino});
  File& f = it->second;
  if (fresh) {
    f.inode = it->first;
    f.path = path ? path : "";
    // Anything written before SQLite opened it is the file as found.
    f.written = now();
  }
  ++f.users;
  s.byFd[fd] = &f;
  return &f;
}

// Called with the mutex held; the lock descriptor to close, or -1.
int untrack(State& s, int fd) {
  auto it = s.byFd.find(fd);
  if (it == s.byFd.end()) return -1;
  File* f = it->second;
  s.byFd.erase(it);
  if (--f->users > 0) return -1;
  const int lockFd = f->lockFd;
  s.files.erase(f->inode);
  return lockFd;
}

int keptOpen(const char* path, int flags, int mode) {
  State& s = state();
  const int fd = s.open(path, flags, mode);
  if (fd < 0) return fd;
  const int saved = errno;
  std::lock_guard guard(s.mutex);
  if (s.byFd.count(fd)) untrack(s, fd);  // a descriptor closed behind SQLite's back
  track(s, fd, path);
  errno = saved;
  return fd;
}

int keptClose(int fd) {
  State& s = state();
  int lockFd;
  {
    std::lock_guard guard(s.mutex);
    lockFd = untrack(s, fd);
  }
  // SQLite closes a file's last descriptor only once it holds no lock on it, or to drop the
  // locks (the shared memory's): closing ours then is what the kernel did on the close.
  if (lockFd >= 0) ::close(lockFd);
  return s.close(fd);
}

// The descriptor that carries the locks of fd's file; -1 when none can be had.
int lockDescriptor(State& s, int fd) {
  std::lock_guard guard(s.mutex);
  auto it = s.byFd.find(fd);
  File* f = it != s.byFd.end() ? it->second : track(s, fd, nullptr);
  if (!f) return -1;
  if (f->lockFd >= 0) return f->lockFd;
  // A description of our own, writable where the file allows: a lock set through SQLite's
  // read-only descriptor could not be a write lock for another connection's.
  char proc[48];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  int l = s.open(proc, O_RDWR | O_CLOEXEC, 0);
  if (l < 0) l = s.open(proc, O_RDONLY | O_CLOEXEC, 0);
  if (l < 0) l = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  f->lockFd = l;
  return l;
}

int keptFcntl(int fd, int cmd, ...) {
  std::va_list ap;
  va_start(ap, cmd);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  State& s = state();
  int ofdCmd;
  switch (cmd) {
    case F_SETLK:
      ofdCmd = F_OFD_SETLK;
      break;
    case F_SETLKW:
      ofdCmd = F_OFD_SETLKW;
      break;
    case F_GETLK:
      ofdCmd = F_OFD_GETLK;
      break;
    default:
      return s.fcntl(fd, cmd, arg);
  }
  const int lockFd = lockDescriptor(s, fd);
  if (lockFd < 0) return s.fcntl(fd, cmd, arg);
  auto* given = static_cast<struct flock*>(arg);
  struct flock l = *given;
  l.l_pid = 0;  // the kernel refuses an open-file-description lock that names a process
  const int rc = s.fcntl(lockFd, ofdCmd, &l);
  if (rc == 0 && cmd == F_GETLK) *given = l;
  return rc;
}

thread_local int lastWriteErrno = 0;

void noteWrite(int fd, bool failed) {
  State& s = state();
  const int saved = errno;
  if (failed) lastWriteErrno = saved;
  std::lock_guard guard(s.mutex);
  if (auto it = s.byFd.find(fd); it != s.byFd.end()) it->second->written = now();
  errno = saved;
}

ssize_t keptWrite(int fd, const void* buf, size_t n) {
  const ssize_t r = state().write(fd, buf, n);
  noteWrite(fd, r < 0);
  return r;
}

ssize_t keptPwrite(int fd, const void* buf, size_t n, off_t at) {
  const ssize_t r = state().pwrite(fd, buf, n, at);
  noteWrite(fd, r < 0);
  return r;
}

ssize_t keptPwrite64(int fd, const void* buf, size_t n, off_t at) {
  const ssize_t r = state().pwrite64(fd, buf, n, at);
  noteWrite(fd, r < 0);
  return r;
}

int keptTruncate(int fd, off_t size) {
  const int r = state().ftruncate(fd, size);
  noteWrite(fd, r < 0);
  return r;
}

template <typename Call>
void wrap(sqlite3_vfs* vfs, const char* name, Call& original, Call replacement) {
  auto current = reinterpret_cast<Call>(vfs->xGetSystemCall(vfs, name));
  if (!current) return;  // a call this build of SQLite does not make
  original = current;
  vfs->xSetSystemCall(vfs, name, reinterpret_cast<sqlite3_syscall_ptr>(replacement));
}

struct Installer {
  Installer() { install(); }
} installer;

}  // namespace

void install() {
  static std::once_flag once;
  std::call_once(once, [] {
    sqlite3_vfs* vfs = sqlite3_vfs_find("unix");
    if (!vfs || vfs->iVersion < 3 || !vfs->xSetSystemCall) return;
    State& s = state();
    // Opens and closes first: a lock call must find every descriptor SQLite opens.
    wrap(vfs, "open", s.open, &keptOpen);
    wrap(vfs, "close", s.close, &keptClose);
    wrap(vfs, "write", s.write, &keptWrite);
    wrap(vfs, "pwrite", s.pwrite, &keptPwrite);
    wrap(vfs, "pwrite64", s.pwrite64, &keptPwrite64);
    wrap(vfs, "ftruncate", s.ftruncate, &keptTruncate);
    wrap(vfs, "fcntl", s.fcntl, &keptFcntl);
  });
}

Finding examine(const std::string& path) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  Finding found;
  for (const auto& [inode, f] : s.files) {
    const bool log = f.path == path + "-wal" || f.path == path + "-shm";
    if (!log && f.path != path) continue;
    struct stat st;
    const std::string name = f.path.substr(f.path.rfind('/') + 1);
    std::string why;
    if (::stat(f.path.c_str(), &st) != 0)
      why = name + " was removed by another program";
    else if (Inode{st.st_dev, st.st_ino} != inode)
      why = name + " was replaced by another file";
    else if (!log && later(st.st_ctim, f.written))
      why = name + " was written by another program";
    if (why.empty()) continue;
    const Change change = log ? Change::LogRemoved : Change::FileReplaced;
    if (change > found.change) found = {change, why + " since it was opened"};
  }
  return found;
}

std::vector<HeldFile> heldLog(const std::string& path) {
  State& s = state();
  std::lock_guard guard(s.mutex);
  std::vector<HeldFile> out;
  for (const auto& [inode, f] : s.files)
    if (f.path == path + "-wal" || f.path == path + "-shm")
      out.push_back({f.path, inode.first, inode.second});
  return out;
}

void removeLeftLog(const std::vector<HeldFile>& log) {
  auto inPlace = [](const HeldFile& h) {
    struct stat st;
    return ::stat(h.path.c_str(), &st) == 0 && st.st_dev == h.dev && st.st_ino == h.ino;
  };
  State& s = state();
  {
    std::lock_guard guard(s.mutex);
    for (const HeldFile& h : log)
      if (s.files.count({h.dev, h.ino})) return;  // another connection here still uses it
  }
  for (const HeldFile& h : log) {
    if (h.path.size() < 4 || h.path.compare(h.path.size() - 4, 4, "-shm") != 0 || !inPlace(h))
      continue;
    // Every connection to the log holds a read lock on the index's last lock byte.
    const int fd = s.open(h.path.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) return;
    struct flock l {};
    l.l_type = F_WRLCK;
    l.l_whence = SEEK_SET;
    l.l_start = 120;  // the log's eight lock bytes and its dead-man byte
    l.l_len = 9;
    const bool used = ::fcntl(fd, F_OFD_GETLK, &l) != 0 || l.l_type != F_UNLCK;
    ::close(fd);
    if (used) return;
  }
  for (const HeldFile& h : log)
    if (inPlace(h)) ::unlink(h.path.c_str());
}

int takeWriteError() {
  const int e = lastWriteErrno;
  lastWriteErrno = 0;
  return e;
}

int trackedFiles() {
  State& s = state();
  std::lock_guard guard(s.mutex);
  return static_cast<int>(s.files.size());
}

}  // namespace rt::locks
