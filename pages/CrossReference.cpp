#include "pages/CrossReference.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "common/Procedures.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "dictionary/Globals.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/QueryByExample.h"
#include "runtime/ui/Window.h"

namespace pages {
namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

constexpr int kList = 1, kSelect = 2, kFind = 3, kInsert = 4, kChange = 5, kPrint = 6, kDelete = 7,
              kSheet = 8, kTab = 9, kClose = 10, kHelp = 11;
constexpr int kListWidth = 760;

struct QueryRow {
  const char* label;
  const char* expression;
  const char* picture;
};

struct CrossView {
  const char* procedure;
  const char* title;
  rt::KeyedFile* file;
  rt::FileRelations** relations;
  const char* key;       // its first component is the page path
  const char* pagePath;  // the locator's field
  const char* format;
  std::vector<const char*> fields;
  std::vector<QueryRow> query;
  const char* findText;
  const char* changeText;
  const char* viewForm;
  const char* listing;
};

const CrossView kViews[] = {
    {"viewimages",
     "Cross Reference: Images",
     &WPIMG,
     &WPIMGRelations,
     "WPI:PageName",
     "WPI:WEBPAGEPATHNAME",
     "80L(2)|M~Domain Name~@s50@80L(2)|M~Page~@s20@80L(2)|M~Web Page IMG~@s200@60L(2)|M~Currently "
     "Use~@s1@",
     {"WPI:DOMAINNAME", "WPI:PAGE", "WPI:WEBPAGEIMG", "WPI:CURRENTLYUSE"},
     {{"Domain Name", "UPPER(WPI:DomainName)", "@s50"},
      {"Page Name", "UPPER(WPI:Page)", "@s20"},
      {"Image Name", "UPPER(WPI:WebPageIMG)", "@s100"}},
     "&Find By..",
     "&View Details",
     "UpdateWPIMG",
     "listimages"},
    {"viewforms",
     "Cross Reference: Forms ",
     &WPForm,
     &WPFormRelations,
     "WPF:PageName",
     "WPF:WEBPAGEPATHNAME",
     "80L(2)|M~Page Name~@s20@80L(2)|M~Domain Name~@s50@80L(2)|M~Page Path~@s80@800L(2)|M~Form "
     "Line 1~@s200@800L(2)|M~ 2~@s200@800L(2)|M~ 3~@s200@",
     {"WPF:PAGE", "WPF:DOMAINNAME", "WPF:WEBPAGEPATHNAME", "WPF:FORMLINE1", "WPF:FORMLINE2",
      "WPF:FORMLINE3"},
     {{"Doinain Name", "UPPER(WPF:DomainName)", "@s50"},
      {"Page Name", "UPPER(WPF:Page)", "@s20"},
      {"Form Line 1 (up to 100 chars)", "UPPER(WPF:FormLine1)", "@s60"}},
     "&Find By",
     "&View Detail",
     "UpdateWPForm",
     "listforms2"},
    {"viewlinks",
     "Cross Reference: Links",
     &WPLinks,
     &WPLinksRelations,
     "WPL:PathName",
     "WPL:WEBPAGEPATHNAME",
     "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Link~@s200@",
     {"WPL:DOMAINNAME", "WPL:PAGENAME", "WPL:WEBPAGELINK"},
     {{"Domain Name", "UPPER(WPL:DomainName)", "@s50"},
      {"Page Name", "UPPER(WPL:PageName)", "@s20"},
      {"Link", "UPPER(WPL:WebPageLink)", "@s100"}},
     "&Find By...",
     "&View Detail",
     "UpdateWPLinks",
     "listlinks"},
    {"viewmeta",
     "Cross Reference: Meta Tags",
     &WPMeta,
     &WPMetaRelations,
     "WPM:PagePath",
     "WPM:WEBPAGEPATH",
     "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Meta Name~@s20@80L(2)|M~Meta "
     "Contents~@s200@",
     {"WPM:DOMAINNAME", "WPM:PAGENAME", "WPM:METANAME", "WPM:METACONTENTS"},
     {{"Domain Name", "UPPER(WPM:DomainName)", "@s50"},
      {"Page Name", "UPPER(WPM:PageName)", "@s20"},
      {"Meta name", "UPPER(WPM:MetaName)", "@s20"},
      {"Meta Contents", "UPPER(WPM:MetaContents)", "@s100"}},
     "&Find By...",
     "&View Detail",
     "UpdateWPMeta",
     "listmetas"},
    {"viewscripts",
     "Cross Reference: Scripts",
     &WPScripts,
     &WPScriptsRelations,
     "WPS:PageNam",
     "WPS:WEBPAGEPATHNAME",
     "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Script Line 1~@s200@",
     {"WPS:DOMAINNAME", "WPS:PAGENAME", "WPS:SCRIPTLINE1"},
     {{"Domain Name", "UPPER(WPS:DomainName)", "@s50"},
      {"Page Name", "UPPER(WPS:PageName)", "@s20"},
      {"Script Line 1 (up to 100 chars)", "UPPER(WPS:ScriptLine1)", "@s100"}},
     "&Find By...",
     "&View Detail",
     "UpdateWPScripts",
     "listscripts"},
};

constexpr char kPrintTip[] = "Use \"Find By...\"  to select records, then click\nto print.";

rt::WindowTable viewTable(const CrossView& m) {
  return {
      .context = &SystemTables(),
      .procedure = m.procedure,
      .title = m.title,
      .controls = {{kList, K::List, "", 0, nullptr, "", "", "", "Browsing Records", kListWidth},
                   {kSelect, K::Button, "&Select"},
                   {kFind, K::Button, m.findText, 0, nullptr, "",
                    "Use Find By to select specific records.", "target.ico"},
                   {kInsert, K::Button, "&Insert"},
                   {kChange, K::Button, m.changeText},
                   {kPrint, K::Button, "Print Selected Records", 0, nullptr, "", kPrintTip},
                   {kDelete, K::Button, "&Delete"},
                   {kSheet, K::Sheet},
                   {kTab, K::Tab, "By Page Name", kSheet},
                   CloseRow(kClose),
                   {kHelp, K::Button, "Help"}},
      .buttons = {{kChange, B::Change}, {kClose, B::Close}, {kHelp, B::Help}},
      .lists = {{
          .control = kList,
          .file = m.file,
          .format = m.format,
          .fields = m.fields,
          .orders = {{.key = m.key, .tab = kTab, .locatorField = m.pagePath}},
          .update = 1,
      }},
      .children = {{1, nullptr, m.viewForm}},
      .relations = {m.relations, &WebPagesRelations},
      .hidden = {kSelect, kInsert, kDelete},
  };
}

template <std::size_t I>
const rt::WindowTable& viewTableOf() {
  static const rt::WindowTable t = viewTable(kViews[I]);
  return t;
}

class CrossReferenceWindow : public rt::TableBrowse {
 public:
  CrossReferenceWindow(const rt::WindowTable& table, const CrossView& member)
      : TableBrowse(table), member_(member) {}

