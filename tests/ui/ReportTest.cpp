// The report engine: bands laid out on pages, the pages' texts, the PDF, the preview and its
// pages to print, Cancel on the progress window, and the batch process.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTimer>

#include "ThingTables.h"
#include "UiFixture.h"
#include "runtime/expr/BindTable.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/Process.h"
#include "runtime/ui/Report.h"

namespace {

using browsetest::Things;
using C = rt::ReportControlKind;

std::string pdfText(const std::string& path) {
  QProcess p;
  p.start("pdftotext", {"-layout", QString::fromStdString(path), "-"});
  p.waitForFinished(20000);
  return p.readAllStandardOutput().toStdString();
}

int countOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class ReportTest : public uitest::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    browsetest::resolveThings(context, names, data);
    context.procedure = [](std::string_view) -> rt::TableProcedure { return nullptr; };
  }

  // A page of 1000 thousandths of body, a header and footer, and detail bands of the heights
  // given: the first for every record, the others for records flagged "Y".
  rt::ReportTable table(std::vector<int> detailHeights) {
    rt::ReportTable t{.context = &context,
                      .procedure = "PrintThings",
                      .title = "Things",
                      .page = {.bodyX = 1000, .bodyY = 1500, .bodyWidth = 6000, .bodyHeight = 1000},
                      .view = {.file = data.file.get(), .key = "THI:name"}};
    t.bands.push_back(
        {.kind = rt::BandKind::PageHeader,
         .x = 1000,
         .y = 1000,
         .width = 6000,
         .height = 400,
         .controls = {
             {.kind = C::Text, .width = 2000, .height = 200, .text = "Head"},
             {.kind = C::DateStamp, .x = 3000, .width = 1500, .height = 200, .picture = "@d2"}}});
    for (std::size_t i = 0; i < detailHeights.size(); ++i)
      t.bands.push_back({.number = static_cast<int>(i) + 3,
                         .width = 6000,
                         .height = detailHeights[i],
                         .controls = {{.kind = C::String,
                                       .width = 3000,
                                       .height = 180,
                                       .field = "THI:NAME",
                                       .picture = "@s40"},
                                      {.kind = C::String,
                                       .x = 3000,
                                       .width = 1000,
                                       .height = 180,
                                       .field = "THI:FEE",
                                       .picture = "@n10.2"}},
                         .when = i == 0 ? "" : "THI:FLAG='Y'"});
    t.bands.push_back(
        {.kind = rt::BandKind::PageFooter,
         .x = 1000,
         .y = 9000,
         .width = 6000,
         .height = 200,
         .controls = {
             {.kind = C::PageNumber, .width = 2000, .height = 180, .picture = "pPage <<<#p"}}});
    return t;
  }

  // The names each page prints, and its header and footer texts, as "Head|name,name|Page n".
  static std::vector<std::string> pages(const rt::ReportDocument& doc) {
    std::vector<std::string> out;
    for (int p = 1; p <= doc.pageCount(); ++p) {
      std::string head, body, foot;
      for (const rt::DrawnControl& d : doc.layoutPage(p)) {
        if (d.control->kind == C::Text) head += d.text;
        if (d.control->kind == C::PageNumber) foot = d.text;
        if (d.control->field == "THI:NAME") body += (body.empty() ? "" : ",") + d.text;
      }
      out.push_back(head + "|" + body + "|" + foot);
    }
    return out;
  }

  void addFlagged(const std::vector<std::pair<const char*, bool>>& rows) {
    for (const auto& [name, flagged] : rows) {
      data.set(name);
      data.rec.flag = flagged ? "Y" : "N";
      ASSERT_TRUE(data.file->add());
    }
  }

  Things data;
  rt::BindTable names;
  rt::TableContext context;
};

