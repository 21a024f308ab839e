#include "dictionary/Records.h"

#include <stdexcept>
#include <string>

// Every offset as the files on disk lay it out; a slip in a struct stops the build.
#define AT(R, M, off) static_assert(offsetof(R, M) == (off), #R "." #M);

AT(DomainsRecord, DOMAINNAME, 0)
AT(DomainsRecord, DATESTARTED, 50)
AT(DomainsRecord, RENEWALDATE, 54)
AT(DomainsRecord, REGISTRAR, 58)
AT(DomainsRecord, REGLOGIN, 98)
AT(DomainsRecord, REGLOGINPWD, 118)
AT(DomainsRecord, FEEPAID, 138)
AT(DomainsRecord, FEEDURATION, 142)
AT(DomainsRecord, REGEXPIRATIONDATE, 202)
AT(DomainsRecord, OWNERNAME, 206)
AT(DomainsRecord, CONTACTPERSON, 246)
AT(DomainsRecord, CONTACTPWD, 266)
AT(DomainsRecord, CONTACTEMAIL, 286)
AT(DomainsRecord, TECHPERSON, 316)
AT(DomainsRecord, TECHPWD, 336)
AT(DomainsRecord, HOST, 356)
AT(DomainsRecord, HOSTDATE, 396)
AT(DomainsRecord, HOSTADMINLOGINNAME, 400)
AT(DomainsRecord, ADMINPWD, 420)
AT(DomainsRecord, IPPRIMARYADDRESS, 440)
AT(DomainsRecord, IPSECONDARYADDRESS, 460)
AT(DomainsRecord, DEFAULTLOCALDIR, 480)
AT(DomainsRecord, DEFAULTWEBPATH, 560)
AT(DomainsRecord, EMAILACCT0, 640)
AT(DomainsRecord, EMAILACCT1, 670)
AT(DomainsRecord, EMAILACCT2, 700)
AT(DomainsRecord, EMAILACCT3, 730)
AT(DomainsRecord, EMAILACCT4, 760)
AT(DomainsRecord, FORWARD0, 790)
AT(DomainsRecord, FORWARD1, 820)
AT(DomainsRecord, FORWARD2, 850)
AT(DomainsRecord, FORWARD3, 880)
AT(DomainsRecord, FORWARD4, 910)
AT(DomainsRecord, HOSTMOCOST, 940)
AT(DomainsRecord, HOSTPLANNAME, 944)
AT(DomainsRecord, ECOMMOCOST, 1004)
AT(DomainsRecord, ECOMCOSTDESC, 1008)
AT(DomainsRecord, ADVERTISINGMOCOST, 1068)
AT(DomainsRecord, ADVMOCOSTDESC, 1072)
AT(DomainsRecord, ADDLMOCOST, 1132)
AT(DomainsRecord, ADDMOCOSTDESC, 1136)
AT(DomainsRecord, BANKCHGSMOCOST, 1196)
AT(DomainsRecord, BANKCHGDESC, 1200)
AT(DomainsRecord, SERVICEMOCOST, 1260)
AT(DomainsRecord, SERVMOCOSTDESC, 1264)
AT(DomainsRecord, INITPROGRAMCOST, 1324)
AT(DomainsRecord, INITPROGCOSTDESC, 1328)
AT(DomainsRecord, PROGRAMMOCOST, 1388)
AT(DomainsRecord, PROGRAMMODESC, 1392)
AT(DomainsRecord, MISCSETUPCOSTS, 1452)
AT(DomainsRecord, MISCSETUPDESC, 1456)
AT(DomainsRecord, INITIALDESIGNCOST, 1516)
AT(DomainsRecord, INITDESIGNDESC, 1520)
AT(DomainsRecord, DESIGNMOCOST, 1580)
AT(DomainsRecord, DESMOCOSTDESC, 1584)
AT(DomainsRecord, RECID, 1644)
AT(DomainsRecord, MONTHLYTOTAL, 1664)
AT(DomainsRecord, NONMONTHTOTAL, 1668)

AT(RegistrarsRecord, COMPANYNAME, 0)
AT(RegistrarsRecord, ADDRESS, 40)
AT(RegistrarsRecord, CITY, 80)
AT(RegistrarsRecord, STATE, 100)
AT(RegistrarsRecord, ZIPCODE, 102)
AT(RegistrarsRecord, URL, 112)
AT(RegistrarsRecord, SUPPORTEMAIL, 162)
AT(RegistrarsRecord, PHONE, 212)
AT(RegistrarsRecord, FAX, 232)
AT(RegistrarsRecord, REGULARFEE, 252)
AT(RegistrarsRecord, RENEWALPERIOD, 260)
AT(RegistrarsRecord, COUNTRY, 280)
AT(RegistrarsRecord, CURRENTLYUSE, 300)
AT(RegistrarsRecord, ACCREDITEDBYICANN, 301)
AT(RegistrarsRecord, PENDINGACCREDITATION, 302)
AT(RegistrarsRecord, RECID, 303)

