// Small record buffers laid out like the data files' packed structs, with their descriptors.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/data/Layout.h"
#include "runtime/text/Decimal.h"
#include "runtime/text/FixedString.h"

namespace exprtest {

#pragma pack(push, 1)
// Aligned as a whole, with its wider members first, so the Decimal member sits on its own
// alignment: its member functions must not run on a misaligned object.
struct alignas(8) DomainRec {
  double regularFee;
  rt::Decimal feePaid;
  std::int32_t renewalDate;
  rt::Str<50> domainName;
  rt::Str<40> registrar;
};
struct NoteRec {
  rt::Str<60> topic;
  rt::Str<1> reminder;
  std::int32_t date;
};
struct PageRec {
  rt::Str<50> domainName;
  rt::Str<20> pageName;
  rt::Str<80> pagePath;
};
struct ImageRec {
  rt::Str<80> webPagePathName;
  rt::Str<50> domainName;
  rt::Str<20> page;
  rt::Str<200> webPageImg;
  std::int16_t height;
  std::uint8_t currentlyUse;
  std::int32_t lineNumber;
  std::int32_t readTime;
};
#pragma pack(pop)

#define TW_FIELD(rec, member, name, type)                                 \
  rt::FieldDesc {                                                         \
    name, rt::FieldType::type, offsetof(rec, member), sizeof(rec::member) \
  }

inline const rt::FileDesc& domainsDesc() {
  static const rt::FileDesc d{"Domains",
                              "DOM",
                              "DOMAINS",
                              sizeof(DomainRec),
                              {TW_FIELD(DomainRec, domainName, "DOM:DOMAINNAME", String),
                               TW_FIELD(DomainRec, renewalDate, "DOM:RENEWALDATE", Date),
                               TW_FIELD(DomainRec, registrar, "DOM:REGISTRAR", String),
                               TW_FIELD(DomainRec, feePaid, "DOM:FEEPAID", Decimal),
                               TW_FIELD(DomainRec, regularFee, "DOM:REGULARFEE", Real)},
                              {},
                              {{"DOM:Notes", 1000}}};
  return d;
}

inline const rt::FileDesc& notesDesc() {
  static const rt::FileDesc d{"dnotes",
                              "DNO",
                              "DNOTES",
                              sizeof(NoteRec),
                              {TW_FIELD(NoteRec, topic, "DNO:TOPIC", String),
                               TW_FIELD(NoteRec, reminder, "DNO:REMINDER", String),
                               TW_FIELD(NoteRec, date, "DNO:DATE", Date)},
                              {},
                              {}};
  return d;
}

inline const rt::FileDesc& pagesDesc() {
  static const rt::FileDesc d{"WebPages",
                              "WEB",
                              "WEBPAGES",
                              sizeof(PageRec),
                              {TW_FIELD(PageRec, domainName, "WEB:DOMAINNAME", String),
                               TW_FIELD(PageRec, pageName, "WEB:PAGENAME", String),
                               TW_FIELD(PageRec, pagePath, "WEB:PAGEPATH", String)},
                              {},
                              {}};
  return d;
}

inline const rt::FileDesc& imagesDesc() {
  static const rt::FileDesc d{"WPIMG",
                              "WPI",
                              "WPIMG",
                              sizeof(ImageRec),
                              {TW_FIELD(ImageRec, webPagePathName, "WPI:WEBPAGEPATHNAME", String),
                               TW_FIELD(ImageRec, domainName, "WPI:DOMAINNAME", String),
                               TW_FIELD(ImageRec, page, "WPI:PAGE", String),
                               TW_FIELD(ImageRec, webPageImg, "WPI:WEBPAGEIMG", String),
                               TW_FIELD(ImageRec, height, "WPI:HEIGHT", Short),
                               TW_FIELD(ImageRec, currentlyUse, "WPI:CURRENTLYUSE", Byte),
                               TW_FIELD(ImageRec, lineNumber, "WPI:LINENUMBER", Long),
                               TW_FIELD(ImageRec, readTime, "WPI:READTIME", Time)},
                              {},
                              {}};
  return d;
}

#undef TW_FIELD

}  // namespace exprtest
