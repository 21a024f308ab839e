// What the files on disk rely on, against the descriptions made from the layouts: each
// field's name, offset and type in stored order, the record size, the keys and the memo.
// This is the one place besides the layouts that spells the stored fields out.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/Files.h"
#include "dictionary/Records.h"
#include "runtime/text/Strings.h"

namespace {

struct ExpectedKey {
  const char* name;
  const char* description;
  std::vector<const char*> components;
  bool unique;
  int autoNumber;
};

struct ExpectedFile {
  const rt::FileDesc& (*desc)();
  const char* label;
  const char* prefix;
  const char* diskName;
  std::uint32_t recordBytes;
  // "NAME:offset:type" in stored order; types S<n> string, D date, L long, H short, B byte,
  // R real, M decimal. "NAME1..40" is forty lines NAME1 to NAME40 back to back.
  const char* fields;
  std::vector<ExpectedKey> keys;
  const char* memo;  // nullptr: none
  std::size_t bufferSize;
};

// Names the file in test listings instead of dumping the object's bytes.
void PrintTo(const ExpectedFile& e, std::ostream* os) {
  *os << e.label;
}

const std::vector<ExpectedFile>& expectedFiles() {
  static const std::vector<ExpectedFile> files = {
      {DomainsDesc,
       "Domains",
       "DOM",
       "DOMAINS",
       1672,
       "DOMAINNAME:0:S50 DATESTARTED:50:D RENEWALDATE:54:D REGISTRAR:58:S40 REGLOGIN:98:S20 "
       "REGLOGINPWD:118:S20 FEEPAID:138:M FEEDURATION:142:S60 REGEXPIRATIONDATE:202:D "
       "OWNERNAME:206:S40 CONTACTPERSON:246:S20 CONTACTPWD:266:S20 CONTACTEMAIL:286:S30 "
       "TECHPERSON:316:S20 TECHPWD:336:S20 HOST:356:S40 HOSTDATE:396:D "
       "HOSTADMINLOGINNAME:400:S20 ADMINPWD:420:S20 IPPRIMARYADDRESS:440:S20 "
       "IPSECONDARYADDRESS:460:S20 DEFAULTLOCALDIR:480:S80 DEFAULTWEBPATH:560:S80 "
       "EMAILACCT0:640:S30 EMAILACCT1:670:S30 EMAILACCT2:700:S30 EMAILACCT3:730:S30 "
       "EMAILACCT4:760:S30 FORWARD0:790:S30 FORWARD1:820:S30 FORWARD2:850:S30 FORWARD3:880:S30 "
       "FORWARD4:910:S30 HOSTMOCOST:940:M HOSTPLANNAME:944:S60 ECOMMOCOST:1004:M "
       "ECOMCOSTDESC:1008:S60 ADVERTISINGMOCOST:1068:M ADVMOCOSTDESC:1072:S60 "
       "ADDLMOCOST:1132:M ADDMOCOSTDESC:1136:S60 BANKCHGSMOCOST:1196:M BANKCHGDESC:1200:S60 "
       "SERVICEMOCOST:1260:M SERVMOCOSTDESC:1264:S60 INITPROGRAMCOST:1324:M "
       "INITPROGCOSTDESC:1328:S60 PROGRAMMOCOST:1388:M PROGRAMMODESC:1392:S60 "
       "MISCSETUPCOSTS:1452:M MISCSETUPDESC:1456:S60 INITIALDESIGNCOST:1516:M "
       "INITDESIGNDESC:1520:S60 DESIGNMOCOST:1580:M DESMOCOSTDESC:1584:S60 RECID:1644:S20 "
       "MONTHLYTOTAL:1664:M NONMONTHTOTAL:1668:M ",
       {{"DOM:name", "DOM:name", {"DOM:DOMAINNAME"}, true, 1},
        {"DOM:HostedBy", "DOM:HostedBy", {"DOM:HOST"}, false, 0}},
       "DOM:Notes",
       sizeof(DOM)},
      {RegistrarsDesc,
       "Registrars",
       "REG",
       "REGISTRA",
       323,
       "COMPANYNAME:0:S40 ADDRESS:40:S40 CITY:80:S20 STATE:100:S2 ZIPCODE:102:S10 URL:112:S50 "
       "SUPPORTEMAIL:162:S50 PHONE:212:S20 FAX:232:S20 REGULARFEE:252:R RENEWALPERIOD:260:S20 "
       "COUNTRY:280:S20 CURRENTLYUSE:300:S1 ACCREDITEDBYICANN:301:S1 "
       "PENDINGACCREDITATION:302:S1 RECID:303:S20 ",
       {{"REG:name", "REG:name", {"REG:COMPANYNAME"}, true, 1}},
       "REG:Notes",
       sizeof(REG)},
      {HostsDesc,
       "Hosts",
       "HOS",
       "HOSTS",
       499,
       "HOSTNAME:0:S50 CONTACTNAME:50:S30 PHONENUMBER:80:S20 FAXNUMBER:100:S20 "
       "SUPPORTEMAIL:120:S40 URL:160:S40 STREETADDRESS:200:S40 HOSCITY:240:S30 STATE:270:S2 "
       "ZIPCODE:272:S10 POP3NUMBER:282:H SMTP:284:S1 FEEMONTHLY:285:R FEESETUP:293:R "
       "INTERNETACCESS:301:S1 INTERNETACCESSUSE:302:S15 EMAILCONTROL:317:S10 "
       "FREETRANSFERDOMAINNAME:327:S1 FILEDOWNLOADS:328:S20 CGIPERLSCRIPTS:348:S1 LINUX:349:S1 "
       "WINDOWSNT:350:S1 OTHERUNIX:351:S1 WINDOWS2000:352:S1 ECOMAVAIL:353:S1 ECOMCOST:354:R "
       "LOCALACCESSNUMBERS:362:S1 NATIONALACCESSNUMBERS:363:S1 TOTALMONTHLYCOST:364:R "
       "VOICESUPPORT:372:S1 VOICESUPPORTPHONE:373:S20 DISKSPACE:393:S20 ANNUALPREPAYMENT:413:R "
       "FRONTPAGEEXT:421:S1 ADOBEGOLIVE:422:S1 ACTIVESERVERPAGESASP:423:S1 "
       "MINIMUMCONTRACT:424:S10 EMAILFORWARDING:434:S1 WEBBASEDEMAIL:435:S1 "
       "DATATRANSFERPERMONTH:436:S10 SECURESERVERACCESS:446:S1 WEBSITEPASSWORDS:447:S1 "
       "DAILYBACKUP:448:S1 CONTROLPANEL:449:S1 TRAFFICESTATS:450:S1 "
       "PERSONALCGIDIRECTORY:451:S1 PERLCGICHECKER:452:S1 ACCESSCONTROL:453:S1 "
       "TELNETACCESS:454:S1 ONLINEDOCS:455:S1 SOFTWARESHAREWARE:456:S1 PAYMENTBY:457:S20 "
       "FREECGISCRIPTS:477:S1 CURRENTLYUSE:478:S1 RECID:479:S20 ",
       {{"HOS:name", "HOS:name", {"HOS:HOSTNAME"}, true, 1}},
       "HOS:Notes",
       sizeof(HOS)},
      {WebPagesDesc,
       "WebPages",
       "WEB",
       "WEBPAGES",
       874,
       "DOMAINNAME:0:S50 PAGENAME:50:S20 USENOW:70:S1 PAGEPATH:71:S80 LOCALPATH:151:S80 "
       "LOCALDEFAULTDIRECTORY:231:S90 AUTHOR:321:S30 PURPOSE:351:S40 IMPLEMENTDATE:391:D "
       "FILEDATETIME:395:S20 FILESIZE:415:L LINKTO1:419:S80 LINKTO2:499:S30 LINKTO3:529:S80 "
       "LINKTO4:609:S80 LINKTO5:689:S80 HTMLPAGETITLE:769:S80 PAGEREADDATE:849:S20 "
       "DATA1:869:S1 DATA2:870:S1 DATA3:871:S1 DATA4:872:S1 DATA5:873:S1 ",
       {{"WEB:NAMES", "domainnames, pagenames", {"WEB:DOMAINNAME", "WEB:PAGENAME"}, false, 2},
        {"WEB:Path", "WEB:Path", {"WEB:PAGEPATH"}, false, 0},
        {"WEB:Pages", "WEB:Pages", {"WEB:PAGENAME"}, false, 0}},
       "WEB:Notes",
       sizeof(WEB)},
      {WPMetaDesc,
       "WPMeta",
       "WPM",
       "WPMETA",
       450,
       "WEBPAGEPATH:0:S80 DOMAINNAME:80:S50 PAGENAME:130:S20 LOCALPATH:150:S80 "
       "METACONTENTS:230:S200 METANAME:430:S20 ",
       {{"WPM:PagePath", "WPM:PagePath", {"WPM:WEBPAGEPATH"}, false, 0}},
       nullptr,
       sizeof(WPM)},
      {WPLinksDesc,
       "WPLinks",
       "WPL",
       "WPLINKS",
       362,
       "DOMAINNAME:0:S50 PAGENAME:50:S20 WEBPAGEPATHNAME:70:S80 WEBPAGELINK:150:S200 "
       "LINENUMBER:350:R RECORDDATE:358:D ",
       {{"WPL:PathName", "WPL:PathName", {"WPL:WEBPAGEPATHNAME"}, false, 0}},
       nullptr,
       sizeof(WPL)},
      {WPIMGDesc,
       "WPIMG",
       "WPI",
       "WPIMG",
       477,
       "WEBPAGEPATHNAME:0:S80 DOMAINNAME:80:S50 PAGE:130:S20 WEBPAGEIMG:150:S200 "
       "LINENUMBER:350:H DATEENTERED:352:D HEIGHT:356:S20 WIDTH:376:S20 IMAGEPATH:396:S80 "
       "CURRENTLYUSE:476:S1 ",
       {{"WPI:PageName", "WPI:PageName", {"WPI:WEBPAGEPATHNAME", "WPI:WEBPAGEIMG"}, false, 0},
        {"WPI:images", "WPI:images", {"WPI:WEBPAGEIMG"}, false, 0}},
       nullptr,
       sizeof(WPI)},
      {WPFormDesc,
       "WPForm",
       "WPF",
       "WPFORM",
       8156,
       "WEBPAGEPATHNAME:0:S80 DOMAINNAME:80:S50 PAGE:130:S20 RECORDDATE:150:D LINENUMBER:154:H "
       "FORMLINE1..40:156:S200 ",
       {{"WPF:PageName", "WPF:PageName", {"WPF:WEBPAGEPATHNAME"}, false, 0}},
       nullptr,
       sizeof(WPF)},
      {WPScriptsDesc,
       "WPScripts",
       "WPS",
       "WPSCRIPT",
       8154,
       "WEBPAGEPATHNAME:0:S80 DOMAINNAME:80:S50 PAGENAME:130:S20 RECORDDATE:150:D "
       "SCRIPTLINE1..40:154:S200 ",
       {{"WPS:PageNam", "WPS:PageNam", {"WPS:WEBPAGEPATHNAME"}, false, 0}},
       nullptr,
       sizeof(WPS)},
      {IntlinkDesc,
       "Intlink",
       "INL",
       "INTLINK",
       316,
       "TYPE:0:B DESCRIPTION:1:S40 LINK:41:S255 RECID:296:S20 ",
       {{"INL:typeonly", "INL:typeonly", {"INL:TYPE"}, false, 0},
        {"INL:recids", "INL:recids", {"INL:RECID"}, false, 1},
        {"INL:descripts", "INL:descripts", {"INL:DESCRIPTION"}, false, 0}},
       nullptr,
       sizeof(INL)},
      {DnotesDesc,
       "dnotes",
       "DNO",
       "DNOTES",
       65,
       "TOPIC:0:S60 REMINDER:60:S1 DATE:61:D ",
       {{"DNO:pages", "DNO:pages", {"DNO:REMINDER", "DNO:TOPIC"}, false, 0}},
       "DNO:MainMemo",
       sizeof(DNO)},
      {EditorDesc,
       "Editor",
       "EDI",
       "EDITOR",
       1041,
       "MYEDITOR:0:S100 MYFTP:100:S100 MYTEXTED:200:S100 MYBROWSER:300:S100 "
       "MYGRAPHICSED:400:S100 CMAIL:500:S100 MYUSER1:600:S100 MYUSER2:700:S100 "
       "MYUSER1TITLE:800:S10 MYUSER2TITLE:810:S10 MYUSER3:820:S100 MYUSERTITLE3:920:S10 "
       "MYUSER4:930:S100 MYUSERTITLE4:1030:S10 CURRENTCONFIG:1040:S1 ",
       {},
       nullptr,
       sizeof(EDI)},
      {DOSDesc, "DOS", "DOS", "", 255, "LINE:0:S255", {}, nullptr, sizeof(DOSRecord)},
      {DOS1Desc, "DOS1", "DOS1", "", 255, "LINE:0:S255", {}, nullptr, sizeof(DOS1Record)},
  };
  return files;
}

std::string typeCode(const rt::FieldDesc& f) {
  using T = rt::FieldType;
  if (f.type == T::String) return "S" + std::to_string(f.size);
  static const std::map<T, const char*> codes = {{T::Date, "D"},   {T::Time, "T"}, {T::Long, "L"},
                                                 {T::Short, "H"},  {T::Byte, "B"}, {T::Real, "R"},
                                                 {T::Decimal, "M"}};
  const auto code = codes.find(f.type);
  return code == codes.end() ? "?" : code->second;
}

struct StoredField {
  std::string name;
  std::uint32_t offset;
  std::string type;
};

std::vector<StoredField> storedFields(const ExpectedFile& e) {
  std::vector<StoredField> out;
  std::istringstream in(e.fields);
  std::string tok;
  while (in >> tok) {
    const auto a = tok.find(':'), b = tok.rfind(':');
    std::string name = tok.substr(0, a);
    const auto offset = static_cast<std::uint32_t>(std::stoul(tok.substr(a + 1, b - a - 1)));
    const std::string type = tok.substr(b + 1);
    if (const auto range = name.find("1..40"); range != std::string::npos) {
      name.resize(range);
      for (std::uint32_t n = 1; n <= 40; ++n)
        out.push_back(
            {std::string(e.prefix) + ":" + name + std::to_string(n), offset + 200 * (n - 1), type});
    } else {
      out.push_back({std::string(e.prefix) + ":" + name, offset, type});
    }
  }
  return out;
}

class FileLayout : public ::testing::TestWithParam<ExpectedFile> {};

TEST_P(FileLayout, StoredFieldsInOrderFillTheRecord) {
  const ExpectedFile& e = GetParam();
  const rt::FileDesc& d = e.desc();
  EXPECT_EQ(d.label, e.label);
  EXPECT_EQ(d.prefix, e.prefix);
  EXPECT_EQ(d.diskName, e.diskName);
  EXPECT_EQ(d.recordSize, e.recordBytes);
  const std::vector<StoredField> want = storedFields(e);
  ASSERT_EQ(d.fields.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const rt::FieldDesc& f = d.fields[i];
    EXPECT_EQ(f.name, want[i].name);
    EXPECT_EQ(f.offset, want[i].offset) << f.name;
    EXPECT_EQ(typeCode(f), want[i].type) << f.name;
    EXPECT_EQ(f.places, f.type == rt::FieldType::Decimal ? 2 : 0) << f.name;
    // Back to back: each field ends where the next begins, the last at the record's end.
    const std::uint32_t end = i + 1 < want.size() ? want[i + 1].offset : e.recordBytes;
    EXPECT_EQ(f.offset + f.size, end) << f.name;
  }
}

TEST_P(FileLayout, KeysWithComponentsUniquenessAndAutoNumber) {
  const ExpectedFile& e = GetParam();
  const rt::FileDesc& d = e.desc();
  ASSERT_EQ(d.keys.size(), e.keys.size());
  for (std::size_t k = 0; k < d.keys.size(); ++k) {
    const auto& key = d.keys[k];
    const auto& want = e.keys[k];
    EXPECT_EQ(key.name, want.name);
    EXPECT_EQ(key.description, want.description);
    EXPECT_EQ(key.duplicates, !want.unique) << key.name;
    EXPECT_EQ(key.autoNumber, want.autoNumber) << key.name;
    ASSERT_EQ(key.components.size(), want.components.size()) << key.name;
    for (std::size_t c = 0; c < key.components.size(); ++c)
      EXPECT_EQ(d.fields.at(key.components[c]).name, want.components[c]) << key.name;
    EXPECT_EQ(d.keyIndex(rt::LOWER(want.name)), static_cast<int>(k));
  }
}

TEST_P(FileLayout, MemoAndProgramBufferBelongToTheFile) {
  const ExpectedFile& e = GetParam();
  const rt::FileDesc& d = e.desc();
  const BufferRef buf = BufferOf(d);
  ASSERT_NE(buf.record, nullptr);
  if (e.memo) {
    ASSERT_EQ(d.memos.size(), 1u);
    EXPECT_EQ(d.memos[0].name, e.memo);
    EXPECT_EQ(d.memos[0].size, 1000u);
    ASSERT_NE(buf.memo, nullptr);
    // The memo lies right behind the record in the program buffer.
    EXPECT_EQ(buf.memo, static_cast<char*>(buf.record) + d.recordSize);
    EXPECT_EQ(e.bufferSize, d.recordSize + 1000u);
  } else {
    EXPECT_TRUE(d.memos.empty());
    EXPECT_EQ(buf.memo, nullptr);
    EXPECT_EQ(e.bufferSize, d.recordSize);
  }
}

std::string paramName(const ::testing::TestParamInfo<ExpectedFile>& info) {
  return info.param.label;
}

INSTANTIATE_TEST_SUITE_P(Dictionary, FileLayout, ::testing::ValuesIn(expectedFiles()), paramName);

TEST(Dictionary, AllFourteenFilesListedOnceWithDistinctPrefixes) {
  const auto& all = AllFileDescs();
  ASSERT_EQ(all.size(), 14u);
  std::set<std::string> prefixes;
  for (const auto* d : all) EXPECT_TRUE(prefixes.insert(d->prefix).second) << d->prefix;
}

TEST(Dictionary, KeyNumbersNameTheirKeys) {
  const struct {
    const rt::FileDesc& desc;
    int number;
    const char* name;
  } keys[] = {{DomainsDesc(), DOM_name, "DOM:name"},
              {DomainsDesc(), DOM_HostedBy, "DOM:HostedBy"},
              {RegistrarsDesc(), REG_name, "REG:name"},
              {HostsDesc(), HOS_name, "HOS:name"},
              {WebPagesDesc(), WEB_NAMES, "WEB:NAMES"},
              {WebPagesDesc(), WEB_Path, "WEB:Path"},
              {WebPagesDesc(), WEB_Pages, "WEB:Pages"},
              {WPMetaDesc(), WPM_PagePath, "WPM:PagePath"},
              {WPLinksDesc(), WPL_PathName, "WPL:PathName"},
              {WPIMGDesc(), WPI_PageName, "WPI:PageName"},
              {WPIMGDesc(), WPI_images, "WPI:images"},
              {WPFormDesc(), WPF_PageName, "WPF:PageName"},
              {WPScriptsDesc(), WPS_PageNam, "WPS:PageNam"},
              {IntlinkDesc(), INL_typeonly, "INL:typeonly"},
              {IntlinkDesc(), INL_recids, "INL:recids"},
              {IntlinkDesc(), INL_descripts, "INL:descripts"},
              {DnotesDesc(), DNO_pages, "DNO:pages"}};
  for (const auto& k : keys) EXPECT_EQ(k.desc.keyIndex(k.name), k.number) << k.name;
}

TEST(Dictionary, FieldNamesResolveToTheStructMembers) {
  // A field found by name writes into the member of the same name.
  WEB.LINKTO2 = "";
  const auto& d = WebPagesDesc();
  const auto& f = d.fields.at(d.fieldIndex("web:linkto2"));
  auto* rec = static_cast<char*>(BufferOf(d).record);
  rt::assignPadded(rec + f.offset, f.size, std::string(40, 'x'));
  EXPECT_EQ(WEB.LINKTO2.str(), std::string(30, 'x'));
  EXPECT_EQ(WEB.LINKTO3.str(), "") << "a 40-character value must not spill into LINKTO3";
}

TEST(Dictionary, BlockLinesByNumber) {
  WPF.FormLine(1) = "first";
  WPF.FormLine(40) = "last";
  EXPECT_EQ(WPF.FORMLINE1.str(), "first");
  EXPECT_EQ(WPF.FORMLINE40.str(), "last");
  WPS.ScriptLine(17) = "<script>";
  EXPECT_EQ(WPS.SCRIPTLINE17.str(), "<script>");
  EXPECT_THROW(WPF.FormLine(41), std::out_of_range);
  EXPECT_THROW(WPS.ScriptLine(0), std::out_of_range);
}

}  // namespace
