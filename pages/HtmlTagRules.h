// The tag rules that read a page's HTML lines into its title, images, links, meta tags, scripts
// and forms. A line scanner, not an HTML parser: fixed literals found in one line, values cut
// out between double quotes by position. Lines are pushed one at a time; the meta look-ahead and
// the script and form blocks carry their state from one push to the next, so a page streams
// through without ever being held whole. Both programs and the benchmarks drive this one class;
// the files, record buffers and windows stay with the callers.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// Values handed to the sink are clipped and already cut to the widths of the fields they go
// to. They point into the rules' own buffers and are valid during the call only. `line` is
// the line's true position in the page file (the first line is 1).
struct HtmlTitle {
  long line = 0;
  std::string_view title;  // WEB:HTMLPAGETITLE
};

struct HtmlImage {
  long line = 0;
  std::string_view source;     // WPI:WEBPAGEIMG, as written (a leading slash is kept)
  std::string_view height;     // WPI:HEIGHT, blank when the line has no "height="
  std::string_view width;      // WPI:WIDTH, blank when the line has no "width="
  std::string_view imagePath;  // WPI:IMAGEPATH
};

struct HtmlLink {
  long line = 0;
  std::string_view link;  // WPL:WEBPAGELINK, as written
};

struct HtmlMeta {
  long line = 0;              // the line of the meta tag, not that of its contents
  std::string_view name;      // WPM:METANAME
  std::string_view contents;  // WPM:METACONTENTS
};

// A script or form block: up to 40 lines, leading blanks dropped, each cut to 200 bytes.
struct HtmlBlock {
  static constexpr int kSlots = 40;
  long line = 0;  // the line it starts on (WPF:LINENUMBER)
  int count = 0;  // slots filled; the rest are blank
  std::array<std::string_view, kSlots> lines;
};

class HtmlTagSink {
 public:
  virtual ~HtmlTagSink() = default;
  virtual void title(const HtmlTitle&) {}
  virtual void image(const HtmlImage&) {}
  virtual void link(const HtmlLink&) {}
  virtual void meta(const HtmlMeta&) {}
  virtual void script(const HtmlBlock&) {}
  virtual void form(const HtmlBlock&) {}
  // Once before each pass of the meta contents search: the window's chance to handle its
  // pending messages.
  virtual void pendingMessages() {}
};

class HtmlTagRules {
 public:
  static constexpr std::size_t kRecordWidth = 255;  // a line file's record

  explicit HtmlTagRules(HtmlTagSink& sink);

  // Starts a page. The directory is WEB:LOCALDEFAULTDIRECTORY, which image paths are built on.
  void startPage(std::string_view localDefaultDirectory);

  // One line of the page file without its line feed; a carriage return ending it is dropped.
  // A line longer than a record is read as several records that keep the line's number.
  // `continuation` marks text that continues the previous line (a record that a line file
  // split off a long line), so that it keeps that line's number too.
  void line(std::string_view text, bool continuation = false);

  // One record exactly as a line file read it (its line end already taken off, so every
  // byte of it is text): `continuation` when it continues the line before, `cutAfter` when
  // the next record continues it. A character split between two records is dropped from the
  // values cut at that split.
  void lineRecord(std::string_view text, bool continuation, bool cutAfter);

  // End of the page file: a pending meta tag and an open block are written as they stand.
  void finish();

  long lineNumber() const { return lineNo_; }  // lines of the file read so far
  long records() const { return records_; }    // records read (long lines give several)
  // How far the rules advanced the page form's progress counter `counttext`.
  long progress() const { return progress_; }

 private:
  enum class Mode { Main, MetaLookAhead, Script, Form };
  struct Scan;

  void record(std::string_view text, bool startsInside, bool endsInside);
  std::string_view value(std::string_view v, std::size_t width) const;
  void mainRecord(std::string_view text);
  void lookAheadRecord(std::string_view text);
  void captureRecord(std::string_view text);
  void blockRules(std::string_view text, const Scan& s, bool scriptRule);
  bool startBlock(Mode mode, std::string_view text, const Scan& s);
  void writeBlock();
  void endBlock(std::string_view current, const Scan& s);
  void fillSlot(std::string_view text);
  void endIteration();
  bool searchContents(std::string_view text, const Scan& s);
  void emitMeta();
  void keepCurrent(std::string_view text);

  HtmlTagSink& sink_;
  std::string localDir_;
  Mode mode_ = Mode::Main;
  long lineNo_ = 0;
  long records_ = 0;
  long progress_ = 0;

  // The line the rules stand on while a look-ahead or block spans pushes.
  std::string current_;

  // The record the rules stand on and the bytes at either end of it that belong to a
  // character split with the record before or after; owed_: bytes the next record begins
  // with that finish this one's last character.
  std::string_view record_;
  std::size_t leadPiece_ = 0, tailPiece_ = 0, owed_ = 0;
  std::size_t currentLeadPiece_ = 0, currentTailPiece_ = 0;

  std::string pathWork_;  // the image path before it is cut to its field
  std::string metaName_;  // kept over a look-ahead
  std::string contents_;
  long metaLine_ = 0;

  std::array<std::string, HtmlBlock::kSlots> slots_;
  int slotCount_ = 0;
  long blockLine_ = 0;
};
