// Each file description against the record layouts as the files on disk have them: record
// size, field count, field types in order, keys and memo. The offsets follow from the types
// because the fields lie back to back; the structs are checked against the descriptions.
#include <gtest/gtest.h>

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
  std::size_t fieldCount;
  // Field types in order: S<n> string, D date, L long, H short, B byte, R real, M decimal;
  // "k*T" repeats T k times.
  const char* types;
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
       58,
       "S50 D D S40 S20 S20 M S60 D S40 S20 S20 S30 S20 S20 S40 D S20 S20 S20 S20 S80 S80 "
       "10*S30 M S60 M S60 M S60 M S60 M S60 M S60 M S60 M S60 M S60 M S60 M S60 S20 M M",
       {{"DOM:name", "DOM:name", {"DOM:DOMAINNAME"}, true, 1},
        {"DOM:HostedBy", "DOM:HostedBy", {"DOM:HOST"}, false, 0}},
       "DOM:Notes",
       sizeof(DOM)},
      {RegistrarsDesc,
       "Registrars",
       "REG",
       "REGISTRA",
       323,
       16,
       "S40 S40 S20 S2 S10 S50 S50 S20 S20 R S20 S20 S1 S1 S1 S20",
       {{"REG:name", "REG:name", {"REG:COMPANYNAME"}, true, 1}},
       "REG:Notes",
       sizeof(REG)},
      {HostsDesc,
       "Hosts",
       "HOS",
       "HOSTS",
       499,
       55,
       "S50 S30 S20 S20 S40 S40 S40 S30 S2 S10 H S1 R R S1 S15 S10 S1 S20 6*S1 "
       "R S1 S1 R S1 S20 S20 R S1 S1 S1 S10 S1 S1 S10 11*S1 S20 S1 S1 S20",
       {{"HOS:name", "HOS:name", {"HOS:HOSTNAME"}, true, 1}},
       "HOS:Notes",
       sizeof(HOS)},
      {WebPagesDesc,
       "WebPages",
       "WEB",
       "WEBPAGES",
       874,
       23,
       "S50 S20 S1 S80 S80 S90 S30 S40 D S20 L S80 S30 S80 S80 S80 S80 S20 5*S1",
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
       6,
       "S80 S50 S20 S80 S200 S20",
       {{"WPM:PagePath", "WPM:PagePath", {"WPM:WEBPAGEPATH"}, false, 0}},
       nullptr,
       sizeof(WPM)},
      {WPLinksDesc,
       "WPLinks",
       "WPL",
       "WPLINKS",
       362,
       6,
       "S50 S20 S80 S200 R D",
       {{"WPL:PathName", "WPL:PathName", {"WPL:WEBPAGEPATHNAME"}, false, 0}},
       nullptr,
       sizeof(WPL)},
      {WPIMGDesc,
       "WPIMG",
       "WPI",
       "WPIMG",
       477,
       10,
       "S80 S50 S20 S200 H D S20 S20 S80 S1",
       {{"WPI:PageName", "WPI:PageName", {"WPI:WEBPAGEPATHNAME", "WPI:WEBPAGEIMG"}, false, 0},
        {"WPI:images", "WPI:images", {"WPI:WEBPAGEIMG"}, false, 0}},
       nullptr,
       sizeof(WPI)},
      {WPFormDesc,
       "WPForm",
       "WPF",
       "WPFORM",
       8156,
       45,
       "S80 S50 S20 D H 40*S200",
       {{"WPF:PageName", "WPF:PageName", {"WPF:WEBPAGEPATHNAME"}, false, 0}},
       nullptr,
       sizeof(WPF)},
      {WPScriptsDesc,
       "WPScripts",
       "WPS",
       "WPSCRIPT",
       8154,
       44,
       "S80 S50 S20 D 40*S200",
       {{"WPS:PageNam", "WPS:PageNam", {"WPS:WEBPAGEPATHNAME"}, false, 0}},
       nullptr,
       sizeof(WPS)},
      {IntlinkDesc,
       "Intlink",
       "INL",
       "INTLINK",
       316,
       4,
       "B S40 S255 S20",
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
       3,
       "S60 S1 D",
       {{"DNO:pages", "DNO:pages", {"DNO:REMINDER", "DNO:TOPIC"}, false, 0}},
       "DNO:MainMemo",
       sizeof(DNO)},
      {EditorDesc,
       "Editor",
       "EDI",
       "EDITOR",
       1041,
       15,
       "S100 S100 S100 S100 S100 S100 S100 S100 S10 S10 S100 S10 S100 S10 S1",
       {},
       nullptr,
       sizeof(EDI)},
      {DOSDesc, "DOS", "DOS", "", 255, 1, "S255", {}, nullptr, sizeof(DOSRecord)},
      {DOS1Desc, "DOS1", "DOS1", "", 255, 1, "S255", {}, nullptr, sizeof(DOS1Record)},
  };
  return files;
}

