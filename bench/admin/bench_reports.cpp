// PrintDomains over 100,000 domains: the time until its preview shows the first page (the
// whole procedure: progress window, one read of the view, the preview), the time to write
// every page as a PDF, and beside it a hand-written loop that reads the same rows with plain
// SQLite and draws the same texts at the same places with QPainter on a QPdfWriter. Peak
// memory is reported per benchmark (run one with --benchmark_filter for its own peak), and
// the memory the read pages hold, per page.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>
#include <fstream>
#include <string>

#include "admin/Reports.h"
#include "bench/common/QtTableBaseline.h"
#include "dictionary/Dictionary.h"
#include "runtime/text/Dates.h"
#include "runtime/text/Picture.h"
#include "runtime/ui/QtText.h"
#include "tests/support/TestDriver.h"

namespace {

int records() {
  static const int n = qEnvironmentVariableIsSet("TW_BENCH_RECORDS")
                           ? qEnvironmentVariableIntValue("TW_BENCH_RECORDS")
                           : 100'000;
  return n;
}

void fill() {
  DomainsRecord rec{};
  rt::KeyedFile f(DomainsDesc(), &rec);
  f.create();
  f.open();
  for (int i = 0; i < records(); ++i) {
    rec = DomainsRecord{};
    rec.DOMAINNAME = "domain" + std::to_string(i) + ".com";
    rec.DATESTARTED = 80000 + i % 3000;
    rec.RENEWALDATE = 82000 + i % 3000;
    rec.REGISTRAR = "Registrar " + std::to_string(i % 50);
    rec.REGLOGIN = "login" + std::to_string(i);
    rec.FEEPAID = rt::Decimal{1000 + i % 5000};
    rec.OWNERNAME = "Owner " + std::to_string(i % 1000);
    rec.CONTACTPERSON = "Contact";
    rec.HOST = "Host " + std::to_string(i % 20);
    rec.EMAILACCT0 = "info@domain" + std::to_string(i) + ".com";
    rec.FORWARD0 = "me@example.com";
    f.append();
  }
  f.close();
}

rt::TestDriver& driver() {
  static rt::TestDriver d;
  return d;
}

long peakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

long rssKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

const char* pdfPath() {
  static const std::string p = QDir::current().filePath("bench.pdf").toStdString();
  return p.c_str();
}

void BM_PrintDomainsFirstPage(benchmark::State& state) {
  for (auto _ : state) {
    driver().start(&PrintDomains, 50000, "PrintDomains");
    rt::Window* w = driver().waitForWindow("Print Preview - Print the Domains File", 120000);
    state.PauseTiming();
    const rt::ReportDocument* doc = w ? rt::previewDocument(w) : nullptr;
    if (!doc || doc->pageCount() != (records() + 3) / 4) state.SkipWithError("no pages");
    if (w) driver().press(w, 32);
    driver().waitForThreadsToEnd();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = peakKb() / 1024.0;
}

void BM_PrintDomainsPdf(benchmark::State& state) {
  DomainsRelations->OpenFiles();
  // A first read fills SQLite's page cache, so the second one's growth is the document's.
  rt::ReadReport(PrintDomainsReport());
  const long before = rssKb();
  auto doc = rt::ReadReport(PrintDomainsReport());
  state.counters["held_bytes_per_page"] = (rssKb() - before) * 1024.0 / doc->pageCount();
  for (auto _ : state)
    if (!doc->writePdf(pdfPath())) state.SkipWithError("not written");
  state.counters["pages"] = doc->pageCount();
  state.counters["pdf_MB"] = QFile(pdfPath()).size() / 1e6;
  state.counters["peak_MB"] = peakKb() / 1024.0;
  DomainsRelations->CloseFiles();
}

// ---- the same pages drawn by hand ------------------------------------------------------

struct Place {
  const char* label;
  const char* column;
  const char* picture;
};
constexpr Place kPlaces[28] = {
    {"Domain Name", "DOMAINNAME", "@s50"},
    {"Date Started", "DATESTARTED", "@D2"},
    {"Renewal Date", "RENEWALDATE", "@D2"},
    {"Registrar", "REGISTRAR", "@s40"},
    {"Reg Login", "REGLOGIN", "@s20"},
    {"Reg Login Pwd", "REGLOGINPWD", "@s20"},
    {"Fee Paid", "FEEPAID", "@n10.2"},
    {"Owner Name", "OWNERNAME", "@s40"},
    {"Contact Person", "CONTACTPERSON", "@s20"},
    {"Contact Pwd", "CONTACTPWD", "@s20"},
    {"Tech Person", "TECHPERSON", "@s20"},
    {"Tech Pwd", "TECHPWD", "@s20"},
    {"Host", "HOST", "@s40"},
    {"Host Date", "HOSTDATE", "@D2"},
    {"Host Admin Login Name", "HOSTADMINLOGINNAME", "@s20"},
    {"Admin Pwd", "ADMINPWD", "@s20"},
    {"IPP rimary Address", "IPPRIMARYADDRESS", "@s20"},
    {"IP Secondary Address", "IPSECONDARYADDRESS", "@s20"},
    {"Email Acct 1", "EMAILACCT0", "@s30"},
    {"Email Acct 2", "EMAILACCT1", "@s30"},
    {"Email Acct 3", "EMAILACCT2", "@s30"},
    {"Email Acct 4", "EMAILACCT3", "@s30"},
    {"Email Acct 5", "EMAILACCT4", "@s30"},
    {"Forward 1", "FORWARD0", "@s30"},
    {"Forward 2", "FORWARD1", "@s30"},
    {"Forward 3", "FORWARD2", "@s30"},
    {"Forward 4", "FORWARD3", "@s30"},
    {"Forward 5", "FORWARD4", "@s30"},
};
constexpr int kLabelY[] = {310, 490, 670, 850, 1030, 1210, 1390};
constexpr int kFieldY[] = {52, 229, 406, 594, 771, 948, 1125};

QFont font(int points, bool bold) {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPixelSize(static_cast<int>(points * 1000.0 / 72 + 0.5));
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

void drawHeader(QPainter& p, const QString& today, const QFont& title, const QFont& label,
                const QFont& text, int page) {
  p.setFont(text);
  p.setPen(Qt::black);
  p.drawText(QRectF(1000, 1000, 900, 200), Qt::AlignLeft | Qt::AlignTop, "Report Date:");
  p.drawText(QRectF(1900, 1000, 1200, 200), Qt::AlignLeft | Qt::AlignTop, today);
  p.setFont(title);
  p.drawText(QRectF(1000, 1000, 6000, 250), Qt::AlignHCenter | Qt::AlignTop,
             "Print the Domains File");
  p.setPen(QPen(Qt::black, 10));
  p.setBrush(QColor(0xC0, 0xC0, 0xC0));
  p.drawRect(QRectF(1000, 1260, 6000, 1360));
  for (int x : {2500, 4000, 5500}) p.drawLine(QPointF(x, 1260), QPointF(x, 2620));
  p.setFont(label);
  for (int i = 0; i < 28; ++i)
    p.drawText(QRectF(1000 + (i % 4) * 1500 + 50, 1000 + kLabelY[i / 4], 1400, 175),
               Qt::AlignLeft | Qt::AlignTop, kPlaces[i].label);
  p.setFont(text);
  p.drawText(QRectF(1000, 9020, 6000, 180), Qt::AlignRight | Qt::AlignTop,
             QString("Page %1").arg(page));
}

void handWrittenPdf() {
  sqlite3* db = nullptr;
  sqlite3_open_v2("DOMAINS.db", &db, SQLITE_OPEN_READONLY, nullptr);
  std::string sql = "SELECT ";
  for (int i = 0; i < 28; ++i) sql += std::string(i ? ", " : "") + kPlaces[i].column;
  sql += " FROM Domains ORDER BY rowid";
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
  std::vector<rt::Picture> pictures;
  for (const Place& pl : kPlaces) pictures.emplace_back(pl.picture);

  QPdfWriter pdf(QString::fromUtf8(pdfPath()));
  pdf.setResolution(1200);
  pdf.setPageSize(QPageSize(QSizeF(8.5, 11), QPageSize::Inch));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter p(&pdf);
  p.scale(pdf.logicalDpiX() / 1000.0, pdf.logicalDpiY() / 1000.0);
  p.setRenderHint(QPainter::Antialiasing);
  const QFont title = font(10, true), label = font(7, true), text = font(8, false);
  const QString today = rt::qtText(rt::Picture("@d17").format(rt::DateValue{rt::TODAY()}));
  int page = 1, onPage = 0;
  drawHeader(p, today, title, label, text, page);
  while (sqlite3_step(s) == SQLITE_ROW) {
    if (onPage == 4) {
      pdf.newPage();
      drawHeader(p, today, title, label, text, ++page);
      onPage = 0;
    }
    const int y = 2620 + onPage * 1365;
    p.setPen(QPen(Qt::black, 10));
    for (int x : {2500, 4000, 5500}) p.drawLine(QPointF(x, y), QPointF(x, y + 1365));
    p.setFont(text);
    for (int i = 0; i < 28; ++i) {
      rt::Value v;
      const int type = sqlite3_column_type(s, i);
      if (pictures[i].kind() == rt::Picture::Kind::Date)
        v = rt::DateValue{sqlite3_column_int(s, i)};
      else if (pictures[i].kind() == rt::Picture::Kind::Number)
        v = rt::Decimal{sqlite3_column_int(s, i)};
      else
        v = type == SQLITE_NULL ? std::string()
                                : reinterpret_cast<const char*>(sqlite3_column_text(s, i));
      const std::string shown = pictures[i].format(v);
      if (shown.empty()) continue;
      p.drawText(QRectF(1000 + (i % 4) * 1500 + 52, y + kFieldY[i / 4], 1396, 170),
                 Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, rt::qtText(shown));
    }
    ++onPage;
  }
  p.end();
  sqlite3_finalize(s);
  sqlite3_close(db);
}

void BM_HandWrittenPdf(benchmark::State& state) {
  for (auto _ : state) handWrittenPdf();
  state.counters["pdf_MB"] = QFile(pdfPath()).size() / 1e6;
  state.counters["peak_MB"] = peakKb() / 1024.0;
}

BENCHMARK(BM_PrintDomainsFirstPage)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PrintDomainsPdf)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_HandWrittenPdf)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWindowBenchmarks(argc, argv, fill);
}
