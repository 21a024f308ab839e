// The error state of the file statements: a code plus text, kept per procedure thread.
#pragma once

#include <string>
#include <string_view>

namespace rt {

enum class ErrorCode : int {
  NoError = 0,
  FileNotFound = 2,
  PathNotFound = 3,
  AccessDenied = 5,  // in use by another program
  NotOpen = 37,
  RecordNotAvailable = 33,  // NEXT/PREVIOUS ran off the end
  NoRecord = 35,            // GET found nothing; PUT/DELETE without a current record
  DuplicateKey = 40,
  KeyRebuildNeeded = 46,
  InvalidFile = 47,  // not a data file at all (empty, or not a database)
  AlreadyOpen = 52,
  CreateError = 54,
  WriteError = 56,
  ReadOnly = 57,  // a write on a file opened for reading only
  InvalidKey = 58,
  InvalidRequest = 59,
  FileSystemError = 90,
  FileChanged = 91,    // removed, replaced or written by another program while open
  DiskFull = 92,       // no room left on the disk, or the file size limit reached
  ReadOnlyPlace = 93,  // the directory or the file itself does not allow writing
  Damaged = 94,        // a data file whose records or keys cannot all be read
  LayoutDiffers = 95,  // a data file of another record layout
};

constexpr ErrorCode EndOfFile = ErrorCode::RecordNotAvailable;

struct ErrorState {
  ErrorCode code = ErrorCode::NoError;
  std::string text;  // what went wrong, in words
  std::string file;  // the file it concerns (label or path), may be empty
};

using ErrorStateProvider = ErrorState& (*)();

// The current thread's error state. The default provider keeps one program-wide state;
// the procedure-thread layer installs one that returns a per-fiber slot.
ErrorState& errors();
void setErrorStateProvider(ErrorStateProvider provider);  // nullptr restores the default

// Sets the current error state; returns false so callers can `return setError(...)`.
bool setError(ErrorCode code, std::string_view file, std::string_view text = {});
void clearError();
inline ErrorCode errorCode() {
  return errors().code;
}

// A short default text for a code, e.g. "File not found".
std::string_view errorCodeText(ErrorCode code);

}  // namespace rt