std::string typeCode(const rt::FieldDesc& f) {
  switch (f.type) {
    case rt::FieldType::String:
      return "S" + std::to_string(f.size);
    case rt::FieldType::Date:
      return "D";
    case rt::FieldType::Time:
      return "T";
    case rt::FieldType::Long:
      return "L";
    case rt::FieldType::Short:
      return "H";
    case rt::FieldType::Byte:
      return "B";
    case rt::FieldType::Real:
      return "R";
    case rt::FieldType::Decimal:
      return "M";
  }
  return "?";
}

std::vector<std::string> expand(const char* types) {
  std::vector<std::string> out;
  std::istringstream in(types);
  std::string tok;
  while (in >> tok) {
    int count = 1;
    if (auto star = tok.find('*'); star != std::string::npos) {
      count = std::stoi(tok.substr(0, star));
      tok = tok.substr(star + 1);
    }
    out.insert(out.end(), count, tok);
  }
  return out;
}

std::uint32_t sizeOfType(rt::FieldType t) {
  switch (t) {
    case rt::FieldType::Byte:
      return 1;
    case rt::FieldType::Short:
      return 2;
    case rt::FieldType::Date:
    case rt::FieldType::Time:
    case rt::FieldType::Long:
    case rt::FieldType::Decimal:
      return 4;
    case rt::FieldType::Real:
      return 8;
    case rt::FieldType::String:
      return 0;
  }
  return 0;
}

class FileLayout : public ::testing::TestWithParam<ExpectedFile> {};

TEST_P(FileLayout, FileSettingsAndFieldTypesInOrder) {
  const ExpectedFile& e = GetParam();
  const rt::FileDesc& d = e.desc();
  EXPECT_EQ(d.label, e.label);
  EXPECT_EQ(d.prefix, e.prefix);
  EXPECT_EQ(d.diskName, e.diskName);
  EXPECT_EQ(d.recordSize, e.recordBytes);
  ASSERT_EQ(d.fields.size(), e.fieldCount);
  const auto types = expand(e.types);
  ASSERT_EQ(types.size(), e.fieldCount) << "expected type list of " << e.label;
  for (std::size_t i = 0; i < d.fields.size(); ++i)
    EXPECT_EQ(typeCode(d.fields[i]), types[i]) << d.fields[i].name;
}

TEST_P(FileLayout, FieldsLieBackToBackWithoutGapsAndFillTheRecord) {
  const rt::FileDesc& d = GetParam().desc();
  std::uint32_t at = 0;
  std::set<std::string> names;
  for (const auto& f : d.fields) {
    EXPECT_EQ(f.offset, at) << f.name;
    if (f.type != rt::FieldType::String) {
      EXPECT_EQ(f.size, sizeOfType(f.type)) << f.name;
    }
    EXPECT_EQ(f.places, f.type == rt::FieldType::Decimal ? 2 : 0) << f.name;
    EXPECT_EQ(f.name.rfind(d.prefix + ":", 0), 0u) << f.name;
    EXPECT_TRUE(names.insert(rt::UPPER(f.name)).second) << "twice: " << f.name;
    at = f.offset + f.size;
  }
  EXPECT_EQ(at, d.recordSize);
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
