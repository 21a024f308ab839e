#include "tarnfix/PageScan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <limits>

namespace tarnfix {
namespace {

using Bytes = std::vector<unsigned char>;

std::uint32_t be16(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 8) | p[1];
}
std::uint32_t be32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

// Bytes used, 0 when the varint runs past `end`.
int varint(const unsigned char* p, const unsigned char* end, std::uint64_t& v) {
  v = 0;
  for (int i = 0; i < 9; ++i) {
    if (p + i >= end) return 0;
    if (i == 8) {
      v = (v << 8) | p[i];
      return 9;
    }
    v = (v << 7) | (p[i] & 0x7f);
    if (!(p[i] & 0x80)) return i + 1;
  }
  return 0;
}

enum Kind : unsigned char { Unknown, Free, Schema, Overflow, Index, Table, Reserved };

enum PageType : unsigned char {
  IndexInterior = 0x02,
  TableInterior = 0x05,
  IndexLeaf = 0x0A,
  TableLeaf = 0x0D,
};

class Pages {
 public:
  ~Pages() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool open(const std::string& path, std::string& why) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    unsigned char h[100];
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || ::pread(fd_, h, sizeof h, 0) != sizeof h) {
      why = std::string("cannot be read: ") + std::strerror(errno ? errno : EIO);
      return false;
    }
    header_.assign(h, h + sizeof h);
    if (std::memcmp(h, "SQLite format 3", 16) != 0) {
      why = "its header is damaged";
      return false;
    }
    size_ = be16(h + 16) == 1 ? 65536 : be16(h + 16);
    if (size_ < 512 || size_ > 65536 || (size_ & (size_ - 1)) || size_ - h[20] < 480) {
      why = "its header names no valid page size";
      return false;
    }
    usable_ = size_ - h[20];
    count_ = static_cast<std::uint32_t>(st.st_size / size_);
    return true;
  }

  bool read(std::uint32_t n, Bytes& out) const {
    out.resize(size_);
    return n >= 1 && n <= count_ &&
           ::pread(fd_, out.data(), size_, static_cast<off_t>(n - 1) * size_) ==
               static_cast<ssize_t>(size_);
  }

  const unsigned char* header() const { return header_.data(); }
  std::uint32_t usable() const { return usable_; }
  std::uint32_t count() const { return count_; }

 private:
  int fd_ = -1;
  Bytes header_;
  std::uint32_t size_ = 0;
  std::uint32_t usable_ = 0;
  std::uint32_t count_ = 0;
};

// A b-tree page's header and cell pointers, checked to lie within the page.
struct Node {
  unsigned char type = 0;
  std::uint32_t rightChild = 0;
  std::vector<std::uint32_t> cells;  // offsets into the page
};

bool parseNode(const Bytes& page, std::uint32_t number, std::uint32_t usable, Node& node) {
  const std::uint32_t at = number == 1 ? 100 : 0;
  node.type = page[at];
  const bool interior = node.type == IndexInterior || node.type == TableInterior;
  if (!interior && node.type != IndexLeaf && node.type != TableLeaf) return false;
  const std::uint32_t headerSize = interior ? 12 : 8;
  const std::uint32_t cells = be16(&page[at + 3]);
  const std::uint32_t pointers = at + headerSize;
  if (pointers + 2 * cells > usable) return false;
  if (interior) node.rightChild = be32(&page[at + 8]);
  node.cells.clear();
  for (std::uint32_t i = 0; i < cells; ++i) node.cells.push_back(be16(&page[pointers + 2 * i]));
  return true;
}

class Scanner {
 public:
  Scanner(const rt::FileDesc& desc, const Pages& pages, PageScan& out)
      : desc_(desc), pages_(pages), out_(out), kind_(pages.count() + 1, Unknown) {}

  void markFreelist() {
    const unsigned char* h = pages_.header();
    std::uint32_t trunk = be32(h + 32);
    Bytes page;
    for (std::uint32_t seen = 0; trunk != 0; ++seen) {
      if (seen > pages_.count() || !valid(trunk) || !pages_.read(trunk, page)) {
        out_.notes.push_back("the list of free pages is damaged at page " + std::to_string(trunk));
        return;
      }
      kind_[trunk] = Free;
      const std::uint32_t leaves = be32(&page[4]);
      if (leaves > pages_.usable() / 4 - 2) {
        out_.notes.push_back("free list page " + std::to_string(trunk) + " is damaged");
        return;
      }
      for (std::uint32_t i = 0; i < leaves; ++i)
        if (const std::uint32_t leaf = be32(&page[8 + 4 * i]); valid(leaf)) kind_[leaf] = Free;
      trunk = be32(&page[0]);
    }
  }

