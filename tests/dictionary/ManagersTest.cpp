// The dictionary's managers on real files: their settings, the life cycle, creation of
// missing files, the unique keys, the memo, new notes and auto-numbered keys.
#include <filesystem>
#include <functional>
#include <set>

#include "DictTestSupport.h"
#include "runtime/text/Dates.h"
#include "runtime/text/Strings.h"

namespace dicttest {
namespace {

struct PairRef {
  const char* label;
  rt::FileManager** manager;
  rt::FileRelations** relations;
};

const PairRef kAll[] = {
    {"Domains", &DomainsManager, &DomainsRelations},
    {"Registrars", &RegistrarsManager, &RegistrarsRelations},
    {"Hosts", &HostsManager, &HostsRelations},
    {"WebPages", &WebPagesManager, &WebPagesRelations},
    {"WPMeta", &WPMetaManager, &WPMetaRelations},
    {"WPLinks", &WPLinksManager, &WPLinksRelations},
    {"WPIMG", &WPIMGManager, &WPIMGRelations},
    {"WPForm", &WPFormManager, &WPFormRelations},
    {"WPScripts", &WPScriptsManager, &WPScriptsRelations},
    {"Intlink", &IntlinkManager, &IntlinkRelations},
    {"dnotes", &DnotesManager, &DnotesRelations},
    {"Editor", &EditorManager, &EditorRelations},
    {"DOS", &DOSManager, &DOSRelations},
    {"DOS1", &DOS1Manager, &DOS1Relations},
};

using Managers = DictionaryTest;

TEST_F(Managers, EveryPairIsSetUpWithTheFilesSettingsAndReleasedByKill) {
  for (const auto& p : kAll) {
    SCOPED_TRACE(p.label);
    rt::FileManager* fm = *p.manager;
    ASSERT_NE(fm, nullptr);
    ASSERT_NE(*p.relations, nullptr);
    EXPECT_EQ((*p.relations)->file(), fm);
    EXPECT_EQ(fm->openMode().access, rt::Access::ReadWrite);
    EXPECT_EQ(fm->openMode().share, rt::Share::DenyWrite);
    EXPECT_EQ(fm->lockRecover(), 10);
    const bool line = std::string_view(p.label).starts_with("DOS");
    EXPECT_EQ(fm->label(), line ? "" : p.label);
    EXPECT_EQ(fm->creates(), std::string_view(p.label) != "DOS");
    if (!line) {
      ASSERT_NE(fm->keyedFile(), nullptr);
      EXPECT_EQ(fm->keyedFile()->desc().label, p.label);
    }
  }
  EXPECT_EQ(WebPagesManager->keyDescription(WebPages.desc().keyIndex("WEB:NAMES")),
            "domainnames, pagenames");
  EXPECT_EQ(DomainsManager->keyDescription(Domains.desc().keyIndex("DOM:HostedBy")),
            "DOM:HostedBy");
  DictionaryKill();
  for (const auto& p : kAll) {
    EXPECT_EQ(*p.manager, nullptr) << p.label;
    EXPECT_EQ(*p.relations, nullptr) << p.label;
  }
  DictionaryInit();  // TearDown kills again
}

TEST_F(Managers, TheReaderProgramMakesOnlyItsOwnPairs) {
  DictionaryKill();
  DictionaryInitFiles(
      {"Domains", "WPMeta", "DOS1", "DOS", "WebPages", "WPLinks", "WPScripts", "WPForm", "WPIMG"});
  for (const auto& p : kAll) {
    const std::string_view l = p.label;
    const bool made =
        l != "Registrars" && l != "Hosts" && l != "Intlink" && l != "dnotes" && l != "Editor";
    EXPECT_EQ(*p.manager != nullptr, made) << l;
    EXPECT_EQ(*p.relations != nullptr, made) << l;
  }
  ASSERT_EQ(WPIMGRelations->OpenFiles(), rt::Status::Ok);
  EXPECT_TRUE(Domains.isOpen()) << "a detail file opens its page file, which opens the domains";
  WPIMGRelations->CloseFiles();
  EXPECT_FALSE(Domains.isOpen());
  DictionaryKill();
  for (const auto& p : kAll) EXPECT_EQ(*p.manager, nullptr) << p.label;
  DictionaryInit();
}

TEST_F(Managers, KillClosesFilesThatAreStillOpen) {
  ASSERT_EQ(DomainsRelations->OpenFiles(), rt::Status::Ok);
  ASSERT_TRUE(Domains.isOpen());
  DictionaryKill();
  EXPECT_FALSE(Domains.isOpen());
  EXPECT_FALSE(WebPages.isOpen());
  DictionaryInit();
}

TEST_F(Managers, EmptyDirectoryGetsEveryKeyedFileButNeverThePageFile) {
  for (const auto& p : kAll) {
    if (std::string_view(p.label).starts_with("DOS")) continue;
    ASSERT_EQ((*p.relations)->OpenFiles(), rt::Status::Ok) << p.label;
    EXPECT_TRUE(std::filesystem::exists((*p.manager)->keyedFile()->path())) << p.label;
  }
  htmlfilename = "index.htm";
  EXPECT_EQ(DOSRelations->OpenFiles(), rt::Status::Failed);
  EXPECT_EQ(rt::errorCode(), rt::ErrorCode::FileNotFound);
  EXPECT_FALSE(std::filesystem::exists("index.htm"));
  EXPECT_TRUE(shown().contains(rt::MessageId::FileNotFound));

  tempfilename = "123.txt";
  ASSERT_EQ(DOS1Relations->OpenFiles(), rt::Status::Ok);
  EXPECT_TRUE(std::filesystem::exists("123.txt"));
  for (const auto& p : kAll) (*p.relations)->CloseFiles();
}

TEST_F(Managers, LineFilesTakeTheirNamesFromTheGlobalsWhenOpening) {
  tempfilename = "first.txt";
  ASSERT_EQ(DOS1Manager->OpenFile(), rt::Status::Ok);
  DOS1.LINE = "a line";
  ASSERT_EQ(DOS1Manager->InsertRecord(), rt::Status::Ok);
  DOS1Manager->CloseFile();

  htmlfilename = "first.txt";  // the page file reads what the copy wrote
  tempfilename = "second.txt";
  ASSERT_EQ(DOSManager->OpenFile(), rt::Status::Ok);
  ASSERT_EQ(DOSManager->NextRecord(), rt::Status::Ok);
  EXPECT_EQ(DOS.LINE.str(), "a line");
  EXPECT_EQ(DOSManager->NextRecord(), rt::Status::EndOfFile);
  DOSManager->CloseFile();
  ASSERT_EQ(DOS1Manager->OpenFile(), rt::Status::Ok);
  EXPECT_TRUE(std::filesystem::exists("second.txt"));
  DOS1Manager->CloseFile();
}

TEST_F(Managers, UniqueNamesRefuseCaseVariantsAndWriteNothing) {
  struct Case {
    rt::FileManager* fm;
    std::function<void(const char*)> setName;
  } cases[] = {
      {DomainsManager, [](const char* n) { DOM.DOMAINNAME = n; }},
      {RegistrarsManager, [](const char* n) { REG.COMPANYNAME = n; }},
      {HostsManager, [](const char* n) { HOS.HOSTNAME = n; }},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.fm->label());
    shown().clear();
    ASSERT_EQ(c.fm->OpenFile(), rt::Status::Ok);
    c.setName("Alpha.Example");
    ASSERT_EQ(c.fm->InsertRecord(), rt::Status::Ok);
    c.setName("ALPHA.EXAMPLE");
    EXPECT_EQ(c.fm->InsertRecord(), rt::Status::Failed);
    ASSERT_EQ(shown().messages.size(), 1u);
    EXPECT_EQ(shown().messages[0].caption, "Duplicate Key Error");
    EXPECT_NE(shown().messages[0].text.find(c.fm->label()), std::string::npos);
    EXPECT_EQ(c.fm->keyedFile()->records(), 1);
    c.fm->CloseFile();
  }
}

TEST_F(Managers, OptionalKeysLeaveOutBlankRecords) {
  ASSERT_EQ(DomainsManager->OpenFile(), rt::Status::Ok);
  DOM.DOMAINNAME = "hosted.example";
  DOM.HOST = "Host A";
  ASSERT_EQ(DomainsManager->InsertRecord(), rt::Status::Ok);
  DOM.DOMAINNAME = "unhosted.example";
  DOM.HOST = "";
  ASSERT_EQ(DomainsManager->InsertRecord(), rt::Status::Ok);
  Domains.setKeyOrder(Domains.desc().keyIndex("DOM:HostedBy"));
  std::vector<std::string> seen;
  while (DomainsManager->TryNext() == rt::Status::Ok) seen.push_back(DOM.DOMAINNAME.str());
  EXPECT_EQ(seen, std::vector<std::string>{"hosted.example"});
  DomainsManager->CloseFile();

  ASSERT_EQ(DnotesManager->OpenFile(), rt::Status::Ok);
  DNO.TOPIC = "";
  DNO.REMINDER = "";
  ASSERT_EQ(DnotesManager->InsertRecord(), rt::Status::Ok);
  DNO.TOPIC = "renew";
  ASSERT_EQ(DnotesManager->InsertRecord(), rt::Status::Ok);
  dnotes.setKeyOrder(0);
  seen.clear();
  while (DnotesManager->TryNext() == rt::Status::Ok) seen.push_back(DNO.TOPIC.str());
  EXPECT_EQ(seen, std::vector<std::string>{"renew"});
  EXPECT_EQ(dnotes.records(), 2);
  DnotesManager->CloseFile();
}

TEST_F(Managers, LinkTo2KeepsThirtyCharactersAndTheMemoTravelsWithThePage) {
  ASSERT_EQ(WebPagesManager->OpenFile(), rt::Status::Ok);
  WEB.DOMAINNAME = "a.example";
  WEB.PAGENAME = "index.htm";
  WEB.LINKTO2 = std::string(40, 'L');
  WEB.LINKTO3 = "third";
  WEB.Notes = "page notes";
  ASSERT_EQ(WebPagesManager->InsertRecord(), rt::Status::Ok);
  clearBuffers();
  WEB.DOMAINNAME = "A.EXAMPLE";
  WEB.PAGENAME = "INDEX.HTM";
  ASSERT_EQ(WebPagesManager->FetchByKey(0), rt::Status::Ok);
  EXPECT_EQ(WEB.LINKTO2.str(), std::string(30, 'L'));
  EXPECT_EQ(WEB.LINKTO3.str(), "third");
  EXPECT_EQ(WEB.Notes.str(), "page notes");
  WebPagesManager->CloseFile();
}

TEST_F(Managers, NewNoteIsDatedTodayBeforeAnythingIsTyped) {
  const std::int32_t pinned = rt::dateFromYmd(2026, 3, 7);
  rt::setClockProvider([pinned] { return rt::ClockReading{pinned, 1}; });
  ASSERT_EQ(DnotesManager->OpenFile(), rt::Status::Ok);
  DNO.TOPIC = "left over";
  ASSERT_EQ(DnotesManager->PrimeRecord(), rt::Status::Ok);
  rt::setClockProvider(nullptr);
  EXPECT_EQ(+DNO.DATE, pinned);
  EXPECT_TRUE(DNO.TOPIC.blank());
  EXPECT_EQ(dnotes.records(), 0) << "notes have no auto-numbered key: nothing is reserved";
  DnotesManager->CloseFile();
}

TEST_F(Managers, AutoNumberedKeysOfTheDictionary) {
  ASSERT_EQ(DomainsManager->OpenFile(), rt::Status::Ok);
  ASSERT_EQ(DomainsManager->PrimeRecord(), rt::Status::Ok);
  EXPECT_EQ(DOM.DOMAINNAME.str(), "1");
  ASSERT_EQ(DomainsManager->PrimeRecord(), rt::Status::Ok);
  EXPECT_EQ(DOM.DOMAINNAME.str(), "2");
  EXPECT_EQ(Domains.records(), 2);
  DomainsManager->CloseFile();

  ASSERT_EQ(IntlinkManager->OpenFile(), rt::Status::Ok);
  ASSERT_EQ(IntlinkManager->PrimeRecord(), rt::Status::Ok);
  EXPECT_EQ(INL.RECID.str(), "1");
  IntlinkManager->CloseFile();

  // Pages are numbered within their domain.
  ASSERT_EQ(WebPagesManager->OpenFile(), rt::Status::Ok);
  const auto primePage = [](const char* domain) {
    clearBuffers();
    WEB.DOMAINNAME = domain;
    EXPECT_EQ(WebPagesManager->PrimeRecord(true), rt::Status::Ok);
    return WEB.PAGENAME.str();
  };
  EXPECT_EQ(primePage("a.example"), "1");
  EXPECT_EQ(primePage("a.example"), "2");
  EXPECT_EQ(primePage("b.example"), "1");
  EXPECT_EQ(primePage("A.EXAMPLE"), "3");
  EXPECT_EQ(WEB.DOMAINNAME.str(), "A.EXAMPLE");
  EXPECT_EQ(WebPages.records(), 4);
  WebPagesManager->CloseFile();
}

TEST_F(Managers, InsertsLeftOpenByAKilledProgramAreRemovedAtTheNextStart) {
  struct Named {
    rt::FileManager** manager;
    rt::KeyedFile* file;
  };
  const Named named[] = {
      {&DomainsManager, &Domains}, {&RegistrarsManager, &Registrars}, {&HostsManager, &Hosts}};
  for (const Named& n : named) {
    ASSERT_EQ((*n.manager)->OpenFile(), rt::Status::Ok);
    ASSERT_EQ((*n.manager)->PrimeRecord(), rt::Status::Ok);
    (*n.manager)->Kill();
  }
  DictionaryKill();
  DictionaryInit();
  RemoveInsertPlaceholders();
  for (const Named& n : named) {
    SCOPED_TRACE((*n.manager)->label());
    ASSERT_TRUE(n.file->open());
    EXPECT_EQ(n.file->records(), 0);
    n.file->close();
  }
  EXPECT_TRUE(shown().messages.empty());
}

}  // namespace
}  // namespace dicttest
