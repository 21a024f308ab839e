// The cross-reference views over small detail files: their queries typed into the query
// dialog, the filter handed over for printing, kept queries loaded again.
#include <QComboBox>
#include <algorithm>

#include "common/Procedures.h"
#include "dictionary/Globals.h"
#include "pages/CrossReference.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/QueryByExample.h"
#include "tests/pages/QueryDialogDriving.h"
#include "tests/support/DomainsTestFixture.h"

namespace {

using namespace domaintest;

constexpr int kList = 1, kFind = 3, kChange = 5, kPrint = 6, kClose = 10;

struct Member {
  void (*procedure)();
  const char* name;
  const rt::FileDesc& (*desc)();
  const char* pagePath;
  std::vector<const char*> columns;  // the list's, in order
  std::vector<const char*> queried;  // the query fields, in the dialog's order
  const char* form;
};

const Member kMembers[] = {
    {&pages::viewimages,
     "viewimages",
     &WPIMGDesc,
     "WEBPAGEPATHNAME",
     {"DOMAINNAME", "PAGE", "WEBPAGEIMG", "CURRENTLYUSE"},
     {"DOMAINNAME", "PAGE", "WEBPAGEIMG"},
     "UpdateWPIMG"},
    {&pages::viewforms,
     "viewforms",
     &WPFormDesc,
     "WEBPAGEPATHNAME",
     {"PAGE", "DOMAINNAME", "WEBPAGEPATHNAME", "FORMLINE1", "FORMLINE2", "FORMLINE3"},
     {"DOMAINNAME", "PAGE", "FORMLINE1"},
     "UpdateWPForm"},
    {&pages::viewlinks,
     "viewlinks",
     &WPLinksDesc,
     "WEBPAGEPATHNAME",
     {"DOMAINNAME", "PAGENAME", "WEBPAGELINK"},
     {"DOMAINNAME", "PAGENAME", "WEBPAGELINK"},
     "UpdateWPLinks"},
    {&pages::viewmeta,
     "viewmeta",
     &WPMetaDesc,
     "WEBPAGEPATH",
     {"DOMAINNAME", "PAGENAME", "METANAME", "METACONTENTS"},
     {"DOMAINNAME", "PAGENAME", "METANAME", "METACONTENTS"},
     "UpdateWPMeta"},
    {&pages::viewscripts,
     "viewscripts",
     &WPScriptsDesc,
     "WEBPAGEPATHNAME",
     {"DOMAINNAME", "PAGENAME", "SCRIPTLINE1"},
     {"DOMAINNAME", "PAGENAME", "SCRIPTLINE1"},
     "UpdateWPScripts"},
};

// Stored in every queried field, shifted by one per record, so each field holds each.
const std::vector<std::string> kStored = {"Alpha's (x) & co", "ALPHA.com", "beta",
                                          "\xc3\x9cn\xc3\xaf"
                                          "code-Stra\xc3\x9f"
                                          "e",
                                          "zeta"};
// Typed: a stored text with its quote, parentheses and "&" (in other letter cases), unicode,
// and a try at widening the query.
const std::vector<std::string> kTyped = {"alpha's (X) & CO",
                                         "Stra\xc3\x9f"
                                         "e",
                                         "') OR ('1'='1"};
constexpr int kRecords = 10;

struct Operator {
  char key;  // typed into the operator's list
  bool (*holds)(const std::string& field, const std::string& value);
};
const Operator kOperators[] = {
    {'c', [](const std::string& f, const std::string& v) { return f.find(v) != f.npos; }},
    {'b', [](const std::string& f, const std::string& v) { return f.starts_with(v); }},
    {'e', [](const std::string& f, const std::string& v) { return f == v; }},
    {'l', [](const std::string& f, const std::string& v) { return f < v; }},
    {'g', [](const std::string& f, const std::string& v) { return f > v; }},
};

using Record = std::vector<std::pair<std::string, std::string>>;  // field, text

std::string valueOf(const Record& r, std::string_view field) {
  for (const auto& [f, v] : r)
    if (f == field) return v;
  return "";
}

class CrossReferenceTest : public WindowsTest {
 protected:
  // Records in page-path order, each queried field a stored text.
  std::vector<Record> fill(const Member& m) {
    std::vector<Record> records;
    const rt::FileDesc& d = m.desc();
    std::vector<char> buffer(d.recordSize);
    rt::KeyedFile f(d, buffer.data());
    EXPECT_TRUE(f.create());
    EXPECT_TRUE(f.open());
    for (int i = 0; i < kRecords; ++i) {
      Record r = {{m.pagePath, "/p" + std::to_string(i) + ".htm"}};
      for (std::size_t q = 0; q < m.queried.size(); ++q)
        r.push_back({m.queried[q], kStored[(i + q) % kStored.size()]});
      std::fill(buffer.begin(), buffer.end(), '\0');
      for (const rt::FieldDesc& fd : d.fields)
        if (fd.type == rt::FieldType::String)
          rt::assignPadded(buffer.data() + fd.offset, fd.size, valueOf(r, fd.name.substr(4)));
      EXPECT_TRUE(f.add());
      records.push_back(std::move(r));
    }
    EXPECT_TRUE(f.close());
    return records;
  }

