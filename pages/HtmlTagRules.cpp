#include "pages/HtmlTagRules.h"

#include <algorithm>
#include <cstring>

#include "runtime/text/Strings.h"

namespace {

// The literals the rules look for, lower case; matching ignores ASCII case.
enum Literal : int {
  kTitle,
  kImgSrc,
  kHeight,
  kWidth,
  kHref,
  kMetaName,
  kContent,
  kScript,
  kScriptEnd,
  kForm,
  kFormEnd,
  kLiteralCount
};

constexpr std::array<std::string_view, kLiteralCount> kLiterals = {
    "<title>",  "img src=", "height=",  "width=", "href=",  "meta name=",
    "content=", "<script",  "</script", "<form",  "</form",
};
constexpr std::string_view kTitleEnd = "</title>";

// Every literal either starts with '<' or ends with '='. Scanning jumps from one such anchor
// byte to the next and compares only there, so a line costs two memchr passes plus a few
// short compares instead of one search per literal.
struct AnchorSet {
  char anchor;
  bool atStart;  // the anchor is the literal's first byte, else its last
  std::array<int, kLiteralCount> members;
  int size;
};

constexpr AnchorSet makeAnchor(char anchor, bool atStart) {
  AnchorSet set{anchor, atStart, {}, 0};
  for (int i = 0; i < kLiteralCount; ++i) {
    const std::string_view lit = kLiterals[i];
    if ((atStart ? lit.front() : lit.back()) == anchor) set.members[set.size++] = i;
  }
  return set;
}

constexpr std::array<AnchorSet, 2> kAnchors = {makeAnchor('<', true), makeAnchor('=', false)};

constexpr bool coversAllLiterals() {
  int n = 0;
  for (const AnchorSet& a : kAnchors) n += a.size;
  return n == kLiteralCount;
}
static_assert(coversAllLiterals(), "every literal needs an anchor byte");

constexpr unsigned char lowerAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool matchesAt(std::string_view text, std::size_t at, std::string_view lit) {
  if (at + lit.size() > text.size()) return false;
  for (std::size_t k = 0; k < lit.size(); ++k)
    if (lowerAscii(static_cast<unsigned char>(text[at + k])) != static_cast<unsigned char>(lit[k]))
      return false;
  return true;
}

// First 1-based position at or after `from` where lit stands in text, ignoring case; 0 when
// there is none.
long findFrom(std::string_view text, std::string_view lit, long from) {
  if (from < 1) from = 1;
  for (auto at = static_cast<std::size_t>(from - 1); at + lit.size() <= text.size(); ++at)
    if (matchesAt(text, at, lit)) return static_cast<long>(at + 1);
  return 0;
}

Literal closingOf(bool script) {
  return script ? kScriptEnd : kFormEnd;
}

bool isBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string_view clipped(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

// The clipped line up to the byte before its first carriage return.
std::string_view workingText(std::string_view text) {
  const std::size_t cr = text.find('\r');
  return clipped(cr == std::string_view::npos ? text : text.substr(0, cr));
}

// The value between the first two double quotes after a tag at p of length n. Missing quotes
// give the odd values the arithmetic leads to (the rest of the line, or the line up to its
// first quote); they are the behaviour pages have always been read with.
std::string quotedValue(std::string_view text, long p, long n) {
  const long q1 = rt::INSTRING("\"", text, 1, p + n);
  const long q2 = rt::INSTRING("\"", text, 1, q1 + 1);
  return rt::SUB(text, q1 + 1, q2 - q1 - 1);
}

}  // namespace

struct HtmlTagRules::Scan {
  std::array<long, kLiteralCount> at{};  // first 1-based position of each literal, 0 when absent

