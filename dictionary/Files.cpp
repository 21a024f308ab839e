#include "dictionary/Files.h"

#include <cstddef>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "dictionary/Records.h"

namespace {

using rt::FieldType;

template <class T>
struct KindOf;
template <std::size_t N>
struct KindOf<rt::Str<N>> {
  static constexpr FieldType type = FieldType::String;
};
template <>
struct KindOf<std::int16_t> {
  static constexpr FieldType type = FieldType::Short;
};
template <>
struct KindOf<std::int32_t> {
  static constexpr FieldType type = FieldType::Long;
};
template <>
struct KindOf<std::uint8_t> {
  static constexpr FieldType type = FieldType::Byte;
};
template <>
struct KindOf<double> {
  static constexpr FieldType type = FieldType::Real;
};
template <>
struct KindOf<rt::Decimal> {
  static constexpr FieldType type = FieldType::Decimal;
};

template <class T>
rt::FieldDesc field(const std::string& prefix, const char* name, std::size_t offset) {
  const FieldType t = KindOf<T>::type;
  return rt::FieldDesc{prefix + ":" + name, t, static_cast<std::uint32_t>(offset),
                       static_cast<std::uint32_t>(sizeof(T)),
                       static_cast<std::uint8_t>(t == FieldType::Decimal ? 2 : 0)};
}

// A DATE is a LONG on disk; only the description tells them apart.
template <class T>
rt::FieldDesc dateField(const std::string& prefix, const char* name, std::size_t offset) {
  static_assert(std::is_same_v<T, std::int32_t>, "a DATE is a 4-byte day number");
  rt::FieldDesc f = field<T>(prefix, name, offset);
  f.type = FieldType::Date;
  return f;
}

#define F(M) d.fields.push_back(field<decltype(R::M)>(d.prefix, #M, offsetof(R, M)))
#define D(M) d.fields.push_back(dateField<decltype(R::M)>(d.prefix, #M, offsetof(R, M)))

// Forty STRING(200) lines numbered 1 to 40, back to back from the first.
void lines40(rt::FileDesc& d, const char* stem, std::size_t first) {
  for (int n = 1; n <= 40; ++n)
    d.fields.push_back(rt::FieldDesc{d.prefix + ":" + stem + std::to_string(n), FieldType::String,
                                     static_cast<std::uint32_t>(first + 200 * (n - 1)), 200});
}

void key(rt::FileDesc& d, const char* name, const char* description,
         std::initializer_list<const char*> components, bool unique, int autoNumber = 0) {
  rt::KeyDesc k;
  k.name = name;
  k.description = description;
  for (const char* c : components) {
    const int i = d.fieldIndex(c);
    if (i < 0) throw std::logic_error(std::string("key component not in layout: ") + c);
    k.components.push_back(i);
  }
  k.duplicates = !unique;
  k.autoNumber = autoNumber;
  d.keys.push_back(std::move(k));
}

rt::FileDesc start(const char* label, const char* prefix, const char* diskName,
                   std::size_t recordSize, const char* memo = nullptr) {
  rt::FileDesc d;
  d.label = label;
  d.prefix = prefix;
  d.diskName = diskName;
  d.recordSize = static_cast<std::uint32_t>(recordSize);
  if (memo) d.memos.push_back(rt::MemoDesc{memo, static_cast<std::uint32_t>(sizeof(Memo))});
  return d;
}

rt::FileDesc makeDomains() {
  using R = DomainsRecord;
  rt::FileDesc d = start("Domains", "DOM", "DOMAINS", sizeof(R), "DOM:Notes");
  F(DOMAINNAME);
  D(DATESTARTED);
  D(RENEWALDATE);
  F(REGISTRAR);
  F(REGLOGIN);
  F(REGLOGINPWD);
  F(FEEPAID);
  F(FEEDURATION);
  D(REGEXPIRATIONDATE);
  F(OWNERNAME);
  F(CONTACTPERSON);
  F(CONTACTPWD);
  F(CONTACTEMAIL);
  F(TECHPERSON);
  F(TECHPWD);
  F(HOST);
  D(HOSTDATE);
  F(HOSTADMINLOGINNAME);
  F(ADMINPWD);
  F(IPPRIMARYADDRESS);
  F(IPSECONDARYADDRESS);
  F(DEFAULTLOCALDIR);
  F(DEFAULTWEBPATH);
  F(EMAILACCT0);
  F(EMAILACCT1);
  F(EMAILACCT2);
  F(EMAILACCT3);
  F(EMAILACCT4);
  F(FORWARD0);
  F(FORWARD1);
  F(FORWARD2);
  F(FORWARD3);
  F(FORWARD4);
  F(HOSTMOCOST);
  F(HOSTPLANNAME);
  F(ECOMMOCOST);
  F(ECOMCOSTDESC);
  F(ADVERTISINGMOCOST);
  F(ADVMOCOSTDESC);
  F(ADDLMOCOST);
  F(ADDMOCOSTDESC);
  F(BANKCHGSMOCOST);
  F(BANKCHGDESC);
  F(SERVICEMOCOST);
  F(SERVMOCOSTDESC);
  F(INITPROGRAMCOST);
  F(INITPROGCOSTDESC);
  F(PROGRAMMOCOST);
  F(PROGRAMMODESC);
  F(MISCSETUPCOSTS);
  F(MISCSETUPDESC);
  F(INITIALDESIGNCOST);
  F(INITDESIGNDESC);
  F(DESIGNMOCOST);
  F(DESMOCOSTDESC);
  F(RECID);
  F(MONTHLYTOTAL);
  F(NONMONTHTOTAL);
  key(d, "DOM:name", "DOM:name", {"DOM:DOMAINNAME"}, true, 1);
  key(d, "DOM:HostedBy", "DOM:HostedBy", {"DOM:HOST"}, false);
  return d;
}

rt::FileDesc makeRegistrars() {
  using R = RegistrarsRecord;
  rt::FileDesc d = start("Registrars", "REG", "REGISTRA", sizeof(R), "REG:Notes");
  F(COMPANYNAME);
  F(ADDRESS);
  F(CITY);
  F(STATE);
  F(ZIPCODE);
  F(URL);
  F(SUPPORTEMAIL);
  F(PHONE);
  F(FAX);
  F(REGULARFEE);
  F(RENEWALPERIOD);
  F(COUNTRY);
  F(CURRENTLYUSE);
  F(ACCREDITEDBYICANN);
  F(PENDINGACCREDITATION);
  F(RECID);
  key(d, "REG:name", "REG:name", {"REG:COMPANYNAME"}, true, 1);
  return d;
}

rt::FileDesc makeHosts() {
  using R = HostsRecord;
  rt::FileDesc d = start("Hosts", "HOS", "HOSTS", sizeof(R), "HOS:Notes");
  F(HOSTNAME);
  F(CONTACTNAME);
  F(PHONENUMBER);
  F(FAXNUMBER);
  F(SUPPORTEMAIL);
  F(URL);
  F(STREETADDRESS);
  F(HOSCITY);
  F(STATE);
  F(ZIPCODE);
  F(POP3NUMBER);
  F(SMTP);
  F(FEEMONTHLY);
  F(FEESETUP);
  F(INTERNETACCESS);
  F(INTERNETACCESSUSE);
  F(EMAILCONTROL);
  F(FREETRANSFERDOMAINNAME);
  F(FILEDOWNLOADS);
  F(CGIPERLSCRIPTS);
  F(LINUX);
  F(WINDOWSNT);
  F(OTHERUNIX);
  F(WINDOWS2000);
  F(ECOMAVAIL);
  F(ECOMCOST);
  F(LOCALACCESSNUMBERS);
  F(NATIONALACCESSNUMBERS);
  F(TOTALMONTHLYCOST);
  F(VOICESUPPORT);
  F(VOICESUPPORTPHONE);
  F(DISKSPACE);
  F(ANNUALPREPAYMENT);
  F(FRONTPAGEEXT);
  F(ADOBEGOLIVE);
  F(ACTIVESERVERPAGESASP);
  F(MINIMUMCONTRACT);
  F(EMAILFORWARDING);
  F(WEBBASEDEMAIL);
  F(DATATRANSFERPERMONTH);
  F(SECURESERVERACCESS);
  F(WEBSITEPASSWORDS);
  F(DAILYBACKUP);
  F(CONTROLPANEL);
  F(TRAFFICESTATS);
  F(PERSONALCGIDIRECTORY);
  F(PERLCGICHECKER);
  F(ACCESSCONTROL);
  F(TELNETACCESS);
  F(ONLINEDOCS);
  F(SOFTWARESHAREWARE);
  F(PAYMENTBY);
  F(FREECGISCRIPTS);
  F(CURRENTLYUSE);
  F(RECID);
  key(d, "HOS:name", "HOS:name", {"HOS:HOSTNAME"}, true, 1);
  return d;
}

rt::FileDesc makeWebPages() {
  using R = WebPagesRecord;
  rt::FileDesc d = start("WebPages", "WEB", "WEBPAGES", sizeof(R), "WEB:Notes");
  F(DOMAINNAME);
  F(PAGENAME);
  F(USENOW);
  F(PAGEPATH);
  F(LOCALPATH);
  F(LOCALDEFAULTDIRECTORY);
  F(AUTHOR);
  F(PURPOSE);
  D(IMPLEMENTDATE);
  F(FILEDATETIME);
  F(FILESIZE);
  F(LINKTO1);
  F(LINKTO2);
  F(LINKTO3);
  F(LINKTO4);
  F(LINKTO5);
  F(HTMLPAGETITLE);
  F(PAGEREADDATE);
  F(DATA1);
  F(DATA2);
  F(DATA3);
  F(DATA4);
  F(DATA5);
  key(d, "WEB:NAMES", "domainnames, pagenames", {"WEB:DOMAINNAME", "WEB:PAGENAME"}, false, 2);
  key(d, "WEB:Path", "WEB:Path", {"WEB:PAGEPATH"}, false);
  key(d, "WEB:Pages", "WEB:Pages", {"WEB:PAGENAME"}, false);
  return d;
}

rt::FileDesc makeWPMeta() {
  using R = WPMetaRecord;
  rt::FileDesc d = start("WPMeta", "WPM", "WPMETA", sizeof(R));
  F(WEBPAGEPATH);
  F(DOMAINNAME);
  F(PAGENAME);
  F(LOCALPATH);
  F(METACONTENTS);
  F(METANAME);
  key(d, "WPM:PagePath", "WPM:PagePath", {"WPM:WEBPAGEPATH"}, false);
  return d;
}

rt::FileDesc makeWPLinks() {
  using R = WPLinksRecord;
  rt::FileDesc d = start("WPLinks", "WPL", "WPLINKS", sizeof(R));
  F(DOMAINNAME);
  F(PAGENAME);
  F(WEBPAGEPATHNAME);
  F(WEBPAGELINK);
  F(LINENUMBER);
  D(RECORDDATE);
  key(d, "WPL:PathName", "WPL:PathName", {"WPL:WEBPAGEPATHNAME"}, false);
  return d;
}

rt::FileDesc makeWPIMG() {
  using R = WPIMGRecord;
  rt::FileDesc d = start("WPIMG", "WPI", "WPIMG", sizeof(R));
  F(WEBPAGEPATHNAME);
  F(DOMAINNAME);
  F(PAGE);
  F(WEBPAGEIMG);
  F(LINENUMBER);
  D(DATEENTERED);
  F(HEIGHT);
  F(WIDTH);
  F(IMAGEPATH);
  F(CURRENTLYUSE);
  key(d, "WPI:PageName", "WPI:PageName", {"WPI:WEBPAGEPATHNAME", "WPI:WEBPAGEIMG"}, false);
  key(d, "WPI:images", "WPI:images", {"WPI:WEBPAGEIMG"}, false);
  return d;
}

rt::FileDesc makeWPForm() {
  using R = WPFormRecord;
  rt::FileDesc d = start("WPForm", "WPF", "WPFORM", sizeof(R));
  F(WEBPAGEPATHNAME);
  F(DOMAINNAME);
  F(PAGE);
  D(RECORDDATE);
  F(LINENUMBER);
  lines40(d, "FORMLINE", offsetof(R, FORMLINE1));
  key(d, "WPF:PageName", "WPF:PageName", {"WPF:WEBPAGEPATHNAME"}, false);
  return d;
}

rt::FileDesc makeWPScripts() {
  using R = WPScriptsRecord;
  rt::FileDesc d = start("WPScripts", "WPS", "WPSCRIPT", sizeof(R));
  F(WEBPAGEPATHNAME);
  F(DOMAINNAME);
  F(PAGENAME);
  D(RECORDDATE);
  lines40(d, "SCRIPTLINE", offsetof(R, SCRIPTLINE1));
  key(d, "WPS:PageNam", "WPS:PageNam", {"WPS:WEBPAGEPATHNAME"}, false);
  return d;
}

rt::FileDesc makeIntlink() {
  using R = IntlinkRecord;
  rt::FileDesc d = start("Intlink", "INL", "INTLINK", sizeof(R));
  F(TYPE);
  F(DESCRIPTION);
  F(LINK);
  F(RECID);
  key(d, "INL:typeonly", "INL:typeonly", {"INL:TYPE"}, false);
  key(d, "INL:recids", "INL:recids", {"INL:RECID"}, false, 1);
  key(d, "INL:descripts", "INL:descripts", {"INL:DESCRIPTION"}, false);
  return d;
}

rt::FileDesc makeDnotes() {
  using R = DnotesRecord;
  rt::FileDesc d = start("dnotes", "DNO", "DNOTES", sizeof(R), "DNO:MainMemo");
  F(TOPIC);
  F(REMINDER);
  D(DATE);
  key(d, "DNO:pages", "DNO:pages", {"DNO:REMINDER", "DNO:TOPIC"}, false);
  return d;
}

rt::FileDesc makeEditor() {
  using R = EditorRecord;
  rt::FileDesc d = start("Editor", "EDI", "EDITOR", sizeof(R));
  F(MYEDITOR);
  F(MYFTP);
  F(MYTEXTED);
  F(MYBROWSER);
  F(MYGRAPHICSED);
  F(CMAIL);
  F(MYUSER1);
  F(MYUSER2);
  F(MYUSER1TITLE);
  F(MYUSER2TITLE);
  F(MYUSER3);
  F(MYUSERTITLE3);
  F(MYUSER4);
  F(MYUSERTITLE4);
  F(CURRENTCONFIG);
  return d;
}

template <class R>
rt::FileDesc makeLineFile(const char* label) {
  rt::FileDesc d = start(label, label, "", sizeof(R));
  F(LINE);
  return d;
}

#undef F
#undef D

}  // namespace