  rt::Flow Setup() override {
    const rt::Flow f = TableBrowse::Setup();
    if (window()) window()->setIcon("~tw.ico");
    query_.emplace(member_.procedure, SystemTables().names(), list());
    for (const QueryRow& q : member_.query) query_->AddItem(q.expression, q.label, q.picture);
    return f;
  }

  rt::Flow OnSelected() override {
    if (control() == kPrint) HandOverQuery(query_->filterText(), &member_.file->desc());
    return TableBrowse::OnSelected();
  }

  rt::Flow OnAccepted() override {
    if (control() == kFind) {
      query_->Ask();
      return rt::Flow::Cycle;
    }
    if (control() == kPrint) {
      // A click need not move the focus: the hand-over is made again, from this view.
      HandOverQuery(query_->filterText(), &member_.file->desc());
      UpdateItemValues();
      if (!*queryfilter)
        rt::ShowMessageBox("No query string to print, Please run query First.");
      else if (rt::TableProcedure listing = SystemTables().procedure(member_.listing))
        listing();
      return rt::Flow::Cycle;
    }
    return TableBrowse::OnAccepted();
  }

 private:
  const CrossView& member_;
  std::optional<rt::QueryByExample> query_;
};

template <std::size_t I>
void runView() {
  CrossReferenceWindow w(viewTableOf<I>(), kViews[I]);
  w.Run();
}

const rt::WindowTableRegistration tables{
    {"viewimages", &viewTableOf<0>},  {"viewforms", &viewTableOf<1>},
    {"viewlinks", &viewTableOf<2>},   {"viewmeta", &viewTableOf<3>},
    {"viewscripts", &viewTableOf<4>},
};

const ProcedureRegistration procedures{
    {"viewimages", kSmallStack, &viewimages},   {"viewforms", kSmallStack, &viewforms},
    {"viewlinks", kSmallStack, &viewlinks},     {"viewmeta", kSmallStack, &viewmeta},
    {"viewscripts", kSmallStack, &viewscripts},
};

}  // namespace

void viewimages() {
  runView<0>();
}
void viewforms() {
  runView<1>();
}
void viewlinks() {
  runView<2>();
}
void viewmeta() {
  runView<3>();
}
void viewscripts() {
  runView<4>();
}

}  // namespace pages
