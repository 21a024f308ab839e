#include "dictionary/Files.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
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

#define F(M) d.fields.push_back(field<decltype(R::M)>(d.prefix, #M, offsetof(R, M)));
#define D(M) d.fields.push_back(dateField<decltype(R::M)>(d.prefix, #M, offsetof(R, M)));
#define TW_FIELD(kind, name, size) TW_FIELD_##kind(name)
#define TW_FIELD_STRING(name) F(name)
#define TW_FIELD_DATE(name) D(name)
#define TW_FIELD_LONG(name) F(name)
#define TW_FIELD_SHORT(name) F(name)
#define TW_FIELD_BYTE(name) F(name)
#define TW_FIELD_REAL(name) F(name)
#define TW_FIELD_DECIMAL(name) F(name)
#define TW_FIELD_LINES40(name) lines40(d, #name, offsetof(R, name##1));
#define TW_KEY(name, description, unique, autoNumber, ...) \
  key(d, name, description, #__VA_ARGS__, unique, autoNumber);
#define TW_NAME_OF(memo) #memo
#define TW_NAME(memo) TW_NAME_OF(memo)

// Forty STRING(200) lines numbered 1 to 40, back to back from the first.
void lines40(rt::FileDesc& d, const char* stem, std::size_t first) {
  for (int n = 1; n <= 40; ++n)
    d.fields.push_back(rt::FieldDesc{d.prefix + ":" + stem + std::to_string(n), FieldType::String,
                                     static_cast<std::uint32_t>(first + 200 * (n - 1)), 200});
}

constexpr bool UNIQUE = true, DUPS = false;

// components: the fields' names as the layout lists them, separated by commas.
void key(rt::FileDesc& d, const char* name, const char* description, std::string_view components,
         bool unique, int autoNumber) {
  rt::KeyDesc k;
  k.name = name;
  k.description = description;
  while (!components.empty()) {
    const std::size_t comma = std::min(components.find(','), components.size());
    std::string_view c = components.substr(0, comma);
    components.remove_prefix(std::min(comma + 1, components.size()));
    while (!c.empty() && c.front() == ' ') c.remove_prefix(1);
    const std::string field = d.prefix + ":" + std::string(c);
    const int i = d.fieldIndex(field);
    if (i < 0) throw std::logic_error("key component not in layout: " + field);
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

template <class R>
rt::FileDesc makeLineFile(const char* label) {
  rt::FileDesc d = start(label, label, "", sizeof(R));
  TW_LINEFILE_FIELDS(TW_FIELD)
  return d;
}

}  // namespace

// Each description made once, from its layout; a memo file names its memo last.
#define TW_DESC(Name, Record, LAYOUT, label, prefix, diskName, ...)                          \
  const rt::FileDesc& Name() {                                                               \
    static const rt::FileDesc d = [] {                                                       \
      using R = Record;                                                                      \
      rt::FileDesc d = start(label, prefix, diskName, sizeof(R) __VA_OPT__(, ) __VA_ARGS__); \
      TW_##LAYOUT##_FIELDS(TW_FIELD) TW_##LAYOUT##_KEYS(TW_KEY) return d;                    \
    }();                                                                                     \
    return d;                                                                                \
  }

// clang-format off
TW_DESC(DomainsDesc, DomainsRecord, DOMAINS, "Domains", "DOM", "DOMAINS", "DOM:" TW_NAME(TW_DOMAINS_MEMO))
TW_DESC(RegistrarsDesc, RegistrarsRecord, REGISTRARS, "Registrars", "REG", "REGISTRA", "REG:" TW_NAME(TW_REGISTRARS_MEMO))
TW_DESC(HostsDesc, HostsRecord, HOSTS, "Hosts", "HOS", "HOSTS", "HOS:" TW_NAME(TW_HOSTS_MEMO))
TW_DESC(WebPagesDesc, WebPagesRecord, WEBPAGES, "WebPages", "WEB", "WEBPAGES", "WEB:" TW_NAME(TW_WEBPAGES_MEMO))
TW_DESC(WPMetaDesc, WPMetaRecord, WPMETA, "WPMeta", "WPM", "WPMETA")
TW_DESC(WPLinksDesc, WPLinksRecord, WPLINKS, "WPLinks", "WPL", "WPLINKS")
TW_DESC(WPIMGDesc, WPIMGRecord, WPIMG, "WPIMG", "WPI", "WPIMG")
TW_DESC(WPFormDesc, WPFormRecord, WPFORM, "WPForm", "WPF", "WPFORM")
TW_DESC(WPScriptsDesc, WPScriptsRecord, WPSCRIPTS, "WPScripts", "WPS", "WPSCRIPT")
TW_DESC(IntlinkDesc, IntlinkRecord, INTLINK, "Intlink", "INL", "INTLINK")
TW_DESC(DnotesDesc, DnotesRecord, DNOTES, "dnotes", "DNO", "DNOTES", "DNO:" TW_NAME(TW_DNOTES_MEMO))
TW_DESC(EditorDesc, EditorRecord, EDITOR, "Editor", "EDI", "EDITOR")
// clang-format on
#undef TW_DESC
#undef TW_FIELD
#undef TW_KEY
#undef F
#undef D

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
