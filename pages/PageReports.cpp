#include "pages/PageReports.h"

#include <string>
#include <vector>

#include "common/Frame.h"
#include "common/ReportParts.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "runtime/ui/TableWindows.h"

namespace pages {
namespace {

using C = rt::ReportControlKind;
using rt::ReportControl;
using namespace reportparts;

constexpr int kPromptWidth = 1500;
constexpr int kFieldWidth = kCardWidth - kPromptWidth - 50;
constexpr int kLine = 160;

// What one record prints and how tall it is.
struct Card {
  std::vector<ReportControl> controls;
  int height = 0;
};

rt::ReportTable cardReport(const char* procedure, const char* title, Card card, rt::ReportView view,
                           rt::FileRelations** relations, std::vector<ReportControl> footer = {}) {
  return {.context = &SystemTables(),
          .procedure = procedure,
          .title = title,
          .page = kCardPage,
          .font = kTextFont,
          .bands = cardBands(title, std::move(card.controls), card.height, std::move(footer)),
          .view = view,
          .relations = {relations}};
}

// A rule under each record, so the cards stand apart.
Card closeCard(std::vector<ReportControl>& c, int y) {
  c.push_back({.kind = C::Line, .x = 0, .y = y + 40, .width = kCardWidth, .pen = 0});
  return {std::move(c), y + 120};
}

// ---- the pages ----

Card pageCard() {
  std::vector<ReportControl> c;
  int y = addPrompted(c, 0, 0, kPromptWidth, kFieldWidth,
                      {{"Currently Use:", "WEB:USENOW", "@s1"},
                       {"Domain Name:", "WEB:DOMAINNAME", "@s30"},
                       {"Page Name:", "WEB:PAGENAME", "@s20"},
                       {"Author:", "WEB:AUTHOR", "@s30"},
                       {"Purpose:", "WEB:PURPOSE", "@s40"},
                       {"Page Path:", "WEB:PAGEPATH", "@s80"},
                       {"Local Path:", "WEB:LOCALPATH", "@s80"},
                       // The text the reader writes, not a date number: printed as it is.
                       {"Update Date:", "WEB:FILEDATETIME", "@s20"},
                       {"Implement Date:", "WEB:IMPLEMENTDATE", "@d17"}},
                      kLine);
  c.push_back(text(0, y, kPromptWidth, "Links TO This Page:"));
  for (int i = 1; i <= 5; ++i, y += kLine)
    c.push_back(field(kPromptWidth + 50, y, kFieldWidth, ("WEB:LINKTO" + std::to_string(i)).c_str(),
                      "@s80"));
  y = addPrompted(c, 0, y, kPromptWidth, kFieldWidth,
                  {{"Page Title:", "WEB:HTMLPAGETITLE", "@s80"}}, kLine);
  c.push_back(text(0, y, kPromptWidth, "Notes:"));
  c.push_back({.kind = C::Memo,
               .x = kPromptWidth + 50,
               .y = y,
               .width = kFieldWidth,
               .height = 480,
               .field = "WEB:Notes"});
  return closeCard(c, y + 480);
}

Card pageListing() {
  std::vector<ReportControl> c;
  constexpr int half = kCardWidth / 2, shortPrompt = 1100, shortField = half - shortPrompt - 150;
  addPrompted(c, 0, 0, shortPrompt, shortField,
              {{"Domain Name", "WEB:DOMAINNAME", "@s50"},
               {"Use Now", "WEB:USENOW", "@s1"},
               {"Purpose", "WEB:PURPOSE", "@s40"},
               {"File Date Time", "WEB:FILEDATETIME", "@s20"}},
              kLine);
  int y = addPrompted(c, half, 0, shortPrompt, shortField,
                      {{"Page Name", "WEB:PAGENAME", "@s20"},
                       {"Author", "WEB:AUTHOR", "@s30"},
                       {"Implement Date", "WEB:IMPLEMENTDATE", "@d17"},
                       {"File Size", "WEB:FILESIZE", "@n-14"}},
                      kLine);
  y = addPrompted(c, 0, y, kPromptWidth, kFieldWidth,
                  {{"Page Path", "WEB:PAGEPATH", "@s80"},
                   {"Local Path", "WEB:LOCALPATH", "@s80"},
                   {"Local Default Directory", "WEB:LOCALDEFAULTDIRECTORY", "@s90"}},
                  kLine);
  for (int i = 1; i <= 5; ++i, y += kLine) {
    const std::string n = std::to_string(i);
    c.push_back(text(0, y, kPromptWidth, ("Link To " + n).c_str()));
    c.push_back(field(kPromptWidth + 50, y, kFieldWidth, ("WEB:LINKTO" + n).c_str(), "@s80"));
  }
  return closeCard(c, y);
}

// ---- the blocks of 40 lines a page's scripts and forms are kept in ----

Card blockCard(const char* prefix, const char* pageField, const char* linesLabel) {
  std::vector<ReportControl> c;
  const std::string p = prefix;
  int y = addPrompted(c, 0, 0, kPromptWidth, kFieldWidth,
                      {{"Page Path", (p + "WEBPAGEPATHNAME").c_str(), "@s80"},
                       {"Domain Name", (p + "DOMAINNAME").c_str(), "@s50"},
                       {"Page Name", pageField, "@s20"}},
                      kLine);
  if (*linesLabel) c.push_back(text(0, y, kPromptWidth, linesLabel, kLabelFont));
  y += kLine;
  const std::string line = p + (p == "WPS:" ? "SCRIPTLINE" : "FORMLINE");
  for (int i = 1; i <= 40; ++i, y += kLine)
    c.push_back({.kind = C::String,
                 .x = 200,
                 .y = y,
                 .width = kCardWidth - 200,
                 .height = kLine,
                 .field = (line + std::to_string(i)).c_str(),
                 .picture = "@s200",
                 .font = rt::ReportFont{.points = 7}});
  return closeCard(c, y);
}

// ---- the images ----

constexpr char kImageTitle[] = "Tarnwick:   Web Page Image";
constexpr int kPictureHeight = 2700;

// The picture comes from `imagepath` (the image form's) or from the record's own path.
Card imageCard(const char* checkCaption, const char* pictureExpression) {
  std::vector<ReportControl> c;
  int y = addPrompted(c, 0, 0, kPromptWidth, kFieldWidth,
                      {{"Web Page Path:", "WPI:WEBPAGEPATHNAME", "@s80"}});
  c.push_back({.kind = C::Check,
               .x = 0,
               .y = y,
               .width = 2000,
               .height = kTextHeight,
               .text = checkCaption,
               .field = "WPI:CURRENTLYUSE"});
  y = addPrompted(c, 0, y + kRow, kPromptWidth, kFieldWidth,
                  {{"Domain Name:", "WPI:DOMAINNAME", "@s50"},
                   {"Page Name:", "WPI:PAGE", "@s20"},
                   {"Image File Name:", "WPI:WEBPAGEIMG", "@s200"}});
  y = addPrompted(c, 0, y, 2200, 800,
                  {{"HTML Line Number Graphic is on:", "WPI:LINENUMBER", "@n-7"}});
  addPrompted(c, 0, y, 600, 1400, {{"Height:", "WPI:HEIGHT", "@s20"}});
  y = addPrompted(c, 2400, y, 600, 1400, {{"Width:", "WPI:WIDTH", "@s20"}});
  ReportControl picture{
      .kind = C::Image, .x = 0, .y = y + 60, .width = kCardWidth, .height = kPictureHeight};
  if (*pictureExpression)
    picture.expression = pictureExpression;
  else
    picture.field = "WPI:IMAGEPATH";
  c.push_back(picture);
  return closeCard(c, y + 60 + kPictureHeight);
}

rt::ReportTable imageReport(const char* procedure, const char* checkCaption,
                            const char* pictureExpression, rt::ReportView view,
                            rt::FileRelations** relations, void (*closed)()) {
  rt::ReportTable t =
      cardReport(procedure, kImageTitle, imageCard(checkCaption, pictureExpression), view,
                 relations, {text(0, 20, 4000, "Images of the pages as stored on disk")});
  t.closed = closed;
  return t;
}

void blankDomain() {
  domainname.clear();
}

}  // namespace

const rt::ReportTable& webpagereportReport() {
  static const rt::ReportTable t =
      cardReport("webpagereport", "Web Pages Report", pageCard(),
                 {.file = &WebPages, .key = "WEB:NAMES", .progressField = "WEB:DOMAINNAME"},
                 &WebPagesRelations);
  return t;
}

const rt::ReportTable& listwebpagesReport() {
  static const rt::ReportTable t =
      cardReport("listwebpages", "Report the WebPages File", pageListing(),
                 {.file = &WebPages,
                  .key = "WEB:NAMES",
                  .range = {"WEB:DOMAINNAME"},
                  .progressField = "WEB:DOMAINNAME"},
                 &WebPagesRelations);
  return t;
}

const rt::ReportTable& PrintScriptReport() {
  static const rt::ReportTable t =
      cardReport("PrintScript", "Script Report", blockCard("WPS:", "WPS:PAGENAME", "Script Lines"),
                 {.file = &WPScripts,
                  .key = "WPS:PageNam",
                  .range = {"WPS:WEBPAGEPATHNAME"},
                  .progressField = "WPS:WEBPAGEPATHNAME"},
                 &WPScriptsRelations);
  return t;
}

const rt::ReportTable& printformReport() {
  static const rt::ReportTable t =
      cardReport("printform", "Form Report", blockCard("WPF:", "WPF:PAGE", ""),
                 {.file = &WPForm,
                  .key = "WPF:PageName",
                  .range = {"WPF:WEBPAGEPATHNAME"},
                  .progressField = "WPF:WEBPAGEPATHNAME"},
                 &WPFormRelations);
  return t;
}

// The image shown: its page path and image name, both from the buffer the form shows.
const rt::ReportTable& PrintImageReport() {
  static const rt::ReportTable t = imageReport("PrintImage", "Currently Use", "CLIP(imagepath)",
                                               {.file = &WPIMG,
                                                .key = "WPI:PageName",
                                                .range = {"WPI:WEBPAGEPATHNAME", "WPI:WEBPAGEIMG"},
                                                .progressField = "WPI:WEBPAGEPATHNAME"},
                                               &WPIMGRelations, nullptr);
  return t;
}

const rt::ReportTable& PrintImage2Report() {
  static const rt::ReportTable t = imageReport("PrintImage2", "Currently Use", "",
                                               {.file = &WPIMG,
                                                .key = "WPI:PageName",
                                                .range = {"WPI:WEBPAGEPATHNAME"},
                                                .progressField = "WPI:WEBPAGEIMG"},
                                               &DomainsRelations, &blankDomain);
  return t;
}

// Both names are 50 characters compared blank-padded, so "http://www." finds only images
// whose domain was stored that way.
const rt::ReportTable& PrintImage3Report() {
  static const rt::ReportTable t = imageReport("PrintImage3", "", "",
                                               {.file = &WPIMG,
                                                .key = "WPI:PageName",
                                                .filter = "wpi:domainname=domainname",
                                                .progressField = "WPI:WEBPAGEPATHNAME"},
                                               &DomainsRelations, &blankDomain);
  return t;
}

void webpagereport() {
  rt::RunReport(webpagereportReport());
}
void listwebpages() {
  rt::RunReport(listwebpagesReport());
}
void PrintScript() {
  rt::RunReport(PrintScriptReport());
}
void printform() {
  rt::RunReport(printformReport());
}
void PrintImage() {
  rt::RunReport(PrintImageReport());
}
void PrintImage2() {
  rt::RunReport(PrintImage2Report());
}
void PrintImage3() {
  rt::RunReport(PrintImage3Report());
}

// ---- the domain prompt of the domain's image report ----

namespace {

enum PromptControl : int { cText = 1, cOk, cDomainPrompt, cDomain };

const rt::WindowTable& promptTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "preimgreport",
      .title = "Print Images",
      .controls =
          {
              {cText, rt::ControlKind::Prompt,
               "Enter the Domain Name for the images you wish to print.   Then press OK."},
              {cOk, rt::ControlKind::Button, "OK"},
              {cDomainPrompt, rt::ControlKind::Prompt, "Domain Name:"},
              {cDomain, rt::ControlKind::Entry, "", 0, nullptr, "@s50",
               "Enter the complete domain name that you registered. The complete address with "
               "http://www. in front of it is also acceptable.",
               "", "This is the actual domain name that you have registered."},
          },
      .buttons = {{cOk, rt::ButtonRole::Ok}},
  };
  return t;
}

const rt::WindowTableRegistration tables{{"preimgreport", &promptTable}};

// Opens no file and leaves `domainname` as it finds it: the report blanks it when it ends.
class DomainPrompt : public rt::TableBrowse {
 public:
  DomainPrompt() : TableBrowse(promptTable()) {
    desc().kind = rt::WindowKind::Plain;
    bind(cDomain, rt::Binding(domainname));
  }

  rt::Flow OnAccepted() override {
    if (control() != cOk) return TableBrowse::OnAccepted();
    UpdateItemValues();
    frame::StartProcedure("PrintImage3");
    RefreshItems();
    CloseWithResponse(rt::RequestCompleted);
    return rt::Flow::Cycle;
  }
};

}  // namespace

void preimgreport() {
  DomainPrompt w;
  w.Run();
}
}  // namespace pages