  void markReserved() {
    // The page that holds the file's lock bytes, and the pointer maps of auto-vacuum files.
    const std::uint64_t pageSize = pages_.usable() + pages_.header()[20];
    const std::uint64_t lockPage = (std::uint64_t{1} << 30) / pageSize + 1;
    if (lockPage <= pages_.count()) kind_[lockPage] = Reserved;
    if (be32(pages_.header() + 52) == 0) return;
    const std::uint32_t step = pages_.usable() / 5 + 1;
    for (std::uint64_t p = 2; p <= pages_.count(); p += step) kind_[p] = Reserved;
  }

  // Marks a whole tree: its pages, and the overflow chains of its cells. A page of it that
  // cannot be parsed still belongs to it.
  void markTree(std::uint32_t root, Kind kind) {
    std::deque<std::uint32_t> todo{root};
    Bytes page;
    Node node;
    while (!todo.empty()) {
      const std::uint32_t n = todo.front();
      todo.pop_front();
      if ((n != 1 && !valid(n)) || kind_[n] != Unknown) continue;
      kind_[n] = kind;
      if (!pages_.read(n, page) || !parseNode(page, n, pages_.usable(), node)) continue;
      const bool interior = node.type == IndexInterior || node.type == TableInterior;
      if (interior) todo.push_back(node.rightChild);
      for (std::uint32_t off : node.cells) {
        if (off + 4 > pages_.usable()) continue;
        if (interior) todo.push_back(be32(&page[off]));
        if (node.type == TableInterior) continue;  // a key and a child only
        std::string payload;
        std::vector<std::uint32_t> chain;
        std::int64_t rowid = 0;
        std::string why;
        if (readCell(page, interior ? off + 4 : off, node.type, rowid, payload, chain, why))
          for (std::uint32_t c : chain) kind_[c] = Overflow;
      }
    }
  }

  // Every other page: table leaves are read, anything unrecognised may have held records.
  void readLeaves() {
    Bytes page;
    Node node;
    for (std::uint32_t n = 2; n <= pages_.count(); ++n) {
      if (kind_[n] != Unknown) continue;
      if (!pages_.read(n, page) || !parseNode(page, n, pages_.usable(), node)) {
        destroyed_.push_back(n);
        continue;
      }
      if (node.type != TableLeaf) continue;
      Leaf& leaf = leaves_[n];
      for (std::uint32_t off : node.cells) {
        Cell cell;
        std::string payload;
        std::string why;
        if (!readCell(page, off, TableLeaf, cell.rowid, payload, cell.chain, why) ||
            !decode(payload, cell.values, why)) {
          ++leaf.unreadable;
          if (leaf.why.empty()) leaf.why = why;
          continue;
        }
        leaf.cells.push_back(std::move(cell));
      }
    }
  }

  // Pages taken for leaves that a readable cell names as its overflow are not leaves; the
  // rest are merged in page order.
  void merge() {
    std::set<std::uint32_t> overflow;
    for (const auto& [n, leaf] : leaves_)
      for (const Cell& c : leaf.cells) overflow.insert(c.chain.begin(), c.chain.end());
    for (auto& [n, leaf] : leaves_) {
      if (overflow.count(n)) continue;
      if (leaf.unreadable > 0)
        out_.notes.push_back("page " + std::to_string(n) + ": " + std::to_string(leaf.unreadable) +
                             " of " + std::to_string(leaf.unreadable + leaf.cells.size()) +
                             " records cannot be read (" + leaf.why + ")");
      out_.unreadable += leaf.unreadable;
      for (Cell& c : leaf.cells) {
        auto [it, added] = out_.records.try_emplace(c.rowid, std::move(c.values));
        if (!added && it->second != c.values) ++out_.duplicates;
      }
    }
    for (std::uint32_t n : destroyed_) {
      if (overflow.count(n)) continue;
      out_.unknownLost = true;
      out_.notes.push_back("page " + std::to_string(n) + " is destroyed");
    }
  }

 private:
  struct Cell {
    std::int64_t rowid = 0;
    std::vector<rt::SqlValue> values;
    std::vector<std::uint32_t> chain;
  };
  struct Leaf {
    std::vector<Cell> cells;
    std::int64_t unreadable = 0;
    std::string why;
  };

  bool valid(std::uint64_t n) const { return n >= 2 && n <= pages_.count(); }

