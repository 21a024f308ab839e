#include "runtime/data/LineFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "runtime/text/FixedString.h"
#include "runtime/text/Paths.h"

namespace rt {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kWriteChunk = 64 * 1024;
}  // namespace

LineFile::LineFile(std::string label, char* line, std::size_t width)
    : label_(std::move(label)), line_(line), width_(width) {}

LineFile::~LineFile() {
  if (isOpen()) close();
}

void LineFile::setName(std::string_view name) {
  name_ = normalizePath(name);
}

std::string LineFile::path() const {
  return resolvePath(name_);
}

bool LineFile::open() {
  const std::string p = path();
  if (isOpen()) return setError(ErrorCode::AlreadyOpen, p, p + ": file already open");
  if (p.empty()) return setError(ErrorCode::FileNotFound, label_, label_ + ": no file name");
  if (!FileExists(p)) return setError(ErrorCode::FileNotFound, p, p + ": file not found");
  fd_ = ::open(p.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
  if (fd_ < 0 && (errno == EACCES || errno == EROFS)) fd_ = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    const int e = errno;
    return setError(e == EISDIR ? ErrorCode::InvalidFile : ErrorCode::AccessDenied, p,
                    p + ": " + std::strerror(e));
  }
  buf_.clear();
  pos_ = 0;
  readOffset_ = 0;
  atEnd_ = false;
  lastCut_ = false;
  out_.clear();
  clearError();
  return true;
}

bool LineFile::create() {
  const std::string p = path();
  if (isOpen()) return setError(ErrorCode::AlreadyOpen, p, p + ": file is open");
  if (p.empty()) return setError(ErrorCode::CreateError, label_, label_ + ": no file name");
  int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0)
    return setError(ErrorCode::CreateError, p,
                    p + ": the file cannot be created: " + std::strerror(errno));
  ::close(fd);
  clearError();
  return true;
}

bool LineFile::close() {
  if (!isOpen()) return setError(ErrorCode::NotOpen, name_, name_ + ": file not open");
  const bool ok = writeOut();
  ::close(fd_);
  fd_ = -1;
  buf_.clear();
  pos_ = 0;
  if (ok) clearError();
  return ok;
}

bool LineFile::remove() {
  const std::string p = path();
  if (isOpen()) return setError(ErrorCode::AlreadyOpen, p, p + ": file is open");
  if (::unlink(p.c_str()) != 0) {
    const int e = errno;
    return setError(e == ENOENT ? ErrorCode::FileNotFound : ErrorCode::AccessDenied, p,
                    p + ": " + std::strerror(e));
  }
  clearError();
  return true;
}

bool LineFile::fill() {
  if (atEnd_) return false;
  if (pos_ > 0) {
    buf_.erase(0, pos_);
    pos_ = 0;
  }
  const std::size_t old = buf_.size();
  buf_.resize(old + kChunk);
  ssize_t n;
  do {
    n = ::pread(fd_, buf_.data() + old, kChunk, readOffset_);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    buf_.resize(old);
    atEnd_ = true;
    return false;
  }
  buf_.resize(old + static_cast<std::size_t>(n));
  readOffset_ += n;
  return true;
}

bool LineFile::next() {
  if (!isOpen()) return setError(ErrorCode::NotOpen, name_, name_ + ": file not open");
  if (!writeOut()) return false;
  // Look no further than one record, its CR and LF: a long line never fills memory.
  std::size_t nl;
  while ((nl = buf_.find('\n', pos_)) == std::string::npos && buf_.size() - pos_ < width_ + 2 &&
         fill()) {
  }
  if (pos_ >= buf_.size()) return setError(ErrorCode::RecordNotAvailable, name_, "end of file");
  std::size_t end = nl == std::string::npos ? buf_.size() : nl;
  if (end > pos_ && buf_[end - 1] == '\r' && nl != std::string::npos) --end;
  std::size_t n = end - pos_;
  std::size_t advance;
  lastCut_ = n > width_;
  if (lastCut_) {
    // Exactly the width, even inside a character: every later record boundary of the line
    // depends on it. Whoever stores a value from the pieces makes it whole text.
    n = width_;
    advance = n;
  } else {
    advance = (nl == std::string::npos ? buf_.size() : nl + 1) - pos_;
  }
  assignPadded(line_, width_, std::string_view(buf_.data() + pos_, n));
  lastLength_ = static_cast<std::int64_t>(n);
  pos_ += advance;
  clearError();
  return true;
}

bool LineFile::eof() {
  if (!isOpen()) return true;
  if (pos_ < buf_.size()) return false;
  return !fill();
}

bool LineFile::append() {
  if (!isOpen()) return setError(ErrorCode::NotOpen, name_, name_ + ": file not open");
  // Clipped of blanks only: a NUL is text of the line like any other byte.
  std::size_t n = width_;
  while (n > 0 && line_[n - 1] == ' ') --n;
  out_.append(line_, n);
  // Reading drops the one CR before the LF: a record ending in CR keeps it by doubling.
  if (n > 0 && line_[n - 1] == '\r') out_ += '\r';
  out_ += '\n';
  if (out_.size() >= kWriteChunk) return writeOut();
  clearError();
  return true;
}

bool LineFile::appendPiece(std::size_t length) {
  if (!isOpen()) return setError(ErrorCode::NotOpen, name_, name_ + ": file not open");
  out_.append(line_, std::min(length, width_));
  if (out_.size() >= kWriteChunk) return writeOut();
  clearError();
  return true;
}

bool LineFile::writeOut() {
  std::size_t done = 0;
  while (done < out_.size()) {
    ssize_t n = ::write(fd_, out_.data() + done, out_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int e = errno;
      out_.clear();
      return setError(e == EBADF ? ErrorCode::ReadOnly : ErrorCode::WriteError, name_,
                      name_ + ": " + std::strerror(e));
    }
    done += static_cast<std::size_t>(n);
  }
  out_.clear();
  // Text read ahead may end where the file grew.
  atEnd_ = false;
  return true;
}

bool LineFile::flush() {
  if (!isOpen()) return setError(ErrorCode::NotOpen, name_, name_ + ": file not open");
  if (!writeOut()) return false;
  clearError();
  return true;
}

bool LineFile::send(std::string_view) {
  return true;
}
}  // namespace rt