TEST_F(ReportTest, BandsFillPagesAndOverflowToTheNext) {
  struct Case {
    const char* what;
    std::vector<int> heights;
    std::vector<std::pair<const char*, bool>> records;
    std::vector<std::string> pages;
  };
  const std::vector<Case> cases = {
      {"no records: one page of header and footer", {300}, {}, {"Head||Page 1"}},
      {"one record", {300}, {{"a", false}}, {"Head|a|Page 1"}},
      {"three fit exactly, the fourth goes on",
       {250},
       {{"a", false}, {"b", false}, {"c", false}, {"d", false}, {"e", false}},
       {"Head|a,b,c,d|Page 1", "Head|e|Page 2"}},
      {"seven of 300: three pages",
       {300},
       {{"a", false},
        {"b", false},
        {"c", false},
        {"d", false},
        {"e", false},
        {"f", false},
        {"g", false}},
       {"Head|a,b,c|Page 1", "Head|d,e,f|Page 2", "Head|g|Page 3"}},
      {"a record's second band that does not fit starts the next page",
       {400, 400},
       {{"a", false}, {"b", true}, {"c", false}},
       {"Head|a,b|Page 1", "Head|b,c|Page 2"}},
      {"a band taller than the body still prints, one a page",
       {1200},
       {{"a", false}, {"b", false}},
       {"Head|a|Page 1", "Head|b|Page 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    data.file->close();
    ASSERT_TRUE(data.file->create());
    ASSERT_TRUE(data.file->open());
    addFlagged(c.records);
    const rt::ReportTable t = table(c.heights);
    auto doc = rt::ReadReport(t);
    ASSERT_TRUE(doc);
    EXPECT_EQ(pages(*doc), c.pages);
  }
}

TEST_F(ReportTest, FieldsShowThroughPicturesAndTheViewsRangeAndFilterHold) {
  for (auto [name, group, fee] : {std::tuple{"b", "x", 123456}, {"a", "x", 5}, {"c", "y", 7}}) {
    data.set(name, group, fee);
    ASSERT_TRUE(data.file->add());
  }
  rt::ReportTable t = table({200});
  auto all = rt::ReadReport(t);
  ASSERT_TRUE(all);
  std::vector<std::string> shown;
  for (const rt::DrawnControl& d : all->layoutPage(1))
    if (d.control->kind == C::String) shown.push_back(d.text);
  EXPECT_EQ(shown,
            (std::vector<std::string>{"a", "      0.05", "b", "  1,234.56", "c", "      0.07"}));

  t.bands[1].controls = {
      {.kind = C::Check, .width = 800, .height = 150, .text = "Flag", .field = "THI:FLAG"},
      {.kind = C::Memo, .width = 800, .height = 150, .field = "THI:Notes"}};
  data.file->setKeyOrder(0);
  ASSERT_TRUE(data.file->next());  // "a"
  data.rec.flag = "Y";
  std::memcpy(data.memo, "a note", 6);
  ASSERT_TRUE(data.file->put());
  shown.clear();
  for (const rt::DrawnControl& d : rt::ReadReport(t)->layoutPage(1))
    if (d.control->kind == C::Check || d.control->kind == C::Memo) shown.push_back(d.text);
  EXPECT_EQ(shown,
            (std::vector<std::string>{"[X] Flag", "a note", "[ ] Flag", "", "[ ] Flag", ""}));

  t = table({200});
  t.view = {.file = data.file.get(), .key = "THI:group", .range = {"THI:GROUP"}};
  data.rec.group = "x";
  EXPECT_EQ(pages(*rt::ReadReport(t)), (std::vector<std::string>{"Head|a,b|Page 1"}));
  t.view = {.file = data.file.get(), .key = "THI:name", .filter = "THI:FEE > 0.06"};
  EXPECT_EQ(pages(*rt::ReadReport(t)), (std::vector<std::string>{"Head|b,c|Page 1"}));

  t.view.filter = "THI:NOSUCH = 1";
  EXPECT_THROW(rt::checkReport(t), std::logic_error);
}

TEST_F(ReportTest, DrawingAPageRereadsItsRecordsAndLeavesTheBufferAsItWas) {
  data.fill(3);
  const rt::ReportTable t = table({200});
  auto doc = rt::ReadReport(t);
  data.rec.name = Things::numbered(2);
  ASSERT_TRUE(data.file->get(browsetest::kByName));
  ASSERT_TRUE(data.file->erase());
  data.set("kept");
  EXPECT_EQ(pages(*doc), (std::vector<std::string>{"Head|" + Things::numbered(1) + "," +
                                                   Things::numbered(3) + "|Page 1"}));
  EXPECT_EQ(data.rec.name.str(), "kept");
}

TEST_F(ReportTest, PdfHoldsEveryPagesTextsAndAMissingPictureAsAFramedName) {
  data.fill(7);
  rt::ReportTable t = table({300});
  t.bands[1].controls.push_back(
      {.kind = C::Image, .x = 4200, .width = 1500, .height = 280, .text = "nosuch.png"});
  auto doc = rt::ReadReport(t);
  ASSERT_EQ(doc->pageCount(), 3);
  const std::string pdf = scratch.filePath("things.pdf").toStdString();
  ASSERT_TRUE(doc->writePdf(pdf));
  const std::string text = pdfText(pdf);
  for (int i = 1; i <= 7; ++i) EXPECT_NE(text.find(Things::numbered(i)), std::string::npos) << i;
  EXPECT_EQ(countOf(text, "nosuch.png"), 7);
  EXPECT_EQ(countOf(text, "Head"), 3);
  EXPECT_NE(text.find("Page 3"), std::string::npos);
  QFile file(QString::fromStdString(pdf));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("LiberationSans"));  // "Arial"

  ASSERT_TRUE(doc->writePdf(pdf, {2}));
  const std::string second = pdfText(pdf);
  EXPECT_EQ(second.find(Things::numbered(1)), std::string::npos);
  EXPECT_NE(second.find(Things::numbered(4)), std::string::npos);
  EXPECT_NE(second.find("Page 2"), std::string::npos);
}

TEST_F(ReportTest, PicturesFillTheirBoxAndAMissingOneLeavesItsFrame) {
  data.fill(1);
  QImage red(20, 20, QImage::Format_RGB32);
  red.fill(Qt::red);
  const std::string file = scratch.filePath("red.png").toStdString();
  ASSERT_TRUE(red.save(QString::fromStdString(file)));
  rt::ReportTable t = table({1000});
  t.bands[1].controls = {
      {.kind = C::Image, .y = 200, .width = 2000, .height = 1000, .text = file},
      {.kind = C::Image, .x = 3000, .y = 200, .width = 2000, .height = 1000, .text = "gone.png"}};
  auto doc = rt::ReadReport(t);
  QImage page(850, 1100, QImage::Format_RGB32);  // 100 pixels an inch
  page.fill(Qt::white);
  page.setDotsPerMeterX(3937);
  page.setDotsPerMeterY(3937);
  QPainter p(&page);
  doc->drawPage(1, p);
  p.end();
  // Body at (1000, 1500): the square picture keeps its shape, 1000 x 1000 from the corner.
  EXPECT_EQ(page.pixelColor(110, 180), QColor(Qt::red));
  EXPECT_EQ(page.pixelColor(190, 260), QColor(Qt::red));
  EXPECT_EQ(page.pixelColor(250, 220), QColor(Qt::white));
  EXPECT_NE(page.pixelColor(400, 175).lightness(), 255);  // the missing one's frame
  EXPECT_EQ(page.pixelColor(420, 260), QColor(Qt::white));
}

TEST_F(ReportTest, PagesToPrintAreNumbersAndRanges) {
  using V = std::vector<int>;
  const std::vector<std::pair<const char*, std::optional<V>>> cases = {
      {"", V{1, 2, 3, 4, 5, 6}},
      {"  ", V{1, 2, 3, 4, 5, 6}},
      {"2", V{2}},
      {"5,1-2", V{1, 2, 5}},
      {" 2 - 3 , 3", V{2, 3}},
      {"4-", V{4, 5, 6}},
      {"-2", V{1, 2}},
      {"5-9", V{5, 6}},
      {"7", std::nullopt},
      {"0", std::nullopt},
      {"3-1", std::nullopt},
      {"two", std::nullopt},
      {"1;2", std::nullopt},
  };
  for (const auto& [text, pages] : cases) EXPECT_EQ(rt::parsePageList(text, 6), pages) << text;
}

TEST_F(ReportTest, PreviewShowsThePagesAndSavesTheChosenOnesAsPdf) {
  data.fill(7);
  const rt::ReportTable t = table({300});
  int response = 0;
  driver.start([&] { response = rt::RunReport(t); }, 50000, "PrintThings");
  rt::Window* w = driver.waitForWindow("Print Preview - Things");
  ASSERT_TRUE(w);
  const rt::ReportDocument* doc = rt::previewDocument(w);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->pageCount(), 3);
  EXPECT_EQ(w->text(20), "Page 1 of 3");
  driver.activate(w);
  EXPECT_EQ(driver.focusedControl(), 22);  // Pages To Print
  ASSERT_TRUE(driver.press(w, 12));        // Next
  EXPECT_EQ(w->text(20), "Page 2 of 3");

  w->selectControl(22);
  ASSERT_TRUE(driver.typeKeys("3"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_D, Qt::AltModifier));  // Save as PDF
  ASSERT_TRUE(driver.waitForFileDialog());
  const std::string pdf = scratch.filePath("chosen.pdf").toStdString();
  ASSERT_TRUE(driver.chooseFiles({pdf}));
  driver.pump();
  const std::string text = pdfText(pdf);
  EXPECT_NE(text.find(Things::numbered(7)), std::string::npos);
  EXPECT_EQ(text.find(Things::numbered(1)), std::string::npos);

  w->selectControl(22);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Backspace));
  ASSERT_TRUE(driver.typeKeys("9"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_D, Qt::AltModifier));
  ASSERT_TRUE(driver.waitForMessageBox());
  ASSERT_TRUE(driver.answer(rt::button::Ok));
  driver.pump();

  ASSERT_TRUE(driver.hitKey(Qt::Key_C, Qt::AltModifier));  // Close
  driver.waitForThreadsToEnd();
  EXPECT_EQ(response, rt::RequestCompleted);
  EXPECT_NE(rt::iniGet("PrintPreview", "Width", ""), "");
  EXPECT_NE(rt::iniGet("PrintThings", "Width", ""), "");
}

