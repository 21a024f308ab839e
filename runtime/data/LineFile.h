// A line file: plain text, one record per line of at most 255 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/data/Errors.h"

namespace rt {

class LineFile {
 public:
  static constexpr std::size_t kLineWidth = 255;

  // line: the record buffer, width bytes (blank-padded on reading).
  LineFile(std::string label, char* line, std::size_t width = kLineWidth);
  ~LineFile();
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  // The file name is taken at each OPEN/CREATE/REMOVE: trailing blanks clipped, "\" read as "/",
  // an existing file matched case-insensitively in its directory.
  void setName(std::string_view name);
  const std::string& name() const { return name_; }
  std::string path() const;

  bool open();    // FileNotFound when missing
  bool create();  // empty file (truncating an existing one); stays closed
  bool close();
  bool remove();
  bool isOpen() const { return fd_ >= 0; }

  bool next();  // reads the next record into the buffer; RecordNotAvailable at the end
  bool eof();   // no further record
  // Writes the buffer clipped of trailing blanks, with a line end that next() reads back to
  // exactly those bytes (NUL bytes and a final CR included).
  bool append();
  // Writes the buffer's first length bytes without a line end: the next record written
  // continues the same line (copies a piece that lastCut() reported byte for byte).
  bool appendPiece(std::size_t length);
  bool add() { return append(); }
  bool flush();
  bool send(std::string_view option);  // "/ENDOFRECORD=1,10" (the default) is accepted
  std::int64_t lastLength() const { return lastLength_; }  // bytes of the last record read
  // True when the last record read stopped short of its line's end, so that the next record
  // continues the same line.
  bool lastCut() const { return lastCut_; }

 private:
  bool fill();
  std::string label_;
  std::string name_;
  char* line_;
  std::size_t width_;
  int fd_ = -1;
  std::string buf_;  // read-ahead from readOffset_ - buf_.size() + pos_
  std::size_t pos_ = 0;
  std::int64_t readOffset_ = 0;
  bool atEnd_ = false;
  std::int64_t lastLength_ = 0;
  bool lastCut_ = false;
  std::string out_;  // written lines not yet handed to the file
  bool writeOut();
};

}  // namespace rt
