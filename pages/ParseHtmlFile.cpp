#include "pages/ParseHtmlFile.h"

#include <string>

#include "dictionary/Dictionary.h"
#include "pages/PageReading.h"
#include "runtime/data/Errors.h"
#include "runtime/text/Paths.h"
#include "runtime/ui/MessageBox.h"

namespace {

constexpr char kCaption[] = "Parse HTML File";
constexpr char kConfirm[] =
    "Depending upon the size of the file,|this process can take up to several minutes.||"
    "Continue process?";
constexpr char kNoPagePath[] =
    "This page has no page path.|A page path is needed to read the page: its details are "
    "kept under it.";

using pagereading::Outcome;

struct RunResult {
  Outcome outcome = Outcome::Ended;
  std::string stopText;
};

// Blanks the page's file globals on every way out of a run that found its file.
struct PageGlobals {
  ~PageGlobals() {
    counttext.clear();
    htmlfilename.clear();
  }
};

// Everything after the user said Yes. Files are closed, the copy removed and a failed rewrite
// rolled back by the time it returns; the caller shows the last word.
RunResult readPage(pagereading::Progress& progress, pagereading::Redraw& redraw) {
  htmlfilename = WEB.LOCALPATH;
  PageGlobals globals;
  pagereading::OpenFile page(DOSManager);
  if (!rt::FileExists(htmlfilename.clip()) || !page.ok()) {
    rt::ShowMessageBox("File not found", htmlfilename.clip());
    return {Outcome::Ended, {}};
  }

  const WebPagesRecord before = WEB;
  pagereading::TempCopy copy;
  const pagereading::PageResult read =
      pagereading::ReplacePageDetails(page, copy, progress, redraw, [](long) { return true; });
  if (read.outcome != Outcome::Done) {
    static_cast<WebPagesRecord&>(WEB) = before;
    return {read.outcome, read.stopText};
  }
  for (const pagereading::PageDetailFile& d : pagereading::PageDetailFiles()) {
    if (!d.file->build()) {
      (*d.manager)->RaiseError(rt::MessageId::FileAccessError);
      return {Outcome::Ended, {}};
    }
  }
  return {Outcome::Done, {}};
}

}  // namespace

void ParseHtmlFile() {
  if (WEB.PAGEPATH.blank()) {
    rt::ShowMessageBox(kNoPagePath, kCaption, rt::MessageIcon::Exclamation);
    return;
  }
  pagereading::Progress progress;
  progress.set(1);
  htmllinecount = 1;
  progress.add();
  pagereading::DetailFiles details;
  if (rt::ShowMessageBox(kConfirm, kCaption, rt::MessageIcon::Question, "&Yes|&No") != 1) return;

  RunResult result;
  {
    pagereading::OneRunAtATime gate;
    pagereading::Redraw redraw;
    result = readPage(progress, redraw);
    redraw.now();
  }
  if (result.outcome == Outcome::Done)
    rt::ShowMessageBox("HTML file read done.", kCaption);
  else if (result.outcome == Outcome::Stop)
    rt::StopProgram(result.stopText);
}
