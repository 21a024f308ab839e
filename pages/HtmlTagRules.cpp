#include "pages/HtmlTagRules.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/text/FixedString.h"
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

constexpr unsigned char lowerAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Every literal either starts with '<' or ends with '='. Scanning jumps from one such anchor
// byte to the next; the byte beside the anchor (after a '<', before a '=') picks the few
// literals worth comparing there, so most anchors cost one table look-up.
struct AnchorSet {
  char anchor;
  bool atStart;  // the anchor is the literal's first byte, else its last
  int size;      // literals anchored here
  std::array<std::uint16_t, 256> candidates;  // by the byte beside the anchor
};

constexpr AnchorSet makeAnchor(char anchor, bool atStart) {
  AnchorSet set{anchor, atStart, 0, {}};
  for (int i = 0; i < kLiteralCount; ++i) {
    const std::string_view lit = kLiterals[i];
    if ((atStart ? lit.front() : lit.back()) != anchor) continue;
    ++set.size;
    const auto beside = static_cast<unsigned char>(atStart ? lit[1] : lit[lit.size() - 2]);
    for (int c = 0; c < 256; ++c)
      if (lowerAscii(static_cast<unsigned char>(c)) == beside) set.candidates[c] |= 1u << i;
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
static_assert(kLiteralCount <= 16, "candidate masks are 16 bits wide");

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

// rt::SUB on a view: 1-based start (0 taken as 1), a negative length to the end, 0 gives "".
std::string_view sub(std::string_view text, long start, long len) {
  if (start < 1) start = 1;
  const auto from = static_cast<std::size_t>(start - 1);
  if (len == 0 || from >= text.size()) return {};
  return text.substr(from, len < 0 ? std::string_view::npos : static_cast<std::size_t>(len));
}

// The value between the first two double quotes after a tag at p of length n. Missing quotes
// give the odd values the arithmetic leads to (the rest of the line, or the line up to its
// first quote); they are the behaviour pages have always been read with.
std::string_view quotedValue(std::string_view text, long p, long n) {
  const long q1 = rt::INSTRING("\"", text, 1, p + n);
  const long q2 = rt::INSTRING("\"", text, 1, q1 + 1);
  return sub(text, q1 + 1, q2 - q1 - 1);
}

// What a field of `width` bytes keeps of a value: cut as rt::Str cuts, trailing blanks clipped.
// The values live in views rather than padded fields, which would cost a fill and a scan each.
std::string_view fieldText(std::string_view v, std::size_t width) {
  return clipped(v.substr(0, rt::utf8CutLength(v, width)));
}

// Calls f(i) for each '<' and '=' of the text in order of position. Sixteen bytes at a time
// where the processor allows: lines hold few anchors, and finding them is most of a line's cost.
template <typename F>
void forEachAnchor(std::string_view text, F&& f) {
  const char* const p = text.data();
  const std::size_t n = text.size();
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i lt = _mm_set1_epi8('<');
  const __m128i eq = _mm_set1_epi8('=');
  for (; i + 16 <= n; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    auto bits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, lt), _mm_cmpeq_epi8(block, eq))));
    for (; bits; bits &= bits - 1) f(i + static_cast<std::size_t>(std::countr_zero(bits)));
  }
#endif
  for (; i < n; ++i)
    if (p[i] == '<' || p[i] == '=') f(i);
}

// Working widths of the values and the widths of the fields they are stored in.
constexpr std::size_t kTitleWork = 128, kTitleField = 80;       // WEB:HTMLPAGETITLE
constexpr std::size_t kSourceField = 200;                       // WPI:WEBPAGEIMG
constexpr std::size_t kSizeField = 20;                          // WPI:HEIGHT, WPI:WIDTH
constexpr std::size_t kImagePathField = 80;                     // WPI:IMAGEPATH
constexpr std::size_t kLinkField = 200;                         // WPL:WEBPAGELINK
constexpr std::size_t kMetaNameWork = 40, kMetaNameField = 20;  // WPM:METANAME
constexpr std::size_t kContentsWork = 128;                      // WPM:METACONTENTS is wider
constexpr std::size_t kSlotField = 200;                         // WPS:SCRIPTLINEn, WPF:FORMLINEn

}  // namespace

struct HtmlTagRules::Scan {
  // First 1-based position of each literal, 0 when absent; a record holds at most 255 bytes.
  std::array<std::uint8_t, kLiteralCount> at{};

  explicit Scan(std::string_view text) {
    forEachAnchor(text, [&](std::size_t i) {
      const AnchorSet& set = kAnchors[text[i] == '<' ? 0 : 1];
      const std::size_t beside = set.atStart ? i + 1 : i - 1;  // wraps below 0 when i is 0
      if (beside >= text.size()) return;
      for (unsigned mask = set.candidates[static_cast<unsigned char>(text[beside])]; mask;
           mask &= mask - 1) {
        const int lit = std::countr_zero(mask);
        if (at[lit]) continue;
        const std::size_t len = kLiterals[lit].size();
        if (!set.atStart && i + 1 < len) continue;
        const std::size_t start = set.atStart ? i : i + 1 - len;
        if (matchesAt(text, start, kLiterals[lit])) at[lit] = static_cast<std::uint8_t>(start + 1);
      }
    });
  }
  long operator[](Literal lit) const { return at[lit]; }
};

