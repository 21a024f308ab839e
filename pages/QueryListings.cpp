#include "pages/QueryListings.h"

#include <string>
#include <vector>

#include "common/ReportParts.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "runtime/expr/Expression.h"
#include "runtime/text/FixedString.h"
#include "runtime/ui/FormCall.h"
#include "runtime/ui/MessageBox.h"

namespace pages {
namespace {

using C = rt::ReportControlKind;
using rt::BandKind;
using namespace reportparts;

constexpr int kWidth = 6500;
constexpr int kLeft = 1000;
constexpr int kRowHeight = 200;
constexpr long kShade = 0xE0E0E0;

// What the view that handed `queryfilter` over filtered, and the text it left there.
struct LeftFilter {
  const rt::FileDesc* file = nullptr;
  std::string text;
};
LeftFilter& leftFilter() {
  static LeftFilter f;
  return f;
}

struct Column {
  const char* heading;
  const char* field;
  const char* picture;  // "": a check box
  int width;
};

std::vector<rt::ReportBand> listingBands(const char* title, const std::vector<Column>& columns) {
  rt::ReportBand header{.kind = BandKind::PageHeader,
                        .x = kLeft,
                        .y = 500,
                        .width = kWidth,
                        .height = 500,
                        .controls = topLine(title, kWidth)};
  header.controls.push_back(
      {.kind = C::Box, .x = 0, .y = 280, .width = kWidth, .height = 220, .fill = kShade, .pen = 0});
  rt::ReportBand detail{.number = 3, .width = kWidth, .height = kRowHeight};
  int x = 0;
  for (const Column& c : columns) {
    header.controls.push_back(text(x + 30, 310, c.width - 60, c.heading, kLabelFont));
    if (*c.picture)
      detail.controls.push_back(field(x + 30, 15, c.width - 60, c.field, c.picture));
    else
      detail.controls.push_back({.kind = C::Check,
                                 .x = x + 30,
                                 .y = 15,
                                 .width = 300,
                                 .height = kTextHeight,
                                 .field = c.field});
    x += c.width;
  }
  rt::ReportBand footer = pageFooter(kLeft, 10200, kWidth);
  footer.controls.push_back(
      text(0, 20, 4500, "Tarnwick: the records of your domains and their web pages"));
  return {std::move(header), std::move(detail), std::move(footer)};
}

rt::ReportTable listing(const char* procedure, const char* title, rt::ReportView view,
                        rt::FileRelations** relations, const std::vector<Column>& columns) {
  return {.context = &SystemTables(),
          .procedure = procedure,
          .title = title,
          .page = {.bodyX = kLeft, .bodyY = 1100, .bodyWidth = kWidth, .bodyHeight = 9000},
          .font = kTextFont,
          .bands = listingBands(title, columns),
          .view = view,
          .relations = {relations}};
}

const std::vector<Column> kLinkColumns = {{"Domain Name", "WPL:DOMAINNAME", "@s50", 1800},
                                          {"Page Name", "WPL:PAGENAME", "@s20", 1300},
                                          {"Link", "WPL:WEBPAGELINK", "@s200", 3400}};
const std::vector<Column> kMetaColumns = {{"Domain Name", "WPM:DOMAINNAME", "@s50", 1500},
                                          {"Page Name", "WPM:PAGENAME", "@s20", 1100},
                                          {"Meta Contents", "WPM:METACONTENTS", "@s200", 2700},
                                          {"Meta Name", "WPM:METANAME", "@s20", 1200}};

constexpr char kLinksTitle[] = "Selected Links Listing";
constexpr char kMetasTitle[] = "Selected Meta Tags Listing";

rt::ReportView linksView(std::vector<const char*> range) {
  return {.file = &WPLinks,
          .key = "WPL:PathName",
          .appended = "wpl:webpagelink",
          .range = std::move(range),
          .progressField = "WPL:WEBPAGEPATHNAME"};
}

rt::ReportView metasView(std::vector<const char*> range) {
  return {.file = &WPMeta,
          .key = "WPM:PagePath",
          .range = std::move(range),
          .progressField = "WPM:WEBPAGEPATH"};
}

}  // namespace

void HandOverQuery(std::string_view filter, const rt::FileDesc* file) {
  const std::size_t n = rt::utf8CutLength(filter, kQueryFilterSize - 1);
  filter.copy(queryfilter, n);
  queryfilter[n] = '\0';
  leftFilter() = {file, std::string(filter.substr(0, n))};
}

const rt::FileDesc* QueryFilterFile() {
  const LeftFilter& f = leftFilter();
  return f.file && f.text == queryfilter ? f.file : nullptr;
}

const rt::ReportTable& listimagesReport() {
  static const rt::ReportTable t =
      listing("listimages", "Selected Images Listing", {.file = &WPIMG}, &WPIMGRelations,
              {{"Domain Name", "WPI:DOMAINNAME", "@s50", 1700},
               {"Page", "WPI:PAGE", "@s20", 1200},
               {"Web Page IMG", "WPI:WEBPAGEIMG", "@s200", 2800},
               {"Currently Use", "WPI:CURRENTLYUSE", "", 800}});
  return t;
}

const rt::ReportTable& listlinksReport() {
  static const rt::ReportTable t =
      listing("listlinks", kLinksTitle, linksView({}), &WPLinksRelations, kLinkColumns);
  return t;
}

const rt::ReportTable& listlinks2Report() {
  static const rt::ReportTable t =
      listing("listlinks2", kLinksTitle, linksView({"WPL:WEBPAGEPATHNAME"}), &WPLinksRelations,
              kLinkColumns);
  return t;
}

const rt::ReportTable& listmetasReport() {
  static const rt::ReportTable t =
      listing("listmetas", kMetasTitle, metasView({}), &WPMetaRelations, kMetaColumns);
  return t;
}

const rt::ReportTable& listmetas2Report() {
  static const rt::ReportTable t = listing(
      "listmetas2", kMetasTitle, metasView({"WPM:WEBPAGEPATH"}), &WPMetaRelations, kMetaColumns);
  return t;
}

const rt::ReportTable& listscriptsReport() {
  static const rt::ReportTable t =
      listing("listscripts", "Selected Script Listing", {.file = &WPScripts}, &WPScriptsRelations,
              {{"Domain Name", "WPS:DOMAINNAME", "@s50", 1800},
               {"Page Name", "WPS:PAGENAME", "@s20", 1300},
               {"Script Line 1", "WPS:SCRIPTLINE1", "@s200", 3400}});
  return t;
}

const rt::ReportTable& listforms2Report() {
  static const rt::ReportTable t =
      listing("listforms2", "Selected Forms Listing", {.file = &WPForm}, &WPFormRelations,
              {{"Domain Name", "WPF:DOMAINNAME", "@s50", 1800},
               {"Page Name", "WPF:PAGE", "@s20", 1300},
               {"Form Line 1", "WPF:FORMLINE1", "@s200", 3400}});
  return t;
}

std::string ListingFilter(const rt::ReportTable& design) {
  // A filter written for another file names fields this one does not have; the page's
  // records are what the user asked for then.
  if (!design.view.range.empty() && QueryFilterFile() != &design.view.file->desc()) return {};
  const std::string_view text(queryfilter);
  return text.find_first_not_of(' ') == text.npos ? std::string() : std::string(text);
}

int RunListing(const rt::ReportTable& design) {
  const std::string filter = ListingFilter(design);
  if (!filter.empty()) {
    const auto compiled = rt::compile(filter, design.context->names());
    if (!compiled.ok()) {
      rt::ShowMessageBox("The query cannot be used: " + compiled.error().message +
                             " (at character " + std::to_string(compiled.error().position) +
                             ").|Make a new query in the view and print again.",
                         design.title);
      rt::setCallResponse(rt::RequestCancelled);
      return rt::RequestCancelled;
    }
  }
  rt::ReportTable t = design;
  t.view.filter = filter.c_str();
  return rt::RunReport(t);
}

void listimages() {
  RunListing(listimagesReport());
}
void listlinks() {
  RunListing(listlinksReport());
}
void listlinks2() {
  RunListing(listlinks2Report());
}
void listmetas() {
  RunListing(listmetasReport());
}
void listmetas2() {
  RunListing(listmetas2Report());
}
void listscripts() {
  RunListing(listscriptsReport());
}
void listforms2() {
  RunListing(listforms2Report());
}

}  // namespace pages
