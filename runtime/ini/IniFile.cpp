#include "runtime/ini/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "runtime/text/Paths.h"
#include "runtime/text/Strings.h"

// Bytes are kept as they are (old files are not always UTF-8); the template is instantiated
// here rather than taken from the packaged library, which pulls in a converter we do not use.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace rt {

namespace fs = std::filesystem;

namespace {

// What identifies one version of the file on disk.
struct Stamp {
  std::string path;
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  std::int64_t mtimeNs = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const std::string& path) {
  Stamp s;
  s.path = path;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return s;
}

bool writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Replaces target by a file holding data, so that a reader sees either the old file or the new.
bool replaceAtomically(const std::string& target, const std::string& data) {
  // Through a link, the file linked to is replaced, not the link.
  std::error_code ec;
  std::string real = target;
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    real = fs::canonical(target, ec).string();
    if (ec) return false;
  }
  const fs::path dir = fs::path(real).parent_path();
  std::string tmp = real + ".XXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) return false;
  struct stat st;
  const mode_t mode = ::stat(real.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(tmp.c_str(), real.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool hasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// One line of the file: [begin, textEnd) its text, [textEnd, end) its line end ("\r\n", "\n",
// "\r", or nothing on a last line without one).
struct Line {
  std::size_t begin, textEnd, end;
};

std::vector<Line> linesOf(std::string_view text) {
  std::vector<Line> lines;
  std::size_t i = text.starts_with(kUtf8Mark) ? kUtf8Mark.size() : 0;
  while (i < text.size()) {
    const std::size_t e = std::min(text.find_first_of("\r\n", i), text.size());
    std::size_t next = e;
    if (next < text.size()) next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
    lines.push_back({i, e, next});
    i = next;
  }
  return lines;
}

// What a line is to the reader; the rules are the parser's (SimpleIni without multi-line values
// or key-only lines), so that a write finds the very line a read takes its value from.
struct Parsed {
  enum Kind { kOther, kBlank, kComment, kSection, kKey } kind = kOther;
  std::string_view name;    // section or key, blanks around it dropped
  bool unnamed = false;     // a section no name matches
  std::size_t valueAt = 0;  // offset in the line just past the key's "="
};

Parsed parse(std::string_view line) {
  Parsed p;
  const std::string_view t = trimmed(line);
  if (t.empty()) {
    p.kind = Parsed::kBlank;
  } else if (t.front() == ';' || t.front() == '#') {
    p.kind = Parsed::kComment;
  } else if (t.front() == '[') {
    // A header without its "]" still ends the section above; the reader files the keys after
    // it under a name no caller can ask for.
    const std::size_t close = t.find(']');
    p.kind = Parsed::kSection;
    if (close != std::string_view::npos)
      p.name = trimmed(t.substr(1, close - 1));
    else
      p.unnamed = true;
  } else if (const std::size_t eq = t.find('='); eq != std::string_view::npos && eq > 0) {
    p.kind = Parsed::kKey;
    p.name = trimmed(t.substr(0, eq));
    p.valueAt = static_cast<std::size_t>(t.data() - line.data()) + eq + 1;
  }
  return p;
}

// The file with key in section set to value, every other byte as it was. Lines before the first
// section header belong to the section named "", as they do for the reader; a section that
// stands in several places is one section, its first key of that name the one that counts.
std::string withValue(const std::string& text, std::string_view section, std::string_view key,
                      std::string_view value) {
  const std::vector<Line> lines = linesOf(text);
  std::string_view eol = "\n";
  for (const Line& l : lines)
    if (l.end > l.textEnd) {
      eol = std::string_view(text).substr(l.textEnd, l.end - l.textEnd);
      break;
    }
  const std::string entry = std::string(key) + "=" + std::string(value);

  bool inSection = section.empty();
  bool seenSection = inSection;
  bool firstPartDone = false;
  // Where a new key goes: just after the last non-blank line of the section's first part,
  // except that comments set off from it by a blank line head the next section.
  std::size_t insertAt = text.starts_with(kUtf8Mark) ? kUtf8Mark.size() : 0;
  const Line* insertAfter = nullptr;
  bool afterGap = false;
  for (const Line& l : lines) {
    const std::string_view line(text.data() + l.begin, l.textEnd - l.begin);
    const Parsed p = parse(line);
    if (p.kind == Parsed::kSection) {
      if (inSection) firstPartDone = true;
      inSection = !p.unnamed && equalsNoCase(p.name, section);
      if (inSection && !seenSection) {
        seenSection = true;
        insertAfter = &l;
      }
      continue;
    }
    if (!inSection) continue;
    if (p.kind == Parsed::kKey && equalsNoCase(p.name, key)) {
      std::string out = text;
      out.replace(l.begin + p.valueAt, l.textEnd - l.begin - p.valueAt, value);
      return out;
    }
    if (firstPartDone) continue;
    if (p.kind == Parsed::kBlank) {
      afterGap = true;
    } else if (p.kind != Parsed::kComment || !afterGap) {
      insertAfter = &l;
      afterGap = false;
    }
  }

  std::string out = text;
  if (seenSection) {
    if (insertAfter == nullptr) return out.insert(insertAt, entry + std::string(eol));
    if (insertAfter->end > insertAfter->textEnd)
      return out.insert(
          insertAfter->end,
          entry + std::string(text, insertAfter->textEnd, insertAfter->end - insertAfter->textEnd));
    return out.insert(insertAfter->end, std::string(eol) + entry);
  }
  if (!lines.empty()) {
    const Line& last = lines.back();
    if (last.end == last.textEnd) out += eol;
    if (parse(std::string_view(text.data() + last.begin, last.textEnd - last.begin)).kind !=
        Parsed::kBlank)
      out += eol;
  }
  out += "[" + std::string(section) + "]" + std::string(eol) + entry + std::string(eol);
  return out;
}

std::int64_t nowNs() {
  struct timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// A change within one tick of the file system's clock leaves the time as it was, so a file
// changed this recently may have changed again unseen.
constexpr std::int64_t kUnsettledNs = 2'000'000'000;

std::atomic<std::uint64_t> parses{0};

// One parsed copy per file of the process, shared by every IniFile naming it.
struct Cached {
  std::mutex mutex;
  Stamp stamp;  // of the version held
  bool loaded = false;
  bool unreadable = false;  // the file is there but could not be read: never overwrite it
  std::string text;
  CSimpleIniA ini{false, true, false};

  void parseText() {
    ini.Reset();
    ini.SetSpaces(false);
    ini.LoadData(text);
    parses.fetch_add(1, std::memory_order_relaxed);
  }

  // Brings the copy up to the file on disk.
  void refresh() {
    Stamp now = stampOf(stamp.path);
    if (loaded && now == stamp && (!now.exists || nowNs() - now.mtimeNs >= kUnsettledNs)) return;
    std::string data;
    bool readable = true;
    if (now.exists) {
      std::ifstream in(now.path, std::ios::binary);
      std::ostringstream ss;
      readable = in && (ss << in.rdbuf()) && !in.bad();
      if (readable) data = std::move(ss).str();
      // An empty file gives the stream nothing to copy, which is not a failure to read it.
      if (!readable && in.is_open() && now.size == 0) readable = true;
    }
    unreadable = !readable;
    stamp = std::move(now);
    if (loaded && data == text) return;
    text = std::move(data);
    parseText();
    loaded = true;
  }

  std::optional<std::string> get(const std::string& section, const std::string& key) const {
    CSimpleIniA::TNamesDepend values;
    if (!ini.GetAllValues(section.c_str(), key.c_str(), values) || values.empty()) return {};
    // Of a key written more than once, the first in the file.
    const auto first =
        std::min_element(values.begin(), values.end(), CSimpleIniA::Entry::LoadOrder());
    return std::string(first->pItem);
  }
};

std::shared_ptr<Cached> cachedFor(const std::string& path) {
  static std::mutex mutex;
  static std::unordered_map<std::string, std::shared_ptr<Cached>> files;
  std::string real = resolvePath(path);
  std::lock_guard lock(mutex);
  std::shared_ptr<Cached>& c = files[real];
  if (!c) {
    c = std::make_shared<Cached>();
    c->stamp.path = std::move(real);
  }
  return c;
}

}  // namespace

std::uint64_t iniParseCount() {
  return parses.load(std::memory_order_relaxed);
}

IniFile::IniFile(std::string_view path) {
  std::error_code ec;
  const std::string p = normalizePath(path);
  path_ = p.empty() ? p : fs::absolute(p, ec).lexically_normal().string();
  if (ec) path_ = p;
}

IniFile::~IniFile() = default;

std::string IniFile::resolvedPath() const {
  return resolvePath(path_);
}

std::string IniFile::getString(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const {
  const std::shared_ptr<Cached> c = cachedFor(path_);
  std::lock_guard lock(c->mutex);
  c->refresh();
  return c->get(std::string(trimBlanks(section)), std::string(trimBlanks(key)))
      .value_or(std::string(defaultValue));
}

double IniFile::getNumber(std::string_view section, std::string_view key,
                          double defaultValue) const {
  const std::string v(trimBlanks(getString(section, key)));
  if (v.empty() || !(std::isdigit(static_cast<unsigned char>(v[0])) || v[0] == '-' || v[0] == '+' ||
                     v[0] == '.'))
    return defaultValue;
  char* end = nullptr;
  const double d = std::strtod(v.c_str(), &end);
  return end == v.c_str() || !std::isfinite(d) ? defaultValue : d;
}

bool IniFile::put(std::string_view section, std::string_view key, std::string_view value) {
  return put(section, {Entry{key, value}});
}

bool IniFile::put(std::string_view section, std::initializer_list<Entry> entries) {
  if (hasLineBreak(section) || section.find(']') != std::string_view::npos) return false;
  for (const auto& [key, value] : entries) {
    const std::string_view k = trimBlanks(key);
    if (k.empty() || hasLineBreak(key) || hasLineBreak(value) ||
        k.find('=') != std::string_view::npos || k.front() == ';' || k.front() == '#' ||
        k.front() == '[')
      return false;
  }
  const std::shared_ptr<Cached> c = cachedFor(path_);
  std::lock_guard lock(c->mutex);
  c->refresh();
  if (c->unreadable) return false;
  std::string data = c->text;
  for (const auto& [key, value] : entries)
    data = withValue(data, trimBlanks(section), trimBlanks(key), value);
  if (!replaceAtomically(c->stamp.path, data)) {
    c->loaded = false;
    return false;
  }
  c->text = std::move(data);
  c->parseText();
  c->stamp = stampOf(c->stamp.path);
  return true;
}

bool IniFile::putNumber(std::string_view section, std::string_view key, double value) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return put(section, key, buf);
}

}  // namespace rt