AT(HostsRecord, HOSTNAME, 0)
AT(HostsRecord, CONTACTNAME, 50)
AT(HostsRecord, PHONENUMBER, 80)
AT(HostsRecord, FAXNUMBER, 100)
AT(HostsRecord, SUPPORTEMAIL, 120)
AT(HostsRecord, URL, 160)
AT(HostsRecord, STREETADDRESS, 200)
AT(HostsRecord, HOSCITY, 240)
AT(HostsRecord, STATE, 270)
AT(HostsRecord, ZIPCODE, 272)
AT(HostsRecord, POP3NUMBER, 282)
AT(HostsRecord, SMTP, 284)
AT(HostsRecord, FEEMONTHLY, 285)
AT(HostsRecord, FEESETUP, 293)
AT(HostsRecord, INTERNETACCESS, 301)
AT(HostsRecord, INTERNETACCESSUSE, 302)
AT(HostsRecord, EMAILCONTROL, 317)
AT(HostsRecord, FREETRANSFERDOMAINNAME, 327)
AT(HostsRecord, FILEDOWNLOADS, 328)
AT(HostsRecord, CGIPERLSCRIPTS, 348)
AT(HostsRecord, LINUX, 349)
AT(HostsRecord, WINDOWSNT, 350)
AT(HostsRecord, OTHERUNIX, 351)
AT(HostsRecord, WINDOWS2000, 352)
AT(HostsRecord, ECOMAVAIL, 353)
AT(HostsRecord, ECOMCOST, 354)
AT(HostsRecord, LOCALACCESSNUMBERS, 362)
AT(HostsRecord, NATIONALACCESSNUMBERS, 363)
AT(HostsRecord, TOTALMONTHLYCOST, 364)
AT(HostsRecord, VOICESUPPORT, 372)
AT(HostsRecord, VOICESUPPORTPHONE, 373)
AT(HostsRecord, DISKSPACE, 393)
AT(HostsRecord, ANNUALPREPAYMENT, 413)
AT(HostsRecord, FRONTPAGEEXT, 421)
AT(HostsRecord, ADOBEGOLIVE, 422)
AT(HostsRecord, ACTIVESERVERPAGESASP, 423)
AT(HostsRecord, MINIMUMCONTRACT, 424)
AT(HostsRecord, EMAILFORWARDING, 434)
AT(HostsRecord, WEBBASEDEMAIL, 435)
AT(HostsRecord, DATATRANSFERPERMONTH, 436)
AT(HostsRecord, SECURESERVERACCESS, 446)
AT(HostsRecord, WEBSITEPASSWORDS, 447)
AT(HostsRecord, DAILYBACKUP, 448)
AT(HostsRecord, CONTROLPANEL, 449)
AT(HostsRecord, TRAFFICESTATS, 450)
AT(HostsRecord, PERSONALCGIDIRECTORY, 451)
AT(HostsRecord, PERLCGICHECKER, 452)
AT(HostsRecord, ACCESSCONTROL, 453)
AT(HostsRecord, TELNETACCESS, 454)
AT(HostsRecord, ONLINEDOCS, 455)
AT(HostsRecord, SOFTWARESHAREWARE, 456)
AT(HostsRecord, PAYMENTBY, 457)
AT(HostsRecord, FREECGISCRIPTS, 477)
AT(HostsRecord, CURRENTLYUSE, 478)
AT(HostsRecord, RECID, 479)

AT(WebPagesRecord, DOMAINNAME, 0)
AT(WebPagesRecord, PAGENAME, 50)
AT(WebPagesRecord, USENOW, 70)
AT(WebPagesRecord, PAGEPATH, 71)
AT(WebPagesRecord, LOCALPATH, 151)
AT(WebPagesRecord, LOCALDEFAULTDIRECTORY, 231)
AT(WebPagesRecord, AUTHOR, 321)
AT(WebPagesRecord, PURPOSE, 351)
AT(WebPagesRecord, IMPLEMENTDATE, 391)
AT(WebPagesRecord, FILEDATETIME, 395)
AT(WebPagesRecord, FILESIZE, 415)
AT(WebPagesRecord, LINKTO1, 419)
AT(WebPagesRecord, LINKTO2, 499)
AT(WebPagesRecord, LINKTO3, 529)
AT(WebPagesRecord, LINKTO4, 609)
AT(WebPagesRecord, LINKTO5, 689)
AT(WebPagesRecord, HTMLPAGETITLE, 769)
AT(WebPagesRecord, PAGEREADDATE, 849)
AT(WebPagesRecord, DATA1, 869)
AT(WebPagesRecord, DATA2, 870)
AT(WebPagesRecord, DATA3, 871)
AT(WebPagesRecord, DATA4, 872)
AT(WebPagesRecord, DATA5, 873)