#define TW_DESC(name, maker)               \
  const rt::FileDesc& name() {             \
    static const rt::FileDesc d = maker(); \
    return d;                              \
  }

TW_DESC(DomainsDesc, makeDomains)
TW_DESC(RegistrarsDesc, makeRegistrars)
TW_DESC(HostsDesc, makeHosts)
TW_DESC(WebPagesDesc, makeWebPages)
TW_DESC(WPMetaDesc, makeWPMeta)
TW_DESC(WPLinksDesc, makeWPLinks)
TW_DESC(WPIMGDesc, makeWPIMG)
TW_DESC(WPFormDesc, makeWPForm)
TW_DESC(WPScriptsDesc, makeWPScripts)
TW_DESC(IntlinkDesc, makeIntlink)
TW_DESC(DnotesDesc, makeDnotes)
TW_DESC(EditorDesc, makeEditor)
#undef TW_DESC

const rt::FileDesc& DOSDesc() {
  static const rt::FileDesc d = makeLineFile<DOSRecord>("DOS");
  return d;
}
const rt::FileDesc& DOS1Desc() {
  static const rt::FileDesc d = makeLineFile<DOS1Record>("DOS1");
  return d;
}

const std::vector<const rt::FileDesc*>& AllFileDescs() {
  static const std::vector<const rt::FileDesc*> all = {
      &DomainsDesc(), &RegistrarsDesc(), &HostsDesc(),  &WebPagesDesc(),  &WPMetaDesc(),
      &WPLinksDesc(), &WPIMGDesc(),      &WPFormDesc(), &WPScriptsDesc(), &IntlinkDesc(),
      &DnotesDesc(),  &EditorDesc(),     &DOSDesc(),    &DOS1Desc()};
  return all;
}

