// Sharing between programs: an advisory flock on the database file, counted per process so
// that one program may open the same file several times.
#pragma once

#include <sys/types.h>

#include <string>

#include "runtime/data/KeyedFile.h"

namespace rt {

// Held while a keyed file is open. Writers that deny writing hold the lock exclusively,
// other writers shared; readers take none, so they are never refused.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // False (errno-style reason in why) when another program's lock forbids the mode.
  bool acquire(const std::string& path, OpenMode mode, std::string& why);
  void release();
  bool held() const { return held_; }

  // True when no program (this one included) holds the file in any mode.
  static bool unused(const std::string& path);

 private:
  bool held_ = false;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  OpenMode mode_;
};

}  // namespace rt