AT(WPMetaRecord, WEBPAGEPATH, 0)
AT(WPMetaRecord, DOMAINNAME, 80)
AT(WPMetaRecord, PAGENAME, 130)
AT(WPMetaRecord, LOCALPATH, 150)
AT(WPMetaRecord, METACONTENTS, 230)
AT(WPMetaRecord, METANAME, 430)

AT(WPLinksRecord, DOMAINNAME, 0)
AT(WPLinksRecord, PAGENAME, 50)
AT(WPLinksRecord, WEBPAGEPATHNAME, 70)
AT(WPLinksRecord, WEBPAGELINK, 150)
AT(WPLinksRecord, LINENUMBER, 350)
AT(WPLinksRecord, RECORDDATE, 358)

AT(WPIMGRecord, WEBPAGEPATHNAME, 0)
AT(WPIMGRecord, DOMAINNAME, 80)
AT(WPIMGRecord, PAGE, 130)
AT(WPIMGRecord, WEBPAGEIMG, 150)
AT(WPIMGRecord, LINENUMBER, 350)
AT(WPIMGRecord, DATEENTERED, 352)
AT(WPIMGRecord, HEIGHT, 356)
AT(WPIMGRecord, WIDTH, 376)
AT(WPIMGRecord, IMAGEPATH, 396)
AT(WPIMGRecord, CURRENTLYUSE, 476)

AT(WPFormRecord, WEBPAGEPATHNAME, 0)
AT(WPFormRecord, DOMAINNAME, 80)
AT(WPFormRecord, PAGE, 130)
AT(WPFormRecord, RECORDDATE, 150)
AT(WPFormRecord, LINENUMBER, 154)
#define TW_FORMLINE_AT(n) AT(WPFormRecord, FORMLINE##n, 156 + 200 * ((n)-1))
TW_FORTY(TW_FORMLINE_AT)

AT(WPScriptsRecord, WEBPAGEPATHNAME, 0)
AT(WPScriptsRecord, DOMAINNAME, 80)
AT(WPScriptsRecord, PAGENAME, 130)
AT(WPScriptsRecord, RECORDDATE, 150)
#define TW_SCRIPTLINE_AT(n) AT(WPScriptsRecord, SCRIPTLINE##n, 154 + 200 * ((n)-1))
TW_FORTY(TW_SCRIPTLINE_AT)
AT(WPFormRecord, FORMLINE40, 7956)
AT(WPScriptsRecord, SCRIPTLINE40, 7954)

AT(IntlinkRecord, TYPE, 0)
AT(IntlinkRecord, DESCRIPTION, 1)
AT(IntlinkRecord, LINK, 41)
AT(IntlinkRecord, RECID, 296)

AT(DnotesRecord, TOPIC, 0)
AT(DnotesRecord, REMINDER, 60)
AT(DnotesRecord, DATE, 61)

AT(EditorRecord, MYEDITOR, 0)
AT(EditorRecord, MYFTP, 100)
AT(EditorRecord, MYTEXTED, 200)
AT(EditorRecord, MYBROWSER, 300)
AT(EditorRecord, MYGRAPHICSED, 400)
AT(EditorRecord, CMAIL, 500)
AT(EditorRecord, MYUSER1, 600)
AT(EditorRecord, MYUSER2, 700)
AT(EditorRecord, MYUSER1TITLE, 800)
AT(EditorRecord, MYUSER2TITLE, 810)
AT(EditorRecord, MYUSER3, 820)
AT(EditorRecord, MYUSERTITLE3, 920)
AT(EditorRecord, MYUSER4, 930)
AT(EditorRecord, MYUSERTITLE4, 1030)
AT(EditorRecord, CURRENTCONFIG, 1040)

#undef AT

namespace {
// The forty lines of a block are contiguous, so line n lies n - 1 widths after the first.
template <class R>
rt::Str<200>& lineOf(R* rec, std::size_t firstOffset, int n) {
  auto* base = reinterpret_cast<char*>(rec) + firstOffset;
  return *reinterpret_cast<rt::Str<200>*>(base + 200 * static_cast<std::size_t>(n - 1));
}
}  // namespace

rt::Str<200>& WPFormRecord::FormLine(int n) {
  if (n < 1 || n > 40) throw std::out_of_range("WPF:FORMLINE" + std::to_string(n));
  return lineOf(this, offsetof(WPFormRecord, FORMLINE1), n);
}

rt::Str<200>& WPScriptsRecord::ScriptLine(int n) {
  if (n < 1 || n > 40) throw std::out_of_range("WPS:SCRIPTLINE" + std::to_string(n));
  return lineOf(this, offsetof(WPScriptsRecord, SCRIPTLINE1), n);
}

DomainsBuffer DOM;
RegistrarsBuffer REG;
HostsBuffer HOS;
WebPagesBuffer WEB;
WPMetaRecord WPM;
WPLinksRecord WPL;
WPIMGRecord WPI;
WPFormRecord WPF;
WPScriptsRecord WPS;
IntlinkRecord INL;
DnotesBuffer DNO;
EditorRecord EDI;
