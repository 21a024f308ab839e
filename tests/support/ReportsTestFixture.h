// Reports run as the program runs them, and the pages they print read back: the texts of a
// field on every page of a preview, and the text of a report's PDF as a PDF reader finds it.
#pragma once

#include <QFile>
#include <QProcess>
#include <cstdlib>

#include "runtime/data/FileRelations.h"
#include "runtime/ui/Report.h"
#include "tests/support/DomainsTestFixture.h"

namespace domaintest {

class ReportsTest : public WindowsTest {
 protected:
  // Runs a report procedure on a thread of its own; its preview, or nullptr.
  rt::Window* preview(void (*report)(), const char* title) {
    driver.start(report, 50000, "report");
    return driver.waitForWindow(std::string("Print Preview - ") + title);
  }
  // The texts the preview's pages print for a field, page after page.
  static std::vector<std::string> printed(rt::Window* w, std::string_view field) {
    std::vector<std::string> out;
    const rt::ReportDocument* doc = rt::previewDocument(w);
    for (int p = 1; doc && p <= doc->pageCount(); ++p)
      for (const rt::DrawnControl& d : doc->layoutPage(p))
        if (d.control->field == field) out.push_back(d.text);
    return out;
  }
  void closePreview(rt::Window* w) {
    const std::string title = w->title();
    ASSERT_TRUE(driver.press(w, 32));
    ASSERT_TRUE(driver.waitForClose(title));
  }
  // The report's PDF as text. With TW_KEEP_PDF naming a directory the PDF stays there too,
  // for a look at the pages.
  std::string pdfText(const rt::ReportTable& table) {
    for (rt::FileRelations** r : table.relations) EXPECT_EQ((*r)->OpenFiles(), rt::Status::Ok);
    auto doc = rt::ReadReport(table);
    const QString pdf = dir.path() + "/" + table.procedure + ".pdf";
    EXPECT_TRUE(doc->writePdf(pdf.toStdString()));
    for (rt::FileRelations** r : table.relations) (*r)->CloseFiles();
    if (const char* keep = std::getenv("TW_KEEP_PDF"))
      QFile::copy(pdf, QString(keep) + "/" + table.procedure + ".pdf");
    QProcess p;
    p.start("pdftotext", {pdf, "-"});
    p.waitForFinished(20000);
    return p.readAllStandardOutput().toStdString();
  }
};

}  // namespace domaintest
