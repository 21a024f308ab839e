// Relations of the page files on real files: the cascade from a domain down to the page
// details, no cascade on update, and files read back unchanged by an independent opener.
#include <cstring>
#include <map>

#include "DictTestSupport.h"

namespace dicttest {
namespace {

class Cascade : public DictionaryTest {
 protected:
  void SetUp() override {
    DictionaryTest::SetUp();
    ASSERT_EQ(DomainsRelations->OpenFiles(), rt::Status::Ok);
  }
  void TearDown() override {
    DomainsRelations->CloseFiles();
    DictionaryTest::TearDown();
  }
  void addDomain(const char* name) {
    clearBuffers();
    DOM.DOMAINNAME = name;
    ASSERT_EQ(DomainsManager->InsertRecord(), rt::Status::Ok);
  }
  // A page with two records in each detail file; detailPath lets a detail's link differ in
  // letter case from the page's path.
  void addPage(const char* domain, const char* page, const std::string& path,
               const std::string& detailPath = {}) {
    clearBuffers();
    WEB.DOMAINNAME = domain;
    WEB.PAGENAME = page;
    WEB.PAGEPATH = path;
    ASSERT_EQ(WebPagesManager->InsertRecord(), rt::Status::Ok);
    const std::string link = detailPath.empty() ? path : detailPath;
    // One detail record: the page's path, a text that tells it apart, stored.
    auto add = [&](auto& pathField, auto& textField, rt::FileManager* m, std::string text) {
      pathField = link;
      textField = text;
      ASSERT_EQ(m->InsertRecord(), rt::Status::Ok);
    };
    for (int i = 0; i < 2; ++i) {
      const std::string n = std::to_string(i);
      add(WPM.WEBPAGEPATH, WPM.METANAME, WPMetaManager, "m" + n);
      add(WPL.WEBPAGEPATHNAME, WPL.WEBPAGELINK, WPLinksManager, "l" + n);
      add(WPI.WEBPAGEPATHNAME, WPI.WEBPAGEIMG, WPIMGManager, "i" + n);
      add(WPF.WEBPAGEPATHNAME, WPF.FORMLINE1, WPFormManager, "f" + n);
      add(WPS.WEBPAGEPATHNAME, WPS.SCRIPTLINE1, WPScriptsManager, "s" + n);
    }
  }
  void seed() {
    addDomain("Example.com");
    addDomain("other.example");
    addPage("example.com", "a.htm", "http://example.com/a.htm", "HTTP://EXAMPLE.COM/A.HTM");
    addPage("EXAMPLE.COM", "b.htm", "http://example.com/b.htm");
    addPage("other.example", "a.htm", "http://other.example/a.htm");
    addPage("other.example", "c.htm", "http://other.example/c.htm");
  }
  bool positionOn(const char* domain) {
    clearBuffers();
    DOM.DOMAINNAME = domain;
    return DomainsManager->FetchByKey(DOM_name) == rt::Status::Ok;
  }
  // The link field of every record of each page file, in record order.
  std::map<std::string, std::vector<std::string>> contents() {
    const struct {
      rt::KeyedFile* file;
      const char* field;
    } files[] = {{&Domains, "DOM:DOMAINNAME"},       {&WebPages, "WEB:DOMAINNAME"},
                 {&WPMeta, "WPM:WEBPAGEPATH"},       {&WPLinks, "WPL:WEBPAGEPATHNAME"},
                 {&WPIMG, "WPI:WEBPAGEPATHNAME"},    {&WPForm, "WPF:WEBPAGEPATHNAME"},
                 {&WPScripts, "WPS:WEBPAGEPATHNAME"}};
    std::map<std::string, std::vector<std::string>> out;
    for (const auto& f : files) {
      const auto& fd = f.file->desc().fields[f.file->desc().fieldIndex(f.field)];
      auto& list = out[f.file->desc().label];
      f.file->setRecordOrder();
      while (f.file->next())
        list.emplace_back(
            rt::clipView(static_cast<const char*>(f.file->record()) + fd.offset, fd.size));
    }
    return out;
  }
};

TEST_F(Cascade, OpeningTheDomainsOpensEveryPageFile) {
  for (rt::KeyedFile* f : {&Domains, &WebPages, &WPMeta, &WPLinks, &WPIMG, &WPForm, &WPScripts})
    EXPECT_TRUE(f->isOpen()) << f->desc().label;
  EXPECT_FALSE(Registrars.isOpen());
  EXPECT_FALSE(dnotes.isOpen());
}

TEST_F(Cascade, DeletingADomainDeletesItsPagesInAnyCaseAndAllTheirDetails) {
  seed();
  ASSERT_TRUE(positionOn("example.com"));
  ASSERT_EQ(DomainsRelations->DeleteRecord(), rt::Status::Ok);
  EXPECT_TRUE(shown().contains(rt::MessageId::ConfirmDelete));
  const auto left = contents();
  EXPECT_EQ(left.at("Domains"), std::vector<std::string>{"other.example"});
  EXPECT_EQ(left.at("WebPages"), (std::vector<std::string>{"other.example", "other.example"}));
  const std::vector<std::string> others = {
      "http://other.example/a.htm", "http://other.example/a.htm", "http://other.example/c.htm",
      "http://other.example/c.htm"};
  for (const char* detail : {"WPMeta", "WPLinks", "WPIMG", "WPForm", "WPScripts"}) {
    auto got = left.at(detail);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, others) << detail;
  }
}

TEST_F(Cascade, AnsweringNoDeletesNothing) {
  seed();
  const auto before = contents();
  ASSERT_TRUE(positionOn("other.example"));
  shown().answer = rt::Answer::No;
  EXPECT_EQ(DomainsRelations->DeleteRecord(), rt::Status::Cancelled);
  EXPECT_EQ(contents(), before);
}

TEST_F(Cascade, DeletingAPageDeletesOnlyItsDetails) {
  seed();
  clearBuffers();
  WEB.DOMAINNAME = "other.example";
  WEB.PAGENAME = "c.htm";
  ASSERT_EQ(WebPagesManager->FetchByKey(DOM_name), rt::Status::Ok);
  ASSERT_EQ(WebPagesRelations->DeleteRecord(false), rt::Status::Ok);
  const auto left = contents();
  EXPECT_EQ(left.at("Domains").size(), 2u);
  EXPECT_EQ(left.at("WebPages").size(), 3u);
  for (const char* detail : {"WPMeta", "WPLinks", "WPIMG", "WPForm", "WPScripts"}) {
    EXPECT_EQ(left.at(detail).size(), 6u) << detail;
    for (const auto& path : left.at(detail)) EXPECT_NE(path, "http://other.example/c.htm");
  }
}

TEST_F(Cascade, ReadOnlyChildStopsTheDeleteBeforeAnythingIsGone) {
  seed();
  const auto before = contents();
  WPForm.close();
  ASSERT_TRUE(WPForm.open({rt::Access::ReadOnly, rt::Share::DenyWrite}));
  ASSERT_TRUE(positionOn("example.com"));
  EXPECT_EQ(DomainsRelations->DeleteRecord(false), rt::Status::Failed);
  EXPECT_TRUE(shown().contains(rt::MessageId::RecordNotDeleted));
  EXPECT_EQ(contents(), before);
}

TEST_F(Cascade, RenamingADomainChangesNoPage) {
  seed();
  ASSERT_TRUE(positionOn("example.com"));
  DOM.DOMAINNAME = "renamed.example";
  ASSERT_EQ(DomainsManager->UpdateRecord(), rt::Status::Ok);
  const auto left = contents();
  EXPECT_EQ(left.at("Domains"), (std::vector<std::string>{"renamed.example", "other.example"}));
  EXPECT_EQ(left.at("WebPages"), (std::vector<std::string>{"example.com", "EXAMPLE.COM",
                                                           "other.example", "other.example"}));
  EXPECT_EQ(left.at("WPMeta").size(), 8u);
}

// Every field filled with a value of its type; what an independent opener reads back must
// be the same bytes.
void fillRecord(const rt::FileDesc& d, char* rec, int seed) {
  for (std::size_t i = 0; i < d.fields.size(); ++i) {
    const auto& f = d.fields[i];
    char* p = rec + f.offset;
    const std::int32_t n = seed * 1000 + static_cast<std::int32_t>(i) + 1;
    switch (f.type) {
      case rt::FieldType::String:
        rt::assignPadded(p, f.size,
                         std::string(std::min<std::size_t>(f.size, 3 + i % 7), 'a' + i % 26) +
                             std::to_string(n).substr(0, f.size > 3 ? 3 : 0));
        break;
      case rt::FieldType::Real: {
        const double v = n + 0.25;
        std::memcpy(p, &v, sizeof v);
        break;
      }
      case rt::FieldType::Short: {
        const auto v = static_cast<std::int16_t>(n % 30000);
        std::memcpy(p, &v, sizeof v);
        break;
      }
      case rt::FieldType::Byte:
        *p = static_cast<char>(1 + n % 2);
        break;
      default:
        std::memcpy(p, &n, sizeof n);
        break;
    }
  }
}

using SecondOpener = DictionaryTest;

TEST_F(SecondOpener, ThePageFilesReadBackUnchangedByAnIndependentOpen) {
  rt::KeyedFile* files[] = {&Domains, &WebPages, &WPMeta, &WPLinks, &WPIMG, &WPForm, &WPScripts};
  std::map<std::string, std::vector<std::string>> written;
  for (rt::KeyedFile* f : files) {
    const auto& d = f->desc();
    rt::FileManager* fm = nullptr;
    for (rt::FileManager* m : {DomainsManager, WebPagesManager, WPMetaManager, WPLinksManager,
                               WPIMGManager, WPFormManager, WPScriptsManager})
      if (m->keyedFile() == f) fm = m;
    ASSERT_NE(fm, nullptr);
    ASSERT_EQ(fm->OpenFile(), rt::Status::Ok) << d.label;
    for (int seed = 1; seed <= 3; ++seed) {
      auto* rec = static_cast<char*>(f->record());
      fillRecord(d, rec, seed);
      std::string image(rec, d.recordSize);
      if (!d.memos.empty()) {
        rt::assignPadded(f->memoBuffers()[0], d.memos[0].size, "memo " + std::to_string(seed));
        image.append(f->memoBuffers()[0], d.memos[0].size);
      }
      ASSERT_EQ(fm->InsertRecord(), rt::Status::Ok) << d.label;
      written[d.label].push_back(image);
    }
    fm->CloseFile();
  }
  tempfilename = "copy.txt";
  ASSERT_EQ(DOS1Manager->OpenFile(), rt::Status::Ok);
  const std::vector<std::string> lines = {"<html>", "  indented", std::string(255, 'x')};
  for (const auto& line : lines) {
    DOS1.LINE = line;
    ASSERT_EQ(DOS1Manager->InsertRecord(), rt::Status::Ok);
  }
  DOS1Manager->CloseFile();

  // The second opener has its own buffers and its own file objects.
  for (rt::KeyedFile* f : files) {
    const auto& d = f->desc();
    std::vector<char> rec(d.recordSize);
    std::vector<char> memo(d.memos.empty() ? 0 : d.memos[0].size);
    std::vector<char*> memos;
    if (!memo.empty()) memos.push_back(memo.data());
    rt::KeyedFile other(d, rec.data(), memos);
    ASSERT_TRUE(other.open({rt::Access::ReadOnly, rt::Share::DenyNone})) << d.label;
    other.setRecordOrder();
    std::vector<std::string> read;
    while (other.next()) {
      std::string image(rec.data(), rec.size());
      image.append(memo.data(), memo.size());
      read.push_back(image);
    }
    EXPECT_EQ(read, written[d.label]) << d.label;
    other.close();
  }
  char line[255];
  rt::LineFile copy("copy", line, sizeof line);
  copy.setName("copy.txt");
  ASSERT_TRUE(copy.open());
  std::vector<std::string> got;
  while (copy.next()) got.emplace_back(rt::clipView(line, sizeof line));
  EXPECT_EQ(got, lines);
}

}  // namespace
}  // namespace dicttest