  std::vector<std::string> shown(rt::Window* w, const Member& m) {
    std::vector<std::string> rows;
    for (int r = 1; r <= driver.rowCount(w, kList); ++r) {
      std::string row;
      for (std::size_t c = 0; c < m.columns.size(); ++c)
        row += rt::CLIP(driver.cell(w, kList, r, static_cast<int>(c))) + "|";
      rows.push_back(row);
    }
    return rows;
  }

  std::vector<std::string> expected(const Member& m, const std::vector<Record>& records,
                                    const std::function<bool(const Record&)>& passes) {
    std::vector<std::string> rows;
    for (const Record& r : records) {
      if (!passes(r)) continue;
      std::string row;
      for (const char* c : m.columns) row += valueOf(r, c) + "|";
      rows.push_back(row);
    }
    return rows;
  }

  void query(rt::Window* w, std::size_t field, const std::string& value, char op) {
    typeQuery(driver, w, kFind, field, value, op);
  }

  // The filter the view hands over when its print button takes the focus.
  std::string handedOver(rt::Window* w) {
    queryfilter[0] = '\0';
    w->selectControl(kPrint);
    driver.pump();
    return queryfilter;
  }
};

TEST_F(CrossReferenceTest, EachQueryFieldWithEachOperatorShowsExactlyTheRowsThatMatch) {
  for (const Member& m : kMembers) {
    SCOPED_TRACE(m.name);
    EXPECT_TRUE(ProcedureAvailable(m.name));
    const std::vector<Record> records = fill(m);
    rt::Window* w = open(m.procedure, m.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(shown(w, m), expected(m, records, [](const Record&) { return true; }));
    for (std::size_t q = 0; q < m.queried.size(); ++q)
      for (const Operator& op : kOperators)
        for (const std::string& typed : kTyped) {
          SCOPED_TRACE(std::string(m.queried[q]) + " " + op.key + " " + typed);
          query(w, q, typed, op.key);
          EXPECT_EQ(shown(w, m), expected(m, records, [&](const Record& r) {
                      return op.holds(rt::UPPER(valueOf(r, m.queried[q])), rt::UPPER(typed));
                    }));
        }
    // The newest five are kept, the newest first.
    EXPECT_EQ(ini(m.name, "Query1"), handedOver(w));
    EXPECT_NE(ini(m.name, "Query5"), "<none>");
    EXPECT_EQ(ini(m.name, "Query6"), "<none>");
    driver.press(w, kClose);
    ASSERT_TRUE(driver.waitForClose(m.name));
  }
}

TEST_F(CrossReferenceTest, AFilterReadBackAndLoadedAgainShowsTheSameRows) {
  const Member& m = kMembers[3];
  fill(m);
  rt::Window* w = open(m.procedure, m.name);
  ASSERT_NE(w, nullptr);
  query(w, 3, "alpha", 'b');
  const std::vector<std::string> rows = shown(w, m);
  ASSERT_EQ(rows.size(), 4u);
  const std::string filter = handedOver(w);
  ASSERT_FALSE(filter.empty());
  driver.press(w, kClose);
  ASSERT_TRUE(driver.waitForClose(m.name));

  // Kept as a newer query beside the one the dialog kept, then loaded in a new window.
  rt::iniPut(m.name, {{"Query1", filter}, {"Query2", "UPPER(WPM:MetaName) = 'BETA'"}});
  w = open(m.procedure, m.name);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(driver.rowCount(w, kList), kRecords);
  ASSERT_TRUE(driver.press(w, kFind));
  rt::Window* dialog = driver.waitForWindow("QueryWindow");
  ASSERT_NE(dialog, nullptr);
  auto* kept = qobject_cast<QComboBox*>(dialog->control(rt::QueryWindow::kKeptList));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->count(), 2);
  ASSERT_TRUE(driver.press(dialog, rt::QueryWindow::kLoad));
  ASSERT_TRUE(driver.waitForClose("QueryWindow"));
  EXPECT_EQ(shown(w, m), rows);
  EXPECT_EQ(handedOver(w), filter);

  // Escape leaves the query as it was; the dialog keeps its place.
  ASSERT_TRUE(driver.press(w, kFind));
  ASSERT_NE(driver.waitForWindow("QueryWindow"), nullptr);
  ASSERT_TRUE(driver.typeKeys("zeta"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
  ASSERT_TRUE(driver.waitForClose("QueryWindow"));
  EXPECT_EQ(shown(w, m), rows);
  EXPECT_NE(ini("QueryWindow", "XPos"), "<none>");
}

TEST_F(CrossReferenceTest, AFilterTheEvaluatorCannotUseIsReportedAndTheViewStaysUsable) {
  const Member& m = kMembers[2];
  fill(m);
  rt::iniPut(m.name, "Query1", "UPPER(WPL:WebPageLink = 'X'");
  rt::Window* w = open(m.procedure, m.name);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(driver.press(w, kFind));
  rt::Window* dialog = driver.waitForWindow("QueryWindow");
  ASSERT_NE(dialog, nullptr);
  driver.press(dialog, rt::QueryWindow::kLoad);
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_NE(driver.messageText(box).find("cannot be used: "), std::string::npos);
  EXPECT_NE(driver.messageText(box).find("character"), std::string::npos);
  driver.answer(rt::button::Ok);
  EXPECT_EQ(driver.rowCount(w, kList), kRecords);
  EXPECT_EQ(handedOver(w), "");
  query(w, 0, "beta", 'e');
  EXPECT_EQ(driver.rowCount(w, kList), 2);
}

TEST_F(CrossReferenceTest, PrintBeforeAnyQueryAsksForOneWhateverAnotherViewHandedOver) {
  for (const Member& m : {kMembers[0], kMembers[4]}) fill(m);
  rt::Window* images = open(kMembers[0].procedure, kMembers[0].name);
  ASSERT_NE(images, nullptr);
  query(images, 2, "zeta", 'c');
  EXPECT_FALSE(handedOver(images).empty());

  rt::Window* w = open(kMembers[4].procedure, kMembers[4].name);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(driver.press(w, kPrint));
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(driver.messageText(box), "No query string to print, Please run query First.");
  EXPECT_EQ(driver.messageCaption(box), "");
  driver.answer(rt::button::Ok);
  EXPECT_EQ(std::string(queryfilter), "");
}

TEST_F(CrossReferenceTest, ViewDetailsOpensTheViewFormOnTheChosenRow) {
  for (const Member& m : kMembers) {
    SCOPED_TRACE(m.name);
    fill(m);
    rt::Window* w = open(m.procedure, m.name);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(driver.hitKey(Qt::Key_Down));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Down));
    ASSERT_TRUE(driver.press(w, kChange));
    rt::Window* form = driver.waitForWindow(m.form);
    ASSERT_NE(form, nullptr);
    bool showsPath = false;
    for (int c : form->controls())
      showsPath |= form->controlKind(c) == rt::ControlKind::Entry && form->text(c) == "/p2.htm";
    EXPECT_TRUE(showsPath);
    driver.close(form);
    ASSERT_TRUE(driver.waitForClose(m.form));
    driver.press(w, kClose);
    ASSERT_TRUE(driver.waitForClose(m.name));
  }
}

TEST(HandOverQuery, KeepsAtMostWholeCharactersShortOfTheBuffer) {
  const struct {
    std::string filter;
    std::size_t kept;
  } cases[] = {
      {"UPPER(WPL:WebPageLink) = 'A'", 28},
      {std::string(2500, 'x'), 1999},
      {std::string(1998, 'x') + "\xc3\x9f" + "tail", 1998},
      {"", 0},
  };
  for (const auto& c : cases) {
    pages::HandOverQuery(c.filter);
    EXPECT_EQ(std::string(queryfilter), c.filter.substr(0, c.kept));
  }
}

}  // namespace