HtmlTagRules::HtmlTagRules(HtmlTagSink& sink) : sink_(sink) {
  current_.reserve(kRecordWidth);
  pathWork_.reserve(kRecordWidth + 100);
  metaName_.reserve(kMetaNameWork);
  contents_.reserve(kContentsWork);
  for (auto& slot : slots_) slot.reserve(kSlotField);
}

void HtmlTagRules::startPage(std::string_view localDefaultDirectory) {
  localDir_.assign(clipped(localDefaultDirectory));
  mode_ = Mode::Main;
  lineNo_ = records_ = progress_ = 0;
  current_.clear();
  owed_ = 0;
  slotCount_ = 0;
  for (auto& slot : slots_) slot.clear();
}

void HtmlTagRules::line(std::string_view text, bool continuation) {
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  lineRecord(text, continuation, false);
}

void HtmlTagRules::lineRecord(std::string_view text, bool continuation, bool cutAfter) {
  if (!continuation || lineNo_ == 0) ++lineNo_;
  bool inside = continuation;
  do {
    const std::size_t n = std::min(text.size(), kRecordWidth);
    const bool more = text.size() > n;
    record(text.substr(0, n), inside, more || cutAfter);
    text.remove_prefix(n);
    inside = true;
  } while (!text.empty());
}

namespace {

bool continuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The bytes a UTF-8 lead byte starts, 1 for any other byte.
std::size_t sequenceLength(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
}

}  // namespace

// A value that begins or ends where a line file split a character loses the piece it holds.
std::string_view HtmlTagRules::value(std::string_view v, std::size_t width) const {
  if (v.data() == record_.data())
    for (std::size_t k = 0; k < leadPiece_ && !v.empty() && continuationByte(v.front()); ++k)
      v.remove_prefix(1);
  if (tailPiece_ > 0 && v.data() + v.size() == record_.data() + record_.size())
    v.remove_suffix(std::min(tailPiece_, v.size()));
  return fieldText(v, width);
}

void HtmlTagRules::record(std::string_view text, bool startsInside, bool endsInside) {
  record_ = text;
  // The piece at the start is what the record before left owing of its last character.
  leadPiece_ = startsInside ? owed_ : 0;
  tailPiece_ = owed_ = 0;
  if (endsInside) {
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, text.size()); ++back) {
      const char c = text[text.size() - back];
      if (continuationByte(c)) continue;
      if (sequenceLength(c) > back) {
        tailPiece_ = back;
        owed_ = sequenceLength(c) - back;
      }
      break;
    }
  }
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
    const std::string_view title = value(sub(workingText(text), t + 7, e - t - 7), kTitleWork);
    sink_.title({lineNo_, fieldText(title, kTitleField)});
  }

  if (const long i = s[kImgSrc]) {
    const std::string_view source = value(quotedValue(text, i, 8), kSourceField);
    const std::string_view height =
        s[kHeight] ? value(quotedValue(text, s[kHeight], 7), kSizeField) : std::string_view();
    const std::string_view width =
        s[kWidth] ? value(quotedValue(text, s[kWidth], 6), kSizeField) : std::string_view();
    std::string_view local = source;
    if (!local.empty() && (local.front() == '/' || local.front() == '\\')) local.remove_prefix(1);
    pathWork_.assign(localDir_).append("/").append(local);
    ++progress_;
    sink_.image({lineNo_, source, height, width, fieldText(pathWork_, kImagePathField)});
  }

  if (const long h = s[kHref]) {
    ++progress_;
    sink_.link({lineNo_, value(quotedValue(text, h, 5), kLinkField)});
  }

  if (const long m = s[kMetaName]) {
    metaName_.assign(value(quotedValue(workingText(text), m, 10), kMetaNameWork));
    contents_.clear();
    metaLine_ = lineNo_;
    if (!searchContents(text, s) && !metaName_.empty()) {
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
  if (const long c = s[kContent])
    contents_.assign(value(quotedValue(workingText(text), c, 8), kContentsWork));
  return !contents_.empty();
}

void HtmlTagRules::emitMeta() {
  ++progress_;
  sink_.meta({metaLine_, fieldText(metaName_, kMetaNameField), contents_});
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

// The script and form blocks on the line the rules stand on; a block that stays open ends the pass
// here and resumes with the next push.
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
  slots_[slotCount_++].assign(value(work, kSlotField));
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
  if (!slots_[0].empty()) {
    HtmlBlock block;
    block.line = blockLine_;
    block.count = slotCount_;
    for (int i = 0; i < slotCount_; ++i) block.lines[i] = slots_[i];
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
  currentLeadPiece_ = leadPiece_;
  currentTailPiece_ = tailPiece_;
}

void HtmlTagRules::finish() {
  // At the end of the file the line last read stays the current line; the rules still due on
  // it run now, and a block they open ends at once.
  while (mode_ != Mode::Main) {
    const std::string_view current = current_;
    record_ = current;
    leadPiece_ = currentLeadPiece_;
    tailPiece_ = currentTailPiece_;
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
