// Record buffers of the fourteen data files, made from their layouts in Layouts.h: the
// fields back to back, no padding, offsets as the files on disk have always had them.
// C++ spelling: the field DOM:DOMAINNAME is the member DOMAINNAME of DomainsRecord, reached
// through the program-wide buffer DOM (DOM.DOMAINNAME); a memo such as DOM:Notes is the
// member Notes of that buffer (DOM.Notes).
#pragma once

#include <cstddef>
#include <cstdint>

#include "dictionary/Layouts.h"
#include "runtime/text/Decimal.h"
#include "runtime/text/FixedString.h"

#define TW_MEMBER(kind, name, size) TW_MEMBER_##kind(name, size)
#define TW_MEMBER_STRING(name, size) rt::Str<size> name;
#define TW_MEMBER_DATE(name, size) std::int32_t name = 0;
#define TW_MEMBER_LONG(name, size) std::int32_t name = 0;
#define TW_MEMBER_SHORT(name, size) std::int16_t name = 0;
#define TW_MEMBER_BYTE(name, size) std::uint8_t name = 0;
#define TW_MEMBER_REAL(name, size) double name = 0;
#define TW_MEMBER_DECIMAL(name, size) rt::Decimal name;
#define TW_LINE(name, n) rt::Str<200> name##n;
#define TW_MEMBER_LINES40(name, size) TW_FORTY(TW_LINE, name)

// clang-format off
#define TW_FORTY(M, a)                                                                      \
  M(a, 1) M(a, 2) M(a, 3) M(a, 4) M(a, 5) M(a, 6) M(a, 7) M(a, 8) M(a, 9) M(a, 10)          \
  M(a, 11) M(a, 12) M(a, 13) M(a, 14) M(a, 15) M(a, 16) M(a, 17) M(a, 18) M(a, 19) M(a, 20) \
  M(a, 21) M(a, 22) M(a, 23) M(a, 24) M(a, 25) M(a, 26) M(a, 27) M(a, 28) M(a, 29) M(a, 30) \
  M(a, 31) M(a, 32) M(a, 33) M(a, 34) M(a, 35) M(a, 36) M(a, 37) M(a, 38) M(a, 39) M(a, 40)
// clang-format on

#pragma pack(push, 1)

struct DomainsRecord {
  TW_DOMAINS_FIELDS(TW_MEMBER)
};

struct RegistrarsRecord {
  TW_REGISTRARS_FIELDS(TW_MEMBER)
};

struct HostsRecord {
  TW_HOSTS_FIELDS(TW_MEMBER)
};

struct WebPagesRecord {
  TW_WEBPAGES_FIELDS(TW_MEMBER)
};

struct WPMetaRecord {
  TW_WPMETA_FIELDS(TW_MEMBER)
};

struct WPLinksRecord {
  TW_WPLINKS_FIELDS(TW_MEMBER)
};

struct WPIMGRecord {
  TW_WPIMG_FIELDS(TW_MEMBER)
};

struct WPFormRecord {
  TW_WPFORM_FIELDS(TW_MEMBER)
  // FORMLINE1 .. FORMLINE40 by number (1-based), for code that fills the block line by line.
  rt::Str<200>& FormLine(int n);
};

struct WPScriptsRecord {
  TW_WPSCRIPTS_FIELDS(TW_MEMBER)
  rt::Str<200>& ScriptLine(int n);  // SCRIPTLINE1 .. SCRIPTLINE40, 1-based
};

struct IntlinkRecord {
  TW_INTLINK_FIELDS(TW_MEMBER)
};

struct DnotesRecord {
  TW_DNOTES_FIELDS(TW_MEMBER)
};

struct EditorRecord {
  TW_EDITOR_FIELDS(TW_MEMBER)
};

struct DOSRecord {
  TW_LINEFILE_FIELDS(TW_MEMBER)
};

struct DOS1Record {
  TW_LINEFILE_FIELDS(TW_MEMBER)
};

// The program-wide buffers: the record followed by its memo, if the file has one.
using Memo = rt::Str<1000>;
struct DomainsBuffer : DomainsRecord {
  Memo TW_DOMAINS_MEMO;
};
struct RegistrarsBuffer : RegistrarsRecord {
  Memo TW_REGISTRARS_MEMO;
};
struct HostsBuffer : HostsRecord {
  Memo TW_HOSTS_MEMO;
};
struct WebPagesBuffer : WebPagesRecord {
  Memo TW_WEBPAGES_MEMO;
};
struct DnotesBuffer : DnotesRecord {
  Memo TW_DNOTES_MEMO;
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
