// Record layouts of the fourteen data files. The structs are the record buffers byte for
// byte: fields back to back, no padding, offsets as the files on disk have always had them.
// C++ spelling: the field DOM:DOMAINNAME is the member DOMAINNAME of DomainsRecord, reached
// through the program-wide buffer DOM (DOM.DOMAINNAME); a memo such as DOM:Notes is the
// member Notes of that buffer (DOM.Notes).
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/text/Decimal.h"
#include "runtime/text/FixedString.h"

// clang-format off
#define TW_FORTY(X)                                                                   \
  X(1) X(2) X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(10) X(11) X(12) X(13) X(14) X(15)    \
  X(16) X(17) X(18) X(19) X(20) X(21) X(22) X(23) X(24) X(25) X(26) X(27) X(28) X(29) \
  X(30) X(31) X(32) X(33) X(34) X(35) X(36) X(37) X(38) X(39) X(40)
// clang-format on

#pragma pack(push, 1)

struct DomainsRecord {
  rt::Str<50> DOMAINNAME;
  std::int32_t DATESTARTED = 0;
  std::int32_t RENEWALDATE = 0;
  rt::Str<40> REGISTRAR;
  rt::Str<20> REGLOGIN;
  rt::Str<20> REGLOGINPWD;
  rt::Decimal FEEPAID;
  rt::Str<60> FEEDURATION;
  std::int32_t REGEXPIRATIONDATE = 0;
  rt::Str<40> OWNERNAME;
  rt::Str<20> CONTACTPERSON;
  rt::Str<20> CONTACTPWD;
  rt::Str<30> CONTACTEMAIL;
  rt::Str<20> TECHPERSON;
  rt::Str<20> TECHPWD;
  rt::Str<40> HOST;
  std::int32_t HOSTDATE = 0;
  rt::Str<20> HOSTADMINLOGINNAME;
  rt::Str<20> ADMINPWD;
  rt::Str<20> IPPRIMARYADDRESS;
  rt::Str<20> IPSECONDARYADDRESS;
  rt::Str<80> DEFAULTLOCALDIR;
  rt::Str<80> DEFAULTWEBPATH;
  rt::Str<30> EMAILACCT0;
  rt::Str<30> EMAILACCT1;
  rt::Str<30> EMAILACCT2;
  rt::Str<30> EMAILACCT3;
  rt::Str<30> EMAILACCT4;
  rt::Str<30> FORWARD0;
  rt::Str<30> FORWARD1;
  rt::Str<30> FORWARD2;
  rt::Str<30> FORWARD3;
  rt::Str<30> FORWARD4;
  rt::Decimal HOSTMOCOST;
  rt::Str<60> HOSTPLANNAME;
  rt::Decimal ECOMMOCOST;
  rt::Str<60> ECOMCOSTDESC;
  rt::Decimal ADVERTISINGMOCOST;
  rt::Str<60> ADVMOCOSTDESC;
  rt::Decimal ADDLMOCOST;
  rt::Str<60> ADDMOCOSTDESC;
  rt::Decimal BANKCHGSMOCOST;
  rt::Str<60> BANKCHGDESC;
  rt::Decimal SERVICEMOCOST;
  rt::Str<60> SERVMOCOSTDESC;
  rt::Decimal INITPROGRAMCOST;
  rt::Str<60> INITPROGCOSTDESC;
  rt::Decimal PROGRAMMOCOST;
  rt::Str<60> PROGRAMMODESC;
  rt::Decimal MISCSETUPCOSTS;
  rt::Str<60> MISCSETUPDESC;
  rt::Decimal INITIALDESIGNCOST;
  rt::Str<60> INITDESIGNDESC;
  rt::Decimal DESIGNMOCOST;
  rt::Str<60> DESMOCOSTDESC;
  rt::Str<20> RECID;
  rt::Decimal MONTHLYTOTAL;
  rt::Decimal NONMONTHTOTAL;
};

struct RegistrarsRecord {
  rt::Str<40> COMPANYNAME;
  rt::Str<40> ADDRESS;
  rt::Str<20> CITY;
  rt::Str<2> STATE;
  rt::Str<10> ZIPCODE;
  rt::Str<50> URL;
  rt::Str<50> SUPPORTEMAIL;
  rt::Str<20> PHONE;
  rt::Str<20> FAX;
  double REGULARFEE = 0;
  rt::Str<20> RENEWALPERIOD;
  rt::Str<20> COUNTRY;
  rt::Str<1> CURRENTLYUSE;
  rt::Str<1> ACCREDITEDBYICANN;
  rt::Str<1> PENDINGACCREDITATION;
  rt::Str<20> RECID;
};