  // A cell's payload, followed through its overflow pages.
  bool readCell(const Bytes& page, std::uint32_t off, unsigned char type, std::int64_t& rowid,
                std::string& payload, std::vector<std::uint32_t>& chain, std::string& why) const {
    const std::uint32_t u = pages_.usable();
    const unsigned char* end = page.data() + u;
    const unsigned char* p = page.data() + off;
    std::uint64_t size = 0;
    std::uint64_t key = 0;
    int used = off < u ? varint(p, end, size) : 0;
    if (used && type == TableLeaf) {
      const int more = varint(p + used, end, key);
      used = more ? used + more : 0;
      rowid = static_cast<std::int64_t>(key);
    }
    if (!used) return (why = "its cell runs off the page", false);
    if (size > (std::uint64_t{1} << 30)) return (why = "its length is impossible", false);
    p += used;
    const std::uint64_t maxLocal = type == TableLeaf ? u - 35 : (u - 12) * 64 / 255 - 23;
    const std::uint64_t minLocal = (u - 12) * 32 / 255 - 23;
    std::uint64_t local = size;
    if (size > maxLocal) {
      local = minLocal + (size - minLocal) % (u - 4);
      if (local > maxLocal) local = minLocal;
    }
    if (p + local + (local < size ? 4 : 0) > end)
      return (why = "its cell runs off the page", false);
    payload.assign(reinterpret_cast<const char*>(p), local);
    if (local == size) return true;
    std::uint32_t next = be32(p + local);
    Bytes over;
    while (payload.size() < size) {
      if (!valid(next) || kind_[next] == Free || kind_[next] == Schema ||
          std::find(chain.begin(), chain.end(), next) != chain.end() || !pages_.read(next, over))
        return (why = "its overflow pages are lost", false);
      chain.push_back(next);
      const std::size_t take = std::min<std::uint64_t>(size - payload.size(), u - 4);
      payload.append(reinterpret_cast<const char*>(&over[4]), take);
      next = be32(&over[0]);
    }
    return true;
  }

  // The columns of a record, as many and of the kinds the layout's table holds.
  bool decode(const std::string& payload, std::vector<rt::SqlValue>& values,
              std::string& why) const {
    const auto* p = reinterpret_cast<const unsigned char*>(payload.data());
    const unsigned char* end = p + payload.size();
    std::uint64_t headerSize = 0;
    int used = varint(p, end, headerSize);
    if (!used || headerSize > payload.size()) return (why = "its record header is damaged", false);
    std::vector<std::uint64_t> types;
    for (const unsigned char* h = p + used; h < p + headerSize; h += used) {
      std::uint64_t t = 0;
      used = varint(h, p + headerSize, t);
      if (!used) return (why = "its record header is damaged", false);
      types.push_back(t);
    }
    const std::size_t columns = desc_.fields.size() + desc_.memos.size();
    if (types.size() != columns) return (why = "it does not fit the record layout", false);
    const unsigned char* v = p + headerSize;
    values.clear();
    for (std::size_t c = 0; c < columns; ++c) {
      const std::uint64_t t = types[c];
      const bool memo = c >= desc_.fields.size();
      const rt::FieldDesc* f = memo ? nullptr : &desc_.fields[c];
      const bool text = memo || f->type == rt::FieldType::String;
      if (text) {
        const std::uint64_t width = memo ? desc_.memos[c - desc_.fields.size()].size : f->size;
        const std::uint64_t n = (t - 13) / 2;
        if (t < 13 || t % 2 == 0 || n > width || n > static_cast<std::uint64_t>(end - v))
          return (why = "it does not fit the record layout", false);
        values.emplace_back(std::string(reinterpret_cast<const char*>(v), n));
        v += n;
        continue;
      }
      static constexpr int kIntBytes[] = {0, 1, 2, 3, 4, 6, 8};
      if (t == 7 && f->type == rt::FieldType::Real && end - v >= 8) {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits = (bits << 8) | v[i];
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        values.emplace_back(d);
        v += 8;
        continue;
      }
      std::int64_t i = 0;
      if (t == 8 || t == 9) {
        i = t == 9;
      } else if (t >= 1 && t <= 6 && end - v >= kIntBytes[t]) {
        const int n = kIntBytes[t];
        std::uint64_t bits = v[0] & 0x80 ? ~std::uint64_t{0} : 0;
        for (int b = 0; b < n; ++b) bits = (bits << 8) | v[b];
        i = static_cast<std::int64_t>(bits);
        v += n;
      } else {
        return (why = "it does not fit the record layout", false);
      }
      if (f->type == rt::FieldType::Real) {
        values.emplace_back(static_cast<double>(i));
        continue;
      }
      const bool fits =
          f->type == rt::FieldType::Byte ? i >= 0 && i <= 255
          : f->type == rt::FieldType::Short
              ? i >= -32768 && i <= 32767
              : i >= std::numeric_limits<int>::min() && i <= std::numeric_limits<int>::max();
      if (!fits) return (why = "it does not fit the record layout", false);
      values.emplace_back(i);
    }
    if (v != end) return (why = "it does not fit the record layout", false);
    return true;
  }

  const rt::FileDesc& desc_;
  const Pages& pages_;
  PageScan& out_;
  std::vector<unsigned char> kind_;
  std::map<std::uint32_t, Leaf> leaves_;
  std::vector<std::uint32_t> destroyed_;
};

}  // namespace

bool scanPages(const rt::FileDesc& desc, const std::string& path,
               const std::set<std::uint32_t>& indexRoots, PageScan& out, std::string& why) {
  Pages pages;
  if (!pages.open(path, why)) return false;
  Scanner scan(desc, pages, out);
  scan.markFreelist();
  scan.markReserved();
  scan.markTree(1, Schema);
  for (std::uint32_t root : indexRoots) scan.markTree(root, Index);
  scan.readLeaves();
  scan.merge();
  return true;
}

}  // namespace tarnfix