  explicit Scan(std::string_view text) {
    for (const AnchorSet& set : kAnchors) {
      int missing = set.size;
      const char* const begin = text.data();
      const char* const end = begin + text.size();
      for (const char* p = begin; missing > 0 && p < end; ++p) {
        p = static_cast<const char*>(std::memchr(p, set.anchor, static_cast<std::size_t>(end - p)));
        if (!p) break;
        const auto i = static_cast<std::size_t>(p - begin);
        for (int m = 0; m < set.size; ++m) {
          const int lit = set.members[m];
          if (at[lit]) continue;
          const std::size_t len = kLiterals[lit].size();
          if (!set.atStart && i + 1 < len) continue;
          const std::size_t start = set.atStart ? i : i + 1 - len;
          if (matchesAt(text, start, kLiterals[lit])) {
            at[lit] = static_cast<long>(start + 1);
            --missing;
          }
        }
      }
    }
  }
  long operator[](Literal lit) const { return at[lit]; }
};

HtmlTagRules::HtmlTagRules(HtmlTagSink& sink) : sink_(sink) {
  current_.reserve(kRecordWidth);
  pathWork_.reserve(kRecordWidth + 100);
}

void HtmlTagRules::startPage(std::string_view localDefaultDirectory) {
  localDir_.assign(clipped(localDefaultDirectory));
  mode_ = Mode::Main;
  lineNo_ = records_ = progress_ = 0;
  current_.clear();
  slotCount_ = 0;
  for (auto& slot : slots_) slot.clear();
}

void HtmlTagRules::line(std::string_view text, bool continuation) {
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (!continuation || lineNo_ == 0) ++lineNo_;
  do {
    const std::size_t n = std::min(text.size(), kRecordWidth);
    record(text.substr(0, n));
    text.remove_prefix(n);
  } while (!text.empty());
}

void HtmlTagRules::record(std::string_view text) {
  ++records_;
  switch (mode_) {
    case Mode::Main:
      mainRecord(text);
      break;
    case Mode::MetaLookAhead:
      lookAheadRecord(text);
      break;
    case Mode::Script:
    case Mode::Form:
      captureRecord(text);
      break;
  }
}

void HtmlTagRules::mainRecord(std::string_view text) {
  ++progress_;
  const Scan s(text);

  if (const long t = s[kTitle]) {
    const long e = findFrom(text, kTitleEnd, t + 7);
    title_ = rt::SUB(workingText(text), t + 7, e - t - 7);
    pageTitle_ = title_.clip();
    sink_.title({lineNo_, pageTitle_.clip()});
  }

  if (const long i = s[kImgSrc]) {
    source_ = quotedValue(text, i, 8);
    height_ = s[kHeight] ? quotedValue(text, s[kHeight], 7) : std::string();
    width_ = s[kWidth] ? quotedValue(text, s[kWidth], 6) : std::string();
    std::string_view local = source_.clip();
    if (!local.empty() && (local.front() == '/' || local.front() == '\\')) local.remove_prefix(1);
    pathWork_.assign(localDir_).append("/").append(local);
    imagePath_ = pathWork_;
    ++progress_;
    sink_.image({lineNo_, source_.clip(), height_.clip(), width_.clip(), imagePath_.clip()});
  }

  if (const long h = s[kHref]) {
    link_ = quotedValue(text, h, 5);
    ++progress_;
    sink_.link({lineNo_, link_.clip()});
  }

  if (const long m = s[kMetaName]) {
    metaName_ = quotedValue(workingText(text), m, 10);
    contents_.clear();
    metaLine_ = lineNo_;
    if (!searchContents(text, s) && !metaName_.blank()) {
      mode_ = Mode::MetaLookAhead;
      keepCurrent(text);
      return;
    }
    emitMeta();
  }

  blockRules(text, s, true);
}

bool HtmlTagRules::searchContents(std::string_view text, const Scan& s) {
  sink_.pendingMessages();
  if (const long c = s[kContent]) contents_ = quotedValue(workingText(text), c, 8);
  return !contents_.blank();
}

void HtmlTagRules::emitMeta() {
  metaNameField_ = metaName_.clip();
  ++progress_;
  sink_.meta({metaLine_, metaNameField_.clip(), contents_.clip()});
}

void HtmlTagRules::lookAheadRecord(std::string_view text) {
  const Scan s(text);
  if (!searchContents(text, s)) {
    keepCurrent(text);
    return;
  }
  emitMeta();
  mode_ = Mode::Main;
  blockRules(text, s, true);
}

// Rules 8 and 9 on the line the rules stand on; a block that stays open ends the pass here
// and resumes with the next push.
void HtmlTagRules::blockRules(std::string_view text, const Scan& s, bool scriptRule) {
  if (scriptRule && s[kScript] && !startBlock(Mode::Script, text, s)) return;
  if (s[kForm] && !startBlock(Mode::Form, text, s)) return;
  endIteration();
}

// True when the block closes on its own start line (and has been written).
bool HtmlTagRules::startBlock(Mode mode, std::string_view text, const Scan& s) {
  mode_ = mode;
  blockLine_ = lineNo_;
  slotCount_ = 0;
  ++progress_;
  fillSlot(text);
  if (s[closingOf(mode == Mode::Script)]) {
    writeBlock();
    return true;
  }
  keepCurrent(text);
  return false;
}

void HtmlTagRules::fillSlot(std::string_view text) {
  std::string_view work = workingText(text);
  work.remove_prefix(std::min(work.find_first_not_of(' '), work.size()));
  slots_[slotCount_++] = work;
}

void HtmlTagRules::captureRecord(std::string_view text) {
  if (isBlank(text)) {  // blank lines take no slot
    keepCurrent(text);
    return;
  }
  const Scan s(text);
  const bool closes = s[closingOf(mode_ == Mode::Script)] != 0;
  // The 40th slot only ever holds a closing line; an unclosed block stops short of it.
  const bool lastSlot = slotCount_ + 1 == HtmlBlock::kSlots;
  ++progress_;
  if (!lastSlot || closes) fillSlot(text);
  if (closes || lastSlot)
    endBlock(text, s);
  else
    keepCurrent(text);
}

// The rules go on on the line a block ended at: a form may start on the line closing a script.
void HtmlTagRules::endBlock(std::string_view current, const Scan& s) {
  const bool script = mode_ == Mode::Script;
  writeBlock();
  if (script)
    blockRules(current, s, false);
  else
    endIteration();
}

// A block is written only when its first line is not blank.
void HtmlTagRules::writeBlock() {
  if (!slots_[0].blank()) {
    HtmlBlock block;
    block.line = blockLine_;
    block.count = slotCount_;
    for (int i = 0; i < slotCount_; ++i) block.lines[i] = slots_[i].clip();
    ++progress_;
    if (mode_ == Mode::Script)
      sink_.script(block);
    else
      sink_.form(block);
  }
  for (int i = 0; i < slotCount_; ++i) slots_[i].clear();
  slotCount_ = 0;
  mode_ = Mode::Main;
}

void HtmlTagRules::endIteration() {
  mode_ = Mode::Main;
  ++progress_;
}

void HtmlTagRules::keepCurrent(std::string_view text) {
  if (text.data() != current_.data()) current_.assign(text);
}

void HtmlTagRules::finish() {
  // At the end of the file the line last read stays the current line; the rules still due on
  // it run now, and a block they open ends at once.
  while (mode_ != Mode::Main) {
    const std::string_view current = current_;
    const Scan s(current);
    if (mode_ == Mode::MetaLookAhead) {
      emitMeta();
      mode_ = Mode::Main;
      blockRules(current, s, true);
    } else {
      endBlock(current, s);
    }
  }
}
