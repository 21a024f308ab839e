// Reports described by tables: a page, fonts, bands of controls placed in thousandths of an
// inch, and the view the report walks. RunReport reads the view once while the "Progress..."
// window shows, keeps per page only where its records start, and draws a page whenever the
// preview shows it, a printer prints it or a PDF is written. Every name in a table (fields,
// memos, keys, expressions) is resolved through the table's context when the report runs
// (checkReport does the same without running it); a misspelt name throws std::logic_error.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/TableWindows.h"
#include "runtime/ui/WindowDesc.h"

class QPainter;
class QPaintDevice;

namespace rt {

inline constexpr int kThousandthsPerInch = 1000;

struct ReportFont {
  std::string name = "Arial";  // "Arial" and "Arial Black" draw as Liberation Sans
  int points = 8;
  long style = fontstyle::Regular;
  long color = kColorNone;  // 0BBGGRRh; none: black
};

enum class ReportControlKind {
  String,      // a field, or an expression, shown through its picture
  Text,        // fixed text (labels, titles, column headings)
  Box,         // a rectangle, filled when fill is set
  Line,        // from (x, y) to (x + width, y + height)
  Check,       // a box ticked when the field holds trueValue; text is its caption
  Image,       // the picture file named by field, expression or text, scaled into the box
  Memo,        // a memo (or long text field) wrapped in its box, cut at its bottom
  DateStamp,   // today's date through the picture ("@d17"); text is the designed placeholder
  PageNumber,  // the page number through the picture ("pPage <<<#p")
};

enum class ReportAlign { Left, Center, Right };

// A control of a band. Positions are inside the band, in thousandths of an inch.
struct ReportControl {
  ReportControlKind kind = ReportControlKind::Text;
  int number = 0;  // for setText and the test's reading of a page; 0: none
  int x = 0, y = 0, width = 0, height = 0;
  std::string text = {};        // Text, Check caption, Image file when no field, DateStamp design
  std::string field = {};       // "DOM:DOMAINNAME", the memo "HOS:Notes", the image path field
  std::string expression = {};  // String or Image instead of a field: "CLIP(imagepath)"
  std::string picture = {};     // "@s50", "@D2", "@n10.2", "pPage <<<#p"
  ReportAlign align = ReportAlign::Left;
  std::optional<ReportFont> font = {};  // none: the band's
  long fill = kColorNone;               // Box: 0BBGGRRh
  int pen = 10;                         // Box, Line, Check: thickness in thousandths; 0 a hairline
  std::string trueValue = "Y";          // Check
};

enum class BandKind {
  PageHeader,  // at its place on every page
  Detail,      // stacked in the page's body, one after the other, as records ask for them
  PageFooter,  // at its place on every page
};

struct ReportBand {
  BandKind kind = BandKind::Detail;
  int number = 0;  // the band a record prints (the system's band 3 is a detail band)
  // Header and footer: where on the page; a detail band: x is added to the body's left edge
  // and y is not used (the band goes below the previous one).
  int x = 0, y = 0, width = 0, height = 0;
  std::vector<ReportControl> controls = {};
  std::optional<ReportFont> font = {};  // none: the report's
  // A detail band is printed for a record when this expression over the context's names
  // holds ("": always). A record may so print several detail bands, or none.
  std::string when = {};
};

// The view a report walks, resolved like a list's order (OrderRow of TableWindows.h).
struct ReportView {
  KeyedFile* file = nullptr;
  const char* key = "";       // a key of the file; "": record order
  const char* appended = "";  // "dno:date,dno:topic": after the key; without a key the order
  std::vector<const char*> range = {};  // fields whose buffer values fix the key's first parts
  const char* filter = "";              // an expression over the context's names
  // The progress bar follows this text field's place in the alphabet; nullptr: the records
  // read against RECORDS of the file.
  const char* progressField = nullptr;
};

struct ReportPage {
  int width = 8500, height = 11000;  // thousandths of an inch, as the paper stands
  bool landscape = false;            // width and height are then swapped
  // Where detail bands go.
  int bodyX = 1000, bodyY = 1000, bodyWidth = 6500, bodyHeight = 9000;
};

struct ReportTable {
  const TableContext* context = nullptr;
  const char* procedure = "";  // the INI section of the progress window's position
  const char* title = "";      // the preview's title is "Print Preview - " and this
  ReportPage page = {};
  ReportFont font = {};
  std::vector<ReportBand> bands = {};
  ReportView view = {};
  std::vector<FileRelations**> relations = {};  // opened for the report, closed after it
  const char* previewSection = "PrintPreview";  // the INI section of the preview's position
  // Called when the progress window has closed (a global blanked, ...); nullptr: nothing.
  void (*closed)() = nullptr;
};

// Resolves every name of the table; throws std::logic_error naming the first bad one.
void checkReport(const ReportTable& table);

// Runs the report on the calling procedure thread: the progress window while the view is
// read (Cancel stops it and nothing is shown), then the preview until the user closes it.
// Returns RequestCompleted, or RequestCancelled when the reading was cancelled.
int RunReport(const ReportTable& table);

// ---- the pages of a report that has been read ----

// What a page draws: each control's place on the page (thousandths of an inch, from the
// paper's corner) and its text (the shown text, a check's "[X]" or "[ ]" before its caption,
// an image's file name).
struct DrawnControl {
  const ReportControl* control = nullptr;
  int x = 0, y = 0, width = 0, height = 0;
  std::string text = {};
};

class ReportDocument {
 public:
  ReportDocument(const ReportDocument&) = delete;
  ReportDocument& operator=(const ReportDocument&) = delete;
  virtual ~ReportDocument() = default;

  virtual const ReportTable& table() const = 0;
  virtual int pageCount() const = 0;
  // The records of each page are read again from the view when it is drawn.
  virtual std::vector<DrawnControl> layoutPage(int page) const = 0;  // page from 1
  virtual void drawPage(int page, QPainter& painter) const = 0;      // painter on the paper
  // Writes the pages (all when empty; numbers from 1) as a PDF; false when it cannot.
  virtual bool writePdf(const std::string& path, const std::vector<int>& pages = {}) const = 0;

 protected:
  ReportDocument() = default;
};

// "1-3,5, 8-" as page numbers of a document of pageCount pages, in order, each once;
// nothing when the text is not such a list. Blank: every page.
std::optional<std::vector<int>> parsePageList(std::string_view text, int pageCount);

// The report's pages, read from its view without a window (Cancel and preview aside, what
// RunReport does). Throws std::logic_error for a bad table.
std::unique_ptr<ReportDocument> ReadReport(const ReportTable& table);

// The document of an open print preview window, for tests; nullptr for other windows.
const ReportDocument* previewDocument(const Window* preview);

}  // namespace rt