BufferRef BufferOf(const rt::FileDesc& desc) {
  const struct {
    const rt::FileDesc* desc;
    BufferRef ref;
  } table[] = {
      {&DomainsDesc(), {static_cast<DomainsRecord*>(&DOM), DOM.Notes.data}},
      {&RegistrarsDesc(), {static_cast<RegistrarsRecord*>(&REG), REG.Notes.data}},
      {&HostsDesc(), {static_cast<HostsRecord*>(&HOS), HOS.Notes.data}},
      {&WebPagesDesc(), {static_cast<WebPagesRecord*>(&WEB), WEB.Notes.data}},
      {&WPMetaDesc(), {&WPM, nullptr}},
      {&WPLinksDesc(), {&WPL, nullptr}},
      {&WPIMGDesc(), {&WPI, nullptr}},
      {&WPFormDesc(), {&WPF, nullptr}},
      {&WPScriptsDesc(), {&WPS, nullptr}},
      {&IntlinkDesc(), {&INL, nullptr}},
      {&DnotesDesc(), {static_cast<DnotesRecord*>(&DNO), DNO.MainMemo.data}},
      {&EditorDesc(), {&EDI, nullptr}},
      {&DOSDesc(), {static_cast<DOSRecord*>(&DOS), nullptr}},
      {&DOS1Desc(), {static_cast<DOS1Record*>(&DOS1), nullptr}},
  };
  for (const auto& e : table)
    if (e.desc == &desc) return e.ref;
  return {nullptr, nullptr};
}