TEST_F(ReportTest, CancelOnTheProgressWindowStopsTheReadingWithNoPreview) {
  data.fill(2000);
  const rt::ReportTable t = table({300});
  bool previewSeen = false, cancelPressed = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (driver.find("Print Preview - Things")) previewSeen = true;
    if (rt::Window* p = driver.find("Progress..."); p && !cancelPressed)
      cancelPressed = driver.press(p, rt::ProgressWindow::kCancel);
  });
  watch.start(0);
  int response = 0;
  driver.start([&] { response = rt::RunReport(t); }, 50000, "PrintThings");
  driver.waitForThreadsToEnd();
  watch.stop();
  EXPECT_TRUE(cancelPressed);
  EXPECT_FALSE(previewSeen);
  EXPECT_EQ(response, rt::RequestCancelled);
}

class Regroup : public rt::RecordProcessor {
 public:
  Regroup(Things& data, rt::TableContext& context, rt::TestDriver& driver)
      : RecordProcessor(context, "Regroup", {.file = data.file.get(), .key = "THI:name"}),
        data_(data),
        driver_(driver) {}
  rt::Flow OnRecord() override {
    rt::Window* w = driver_.find("Processing Records");
    if (w) percents.push_back(w->text(rt::ProgressWindow::kPercent));
    data_.rec.group = "done";
    data_.file->put();
    return processed() == stopAt ? rt::Flow::Fatal : rt::Flow::Continue;
  }
  std::vector<std::string> percents;
  long stopAt = -1;