struct HostsRecord {
  rt::Str<50> HOSTNAME;
  rt::Str<30> CONTACTNAME;
  rt::Str<20> PHONENUMBER;
  rt::Str<20> FAXNUMBER;
  rt::Str<40> SUPPORTEMAIL;
  rt::Str<40> URL;
  rt::Str<40> STREETADDRESS;
  rt::Str<30> HOSCITY;
  rt::Str<2> STATE;
  rt::Str<10> ZIPCODE;
  std::int16_t POP3NUMBER = 0;
  rt::Str<1> SMTP;
  double FEEMONTHLY = 0;
  double FEESETUP = 0;
  rt::Str<1> INTERNETACCESS;
  rt::Str<15> INTERNETACCESSUSE;
  rt::Str<10> EMAILCONTROL;
  rt::Str<1> FREETRANSFERDOMAINNAME;
  rt::Str<20> FILEDOWNLOADS;
  rt::Str<1> CGIPERLSCRIPTS;
  rt::Str<1> LINUX;
  rt::Str<1> WINDOWSNT;
  rt::Str<1> OTHERUNIX;
  rt::Str<1> WINDOWS2000;
  rt::Str<1> ECOMAVAIL;
  double ECOMCOST = 0;
  rt::Str<1> LOCALACCESSNUMBERS;
  rt::Str<1> NATIONALACCESSNUMBERS;
  double TOTALMONTHLYCOST = 0;
  rt::Str<1> VOICESUPPORT;
  rt::Str<20> VOICESUPPORTPHONE;
  rt::Str<20> DISKSPACE;
  double ANNUALPREPAYMENT = 0;
  rt::Str<1> FRONTPAGEEXT;
  rt::Str<1> ADOBEGOLIVE;
  rt::Str<1> ACTIVESERVERPAGESASP;
  rt::Str<10> MINIMUMCONTRACT;
  rt::Str<1> EMAILFORWARDING;
  rt::Str<1> WEBBASEDEMAIL;
  rt::Str<10> DATATRANSFERPERMONTH;
  rt::Str<1> SECURESERVERACCESS;
  rt::Str<1> WEBSITEPASSWORDS;
  rt::Str<1> DAILYBACKUP;
  rt::Str<1> CONTROLPANEL;
  rt::Str<1> TRAFFICESTATS;
  rt::Str<1> PERSONALCGIDIRECTORY;
  rt::Str<1> PERLCGICHECKER;
  rt::Str<1> ACCESSCONTROL;
  rt::Str<1> TELNETACCESS;
  rt::Str<1> ONLINEDOCS;
  rt::Str<1> SOFTWARESHAREWARE;
  rt::Str<20> PAYMENTBY;
  rt::Str<1> FREECGISCRIPTS;
  rt::Str<1> CURRENTLYUSE;
  rt::Str<20> RECID;
};

struct WebPagesRecord {
  rt::Str<50> DOMAINNAME;
  rt::Str<20> PAGENAME;
  rt::Str<1> USENOW;
  rt::Str<80> PAGEPATH;
  rt::Str<80> LOCALPATH;
  rt::Str<90> LOCALDEFAULTDIRECTORY;
  rt::Str<30> AUTHOR;
  rt::Str<40> PURPOSE;
  std::int32_t IMPLEMENTDATE = 0;
  rt::Str<20> FILEDATETIME;
  std::int32_t FILESIZE = 0;
  rt::Str<80> LINKTO1;
  rt::Str<30> LINKTO2;
  rt::Str<80> LINKTO3;
  rt::Str<80> LINKTO4;
  rt::Str<80> LINKTO5;
  rt::Str<80> HTMLPAGETITLE;
  rt::Str<20> PAGEREADDATE;
  rt::Str<1> DATA1;
  rt::Str<1> DATA2;
  rt::Str<1> DATA3;
  rt::Str<1> DATA4;
  rt::Str<1> DATA5;
};

struct WPMetaRecord {
  rt::Str<80> WEBPAGEPATH;
  rt::Str<50> DOMAINNAME;
  rt::Str<20> PAGENAME;
  rt::Str<80> LOCALPATH;
  rt::Str<200> METACONTENTS;
  rt::Str<20> METANAME;
};

struct WPLinksRecord {
  rt::Str<50> DOMAINNAME;
  rt::Str<20> PAGENAME;
  rt::Str<80> WEBPAGEPATHNAME;
  rt::Str<200> WEBPAGELINK;
  double LINENUMBER = 0;
  std::int32_t RECORDDATE = 0;
};

struct WPIMGRecord {
  rt::Str<80> WEBPAGEPATHNAME;
  rt::Str<50> DOMAINNAME;
  rt::Str<20> PAGE;
  rt::Str<200> WEBPAGEIMG;
  std::int16_t LINENUMBER = 0;
  std::int32_t DATEENTERED = 0;
  rt::Str<20> HEIGHT;
  rt::Str<20> WIDTH;
  rt::Str<80> IMAGEPATH;
  rt::Str<1> CURRENTLYUSE;
};

