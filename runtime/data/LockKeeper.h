// SQLite's record locks held on a descriptor of our own per file, so that they belong to the
// process for as long as SQLite has the file open.
//
// On Linux the POSIX record locks SQLite's unix VFS takes belong to the process and the file,
// and the kernel drops all of them when the process closes *any* descriptor of that file: a
// file dialog that opens and closes the data files (to look at them) takes every lock away,
// and another program then checkpoints and deletes the log this one still writes into. The
// keeper sets the VFS's system calls so that every lock call on a file goes, as an
// open-file-description lock, to one descriptor the keeper opens for that file and closes when
// SQLite has closed its last one. The locks behave as before for SQLite and for every other
// program (they conflict with POSIX locks alike); only closes by code outside SQLite no
// longer reach them.
//
// The keeper also knows which files SQLite holds, so it can tell whether a data file is
// still the one of its name in the directory.
#pragma once

#include <string>
#include <vector>

namespace rt::locks {

// Sets the VFS's calls; done before any connection opens (also by a static initializer of
// this file, so that connections opened without the data layer are covered too).
void install();

enum class Change : unsigned char {
  None,
  LogRemoved,    // its -wal or -shm removed or replaced: the file itself is as it was
  FileReplaced,  // another file in its place, or the file written by another program
};
struct Finding {
  Change change = Change::None;
  std::string why;  // what happened, in words
};

// Whether the files SQLite holds open under the database at `path` (a connection's
// sqlite3_db_filename: the file, its -wal, its -shm) are still the directory's: none removed
// or replaced by another file, and the database not written by anyone but this process since
// SQLite opened it. Another program's write shows once the file system's clock has ticked
// past this process's last write (a few milliseconds).
Finding examine(const std::string& path);

// The -wal and -shm that SQLite holds under the database at `path`, as they are now.
struct HeldFile {
  std::string path;
  unsigned long long dev = 0, ino = 0;
};
std::vector<HeldFile> heldLog(const std::string& path);

// Removes the log files still in the directory as `log` found them once no connection of any
// process uses them: what the last connection to a replaced file leaves beside the file that
// replaced it, whose pages the log's frames would otherwise overwrite.
void removeLeftLog(const std::vector<HeldFile>& log);

// The errno of this thread's last failed write by SQLite, cleared: SQLite's own reading of
// errno comes after other calls that may have changed it.
int takeWriteError();

// How many files the keeper tracks (for tests).
int trackedFiles();

}  // namespace rt::locks