 private:
  Things& data_;
  rt::TestDriver& driver_;
};

TEST_F(ReportTest, BatchProcessStepsEveryRecordInSlicesAndClosesItsWindow) {
  data.fill(7);
  Regroup step(data, context, driver);
  step.setSlice(3);
  int response = 0;
  driver.start([&] { response = step.Run(); }, 50000, "Regroup");
  driver.waitForThreadsToEnd();
  EXPECT_EQ(response, rt::RequestCompleted);
  EXPECT_EQ(step.processed(), 7);
  // The window shows "0% Completed" until the first slice is done, then the share read.
  EXPECT_EQ(step.percents, (std::vector<std::string>{"0% Completed", "0% Completed", "0% Completed",
                                                     "42% Completed", "42% Completed",
                                                     "42% Completed", "85% Completed"}));
  EXPECT_FALSE(driver.find("Processing Records"));
  data.file->setRecordOrder();
  int done = 0;
  while (data.file->next()) done += data.rec.group.str() == "done";
  EXPECT_EQ(done, 7);

  Regroup stopped(data, context, driver);
  stopped.stopAt = 2;
  driver.start([&] { response = stopped.Run(); }, 50000, "Regroup");
  driver.waitForThreadsToEnd();
  EXPECT_EQ(response, rt::RequestCancelled);
  EXPECT_EQ(stopped.processed(), 2);
}

// Records each slice's bounds: "[" before it, one "." per record, "]" or "]-" (not whole).
class Slices : public Regroup {
 public:
  using Regroup::Regroup;
  bool BeginSlice() override {
    trail += "[";
    return true;
  }
  rt::Flow OnRecord() override {
    trail += ".";
    return Regroup::OnRecord();
  }
  bool EndSlice(bool whole) override {
    trail += whole ? "]" : "]-";
    return ++ended != endFalseAt;
  }
  std::string trail;
  int ended = 0;
  int endFalseAt = -1;
};

TEST_F(ReportTest, BatchProcessBoundsEachSliceAndStopsWhenASliceFails) {
  data.fill(7);
  const struct {
    long stopAt;
    int endFalseAt;
    const char* trail;
    int response;
  } cases[] = {
      {-1, -1, "[...][...][.]", rt::RequestCompleted},
      {5, -1, "[...][..]-", rt::RequestCancelled},
      {-1, 2, "[...][...]", rt::RequestCancelled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trail);
    Slices step(data, context, driver);
    step.setSlice(3);
    step.stopAt = c.stopAt;
    step.endFalseAt = c.endFalseAt;
    int response = 0;
    driver.start([&] { response = step.Run(); }, 50000, "Regroup");
    driver.waitForThreadsToEnd();
    EXPECT_EQ(step.trail, c.trail);
    EXPECT_EQ(response, c.response);
  }
}

}  // namespace