namespace {
std::vector<char*> memoOf(const rt::FileDesc& d) {
  char* m = BufferOf(d).memo;
  return m ? std::vector<char*>{m} : std::vector<char*>{};
}
}  // namespace

#define TW_FILE(name, desc) rt::KeyedFile name(desc(), BufferOf(desc()).record, memoOf(desc()));
TW_FILE(Domains, DomainsDesc)
TW_FILE(Registrars, RegistrarsDesc)
TW_FILE(Hosts, HostsDesc)
TW_FILE(WebPages, WebPagesDesc)
TW_FILE(WPMeta, WPMetaDesc)
TW_FILE(WPLinks, WPLinksDesc)
TW_FILE(WPIMG, WPIMGDesc)
TW_FILE(WPForm, WPFormDesc)
TW_FILE(WPScripts, WPScriptsDesc)
TW_FILE(Intlink, IntlinkDesc)
TW_FILE(dnotes, DnotesDesc)
TW_FILE(Editor, EditorDesc)
#undef TW_FILE

DOSFile::DOSFile() : rt::LineFile("DOS", LINE.data, sizeof(LINE)) {}
DOS1File::DOS1File() : rt::LineFile("DOS1", LINE.data, sizeof(LINE)) {}
DOSFile DOS;
DOS1File DOS1;

std::vector<BufferSpan> RecordBuffers() {
  return {{&DOM, sizeof DOM},
          {&REG, sizeof REG},
          {&HOS, sizeof HOS},
          {&WEB, sizeof WEB},
          {&WPM, sizeof WPM},
          {&WPL, sizeof WPL},
          {&WPI, sizeof WPI},
          {&WPF, sizeof WPF},
          {&WPS, sizeof WPS},
          {&INL, sizeof INL},
          {&DNO, sizeof DNO},
          {&EDI, sizeof EDI},
          {static_cast<DOSRecord*>(&DOS), sizeof(DOSRecord)},
          {static_cast<DOS1Record*>(&DOS1), sizeof(DOS1Record)}};
}