#define TW_FORMLINE(n) rt::Str<200> FORMLINE##n;
#define TW_SCRIPTLINE(n) rt::Str<200> SCRIPTLINE##n;

struct WPFormRecord {
  rt::Str<80> WEBPAGEPATHNAME;
  rt::Str<50> DOMAINNAME;
  rt::Str<20> PAGE;
  std::int32_t RECORDDATE = 0;
  std::int16_t LINENUMBER = 0;
  TW_FORTY(TW_FORMLINE)

  // FORMLINE1 .. FORMLINE40 by number (1-based), for code that fills the block line by line.
  rt::Str<200>& FormLine(int n);
};

struct WPScriptsRecord {
  rt::Str<80> WEBPAGEPATHNAME;
  rt::Str<50> DOMAINNAME;
  rt::Str<20> PAGENAME;
  std::int32_t RECORDDATE = 0;
  TW_FORTY(TW_SCRIPTLINE)

  rt::Str<200>& ScriptLine(int n);  // SCRIPTLINE1 .. SCRIPTLINE40, 1-based
};

#undef TW_FORMLINE
#undef TW_SCRIPTLINE

struct IntlinkRecord {
  std::uint8_t TYPE = 0;  // 1 = e-mail link, 2 = web link
  rt::Str<40> DESCRIPTION;
  rt::Str<255> LINK;
  rt::Str<20> RECID;
};

struct DnotesRecord {
  rt::Str<60> TOPIC;
  rt::Str<1> REMINDER;
  std::int32_t DATE = 0;
};

struct EditorRecord {
  rt::Str<100> MYEDITOR;
  rt::Str<100> MYFTP;
  rt::Str<100> MYTEXTED;
  rt::Str<100> MYBROWSER;
  rt::Str<100> MYGRAPHICSED;
  rt::Str<100> CMAIL;
  rt::Str<100> MYUSER1;
  rt::Str<100> MYUSER2;
  rt::Str<10> MYUSER1TITLE;
  rt::Str<10> MYUSER2TITLE;
  rt::Str<100> MYUSER3;
  rt::Str<10> MYUSERTITLE3;
  rt::Str<100> MYUSER4;
  rt::Str<10> MYUSERTITLE4;
  rt::Str<1> CURRENTCONFIG;
};

struct DOSRecord {
  rt::Str<255> LINE;
};

struct DOS1Record {
  rt::Str<255> LINE;
};

// The program-wide buffers: the record followed by its memo, if the file has one.
using Memo = rt::Str<1000>;
struct DomainsBuffer : DomainsRecord {
  Memo Notes;
};
struct RegistrarsBuffer : RegistrarsRecord {
  Memo Notes;
};
struct HostsBuffer : HostsRecord {
  Memo Notes;
};
struct WebPagesBuffer : WebPagesRecord {
  Memo Notes;
};
struct DnotesBuffer : DnotesRecord {
  Memo MainMemo;
};

#pragma pack(pop)

// Record lengths of the files on disk.
static_assert(sizeof(DomainsRecord) == 1672);
static_assert(sizeof(RegistrarsRecord) == 323);
static_assert(sizeof(HostsRecord) == 499);
static_assert(sizeof(WebPagesRecord) == 874);
static_assert(sizeof(WPMetaRecord) == 450);
static_assert(sizeof(WPLinksRecord) == 362);
static_assert(sizeof(WPIMGRecord) == 477);
static_assert(sizeof(WPFormRecord) == 8156);
static_assert(sizeof(WPScriptsRecord) == 8154);
static_assert(sizeof(IntlinkRecord) == 316);
static_assert(sizeof(DnotesRecord) == 65);
static_assert(sizeof(EditorRecord) == 1041);
static_assert(sizeof(DOSRecord) == 255);
static_assert(sizeof(DOS1Record) == 255);
static_assert(sizeof(DomainsBuffer) == 1672 + 1000);
static_assert(sizeof(DnotesBuffer) == 65 + 1000);

extern DomainsBuffer DOM;
extern RegistrarsBuffer REG;
extern HostsBuffer HOS;
extern WebPagesBuffer WEB;
extern WPMetaRecord WPM;
extern WPLinksRecord WPL;
extern WPIMGRecord WPI;
extern WPFormRecord WPF;
extern WPScriptsRecord WPS;
extern IntlinkRecord INL;
extern DnotesBuffer DNO;
extern EditorRecord EDI;
// DOS and DOS1 are their line files as well as their buffers: see dictionary/Files.h.
