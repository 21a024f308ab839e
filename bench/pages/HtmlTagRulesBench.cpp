// The page tag rules against plain line reading, over a generated site: a few thousand pages of
// 5 KB to 200 KB with titles, meta tags (some split over two lines), scripts, forms, links,
// images, long lines and both kinds of line ends. TW_BENCH_PAGES sets the page count.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "pages/HtmlTagRules.h"

namespace {

namespace fs = std::filesystem;

class SiteGenerator {
 public:
  explicit SiteGenerator(unsigned seed) : rng_(seed) {}

  std::string page(int index, std::size_t targetBytes) {
    out_.clear();
    crlf_ = pick(2) == 0;
    emit("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
    emit("<HTML>");
    emit("<HEAD>");
    emit("  <TITLE>Tarn walks - page " + std::to_string(index) + "</TITLE>");
    emit("  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">");
    emit("  <meta name=\"keywords\" content=\"" + words(8) + "\">");
    if (pick(3) == 0) {
      emit("  <meta name=\"description\"");
      emit("        content=\"" + words(20) + "\">");
    } else {
      emit("  <META NAME=\"description\" CONTENT=\"" + words(20) + "\">");
    }
    emit("  <link rel=\"stylesheet\" type=\"text/css\" href=\"/css/site.css\">");
    for (int s = pick(3) + 1; s > 0; --s) script(pick(50) + 5);
    emit("</HEAD>");
    emit("<BODY bgcolor=\"#FFFFFF\" text=\"#000000\" link=\"#0000CC\">");
    while (out_.size() < targetBytes) {
      switch (pick(10)) {
        case 0:
          table();
          break;
        case 1:
          if (pick(4) == 0) form();
          break;
        case 2:
          if (pick(3) == 0) script(pick(12) + 2);
          break;
        case 3:
          emit("<p><IMG SRC=\"/images/pic" + std::to_string(pick(500)) + ".jpg\" HEIGHT=\"" +
               std::to_string(60 + pick(300)) + "\" WIDTH=\"" + std::to_string(80 + pick(400)) +
               "\" ALT=\"" + words(3) + "\" border=\"0\"></p>");
          break;
        default:
          paragraph();
      }
    }
    emit("<p><a href=\"index.htm\">Home</a> | <a href=\"mailto:walks@example.com\">Mail</a></p>");
    emit("</BODY>");
    emit("</HTML>");
    return out_;
  }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  void emit(const std::string& line) {
    out_ += line;
    out_ += crlf_ ? "\r\n" : "\n";
  }

  std::string words(int n) {
    static const char* const kWords[] = {
        "tarn",   "walk",  "ridge", "water", "stone", "path", "the",   "a",    "of",   "and",
        "summit", "fell",  "beck",  "crag",  "view",  "mist", "north", "over", "down", "valley",
        "route",  "cairn", "moss",  "heron", "slope", "gill", "pike",  "wood", "lake", "shore"};
    std::string s;
    for (int i = 0; i < n; ++i) {
      if (i) s += ' ';
      s += kWords[pick(30)];
    }
    return s;
  }

  void paragraph() {
    emit("<p>");
    for (int l = pick(8) + 2; l > 0; --l) {
      std::string line = "  " + words(pick(14) + 4);
      if (pick(3) == 0)
        line += " <a href=\"walk" + std::to_string(pick(3000)) + ".htm\">" + words(2) + "</a> ";
      if (pick(6) == 0) line += " <b>" + words(3) + "</b> <i>" + words(2) + "</i>";
      if (pick(25) == 0) line += words(60);  // an unwrapped line beyond 255 bytes
      emit(line + words(pick(6) + 1));
    }
    emit("</p>");
  }

  void table() {
    emit("<table width=\"100%\" border=\"0\" cellpadding=\"2\" cellspacing=\"0\">");
    for (int r = pick(8) + 2; r > 0; --r) {
      emit("  <tr>");
      emit("    <td width=\"30%\" valign=\"top\"><a href=\"fell" + std::to_string(pick(900)) +
           ".htm\">" + words(2) + "</a></td>");
      emit("    <td>" + words(pick(10) + 3) + "</td>");
      emit("  </tr>");
    }
    emit("</table>");
  }

  void script(int lines) {
    emit("<SCRIPT LANGUAGE=\"JavaScript\">");
    emit("<!--");
    for (int i = 0; i < lines; ++i) {
      if (pick(8) == 0) emit("");
      emit("  var v" + std::to_string(i) + " = (x < " + std::to_string(pick(99)) +
           ") ? document.images[" + std::to_string(pick(9)) + "].src : \"" + words(2) + "\";");
    }
    emit("// -->");
    emit("</SCRIPT>");
  }

  void form() {
    emit("<FORM method=\"post\" action=\"/cgi-bin/mail.pl\">");
    for (int i = pick(10) + 3; i > 0; --i)
      emit("  <input type=\"text\" name=\"f" + std::to_string(i) + "\" size=\"30\"><br>");
    emit("  <input type=\"submit\" value=\"Send\">");
    emit("</FORM>");
  }

  std::mt19937 rng_;
  std::string out_;
  bool crlf_ = false;
};

struct Site {
  fs::path dir;
  std::vector<std::string> files;
  std::size_t bytes = 0;
  std::size_t lines = 0;

  Site() = default;
  Site(Site&& other) noexcept
      : dir(std::exchange(other.dir, {})),
        files(std::move(other.files)),
        bytes(other.bytes),
        lines(other.lines) {}
  ~Site() {
    std::error_code ignored;
    if (!dir.empty()) fs::remove_all(dir, ignored);
  }
};

Site& site() {
  static Site s = [] {
    Site out;
    const char* env = std::getenv("TW_BENCH_PAGES");
    const int pages = env ? std::atoi(env) : 2000;
    out.dir = fs::temp_directory_path() / ("tw_pages_bench_" + std::to_string(::getpid()));
    fs::create_directories(out.dir);
    SiteGenerator gen(20261209);
    std::mt19937 sizes(7);
    std::uniform_real_distribution<double> logSize(std::log(5.0 * 1024), std::log(200.0 * 1024));
    for (int i = 0; i < pages; ++i) {
      const std::string text = gen.page(i, static_cast<std::size_t>(std::exp(logSize(sizes))));
      const fs::path file = out.dir / ("page" + std::to_string(i) + ".htm");
      std::ofstream(file, std::ios::binary) << text;
      out.files.push_back(file.string());
      out.bytes += text.size();
      for (char c : text) out.lines += c == '\n';
    }
    return out;
  }();
  return s;
}

// Counts what the rules hand out, so none of it can be optimised away.
struct CountingSink : HtmlTagSink {
  std::size_t events = 0, bytes = 0;
  void title(const HtmlTitle& t) override { tally(t.title.size()); }
  void image(const HtmlImage& i) override { tally(i.source.size() + i.imagePath.size()); }
  void link(const HtmlLink& l) override { tally(l.link.size()); }
  void meta(const HtmlMeta& m) override { tally(m.name.size() + m.contents.size()); }
  void script(const HtmlBlock& b) override { tally(static_cast<std::size_t>(b.count)); }
  void form(const HtmlBlock& b) override { tally(static_cast<std::size_t>(b.count)); }
  void tally(std::size_t n) {
    ++events;
    bytes += n;
  }
};

// Reads every page line by line with stdio's getline, handing each line to `perLine`.
template <typename PerPage, typename PerLine, typename EndPage>
void readSite(PerPage&& startPage, PerLine&& perLine, EndPage&& endPage) {
  char* buf = nullptr;
  std::size_t cap = 0;
  for (const std::string& name : site().files) {
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) continue;
    startPage();
    ssize_t n;
    while ((n = ::getline(&buf, &cap, f)) > 0) {
      std::size_t len = static_cast<std::size_t>(n);
      if (buf[len - 1] == '\n') --len;
      perLine(std::string_view(buf, len));
    }
    std::fclose(f);
    endPage();
  }
  std::free(buf);
}

void setCounters(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * site().bytes));
  state.counters["pages"] = static_cast<double>(site().files.size());
  state.counters["lines"] = static_cast<double>(site().lines);
}

void BM_ReadLines_stdio(benchmark::State& state) {
  for (auto _ : state) {
    std::size_t total = 0;
    readSite([] {}, [&](std::string_view line) { total += line.size(); }, [] {});
    benchmark::DoNotOptimize(total);
  }
  setCounters(state);
}

void BM_ReadLines_ifstream(benchmark::State& state) {
  std::string line;
  for (auto _ : state) {
    std::size_t total = 0;
    for (const std::string& name : site().files) {
      std::ifstream in(name, std::ios::binary);
      while (std::getline(in, line)) total += line.size();
    }
    benchmark::DoNotOptimize(total);
  }
  setCounters(state);
}

void BM_ReadLinesWithTagRules(benchmark::State& state) {
  CountingSink sink;
  HtmlTagRules rules(sink);
  for (auto _ : state) {
    readSite([&] { rules.startPage("/home/walker/site"); },
             [&](std::string_view line) { rules.line(line); }, [&] { rules.finish(); });
    benchmark::DoNotOptimize(sink.bytes);
  }
  setCounters(state);
  state.counters["records"] = static_cast<double>(sink.events) / state.iterations();
}

// The rules alone, over lines already in memory.
void BM_TagRulesInMemory(benchmark::State& state) {
  struct Page {
    std::string text;
    std::vector<std::pair<std::size_t, std::size_t>> lines;
  };
  std::vector<Page> pages;
  {
    Page* current = nullptr;
    readSite([&] { current = &pages.emplace_back(); },
             [&](std::string_view line) {
               current->lines.emplace_back(current->text.size(), line.size());
               current->text += line;
             },
             [] {});
  }
  CountingSink sink;
  HtmlTagRules rules(sink);
  for (auto _ : state) {
    for (const Page& p : pages) {
      rules.startPage("/home/walker/site");
      for (const auto& [at, len] : p.lines) rules.line(std::string_view(p.text).substr(at, len));
      rules.finish();
    }
    benchmark::DoNotOptimize(sink.bytes);
  }
  setCounters(state);
}

BENCHMARK(BM_ReadLines_stdio)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadLines_ifstream)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadLinesWithTagRules)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TagRulesInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the comparisons the benchmarks are there for, once all have run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto ratio = [&](const char* what, const std::string& a, const std::string& b) {
      if (times_.count(a) && times_.count(b))
        std::printf("%-52s %.2fx\n", what, times_[a] / times_[b]);
    };
    std::printf("\n%zu pages, %.1f MB, %zu lines\n", site().files.size(), site().bytes / 1e6,
                site().lines);
    ratio("read + tag rules / read (stdio getline):", "BM_ReadLinesWithTagRules/real_time",
          "BM_ReadLines_stdio/real_time");
    ratio("read + tag rules / read (ifstream getline):", "BM_ReadLinesWithTagRules/real_time",
          "BM_ReadLines_ifstream/real_time");
    ratio("tag rules alone / read (stdio getline):", "BM_TagRulesInMemory/real_time",
          "BM_ReadLines_stdio/real_time");
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  site();  // generate before any timing
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
